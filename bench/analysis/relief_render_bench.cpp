// One paint of the software relief view of a 320 x 240 thermogram: the rasterised relief and its 8-bit
// picture. Goal: 20 ms or less.

#include "analysis/relief_render.h"
#include "thermogram/thermogram_globals.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using namespace calidarix;

void BM_ReliefPaint320x240(benchmark::State &state) {
  TDTV dtv;
  dtv.ResetHeader();
  constexpr int w = 320, h = 240;
  dtv.FHeader.Width = w;
  dtv.FHeader.Height = h;
  dtv.FRaw.resize(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      dtv.FRaw[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] =
          static_cast<std::uint16_t>(30000.0 + 20000.0 * std::sin(x / 40.0) * std::cos(y / 30.0));
  dtv.SetAspect(4.0 / 3.0);
  // The view of a first switch to the relief: fitted to the picture, seen from above at an angle.
  const TReliefParams params{300, 320, 460.8 / w, 256};
  for (auto _ : state) {
    const TReliefCanvas canvas = RenderRelief(dtv, params);
    QImage picture = ReliefPicture(canvas, dtv);
    benchmark::DoNotOptimize(picture.constBits());
  }
  ResetThermogramGlobals();
}
BENCHMARK(BM_ReliefPaint320x240)->Unit(benchmark::kMillisecond);

} // namespace
