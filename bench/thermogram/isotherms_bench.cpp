// Speed of the isotherm tracer on a 640 x 480 frame: one level, and every whole degree of a 20-degree
// span.

#include "platform/numbers.h"
#include "thermogram/tdtv.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

using calidarix::TDTV;

// A frame over 20 .. 40 degrees: warm blobs on a gradient with a little noise.
void MakeFrame(TDTV &t) {
  const int w = 640;
  const int h = 480;
  t.FHeader.Width = w;
  t.FHeader.Height = h;
  t.FHeader.Offset = 20.0f;
  t.FHeader.Scale = static_cast<float>(20.0 / 65535.0);
  t.FRaw.resize(static_cast<std::size_t>(w) * h);
  std::uint32_t noise = 12345;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const double blobs = std::sin(x / 37.0) * std::cos(y / 29.0);
      const double value = 32767.0 + 25000.0 * blobs + 6000.0 * (x - w / 2.0) / w + (noise >> 22);
      t.FRaw[static_cast<std::size_t>(y) * w + x] =
          static_cast<std::uint16_t>(std::clamp(calidarix::TruncToInt32(value), 0, 65535));
    }
  }
  t.FRaw[0] = 0; // the span reaches both ends of the raw range
  t.FRaw[1] = 65535;
  t.UpdateStatistics();
}

void BM_AddIsothermLevel(benchmark::State &state) {
  TDTV t;
  MakeFrame(t);
  for (auto _ : state) {
    t.FIsoPoints.clear();
    t.AddIsothermLevel(32767);
    benchmark::DoNotOptimize(t.FIsoPoints.data());
  }
  state.counters["points"] = static_cast<double>(t.FIsoPoints.size() / 2);
}
BENCHMARK(BM_AddIsothermLevel)->Unit(benchmark::kMillisecond);

void BM_BuildIsothermsTwentyDegrees(benchmark::State &state) {
  TDTV t;
  MakeFrame(t);
  for (auto _ : state) {
    t.BuildIsotherms();
    benchmark::DoNotOptimize(t.FIsoPoints.data());
  }
  state.counters["points"] = static_cast<double>(t.FIsoPoints.size() / 2);
}
BENCHMARK(BM_BuildIsothermsTwentyDegrees)->Unit(benchmark::kMillisecond);

} // namespace
