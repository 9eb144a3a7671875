#pragma once
// Rectangles from callers may come with their corners swapped (a selection dragged up or to the left)
// or reach outside the frame. These helpers put the corners in order and clip to the frame, so the
// operations never index outside it.

#include "thermogram/rect.h"

#include <algorithm>
#include <utility>

namespace calidarix {

namespace detail {

// Puts the corners in order and keeps Left, Top at 0 or above and Right, Bottom at the given
// limits or below.
inline TRect OrderAndClip(TRect r, int maxRight, int maxBottom) {
  if (r.Left > r.Right) {
    std::swap(r.Left, r.Right);
  }
  if (r.Top > r.Bottom) {
    std::swap(r.Top, r.Bottom);
  }
  r.Left = std::max(r.Left, 0);
  r.Top = std::max(r.Top, 0);
  r.Right = std::min(r.Right, maxRight);
  r.Bottom = std::min(r.Bottom, maxBottom);
  return r;
}

} // namespace detail

// Inclusive rectangle (Left .. Right, Top .. Bottom) clipped to a w x h frame. The result is empty
// (Left > Right or Top > Bottom) when nothing of it lies inside.
inline TRect ClipInclusiveRect(TRect r, int w, int h) {
  return detail::OrderAndClip(r, w - 1, h - 1);
}

// Half-open rectangle (Left .. Right-1, Top .. Bottom-1) clipped to a w x h frame. The result is
// empty (Left >= Right or Top >= Bottom) when nothing of it lies inside.
inline TRect ClipHalfOpenRect(TRect r, int w, int h) {
  return detail::OrderAndClip(r, w, h);
}

} // namespace calidarix
