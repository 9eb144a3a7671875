// The main window with the real head link and the simulated head: the connection from the event loop,
// the search command, the head commands of the menus, the joystick jog from a joystick device, the
// Projection menu, and the head step and re-stitch messages.

#include "acquisition/camera_state.h"
#include "head/head_globals.h"
#include "head/head_link.h"
#include "head/head_menu_commands.h"
#include "head/ui/head_service.h"
#include "head/ui/qor_ctrl.h"
#include "mainwindow/ui/joystick.h"
#include "mainwindow/ui/logger_window.h"
#include "tests/head/head_sim_fixture.h"
#include "tests/mainwindow/ui/file_window_fixture.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace calidarix {
namespace {

class MainWindowHead : public test::FileWindow {
protected:
  void SetUp() override {
    FileWindow::SetUp();
    ASSERT_TRUE(pty.Start(100));
    head = pty.head.get();
    fakes.services.head = std::make_unique<QorHeadLink>();
    fakes.head = nullptr;
  }
  void TearDown() override {
    FileWindow::TearDown();
    pty.Stop();
    ResetHeadGlobals();
    ScanRequests.StripScanning.Set(false);
  }
  // The start-up steps that run from the event loop, without the camera-type question.
  TCalidarix &StartConnected() {
    TCalidarix &w = Start();
    w.AfterAllWindowsCreated();
    QCoreApplication::processEvents();
    w.InterfaceTimer->stop();
    return w;
  }
  QAction *Item(const char *name) { return window->findChild<QAction *>(name); }
  QString Log() const { return logger ? logger->Lines().join('\n') : QString(); }

