// The film processing job over a 1,000-frame 640 x 480 film against its floor, a plain sequential
// read of the same file (what `cat` does: 128 KiB reads from start to end), both warm in one program.
// The job also runs with 2,000 other files beside the film, which must cost it next to nothing: the
// film's companions are looked up once, not for every frame.

#include "bench/bench_films.h"
#include "bench/bench_folders.h"
#include "mainwindow/film_processing.h"
#include "mainwindow/progress.h"
#include "thermogram/tdtv.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

using namespace calidarix;

constexpr int kFrames = 1000;
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kOtherFiles = 2000;

// The film and its report, in a folder of their own in the temporary folder, removed at exit.
class FolderFilm {
public:
  FolderFilm() {
    folder_ = bench::TempPath("process-folder");
    std::filesystem::create_directories(folder_);
    path_ = folder_ / "film.dtv";
    name_ = QString::fromStdString(path_.string());
    bench::WriteBenchFilm(name_, kFrames, kWidth, kHeight, bench::RampFrame);
  }
  ~FolderFilm() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  const std::filesystem::path &folder() const { return folder_; }
  const std::filesystem::path &path() const { return path_; }
  const QString &name() const { return name_; }

private:
  std::filesystem::path folder_;
  std::filesystem::path path_;
  QString name_;
};

const FolderFilm &Film() {
  static const FolderFilm film;
  return film;
}

// The floor: every byte of the film read once, in order, into one buffer.
void BM_ReadFilmSequentially(benchmark::State &state) {
  const FolderFilm &film = Film();
  std::vector<char> buffer(128 * 1024);
  std::int64_t bytes = 0;
  for (auto _ : state) {
    const int fd = ::open(film.path().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      state.SkipWithError("cannot open the film");
      return;
    }
    ssize_t got = 0;
    while ((got = ::read(fd, buffer.data(), buffer.size())) > 0)
      bytes += got;
    ::close(fd);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ReadFilmSequentially)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// state.range(0): how many other files lie beside the film.
void BM_ProcessFilmBesideOtherFiles(benchmark::State &state) {
  const FolderFilm &film = Film();
  const int others = static_cast<int>(state.range(0));
  bench::AddOtherFiles(film.folder(), others);
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
      break;
    }
    benchmark::DoNotOptimize(dtv.FFilmProcessTable.data());
  }
  bench::RemoveOtherFiles(film.folder(), others);
  state.counters["other_files"] = others;
  state.counters["frames_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kFrames, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ProcessFilmBesideOtherFiles)
    ->Arg(0)
    ->Arg(kOtherFiles)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

} // namespace
