// USB frame assembly on the simulated camera: request, status block, 480 lines of 640 pixels in
// 1280-byte blocks read through the pipe's packet queue, drift correction and extremes. The camera
// streams about 10 MB/s, so assembly must keep up with at least that (bytes_per_second >= 10M).

#include "acquisition/usb_camera_link.h"
#include "tests/sim/usb_camera_simulator.h"

#include <benchmark/benchmark.h>

namespace {

using namespace calidarix;

void BM_ReceiveUsbFrame(benchmark::State &state) {
  sim::UsbCameraConfig config;
  config.scanWidth = 640;
  config.scanHeight = 480;
  auto camera = std::make_shared<sim::UsbCameraSimulator>(config);
  TUsbConnection connection;
  if (!CameraUsbConnect(connection, camera)) {
    state.SkipWithError("no camera");
    return;
  }
  TUsbCameraLink link(*connection.FUsbPipe, [](int) {});
  TScanUnit unit;
  unit.CameraInterfaceType = CamIfUsb;
  unit.ScanWidth = 640;
  unit.ScanHeight = 480;
  unit.Speed = 2;
  unit.Sectors = 15;
  TScanRequests requests;
  TSectorTable table{};
  std::int32_t rows = 0;
  for (auto _ : state) {
    if (ReceiveUsbFrame(unit, requests, table, link, rows).Kind != 0)
      state.SkipWithError("frame failed");
    benchmark::DoNotOptimize(unit.FrameBuffer.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kUsbBlockSize) * (480 + 1));
}
BENCHMARK(BM_ReceiveUsbFrame)->Unit(benchmark::kMillisecond);

} // namespace