  test::ScopedEnv network{"CALIDARIX_NETWORK", "loopback"};
  test::PtyHead pty;
  sim::HeadSimulator *head = nullptr;
};

TEST_F(MainWindowHead, StartUpFindsTheHeadStoresItsPortAndSwitchesAutotrackOn) {
  TCalidarix &w = StartConnected();
  EXPECT_TRUE(w.HeadConnected);
  ASSERT_TRUE(QorHead);
  EXPECT_EQ(QorHead->FComPort, 1);
  EXPECT_EQ(fakes.registry->values["\\dtvimage\\Qor/HeadCom"], 1);
  EXPECT_TRUE(Item("PanoramHeadControl1")->isEnabled());
  EXPECT_FALSE(Item("ScanforPanHead1")->isEnabled());
  EXPECT_EQ(QorHead->FTrackingMode, 0);
  EXPECT_TRUE(Log().contains("COM1 file created"));
}

TEST_F(MainWindowHead, TheStoredPortIsTriedAndTheSearchCommandFindsTheHead) {
  // A stored port that names no device: the start-up connect fails and leaves the items as they are.
  fakes.settings->restore = [](TCalidarix &w) { w.FRegistrySettings.HeadCom = 9; };
  TCalidarix &w = StartConnected();
  EXPECT_FALSE(w.HeadConnected);
  EXPECT_TRUE(Log().contains("COM9 file creating failed. Sorry..."));
  EXPECT_TRUE(Item("ScanforPanHead1")->isEnabled());
  EXPECT_FALSE(fakes.registry->values.contains("\\dtvimage\\Qor/HeadCom"));

  Item("ScanforPanHead1")->trigger();
  EXPECT_TRUE(w.HeadConnected);
  EXPECT_EQ(fakes.registry->values["\\dtvimage\\Qor/HeadCom"], 1);
  EXPECT_FALSE(Item("ScanforPanHead1")->isEnabled());
  EXPECT_TRUE(Item("PanByFrames")->isEnabled());
  EXPECT_FALSE(QorHead->FScanPorts);
}

TEST_F(MainWindowHead, ASearchThatFindsNothingSaysSo) {
  head->SetFaults({.silence = true});
  TCalidarix &w = StartConnected();
  Item("ScanforPanHead1")->trigger();
  EXPECT_FALSE(w.HeadConnected);
  EXPECT_EQ(w.FStatusNotice, "Search for Pan Head: no head answered");
  EXPECT_EQ(QorHead->FComPort, 0);
}

TEST_F(MainWindowHead, ADeviceArrivalRetriesTheHead) {
  head->SetFaults({.silence = true});
  TCalidarix &w = StartConnected();
  ASSERT_FALSE(w.HeadConnected);
  head->SetFaults({});
  Message arrival{WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0, 0};
  w.WndProc(arrival);
  EXPECT_TRUE(w.HeadConnected);
  EXPECT_TRUE(Item("PanByFrames")->isEnabled());
  EXPECT_FALSE(Item("ChangeHeadPosition1")->isEnabled()); // only for the older heads of type 'A'
  EXPECT_TRUE(Log().contains("Device added was QOR"));
}

TEST_F(MainWindowHead, HeadCommandsOfTheMenus) {
  TCalidarix &w = StartConnected();
  ASSERT_TRUE(w.HeadConnected);
  head->SetCounters(5000, 5000);
  head->ClearCommands();
  Item("Point01")->trigger();
  ASSERT_TRUE(head->WaitForCommand("$THor", 1000));
  EXPECT_TRUE(head->WaitForCommand(std::string("$TVer\x00\x80", 7), 100));
  const QDeadlineTimer moved(2000);
  while (head->HorCounter() != 0 && !moved.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(head->HorCounter(), 0);

  Item("ChangeHeadPosition1")->trigger();
  EXPECT_TRUE(CenterCross);
  EXPECT_EQ(QorHead->FTrackingMode, 3);
  EXPECT_TRUE(head->WaitForCommand("$TAmoff", 1000));
  CenterCross = false;

  // The service table of the arctangent goes to the log and switches logging on.
  Item("tabTan21")->trigger();
  EXPECT_TRUE(logger->FUserLog);
  EXPECT_TRUE(Log().contains("angle 270 x 0 y -32768 arctan -90.000000 arctan2 -90.000000"));
}

TEST_F(MainWindowHead, TheControlFormStartsFromTheProgramSettings) {
  TQorCtrl form;
  QorCtrl = &form;
  TCalidarix &w = StartConnected();
  w.FIniSettings.Head.ScanArcH = 3600;
  w.FIniSettings.Head.HorizonCorrection = 3000;
  w.FIniSettings.Head.FrameTilt = -90;
  w.FIniSettings.LeftToRight = true;
  w.FPublishedHandle = 4242;
  Item("PanoramHeadControl1")->trigger();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.FHorArc, 3600);
  EXPECT_EQ(form.FTilt, -90);
  EXPECT_EQ(form.FRatioVer, w.FIniSettings.Head.RatioVer);
  EXPECT_TRUE(form.FLeftToRight);
  EXPECT_EQ(form.FNotifyWnd, 4242u);
  EXPECT_EQ(form.StitchingSettingsSG->item(12, 2)->text(), "3000");
  EXPECT_TRUE(form.StatusBar1->text().endsWith("found on COM1"));
  // Once a panorama was stitched the form keeps its own arcs.
  form.FFromSettings = false;
  w.FRegistrySettings.LastPanoPath = "/some/folder";
  w.FIniSettings.Head.ScanArcH = 1800;
  Item("AdjustDriverItem")->trigger();
  EXPECT_EQ(form.FHorArc, 3600);
  form.hide();
  QorCtrl = nullptr;
}

// Joystick 1 on a named pipe standing in for /dev/input/js0.
TEST_F(MainWindowHead, TheJoystickJogsTheHeadAndItsFirstButtonSaves) {
  const std::filesystem::path device = dir.file("js0");
  ASSERT_EQ(::mkfifo(device.c_str(), 0600), 0);
  test::ScopedEnv joystick("CALIDARIX_JOYSTICK", device.string());
  const int feed = ::open(device.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(feed, 0);
  fakes.services.joystick = std::make_unique<DeviceJoystick>();
  TCalidarix &w = StartConnected();
  ASSERT_TRUE(w.HeadConnected);
  head->ClearCommands();

  const auto axis = [&](int number, int value) {
    const std::vector<std::uint8_t> record = test::Bytes()
                                                 .u32(1)
                                                 .i16(static_cast<std::int16_t>(value))
                                                 .u8(0x02)
                                                 .u8(static_cast<std::uint8_t>(number))
                                                 .data();
    ASSERT_EQ(::write(feed, record.data(), record.size()), 8);
  };
  const auto wait = [&](const std::function<bool()> &done) {
    const QDeadlineTimer deadline(3000);
    while (!done() && !deadline.hasExpired())
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
  };
  // White pixels in the image's top left corner, where the stick's position is written.
  const auto whiteCorner = [&] {
    const QImage shown = w.ImagePB->grab().toImage();
    int white = 0;
    for (int y = 0; y < 34; ++y)
      for (int x = 0; x < 90; ++x)
        white += shown.pixelColor(x, y) == Qt::white ? 1 : 0;
    return white;
  };
  const int before = whiteCorner();
  axis(0, -32767); // full left
  EXPECT_TRUE(wait([&] { return head->WaitForCommand(std::string("$TB\xFF\x00hv", 7), 0); }));
  EXPECT_EQ(w.FHeadState.FJoyJogBits, kJogLeft);
  EXPECT_GT(whiteCorner(), before + 20);
  axis(0, 0); // back to the centre: the head stops
  EXPECT_TRUE(wait([&] { return head->WaitForCommand("$Stoppp", 0); }));
  EXPECT_EQ(w.FHeadState.FJoyJogBits, 0);
  EXPECT_EQ(w.FHeadState.FJoyX, 32767);

  const std::vector<std::uint8_t> press = test::Bytes().u32(2).i16(1).u8(0x01).u8(0).data();
  ASSERT_EQ(::write(feed, press.data(), press.size()), 8);
  EXPECT_TRUE(wait([&] { return !w.FSavedNotice.isEmpty(); }));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "DATABASE.KVD"));
  const std::vector<std::uint8_t> second = test::Bytes().u32(3).i16(1).u8(0x01).u8(1).data();
  ASSERT_EQ(::write(feed, second.data(), second.size()), 8);
  // The second button starts a strip, which needs a running scan.
  EXPECT_TRUE(wait([&] { return w.FStatusNotice.startsWith("Start Strip: only while a scan runs"); }));
  ::close(feed);
}

