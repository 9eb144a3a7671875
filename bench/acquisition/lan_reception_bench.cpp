// Frame reception from a network camera.
//
// - Finishing a received 320 x 480 frame (byte order, drift correction against the set-point, the
//   frame's range): the goal is 2 ms or less.
// - Receiving 320 x 480 frames from the simulated camera on loopback at the rate of a 100 Mbit/s
//   camera (at least 8,300 datagrams a second): no datagram may be lost. The counters report the
//   datagram rate achieved and the frames lost.

#include "acquisition/camera_commands.h"
#include "acquisition/lan_link.h"
#include "acquisition/lan_reception.h"
#include "tests/sim/lan_camera_simulator.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>

namespace {

using namespace calidarix;

constexpr int kWidth = 320;
constexpr int kHeight = 480;

void BM_FinishFrame320x480(benchmark::State &state) {
  TScanUnit unit;
  unit.CameraInterfaceType = CamIfLan2;
  unit.FrameWidth = kWidth;
  unit.FrameHeight = kHeight;
  unit.PixelsBigEndian = true;
  unit.Set = {2500, 0, 0};
  std::vector<std::uint16_t> received(static_cast<std::size_t>(kWidth) * kHeight);
  for (std::size_t i = 0; i < received.size(); ++i) {
    const auto v = static_cast<std::uint16_t>(2000 + (i * 37) % 3000);
    received[i] = static_cast<std::uint16_t>((v << 8) | (v >> 8)); // as a big-endian camera stores it
  }
  for (auto _ : state) {
    state.PauseTiming();
    unit.FrameBuffer = received;
    unit.BlindSignal = 3000;
    state.ResumeTiming();
    benchmark::DoNotOptimize(FinishFrame(unit, kHeight, true, true));
    benchmark::DoNotOptimize(unit.FrameMax);
  }
}
BENCHMARK(BM_FinishFrame320x480)->Unit(benchmark::kMicrosecond);

// state.range(0): microseconds between datagrams (120: some 8,300 a second; 0: as fast as it goes).
void BM_ReceiveFrames320x480(benchmark::State &state) {
  sim::LanCameraConfig config;
  config.interfaceType = CamIfLan2;
  config.scanWidth = kWidth;
  sim::LanCameraSimulator camera(config);
  const std::uint16_t port = camera.Open().value_or(0);
  sim::LanCameraFaults faults;
  faults.datagramDelayMicros = static_cast<int>(state.range(0));
  camera.SetFaults(faults);
  camera.Start();

  TScanUnit unit;
  unit.CameraInterfaceType = config.interfaceType;
  unit.ScanWidth = kWidth;
  unit.ScanHeight = kHeight;
  unit.Speed = 2;
  unit.Sectors = 15;
  TScanRequests requests;
  TLanLink link;
  link.Connect("127.0.0.1", port);
  TLanReceptionState reception;
  TLanTimings timings;
  timings.FrameTimeoutMs = 1000;
  std::int64_t lost = 0;
  std::int64_t frames = 0;
  const std::int64_t datagramsBefore = camera.DatagramsSent();
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    TLanFrameContext context{unit, requests, link, reception, timings, {}, {}};
    const TFrameResult result = ReceiveLanFrame(context);
    lost += result.Kind != kFrameComplete;
    ++frames;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  state.counters["datagrams_per_s"] = static_cast<double>(camera.DatagramsSent() - datagramsBefore) / seconds;
  state.counters["frames_lost"] = static_cast<double>(lost);
  state.counters["frames"] = static_cast<double>(frames);
  camera.Stop();
}
BENCHMARK(BM_ReceiveFrames320x480)
    ->Arg(120)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->UseRealTime();

} // namespace
