#include "mainwindow/ui/main_window.h"

#include "acquisition/ui/interface_form.h"
#include "acquisition/ui/video_form.h"
#include "analysis/markers.h"
#include "mainwindow/captions.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/placeholder_forms.h"
#include "mainwindow/ui/program_windows.h"
#include "mainwindow/ui/progress_form.h"
#include "mainwindow/ui/thermogram_view.h"
#include "tests/mainwindow/ui/shell_fakes.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace calidarix {
namespace {

const char *kInterfaceKeyWithoutRoot = "dtvimage\\Calidarix_Interface";

// The main window made and started as the program does, on fake services.
class MainWindow : public ::testing::Test {
protected:
  TCalidarix &Start(const QStringList &arguments = {}) {
    window = std::make_unique<TCalidarix>(fakes.services);
    Calidarix = window.get();
    window->FormCreate(arguments);
    window->show();
    return *window;
  }
  void TearDown() override { window.reset(); }
  // What the program runs once every window exists, up to the camera-type question (left out).
  void RunStartUpEvents() {
    window->AfterAllWindowsCreated();
    QCoreApplication::processEvents();
    window->InterfaceTimer->stop();
  }

  template <typename T = QWidget> T *Find(const char *name) { return window->findChild<T *>(name); }
  QStringList VisibleMenus() const {
    QStringList shown;
    for (QAction *item : window->menuBar()->actions())
      if (item->isVisible())
        shown << (item->menu() ? item->menu()->objectName() : item->objectName());
    return shown;
  }

