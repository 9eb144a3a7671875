// The view update hub: every change of the current thermogram ends in ChangeDTV, which brings the
// views up to date in a fixed order; the thermograms and palette slots of the run; image and box
// coordinates; the marker lists.

#include "analysis/coordinate_mapping.h"
#include "analysis/measure_texts.h"
#include "analysis/ui/gl_view.h"
#include "head/ui/qor_ctrl.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/view_texts.h"
#include "platform/datetime.h"
#include "platform/numbers.h"
#include "platform/path_text.h"
#include "thermogram/builtin_palettes.h"
#include "thermogram/image_layout.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QToolButton>

#include <algorithm>

namespace calidarix {

bool ChangeDTVBusy = false;
bool TrueColorRender = true;
bool PalDragActive = false;
bool ManualPaletteWindow = false;
double PalCursorTemp = -1.0;
std::uint8_t PalNumber = 0;
std::uint8_t IsoNumber = 3;
bool isPalInverted = false;
bool isIsoInverted = true;
bool isPalRotated = false;
bool isIsoRotated = false;
bool DateTimeMode = false;
bool BadgeOverlay = false;
bool CenterCross = false;
bool GridOverlay = false;
bool RowEditMode = false;
int RowEditIndex = 0;

void ResetViewGlobals() {
  ChangeDTVBusy = false;
  TrueColorRender = true;
  PalDragActive = false;
  ManualPaletteWindow = false;
  PalCursorTemp = -1.0;
  PalNumber = 0;
  IsoNumber = 3;
  isPalInverted = false;
  isIsoInverted = true;
  isPalRotated = false;
  isIsoRotated = false;
  DateTimeMode = false;
  BadgeOverlay = false;
  CenterCross = false;
  GridOverlay = false;
  RowEditMode = false;
  RowEditIndex = 0;
}

namespace {

QString Text(const std::string &text) {
  return QString::fromStdString(text);
}

// Frames of the film written on one day were stamped 80 seconds late by the recorder of that day.
const QDate kLateStampDay(2013, 7, 22);

TImageView ViewOfCurrent() {
  return CurrentDTV ? ImageViewOf(*CurrentDTV) : TImageView{};
}

} // namespace

// ---- Thermograms and palettes of the run ----

void TCalidarix::CreateThermograms(bool dualBand) {
  CurrentDTV = std::make_unique<TDTV>();
  PreviewDTV = std::make_unique<TDTV>();
  if (dualBand) {
    BandDTV35 = std::make_unique<TDTV>();
    BandDTV812 = std::make_unique<TDTV>();
  }
  FThumbDTV = std::make_unique<TDTV>();
}

void TCalidarix::SetUpPalettes(bool metroMode) {
  // Slots 1, 5 and 7 have other palettes in metro mode; slot 8 is the palette editor's, grey at start.
  // The isotherm palette starts reversed: hot is dark.
  StorePaletteSlots(StartupPaletteSlots(metroMode));
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  dtv.isIso = false;
  dtv.PalBottom = 0;
  dtv.PalTop = 255;
  dtv.IsoBottom = 0;
  dtv.IsoTop = 96;
  dtv.FPalette = FPalette;
  dtv.FIsoPalette = FIsoPalette;
}

// ---- The hub ----

void TCalidarix::ApplyLoadedRangeLock() {
  TDTV &dtv = *CurrentDTV;
  if (dtv.FHeader.Version == 5) {
    // A film is shown over its own range, frame after frame.
    dtv.LockMin = dtv.FFilmMin;
    dtv.LockMax = dtv.FFilmMax;
    dtv.SetTemperatureRange(false, dtv.LockMin, dtv.LockMax);
    dtv.FRangeLocked = true;
    dtv.FFilmRangeLock = true;
  } else if (dtv.FRangeLocked) {
    if (dtv.FFilmRangeLock) {
      // The lock came with the previous film, not from the user.
      dtv.FRangeLocked = false;
      dtv.FFilmRangeLock = false;
    } else {
      dtv.SetTemperatureRange(false, dtv.LockMin, dtv.LockMax);
    }
  }
  LockSB->setChecked(dtv.FRangeLocked);
}

void TCalidarix::UpdateFrameTimeLabels() {
  const TDTV &dtv = *CurrentDTV;
  FrameRealDateLabel->show();
  FrameRealTimeLabel->show();
  const std::optional<QDateTime> fileDate = UnpackDosDateTime(dtv.FFileDate);
  if (!fileDate) {
    FrameRealDateLabel->clear();
    return;
  }
  FrameRealDateLabel->setText(ShortDateText(fileDate->date()));
  const double interval = dtv.FHeader.FrameInterval;
  if (!(interval > -1000000.0 && interval < 1000000.0))
    return; // also not a number
  // The file's time is that of the last frame; earlier frames lie one interval apart before it.
  const double secondsBefore = (static_cast<double>(dtv.FHeader.FrameCount) - dtv.FFrameIndex) * interval;
  QDateTime t = fileDate->addMSecs(-RoundToInt64(secondsBefore * 1000.0));
  if (fileDate->date() == kLateStampDay)
    t = t.addSecs(-80);
  FrameRealTimeLabel->setText(LongTimeText(t.time()));
}

void TCalidarix::ShowViewNotice(const QString &text, const QString &fileName) {
  if (logger)
    logger->AppendLine(text);
  // Over the image the file's own folder goes without saying; the log keeps the whole path.
  QString shown = text;
  if (!fileName.isEmpty()) {
    const QString folder = DisplayPathText(QFileInfo(fileName).path()) + QLatin1Char('/');
    shown.replace(folder, QString());
    shown.replace(QFileInfo(fileName).path() + QLatin1Char('/'), QString());
  }
  FStatusNotice = shown;
  ImagePB->update();
}

bool TCalidarix::ChangeDTV(bool reload) {
  // While a job works on the thermogram (a join loads its frames into it) nothing of it is shown.
  if (ChangeDTVBusy || !CurrentDTV || !FBusyJob.isEmpty())
    return true;
  ChangeDTVBusy = true;
  // Released on every way out, so that a failed step cannot block every later view update.
  const auto release = qScopeGuard([] { ChangeDTVBusy = false; });
  TDTV &dtv = *CurrentDTV;
  // A file asked for that does not exist: the demo image stands in for it, under its name.
  QString missingFile;

  if (FPolygonDrawing) {
    FPolygonDrawing = false;
    FMarkers.FFreePolygon.clear();
  }

  if (reload) {
    // A read error leaves the frame shown; its markers and frame state go back with it.
    const TMarkerLists markers = FMarkers;
    const bool smoothed = dtv.FSmoothed;
    const bool processed = dtv.FProcessedFlag;
    const int frameIndex = dtv.FFrameIndex;
    const QString requested = dtv.FFileName;
    FMarkers.FPoints.clear();
    FMarkers.FAreas.clear();
    FMarkers.FProfileLines.clear();
    FMarkers.FProfileLine = TLineRecord{};
    FMarkers.FCurrentArea.SetRect(TRect{});
    dtv.FSmoothed = false;
    dtv.FProcessedFlag = false;
    dtv.FFrameIndex = 1;
    const int fieldMode = dtv.FHeader.FieldMode;
    // A file opened (again) looks for its companions afresh; its frames then reuse what was found.
    dtv.FCompanions.Forget();
    const IoResult read = dtv.LoadFromFile(dtv.FFileName, 1);
    if (!read) {
      // The reader installs nothing it could not read, so the old image is still whole: it stays,
      // and the update stops here with the reason over it.
      FMarkers = markers;
      dtv.FSmoothed = smoothed;
      dtv.FProcessedFlag = processed;
      dtv.FFrameIndex = frameIndex;
      ShowViewNotice(read.message, requested);
      return false;
    }
    if (!requested.isEmpty() && dtv.FFileName.isEmpty())
      missingFile = requested;
    ApplyLoadedRangeLock();

    // A re-stitch from the head control form keeps the zoom and position the user looked at, once the
    // form has stitched.
    if (!(FHeadState.RestitchPending && QorCtrl && !QorCtrl->FFromSettings)) {
      dtv.FZoom = 1.0;
      dtv.FViewOffsetX = 0.0;
      dtv.FViewOffsetY = 0.0;
      FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, true);
    } else {
      FLayoutFrameSize = QSize(dtv.Width(), dtv.Height()); // the kept view is the one for this frame
    }

    // How the user last looked at this image, when sidecars are in use.
    if (FIsReadDTI && dtv.FFrameIndex == 1 && LoadImageSidecar()) {
      ScalePBPaint(this);
      PalPBPaint(this);
    }
    if (dtv.FHeader.FieldMode != fieldMode && dtv.FHeader.FieldMode == 2)
      dtv.SetAspect(0.5925925925925926); // a field holds every other row: half the frame's 32/27
    if (HeatMode && ReferenceDTV)
      dtv.MakeHeatMap(*ReferenceDTV, TRect{0, 0, dtv.Width(), dtv.Height()});
  }

