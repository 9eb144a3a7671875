#pragma once
// Angles in thermogram headers (extents, elevation) and panorama parameters are whole 1/180 degrees,
// "units": 64800 make a turn.

#include <numbers>

namespace calidarix {

inline constexpr double kUnitsPerRadian = 32400.0 / std::numbers::pi;
inline constexpr double kRadiansPerUnit = std::numbers::pi / 32400.0;

} // namespace calidarix
