// Stepping through a 640 x 480 film in the main window, as the frame keys do: ChangeFrame reads the
// frame, renders it into the 640 x 540 image box, paints the scale and the palette bar and fills the
// labels. The film is opened the way the user opens it (ChangeDTV with reload), so its range lock is
// on. Two films: one whose frames share one temperature range (a recording at a fixed camera range),
// and one whose every frame has a range of its own.

#include "bench/bench_films.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/thermogram_view.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

using namespace calidarix;

constexpr int kFrames = 100;
constexpr int kWidth = 640;
constexpr int kHeight = 480;

// A film in the temporary folder, removed when the benchmark ends.
class TempFilm {
public:
  explicit TempFilm(bool rangePerFrame) {
    path_ = bench::TempPath("step", rangePerFrame ? "-ranges.dtv" : ".dtv");
    name_ = QString::fromStdString(path_.string());
    bench::WriteBenchFilm(name_, kFrames, kWidth, kHeight, [rangePerFrame](int k, TDTV &t) {
      t.FHeader.Offset = rangePerFrame ? 10.0f + 0.1f * static_cast<float>(k) : 10.0f;
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          const double v = 30000.0 + 20000.0 * std::sin((x + 3 * k) / 90.0) * std::cos(y / 70.0);
          t.FRaw[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] =
              static_cast<std::uint16_t>(v);
        }
      }
    });
  }
  ~TempFilm() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  const QString &name() const { return name_; }

private:
  std::filesystem::path path_;
  QString name_;
};

void StepThroughFilm(benchmark::State &state, bool rangePerFrame) {
  const TempFilm film(rangePerFrame);
  ShellServices services;
  services.view = std::make_unique<MainWindowThermogramView>();
  auto window = std::make_unique<TCalidarix>(services);
  Calidarix = window.get();
  window->FormCreate({"/userlog"});
  window->show();
  QApplication::processEvents();
  CurrentDTV->FFileName = film.name();
  window->ChangeDTV(true);
  if (CurrentDTV->FHeader.FrameCount != kFrames) {
    state.SkipWithError("the film did not open");
  }
  int frame = 1;
  for (auto _ : state) {
    frame = frame % kFrames + 1;
    if (!window->ChangeFrame(frame)) {
      state.SkipWithError("ChangeFrame failed");
      break;
    }
  }
  state.counters["box_width"] = window->ImagePB->width();
  state.counters["box_height"] = window->ImagePB->height();
  state.counters["range_locked"] = CurrentDTV->FRangeLocked ? 1 : 0;
  window.reset();
  Calidarix = nullptr;
  ResetThermogramGlobals();
}

void BM_ChangeFrame640x480(benchmark::State &state) {
  StepThroughFilm(state, false);
}
BENCHMARK(BM_ChangeFrame640x480)->Unit(benchmark::kMillisecond);

void BM_ChangeFrame640x480RangePerFrame(benchmark::State &state) {
  StepThroughFilm(state, true);
}
BENCHMARK(BM_ChangeFrame640x480RangePerFrame)->Unit(benchmark::kMillisecond);

} // namespace
