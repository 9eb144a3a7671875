// The main window's acquisition commands: the Scan button and its start and stop, film finishing,
// the speed, range, laser, sum, film and frame controls of the scan tool panel and their keys, the
// Options panel, the auto-focus item and film playback.
//
// The commands work only through the requests the acquisition thread takes between frames
// (ScanRequests); most act only while acquisition runs.

#include "mainwindow/ui/main_window.h"

#include "acquisition/camera_commands.h"
#include "acquisition/camera_log.h"
#include "acquisition/camera_state.h"
#include "acquisition/film_finish.h"
#include "acquisition/frame_grabbers.h"
#include "acquisition/lan_reception.h"
#include "acquisition/scan_thread.h"
#include "acquisition/ui/acquisition_state.h"
#include "acquisition/ui/focus_slider.h"
#include "head/head_frame.h"
#include "head/head_globals.h"
#include "head/head_link.h"
#include "mainwindow/film_recovery.h"
#include "mainwindow/ui/entry_focus.h"
#include "mainwindow/ui/event_hook.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/progress_form.h"
#include "mainwindow/ui/tool_button_panel.h"
#include "platform/datetime.h"
#include "platform/inifile.h"
#include "platform/numbers.h"
#include "platform/path_text.h"
#include "platform/paths.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace calidarix {

namespace {

const QColor kMarkedColour(0xC0, 0xC0, 0xC0);

QColor ButtonFace(const QWidget *window) {
  return window->palette().color(QPalette::Button);
}

} // namespace

TAcquisitionState::TAcquisitionState() = default;
TAcquisitionState::~TAcquisitionState() {
  if (OwnedScan && Scan == OwnedScan.get())
    Scan = nullptr;
}

// ---- State ----

bool TCalidarix::Scanning() const {
  return Scan != nullptr && ScanRequests.ScanRunning.Get();
}

bool TCalidarix::IdleScan() const {
  return Scanning() && !ScanRequests.FilmRecording.Get() && !(CurrentDTV && CurrentDTV->FSumming);
}

void TCalidarix::ScanOnlyNotice(const QString &command) {
  ShowViewNotice(command + QStringLiteral(": only while a scan runs, without a film or a sum"));
}

WindowHandle TCalidarix::AcquisitionWindowHandle() {
  if (FAcquisition.OwnerHandle == 0 || !IsWindow(FAcquisition.OwnerHandle))
    FAcquisition.OwnerHandle = RegisterWindow(this, [this](Message &message) { WndProc(message); });
  return FAcquisition.OwnerHandle;
}

TScan &TCalidarix::StartAcquisitionThread(const TScanUnit &unit, std::uint16_t cameraPort,
                                          const TLanTimings &timings) {
  StopAcquisitionThread();
  const WindowHandle owner = AcquisitionWindowHandle();
  ScanRequests.HeadConnected.Set(HeadConnected);
  ScanRequests.FPauseRequest.Set(false);
  SetCameraUserLog(UserLogOn());
  auto scan = std::make_unique<TScan>(
      [owner](MessageId msg, WPARAM w, LPARAM l) { PostMessage(owner, msg, w, l); }, ScanRequests, unit);
  scan->CameraPort = cameraPort;
  scan->Timings = timings;
  // The USB and parallel-port cameras; null for the network ones, which the thread serves itself.
  TFrameGrabberBackends backends = ProgramFrameGrabberBackends(unit, IniFile(ProgramIniPath()));
  backends.AutoRange = [thread = scan.get()] { return thread->FAutoRange.load(); };
  scan->OtherLink = MakeFrameGrabber(unit, std::move(backends));
  FAcquisition.OwnedScan = std::move(scan);
  Scan = FAcquisition.OwnedScan.get();
  FAcquisition.FFirstFrame = true;
  ScanSB->setChecked(true);
  if (auto *stop = findChild<QAction *>(QStringLiteral("Stop1")))
    stop->setEnabled(true);
  Start1->setEnabled(false);
  Scan->Resume();
  return *Scan;
}

