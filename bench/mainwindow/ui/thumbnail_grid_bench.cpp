// The first page of the thumbnail grid over a folder of 1,000 thermograms of 640 x 480: from the Tab
// key (the folder listed, the page's files read and made into pictures) to the grid drawn. Each
// iteration starts from a new window, so no picture is left from the one before.

#include "bench/bench_films.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/multy_grid.h"
#include "mainwindow/ui/thermogram_view.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

using namespace calidarix;

constexpr int kFiles = 1000;
constexpr int kWidth = 640;
constexpr int kHeight = 480;

class TempFolder {
public:
  TempFolder() {
    path_ = bench::TempPath("thumbs");
    std::filesystem::create_directories(path_);
    TDTV t;
    bench::MakeBenchFrame(t, kWidth, kHeight);
    bench::RampFrame(0, t);
    const std::filesystem::path first = path_ / "f0000.dtv";
    if (!t.SaveDTV(QString::fromStdString(first.string())))
      throw std::runtime_error("cannot write the benchmark thermogram");
    for (int i = 1; i < kFiles; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "f%04d.dtv", i);
      std::filesystem::copy_file(first, path_ / name);
    }
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  QString file(const char *name) const { return QString::fromStdString((path_ / name).string()); }
  QString folder() const { return QString::fromStdString(path_.string() + "/"); }

private:
  std::filesystem::path path_;
};

void BM_ThumbnailGridFirstPage1000Files(benchmark::State &state) {
  const TempFolder folder;
  for (auto _ : state) {
    state.PauseTiming();
    ShellServices services;
    services.view = std::make_unique<MainWindowThermogramView>();
    auto window = std::make_unique<TCalidarix>(services);
    Calidarix = window.get();
    window->FormCreate({"/userlog"});
    window->show();
    QApplication::processEvents();
    window->FOpenDirectory = folder.folder();
    if (!window->OpenInView(folder.file("f0000.dtv"))) {
      state.SkipWithError("the first file did not open");
      break;
    }
    QApplication::processEvents();
    state.ResumeTiming();

    window->TabExecute();
    const QImage page = window->MultyDG->grab().toImage();
    benchmark::DoNotOptimize(page.constBits());

    state.PauseTiming();
    if (window->FFilms.MultyIL.Count() == 0)
      state.SkipWithError("the grid made no pictures");
    window.reset();
    Calidarix = nullptr;
    ResetThermogramGlobals();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ThumbnailGridFirstPage1000Files)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace
