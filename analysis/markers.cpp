#include "analysis/markers.h"

#include <algorithm>
#include <cstdlib>

namespace calidarix {

std::int32_t ArrayType = 0;
std::int32_t ArrayStatistic = 0;
std::int32_t FontN = 14;
std::uint8_t HeatMode = 0;
double TIn = 20.0;
double TOut = -20.0;
double AlphaIn = 8.7;
double AlphaOut = 23.0;
double SigmaRefValue = 0.0;
std::uint8_t SigmaRefSet = 0;

void ResetMarkerSettings() {
  ArrayType = 0;
  ArrayStatistic = 0;
  FontN = 14;
  HeatMode = 0;
  TIn = 20.0;
  TOut = -20.0;
  AlphaIn = 8.7;
  AlphaOut = 23.0;
  SigmaRefValue = 0.0;
  SigmaRefSet = 0;
}

void TAreaRecord::SetRect(const TRect &r) {
  Left = r.Left;
  Top = r.Top;
  Right = r.Right;
  Bottom = r.Bottom;
}

bool AddPoint(std::vector<TPointRecord> &points, std::int32_t x, std::int32_t y, int width, int height) {
  if (x < 0 || y < 0 || x >= width || y >= height) {
    return false;
  }
  const bool taken = std::any_of(points.begin(), points.end(),
                                 [x, y](const TPointRecord &p) { return p.X == x && p.Y == y; });
  if (taken) {
    return false;
  }
  TPointRecord point;
  point.X = x;
  point.Y = y;
  point.Number = static_cast<std::int32_t>(points.size()) + 1;
  points.push_back(point);
  return true;
}

void ClearMarkerLists(TMarkerLists &markers) {
  markers.FPoints.clear();
  markers.FAreas.clear();
  markers.FProfileLines.clear();
  markers.FProfileLine = TLineRecord{};
  markers.FPolygons.clear();
  markers.FFreePolygon.clear();
  markers.FCurrentArea.SetRect(TRect{});
}

void SaveSelectionRect(TMarkerLists &markers) {
  markers.FSavedArea.SetRect(markers.FCurrentArea.Rect());
}

void RestoreSelectionRect(TMarkerLists &markers) {
  markers.FCurrentArea.SetRect(markers.FSavedArea.Rect());
}

TRect NormalizeRect(const TRect &r) {
  return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
          std::max(r.Top, r.Bottom)};
}

bool PtInEllipse(const TRect &r, TPoint p) {
  const TRect n = NormalizeRect(r);
  if (p.X < n.Left || p.X >= n.Right || p.Y < n.Top || p.Y >= n.Bottom) {
    return false;
  }
  // In doubled coordinates the pixel centre lies at (2x + 1, 2y + 1), the ellipse centre at
  // (Left + Right, Top + Bottom) with semi-axes a = Right - Left and b = Bottom - Top. The centre is
  // inside when dx^2 b^2 + dy^2 a^2 <= a^2 b^2, tested as dy^2 a^2 <= b^2 (a^2 - dx^2) in exact
  // integers: inside the rectangle |dx| < a, so no term overflows 128 bits.
  using Wide = unsigned __int128;
  const std::int64_t dx = 2 * std::int64_t{p.X} + 1 - (std::int64_t{n.Left} + n.Right);
  const std::int64_t dy = 2 * std::int64_t{p.Y} + 1 - (std::int64_t{n.Top} + n.Bottom);
  const auto a = static_cast<std::uint64_t>(std::int64_t{n.Right} - n.Left);
  const auto b = static_cast<std::uint64_t>(std::int64_t{n.Bottom} - n.Top);
  const auto adx = static_cast<std::uint64_t>(std::llabs(dx));
  const auto ady = static_cast<std::uint64_t>(std::llabs(dy));
  return Wide{ady} * ady * a * a <= Wide{b} * b * (Wide{a} * a - Wide{adx} * adx);
}

bool PtInArray(const TRect &r, TPoint p, std::int32_t arrayType) {
  if (arrayType == 1) {
    return PtInEllipse(r, p);
  }
  return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

bool PointInPolygon(TPoint p, const TPolygon &polygon) {
  const std::size_t n = polygon.size();
  bool inside = false;
  for (std::size_t i = 0; i < n; ++i) {
    const TPoint &a = polygon[i];
    const TPoint &b = polygon[(i + 1) % n];
    if (a.X < p.X && b.X < p.X) {
      continue;
    }
    if (a.Y == b.Y) {
      continue;
    }
    if (p.Y < std::min(a.Y, b.Y) || p.Y >= std::max(a.Y, b.Y)) {
      continue;
    }
    const double xc = a.X + (static_cast<double>(b.X) - a.X) * (static_cast<double>(p.Y) - a.Y) /
                                (static_cast<double>(b.Y) - a.Y);
    if (p.X < xc) {
      inside = !inside;
    }
  }
  return inside;
}

} // namespace calidarix
