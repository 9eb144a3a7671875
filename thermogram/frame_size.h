#pragma once
// Size limits for frames that an operation makes anew, and the one way such a frame replaces the old.
//
// Width and height are 16-bit header fields, so no side may exceed 65535 or be 0. Sizes that come out
// of real-valued formulas (projections, resampling to an aspect) can be anything from a tangent near
// 90 degrees, so those are also held to a pixel budget that keeps one allocation reasonable.

#include "thermogram/tdtv.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace calidarix {

inline constexpr std::int64_t kMaxFrameSide = 65535;
inline constexpr std::int64_t kMaxComputedFramePixels = std::int64_t{64} * 1024 * 1024;

// 1 <= w, h <= 65535.
inline bool FitsFrameSides(std::int64_t w, std::int64_t h) {
  return w >= 1 && h >= 1 && w <= kMaxFrameSide && h <= kMaxFrameSide;
}

// The sides fit and w x h stays within the budget for computed sizes.
inline bool FitsComputedFrame(std::int64_t w, std::int64_t h) {
  return FitsFrameSides(w, h) && w * h <= kMaxComputedFramePixels;
}

// Installs a w x h frame (pixels holds exactly w x h values); callers have checked the size.
// Contours traced on the old frame no longer lie on this one, so they go with it.
inline void ReplaceFrame(TDTV &t, std::int64_t w, std::int64_t h, std::vector<std::uint16_t> pixels) {
  t.FHeader.Width = static_cast<std::uint16_t>(w);
  t.FHeader.Height = static_cast<std::uint16_t>(h);
  t.FRaw = std::move(pixels);
  t.FIsoPoints.clear();
}

// The frame holds at least one pixel and agrees with its header.
inline bool HasFrame(const TDTV &t) {
  return t.Width() >= 1 && t.Height() >= 1 &&
         t.FRaw.size() == static_cast<std::size_t>(t.Width()) * static_cast<std::size_t>(t.Height());
}

} // namespace calidarix
