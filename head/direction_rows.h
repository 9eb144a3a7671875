#pragma once
// Direction vectors of the stitcher and the per-pixel work on them, a row at a time: turning a row
// into the world frame of a frame, and the azimuth and elevation of every direction of a row.
//
// The row functions give exactly the values of the one-vector definitions (RotatedToFrame,
// AzimuthUnits, ElevationUnits); they only get there faster: the loops are plain enough for the
// compiler to run several pixels per instruction, and the arc tangent is estimated first and taken
// from the library only where the estimate lies too near a rounding boundary to decide.

#include "thermogram/angle_units.h"

#include <cstddef>
#include <cstdint>

namespace calidarix {

// Units (1/180 degree) per radian.
inline constexpr double kPanoK = kUnitsPerRadian;
// Length of a unit direction.
inline constexpr std::int16_t kDirLength = 32750;

// z forward along the optical axis, y up, x towards the left edge of the frame.
struct TDirVec {
  std::int16_t x = 0;
  std::int16_t y = 0;
  std::int16_t z = 0;
  friend bool operator==(const TDirVec &, const TDirVec &) = default;
};

// The head's turn of one frame: tilt by the vertical angle, the axes' non-orthogonality about the
// optical axis, then the pan by the horizontal angle. Each step is rounded as the stitcher rounds it.
struct TFrameRotation {
  double VerCos = 1.0, VerSin = 0.0;
  double NonOrthCos = 1.0, NonOrthSin = 0.0;
  double HorCos = 1.0, HorSin = 0.0;
};

// One direction turned into the frame's world frame.
TDirVec RotatedToFrame(const TDirVec &v, const TFrameRotation &r);
// The same for n directions; in and out may be the same row.
void RotateRowToFrame(const TDirVec *in, TDirVec *out, std::size_t n, const TFrameRotation &r);

// Round(atan2(-x, z) x K), -32400..32400, through the library's arc tangent.
std::int16_t AzimuthUnits(const TDirVec &v);
// The same for n directions.
void RowAzimuths(const TDirVec *v, std::size_t n, std::int16_t *azimuths);

// Round(arcsin(y / 32750) x K); components a rounding beyond the unit length count as the pole.
std::int16_t ElevationUnits(std::int16_t y);
// The same for the y components of n directions.
void RowElevations(const TDirVec *v, std::size_t n, std::int16_t *elevations);

} // namespace calidarix
