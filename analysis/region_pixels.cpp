#include "analysis/region_pixels.h"

#include "platform/numbers.h"

#include <algorithm>
#include <cmath>

namespace calidarix {

std::vector<TRowSpan> RegionSpans(const TRect &r, bool ellipse, int width, int height) {
  std::vector<TRowSpan> spans;
  if (r.Left > r.Right || r.Top > r.Bottom || width <= 0 || height <= 0)
    return spans;
  const std::int64_t a = (std::int64_t{r.Right} - r.Left) / 2;
  const std::int64_t b = (std::int64_t{r.Bottom} - r.Top) / 2;
  const std::int64_t top = std::max<std::int64_t>(r.Top, 0);
  const std::int64_t bottom = std::min<std::int64_t>(r.Bottom, height - 1);
  for (std::int64_t y = top; y <= bottom; ++y) {
    std::int64_t x0 = r.Left;
    std::int64_t x1 = r.Right;
    if (ellipse) {
      const double dy = static_cast<double>(y - r.Top - b);
      const double radicand = 1.0 - dy * dy / (static_cast<double>(b) * static_cast<double>(b));
      // 0 / 0 for the middle row of a flat ellipse is not a number; the comparison sends it here too.
      const std::int64_t half =
          radicand >= 0.0 ? RoundToInt64(static_cast<double>(a) * std::sqrt(radicand)) : std::int64_t{0};
      x0 = r.Left + a - half;
      x1 = r.Left + a + half;
    }
    x0 = std::max<std::int64_t>(x0, 0);
    x1 = std::min<std::int64_t>(x1, width - 1);
    if (x0 <= x1)
      spans.push_back(TRowSpan{static_cast<std::int32_t>(y), static_cast<std::int32_t>(x0),
                               static_cast<std::int32_t>(x1)});
  }
  return spans;
}

} // namespace calidarix
