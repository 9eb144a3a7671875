#pragma once
// The head operations the head-link fuzz targets run after the handshake: up to four, each chosen by
// two bits of `steps`, for as long as the link stays up.

#include "head/head_link.h"

#include <cstdint>

namespace calidarix::fuzz {

inline void RunHeadLinkSteps(tQor &link, std::uint8_t steps) {
  for (int i = 0; i < 4 && link.FConnected; ++i) {
    switch ((steps >> (2 * i)) & 3) {
    case 0:
      (void)link.CheckDone();
      break;
    case 1:
      (void)link.WaitDone(-1);
      break;
    case 2:
      link.RequestCounters(i % 2 == 0);
      break;
    default:
      (void)link.Identify();
      break;
    }
  }
}

} // namespace calidarix::fuzz
