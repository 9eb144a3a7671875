// The keyboard commands of the main window that take more than a line or two: Esc, the palette window
// keys, the value entries, the save keys, the arrows (split shifts, panning, the head jog, range steps
// of a live scan, row alignment, film frames, photo and video), the aspect keys, the scan-set swap, the
// fixed scan line and the context-menu key.

#include "acquisition/camera_state.h"
#include "head/head_frame.h"
#include "head/head_globals.h"
#include "head/head_link.h"
#include "mainwindow/key_steps.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "platform/numbers.h"
#include "platform/path_text.h"
#include "platform/paths.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>

#include <filesystem>

namespace calidarix {

namespace {

constexpr int kScanUp = 72;
constexpr int kScanLeft = 75;
constexpr int kScanRight = 77;
constexpr int kScanDown = 80;

bool IsDualBand(int cameraInterfaceType) {
  return cameraInterfaceType == CamIfLanDual || cameraInterfaceType == CamIfLan2Dual;
}

void StopTimerNamed(const QObject &window, const char *name) {
  if (auto *timer = window.findChild<QTimer *>(QString::fromLatin1(name)))
    timer->stop();
}

// The photo taken with the thermogram: a JPEG of the same name beside it, whatever the case of its name.
std::optional<QString> CompanionPhotoFile(const QString &thermogram) {
  if (thermogram.isEmpty())
    return std::nullopt;
  const std::filesystem::path file(NativeFromPathText(thermogram).toStdString());
  for (const char *extension : {".jpg", ".jpeg"}) {
    const std::optional<std::filesystem::path> photo = FindCompanionFile(file, extension);
    // A radiometric JPEG is its own thermogram, not its photo.
    if (photo && !SameFile(*photo, file))
      return PathTextFromNative(QByteArray::fromStdString(photo->string()));
  }
  return std::nullopt;
}

} // namespace

void TCalidarix::EscapeKey() {
  PalTimer->stop();
  FKeys.FilmTimer->stop();
  FKeys.FPlaySpeedStep = 0;
  StopTimerNamed(*this, "FileTimer");
  StopTimerNamed(*this, "Timer3D");
  if (CenterCross) {
    CenterCross = false;
    ImagePBPaint(this);
  }
  if (RowEditMode) {
    RowEditMode = false;
    ImagePBPaint(this);
  }
  FPolygonDrawing = false;
  FMarkers.FFreePolygon.clear();
  ImagePBPaint(this);
  if (FServices.acquisition->ScanRunning())
    CameraServiceCommand(FServices.acquisition->StopScan(), QStringLiteral("Stop [Esc]"));
  HideToolPanels();
  // Full screen hides the window's frame, and with it the only other way back.
  if (FullScreenOn)
    ToggleFullScreen();
}

void TCalidarix::PaletteWindowKey(char key) {
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  if (dtv.isIso)
    StepPaletteWindow(key, dtv.IsoBottom, dtv.IsoTop);
  else
    StepPaletteWindow(key, dtv.PalBottom, dtv.PalTop);
  // Live frames keep a window set by hand.
  ManualPaletteWindow = true;
  PalPBPaint(this);
  ImagePBPaint(this);
}

void TCalidarix::PaletteWindowResetKey() {
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  ManualPaletteWindow = false;
  if (dtv.PalBottom == 0 && dtv.PalTop == 255) {
    // The window is whole already: a second Q releases a locked range.
    if (dtv.FRangeLocked) {
      dtv.FRangeLocked = false;
      LockSB->setChecked(false);
      ChangeDTV(false);
    }
    return;
  }
  dtv.PalBottom = 0;
  dtv.PalTop = 255;
  ImagePBPaint(this);
  PalPBPaint(this);
}

void TCalidarix::IsothermBandKey() {
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  dtv.isIso = !dtv.isIso;
  if (dtv.isIso) {
    SetBackground(PalBottomPanel, QColor(255, 255, 0));
    CountIso(FMarkers.FCurrentArea.Rect());
    CountArray(FMarkers.FCurrentArea, true);
  } else {
    SetBackground(PalBottomPanel, FMinPanelColor);
  }
  ImagePBPaint(this);
  PalPBPaint(this);
}

void TCalidarix::RotateKey(double degrees) {
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  dtv.FRotateAfterLoad = false;
  dtv.FRotateAngle = WrapDegrees(degrees);
  dtv.RotateByAngle(dtv.FRotateAngle);
  ImagePBPaint(this);
}

void TCalidarix::ValueEntryKey(int tag) {
  const auto number = [](double v) { return QString::fromStdString(FixedText(v, 2)); };
  switch (tag) {
  case 1:
    return OpenValuePanel(1, QStringLiteral("Fixed Level"), number(FixedLevel));
  case 3:
    return OpenValuePanel(3, QStringLiteral("Enter Repper Value"), number(FixedLevel));
  case 4:
    if (CurrentDTV)
      OpenValuePanel(4, FLanguage == 1 ? QString::fromUtf8("Суммация:") : QStringLiteral("Sum Count:"),
                     number(CurrentDTV->SumCount));
    return;
  case 5:
    return OpenValuePanel(5, QStringLiteral("Focus"), number(FixedLevel));
  case 6:
    return OpenValuePanel(6, QStringLiteral("Time Delta"), number(FixedLevel));
  default:
    return;
  }
}

void TCalidarix::SaveKey(bool f2Choice, bool /*clearThumbnails*/) {
  // The thumbnail list that F2 empties first comes with the thumbnail grid.
  const bool withComment = f2Choice == isSaveByF2;
  if (withComment)
    SaveWithComment();
  else
    SaveDTVAuto();
}

void TCalidarix::ArrowKey(int scan) {
  const bool sideways = scan == kScanLeft || scan == kScanRight;
  if (FCtrlDown && FKeys.SplitMode)
    return SplitShiftKey(scan);
  if (FCtrlDown && CurrentDTV) {
    // A view zoomed in beyond the fit pans by 10 image pixels. An image shown whole has nothing to pan:
    // Left and Right do nothing then, Up and Down act as without Ctrl.
    if (!FZoomFitted) {
      TDTV &dtv = *CurrentDTV;
      const PanLimits limits{dtv.Width(),       dtv.Height(), ImagePB->width(),
                             ImagePB->height(), dtv.FZoom,    dtv.FPixelAspect};
      PanView(scan, limits, dtv.FViewOffsetX, dtv.FViewOffsetY);
      return ImagePBPaint(this);
    }
    if (sideways)
      return;
  }
  if (sideways && FKeys.FilmTimer->isActive()) {
    FKeys.FilmTimer->stop();
    FKeys.FPlaySpeedStep = 0;
  }
  if (!sideways)
    StopTimerNamed(*this, "FileTimer");
  if (CenterCross)
    return JogKey(scan);
  const Acquisition &camera = *FServices.acquisition;
  if (camera.ScanRunning() && !camera.FilmRecording())
    return RangeStepKey(scan);
  if (RowEditMode) {
    if (scan == kScanLeft || scan == kScanRight) {
      ShiftImageRow(scan == kScanRight);
    } else {
      const int height = CurrentDTV ? CurrentDTV->Height() : 0;
      // The selected row stays inside the frame.
      if (scan == kScanUp && RowEditIndex > 1)
        RowEditIndex -= 2;
      else if (scan == kScanDown && RowEditIndex + 2 <= height - 1)
        RowEditIndex += 2;
      RowNoise(RowEditIndex - 1);
      KeyLabel->setText(QString::number(RowEditIndex));
    }
    return ImagePBPaint(this);
  }
  if (sideways) {
    if (CurrentDTV && CurrentDTV->FHeader.FrameCount >= 2)
      StepFilmFrame(scan == kScanRight);
    return;
  }
  PhotoOrVideoKey(scan == kScanUp);
}

void TCalidarix::JogKey(int scan) {
  FKeys.FJogKeys |= JogBit(scan);
  // A held arrow repeats its key-down; the head hears only changes.
  if (FKeys.FJogKeys == FKeys.FJogSent)
    return;
  if (logger)
    logger->AppendLine(QString::fromLatin1(ArrowName(scan)));
  const JogSpeeds speeds = JogSpeedsFor(scan);
  if (QorHead && QorHead->FConnected)
    QorHead->SendCommand(QorCmdManualSpeeds(speeds.pan, speeds.tilt), true);
  else
    HeadNotice(QStringLiteral("Head jog [%1]: no head connected").arg(QString::fromLatin1(ArrowName(scan))));
  FKeys.FJogSent = FKeys.FJogKeys;
}

void TCalidarix::JogKeyUp(int scan) {
  FKeys.FJogKeys &= static_cast<std::uint8_t>(~JogBit(scan));
  FKeys.FJogSent = FKeys.FJogKeys;
  if (QorHead && QorHead->FConnected)
    QorHead->StopHead();
}

void TCalidarix::RangeStepKey(int scan) {
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  // The steps move a locked range: a range that follows the frames is locked where it stands first. The
  // button tells, as it covers the band thermograms of the dual-band camera too.
  if (!LockSB->isChecked()) {
    LockSB->setChecked(true);
    LockSBClick();
  }
  const RangeStep step = scan == kScanLeft    ? RangeStep::Narrow
                         : scan == kScanRight ? RangeStep::Widen
                         : scan == kScanDown  ? RangeStep::ShiftDown
                                              : RangeStep::ShiftUp;
  if (IsDualBand(FServices.acquisition->CameraInterfaceType())) {
    for (TDTV *band : {BandDTV35.get(), BandDTV812.get()})
      if (band)
        StepLockedRange(step, band->LockMin, band->LockMax);
  } else {
    StepLockedRange(step, dtv.LockMin, dtv.LockMax);
  }
  ScalePBPaint(this);
}

void TCalidarix::PhotoOrVideoKey(bool up) {
  Acquisition &camera = *FServices.acquisition;
  auto *threeD = findChild<QWidget *>(QStringLiteral("ThreeDPB"));
  if (IsDualBand(camera.CameraInterfaceType())) {
    auto *video = findChild<QToolButton *>(QStringLiteral("VideoSB"));
    if (up && !ScanRequests.VideoOn.Get())
      return VideoSBClick();
    if (video && video->isCheckable())
      video->setChecked(up);
    VideoPanel->setVisible(up);
    return;
  }
  if (!up) {
    PhotoPB->hide();
    ImagePB->show();
    if (threeD)
      threeD->hide();
    return;
  }
  if (camera.ScanRunning())
    return VideoSBClick();
  const QString thermogram = CurrentDTV ? CurrentDTV->FFileName : QString();
  const std::optional<QString> photo = CompanionPhotoFile(thermogram);
  if (!photo)
    return ShowViewNotice(QStringLiteral("No photo beside \"%1\" (a .jpg of the same name)")
                              .arg(QFileInfo(thermogram).fileName()));
  QImage picture(*photo);
  if (picture.isNull())
    return ShowViewNotice(QStringLiteral("The photo \"%1\" cannot be read").arg(*photo), *photo);
  CompanionPhoto = picture;
  ImagePB->hide();
  if (threeD)
    threeD->hide();
  PhotoPB->show();
  PhotoPB->raise();
  PhotoPB->update();
}

void TCalidarix::SplitViewKey() {
  if (!CurrentDTV)
    return;
  FKeys.SplitMode = true;
  FKeys.SplitHor = 224;
  FKeys.SplitVer = -57;
  CurrentDTV->UnfoldHalves(FKeys.SplitHor, FKeys.SplitVer);
  FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, true);
  ImagePBPaint(this);
}

