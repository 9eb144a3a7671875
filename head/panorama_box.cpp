// Box-mode data of a stitched panorama.

#include "head/panorama_box.h"
#include "thermogram/angle_units.h"

#include <cmath>
#include <numbers>

namespace calidarix {

namespace {

constexpr int kRemapRows = 128;
constexpr int kRemapColumns = 256;

} // namespace

TBoxAngles BoxAnglesOf(const TDTV &t) {
  TBoxAngles a;
  if (t.Width() > 0)
    a.RadPerPixelH = t.FHeader.HorzExtent / static_cast<double>(t.Width()) / kUnitsPerRadian;
  if (t.Height() > 0)
    a.RadPerPixelV = t.FHeader.VertExtent / static_cast<double>(t.Height()) / kUnitsPerRadian;
  return a;
}

TBoxFaces BuildBoxFaces(const TDTV &t, int side) {
  TBoxFaces faces;
  if (side < 1)
    return faces;
  for (int k = 0; k < 6; ++k)
    t.BuildCubeFaceRaw(faces[static_cast<std::size_t>(k)], side, k);
  return faces;
}

std::optional<FramePosition> BoxPickPosition(const TDTV &t, const TBoxAngles &angles, double x, double y,
                                             double z) {
  const double w = t.Width();
  const double h = t.Height();
  const double xs = std::atan2(y, -x) / angles.RadPerPixelH + w / 2.0;
  const double top = (t.FHeader.VertExtent - t.FHeader.Elevation) / kUnitsPerRadian;
  const double ys = (top - std::atan2(z, std::sqrt(x * x + y * y))) / angles.RadPerPixelV;
  // Written so that the infinities and not-a-numbers of zero angles fall outside.
  if (!(xs >= 0.0 && xs < w && ys >= 0.0 && ys < h))
    return std::nullopt;
  return FramePosition{xs, ys};
}

std::optional<double> BoxPickTemperature(const TDTV &t, const TBoxAngles &angles, double x, double y,
                                         double z) {
  const std::optional<FramePosition> at = BoxPickPosition(t, angles, x, y, z);
  if (!at)
    return std::nullopt;
  return t.RawToTemperature(t.SampleBilinear(at->X, at->Y));
}

std::optional<TPanoFrameRemap> MakePanoFrameRemap(int horArc, int verArc, int frameWidth, int frameHeight) {
  if (horArc <= 0 || verArc <= 0 || frameWidth <= 0 || frameHeight <= 0)
    return std::nullopt;
  TPanoFrameRemap m;
  const double halfV = verArc / kUnitsPerRadian / 2.0;
  const double halfH = horArc / kUnitsPerRadian / 2.0;
  m.FrustumTanV = std::tan(halfV);
  m.FrustumTanH = std::tan(halfH) / std::cos(halfV);
  const double pixelsPerRadianH = frameWidth / static_cast<double>(horArc) * kUnitsPerRadian;
  const double pixelsPerRadianV = frameHeight / static_cast<double>(verArc) * kUnitsPerRadian;
  m.RowMap.resize(kRemapRows);
  m.ColumnMap.resize(static_cast<std::size_t>(kRemapRows) * kRemapColumns);
  for (int j = 0; j < kRemapRows; ++j) {
    const double a = std::atan((j - 0.5) / 127.5 * m.FrustumTanV);
    m.RowMap[static_cast<std::size_t>(j)] = pixelsPerRadianV * a;
    const double d = std::cos(a) / 255.5 * m.FrustumTanH;
    for (int i = 0; i < kRemapColumns; ++i)
      m.ColumnMap[static_cast<std::size_t>(j) * kRemapColumns + static_cast<std::size_t>(i)] =
          std::atan((i - 0.5) * d) * pixelsPerRadianH;
  }
  return m;
}

} // namespace calidarix
