// Frame reception from a network camera.
//
// - Finishing a received 320 x 480 frame (byte order, drift correction against the set-point, the
//   frame's range): the goal is 2 ms or less.
// - Receiving 320 x 480 frames from the simulated camera on loopback at the rate of a 100 Mbit/s
//   camera (at least 8,300 datagrams a second): no datagram may be lost.
// - The same with the camera sending as fast as it can (pacing 0): no more frames lost than the plain
//   receiver below with the same receive buffer, and at least 50,000 datagrams a second with no frame
//   lost. The plain receiver is the floor: it asks for a frame and reads its datagrams one blocking
//   call each into the frame's bytes, without the program's checks, repairs or time-out handling.
//
// The counters report the datagram rate achieved, the frames lost and the receive buffer the kernel
// granted.

#include "acquisition/camera_commands.h"
#include "acquisition/lan_link.h"
#include "acquisition/lan_reception.h"
#include "tests/sim/lan_camera_simulator.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

// The simulated camera sending 320 x 480 frames with `pacingMicros` between datagrams.
struct PacedCamera {
  explicit PacedCamera(int pacingMicros) : camera(Config()) {
    port = camera.Open().value_or(0);
    sim::LanCameraFaults faults;
    faults.datagramDelayMicros = pacingMicros;
    camera.SetFaults(faults);
    camera.Start();
  }
  static sim::LanCameraConfig Config() {
    sim::LanCameraConfig config;
    config.interfaceType = CamIfLan2;
    config.scanWidth = kWidth;
    return config;
  }

  sim::LanCameraSimulator camera;
  std::uint16_t port = 0;
};

// Counters shared by both receivers.
void Report(benchmark::State &state, const PacedCamera &camera, std::int64_t datagramsBefore,
            std::chrono::steady_clock::time_point start, std::int64_t frames, std::int64_t lost,
            int grantedBytes) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  state.counters["datagrams_per_s"] =
      static_cast<double>(camera.camera.DatagramsSent() - datagramsBefore) / seconds;
  state.counters["frames_lost"] = static_cast<double>(lost);
  state.counters["frames"] = static_cast<double>(frames);
  state.counters["rcvbuf_granted"] = grantedBytes;
}

// state.range(0): microseconds between datagrams (120: some 8,300 a second; 0: as fast as it goes).
void BM_ReceiveFrames320x480(benchmark::State &state) {
  PacedCamera camera(static_cast<int>(state.range(0)));
  TScanUnit unit;
  unit.CameraInterfaceType = CamIfLan2;
  unit.ScanWidth = kWidth;
  unit.ScanHeight = kHeight;
  unit.Speed = 2;
  unit.Sectors = 15;
  TScanRequests requests;
  TLanLink link;
  link.Connect("127.0.0.1", camera.port);
  TLanReceptionState reception;
  TLanTimings timings;
  timings.FrameTimeoutMs = 1000;
  std::int64_t lost = 0;
  std::int64_t frames = 0;
  const std::int64_t datagramsBefore = camera.camera.DatagramsSent();
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    TLanFrameContext context{unit, requests, link, reception, timings, {}, {}};
    const TFrameResult result = ReceiveLanFrame(context);
    lost += result.Kind != kFrameComplete;
    ++frames;
  }
  Report(state, camera, datagramsBefore, start, frames, lost, link.ReceiveBufferBytes());
  camera.camera.Stop();
}
BENCHMARK(BM_ReceiveFrames320x480)
    ->Arg(120)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(120)
    ->UseRealTime();

// The floor: a socket with the program's receive buffer, a frame request, and one blocking read per
// datagram into the frame's bytes; a read that waits a second loses the frame, and what is left of it
// is read away.
void BM_PlainReceiver320x480(benchmark::State &state) {
  PacedCamera camera(static_cast<int>(state.range(0)));
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  const int size = kLanReceiveBufferBytes;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  int granted = 0;
  socklen_t length = sizeof granted;
  getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &length);
  const timeval wait{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(camera.port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to);

  std::uint8_t request[64] = {};
  request[0] = 1; // frame request of type 256
  request[8] = kHeight & 0xFF;
  request[9] = static_cast<std::uint8_t>(2 | ((kHeight >> 6) & 0x7C)); // speed 2
  constexpr std::size_t kLineBytes = 2 * kWidth;
  constexpr int kDatagramsPerLine = static_cast<int>(kLineBytes / kLanDatagramSize) + 1;
  std::vector<std::uint8_t> frame((kHeight + 1) * kLineBytes + kLanDatagramSize);
  std::int64_t lost = 0;
  std::int64_t frames = 0;
  const std::int64_t datagramsBefore = camera.camera.DatagramsSent();
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    send(fd, request, sizeof request, 0);
    bool whole = true;
    for (int line = 0; whole && line <= kHeight; ++line)
      for (int k = 0; whole && k < kDatagramsPerLine; ++k)
        whole = recv(fd, frame.data() + line * kLineBytes + k * kLanLineBytesPerDatagram, kLanDatagramSize,
                     0) > 0;
    if (!whole) {
      ++lost;
      while (recv(fd, frame.data(), kLanDatagramSize, MSG_DONTWAIT) >= 0) {
      }
    }
    ++frames;
    benchmark::DoNotOptimize(frame.data());
  }
  Report(state, camera, datagramsBefore, start, frames, lost, granted);
  close(fd);
  camera.camera.Stop();
}
BENCHMARK(BM_PlainReceiver320x480)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(120)->UseRealTime();

} // namespace
