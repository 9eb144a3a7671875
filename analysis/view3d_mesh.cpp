#include "analysis/view3d_mesh.h"

#include "platform/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace calidarix {

namespace {

std::size_t At(int c, int r, int cols) {
  return static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c);
}

// The positions of a cols x rows grid, one coordinate to an array.
struct TMeshPlanes {
  const float *x;
  const float *y;
  const float *z;
  int cols;
  int rows;
};

// The normal of triangle (p, p + a, p + b) from its two edges, divided by its length unless that is 0:
// TriangleNormal, operation for operation, kept inline for the loop over all vertices.
inline void AddTriangleNormal(float ax, float ay, float az, float bx, float by, float bz, float &sx,
                              float &sy, float &sz) {
  float nx = ay * bz - az * by;
  float ny = az * bx - ax * bz;
  float nz = ax * by - ay * bx;
  const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (length != 0.0f) {
    nx = nx / length;
    ny = ny / length;
    nz = nz / length;
  }
  sx = sx + nx;
  sy = sy + ny;
  sz = sz + nz;
}

// The normal of vertex (c, r): the negated, normalised sum of the normals of the triangles around it,
// in the order right-down, down-left, left-up, up-right; left as it was when the sum is zero.
void VertexNormal(const TMeshPlanes &m, int c, int r, std::vector<float> &normals) {
  const std::size_t i = At(c, r, m.cols);
  const float px = m.x[i], py = m.y[i], pz = m.z[i];
  const auto edge = [&](std::size_t j, float &ex, float &ey, float &ez) {
    ex = m.x[j] - px;
    ey = m.y[j] - py;
    ez = m.z[j] - pz;
  };
  const std::size_t cols = static_cast<std::size_t>(m.cols);
  const bool right = c<m.cols - 1, down = r<m.rows - 1, left = c> 0, up = r> 0;
  float rx = 0, ry = 0, rz = 0, dx = 0, dy = 0, dz = 0, lx = 0, ly = 0, lz = 0, ux = 0, uy = 0, uz = 0;
  if (right)
    edge(i + 1, rx, ry, rz);
  if (down)
    edge(i + cols, dx, dy, dz);
  if (left)
    edge(i - 1, lx, ly, lz);
  if (up)
    edge(i - cols, ux, uy, uz);
  float sx = 0.0f, sy = 0.0f, sz = 0.0f;
  if (right && down)
    AddTriangleNormal(rx, ry, rz, dx, dy, dz, sx, sy, sz);
  if (down && left)
    AddTriangleNormal(dx, dy, dz, lx, ly, lz, sx, sy, sz);
  if (left && up)
    AddTriangleNormal(lx, ly, lz, ux, uy, uz, sx, sy, sz);
  if (up && right)
    AddTriangleNormal(ux, uy, uz, rx, ry, rz, sx, sy, sz);
  const float vx = -sx, vy = -sy, vz = -sz;
  const float length = std::sqrt(vx * vx + vy * vy + vz * vz);
  if (length == 0.0f)
    return;
  normals[3 * i] = vx / length;
  normals[3 * i + 1] = vy / length;
  normals[3 * i + 2] = vz / length;
}

#if defined(__SSE2__)
// Four vertices at a time, with each length's reciprocal multiplied in instead of three divisions by
// it: each unit vector's components are then off by about 1e-7. Summed over four triangles and
// divided by the sum's length, that stays under 5e-7 while the sum is at least 2 long, as it is
// wherever the surface is not folded sharply; a vertex with a shorter sum is worked out one by one
// with the divisions.
struct TLanes {
  __m128 x, y, z;
};

inline TLanes LoadEdge(const TMeshPlanes &m, std::size_t j, const TLanes &p) {
  return {_mm_sub_ps(_mm_loadu_ps(m.x + j), p.x), _mm_sub_ps(_mm_loadu_ps(m.y + j), p.y),
          _mm_sub_ps(_mm_loadu_ps(m.z + j), p.z)};
}

inline __m128 Length(const TLanes &n) {
  return _mm_sqrt_ps(
      _mm_add_ps(_mm_add_ps(_mm_mul_ps(n.x, n.x), _mm_mul_ps(n.y, n.y)), _mm_mul_ps(n.z, n.z)));
}

// Lanes of a vector divided by their length; the lanes of length 0 are marked in `zero`.
inline TLanes Normalised(const TLanes &n, __m128 &zero) {
  const __m128 length = Length(n);
  zero = _mm_cmpeq_ps(length, _mm_setzero_ps());
  const __m128 inverse = _mm_div_ps(_mm_set1_ps(1.0f), length);
  return {_mm_mul_ps(n.x, inverse), _mm_mul_ps(n.y, inverse), _mm_mul_ps(n.z, inverse)};
}

inline __m128 Choose(__m128 mask, __m128 ifSet, __m128 ifClear) {
  return _mm_or_ps(_mm_and_ps(mask, ifSet), _mm_andnot_ps(mask, ifClear));
}

