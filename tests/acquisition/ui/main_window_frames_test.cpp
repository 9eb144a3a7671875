#include "acquisition/film_finish.h"
#include "acquisition/scan_thread.h"
#include "acquisition/scanner_exchange.h"
#include "acquisition/ui/calibr_form.h"
#include "acquisition/video_capture.h"
#include "mainwindow/film_recovery.h"
#include "mainwindow/ui/multy_grid.h"
#include "platform/datetime.h"
#include "tests/acquisition/ui/live_window_fixture.h"
#include "tests/sim/fake_video.h"
#include "tests/support/key_events.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QLabel>
#include <QScopeGuard>
#include <QToolButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace calidarix {
namespace {

namespace fs = std::filesystem;
using test::RampPixel;

class FrameArrival : public test::LiveWindow {};

TEST_F(FrameArrival, SingleBandFramesBecomeTheLiveThermogram) {
  TCalidarix &w = Open();
  Start({});
  ASSERT_TRUE(WaitForShownFrames(2));
  // Without the drift correction a pixel's temperature is its signal.
  ScanRequests.BlindCorrectionOn.Set(false);
  ASSERT_TRUE(WaitUntil([&] { return !ScanUnit.DisplayFrame.empty() && w.FAcquisition.FramesShown >= 4; }));
  ASSERT_TRUE(WaitForShownFrames(2));
  const TDTV &dtv = *CurrentDTV;
  EXPECT_EQ(dtv.Width(), 320);
  EXPECT_EQ(dtv.Height(), 32); // speed 2 doubles the rows
  EXPECT_TRUE(dtv.FFileName.isEmpty());
  const int frames = camera->FramesSent();
  const double t = dtv.TemperatureAt(100, 10);
  EXPECT_GE(t, RampPixel(100, 5, 0) - 1.0);
  EXPECT_LE(t, RampPixel(100, 5, frames) + 1.0);
  EXPECT_LT(dtv.TemperatureAt(10, 10), dtv.TemperatureAt(300, 10));
  EXPECT_FLOAT_EQ(ScanUnit.CameraTemperature, 25.0f);
  EXPECT_FLOAT_EQ(static_cast<float>(dtv.FCameraTemp), 25.0f);
  EXPECT_EQ(w.FAcquisition.FramesLost, 0);
  EXPECT_TRUE(w.ScanSB->isChecked());
}

TEST_F(FrameArrival, DualBandFramesSplitIntoTheTwoBands) {
  for (const std::int32_t width : {320, 321}) {
    SCOPED_TRACE(width);
    TCalidarix &w = Open();
    sim::LanCameraConfig config;
    config.interfaceType = 257;
    config.scanWidth = width;
    Start(config);
    ASSERT_TRUE(WaitForShownFrames(1));
    // Without the drift correction a pixel's temperature is its signal.
    ScanRequests.BlindCorrectionOn.Set(false);
    ASSERT_TRUE(WaitForShownFrames(3));
    ASSERT_TRUE(BandDTV35 && BandDTV812);
    EXPECT_EQ(BandDTV35->Width(), width);
    EXPECT_EQ(BandDTV812->Width(), width);
    EXPECT_EQ(ScanUnit.DisplayFrameWidth, width);
    EXPECT_EQ(CurrentDTV->Width(), width);
    EXPECT_EQ(CurrentDTV->FRaw, BandDTV35->FRaw); // the first band is shown
    // The second band lies further right on the ramp, so it is warmer at the same column.
    EXPECT_GT(BandDTV812->TemperatureAt(5, 5), BandDTV35->TemperatureAt(5, 5));

    ScanUnit.CalibrationBand = 1;
    ASSERT_TRUE(WaitForShownFrames(1));
    EXPECT_EQ(CurrentDTV->FRaw, BandDTV812->FRaw);
    w.StopAcquisitionThread();
    camera->Stop();
    ResetCameraState();
    window.reset();
  }
}

TEST_F(FrameArrival, EditsOfTheCurveAndTheScannerGeometryHoldWhileFramesArrive) {
  TCalidarix &w = Open();
  Start({});
  ASSERT_TRUE(WaitForShownFrames(2));
  // The calibration form's edit of the current range's curve, and its Delay bar.
  ScanUnit.Exp_A = ScanUnit.CurExpA = 7.5e7;
  TScannerExchange scanner(ScanUnit, ScanRequests, nullptr);
  scanner.SetDelay(77);
  const std::size_t sent = camera->Requests().size();
  ASSERT_TRUE(WaitForShownFrames(3));
  EXPECT_EQ(ScanUnit.CurExpA, 7.5e7);
  EXPECT_EQ(ScanUnit.Delay[0], 77);
  // The request on its way may have been made before the bar moved; every later one carries it.
  const std::vector<sim::LanCameraRequest> requests = camera->Requests();
  ASSERT_GE(requests.size(), sent + 2);
  for (std::size_t i = sent + 1; i < requests.size(); ++i)
    EXPECT_EQ(requests[i].block[6], 77) << i;

  // Range 2 asked for from the keyboard after its curve was edited: that curve becomes the working one.
  ScanUnit.Exp2_A = 1.25e8;
  ASSERT_TRUE(WaitForShownFrames(1));
  w.Alt2Execute();
  ASSERT_TRUE(WaitUntil([] { return ScanUnit.CalibrationRange == 1; }));
  EXPECT_EQ(ScanUnit.CurExpA, 1.25e8);
  EXPECT_EQ(w.FAcquisition.FramesLost, 0);
}

TEST_F(FrameArrival, LostFramesLeaveTheThermogramAndAreLoggedWithTheirLine) {
  TCalidarix &w = Open();
  logger->FUserLog = true;
  sim::LanCameraConfig config;
  // Two datagrams per line, the last cut after the rest of the line: a lost one shows at once.
  config.scanWidth = 1024;
  config.shortLastDatagram = true;
  Start(config);
  ASSERT_TRUE(WaitForShownFrames(1));
  const std::vector<std::uint16_t> before = CurrentDTV->FRaw;
  sim::LanCameraFaults faults;
  faults.dropRow = 2; // a datagram of line 1
  camera->SetFaults(faults);
  ASSERT_TRUE(WaitForLostFrames(2));
  EXPECT_TRUE(Logged("Scan frame lost. Error code:1. Line:1")) << logger->Lines().join('\n').toStdString();
  // Not taken for a marked frame: nothing was saved.
  EXPECT_FALSE(fs::exists(driveDir.path() / "DATABASE.KVD"));
  const int lost = w.FAcquisition.FramesLost;
  camera->SetFaults({});
  ASSERT_TRUE(WaitForShownFrames(1));
  EXPECT_GE(w.FAcquisition.FramesLost, lost);
  EXPECT_TRUE(w.FAcquisition.LostNotice.isEmpty());
  EXPECT_EQ(CurrentDTV->FRaw.size(), before.size());
}

TEST_F(FrameArrival, EveryResultKindTakesItsPath) {
  TCalidarix &w = Open();
  logger->FUserLog = true;
  sim::LanCameraConfig config;
  config.statusFlags = 0; // the blind was not made
  Start(config);
  ASSERT_TRUE(WaitForLostFrames(1));
  EXPECT_TRUE(Logged("Scan frame lost. Error code:22. Line:-1")) << logger->Lines().join('\n').toStdString();
  EXPECT_EQ(w.FAcquisition.FramesShown, 0);

  // A marked frame saves the thermogram shown.
  config.statusFlags = 0x40;
  config.endMarker = true;
  camera->SetConfig(config);
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(driveDir.path() / "DATABASE.KVD"); }));
  w.StopAcquisitionThread();

  // An interface type without a receiver.
  ResetCameraState();
  sim::LanCameraConfig unserved;
  unserved.interfaceType = 129;
  Start(unserved);
  ASSERT_TRUE(WaitForLostFrames(1));
  EXPECT_TRUE(Logged("Scan frame lost. Error code:1000. Line:0"));
}