void TCalidarix::SplitShiftKey(int scan) {
  if (!CurrentDTV)
    return;
  switch (scan) {
  case kScanLeft:
    ++FKeys.SplitHor;
    break;
  case kScanRight:
    --FKeys.SplitHor;
    break;
  case kScanUp:
    ++FKeys.SplitVer;
    break;
  case kScanDown:
    --FKeys.SplitVer;
    break;
  default:
    return;
  }
  if (UserLogOn())
    logger->AppendLine(QStringLiteral("SplitHor %1SplitVer %2").arg(FKeys.SplitHor).arg(FKeys.SplitVer));
  TDTV &dtv = *CurrentDTV;
  // The halves are unfolded from the frame as read: unfolding an unfolded frame again would be wrong.
  if (const IoResult read = dtv.LoadFromFile(dtv.FFileName, 1); !read)
    return ShowViewNotice(read.message, dtv.FFileName);
  dtv.UnfoldHalves(FKeys.SplitHor, FKeys.SplitVer);
  ImagePBPaint(this);
}

void TCalidarix::AspectKey(bool up) {
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  dtv.SetAspect(up ? dtv.FAspect / 1.1 : dtv.FAspect * 1.1);
  // Angular extents that match the new aspect.
  dtv.FHeader.VertExtent = 180;
  dtv.FHeader.HorzExtent = HorzExtentForAspect(dtv.FAspect);
  FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, true);
  ChangeDTV(false);
}

