#pragma once
// Geometry of marker drawing: the head of a leader arrow, where a leader meets the outline of an area,
// which quadrant a label takes and where its text goes. Pure computations in box pixels (or image
// pixels for the boundary point); the window draws with them.

#include "thermogram/rect.h"

#include <cstdint>

namespace calidarix {

// The head of an arrow from `from` to `tip`: the base B lies 8 / tan 40 deg (about 9.53) pixels back
// from the tip along the line, the wings 4 pixels either side of B. Empty when from equals tip.
struct TArrowHead {
  bool Empty = true;
  TPoint Base;
  TPoint Wing1;
  TPoint Wing2;
};
TArrowHead ArrowHead(TPoint from, TPoint tip);

// Where the line from the centre of rect (Left, Top, Right, Bottom) towards p crosses the outline of
// the ellipse it bounds, or of the rectangle itself; AreaBoundaryPoint picks by arrayType (1 the
// ellipse). The centre is ((Right + Left) div 2, (Bottom + Top) div 2).
TPoint EllipseBoundaryPoint(const TRect &rect, TPoint p);
TPoint RectBoundaryPoint(const TRect &rect, TPoint p);
TPoint AreaBoundaryPoint(const TRect &rect, TPoint p, std::int32_t arrayType);

// The quadrant of a dragged area label by its offset from the area's centre: 2 up-left, 1 down-left,
// 3 up-right, 0 down-right (an offset of 0 counts as left or up).
std::uint8_t AreaLabelDirection(std::int32_t dx, std::int32_t dy);

// Offset of a label's text from its anchor by quadrant, for a text w x h pixels whose plain value
// text is h1 high: 0 (6, 2), 1 (-w - 6, 2), 2 (-w - 6, -h1 - 2), 3 (6, -h - 2).
TPoint LabelTextOffset(int direction, int w, int h, int h1);

} // namespace calidarix
