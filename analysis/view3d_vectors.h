#pragma once
// Small vector helpers of the 3-D view: three-float vectors for positions and normals, the triangle
// normal of the surface, the fly-mode steering turn and the smooth easing of the animated transitions.

#include <array>

namespace calidarix {

using TVec3 = std::array<float, 3>;

TVec3 AddVec3(const TVec3 &a, const TVec3 &b);

// (p1 - p0) x (p2 - p0) divided by its length; the zero product when the triangle is degenerate.
TVec3 TriangleNormal(const TVec3 &p0, const TVec3 &p1, const TVec3 &p2);

// v / |v| into n; n is left as it was when v is the zero vector.
void NormalizeVec3(const TVec3 &v, TVec3 &n);

// Fly-mode steering, angles in degrees, in place: x1 = x cos a + y sin a, y' = x sin a + y cos a,
// x' = x1 cos b + z sin b, z' = z cos b + x1 sin b. Every term is added, so the map is symmetric and not
// a rotation; the steering has always turned this way.
void TurnVec3(TVec3 &v, double a, double b);

// t^2 (3 - 2t) with t clamped to [0, 1].
double SmoothStep(double t);

// The share of the remaining way that step i of n covers when a value eases towards its target with
// steps counted down from n - 1 to 1: (SmoothStep((i + 1) / n) - SmoothStep(i / n)) / SmoothStep(i / n).
// 0 for i >= n (nothing is left to ease), and 1 for i <= 0 (the rest of the way).
double SmoothStepRatio(int i, int n);

} // namespace calidarix
