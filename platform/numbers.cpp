#include "platform/numbers.h"

#include <cmath>
#include <limits>

namespace calidarix {

namespace {

template <typename Int> Int GuardedTrunc(double v) {
  if (std::isnan(v))
    return 0;
  // The limits of the integer type as doubles: the upper one is exact for 32 bits and rounds up to
  // 2^63 for 64 bits, so compare with >= to stay inside the type.
  constexpr double lo = static_cast<double>(std::numeric_limits<Int>::min());
  constexpr double hi = static_cast<double>(std::numeric_limits<Int>::max());
  if (v <= lo)
    return std::numeric_limits<Int>::min();
  if (v >= hi)
    return std::numeric_limits<Int>::max();
  return static_cast<Int>(v);
}

} // namespace

double RoundHalfEven(double v) {
  if (!std::isfinite(v))
    return v;
  const double floor = std::floor(v);
  const double diff = v - floor;
  if (diff < 0.5)
    return floor;
  if (diff > 0.5)
    return floor + 1.0;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::int32_t TruncToInt32(double v) {
  return GuardedTrunc<std::int32_t>(std::trunc(v));
}
std::int64_t TruncToInt64(double v) {
  return GuardedTrunc<std::int64_t>(std::trunc(v));
}
std::int32_t RoundToInt32(double v) {
  return GuardedTrunc<std::int32_t>(RoundHalfEven(v));
}
std::int64_t RoundToInt64(double v) {
  return GuardedTrunc<std::int64_t>(RoundHalfEven(v));
}

std::uint16_t RoundToUInt16Clamped(double v) {
  if (std::isnan(v))
    return 0;
  const double r = RoundHalfEven(v);
  if (r <= 0.0)
    return 0;
  if (r >= 65535.0)
    return 65535;
  return static_cast<std::uint16_t>(r);
}

} // namespace calidarix
