#include "analysis/view3d_projections.h"

#include "analysis/view3d_mesh.h"
#include "tests/support/thermogram_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace calidarix {
namespace {

constexpr double kPi = std::numbers::pi;

// A mesh of `cols` x `rows` vertices over a panorama: hx degrees wide, vx high, its lower edge
// elevation degrees below the horizon; every raw value `raw`.
class View3DProjectionsTest : public test::ThermogramTest {
protected:
  void Mesh(int cols, int rows, double hx, double vx, double elevation, int raw) {
    t.ResetHeader();
    test::SetFrame(t, cols, rows, [raw](int, int) { return raw; });
    t.FScanReconstructed = true;
    t.FHeader.HorzExtent = static_cast<std::uint16_t>(hx * 180);
    t.FHeader.VertExtent = static_cast<std::uint16_t>(vx * 180);
    t.FHeader.Elevation = static_cast<std::int16_t>(elevation * 180);
    BuildSurfaceMesh(s, t, false);
    angles = ScanAnglesOf(t);
  }
  TVec3 At(int kind, double bias, bool radial, int c, int r) {
    return ProjectVertex(s, angles, kind, bias, radial, c, r,
                         s.MeshRaw[static_cast<std::size_t>(r * s.MeshCols + c)]);
  }
  TDTV t;
  TView3DState s;
  TScanAngles angles;
};

TEST_F(View3DProjectionsTest, EachProjectionPutsTheFlatMeshOnItsSurface) {
  Mesh(36, 18, 360, 90, 45, 30000);
  for (int r = 0; r < s.MeshRows; ++r) {
    for (int c = 0; c < s.MeshCols; ++c) {
      const TVec3 sphere = At(kSphere, 0.0, false, c, r);
      EXPECT_NEAR(std::hypot(sphere[0], sphere[1], sphere[2]), 1.0, 1e-5);
      const TVec3 box = At(kBox, 0.0, false, c, r);
      // The top face at z = 1 or a side wall at x or y = +-1; the walls go down without a bottom face.
      const bool top = std::fabs(box[2] - 1.0f) < 1e-4f;
      const double wall = std::max(std::fabs(box[0]), std::fabs(box[1]));
      EXPECT_TRUE(top || std::fabs(wall - 1.0) < 1e-4) << "box " << c << ", " << r;
      const TVec3 cylinder = At(kCylinder, 0.0, false, c, r);
      const bool cap = std::fabs(cylinder[2] - 1.0f) < 1e-5f;
      if (!cap) {
        EXPECT_NEAR(std::hypot(cylinder[0], cylinder[1]), 1.0, 1e-5) << "cylinder wall " << c << ", " << r;
      }
      const TVec3 flat = At(kEquidistant, 0.0, false, c, r);
      const std::size_t v = static_cast<std::size_t>(r * s.MeshCols + c);
      EXPECT_FLOAT_EQ(flat[0], s.MeshVertices[3 * v]);
      EXPECT_FLOAT_EQ(flat[1], s.MeshVertices[3 * v + 1]);
      EXPECT_FLOAT_EQ(flat[2], 0.0f);
    }
  }
}

TEST_F(View3DProjectionsTest, TheMiddleColumnAtTheHorizonLooksAlongX) {
  Mesh(36, 18, 360, 90, 45, 30000);
  // Column 18 of 36 is azimuth 0; row 9 of 18 is the horizon (t = pi / 2).
  const TVec3 sphere = At(kSphere, 0.0, false, 18, 9);
  EXPECT_NEAR(sphere[0], 1.0f, 1e-6);
  EXPECT_NEAR(sphere[1], 0.0f, 1e-6);
  EXPECT_NEAR(sphere[2], 0.0f, 1e-6);
  const TVec3 polar = At(kPolar, 0.0, false, 18, 9);
  EXPECT_NEAR(polar[0], 1.0f, 1e-6); // the horizon at radius 1
  const TVec3 box = At(kBox, 0.0, false, 18, 9);
  EXPECT_NEAR(box[0], 1.0f, 1e-6);
  EXPECT_NEAR(box[2], 0.0f, 1e-6);
}

TEST_F(View3DProjectionsTest, HeightsPushTheSurfaceOutwardsWithBias) {
  Mesh(36, 18, 360, 90, 45, 65535);
  // Full raw: the sphere grows to 1.5, the cylinder wall to 1.5, a box face to 1.5.
  const TVec3 sphere = At(kSphere, 1.0, false, 18, 9);
  EXPECT_NEAR(sphere[0], 1.5f, 1e-5);
  const TVec3 wall = At(kCylinder, 1.0, false, 18, 9);
  EXPECT_NEAR(wall[0], 1.5f, 1e-5);
  const TVec3 box = At(kBox, 1.0, false, 18, 9);
  EXPECT_NEAR(box[0], 1.5f, 1e-5);
  // Radial relief adds the height along the viewing ray: on the horizon straight ahead, the same.
  const TVec3 radialBox = At(kBox, 1.0, true, 18, 9);
  EXPECT_NEAR(radialBox[0], 1.5f, 1e-5);
  // The sphere ignores the radial switch; the flat mesh stands raw / 65535 high.
  EXPECT_EQ(At(kSphere, 1.0, true, 5, 3), At(kSphere, 1.0, false, 5, 3));
  EXPECT_FLOAT_EQ(At(kEquidistant, 1.0, false, 5, 3)[2], 1.0f);
  // Polar without radial relief squares the factor: a bias of 0.5 gives a quarter of the height.
  EXPECT_NEAR(At(kPolar, 0.5, false, 18, 9)[2], 0.25f, 1e-6);
}

TEST_F(View3DProjectionsTest, AFullCircleWrapsBothEdgesOntoTheBackFace) {
  Mesh(360, 4, 360, 40, 20, 1000);
  // Azimuths near -180 and +180 degrees (columns 1 and 359) both land on the -x face.
  for (int c : {1, 359}) {
    const TVec3 box = At(kBox, 0.0, false, c, 2);
    EXPECT_NEAR(box[0], -1.0f, 1e-5) << c;
  }
  const TVec3 right = At(kBox, 0.0, false, 270, 2); // azimuth +90: the +y face
  EXPECT_NEAR(right[1], 1.0f, 1e-5);
}

TEST_F(View3DProjectionsTest, TheBoxCylinderTakesTheTopFaceOnlyAboveFortyFiveDegrees) {
  // Azimuth 40 degrees (column 22 of 36, the +x face), 40 degrees above the horizon (t = 50 degrees): the
  // box's top face reaches down to t = arctan(1 / cos 40) = 52.5 degrees there, the Box_Cylinder's cap
  // only to 45.
  Mesh(36, 2, 360, 80, 0, 1000);
  const TVec3 top = At(kBox, 0.0, false, 22, 1);
  EXPECT_NEAR(top[2], 1.0f, 1e-5);
  const TVec3 side = At(kBoxCylinder, 0.0, false, 22, 1);
  EXPECT_NEAR(side[0], 1.0f, 1e-5);
  EXPECT_NEAR(side[1], std::tan(40.0 * kPi / 180), 1e-5);
  EXPECT_NEAR(side[2], std::tan(40.0 * kPi / 180) / std::cos(40.0 * kPi / 180), 1e-5);
}

TEST_F(View3DProjectionsTest, UnknownKindsAndMissingMeshesProjectNothing) {
  Mesh(8, 4, 90, 40, 20, 1000);
  std::vector<float> out{7.0f};
  EXPECT_FALSE(ProjectMesh(s, angles, 6, 1.0, false, out));
  EXPECT_EQ(out, std::vector<float>{7.0f});
  EXPECT_TRUE(ProjectMesh(s, angles, kCylinder, 1.0, false, out));
  EXPECT_EQ(out.size(), s.MeshVertices.size());
  TView3DState empty;
  EXPECT_FALSE(ProjectMesh(empty, angles, kSphere, 1.0, false, out));
}

} // namespace
} // namespace calidarix
