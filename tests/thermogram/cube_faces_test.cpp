#include "tests/support/thermogram_fixture.h"
#include "thermogram/cube_faces.h"
#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <vector>

namespace calidarix {
namespace {

constexpr double kDegree = 180.0 / std::numbers::pi;

// A panorama header: w x h pixels covering horzDeg x vertDeg degrees, its bottom edge elevDeg below the
// horizon.
TDTVHeader Panorama(int w, int h, int horzDeg, int vertDeg, int elevDeg) {
  TDTVHeader header;
  header.Width = static_cast<std::uint16_t>(w);
  header.Height = static_cast<std::uint16_t>(h);
  header.HorzExtent = static_cast<std::uint16_t>(horzDeg * 180);
  header.VertExtent = static_cast<std::uint16_t>(vertDeg * 180);
  header.Elevation = static_cast<std::int16_t>(elevDeg * 180);
  return header;
}

class CubeFacesTest : public test::ThermogramTest {
protected:
  // A panorama thermogram (one degree per pixel) whose pixels all hold `raw`.
  static void Make(TDTV &t, const TDTVHeader &header, std::uint16_t raw) {
    t.FHeader = header;
    t.FRaw.assign(static_cast<std::size_t>(header.Width) * header.Height, raw);
  }

  // Whether the bilinear sampler is built into this library yet.
  static bool SamplerBuilt() {
    TDTV probe;
    Make(probe, Panorama(2, 2, 2, 2, 1), 1000);
    return probe.SampleBilinear(0.5, 0.5) == 1000;
  }
};

TEST_F(CubeFacesTest, SideFacesLookAtTheirAzimuthAcrossNinetyDegrees) {
  // 360 x 90 degrees, one degree per pixel, spanning -45 .. +45 degrees of elevation: the horizon is
  // row 45 and azimuth 0 is column 180.
  const TDTVHeader header = Panorama(360, 90, 360, 90, 45);
  const int n = 512;
  struct Case {
    int face, u;
    double x; // expected column, within 0.2 of a degree
  };
  const Case cases[] = {{0, 255, 180.0}, {0, 256, 180.0}, {1, 255, 270.0}, {3, 256, 90.0},
                        {0, 0, 135.0},   {0, 511, 225.0}, {1, 511, 315.0}};
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "face " << c.face << " column " << c.u);
    const std::optional<FramePosition> at = CubeFaceSource(header, n, c.face, c.u, 255);
    ASSERT_TRUE(at.has_value());
    EXPECT_NEAR(at->X, c.x, 0.2);
    EXPECT_NEAR(at->Y, 45.0, 0.2);
  }
  // Rows above the face centre look up: toward row 0.
  const std::optional<FramePosition> high = CubeFaceSource(header, n, 0, 255, 100);
  ASSERT_TRUE(high.has_value());
  EXPECT_NEAR(high->Y, 45.0 - std::atan(155.5 * 2.0 / n * std::cos(std::atan(1.0 / n))) * kDegree, 1e-6);
}

TEST_F(CubeFacesTest, BackFaceOfAFullCircleContinuesAcrossTheFrameEdge) {
  const TDTVHeader header = Panorama(360, 90, 360, 90, 45);
  const int n = 512;
  for (int u = 0; u < n; ++u) {
    const std::optional<FramePosition> at = CubeFaceSource(header, n, 2, u, 255);
    ASSERT_TRUE(at.has_value()) << u;
    if (u < 256) {
      EXPECT_GT(at->X, 314.0) << u; // left half: just before the right edge
    } else {
      EXPECT_LT(at->X, 46.0) << u; // right half: on from the left edge
    }
  }
  const double left = CubeFaceSource(header, n, 2, 255, 255)->X;
  const double right = CubeFaceSource(header, n, 2, 256, 255)->X;
  EXPECT_NEAR(right + 360.0 - left, 2.0 * std::atan(1.0 / n) * kDegree, 1e-9);
}