TEST_F(MainWindowHead, TheProjectionMenuSetsTheKindAndThePlaneDirection) {
  TCalidarix &w = StartConnected();
  ASSERT_TRUE(CurrentDTV);
  QMenu *options = w.findChild<QMenu *>("FlatProjectionOptions");
  ASSERT_NE(options, nullptr);
  EXPECT_TRUE(Item("Sphere1")->isChecked());
  EXPECT_FALSE(options->isEnabled());
  Item("LeftPlaneSwitch")->setChecked(true);
  Item("Plane1")->trigger();
  EXPECT_EQ(CurrentDTV->FProjection, 4);
  EXPECT_EQ(CurrentDTV->FPlaneDirection, 49336);
  EXPECT_TRUE(options->isEnabled());
  Item("RearPlaneSwitch")->trigger();
  EXPECT_EQ(CurrentDTV->FPlaneDirection, 32400);
  Item("Mercator1")->trigger();
  EXPECT_EQ(CurrentDTV->FProjection, 3);
  EXPECT_FALSE(options->isEnabled());
  Item("UnrollSphere1")->trigger();
  EXPECT_EQ(CurrentDTV->FProjection, 21);
  EXPECT_TRUE(Item("UnrollSphere1")->isChecked());
  EXPECT_FALSE(Item("Mercator1")->isChecked());
}

