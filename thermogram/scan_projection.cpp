// Re-projection of a frame whose rows and columns are equal steps of angle (a scan from a pan/tilt
// head) into the map projection chosen by FProjection.
//
// Angles in the header are in 1/180 degree; the centre column faces azimuth 0 and the bottom edge
// lies Elevation below the horizon. Source rows or columns that a formula places outside the frame
// contribute nothing (the new pixel stays 0). A projection that cannot be made (its new size empty,
// larger than 65535 on a side or beyond the pixel budget, or angles that give no picture) leaves the
// frame, its aspect and its flags as they were, and the log says why.

#include "platform/numbers.h"
#include "thermogram/angle_units.h"
#include "thermogram/frame_size.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <QString>

#include <cmath>
#include <cstddef>
#include <numbers>
#include <optional>

namespace calidarix {

namespace {

constexpr double kPi = std::numbers::pi;
// Tangent-plane projections are cut at 60 degrees off their axis: an edge up to 60 degrees (10800
// header units) is projected, one beyond is replaced by the cut.
constexpr int kBeyondSixtyDegrees = 10801;
constexpr double kTanSixty = 1.7320508075688772;

enum ProjectionKind {
  kSphere = 0,
  kCylinder = 1,
  kTransversal = 2,
  kMercator = 3,
  kPlane = 4,
  kPolarLimited = 5,
  kPolarFull = 6,
  kUnrollSphere = 21,
};

// The largest disc the full polar projection draws before it scales down.
constexpr std::int64_t kPolarFullMaxDiameter = 4900;

struct ScanGeometry {
  int w = 0;
  int h = 0;
  int he = 0;          // horizontal extent, header units
  int ve = 0;          // vertical extent, header units
  int el = 0;          // elevation of the bottom edge below the horizon, header units
  double dh = 0;       // radians per column
  double dv = 0;       // radians per row
  double e = 0;        // depression of the bottom edge, radians
  std::int64_t h0 = 0; // source row of the horizon, counted from the top
};

struct NewFrame {
  std::int64_t w = 0;
  std::int64_t h = 0;
  std::vector<std::uint16_t> pixels;
};

// Why the last projection was refused; set by the projection functions before they give nothing.
struct Refusal {
  QString Reason;
};

std::optional<NewFrame> EmptyFrame(std::int64_t w, std::int64_t h, Refusal &refusal) {
  if (!FitsComputedFrame(w, h)) {
    refusal.Reason =
        QStringLiteral("the projected frame of %1 x %2 pixels is beyond the size limit").arg(w).arg(h);
    return std::nullopt;
  }
  return NewFrame{w, h, std::vector<std::uint16_t>(static_cast<std::size_t>(w * h), 0)};
}

class Source {
public:
  explicit Source(const TDTV &t) : t_(t) {}
  bool Inside(std::int64_t x, std::int64_t y) const {
    return x >= 0 && y >= 0 && x < t_.Width() && y < t_.Height();
  }
  // 0 outside the frame.
  std::uint16_t At(std::int64_t x, std::int64_t y) const {
    return Inside(x, y) ? t_.FRaw[static_cast<std::size_t>(y * t_.Width() + x)] : 0;
  }

private:
  const TDTV &t_;
};

void CopyRow(const TDTV &t, std::int64_t sourceRow, NewFrame &f, std::int64_t row) {
  if (sourceRow < 0 || sourceRow >= t.Height()) {
    return;
  }
  const std::size_t w = static_cast<std::size_t>(t.Width());
  std::copy_n(t.FRaw.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(sourceRow) * w), w,
              f.pixels.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(row) * w));
}

