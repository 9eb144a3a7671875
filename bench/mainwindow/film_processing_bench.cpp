// The film processing job over a 1000-frame 640 x 480 film: every frame read, measured over the whole
// frame and written to the report. The counter frames_per_s is what the user waits for.

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

class QuietProgress : public Progress {
public:
  void SetProgressPrefix(const QString &) override {}
  void SetProgress(int) override {}
  void Show() override {}
  void Hide() override {}
  bool Cancelled() const override { return false; }
};

// The film and its report live in a folder of the temporary folder, removed at exit.
class FilmFixture {
public:
  FilmFixture() {
    folder_ =
        std::filesystem::temp_directory_path() / ("calidarix-bench-process-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    name_ = QString::fromStdString((folder_ / "film.dtv").string());
    TDTV t;
    t.ResetHeader();
    t.FHeader.Width = kWidth;
    t.FHeader.Height = kHeight;
    t.FHeader.Offset = 10.0f;
    t.FHeader.Scale = static_cast<float>(30.0 / 65535);
    t.FRaw.resize(static_cast<std::size_t>(kWidth) * kHeight);
    for (int k = 0; k < kFrames; ++k) {
      for (std::size_t i = 0; i < t.FRaw.size(); ++i)
        t.FRaw[i] = static_cast<std::uint16_t>(i * 7 + static_cast<std::size_t>(k) * 131);
      const bool ok = k == 0 ? bool(t.StartFilm(name_)) : bool(t.AppendFilmFrame(name_));
      if (!ok)
        throw std::runtime_error("cannot write the benchmark film");
    }
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
  QuietProgress progress;
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
