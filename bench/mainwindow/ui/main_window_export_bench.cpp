// Exporting a film frame by frame to JPEG, as "Save Picture" does: each of 100 frames of 640 x 480 is
// loaded, shown, composed into the "Image+Scale" snapshot (711 x 482) and written at quality 100.
// Counts frames per second. Run on the offscreen platform (the ui_bench main sets it).

#include "mainwindow/ui/dialogs.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/thermogram_view.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

using namespace calidarix;

constexpr int kFrames = 100;

bool WriteFilm(const QString &path) {
  constexpr int w = 640;
  constexpr int h = 480;
  TDTV dtv;
  dtv.ResetHeader();
  dtv.FHeader.Width = w;
  dtv.FHeader.Height = h;
  dtv.FHeader.Scale = 100.0f / 65535.0f;
  dtv.FHeader.FrameInterval = 0.04f;
  dtv.FRaw.resize(static_cast<std::size_t>(w) * h);
  for (int k = 0; k < kFrames; ++k) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        dtv.FRaw[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] =
            static_cast<std::uint16_t>(30000.0 + 20000.0 * std::sin((x + 3 * k) / 90.0) * std::cos(y / 70.0));
    if (!(k == 0 ? dtv.StartFilm(path) : dtv.AppendFilmFrame(path)))
      return false;
  }
  return true;
}

void BM_ExportFilmFramesToJpeg(benchmark::State &state) {
  QTemporaryDir dir;
  const QString film = dir.filePath(QStringLiteral("film.dtv"));
  if (!dir.isValid() || !WriteFilm(film)) {
    state.SkipWithError("cannot write the film");
    return;
  }
  QDir().mkpath(dir.filePath(QStringLiteral("out")));
  ShellServices services;
  services.view = std::make_unique<MainWindowThermogramView>();
  auto window = std::make_unique<TCalidarix>(services);
  Calidarix = window.get();
  window->FormCreate({});
  auto scripted = std::make_unique<ScriptedDialogs>();
  ScriptedDialogs *dialogs = scripted.get();
  window->SetDialogs(std::move(scripted));
  window->show();
  QApplication::processEvents();
  CurrentDTV->FFileName = film;
  window->ChangeDTV(true);
  window->BMPLook = 1;
  TFramesChoice all;
  all.Option = TFramesOption::All;
  for (auto _ : state) {
    dialogs->SaveAnswers.push_back({dir.filePath(QStringLiteral("out/frame.jpg")), 1});
    dialogs->FramesAnswers.push_back(all);
    window->SaveBMPSBClick();
  }
  if (!dialogs->Errors.isEmpty())
    state.SkipWithError(dialogs->Errors.front().toStdString().c_str());
  state.SetItemsProcessed(state.iterations() * kFrames);
  state.counters["frames_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kFrames), benchmark::Counter::kIsRate);
  const QImage snapshot = window->BuildSnapshot();
  state.counters["snapshot_width"] = snapshot.width();
  state.counters["snapshot_height"] = snapshot.height();
  window.reset();
  Calidarix = nullptr;
  ResetThermogramGlobals();
}
// Wall-clock rates: the renderer may share its rows among threads, which CPU time of this thread misses.
BENCHMARK(BM_ExportFilmFramesToJpeg)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

} // namespace
