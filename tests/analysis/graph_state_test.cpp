#include "analysis/graph_state.h"

#include "platform/datetime.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

TProfile Ramp(int n) {
  TProfile p;
  for (int i = 0; i < n; ++i)
    p.push_back(static_cast<float>(i));
  return p;
}

TEST(GraphState, StoredProfilesAreCopiesInSlotsAfterTheLiveOneWithAnEmptyLastSlot) {
  TGraphState g;
  EXPECT_EQ(g.FProfiles.size(), 2u);
  EXPECT_EQ(g.FProfiles[0], TProfile(100, 0.0f));
  g.FProfiles[0] = Ramp(3);
  EXPECT_TRUE(g.StoreProfile(1));
  g.FProfiles[0] = Ramp(5);
  EXPECT_TRUE(g.StoreProfile(1));
  EXPECT_EQ(g.FStoredCount, 2);
  ASSERT_EQ(g.FProfiles.size(), 4u);
  EXPECT_EQ(g.FProfiles[1], Ramp(3));
  EXPECT_EQ(g.FProfiles[2], Ramp(5));
  EXPECT_TRUE(g.FProfiles[3].empty());
  // Any other argument only asks for a repaint.
  EXPECT_FALSE(g.StoreProfile(3));
  EXPECT_EQ(g.FStoredCount, 2);

  g.ClearProfiles();
  EXPECT_EQ(g.FStoredCount, 0);
  ASSERT_EQ(g.FProfiles.size(), 2u);
  EXPECT_EQ(g.FProfiles[0], Ramp(5)) << "the live profile stays";
  g.ClearCurrentProfile();
  EXPECT_TRUE(g.FProfiles[0].empty());

  TGraphState histogram;
  histogram.Tag = 2;
  EXPECT_FALSE(histogram.StoreProfile(1));
  EXPECT_EQ(histogram.FProfiles.size(), 2u);
}

TEST(GraphState, StoredProfilesTakeTheSevenColoursInTurn) {
  const std::vector<std::array<int, 3>> expected = {{255, 0, 0}, {0, 0, 255},   {0, 128, 0},   {255, 0, 255},
                                                    {0, 255, 0}, {0, 255, 255}, {128, 128, 0}, {255, 0, 0}};
  for (int p = 1; p <= 8; ++p) {
    const TRGB c = ProfileColour(p);
    EXPECT_EQ((std::array<int, 3>{c.R, c.G, c.B}), expected[p - 1]) << p;
  }
}

TEST(GraphState, SubRangeKeysKeepTheLowEndBelowTheHighEnd) {
  struct Case {
    int low, high, key, expectedLow, expectedHigh;
  } cases[] = {
      {0, 1, 44, 0, 1},                                   // Z at the bottom changes nothing
      {10, 200, 44, 9, 199},                              // Z lowers both
      {10, 11, 45, 10, 11},                               // X never makes the ends meet
      {10, 200, 45, 10, 199},                             // X lowers the top
      {253, 255, 30, 254, 255}, {254, 255, 30, 254, 255}, // A raises both while there is room
      {0, 254, 31, 0, 255},     {0, 255, 31, 0, 255},     // S raises the top
      {40, 90, 16, 0, 255},                               // Q: everything again
  };
  for (const Case &c : cases) {
    TGraphState g;
    g.FPalLow = c.low;
    g.FPalHigh = c.high;
    EXPECT_TRUE(g.SubRangeKey(c.key));
    EXPECT_EQ(g.FPalLow, c.expectedLow) << c.key << " from " << c.low << ".." << c.high;
    EXPECT_EQ(g.FPalHigh, c.expectedHigh) << c.key << " from " << c.low << ".." << c.high;
  }
  TGraphState g;
  EXPECT_FALSE(g.SubRangeKey(19)) << "R is no sub-range key";
}

TEST(GraphState, DraggingTheBarShiftsOrWidensTheSubRangeButNeverBelowEightSteps) {
  TGraphState g;
  g.FPalLow = 0;
  g.FPalHigh = 100;
  g.FPalDragPos = TPoint{4, 200};
  g.DragSubRange(4, 100, 200); // half the bar upwards: both ends up by 127.5, ties to even
  EXPECT_EQ(g.FPalLow, 128);
  EXPECT_EQ(g.FPalHigh, 228);
  EXPECT_EQ(g.FPalDragPos, (TPoint{4, 100}));
  g.DragSubRange(4, -300, 200); // far up: the low end stops at 246
  EXPECT_EQ(g.FPalLow, 246);
  EXPECT_EQ(g.FPalHigh, 255);
  g.FPalLow = 50;
  g.FPalHigh = 150;
  g.FPalDragPos = TPoint{0, 0};
  g.DragSubRange(400, 0, 200); // far right: the top comes down to the low end + 8
  EXPECT_EQ(g.FPalLow, 50);
  EXPECT_EQ(g.FPalHigh, 58);
  g.DragSubRange(-30, 0, 0); // a bar without height changes nothing
  EXPECT_EQ(g.FPalHigh, 58);
}

