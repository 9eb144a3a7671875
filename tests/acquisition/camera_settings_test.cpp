#include "acquisition/camera_settings.h"

#include "acquisition/camera_state.h"

#include <gtest/gtest.h>

#include <limits>

namespace calidarix {
namespace {

TEST(CameraSettings, CopyTakesTheSettingsAndLeavesTheRest) {
  TScanUnit from;
  from.ScanWidth = 640;
  from.Sectors = 9;
  from.Delay = {7, 8, 9};
  from.Set = {2600, 2700, 2800};
  from.Exp2_A = 1.5e5;
  from.Band2Coefficients.Signal30 = 42.0;
  from.CurExpA = 7.0e7;
  from.CalibrationBand = 1;
  from.TermoDelta = 0.5f;
  // Not settings: the camera's identity, what the thread applies from requests, what it measures.
  from.CameraInterfaceType = CamIfLan3;
  from.Speed = 0;
  from.CalibrationRange = 2;
  from.BlindSignal = 1234;
  from.VirtualZero = 17;
  TScanUnit to;
  CopyCameraSettings(to, from);
  EXPECT_TRUE(SameCameraSettings(to, from));
  EXPECT_EQ(to.ScanWidth, 640);
  EXPECT_EQ(to.Delay, from.Delay);
  EXPECT_EQ(to.Band2Coefficients.Signal30, 42.0);
  EXPECT_EQ(to.CurExpA, 7.0e7);
  EXPECT_EQ(to.TermoDelta, 0.5f);
  const TScanUnit fresh;
  EXPECT_EQ(to.CameraInterfaceType, fresh.CameraInterfaceType);
  EXPECT_EQ(to.Speed, fresh.Speed);
  EXPECT_EQ(to.CalibrationRange, fresh.CalibrationRange);
  EXPECT_EQ(to.BlindSignal, fresh.BlindSignal);
  EXPECT_EQ(to.VirtualZero, fresh.VirtualZero);

  // One setting apart is enough to differ; a value that is not a number equals itself.
  to.Center[2] = 1;
  EXPECT_FALSE(SameCameraSettings(to, from));
  to.Center = from.Center;
  to.Exp_B = from.Exp_B = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(SameCameraSettings(to, from));
}

TEST(CameraSettings, MergeTakesWhatTheWindowChangedAndKeepsWhatTheThreadMade) {
  TScanUnit base;
  base.Edge = {10, 0, 0};
  base.Exp2_A = 2.0;
  base.CurExpA = 1.0;
  base.CurAmplification = 3;
  TScanUnit thread = base;
  // The thread selected range 2: its working values changed.
  thread.CurExpA = 2.0;
  thread.CurAmplification = 4;
  TScanUnit published = base;
  // The window moved the edge bar and edited the low curve.
  published.Edge[0] = 20;
  published.Exp_AL = 5.0;
  MergeCameraSettings(thread, published, base);
  EXPECT_EQ(thread.Edge[0], 20);
  EXPECT_EQ(thread.Exp_AL, 5.0);
  EXPECT_EQ(thread.CurExpA, 2.0);
  EXPECT_EQ(thread.CurAmplification, 4);
  // The window edited the working curve too: its edit wins.
  TScanUnit edited = published;
  edited.CurExpA = 9.0;
  MergeCameraSettings(thread, edited, published);
  EXPECT_EQ(thread.CurExpA, 9.0);
  EXPECT_EQ(thread.CurAmplification, 4);
}

TEST(CameraSettings, ChannelPublishesOnlyChangedSettings) {
  TCameraSettingsChannel channel;
  EXPECT_EQ(channel.Latest(), nullptr);
  TScanUnit window;
  window.Delay[0] = 5;
  channel.Publish(window);
  std::uint64_t version = 0;
  ASSERT_TRUE(channel.Latest(&version));
  EXPECT_EQ(version, 1u);
  EXPECT_EQ(channel.Latest()->Delay[0], 5);
  // A frame's values and the like are no settings: nothing new goes out.
  window.BlindSignal = 99;
  window.FrameBuffer.assign(10, 1);
  channel.Publish(window);
  EXPECT_EQ(channel.Version(), 1u);
  window.Delay[0] = 6;
  channel.Publish(window);
  EXPECT_EQ(channel.Version(), 2u);
  EXPECT_EQ(channel.Latest()->Delay[0], 6);
  EXPECT_TRUE(channel.Latest()->FrameBuffer.empty());
  // Cleared, the next publication is new whatever it holds, and the count goes on.
  channel.Clear();
  EXPECT_EQ(channel.Latest(), nullptr);
  channel.Publish(window);
  EXPECT_EQ(channel.Version(), 3u);
}

} // namespace
} // namespace calidarix
