// Building the 3-D view's surface mesh of a 640 x 480 thermogram (sampled to 320 x 240 vertices at the
// default vertex limit): positions, normals, indices, colours and hidden quads. Beside it, the floor:
// a plain loop that writes the same arrays for the same frame (every second pixel of every second row
// as a position, a unit normal from the neighbouring heights, two strip indices and an RGBA colour
// from the palette), as any caller without the view's state must. Goal: the mesh at or under 3x it.

#include "analysis/view3d_mesh.h"
#include "thermogram/thermogram_globals.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using namespace calidarix;

void MakeFrame(TDTV &dtv, int w, int h) {
  dtv.ResetHeader();
  dtv.FHeader.Width = static_cast<std::uint16_t>(w);
  dtv.FHeader.Height = static_cast<std::uint16_t>(h);
  dtv.FRaw.resize(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      dtv.FRaw[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] =
          static_cast<std::uint16_t>(30000.0 + 20000.0 * std::sin(x / 90.0) * std::cos(y / 70.0));
  dtv.PalBottom = 0;
  dtv.PalTop = 255;
}

void BM_BuildSurfaceMesh640x480(benchmark::State &state) {
  TDTV dtv;
  MakeFrame(dtv, 640, 480);
  TView3DState view;
  for (auto _ : state) {
    BuildSurfaceMesh(view, dtv, false);
    benchmark::DoNotOptimize(view.MeshNormals.data());
  }
  state.counters["vertices"] = static_cast<double>(view.MeshCols) * view.MeshRows;
  ResetThermogramGlobals();
}
BENCHMARK(BM_BuildSurfaceMesh640x480)->Unit(benchmark::kMillisecond);

void BM_MeshFloorPlainLoop640x480(benchmark::State &state) {
  TDTV dtv;
  MakeFrame(dtv, 640, 480);
  constexpr int kStep = 2;
  const int cols = dtv.Width() / kStep;
  const int rows = dtv.Height() / kStep;
  const std::size_t count = static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows);
  std::vector<float> vertices;
  std::vector<float> normals;
  std::vector<std::uint32_t> indices;
  std::vector<TTexel> colours;
  std::vector<float> heights(count);
  for (auto _ : state) {
    vertices.assign(3 * count, 0.0f);
    normals.assign(3 * count, 0.0f);
    indices.assign(2 * static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows - 1), 0);
    colours.assign(count, TTexel{});
    for (int r = 0; r < rows; ++r) {
      const std::uint16_t *row = dtv.FRaw.data() + static_cast<std::size_t>(r) * kStep * dtv.Width();
      const float y = 2.0f * (static_cast<float>(r) / rows - 0.5f);
      for (int c = 0; c < cols; ++c) {
        const std::size_t i = static_cast<std::size_t>(r) * cols + static_cast<std::size_t>(c);
        const std::uint16_t raw = row[c * kStep];
        heights[i] = raw / 65535.0f;
        vertices[3 * i] = -2.0f * (static_cast<float>(c) / cols - 0.5f);
        vertices[3 * i + 1] = y;
        vertices[3 * i + 2] = heights[i];
        const TRGB colour = dtv.FPalette[raw >> 8];
        colours[i] = TTexel{colour.R, colour.G, colour.B, static_cast<std::uint8_t>(raw == 0 ? 0 : 255)};
      }
    }
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < cols; ++c) {
        const std::size_t i = static_cast<std::size_t>(r) * cols + static_cast<std::size_t>(c);
        const float dx = heights[c + 1 < cols ? i + 1 : i] - heights[c > 0 ? i - 1 : i];
        const float dy = heights[r + 1 < rows ? i + cols : i] - heights[r > 0 ? i - cols : i];
        const float length = std::sqrt(dx * dx + dy * dy + 1.0f);
        normals[3 * i] = dx / length;
        normals[3 * i + 1] = dy / length;
        normals[3 * i + 2] = -1.0f / length;
      }
    }
    std::size_t k = 0;
    for (int r = 0; r + 1 < rows; ++r) {
      for (int c = 0; c < cols; ++c) {
        indices[k++] = static_cast<std::uint32_t>(r * cols + c);
        indices[k++] = static_cast<std::uint32_t>((r + 1) * cols + c);
      }
    }
    benchmark::DoNotOptimize(vertices.data());
    benchmark::DoNotOptimize(normals.data());
    benchmark::DoNotOptimize(indices.data());
    benchmark::DoNotOptimize(colours.data());
  }
  state.counters["vertices"] = static_cast<double>(count);
}
BENCHMARK(BM_MeshFloorPlainLoop640x480)->Unit(benchmark::kMillisecond);

} // namespace
