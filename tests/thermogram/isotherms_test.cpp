#include "tests/support/thermogram_fixture.h"
#include "thermogram/isotherms.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <utility>
#include <vector>

namespace calidarix {
namespace {

class IsothermsTest : public test::ThermogramTest {
protected:
  static void Make(TDTV &t, int w, int h, const std::function<int(int, int)> &value) {
    test::SetFrame(t, w, h, value);
    t.FHeader.Scale = 0.01f;
    t.UpdateStatistics();
  }

  static bool Whole(double v) { return std::abs(v - std::round(v)) < 1e-9; }
};

TEST_F(IsothermsTest, WarmSquareGivesAClosedContourOnInterpolatedEdgePoints) {
  TDTV t;
  const int w = 14;
  const int h = 12;
  Make(t, w, h, [](int x, int y) { return x >= 5 && x <= 8 && y >= 4 && y <= 7 ? 5000 : 1000; });
  const std::vector<std::uint16_t> frame = t.FRaw;
  const int level = 3000;
  t.AddIsothermLevel(level);
  ASSERT_FALSE(t.FIsoPoints.empty());
  ASSERT_EQ(t.FIsoPoints.size() % 4, 0u);
  EXPECT_EQ(t.FRaw, frame); // the frame itself is never smoothed

  // The smoothed copy the trace ran on.
  TDTV smooth;
  smooth.Assign(t);
  for (int pass = 0; pass < 3; ++pass) {
    smooth.SmoothRect(TRect{0, 0, w - 1, h - 1});
  }
  auto value = [&](int x, int y) {
    return static_cast<double>(smooth.FRaw[static_cast<std::size_t>(y) * w + x]);
  };

  std::map<std::pair<long long, long long>, int> ends;
  for (std::size_t i = 0; i < t.FIsoPoints.size(); i += 2) {
    const double px = t.FIsoPoints[i] * w;
    const double py = t.FIsoPoints[i + 1] * h;
    // Every point lies on a cell edge, where the level interpolates linearly between its two ends.
    if (Whole(px)) {
      const int x = static_cast<int>(std::round(px));
      const int y0 = static_cast<int>(std::floor(py));
      const double f = py - y0;
      const double at = f == 0.0 ? value(x, y0) : value(x, y0) + f * (value(x, y0 + 1) - value(x, y0));
      EXPECT_NEAR(at, level, 1e-6) << px << "," << py;
    } else {
      ASSERT_TRUE(Whole(py)) << px << "," << py;
      const int y = static_cast<int>(std::round(py));
      const int x0 = static_cast<int>(std::floor(px));
      EXPECT_NEAR(value(x0, y) + (px - x0) * (value(x0 + 1, y) - value(x0, y)), level, 1e-6)
          << px << "," << py;
    }
    // The square's contour stays around the square.
    EXPECT_GT(px, 2.0);
    EXPECT_LT(px, 12.0);
    ++ends[{std::llround(px * 1e6), std::llround(py * 1e6)}];
  }
  // Closed: every end point is shared by exactly two segments.
  for (const auto &[point, count] : ends) {
    EXPECT_EQ(count, 2) << point.first / 1e6 << "," << point.second / 1e6;
  }
}

TEST_F(IsothermsTest, SaddleCellsPairTheirPointsByTheCellMean) {
  struct Case {
    int a, b, c, d; // corners: top-left, top-right, bottom-left, bottom-right
    int level;
    std::vector<double> points;
  };
  // Points of a 2 x 2 frame in fractions of the frame: top T, right R, bottom B, left L. Up to the
  // mean the segments are T-R and B-L, above it T-L and B-R.
  const Case cases[] = {
      {100, 0, 0, 100, 40, {0.3, 0.0, 0.5, 0.2, 0.2, 0.5, 0.0, 0.3}},
      {100, 0, 0, 100, 50, {0.25, 0.0, 0.5, 0.25, 0.25, 0.5, 0.0, 0.25}},
      {100, 0, 0, 100, 60, {0.2, 0.0, 0.0, 0.2, 0.3, 0.5, 0.5, 0.3}},
      {0, 100, 100, 0, 40, {0.2, 0.0, 0.5, 0.3, 0.3, 0.5, 0.0, 0.2}},
      {0, 100, 100, 0, 60, {0.3, 0.0, 0.0, 0.3, 0.2, 0.5, 0.5, 0.2}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " " << c.b << " " << c.c << " " << c.d << " at " << c.level);
    TDTV t;
    const int corners[] = {c.a, c.b, c.c, c.d};
    Make(t, 2, 2, [&](int x, int y) { return corners[y * 2 + x]; });
    t.AddIsothermLevel(c.level);
    ASSERT_EQ(t.FIsoPoints.size(), c.points.size());
    for (std::size_t i = 0; i < c.points.size(); ++i) {
      EXPECT_DOUBLE_EQ(t.FIsoPoints[i], c.points[i]) << i;
    }
  }
}

TEST_F(IsothermsTest, LevelsThatCrossNothingAddNothing) {
  TDTV t;
  Make(t, 6, 6, [](int x, int) { return 1000 + 100 * x; });
  t.FIsoPoints = {0.5, 0.5, 0.6, 0.6}; // AddIsothermLevel only appends
  for (const int level : {-5, 0, 1, 900, 1000, 1600, 65535, 65536, 100000}) {
    t.AddIsothermLevel(level);
    EXPECT_EQ(t.FIsoPoints.size(), 4u) << level;
  }
  t.AddIsothermLevel(1250);
  EXPECT_GT(t.FIsoPoints.size(), 4u);

  TDTV row; // one row: no cells
  Make(row, 8, 1, [](int x, int) { return 100 * x; });
  row.AddIsothermLevel(350);
  EXPECT_TRUE(row.FIsoPoints.empty());
}

TEST_F(IsothermsTest, WholeDegreesAreTracedAtTheirRawValues) {
  // Temperatures 20.4 .. 23.9 along the rows: raw 400 + 100 x with Scale 0.001 and Offset 20. The
  // contours of 21, 22 and 23 degrees lie on columns 6, 16 and 26; 20 degrees lies below the frame.
  TDTV t;
  Make(t, 36, 4, [](int x, int) { return 400 + 100 * x; });
  t.FHeader.Scale = 0.001f;
  t.FHeader.Offset = 20.0f;
  t.FIsoPoints = {0.1, 0.1, 0.2, 0.2};
  t.BuildIsotherms();
  EXPECT_TRUE(t.FShowIsolines);
  ASSERT_EQ(t.FIsoPoints.size(), 3u * 3u * 4u); // three levels, three rows of cells each
  std::map<long long, int> columns;
  for (std::size_t i = 0; i < t.FIsoPoints.size(); i += 2) {
    ++columns[std::llround(t.FIsoPoints[i] * 36 * 1000)];
  }
  EXPECT_EQ(columns, (std::map<long long, int>{{6000, 6}, {16000, 6}, {26000, 6}}));

  // Tracing the same raw levels one by one gives the same list.
  TDTV same;
  Make(same, 36, 4, [](int x, int) { return 400 + 100 * x; });
  for (const int level : {1000, 2000, 3000}) {
    same.AddIsothermLevel(level);
  }
  EXPECT_EQ(same.FIsoPoints, t.FIsoPoints);
}

TEST_F(IsothermsTest, OneTemperatureOrAnAbsurdScaleStaysBounded) {
  TDTV flat;
  Make(flat, 5, 5, [](int, int) { return 3000; });
  flat.FIsoPoints = {0.1, 0.1, 0.2, 0.2};
  flat.BuildIsotherms();
  EXPECT_TRUE(flat.FIsoPoints.empty());
  EXPECT_TRUE(flat.FShowIsolines);

  // 1e30 degrees per count would mean more whole degrees than any loop can visit; only the frame's
  // raw levels can cross it.
  TDTV huge;
  Make(huge, 8, 3, [](int x, int) { return 1000 + x; });
  huge.FHeader.Scale = 1e30f;
  huge.BuildIsotherms();
  EXPECT_FALSE(huge.FIsoPoints.empty());
}

TEST_F(IsothermsTest, BurntLineIsOnePixelThickAndLeavesTheRestAlone) {
  struct Case {
    bool split_rows; // warm bottom half instead of warm right half
  };
  for (const Case c : {Case{false}, Case{true}}) {
    SCOPED_TRACE(c.split_rows);
    TDTV t;
    Make(t, 6, 6, [&](int x, int y) { return (c.split_rows ? y : x) >= 3 ? 5000 : 1000; });
    const std::vector<std::uint16_t> before = t.FRaw;
    t.FIsoPoints = {0.1, 0.1, 0.2, 0.2};
    t.BurnIsoline(3000);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 6; ++x) {
        const bool line = (c.split_rows ? y : x) == 3;
        EXPECT_EQ(t.FRaw[static_cast<std::size_t>(y) * 6 + x],
                  line ? 65535 : before[static_cast<std::size_t>(y) * 6 + x])
            << x << "," << y;
      }
    }
    EXPECT_TRUE(t.FIsoPoints.empty());
  }

