// One film step (ChangeFrame) through a 640 x 480 film alone in its folder, and the same film with
// 2,000 other files beside it. The film's companions (".abc", ".wav") are looked up whatever their
// case, so a step that scanned the folder for them would cost in proportion to the folder; the two
// figures side by side (one program, one run) show what the folder's size adds.

#include "bench/bench_films.h"
#include "bench/bench_folders.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/thermogram_view.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>

namespace {

using namespace calidarix;

constexpr int kFrames = 100;
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kOtherFiles = 2000;

// The film, in a folder of its own in the temporary folder, removed at exit.
class FolderFilm {
public:
  FolderFilm() {
    folder_ = bench::TempPath("step-folder");
    std::filesystem::create_directories(folder_);
    name_ = QString::fromStdString((folder_ / "film.dtv").string());
    bench::WriteBenchFilm(name_, kFrames, kWidth, kHeight, [](int k, TDTV &t) {
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
          t.FRaw[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] =
              static_cast<std::uint16_t>(30000.0 +
                                         20000.0 * std::sin((x + 3 * k) / 90.0) * std::cos(y / 70.0));
    });
  }
  ~FolderFilm() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  const std::filesystem::path &folder() const { return folder_; }
  const QString &name() const { return name_; }

private:
  std::filesystem::path folder_;
  QString name_;
};

// state.range(0): how many other files lie beside the film.
void BM_ChangeFrameBesideOtherFiles(benchmark::State &state) {
  static const FolderFilm film;
  const int others = static_cast<int>(state.range(0));
  bench::AddOtherFiles(film.folder(), others);
  {
    ShellServices services;
    services.view = std::make_unique<MainWindowThermogramView>();
    auto window = std::make_unique<TCalidarix>(services);
    Calidarix = window.get();
    window->FormCreate({"/userlog"});
    window->show();
    QApplication::processEvents();
    CurrentDTV->FFileName = film.name();
    window->ChangeDTV(true);
    if (CurrentDTV->FHeader.FrameCount != kFrames)
      state.SkipWithError("the film did not open");
    int frame = 1;
    for (auto _ : state) {
      frame = frame % kFrames + 1;
      if (!window->ChangeFrame(frame)) {
        state.SkipWithError("ChangeFrame failed");
        break;
      }
    }
    window.reset();
    Calidarix = nullptr;
    ResetThermogramGlobals();
  }
  bench::RemoveOtherFiles(film.folder(), others);
  state.counters["other_files"] = others;
}
BENCHMARK(BM_ChangeFrameBesideOtherFiles)->Arg(0)->Arg(kOtherFiles)->Unit(benchmark::kMillisecond);

} // namespace
