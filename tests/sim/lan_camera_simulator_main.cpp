// The network camera simulator as a program, for trying Calidarix by hand without a camera:
//
//   lan_camera_simulator [--port N] [--type T] [--width W] [--little-endian] [--camera N]
//                        [--datagram-us N] [--loss RATE] [--short-last]
//
// It answers frame requests on 127.0.0.1 (port 7007 unless given; the camera's own port 7 needs
// root). Point the program's camera address at 127.0.0.1 and its camera port at the one given. It
// runs until interrupted.

#include "tests/sim/lan_camera_simulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
  stopRequested = 1;
}

} // namespace

int main(int argc, char **argv) {
  calidarix::sim::LanCameraConfig config;
  calidarix::sim::LanCameraFaults faults;
  int port = 7007;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--port" && hasValue) {
      port = std::atoi(argv[++i]);
    } else if (arg == "--type" && hasValue) {
      config.interfaceType = std::atoi(argv[++i]);
    } else if (arg == "--width" && hasValue) {
      config.scanWidth = std::atoi(argv[++i]);
    } else if (arg == "--camera" && hasValue) {
      config.cameraNo = std::atoi(argv[++i]);
    } else if (arg == "--little-endian") {
      config.bigEndian = false;
    } else if (arg == "--short-last") {
      config.shortLastDatagram = true;
    } else if (arg == "--datagram-us" && hasValue) {
      faults.datagramDelayMicros = std::atoi(argv[++i]);
    } else if (arg == "--loss" && hasValue) {
      faults.lossRate = std::atof(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: lan_camera_simulator [--port N] [--type T] [--width W] [--little-endian] "
                           "[--camera N] [--datagram-us N] [--loss RATE] [--short-last]\n");
      return 2;
    }
  }
  if (port <= 0 || port > 65535)
    return 2;
  calidarix::sim::LanCameraSimulator camera(config);
  camera.SetFaults(faults);
  const auto bound = camera.Open("127.0.0.1", static_cast<std::uint16_t>(port));
  if (!bound) {
    std::fprintf(stderr, "cannot bind 127.0.0.1:%d\n", port);
    return 1;
  }
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  camera.Start();
  std::printf("camera on 127.0.0.1:%u\n", static_cast<unsigned>(*bound));
  std::fflush(stdout);
  while (!stopRequested)
    pause();
  camera.Stop();
  return 0;
}
