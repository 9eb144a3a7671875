#include "acquisition/scan_lines.h"
#include "acquisition/scan_thread.h"
#include "acquisition/ui/camera_acquisition.h"
#include "mainwindow/ini_settings.h"
#include "tests/acquisition/ui/live_window_fixture.h"
#include "tests/support/key_events.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

class AcquisitionCommands : public test::LiveWindow {
protected:
  // A running scan whose thread is held in its pause loop, so that the requests stay as the
  // commands left them.
  TCalidarix &StartHeld() {
    TCalidarix &w = Open();
    TScan &scan = Start({});
    EXPECT_TRUE(WaitForShownFrames(1));
    ScanRequests.FPostEnabled.Set(false);
    scan.SetPause(true);
    EXPECT_TRUE(WaitUntil([] { return ScanRequests.FPostEnabled.Get(); }));
    ScanRequests.PendingSpeed.Set(kNoRequest);
    ScanRequests.PendingRange.Set(kNoRequest);
    return w;
  }

  static void Press(QWidget *widget) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
  }
};

// Nothing starts acquisition from the window: the button says so and goes back up, rather than
// claiming a scan with its pressed stop face.
TEST_F(AcquisitionCommands, ScanButtonWithNothingRunningSaysSoAndGoesBackUp) {
  TCalidarix &w = Open();
  for (int click = 0; click < 2; ++click) {
    w.FStatusNotice.clear();
    w.ScanSB->click();
    QApplication::processEvents();
    EXPECT_TRUE(w.FStatusNotice.contains("Starting acquisition"));
    EXPECT_FALSE(w.ScanSB->isChecked());
    EXPECT_FALSE(w.ScanSB->isDown());
    // The faces of the big Scan button (its panel is hidden while the tool bar is shown).
    EXPECT_TRUE(w.findChild<QWidget *>("StopItImage")->isHidden());
    EXPECT_FALSE(w.findChild<QWidget *>("ScanImage")->isHidden());
    EXPECT_FALSE(w.findChild<QWidget *>("OpenPanel")->isHidden());
    EXPECT_FALSE(ScanRequests.ScanRunning.Get());
  }
}

// Ctrl+F during a speed-0 scan asks for a frame and leaves the merge to the stop, which runs it once
// the film is finished.
TEST_F(AcquisitionCommands, MergeAskedDuringAScanRunsWhenTheScanStops) {
  TCalidarix &w = Open();
  Start({});
  ASSERT_TRUE(WaitForShownFrames(1));
  ScanUnit.Speed = 0; // as a speed-0 frame leaves it
  test::PressKeyWithCode(w, Qt::Key_Control, 29, Qt::ControlModifier);
  test::PressKeyWithCode(w, Qt::Key_F, 33, Qt::ControlModifier);
  EXPECT_TRUE(w.FAcquisition.FMergeScansPending);
  EXPECT_FALSE(w.FStatusNotice.contains("Merge scans"));
  // The frame asked for begins the film the merge waits for; a few scans go into it.
  ASSERT_TRUE(WaitUntil([] { return ScanRequests.FilmRecording.Get(); }));
  ASSERT_TRUE(WaitUntil([] { return CurrentDTV->FHeader.FrameCount >= 3; }));
  const int scanWidth = CurrentDTV->Width();
  const int scanHeight = CurrentDTV->Height();
  w.StopScan();
  EXPECT_FALSE(w.FAcquisition.FMergeScansPending);
  // The finished film became one wide frame, each scan's rows as columns, saved at once.
  const TDTV &merged = *CurrentDTV;
  EXPECT_EQ(merged.FHeader.FrameCount, 1) << w.FStatusNotice.toStdString();
  EXPECT_EQ(merged.Height(), scanWidth);
  EXPECT_EQ(merged.Width() % scanHeight, 0);
  EXPECT_GE(merged.Width() / scanHeight, 3);
  EXPECT_EQ(merged.FHeader.VertExtent, 7200);
  TDTV saved;
  ASSERT_TRUE(saved.LoadDTV(merged.FFileName, 1)) << merged.FFileName.toStdString();
  EXPECT_EQ(saved.FHeader.FrameCount, 1);
  EXPECT_EQ(saved.Width(), merged.Width());
  EXPECT_EQ(saved.FRaw, merged.FRaw);
}

