#include "head/direction_rows.h"

#include "platform/numbers.h"
#include "thermogram/vector_clones.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace calidarix {

namespace {

constexpr double kPi = std::numbers::pi;

// Every value rounded here is far below 2^51 in size, so adding and removing 2^52 rounds it half to
// even without the range test of RoundHalfEven, which keeps the row loops free of branches.
inline double RoundSmall(double v) {
  constexpr double kTwoPow52 = 4503599627370496.0;
  const double shift = std::copysign(kTwoPow52, v);
  return std::copysign((v + shift) - shift, v);
}

// A rounded value into 16 bits, saturating; NaN, which only a rotation by an undefined angle gives,
// becomes 0 as in every other conversion of the program.
inline std::int16_t Saturated16(double rounded) {
  const double inRange = std::isnan(rounded) ? 0.0 : std::clamp(rounded, -32768.0, 32767.0);
  return static_cast<std::int16_t>(static_cast<std::int32_t>(inRange));
}

inline TDirVec Rotate(const TDirVec &v, const TFrameRotation &r) {
  const double y = v.y, z = v.z, x = v.x;
  const double y1 = RoundSmall(y * r.VerCos + z * r.VerSin);
  const double z1 = RoundSmall(-y * r.VerSin + z * r.VerCos);
  const double x2 = RoundSmall(x * r.NonOrthCos + y1 * r.NonOrthSin);
  const double y2 = RoundSmall(-x * r.NonOrthSin + y1 * r.NonOrthCos);
  return TDirVec{Saturated16(RoundSmall(-z1 * r.HorSin + x2 * r.HorCos)), Saturated16(y2),
                 Saturated16(RoundSmall(z1 * r.HorCos + x2 * r.HorSin))};
}

// atan2(-x, z) x K estimated without the library. The angle is brought into 0..pi/4 by the octant
// (smaller over larger component), and above tan(pi/8) into -tan(pi/8)..0 by atan(t) = pi/4 +
// atan((t - 1) / (t + 1)). There the arc tangent's series u - u^3/3 + ... - u^15/15 + u^17/17 is
// short of the true value by at most the first term left out, |u|^19/19 < 2.9e-9 radians, or 3e-5
// units; the arithmetic adds far less. A component of 0 has the sign atan2 sees: -x of x = 0 is -0.
constexpr double kTanEighthPi = 0.41421356237309503;
constexpr std::size_t kChunk = 256;

CALIDARIX_VECTOR_CLONES
void EstimateAzimuths(const TDirVec *v, std::size_t n, double *estimates) {
  for (std::size_t i = 0; i < n; ++i) {
    const double a = -static_cast<double>(v[i].x);
    const double b = static_cast<double>(v[i].z);
    const double ax = std::fabs(a);
    const double bx = std::fabs(b);
    const double hi = std::max(ax, bx);
    const double lo = std::min(ax, bx);
    const bool shifted = lo > kTanEighthPi * hi;
    // The denominator is a whole number, 0 only when both components are: the angle is then 0.
    const double u = (shifted ? lo - hi : lo) / std::max(shifted ? lo + hi : hi, 1.0);
    const double s = u * u;
    double p = 1.0 / 17.0;
    p = p * s - 1.0 / 15.0;
    p = p * s + 1.0 / 13.0;
    p = p * s - 1.0 / 11.0;
    p = p * s + 1.0 / 9.0;
    p = p * s - 1.0 / 7.0;
    p = p * s + 1.0 / 5.0;
    p = p * s - 1.0 / 3.0;
    p = p * s + 1.0;
    double angle = u * p + (shifted ? kPi / 4.0 : 0.0);
    angle = ax > bx ? kPi / 2.0 - angle : angle;
    angle = b < 0.0 ? kPi - angle : angle;
    estimates[i] = std::copysign(angle, a) * kPanoK;
  }
}

// An estimate this close to halfway between two whole units is settled by the library: the estimate
// is within 3e-5 units of the true angle, the library's result far closer still.
constexpr double kUndecided = 1e-3;

} // namespace

TDirVec RotatedToFrame(const TDirVec &v, const TFrameRotation &r) {
  return Rotate(v, r);
}

CALIDARIX_VECTOR_CLONES
void RotateRowToFrame(const TDirVec *in, TDirVec *out, std::size_t n, const TFrameRotation &r) {
  for (std::size_t i = 0; i < n; ++i)
    out[i] = Rotate(in[i], r);
}

std::int16_t AzimuthUnits(const TDirVec &v) {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(
      RoundToInt32(std::atan2(-static_cast<double>(v.x), static_cast<double>(v.z)) * kPanoK), -32768, 32767));
}

void RowAzimuths(const TDirVec *v, std::size_t n, std::int16_t *azimuths) {
  std::array<double, kChunk> estimates;
  for (std::size_t start = 0; start < n; start += kChunk) {
    const std::size_t count = std::min(kChunk, n - start);
    EstimateAzimuths(v + start, count, estimates.data());
    for (std::size_t i = 0; i < count; ++i) {
      const double e = estimates[i];
      const double rounded = RoundSmall(e);
      azimuths[start + i] =
          std::fabs(e - rounded) < 0.5 - kUndecided ? Saturated16(rounded) : AzimuthUnits(v[start + i]);
    }
  }
}

namespace {

// Every 16-bit component's elevation, made on first use.
const std::array<std::int16_t, 65536> &ElevationTable() {
  static const std::array<std::int16_t, 65536> table = [] {
    std::array<std::int16_t, 65536> t{};
    for (std::int32_t c = -32768; c <= 32767; ++c) {
      const double s = std::clamp(static_cast<double>(c) / kDirLength, -1.0, 1.0);
      t[static_cast<std::size_t>(c + 32768)] = static_cast<std::int16_t>(
          std::clamp<std::int32_t>(RoundToInt32(std::asin(s) * kPanoK), -32768, 32767));
    }
    return t;
  }();
  return table;
}

} // namespace

std::int16_t ElevationUnits(std::int16_t y) {
  return ElevationTable()[static_cast<std::size_t>(std::int32_t{y} + 32768)];
}

void RowElevations(const TDirVec *v, std::size_t n, std::int16_t *elevations) {
  const std::array<std::int16_t, 65536> &table = ElevationTable();
  for (std::size_t i = 0; i < n; ++i)
    elevations[i] = table[static_cast<std::size_t>(std::int32_t{v[i].y} + 32768)];
}

} // namespace calidarix
