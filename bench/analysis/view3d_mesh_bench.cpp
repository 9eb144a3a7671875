// Building the 3-D view's surface mesh of a 640 x 480 thermogram (sampled to 320 x 240 vertices at the
// default vertex limit): positions, normals, indices, colours and hidden quads. Goal: 20 ms or less.

#include "analysis/view3d_mesh.h"
#include "thermogram/thermogram_globals.h"

#include <benchmark/benchmark.h>

#include <cmath>

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

} // namespace