// The live picture saved under a name carries the camera the camera state names now (the calibration
// form or the camera may have changed it since start-up), not the start-up file's.
TEST_F(AcquisitionCommands, SaveAsOfTheLivePictureNamesTheCameraInUse) {
  TCalidarix &w = StartHeld();
  w.FIniSettings.Camera.CameraNo = 7;
  ScanUnit.CameraNo = 4711;
  const QString target = test::QPath(driveDir.file("live.dtv"));
  dialogs->SaveAnswers.push_back(SaveDialogAnswer{target});
  ASSERT_TRUE(w.SaveDTVAs());
  TDTV read;
  ASSERT_TRUE(read.LoadDTV(target, 1).ok);
  EXPECT_EQ(read.FHeader.ModelHigh * 100 + read.FHeader.ModelLow, 4711);
}

TEST_F(AcquisitionCommands, ScanProgressiveDrawsAReceivedLineOverTheImage) {
  TCalidarix &w = StartHeld();
  const TScanLineCopy line = Scan->LatestLine();
  ASSERT_GE(line.Line, 0);
  // A palette of one colour shows where the line lands.
  CurrentDTV->FPalette.fill(TRGB{0, 255, 0});
  CurrentDTV->isIso = false;
  w.ShowScanLineBMP(line.Line);
  const std::int32_t k = ScanLineDisplayRows(ScanUnit.Speed, ScanUnit.Sectors);
  const QPoint first(w.GetScreenX(0), w.GetScreenY(line.Line * k));
  const QPoint last(w.GetScreenX(ScanUnit.FrameWidth) - 1, w.GetScreenY((line.Line + 1) * k) - 1);
  ASSERT_TRUE(w.ImagePB->Picture.rect().contains(first));
  EXPECT_EQ(w.ImagePB->Picture.pixel(first) & 0xFFFFFFu, 0x00FF00u);
  EXPECT_EQ(w.ImagePB->Picture.pixel(last) & 0xFFFFFFu, 0x00FF00u);
  // A line the thread no longer keeps is not drawn.
  CurrentDTV->FPalette.fill(TRGB{255, 0, 0});
  w.ShowScanLineBMP(line.Line + 100000);
  EXPECT_EQ(w.ImagePB->Picture.pixel(first) & 0xFFFFFFu, 0x00FF00u);
}

TEST_F(AcquisitionCommands, SpeedAndRangeKeysActOnlyInAnIdleScan) {
  TCalidarix &w = StartHeld();
  struct Case {
    void (TCalidarix::*command)();
    std::uint8_t speed;
  };
  for (const Case c : {Case{&TCalidarix::F9Execute, 3}, Case{&TCalidarix::F10Execute, 2},
                       Case{&TCalidarix::F11Execute, 1}, Case{&TCalidarix::F12Execute, 0}}) {
    ScanRequests.FixedLineMode.Set(true);
    (w.*c.command)();
    EXPECT_EQ(ScanRequests.PendingSpeed.Get(), c.speed);
    EXPECT_FALSE(ScanRequests.FixedLineMode.Get());
  }
  EXPECT_EQ(ScanRequests.FixedLinePosition.Get(), 60);
  w.Alt3Execute();
  EXPECT_EQ(ScanRequests.PendingRange.Get(), 2);

  // During a film or a sum nothing is asked.
  ScanRequests.PendingSpeed.Set(kNoRequest);
  ScanRequests.FilmRecording.Set(true);
  w.F9Execute();
  EXPECT_EQ(ScanRequests.PendingSpeed.Get(), kNoRequest);
  ScanRequests.FilmRecording.Set(false);
  CurrentDTV->FSumming = true;
  w.F11Execute();
  w.Alt1Execute();
  EXPECT_EQ(ScanRequests.PendingSpeed.Get(), kNoRequest);
  EXPECT_EQ(ScanRequests.PendingRange.Get(), 2);
  EXPECT_TRUE(w.FStatusNotice.contains("only while a scan runs"));
  CurrentDTV->FSumming = false;
}

