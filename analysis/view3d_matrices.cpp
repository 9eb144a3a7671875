#include "analysis/view3d_matrices.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace calidarix {

namespace {

std::array<double, 4> Transform(const TMat4 &m, const std::array<double, 4> &v) {
  std::array<double, 4> out{};
  for (int i = 0; i < 4; ++i)
    out[i] = m[i] * v[0] + m[4 + i] * v[1] + m[8 + i] * v[2] + m[12 + i] * v[3];
  return out;
}

std::array<double, 3> Normalized(double x, double y, double z) {
  const double length = std::sqrt(x * x + y * y + z * z);
  if (length == 0.0)
    return {x, y, z};
  return {x / length, y / length, z / length};
}

} // namespace

TMat4 IdentityMat4() {
  return TMat4{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

TMat4 MultiplyMat4(const TMat4 &a, const TMat4 &b) {
  TMat4 out{};
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k)
        sum += a[k * 4 + i] * b[j * 4 + k];
      out[j * 4 + i] = sum;
    }
  return out;
}

std::optional<TMat4> InvertMat4(const TMat4 &m) {
  // Gauss-Jordan elimination with partial pivoting on a row-major copy.
  double a[4][8];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      a[i][j] = m[j * 4 + i];
      a[i][j + 4] = i == j ? 1.0 : 0.0;
    }
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col]))
        pivot = r;
    if (a[pivot][col] == 0.0 || !std::isfinite(a[pivot][col]))
      return std::nullopt;
    if (pivot != col)
      for (int j = 0; j < 8; ++j)
        std::swap(a[pivot][j], a[col][j]);
    const double p = a[col][col];
    for (int j = 0; j < 8; ++j)
      a[col][j] /= p;
    for (int r = 0; r < 4; ++r) {
      if (r == col)
        continue;
      const double f = a[r][col];
      for (int j = 0; j < 8; ++j)
        a[r][j] -= f * a[col][j];
    }
  }
  TMat4 out{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      out[j * 4 + i] = a[i][j + 4];
  return out;
}

TMat4 PerspectiveMat4(double fovY, double aspect, double zNear, double zFar) {
  const double f = 1.0 / std::tan(fovY * std::numbers::pi / 360.0);
  TMat4 m{};
  m[0] = f / aspect;
  m[5] = f;
  m[10] = (zFar + zNear) / (zNear - zFar);
  m[11] = -1.0;
  m[14] = 2.0 * zFar * zNear / (zNear - zFar);
  return m;
}

TMat4 LookAtMat4(const TVec3 &eye, const TVec3 &centre, const TVec3 &up) {
  const auto f = Normalized(centre[0] - eye[0], centre[1] - eye[1], centre[2] - eye[2]);
  const auto s =
      Normalized(f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]);
  const std::array<double, 3> u{s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2],
                                s[0] * f[1] - s[1] * f[0]};
  TMat4 m = IdentityMat4();
  for (int j = 0; j < 3; ++j) {
    m[j * 4 + 0] = s[j];
    m[j * 4 + 1] = u[j];
    m[j * 4 + 2] = -f[j];
  }
  for (int i = 0; i < 3; ++i)
    m[12 + i] = -(m[i] * eye[0] + m[4 + i] * eye[1] + m[8 + i] * eye[2]);
  return m;
}

std::optional<std::array<double, 3>> ProjectToWindow(const std::array<double, 3> &point,
                                                     const TMat4 &modelView, const TMat4 &projection,
                                                     const TViewport &viewport) {
  const auto eye = Transform(modelView, {point[0], point[1], point[2], 1.0});
  const auto clip = Transform(projection, eye);
  if (clip[3] == 0.0)
    return std::nullopt;
  const double x = clip[0] / clip[3], y = clip[1] / clip[3], z = clip[2] / clip[3];
  return std::array<double, 3>{viewport[0] + viewport[2] * (x + 1.0) / 2.0,
                               viewport[1] + viewport[3] * (y + 1.0) / 2.0, (z + 1.0) / 2.0};
}

std::optional<std::array<double, 3>> UnProjectFromWindow(const std::array<double, 3> &window,
                                                         const TMat4 &modelView, const TMat4 &projection,
                                                         const TViewport &viewport) {
  if (viewport[2] == 0 || viewport[3] == 0)
    return std::nullopt;
  const auto inverse = InvertMat4(MultiplyMat4(projection, modelView));
  if (!inverse)
    return std::nullopt;
  const std::array<double, 4> ndc{(window[0] - viewport[0]) / viewport[2] * 2.0 - 1.0,
                                  (window[1] - viewport[1]) / viewport[3] * 2.0 - 1.0, window[2] * 2.0 - 1.0,
                                  1.0};
  const auto p = Transform(*inverse, ndc);
  if (p[3] == 0.0)
    return std::nullopt;
  return std::array<double, 3>{p[0] / p[3], p[1] / p[3], p[2] / p[3]};
}

} // namespace calidarix
