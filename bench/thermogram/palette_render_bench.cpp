// Rendering of the main picture, the per-paint hot path of the main window, beside a baseline: a plain
// loop that maps a frame of the bitmap's size through a 65536-entry colour table into a bitmap of the
// same format. Compare a render with the baseline of its bitmap size, measured in the same run.

#include "platform/numbers.h"
#include "thermogram/builtin_palettes.h"
#include "thermogram/palette_render.h"
#include "thermogram/tdtv.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using calidarix::RenderPaths;
using calidarix::TDTV;
using calidarix::TRect;

// A w x h frame spanning the whole raw range: a smooth background, a warm spot and noise.
void MakeFrame(TDTV &dtv, int w, int h) {
  dtv.FHeader.Width = static_cast<std::uint16_t>(w);
  dtv.FHeader.Height = static_cast<std::uint16_t>(h);
  dtv.FHeader.Scale = 100.0f / 65535.0f;
  dtv.FRaw.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  const double spotX = w * 0.625;
  const double spotY = h * 0.4;
  std::uint32_t noise = 12345;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const double background = 20000.0 + 15000.0 * std::sin(x / 90.0) * std::cos(y / 70.0);
      const double spot =
          30000.0 * std::exp(-((x - spotX) * (x - spotX) + (y - spotY) * (y - spotY)) / 3000.0);
      const double v = background + spot + static_cast<double>(noise >> 24) * 40.0;
      dtv.FRaw[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] =
          static_cast<std::uint16_t>(std::clamp(calidarix::TruncToInt32(v), 0, 65535));
    }
  }
  dtv.FRaw[0] = 0;
  dtv.FRaw[1] = 65535;
  dtv.FPalette = calidarix::BuiltinPalette(1);
  dtv.FSmoothPalette = true;
  dtv.FZoom = 1.0;
}

// The baseline: a frame of range(0) x range(1) mapped through a 65536-entry table, row by row into a
// bitmap of the renderer's format.
void BM_MapThroughTableBaseline(benchmark::State &state) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  TDTV dtv;
  MakeFrame(dtv, w, h);
  std::vector<QRgb> table(65536);
  for (std::size_t v = 0; v < table.size(); ++v) {
    const calidarix::TRGB &c = dtv.FPalette[v >> 8];
    table[v] = qRgb(c.R, c.G, c.B);
  }
  QImage bitmap(w, h, calidarix::kRenderFormat);
  for (auto _ : state) {
    uchar *bits = bitmap.bits();
    for (int y = 0; y < h; ++y) {
      const std::uint16_t *row = dtv.FRaw.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
      auto *line = reinterpret_cast<QRgb *>(bits + static_cast<qsizetype>(y) * bitmap.bytesPerLine());
      for (int x = 0; x < w; ++x) {
        line[x] = table[row[x]];
      }
    }
    benchmark::DoNotOptimize(bitmap.constBits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * w * h);
}
BENCHMARK(BM_MapThroughTableBaseline)
    ->Args({640, 480})
    ->Args({640, 540})
    ->Args({1280, 1080})
    ->Unit(benchmark::kMillisecond);

// Renders a w x h frame at `aspect` and `zoom` into a bitmap as wide as the zoomed frame and as tall as
// the aspect makes it, once per iteration. With `newWindow` the palette window changes before every
// render, so the colours of all raw values are worked out again each time (as after a palette
// command).
void RenderRepeatedly(benchmark::State &state, int w, int h, double aspect, bool newWindow,
                      RenderPaths paths = RenderPaths{}, double zoom = 1.0) {
  TDTV dtv;
  MakeFrame(dtv, w, h);
  dtv.SetAspect(aspect);
  dtv.FZoom = zoom;
  const TRect target{0, 0, calidarix::TruncToInt32(w * zoom + 0.5),
                     calidarix::TruncToInt32(h * zoom * dtv.FPixelAspect + 0.5)};
  for (auto _ : state) {
    if (newWindow) {
      dtv.PalTop = dtv.PalTop == 255 ? 254 : 255;
    }
    calidarix::RenderToBitmapWith(dtv, target, 0, 0, paths);
    benchmark::DoNotOptimize(dtv.FBitmap.constBits());
  }
  state.counters["bitmap_height"] = target.Bottom;
  state.SetItemsProcessed(state.iterations() * std::int64_t{target.Right} * target.Bottom);
}

