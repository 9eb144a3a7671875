// Turning a received 320 x 240 camera frame into a thermogram linear in temperature: the display
// look-up table is rebuilt for the frame's signal window and every pixel is remapped through it, as
// the frame handler does for every frame. The goal is 5 ms or less per frame.

#include "acquisition/camera_state.h"
#include "acquisition/signal_model.h"
#include "thermogram/tdtv.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

using namespace calidarix;

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// Raw signals of a scene from about -10 to 90 degrees on the default curve, with some texture.
std::vector<std::uint16_t> SceneSignals() {
  std::vector<std::uint16_t> raw(static_cast<std::size_t>(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      raw[static_cast<std::size_t>(y) * kWidth + x] =
          static_cast<std::uint16_t>(1800 + x * 40 + (y * 37) % 500);
  return raw;
}

void LinearizeFrame(benchmark::State &state, bool correct, bool twoCurves, std::uint8_t range,
                    bool fullWindow = false) {
  TScanUnit unit;
  unit.BlindSignal = 2600;
  unit.TwoCurves = twoCurves;
  unit.CurExpAL = 5.0e7;
  unit.CurExpBL = 2900.0;
  unit.CurSignal0L = 900.0;
  unit.CalibrationRange = range;
  const std::vector<std::uint16_t> source = SceneSignals();
  const auto [lo, hi] = std::minmax_element(source.begin(), source.end());
  TDTV frame;
  frame.FHeader.Width = kWidth;
  frame.FHeader.Height = kHeight;
  for (auto _ : state) {
    frame.FRaw = source; // the frame as it arrived (a 150 KiB copy, part of the measured time)
    frame.FRawMin = fullWindow ? 0 : *lo;
    frame.FRawMax = fullWindow ? 65535 : *hi;
    LinearizeThermogram(unit, frame, correct);
    benchmark::DoNotOptimize(frame.FRaw.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_LinearizeCorrected(benchmark::State &state) {
  LinearizeFrame(state, true, false, 0);
}
// The worst case: a window over the whole scale evaluates the curve for all 65536 signals.
void BM_LinearizeFullWindow(benchmark::State &state) {
  LinearizeFrame(state, true, false, 0, true);
}
void BM_LinearizeTwoCurves(benchmark::State &state) {
  LinearizeFrame(state, true, true, 0);
}
void BM_LinearizeRangeTwoFold(benchmark::State &state) {
  LinearizeFrame(state, true, false, 2);
}
void BM_LinearizeRawSignal(benchmark::State &state) {
  LinearizeFrame(state, false, false, 0);
}

BENCHMARK(BM_LinearizeCorrected)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearizeFullWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearizeTwoCurves)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearizeRangeTwoFold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearizeRawSignal)->Unit(benchmark::kMillisecond);

} // namespace
