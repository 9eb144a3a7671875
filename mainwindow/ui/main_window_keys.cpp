// The keyboard commands of the main window. A key message carries the key's hardware scan code; the
// window gathers the conditions of the moment, looks the key up in the command table
// (mainwindow/key_commands.h) and carries out the command of the first row that applies. The action
// shortcuts built here are taken by Qt's shortcut handling before any key message is made.

#include "acquisition/camera_state.h"
#include "head/head_frame.h"
#include "head/head_globals.h"
#include "head/head_link.h"
#include "mainwindow/ui/event_hook.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/placeholder_forms.h"
#include "platform/numbers.h"
#include "thermogram/palette_nodes.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QToolButton>

#include <cmath>

namespace calidarix {

namespace {

// Bits 16..23 of a key message's lParam hold the scan code, bit 29 tells that Alt was held.
constexpr int kScanShift = 16;
constexpr int kAltBit = 29;

TRect WholeFrameInclusive(const TDTV &dtv) {
  return TRect{0, 0, dtv.Width() - 1, dtv.Height() - 1};
}

} // namespace

void TCalidarix::KeyCommand(Message &message) {
  const auto lParam = static_cast<std::uintptr_t>(message.LParam);
  const auto scan = static_cast<ScanCode>((lParam >> kScanShift) & 0xFF);
  FKeys.AltDown = ((lParam >> kAltBit) & 1) != 0;
  if (KeyLabel)
    KeyLabel->setText(QString::number(scan));
  switch (message.Msg) {
  case WM_KEYDOWN:
    RunKeyCommand(KeyTable::KeyDown, scan);
    break;
  case WM_SYSKEYDOWN:
    RunKeyCommand(KeyTable::SysKeyDown, scan);
    break;
  case WM_KEYUP:
  case WM_SYSKEYUP:
    // A key let go while Alt is still held must still clear the Ctrl flag, stop the jogging head and
    // release the context key's right button.
    RunKeyCommand(KeyTable::KeyUp, scan);
    break;
  default:
    break;
  }
}

KeyConditions TCalidarix::GatherKeyConditions() const {
  KeyConditions c;
  const Acquisition &camera = *FServices.acquisition;
  c.ctrl = FCtrlDown;
  c.scanRuns = camera.ScanRunning();
  c.filmRecording = camera.FilmRecording();
  c.cameraInterfaceType = camera.CameraInterfaceType();
  c.pointsExist = !FMarkers.FPoints.empty();
  c.areasExist = !FMarkers.FAreas.empty();
  c.areaSelected = !FMarkers.FCurrentArea.IsEmpty();
  c.centerCross = CenterCross;
  if (CurrentDTV) {
    c.overlayLoaded = !CurrentDTV->FOverlay.isNull();
    c.filmOfTwoFrames = CurrentDTV->FHeader.FrameCount >= 2;
    c.summing = CurrentDTV->FSumming;
  }
  return c;
}

void TCalidarix::RunKeyCommand(KeyTable table, ScanCode scan) {
  const std::optional<KeyCommandRow> row = FindKeyCommand(table, scan, GatherKeyConditions());
  if (!row)
    return;
  // Inside a job's wait the thermogram is the job's: a key may only keep the Ctrl flag and let go of
  // what a key-down holds.
  if (table != KeyTable::KeyUp && row->command != KeyCommand::CtrlDown &&
      RefusedWhileBusy(QString::fromLatin1(row->key)))
    return;
  CarryOutKeyCommand(*row);
}

void TCalidarix::CarryOutKeyCommand(const KeyCommandRow &row) {
  const auto fit = [this] { FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, true); };
  const auto repaint = [this] { ImagePBPaint(this); };
  // The selected area, or the whole frame when none is selected (both inclusive).
  const auto selectedOrWhole = [this](const TDTV &dtv) {
    return FMarkers.FCurrentArea.IsEmpty() ? WholeFrameInclusive(dtv) : FMarkers.FCurrentArea.Rect();
  };
  const auto toggleButton = [this](const char *name, std::optional<bool> down = std::nullopt) {
    if (auto *button = findChild<QToolButton *>(QString::fromLatin1(name)); button && button->isCheckable())
      button->setChecked(down.value_or(!button->isChecked()));
  };
  Acquisition &camera = *FServices.acquisition;

