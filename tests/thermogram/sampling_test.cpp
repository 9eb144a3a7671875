#include "tests/support/thermogram_fixture.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <vector>

namespace calidarix {
namespace {

using test::Px;
using test::SetFrame;

class SamplingTest : public test::ThermogramTest {
protected:
};

// An 8-wide frame has the segments left 0-1, middle 2-5, right 6-7. Rows hold 0, 30, 60.
TEST_F(SamplingTest, TripleHeightInterpolatesSubRowsBySegment) {
  struct Case {
    bool reverse;
    int outRow;
    int left, middle, right;
  };
  const Case cases[] = {
      // First row: pattern A, offsets toward the missing row above and the quarter offsets become 0.
      {false, 0, 0, 0, 0},
      {false, 1, 6, 0, 0},
      {false, 2, 12, 10, 0},
      // Row 1 is odd: pattern B, offsets -2/5 -1/5 +1/4 | -1/3 0 +1/3 | -1/4 +1/5 +2/5.
      {false, 3, 18, 20, 22}, // 22.5 rounds to the even 22
      {false, 4, 24, 30, 36},
      {false, 5, 38, 40, 42}, // 37.5 rounds to the even 38
      // Last row: pattern B with offsets toward the missing row below and the quarter offsets at 0.
      {false, 6, 48, 50, 60},
      {false, 7, 54, 60, 60},
      {false, 8, 60, 60, 60},
      // Reversed: the first row takes pattern B, row 1 pattern A, the last row pattern A.
      {true, 0, 0, 0, 0},
      {true, 1, 0, 0, 6},
      {true, 2, 0, 10, 12},
      {true, 3, 22, 20, 18},
      {true, 5, 42, 40, 38},
      {true, 6, 60, 50, 48},
      {true, 8, 60, 60, 60},
  };
  for (const Case &c : cases) {
    TDTV t;
    SetFrame(t, 8, 3, [](int, int y) { return y * 30; });
    t.SetAspect(2.0);
    t.TripleHeight(c.reverse);
    ASSERT_EQ(t.Width(), 8);
    ASSERT_EQ(t.Height(), 9);
    ASSERT_EQ(t.FRaw.size(), 72u);
    EXPECT_EQ(t.FAspect, 2.0);
    SCOPED_TRACE(testing::Message() << "reverse " << c.reverse << " row " << c.outRow);
    EXPECT_EQ(Px(t, 0, c.outRow), c.left);
    EXPECT_EQ(Px(t, 1, c.outRow), c.left);
    EXPECT_EQ(Px(t, 2, c.outRow), c.middle);
    EXPECT_EQ(Px(t, 5, c.outRow), c.middle);
    EXPECT_EQ(Px(t, 6, c.outRow), c.right);
    EXPECT_EQ(Px(t, 7, c.outRow), c.right);
  }
}

TEST_F(SamplingTest, TripleHeightOfOneRowGivesThreeCopies) {
  TDTV t;
  SetFrame(t, 9, 1, [](int x, int) { return 100 * x + 7; });
  const std::vector<std::uint16_t> row = t.FRaw;
  t.TripleHeight(false);
  ASSERT_EQ(t.Height(), 3);
  for (int k = 0; k < 3; ++k) {
    EXPECT_TRUE(std::equal(row.begin(), row.end(), t.FRaw.begin() + k * 9)) << k;
  }
}

TEST_F(SamplingTest, TripleHeightRefusesHeightBeyondSixteenBits) {
  TDTV t;
  SetFrame(t, 1, 21846, [](int, int y) { return y; }); // 3 x 21846 = 65538
  const std::vector<std::uint16_t> before = t.FRaw;
  t.TripleHeight(false);
  EXPECT_EQ(t.Height(), 21846);
  EXPECT_EQ(t.FRaw, before);
}

// A vertical gradient of 20 per row survives tripling and decoding exactly in both scan directions.
TEST_F(SamplingTest, DecodeDualScanUndoesTripleHeight) {
  for (const bool reverse : {false, true}) {
    TDTV t;
    SetFrame(t, 8, 6, [](int x, int y) { return 1000 + 20 * y + 3 * x; });
    const std::vector<std::uint16_t> original = t.FRaw;
    t.TripleHeight(reverse);
    t.DecodeDualScan();
    SCOPED_TRACE(reverse);
    EXPECT_TRUE(t.FSkewCorrect);
    // The unreversed first triple holds three equal rows in its right quarter, the reversed one in
    // its left quarter.
    EXPECT_EQ(t.FSkewParity, !reverse);
    EXPECT_EQ(t.FSkewOffset, 0.25);
    EXPECT_DOUBLE_EQ(t.FSkewSlope, 0.5 / 7);
    ASSERT_EQ(t.Width(), 8);
    ASSERT_EQ(t.Height(), 6);
    EXPECT_EQ(t.FRaw, original);
  }
}

TEST_F(SamplingTest, DecodeDualScanLeavesOrdinaryFramesAlone) {
  struct Case {
    const char *name;
    int w, h;
    std::function<int(int, int)> pixel;
  };
  const Case cases[] = {
      {"first three rows differ everywhere", 8, 9, [](int x, int y) { return 10 * y + x; }},
      {"both edges equal: undecided", 8, 9, [](int, int) { return 500; }},
      {"fewer than three rows", 8, 2, [](int, int) { return 500; }},
      {"one column", 1, 9, [](int, int) { return 500; }},
  };
  for (const Case &c : cases) {
    TDTV t;
    SetFrame(t, c.w, c.h, c.pixel);
    t.FSkewCorrect = true;
    const std::vector<std::uint16_t> before = t.FRaw;
    t.DecodeDualScan();
    EXPECT_FALSE(t.FSkewCorrect) << c.name;
    EXPECT_EQ(t.Height(), c.h) << c.name;
    EXPECT_EQ(t.FRaw, before) << c.name;
  }
}

// Built pixel by pixel: a 4-wide frame (left column 0, middle 1-2, right column 3) whose right column
// decides the parity and whose middle triple extrapolates beyond the raw range at both edges.
TEST_F(SamplingTest, DecodeDualScanClampsExtrapolation) {
  const std::vector<std::vector<int>> rows = {
      {1, 2, 3, 40},        {5, 6, 7, 40},
      {9, 10, 11, 40}, // decides: only the right column is equal
      {65535, 500, 600, 0}, {100, 700, 800, 65000},
      {0, 900, 1000, 0}, // row 1 (odd, parity true)
      {1, 1, 1, 1},         {2, 2, 2, 2},
      {3, 4, 5, 6}, // last source row 8
  };
  TDTV t;
  SetFrame(t, 4, 9,
           [&](int x, int y) { return rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]; });
  t.DecodeDualScan();
  ASSERT_TRUE(t.FSkewCorrect);
  EXPECT_TRUE(t.FSkewParity);
  ASSERT_EQ(t.Height(), 3);
  const std::vector<std::uint16_t> want = {1, 2, 3, 40, 0, 700, 800, 65535, 3, 4, 5, 6};
  EXPECT_EQ(t.FRaw, want);
}

TEST_F(SamplingTest, SampleBilinearWithoutSkew) {
  TDTV t;
  // 3 x 2: 0 100 200 / 300 400 501
  SetFrame(t, 3, 2, [](int x, int y) { return 100 * x + 300 * y + (x == 2 && y == 1 ? 1 : 0); });
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double x, y;
    int want;
  };
  const Case cases[] = {
      {0, 0, 0},
      {1, 1, 400},
      {0.5, 0.5, 200},
      {0.25, 0, 25},
      {2.5, 1.5, 501},  // last column and row: no neighbour outside is used
      {2.9, 0.5, 350},  // last column mixes vertically only: (200 + 501) / 2 = 350.5, to even
      {0.5, 1.75, 350}, // last row mixes horizontally only
      {3, 0, 0},
      {-0.5, 0, 0},
      {0, 2, 0},
      {0, -0.001, 0},
      {nan, 0, 0},
      {0, nan, 0},
      {std::numeric_limits<double>::infinity(), 0, 0},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(t.SampleBilinear(c.x, c.y), c.want) << c.x << ", " << c.y;
  }
}

