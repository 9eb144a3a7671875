// The save commands of the main window: the automatic save into the dated database folders, the save
// with a comment, and the buttons and menu items that lead to them. The files are named and written
// by the automatic-save code; a failure is shown to the user and never followed by the confirmation.

#include "acquisition/camera_state.h"
#include "acquisition/video_capture.h"
#include "mainwindow/file_list.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "platform/datetime.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace calidarix {

void TCalidarix::SaveDTVAuto() {
  if (RefusedWhileBusy(QStringLiteral("Save")))
    return;
  AutoSaveContext context;
  const QChar drive = FDriveLetter.isEmpty() ? QLatin1Char('C') : FDriveLetter.front();
  context.DriveLetter = drive.toLatin1() != 0 ? drive.toLatin1() : 'C';
  const Acquisition &camera = *FServices.acquisition;
  context.ScanRunning = camera.ScanRunning();
  context.FilmRecording = camera.FilmRecording();
  context.CameraInterfaceType = camera.CameraInterfaceType();
  context.CameraNo = camera.CameraNo();
  context.CameraTemperature = camera.CameraTemperature();
  context.VideoOn = ScanRequests.VideoOn.Get();
  context.PolyFormLeft = PolyFormLeft;
  context.PolyFormRight = PolyFormRight;
  context.HeadConnected = HeadConnected;
  context.StripScanning = ScanRequests.StripScanning.Get();
  context.PanByFramesActive = ScanRequests.PanByFramesActive.Get() && FPanoSequence.Sequence.Active();
  context.PanoCol = FPanoSequence.Sequence.Col();
  context.PanoRow = FPanoSequence.Sequence.Row();
  context.PanoLastCol = FPanoSequence.Sequence.Grid().LastCol;
  context.PanoLastRow = FPanoSequence.Sequence.Grid().LastRow;
  context.StripHorCounterRaw = static_cast<std::uint32_t>(FAcquisition.StripHorCounterRaw);
  context.StripVerCounterRaw = static_cast<std::uint32_t>(FAcquisition.StripVerCounterRaw);
  const AutoSaveThermograms thermograms{CurrentDTV.get(), BandDTV35.get(), BandDTV812.get()};
  const AutoSaveResult saved = calidarix::SaveDTVAuto(thermograms, context, FAutoSaveState, Now());
  if (saved.Skipped)
    return;
  if (!saved.Result) {
    if (logger)
      logger->AppendLine(QStringLiteral("DTV not saved: ") + saved.Result.message);
    FDialogs->ShowError(this, saved.Result.message);
    return;
  }
  if (!FAutoSaveState.LastPanoPath.isEmpty())
    FRegistrySettings.LastPanoPath = FAutoSaveState.LastPanoPath;
  if (!saved.HeadIniFile.isEmpty())
    WriteHeadIni(saved.HeadIniFile);
  // The video frame beside the thermogram; a frame that could not be written costs the save nothing.
  if (!saved.VideoFrameFile.isEmpty())
    if (const IoResult frame = SaveVideoFrameJPEG(saved.VideoFrameFile); !frame && logger)
      logger->AppendLine(QStringLiteral("Video frame not saved: ") + frame.message);
  if (saved.ShowDayFolder && QDir::cleanPath(FOpenDirectory) != QDir::cleanPath(saved.DayFolder)) {
    FOpenDirectory = QDir::cleanPath(saved.DayFolder);
    UpDateFilesList(saved.DayFolder);
  }
  if (!FImagePainting) {
    FSavedNotice = QFileInfo(saved.FileName).fileName();
    ImagePB->update();
  }
  if (UserLogOn())
    logger->AppendLine(QStringLiteral("DTV saved:") + saved.FileName);
  QApplication::beep();
}

void TCalidarix::SaveWithComment() {
  if (RefusedWhileBusy(QStringLiteral("Save")))
    return;
  SaveWithCommentSteps steps;
  // Suspending the acquisition thread comes with the acquisition part; without it no scan runs.
  steps.SuspendScan = [] {};
  steps.ResumeScan = [] {};
  steps.AskComment = [this] { return InfoFormExecute(); };
  steps.SaveAs = [this] { return SaveDTVAs(); };
  const SaveWithCommentResult result = calidarix::SaveWithComment(
      FServices.acquisition->ScanRunning(), FServices.acquisition->FilmRecording(), steps);
  if (result.Outcome == SaveWithCommentOutcome::Failed && !result.Result.message.isEmpty())
    FDialogs->ShowError(this, result.Result.message);
}

void TCalidarix::SaveSBClick() {
  if (isSaveByF2)
    SaveWithComment();
  else
    SaveDTVAuto();
}

void TCalidarix::SavePanelClick() {
  SaveSBClick();
}

void TCalidarix::SaveCommentPanelClick() {
  SaveWithComment();
}

} // namespace calidarix