  // A level below every value, and a frame of one row, burn nothing.
  TDTV low;
  Make(low, 6, 6, [](int x, int) { return 1000 + x; });
  const std::vector<std::uint16_t> lowBefore = low.FRaw;
  low.BurnIsoline(0);
  EXPECT_EQ(low.FRaw, lowBefore);
  TDTV row;
  Make(row, 6, 1, [](int x, int) { return x >= 3 ? 5000 : 1000; });
  const std::vector<std::uint16_t> rowBefore = row.FRaw;
  row.BurnIsoline(3000);
  EXPECT_EQ(row.FRaw, rowBefore);
}

// Contours are fractions of the frame they were traced on: every operation that changes the frame
// drops them, so that no stale contour is drawn over the new picture. An operation that is refused
// keeps them.
TEST_F(IsothermsTest, ContoursGoWhenTheFrameChangesUnderThem) {
  test::TempDir dir;
  const auto name = [&](const char *file) { return QString::fromStdString(dir.file(file).string()); };
  const auto warm = [](int x, int y) { return x >= 3 && x <= 6 && y >= 3 && y <= 5 ? 5000 : 1000; };
  {
    TDTV saved;
    Make(saved, 10, 9, warm);
    ASSERT_TRUE(saved.SaveDTV(name("frame.dtv")));
    ASSERT_TRUE(saved.SavePNG(name("frame.png")));
  }
  const TRect whole{0, 0, 9, 8};
  struct Case {
    const char *what;
    std::function<void(TDTV &)> change;
    bool drops;
  };
  const std::vector<Case> cases = {
      {"mirror", [&](TDTV &t) { t.MirrorRect(whole); }, true},
      {"flip", [&](TDTV &t) { t.FlipRect(whole); }, true},
      {"crop",
       [](TDTV &t) {
         t.CropToRect(TRect{1, 1, 8, 7});
       },
       true},
      {"crop to nothing",
       [](TDTV &t) {
         t.CropToRect(TRect{4, 4, 4, 4});
       },
       false},
      {"double width", [](TDTV &t) { t.DoubleWidth(); }, true},
      {"halve width", [](TDTV &t) { t.HalveWidth(); }, true},
      {"double height", [](TDTV &t) { t.DoubleHeight(); }, true},
      {"halve height", [](TDTV &t) { t.HalveHeight(); }, true},
      {"rotate by an angle", [](TDTV &t) { t.RotateByAngle(30.0); }, true},
      {"rotate by a non-finite angle",
       [](TDTV &t) { t.RotateByAngle(std::numeric_limits<double>::quiet_NaN()); }, false},
      {"rotate 90", [](TDTV &t) { t.Rotate90(true); }, true},
      {"triple height", [](TDTV &t) { t.TripleHeight(false); }, true},
      {"unfold halves", [](TDTV &t) { t.UnfoldHalves(1, 1); }, true},
      {"smooth", [&](TDTV &t) { t.SmoothRect(whole); }, true},
      {"sharpen", [&](TDTV &t) { t.SharpenRect(whole); }, true},
      {"destripe", [](TDTV &t) { t.Destripe(); }, true},
      {"repair", [](TDTV &t) { t.FillZeroPixels(false); }, true},
      {"reset", [](TDTV &t) { t.ResetHeader(); }, true},
      {"demo image", [](TDTV &t) { t.MakeDemoImage(); }, true},
      {"assign",
       [&](TDTV &t) {
         TDTV other;
         Make(other, 4, 4, warm);
         t.Assign(other);
       },
       true},
      {"load .dtv", [&](TDTV &t) { ASSERT_TRUE(t.LoadDTV(name("frame.dtv"), 1)); }, true},
      {"load .png", [&](TDTV &t) { ASSERT_TRUE(t.LoadPNG(name("frame.png"))); }, true},
      {"failed load", [&](TDTV &t) { ASSERT_FALSE(t.LoadDTV(name("missing.dtv"), 1)); }, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TDTV t;
    Make(t, 10, 9, warm);
    t.BuildIsotherms();
    ASSERT_FALSE(t.FIsoPoints.empty());
    c.change(t);
    EXPECT_EQ(t.FIsoPoints.empty(), c.drops);
  }
}

// The tracer as plainly as it can be written: every cell of every level in turn, the points on the
// crossed edges, saddles paired by the cell mean.
std::vector<double> TraceEveryCell(const std::vector<std::uint16_t> &v, int w, int h,
                                   const std::vector<int> &levels) {
  std::vector<double> points;
  const auto at = [&](int x, int y) { return static_cast<int>(v[static_cast<std::size_t>(y) * w + x]); };
  for (const int level : levels) {
    for (int r = 1; r < h; ++r) {
      for (int c = 1; c < w; ++c) {
        const int a = at(c - 1, r - 1);
        const int b = at(c, r - 1);
        const int cc = at(c - 1, r);
        const int d = at(c, r);
        const auto t = [level](int from, int to) { return static_cast<double>(level - from) / (to - from); };
        std::vector<double> cell;
        if ((a >= level) != (b >= level)) {
          cell.insert(cell.end(), {(c - 1 + t(a, b)) / w, static_cast<double>(r - 1) / h});
        }
        if ((b >= level) != (d >= level)) {
          cell.insert(cell.end(), {static_cast<double>(c) / w, (r - 1 + t(b, d)) / h});
        }
        if ((cc >= level) != (d >= level)) {
          cell.insert(cell.end(), {(c - 1 + t(cc, d)) / w, static_cast<double>(r) / h});
        }
        if ((a >= level) != (cc >= level)) {
          cell.insert(cell.end(), {static_cast<double>(c - 1) / w, (r - 1 + t(a, cc)) / h});
        }
        if (cell.size() == 8 && level > (static_cast<double>(a) + b + cc + d) / 4.0) {
          std::swap(cell[2], cell[6]);
          std::swap(cell[3], cell[7]);
        }
        points.insert(points.end(), cell.begin(), cell.end());
      }
    }
  }
  return points;
}

// Finding the crossing cells by their span must give exactly the segments of visiting every cell, in
// the same order: for level lists that are ascending, descending, repeated, out of range and longer
// than one pass over the cells takes, on smooth and on noisy frames.
TEST_F(IsothermsTest, CrossingCellsFoundByTheirSpanGiveEveryCellsSegments) {
  std::mt19937 random(31);
  const auto uniform = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  for (int round = 0; round < 60; ++round) {
    const int w = uniform(1, 40);
    const int h = uniform(1, 30);
    const bool noisy = round % 2 == 0;
    std::vector<std::uint16_t> v(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const double smooth = 32768.0 + 30000.0 * std::sin(x / 5.0 + round) * std::cos(y / 4.0);
        v[static_cast<std::size_t>(y) * w + x] =
            static_cast<std::uint16_t>(noisy ? uniform(0, 65535) : static_cast<int>(smooth));
      }
    }
    std::vector<int> levels;
    const int count = uniform(1, 150);
    const int first = uniform(-1000, 60000);
    const int step = uniform(-3000, 3000);
    for (int i = 0; i < count; ++i) {
      levels.push_back(first + step * i);
    }
    levels.push_back(uniform(0, 65535)); // and a few anywhere, repeated
    levels.push_back(levels.front());
    levels.push_back(70000);
    std::vector<double> points = {0.5, 0.5, 0.25, 0.25}; // kept: the tracer only appends
    TraceIsothermLevels(v, w, h, levels, points);
    std::vector<double> expected = {0.5, 0.5, 0.25, 0.25};
    const std::vector<double> traced = TraceEveryCell(v, w, h, levels);
    expected.insert(expected.end(), traced.begin(), traced.end());
    ASSERT_EQ(points, expected) << "round " << round << ": " << w << " x " << h << ", " << levels.size()
                                << " levels from " << first << " by " << step;
  }
}

} // namespace
} // namespace calidarix
