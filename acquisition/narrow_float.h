#pragma once
// Narrowing a double to single precision. A value beyond the float range would be undefined
// behaviour; it becomes the largest float of its sign instead, and NaN becomes 0.

#include <algorithm>
#include <cmath>
#include <limits>

namespace calidarix {

inline float NarrowToFloat(double v) {
  constexpr double limit = std::numeric_limits<float>::max();
  if (std::isnan(v))
    return 0.0f;
  return static_cast<float>(std::clamp(v, -limit, limit));
}

} // namespace calidarix