TEST_F(MainWindowHead, AutoAspectOfTheCurrentThermogram) {
  TCalidarix &w = StartConnected();
  const QString file = Thermogram("wide.dtv", 1.0f, 320, 240);
  CurrentDTV->FFileName = file;
  w.ChangeDTV(true);
  Item("SetAutoAspect")->trigger();
  EXPECT_EQ(CurrentDTV->FHeader.HorzExtent, 64800);
  EXPECT_EQ(CurrentDTV->FHeader.VertExtent, 48600);
  EXPECT_EQ(CurrentDTV->FHeader.Elevation, 24300);
  EXPECT_EQ(CurrentDTV->FHeader.Version, 3);

  CurrentDTV->FFileName = Thermogram("tall.dtv", 1.0f, 24, 32);
  w.ChangeDTV(true);
  const auto before = CurrentDTV->FHeader.VertExtent;
  Item("SetAutoAspect")->trigger();
  EXPECT_EQ(CurrentDTV->FHeader.VertExtent, before);
  EXPECT_TRUE(w.FStatusNotice.startsWith("Set Auto Aspect:"));
}

TEST_F(MainWindowHead, TheHeadStepDrivesTheStripSweepAndTheRestitchAsksForAFolder) {
  TCalidarix &w = StartConnected();
  ASSERT_TRUE(w.HeadConnected);
  head->ClearCommands();
  Message step{WM_HEADSTEP, 0, 0, 0};
  w.FHeadState.StripStep = 2;
  w.WndProc(step); // no strip runs: nothing
  EXPECT_FALSE(head->WaitForCommand("$TVer", 100));
  ScanRequests.StripScanning.Set(true);
  w.FIniSettings.Head.StripDown = -250;
  w.WndProc(step);
  EXPECT_TRUE(head->WaitForCommand(std::string("$TVer\x06\x7F", 7), 1000));
  for (auto [from, to] : {std::pair{3, 4}, std::pair{5, 6}, std::pair{6, 6}}) {
    w.FHeadState.StripStep = static_cast<std::uint8_t>(from);
    w.WndProc(step);
    EXPECT_EQ(w.FHeadState.StripStep, to);
  }

  // No panorama stitched yet: the re-stitch asks for a folder.
  int asked = 0;
  w.FPanorama.FChooseFolder = [&asked](const QString &, const QString &) {
    ++asked;
    return QString();
  };
  Message restitch{WM_RESTITCH, 0, 0, 0};
  w.WndProc(restitch);
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(w.FHeadState.RestitchPending);
}

TEST_F(MainWindowHead, TheUpDownTestRunsUntilChosenAgain) {
  TCalidarix &w = StartConnected();
  ASSERT_TRUE(w.HeadConnected);
  int moves = 0;
  QTimer stopper;
  QObject::connect(&stopper, &QTimer::timeout, [&] {
    // Two complete swings, then the second choice ends the test.
    const std::vector<std::string> commands = head->Commands();
    moves = static_cast<int>(std::count_if(commands.begin(), commands.end(), [](const std::string &c) {
      return c.compare(0, 5, "$THor") == 0;
    }));
    if (moves >= 3)
      Item("MoveHeadUpDn")->trigger();
  });
  stopper.start(20);
  const QDeadlineTimer deadline(10000);
  Item("MoveHeadUpDn")->trigger();
  EXPECT_FALSE(deadline.hasExpired());
  EXPECT_GE(moves, 3);
  EXPECT_FALSE(w.FHeadState.UpDownTestRunning);
  EXPECT_TRUE(head->WaitForCommand(std::string("$THor\x00\xDA", 7), 0));
  EXPECT_TRUE(head->WaitForCommand(std::string("$THor\x00\x26", 7), 0));
}

} // namespace
} // namespace calidarix
