#pragma once
// Merging a multi-frame scan into one wide frame. A scan at line speed records a film whose frames are
// consecutive sweeps of the scanner's lines; side by side they are one panorama. The frames are stacked
// one below the other, turned a quarter turn clockwise and mirrored left to right: together that is a
// transposition, so each frame's rows become columns in their order and the first frame lies at the
// left. The result is one frame marked with the angles it covers.

#include "thermogram/io_result.h"
#include "thermogram/tdtv.h"

#include <cstdint>
#include <functional>

namespace calidarix {

// The scanner's lines are a fortieth of a degree apart: 240 columns of the merged frame cover 6
// degrees. Its field is 40 degrees high and centred on the horizon: the elevation is half the height.
inline constexpr std::uint16_t kMergedScanVertExtent = 7200; // 1/180 degree
inline constexpr std::int16_t kMergedScanElevation = 3600;   // 1/180 degree

struct TMergedScanAngles {
  std::uint16_t HorzExtent = 0; // 1/180 degree; 65535 (a full circle and more) at most
  std::uint16_t VertExtent = kMergedScanVertExtent;
  std::int16_t Elevation = kMergedScanElevation;
  double Aspect = 0.0; // width over height on screen, from the angles before any limit
};

// The angles of a merged frame `width` columns wide.
TMergedScanAngles MergedScanAngles(int width);

// Merges the frames 1 .. FrameCount of the film the thermogram was read from (FFileName) into the
// thermogram: stack, quarter turn, mirror; `step` is told 20, 40 and 60 after each of the three, and
// whatever it does (a pause to show the picture) happens before the result is marked as one frame with
// the merged angles and aspect. A thermogram of fewer than two frames, or a film that cannot be read
// whole, is an error and leaves the thermogram as it was.
IoResult MergeScanFrames(TDTV &dtv, const std::function<void(int percent)> &step);

} // namespace calidarix
