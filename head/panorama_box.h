#pragma once
// What the 3-D view's box mode needs of a stitched panorama, without OpenGL: the six cube faces at
// full raw precision (16-bit values; an 8-bit channel would lose what the temperature pick reads), the
// thermogram position and temperature under a picked point inside the box, and the remap tables of
// the frame-by-frame display, which shows each frame of a panorama folder flat in its own direction.
//
// Angles of the thermogram: HorzExtent across its width, VertExtent over its height and Elevation
// below the horizon at its bottom row, all in 1/180 degree; azimuth 0 lies at its middle column.

#include "thermogram/cube_faces.h"
#include "thermogram/tdtv.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace calidarix {

// Radians per column and per row of a thermogram with scan angles; 0 without them.
struct TBoxAngles {
  double RadPerPixelH = 0.0;
  double RadPerPixelV = 0.0;
};
TBoxAngles BoxAnglesOf(const TDTV &thermogram);

// The six faces (0..3 at the azimuths 0, 90, 180, 270 degrees, 4 the zenith, 5 the nadir), side x side
// raw values each, row 0 the top; 0 where a face looks past the thermogram. Empty faces when side < 1.
using TBoxFaces = std::array<std::vector<std::uint16_t>, 6>;
TBoxFaces BuildBoxFaces(const TDTV &thermogram, int side);

// The thermogram position seen through the model point (x, y, z) of the box (the viewer at the
// origin): column atan2(y, -x) / RadPerPixelH + W / 2, row ((VertExtent - Elevation) in radians -
// atan2(z, sqrt(x^2 + y^2))) / RadPerPixelV. Nothing when it falls outside the thermogram (also
// when the angles are 0, before the box mode ran).
std::optional<FramePosition> BoxPickPosition(const TDTV &thermogram, const TBoxAngles &angles, double x,
                                             double y, double z);
// The temperature there (bilinear between raw values); nothing outside the thermogram.
std::optional<double> BoxPickTemperature(const TDTV &thermogram, const TBoxAngles &angles, double x, double y,
                                         double z);

// The frame display's geometry for frames of horArc x verArc units and frameWidth x frameHeight
// pixels: the half width and height of a frame rectangle at distance 1, and per quarter row j
// (0..127) and column i (0..255) the source offsets from the frame centre in pixels.
struct TPanoFrameRemap {
  double FrustumTanH = 0.0;
  double FrustumTanV = 0.0;
  std::vector<double> ColumnMap; // 128 x 256, index j x 256 + i
  std::vector<double> RowMap;    // 128
};
// Nothing when an arc is not positive.
std::optional<TPanoFrameRemap> MakePanoFrameRemap(int horArc, int verArc, int frameWidth, int frameHeight);

} // namespace calidarix
