#include "analysis/view3d_vectors.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace calidarix {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

} // namespace

TVec3 AddVec3(const TVec3 &a, const TVec3 &b) {
  return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}

TVec3 TriangleNormal(const TVec3 &p0, const TVec3 &p1, const TVec3 &p2) {
  const float ax = p1[0] - p0[0], ay = p1[1] - p0[1], az = p1[2] - p0[2];
  const float bx = p2[0] - p0[0], by = p2[1] - p0[1], bz = p2[2] - p0[2];
  const TVec3 n{ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx};
  const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (length == 0.0f)
    return n;
  return {n[0] / length, n[1] / length, n[2] / length};
}

void NormalizeVec3(const TVec3 &v, TVec3 &n) {
  const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (length == 0.0f)
    return;
  n = {v[0] / length, v[1] / length, v[2] / length};
}

void TurnVec3(TVec3 &v, double a, double b) {
  const double ca = std::cos(a * kDegree), sa = std::sin(a * kDegree);
  const double cb = std::cos(b * kDegree), sb = std::sin(b * kDegree);
  const double x = v[0], y = v[1], z = v[2];
  const double x1 = x * ca + y * sa;
  v[1] = static_cast<float>(x * sa + y * ca);
  v[0] = static_cast<float>(x1 * cb + z * sb);
  v[2] = static_cast<float>(z * cb + x1 * sb);
}

double SmoothStep(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

double SmoothStepRatio(int i, int n) {
  if (n <= 0 || i >= n)
    return 0.0;
  if (i <= 0)
    return 1.0;
  const double here = SmoothStep(static_cast<double>(i) / n);
  return (SmoothStep(static_cast<double>(i + 1) / n) - here) / here;
}

} // namespace calidarix
