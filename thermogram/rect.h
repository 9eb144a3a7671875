#pragma once
// Points and rectangles of 32-bit signed coordinates (image pixels or paint-box pixels, as each
// operation says). Whether Right and Bottom are included is stated by every operation that takes one.

#include <cstdint>

namespace calidarix {

struct TPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;

  friend bool operator==(const TPoint &, const TPoint &) = default;
};

struct TRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;

  friend bool operator==(const TRect &, const TRect &) = default;
};

} // namespace calidarix