// Rows on a vertical tangent plane: y = tan(elevation).
std::optional<NewFrame> Cylinder(const TDTV &t, const ScanGeometry &g, Refusal &refusal) {
  const double below = std::tan(g.e) / g.dv;
  const double above = (g.ve - g.el < kBeyondSixtyDegrees ? std::tan(g.h0 * g.dv) : kTanSixty) / g.dv;
  const std::int64_t rowsBelow = RoundToInt64(below);
  auto f = EmptyFrame(g.w, RoundToInt64(below + above), refusal);
  if (!f) {
    return f;
  }
  for (std::int64_t j = 0; j < f->h; ++j) {
    const double tanElevation = static_cast<double>(f->h - rowsBelow - j);
    CopyRow(t, g.h0 - TruncToInt64(std::atan(tanElevation * g.dv) / g.dv), *f, j);
  }
  return f;
}

// Width of a horizontal tangent plane, cut at 60 degrees either side.
std::int64_t TangentPlaneWidth(const ScanGeometry &g, bool forceSixty) {
  if (!forceSixty && g.w * g.dh * 1.5 < kPi) {
    return RoundToInt64(2.0 * std::tan(g.w * g.dh / 2.0) / g.dh);
  }
  return RoundToInt64(2.0 * kTanSixty / g.dh);
}

// Columns on a horizontal tangent plane: x = tan(azimuth).
std::optional<NewFrame> Transversal(const TDTV &t, const ScanGeometry &g, Refusal &refusal) {
  auto f = EmptyFrame(TangentPlaneWidth(g, false), g.h, refusal);
  if (!f) {
    return f;
  }
  const Source source(t);
  const double half = static_cast<double>(f->w) / 2.0;
  for (std::int64_t i = 0; i < f->w; ++i) {
    const std::int64_t sx = g.w / 2 - TruncToInt64(std::atan((half - static_cast<double>(i)) * g.dh) / g.dh);
    if (!source.Inside(sx, 0)) {
      continue;
    }
    for (std::int64_t j = 0; j < f->h; ++j) {
      f->pixels[static_cast<std::size_t>(j * f->w + i)] = source.At(sx, j);
    }
  }
  return f;
}

// y = ln tan(elevation / 2 + pi/4).
std::optional<NewFrame> Mercator(const TDTV &t, const ScanGeometry &g, Refusal &refusal) {
  const double above = std::log(std::tan(g.h0 * g.dv / 2.0 + kPi / 4.0)) / g.dv;
  const double below = std::log(std::tan(g.e / 2.0 + kPi / 4.0)) / g.dv;
  const std::int64_t rowsBelow = RoundToInt64(below);
  auto f = EmptyFrame(g.w, RoundToInt64(below + above), refusal);
  if (!f) {
    return f;
  }
  for (std::int64_t j = 0; j < f->h; ++j) {
    const double y = static_cast<double>(f->h - rowsBelow - j);
    const double elevation = 2.0 * (std::atan(std::exp(y * g.dv)) - kPi / 4.0);
    CopyRow(t, g.h0 - TruncToInt64(elevation / g.dv), *f, j);
  }
  return f;
}

// A perspective plane facing the plane direction; a direction other than front wraps around the
// part of the full circle the frame lacks.
std::optional<NewFrame> Plane(const TDTV &t, const ScanGeometry &g, Refusal &refusal) {
  const int direction = static_cast<std::int16_t>(t.FPlaneDirection);
  const std::int64_t newW = TangentPlaneWidth(g, direction != 0);
  std::int64_t wrapLimit = g.w;
  std::int64_t gap = 0;
  if (direction != 0) {
    wrapLimit = RoundToInt64((direction / 180.0 + 60.0 + g.he / 360.0) * kPi / 180.0 / g.dh);
    gap = RoundToInt64((2.0 * kPi - g.w * g.dh) / g.dh) - 1;
  }
  const std::int64_t centre = RoundToInt64(direction / 180.0 * kPi / 180.0 / g.dh) + g.w / 2;
  const double below = (g.el < kBeyondSixtyDegrees ? std::tan(g.e) : kTanSixty) / g.dv;
  const std::int64_t rowsBelow = RoundToInt64(below);
  const double above = (g.ve - g.el < kBeyondSixtyDegrees ? std::tan(g.h0 * g.dv) : kTanSixty) / g.dv;
  auto f = EmptyFrame(newW, RoundToInt64(above + static_cast<double>(rowsBelow)), refusal);
  if (!f) {
    return f;
  }
  const Source source(t);
  const double half = static_cast<double>(f->w) / 2.0;
  for (std::int64_t i = 0; i < f->w; ++i) {
    const double alpha = std::atan((half - static_cast<double>(i)) * g.dh);
    std::int64_t sx = centre - TruncToInt64(alpha / g.dh);
    if (sx >= g.w && sx < wrapLimit) {
      sx -= g.w + gap;
    }
    if (!source.Inside(sx, 0)) {
      continue;
    }
    const double cosAlpha = std::cos(alpha);
    for (std::int64_t j = 0; j < f->h; ++j) {
      const double y = static_cast<double>(f->h - rowsBelow - j);
      const std::int64_t sy = g.h0 - TruncToInt64(std::atan(y * g.dv * cosAlpha) / g.dv);
      f->pixels[static_cast<std::size_t>(j * f->w + i)] = source.At(sx, sy);
    }
  }
  return f;
}