TEST_F(FrameArrival, AFilmIsRecordedRolledOverAndFinishedIntoTheDatabase) {
  TCalidarix &w = Open();
  Start({});
  ASSERT_TRUE(WaitForShownFrames(1));
  // Each 320 x 32 frame takes some 20 kB: a film rolls over after its fourth frame.
  FilmRolloverBytes = 4 * 20000;
  w.FilmPanelClick();
  const fs::path temporary = driveDir.path() / kFilmTempName;
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(temporary); }));
  EXPECT_TRUE(FilmRecordingInProgress(temporary)); // held against the film recovery
  const fs::path database = driveDir.path() / "DATABASE.KVD";
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(database); }));
  ASSERT_TRUE(WaitForShownFrames(2));
  // The stop must find a film under way, with room for the frames still queued: not one that rolled
  // over just before it and has no frame yet, as fast frames can make it.
  ASSERT_TRUE(WaitUntil([&] {
    std::error_code error;
    const std::uintmax_t bytes = fs::file_size(temporary, error);
    return !error && bytes < 2 * 20000;
  }));
  w.StopScan();
  EXPECT_FALSE(ScanRequests.ScanRunning.Get());
  EXPECT_FALSE(ScanRequests.FilmRecording.Get());
  EXPECT_FALSE(fs::exists(temporary));
  int films = 0;
  for (const auto &day : fs::directory_iterator(database))
    for (const auto &film : fs::directory_iterator(day.path())) {
      ++films;
      TDTV read;
      ASSERT_TRUE(read.LoadDTV(test::QPath(film.path()), 1).ok);
      EXPECT_EQ(read.Width(), 320);
      EXPECT_GE(read.FHeader.FrameCount, 1);
      EXPECT_LE(read.FHeader.FrameCount, 5);
    }
  EXPECT_GE(films, 2);
  EXPECT_FALSE(w.FAcquisition.FilmSavedName.isEmpty());
  EXPECT_FALSE(w.ScanSB->isChecked());
}