  test::FakeServices fakes;
  std::unique_ptr<TCalidarix> window;
};

bool IsComponentRow(const CaptionRow &row) {
  return row.target == CaptionTarget::Hint || row.target == CaptionTarget::Caption;
}

// The text a caption row sets on one component: its hint, else its text, else its title (menus).
QString RowText(const QObject &object, const CaptionRow &row) {
  return row.target == CaptionTarget::Hint   ? object.property("toolTip").toString()
         : object.property("text").isValid() ? object.property("text").toString()
                                             : object.property("title").toString();
}

TEST_F(MainWindow, EveryCaptionComponentExistsAndStartsInEnglish) {
  TCalidarix &w = Start();
  for (const CaptionRow &row : CaptionTable()) {
    if (!IsComponentRow(row))
      continue;
    QObject *object = w.findChild<QObject *>(row.component);
    ASSERT_NE(object, nullptr) << row.component;
    EXPECT_EQ(RowText(*object, row), QString::fromUtf8(row.english)) << row.component;
  }
  EXPECT_EQ(w.windowTitle(), "Calidarix");
  EXPECT_EQ(w.FBaseCaption, "Calidarix");
  EXPECT_EQ(w.FStatTexts[0], "Min");
}

TEST_F(MainWindow, SwitchingToRussianChangesEveryCaptionButTheThreeAndBack) {
  TCalidarix &w = Start();
  w.SetLanguageCaptions(1);
  QStringList keptEnglish;
  for (const CaptionRow &row : CaptionTable()) {
    if (!IsComponentRow(row))
      continue;
    const QList<QObject *> objects = w.findChildren<QObject *>(row.component);
    ASSERT_FALSE(objects.isEmpty()) << row.component;
    for (const QObject *object : objects) {
      const QString text = RowText(*object, row);
      if (row.russian == nullptr) {
        EXPECT_EQ(text, QString::fromUtf8(row.english)) << row.component;
      } else {
        EXPECT_EQ(text, QString::fromUtf8(row.russian)) << row.component;
      }
    }
    if (RowText(*objects.first(), row) == QString::fromUtf8(row.english) && std::string(row.english) != "!")
      keptEnglish << row.component;
  }
  EXPECT_EQ(keptEnglish, (QStringList{"ScanPanel", "ScanNamePanel", "AutoStitch"}));
  EXPECT_EQ(w.FBaseCaption, QString::fromUtf8("Калидарикс"));
  EXPECT_EQ(w.windowTitle(), w.FBaseCaption);
  EXPECT_EQ(w.FStatTexts, (std::array<QString, 5>{QString::fromUtf8("Мин"), QString::fromUtf8("Мкс"),
                                                  QString::fromUtf8("Срд"), QString::fromUtf8("Тчк"),
                                                  QString::fromUtf8("Т")}));

  w.SetLanguageCaptions(0);
  for (const CaptionRow &row : CaptionTable())
    if (IsComponentRow(row))
      for (const QObject *object : w.findChildren<QObject *>(row.component)) {
        EXPECT_EQ(RowText(*object, row), QString::fromUtf8(row.english)) << row.component;
      }
  EXPECT_EQ(w.windowTitle(), "Calidarix");
  EXPECT_EQ(w.FStatTexts[3], "Pts");
}

TEST_F(MainWindow, StartsWithTheImageAt640By540AndOnlyTheClockAndBatteryTimers) {
  TCalidarix &w = Start();
  EXPECT_EQ(w.ImagePB->size(), QSize(640, 540));
  EXPECT_TRUE(w.RealTimeTimer->isActive());
  EXPECT_TRUE(w.RefreshTimer->isActive());
  EXPECT_FALSE(w.InterfaceTimer->isActive()); // started once every window exists
  w.AfterAllWindowsCreated();
  EXPECT_TRUE(w.InterfaceTimer->isActive());
  EXPECT_EQ(w.InterfaceTimer->interval(), 500);
  EXPECT_TRUE(w.InterfaceTimer->isSingleShot());
  ASSERT_NE(logger, nullptr);
  EXPECT_FALSE(logger->isVisible());
  EXPECT_EQ(logger->parent(), &w);
  EXPECT_FALSE(w.RealTimeLabel->isVisible());
  EXPECT_EQ(fakes.view->calls, (QStringList{"MakeDemoImage", "ChangeDTV(1,)"}));
}

TEST_F(MainWindow, NullServicesLeaveScanOffAndSayWhatIsMissing) {
  fakes.services = ShellServices(); // every service null
  TCalidarix &w = Start();
  RunStartUpEvents();
  EXPECT_FALSE(w.ScanSB->isEnabled());
  EXPECT_FALSE(w.Start1->isEnabled());
  const QString log = logger->Lines().join('\n');
  for (const char *missing : {"Calidarix.ini: not available", "Registry settings: not available",
                              "Demo image: not available", "Head link: not available"})
    EXPECT_TRUE(log.contains(missing)) << missing << "\n" << log.toStdString();
  EXPECT_FALSE(w.HeadConnected);
  EXPECT_FALSE(Find<QAction>("PanByFrames")->isEnabled());
  EXPECT_TRUE(Find<QAction>("ScanforPanHead1")->isEnabled());
}

TEST_F(MainWindow, StoredLanguageSetsTheCaptionsAndUnknownOnesShowEnglish) {
  fakes.settings->restore = [](TCalidarix &w) { w.FLanguage = 1; };
  TCalidarix &w = Start();
  EXPECT_EQ(Find<QMenu>("File1")->title(), QString::fromUtf8("Файл"));
  EXPECT_EQ(Find<QLabel>("XLab")->text(), QString::fromUtf8("Х:"));
  EXPECT_EQ(Find<QLabel>("ScanNamePanel")->text(), "Scan [F5]");
  EXPECT_EQ(w.windowTitle(), w.FBaseCaption);
  window.reset();

  fakes.settings->restore = [](TCalidarix &w) { w.FLanguage = 5; };
  TCalidarix &english = Start();
  EXPECT_EQ(english.FLanguage, 5);
  EXPECT_EQ(Find<QMenu>("File1")->title(), "File");
  EXPECT_EQ(english.FStatTexts[1], "Max");
}

TEST_F(MainWindow, PublishesItsHandleAndRestoresThePreviousOneAtClose) {
  fakes.registry->values[QString(kInterfaceKeyWithoutRoot) + "/Active_Handle"] = 777;
  TCalidarix &w = Start();
  EXPECT_EQ(w.PrevActiveHandle, 777);
  EXPECT_EQ(fakes.registry->values[QString(kInterfaceKeyWithoutRoot) + "/Active_Handle"],
            fakes.sibling->handle);
  EXPECT_EQ(w.FPublishedHandle, fakes.sibling->handle);
  int closed = 0;
  QObject::connect(&w, &TCalidarix::Closed, [&] { ++closed; });
  w.close();
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(fakes.settings->registered, 1);
  EXPECT_EQ(fakes.registry->values[QString(kInterfaceKeyWithoutRoot) + "/Active_Handle"], 777);
}

// Notes the closing of the windows it watches, with where the main window stood at that moment.
class CloseWatcher : public QObject {
public:
  CloseWatcher(QStringList &journal, const QWidget &main) : journal_(journal), main_(main) {}
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Close)
      journal_ << QString("close %1 at %2,%3").arg(watched->objectName()).arg(main_.x()).arg(main_.y());
    return false;
  }

