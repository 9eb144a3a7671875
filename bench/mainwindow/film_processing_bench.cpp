// The film processing job over a 1000-frame 640 x 480 film: every frame read, measured over the whole
// frame and written to the report. The counter frames_per_s is what the user waits for.

#include "bench/bench_films.h"
#include "mainwindow/film_processing.h"
#include "mainwindow/progress.h"
#include "thermogram/tdtv.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace {

using namespace calidarix;

constexpr int kFrames = 1000;
constexpr int kWidth = 640;
constexpr int kHeight = 480;

// The film and its report live in a folder of the temporary folder, removed at exit.
class FilmFixture {
public:
  FilmFixture() {
    folder_ = bench::TempPath("process");
    std::filesystem::create_directories(folder_);
    name_ = QString::fromStdString((folder_ / "film.dtv").string());
    bench::WriteBenchFilm(name_, kFrames, kWidth, kHeight, bench::RampFrame);
  }
  ~FilmFixture() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  const QString &name() const { return name_; }

private:
  std::filesystem::path folder_;
  QString name_;
};

void BM_ProcessFilm1000x640x480(benchmark::State &state) {
  static FilmFixture film;
  TDTV dtv;
  if (!dtv.LoadFromFile(film.name(), 1)) {
    state.SkipWithError("cannot read the benchmark film");
    return;
  }
  SilentProgress progress;
  for (auto _ : state) {
    const TFilmProcessOutcome outcome = ProcessFilm(dtv, TRect{}, progress);
    if (!outcome.Completed) {
      state.SkipWithError("the job did not complete");
      return;
    }
    benchmark::DoNotOptimize(dtv.FFilmProcessTable.data());
  }
  state.counters["frames_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kFrames, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ProcessFilm1000x640x480)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace
