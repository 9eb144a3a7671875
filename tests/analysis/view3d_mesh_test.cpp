#include "analysis/view3d_mesh.h"
#include "analysis/view3d_vectors.h"

#include "tests/support/thermogram_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace calidarix {
namespace {

class View3DMeshTest : public test::ThermogramTest {
protected:
  // A w x h frame with pixel(x, y), the built-in default palette and window.
  TDTV &Frame(int w, int h, const std::function<int(int, int)> &pixel) {
    t.ResetHeader();
    test::SetFrame(t, w, h, pixel);
    t.PalBottom = 0;
    t.PalTop = 255;
    for (int i = 0; i < 256; ++i)
      t.FPalette[static_cast<std::size_t>(i)] =
          TRGB{static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(255 - i)};
    return t;
  }
  TDTV t;
  TView3DState s;
};

TEST_F(View3DMeshTest, SamplingKeepsTheVertexBudget) {
  struct Case {
    int w, h;
    bool rowsOnly;
    std::int64_t limit;
    TPoint step;
  };
  const Case cases[] = {
      {640, 480, false, 262144, {2, 2}},   // 307200 values exceed the default limit at step 1
      {640, 480, false, 131072, {2, 2}},   // 76800 fit the 128k limit as well
      {1024, 768, false, 262144, {2, 2}},  // 786432 div 4 = 196608
      {8000, 1000, true, 262144, {1, 31}}, // a panorama loses rows only: 8000000 div 31 = 258064
      {512, 512, false, 262144, {1, 1}},   // exactly at the limit
      {0, 0, false, 262144, {1, 1}},
  };
  for (const Case &c : cases) {
    const TPoint step = MeshSampleStep(c.w, c.h, c.rowsOnly, c.limit);
    EXPECT_EQ(step, c.step) << c.w << " x " << c.h;
  }
}

TEST_F(View3DMeshTest, SizeAspectAndWireStepsFollowTheThermogram) {
  Frame(640, 480, [](int, int) { return 1000; });
  BuildSurfaceMesh(s, t, false);
  EXPECT_EQ(s.SampleStep, (TPoint{2, 2}));
  EXPECT_EQ(s.MeshCols, 320);
  EXPECT_EQ(s.MeshRows, 240);
  EXPECT_EQ(s.MeshVertices.size(), 3u * 76800);
  EXPECT_EQ(s.MeshColors.size(), 76800u);
  EXPECT_EQ(s.MeshIndices.size(), 2u * 320 * 239);
  // A frame that was not reconstructed from scan angles always gets the same aspect.
  EXPECT_DOUBLE_EQ(s.MeshAspect, 0.84375);
  EXPECT_EQ(s.WireStepX, 320 / 21);
  EXPECT_EQ(s.WireStepY, 13); // Round(15 x 0.84375 = 12.66)
  EXPECT_DOUBLE_EQ(s.CellWidth, 4.0 / 320);

  t.FScanReconstructed = true;
  BuildSurfaceMesh(s, t, false);
  EXPECT_DOUBLE_EQ(s.MeshAspect, 240.0 / 320.0);

  t.FHeader.Version = 4;
  t.FAspect = 2.0;
  BuildSurfaceMesh(s, t, false);
  EXPECT_DOUBLE_EQ(s.MeshAspect, 0.5);
}

TEST_F(View3DMeshTest, PlanePositionsIndicesAndFlatNormals) {
  Frame(3, 2, [](int x, int y) { return 65535 * (x + 3 * y) / 5; });
  t.FScanReconstructed = true; // keeps the aspect 2 / 3
  BuildSurfaceMesh(s, t, false);
  ASSERT_EQ(s.MeshCols, 3);
  ASSERT_EQ(s.MeshRows, 2);
  // Vertex 0: x falls with the column from +2, y rises with the row from -2 x aspect, z = raw / 65535.
  EXPECT_FLOAT_EQ(s.MeshVertices[0], 2.0f);
  EXPECT_FLOAT_EQ(s.MeshVertices[1], static_cast<float>(-2.0 * 2.0 / 3.0));
  EXPECT_FLOAT_EQ(s.MeshVertices[2], 0.0f);
  EXPECT_FLOAT_EQ(s.MeshVertices[3 * 5 + 0], static_cast<float>(-4.0 * (2.0 / 3.0 - 0.5)));
  EXPECT_FLOAT_EQ(s.MeshVertices[3 * 5 + 1], 0.0f);
  EXPECT_FLOAT_EQ(s.MeshVertices[3 * 5 + 2], 1.0f);
  // One strip: each column's pair (row 0, row 1).
  EXPECT_EQ(s.MeshIndices, (std::vector<std::uint32_t>{0, 3, 1, 4, 2, 5}));

  Frame(4, 4, [](int, int) { return 30000; });
  BuildSurfaceMesh(s, t, false);
  for (std::size_t v = 0; v < 16; ++v) {
    EXPECT_FLOAT_EQ(s.MeshNormals[3 * v], 0.0f);
    EXPECT_FLOAT_EQ(s.MeshNormals[3 * v + 1], 0.0f);
    EXPECT_FLOAT_EQ(s.MeshNormals[3 * v + 2], 1.0f) << "a flat surface faces up at vertex " << v;
  }
}

TEST_F(View3DMeshTest, NormalsLeanAwayFromARisingSlope) {
  // The height rises with the column; the column runs towards -x, so the surface faces +x and up.
  Frame(5, 5, [](int x, int) { return 10000 * x; });
  BuildSurfaceMesh(s, t, false);
  const std::size_t centre = 3 * (2 * 5 + 2);
  EXPECT_GT(s.MeshNormals[centre], 0.0f);
  EXPECT_NEAR(s.MeshNormals[centre + 1], 0.0f, 1e-6);
  EXPECT_GT(s.MeshNormals[centre + 2], 0.0f);
  const float length =
      std::hypot(s.MeshNormals[centre], s.MeshNormals[centre + 1], s.MeshNormals[centre + 2]);
  EXPECT_NEAR(length, 1.0f, 1e-6);
}

TEST_F(View3DMeshTest, ColoursComeFromThePaletteAndEmptyPixelsHideTheirQuads) {
  Frame(5, 5, [](int x, int y) { return x == 2 && y == 2 ? 0 : 40000; });
  BuildSurfaceMesh(s, t, false);
  t.PreparePaletteScaling();
  const TRGB colour = t.RawToColor(40000);
  for (int r = 0; r < 5; ++r) {
    for (int c = 0; c < 5; ++c) {
      const TTexel &texel = s.MeshColors[static_cast<std::size_t>(r * 5 + c)];
      const bool nearCentre = std::abs(c - 2) <= 1 && std::abs(r - 2) <= 1;
      // The empty pixel hides itself and its eight neighbours, nothing further.
      EXPECT_EQ(texel.A, nearCentre ? 0 : 255) << c << ", " << r;
      if (!(c == 2 && r == 2)) {
        EXPECT_EQ(texel.R, colour.R);
        EXPECT_EQ(texel.B, colour.B);
      }
    }
  }
}

TEST_F(View3DMeshTest, TransparencyTogglesOpaqueVerticesOnly) {
  std::vector<TTexel> colours{{1, 2, 3, 255}, {1, 2, 3, 0}, {1, 2, 3, 128}};
  ApplyTransparency(colours, true);
  EXPECT_EQ(colours[0].A, 128);
  EXPECT_EQ(colours[1].A, 0);
  EXPECT_EQ(colours[2].A, 128);
  ApplyTransparency(colours, false);
  EXPECT_EQ(colours[0].A, 255);
  EXPECT_EQ(colours[1].A, 0);
  EXPECT_EQ(colours[2].A, 255);

  Frame(4, 4, [](int, int) { return 500; });
  BuildSurfaceMesh(s, t, true);
  EXPECT_EQ(s.MeshColors[5].A, 128);
}

TEST_F(View3DMeshTest, AnEmptyOrBrokenFrameBuildsAnEmptyMesh) {
  Frame(4, 4, [](int, int) { return 500; });
  BuildSurfaceMesh(s, t, false);
  ASSERT_FALSE(s.MeshVertices.empty());
  const std::uint64_t generation = s.MeshGeneration;

  t.FHeader.Width = 0;
  t.FHeader.Height = 0;
  t.FRaw.clear();
  BuildSurfaceMesh(s, t, false);
  EXPECT_EQ(s.MeshCols, 0);
  EXPECT_EQ(s.MeshRows, 0);
  EXPECT_TRUE(s.MeshVertices.empty());
  EXPECT_TRUE(s.MeshIndices.empty());
  EXPECT_GT(s.MeshGeneration, generation);

  // A header bigger than its pixels.
  Frame(4, 4, [](int, int) { return 500; });
  t.FHeader.Width = 40;
  BuildSurfaceMesh(s, t, false);
  EXPECT_TRUE(s.MeshVertices.empty());
}

TEST_F(View3DMeshTest, NarrowMeshesStillGetAWireStep) {
  Frame(10, 3, [](int, int) { return 500; });
  BuildSurfaceMesh(s, t, false);
  EXPECT_EQ(s.WireStepX, 1);
  EXPECT_EQ(s.WireStepY, 1);
  // One row: no strips, but positions and colours.
  Frame(6, 1, [](int, int) { return 500; });
  BuildSurfaceMesh(s, t, false);
  EXPECT_EQ(s.MeshRows, 1);
  EXPECT_TRUE(s.MeshIndices.empty());
  EXPECT_EQ(s.MeshColors.size(), 6u);
}

TEST_F(View3DMeshTest, SizeFigureCountsFourBytesPerElement) {
  Frame(16, 16, [](int, int) { return 500; });
  BuildSurfaceMesh(s, t, false);
  // 3 + 4 + 3 elements per vertex, four bytes each.
  EXPECT_FLOAT_EQ(s.MeshMegabytes, static_cast<float>(4.0 * 10 * 256 / 1048576.0));
}

// The normals vertex by vertex through the vector helpers, as the mesh had them before its inner
// vertices were done four at a time: the reference the mesh must keep.
std::vector<float> ReferenceMeshNormals(const std::vector<float> &v, std::vector<float> normals, int cols,
                                        int rows) {
  const auto at = [&](int c, int r) {
    const std::size_t i =
        static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c);
    return TVec3{v[3 * i], v[3 * i + 1], v[3 * i + 2]};
  };
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      const TVec3 p = at(c, r);
      TVec3 sum{0.0f, 0.0f, 0.0f};
      if (c + 1 < cols && r + 1 < rows)
        sum = AddVec3(sum, TriangleNormal(p, at(c + 1, r), at(c, r + 1)));
      if (r + 1 < rows && c > 0)
        sum = AddVec3(sum, TriangleNormal(p, at(c, r + 1), at(c - 1, r)));
      if (c > 0 && r > 0)
        sum = AddVec3(sum, TriangleNormal(p, at(c - 1, r), at(c, r - 1)));
      if (r > 0 && c + 1 < cols)
        sum = AddVec3(sum, TriangleNormal(p, at(c, r - 1), at(c + 1, r)));
      const std::size_t i =
          static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c);
      TVec3 n{normals[3 * i], normals[3 * i + 1], normals[3 * i + 2]};
      NormalizeVec3(TVec3{-sum[0], -sum[1], -sum[2]}, n);
      normals[3 * i] = n[0];
      normals[3 * i + 1] = n[1];
      normals[3 * i + 2] = n[2];
    }
  }
  return normals;
}

