// The file commands of the main window: the file list of the folder shown and stepping through it,
// the sidecar of the image shown, opening one file, joining several into a film, joining a second
// image as a mosaic, and the demo image of "New". The work is done by the file-list, sidecar and join
// code; these methods gather the window's state and show the result.

#include "mainwindow/file_list.h"
#include "mainwindow/film_join.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/open_form.h"
#include "mainwindow/ui/progress_form.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QToolButton>

#include <algorithm>

namespace calidarix {

namespace {

const char *kServiceFileName = "qelmorfanditz.dtv";
const char *kOpenFilter = "DTV - files|*.dtv|IMG - files|*.img|SIT - files|*.sit|TI4 - files|*.ti4|"
                          "BMP - fies|*.bmp|SER - files|*.ser|BMT - files|*.bmt|IS2 - files|*.is2|"
                          "JPG - files|*.jpg|PNG - files|*.png|DAT - files|*.dat";

OpenDialogRequest OpenRequest(const QString &folder, const QString &fileName) {
  OpenDialogRequest request;
  request.Title = QStringLiteral("Open DTV");
  request.Folder = folder;
  request.FileName = fileName;
  request.Filter = QString::fromLatin1(kOpenFilter);
  request.DefaultSuffix = QStringLiteral("dtv");
  request.Multiple = true;
  return request;
}

TRect ClientRect(const QWidget *box) {
  return TRect{0, 0, box->width(), box->height()};
}

} // namespace

void TCalidarix::UpDateFilesList(const QString &folder) {
  calidarix::UpDateFilesList(folder);
  if (OpenForm)
    OpenForm->FillFilesList(folder, FileListMask);
}

bool TCalidarix::StepFileInList(bool next) {
  if (!CurrentDTV)
    return false;
  TDTV &dtv = *CurrentDTV;
  // A file that could not be read left the nameless demo image in its place; the list goes on from it.
  if (!dtv.FFileName.isEmpty())
    FFailedStepFile.clear();
  const QString current = dtv.FFileName.isEmpty() ? FFailedStepFile : dtv.FFileName;
  const std::optional<int> target = StepTargetIndex(FileList, current, next);
  if (!target)
    return false;
  if (FIsReadDTI)
    SaveImageSidecar();
  const QString name = FileList[*target];
  dtv.FFileName = name;
  dtv.FFrameIndex = 1;
  FMarkers.FPoints.clear();
  FMarkers.FAreas.clear();
  const bool loaded = ChangeDTV(true);
  FFailedStepFile = loaded ? QString() : name;
  return true;
}

void TCalidarix::NextPanelClick() {
  if (FServices.acquisition->ScanRunning()) {
    // While scanning the button asks for the next slower speed, which the acquisition part handles.
    Note(ServiceStatus::NotAvailable, "Scan speed change");
    return;
  }
  StepFileInList(true);
}

void TCalidarix::PrevPanelClick() {
  if (FServices.acquisition->ScanRunning()) {
    Note(ServiceStatus::NotAvailable, "Scan speed change");
    return;
  }
  StepFileInList(false);
}

bool TCalidarix::SaveImageSidecar() {
  if (!CurrentDTV)
    return false;
  const TDTV &dtv = *CurrentDTV;
  ImageSidecar sidecar;
  sidecar.PalNumber = PalNumber;
  sidecar.IsoNumber = IsoNumber;
  sidecar.PalBottom = dtv.PalBottom;
  sidecar.PalTop = dtv.PalTop;
  sidecar.IsoBottom = dtv.IsoBottom;
  sidecar.IsoTop = dtv.IsoTop;
  sidecar.isPalInverted = isPalInverted;
  sidecar.isIsoInverted = isIsoInverted;
  sidecar.isIso = dtv.isIso;
  sidecar.isIsoColor = dtv.isIsoColor;
  sidecar.isIsoAuto = dtv.isIsoAuto;
  sidecar.Points = FMarkers.FPoints;
  sidecar.Areas = FMarkers.FAreas;
  FSidecarState.FSidecarSaved = FSidecarSaved;
  // A folder that cannot be written is reported once; the command that leaves the image goes on.
  const bool written =
      calidarix::SaveImageSidecar(dtv.FFileName, sidecar, FSidecarState,
                                  [this](const QString &text) { FDialogs->ShowError(this, text); });
  FSidecarSaved = FSidecarState.FSidecarSaved;
  return written;
}

bool TCalidarix::LoadImageSidecar() {
  if (!CurrentDTV)
    return false;
  TDTV &dtv = *CurrentDTV;
  ImageSidecar sidecar;
  FSidecarState.FSidecarSaved = FSidecarSaved;
  if (!calidarix::LoadImageSidecar(dtv.FFileName, dtv.Width(), dtv.Height(), sidecar, FSidecarState))
    return false;
  PalNumber = static_cast<std::uint8_t>(sidecar.PalNumber);
  IsoNumber = static_cast<std::uint8_t>(sidecar.IsoNumber);
  FPalette = FPalettes[PalNumber];
  FIsoPalette = FPalettes[IsoNumber];
  dtv.PalBottom = sidecar.PalBottom;
  dtv.PalTop = sidecar.PalTop;
  dtv.IsoBottom = sidecar.IsoBottom;
  dtv.IsoTop = sidecar.IsoTop;
  // The slots hold the palettes unreversed; the stored reversals are applied to the copies.
  isPalInverted = sidecar.isPalInverted;
  isIsoInverted = sidecar.isIsoInverted;
  if (isPalInverted)
    std::reverse(FPalette.begin(), FPalette.end());
  if (isIsoInverted)
    std::reverse(FIsoPalette.begin(), FIsoPalette.end());
  dtv.FPalette = FPalette;
  dtv.FIsoPalette = FIsoPalette;
  dtv.isIso = sidecar.isIso;
  dtv.isIsoColor = sidecar.isIsoColor;
  dtv.isIsoAuto = sidecar.isIsoAuto;
  if (sidecar.Range) {
    dtv.SetTemperatureRange(false, sidecar.Range->LockMin, sidecar.Range->LockMax);
    dtv.FRangeLocked = true;
  }
  LockSB->setChecked(sidecar.Range.has_value());
  FMarkers.FPoints = sidecar.Points;
  FMarkers.FAreas = sidecar.Areas;
  for (TAreaRecord &area : FMarkers.FAreas) {
    CountArray(area, true);
    area.RawMin = FMeasure.FAreaRawMin;
    area.RawMax = FMeasure.FAreaRawMax;
    area.RawAvg = FMeasure.FAreaRawAvg;
    area.Count = (area.Right - area.Left) * (area.Bottom - area.Top);
  }
  FSidecarSaved = FSidecarState.FSidecarSaved;
  return true;
}

void TCalidarix::OpenSBClick() {
  if (!CurrentDTV)
    return;
  const QStringList files = FDialogs->OpenFiles(this, OpenRequest(FOpenDirectory, QString()));
  if (files.isEmpty())
    return;
  FAppendFolder = QFileInfo(files.front()).absolutePath();
  FAppendFileName = QFileInfo(files.front()).fileName();
  // Only the exact lower-case name enters the service mode; nothing is opened then.
  if (QFileInfo(files.front()).fileName() == QLatin1String(kServiceFileName)) {
    FDialogs->ShowMessage(this, QStringLiteral("service mode"));
    StartServiceMode();
    return;
  }
  TDTV &dtv = *CurrentDTV;
  if (files.size() == 1) {
    const QFileInfo chosen(files.front());
    FOpenDirectory = chosen.absolutePath();
    const QString suffix = chosen.suffix();
    FileListMask = suffix.isEmpty() && !chosen.fileName().endsWith(QLatin1Char('.'))
                       ? QStringLiteral("*")
                       : QStringLiteral("*.") + suffix;
    QApplication::processEvents();
    if (FIsReadDTI)
      SaveImageSidecar();
    dtv.FFileName = chosen.absoluteFilePath();
    dtv.FRotateAngle = 0.0f;
    dtv.FFrameIndex = 1;
    FMarkers.FPoints.clear();
    FMarkers.FAreas.clear();
    FFailedStepFile.clear();
    ChangeDTV(true);
    UpDateFilesList(FOpenDirectory);
    return;
  }

  // Several files: one film of all their frames, shown from its first frame once it is written.
  const QString shown = dtv.FFileName;
  const int shownFrame = std::max(dtv.FFrameIndex, 1);
  JoinProgress progress;
  if (ProgressForm) {
    ProgressForm->SetProgressPrefix(QStringLiteral("Join"));
    ProgressForm->SetProgress(0);
    ProgressForm->Show();
    progress = [](int percent) {
      ProgressForm->SetProgress(percent);
      QApplication::processEvents();
      return !ProgressForm->Cancelled();
    };
  }
  const JoinResult joined = JoinFilesToFilm(files, JoinedFilmFileName(), dtv, progress);
  if (ProgressForm)
    ProgressForm->Hide();
  FFailedStepFile.clear();
  if (joined.Result) {
    dtv.FFileName = JoinedFilmFileName();
    ChangeDTV(true);
    return;
  }
  // The thermogram holds whatever frame the join stopped at: show again what was shown.
  if (!joined.Cancelled)
    FDialogs->ShowError(this, joined.Result.message);
  dtv.FFileName = shown;
  ChangeDTV(true);
  if (shownFrame > 1)
    ChangeFrame(shownFrame);
}

void TCalidarix::AppendDTVFile() {
  if (!CurrentDTV)
    return;
  OpenDialogRequest request = OpenRequest(FAppendFolder, FAppendFileName);
  request.Multiple = false;
  const QStringList files = FDialogs->OpenFiles(this, request);
  if (files.isEmpty())
    return;
  const QFileInfo chosen(files.front());
  FAppendFolder = chosen.absolutePath();
  FAppendFileName = chosen.fileName();
  const IoResult joined =
      calidarix::AppendDTVFile(*CurrentDTV, chosen.absoluteFilePath(), ClientRect(ImagePB));
  if (!joined) {
    FDialogs->ShowError(this, joined.message);
    return;
  }
  UpDateFilesList(chosen.absolutePath());
  FitImageLayout(ClientRect(ImagePB), true);
  ChangeDTV(false);
}

void TCalidarix::New1Click() {
  if (!CurrentDTV)
    return;
  CurrentDTV->MakeDemoImage();
  FFailedStepFile.clear();
  ChangeDTV(true);
}

} // namespace calidarix
