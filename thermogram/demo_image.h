#pragma once
// The demo image shown when a file is missing or the program starts without one.
//
// It is made in code, not read from anywhere: a smooth warm dome on a cooler surround. Each pixel is
// 65535 minus the mean of two raised cosines, one across the columns and one down the rows, so the
// centre (128, 124) is the full-scale value (100 degrees at the default Scale), the corners are near
// raw 0 (about 0 degrees) and the mid-points of the edges are half scale. The smooth gradient in two
// directions shows off every palette and gives the measurement tools something to measure.

#include <cstdint>
#include <vector>

namespace calidarix {

inline constexpr int kDemoImageWidth = 256;
inline constexpr int kDemoImageHeight = 248;

// The demo frame, row after row from the top.
std::vector<std::uint16_t> MakeDemoFrame();

} // namespace calidarix
