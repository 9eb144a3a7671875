// Save As: the thermogram shown written under a name the user chooses. A film keeps the frames chosen
// in the film save dialog (or the frame shown, as a single thermogram); a single thermogram carries the
// recorded voice comment along. Reached through the save with a comment, so the comment typed there is
// part of what is saved.

#include "acquisition/camera_state.h"
#include "acquisition/video_capture.h"
#include "mainwindow/file_list.h"
#include "mainwindow/partial_film.h"
#include "mainwindow/save_as.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "platform/datetime.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace calidarix {

namespace {

// Cancelling is no failure to report.
IoResult Cancelled() {
  return IoResult::Error(QString());
}

// The frame shown, as a single thermogram, dated as the frame was.
IoResult SaveShownFrame(TDTV &dtv, const QString &chosen) {
  const QString source = dtv.FFileName;
  const QDateTime sourceTime = QFileInfo(source).lastModified();
  const int frameCount = dtv.FHeader.FrameCount;
  const int frame = dtv.FFrameIndex;
  const double interval = dtv.FHeader.FrameInterval;
  const QString target = SaveTargetFile(chosen);
  IoResult written = dtv.SaveDTV(target);
  if (written)
    SetFileModificationTime(target, KeptFramesFileTime(sourceTime, frameCount, frame, interval));
  return written;
}

} // namespace

IoResult TCalidarix::SaveDTVAs() {
  if (!CurrentDTV)
    return IoResult::Error(QStringLiteral("There is no thermogram to save"));
  TDTV &dtv = *CurrentDTV;
  const bool scanning = FServices.acquisition->ScanRunning();

  SaveDialogRequest request;
  request.Title = QStringLiteral("Save As");
  request.Filter = QStringLiteral("DTV - files|*.dtv");
  request.DefaultSuffix = QStringLiteral("dtv");
  if (dtv.FFileName.isEmpty()) {
    SaveNameCamera camera;
    camera.InterfaceType = FServices.acquisition->CameraInterfaceType();
    camera.ScanRunning = scanning;
    request.Folder = FSaveDirectory;
    request.FileName = NextFreeSaveName(FSaveDirectory, FSaveNameBase, camera);
  } else {
    request.Folder = QFileInfo(dtv.FFileName).absolutePath();
    request.FileName = QFileInfo(dtv.FFileName).fileName();
  }
  const bool film = dtv.FHeader.FrameCount > 1 && !scanning;
  const QString chosen = FDialogs->SaveFile(this, request).FileName;

  IoResult result = Cancelled();
  bool keepRecording = false; // a recording that could not be moved is kept for another try
  if (film) {
    const std::optional<TFramesChoice> choice =
        chosen.isEmpty() ? std::nullopt : FDialogs->ChooseFilmFrames(this);
    if (choice) {
      const TFrameSelection selection =
          SelectFilmFrames(*choice, dtv.FHeader.FrameCount, dtv.FFrameIndex, TReversedRange::TakeFirst);
      if (!selection.Ok()) {
        result = IoResult::Error(selection.Error);
      } else if (choice->Option == TFramesOption::Current) {
        result = SaveShownFrame(dtv, chosen);
      } else {
        const TPartialFilmResult saved =
            WritePartialFilm(TPartialFilmRequest{dtv.FFileName, chosen, selection.Frames, dtv.CommentText()});
        result = saved.Result;
        if (saved.Result)
          dtv.FFileName = saved.FileName;
      }
    }
    // The view shows frame 1 of the file now named: the new film, or the old one after a cancel or a
    // failure.
    ChangeDTV(true);
  } else if (!chosen.isEmpty()) {
    FSaveNameBase = SaveNameBaseOf(chosen);
    const int cameraType = FServices.acquisition->CameraInterfaceType();
    if (scanning) {
      // The live picture carries the camera's identity; a thermogram from a file keeps its own.
      const int cameraNo = FServices.acquisition->CameraNo();
      dtv.FHeader.ModelHigh = static_cast<std::uint8_t>((cameraNo / 100) & 0xFF);
      dtv.FHeader.ModelLow = static_cast<std::uint8_t>((cameraNo % 100) & 0xFF);
    }
    const QString target = SaveTargetFile(chosen);
    if (scanning && (cameraType == 64 || cameraType == 257) && BandDTV35 && BandDTV812) {
      result = WriteTwoBandFilm(*BandDTV35, *BandDTV812, target);
      if (result)
        dtv.FFileName = target;
    } else {
      result = dtv.SaveDTV(target);
    }
    if (result) {
      FSaveDirectory = QDir::cleanPath(QFileInfo(target).absolutePath());
      // The video frame of the moment beside it (".jpg" for camera 1002, else ".bmp"; JPEG data).
      if (ScanRequests.VideoOn.Get()) {
        const QString suffix =
            FServices.acquisition->CameraNo() == 1002 ? QStringLiteral(".jpg") : QStringLiteral(".bmp");
        const QFileInfo info(target);
        const QString frameFile = info.path() + QLatin1Char('/') + info.completeBaseName() + suffix;
        if (const IoResult frame = SaveVideoFrameJPEG(frameFile); !frame && logger)
          logger->AppendLine(QStringLiteral("Video frame not saved: ") + frame.message);
      }
      result = MoveVoiceComment(RecordedVoiceComment(), target);
      keepRecording = !result;
    }
  }

  if (scanning)
    FOpenDirectory = FSaveDirectory;
  if (!dtv.FFileName.isEmpty())
    UpDateFilesList(QFileInfo(dtv.FFileName).absolutePath());
  // A recording that was not carried along belongs to no thermogram.
  if (const QString recording = RecordedVoiceComment();
      !keepRecording && !recording.isEmpty() && QFileInfo::exists(recording))
    QFile::remove(recording);
  if (result && UserLogOn())
    logger->AppendLine(QStringLiteral("DTV saved:") + dtv.FFileName);
  if (!result && !result.message.isEmpty() && logger)
    logger->AppendLine(QStringLiteral("DTV not saved: ") + result.message);
  QApplication::beep();
  return result;
}

} // namespace calidarix
