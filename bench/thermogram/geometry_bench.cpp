// Whole-frame geometric operations and projections on a camera-sized frame.

#include "thermogram/tdtv.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace calidarix {
namespace {

void Fill(TDTV &t, int w, int h) {
  t.FHeader.Width = static_cast<std::uint16_t>(w);
  t.FHeader.Height = static_cast<std::uint16_t>(h);
  t.FRaw.resize(static_cast<std::size_t>(w) * h);
  for (std::size_t i = 0; i < t.FRaw.size(); ++i) {
    t.FRaw[i] = static_cast<std::uint16_t>(i * 2654435761u >> 16);
  }
  t.SetAspect(4.0 / 3.0);
}

void BM_SampleBilinear(benchmark::State &state) {
  TDTV t;
  Fill(t, 640, 480);
  double x = 0.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(t.SampleBilinear(x, x * 0.75));
    x += 0.37;
    if (x >= 639.0) {
      x = 0.0;
    }
  }
}
BENCHMARK(BM_SampleBilinear);

void BM_RotateByAngle(benchmark::State &state) {
  TDTV t;
  Fill(t, 640, 480);
  for (auto _ : state) {
    t.RotateByAngle(1.0);
  }
}
BENCHMARK(BM_RotateByAngle)->Unit(benchmark::kMillisecond);

void BM_Rotate90(benchmark::State &state) {
  TDTV t;
  Fill(t, 640, 480);
  for (auto _ : state) {
    t.Rotate90(true);
  }
}
BENCHMARK(BM_Rotate90)->Unit(benchmark::kMillisecond);

void BM_ProjectFrame(benchmark::State &state) {
  for (auto _ : state) {
    state.PauseTiming();
    TDTV t;
    Fill(t, 640, 480);
    state.ResumeTiming();
    t.ProjectFrame(40, 35, 17.5);
    benchmark::DoNotOptimize(t.FRaw.data());
  }
}
BENCHMARK(BM_ProjectFrame)->Unit(benchmark::kMillisecond);

void BM_TripleThenDecode(benchmark::State &state) {
  for (auto _ : state) {
    state.PauseTiming();
    TDTV t;
    Fill(t, 640, 160);
    state.ResumeTiming();
    t.TripleHeight(false);
    t.DecodeDualScan();
    benchmark::DoNotOptimize(t.FRaw.data());
  }
}
BENCHMARK(BM_TripleThenDecode)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace calidarix
