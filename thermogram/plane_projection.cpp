// Re-mapping of frames whose rows and columns are steps of angle: projection onto a flat picture
// plane (from the header's angles or from angles given by the caller), resampling at positions
// mirrored about the centre, and unfolding the two halves of a rotating panoramic scan into one
// 360-degree strip. None of them changes Scale or Offset.
//
// Angles or sizes that give no usable picture (a plane 180 degrees wide or more, an edge at or
// beyond 90 degrees from the horizon, a result empty, wider or taller than 65535 or beyond the
// pixel budget) leave the thermogram unchanged; the projections say why in the log.

#include "platform/numbers.h"
#include "thermogram/angle_units.h"
#include "thermogram/frame_size.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <numbers>

namespace calidarix {

namespace {

constexpr double kDegreesToRadians = std::numbers::pi / 180.0;

// Angles of the strip that unfolding makes, in 1/180 degree.
constexpr std::uint16_t kUnfoldedHorzExtent = 64800;
constexpr std::uint16_t kUnfoldedVertExtent = 18830;
constexpr std::int16_t kUnfoldedElevation = 2630;

// Everything the picture-plane mapping needs, with all angles in radians.
struct PlaneMapping {
  double dh = 0; // radians per source column
  double dv = 0; // radians per source row
  double e = 0;  // depression of the source's bottom edge
  double k = 1;  // vertical stretch of the plane's rows
  std::int64_t newW = 0;
  std::int64_t newH = 0;
  std::int64_t rowsBelow = 0; // plane rows below the horizon
};

// Samples the source at the plane pixel positions. Plane row j looks at elevation
// beta = atan(t dv k), t counted from the horizon; plane column i at azimuth atan(u dh) on that row.
std::vector<std::uint16_t> SamplePlane(const TDTV &t, const PlaneMapping &m) {
  const int w = t.Width();
  const int h = t.Height();
  std::vector<std::uint16_t> out(static_cast<std::size_t>(m.newW * m.newH), 0);
  const double half = static_cast<double>(m.newW) / 2.0;
  for (std::int64_t j = 0; j < m.newH; ++j) {
    const double rowsUp = static_cast<double>(m.newH - m.rowsBelow - j);
    const double beta = std::atan(rowsUp * m.dv * m.k);
    const double y = h - m.e / m.dv - beta / m.dv;
    if (!(y >= 0.0 && y < h)) {
      continue;
    }
    const double cosBeta = std::cos(beta);
    for (std::int64_t i = 0; i < m.newW; ++i) {
      const double x = w / 2.0 - std::atan((half - static_cast<double>(i)) * m.dh * cosBeta) / m.dh;
      if (x >= 0.0 && x < w) {
        out[static_cast<std::size_t>(j * m.newW + i)] = t.SampleBilinear(x, y);
      }
    }
  }
  return out;
}

// The log line of a refused projection, naming the file when there is one.
void LogPlaneRefusal(const QString &fileName, const QString &reason) {
  const QString subject =
      fileName.isEmpty() ? QStringLiteral("the frame") : QStringLiteral("\"%1\"").arg(fileName);
  ThermogramLog(
      QStringLiteral("Projection of %1 refused: %2; the frame is left as it was").arg(subject, reason));
}

QString BeyondSizeLimit(std::int64_t w, std::int64_t h) {
  return QStringLiteral("the projected frame of %1 x %2 pixels is beyond the size limit").arg(w).arg(h);
}

// A tangent is only meaningful strictly inside -90 .. 90 degrees.
bool BelowRightAngle(double radians) {
  return std::isfinite(radians) && std::abs(radians) < std::numbers::pi / 2.0;
}

} // namespace

void TDTV::ProjectFrame(double horizontal, double vertical, double elevation) {
  if (!HasFrame(*this)) {
    return;
  }
  if (!(horizontal > 0.0 && horizontal < 180.0) || !(vertical > 0.0) ||
      !BelowRightAngle(elevation * kDegreesToRadians) ||
      !BelowRightAngle((vertical - elevation) * kDegreesToRadians)) {
    LogPlaneRefusal(FFileName, QStringLiteral("the angles give no finite picture plane"));
    return;
  }
  PlaneMapping m;
  m.dh = horizontal / Width() * kDegreesToRadians;
  m.dv = vertical / Height() * kDegreesToRadians;
  m.e = elevation * kDegreesToRadians;
  m.newW = TruncToInt64(2.0 * std::tan(horizontal / 2.0 * kDegreesToRadians) / m.dh);
  const double below = std::tan(m.e) / m.dv;
  const double above = std::tan((vertical - elevation) * kDegreesToRadians) / m.dv;
  m.newH = TruncToInt64(above + below);
  m.rowsBelow = RoundToInt64(below);
  if (!FitsComputedFrame(m.newW, m.newH)) {
    LogPlaneRefusal(FFileName, BeyondSizeLimit(m.newW, m.newH));
    return;
  }
  ReplaceFrame(*this, m.newW, m.newH, SamplePlane(*this, m));
  FBaseAspect = FAspect;
  SetAspect(static_cast<double>(m.newW) * m.dh / (static_cast<double>(m.newH) * m.dv));
  FAspectFromAngles = true;
}

bool TDTV::ProjectByAngles() {
  const TDTVHeader &hd = FHeader;
  if (!HasFrame(*this) || hd.HorzExtent == 0 || hd.VertExtent == 0 ||
      hd.Elevation == TDTVHeader::kElevationNotSet) {
    LogPlaneRefusal(FFileName, QStringLiteral("the frame has no scan angles"));
    return false;
  }
  const int w = Width();
  const int h = Height();
  PlaneMapping m;
  m.dh = static_cast<double>(hd.HorzExtent) / w * kRadiansPerUnit;
  m.dv = static_cast<double>(hd.VertExtent) / h * kRadiansPerUnit;
  m.e = hd.Elevation * kRadiansPerUnit;
  // Rows are sampled finer than columns by this factor.
  m.k = m.dh / m.dv / 2.0;
  const double topElevation = static_cast<double>(h - TruncToInt64(m.e / m.dv)) * m.dv;
  if (!(w * m.dh < std::numbers::pi)) {
    LogPlaneRefusal(FFileName, QStringLiteral("a plane 180 degrees wide or more has no finite picture"));
    return false;
  }
  if (!BelowRightAngle(m.e) || !BelowRightAngle(topElevation)) {
    LogPlaneRefusal(FFileName, QStringLiteral("an edge at the zenith or the nadir has no finite picture"));
    return false;
  }
  m.newW = RoundToInt64(2.0 * std::tan(w * m.dh / 2.0) / m.dh);
  const double above = std::tan(topElevation) / m.dv / m.k;
  const double below = std::tan(m.e) / m.dv / m.k;
  m.newH = RoundToInt64(above + below);
  m.rowsBelow = RoundToInt64(below);
  if (!FitsComputedFrame(m.newW, m.newH)) {
    LogPlaneRefusal(FFileName, BeyondSizeLimit(m.newW, m.newH));
    return false;
  }
  ReplaceFrame(*this, m.newW, m.newH, SamplePlane(*this, m));
  FBaseAspect = FAspect;
  SetAspect(static_cast<double>(m.newW) * m.dh / (static_cast<double>(m.newH) * m.dv * m.k));
  FAspectFromAngles = true;
  return true;
}

void TDTV::ResampleSymmetric(const std::vector<double> &xOffsets, const std::vector<double> &yOffsets) {
  const std::int64_t rows = static_cast<std::int64_t>(yOffsets.size());
  if (rows == 0) {
    return;
  }
  const std::int64_t columns = static_cast<std::int64_t>(xOffsets.size()) / rows;
  if (!HasFrame(*this) || !FitsComputedFrame(2 * columns, 2 * rows)) {
    return;
  }
  const double cx = Width() / 2;
  const double cy = Height() / 2;
  const std::int64_t newW = 2 * columns;
  std::vector<std::uint16_t> out(static_cast<std::size_t>(newW * 2 * rows), 0);
  const auto put = [&](std::int64_t x, std::int64_t y, std::uint16_t v) {
    out[static_cast<std::size_t>(y * newW + x)] = v;
  };
  for (std::int64_t k = 0; k < rows; ++k) {
    const double dy = yOffsets[static_cast<std::size_t>(k)];
    for (std::int64_t m = 0; m < columns; ++m) {
      const double dx = xOffsets[static_cast<std::size_t>(columns * k + m)];
      put(columns + m, rows - 1 - k, SampleBilinear(cx + dx, cy - dy));
      put(columns + m, rows + k, SampleBilinear(cx + dx, cy + dy));
      put(columns - 1 - m, rows - 1 - k, SampleBilinear(cx - dx, cy - dy));
      put(columns - 1 - m, rows + k, SampleBilinear(cx - dx, cy + dy));
    }
  }
  ReplaceFrame(*this, newW, 2 * rows, std::move(out));
}

void TDTV::UnfoldHalves(int dx, int dy) {
  if (!HasFrame(*this)) {
    return;
  }
  const std::int64_t w = Width();
  const std::int64_t absDx = std::abs(std::int64_t{dx});
  const std::int64_t absDy = std::abs(std::int64_t{dy});
  const std::int64_t halfW = w - absDx;
  const std::int64_t trimmedH = Height() - absDy;
  const std::int64_t newH = trimmedH / 2;
  if (!FitsFrameSides(2 * halfW, newH)) {
    return;
  }
  const std::int64_t shift = dy < 0 ? absDy : 0;
  const std::int64_t trim = absDx / 2;
  const std::int64_t centreRow = trimmedH / 2 + shift;
  const std::int64_t newW = 2 * halfW;
  // The lower half runs down from the centre row into the left half of the strip; the upper half,
  // read upwards from the centre row, forms the right half.
  std::vector<std::uint16_t> out(static_cast<std::size_t>(newW * newH));
  for (std::int64_t r = 0; r < newH; ++r) {
    const std::uint16_t *down = &FRaw[static_cast<std::size_t>((centreRow + r) * w + trim)];
    const std::uint16_t *up = &FRaw[static_cast<std::size_t>((centreRow - r) * w + trim)];
    std::uint16_t *row = &out[static_cast<std::size_t>(r * newW)];
    std::copy_n(down, halfW, row);
    std::copy_n(up, halfW, row + halfW);
  }
  ReplaceFrame(*this, newW, newH, std::move(out));
  SetAspect(static_cast<double>(newW) / static_cast<double>(newH));
  FHeader.HorzExtent = kUnfoldedHorzExtent;
  FHeader.VertExtent = kUnfoldedVertExtent;
  FHeader.Elevation = kUnfoldedElevation;
}

} // namespace calidarix
