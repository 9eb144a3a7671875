#include "analysis/view3d_projections.h"

#include "platform/numbers.h"
#include "thermogram/angle_units.h"

#include <cmath>
#include <numbers>

namespace calidarix {

namespace {

constexpr double kPi = std::numbers::pi;
// Header angles are in 1/180 degree: radians = units / K.

TVec3 Vec(double x, double y, double z) {
  return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

// Box and Box_Cylinder: a cube of half-size 1 seen from its centre, without a bottom face.
TVec3 BoxPoint(int kind, double a, double t, double h, bool radial, double dx, double dy, double dz) {
  const int f = static_cast<int>(RoundHalfEven(2.0 * a / kPi));
  const double b = (f == 0 || f == -1) ? a - f * kPi / 2.0 : f * kPi / 2.0 - a;
  const double topLimit = kind == kBox ? std::atan(1.0 / std::cos(a - f * kPi / 2.0)) : kPi / 4.0;
  const double out = radial ? 1.0 : 1.0 + h;
  const double side = std::tan(b);
  const double height = std::tan(kPi / 2.0 - t) / std::cos(b);
  double x = 0.0, y = 0.0, z = 0.0;
  if (t < topLimit) {
    x = std::cos(a) * std::tan(t);
    y = std::sin(a) * std::tan(t);
    z = out;
  } else if (f == 0) {
    x = out, y = side, z = height;
  } else if (f == 2 || f == -2) {
    x = -out, y = side, z = height;
  } else if (f == 1) {
    x = side, y = out, z = height;
  } else {
    x = side, y = -out, z = height;
  }
  if (radial) {
    x += h * dx;
    y += h * dy;
    z += h * dz;
  }
  return Vec(x, y, z);
}

} // namespace

TScanAngles ScanAnglesOf(const TDTV &dtv) {
  return TScanAngles{static_cast<double>(dtv.FHeader.HorzExtent), static_cast<double>(dtv.FHeader.VertExtent),
                     static_cast<double>(dtv.FHeader.Elevation)};
}

TVec3 ProjectVertex(const TView3DState &s, const TScanAngles &angles, int kind, double heightFactor,
                    bool radialLevel, int c, int r, int raw) {
  const double cols = s.MeshCols;
  const double rows = s.MeshRows;
  const double hx = angles.HorzExtent / kUnitsPerRadian;
  const double vx = angles.VertExtent / kUnitsPerRadian;
  const double a = c / cols * hx - hx / 2.0;
  const double t = (angles.Elevation / kUnitsPerRadian + kPi / 2.0) - (rows - r) / rows * vx;
  const double dx = std::cos(a) * std::sin(t), dy = std::sin(a) * std::sin(t), dz = std::cos(t);
  const double level = raw / 65535.0;
  switch (kind) {
  case kEquidistant:
    return Vec(-s.MeshExtent * (c / cols - 0.5), s.MeshExtent * s.MeshAspect * (r / rows - 0.5),
               level * heightFactor);
  case kPolar: {
    const double q = 2.0 * t / kPi; // the horizon at 1
    if (!radialLevel)
      return Vec(std::cos(a) * q, std::sin(a) * q, level * heightFactor * heightFactor);
    const double h = level * heightFactor;
    const double reach = q + std::sin(q) * h;
    return Vec(std::cos(a) * reach, std::sin(a) * reach, std::cos(q) * h);
  }
  case kSphere: {
    const double m = 1.0 + level / 2.0 * heightFactor;
    return Vec(dx * m, dy * m, dz * m);
  }
  case kBox:
  case kBoxCylinder:
    return BoxPoint(kind, a, t, level / 2.0 * heightFactor, radialLevel, dx, dy, dz);
  case kCylinder: {
    const double h = level / 2.0 * heightFactor;
    if (t < kPi / 4.0) {
      if (!radialLevel)
        return Vec(std::cos(a) * std::tan(t), std::sin(a) * std::tan(t), 1.0 + h);
      return Vec(std::cos(a) * std::tan(t) + h * dx, std::sin(a) * std::tan(t) + h * dy, 1.0 + h * dz);
    }
    if (!radialLevel)
      return Vec(std::cos(a) * (1.0 + h), std::sin(a) * (1.0 + h), 1.0 / std::tan(t));
    return Vec(std::cos(a) + h * dx, std::sin(a) + h * dy, 1.0 / std::tan(t) + h * dz);
  }
  default:
    return Vec(0.0, 0.0, 0.0);
  }
}

bool ProjectMesh(const TView3DState &s, const TScanAngles &angles, int kind, double heightFactor,
                 bool radialLevel, std::vector<float> &out) {
  if (kind < kEquidistant || kind > kCylinder || s.MeshCols < 1 || s.MeshRows < 1)
    return false;
  const std::size_t count = static_cast<std::size_t>(s.MeshCols) * static_cast<std::size_t>(s.MeshRows);
  if (s.MeshRaw.size() < count)
    return false;
  out.resize(3 * count);
  for (int r = 0; r < s.MeshRows; ++r) {
    for (int c = 0; c < s.MeshCols; ++c) {
      const std::size_t v = static_cast<std::size_t>(r) * s.MeshCols + c;
      const TVec3 p = ProjectVertex(s, angles, kind, heightFactor, radialLevel, c, r, s.MeshRaw[v]);
      out[3 * v] = p[0];
      out[3 * v + 1] = p[1];
      out[3 * v + 2] = p[2];
    }
  }
  return true;
}

} // namespace calidarix