void TCalidarix::StopAcquisitionThread() {
  if (!FAcquisition.OwnedScan)
    return;
  if (Scan == FAcquisition.OwnedScan.get())
    Scan = nullptr;
  FAcquisition.OwnedScan->Terminate();
  FAcquisition.OwnedScan->WaitFor();
  FAcquisition.OwnedScan.reset();
}

// ---- Scan button, start and stop ----

void TCalidarix::ScanSBClick() {
  HideToolPanels();
  FrameRealDateLabel->hide();
  FrameRealTimeLabel->hide();
  setWindowTitle(FBaseCaption + QStringLiteral(" [") + DisplayPathText(FSaveDirectory) + QStringLiteral("]"));
  QWidget *scanImage = findChild<QWidget *>(QStringLiteral("ScanImage"));
  QWidget *stopImage = findChild<QWidget *>(QStringLiteral("StopItImage"));
  QWidget *openPanel = findChild<QWidget *>(QStringLiteral("OpenPanel"));
  if (!ScanRequests.ScanRunning.Get()) {
    if (scanImage)
      scanImage->hide();
    if (stopImage)
      stopImage->show();
    if (openPanel)
      openPanel->hide();
    ScanSB->setChecked(true);
    QApplication::processEvents();
    StartScan();
    // Nothing was started: a button left pressed with its stop face would claim a running scan.
    if (!ScanRequests.ScanRunning.Get())
      RestoreScanButton();
  } else {
    if (scanImage)
      scanImage->show();
    if (stopImage)
      stopImage->hide();
    QApplication::processEvents();
    StopScan();
    if (openPanel)
      openPanel->show();
  }
}

void TCalidarix::StartScan() {
  // Acquisition is not started from the window: the button keeps its stop face and says so.
  NotAvailable(QStringLiteral("Starting acquisition from the Scan button"));
}

void TCalidarix::RestoreScanButton() {
  ScanSB->setChecked(false);
  if (auto *w = findChild<QWidget *>(QStringLiteral("ScanImage")))
    w->show();
  if (auto *w = findChild<QWidget *>(QStringLiteral("StopItImage")))
    w->hide();
  if (auto *w = findChild<QWidget *>(QStringLiteral("OpenPanel")))
    w->show();
}