  if (FSubtraction && ReferenceDTV)
    dtv.MakeAbsDifference(*ReferenceDTV);
  if (AreaSumMode)
    BuildDifferenceImage();

  if (FMetroMode && !FServices.acquisition->ScanRunning() && dtv.FHeader.Version == 5) {
    // Every film frame is shown from 10 degrees below to 30 above its own mean.
    FMarkers.FFrameArea.SetRect(TRect{0, 0, dtv.Width() - 1, dtv.Height() - 1});
    CountArray(FMarkers.FFrameArea, false);
    dtv.LockMin = dtv.RawToTemperature(FMeasure.FAreaRawAvg) - 10.0;
    dtv.LockMax = dtv.LockMin + 40.0;
    dtv.SetTemperatureRange(false, dtv.LockMin, dtv.LockMax);
  }

  for (TAreaRecord &area : FMarkers.FAreas)
    area.RawMin = area.RawMax = area.RawAvg = 0;
  FrameLabel->setText(QString::number(dtv.FFrameIndex));

  FitLayoutToNewFrameSize();

  ImagePBPaint(this);
  ScalePBPaint(this);
  // The temperatures under the bar belong to this thermogram's range, which a new file or a released
  // film lock changes without touching the palette.
  PalPBPaint(this);

  // The selected area's statistics, or the whole frame's.
  RefreshAreaStatistics();

