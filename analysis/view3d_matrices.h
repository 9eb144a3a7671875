#pragma once
// The camera matrices of the 3-D view in OpenGL's column-major layout: the perspective and look-at
// transforms that the view loads, and the projection of model points to window coordinates and back that
// the sample read-outs use.

#include "analysis/view3d_vectors.h"

#include <array>
#include <optional>

namespace calidarix {

using TMat4 = std::array<double, 16>; // column-major: element (row i, column j) at j x 4 + i
using TViewport = std::array<int, 4>; // x, y, width, height

TMat4 IdentityMat4();
TMat4 MultiplyMat4(const TMat4 &a, const TMat4 &b); // a x b
std::optional<TMat4> InvertMat4(const TMat4 &m);

// A symmetric perspective: vertical field of view in degrees, width / height, near and far clipping
// distances (the classic gluPerspective matrix).
TMat4 PerspectiveMat4(double fovY, double aspect, double zNear, double zFar);
// The eye at `eye` looking at `centre` with `up` upwards (the classic gluLookAt matrix).
TMat4 LookAtMat4(const TVec3 &eye, const TVec3 &centre, const TVec3 &up);

// A model point in window coordinates (origin at the bottom left, depth 0 .. 1 inside the clipping
// range); nothing when the point lies in the eye's plane.
std::optional<std::array<double, 3>> ProjectToWindow(const std::array<double, 3> &point,
                                                     const TMat4 &modelView, const TMat4 &projection,
                                                     const TViewport &viewport);
// The model point of a window position and depth; nothing when the matrices cannot be inverted.
std::optional<std::array<double, 3>> UnProjectFromWindow(const std::array<double, 3> &window,
                                                         const TMat4 &modelView, const TMat4 &projection,
                                                         const TViewport &viewport);

} // namespace calidarix
