// The main window's creation handler: program-wide state in a fixed order (the INI before the palettes,
// the palettes before the registry defaults, the registry before the captions, the command line after the
// demo image), then the start-up command line. The head connection and the camera-type question wait for
// the event loop.

#include "mainwindow/registry_settings.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "platform/path_text.h"
#include "platform/registry.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

namespace calidarix {

TCalidarix *Calidarix = nullptr;

namespace {

// Lays out a window that has not been shown yet, top-down, so that child sizes are known.
void LayOutNow(QWidget *widget) {
  if (QLayout *layout = widget->layout())
    layout->activate();
  for (QWidget *child : widget->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
    if (!child->isWindow())
      LayOutNow(child);
}

} // namespace

TCalidarix::TCalidarix(ShellServices &services, QWidget *parent) : QMainWindow(parent), FServices(services) {
  setObjectName("Calidarix");
  setWindowTitle("Calidarix");
  setMinimumSize(256, 224);
  BuildComponents();
  RealTimeTimer = new QTimer(this);
  RealTimeTimer->setObjectName("RealTimeTimer");
  RealTimeTimer->setInterval(1000);
  connect(RealTimeTimer, &QTimer::timeout, this, &TCalidarix::RealTimeTimerTimer);
  RefreshTimer = new QTimer(this);
  RefreshTimer->setObjectName("RefreshTimer");
  RefreshTimer->setInterval(2000);
  connect(RefreshTimer, &QTimer::timeout, this, &TCalidarix::RefreshTimerTimer);
  InterfaceTimer = new QTimer(this);
  InterfaceTimer->setObjectName("InterfaceTimer");
  InterfaceTimer->setInterval(500);
  InterfaceTimer->setSingleShot(true);
  connect(InterfaceTimer, &QTimer::timeout, this, &TCalidarix::InterfaceTimerTimer);
}

TCalidarix::~TCalidarix() {
  SetRegistryProblemHandler({});
  FormDestroy();
  if (Calidarix == this)
    Calidarix = nullptr;
}

void TCalidarix::Note(ServiceStatus status, const char *what) {
  if (status == ServiceStatus::NotAvailable && logger)
    logger->AppendLine(QString::fromLatin1(what) + QStringLiteral(": not available"));
  else if (status == ServiceStatus::Failed && logger)
    logger->AppendLine(QString::fromLatin1(what) + QStringLiteral(": failed"));
}

void TCalidarix::NotAvailable(const QString &what) {
  const QString text = what + QStringLiteral(": not available");
  if (logger)
    logger->AppendLine(text);
  FStatusNotice = text;
  if (ImagePB)
    ImagePB->update();
}

void TCalidarix::FormCreate(const QStringList &arguments) {
  // The log window comes first so that every later step can log; the joystick's capture does not log.
  const ServiceStatus joystick = FServices.joystick->Capture(*this, 100);
  logger = new Tlogger(this);
  Note(joystick, "Joystick");
  // Damage in the registry file is told in the window, once start-up has read and set it aside.
  SetRegistryProblemHandler([this](const std::string &message) {
    QMetaObject::invokeMethod(
        this, [this, text = QString::fromStdString(message)] { ReportRegistryProblem(text); },
        Qt::QueuedConnection);
  });

  Note(FServices.desktop->CreateDesktopShortcuts(), "Desktop shortcuts");
  FMetroMode = false;
  FDriveLetter = QStringLiteral("C");
  QApplication::setWindowIcon(ProgramIcon());

  PublishForSibling();

  const std::optional<bool> cameraFound = FServices.settings->LoadIniSettings(*this);
  if (!cameraFound)
    Note(ServiceStatus::NotAvailable, "Calidarix.ini");
  // Films are recovered on the film drive the INI names, not on the drive assumed before it was read.
  Note(FServices.desktop->RecoverInterruptedFilm(FDriveLetter), "Film recovery");
  if (!cameraFound.value_or(false)) {
    ScanSB->setEnabled(false);
    Start1->setEnabled(false);
  }
  Note(FServices.settings->RegisterFileAssociation(), "File association");

  FSaveNameBase = QStringLiteral("kvd");
  FMinPanelColor = QColor(224, 224, 255);
  FMaxPanelColor = QColor(255, 224, 224);
  Note(FServices.view->CreateThermograms(FServices.acquisition->CameraInterfaceType() == 64), "Thermograms");
  Note(FServices.settings->ParamsRestore(*this), "Registry settings");

  SetLanguageCaptions(FLanguage);
  LanguageCB->setCurrentIndex(FLanguage == 0 || FLanguage == 1 ? FLanguage : -1);
  const std::pair<const char *, bool> boxes[] = {
      {"AutoSaveCB", isAutoSave},      {"FullScreenCB", FIsFullScreen}, {"FixedRangeCB", FIsFixedRange},
      {"BigButtonsCB", FIsBigButtons}, {"AutoIsothermCB", isIsoAuto},   {"MenuVisibleCB", FIsMenuVisible},
      {"IntegerCB", FIsInteger},       {"SavebyF2CB", isSaveByF2},      {"NightModeCB", FIsNightMode},
      {"ReadDTICB", FIsReadDTI},
  };
  for (auto [name, checked] : boxes)
    findChild<QCheckBox *>(name)->setChecked(checked);

  SetNightColours(FIsNightMode);
  if (!FIsMenuVisible)
    SetMenuItemsVisible(false);
  if (FIsBigButtons) {
    ToolPanel->hide();
    BigButtonsPanel->show();
  }

  // Start values that replace whatever the registry held.
  Note(FServices.view->SetUpPalettes(FMetroMode), "Palettes");
  // The image palette the user chose last comes back: starting every run in slot 0 would undo that
  // choice and write 0 over it at close. The editor's slot 8 is not kept between runs (its palette
  // is not stored), so a stored 8, like any number that names no slot, starts in slot 0.
  if (const std::uint8_t stored = FRegistrySettings.PalNumber; CurrentDTV && stored < kEditorPaletteSlot) {
    PalNumber = stored;
    FPalette = FPalettes[stored];
    CurrentDTV->FPalette = FPalette;
  }
  FontN = 14;
  findChild<QAction *>("N141")->setChecked(true);
  BMPLook = 1;
  ArrayStatistic = 0;
  findChild<QAction *>("ArrayAvg1")->setChecked(true);
  findChild<QAction *>("Rectangle1")->setChecked(ArrayType == 0);
  findChild<QAction *>("Ellipse1")->setChecked(ArrayType == 1);
  SetBackground(PalBottomPanel, FMinPanelColor);

  Note(FServices.view->MakeDemoImage(), "Demo image");
  if (FIsFullScreen) {
    SavedWindowRect = geometry();
    ToggleFullScreen();
    QCoreApplication::processEvents();
  } else {
    SizeForImage(640, 540);
  }
  FSeekMode = false;
  FScanCameraMode = true;
  StartThermalModule();

  FStartup = ParseCommandLine(arguments);
  ApplyCommandLine(FStartup);

  FirstShowPending = true;
  FTextColor = Qt::white;
  FInterfaceTimerRequested = true;
  for (QWidget *strip : {ImLeftPB, ImRightPB})
    strip->setFixedWidth(0);
  for (QWidget *strip : {ImTopPB, ImBottomPB})
    strip->setFixedHeight(0);

  EnableHeadMenuItems();

  findChild<QAction *>("ShowMinMax1")->setChecked(FIsShowMinMax);
  findChild<QAction *>("DoubleMinMax1")->setChecked(FIsDoubleMinMax);
  FrameRealDateLabel->hide();
  FrameRealTimeLabel->hide();
  RealTimeLabel->hide();
  RealTimeTimer->start();
  RefreshTimer->start();
}

void TCalidarix::ReportRegistryProblem(const QString &text) {
  if (logger)
    logger->AppendLine(text);
  // The reports of one moment (the damage, then where the damaged file went) make one message.
  if (FRegistryProblems.isEmpty())
    QTimer::singleShot(0, this, [this] {
      const QString all = FRegistryProblems.join(QStringLiteral("\n\n"));
      FRegistryProblems.clear();
      FDialogs->ShowError(this, all);
    });
  FRegistryProblems << text;
}

void TCalidarix::PublishForSibling() {
  PrevActiveHandle = 0;
  KeyValueStore &registry = *FServices.registry;
  if (!registry.OpenKey(kInterfaceKey)) {
    Note(ServiceStatus::NotAvailable, "Registry key dtvimage\\Calidarix_Interface");
    return;
  }
  if (auto previous = registry.ReadInteger(kInterfaceKey, "Active_Handle"))
    PrevActiveHandle = *previous;
  FPublishedHandle = FServices.sibling->PublishWindow(*this);
  if (FPublishedHandle == 0) {
    Note(ServiceStatus::NotAvailable, "Sibling link");
    return;
  }
  if (!registry.WriteInteger(kInterfaceKey, "Active_Handle", FPublishedHandle)) {
    // A registry that refuses this first write would refuse the settings too; they are not tried.
    FRegistryFailed = true;
    logger->AppendLine(
        QStringLiteral("Registry: Active_Handle could not be written; settings will not be saved"));
  }
}

void TCalidarix::AfterAllWindowsCreated() {
  // The tray icon is no part of the first picture, and its menu can bring up any window.
  if (!FTrayIcon)
    SetTrayIcon();
  if (!FInterfaceTimerRequested)
    return;
  FInterfaceTimerRequested = false;
  QTimer::singleShot(0, this, &TCalidarix::ConnectHeadAtStart);
  InterfaceTimer->start();
}

void TCalidarix::ConnectHeadAtStart() {
  // The serial port the head was found on last time (its low 8 bits; 0 makes the link search).
  if (FRegistrySettings.HeadCom)
    FServices.head->SetComPort(*FRegistrySettings.HeadCom & 0xFF);
  ConnectHead();
  Note(FServices.head->SetTrackingMode(0), "Head tracking mode");
  EnableHeadMenuItems();
}

void TCalidarix::EnableHeadMenuItems() {
  for (const char *name : {"PanByFrames", "PanByStrips", "Strip1", "PanoramHeadControl1"})
    findChild<QAction *>(name)->setEnabled(HeadConnected);
  findChild<QAction *>("ScanforPanHead1")->setEnabled(!HeadConnected);
}

void TCalidarix::SizeForImage(int width, int height) {
  LayOutNow(this);
  // The layouts of a hidden window take the new size at its first show, which lays everything out anew.
  resize(size() + QSize(width - ImagePB->width(), height - ImagePB->height()));
}

void TCalidarix::ApplyCommandLine(const StartupSwitches &s) {
  if (s.userLog)
    logger->FUserLog = true;
  if (s.cameraIpGiven) {
    FServices.acquisition->SetCameraIP(s.cameraIp);
    setWindowTitle(s.ipCaption);
  }
  if (s.clearFileName)
    FServices.view->SetFileName(QString());
  const QList<QScreen *> screens = QGuiApplication::screens();
  if (s.moveToMonitor >= 0 && screens.size() > 1 && s.moveToMonitor < screens.size())
    move(screens[s.moveToMonitor]->geometry().topLeft());
  if (s.noHeadConnection) {
    FSeekMode = false;
    FScanCameraMode = false;
  }
  AutoStartScan = s.autoStartScan;
  FullScreenStart = s.fullScreenStart;
  FullVideoStart = s.fullVideoStart;
  PolyFormLeft = s.polyFormLeft;
  PolyFormRight = s.polyFormRight;
  FixedFileStart = s.fixedFileStart;

  switch (s.load) {
  case StartupLoad::DemoByReload:
    Note(FServices.view->ChangeDTV(true), "Thermogram view");
    break;
  case StartupLoad::KeepDemo:
    break;
  case StartupLoad::FixedFile:
    FFixedFileName = OpenablePathText(s.fixedFileName).value_or(s.fixedFileName);
    FServices.view->SetFileName(QString());
    Note(FServices.view->ChangeDTV(true), "Thermogram view");
    Note(FServices.view->FitImageLayout(), "Image layout");
    if (!FOpenDirectory.isEmpty() && QFileInfo(FOpenDirectory).isDir())
      UpDateFilesList(FOpenDirectory);
    break;
  case StartupLoad::File: {
    // The name keeps the bytes it was given, also when they are not UTF-8.
    const std::optional<QString> openable = OpenablePathText(s.fileName);
    if (!openable) {
      ShowViewNotice(QStringLiteral("\"%1\" cannot be opened: it does not exist or cannot be reached")
                         .arg(DisplayPathText(s.fileName)));
      break;
    }
    FServices.view->SetFileName(*openable);
    const ServiceStatus shown = FServices.view->ChangeDTV(true);
    Note(shown, "Thermogram view");
    // An unreadable file leaves the demo image made above, which has no name; a missing one shows it
    // too. Neither has a folder to list.
    if (shown == ServiceStatus::Failed)
      FServices.view->SetFileName(QString());
    const QString loaded = FServices.view->FileName();
    FOpenDirectory = loaded.isEmpty() ? QString() : ListableFolderText(QFileInfo(loaded).absolutePath());
    if (!loaded.isEmpty())
      UpDateFilesList(FOpenDirectory);
    break;
  }
  }
}

void TCalidarix::ConnectHead() {
  if (!FScanCameraMode || FServices.head->Connected())
    return;
  Note(FServices.head->InitLink(), "Head link");
  HeadConnected = FServices.head->Connected();
  if (!HeadConnected)
    return;
  const QString key = QStringLiteral("\\dtvimage\\Qor");
  if (FServices.registry->OpenKey(key)) {
    const int port = FServices.head->ComPort();
    if (FServices.registry->ReadInteger(key, "HeadCom") != std::optional<std::int64_t>(port))
      FServices.registry->WriteInteger(key, "HeadCom", port);
  }
}

} // namespace calidarix