TEST_F(SamplingTest, SampleBilinearRoundsHalvesToEven) {
  TDTV t;
  SetFrame(t, 4, 1, [](int x, int) { return x; }); // 0 1 2 3
  EXPECT_EQ(t.SampleBilinear(0.5, 0), 0);          // 0.5
  EXPECT_EQ(t.SampleBilinear(1.5, 0), 2);          // 1.5
  EXPECT_EQ(t.SampleBilinear(2.5, 0), 2);          // 2.5
}

TEST_F(SamplingTest, SampleBilinearOfEmptyFrameIsZero) {
  TDTV t;
  EXPECT_EQ(t.SampleBilinear(0, 0), 0);
}

// Rows 0, 100, 200, constant along each row. With offset 0.25 and slope 0.25 the samples of row iy
// sit at s = 0.25 + 0.25 x (3 - x) when iy mod 2 equals the parity (false = 0), else 0.25 + 0.25 x.
TEST_F(SamplingTest, SampleBilinearCorrectsRowSkew) {
  TDTV t;
  SetFrame(t, 3, 3, [](int, int y) { return 100 * y; });
  t.FSkewCorrect = true;
  t.FSkewParity = false;
  t.FSkewOffset = 0.25;
  t.FSkewSlope = 0.25;
  struct Case {
    double x, y;
    int want;
  };
  const Case cases[] = {
      {0, 1.25, 100},  // row 1 at x = 0: s = 0.25, fy = s gives the row alone
      {0, 1.0, 50},    // fy = 0: halfway between rows 0 and 1
      {0, 1.625, 125}, // fy' = (0.625 - 0.25) / 2 / 0.75 = 0.25 toward row 2
      {1, 0.5, 0},     // first row, s = 0.75, fy < s: no row above, the row alone
      {1, 0.875, 25},  // fy' = 0.125 / 2 / 0.25 = 0.25 toward row 1
      {2, 2.75, 200},  // last row, s = 0.5, fy > s: no row below
      {2, 2.0, 150},   // fy' = 0.5 / 2 / 0.5 = 0.5 between rows 1 and 2
  };
  for (const Case &c : cases) {
    EXPECT_EQ(t.SampleBilinear(c.x, c.y), c.want) << c.x << ", " << c.y;
  }
  EXPECT_EQ(t.SampleBilinear(3, 1), 0);
}

