// One mouse move over the image of the main window: the readout labels and the overlay state, without
// rendering the frame (goal: 0.2 ms). A 640 x 480 frame in the 640 x 540 image box, offscreen; the moves
// go back and forth over the frame so every one changes the readout. The second benchmark adds the
// box's repaint that the move schedules: the cached frame and the markers composed again. The program
// of the window benchmarks (change_dtv_bench.cpp) starts the application.

#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/thermogram_view.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QLabel>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

using namespace calidarix;

struct Window {
  Window() {
    services.view = std::make_unique<MainWindowThermogramView>();
    window = std::make_unique<TCalidarix>(services);
    Calidarix = window.get();
    window->FormCreate({});
    window->show();
    QApplication::processEvents();
    TDTV &dtv = *CurrentDTV;
    dtv.ResetHeader();
    dtv.FHeader.Width = 640;
    dtv.FHeader.Height = 480;
    dtv.FHeader.Scale = 100.0f / 65535.0f;
    dtv.FRaw.resize(640u * 480u);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        dtv.FRaw[static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)] =
            static_cast<std::uint16_t>(30000.0 + 20000.0 * std::sin(x / 90.0) * std::cos(y / 70.0));
    dtv.SetAspect(4.0 / 3.0);
    dtv.UpdateStatistics();
    window->FitImageLayout(TRect{0, 0, window->ImagePB->width(), window->ImagePB->height()}, true);
    window->ChangeDTV(false);
    // A few markers, as a user measuring would have them.
    window->FMarkers.FCurrentArea.SetRect(TRect{100, 100, 300, 250});
    window->AddPoint(50, 50, false);
    window->AddPoint(400, 300, false);
  }
  ~Window() {
    window.reset();
    Calidarix = nullptr;
    ResetThermogramGlobals();
  }
  ShellServices services;
  std::unique_ptr<TCalidarix> window;
};

void BM_ImageMouseMove(benchmark::State &state) {
  Window w;
  int x = 0;
  const int renders = w.window->FRenderCount;
  for (auto _ : state) {
    x = (x + 7) % 600;
    w.window->ImagePBMouseMove(x + 10, 200 + x / 10, Qt::NoModifier);
  }
  state.counters["renders"] = w.window->FRenderCount - renders;
  // The readout of the last move, to show the moves were measured.
  state.counters["last_x"] = w.window->XLabel->text().toInt();
}
BENCHMARK(BM_ImageMouseMove)->Unit(benchmark::kMicrosecond);

void BM_ImageMouseMoveWithOverlayRepaint(benchmark::State &state) {
  Window w;
  int x = 0;
  const int renders = w.window->FRenderCount;
  for (auto _ : state) {
    x = (x + 7) % 600;
    w.window->ImagePBMouseMove(x + 10, 200 + x / 10, Qt::NoModifier);
    w.window->ImagePBPaint(w.window->ImagePB);
  }
  state.counters["renders"] = w.window->FRenderCount - renders;
}
BENCHMARK(BM_ImageMouseMoveWithOverlayRepaint)->Unit(benchmark::kMicrosecond);

} // namespace
