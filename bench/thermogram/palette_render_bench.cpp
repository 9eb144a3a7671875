// Rendering of the main picture, the per-paint hot path of the main window.

#include "platform/numbers.h"
#include "thermogram/builtin_palettes.h"
#include "thermogram/tdtv.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

using calidarix::TDTV;
using calidarix::TRect;

// A 640 x 480 frame spanning the whole raw range: a smooth background, a few warm spots and noise.
void MakeFrame(TDTV &dtv) {
  constexpr int w = 640;
  constexpr int h = 480;
  dtv.FHeader.Width = w;
  dtv.FHeader.Height = h;
  dtv.FHeader.Scale = 100.0f / 65535.0f;
  dtv.FRaw.resize(static_cast<std::size_t>(w) * h);
  std::uint32_t noise = 12345;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const double background = 20000.0 + 15000.0 * std::sin(x / 90.0) * std::cos(y / 70.0);
      const double spot = 30000.0 * std::exp(-((x - 400) * (x - 400) + (y - 200) * (y - 200)) / 3000.0);
      const double v = background + spot + static_cast<double>(noise >> 24) * 40.0;
      dtv.FRaw[static_cast<std::size_t>(y) * w + x] =
          static_cast<std::uint16_t>(std::clamp(calidarix::TruncToInt32(v), 0, 65535));
    }
  }
  dtv.FRaw[0] = 0;
  dtv.FRaw[1] = 65535;
  dtv.FPalette = calidarix::BuiltinPalette(1);
  dtv.FSmoothPalette = true;
  dtv.FZoom = 1.0;
}

// Renders the frame of MakeFrame at `aspect` into `target` once per iteration. With `newWindow` the
// palette window changes before every render, so the colours of all raw values are worked out again
// each time (as after a palette command).
void RenderRepeatedly(benchmark::State &state, double aspect, TRect target, bool newWindow) {
  TDTV dtv;
  MakeFrame(dtv);
  dtv.SetAspect(aspect);
  for (auto _ : state) {
    if (newWindow) {
      dtv.PalTop = dtv.PalTop == 255 ? 254 : 255;
    }
    dtv.RenderToBitmap(target, 0, 0);
    benchmark::DoNotOptimize(dtv.FBitmap.constBits());
  }
}

// Zoom 1 with square pixels: every bitmap pixel is a frame pixel.
void BM_RenderToBitmap640x480(benchmark::State &state) {
  RenderRepeatedly(state, 640.0 / 480.0, TRect{0, 0, 640, 480}, false);
}
BENCHMARK(BM_RenderToBitmap640x480)->Unit(benchmark::kMillisecond);

// Zoom 1 at the default display aspect (pixels drawn 1.125 times taller): rows fall between frame
// rows and are mixed bilinearly.
void BM_RenderToBitmap640x480DefaultAspect(benchmark::State &state) {
  RenderRepeatedly(state, 256.0 / 216.0, TRect{0, 0, 640, 540}, false);
}
BENCHMARK(BM_RenderToBitmap640x480DefaultAspect)->Unit(benchmark::kMillisecond);

// As the first, with a new palette window before every render.
void BM_RenderToBitmap640x480NewWindow(benchmark::State &state) {
  RenderRepeatedly(state, 640.0 / 480.0, TRect{0, 0, 640, 480}, true);
}
BENCHMARK(BM_RenderToBitmap640x480NewWindow)->Unit(benchmark::kMillisecond);

} // namespace
