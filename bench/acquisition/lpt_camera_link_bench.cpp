// The parallel-port grabbers on the simulated camera: the time a frame takes divided by the port
// operations it makes (reads and writes), that is the grabber's own overhead per operation plus the
// simulator's. A real port operation through the driver costs about a microsecond, so the goal is
// 1 us or less per operation.

#include "acquisition/lpt_camera_link.h"
#include "tests/sim/lpt_camera_simulator.h"

#include <benchmark/benchmark.h>

namespace {

using namespace calidarix;

void RunFrames(benchmark::State &state, int type) {
  sim::LptCameraConfig config;
  config.type = type;
  sim::LptCameraSimulator camera(config);
  TLptCamera link(camera, camera.Clock());
  TScanUnit unit;
  unit.CameraInterfaceType = type == 8 ? CamIfLptLevel : CamIfLpt;
  unit.FrameWidth = config.width;
  unit.FrameHeight = 120;
  unit.KLevel = 16.0;
  unit.VirLev = 10;
  TScanRequests requests;
  std::int32_t rows = 0;
  for (auto _ : state) {
    const TFrameResult result = type == 8 ? link.GrabFrameLptLevel(unit, requests, true, rows)
                                          : link.GrabFrameLpt(unit, requests, rows);
    if (result.Kind != 0)
      state.SkipWithError("frame failed");
    benchmark::DoNotOptimize(unit.FrameBuffer.data());
  }
  // Wall time per port operation, in seconds (printed with its SI prefix: "4n" is 4 ns).
  state.counters["time_per_port_op"] = benchmark::Counter(
      static_cast<double>(link.Operations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["port_ops_per_frame"] = static_cast<double>(link.Operations()) / state.iterations();
}

void BM_GrabFrameLpt(benchmark::State &state) {
  RunFrames(state, 16);
}
BENCHMARK(BM_GrabFrameLpt)->Unit(benchmark::kMillisecond);

void BM_GrabFrameLptLevel(benchmark::State &state) {
  RunFrames(state, 8);
}
BENCHMARK(BM_GrabFrameLptLevel)->Unit(benchmark::kMillisecond);

} // namespace