TEST_F(FrameArrival, AFilmRecordedWithVideoHasItsVisibleFramesBesideIt) {
  auto fake = std::make_shared<sim::FakeVideoState>();
  fake->Devices = {QStringLiteral("Front camera")};
  fake->Formats = {sim::FakeFormat(320, 240, 24, 30)};
  UseVideoBackend(std::make_unique<sim::FakeVideoBackend>(fake));
  ASSERT_TRUE(VideoStart(0));
  ScanRequests.VideoOn.Set(true);
  TCalidarix &w = Open();
  Start({});
  ASSERT_TRUE(WaitForShownFrames(1));
  w.FilmPanelClick();
  const fs::path videoFolder = driveDir.path() / kVideoTempFolder;
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(videoFolder / VideoFrameName(3)); }));
  EXPECT_TRUE(fs::exists(videoFolder / VideoFrameName(1)));
  w.StopScan();
  ScanRequests.VideoOn.Set(false);
  ResetVideoCapture();

  // The film's frames and its pictures went to the database together, numbered alike.
  EXPECT_FALSE(fs::exists(videoFolder));
  int films = 0;
  for (const auto &day : fs::directory_iterator(driveDir.path() / "DATABASE.KVD"))
    for (const auto &entry : fs::directory_iterator(day.path())) {
      if (entry.path().extension() != ".dtv")
        continue;
      ++films;
      TDTV read;
      ASSERT_TRUE(read.LoadDTV(test::QPath(entry.path()), 1).ok);
      fs::path pictures = entry.path();
      pictures.replace_extension();
      EXPECT_TRUE(fs::exists(pictures / VideoFrameName(1)));
      EXPECT_TRUE(fs::exists(pictures / VideoFrameName(read.FHeader.FrameCount)));
    }
  EXPECT_EQ(films, 1);
}

TEST_F(FrameArrival, StopEndsTheFramesAndRestoresTheControls) {
  TCalidarix &w = Open();
  TScan &scan = Start({});
  ASSERT_TRUE(WaitForShownFrames(2));
  w.StopScan();
  EXPECT_FALSE(w.FAcquisition.StopTimedOut);
  EXPECT_TRUE(scan.Suspended());
  EXPECT_FALSE(ScanRequests.ScanRunning.Get());
  EXPECT_FALSE(w.ScanSB->isChecked());
  EXPECT_TRUE(w.Start1->isEnabled());
  const int shown = w.FAcquisition.FramesShown;
  WaitUntil([] { return false; }, 300);
  EXPECT_EQ(w.FAcquisition.FramesShown, shown);
}

