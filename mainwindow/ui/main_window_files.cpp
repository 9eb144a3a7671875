// The file commands of the main window: the file list of the folder shown and stepping through it,
// the sidecar of the image shown, opening one file, joining several into a film, joining a second
// image as a mosaic, and the demo image of "New". The work is done by the file-list, sidecar and join
// code; these methods gather the window's state and show the result.

#include "mainwindow/file_list.h"
#include "mainwindow/film_join.h"
#include "mainwindow/ui/busy_job.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/open_form.h"
#include "mainwindow/ui/progress_form.h"
#include "platform/path_text.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QFrame>
#include <QLayout>
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

bool TCalidarix::OpenInView(const QString &fileName) {
  if (!CurrentDTV)
    return false;
  TDTV &dtv = *CurrentDTV;
  // A name may keep bytes that are not UTF-8 (a dialog's, a list's): it is opened by one Qt can spell.
  const std::optional<QString> openable = OpenablePathText(fileName);
  if (!openable) {
    ShowViewNotice(QStringLiteral("\"%1\" cannot be opened: it does not exist or cannot be reached")
                       .arg(DisplayPathText(fileName)));
    return false;
  }
  const QString previous = dtv.FFileName;
  dtv.FFileName = *openable;
  dtv.FFrameIndex = 1;
  if (ChangeDTV(true))
    return true;
  // The thermogram shown stays, and so does the name it came from.
  dtv.FFileName = previous;
  return false;
}

bool TCalidarix::StepFileInList(bool next) {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Next or previous file")))
    return false;
  TDTV &dtv = *CurrentDTV;
  // A file the last step could not show left the image before it (or, when it was missing, the
  // nameless demo image) in its place; the list goes on from the failed file.
  const bool fromFailed = !FFailedStepFile.isEmpty() && dtv.FFileName == FFailedStepShown;
  const QString current = fromFailed ? FFailedStepFile : dtv.FFileName;
  const std::optional<int> target = StepTargetIndex(FileList, current, next);
  if (!target)
    return false;
  if (FIsReadDTI)
    SaveImageSidecar();
  const QString name = FileList[*target];
  const TMarkerLists markers = FMarkers;
  FMarkers.FPoints.clear();
  FMarkers.FAreas.clear();
  if (!OpenInView(name))
    FMarkers = markers; // the image stays, and so do its markers
  FFailedStepFile = dtv.FFileName == name ? QString() : name;
  FFailedStepShown = dtv.FFileName;
  return true;
}

void TCalidarix::NextPanelClick() {
  if (FServices.acquisition->ScanRunning()) {
    // While scanning the button asks for the next slower speed.
    Note(FServices.acquisition->RequestSpeedStep(-1), "Scan speed change");
    return;
  }
  StepFileInList(true);
}

void TCalidarix::PrevPanelClick() {
  if (FServices.acquisition->ScanRunning()) {
    Note(FServices.acquisition->RequestSpeedStep(+1), "Scan speed change");
    return;
  }
  StepFileInList(false);
}

void TCalidarix::ToolPBDblClick() {
  // Full screen without the menu has no way back to the other panel.
  if (FullScreenOn && !FIsMenuVisible)
    return;
  FIsBigButtons = !FIsBigButtons;
  if (auto *box = findChild<QCheckBox *>(QStringLiteral("BigButtonsCB")))
    box->setChecked(FIsBigButtons);
  if (FIsBigButtons) {
    ToolPanel->hide();
    BigButtonsPanel->show();
  } else if (!FServices.acquisition->ScanRunning()) {
    // While scanning the panels stay as they are.
    ToolPanel->show();
    BigButtonsPanel->hide();
  }
  // The image box has its new size once the layout has run.
  if (QLayout *layout = centralWidget()->layout())
    layout->activate();
  FitImageLayout(ClientRect(ImagePB), true);
  ImagePB->update();
}

void TCalidarix::RangeChangeActionExecute(QObject *control) {
  HideToolPanels();
  bool ok = false;
  const int range = control ? control->property("Tag").toInt(&ok) : -1;
  if (ok && FServices.acquisition->ScanRunning())
    Note(FServices.acquisition->RequestRange(range), "Calibration range");
}

void TCalidarix::FilmPanelClick() {
  HideToolPanels();
  Acquisition &camera = *FServices.acquisition;
  if (camera.ScanRunning() && !camera.FilmRecording())
    Note(camera.RequestFilmStart(), "Film recording");
  else
    Note(camera.StopScan(), "Stop scan");
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
  // Without a range of its own the image keeps the lock the load gave it (a film's, or one the user
  // set), and the button shows that lock rather than a release that did not happen.
  LockSB->setChecked(dtv.FRangeLocked);
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
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Open")))
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
    const float rotation = dtv.FRotateAngle;
    const TMarkerLists markers = FMarkers;
    dtv.FRotateAngle = 0.0f;
    FMarkers.FPoints.clear();
    FMarkers.FAreas.clear();
    FFailedStepFile.clear();
    if (!OpenInView(chosen.absoluteFilePath())) {
      // The image shown stays as it was; the reason is over it.
      dtv.FRotateAngle = rotation;
      FMarkers = markers;
    }
    UpDateFilesList(FOpenDirectory);
    return;
  }

  // Several files: one film of all their frames, shown from its first frame once it is written.
  const QString shown = dtv.FFileName;
  const int shownFrame = std::max(dtv.FFrameIndex, 1);
  const JoinResult joined = [&] {
    // The join loads its frames into the current thermogram and lets the event loop run meanwhile:
    // nothing may show, save or change that thermogram until it is done.
    const TBusyJob busy(*this, QStringLiteral("the join of the chosen files"));
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
    JoinResult result = JoinFilesToFilm(files, JoinedFilmFileName(), dtv, progress);
    if (ProgressForm)
      ProgressForm->Hide();
    return result;
  }();
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
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Join a second image")))
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
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("New")))
    return;
  CurrentDTV->MakeDemoImage();
  FFailedStepFile.clear();
  ChangeDTV(true);
}

} // namespace calidarix