private:
  QStringList &journal_;
  const QWidget &main_;
};

TEST_F(MainWindow, CloseStepsRunInOrderAndAFailedSettingsWriteDoesNotStopThem) {
  for (ServiceStatus registerStatus : {ServiceStatus::Done, ServiceStatus::Failed}) {
    SCOPED_TRACE(int(registerStatus));
    QStringList journal;
    fakes.KeepJournal(&journal);
    fakes.settings->registerStatus = registerStatus;
    fakes.acquisition->scanRunning = true;
    fakes.registry->values[QString(kInterfaceKeyWithoutRoot) + "/Active_Handle"] = 777;
    TCalidarix &w = Start();
    w.move(40, 50);
    TGraphForm graph, timeProfile;
    TPrintForm print;
    GraphForm = &graph;
    TimeProfileForm = &timeProfile; // not shown: left alone
    PrintForm = &print;
    CloseWatcher watcher(journal, w);
    for (QWidget *docked : {static_cast<QWidget *>(&graph), static_cast<QWidget *>(&timeProfile),
                            static_cast<QWidget *>(&print)})
      docked->installEventFilter(&watcher);
    graph.show();
    print.show();
    int closed = 0;
    QObject::connect(&w, &TCalidarix::Closed, [&] { ++closed; });
    journal.clear(); // only the close counts

    w.close();
    EXPECT_EQ(journal,
              (QStringList{"Release joystick", "StopScan", "ParamsRegister", "WriteInteger Active_Handle",
                           "close GraphForm at 40,50", "close PrintForm at 40,50"}));
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(w.pos(), QPoint(1, 1));
    EXPECT_EQ(fakes.registry->values[QString(kInterfaceKeyWithoutRoot) + "/Active_Handle"], 777);
    EXPECT_EQ(logger->Lines().join('\n').contains("Registry settings: failed"),
              registerStatus == ServiceStatus::Failed);
    GraphForm = TimeProfileForm = nullptr;
    PrintForm = nullptr;
    fakes.KeepJournal(nullptr);
    window.reset();
  }
}

TEST_F(MainWindow, AFailedRegistryWriteStopsTheWritesAtClose) {
  fakes.registry->failWrites = true;
  TCalidarix &w = Start();
  EXPECT_TRUE(w.FRegistryFailed);
  EXPECT_TRUE(logger->Lines().join('\n').contains("Active_Handle could not be written"));
  const qsizetype writesAtStart = fakes.registry->writes.size();
  w.close();
  EXPECT_EQ(fakes.settings->registered, 0);
  EXPECT_EQ(fakes.registry->writes.size(), writesAtStart);
}

TEST_F(MainWindow, CommandLineSwitchesReachTheirTargets) {
  TCalidarix &w = Start({"/userlog", "/ip", "192.168.0.33"});
  EXPECT_TRUE(logger->FUserLog);
  EXPECT_EQ(fakes.acquisition->ip, "192.168.0.33");
  EXPECT_EQ(w.windowTitle(), "33");
  EXPECT_EQ(fakes.view->calls, QStringList{"MakeDemoImage"}); // no reload: the demo image stays
  window.reset();

  fakes.view->calls.clear();
  Start({"/scan", "/tmp/some", "film.dtv"});
  EXPECT_EQ(fakes.view->calls.last(), "ChangeDTV(1,/tmp/some film.dtv)");
  EXPECT_EQ(window->FOpenDirectory, "/tmp");
  EXPECT_EQ(fakes.acquisition->calls, QStringList{"ScanSBClick"}); // at first show
  window.reset();

  fakes.view->loadable = false;
  Start({"/missing.dtv"});
  EXPECT_EQ(window->FOpenDirectory, "");
}