// An azimuthal equidistant disc centred on the zenith.
std::optional<NewFrame> Polar(const TDTV &t, const ScanGeometry &g, bool full, Refusal &refusal) {
  const int radiusDegrees = full ? g.el / 180 + 90 : 30;
  if (radiusDegrees < 1) {
    refusal.Reason = QStringLiteral("the bottom edge lies at or beyond the zenith, so there is no disc");
    return std::nullopt;
  }
  std::int64_t n = RoundToInt64(radiusDegrees * 2.0 * kPi / 180.0 / g.dh);
  if (n % 2 != 0) {
    ++n;
  }
  double scale = 1.0;
  if (full && n > kPolarFullMaxDiameter) {
    scale = static_cast<double>(n) / kPolarFullMaxDiameter;
    n = kPolarFullMaxDiameter;
  }
  auto f = EmptyFrame(n + 1, n + 1, refusal);
  if (!f) {
    return f;
  }
  // Nothing of the frame reaches into the disc.
  if (90.0 - radiusDegrees >= (g.ve - g.el) / 180.0) {
    return f;
  }
  const std::int64_t rows = std::min<std::int64_t>(
      RoundToInt64((g.ve - (g.el + (90.0 - radiusDegrees) * 180.0)) / 32400.0 * kPi / g.dh), g.h - 1);
  // Zenith distance of the top edge, in tenths of a pixel.
  const std::int64_t topTenths = RoundToInt64(((g.el - g.ve) / 180.0 + 90.0) / 180.0 * kPi / g.dh * 10.0);
  const std::int64_t centre = n / 2;
  for (int x = 0; x < g.w; ++x) {
    const double theta = (x - g.w / 2.0) * g.dh;
    const double sinTheta = std::sin(theta);
    const double cosTheta = std::cos(theta);
    for (std::int64_t y = 0; y < rows; ++y) {
      const double rho = static_cast<double>(10 * y + topTenths);
      const std::int64_t nx = RoundToInt64(rho * sinTheta / 10.0 / scale + static_cast<double>(centre));
      const std::int64_t ny = RoundToInt64(rho * cosTheta / 10.0 / scale + static_cast<double>(centre));
      if (nx < 0 || ny < 0 || nx >= f->w || ny >= f->h) {
        continue;
      }
      f->pixels[static_cast<std::size_t>(ny * f->w + nx)] = t.FRaw[static_cast<std::size_t>(y * g.w + x)];
    }
  }
  return f;
}

