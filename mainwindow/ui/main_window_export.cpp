// "Save Picture": the current thermogram as a picture for reports. A single image is written once; a
// film is exported frame by frame, each frame becoming the current thermogram in turn, as the user
// watches. The snapshot is built in memory; the clipboard is not touched.

#include "mainwindow/bmp_writer.h"
#include "mainwindow/gif_picture.h"
#include "mainwindow/gif_writer.h"
#include "mainwindow/jpeg_writer.h"
#include "mainwindow/metro_report.h"
#include "mainwindow/picture_export.h"
#include "mainwindow/ui/glyphs.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/view_texts.h"
#include "platform/datetime.h"
#include "platform/paths.h"
#include "thermogram/thermogram_globals.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QScopeGuard>
#include <QThreadPool>

#include <functional>
#include <future>
#include <memory>

namespace calidarix {

namespace {

QString FolderOf(const QString &fileName) {
  return QDir::cleanPath(QFileInfo(fileName).absolutePath());
}

void DrawGifBadge(QPainter &painter) {
  DrawBadgeGlyph(painter, QPoint(5, 5), Qt::black);
  DrawBadgeGlyph(painter, QPoint(4, 4), Qt::white);
}

// The pick file of metro mode, written beside the program.
TPickTrack ReadPickFile() {
  return ReadPickTrack(
      QFile::decodeName(QByteArray::fromStdString((ProgramDir() / "metropick.txt").string())));
}

int SecondsOfDay(const TDTV &dtv) {
  return static_cast<int>(dtv.FFrameRec.TimeStamp & 0xFFFFFFu) % 86400;
}

} // namespace

QImage CompanionPhoto;

void TCalidarix::PhotoPBPaint() {
  if (CompanionPhoto.isNull()) {
    PhotoPB->Picture = QImage();
    return;
  }
  QImage picture = PhotoPB->NewPicture();
  {
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(picture.rect(), CompanionPhoto);
  }
  PhotoPB->Picture = picture;
}

void TCalidarix::SaveBMPSBClick() {
  if (!CurrentDTV || FExportState.FExportBusy)
    return;
  FExportState.FExportBusy = true;
  const auto release = qScopeGuard([this] { FExportState.FExportBusy = false; });
  TDTV &dtv = *CurrentDTV;

  SaveDialogRequest request;
  request.Title = QStringLiteral("Save Picture");
  request.Filter = PictureFilter();
  request.FilterIndex = FExportState.BMPFilterIndex;
  request.DefaultSuffix = QStringLiteral("bmp");
  if (!dtv.FFileName.isEmpty()) {
    request.Folder =
        FExportState.LastPictureDir.isEmpty() ? FolderOf(dtv.FFileName) : FExportState.LastPictureDir;
    request.FileName = QFileInfo(dtv.FFileName).fileName();
    request.FileName.chop(4);
  }
  const SaveDialogAnswer answer = FDialogs->SaveFile(this, request);
  if (answer.FileName.isEmpty())
    return;
  FExportState.BMPFilterIndex = static_cast<int>(PictureTypeOf(answer.FilterIndex));
  const QString chosenFolder = FolderOf(answer.FileName);
  FExportState.LastPictureDir =
      dtv.FFileName.isEmpty() || chosenFolder != FolderOf(dtv.FFileName) ? chosenFolder : QString();
  const TPictureType type = PictureTypeOf(answer.FilterIndex);

  // The picture of the thermogram as it is now, as a write that any thread may run. A 16-bit PNG is
  // written from the thermogram itself, so it is written at once and the write returns the outcome.
  const auto pictureWrite = [this, &dtv](TPictureType kind,
                                         const QString &fileName) -> std::function<IoResult()> {
    switch (kind) {
    case TPictureType::JpegHigh:
    case TPictureType::JpegLow:
      return [picture = BuildSnapshot(), quality = JpegQuality(kind), fileName] {
        return WriteJpeg(picture, quality, fileName);
      };
    case TPictureType::Bmp:
      return [picture = BuildSnapshot(), fileName] { return WriteBmp(picture, fileName); };
    case TPictureType::Gif:
      return
          [picture = PalettedGifPicture(dtv, DrawGifBadge), fileName] { return WriteGif(picture, fileName); };
    case TPictureType::Png16:
      return [written = dtv.SavePNG(fileName)] { return written; };
    }
    return [] { return IoResult::Error(QStringLiteral("Unknown picture type")); };
  };

  const auto showUnsaved = [this](const IoResult &failed) {
    if (logger)
      logger->AppendLine(QStringLiteral("Picture not saved: ") + failed.message);
    FDialogs->ShowError(this, failed.message);
  };

  if (dtv.FHeader.FrameCount <= 1) {
    const IoResult written = pictureWrite(type, answer.FileName)();
    if (!written) {
      showUnsaved(written);
    } else if (UserLogOn()) {
      logger->AppendLine(QStringLiteral("Picture saved: ") + answer.FileName);
    }
    return;
  }

  // A film: the frames chosen, each loaded in turn and written under its own name.
  const std::optional<TFramesChoice> choice = FDialogs->ChooseFilmFrames(this);
  if (!choice)
    return;
  const TFrameSelection selection =
      SelectFilmFrames(*choice, dtv.FHeader.FrameCount, dtv.FFrameIndex, TReversedRange::TakeLast);
  if (!selection.Ok()) {
    FDialogs->ShowError(this, selection.Error);
    return;
  }
  const bool metro = FMetroMode && !FServices.acquisition->ScanRunning();
  TPickTrack picks = metro ? ReadPickFile() : TPickTrack();
  const QString film = dtv.FFileName;
  // The image box, the scale and the palette bar are drawn when the window is brought up to date
  // below, and once at the end, rather than for every frame loaded: each frame's snapshot draws its
  // own, and the screen shows only the frames of those moments.
  const auto showView = [this] {
    FExportState.FViewPaintDeferred = false;
    if (FExportState.FViewPaintPending) {
      FExportState.FViewPaintPending = false;
      ImagePBPaint(this);
      ScalePBPaint(this);
      PalPBPaint(this);
    }
  };
  FExportState.FViewPaintDeferred = true;
  const auto showLast = qScopeGuard(showView);
  // A frame's picture is encoded and written on a worker while the next frame is loaded and composed
  // here. One picture is in flight at a time, so the files are written in order, and a failed write
  // stops the run before any later picture is written; its message is shown by this thread. The worker
  // is kept for the whole run: starting a thread for each frame costs a good part of a frame.
  QThreadPool writer;
  writer.setMaxThreadCount(1);
  std::future<IoResult> inFlight;
  const auto finishInFlight = [&]() -> bool {
    if (!inFlight.valid())
      return true;
    const IoResult written = inFlight.get();
    if (!written)
      showUnsaved(written);
    return static_cast<bool>(written);
  };
  const auto stop = [&](const QString &message) {
    if (finishInFlight())
      FDialogs->ShowError(this, message);
  };
  QElapsedTimer sinceEvents;
  for (const int k : selection.Frames) {
    if (CurrentDTV.get() != &dtv) {
      finishInFlight();
      return; // the thermograms of the run were replaced meanwhile
    }
    // The loader shows the demo image for a missing file; a film that went away must not be exported
    // as demo frames.
    if (!QFileInfo(film).isFile())
      return stop(QStringLiteral("The film \"%1\" can no longer be read.").arg(film));
    if (IoResult read = dtv.LoadFromFile(film, k); !read)
      return stop(read.message);
    ChangeDTV(false);
    const QString fileName = FilmFramePictureName(answer.FileName, type, SecondsOfDay(dtv), k);
    // The PNG of this frame must not be written before the picture of the frame before it.
    if (type == TPictureType::Png16 && !finishInFlight())
      return;
    std::function<IoResult()> write;
    if (type == TPictureType::Bmp) {
      // The BMP entry of a film writes the report picture of metro mode.
      dtv.UpdateStatistics();
      TMetroFrame frame;
      const QTime time = QTime::fromMSecsSinceStartOfDay(SecondsOfDay(dtv) * 1000);
      frame.TimeText = LongTimeText(time);
      const std::optional<QDateTime> date = UnpackDosDateTime(dtv.FFileDate);
      frame.DateText = date ? ShortDateText(date->date()) : QString();
      frame.FrameIndex = dtv.FFrameIndex;
      frame.Pick = picks.PickFor(SecondsOfDay(dtv) * 1000);
      frame.MaxTemp = dtv.RawToTemperature(dtv.FRawMax);
      frame.MinTemp = dtv.RawToTemperature(dtv.FRawMin);
      frame.AvgTemp = dtv.RawToTemperature(dtv.FRawMean);
      write = [picture = MetroReportPicture(BuildSnapshot(), frame), fileName] {
        return WriteJpeg(picture, 100, fileName);
      };
    } else {
      write = pictureWrite(type, fileName);
    }
    if (!finishInFlight())
      return;
    auto task = std::make_shared<std::packaged_task<IoResult()>>(std::move(write));
    inFlight = task->get_future();
    writer.start([task] { (*task)(); });
    // The window stays alive while a long film is written: it is brought up to date as often as the
    // eye follows, not for every frame, whose repaint would cost as much as the export itself.
    if (!sinceEvents.isValid() || sinceEvents.elapsed() >= 30) {
      showView();
      QCoreApplication::processEvents();
      FExportState.FViewPaintDeferred = true;
      sinceEvents.start();
    }
  }
  if (!finishInFlight())
    return;
  showView();
  QCoreApplication::processEvents();
}

} // namespace calidarix
