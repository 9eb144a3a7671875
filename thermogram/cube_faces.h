#pragma once
// Where the six faces of a cube around the camera look into an angular panorama. The 3-D view shows a
// panorama inside a box; each face texel takes the panorama pixel seen in its direction.

#include "thermogram/tdtv.h"

#include <optional>

namespace calidarix {

// A fractional position in the frame: column X, row Y.
struct FramePosition {
  double X = 0.0;
  double Y = 0.0;
};

// The frame position seen by texel (u, v) (column, row) of face `face` of an n x n cube face: faces
// 0 .. 3 look at the azimuths 0, 90, 180 and 270 degrees, face 4 at the zenith, face 5 at the nadir.
// The angles come from the header's HorzExtent, VertExtent and Elevation of a w x h frame. Returns
// nothing where the texel sees no frame pixel that can be sampled (0 <= X < w, 0 <= Y < h - 1).
std::optional<FramePosition> CubeFaceSource(const TDTVHeader &header, int n, int face, int u, int v);

} // namespace calidarix