  // Cursor readout at the last mouse position, clamped into the frame.
  const std::uint16_t x = GetRealX(FMousePos.X);
  const std::uint16_t y = GetRealY(FMousePos.Y);
  XLabel->setText(QString::number(x));
  YLabel->setText(QString::number(y));
  double t = T_XY(x, y);
  if (FIsInteger)
    t = RoundHalfEven(t);
  TemperatureLabel->setText(Text(GeneralTextInWidth(t, 5)));
  TemperatureLabelWhite->setText(TemperatureLabel->text());

  RefreshGraphWindows(reload);

  FramesLabel->setText(QString::number(dtv.FHeader.FrameCount));
  FrameLabel->setText(QString::number(dtv.FFrameIndex));
  const double interval = dtv.FHeader.FrameInterval;
  TimeLabel->setText(Text(Cut5(FloatToText(dtv.FHeader.FrameCount * interval))));
  FrameTimeLabel->setText(Text(Cut5(FloatToText(dtv.FFrameIndex * interval))));
  UpdateFrameTimeLabels();

  if (!FServices.acquisition->ScanRunning())
    dtv.FFrameRec.CameraTemp = dtv.FHeader.CameraTemp;
  // Without a camera there is no camera temperature of its own and no blind correction.
  ThermoLabel->setText(CameraTemperatureText(0.0, dtv.FFrameRec.CameraTemp, false));

  if (!dtv.FFileName.isEmpty() || !missingFile.isEmpty()) {
    const QString name = DisplayPathText(dtv.FFileName.isEmpty() ? missingFile : dtv.FFileName);
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    FileInfoLabel->setText(dtv.CommentText());
    setWindowTitle(FBaseCaption + QStringLiteral(" [") + name.left(slash + 1) + QStringLiteral("]"));
    QString bare = name.mid(slash + 1);
    bare.chop(4); // the extension and its dot
    FileNameLabel->setText(bare);
  }

  if (auto *projection = findChild<QMenu *>(QStringLiteral("Projection1")))
    projection->menuAction()->setEnabled(dtv.FScanReconstructed);
  if (GLview && GLview->isVisible())
    GLview->DTVchanged();