  switch (row.command) {
  // Commands that need no thermogram.
  case KeyCommand::Escape:
    return EscapeKey();
  case KeyCommand::PaletteSlot:
    return PalChange(row.argument);
  case KeyCommand::PaletteReverse:
    return PalRotateActionExecute();
  case KeyCommand::PaletteCycleBackward:
    if (ScanRequests.VideoOn.Get() && !PalTimer->isActive()) {
      GrabVideoToImage();
      fit();
    }
    return TogglePalTimer(false);
  case KeyCommand::PaletteCycleForward:
    return TogglePalTimer(true);
  case KeyCommand::PaletteInvert:
    return PalInvertActionExecute();
  case KeyCommand::PaletteWindowReset:
    return PaletteWindowResetKey();
  case KeyCommand::PaletteWindowStep:
    return PaletteWindowKey(static_cast<char>(row.argument));
  case KeyCommand::PalettePosterize:
    return PalPosterize();
  case KeyCommand::PaletteRamp:
    return BuildPaletteRamp();
  case KeyCommand::EditorPalette:
    // Without the editor window its palette is the one it would open with.
    return UseEditorPalette(PaletteForm ? PaletteForm->FPalTable() : TPaletteNodes().Table());
  case KeyCommand::IsothermBand:
    return IsothermBandKey();
  case KeyCommand::Emissivity:
    return EmissivityActionExecute();
  case KeyCommand::RealTemperature:
    return RealTemperatureActionExecute();
  case KeyCommand::RangeEntry:
    return OpenRangeEntry(false);
  case KeyCommand::RangeEntryRescale:
    return OpenRangeEntry(true);
  case KeyCommand::FocusOrTimeDeltaEntry:
    FixedLevelShift = false;
    return ValueEntryKey(FFocusTool ? 5 : 6);
  case KeyCommand::FixedLevelEntry:
    FixedLevelShift = true;
    return ValueEntryKey(1);
  case KeyCommand::ReferenceValueEntry:
    return ValueEntryKey(3);
  case KeyCommand::RemoveLastPoint:
    FMarkers.FPoints.pop_back();
    return repaint();
  case KeyCommand::RemoveLastArea:
    FMarkers.FAreas.pop_back();
    return repaint();
  case KeyCommand::PointLabelDirection: {
    TPointRecord &point = FMarkers.FPoints.back();
    point.Direction = static_cast<std::uint8_t>((point.Direction + 1) % 4);
    return repaint();
  }
  case KeyCommand::AreaLabelCorner:
    // Home without areas has nothing to move.
    if (!FMarkers.FAreas.empty()) {
      TAreaRecord &area = FMarkers.FAreas.back();
      area.Direction = static_cast<std::uint8_t>((area.Direction + 1) % 4);
      repaint();
    }
    return;
  case KeyCommand::SaveSelection:
    return SaveSelectionRect();
  case KeyCommand::RestoreSelection:
    return RestoreSelectionRect();
  case KeyCommand::PanoramaButton:
    return PanoPanelClick();
  case KeyCommand::SavePicture:
    return SaveBMPSBClick();
  case KeyCommand::CenterCrossOff:
    CenterCross = false;
    FKeys.FJogKeys = 0;
    repaint();
    if (QorHead && QorHead->FConnected)
      QorHead->SendCommand(QorCmdReset, true);
    else
      HeadNotice(QStringLiteral("Head reset [Enter]: no head connected"));
    return;
  case KeyCommand::CtrlDown:
    FCtrlDown = true;
    ImagePB->setCursor(Qt::PointingHandCursor);
    return;
  case KeyCommand::CtrlUp:
    FCtrlDown = false;
    ImagePB->unsetCursor();
    return;
  case KeyCommand::StripWithHead:
    if (HeadConnected)
      return Strip1Click();
    return HeadNotice(QStringLiteral("Start Strip [S]: no head connected"));
  case KeyCommand::Strip:
    return Strip1Click();
  case KeyCommand::DateTimeMode:
    DateTimeMode = !DateTimeMode;
    if (auto *item = findChild<QAction *>(QStringLiteral("DateTimeMode1")))
      item->setChecked(DateTimeMode);
    return repaint();
  case KeyCommand::MergeScans:
    FCtrlDown = false;
    if (camera.ScanRunning() && ScanUnit.Speed == 0) {
      FAcquisition.FMergeScansPending = true;
      toggleButton("FrameSB", true);
      return FrameSBClick();
    }
    return MergeMultiScan();
  case KeyCommand::GotoFrame:
    toggleButton("FrameSB");
    return FrameSBClick();
  case KeyCommand::ThermoProfile:
    return GraphSBClick();
  case KeyCommand::Histogram:
    return HistogramSBClick();
  case KeyCommand::TimeProfile:
    return TimeGraphSBClick();
  case KeyCommand::View3D:
    FCtrlDown = false;
    ImagePB->unsetCursor();
    toggleButton("View3dSB");
    return View3DSBClick();
  case KeyCommand::StoreProfiles:
    return StoreGraphProfiles();
  case KeyCommand::CommentEntry:
    return InfoEditExecute();
  case KeyCommand::Setup:
    return SetupSBClick();
  case KeyCommand::OpenFile:
    return OpenSBClick();
  case KeyCommand::AppendFile:
    return AppendDTVFile();
  case KeyCommand::SaveF2:
    return SaveKey(true, true);
  case KeyCommand::SaveAltF2:
    return SaveKey(false, true);
  case KeyCommand::SpaceWhileScanning:
    if (ScanRequests.PanByFramesActive.Get()) {
      FAcquisition.PanoPaused = !FAcquisition.PanoPaused;
      return;
    }
    return SaveKey(true, false);
  case KeyCommand::LaserToggle:
    ScanRequests.LaserOn.Set(!ScanRequests.LaserOn.Get());
    return;
  case KeyCommand::LineSweep:
    // In line mode the sweep starts with the next frame, unless one is asked for or timing runs.
    if (ScanUnit.Sectors == kLineModeSectors && !ScanRequests.LineModeTimingRequest.Get() &&
        !camera.FrameTimingOn()) {
      ScanRequests.LineModeShotRequest.Set(false);
      ScanRequests.LineModeTimingRequest.Set(true);
    }
    return;
  case KeyCommand::Scan:
    return CameraServiceCommand(camera.ScanSBClick(), QStringLiteral("Scan [F5]"));
  case KeyCommand::SwapScanSet:
    return SwapScanSetKey();
  case KeyCommand::CalibrationBand:
    return CalibrationBandKey(row.argument);
  case KeyCommand::FixedLineFromMouse:
    return FixedLineFromMouseKey();
  case KeyCommand::LockRange:
    LockSB->toggle();
    return LockSBClick();
  case KeyCommand::Arrow:
    return ArrowKey(row.argument);
  case KeyCommand::JogRelease:
    return JogKeyUp(row.argument);
  case KeyCommand::StepFile:
    StepFileInList(row.argument == 1);
    return;
  case KeyCommand::DeleteFrameOrFile:
    return DeleteFrameOrFile();
  case KeyCommand::ContextKeyDown:
    return ContextMenuKey(true);
  case KeyCommand::ContextKeyUp:
    return ContextMenuKey(false);
  case KeyCommand::Subtraction:
    if (FSubtraction) {
      ReferenceDTV.reset();
      FSubtraction = false;
    } else if (CurrentDTV) {
      ReferenceDTV = std::make_unique<TDTV>();
      ReferenceDTV->Assign(*CurrentDTV);
      FSubtraction = true;
    }
    return repaint();
  case KeyCommand::AngleTool:
    FAngleTool = !FAngleTool;
    if (FAngleTool) {
      FAnglePos = TPoint{0, 0};
      FAngleArms = {0, 90};
    }
    return repaint();
  case KeyCommand::RowEditOn:
    RowEditIndex = 1;
    RowEditMode = true;
    return repaint();
  case KeyCommand::SplitView:
    return SplitViewKey();
  case KeyCommand::ProcessFilm:
    return ProcessFilm();
  case KeyCommand::MaxOverListedFiles:
    MaxOverListedFiles(false);
    // A command that said why it did nothing leaves the view, and its reason, as they are.
    if (FStatusNotice.isEmpty())
      ChangeDTV(false);
    return;
  case KeyCommand::Badge:
    BadgeOverlay = !BadgeOverlay;
    return repaint();
  case KeyCommand::ImageOnly:
    return ImageOnlyMode();
  case KeyCommand::CloseWindow:
    close();
    return;
  case KeyCommand::NoiseVsReference:
    return NoiseVsReference();
  case KeyCommand::Grid:
    GridOverlay = !GridOverlay;
    FGridOffset = TPoint{0, 0};
    FGridStep = 32;
    return repaint();
  case KeyCommand::TrueColour:
    TrueColorRender = !TrueColorRender;
    return repaint();
  case KeyCommand::Aspect:
    return AspectKey(row.argument == 1);
  case KeyCommand::Playback:
    return PlaybackKey(row.argument == 1);
  default:
    break;
  }

