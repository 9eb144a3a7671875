#pragma once
// A frame decoded from a foreign file, held apart from the thermogram until the whole file has been
// read, so that a failed read leaves the thermogram as it was.

#include "thermogram/tdtv.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace calidarix {

struct DecodedFrame {
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  std::vector<std::uint16_t> Raw; // Width x Height, rows from the top
};

// A width or height from a file as a frame side: 1 .. 65535, nothing otherwise (the header field is
// 16 bits wide, and an empty frame cannot be shown or measured).
std::optional<std::uint16_t> FrameSide(std::uint64_t value);

// Replaces the thermogram's size and frame by the decoded ones and brings the statistics up to date.
void InstallFrame(TDTV &dtv, DecodedFrame &&frame);

} // namespace calidarix
