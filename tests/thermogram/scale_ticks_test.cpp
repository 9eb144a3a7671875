#include "thermogram/scale_ticks.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>

#include <limits>

namespace calidarix {
namespace {

struct Tick {
  double value;
  int y;
  const char *text;
  bool labelled;
};

void ExpectTicks(const TScaleLayout &layout, const std::vector<Tick> &expected) {
  ASSERT_EQ(layout.Ticks.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "tick " << i);
    EXPECT_DOUBLE_EQ(layout.Ticks[i].Value, expected[i].value);
    EXPECT_EQ(layout.Ticks[i].Y, expected[i].y);
    EXPECT_EQ(layout.Ticks[i].Text, QString::fromUtf8(expected[i].text));
    EXPECT_EQ(layout.Ticks[i].Labelled, expected[i].labelled);
  }
}

// A scale 60 pixels wide has the font size 12; its bold font is taken as 16 pixels high.
constexpr int kFontHeight = 16;

TEST(ScaleTicksTest, TwentyToFortyOnThreeHundredRows) {
  const TScaleLayout layout = LayoutScaleTicks(TRect{0, 0, 60, 300}, 20.0, 40.0, kFontHeight, false);
  EXPECT_EQ(layout.FontSize, 12);
  EXPECT_EQ(layout.Step, 10.0); // v = 20 x 16 x 12 / 300 = 12.8
  // The 20 tick sits on the bottom row, too low for its text; there is no tick for 40.
  ExpectTicks(layout, {{20, 299, "20", false}, {30, 149, "30", true}});
  EXPECT_EQ(layout.Ticks[1].TextY, 149 - 8 - 2);
  EXPECT_EQ(layout.TextX, 10);
  // Half a step is 75 rows: below the 30 tick, and one more above the last tick.
  EXPECT_EQ(layout.MinorRows, (std::vector<int>{224, 74}));
  EXPECT_TRUE(layout.ShowUnit);
  EXPECT_EQ(layout.UnitPos, (TPoint{36, 2}));
}

TEST(ScaleTicksTest, ZeroTickGetsPlusMinus) {
  // Span 10 over 480 rows: v = 4, step 2; first tick Trunc(-2.65) x 2 = -4, 62 rows above the bottom.
  const TScaleLayout layout = LayoutScaleTicks(TRect{0, 0, 60, 480}, -5.3, 4.7, kFontHeight, false);
  EXPECT_EQ(layout.Step, 2.0);
  ExpectTicks(layout, {{-4, 417, "-4", true},
                       {-2, 321, "-2", true},
                       {0, 225, "\u00B10", true},
                       {2, 129, "2", true},
                       {4, 33, "4", true}});
  // The half-step tick above the last tick would lie above the scale and is left out.
  EXPECT_EQ(layout.MinorRows, (std::vector<int>{465, 369, 273, 177, 81}));
}

TEST(ScaleTicksTest, TickTexts) {
  struct Case {
    double lo, hi;
    bool isInteger;
    double step;
    std::vector<const char *> texts;
  };
  const Case cases[] = {
      {20.0, 21.0, false, 0.5, {"20.0", "20.5"}},     // a step below 1 shows one decimal
      {20.0, 21.0, true, 0.5, {"20", "20"}},          // whole numbers (20.5 rounds to even)
      {1234.0, 1235.0, false, 0.5, {"1234", "1234"}}, // "1234." cut to five, its "." dropped
      {-13.0, -12.0, false, 0.5, {"-13.0", "-12.5"}}, //
      {-0.6, 0.4, false, 0.5, {"-0.5", "\u00B10.0"}}, // the ± zero with a decimal
      {10000.0, 30000.0, false, 5000.0, {"10000", "15000", "20000", "25000"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.lo << " .. " << c.hi << (c.isInteger ? " integer" : ""));
    const TScaleLayout layout = LayoutScaleTicks(TRect{0, 0, 60, 300}, c.lo, c.hi, kFontHeight, c.isInteger);
    EXPECT_EQ(layout.Step, c.step);
    ASSERT_EQ(layout.Ticks.size(), c.texts.size());
    for (std::size_t i = 0; i < c.texts.size(); ++i) {
      EXPECT_EQ(layout.Ticks[i].Text, QString::fromUtf8(c.texts[i]));
    }
  }
}

TEST(ScaleTicksTest, NothingForTinyBrokenOrAbsurdRanges) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char *what;
    TRect r;
    double lo, hi;
  };
  const Case cases[] = {
      {"span too small for the height", TRect{0, 0, 60, 300}, 20.0, 20.015},
      {"empty span", TRect{0, 0, 60, 300}, 20.0, 20.0},
      {"inverted span", TRect{0, 0, 60, 300}, 40.0, 20.0},
      {"lower bound above the limit of the upper", TRect{0, 0, 60, 300}, 70000.0, 80000.0},
      {"NaN", TRect{0, 0, 60, 300}, nan, 40.0},
      {"infinite top", TRect{0, 0, 60, 300}, 20.0, inf},
      {"infinite bottom", TRect{0, 0, 60, 300}, -inf, 40.0},
      {"astronomical span", TRect{0, 0, 60, 300}, -1e300, 1e300},
      {"more ticks than rows", TRect{0, 0, 60, 300}, -2e6, 0.0},
      {"no height", TRect{0, 0, 60, 0}, 20.0, 40.0},
      {"too narrow for a font", TRect{0, 0, 4, 300}, 20.0, 40.0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const TScaleLayout layout = LayoutScaleTicks(c.r, c.lo, c.hi, kFontHeight, false);
    EXPECT_EQ(layout.Step, 0.0);
    EXPECT_TRUE(layout.Ticks.empty());
    EXPECT_TRUE(layout.MinorRows.empty());
    EXPECT_FALSE(layout.ShowUnit);
  }
}

TEST(ScaleTicksTest, HugeButBoundedRangeStaysInsideTheScale) {
  // Beyond the coarsest step the ticks crowd together, but they stay fewer than the rows.
  const TRect r{0, 0, 60, 300};
  const TScaleLayout layout = LayoutScaleTicks(r, -1e6, 1e9, kFontHeight, false);
  EXPECT_EQ(layout.Step, 5000.0); // the top is limited to 65535
  ASSERT_FALSE(layout.Ticks.empty());
  EXPECT_LE(layout.Ticks.size(), 300u);
  EXPECT_DOUBLE_EQ(layout.Ticks.front().Value, -1e6);
  for (const TScaleTick &tick : layout.Ticks) {
    EXPECT_GE(tick.Y, r.Top);
    EXPECT_LT(tick.Y, r.Bottom);
  }
}

TEST(ScaleTicksTest, EndsAtTheFirstTickAboveTheRectangle) {
  // Span 11 with step 2 (n = 5.5) and the first tick 1.9 above the bottom: the tick for 6 would lie
  // above the scale. Drawn into a snapshot rectangle away from the origin, nothing leaves it.
  const TRect r{100, 50, 160, 530};
  const TScaleLayout layout = LayoutScaleTicks(r, -5.9, 5.1, kFontHeight, false);
  EXPECT_EQ(layout.Step, 2.0);
  ExpectTicks(layout, {{-4, 447, "-4", true},
                       {-2, 360, "-2", true},
                       {0, 273, "\u00B10", true},
                       {2, 186, "2", true},
                       {4, 98, "4", true}});
  // Half a step is 43 rows; the lower half-step tick of the tick left out still shows.
  EXPECT_EQ(layout.MinorRows, (std::vector<int>{490, 403, 316, 229, 141, 54}));
  EXPECT_EQ(layout.TextX, 110);
  EXPECT_EQ(layout.UnitPos, (TPoint{136, 52}));

  // Texts need a font height of room from the rectangle's own top, not from the canvas origin.
  const TScaleLayout close = LayoutScaleTicks(TRect{0, 200, 60, 680}, -5.3, 4.7, kFontHeight, false);
  ASSERT_EQ(close.Ticks.size(), 5u);
  EXPECT_EQ(close.Ticks[4].Y, 233);
  EXPECT_TRUE(close.Ticks[4].Labelled);
  const TScaleLayout tight = LayoutScaleTicks(TRect{0, 220, 60, 700}, -5.3, 4.7, 40, false);
  EXPECT_EQ(tight.Ticks[4].Y, 253);
  EXPECT_FALSE(tight.Ticks[4].Labelled); // 253 is not more than 40 rows below the top at 220
}

TEST(ScaleRangeTest, DisplayedRangeAndLabels) {
  ResetThermogramGlobals();
  TDTV dtv;
  dtv.FHeader.Scale = 0.01f;
  dtv.FHeader.Offset = -20.0f;
  dtv.LockMin = 15.0;
  dtv.LockMax = 35.0;
  TTemperatureRange range = DisplayedRange(dtv, true);
  EXPECT_DOUBLE_EQ(range.Low, -20.0);
  EXPECT_DOUBLE_EQ(range.High, 65535.0 * 0.01f - 20.0);
  dtv.FFilmRangeLock = true;
  EXPECT_DOUBLE_EQ(DisplayedRange(dtv, true).Low, 15.0);
  EXPECT_DOUBLE_EQ(DisplayedRange(dtv, false).Low, -20.0); // the range labels ignore the film lock
  dtv.FFilmRangeLock = false;
  dtv.FRangeLocked = true;
  range = DisplayedRange(dtv, false);
  EXPECT_EQ(range.Low, 15.0);
  EXPECT_EQ(range.High, 35.0);

  struct Case {
    double value;
    bool isInteger;
    const char *text;
  };
  const Case cases[] = {
      {20.456, false, "20.46"}, {123.456, false, "123.5"}, {1234.56, false, "1235"},
      {-5.3, false, "-5.3"},    {0.004, false, "0"},       {20.5, true, "20"},
      {21.5, true, "22"},       {-273.15, false, "-273"},  {65535.0, false, "65535"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(RangeLabelText(c.value, c.isInteger), QString::fromUtf8(c.text)) << c.value;
  }
}

} // namespace
} // namespace calidarix