// Gores of 20 degrees, each row squeezed toward its gore's centre by the cosine of its elevation.
std::optional<NewFrame> UnrollSphere(const TDTV &t, const ScanGeometry &g, Refusal &refusal) {
  constexpr double kGoreRadians = 0.3490659; // 20 degrees
  const std::int64_t goreWidth = RoundToInt64(kGoreRadians / g.dh);
  if (goreWidth < 1) {
    refusal.Reason = QStringLiteral("the columns are wider than a gore of 20 degrees");
    return std::nullopt;
  }
  const std::int64_t gores = RoundToInt64(static_cast<double>(g.w) / static_cast<double>(goreWidth) + 0.5);
  auto f = EmptyFrame(g.w, g.h, refusal);
  if (!f) {
    return f;
  }
  const std::int64_t halfGore = goreWidth / 2;
  for (std::int64_t j = 0; j < g.h; ++j) {
    const double c = std::cos(static_cast<double>(g.h - j) * g.dv - g.e);
    for (std::int64_t q = 0; q < gores; ++q) {
      const std::int64_t z = q * goreWidth + halfGore;
      // Only the offsets whose source column lies in the row can move a pixel.
      const std::int64_t first = std::max(-halfGore, -z);
      const std::int64_t last = std::min(halfGore, g.w - 1 - z);
      for (std::int64_t d = first; d <= last; ++d) {
        const std::int64_t nx = z + RoundToInt64(static_cast<double>(d) * c);
        if (nx < 0 || nx >= g.w) {
          continue;
        }
        f->pixels[static_cast<std::size_t>(j * g.w + nx)] = t.FRaw[static_cast<std::size_t>(j * g.w + z + d)];
      }
    }
  }
  return f;
}

// The log line of a refused projection, naming the file when there is one.
void LogRefusal(const QString &fileName, const QString &reason) {
  const QString subject =
      fileName.isEmpty() ? QStringLiteral("the frame") : QStringLiteral("\"%1\"").arg(fileName);
  ThermogramLog(
      QStringLiteral("Projection of %1 refused: %2; the frame is shown as it was read").arg(subject, reason));
}

} // namespace

bool TDTV::ReconstructScan() {
  const TDTVHeader &hd = FHeader;
  if (!HasFrame(*this) || hd.HorzExtent == 0 || hd.VertExtent == 0 ||
      hd.Elevation == TDTVHeader::kElevationNotSet) {
    LogRefusal(FFileName, QStringLiteral("the frame has no scan angles"));
    return false;
  }
  ScanGeometry g;
  g.w = Width();
  g.h = Height();
  g.he = hd.HorzExtent;
  g.ve = hd.VertExtent;
  g.el = hd.Elevation;
  g.dh = static_cast<double>(g.he) / g.w * kRadiansPerUnit;
  g.dv = static_cast<double>(g.ve) / g.h * kRadiansPerUnit;
  g.e = g.el * kRadiansPerUnit;
  g.h0 = g.h - TruncToInt64(g.e / g.dv);

  // The new frame is made before anything changes, so that a refusal leaves everything as it was.
  Refusal refusal;
  std::optional<NewFrame> f;
  bool projects = true;
  switch (FProjection) {
  case kCylinder:
    f = Cylinder(*this, g, refusal);
    break;
  case kTransversal:
    f = Transversal(*this, g, refusal);
    break;
  case kMercator:
    f = Mercator(*this, g, refusal);
    break;
  case kPlane:
    f = Plane(*this, g, refusal);
    break;
  case kPolarLimited:
  case kPolarFull:
    f = Polar(*this, g, FProjection == kPolarFull, refusal);
    break;
  case kUnrollSphere:
    f = UnrollSphere(*this, g, refusal);
    break;
  case kSphere:
  default:
    projects = false; // the frame stays as it is, shown at the aspect of its angles
    break;
  }
  if (projects && !f) {
    LogRefusal(FFileName, refusal.Reason);
    return false;
  }

  SetAspect(static_cast<double>(g.he) / g.ve);
  FAspectFromAngles = true;
  if (!f) {
    return true;
  }
  if (FProjection == kCylinder) {
    SetAspect(static_cast<double>(f->w) / static_cast<double>(f->h)); // before the base aspect is kept
  }
  ReplaceFrame(*this, f->w, f->h, std::move(f->pixels));
  FBaseAspect = FAspect;
  SetAspect(static_cast<double>(f->w) / static_cast<double>(f->h));
  if (FProjection == kPolarFull) {
    FillZeroPixels(false);
  }
  return true;
}

} // namespace calidarix
