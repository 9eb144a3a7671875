#pragma once
// The pixels of a measured region, as rows of column spans: a rectangle, or the ellipse inscribed in
// its bounding rectangle. Every region is cut to the frame before anything is read, because sidecar
// files and commands that change the frame size can leave rectangles that reach past it.

#include "thermogram/rect.h"

#include <cstdint>
#include <vector>

namespace calidarix {

// Columns X0 .. X1 (inclusive) of row Y.
struct TRowSpan {
  std::int32_t Y = 0;
  std::int32_t X0 = 0;
  std::int32_t X1 = 0;

  friend bool operator==(const TRowSpan &, const TRowSpan &) = default;
};

// Rows Top .. Bottom in order, one span each, of the rectangle r (both edges inclusive) or, with
// ellipse, of the ellipse it bounds: with a = (Right - Left) div 2 and b = (Bottom - Top) div 2 the
// ellipse is centred on column Left + a and row Top + b, and row y covers the columns within
// Round(a x sqrt(1 - dy^2 / b^2)) of the centre (dy = y - Top - b); a row where that is not a real
// number (b = 0, or a last row below the ellipse when the height is odd) keeps only the centre pixel.
// The shape is computed on r as given and then cut to a width x height frame; rows and spans that lie
// wholly outside are dropped. r must have Left <= Right and Top <= Bottom; otherwise nothing.
std::vector<TRowSpan> RegionSpans(const TRect &r, bool ellipse, int width, int height);

} // namespace calidarix