TEST_F(CubeFacesTest, FacesOutsideAPartialPanoramaSeeNothing) {
  // 120 degrees around azimuth 0: the back face lies wholly outside, the front face wholly inside.
  const TDTVHeader header = Panorama(120, 90, 120, 90, 45);
  const int n = 64;
  for (int v = 0; v < n; ++v) {
    for (int u = 0; u < n; ++u) {
      EXPECT_FALSE(CubeFaceSource(header, n, 2, u, v).has_value()) << u << "," << v;
    }
    EXPECT_TRUE(CubeFaceSource(header, n, 0, v, n / 2).has_value()) << v;
  }
  // No angles in the header, no face index of a cube, no texels: nothing is seen.
  EXPECT_FALSE(CubeFaceSource(Panorama(120, 90, 0, 0, 0), n, 0, 32, 32).has_value());
  EXPECT_FALSE(CubeFaceSource(header, n, 6, 32, 32).has_value());
  EXPECT_FALSE(CubeFaceSource(header, n, -1, 32, 32).has_value());
  EXPECT_FALSE(CubeFaceSource(header, 0, 0, 0, 0).has_value());
}

TEST_F(CubeFacesTest, PolesOfAPanoramaThatDoesNotReachThemStayEmptyInsideTheRing) {
  // -45 .. +45 degrees: the zenith face sees the frame only where the view is at most 45 degrees from
  // the horizon (rho >= 1), the nadir face only beyond 46 degrees (the last row is never sampled).
  const TDTVHeader header = Panorama(360, 90, 360, 90, 45);
  const int n = 64;
  const double c = (n - 1) / 2.0;
  for (int v = 0; v < n; ++v) {
    for (int u = 0; u < n; ++u) {
      const double rho = std::hypot(u - c, v - c) / c;
      const std::optional<FramePosition> zenith = CubeFaceSource(header, n, 4, u, v);
      const std::optional<FramePosition> nadir = CubeFaceSource(header, n, 5, u, v);
      EXPECT_EQ(zenith.has_value(), std::atan(rho) * kDegree >= 45.0) << u << "," << v;
      EXPECT_EQ(nadir.has_value(), std::atan(rho) * kDegree > 46.0) << u << "," << v;
      if (zenith) {
        EXPECT_NEAR(zenith->Y, std::atan(rho) * kDegree - 45.0, 1e-9);
      }
    }
  }
}

TEST_F(CubeFacesTest, PoleFacesTurnWithTheAzimuth) {
  // A full sphere: the zenith is row 0, the nadir row 180.
  const TDTVHeader header = Panorama(360, 180, 360, 180, 90);
  struct Case {
    int face, u, v;
    double x, y;
  };
  // n = 5, centre 2: texel (2, 0) is "up" on the face, (4, 2) "right"; rho = 1 is 45 degrees off the pole.
  const Case cases[] = {{4, 2, 0, 180.0, 45.0},
                        {4, 4, 2, 90.0, 45.0},
                        {4, 0, 2, 270.0, 45.0},
                        {5, 2, 4, 180.0, 135.0},
                        {5, 4, 2, 90.0, 135.0}};
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "face " << c.face << " texel " << c.u << "," << c.v);
    const std::optional<FramePosition> at = CubeFaceSource(header, 5, c.face, c.u, c.v);
    ASSERT_TRUE(at.has_value());
    EXPECT_NEAR(at->X, c.x, 1e-9);
    EXPECT_NEAR(at->Y, c.y, 1e-9);
  }
}

TEST_F(CubeFacesTest, EverySampledPositionLiesAboveTheLastRow) {
  const TDTVHeader headers[] = {Panorama(360, 90, 360, 90, 45), Panorama(360, 180, 360, 180, 90),
                                Panorama(200, 60, 200, 60, 10)};
  const int n = 48;
  for (const TDTVHeader &header : headers) {
    for (int face = 0; face < 6; ++face) {
      for (int v = 0; v < n; ++v) {
        for (int u = 0; u < n; ++u) {
          const std::optional<FramePosition> at = CubeFaceSource(header, n, face, u, v);
          if (at) {
            EXPECT_GE(at->X, 0.0);
            EXPECT_LT(at->X, header.Width);
            EXPECT_GE(at->Y, 0.0);
            EXPECT_LT(at->Y, header.Height - 1.0);
          }
        }
      }
    }
  }
}

