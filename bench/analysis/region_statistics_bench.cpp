// Statistics of a whole 640 x 480 frame as a rectangle and as its inscribed ellipse, as a mouse-up or a
// view update over a full-frame area asks for them (goals: 0.5 ms and 1 ms).

#include "analysis/region_statistics.h"

#include <benchmark/benchmark.h>

#include <cmath>

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
      dtv.FRaw[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] = static_cast<std::uint16_t>(
          30000.0 + 20000.0 * std::sin(x / 90.0) * std::cos(y / 70.0) + (x * 7 + y * 13) % 97);
  dtv.UpdateStatistics();
}

void CountWholeFrame(benchmark::State &state, bool ellipse) {
  TDTV dtv;
  MakeFrame(dtv);
  const TStatisticsSettings settings;
  std::int64_t count = 0;
  for (auto _ : state) {
    const TRegionStatistics st = CountRegion(dtv, TRect{0, 0, 639, 479}, ellipse, settings);
    benchmark::DoNotOptimize(st.RIn);
    count = st.Count;
  }
  state.counters["pixels"] = static_cast<double>(count);
}

void BM_CountArrayRectangle640x480(benchmark::State &state) {
  CountWholeFrame(state, false);
}
BENCHMARK(BM_CountArrayRectangle640x480)->Unit(benchmark::kMicrosecond);

void BM_CountArrayEllipse640x480(benchmark::State &state) {
  CountWholeFrame(state, true);
}
BENCHMARK(BM_CountArrayEllipse640x480)->Unit(benchmark::kMicrosecond);

} // namespace
