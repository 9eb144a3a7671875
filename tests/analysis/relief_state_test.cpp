#include "analysis/relief_state.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(ReliefStateTest, TheFirstSwitchFitsTheFrameAndLaterOnesKeepTheView) {
  TReliefState s;
  ReliefFirstUse(s, 256);
  EXPECT_DOUBLE_EQ(s.FReliefScale, 1.8);
  EXPECT_EQ(s.FReliefAzimuth, 300);
  EXPECT_EQ(s.FReliefTilt, 320);
  s.FReliefAzimuth = 10;
  ReliefFirstUse(s, 640);
  EXPECT_DOUBLE_EQ(s.FReliefScale, 1.8);
  EXPECT_EQ(s.FReliefAzimuth, 10);
}

TEST(ReliefStateTest, DraggingPastAFullTurnWrapsWithoutAJump) {
  TReliefState s;
  s.FReliefAzimuth = 350;
  s.FReliefTilt = 5;
  ReliefMouseDown(s, TMouseButton::Left, 100, 100);
  EXPECT_TRUE(ReliefMouseMove(s, true, false, 109, 100));
  EXPECT_EQ(s.FReliefAzimuth, 359);
  ReliefMouseMove(s, true, false, 110, 100);
  EXPECT_EQ(s.FReliefAzimuth, 0);
  ReliefMouseMove(s, true, false, 111, 100);
  EXPECT_EQ(s.FReliefAzimuth, 1) << "the anchor moved with the wrap";
  ReliefMouseMove(s, true, false, 111, 94);
  EXPECT_EQ(s.FReliefTilt, 359);
  // A jump of more than a turn between two moves still gives an angle of 0 .. 359.
  ReliefMouseMove(s, true, false, 111 + 725, 94 - 800);
  EXPECT_GE(s.FReliefAzimuth, 0);
  EXPECT_LE(s.FReliefAzimuth, 359);
  EXPECT_GE(s.FReliefTilt, 0);
  EXPECT_LE(s.FReliefTilt, 359);
  EXPECT_EQ(s.FReliefAzimuth, (1 + 725) % 360);
}

TEST(ReliefStateTest, ScaleAndDepthStopAtTheirLimits) {
  TReliefState s;
  s.FReliefScale = 1.0;
  ReliefMouseDown(s, TMouseButton::Right, 200, 300);
  EXPECT_EQ(s.FReliefDragPos, (TPoint{100, 300}));
  ReliefMouseMove(s, false, true, 250, 310);
  EXPECT_DOUBLE_EQ(s.FReliefScale, 1.5);
  EXPECT_EQ(s.FReliefDepth, 246);
  ReliefMouseMove(s, false, true, 2000, 0);
  EXPECT_DOUBLE_EQ(s.FReliefScale, 4.0);
  EXPECT_EQ(s.FReliefDepth, 256);
  // The anchors moved with the limits: going back responds at once.
  ReliefMouseMove(s, false, true, 1999, 1);
  EXPECT_DOUBLE_EQ(s.FReliefScale, 3.99);
  EXPECT_EQ(s.FReliefDepth, 255);
  ReliefMouseMove(s, false, true, -5000, 5000);
  EXPECT_DOUBLE_EQ(s.FReliefScale, 0.1);
  EXPECT_EQ(s.FReliefDepth, -255); // a negative depth turns the relief upside down
  EXPECT_FALSE(ReliefMouseMove(s, false, false, 0, 0));
}

TEST(ReliefStateTest, TheTimerTurnsOneDegreeWhileTheReliefIsShown) {
  TReliefState s;
  s.FReliefAzimuth = 359;
  EXPECT_FALSE(ReliefTimerStep(s)) << "the timer stops itself while the image is shown";
  EXPECT_EQ(s.FReliefAzimuth, 359);
  s.FReliefView = true;
  s.FReliefRotateForward = true;
  EXPECT_TRUE(ReliefTimerStep(s));
  EXPECT_EQ(s.FReliefAzimuth, 0);
  s.FReliefRotateForward = false;
  ReliefTimerStep(s);
  EXPECT_EQ(s.FReliefAzimuth, 359);
}

} // namespace
} // namespace calidarix