  // Commands on the thermogram shown.
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  switch (row.command) {
  case KeyCommand::Rotate90Clockwise:
  case KeyCommand::Rotate90CounterClockwise:
    dtv.Rotate90(row.command == KeyCommand::Rotate90Clockwise);
    ClearAllMarkers();
    fit();
    return repaint();
  case KeyCommand::RotateOneDegree:
    // Ctrl+Alt+R arrives without Alt in the table; the Alt key itself turns the step round.
    return RotateKey(FKeys.AltDown ? -1.0 : 1.0);
  case KeyCommand::RotateHalfDegreeBack:
    return RotateKey(dtv.FRotateAngle - 0.5);
  case KeyCommand::Emboss:
    dtv.Emboss(4);
    return repaint();
  case KeyCommand::BurnIsoline: {
    const int x = GetRealX(FMousePos.X);
    const int y = GetRealY(FMousePos.Y);
    if (x < dtv.Width() && y < dtv.Height())
      dtv.BurnIsoline(dtv.FRaw[static_cast<std::size_t>(y) * dtv.Width() + x]);
    return repaint();
  }
  case KeyCommand::FindSharpestRow:
    dtv.FindSharpestRow(TRect{0, 0, dtv.Width(), dtv.Height()});
    return repaint();
  case KeyCommand::SmoothPalette:
    dtv.FSmoothPalette = !dtv.FSmoothPalette;
    return repaint();
  case KeyCommand::IsothermColours:
    dtv.isIsoColor = !dtv.isIsoColor;
    PalPBPaint(this);
    return repaint();
  case KeyCommand::IsothermAuto:
    dtv.isIsoAuto = !dtv.isIsoAuto;
    isIsoAuto = dtv.isIsoAuto;
    PalPBPaint(this);
    return repaint();
  case KeyCommand::ShowOverlay:
    // Drawn over the picture until the frame is rendered again.
    FKeys.FOverlayShownAt = FRenderCount;
    ImagePB->update();
    return;
  case KeyCommand::HalveSize:
    dtv.HalveWidth();
    dtv.HalveHeight();
    fit();
    return repaint();
  case KeyCommand::FitPaletteWindow:
    FitPaletteWindowToRegion(FCtrlDown);
    ChangeDTV(false);
    return PalPBPaint(this);
  case KeyCommand::Sharpen:
    dtv.SharpenRect(selectedOrWhole(dtv));
    return repaint();
  case KeyCommand::EdgeOrUnsharp:
    if (FMarkers.FCurrentArea.IsEmpty())
      dtv.EdgeDetect(WholeFrameInclusive(dtv));
    else
      dtv.UnsharpMaskRect(FMarkers.FCurrentArea.Rect());
    return repaint();
  case KeyCommand::SmoothArea:
    // The thumbnail list that Alt+F3 also empties comes with the thumbnail grid.
    dtv.SmoothRect(selectedOrWhole(dtv));
    return repaint();
  case KeyCommand::Summation:
    if (dtv.FSumming) {
      dtv.FSumming = false;
      dtv.FSumDone = 0;
      return;
    }
    return ValueEntryKey(4);
  case KeyCommand::Destripe:
    dtv.Destripe();
    return repaint();
  case KeyCommand::ResampleToAspect:
    dtv.ResampleToAspect();
    fit();
    return repaint();
  case KeyCommand::FrameAverageEntry:
    return OpenValue2Panel(2, QStringLiteral("F1:"), QStringLiteral("F2:"), QString::number(dtv.FFrameIndex),
                           QString::number(dtv.FFrameIndex + 1));
  case KeyCommand::StackFrames:
    if (const IoResult stacked = dtv.StackFilmFrames(1, dtv.FHeader.FrameCount); !stacked)
      return ShowViewNotice(stacked.message, dtv.FFileName);
    fit();
    return repaint();
  case KeyCommand::Mirror:
    dtv.FMirrorAfterLoad = !dtv.FMirrorAfterLoad;
    dtv.MirrorRect(selectedOrWhole(dtv));
    return repaint();
  case KeyCommand::Flip:
    dtv.FFlipAfterLoad = !dtv.FFlipAfterLoad;
    dtv.FlipRect(selectedOrWhole(dtv));
    return repaint();
  case KeyCommand::CameraInfoLabels:
    FileInfoLabel->setText(QString::fromStdString(
        FloatToText(RoundHalfEven(static_cast<double>(dtv.FHeader.CameraTemp) * 100.0) / 100.0)));
    FileNameLabel->setText(QString::number(dtv.FHeader.ModelHigh * 100 + dtv.FHeader.ModelLow));
    fit();
    return repaint();
  default:
    return;
  }
}

