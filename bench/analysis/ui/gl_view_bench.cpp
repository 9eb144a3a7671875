// One frame of the 3-D view of a 320 x 240 thermogram (76800 vertices, lit and coloured) in a 640 x 480
// window, drawn and read back as the picture the window shows. Goal under Mesa's software renderer: 50 ms or
// less. Needs an OpenGL display: run it under xvfb-run with QT_QPA_PLATFORM=xcb (the offscreen platform has
// no context and the benchmark reports that as an error).

#include "analysis/ui/gl_view.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

using namespace calidarix;

void BM_GLViewFrame320x240(benchmark::State &state) {
  CurrentDTV = std::make_unique<TDTV>();
  TDTV &dtv = *CurrentDTV;
  dtv.ResetHeader();
  constexpr int w = 320, h = 240;
  dtv.FHeader.Width = w;
  dtv.FHeader.Height = h;
  dtv.FRaw.resize(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      dtv.FRaw[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] =
          static_cast<std::uint16_t>(30000.0 + 20000.0 * std::sin(x / 40.0) * std::cos(y / 30.0));
  dtv.PalBottom = 0;
  dtv.PalTop = 255;

  auto view = std::make_unique<TGLview>();
  GLview = view.get();
  view->resize(640, 480);
  view->show();
  QElapsedTimer wait;
  wait.start();
  while (!view->GLReady() && wait.elapsed() < 5000)
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  if (!view->GLReady()) {
    state.SkipWithError("no OpenGL context on this display");
  } else {
    view->DTVchanged();
    for (auto _ : state) {
      // The frame is finished when its picture has been read back.
      QImage picture = view->RenderPicture();
      benchmark::DoNotOptimize(picture.constBits());
    }
    state.counters["vertices"] = static_cast<double>(view->State.MeshCols) * view->State.MeshRows;
  }
  view.reset();
  GLview = nullptr;
  CurrentDTV.reset();
  ResetThermogramGlobals();
}
BENCHMARK(BM_GLViewFrame320x240)->Unit(benchmark::kMillisecond);

} // namespace