  SoundBtn->setVisible(dtv.FHasVoiceNote);
  if (dtv.FHasVoiceNote) {
    const QRect image = ImagePB->geometry();
    SoundBtn->setGeometry(image.left() + 4, image.top() + image.height() - SoundBtn->height() - 4, 34,
                          SoundBtn->height());
  }
  if (ResSwitch && ResSwitch->isChecked())
    ShowResolutionRatio();
  if (!missingFile.isEmpty())
    ShowViewNotice(
        QStringLiteral("\"%1\" does not exist: the demo image is shown").arg(DisplayPathText(missingFile)),
        missingFile);
  // Said once, when the film is opened: its frames are then stepped through without a word.
  if (reload && dtv.FCountedFrames > dtv.FHeader.FrameCount)
    ShowViewNotice(QStringLiteral("\"%1\" holds %2 of %3 frames")
                       .arg(DisplayPathText(dtv.FFileName))
                       .arg(dtv.FHeader.FrameCount)
                       .arg(dtv.FCountedFrames),
                   dtv.FFileName);
  return true;
}

bool TCalidarix::ChangeFrame(int frameNo) {
  if (!CurrentDTV || RefusedWhileBusy(QStringLiteral("Frame")))
    return false;
  if (FMetroMode) {
    FMarkers.FAreas.clear();
    FMarkers.FPoints.clear();
    FMarkers.FCurrentArea.SetRect(TRect{});
  }
  TDTV &dtv = *CurrentDTV;
  const int shownFrame = dtv.FFrameIndex;
  dtv.FFrameIndex = frameNo;
  const IoResult read = dtv.LoadFromFile(dtv.FFileName, frameNo);
  if (!read) {
    // The frame shown stays, and with it the frame number the labels and the stepping go by.
    dtv.FFrameIndex = shownFrame;
    ShowViewNotice(read.message, dtv.FFileName);
    return false;
  }
  FilmReviewFollowFrame(frameNo);
  return ChangeDTV(false);
}

// ---- Coordinates ----

std::int32_t TCalidarix::GetRealXPure(std::int32_t sx) const {
  return calidarix::GetRealXPure(ViewOfCurrent(), sx);
}

std::int32_t TCalidarix::GetRealYPure(std::int32_t sy) const {
  return calidarix::GetRealYPure(ViewOfCurrent(), sy);
}

std::uint16_t TCalidarix::GetRealX(std::int32_t sx) const {
  return calidarix::GetRealX(ViewOfCurrent(), sx);
}

std::uint16_t TCalidarix::GetRealY(std::int32_t sy) const {
  return calidarix::GetRealY(ViewOfCurrent(), sy);
}

std::int32_t TCalidarix::GetScreenX(std::int32_t x) const {
  return calidarix::GetScreenX(ViewOfCurrent(), x);
}

std::int32_t TCalidarix::GetScreenY(std::int32_t y) const {
  return calidarix::GetScreenY(ViewOfCurrent(), y);
}

TPoint TCalidarix::GetRealPoint(TPoint p) const {
  return calidarix::GetRealPoint(ViewOfCurrent(), p);
}

TPoint TCalidarix::GetScreenPoint(TPoint p) const {
  return calidarix::GetScreenPoint(ViewOfCurrent(), p);
}

TRect TCalidarix::GetRealRect(const TRect &r) const {
  return calidarix::GetRealRect(ViewOfCurrent(), r);
}

TRect TCalidarix::GetScreenRect(const TRect &r) const {
  return calidarix::GetScreenRect(ViewOfCurrent(), r);
}

double TCalidarix::T_XY(std::int32_t x, std::int32_t y) const {
  return CurrentDTV ? CurrentDTV->TemperatureAt(x, y) : 0.0;
}

// ---- Markers ----

bool TCalidarix::AddPoint(std::int32_t x, std::int32_t y, bool screen) {
  if (!CurrentDTV)
    return false;
  if (screen) {
    x = GetRealX(x);
    y = GetRealY(y);
  }
  if (!calidarix::AddPoint(FMarkers.FPoints, x, y, CurrentDTV->Width(), CurrentDTV->Height()))
    return false;
  ImagePB->update();
  return true;
}

void TCalidarix::ClearAllMarkers() {
  ClearMarkerLists(FMarkers);
  ClearThermoProfiles();
  if (CurrentDTV)
    CurrentDTV->UpdateStatistics();
  UpdateImageStatsLabels();
  ImagePBPaint(this);
}

void TCalidarix::SaveSelectionRect() {
  calidarix::SaveSelectionRect(FMarkers);
  ChangeDTV(false);
}

void TCalidarix::RestoreSelectionRect() {
  calidarix::RestoreSelectionRect(FMarkers);
  ChangeDTV(false);
}

} // namespace calidarix
