// The head simulator as a program, for trying Calidarix by hand without a head:
//
//   head_simulator [--udp [HOST:]PORT] [--pty] [--type LETTER] [--move-ms N]
//
// With --udp it answers on a loopback UDP port (127.0.0.1:8080 unless given); start Calidarix with
// CALIDARIX_HEAD_ADDRESS=127.0.0.1:8080 and it finds the head there. With --pty it prints the path of a
// pseudo-terminal; give it to Calidarix as a serial port with CALIDARIX_SERIAL_PORTS=1=<path>. Without
// either option it serves UDP on 127.0.0.1:8080. It runs until interrupted.

#include "tests/sim/head_simulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
  stopRequested = 1;
}

int Usage() {
  std::fprintf(stderr, "usage: head_simulator [--udp [HOST:]PORT] [--pty] [--type LETTER] [--move-ms N]\n");
  return 2;
}

} // namespace

int main(int argc, char **argv) {
  bool pty = false;
  bool udp = false;
  std::string host = "127.0.0.1";
  int port = 8080;
  char type = 'M';
  int moveMs = 1500;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--pty") {
      pty = true;
    } else if (arg == "--udp") {
      udp = true;
      if (hasValue && argv[i + 1][0] != '-') {
        std::string value = argv[++i];
        const std::size_t colon = value.rfind(':');
        if (colon != std::string::npos) {
          host = value.substr(0, colon);
          value = value.substr(colon + 1);
        }
        port = std::atoi(value.c_str());
      }
    } else if (arg == "--type" && hasValue && std::strlen(argv[i + 1]) == 1) {
      type = argv[++i][0];
    } else if (arg == "--move-ms" && hasValue) {
      moveMs = std::atoi(argv[++i]);
    } else {
      return Usage();
    }
  }
  if (!pty && !udp)
    udp = true;
  if (port < 1 || port > 65535)
    return Usage();

  calidarix::sim::HeadSimulator head(type);
  head.SetMoveMs(moveMs);
  if (pty) {
    const std::string path = head.OpenPty();
    if (path.empty()) {
      std::fprintf(stderr, "head_simulator: no pseudo-terminal\n");
      return 1;
    }
    std::printf("pty: %s   (CALIDARIX_SERIAL_PORTS=1=%s)\n", path.c_str(), path.c_str());
  }
  if (udp) {
    const auto bound = head.OpenUdp(host, static_cast<std::uint16_t>(port));
    if (!bound) {
      std::fprintf(stderr, "head_simulator: cannot bind %s:%d (loopback addresses only)\n", host.c_str(),
                   port);
      return 1;
    }
    std::printf("udp: %s:%u   (CALIDARIX_HEAD_ADDRESS=%s:%u)\n", host.c_str(), *bound, host.c_str(), *bound);
  }
  std::printf("head type %c, moves take %d ms; Ctrl+C ends\n", type, moveMs);
  std::fflush(stdout);
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  head.Start();
  while (!stopRequested)
    ::usleep(100000);
  head.Stop();
  return 0;
}
