#include "tests/support/thermogram_fixture.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace calidarix {
namespace {

using test::Px;
using test::SetFrame;

// A scan frame: extents and elevation in 1/180 degree.
void SetAngles(TDTV &t, int horz, int vert, int elevation, int projection) {
  t.FHeader.HorzExtent = static_cast<std::uint16_t>(horz);
  t.FHeader.VertExtent = static_cast<std::uint16_t>(vert);
  t.FHeader.Elevation = static_cast<std::int16_t>(elevation);
  t.FProjection = projection;
}

int RowValue(int, int y) {
  return 100 + y;
}

class ScanProjectionTest : public test::ThermogramTest {
protected:
};

TEST_F(ScanProjectionTest, KindsThatKeepTheFrameTakeTheAspectOfTheAngles) {
  for (const int kind : {0, 22, 7, -1}) {
    TDTV t;
    SetFrame(t, 6, 4, [](int x, int y) { return x + 10 * y; });
    SetAngles(t, 3600, 1800, 900, kind);
    const std::vector<std::uint16_t> original = t.FRaw;
    t.ReconstructScan();
    EXPECT_EQ(t.FRaw, original) << kind;
    EXPECT_EQ(t.Width(), 6);
    EXPECT_DOUBLE_EQ(t.FAspect, 2.0);
    EXPECT_TRUE(t.FAspectFromAngles);
  }
}

TEST_F(ScanProjectionTest, WithoutScanAnglesNothingChanges) {
  const int angles[][3] = {{0, 1800, 900}, {3600, 0, 900}, {3600, 1800, -32768}};
  for (const auto &a : angles) {
    TDTV t;
    SetFrame(t, 6, 4, RowValue);
    SetAngles(t, a[0], a[1], a[2], 1);
    t.SetAspect(1.25);
    const std::vector<std::uint16_t> original = t.FRaw;
    t.ReconstructScan();
    EXPECT_EQ(t.FRaw, original);
    EXPECT_EQ(t.FAspect, 1.25);
    EXPECT_FALSE(t.FAspectFromAngles);
  }
}

// 10 rows of 4.5 degrees standing on the horizon (elevation 0): b = 0, so every new row lies above
// the horizon; a = tan(45 degrees) / dv = 12.73 gives 13 rows. New row j shows source row
// 10 - Trunc(atan((13 - j) dv) / dv); the bottom one maps to row 10, outside, and stays 0.
TEST_F(ScanProjectionTest, CylinderStretchesRowsByTheTangentOfElevation) {
  TDTV t;
  SetFrame(t, 4, 10, RowValue);
  SetAngles(t, 720, 8100, 0, 1);
  t.ReconstructScan();
  ASSERT_EQ(t.Width(), 4);
  ASSERT_EQ(t.Height(), 13);
  const int sourceRow[] = {0, 1, 1, 2, 3, 3, 4, 5, 6, 7, 8, 9};
  for (int j = 0; j < 12; ++j) {
    EXPECT_EQ(Px(t, 0, j), 100 + sourceRow[j]) << j;
    EXPECT_EQ(Px(t, 3, j), 100 + sourceRow[j]) << j;
  }
  EXPECT_EQ(Px(t, 2, 12), 0);
  EXPECT_DOUBLE_EQ(t.FAspect, 4.0 / 13.0);
  EXPECT_TRUE(t.FAspectFromAngles);
}

// The top edge 45 degrees above the horizon: Mercator height ln(tan(67.5 degrees)) / dv = 112.2
// rows against tan(45 degrees) / dv = 127.3 for the cylinder.
TEST_F(ScanProjectionTest, MercatorAgainstCylinder) {
  TDTV mercator;
  SetFrame(mercator, 4, 100, RowValue);
  SetAngles(mercator, 720, 8100, 0, 3);
  mercator.SetAspect(1.75);
  mercator.ReconstructScan();
  EXPECT_EQ(mercator.Height(), 112);
  EXPECT_EQ(mercator.Width(), 4);
  EXPECT_EQ(Px(mercator, 0, 0), 101); // the top row reaches the top of the source
  EXPECT_DOUBLE_EQ(mercator.FBaseAspect, 720.0 / 8100.0);
  EXPECT_DOUBLE_EQ(mercator.FAspect, 4.0 / 112.0);

  TDTV cylinder;
  SetFrame(cylinder, 4, 100, RowValue);
  SetAngles(cylinder, 720, 8100, 0, 1);
  cylinder.ReconstructScan();
  EXPECT_EQ(cylinder.Height(), 127);
}

// 180 columns over 180 degrees: the width is cut at 60 degrees either side,
// Nearest(2 tan(60 degrees) / 1 degree) = 198, and the column at azimuth 0 stays in the middle.
TEST_F(ScanProjectionTest, TransversalCapsWideFramesAndKeepsAzimuthZero) {
  TDTV t;
  SetFrame(t, 180, 3, [](int x, int) { return x == 90 ? 5000 : 1000 + x; });
  SetAngles(t, 32400, 540, 0, 2);
  t.ReconstructScan();
  ASSERT_EQ(t.Width(), 198);
  ASSERT_EQ(t.Height(), 3);
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(Px(t, 99, y), 5000);
  }
  // The left edge looks 59.9 degrees left: source column 90 - 59.
  EXPECT_EQ(Px(t, 0, 1), 1000 + 31);
  EXPECT_DOUBLE_EQ(t.FAspect, 198.0 / 3.0);
}