TEST(GraphState, TheScaleShowsTheVisiblePartOfTheRange) {
  TGraphState g;
  g.SetRange(MakeRange(10.0, 61.0));
  EXPECT_EQ(g.ScaleLow(false), 10.0);
  EXPECT_EQ(g.ScaleHigh(false), 61.0);
  g.FPalLow = 51;
  g.FPalHigh = 102;
  EXPECT_DOUBLE_EQ(g.ScaleLow(false), 20.2);
  EXPECT_DOUBLE_EQ(g.ScaleHigh(false), 30.4);
  EXPECT_EQ(g.ScaleHigh(true), 30.0);
}

TEST(GraphState, ThreePressesOfRMeasureTheRatioAndAFourthStartsAgain) {
  TGraphState g;
  g.FProfiles[0] = {0.0f, 10.0f, 12.5f, 20.0f};
  g.FCursor.X = 0;
  EXPECT_FALSE(g.ResolutionStep("Thermo Profile")) << "nothing at the first sample";
  EXPECT_EQ(g.FResStep, 0);
  g.FCursor.X = 1;
  EXPECT_EQ(g.ResolutionStep("Thermo Profile"), QString("ResZero:10.00"));
  g.FCursor.X = 2;
  EXPECT_EQ(g.ResolutionStep("ResZero:10.00"), QString("ResZero:10.00 ResMin:12.50"));
  g.FCursor.X = 3;
  EXPECT_EQ(g.ResolutionStep("ResZero:10.00 ResMin:12.50"), QString("Res: 0.25"));
  EXPECT_DOUBLE_EQ(g.FRes, 0.25);
  EXPECT_EQ(g.ResolutionStep("Res: 0.25"), QString("ResZero:20.00"));
  g.ResolutionStep("");
  EXPECT_EQ(g.ResolutionStep(""), QString("Res: 0.00")) << "a maximum equal to the zero gives 0";
  // A cursor left beyond a shorter profile reads its last sample.
  g.FCursor.X = 40;
  EXPECT_EQ(g.ResolutionStep(""), QString("ResZero:20.00"));
}

TEST(GraphState, TheLengthReadOutFollowsTheCalibration) {
  TGraphState g;
  g.FProfiles[0] = TProfile(100, 1.0f);
  EXPECT_EQ(g.DistanceText(), "100");
  EXPECT_FALSE(g.AcceptDistance("300"));
  EXPECT_EQ(g.FDistancePoints, 100);
  EXPECT_EQ(g.FDistanceLength, 300);
  EXPECT_EQ(g.DistanceText(), "300");
  g.FProfiles[0] = TProfile(50, 1.0f);
  EXPECT_EQ(g.DistanceText(), "150");
  // Refused entries leave the calibration as it was.
  for (const char *typed : {"", "0", "99999999999"})
    EXPECT_TRUE(g.AcceptDistance(typed)) << typed;
  EXPECT_EQ(g.FDistanceLength, 300);
  g.FProfiles[0].clear();
  EXPECT_TRUE(g.AcceptDistance("10"));
  EXPECT_EQ(g.DistanceText(), "");
}

TEST(GraphState, CursorReadOutsByWindow) {
  TGraphState profile;
  profile.FProfiles[0] = {1.0f, 2.345f, 3.0f};
  profile.FCursor.X = 1;
  EXPECT_EQ(profile.CursorIndexText(), "1");
  EXPECT_EQ(profile.CursorValueText(), "2.35");
  profile.FCursor.X = 9; // left from a longer profile: the last sample
  EXPECT_EQ(profile.CursorIndexText(), "2");

  TGraphState histogram;
  histogram.Tag = 2;
  histogram.FProfiles[0] = TProfile(100, 0.0f);
  histogram.FProfiles[0][10] = 7.0f;
  histogram.FLowLimitTemp = 20.0;
  histogram.FHighLimitTemp = 30.0;
  histogram.FCursor.X = 10;
  EXPECT_EQ(histogram.CursorIndexText(), "7");
  EXPECT_EQ(histogram.CursorValueText(), "21.00") << "the bin's lower edge";
}

TEST(GraphState, FrameClockTimeCountsBackFromTheFileTimeOfTheLastFrame) {
  const std::uint32_t noon = *PackDosDateTime(QDateTime(QDate(2024, 3, 15), QTime(12, 0, 0)));
  EXPECT_EQ(FrameClockTime(noon, 99, 100, 2.0).time(), QTime(11, 59, 58)) << "the last frame";
  EXPECT_EQ(FrameClockTime(noon, 99, 100, 0.5).time(), QTime(11, 59, 59, 500));
  EXPECT_EQ(FrameClockTime(noon, 39, 100, 0.5).time(), QTime(11, 59, 29, 500));
  EXPECT_FALSE(FrameClockTime(0, 1, 2, 1.0).isValid());
}

} // namespace
} // namespace calidarix