void TCalidarix::SwapScanSetKey() {
  TScanUnit &unit = ScanUnit;
  const auto use = [&unit](int set) {
    unit.Delay[0] = unit.Delay[set];
    unit.Edge[0] = unit.Edge[set];
    unit.Center[0] = unit.Center[set];
  };
  TAcquisitionState &a = FAcquisition;
  if (a.FScanSet2) {
    use(1);
    a.FScanSet2 = false;
    a.FScanSetChanged = true;
  } else if (unit.Center[2] >= 1 && unit.Edge[2] >= 1) {
    use(2);
    a.FScanSet2 = true;
    a.FScanSetChanged = true;
  }
}

void TCalidarix::FixedLineFromMouseKey() {
  ScanRequests.FixedLineMode.Set(false);
  const QPoint at = ImagePB->mapFromGlobal(QCursor::pos());
  ScanRequests.FixedLinePosition.Set(FixedLineFromRow(at.y(), ImagePB->height()));
  ScanRequests.PendingSpeed.Set(0);
}

void TCalidarix::CalibrationBandKey(int band) {
  ScanUnit.CalibrationBand = static_cast<std::uint8_t>(band);
  ScanRequests.PendingRange.Set(ScanUnit.CalibrationRange);
  VideoPanel->hide();
}

void TCalidarix::ContextMenuKey(bool down) {
  // Held down, the key repeats its key-down: only the first press counts.
  if (down == FKeys.ContextKeyDown)
    return;
  const QPoint at = ImagePanel->mapFromGlobal(QCursor::pos());
  FKeys.ContextKeyPos = TPoint{at.x(), at.y()};
  // The right button goes to the control under the cursor, as a click on the image panel would.
  QWidget *target = ImagePanel->childAt(at);
  if (!target)
    target = ImagePanel;
  const QPointF local = target->mapFrom(ImagePanel, QPointF(at));
  const QPointF global = ImagePanel->mapToGlobal(QPointF(at));
  const QEvent::Type type = down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease;
  QApplication::postEvent(target, new QMouseEvent(type, local, global, Qt::RightButton,
                                                  down ? Qt::RightButton : Qt::NoButton, Qt::NoModifier));
  KeyLabel->setText(
      QStringLiteral("%1%2%3").arg(at.x()).arg(down ? QStringLiteral("x") : QStringLiteral("X")).arg(at.y()));
  FKeys.ContextKeyDown = down;
}

} // namespace calidarix
