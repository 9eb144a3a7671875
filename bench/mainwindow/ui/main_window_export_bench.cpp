// Exporting a film frame by frame to JPEG, as "Save Picture" does: each of 100 frames of 640 x 480 is
// loaded, shown, composed into the "Image+Scale" snapshot and written at quality 100. Counts frames
// per second. Run on the offscreen platform (the ui_bench main sets it).
//
// Beside it, the floor: the same snapshot encoded with libjpeg itself (the export's encoder), with
// its defaults at quality 100 from the same 32-bit pixels, and written to a file, 100 times: what any
// program that has the picture must do to leave it on the disk as a JPEG. Goal: the export at or
// under 1.5x the floor.

#include "mainwindow/ui/dialogs.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/thermogram_view.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

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

// The snapshot of the film's first frame as the export composes it.
QImage FilmSnapshot(const QString &film) {
  ShellServices services;
  services.view = std::make_unique<MainWindowThermogramView>();
  auto window = std::make_unique<TCalidarix>(services);
  Calidarix = window.get();
  window->FormCreate({});
  window->show();
  QApplication::processEvents();
  CurrentDTV->FFileName = film;
  window->ChangeDTV(true);
  window->BMPLook = 1;
  QImage snapshot = window->BuildSnapshot().convertToFormat(QImage::Format_RGB32);
  window.reset();
  Calidarix = nullptr;
  ResetThermogramGlobals();
  return snapshot;
}

bool EncodeWithLibjpeg(const QImage &rgb32, const char *fileName) {
  std::FILE *file = std::fopen(fileName, "wb");
  if (file == nullptr)
    return false;
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(rgb32.width());
  info.image_height = static_cast<JDIMENSION>(rgb32.height());
  info.in_color_space = JCS_EXT_BGRX;
  info.input_components = 4;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb32.constScanLine(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(file) == 0;
}

void BM_ExportFloorLibjpegFrames(benchmark::State &state) {
  QTemporaryDir dir;
  const QString film = dir.filePath(QStringLiteral("film.dtv"));
  if (!dir.isValid() || !WriteFilm(film)) {
    state.SkipWithError("cannot write the film");
    return;
  }
  const QImage snapshot = FilmSnapshot(film);
  const QByteArray out = QFile::encodeName(dir.filePath(QStringLiteral("floor.jpg")));
  for (auto _ : state) {
    for (int k = 0; k < kFrames; ++k) {
      if (!EncodeWithLibjpeg(snapshot, out.constData())) {
        state.SkipWithError("cannot write the picture");
        return;
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
  state.counters["frames_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kFrames), benchmark::Counter::kIsRate);
  state.counters["snapshot_width"] = snapshot.width();
  state.counters["snapshot_height"] = snapshot.height();
}
BENCHMARK(BM_ExportFloorLibjpegFrames)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

} // namespace