TEST_F(AcquisitionCommands, CtrlF12TakesTheColumnUnderTheMouse) {
  TCalidarix &w = StartHeld();
  const int width = w.ImagePB->width();
  const std::pair<int, int> cases[] = {{0, 1}, {width / 2, 60}, {width, 119}};
  for (auto [x, column] : cases) {
    QCursor::setPos(w.ImagePB->mapToGlobal(QPoint(x, 5)));
    if (w.ImagePB->mapFromGlobal(QCursor::pos()).x() != x)
      GTEST_SKIP() << "the display does not move the pointer";
    w.CtrlF12Execute();
    EXPECT_TRUE(ScanRequests.FixedLineMode.Get());
    EXPECT_EQ(ScanRequests.FixedLinePosition.Get(), column) << x;
    EXPECT_EQ(ScanRequests.PendingSpeed.Get(), 0);
  }
}

TEST_F(AcquisitionCommands, PanelsOfTheScanToolPanel) {
  TCalidarix &w = StartHeld();
  ScanUnit.Speed = 2;
  w.OptionsPanelClick();
  EXPECT_TRUE(w.ScanToolPanel->isVisible());
  EXPECT_TRUE(w.PalToolPanel->isVisible());
  const QColor marked(0xC0, 0xC0, 0xC0);
  EXPECT_EQ(w.findChild<QWidget *>("Speed2Panel")->palette().color(QPalette::Window), marked);
  EXPECT_NE(w.findChild<QWidget *>("Speed3Panel")->palette().color(QPalette::Window), marked);
  EXPECT_EQ(w.findChild<QWidget *>("Range1Panel")->palette().color(QPalette::Window), marked);

  Press(w.findChild<QWidget *>("Speed0NamePanel"));
  EXPECT_EQ(ScanRequests.PendingSpeed.Get(), 0);
  EXPECT_FALSE(w.ScanToolPanel->isVisible());
  Press(w.findChild<QWidget *>("Range3Image"));
  EXPECT_EQ(ScanRequests.PendingRange.Get(), 2);
  Press(w.findChild<QWidget *>("LaserPanel"));
  EXPECT_TRUE(ScanRequests.LaserOn.Get());

  // Previous and Next ask for the next faster and slower speed.
  w.PrevPanelClick();
  EXPECT_EQ(ScanRequests.PendingSpeed.Get(), 3);
  w.NextPanelClick();
  EXPECT_EQ(ScanRequests.PendingSpeed.Get(), 1);

  // The options panel a second time folds both panels away.
  w.OptionsPanelClick();
  w.OptionsPanelClick();
  EXPECT_FALSE(w.PalToolPanel->isVisible());
  EXPECT_FALSE(w.ScanToolPanel->isVisible());
}

TEST_F(AcquisitionCommands, OptionsWithoutAScanShowThePalettesAlone) {
  TCalidarix &w = Open();
  w.OptionsPanelClick();
  EXPECT_TRUE(w.PalToolPanel->isVisible());
  EXPECT_FALSE(w.ScanToolPanel->isVisible());
}