// A full circle of 360 columns, 10 rows of 1 degree with the bottom 5 degrees below the horizon.
// The plane faces front, right or left; the column the plane faces lands in its middle column.
TEST_F(ScanProjectionTest, PlaneFacesItsDirection) {
  struct Case {
    int direction;
    int facedColumn;
  };
  const Case cases[] = {{0, 180}, {16200, 270}, {49336, 90}};
  for (const Case &c : cases) {
    TDTV t;
    SetFrame(t, 360, 10, [&](int x, int) { return x == c.facedColumn ? 5000 : 1000; });
    SetAngles(t, 64799, 1800, 900, 4);
    t.FPlaneDirection = static_cast<std::uint16_t>(c.direction);
    t.ReconstructScan();
    SCOPED_TRACE(c.direction);
    ASSERT_EQ(t.Width(), 198); // wider than 120 degrees: cut at 60 degrees either side
    ASSERT_EQ(t.Height(), 10);
    for (int j = 0; j < 10; ++j) {
      EXPECT_EQ(Px(t, 99, j), 5000) << j;
      EXPECT_EQ(Px(t, 20, j), 1000) << j;
    }
  }
}

// 100 columns of 1 degree, the top edge 50 degrees above the horizon: the limited disc of
// 30 degrees around the zenith is not reached, so the result is an empty disc of 61 x 61.
TEST_F(ScanProjectionTest, PolarLimitedOutOfReachIsEmpty) {
  TDTV t;
  SetFrame(t, 100, 10, RowValue);
  SetAngles(t, 18000, 9000, 0, 5);
  t.ReconstructScan();
  ASSERT_EQ(t.Width(), 61);
  ASSERT_EQ(t.Height(), 61);
  EXPECT_EQ(t.FRaw, std::vector<std::uint16_t>(61 * 61, 0));
}

// A full circle reaching the zenith: source row y lies y pixels from the disc centre, azimuth 0
// below the centre and azimuth 90 degrees to its right.
TEST_F(ScanProjectionTest, PolarDiscsPlaceRingsByZenithDistance) {
  struct Case {
    int kind;
    int size;
    int ringsDrawn;
  };
  const Case cases[] = {{5, 61, 30}, {6, 181, 89}};
  for (const Case &c : cases) {
    TDTV t;
    SetFrame(t, 360, 90, [](int, int y) { return 1000 + y; });
    SetAngles(t, 64799, 16200, 0, c.kind);
    t.ReconstructScan();
    SCOPED_TRACE(c.kind);
    ASSERT_EQ(t.Width(), c.size);
    ASSERT_EQ(t.Height(), c.size);
    const int centre = c.size / 2;
    for (int y = 0; y < c.ringsDrawn; ++y) {
      EXPECT_EQ(Px(t, centre, centre + y), 1000 + y) << y;
      EXPECT_EQ(Px(t, centre + y, centre), 1000 + y) << y;
    }
    EXPECT_EQ(Px(t, 0, 0), 0); // the corner lies outside the disc
  }
}

