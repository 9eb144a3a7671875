#include "analysis/view3d_mesh.h"

#include "platform/numbers.h"

#include <algorithm>
#include <cstddef>

namespace calidarix {

namespace {

std::size_t At(int c, int r, int cols) {
  return static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c);
}

TVec3 Vertex(const std::vector<float> &v, std::size_t i) {
  return {v[3 * i], v[3 * i + 1], v[3 * i + 2]};
}

} // namespace

void ClearMesh(TView3DState &s) {
  s.MeshVertices.clear();
  s.MeshNormals.clear();
  s.ProjVertices.clear();
  s.ProjNormals.clear();
  s.MeshColors.clear();
  s.MeshIndices.clear();
  s.MeshRaw.clear();
  s.MeshGeneration += 1;
}

TPoint MeshSampleStep(int width, int height, bool rowsOnly, std::int64_t limit) {
  TPoint step{1, 1};
  const std::int64_t values = static_cast<std::int64_t>(std::max(width, 0)) * std::max(height, 0);
  if (limit < 1)
    limit = 1;
  while (values / (static_cast<std::int64_t>(step.X) * step.Y) > limit) {
    if (!rowsOnly)
      step.X += 1;
    step.Y += 1;
  }
  return step;
}

void BuildSurfaceMesh(TView3DState &s, const TDTV &dtv, bool transparency) {
  ClearMesh(s);
  const int w = dtv.Width();
  const int h = dtv.Height();
  const bool panorama = dtv.FHeader.Version == 4;
  s.SampleStep = MeshSampleStep(w, h, panorama, s.VertexLimit);
  s.MeshCols = w / s.SampleStep.X;
  s.MeshRows = h / s.SampleStep.Y;
  // A frame that is not all there (no pixels, or a raw buffer shorter than its header says) gives no
  // surface rather than a mesh read from outside the frame.
  if (s.MeshCols < 1 || s.MeshRows < 1 ||
      dtv.FRaw.size() < static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {
    s.MeshCols = 0;
    s.MeshRows = 0;
    s.MeshMegabytes = 0.0f;
    return;
  }

  s.MeshAspect = static_cast<double>(s.MeshRows) / s.MeshCols;
  if (panorama) {
    if (dtv.FAspect > 0.0)
      s.MeshAspect = 1.0 / dtv.FAspect;
  } else if (!dtv.FScanReconstructed) {
    s.MeshAspect = 0.84375;
  }
  // The wire grid needs a positive step; meshes narrower than 21 columns would get none.
  s.WireStepX = std::max(1, s.MeshCols / 21);
  s.WireStepY = std::max(1, static_cast<int>(RoundToInt32(s.WireStepX * s.MeshAspect)));
  s.CellWidth = s.MeshExtent / s.MeshCols;
  s.CellHeight = s.MeshExtent * s.MeshAspect / s.MeshRows;

  const std::size_t count = At(0, s.MeshRows, s.MeshCols);
  dtv.SubsampleHeightMap(s.MeshRaw, TPoint{s.MeshCols, s.MeshRows}, s.SampleStep);
  s.MeshRaw.resize(count);
  s.MeshVertices.assign(3 * count, 0.0f);
  s.MeshNormals.assign(3 * count, 0.0f);
  PreCalcVertexes(s);
  PreCalcNormalVectors(s.MeshVertices, s.MeshNormals, s.MeshCols, s.MeshRows);
  PreCalcIndices(s);

  s.MeshColors.assign(count, TTexel{});
  dtv.FillColorTexture(s.MeshColors, s.SampleStep, TPoint{s.MeshCols, s.MeshRows}, false);
  BypassZeroQuads(s.MeshColors, s.MeshCols, s.MeshRows);
  ApplyTransparency(s.MeshColors, transparency);

  // The colour bytes are counted with four bytes per element like the floats, as the figure always was.
  const double elements =
      static_cast<double>(s.MeshVertices.size() + 4 * s.MeshColors.size() + s.MeshNormals.size());
  s.MeshMegabytes = static_cast<float>(4.0 * elements / 1048576.0);
}

void PreCalcVertexes(TView3DState &s) {
  const int cols = s.MeshCols;
  const int rows = s.MeshRows;
  s.MeshVertices.resize(3 * At(0, rows, cols));
  for (int r = 0; r < rows; ++r) {
    const float y = static_cast<float>(s.MeshExtent * s.MeshAspect * (static_cast<double>(r) / rows - 0.5));
    for (int c = 0; c < cols; ++c) {
      const std::size_t v = At(c, r, cols);
      s.MeshVertices[3 * v] = static_cast<float>(-s.MeshExtent * (static_cast<double>(c) / cols - 0.5));
      s.MeshVertices[3 * v + 1] = y;
      s.MeshVertices[3 * v + 2] = v < s.MeshRaw.size() ? s.MeshRaw[v] / 65535.0f : 0.0f;
    }
  }
}

void PreCalcNormalVectors(const std::vector<float> &vertices, std::vector<float> &normals, int cols,
                          int rows) {
  const std::size_t count = At(0, rows, cols);
  if (vertices.size() < 3 * count)
    return;
  normals.resize(3 * count);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      const std::size_t i = At(c, r, cols);
      const TVec3 p = Vertex(vertices, i);
      const bool right = c<cols - 1, down = r<rows - 1, left = c> 0, up = r> 0;
      TVec3 sum{0.0f, 0.0f, 0.0f};
      if (right && down)
        sum = AddVec3(sum, TriangleNormal(p, Vertex(vertices, i + 1), Vertex(vertices, i + cols)));
      if (down && left)
        sum = AddVec3(sum, TriangleNormal(p, Vertex(vertices, i + cols), Vertex(vertices, i - 1)));
      if (left && up)
        sum = AddVec3(sum, TriangleNormal(p, Vertex(vertices, i - 1), Vertex(vertices, i - cols)));
      if (up && right)
        sum = AddVec3(sum, TriangleNormal(p, Vertex(vertices, i - cols), Vertex(vertices, i + 1)));
      TVec3 n = Vertex(normals, i);
      NormalizeVec3(TVec3{-sum[0], -sum[1], -sum[2]}, n);
      normals[3 * i] = n[0];
      normals[3 * i + 1] = n[1];
      normals[3 * i + 2] = n[2];
    }
  }
}