// The renderer mixes the four neighbours with the weights (1-fx)(1-fy), fx(1-fy), (1-fx)fy, fx fy in
// one sum; the sampler must give the same raw value at every position, or a zoomed picture and a
// sampled one (projections, the 3-D view) differ in the last step. Positions as zoomed views make
// them, where the fractions are inexact and the mixes often land on halves.
TEST_F(SamplingTest, SampleBilinearMixesAsTheRendererDoes) {
  TDTV t;
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> value(0, 65535);
  SetFrame(t, 37, 23, [&](int, int) { return value(random); });
  const auto renderer = [&t](double x, double y) {
    const int w = t.Width();
    const int h = t.Height();
    const int ix = static_cast<int>(x);
    const int iy = static_cast<int>(y);
    const double fx = ix == w - 1 ? 0.0 : x - ix;
    const double fy = iy == h - 1 ? 0.0 : y - iy;
    const int ix1 = ix == w - 1 ? ix : ix + 1;
    const int iy1 = iy == h - 1 ? iy : iy + 1;
    const double gx = 1.0 - fx;
    const double gy = 1.0 - fy;
    const double mix = Px(t, ix, iy) * (gx * gy) + Px(t, ix1, iy) * (fx * gy) + Px(t, ix, iy1) * (gx * fy) +
                       Px(t, ix1, iy1) * (fx * fy);
    return static_cast<int>(std::nearbyint(mix));
  };
  int compared = 0;
  int differing = 0;
  for (const double zoom : {1.5, 2.5, 3.0, 3.7, 4.0, 6.25}) {
    for (const double offset : {0.0, 0.3, 0.7}) {
      for (int r = 0; r / zoom / 1.1 + offset < t.Height(); ++r) {
        const double y = r / zoom / 1.1 + offset;
        for (int c = 0; c / zoom + offset < t.Width(); ++c) {
          const double x = c / zoom + offset;
          ++compared;
          if (t.SampleBilinear(x, y) != renderer(x, y)) {
            ++differing;
          }
        }
      }
    }
  }
  EXPECT_GT(compared, 50000);
  EXPECT_EQ(differing, 0) << "of " << compared;
}

} // namespace
} // namespace calidarix
