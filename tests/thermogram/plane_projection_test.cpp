#include "tests/support/thermogram_fixture.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

namespace calidarix {
namespace {

using test::Px;
using test::SetFrame;

class PlaneProjectionTest : public test::ThermogramTest {
protected:
};

// A cross: the column at azimuth 0 (columns 159-161 of 320) and the horizon row (17.5 degrees
// above the bottom edge of 35 over 240 rows: row 120) stand out from a background of 1000.
int Cross(int x, int y) {
  if (x >= 159 && x <= 161) {
    return 5000;
  }
  return y == 120 ? 7000 : 1000;
}

TEST_F(PlaneProjectionTest, ProjectFrameKeepsTheCrossStraight) {
  TDTV t;
  SetFrame(t, 320, 240, Cross);
  t.FHeader.HorzExtent = 7200;
  t.FHeader.VertExtent = 6300;
  t.FHeader.Elevation = 3150;
  t.FHeader.Scale = 0.01f;
  t.FHeader.Offset = -20.0f;
  t.SetAspect(4.0 / 3.0);
  t.ProjectFrame(40, 35, 17.5);

  // W' = Trunc(2 tan(20 deg) / (40 / 320 deg)) = 333; H' = Trunc(2 tan(17.5 deg) / (35 / 240 deg)) = 247.
  ASSERT_EQ(t.Width(), 333);
  ASSERT_EQ(t.Height(), 247);
  ASSERT_EQ(t.FRaw.size(), 333u * 247u);
  // The horizon lies Nearest(tan(17.5 deg) / dv) = 124 rows above the bottom: plane row 123.
  // Plane columns 164 to 169 look at or next to the bright column.
  for (int i = 0; i < 333; ++i) {
    if (i < 164 || i > 169) {
      ASSERT_EQ(Px(t, i, 123), 7000) << i;
    }
  }
  // Plane columns 166 and 167 look at source columns 159.5 and 160.5, inside the bright column.
  for (int j = 1; j < 246; ++j) {
    ASSERT_EQ(Px(t, 166, j), 5000) << j;
    ASSERT_EQ(Px(t, 167, j), 5000) << j;
  }
  EXPECT_EQ(t.FHeader.HorzExtent, 7200);
  EXPECT_EQ(t.FHeader.VertExtent, 6300);
  EXPECT_EQ(t.FHeader.Elevation, 3150);
  EXPECT_EQ(t.FHeader.Scale, 0.01f);
  EXPECT_EQ(t.FHeader.Offset, -20.0f);
  EXPECT_DOUBLE_EQ(t.FBaseAspect, 4.0 / 3.0);
  EXPECT_DOUBLE_EQ(t.FAspect, 333.0 * (40.0 / 320) / (247.0 * (35.0 / 240)));
  EXPECT_TRUE(t.FAspectFromAngles);
}

TEST_F(PlaneProjectionTest, ProjectFrameRefusesUnusableAngles) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double angles[][3] = {
      {180, 35, 17.5}, // a plane 180 degrees wide has no finite width
      {0, 35, 17.5},   {-40, 35, 17.5}, {40, 0, 0},    {40, 35, 90},
      {40, 35, -90},   {40, 120, 10},                                    // the top edge at 110 degrees
      {nan, 35, 17.5}, {40, nan, 17.5}, {40, 35, nan}, {40, 35, 89.999}, // taller than 65535 rows
  };
  for (const auto &a : angles) {
    TDTV t;
    SetFrame(t, 320, 240, Cross);
    t.SetAspect(4.0 / 3.0);
    const std::vector<std::uint16_t> original = t.FRaw;
    t.ProjectFrame(a[0], a[1], a[2]);
    EXPECT_EQ(t.Width(), 320) << a[0] << " " << a[1] << " " << a[2];
    EXPECT_EQ(t.FRaw, original);
    EXPECT_EQ(t.FAspect, 4.0 / 3.0);
    EXPECT_FALSE(t.FAspectFromAngles);
  }
}

// 200 columns over 40 degrees, 100 rows over 33.3 degrees, the bottom 10 degrees (30 rows) below
// the horizon. Rows are sampled finer by k = dh / dv / 2 = 0.3: W' = 209, H' = 348, the horizon
// Nearest(tan(10 deg) / dv / k) = 101 rows above the bottom.
TEST_F(PlaneProjectionTest, ProjectByAnglesUsesTheHeaderAngles) {
  TDTV t;
  SetFrame(t, 200, 100, [](int x, int y) { return x >= 99 && x <= 101 ? 5000 : (y == 70 ? 7000 : 1000); });
  t.FHeader.HorzExtent = 7200;
  t.FHeader.VertExtent = 6000;
  t.FHeader.Elevation = 1800;
  t.SetAspect(1.2);
  t.ProjectByAngles();
  ASSERT_EQ(t.Width(), 209);
  ASSERT_EQ(t.Height(), 348);
  EXPECT_EQ(Px(t, 10, 348 - 101), 7000);
  EXPECT_EQ(Px(t, 200, 348 - 101), 7000);
  // The plane columns either side of azimuth 0 look at source columns 99.5 and 100.5.
  EXPECT_EQ(Px(t, 104, 10), 5000);
  EXPECT_EQ(Px(t, 105, 300), 5000);
  EXPECT_DOUBLE_EQ(t.FAspect, 2.0 * 209 / 348);
  EXPECT_DOUBLE_EQ(t.FBaseAspect, 1.2);
  EXPECT_TRUE(t.FAspectFromAngles);
  // Clearing the angles is the reader's business.
  EXPECT_EQ(t.FHeader.HorzExtent, 7200);
}

TEST_F(PlaneProjectionTest, ProjectByAnglesRefusesUnusableAngles) {
  const int angles[][3] = {
      {32400, 6000, 1800},                                                         // 180 degrees wide
      {40000, 6000, 1800}, {0, 6000, 1800}, {7200, 0, 1800}, {7200, 6000, -32768}, // elevation not set
      {7200, 20000, 1800}, // the top edge beyond the zenith
      {7200, 6000, 16200}, // the bottom edge at the nadir
  };
  for (const auto &a : angles) {
    QStringList log;
    SetThermogramLogSink([&log](const QString &line) { log << line; });
    TDTV t;
    SetFrame(t, 200, 100, [](int x, int y) { return x + y; });
    t.FHeader.HorzExtent = static_cast<std::uint16_t>(a[0]);
    t.FHeader.VertExtent = static_cast<std::uint16_t>(a[1]);
    t.FHeader.Elevation = static_cast<std::int16_t>(a[2]);
    t.SetAspect(1.2);
    const std::vector<std::uint16_t> original = t.FRaw;
    EXPECT_FALSE(t.ProjectByAngles());
    EXPECT_EQ(t.Width(), 200) << a[0] << " " << a[1] << " " << a[2];
    EXPECT_EQ(t.FRaw, original);
    EXPECT_EQ(t.FAspect, 1.2);
    EXPECT_FALSE(t.FAspectFromAngles);
    EXPECT_EQ(log.size(), 1) << "a refusal says why";
  }
  SetThermogramLogSink(nullptr);
}

// Centre (2, 2) of a 4 x 4 frame; one row of offsets 1 above and below, columns 0 and 1 right of
// the centre, mirrored to the left.
TEST_F(PlaneProjectionTest, ResampleSymmetricMirrorsAboutTheCentre) {
  TDTV t;
  SetFrame(t, 4, 4, [](int x, int y) { return 10 * y + x + 1; });
  t.SetAspect(1.5);
  t.ResampleSymmetric({0.0, 1.0}, {1.0});
  ASSERT_EQ(t.Width(), 4);
  ASSERT_EQ(t.Height(), 2);
  EXPECT_EQ(t.FRaw, (std::vector<std::uint16_t>{12, 13, 13, 14, 32, 33, 33, 34}));
  EXPECT_EQ(t.FAspect, 1.5);
}

TEST_F(PlaneProjectionTest, ResampleSymmetricSamplesOutsideAsZeroAndIgnoresSurplusOffsets) {
  TDTV t;
  SetFrame(t, 4, 4, [](int x, int y) { return 10 * y + x + 1; });
  // Two rows of one column (the third offset is surplus); row k = 1 reaches outside the frame.
  t.ResampleSymmetric({0.5, 9.0, 7.0}, {0.0, 3.0});
  ASSERT_EQ(t.Width(), 2);
  ASSERT_EQ(t.Height(), 4);
  // Rows from the top: k = 1 above, k = 0 above, k = 0 below, k = 1 below.
  // Row k = 0 samples row 2 at x = 1.5 (22.5 to the even 22) and 2.5 (23.5 to 24).
  EXPECT_EQ(t.FRaw, (std::vector<std::uint16_t>{0, 0, 22, 24, 22, 24, 0, 0}));
}

TEST_F(PlaneProjectionTest, ResampleSymmetricRefusesEmptyOffsets) {
  const std::vector<double> xs[] = {{}, {1.0}, {1.0, 2.0}};
  const std::vector<double> ys[] = {{}, {1.0, 2.0}, {}};
  for (std::size_t i = 0; i < 3; ++i) {
    TDTV t;
    SetFrame(t, 4, 4, [](int x, int y) { return x + y; });
    const std::vector<std::uint16_t> original = t.FRaw;
    t.ResampleSymmetric(xs[i], ys[i]);
    EXPECT_EQ(t.Width(), 4) << i;
    EXPECT_EQ(t.FRaw, original) << i;
  }
}

TEST_F(PlaneProjectionTest, UnfoldHalvesMakesAStrip) {
  struct Case {
    int w, h, dx, dy;
    int newW, newH, trim, centreRow;
  };
  const Case cases[] = {
      {100, 80, 0, 0, 200, 40, 0, 40},
      {640, 480, 224, -57, 832, 211, 112, 268},
      {640, 480, -224, 57, 832, 211, 112, 211}, // a positive dy trims below, not above
  };
  for (const Case &c : cases) {
    TDTV t;
    SetFrame(t, c.w, c.h, [](int x, int y) { return 1 + x + 1000 * (y % 60); });
    t.UnfoldHalves(c.dx, c.dy);
    SCOPED_TRACE(testing::Message() << c.dx << " " << c.dy);
    ASSERT_EQ(t.Width(), c.newW);
    ASSERT_EQ(t.Height(), c.newH);
    const int half = c.newW / 2;
    const auto source = [&](int x, int y) { return 1 + x + 1000 * (y % 60); };
    for (const int r : {0, 1, c.newH - 1}) {
      for (const int i : {0, half - 1}) {
        EXPECT_EQ(Px(t, i, r), source(i + c.trim, c.centreRow + r)) << r << " " << i;
        EXPECT_EQ(Px(t, half + i, r), source(i + c.trim, c.centreRow - r)) << r << " " << i;
      }
    }
    EXPECT_DOUBLE_EQ(t.FAspect, static_cast<double>(c.newW) / c.newH);
    EXPECT_EQ(t.FHeader.HorzExtent, 64800);
    EXPECT_EQ(t.FHeader.VertExtent, 18830);
    EXPECT_EQ(t.FHeader.Elevation, 2630);
  }
}

TEST_F(PlaneProjectionTest, UnfoldHalvesOfTheEdgeCaseRows) {
  TDTV t;
  SetFrame(t, 100, 80, [](int, int y) { return y; });
  t.UnfoldHalves(0, 0);
  // Row 0 holds source row 40 in both halves; the last row source row 79 left and 1 right.
  EXPECT_EQ(Px(t, 0, 0), 40);
  EXPECT_EQ(Px(t, 150, 0), 40);
  EXPECT_EQ(Px(t, 99, 39), 79);
  EXPECT_EQ(Px(t, 100, 39), 1);
}

TEST_F(PlaneProjectionTest, UnfoldHalvesRefusesShiftsThatLeaveNothing) {
  const int shifts[][2] = {{100, 0},
                           {-100, 0},
                           {0, 79},
                           {0, -79},
                           {std::numeric_limits<int>::min(), 0},
                           {0, std::numeric_limits<int>::min()}};
  for (const auto &s : shifts) {
    TDTV t;
    SetFrame(t, 100, 80, [](int x, int y) { return x + y; });
    const std::vector<std::uint16_t> original = t.FRaw;
    t.UnfoldHalves(s[0], s[1]);
    EXPECT_EQ(t.Width(), 100) << s[0] << " " << s[1];
    EXPECT_EQ(t.FRaw, original);
    EXPECT_EQ(t.FHeader.HorzExtent, 0);
  }
  TDTV wide;
  SetFrame(wide, 40000, 2, [](int x, int) { return x % 7; });
  wide.UnfoldHalves(0, 0); // the strip would be 80000 wide
  EXPECT_EQ(wide.Width(), 40000);
}

} // namespace
} // namespace calidarix
