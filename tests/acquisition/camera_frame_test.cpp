#include "acquisition/camera_frame.h"

#include "acquisition/camera_state.h"

#include <gtest/gtest.h>

#include <thread>

namespace calidarix {
namespace {

TEST(CameraFrame, CarriesPixelsStatusSpeedAndRange) {
  TScanUnit thread;
  thread.FrameWidth = 3;
  thread.FrameHeight = 2;
  thread.FrameBuffer = {1, 2, 3, 4}; // a frame cut short: the rest reads as 0
  thread.FrameMin = 1;
  thread.FrameMax = 4;
  thread.Speed = 1;
  thread.CalibrationRange = 2;
  thread.BlindSignal = 2600;
  thread.CameraTemperature = 31.5f;
  const TCameraFrame frame = MakeCameraFrame(thread, 5, TFrameResult{4, 1});
  EXPECT_EQ(frame.Pixels, (std::vector<std::uint16_t>{1, 2, 3, 4, 0, 0}));
  EXPECT_EQ(frame.ReceivedRows, 2);
  EXPECT_EQ(frame.Result.Kind, 4);
  EXPECT_EQ(frame.Result.Line, 1);

  TScanUnit gui;
  AdoptCameraFrame(gui, frame);
  EXPECT_EQ(gui.DisplayFrame, frame.Pixels);
  EXPECT_EQ(gui.DisplayFrameWidth, 3);
  EXPECT_EQ(gui.DisplayFrameHeight, 2);
  EXPECT_EQ(gui.DisplayFrameMax, 4);
  EXPECT_EQ(gui.DisplaySpeed, 1);
  EXPECT_EQ(gui.DisplayRange, 2);
  EXPECT_EQ(gui.BlindSignal, 2600);
  EXPECT_EQ(gui.CameraTemperature, 31.5f);
  EXPECT_EQ(gui.Speed, 1);
  EXPECT_EQ(gui.CalibrationRange, 2);

  // A thread whose buffer is larger than its frame hands over only the frame.
  thread.FrameBuffer.assign(100, 9);
  EXPECT_EQ(MakeCameraFrame(thread, 2, {}).Pixels.size(), 6u);
}

// The working calibration: the window takes a value the thread changed since it took the window's,
// unless the window changed it as well; its own edits are never undone.
TEST(CameraFrame, TheWindowTakesOnlyWhatTheThreadChangedAndItDidNot) {
  struct Case {
    const char *what;
    double taken, thread, window, after;
  };
  const Case cases[] = {
      {"nobody changed it", 1.0, 1.0, 1.0, 1.0},
      {"the thread changed it (a range it selected)", 1.0, 2.0, 1.0, 2.0},
      {"the window changed it (an edit of the curve)", 1.0, 1.0, 3.0, 3.0},
      {"both changed it", 1.0, 2.0, 3.0, 3.0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TScanUnit thread;
    thread.CurExpA = c.taken;
    thread.CurBand2Signal0 = c.taken;
    thread.FrameWidth = 1;
    thread.FrameHeight = 1;
    TCameraFrame frame = MakeCameraFrame(thread, 1, {});
    frame.CalibrationTaken = frame.Calibration;
    frame.Calibration.CurExpA = c.thread;
    frame.Calibration.CurBand2Signal0 = c.thread;
    TScanUnit gui;
    gui.CurExpA = c.window;
    gui.CurBand2Signal0 = c.window;
    AdoptCameraFrame(gui, frame);
    EXPECT_EQ(gui.CurExpA, c.after);
    EXPECT_EQ(gui.CurBand2Signal0, c.after);
  }
  // A frame made without a thread of its own changes nothing of the window's calibration.
  TScanUnit thread;
  thread.CurExpA = 5.0;
  thread.TwoCurves = true;
  TScanUnit gui;
  AdoptCameraFrame(gui, MakeCameraFrame(thread, 0, {}));
  EXPECT_EQ(gui.CurExpA, TScanUnit{}.CurExpA);
  EXPECT_FALSE(gui.TwoCurves);
}

TEST(CameraFrame, MailboxHandsOverTheLatestFrameOnce) {
  TFrameMailbox mailbox;
  EXPECT_EQ(mailbox.Take(), nullptr);
  constexpr int kFrames = 200;
  std::thread producer([&mailbox] {
    TScanUnit unit;
    unit.FrameWidth = 64;
    unit.FrameHeight = 4;
    for (int i = 1; i <= kFrames; ++i) {
      unit.FrameBuffer.assign(256, static_cast<std::uint16_t>(i));
      mailbox.Post(MakeCameraFrame(unit, 4, TFrameResult{0, i}));
    }
  });
  int last = 0;
  while (last < kFrames) {
    if (const auto frame = mailbox.Take()) {
      // Frames come in order and whole: every pixel carries the frame's number.
      ASSERT_GT(frame->Result.Line, last);
      ASSERT_EQ(frame->Pixels.front(), frame->Result.Line);
      ASSERT_EQ(frame->Pixels.back(), frame->Result.Line);
      last = frame->Result.Line;
    } else {
      std::this_thread::yield();
    }
  }
  producer.join();
  EXPECT_EQ(mailbox.Take(), nullptr);
}

TEST(CameraState, ResetRestoresTheStartOfRun) {
  ScanUnit.Speed = 0;
  ScanUnit.CurExpA = 1.0;
  ScanRequests.PendingRange.Set(1);
  ScanRequests.BlindCorrectionOn.Set(false);
  FocusSliderMax = 5;
  ResetCameraState();
  EXPECT_EQ(ScanUnit.CameraInterfaceType, CamIfLpt);
  EXPECT_EQ(ScanUnit.Speed, 2);
  EXPECT_EQ(ScanUnit.CurExpA, 6.0e7);
  EXPECT_EQ(ScanUnit.Set[0], 2500);
  EXPECT_EQ(ScanUnit.FrameWidth, 256);
  EXPECT_EQ(ScanUnit.FrameHeight, 124);
  EXPECT_EQ(ScanUnit.LptStatusPort, 889);
  EXPECT_EQ(ScanUnit.VirtualZero, -2360);
  EXPECT_EQ(ScanUnit.SignalLut.size(), 65536u);
  EXPECT_EQ(ScanRequests.PendingRange.Get(), kNoRequest);
  EXPECT_TRUE(ScanRequests.BlindCorrectionOn.Get());
  EXPECT_EQ(FocusSliderMax, 162);

  for (const std::int32_t type : {8, 16, 32, 64, 128, 256, 257, 512})
    EXPECT_TRUE(IsServedInterfaceType(type)) << type;
  for (const std::int32_t type : {0, 129, 1000, -32})
    EXPECT_FALSE(IsServedInterfaceType(type)) << type;
  EXPECT_TRUE(IsDualBandType(64));
  EXPECT_TRUE(IsDualBandType(257));
  EXPECT_FALSE(IsDualBandType(256));
}

} // namespace
} // namespace calidarix
