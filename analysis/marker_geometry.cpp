#include "analysis/marker_geometry.h"

#include "platform/numbers.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace calidarix {

TArrowHead ArrowHead(TPoint from, TPoint tip) {
  TArrowHead head;
  const double dx = static_cast<double>(tip.X) - from.X;
  const double dy = static_cast<double>(tip.Y) - from.Y;
  const double len = std::hypot(dx, dy);
  if (len == 0.0)
    return head;
  const double back = 8.0 / (std::tan(40.0 * std::numbers::pi / 180.0) * len);
  const double bx = tip.X - back * dx;
  const double by = tip.Y - back * dy;
  const double side = 4.0 / len;
  head.Empty = false;
  head.Base = TPoint{RoundToInt32(bx), RoundToInt32(by)};
  head.Wing1 = TPoint{RoundToInt32(bx - side * dy), RoundToInt32(by + side * dx)};
  head.Wing2 = TPoint{RoundToInt32(bx + side * dy), RoundToInt32(by - side * dx)};
  return head;
}

namespace {

struct TBoundaryFrame {
  double A = 0.0;
  double B = 0.0;
  std::int32_t Cx = 0;
  std::int32_t Cy = 0;
};

TBoundaryFrame FrameOf(const TRect &r) {
  return {(static_cast<double>(r.Right) - r.Left) / 2.0, (static_cast<double>(r.Bottom) - r.Top) / 2.0,
          static_cast<std::int32_t>((std::int64_t{r.Right} + r.Left) / 2),
          static_cast<std::int32_t>((std::int64_t{r.Bottom} + r.Top) / 2)};
}

// Steps 1 and 3 shared by both shapes; `offsets` gives (u, v) for the slope k.
template <typename Offsets> TPoint BoundaryPoint(const TRect &rect, TPoint p, Offsets offsets) {
  const TBoundaryFrame f = FrameOf(rect);
  if (p.X == f.Cx)
    return TPoint{p.X, p.Y < f.Cy ? f.Cy - RoundToInt32(f.B) : f.Cy + RoundToInt32(f.B)};
  const double k = std::fabs((static_cast<double>(f.Cy) - p.Y) / (static_cast<double>(f.Cx) - p.X));
  const auto [u, v] = offsets(f, k);
  return TPoint{p.X >= f.Cx ? f.Cx + u : f.Cx - u, p.Y < f.Cy ? f.Cy - v : f.Cy + v};
}

} // namespace

TPoint EllipseBoundaryPoint(const TRect &rect, TPoint p) {
  return BoundaryPoint(rect, p, [](const TBoundaryFrame &f, double k) {
    const double ia2 = 1.0 / (f.A * f.A);
    const double ib2 = 1.0 / (f.B * f.B);
    if (k <= 1.0) {
      const std::int32_t u = RoundToInt32(std::sqrt(1.0 / (ia2 + k * k * ib2)));
      return std::pair{u, RoundToInt32(u * k)};
    }
    const std::int32_t v = RoundToInt32(std::sqrt(1.0 / (ia2 / (k * k) + ib2)));
    return std::pair{RoundToInt32(v / k), v};
  });
}

TPoint RectBoundaryPoint(const TRect &rect, TPoint p) {
  return BoundaryPoint(rect, p, [](const TBoundaryFrame &f, double k) {
    if (k <= std::fabs(f.B / f.A)) {
      const std::int32_t u = RoundToInt32(f.A);
      return std::pair{u, RoundToInt32(u * k)};
    }
    const std::int32_t v = RoundToInt32(f.B);
    return std::pair{RoundToInt32(v / k), v};
  });
}

TPoint AreaBoundaryPoint(const TRect &rect, TPoint p, std::int32_t arrayType) {
  return arrayType == 1 ? EllipseBoundaryPoint(rect, p) : RectBoundaryPoint(rect, p);
}

std::uint8_t AreaLabelDirection(std::int32_t dx, std::int32_t dy) {
  if (dx < 1)
    return dy < 1 ? 2 : 1;
  return dy < 1 ? 3 : 0;
}

TPoint LabelTextOffset(int direction, int w, int h, int h1) {
  switch (direction) {
  case 1:
    return {-w - 6, 2};
  case 2:
    return {-w - 6, -h1 - 2};
  case 3:
    return {6, -h - 2};
  default:
    return {6, 2};
  }
}

} // namespace calidarix