TEST_F(MainWindow, FixedFileModeHidesAfterTheFirstShow) {
  TCalidarix &w = Start({"-/data/fixed.dtv"});
  EXPECT_EQ(w.FFixedFileName, "/data/fixed.dtv");
  EXPECT_TRUE(w.FHideOnStart);
  EXPECT_EQ(fakes.view->calls.last(), "ChangeDTV(1,)");
  EXPECT_EQ(fakes.acquisition->calls, QStringList{"ScanSBClick"});
  w.hide();
  w.show(); // later shows do nothing
  EXPECT_EQ(fakes.acquisition->calls.size(), 1);
}

TEST_F(MainWindow, FirstShowNotifiesTheSiblingOnce) {
  fakes.registry->values["dtvimage\\Quillmere_Interface/ExplorerWindow_Handle"] = 4242;
  TCalidarix &w = Start();
  EXPECT_EQ(w.SiblingWindowHandle, 4242);
  EXPECT_EQ(fakes.sibling->sent, QList<std::int64_t>{4242});
  w.hide();
  w.show();
  EXPECT_EQ(fakes.sibling->sent.size(), 1);
}

TEST_F(MainWindow, HeadFoundFromTheEventLoopEnablesThePanoramaCommandsAndStoresItsPort) {
  fakes.head->present = true;
  TCalidarix &w = Start();
  EXPECT_EQ(fakes.head->inits, 0); // not inside the creation handler
  EXPECT_FALSE(Find<QAction>("PanByFrames")->isEnabled());
  EXPECT_TRUE(Find<QAction>("ScanforPanHead1")->isEnabled());
  RunStartUpEvents();
  EXPECT_TRUE(w.HeadConnected);
  EXPECT_TRUE(Find<QAction>("PanByFrames")->isEnabled());
  EXPECT_FALSE(Find<QAction>("ScanforPanHead1")->isEnabled());
  EXPECT_EQ(fakes.registry->values["\\dtvimage\\Qor/HeadCom"], 3);
  window.reset();

  fakes.head->connected = false;
  Start({"/fullvid"}); // no head connection at start
  RunStartUpEvents();
  EXPECT_EQ(fakes.head->inits, 1);
}

TEST_F(MainWindow, MenuVisibilityLeavesTheServiceMenuAlone) {
  TCalidarix &w = Start();
  EXPECT_TRUE(VisibleMenus().isEmpty()); // the stored default hides the menu; no service mode
  w.StartServiceMode();
  EXPECT_EQ(VisibleMenus(), QStringList{"ServiceFunctions"});
  w.SetMenuItemsVisible(true);
  EXPECT_EQ(VisibleMenus().size(), 8); // "[-]", the six menus and the service menu
  w.SetMenuItemsVisible(false);
  EXPECT_EQ(VisibleMenus(), QStringList{"ServiceFunctions"});
}

TEST_F(MainWindow, NightColours) {
  TCalidarix &w = Start();
  EXPECT_EQ(w.MinPanel->palette().color(QPalette::Window), QColor(224, 224, 255));
  w.SetNightColours(true);
  EXPECT_TRUE(w.FIsNightMode);
  EXPECT_EQ(w.MinPanel->palette().color(QPalette::Window), QColor(96, 96, 127));
  EXPECT_EQ(w.MaxPanel->palette().color(QPalette::Window), QColor(127, 96, 96));
  EXPECT_EQ(w.PalBottomPanel->palette().color(QPalette::Window), QColor(96, 96, 127));
  EXPECT_EQ(Find<QLabel>("ScanPanel")->palette().color(QPalette::Window), QColor(128, 128, 128));
  w.SetNightColours(false);
  EXPECT_EQ(w.PalBottomPanel->palette().color(QPalette::Window), QColor(224, 224, 255));
}

