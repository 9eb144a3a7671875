// The row functions of the stitcher's directions give exactly the values of the plain formulas, on
// whatever vector instructions the processor picks for them.

#include "head/direction_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace calidarix {
namespace {

// Half-to-even rounding after every single turn, written out with the library's rounding.
std::int16_t Clamp16(double v) {
  return static_cast<std::int16_t>(std::clamp(std::nearbyint(v), -32768.0, 32767.0));
}

TDirVec ReferenceRotation(const TDirVec &v, const TFrameRotation &r) {
  const double y1 = std::nearbyint(v.y * r.VerCos + v.z * r.VerSin);
  const double z1 = std::nearbyint(-v.y * r.VerSin + v.z * r.VerCos);
  const double x2 = std::nearbyint(v.x * r.NonOrthCos + y1 * r.NonOrthSin);
  const double y2 = std::nearbyint(-v.x * r.NonOrthSin + y1 * r.NonOrthCos);
  return TDirVec{Clamp16(-z1 * r.HorSin + x2 * r.HorCos), Clamp16(y2),
                 Clamp16(z1 * r.HorCos + x2 * r.HorSin)};
}

TFrameRotation RotationOf(double ver, double nonOrth, double hor) {
  return TFrameRotation{std::cos(ver),     std::sin(ver), std::cos(nonOrth),
                        std::sin(nonOrth), std::cos(hor), std::sin(hor)};
}

std::vector<TDirVec> RandomDirections(std::mt19937 &rng, std::size_t n) {
  std::uniform_int_distribution<int> component(-32768, 32767);
  std::vector<TDirVec> v(n);
  for (TDirVec &d : v)
    d = TDirVec{static_cast<std::int16_t>(component(rng)), static_cast<std::int16_t>(component(rng)),
                static_cast<std::int16_t>(component(rng))};
  return v;
}

TEST(DirectionRows, RowRotationRoundsEveryTurnAsOneVectorDoes) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> angle(-std::numbers::pi, std::numbers::pi);
  for (int k = 0; k < 60; ++k) {
    const TFrameRotation r = RotationOf(angle(rng), angle(rng) / 50.0, angle(rng));
    // Lengths around the vector widths, so that every tail of the loop runs.
    const std::size_t n = k < 20 ? static_cast<std::size_t>(k + 1) : 997;
    const std::vector<TDirVec> in = RandomDirections(rng, n);
    std::vector<TDirVec> out(n);
    RotateRowToFrame(in.data(), out.data(), n, r);
    std::vector<TDirVec> inPlace = in;
    RotateRowToFrame(inPlace.data(), inPlace.data(), n, r);
    for (std::size_t i = 0; i < n; ++i) {
      const TDirVec expected = ReferenceRotation(in[i], r);
      ASSERT_EQ(out[i], expected) << "rotation " << k << " vector " << i;
      ASSERT_EQ(inPlace[i], expected) << "rotation " << k << " vector " << i;
      ASSERT_EQ(RotatedToFrame(in[i], r), expected);
    }
  }
  // An undefined angle gives zero vectors, as any conversion of an undefined value does.
  const TDirVec v{100, -200, 300};
  EXPECT_EQ(RotatedToFrame(v, RotationOf(std::nan(""), 0.0, 0.0)), TDirVec{});
}

TEST(DirectionRows, RowAzimuthsAreTheLibrarysRoundedArcTangent) {
  std::vector<TDirVec> v;
  // The axes and the half turn, where the sign of a zero component decides between +-180 degrees.
  for (const std::int16_t a : {std::int16_t{0}, std::int16_t{1}, std::int16_t{-1}, std::int16_t{32767},
                               std::int16_t{-32768}, kDirLength})
    for (const std::int16_t b : {std::int16_t{0}, std::int16_t{1}, std::int16_t{-1}, std::int16_t{32767},
                                 std::int16_t{-32768}, kDirLength})
      v.push_back(TDirVec{a, 0, b});
  // A grid over every component pair, and random directions.
  for (int x = -32768; x <= 32767; x += 97)
    for (int z = -32768; z <= 32767; z += 89)
      v.push_back(TDirVec{static_cast<std::int16_t>(x), 0, static_cast<std::int16_t>(z)});
  std::mt19937 rng(11);
  const std::vector<TDirVec> random = RandomDirections(rng, 1'000'000);
  v.insert(v.end(), random.begin(), random.end());

  std::vector<std::int16_t> az(v.size());
  RowAzimuths(v.data(), v.size(), az.data());
  std::size_t nearHalf = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    ASSERT_EQ(az[i], AzimuthUnits(v[i])) << v[i].x << " " << v[i].z;
    const double exact = std::atan2(-static_cast<double>(v[i].x), static_cast<double>(v[i].z)) * kPanoK;
    if (std::fabs(std::fabs(exact - std::trunc(exact)) - 0.5) < 1e-3)
      ++nearHalf;
  }
  // Directions whose angle lies within a thousandth of a unit of halfway were among them.
  EXPECT_GT(nearHalf, 100u);
  EXPECT_EQ(AzimuthUnits(TDirVec{0, 0, -100}), -32400);
  EXPECT_EQ(AzimuthUnits(TDirVec{-1, 0, -32768}), 32400);
  EXPECT_EQ(AzimuthUnits(TDirVec{-100, 0, 0}), 16200);
}

TEST(DirectionRows, RowElevationsAreTheRoundedArcSine) {
  std::vector<TDirVec> v;
  for (int y = -32768; y <= 32767; ++y)
    v.push_back(TDirVec{0, static_cast<std::int16_t>(y), 0});
  std::vector<std::int16_t> el(v.size());
  RowElevations(v.data(), v.size(), el.data());
  for (std::size_t i = 0; i < v.size(); ++i) {
    const double s = std::clamp(static_cast<double>(v[i].y) / kDirLength, -1.0, 1.0);
    ASSERT_EQ(el[i], static_cast<std::int16_t>(std::nearbyint(std::asin(s) * kPanoK))) << v[i].y;
    ASSERT_EQ(ElevationUnits(v[i].y), el[i]);
  }
}

} // namespace
} // namespace calidarix