TEST_F(CubeFacesTest, FaceBuildersWriteEveryTexelAndGrowTheirDestination) {
  TDTV t;
  Make(t, Panorama(120, 90, 120, 90, 45), 1000);
  const int n = 32;
  std::vector<std::uint16_t> values(10, 7); // too small: grown to n x n
  t.BuildCubeFaceRaw(values, n, 0);
  ASSERT_EQ(values.size(), static_cast<std::size_t>(n * n));
  std::vector<TTexel> colours(static_cast<std::size_t>(n * n), TTexel{9, 9, 9, 9});
  t.BuildCubeFaceColors(colours, n, 0);
  const bool sampler = SamplerBuilt();
  int inside = 0;
  for (int v = 0; v < n; ++v) {
    for (int u = 0; u < n; ++u) {
      const std::size_t i = static_cast<std::size_t>(v) * n + u;
      const std::optional<FramePosition> at = CubeFaceSource(t.FHeader, n, 0, u, v);
      const TTexel texel = colours[i];
      if (!at) {
        EXPECT_EQ(values[i], 0);
        EXPECT_EQ(texel.R + texel.G + texel.B + texel.A, 0); // all four bytes 0
        continue;
      }
      ++inside;
      EXPECT_EQ(values[i], t.SampleBilinear(at->X, at->Y));
      const TRGB colour = t.RawToColor(values[i]);
      EXPECT_EQ(texel.R, colour.R);
      EXPECT_EQ(texel.A, values[i] == 0 ? 0 : 255);
      if (sampler) {
        EXPECT_EQ(values[i], 1000);
      }
    }
  }
  EXPECT_GT(inside, 0);
  EXPECT_LT(inside, n * n);

  std::vector<std::uint16_t> untouched(3, 5);
  t.BuildCubeFaceRaw(untouched, 0, 0);
  EXPECT_EQ(untouched, (std::vector<std::uint16_t>(3, 5)));
}

TEST_F(CubeFacesTest, ColourTextureMarksEmptyPixelsAndKeepsAlphaWhenRecolouring) {
  TDTV t;
  t.FHeader.Width = 3;
  t.FHeader.Height = 2;
  t.FRaw = {0, 500, 600, 700, 0, 800};
  const TTexel old{1, 2, 3, 128};

  std::vector<TTexel> texture(6, old);
  t.FillColorTexture(texture, TPoint{1, 1}, TPoint{3, 2}, false);
  for (std::size_t i = 0; i < 6; ++i) {
    const TRGB colour = t.RawToColor(t.FRaw[i]);
    if (t.FRaw[i] == 0) {
      EXPECT_EQ(texture[i].R, 1) << i; // colour bytes stay, the pixel becomes transparent
      EXPECT_EQ(texture[i].B, 3) << i;
      EXPECT_EQ(texture[i].A, 0) << i;
    } else {
      EXPECT_EQ(texture[i].R, colour.R) << i;
      EXPECT_EQ(texture[i].G, colour.G) << i;
      EXPECT_EQ(texture[i].B, colour.B) << i;
      EXPECT_EQ(texture[i].A, 255) << i;
    }
  }

  std::vector<TTexel> recolour(6, old);
  t.FillColorTexture(recolour, TPoint{1, 1}, TPoint{3, 2}, true);
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(recolour[i].A, 128) << i;
    if (t.FRaw[i] == 0) {
      EXPECT_EQ(recolour[i].G, 2) << i;
    } else {
      EXPECT_EQ(recolour[i].G, t.RawToColor(t.FRaw[i]).G) << i;
    }
  }

  // A grid reaching past the frame reads empty pixels there; the destination grows to the grid.
  std::vector<TTexel> grown;
  t.FillColorTexture(grown, TPoint{2, 1}, TPoint{3, 3}, false);
  ASSERT_EQ(grown.size(), 9u);
  EXPECT_EQ(grown[1].A, 255); // pixel (2, 0)
  EXPECT_EQ(grown[2].A, 0);   // pixel (4, 0) lies outside
  EXPECT_EQ(grown[8].A, 0);   // row 2 lies outside
}

TEST_F(CubeFacesTest, HeightMapSamplesEveryStepPixel) {
  TDTV t;
  t.FHeader.Width = 5;
  t.FHeader.Height = 3;
  t.FRaw.resize(15);
  for (std::size_t i = 0; i < 15; ++i) {
    t.FRaw[i] = static_cast<std::uint16_t>(100 + i);
  }
  std::vector<std::uint16_t> heights(2, 9);
  t.SubsampleHeightMap(heights, TPoint{3, 2}, TPoint{2, 2});
  EXPECT_EQ(heights, (std::vector<std::uint16_t>{100, 102, 104, 110, 112, 114}));

  std::vector<std::uint16_t> outside;
  t.SubsampleHeightMap(outside, TPoint{2, 2}, TPoint{4, 3});
  EXPECT_EQ(outside, (std::vector<std::uint16_t>{100, 104, 0, 0})); // row 3 lies outside
}

} // namespace
} // namespace calidarix
