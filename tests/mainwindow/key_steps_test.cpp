#include "mainwindow/key_steps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

namespace calidarix {
namespace {

struct WindowCase {
  char key;
  int bottom, top;
  int expectedBottom, expectedTop;
};

TEST(PaletteWindowSteps, MoveTheWindowWithinTheBar) {
  const WindowCase cases[] = {
      {'A', 10, 100, 11, 101},   {'A', 253, 255, 254, 255}, {'A', 254, 255, 254, 255},
      {'A', 254, 254, 254, 255}, {'S', 10, 100, 10, 101},   {'S', 10, 255, 10, 255},
      {'Z', 10, 100, 9, 99},     {'Z', 0, 100, 0, 99},      {'Z', 5, 1, 4, 1},
      {'Z', 0, 1, 0, 1},         {'X', 10, 100, 10, 99},    {'X', 10, 11, 10, 11},
      {'Q', 10, 100, 10, 100},
  };
  for (const WindowCase &c : cases) {
    SCOPED_TRACE(testing::Message() << c.key << " from " << c.bottom << ".." << c.top);
    auto bottom = static_cast<std::uint8_t>(c.bottom);
    auto top = static_cast<std::uint8_t>(c.top);
    StepPaletteWindow(c.key, bottom, top);
    EXPECT_EQ(bottom, c.expectedBottom);
    EXPECT_EQ(top, c.expectedTop);
  }
}

TEST(PaletteWindowSteps, HoldingARaisesTheTopToTheEndThenTheBottomTo254) {
  std::uint8_t bottom = 240;
  std::uint8_t top = 250;
  for (int repeat = 0; repeat < 5; ++repeat)
    StepPaletteWindow('A', bottom, top);
  EXPECT_EQ(top, 255);
  EXPECT_EQ(bottom, 245);
  for (int repeat = 0; repeat < 20; ++repeat)
    StepPaletteWindow('A', bottom, top);
  EXPECT_EQ(top, 255);
  EXPECT_EQ(bottom, 254);
}

struct RangeCase {
  const char *name;
  RangeStep step;
  double min, max;
  double expectedMin, expectedMax;
  bool changed;
};

TEST(LockedRangeSteps, MoveByWholeDegreesAndKeepASoundRange) {
  const RangeCase cases[] = {
      {"narrow", RangeStep::Narrow, 10.6, 30.4, 11.0, 29.0, true},
      {"narrow to nothing is taken back", RangeStep::Narrow, 10.0, 12.0, 10.0, 12.0, false},
      {"narrow past each other is taken back", RangeStep::Narrow, 10.0, 11.5, 10.0, 11.5, false},
      {"widen", RangeStep::Widen, 10.6, 30.4, 9.0, 31.0, true},
      {"widen at absolute zero keeps the lower end", RangeStep::Widen, -273.0, 0.0, -273.0, 1.0, true},
      {"widen at the ceiling keeps the upper end", RangeStep::Widen, 0.0, 2000.0, -1.0, 2000.0, true},
      {"widen at both limits changes nothing", RangeStep::Widen, -273.15, 2000.0, -273.15, 2000.0, false},
      {"shift down", RangeStep::ShiftDown, 20.5, 40.5, 19.0, 39.0, true},
      {"shift down below absolute zero is taken back", RangeStep::ShiftDown, -273.0, 0.0, -273.0, 0.0, false},
      {"shift up", RangeStep::ShiftUp, 20.5, 40.5, 21.0, 41.0, true},
      {"shift up above the ceiling is taken back", RangeStep::ShiftUp, 1000.0, 2000.0, 1000.0, 2000.0, false},
      {"a range narrower than a degree does not collapse", RangeStep::ShiftUp, 10.2, 10.8, 10.2, 10.8, false},
      {"a lower end below absolute zero may still narrow", RangeStep::Narrow, -300.0, 0.0, -299.0, -1.0,
       true},
  };
  for (const RangeCase &c : cases) {
    SCOPED_TRACE(c.name);
    double min = c.min;
    double max = c.max;
    EXPECT_EQ(StepLockedRange(c.step, min, max), c.changed);
    EXPECT_DOUBLE_EQ(min, c.expectedMin);
    EXPECT_DOUBLE_EQ(max, c.expectedMax);
  }
  double min = std::numeric_limits<double>::quiet_NaN();
  double max = 10.0;
  EXPECT_FALSE(StepLockedRange(RangeStep::Widen, min, max));
  EXPECT_EQ(max, 10.0);
}

TEST(LockedRangeSteps, HeldDownANarrowRangeStopsAboveItsLowerEnd) {
  double min = 20.0;
  double max = 30.0;
  for (int repeat = 0; repeat < 20; ++repeat)
    StepLockedRange(RangeStep::Narrow, min, max);
  EXPECT_LT(min, max);
  EXPECT_DOUBLE_EQ(max - min, 2.0);
  for (int repeat = 0; repeat < 400; ++repeat)
    StepLockedRange(RangeStep::ShiftDown, min, max);
  EXPECT_GE(min, -273.15);
  EXPECT_DOUBLE_EQ(max - min, 2.0);
}

TEST(FilmPlayback, AltRightStepsThroughTheSpeedsAndAltLeftTurnsRound) {
  PlaybackState state{false, 2};
  const std::pair<bool, PlaybackState> presses[] = {
      {true, {true, 0}}, {true, {true, 1}},   {true, {true, 2}},   {true, {true, 0}},
      {true, {true, 1}}, {false, {false, 0}}, {false, {false, 1}},
  };
  for (const auto &[forwardKey, expected] : presses) {
    state = NextPlayback(state, forwardKey);
    EXPECT_EQ(state.forward, expected.forward);
    EXPECT_EQ(state.speedStep, expected.speedStep);
  }
}

TEST(FilmPlayback, TimerIntervalsFollowTheSpeedAndTheFilmsFrameInterval) {
  EXPECT_EQ(PlaybackIntervalMs(0, 0.04), 0);
  EXPECT_EQ(PlaybackIntervalMs(1, 0.04), 1);
  EXPECT_EQ(PlaybackIntervalMs(2, 0.04), 40);
  EXPECT_EQ(PlaybackIntervalMs(2, 0.0333), 33);
  EXPECT_EQ(PlaybackIntervalMs(2, 0.0001), 1);
  EXPECT_EQ(PlaybackIntervalMs(2, 1e9), 60000);
  // A film that holds no usable interval plays at 10 frames a second.
  EXPECT_EQ(PlaybackIntervalMs(2, 0.0), 100);
  EXPECT_EQ(PlaybackIntervalMs(2, -1.0), 100);
  EXPECT_EQ(PlaybackIntervalMs(2, std::nan("")), 100);
  EXPECT_EQ(PlaybackIntervalMs(2, std::numeric_limits<double>::infinity()), 100);
}

TEST(KeySteps, RotationAnglesWrapIntoOneTurn) {
  const std::pair<double, float> cases[] = {{-1.0, 359.0f}, {1.0, 1.0f},    {360.0, 0.0f},
                                            {720.5, 0.5f},  {-0.5, 359.5f}, {-1e-20, 0.0f}};
  for (auto [angle, expected] : cases)
    EXPECT_FLOAT_EQ(WrapDegrees(angle), expected) << angle;
  EXPECT_EQ(WrapDegrees(std::nan("")), 0.0f);
}

TEST(KeySteps, PanningStaysWithinTheFrame) {
  const PanLimits limits{400, 300, 200, 100, 2.0, 1.0}; // 100 x 50 image pixels visible
  double x = 5.0;
  double y = 5.0;
  PanView(75, limits, x, y);
  PanView(72, limits, x, y);
  EXPECT_EQ(x, 0.0);
  EXPECT_EQ(y, 0.0);
  x = 295.0;
  y = 245.0;
  PanView(77, limits, x, y);
  PanView(80, limits, x, y);
  EXPECT_EQ(x, 300.0);
  EXPECT_EQ(y, 250.0);
  x = 100.0;
  PanView(77, limits, x, y);
  EXPECT_EQ(x, 110.0);
  const PanLimits broken{400, 300, 200, 100, 0.0, 1.0};
  PanView(77, broken, x, y);
  EXPECT_EQ(x, 110.0);
}

TEST(KeySteps, AspectExtentsAndTheFixedLineStayInTheirFields) {
  EXPECT_EQ(HorzExtentForAspect(1.0), 180);
  EXPECT_EQ(HorzExtentForAspect(1.5), 270);
  EXPECT_EQ(HorzExtentForAspect(1000.0), 65535);
  EXPECT_EQ(HorzExtentForAspect(std::nan("")), 0);
  EXPECT_EQ(HorzExtentForAspect(-2.0), 0);

  EXPECT_EQ(FixedLineFromRow(0, 240), 1);
  EXPECT_EQ(FixedLineFromRow(120, 240), 60);
  EXPECT_EQ(FixedLineFromRow(240, 240), 119);
  EXPECT_EQ(FixedLineFromRow(-30, 240), 1);
  EXPECT_EQ(FixedLineFromRow(100, 0), 1);
}

TEST(KeySteps, EachArrowJogsTheHeadItsOwnWay) {
  EXPECT_EQ(JogBit(72) | JogBit(75) | JogBit(77) | JogBit(80), 15);
  EXPECT_EQ(JogBit(71), 0);
  const std::pair<int, JogSpeeds> speeds[] = {
      {72, {0x00, 0xFF}}, {75, {0x7F, 0x00}}, {77, {0xFF, 0x00}}, {80, {0x00, 0x7F}}};
  for (auto [arrow, expected] : speeds) {
    EXPECT_EQ(JogSpeedsFor(arrow).pan, expected.pan) << ArrowName(arrow);
    EXPECT_EQ(JogSpeedsFor(arrow).tilt, expected.tilt) << ArrowName(arrow);
  }
}

} // namespace
} // namespace calidarix