// Zoom 1 with square pixels: every bitmap pixel is a frame pixel (baseline 640 x 480).
void BM_RenderToBitmap640x480(benchmark::State &state) {
  RenderRepeatedly(state, 640, 480, 640.0 / 480.0, false);
}
BENCHMARK(BM_RenderToBitmap640x480)->Unit(benchmark::kMillisecond);

// Zoom 1 at the default display aspect (pixels drawn 1.125 times taller): rows fall between frame
// rows and are mixed (baseline 640 x 540).
void BM_RenderToBitmap640x480DefaultAspect(benchmark::State &state) {
  RenderRepeatedly(state, 640, 480, 256.0 / 216.0, false);
}
BENCHMARK(BM_RenderToBitmap640x480DefaultAspect)->Unit(benchmark::kMillisecond);

// The same view through the general per-pixel loop, for comparison.
void BM_RenderToBitmap640x480DefaultAspectGeneralLoop(benchmark::State &state) {
  RenderRepeatedly(state, 640, 480, 256.0 / 216.0, false, RenderPaths{false, 1});
}
BENCHMARK(BM_RenderToBitmap640x480DefaultAspectGeneralLoop)->Unit(benchmark::kMillisecond);

// A zoom that puts bitmap columns between frame columns: the demo image's 256 x 248 shown at zoom 2.5
// in the 640 x 540 image box, as the program's first paint draws it, and through the general loop.
void BM_RenderToBitmap256x248Zoom2_5(benchmark::State &state) {
  RenderRepeatedly(state, 256, 248, 32.0 / 27.0, false, RenderPaths{}, 2.5);
}
BENCHMARK(BM_RenderToBitmap256x248Zoom2_5)->Unit(benchmark::kMillisecond);

void BM_RenderToBitmap256x248Zoom2_5GeneralLoop(benchmark::State &state) {
  RenderRepeatedly(state, 256, 248, 32.0 / 27.0, false, RenderPaths{false, 1}, 2.5);
}
BENCHMARK(BM_RenderToBitmap256x248Zoom2_5GeneralLoop)->Unit(benchmark::kMillisecond);

// As the first, with a new palette window before every render.
void BM_RenderToBitmap640x480NewWindow(benchmark::State &state) {
  RenderRepeatedly(state, 640, 480, 640.0 / 480.0, true);
}
BENCHMARK(BM_RenderToBitmap640x480NewWindow)->Unit(benchmark::kMillisecond);

// A 1280 x 1024 frame at the default aspect (bitmap 1280 x 1080, baseline 1280 x 1080): on the
// calling thread only, and shared with the pool (as many threads as the picture is worth).
void BM_RenderToBitmap1280x1024DefaultAspectOneThread(benchmark::State &state) {
  RenderRepeatedly(state, 1280, 1024, 256.0 / 216.0, false, RenderPaths{true, 1});
}
BENCHMARK(BM_RenderToBitmap1280x1024DefaultAspectOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderToBitmap1280x1024DefaultAspectPool(benchmark::State &state) {
  RenderRepeatedly(state, 1280, 1024, 256.0 / 216.0, false, RenderPaths{true, 0});
}
BENCHMARK(BM_RenderToBitmap1280x1024DefaultAspectPool)->Unit(benchmark::kMillisecond)->UseRealTime();

// A picture of 5.5 megapixels (a 2560 x 2048 frame at the default aspect), where the pool has more to
// share: at most range(0) threads, 0 for as many as it is worth.
void BM_RenderToBitmap2560x2048DefaultAspect(benchmark::State &state) {
  RenderRepeatedly(state, 2560, 2048, 256.0 / 216.0, false,
                   RenderPaths{true, static_cast<int>(state.range(0))});
  state.counters["max_threads"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_RenderToBitmap2560x2048DefaultAspect)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
