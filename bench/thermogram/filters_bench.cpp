// Speed of the 3x3 smoothing over a whole 640 x 480 frame.

#include "thermogram/tdtv.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using calidarix::TDTV;
using calidarix::TRect;

void MakeFrame(TDTV &t, int w, int h) {
  t.FHeader.Width = static_cast<std::uint16_t>(w);
  t.FHeader.Height = static_cast<std::uint16_t>(h);
  t.FHeader.Scale = 0.001f;
  t.FRaw.resize(static_cast<std::size_t>(w) * h);
  std::uint32_t noise = 12345;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      noise = noise * 1664525u + 1013904223u;
      t.FRaw[static_cast<std::size_t>(y) * w + x] =
          static_cast<std::uint16_t>(20000 + 20 * x + (noise >> 24));
    }
  }
}

void BM_SmoothRectWholeFrame(benchmark::State &state) {
  TDTV t;
  MakeFrame(t, 640, 480);
  const TRect whole{0, 0, 639, 479};
  for (auto _ : state) {
    t.SmoothRect(whole);
    benchmark::DoNotOptimize(t.FRaw.data());
  }
}
BENCHMARK(BM_SmoothRectWholeFrame)->Unit(benchmark::kMillisecond);

} // namespace
