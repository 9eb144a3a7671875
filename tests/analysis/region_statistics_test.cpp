#include "analysis/region_statistics.h"

#include "tests/support/thermogram_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

namespace calidarix {
namespace {

// A w x h frame at 0.01 degree per raw code from 0 degrees.
TDTV &Frame(TDTV &t, int w, int h, const std::function<int(int, int)> &pixel) {
  t.ResetHeader();
  test::SetFrame(t, w, h, pixel);
  t.FHeader.Scale = 0.01f;
  t.FHeader.Offset = 0.0f;
  t.UpdateStatistics();
  return t;
}

TEST(RegionStatisticsTest, RectangleOfTwoByTwoPixels) {
  TDTV t;
  Frame(t, 4, 4, [](int x, int y) { return 100 + 10 * x + y; });
  const TRegionStatistics s = CountRegion(t, TRect{1, 1, 2, 2}, false, TStatisticsSettings{});
  EXPECT_EQ(s.Count, 4);
  EXPECT_EQ(s.Pixels, 4);
  EXPECT_EQ(s.RawMin, 111);
  EXPECT_EQ(s.RawMax, 122);
  EXPECT_EQ(s.RawAvg, (111 + 112 + 121 + 122) / 4); // integer division: 116
  EXPECT_EQ(s.MinPos, (TPoint{1, 1}));
  EXPECT_EQ(s.MaxPos, (TPoint{2, 2}));
}

TEST(RegionStatisticsTest, TiesGoToTheFirstPixelInRowOrderAndExtremesAtFullScaleHaveAPlace) {
  TDTV t;
  // Equal minima at (3, 0) and (0, 1); the maximum 65535 at (1, 1) and (2, 1).
  const std::array<std::array<int, 4>, 2> rows{{{500, 500, 500, 0}, {0, 65535, 65535, 500}}};
  Frame(t, 4, 2,
        [&](int x, int y) { return rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]; });
  TRegionStatistics s = CountRegion(t, TRect{0, 0, 3, 1}, false, TStatisticsSettings{});
  EXPECT_EQ(s.MinPos, (TPoint{3, 0}));
  EXPECT_EQ(s.MaxPos, (TPoint{1, 1}));