void PreCalcIndices(TView3DState &s) {
  const int cols = s.MeshCols;
  const int rows = s.MeshRows;
  s.MeshIndices.clear();
  if (cols < 1 || rows < 2)
    return;
  s.MeshIndices.resize(2 * static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows - 1));
  std::size_t k = 0;
  for (int r = 0; r + 1 < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      s.MeshIndices[k++] = static_cast<std::uint32_t>(At(c, r, cols));
      s.MeshIndices[k++] = static_cast<std::uint32_t>(At(c, r + 1, cols));
    }
  }
}

void BypassZeroQuads(std::vector<TTexel> &colors, int cols, int rows) {
  if (colors.size() < At(0, rows, cols))
    return;
  constexpr std::uint8_t kMark = 10;
  for (int r = 0; r + 1 < rows; ++r) {
    for (int c = 0; c + 1 < cols; ++c) {
      const std::size_t corners[4] = {At(c, r, cols), At(c + 1, r, cols), At(c, r + 1, cols),
                                      At(c + 1, r + 1, cols)};
      const bool empty = std::any_of(std::begin(corners), std::end(corners),
                                     [&](std::size_t i) { return colors[i].A == 0; });
      if (!empty)
        continue;
      for (std::size_t i : corners)
        if (colors[i].A != 0)
          colors[i].A = kMark;
    }
  }
  for (TTexel &t : colors)
    if (t.A == kMark)
      t.A = 0;
}

void ApplyTransparency(std::vector<TTexel> &colors, bool transparent) {
  const std::uint8_t from = transparent ? 255 : 128;
  const std::uint8_t to = transparent ? 128 : 255;
  for (TTexel &t : colors)
    if (t.A == from)
      t.A = to;
}

} // namespace calidarix