TEST_F(FrameArrival, LiveOverlayAndBlindLabel) {
  TCalidarix &w = Open();
  Start({});
  ASSERT_TRUE(WaitForShownFrames(1));
  ScanRequests.PendingSpeed.Set(3);
  ScanRequests.LaserOn.Set(true);
  ASSERT_TRUE(WaitUntil([&] { return ScanUnit.Speed == 3 && w.FAcquisition.FramesShown > 2; }));
  ASSERT_TRUE(WaitForShownFrames(1));
  QStringList texts;
  for (const TOverlayText &t : w.FAcquisition.Overlay)
    texts << t.Text;
  EXPECT_EQ(texts, (QStringList{"SPEED 3", "LASER ON"}));
  EXPECT_FALSE(w.findChild<QLabel *>("BlindLabel")->text().isEmpty());
}

TEST_F(FrameArrival, TheCalibrationFormShowsTheDeflectorRate) {
  TCalibrForm form;
  CalibrForm = &form;
  const auto forget = qScopeGuard([] { CalibrForm = nullptr; });
  Open();
  Start({});
  ASSERT_TRUE(WaitForShownFrames(2));
  const QString text = form.OrvantPanel->text();
  ASSERT_TRUE(text.startsWith("Deflector rate ")) << text.toStdString();
  const QString number = text.mid(15);
  EXPECT_EQ(number.size() - number.indexOf('.') - 1, 6) << "six decimals, as %f";
  EXPECT_GT(number.toDouble(), 0.0);
  EXPECT_NEAR(number.toDouble(), ScanUnit.LineRate, 1e-6);
}

// F6 while a scan runs switches to the second scan geometry; the next frame takes its aspect and keeps
// it, and the overlay marks it with the laser on.
TEST_F(FrameArrival, TheScanSetKeyReachesTheNextFrame) {
  TCalidarix &w = Open();
  Start({});
  // Frames paced well apart, so that each wait below sees exactly one more frame handled: the mark of
  // the frame that took the key lasts until the next frame.
  sim::LanCameraFaults paced;
  paced.datagramDelayMicros = 2000;
  camera->SetFaults(paced);
  ASSERT_TRUE(WaitForShownFrames(1));
  ScanUnit.Delay = {1, 1, 7};
  ScanUnit.Edge = {1, 1, 6};
  ScanUnit.Center = {1, 1, 5};
  ScanRequests.LaserOn.Set(true);
  test::PressKeyWithCode(w, Qt::Key_F6, 64);
  EXPECT_EQ(ScanUnit.Center[0], 5);
  ASSERT_TRUE(WaitForShownFrames(1));
  EXPECT_NEAR(CurrentDTV->FAspect, 0.6574074074074074, 1e-9);
  EXPECT_EQ(CurrentDTV->FHeader.FieldMode, 1);
  EXPECT_FALSE(w.FAcquisition.FScanSetChanged);
  ASSERT_TRUE(WaitForShownFrames(1));
  EXPECT_NEAR(CurrentDTV->FAspect, 0.6574074074074074, 1e-9);
  QStringList texts;
  for (const TOverlayText &t : w.FAcquisition.Overlay)
    texts << t.Text;
  EXPECT_TRUE(texts.contains("FOV / 2")) << texts.join(", ").toStdString();

  // F6 again: back to the first set, and the next frame to the usual aspect.
  test::PressKeyWithCode(w, Qt::Key_F6, 64);
  ASSERT_TRUE(WaitForShownFrames(1));
  EXPECT_NEAR(CurrentDTV->FAspect, 32.0 / 27.0, 1e-9);
  EXPECT_FALSE(w.FAcquisition.FScanSet2);
}