TEST_F(MainWindow, FullScreenWithoutMenuCentresTheImageBetweenBlackPanels) {
  fakes.view->aspect = 1.0;
  TCalidarix &w = Start();
  const QRect before = w.geometry();
  w.ToggleFullScreen();
  const QRect screen = w.screen()->geometry();
  EXPECT_TRUE(w.FullScreenOn);
  EXPECT_EQ(w.geometry(), screen);
  EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(w.ClosePanel->isVisible());
  EXPECT_EQ(w.ClosePanel->text(), "X Close");
  ASSERT_TRUE(w.BlackPanelLeft->isVisible());
  const int sides = w.BlackPanelLeft->width() + w.BlackPanelRight->width();
  EXPECT_LE(w.BlackPanelRight->width() - w.BlackPanelLeft->width(), 1);
  EXPECT_GT(sides, 0);
  w.ToggleFullScreen();
  EXPECT_FALSE(w.FullScreenOn);
  EXPECT_EQ(w.geometry(), before);
  EXPECT_FALSE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_FALSE(w.BlackPanelLeft->isVisible());
  EXPECT_TRUE(w.ClosePanel->isVisible()); // stays as it is
}

TEST_F(MainWindow, FullScreenInRussianCaptionsTheCloseButton) {
  fakes.settings->restore = [](TCalidarix &w) {
    w.FLanguage = 1;
    w.FIsFullScreen = true;
  };
  TCalidarix &w = Start();
  EXPECT_TRUE(w.FullScreenOn);
  EXPECT_EQ(w.ClosePanel->text(), QString::fromUtf8("X Закрыть"));
  int closed = 0;
  QObject::connect(&w, &TCalidarix::Closed, [&] { ++closed; });
  w.ClosePanel->click();
  EXPECT_EQ(closed, 1);
}

