#include "analysis/coordinate_mapping.h"

#include "platform/numbers.h"

#include <algorithm>
#include <limits>

namespace calidarix {

namespace {

// The zoom and aspect are kept non-zero by the layout; should one be zero anyway, the division
// gives an infinity that the guarded rounding saturates, never undefined behaviour.
std::int64_t RealXPure(const TImageView &view, std::int64_t sx) {
  return RoundToInt64(static_cast<double>(sx) / view.Zoom + view.ViewOffsetX);
}

std::int64_t RealYPure(const TImageView &view, std::int64_t sy) {
  return RoundToInt64(static_cast<double>(sy) / view.Zoom / view.PixelAspect + view.ViewOffsetY);
}

std::int64_t ScreenX(const TImageView &view, std::int64_t x) {
  return RoundToInt64((static_cast<double>(x) - view.ViewOffsetX) * view.Zoom);
}

std::int64_t ScreenY(const TImageView &view, std::int64_t y) {
  return RoundToInt64((static_cast<double>(y) - view.ViewOffsetY) * view.Zoom * view.PixelAspect);
}

std::int32_t ClampTo(std::int64_t v, int size) {
  if (size <= 0) {
    return 0;
  }
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, size - 1));
}

std::int32_t ToInt32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

} // namespace

std::int32_t GetRealXPure(const TImageView &view, std::int32_t sx) {
  return ToInt32(RealXPure(view, sx));
}

std::int32_t GetRealYPure(const TImageView &view, std::int32_t sy) {
  return ToInt32(RealYPure(view, sy));
}

std::uint16_t GetRealX(const TImageView &view, std::int32_t sx) {
  return static_cast<std::uint16_t>(ClampTo(RealXPure(view, sx), view.Width));
}

std::uint16_t GetRealY(const TImageView &view, std::int32_t sy) {
  return static_cast<std::uint16_t>(ClampTo(RealYPure(view, sy), view.Height));
}

std::int32_t GetScreenX(const TImageView &view, std::int32_t x) {
  return ToInt32(ScreenX(view, x));
}

std::int32_t GetScreenY(const TImageView &view, std::int32_t y) {
  return ToInt32(ScreenY(view, y));
}

TPoint GetRealPoint(const TImageView &view, TPoint p) {
  return {GetRealX(view, p.X), GetRealY(view, p.Y)};
}

TPoint GetScreenPoint(const TImageView &view, TPoint p) {
  return {GetScreenX(view, p.X), GetScreenY(view, p.Y)};
}

TRect GetRealRect(const TImageView &view, const TRect &r) {
  return {ClampTo(RealXPure(view, r.Left), view.Width), ClampTo(RealYPure(view, r.Top), view.Height),
          ClampTo(RealXPure(view, std::int64_t{r.Right} + 1) - 1, view.Width),
          ClampTo(RealYPure(view, std::int64_t{r.Bottom} + 1) - 1, view.Height)};
}

TRect GetScreenRect(const TImageView &view, const TRect &r) {
  return {ToInt32(ScreenX(view, r.Left)), ToInt32(ScreenY(view, r.Top)),
          ToInt32(ScreenX(view, std::int64_t{r.Right} + 1) - 1),
          ToInt32(ScreenY(view, std::int64_t{r.Bottom} + 1) - 1)};
}

} // namespace calidarix
