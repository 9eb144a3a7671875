#include "analysis/view3d_state.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace calidarix {
namespace {

TEST(View3DStateTest, TurningAddsItsStepAndJumpsBackToZeroAt360) {
  TView3DState s;
  const TAnimationSwitches dynamic{false, true, false};
  s.SpinAngle = 10.0f;
  EXPECT_TRUE(AnimationTick(s, dynamic));
  EXPECT_FLOAT_EQ(s.SpinAngle, 10.15f);
  EXPECT_FLOAT_EQ(s.LightSpin, 357.0f); // 0 - 3 wraps to 357
  s.SpinAngle = 359.9f;
  AnimationTick(s, dynamic);
  EXPECT_EQ(s.SpinAngle, 0.0f) << "not the remainder 0.05";
  // Without the switch nothing turns and nothing is painted.
  s.SpinAngle = 5.0f;
  EXPECT_FALSE(AnimationTick(s, TAnimationSwitches{}));
  EXPECT_FLOAT_EQ(s.SpinAngle, 5.0f);
}

TEST(View3DStateTest, ScalingOscillatesBetweenAboutMinusThreeAndThree) {
  TView3DState s;
  const TAnimationSwitches scaling{false, true, true};
  float lowest = s.ReliefScale, highest = s.ReliefScale;
  for (int i = 0; i < 10000; ++i) {
    AnimationTick(s, scaling);
    lowest = std::min(lowest, s.ReliefScale);
    highest = std::max(highest, s.ReliefScale);
  }
  EXPECT_NEAR(highest, 3.0f, 0.002f);
  EXPECT_NEAR(lowest, -3.0f, 0.002f); // through 0: the relief turns inside out
}

TEST(View3DStateTest, TheApproachEndsAtTheCentreWithASlowTurn) {
  TView3DState s;
  s.ApproachAnim = true;
  s.ViewDistance = 0.0025f;
  s.TiltAngle = 25.0f;
  const TAnimationSwitches dynamic{false, true, false};
  int ticks = 0;
  while (s.ApproachAnim && ticks < 100) {
    AnimationTick(s, dynamic);
    ++ticks;
  }
  // 0.0025 -> 0.0015 -> 0.0005 -> -0.0005, and the fourth tick finds the centre reached.
  EXPECT_EQ(ticks, 4);
  EXPECT_DOUBLE_EQ(s.SpinStep, 0.01);
  EXPECT_NEAR(s.TiltAngle, 25.0f - 4 * 0.05f, 1e-4);
  const float tilt = s.TiltAngle;
  AnimationTick(s, dynamic);
  EXPECT_EQ(s.TiltAngle, tilt) << "the tilt drifts only during the approach";
}

TEST(View3DStateTest, FlyingMovesByTheVelocityOnlyInFlyMode) {
  TView3DState s;
  s.FlyVelocity = {0.5f, 0.0f, -0.25f};
  EXPECT_FALSE(AnimationTick(s, TAnimationSwitches{}));
  EXPECT_EQ(s.FlyPosition, (TVec3{0.0f, 0.0f, 0.0f}));
  EXPECT_TRUE(AnimationTick(s, TAnimationSwitches{true, false, false}));
  EXPECT_EQ(s.FlyPosition, (TVec3{0.5f, 0.0f, -0.25f}));
}

TEST(View3DStateTest, ALateTimerAppliesTheTicksItOwesUpToALimit) {
  std::int64_t applied = 0;
  EXPECT_EQ(DueAnimationTicks(4, applied), 0);
  EXPECT_EQ(DueAnimationTicks(12, applied), 2);
  EXPECT_EQ(DueAnimationTicks(14, applied), 0);
  EXPECT_EQ(DueAnimationTicks(15, applied), 1);
  EXPECT_EQ(applied, 3);
  // After a stall of ten seconds only the catch-up limit is replayed, and counting goes on from now.
  EXPECT_EQ(DueAnimationTicks(10015, applied), kMaxCatchUpTicks);
  EXPECT_EQ(DueAnimationTicks(10020, applied), 1);
}

TEST(View3DStateTest, TheFrameRateIsCountedOverMoreThanASecond) {
  TView3DState s;
  // The very first frame already gives a rate: one frame over the whole tick count.
  CountFrame(s, 50000);
  EXPECT_DOUBLE_EQ(s.FramesPerSecond, 1000.0 / 50000.0);
  for (int i = 1; i <= 24; ++i)
    CountFrame(s, 50000 + 40 * i); // 960 ms of frames
  EXPECT_DOUBLE_EQ(s.FramesPerSecond, 1000.0 / 50000.0) << "no update within the second";
  CountFrame(s, 51040);
  EXPECT_DOUBLE_EQ(s.FramesPerSecond, 25 * 1000.0 / 1040.0);
  EXPECT_EQ(s.FrameCount, 0);
}

TEST(View3DStateTest, ResetViewGivesEachModeItsCamera) {
  TView3DState s;
  s.SpinAngle = 12.0f;
  s.ReliefScale = 2.0f;
  s.StereoSeparation = 0.3f;
  ResetViewState(s, false);
  EXPECT_FLOAT_EQ(s.SpinAngle, -90.0f);
  EXPECT_FLOAT_EQ(s.TiltAngle, 30.0f);
  EXPECT_FLOAT_EQ(s.ReliefScale, 1.0f);
  EXPECT_FLOAT_EQ(s.StereoSeparation, 0.0f);
  EXPECT_EQ(s.EyePoint, (TVec3{7.0f, 0.0f, 3.5f}));
  EXPECT_FLOAT_EQ(s.ZFar, 15.0f);
  ResetViewState(s, true);
  EXPECT_FLOAT_EQ(s.ViewDistance, 0.0f);
  EXPECT_FLOAT_EQ(s.FieldOfView, 60.0f);
  EXPECT_EQ(s.EyePoint, (TVec3{0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(s.LookPoint, (TVec3{1.0f, 0.0f, 0.0f}));
  EXPECT_FLOAT_EQ(s.ZFar, 10.0f);
}

} // namespace
} // namespace calidarix