// Space during a panorama by frames pauses it; the next frame says so over the image.
TEST_F(FrameArrival, SpaceDuringAPanoramaPausesItFromTheNextFrame) {
  TCalidarix &w = Open();
  Start({});
  ASSERT_TRUE(WaitForShownFrames(1));
  ScanRequests.PanByFramesActive.Set(true);
  test::PressKeyWithCode(w, Qt::Key_Space, 57);
  ASSERT_TRUE(WaitForShownFrames(1));
  QStringList texts;
  for (const TOverlayText &t : w.FAcquisition.Overlay)
    texts << t.Text;
  EXPECT_TRUE(texts.contains("PAUSED...")) << texts.join(", ").toStdString();
  ScanRequests.PanByFramesActive.Set(false);
}

// Each way of locking the range while a scan runs switches the scan's automatic range off; the frames
// then say "AUTO OFF". Releasing the lock with its button switches it on again.
TEST_F(FrameArrival, LockingTheRangeSwitchesTheScansAutomaticRangeOff) {
  TCalidarix &w = Open();
  TScan &scan = Start({});
  ASSERT_TRUE(WaitForShownFrames(1));
  const auto autoOffShown = [&] {
    for (const TOverlayText &t : w.FAcquisition.Overlay)
      if (t.Text == "AUTO OFF")
        return true;
    return false;
  };
  const auto unlock = [&] {
    if (w.LockSB->isChecked())
      w.LockSB->click();
    scan.FAutoRange.store(true);
    ASSERT_FALSE(CurrentDTV->FRangeLocked);
  };
  struct Case {
    const char *name;
    std::function<void()> lock;
  };
  const Case cases[] = {
      {"Tab", [&] { w.Tab->trigger(); }},
      {"typed range", [&] { w.SetTempRange(15.0, 45.0); }},
      {"lock button", [&] { w.LockSB->click(); }},
      {"range step key", [&] { test::PressKeyWithCode(w, Qt::Key_Left, 105); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    unlock();
    ASSERT_TRUE(WaitForShownFrames(1));
    EXPECT_FALSE(autoOffShown());
    c.lock();
    EXPECT_TRUE(w.LockSB->isChecked());
    EXPECT_TRUE(CurrentDTV->FRangeLocked);
    EXPECT_FALSE(scan.FAutoRange.load());
    ASSERT_TRUE(WaitForShownFrames(1));
    EXPECT_TRUE(autoOffShown());
  }
  // Tab locks to the fixed display range and leaves the thumbnails alone.
  unlock();
  w.Tab->trigger();
  EXPECT_EQ(CurrentDTV->LockMin, w.FRegistrySettings.FixedMin);
  EXPECT_EQ(CurrentDTV->LockMax, w.FRegistrySettings.FixedMax);
  EXPECT_FALSE(w.MultyDG->isVisible());

  w.LockSB->click();
  EXPECT_FALSE(CurrentDTV->FRangeLocked);
  EXPECT_TRUE(scan.FAutoRange.load());
}

} // namespace
} // namespace calidarix

namespace calidarix {
namespace {

// The live picture as a user sees it: a warm disc on a cooler gradient, scanned at speed 2. With
// CALIDARIX_SCREENSHOT_DIR set, the window is written there as live_window.png.
TEST_F(FrameArrival, LivePictureShowsTheScene) {
  TCalidarix &w = Open();
  sim::LanCameraConfig config;
  config.pixel = [](int x, int y, int frame) {
    const double dx = x - 160 - (frame % 20);
    const double dy = (y - 8) * 10.0;
    const double disc = dx * dx + dy * dy < 60.0 * 60.0 ? 1500.0 : 0.0;
    return static_cast<std::uint16_t>(2800 + x * 3 + disc);
  };
  Start(config);
  ASSERT_TRUE(WaitForShownFrames(2));
  ScanRequests.LaserOn.Set(true);
  ASSERT_TRUE(WaitForShownFrames(3));
  QApplication::processEvents();
  const QImage shot = w.grab().toImage();
  const QImage image = w.ImagePB->grab().toImage();
  // The disc is warmer than its surroundings: the picture is not one colour.
  const QPoint centre(image.width() / 2, image.height() / 2);
  EXPECT_NE(image.pixel(centre), image.pixel(4, centre.y()));
  if (const QByteArray dir = qgetenv("CALIDARIX_SCREENSHOT_DIR"); !dir.isEmpty())
    shot.save(QString::fromLocal8Bit(dir) + "/live_window.png");
}

} // namespace
} // namespace calidarix