inline void AddTriangleNormals(const TLanes &a, const TLanes &b, TLanes &sum) {
  const TLanes n{_mm_sub_ps(_mm_mul_ps(a.y, b.z), _mm_mul_ps(a.z, b.y)),
                 _mm_sub_ps(_mm_mul_ps(a.z, b.x), _mm_mul_ps(a.x, b.z)),
                 _mm_sub_ps(_mm_mul_ps(a.x, b.y), _mm_mul_ps(a.y, b.x))};
  __m128 zero;
  const TLanes unit = Normalised(n, zero);
  sum.x = _mm_add_ps(sum.x, Choose(zero, n.x, unit.x));
  sum.y = _mm_add_ps(sum.y, Choose(zero, n.y, unit.y));
  sum.z = _mm_add_ps(sum.z, Choose(zero, n.z, unit.z));
}

// The normals of the inner vertices of inner row r from column 1, four at a time, while four fit
// before the last column. Returns how many columns were done.
int InnerNormals(const TMeshPlanes &m, int r, std::vector<float> &normals) {
  const std::size_t cols = static_cast<std::size_t>(m.cols);
  const __m128 sign = _mm_set1_ps(-0.0f);
  int done = 0;
  for (int c = 1; c + 4 <= m.cols - 1; c += 4, done += 4) {
    const std::size_t i = At(c, r, m.cols);
    const TLanes p{_mm_loadu_ps(m.x + i), _mm_loadu_ps(m.y + i), _mm_loadu_ps(m.z + i)};
    const TLanes right = LoadEdge(m, i + 1, p);
    const TLanes down = LoadEdge(m, i + cols, p);
    const TLanes left = LoadEdge(m, i - 1, p);
    const TLanes up = LoadEdge(m, i - cols, p);
    TLanes sum{_mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps()};
    AddTriangleNormals(right, down, sum);
    AddTriangleNormals(down, left, sum);
    AddTriangleNormals(left, up, sum);
    AddTriangleNormals(up, right, sum);
    const TLanes v{_mm_xor_ps(sum.x, sign), _mm_xor_ps(sum.y, sign), _mm_xor_ps(sum.z, sign)};
    __m128 zero;
    const TLanes n = Normalised(v, zero);
    // Short sums (a zero one too, and a not-a-number) go the exact way.
    const __m128 shortSum = _mm_cmpnge_ps(Length(sum), _mm_set1_ps(2.0f));
    alignas(16) float nx[4], ny[4], nz[4];
    _mm_store_ps(nx, n.x);
    _mm_store_ps(ny, n.y);
    _mm_store_ps(nz, n.z);
    const int exact = _mm_movemask_ps(shortSum);
    for (int k = 0; k < 4; ++k) {
      if ((exact >> k) & 1) {
        VertexNormal(m, c + k, r, normals);
        continue;
      }
      float *out = &normals[3 * (i + static_cast<std::size_t>(k))];
      out[0] = nx[k];
      out[1] = ny[k];
      out[2] = nz[k];
    }
  }
  return done;
}
#else
int InnerNormals(const TMeshPlanes &, int, std::vector<float> &) {
  return 0;
}
#endif

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
  // Every row has the same x positions; worked out once per column.
  std::vector<float> xs(static_cast<std::size_t>(std::max(cols, 0)));
  for (int c = 0; c < cols; ++c)
    xs[static_cast<std::size_t>(c)] =
        static_cast<float>(-s.MeshExtent * (static_cast<double>(c) / cols - 0.5));
  const std::size_t heights = s.MeshRaw.size();
  float *out = s.MeshVertices.data();
  for (int r = 0; r < rows; ++r) {
    const float y = static_cast<float>(s.MeshExtent * s.MeshAspect * (static_cast<double>(r) / rows - 0.5));
    const std::size_t first = At(0, r, cols);
    for (std::size_t c = 0; c < xs.size(); ++c) {
      const std::size_t v = first + c;
      out[3 * v] = xs[c];
      out[3 * v + 1] = y;
      out[3 * v + 2] = v < heights ? s.MeshRaw[v] / 65535.0f : 0.0f;
    }
  }
}

void PreCalcNormalVectors(const std::vector<float> &vertices, std::vector<float> &normals, int cols,
                          int rows) {
  const std::size_t count = At(0, rows, cols);
  if (vertices.size() < 3 * count)
    return;
  normals.resize(3 * count);
  // The positions one coordinate to an array, so that four neighbouring vertices load at once.
  const std::unique_ptr<float[]> planes(new float[3 * count]); // every element is written below
  float *const xs = planes.get();
  float *const ys = xs + count;
  float *const zs = ys + count;
  for (std::size_t i = 0; i < count; ++i) {
    xs[i] = vertices[3 * i];
    ys[i] = vertices[3 * i + 1];
    zs[i] = vertices[3 * i + 2];
  }
  const TMeshPlanes mesh{xs, ys, zs, cols, rows};
  for (int r = 0; r < rows; ++r) {
    const bool inner = r > 0 && r + 1 < rows;
    int c = 0;
    if (inner && cols > 2) {
      // The first column on its own, then the inner columns four at a time, the rest one by one.
      VertexNormal(mesh, 0, r, normals);
      c = 1 + InnerNormals(mesh, r, normals);
    }
    for (; c < cols; ++c)
      VertexNormal(mesh, c, r, normals);
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
  // Most frames have no empty pixel at all: one look at every alpha settles that.
  if (std::none_of(colors.begin(), colors.begin() + static_cast<std::ptrdiff_t>(At(0, rows, cols)),
                   [](const TTexel &t) { return t.A == 0; }))
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
