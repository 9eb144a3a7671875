#pragma once
// Conversions between image pixels (column, row of the thermogram) and pixels of the image box.
// Markers are stored in image pixels; mouse positions and drawing are in box pixels. Every
// conversion rounds to the nearest integer, halves to even, and uses the view as it is now.
//
// The main window's GetRealX ... GetScreenRect call these with ImageViewOf(*CurrentDTV). The
// temperature of one image pixel is TDTV::TemperatureAt (0.0 outside the frame).

#include "thermogram/image_layout.h"
#include "thermogram/rect.h"

#include <cstdint>

namespace calidarix {

// Image column / row under a box position, not clamped (may be negative or beyond the frame).
std::int32_t GetRealXPure(const TImageView &view, std::int32_t sx);
std::int32_t GetRealYPure(const TImageView &view, std::int32_t sy);

// The same clamped into the frame (0 for an empty frame).
std::uint16_t GetRealX(const TImageView &view, std::int32_t sx);
std::uint16_t GetRealY(const TImageView &view, std::int32_t sy);

// Box position of an image column / row.
std::int32_t GetScreenX(const TImageView &view, std::int32_t x);
std::int32_t GetScreenY(const TImageView &view, std::int32_t y);

TPoint GetRealPoint(const TImageView &view, TPoint p);
TPoint GetScreenPoint(const TImageView &view, TPoint p);

// Rectangles are inclusive pixel ranges. An image rectangle maps to the box span from the left edge
// of column Left to one pixel before the left edge of column Right + 1 (a zoomed pixel is covered
// whole); GetRealRect is the inverse and clamps its result into the frame after stepping back from
// the next edge, so an area that reaches the frame's last column or row keeps it on a round trip.
TRect GetRealRect(const TImageView &view, const TRect &r);
TRect GetScreenRect(const TImageView &view, const TRect &r);

} // namespace calidarix