// The forward mapping leaves holes between the 360 spokes far from the zenith, where a ring is
// longer than 360 pixels. The full disc fills them from their neighbours: with spokes alternating
// between 1000 and 3000, a filled hole takes a value in between, which no spoke carries.
TEST_F(ScanProjectionTest, PolarFullFillsHolesInsideTheDisc) {
  TDTV t;
  SetFrame(t, 360, 90, [](int x, int) { return x % 2 == 0 ? 1000 : 3000; });
  SetAngles(t, 64799, 16200, 0, 6);
  t.ReconstructScan();
  ASSERT_EQ(t.Width(), 181);
  const int c = 90;
  const int radius = 80;
  int holes = 0;
  int filled = 0;
  for (int y = -radius; y <= radius; ++y) {
    for (int x = -radius; x <= radius; ++x) {
      if (x * x + y * y > radius * radius) {
        continue;
      }
      const int v = Px(t, c + x, c + y);
      holes += v == 0 ? 1 : 0;
      filled += v > 1000 && v < 3000 ? 1 : 0;
    }
  }
  EXPECT_EQ(holes, 0);
  EXPECT_GT(filled, 0);
}

TEST_F(ScanProjectionTest, PolarFullIsCappedAndOversizedDiscsAreRefused) {
  // Columns of 1/180 degree: the full disc would be 32400 pixels wide and is scaled to 4900.
  TDTV full;
  SetFrame(full, 10, 4, RowValue);
  SetAngles(full, 10, 16200, 0, 6);
  full.ReconstructScan();
  EXPECT_EQ(full.Width(), 4901);
  EXPECT_EQ(full.Height(), 4901);
  EXPECT_EQ(full.FRaw.size(), 4901u * 4901u);

  // The limited disc is not scaled: 10801 x 10801 is beyond the pixel budget, the frame stays.
  TDTV limited;
  SetFrame(limited, 10, 4, RowValue);
  SetAngles(limited, 10, 16200, 0, 5);
  const std::vector<std::uint16_t> original = limited.FRaw;
  limited.ReconstructScan();
  EXPECT_EQ(limited.Width(), 10);
  EXPECT_EQ(limited.FRaw, original);
}

// 72 columns of 5 degrees make gores of 4 columns; 18 rows of 5 degrees with the bottom 5 degrees
// below the horizon, so the bottom row lies at elevation 0 and the top row at 85 degrees.
TEST_F(ScanProjectionTest, UnrollSphereSqueezesGoresTowardTheirCentres) {
  TDTV t;
  SetFrame(t, 72, 18, [](int x, int) { return 100 + x; });
  SetAngles(t, 64799, 16200, 900, 21);
  t.ReconstructScan();
  ASSERT_EQ(t.Width(), 72);
  ASSERT_EQ(t.Height(), 18);
  for (int x = 0; x < 72; ++x) {
    EXPECT_EQ(Px(t, x, 17), 100 + x) << x; // elevation 0: unchanged
  }
  // At 85 degrees every gore collapses onto its centre column q x 4 + 2, which keeps the last
  // source pixel written (d = +2, or +1 in the last gore, whose d = +2 lies beyond the row).
  for (int x = 0; x < 72; ++x) {
    int want = 0;
    if (x % 4 == 2) {
      want = x == 70 ? 171 : 100 + x + 2;
    }
    EXPECT_EQ(Px(t, x, 0), want) << x;
  }
}

// A projection that cannot be made leaves the frame, its aspect and the flags as they were, and the
// log says why.
TEST_F(ScanProjectionTest, RefusedProjectionChangesNothingAndIsLogged) {
  struct Case {
    const char *what;
    int horz, vert, elevation, kind;
  } cases[] = {
      {"limited disc beyond the pixel budget", 10, 16200, 0, 5},
      {"full disc whose bottom edge lies beyond the zenith", 3600, 1800, -16380, 6},
      {"cylinder of far more than 65535 rows", 3600, 4, 16199, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    QStringList log;
    SetThermogramLogSink([&log](const QString &line) { log << line; });
    TDTV t;
    SetFrame(t, 10, 4, RowValue);
    SetAngles(t, c.horz, c.vert, c.elevation, c.kind);
    t.SetAspect(1.25);
    t.FBaseAspect = 0.75;
    const std::vector<std::uint16_t> original = t.FRaw;
    EXPECT_FALSE(t.ReconstructScan());
    EXPECT_EQ(t.Width(), 10);
    EXPECT_EQ(t.FRaw, original);
    EXPECT_EQ(t.FAspect, 1.25);
    EXPECT_EQ(t.FBaseAspect, 0.75);
    EXPECT_FALSE(t.FAspectFromAngles);
    EXPECT_EQ(log.size(), 1);
  }
  SetThermogramLogSink(nullptr);
}

} // namespace
} // namespace calidarix
