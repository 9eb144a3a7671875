// A full view update without reload, as every live camera frame causes: render the 640 x 480 frame
// into the 640 x 540 image box, paint the scale and the palette bar, fill the labels.
// Run on the offscreen platform (set here when nothing else is chosen).

#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/thermogram_view.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

using namespace calidarix;

void MakeFrame(TDTV &dtv) {
  constexpr int w = 640;
  constexpr int h = 480;
  dtv.ResetHeader();
  dtv.FHeader.Width = w;
  dtv.FHeader.Height = h;
  dtv.FHeader.Scale = 100.0f / 65535.0f;
  dtv.FRaw.resize(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      dtv.FRaw[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] =
          static_cast<std::uint16_t>(30000.0 + 20000.0 * std::sin(x / 90.0) * std::cos(y / 70.0));
  dtv.SetAspect(4.0 / 3.0);
  dtv.UpdateStatistics();
}

void BM_ChangeDTVWithoutReload(benchmark::State &state) {
  ShellServices services;
  services.view = std::make_unique<MainWindowThermogramView>();
  auto window = std::make_unique<TCalidarix>(services);
  Calidarix = window.get();
  window->FormCreate({"/userlog"});
  window->show();
  QApplication::processEvents();
  MakeFrame(*CurrentDTV);
  window->FitImageLayout(TRect{0, 0, window->ImagePB->width(), window->ImagePB->height()}, true);
  for (auto _ : state)
    window->ChangeDTV(false);
  state.counters["box_width"] = window->ImagePB->width();
  state.counters["box_height"] = window->ImagePB->height();
  window.reset();
  Calidarix = nullptr;
  ResetThermogramGlobals();
}
BENCHMARK(BM_ChangeDTVWithoutReload)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