TEST_F(AcquisitionCommands, FrameButtonAltF6SumAndAutoFocus) {
  TCalidarix &w = StartHeld();
  auto *frame = w.findChild<QToolButton *>("FrameSB");
  frame->click();
  EXPECT_TRUE(ScanRequests.GrabFrameRequest.Get()); // the next frame begins a film
  ScanRequests.GrabFrameRequest.Set(false);

  const bool before = ScanRequests.BlindCorrectionOn.Get();
  w.AltF6Execute();
  EXPECT_NE(ScanRequests.BlindCorrectionOn.Get(), before);
  EXPECT_TRUE(w.findChild<QLabel *>("BlindLabel")->isVisibleTo(&w));
  EXPECT_TRUE(w.findChild<QLabel *>("BlLab")->isVisibleTo(&w));

  CurrentDTV->SumCount = 8;
  w.SumPanelClick();
  EXPECT_TRUE(w.FixedLevelPanel->isVisible());
  EXPECT_EQ(w.FixedLevelLabel->text(), "Sum Count:");
  EXPECT_EQ(w.FixedLevelEdit->text(), "8.00");
  EXPECT_EQ(w.FixedLevelPanel->property("Tag").toInt(), 4);

  w.findChild<QAction *>("ButterAutoFocus1")->trigger();
  EXPECT_TRUE(ScanRequests.FAutoFocusRequest.Get());
}

TEST_F(AcquisitionCommands, FrameButtonWithoutAScanGoesToAFrame) {
  TCalidarix &w = Open();
  auto *frame = w.findChild<QToolButton *>("FrameSB");
  frame->click();
  EXPECT_TRUE(frame->isChecked());
  EXPECT_TRUE(w.FixedLevelPanel->isVisible());
  EXPECT_EQ(w.FixedLevelLabel->text(), "Frame");
  EXPECT_EQ(w.FixedLevelPanel->property("Tag").toInt(), 2);
  frame->click();
  EXPECT_FALSE(w.FixedLevelPanel->isVisible());
}

TEST_F(AcquisitionCommands, FilmPlaybackWrapsAround) {
  TCalidarix &w = Open();
  const QString film = test::QPath(driveDir.file("ten.dtv"));
  TDTV dtv;
  dtv.FHeader.Width = 4;
  dtv.FHeader.Height = 2;
  dtv.FRaw.assign(8, 100);
  dtv.FHeader.Scale = 0.01f;
  ASSERT_TRUE(dtv.StartFilm(film).ok);
  for (int i = 2; i <= 10; ++i)
    ASSERT_TRUE(dtv.AppendFilmFrame(film).ok);
  ASSERT_TRUE(w.OpenInView(film));
  ASSERT_TRUE(w.ChangeFrame(10));
  w.StepFilmFrame(true);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
  w.StepFilmFrame(false);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 10);
  w.FKeys.FPlayForward = false;
  w.FilmTimerTimer();
  EXPECT_EQ(CurrentDTV->FFrameIndex, 9);
}

TEST(CameraIniSettings, ReachTheCameraState) {
  IniCameraSettings ini;
  ini.CameraInterfaceType = 257;
  ini.CameraNo = 339;
  ini.ScanWidth = 640;
  ini.ScanHeight = 240;
  ini.Sectors = 4;
  ini.Set = {2400, 2600, 2700};
  ini.Band2Coefficients.Exp2B = 1234.0;
  ini.CurExpA = 5.0e7;
  ini.TermoDelta = 0.7f;
  TScanUnit unit;
  ApplyIniCameraSettings(ini, unit);
  EXPECT_EQ(unit.CameraInterfaceType, 257);
  EXPECT_EQ(unit.CameraNo, 339);
  EXPECT_EQ(unit.ScanWidth, 640);
  EXPECT_EQ(unit.ScanHeight, 240);
  EXPECT_EQ(unit.Sectors, 4);
  EXPECT_EQ(unit.Set[2], 2700);
  EXPECT_EQ(unit.Band2Coefficients.Exp2B, 1234.0);
  EXPECT_EQ(unit.CurExpA, 5.0e7);
  EXPECT_FLOAT_EQ(unit.TermoDelta, 0.7f);

  TCameraAcquisition service;
  ResetCameraState();
  service.TakeIniCameraSettings(ini);
  EXPECT_EQ(ScanUnit.ScanWidth, 640);
  EXPECT_EQ(service.CameraInterfaceType(), 257);
  ResetCameraState();
}

} // namespace
} // namespace calidarix