// Grids of every width from 1 to 13 columns (so the inner vertices fall four at a time and one by
// one), rough random heights, flat stretches whose sums are zero, a sliver that makes degenerate
// triangles, and normals that were there before: each normal within 1e-6 of the reference.
TEST_F(View3DMeshTest, NormalsMatchTheVertexByVertexComputation) {
  std::mt19937 random(35);
  std::uniform_real_distribution<float> height(0.0f, 1.0f);
  for (int rows = 1; rows <= 6; ++rows) {
    for (int cols = 1; cols <= 13; ++cols) {
      for (int shape = 0; shape < 3; ++shape) {
        const std::size_t count = static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows);
        std::vector<float> vertices(3 * count);
        for (int r = 0; r < rows; ++r) {
          for (int c = 0; c < cols; ++c) {
            const std::size_t i = static_cast<std::size_t>(r * cols + c);
            vertices[3 * i] = -static_cast<float>(c) * 0.37f;
            // shape 2: every row at the same place, so every triangle is degenerate and sums are zero.
            vertices[3 * i + 1] = shape == 2 ? 0.0f : static_cast<float>(r) * 0.29f;
            vertices[3 * i + 2] = shape == 1 && c % 3 == 0 ? 0.5f : height(random);
          }
        }
        std::vector<float> before(3 * count);
        for (float &n : before)
          n = height(random);
        std::vector<float> normals = before;
        PreCalcNormalVectors(vertices, normals, cols, rows);
        const std::vector<float> expected = ReferenceMeshNormals(vertices, before, cols, rows);
        ASSERT_EQ(normals.size(), expected.size());
        for (std::size_t k = 0; k < normals.size(); ++k)
          ASSERT_NEAR(normals[k], expected[k], 1e-6)
              << cols << " x " << rows << " shape " << shape << ", vertex " << k / 3 << " axis " << k % 3;
      }
    }
  }
  // A full-size mesh of a rough frame as the view builds it.
  Frame(640, 480, [](int x, int y) { return static_cast<int>((x * 7919 + y * 104729) % 65536); });
  BuildSurfaceMesh(s, t, false);
  const std::vector<float> expected = ReferenceMeshNormals(
      s.MeshVertices, std::vector<float>(s.MeshNormals.size(), 0.0f), s.MeshCols, s.MeshRows);
  int far = 0;
  for (std::size_t k = 0; k < expected.size(); ++k)
    far += std::fabs(s.MeshNormals[k] - expected[k]) > 1e-6f ? 1 : 0;
  EXPECT_EQ(far, 0);
}

} // namespace
} // namespace calidarix