void TCalidarix::CameraServiceCommand(ServiceStatus status, const QString &caption) {
  if (status == ServiceStatus::NotAvailable)
    NotAvailable(caption);
  else if (status == ServiceStatus::Failed)
    ShowViewNotice(caption + QStringLiteral(": failed"));
}

void TCalidarix::ReadCtrlState() {
  const bool down = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
  if (down == FCtrlDown)
    return;
  FCtrlDown = down;
  if (down)
    ImagePB->setCursor(Qt::PointingHandCursor);
  else
    ImagePB->unsetCursor();
}

void TCalidarix::BuildKeyCommands() {
  FKeys.FilmTimer = new QTimer(this);
  FKeys.FilmTimer->setObjectName(QStringLiteral("FilmTimer"));
  connect(FKeys.FilmTimer, &QTimer::timeout, this, &TCalidarix::FilmTimerTimer);

  // The action shortcuts: Qt takes them before the key reaches the window, as the design's action list
  // does, and they work while an edit of the window has the keyboard.
  const auto action = [this](QAction *&field, const char *name, QKeySequence keys,
                             void (TCalidarix::*handler)()) {
    field = new QAction(this);
    field->setObjectName(QString::fromLatin1(name));
    field->setShortcut(keys);
    field->setShortcutContext(Qt::WindowShortcut);
    addAction(field);
    connect(field, &QAction::triggered, this, handler);
  };
  action(Tab, "Tab", QKeySequence(Qt::Key_Tab), &TCalidarix::TabExecute);
  action(F9, "F9", QKeySequence(Qt::Key_F9), &TCalidarix::F9Execute);
  action(F10, "F10", QKeySequence(Qt::Key_F10), &TCalidarix::F10Execute);
  action(F11, "F11", QKeySequence(Qt::Key_F11), &TCalidarix::F11Execute);
  action(F12, "F12", QKeySequence(Qt::Key_F12), &TCalidarix::F12Execute);
  action(Alt1, "Alt1", QKeySequence(Qt::ALT | Qt::Key_1), &TCalidarix::Alt1Execute);
  action(Alt2, "Alt2", QKeySequence(Qt::ALT | Qt::Key_2), &TCalidarix::Alt2Execute);
  action(Alt3, "Alt3", QKeySequence(Qt::ALT | Qt::Key_3), &TCalidarix::Alt3Execute);
  action(AltF, "AltF", QKeySequence(Qt::ALT | Qt::Key_F), &TCalidarix::AltFExecute);
  action(AltF6, "AltF6", QKeySequence(Qt::ALT | Qt::Key_F6), &TCalidarix::AltF6Execute);
  action(AltInsert, "AltInsert", QKeySequence(Qt::ALT | Qt::Key_Insert), &TCalidarix::AltF6Execute);
  action(CtrlAltPoint, "CtrlAltPoint", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Period),
         &TCalidarix::CtrlAltPointExecute);
  action(CtrlAltComma, "CtrlAltComma", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Comma),
         &TCalidarix::CtrlAltCommaExecute);
  action(CtrlF12, "CtrlF12", QKeySequence(Qt::CTRL | Qt::Key_F12), &TCalidarix::CtrlF12Execute);

  // The ".abc" overlay picture of the M key, over the whole image box until the frame is rendered again.
  ImagePB->OnPaint = [this, paint = ImagePB->OnPaint] {
    if (paint)
      paint();
    if (FKeys.FOverlayShownAt != FRenderCount || !CurrentDTV || CurrentDTV->FOverlay.isNull()) {
      FKeys.FOverlayShownAt = -1;
      return;
    }
    QPainter painter(&ImagePB->Picture);
    painter.drawImage(QRect(0, 0, ImagePB->width(), ImagePB->height()), CurrentDTV->FOverlay);
  };

  // A Ctrl key let go while another window had the keyboard left the flag set.
  auto *activation = new TEventHook(this, [this](QObject *, QEvent *event) {
    if (event->type() == QEvent::WindowActivate)
      ReadCtrlState();
    return false;
  });
  activation->Watch(this);
}

} // namespace calidarix
