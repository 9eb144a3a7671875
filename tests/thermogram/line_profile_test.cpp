#include "tests/support/thermogram_fixture.h"
#include "thermogram/line_profile.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

namespace calidarix {
namespace {

class LineProfileTest : public test::ThermogramTest {
protected:
  static void Make(TDTV &t, int w, int h, const std::function<int(int, int)> &value) {
    test::SetFrame(t, w, h, value);
  }
};

TEST_F(LineProfileTest, SmoothingAveragesNeighboursWithTheEndsRepeated) {
  struct Case {
    std::vector<std::int32_t> before, after;
  };
  const Case cases[] = {
      {{0, 9, 0}, {3, 3, 3}}, {{3, 3, 3, 30}, {3, 3, 12, 21}}, {{5}, {5}}, {{}, {}},
      {{1, 2}, {1, 1}}, // (1 + 1 + 2) div 3 and (1 + 2 + 2) div 3
  };
  for (const Case &c : cases) {
    std::vector<std::int32_t> profile = c.before;
    SmoothProfile(profile);
    EXPECT_EQ(profile, c.after);
  }
}

TEST_F(LineProfileTest, TurningPoints) {
  struct Case {
    std::vector<std::int32_t> profile;
    int count;
    std::vector<int> rows;
    int best;
  };
  const Case cases[] = {
      {{1, 2, 3, 4}, 0, {}, 0},                         // only rising
      {{5, 5, 5}, 0, {}, 0},                            // flat
      {{0, 5, 5, 0}, 0, {}, 0},                         // a flat top is no turning point
      {{0, 5, 0}, 1, {1}, 1},                           // summit
      {{5, 0, 5}, 1, {1}, 0},                           // a valley at 0 is not above 0
      {{0, 5, 1, 7, 2, 3}, 4, {1, 2, 3, 4}, 3},         // the higher summit wins
      {{0, 5, 0, 7, 0, 2, 0, 9, 0}, 4, {1, 2, 3, 4}, 3} // counting stops at the fourth
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.profile.size());
    EXPECT_EQ(FindProfilePeaks(c.profile, nullptr), c.count);
    ProfilePeaks peaks;
    peaks.Rows = {99};
    peaks.Best = 99;
    EXPECT_EQ(FindProfilePeaks(c.profile, &peaks), c.count);
    EXPECT_EQ(peaks.Rows, c.rows);
    EXPECT_EQ(peaks.Best, c.best);
  }
}

TEST_F(LineProfileTest, SingleSharpRowIsTheBestPeak) {
  TDTV t;
  Make(t, 12, 10, [](int x, int y) { return y == 5 && x >= 6 ? 3000 : 1000 + 3 * x; });
  EXPECT_EQ(t.FindSharpestRow(TRect{0, 0, 12, 10}), 5);
  EXPECT_EQ(t.FPeakRows, (std::vector<int>{5}));
  EXPECT_EQ(t.FBestPeak, 5);

  // Positions count from the rectangle's top.
  EXPECT_EQ(t.FindSharpestRow(TRect{0, 2, 12, 9}), 3);
}

TEST_F(LineProfileTest, WithoutTurningPointsTheFirstSharpestRowIsTheResult) {
  // Row sharpness 0, 10, 20, 30, 30: no turning point; rows 3 and 4 are equally sharp.
  const int steps[] = {0, 10, 20, 30, 30};
  TDTV rising;
  Make(rising, 6, 5, [&](int x, int y) { return 1000 + (x == 2 ? steps[y] : 0); });
  EXPECT_EQ(rising.FindSharpestRow(TRect{0, 0, 6, 5}), 3);
  EXPECT_TRUE(rising.FPeakRows.empty());
  EXPECT_EQ(rising.FBestPeak, 0);

  TDTV flat;
  Make(flat, 6, 5, [](int x, int) { return 1000 + 50 * x; });
  EXPECT_EQ(flat.FindSharpestRow(TRect{0, 0, 6, 5}), 0);
  EXPECT_TRUE(flat.FPeakRows.empty());
}

TEST_F(LineProfileTest, FullScaleStepsAreSquaredWithoutOverflow) {
  // Row 0: two steps of 65535 (65535 x sqrt(2) = 92680); row 1: six steps of 40000 (40000 x sqrt(6) =
  // 97979); row 2: none. Row 1 is a summit only if the squares are summed without overflow.
  TDTV t;
  Make(t, 10, 3, [](int x, int y) {
    if (y == 0) {
      return x == 3 ? 65535 : 0;
    }
    if (y == 1) {
      return x % 2 == 1 && x < 6 ? 40000 : 0;
    }
    return 0;
  });
  EXPECT_EQ(t.FindSharpestRow(TRect{0, 0, 10, 3}), 1);
  EXPECT_EQ(t.FPeakRows, (std::vector<int>{1}));
}

TEST_F(LineProfileTest, OnlyTheColumnsUpToRightMinusTwoCount) {
  // A step between the last two columns of the rectangle is not looked at.
  TDTV t;
  Make(t, 9, 3, [](int x, int y) { return y == 1 && x == 7 ? 5000 : 1000; });
  EXPECT_EQ(t.FindSharpestRow(TRect{0, 0, 8, 3}), 0);
  EXPECT_TRUE(t.FPeakRows.empty());
  EXPECT_EQ(t.FindSharpestRow(TRect{0, 0, 9, 3}), 1);
  EXPECT_EQ(t.FindSharpestRow(TRect{20, 3, 0, 0}), 1); // corners swapped, clipped to the frame
}

TEST_F(LineProfileTest, ManyPeaksAreSmoothedAwayUntilTheBroadSummitRemains) {
  // Small peaks every fourth row and one broad hump around row 20.
  auto step = [](int y) {
    const int hump = y >= 15 && y <= 25 ? 10000 - 1000 * std::abs(y - 20) : 0;
    return hump + (y % 4 == 0 ? 300 : 0);
  };
  TDTV t;
  Make(t, 10, 40, [&](int x, int y) { return 1000 + (x == 4 ? step(y) : 0); });
  const int row = t.FindSharpestRow(TRect{0, 0, 10, 40});
  ASSERT_FALSE(t.FPeakRows.empty());
  EXPECT_LE(t.FPeakRows.size(), 3u);
  EXPECT_EQ(row, t.FBestPeak);
  EXPECT_NEAR(row, 20, 1);
}

TEST_F(LineProfileTest, EmptyRectangleGivesRowZero) {
  TDTV t;
  Make(t, 6, 6, [](int x, int y) { return x * y * 100; });
  t.FPeakRows = {4};
  t.FBestPeak = 4;
  for (const TRect &r :
       {TRect{2, 3, 2, 5}, TRect{0, 4, 6, 4}, TRect{10, 10, 20, 20}, TRect{-5, -5, -1, -1}}) {
    EXPECT_EQ(t.FindSharpestRow(r), 0);
    EXPECT_TRUE(t.FPeakRows.empty());
    EXPECT_EQ(t.FBestPeak, 0);
  }
  TDTV none; // a new thermogram has no pixels at all
  EXPECT_EQ(none.FindSharpestRow(TRect{0, 0, 5, 5}), 0);
}

} // namespace
} // namespace calidarix