  // A region whose every pixel is at full scale still reports where its minimum is.
  Frame(t, 3, 1, [](int, int) { return 65535; });
  s = CountRegion(t, TRect{0, 0, 2, 0}, false, TStatisticsSettings{});
  EXPECT_EQ(s.RawMin, 65535);
  EXPECT_EQ(s.MinPos, (TPoint{0, 0}));
}

TEST(RegionStatisticsTest, UniformAreaHasNoDeviation) {
  TDTV t;
  Frame(t, 5, 5, [](int, int) { return 3000; });
  const TRegionStatistics s = CountRegion(t, TRect{0, 0, 4, 4}, true, TStatisticsSettings{});
  EXPECT_EQ(s.RawMin, 3000);
  EXPECT_EQ(s.RawMax, 3000);
  EXPECT_EQ(s.RawAvg, 3000);
  EXPECT_EQ(s.Count, 17); // the 5 x 5 ellipse: 1 + 5 + 5 + 5 + 1
  const double sd = RegionRawDeviation(t, TRect{0, 0, 4, 4}, 1, s.RawAvg);
  EXPECT_EQ(sd, 0.0);
  EXPECT_EQ(ShownDeviation(sd, s.RawMin, s.RawMax, 0.01), 0.0);
}

TEST(RegionStatisticsTest, IsothermCountsOnlyPixelsInTheBand) {
  TDTV t;
  // Band 1 .. 2 is raw 257 .. 514.
  Frame(t, 4, 1, [](int x, int) { return std::array{100, 300, 500, 900}[static_cast<std::size_t>(x)]; });
  TStatisticsSettings s;
  s.IsoOn = true;
  s.IsoBottom = 1;
  s.IsoTop = 2;
  TRegionStatistics st = CountRegion(t, TRect{0, 0, 3, 0}, false, s);
  EXPECT_EQ(st.Count, 2);
  EXPECT_EQ(st.Pixels, 4);
  EXPECT_EQ(st.RawMin, 300);
  EXPECT_EQ(st.RawMax, 500);
  EXPECT_EQ(st.MinPos, (TPoint{1, 0}));
  EXPECT_EQ(st.MaxPos, (TPoint{2, 0}));
  EXPECT_EQ(st.RawAvg, 400);
  // The wall figures are averages over the two counted pixels (3 and 5 degrees) only.
  const double rIn = (40.0 / ((20.0 - 3.0) * 8.7) + 40.0 / ((20.0 - 5.0) * 8.7)) / 2.0;
  const double rOut = (40.0 / ((3.0 + 20.0) * 23.0) + 40.0 / ((5.0 + 20.0) * 23.0)) / 2.0;
  EXPECT_NEAR(st.RIn, rIn, 1e-6);
  EXPECT_NEAR(st.QIn, 40.0 / rIn, 1e-3);
  EXPECT_NEAR(st.ROut, rOut, 1e-6);
  EXPECT_NEAR(st.QOut, 40.0 / rOut, 1e-3);

  // No pixel in the band: every result is 0, nothing is not a number.
  s.IsoBottom = 10;
  s.IsoTop = 20;
  st = CountRegion(t, TRect{0, 0, 3, 0}, false, s);
  EXPECT_EQ(st.Count, 0);
  EXPECT_EQ(st.RawMin, 0);
  EXPECT_EQ(st.RawMax, 0);
  EXPECT_EQ(st.RawAvg, 0);
  EXPECT_EQ(st.RIn, 0.0);
  EXPECT_EQ(st.QOut, 0.0);
}

TEST(RegionStatisticsTest, SigmaReferenceMeasuresEveryPixelOfTheShape) {
  TDTV t;
  // 1, 2, 3 and 6 degrees; the band holds the first three: average raw 200 (2 degrees), and with the
  // reference at 5 degrees d = 3.
  Frame(t, 4, 1, [](int x, int) { return std::array{100, 200, 300, 600}[static_cast<std::size_t>(x)]; });
  TStatisticsSettings s;
  s.SigmaRefSet = true;
  s.SigmaRefValue = 5.0;
  s.IsoOn = true; // the reference figures still see all four pixels
  s.IsoBottom = 0;
  s.IsoTop = 2;
  const TRegionStatistics st = CountRegion(t, TRect{0, 0, 3, 0}, false, s);
  EXPECT_EQ(st.RawAvg, 200);
  // T + d - T(avg) with T(avg) = 2 and d = 3: 2, 3, 4, 7.
  const double meanSquare = (4.0 + 9.0 + 16.0 + 49.0) / 4.0;
  EXPECT_NEAR(st.SigmaMeanSquare, meanSquare, 1e-6); // the scale is a float
  EXPECT_NEAR(st.SigmaRms, std::sqrt(meanSquare), 1e-6);
}

TEST(RegionStatisticsTest, DeviationLeavesOutTheRightColumnAndBottomRowOfARectangle) {
  TDTV t;
  Frame(t, 3, 3, [](int x, int y) { return x == 2 || y == 2 ? 60000 : (x + y) * 10; });
  // Pixels 0, 10, 10, 20 around 10: deviation sqrt((100 + 0 + 0 + 100) / 4).
  EXPECT_NEAR(RegionRawDeviation(t, TRect{0, 0, 2, 2}, 0, 10), std::sqrt(50.0), 1e-12);
  EXPECT_NEAR(ShownDeviation(std::sqrt(50.0), 0, 20, 0.01), std::sqrt(50.0) * 0.01, 1e-12);
  // A rectangle outside the frame has no pixel: 0, not a division by zero.
  EXPECT_EQ(RegionRawDeviation(t, TRect{5, 5, 8, 8}, 0, 10), 0.0);
}

TEST(RegionStatisticsTest, MatchesAPlainPixelByPixelCount) {
  TDTV t;
  std::mt19937 random(7);
  std::uniform_int_distribution<int> value(0, 65535);
  Frame(t, 37, 23, [&](int, int) { return value(random); });
  TStatisticsSettings s;
  s.IsoOn = true;
  s.IsoBottom = 40;
  s.IsoTop = 200;
  for (const bool ellipse : {false, true}) {
    const TRect r{3, 2, 30, 20};
    const TRegionStatistics st = CountRegion(t, r, ellipse, s);
    std::int64_t count = 0;
    std::int64_t sum = 0;
    int lo = 65536;
    int hi = -1;
    TPoint loPos, hiPos;
    for (const TRowSpan &span : RegionSpans(r, ellipse, t.Width(), t.Height()))
      for (int x = span.X0; x <= span.X1; ++x) {
        const int v = test::Px(t, x, span.Y);
        if (v < 40 * 257 || v > 200 * 257)
          continue;
        ++count;
        sum += v;
        if (v < lo)
          lo = v, loPos = TPoint{x, span.Y};
        if (v > hi)
          hi = v, hiPos = TPoint{x, span.Y};
      }
    ASSERT_GT(count, 100) << ellipse;
    EXPECT_EQ(st.Count, count) << ellipse;
    EXPECT_EQ(st.Sum, sum) << ellipse;
    EXPECT_EQ(st.RawMin, lo) << ellipse;
    EXPECT_EQ(st.RawMax, hi) << ellipse;
    EXPECT_EQ(st.MinPos, loPos) << ellipse;
    EXPECT_EQ(st.MaxPos, hiPos) << ellipse;
  }
  // The table of counts is left empty for the next region: counting again gives the same.
  EXPECT_EQ(CountRegion(t, TRect{0, 0, 36, 22}, false, TStatisticsSettings{}).Sum,
            CountRegion(t, TRect{0, 0, 36, 22}, false, TStatisticsSettings{}).Sum);
}

TEST(RegionStatisticsTest, PolygonAndIsoShare) {
  TDTV t;
  Frame(t, 12, 12, [](int x, int) { return x < 5 ? 300 : 900; });
  // The square (0, 0) .. (10, 10): columns and rows 0 .. 9 are inside.
  const TRegionStatistics p =
      CountPolygon(t, TPolygon{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, TStatisticsSettings{});
  EXPECT_EQ(p.Count, 100);
  EXPECT_EQ(p.RawMin, 300);
  EXPECT_EQ(p.RawMax, 900);
  EXPECT_EQ(p.RawAvg, 600);
  EXPECT_EQ(CountPolygon(t, TPolygon{{0, 0}, {5, 5}}, TStatisticsSettings{}).Count, 0);

  // Band 1 .. 2 degrees (raw 257 .. 514) holds columns 0 .. 4: half of columns 0 .. 9.
  EXPECT_DOUBLE_EQ(IsoShare(t, TRect{0, 0, 9, 3}, 1, 2), 50.0);
  EXPECT_DOUBLE_EQ(IsoShare(t, TRect{20, 20, 30, 30}, 1, 2), 0.0);
}

TEST(RegionStatisticsTest, AlternativeFormRoundsTheAverageAndIgnoresTheBand) {
  TDTV t;
  Frame(t, 2, 1, [](int x, int) { return x == 0 ? 100 : 103; });
  TStatisticsSettings s;
  s.IsoOn = true;
  s.IsoBottom = 200;
  s.IsoTop = 255;
  const TRegionStatistics st = CountRegionAlt(t, TRect{0, 0, 1, 0}, 0, 4, s);
  EXPECT_EQ(st.Count, 2);
  EXPECT_EQ(st.RawAvg, 102); // Round(101.5) to even
  EXPECT_NE(st.RIn, 0.0);
  EXPECT_EQ(st.ROut, 0.0);
}

} // namespace
} // namespace calidarix
