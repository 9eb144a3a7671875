// Stitching nine 320 x 240 frames (a 3 x 3 grid) into one panorama, file reading and writing
// included; the counter gives the time per source pixel.

#include "head/panorama_stitcher.h"
#include "tests/head/synthetic_panorama.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cmath>

namespace calidarix {
namespace {

constexpr int kFrames = 9;
constexpr int kSourcePixels = kFrames * 320 * 240;

const std::filesystem::path &NineFrameFolder() {
  static QTemporaryDir dir;
  static const std::filesystem::path folder = [] {
    std::vector<test::SynthFrame> frames;
    for (double tilt : {-12.0, 0.0, 12.0})
      for (double pan : {-15.0, 0.0, 15.0})
        frames.push_back({pan, tilt});
    return test::MakeSynthFolder(
        dir.path().toStdString(), "IRPano-bench", test::SynthCamera{}, frames,
        [](double az, double el) { return 20.0 + 10.0 * std::sin(az * 4.0) * std::cos(el * 3.0); });
  }();
  return folder;
}

void BM_StitchNineFrames(benchmark::State &state) {
  const std::filesystem::path &folder = NineFrameFolder();
  const auto mode = static_cast<std::uint8_t>(state.range(0));
  for (auto _ : state) {
    TFOV fov;
    fov.FMergeMode = mode;
    const TStitchResult r = fov.ProcessPanoFolder(test::QPath(folder), 9999, false);
    if (!r.Written())
      state.SkipWithError(r.Message.toStdString().c_str());
    benchmark::DoNotOptimize(r.FilmFrames);
  }
  state.counters["ns_per_source_pixel"] =
      benchmark::Counter(static_cast<double>(kSourcePixels) * 1e-9,
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
// Merge modes: 0 overwrite, 1 nearest centre, 2 weighted blend (the program's default).
BENCHMARK(BM_StitchNineFrames)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace calidarix