TEST_F(MainWindow, ImageOnlyViewHidesToolsInfoAndMenu) {
  fakes.settings->restore = [](TCalidarix &w) { w.FIsMenuVisible = true; };
  TCalidarix &w = Start();
  EXPECT_EQ(VisibleMenus().size(), 7);
  w.ImageOnlyMode();
  EXPECT_FALSE(w.ToolPanel->isVisible());
  EXPECT_FALSE(w.InfoBasePanel->isVisible());
  EXPECT_FALSE(w.FileInfoPanel->isVisible());
  EXPECT_TRUE(w.PalBasePanel->isVisible());
  EXPECT_TRUE(VisibleMenus().isEmpty());
  EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
  w.ImageOnlyMode();
  EXPECT_TRUE(w.ToolPanel->isVisible());
  EXPECT_TRUE(w.InfoBasePanel->isVisible());
  EXPECT_EQ(VisibleMenus().size(), 7);
  EXPECT_FALSE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST_F(MainWindow, ClockStopsAFrameTimedScanWhenTheProgressWasCancelled) {
  TProgressForm progress;
  ProgressForm = &progress;
  TCalidarix &w = Start();
  w.HeadConnected = true;
  fakes.acquisition->frameTiming = true;
  w.RealTimeTimerTimer();
  EXPECT_TRUE(fakes.acquisition->calls.isEmpty());
  progress.show();
  progress.CancelBtn->click();
  w.RealTimeTimerTimer();
  EXPECT_EQ(fakes.acquisition->calls, QStringList{"StopScan"});
  w.RealTimeLabel->show();
  w.RealTimeTimerTimer();
  EXPECT_EQ(w.RealTimeLabel->text().size(), 8);
  ProgressForm = nullptr;
}

TEST_F(MainWindow, LogMemoShowsTheLogAndSwitchesLoggingOn) {
  Start();
  window->LogMemoClick();
  EXPECT_TRUE(logger->isVisible());
  EXPECT_TRUE(logger->FUserLog);
}

TEST_F(MainWindow, ToolBarButtonsStartTheirCommandOrLogThatItIsMissing) {
  TCalidarix &w = Start();
  Find<QToolButton>("ScanSB")->setEnabled(true);
  Find<QToolButton>("ScanSB")->click();
  EXPECT_EQ(fakes.acquisition->calls, QStringList{"ScanSBClick"});

  const qsizetype before = logger->Lines().size();
  Find<QToolButton>("LinkSB")->click();
  const QStringList added = logger->Lines().mid(before);
  ASSERT_EQ(added.size(), 1);
  EXPECT_TRUE(added[0].endsWith(Find<QToolButton>("LinkSB")->toolTip() + ": not available"))
      << added[0].toStdString();

  // Every button does something: its command, or the log line.
  for (QToolButton *button : w.ToolPanel->findChildren<QToolButton *>()) {
    if (button == w.PalSB || button == w.LockSB || button == w.CropSB)
      continue; // their effects are tested with the palette and range commands
    if (button == w.FPanels.SetupSB)
      continue; // opens the setup panel, tested with it
    if (button->objectName() == "OpenSB" || button->objectName() == "SaveSB")
      continue; // these open dialogs and write files; the file commands' tests cover them
    if (QStringList{"MinMaxAvgSB", "FontNSB", "DelSB", "CopyPointsSB", "ExcelSB"}.contains(
            button->objectName()))
      continue; // the measurement commands' tests cover these
    if (QStringList{"SaveBMPSB", "CopySB", "BMPFrameSB", "PrintSB", "CopyInfoSB"}.contains(
            button->objectName()))
      continue; // the snapshot, export and print tests cover these
    if (QStringList{"GraphSB", "TimeGraphSB", "HistogramSB"}.contains(button->objectName()))
      continue; // the graph windows' tests cover these
    if (button->objectName() == "View3dSB")
      continue; // turns the relief view on: the 3-D view's tests cover it
    if (button->objectName() == "FrameSB")
      continue; // goes to a frame, or films while scanning: the acquisition commands' tests cover it
    if (button->objectName() == "FixedFileSB")
      continue; // hidden; records a sound: the comments' tests cover it
    const qsizetype lines = logger->Lines().size();
    const qsizetype calls = fakes.acquisition->calls.size();
    button->click();
    EXPECT_TRUE(logger->Lines().size() > lines || fakes.acquisition->calls.size() > calls)
        << button->objectName().toStdString();
  }
}

// The camera-type question after start-up, with the dialog answered by a timer.
class CameraType : public MainWindow {
protected:
  void SetUp() override {
    fakes.settings->cameraSection = false; // no camera in the INI: Scan starts disabled
    Start();
    dialog = std::make_unique<TInterfaceForm>(window.get());
    InterfaceForm = dialog.get();
  }
  void TearDown() override {
    InterfaceForm = nullptr;
    dialog.reset();
    MainWindow::TearDown();
  }
  // Runs `answer` inside the dialog's modal loop; a dialog still open afterwards is rejected, so a test
  // fails instead of hanging.
  void Answer(std::function<void()> answer) {
    QTimer::singleShot(0, dialog.get(), [this, answer] {
      QApplication::setActiveWindow(dialog.get());
      answer();
      if (dialog->isVisible())
        dialog->reject();
    });
  }
  std::unique_ptr<TInterfaceForm> dialog;
};

TEST_F(CameraType, AStoredTypeEnablesScanWithoutAsking) {
  fakes.registry->values["\\dtvimage\\CameraType/InterfaceType"] = 256;
  window->InterfaceTimerTimer();
  EXPECT_TRUE(window->ScanSB->isEnabled());
  EXPECT_TRUE(window->Start1->isEnabled());
  EXPECT_EQ(fakes.acquisition->CameraInterfaceType(), 256);
  EXPECT_FALSE(dialog->isVisible());
}

TEST_F(CameraType, UsbChosenIsStored) {
  Answer([this] {
    dialog->USBRB->setFocus();
    dialog->USBRB->setChecked(true);
    dialog->OkBtn->click();
  });
  window->InterfaceTimerTimer();
  EXPECT_EQ(fakes.acquisition->CameraInterfaceType(), 128);
  EXPECT_TRUE(window->ScanSB->isEnabled());
  EXPECT_EQ(fakes.registry->values["\\dtvimage\\CameraType/InterfaceType"], 128);
}

TEST_F(CameraType, LanKeepsADualBandCamera) {
  fakes.registry->values["\\dtvimage\\CameraType/InterfaceType"] = 0;
  fakes.acquisition->SetCameraInterfaceType(257);
  window->InterfaceTimerTimer(); // 257 is kept, so no question
  EXPECT_EQ(fakes.acquisition->CameraInterfaceType(), 257);
  Answer([this] {
    dialog->LanRB->setFocus();
    dialog->LanRB->setChecked(true);
    dialog->OkBtn->click();
  });
  window->Interface1Click();
  EXPECT_EQ(fakes.acquisition->CameraInterfaceType(), 257);
}

TEST_F(CameraType, CancellingTheQuestionClosesTheProgram) {
  int closed = 0;
  QObject::connect(window.get(), &TCalidarix::Closed, [&] { ++closed; });
  Answer([this] { dialog->reject(); });
  window->InterfaceTimerTimer();
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(window->ScanSB->isEnabled());
}

TEST(ProgramWindowsOrder, EighteenWindowsInTheirOrderPlusTheLog) {
  ShellServices services;
  std::unique_ptr<ProgramWindows> windows;
  { windows = std::make_unique<ProgramWindows>(services, QStringList{"/userlog"}); }
  QStringList names;
  for (QWidget *w : windows->Windows())
    names << w->objectName();
  EXPECT_EQ(names, (QStringList{"Calidarix", "QorCtrl", "GraphForm", "CalibrForm", "InterfaceForm",
                                "InfoForm", "PanoScanDialog", "ProgressForm", "Set0Dialog", "FilmProcessForm",
                                "GLview", "GraphForm", "GraphForm", "FilmSaveForm", "PrintForm",
                                "PaletteForm", "ActivateTCPServerForm", "OpenForm"}));
  EXPECT_EQ(GraphForm->Tag, 0);
  EXPECT_EQ(GraphForm->windowTitle(), "Thermo Profile");
  EXPECT_EQ(TimeProfileForm->Tag, 1);
  EXPECT_EQ(TimeProfileForm->windowTitle(), "Time Profile");
  EXPECT_EQ(HistogramForm->Tag, 2);
  EXPECT_EQ(HistogramForm->windowTitle(), "Histogram");
  EXPECT_EQ(InterfaceForm->windowTitle(), "Camera type");
  EXPECT_EQ(ProgressForm->windowTitle(), "Progress");
  ASSERT_NE(logger, nullptr);
  EXPECT_TRUE(Calidarix->isVisible());
  for (QWidget *w : windows->Windows())
    if (w != Calidarix) {
      EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
    }
  EXPECT_TRUE(Calidarix->InterfaceTimer->isActive());
  windows.reset();
  EXPECT_EQ(Calidarix, nullptr);
  EXPECT_EQ(ProgressForm, nullptr);
  EXPECT_EQ(logger, nullptr);
}

// The program makes the windows after the main window once the picture has been painted: before
// that only the main window exists (its first show done, the camera-type timer not yet started), after
// it all eighteen in their order, as if made at once.
TEST(ProgramWindowsOrder, TheRestFollowTheFirstPaintInTheirOrder) {
  ShellServices services;
  ProgramWindows windows(services, QStringList{"/userlog"}, TWindowCreation::RestAfterFirstPaint);
  EXPECT_FALSE(windows.AllCreated());
  ASSERT_EQ(windows.Windows().size(), 1u);
  EXPECT_EQ(GraphForm, nullptr);
  EXPECT_TRUE(Calidarix->isVisible());
  EXPECT_FALSE(Calidarix->InterfaceTimer->isActive());
  // Whether the rest existed when the picture was first painted.
  class PaintSeen : public QObject {
  public:
    explicit PaintSeen(const ProgramWindows &w) : windows(w) {}
    bool eventFilter(QObject *, QEvent *event) override {
      if (event->type() == QEvent::Paint && !painted) {
        painted = true;
        restAtPaint = windows.AllCreated();
      }
      return false;
    }
    const ProgramWindows &windows;
    bool painted = false;
    bool restAtPaint = false;
  } seen(windows);
  Calidarix->ImagePB->installEventFilter(&seen);
  QElapsedTimer waited;
  waited.start();
  while (!windows.AllCreated() && waited.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  Calidarix->ImagePB->removeEventFilter(&seen);
  ASSERT_TRUE(windows.AllCreated());
  EXPECT_TRUE(seen.painted);
  EXPECT_FALSE(seen.restAtPaint);
  QStringList names;
  for (QWidget *w : windows.Windows())
    names << w->objectName();
  EXPECT_EQ(names, (QStringList{"Calidarix", "QorCtrl", "GraphForm", "CalibrForm", "InterfaceForm",
                                "InfoForm", "PanoScanDialog", "ProgressForm", "Set0Dialog", "FilmProcessForm",
                                "GLview", "GraphForm", "GraphForm", "FilmSaveForm", "PrintForm",
                                "PaletteForm", "ActivateTCPServerForm", "OpenForm"}));
  EXPECT_EQ(TimeProfileForm->windowTitle(), "Time Profile");
  EXPECT_TRUE(Calidarix->InterfaceTimer->isActive());
}

// The program shows the main window right after its creation handler, and the show gives the image box
// its final size: the start-up picture is rendered once, by the first paint, at that size.
TEST(ProgramWindowsOrder, TheFirstPictureIsRenderedOnceAtTheBoxsFinalSize) {
  const auto reset = qScopeGuard([] {
    ResetThermogramGlobals();
    ResetViewGlobals();
    ResetMarkerSettings();
  });
  ShellServices services;
  services.view = std::make_unique<MainWindowThermogramView>();
  ProgramWindows windows(services, QStringList{}, TWindowCreation::RestAfterFirstPaint);
  TCalidarix &w = *Calidarix;
  ASSERT_NE(CurrentDTV, nullptr);
  EXPECT_EQ(w.FRenderCount, 0) << "rendered before the box had its size";
  EXPECT_TRUE(w.ScalePB->Picture.isNull()) << "scale drawn before the box had its size";
  EXPECT_TRUE(w.PalPB->Picture.isNull()) << "palette bar drawn before the box had its size";
  QElapsedTimer waited;
  waited.start();
  while (!windows.AllCreated() && waited.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  ASSERT_TRUE(windows.AllCreated()); // they follow the first paint
  EXPECT_EQ(w.FRenderCount, 1);
  EXPECT_EQ(w.ImagePB->size(), QSize(640, 540));
  EXPECT_EQ(CurrentDTV->FBitmap.size(), w.ImagePB->size());
  EXPECT_EQ(w.ImagePB->Picture.size(), w.ImagePB->size());
  ASSERT_TRUE(w.ScalePB->isVisible() && w.PalPB->isVisible());
  EXPECT_EQ(w.ScalePB->Picture.size(), w.ScalePB->size());
  EXPECT_EQ(w.PalPB->Picture.size(), w.PalPB->size());

  // Once shown, a view change renders at once again.
  w.ImagePBPaint(&w);
  EXPECT_EQ(w.FRenderCount, 2);
}

// A service nothing needs before the other windows (the head link) is made once, after the first paint
// and before those windows; when all windows are made at once, before them in the constructor.
TEST(ProgramWindowsOrder, ServicesForTheRestAreMadeJustBeforeIt) {
  class PaintFlag : public QObject {
  public:
    bool eventFilter(QObject *, QEvent *event) override {
      painted = painted || event->type() == QEvent::Paint;
      return false;
    }
    bool painted = false;
  } paint;
  int runs = 0;
  bool paintedFirst = false;
  bool restFirst = true;
  const auto hook = [&] {
    ++runs;
    paintedFirst = paint.painted;
    restFirst = GraphForm != nullptr;
  };
  {
    ShellServices services;
    ProgramWindows windows(services, QStringList{"/userlog"}, TWindowCreation::RestAfterFirstPaint, hook);
    EXPECT_EQ(runs, 0);
    Calidarix->ImagePB->installEventFilter(&paint);
    QElapsedTimer waited;
    waited.start();
    while (!windows.AllCreated() && waited.elapsed() < 5000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    Calidarix->ImagePB->removeEventFilter(&paint);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(paintedFirst);
    EXPECT_FALSE(restFirst);
  }
  runs = 0;
  ShellServices services;
  ProgramWindows windows(services, QStringList{"/userlog"}, TWindowCreation::AllAtOnce, hook);
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(restFirst);
}

TEST(ProgramWindowsOrder, TwoWindowLayoutTakesTheLowerQuarter) {
  ShellServices services;
  ProgramWindows windows(services, QStringList{"/polyformright"});
  const QRect m = QGuiApplication::screens().value(0)->geometry();
  EXPECT_EQ(Calidarix->geometry(),
            QRect(m.left() + m.width() / 2, m.top() + m.height() / 2, m.width() / 2, m.height() / 2));
  ASSERT_NE(Calidarix->FormVideo, nullptr);
  EXPECT_EQ(Calidarix->FormVideo->geometry(),
            QRect(m.left() + m.width() / 2, m.top(), m.width() / 2, m.height() / 2));
  EXPECT_TRUE(Calidarix->FImageOnly);
}

} // namespace
} // namespace calidarix
