// Directions, rotations, the weight map and the panorama size of the stitching object.

#include "head/panorama_stitcher.h"
#include "tests/head/synthetic_panorama.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace calidarix {
namespace {

using test::kDeg;

TEST(PanoramaGeometry, RotationsTurnTheWayTheAnglesSay) {
  TFOV fov;
  TDirVec v{0, 0, kDirLength};
  fov.SetRotation(-10.0 * kDeg);
  fov.RotateY(v);
  EXPECT_GT(v.x, 0); // towards the left edge
  EXPECT_EQ(TFOV::Azimuth(v), -1800);
  TDirVec up{0, 0, kDirLength};
  fov.SetRotation(30.0 * kDeg);
  fov.RotateX(up);
  EXPECT_EQ(TFOV::Elevation(up.y), 5400);
  // A component a rounding beyond the unit length is the pole, not a failed arcsine.
  EXPECT_EQ(TFOV::Elevation(32767), 16200);
  EXPECT_EQ(TFOV::Elevation(-32767), -16200);
  EXPECT_EQ(TFOV::AzimuthDiff(100, 64700), 200);
  EXPECT_EQ(TFOV::AzimuthDiff(-32400, 32400), 0);
  EXPECT_EQ(TFOV::AzimuthDiff(0, -100), 100);
}

// The object prepared for a frame of w x h with a 20 x 15 degree field of view.
void Prepare(TFOV &fov, int w, int h, TRect cuts = {}) {
  fov.FScanArcH = 20.0 * kDeg;
  fov.FScanArcV = 15.0 * kDeg;
  fov.FFrameWidth = w;
  fov.FFrameHeight = h;
  fov.FFrameCuts = cuts;
  fov.FPanoAnglePerPixel = fov.FScanArcH / w;
  fov.FHorAnglePerPixel = fov.FScanArcH / (w - 1);
  fov.FVerAnglePerPixel = fov.FScanArcV / (h - 1);
  fov.FLeftAz = -1800;
  fov.FRightAz = 1800;
  fov.FTopLimit = 1350;
  fov.FBottomLimit = -1350;
  ASSERT_TRUE(fov.ComputePanoSize()) << fov.FSizeError.toStdString();
  fov.PredProcess();
}

TEST(PanoramaGeometry, EveryUsedPixelHasItsDirection) {
  struct Case {
    int w, h;
    TRect cuts;
  };
  // An odd width, and cuts of unequal width on both sides.
  for (const Case &c : {Case{321, 241, {}}, Case{320, 240, {7, 0, 2, 3}}, Case{320, 240, {0, 4, 11, 0}}}) {
    TFOV fov;
    Prepare(fov, c.w, c.h, c.cuts);
    for (int r = fov.FUsedRect.Top; r <= fov.FUsedRect.Bottom; ++r)
      for (int col = fov.FUsedRect.Left; col <= fov.FUsedRect.Right; ++col) {
        const TDirVec &v = fov.FDirTable[static_cast<std::size_t>(r) * c.w + col];
        const double length = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
        ASSERT_NEAR(length, kDirLength, 4.0) << c.w << " " << r << "," << col;
        // Column col looks at its own azimuth along the middle of the frame.
        if (r == (c.h - 1) / 2) {
          const double expected = (-10.0 + col * 20.0 / (c.w - 1)) * 180.0;
          ASSERT_NEAR(TFOV::Azimuth(v), expected, 3.0) << col;
        }
      }
  }
}

TEST(PanoramaGeometry, WeightMapFallsFromTheCentreAndNeverWraps) {
  TFOV fov;
  fov.FMergeMode = 1;
  Prepare(fov, 320, 240);
  const auto weight = [&fov](int r, int c) { return fov.FWeightMap[static_cast<std::size_t>(r) * 320 + c]; };
  EXPECT_GE(weight(120, 160), 252);
  for (auto [r, c] : {std::pair{0, 0}, {0, 319}, {239, 0}, {239, 319}}) {
    EXPECT_GE(weight(r, c), 1);
    EXPECT_LE(weight(r, c), 3);
  }
  EXPECT_GT(weight(120, 100), weight(120, 40));
  EXPECT_GT(weight(60, 160), weight(10, 160));
}

TEST(PanoramaGeometry, OneFrameGivesItsPanoramaSize) {
  // 3600 x 2700 units over 320 x 240 pixels: 11.25 units a pixel on both axes.
  test::TempDir dir;
  const test::SynthCamera cam{320, 240, 20.0, 15.0, 0.0};
  const auto folder =
      test::MakeSynthFolder(dir.path(), "IRPano-one", cam, {{0.0, 0.0}}, [](double, double) { return 25.0; });
  const test::Stitched s = test::Stitch(folder);
  ASSERT_TRUE(s.result.Written());
  EXPECT_NEAR(s.fov->FPanoAnglePerPixel * kPanoK, 11.25, 1e-9);
  EXPECT_EQ(s.pano().Height(), 240);
  // The corners lie at a larger azimuth than the middle row, so it is a little wider than the frame.
  EXPECT_GT(s.pano().Width(), 320);
  EXPECT_LT(s.pano().Width(), 330);
  EXPECT_EQ(s.pano().Width() % 2, 0);
}

TEST(PanoramaGeometry, FrameNearTheZenithRaisesTheTopLimit) {
  TFOV fov;
  fov.FScanArcH = 20.0 * kDeg;
  fov.FScanArcV = 15.0 * kDeg;
  TPanoFrame f;
  f.InLimits = true;
  f.VerAngle = 85.0 * kDeg;
  fov.FFrames.push_back(f);
  TPanoFrame low = f;
  low.VerAngle = 80.0 * kDeg; // reaches 87.5 degrees, short of the zenith
  fov.FFrames.push_back(low);
  fov.PredProcess9points();
  fov.ProcessFrameCoords(1, true);
  EXPECT_EQ(fov.FFrames[1].Pole, 0);
  fov.ProcessFrameCoords(0, true);
  EXPECT_EQ(fov.FFrames[0].Pole, 1);
  EXPECT_FALSE(fov.FFrames[0].Wraps);
  fov.PanoLimits();
  EXPECT_EQ(fov.FTopLimit, 16200);
  EXPECT_EQ(fov.FFrames[0].MaxEl, 16200);
  EXPECT_EQ(fov.FFrames[0].MaxAz - fov.FFrames[0].MinAz, 64799);
  EXPECT_TRUE(fov.FFullCircle);
  EXPECT_NEAR(fov.FFrames[1].MaxEl, 87.5 * 180, 20);
}

} // namespace
} // namespace calidarix
