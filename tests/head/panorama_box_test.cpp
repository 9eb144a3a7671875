// Box-mode data of a stitched panorama: raw cube faces, the temperature pick and the frame remap.

#include "head/panorama_box.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace calidarix {
namespace {

// A full-turn panorama of 720 x 360 pixels (half a degree each) from -90 to +90 degrees whose raw
// value encodes where each pixel looks: 1000 + column, with a band of its own near the zenith.
std::unique_ptr<TDTV> FullSphere() {
  auto owned = std::make_unique<TDTV>();
  TDTV &t = *owned;
  t.FHeader.Version = 3;
  t.FHeader.Width = 720;
  t.FHeader.Height = 360;
  t.FHeader.HorzExtent = 64800;
  t.FHeader.VertExtent = 32400;
  t.FHeader.Elevation = 16200;
  t.FHeader.Scale = 0.001f;
  t.FHeader.Offset = 0.0f;
  t.FRaw.resize(720 * 360);
  for (int y = 0; y < 360; ++y)
    for (int x = 0; x < 720; ++x)
      t.FRaw[static_cast<std::size_t>(y) * 720 + x] = static_cast<std::uint16_t>(y < 10 ? 60000 : 1000 + x);
  return owned;
}

TEST(PanoramaBox, FacesKeepRawValuesOfEveryDirection) {
  const auto owned = FullSphere();
  const TDTV &t = *owned;
  const TBoxFaces faces = BuildBoxFaces(t, 64);
  for (const auto &face : faces)
    ASSERT_EQ(face.size(), 64u * 64u);
  // The middle of face 1 looks at azimuth 90 degrees: column 360 + 180. Raw values survive in full,
  // which an 8-bit texture would not.
  const std::uint16_t middle = faces[1][32 * 64 + 32];
  EXPECT_NEAR(middle, 1000 + 540, 3);
  EXPECT_NEAR(faces[0][32 * 64 + 32], 1000 + 360, 3);
  // The zenith face looks into the top band.
  EXPECT_EQ(faces[4][32 * 64 + 32], 60000);
  EXPECT_TRUE(BuildBoxFaces(t, 0)[0].empty());
}

TEST(PanoramaBox, PickReadsTheDirectionAndRefusesWhatLiesOutside) {
  const auto owned = FullSphere();
  TDTV &t = *owned;
  const TBoxAngles angles = BoxAnglesOf(t);
  EXPECT_NEAR(angles.RadPerPixelH, std::numbers::pi / 360.0, 1e-12);
  // Along -x: atan2(0, 1) = 0, the middle column; on the horizon, the middle row.
  const auto middle = BoxPickPosition(t, angles, -1.0, 0.0, 0.0);
  ASSERT_TRUE(middle);
  EXPECT_NEAR(middle->X, 360.0, 1e-9);
  EXPECT_NEAR(middle->Y, 180.0, 1e-9);
  const auto up = BoxPickPosition(t, angles, -1.0, 1.0, 1.0);
  ASSERT_TRUE(up);
  EXPECT_NEAR(up->X, 360.0 + 90.0, 1e-9);
  EXPECT_NEAR(up->Y, 180.0 - std::atan2(1.0, std::sqrt(2.0)) / (std::numbers::pi / 360.0), 1e-9);
  EXPECT_NEAR(*BoxPickTemperature(t, angles, -1.0, 0.0, 0.0), (1000 + 360) * 0.001, 1e-6);
  // Before the box mode ran there are no angles: nothing is picked.
  EXPECT_FALSE(BoxPickPosition(t, TBoxAngles{}, -1.0, 0.0, 0.0));
  // A panorama of half the height does not reach below the horizon.
  t.FHeader.VertExtent = 16200;
  t.FHeader.Elevation = 0;
  EXPECT_FALSE(BoxPickPosition(t, BoxAnglesOf(t), -1.0, 0.0, -0.5));
}

TEST(PanoramaBox, FrameRemapFollowsTheFrustum) {
  EXPECT_FALSE(MakePanoFrameRemap(0, 2700, 320, 240));
  const auto m = MakePanoFrameRemap(3600, 2700, 320, 240);
  ASSERT_TRUE(m);
  EXPECT_NEAR(m->FrustumTanV, std::tan(7.5 * std::numbers::pi / 180.0), 1e-12);
  EXPECT_NEAR(m->FrustumTanH,
              std::tan(10.0 * std::numbers::pi / 180.0) / std::cos(7.5 * std::numbers::pi / 180.0), 1e-12);
  ASSERT_EQ(m->RowMap.size(), 128u);
  ASSERT_EQ(m->ColumnMap.size(), 128u * 256u);
  // The last quarter row and column reach the frame's edge: half its height and width in pixels.
  EXPECT_NEAR(m->RowMap[127], 120.0 * (126.5 / 127.5), 1.5);
  EXPECT_LT(m->RowMap[0], 0.0);
  EXPECT_NEAR(m->ColumnMap[0 * 256 + 255], 160.0, 2.0);
}

} // namespace
} // namespace calidarix