void TCalidarix::StopScan() {
  TAcquisitionState &a = FAcquisition;
  if (a.FScanStopping || !ScanRequests.ScanRunning.Get() || a.FScanStarting) {
    RestoreScanButton();
    return;
  }
  if (UserLogOn())
    LogLine(QStringLiteral("Scan stopping"));
  if (!Scan)
    return;
  a.FScanStopping = true;

  // The pause handshake: the thread acknowledges at the head of its loop, at the latest after its
  // longest receive time-out.
  ScanRequests.FPostEnabled.Set(false);
  Scan->SetPause(true);
  const int limitMs = Scan->LongestReceiveTimeoutMs() + a.StopMarginMs;
  QElapsedTimer waited;
  waited.start();
  a.StopTimedOut = false;
  while (!ScanRequests.FPostEnabled.Get()) {
    if (waited.elapsed() > limitMs) {
      a.StopTimedOut = true;
      LogLine(QStringLiteral("Scan stop: the acquisition thread did not answer within %1 ms").arg(limitMs));
      break;
    }
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  ScanRequests.FSkipNextFrame.Set(true);
  Scan->Suspend();
  // Frames the thread handed over before it paused have their messages still queued: once the scan
  // is stopped none of them may replace the picture the user stopped on.
  Scan->Frames.Take();
  if (Scan->FUnit.CameraInterfaceType == CamIfUsb && Scan->FUsbConnected.load()) {
    ScanRequests.FPauseRequest.Set(false);
    SendUsbStopCommand();
  }

  if (!ScanRequests.StripScanning.Get())
    ImagePBPaint(this);
  Scan->FAutoRange.store(true);
  if (CurrentDTV) {
    CurrentDTV->FSumming = false;
    CurrentDTV->FSumDone = 0;
  }
  if (ScanRequests.FilmRecording.Get())
    SaveFilm();
  if (FLimitOn && FLimit != 0.0) {
    for (QWidget *w : {static_cast<QWidget *>(ScalePanel), static_cast<QWidget *>(InfoPanel),
                       static_cast<QWidget *>(ToolPanel)})
      SetBackground(w, ButtonFace(this));
    SetBackground(MinPanel, FMinPanelColor);
    SetBackground(MaxPanel, FMaxPanelColor);
    SetBackground(PalBottomPanel, FMinPanelColor);
  }
  ScanRequests.StripScanning.Set(false);
  ScanRequests.PanByFramesActive.Set(false);

  RestoreScanButton();
  SetBackground(FileInfoPanel, ButtonFace(this));
  SetBackground(findChild<QWidget *>(QStringLiteral("FileNamePanel")), ButtonFace(this));
  for (const char *name : {"OpenSB", "PrintSB", "ExcelSB"})
    if (auto *b = findChild<QToolButton *>(QString::fromLatin1(name)))
      b->setEnabled(true);
  if (CurrentDTV)
    CurrentDTV->FRangeLocked = false;
  LockSB->setChecked(false);

  ScanRequests.LineModeTimingRequest.Set(false);
  ScanRequests.LineModeShotRequest.Set(false);
  if (ScanRequests.FrameTimingOn.Exchange(false)) {
    if (HeadConnected && QorHead) {
      QorHead->ResetHead();
      QorHead->SendCommand(QorCmdSetSpeedLimit(255), true);
    }
    if (ProgressForm)
      ProgressForm->hide();
  }
  if (auto *frame = findChild<QToolButton *>(QStringLiteral("FrameSB")))
    frame->setChecked(false);
  Start1->setEnabled(true);
  if (auto *stop = findChild<QAction *>(QStringLiteral("Stop1")))
    stop->setEnabled(false);
  ScanRequests.ScanRunning.Set(false);
  a.Overlay.clear();
  a.FScanStopping = false;
  if (UserLogOn()) {
    LogLine(QStringLiteral("Scan stopped"));
    logger->SaveLog();
  }
}

void TCalidarix::SendUsbStopCommand() {
  // The pipe is the thread's: it may be used here only while the handshake holds the thread still.
  auto *usb = dynamic_cast<TUsbFrameGrabber *>(Scan->OtherLink.get());
  if (FAcquisition.StopTimedOut || !usb) {
    LogLine(QStringLiteral("Scan stop: the USB camera's stop command was not sent"));
    return;
  }
  if (usb->SendStop(Scan->FUnit) != 0)
    LogLine(QStringLiteral("Scan stop: the USB camera did not take its stop command"));
}

void TCalidarix::SaveFilm() {
  if (!ScanRequests.FilmRecording.Exchange(false))
    return;
  const bool dual = IsDualBandType(ScanUnit.CameraInterfaceType);
  const std::optional<std::filesystem::path> drive =
      DriveFolder(FDriveLetter.isEmpty() ? 'C' : FDriveLetter.at(0).toLatin1());
  if (!drive) {
    Dialogs().ShowError(this, QStringLiteral("The film drive %1 is not a drive letter").arg(FDriveLetter));
    return;
  }
  TFilmFinishInput in;
  in.DriveFolder = *drive;
  in.Now = Now();
  in.DualBand = dual;
  const std::array<char, 64> comment = CurrentDTV ? CurrentDTV->FHeader.Comment : std::array<char, 64>{};
  if (CurrentDTV)
    in.Single = FilmHeaderPatch(CurrentDTV->FFilmMin, CurrentDTV->FFilmMax, comment);
  if (BandDTV35)
    in.Band35 = FilmHeaderPatch(BandDTV35->FFilmMin, BandDTV35->FFilmMax, comment);
  if (BandDTV812)
    in.Band812 = FilmHeaderPatch(BandDTV812->FFilmMin, BandDTV812->FFilmMax, comment);
  in.VideoOn = ScanRequests.VideoOn.Get();
  in.VideoFrames = CurrentDTV ? CurrentDTV->FHeader.FrameCount : 0;
  const TFilmFinishResult result = FinishFilm(in);
  FAcquisition.FilmLock.reset();
  FAcquisition.FilmLock812.reset();

  for (const TFinishedFilm &film : result.Films) {
    const QString name = QString::fromStdString(film.Target.string());
    const bool second = film.Temporary.filename() == kFilmTemp812Name;
    if (second && BandDTV812)
      BandDTV812->FFileName = name;
    if (!second) {
      if (CurrentDTV)
        CurrentDTV->FFileName = name;
      if (dual && BandDTV35)
        BandDTV35->FFileName = name;
    }
  }
  if (!result.Ok()) {
    for (const QString &problem : result.Problems)
      LogLine(problem);
    Dialogs().ShowError(this, result.Problems.join(QLatin1Char('\n')));
  }
  if (!result.MainFilm.empty()) {
    FAcquisition.FilmSavedName = QString::fromStdString(result.MainFilm.filename().string());
    FSaveDirectory = QString::fromStdString(result.MainFilm.parent_path().string());
    FOpenDirectory = FSaveDirectory;
    LogLine(QStringLiteral("Film saved: %1").arg(QString::fromStdString(result.MainFilm.string())));
  }
  SetBackground(FileInfoPanel, ButtonFace(this));
  ImagePB->update();
  if (FAcquisition.FMergeScansPending) {
    FAcquisition.FMergeScansPending = false;
    MergeMultiScan();
  }
}

// ---- Keyboard actions ----

void TCalidarix::RequestSpeedKey(std::uint8_t speed, const QString &key) {
  if (!IdleScan()) {
    ScanOnlyNotice(key);
    return;
  }
  ScanRequests.FixedLineMode.Set(false);
  if (speed == 0)
    ScanRequests.FixedLinePosition.Set(60);
  ScanRequests.PendingSpeed.Set(speed);
}

void TCalidarix::F9Execute() {
  RequestSpeedKey(3, QStringLiteral("F9"));
}
void TCalidarix::F10Execute() {
  RequestSpeedKey(2, QStringLiteral("F10"));
}
void TCalidarix::F11Execute() {
  RequestSpeedKey(1, QStringLiteral("F11"));
}
void TCalidarix::F12Execute() {
  RequestSpeedKey(0, QStringLiteral("F12"));
}

void TCalidarix::CtrlF12Execute() {
  if (!IdleScan()) {
    ScanOnlyNotice(QStringLiteral("Ctrl+F12"));
    return;
  }
  const int width = ImagePB->width();
  if (width <= 0)
    return;
  const int x = ImagePB->mapFromGlobal(QCursor::pos()).x();
  const int column = std::clamp(static_cast<int>(static_cast<std::int64_t>(x) * 120 / width), 1, 119);
  ScanRequests.FixedLineMode.Set(true);
  ScanRequests.FixedLinePosition.Set(column);
  ScanRequests.PendingSpeed.Set(0);
}

void TCalidarix::RequestRangeKey(std::uint8_t range, const QString &key) {
  if (!IdleScan()) {
    ScanOnlyNotice(key);
    return;
  }
  ScanRequests.PendingRange.Set(range);
}

void TCalidarix::Alt1Execute() {
  RequestRangeKey(0, QStringLiteral("Alt+1"));
}
void TCalidarix::Alt2Execute() {
  RequestRangeKey(1, QStringLiteral("Alt+2"));
}
void TCalidarix::Alt3Execute() {
  RequestRangeKey(2, QStringLiteral("Alt+3"));
}

void TCalidarix::AltFExecute() {
  if (!ScanRequests.ScanRunning.Get()) {
    ScanOnlyNotice(QStringLiteral("Alt+F"));
    return;
  }
  if (auto *frame = findChild<QToolButton *>(QStringLiteral("FrameSB")))
    frame->setChecked(true);
  FrameSBClick();
}

void TCalidarix::AltF6Execute() {
  if (!Scanning()) {
    ScanOnlyNotice(QStringLiteral("Alt+F6"));
    return;
  }
  for (const char *name : {"BlLab", "ThLab", "BlindLabel", "ThermoLabel"})
    if (auto *label = findChild<QLabel *>(QString::fromLatin1(name)))
      label->show();
  ScanRequests.BlindCorrectionOn.Set(!ScanRequests.BlindCorrectionOn.Get());
}

// ---- Panels, buttons and menu items ----

void TCalidarix::SpeedChangeActionExecute(QObject *control) {
  HideToolPanels();
  bool ok = false;
  const int speed = control ? control->property("Tag").toInt(&ok) : -1;
  if (ok && speed >= 0 && speed <= 3 && ScanRequests.ScanRunning.Get() && !ScanRequests.FilmRecording.Get())
    ScanRequests.PendingSpeed.Set(static_cast<std::uint8_t>(speed));
}

void TCalidarix::SumPanelClick() {
  HideToolPanels();
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  if (Scan && dtv.FSumming) {
    dtv.FSumming = false;
    dtv.FSumDone = 0;
    return;
  }
  const QString caption = FLanguage == 1 ? QStringLiteral("Суммация:") : QStringLiteral("Sum Count:");
  OpenValuePanel(4, caption, QString::fromStdString(FixedText(dtv.SumCount, 2)));
}

void TCalidarix::LaserPanelClick() {
  HideToolPanels();
  if (ScanRequests.ScanRunning.Get())
    ScanRequests.LaserOn.Set(!ScanRequests.LaserOn.Get());
}

void TCalidarix::FrameSBClick() {
  auto *frame = findChild<QToolButton *>(QStringLiteral("FrameSB"));
  if (ScanRequests.ScanRunning.Get()) {
    if (!ScanRequests.FilmRecording.Get() && !ScanRequests.StripScanning.Get())
      ScanRequests.GrabFrameRequest.Set(true);
    else
      StopScan();
    return;
  }
  if (frame && frame->isChecked()) {
    OpenValuePanel(2, QStringLiteral("Frame"), QString::number(CurrentDTV ? CurrentDTV->FFrameIndex : 0));
  } else {
    HideEntry(FixedLevelPanel);
  }
}

void TCalidarix::ButterAutoFocus1Click() {
  if (Scanning())
    ScanRequests.FAutoFocusRequest.Set(true);
  else
    ScanOnlyNotice(QStringLiteral("Auto focus"));
}

void TCalidarix::Focus1Click() {
  FFocusTool = !FFocusTool;
  ImagePB->update();
}

void TCalidarix::OptionsPanelClick() {
  QWidget *scanTool = ScanToolPanel;
  if (PalToolPanel->isVisible()) {
    scanTool->hide();
    PalToolPanel->hide();
    return;
  }
  const QColor face = ButtonFace(this);
  const auto mark = [&](const QString &base, bool marked) {
    SetBackground(findChild<QWidget *>(base + QStringLiteral("Panel")), marked ? kMarkedColour : face);
    SetBackground(findChild<QWidget *>(base + QStringLiteral("NamePanel")), marked ? kMarkedColour : face);
  };
  for (int s = 0; s <= 3; ++s)
    mark(QStringLiteral("Speed%1").arg(s), ScanUnit.Speed == s);
  for (int r = 0; r <= 2; ++r)
    mark(QStringLiteral("Range%1").arg(r + 1), ScanUnit.CalibrationRange == r);
  const bool iso = CurrentDTV && CurrentDTV->isIso;
  mark(QStringLiteral("PalIso"), iso);
  const int slot = iso ? IsoNumber : PalNumber;
  for (int k = 0; k < 8; ++k)
    mark(QStringLiteral("Pal%1").arg(k + 1), slot == k);
  if (Scan) {
    mark(QStringLiteral("Sum"), CurrentDTV && CurrentDTV->FSumming);
    mark(QStringLiteral("Film"), ScanRequests.FilmRecording.Get());
    mark(QStringLiteral("Laser"), ScanRequests.LaserOn.Get());
  }
  const auto show = [this](const char *name, bool shown) {
    if (auto *w = findChild<QWidget *>(QString::fromLatin1(name)))
      w->setVisible(shown);
  };
  show("StripPanel", HeadConnected);
  show("PanoImage", HeadConnected);
  show("SearchHeadImage", !HeadConnected);
  if (FSeekMode)
    if (auto *name = findChild<QLabel *>(QStringLiteral("PanoNamePanel")))
      name->setText(QStringLiteral("Blinds (F6)"));

  scanTool->adjustSize();
  PalToolPanel->adjustSize();
  scanTool->move(0, 60);
  PalToolPanel->move(0, scanTool->y() + scanTool->height() + 40);
  if (Scanning()) {
    scanTool->show();
    scanTool->raise();
  } else {
    QWidget *options = findChild<QWidget *>(QStringLiteral("OptionsPanel"));
    const int top = options ? options->mapTo(centralWidget(), QPoint(0, 0)).y() : 4;
    PalToolPanel->move(0, std::max(top - 4, 0));
  }
  PalToolPanel->show();
  PalToolPanel->raise();
}

// ---- Controls ----

void TCalidarix::BuildAcquisitionControls() {
  // The camera module's log reaches the log window on the GUI thread, whichever thread wrote it.
  SetCameraLogSink([](const QString &line) {
    if (QCoreApplication *app = QCoreApplication::instance())
      QMetaObject::invokeMethod(
          app, [line] { LogLine(line); }, Qt::QueuedConnection);
  });

  ScanSB->setCheckable(true);
  if (auto *frame = findChild<QToolButton *>(QStringLiteral("FrameSB")))
    frame->setCheckable(true);
  connect(Start1, &QAction::triggered, this, [this] { ScanSBClick(); });
  if (auto *stop = findChild<QAction *>(QStringLiteral("Stop1"))) {
    stop->setEnabled(false);
    connect(stop, &QAction::triggered, this, [this] { StopScan(); });
  }

  // The Scan big button's two faces.
  if (auto *scanPanel = findChild<QLabel *>(QStringLiteral("ScanPanel"))) {
    auto *faces = new QHBoxLayout(scanPanel);
    faces->setContentsMargins(0, 0, 0, 0);
    auto *scanImage = new QLabel(QStringLiteral("SCAN"), scanPanel);
    scanImage->setObjectName(QStringLiteral("ScanImage"));
    auto *stopImage = new QLabel(QStringLiteral("STOP"), scanPanel);
    stopImage->setObjectName(QStringLiteral("StopItImage"));
    for (QLabel *face : {scanImage, stopImage}) {
      face->setAlignment(Qt::AlignCenter);
      faces->addWidget(face);
    }
    stopImage->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    stopImage->hide();
  }

  FocusPB = new TFocusSlider(centralWidget());
  FocusPB->hide();

  // The scan tool panel: a picture and a caption per button, both acting as the button.
  const auto press = [this](QObject *part, const QString &kind) {
    if (kind == QLatin1String("speed"))
      SpeedChangeActionExecute(part);
    else if (kind == QLatin1String("range"))
      RangeChangeActionExecute(part);
    else if (kind == QLatin1String("sum"))
      SumPanelClick();
    else if (kind == QLatin1String("film"))
      FilmPanelClick();
    else if (kind == QLatin1String("laser"))
      LaserPanelClick();
    else if (kind == QLatin1String("strip")) {
      HideToolPanels();
      NotAvailable(QStringLiteral("Strip scanning"));
    }
  };
  TToolButtonPanel tools(centralWidget(), QStringLiteral("ScanToolPanel"), press);
  ScanToolPanel = tools.Panel();
  const char *speedCaptions[] = {"Spd0 (F12)", "Spd1 (F11)", "Spd2 (F10)", "Spd3 (F9)"};
  for (int s = 0; s <= 3; ++s)
    tools.AddButton(s, QStringLiteral("Speed%1").arg(s), QString::fromLatin1(speedCaptions[s]),
                    QStringLiteral("speed"), s);
  for (int r = 0; r <= 2; ++r)
    tools.AddButton(4 + r, QStringLiteral("Range%1").arg(r + 1), QStringLiteral("R%1 (Alt+%1)").arg(r + 1),
                    QStringLiteral("range"), r);
  tools.AddButton(8, QStringLiteral("Sum"), QStringLiteral("Sum"), QStringLiteral("sum"), 0);
  tools.AddButton(9, QStringLiteral("Film"), QStringLiteral("Film (F)"), QStringLiteral("film"), 0);
  tools.AddButton(10, QStringLiteral("Laser"), QStringLiteral("Laser"), QStringLiteral("laser"), 0);
  QFrame *strip =
      tools.AddButton(11, QStringLiteral("Strip"), QStringLiteral("Strip"), QStringLiteral("strip"), 0);
  if (auto *image = strip->findChild<QLabel *>(QStringLiteral("StripImage")))
    image->setObjectName(QStringLiteral("PanoImage"));
  if (auto *name = strip->findChild<QLabel *>(QStringLiteral("StripNamePanel")))
    name->setObjectName(QStringLiteral("PanoNamePanel"));
  auto *search = new QLabel(QStringLiteral("Search head"), strip);
  search->setObjectName(QStringLiteral("SearchHeadImage"));
  strip->layout()->addWidget(search);
  ScanToolPanel->adjustSize();
  ScanToolPanel->hide();

  // The big buttons of this part.
  auto *big = new TEventHook(this, [this](QObject *watched, QEvent *event) {
    if (event->type() != QEvent::MouseButtonRelease)
      return false;
    const QString name = watched->objectName();
    if (name.startsWith(QLatin1String("Scan")) || name == QLatin1String("StopItImage"))
      ScanSBClick();
    else
      OptionsPanelClick();
    return true;
  });
  for (const char *name :
       {"ScanPanel", "ScanNamePanel", "ScanImage", "StopItImage", "OptionsPanel", "OptionsNamePanel"})
    if (auto *w = findChild<QWidget *>(QString::fromLatin1(name)))
      big->Watch(w);
  if (auto *options = findChild<QLabel *>(QStringLiteral("OptionsNamePanel")))
    if (options->text().isEmpty())
      options->setText(QStringLiteral("Options"));

  // The frame button.
  if (auto *frame = findChild<QToolButton *>(QStringLiteral("FrameSB")))
    connect(frame, &QToolButton::clicked, this, [this] { FrameSBClick(); });

  // The keyboard actions (F9 ... Alt+Insert) are the key table's; they call the commands above.

  // The service menu's acquisition items.
  if (ServiceFunctions) {
    const auto check = [this](QMenu *menu, const char *name, const char *text) {
      QAction *item = menu->addAction(QString::fromLatin1(text));
      item->setObjectName(QString::fromLatin1(name));
      item->setCheckable(true);
      return item;
    };
    check(ServiceFunctions, "PanoInteractive", "Pano Interactive");
    check(ServiceFunctions, "ProgressiveScan", "Scan Progressive");
    check(ServiceFunctions, "PureData1", "Scan Pure Data");
    check(ServiceFunctions, "TeleMetry", "TeleMetry");
    QMenu *butterfly = ServiceFunctions->addMenu(QStringLiteral("Butter Fly"));
    butterfly->setObjectName(QStringLiteral("ButterFly1"));
    QAction *focus = butterfly->addAction(QStringLiteral("AutoFocus"));
    focus->setObjectName(QStringLiteral("ButterAutoFocus1"));
    connect(focus, &QAction::triggered, this, &TCalidarix::ButterAutoFocus1Click);
    QAction *focusTool = butterfly->addAction(QStringLiteral("Focus"));
    focusTool->setObjectName(QStringLiteral("Focus1"));
    connect(focusTool, &QAction::triggered, this, &TCalidarix::Focus1Click);
    check(butterfly, "ButterShaker", "Shaker");
  }
}

bool TCalidarix::MenuChecked(const char *name) const {
  const auto *item = findChild<QAction *>(QString::fromLatin1(name));
  return item && item->isChecked();
}

} // namespace calidarix
