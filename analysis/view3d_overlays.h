#pragma once
// The read-outs drawn over the 3-D view: the status lines, the temperature under the mouse and the
// labels of picked points, with the mapping of a model point back to a pixel of the panorama; and the
// file names of the saved frames.

#include "analysis/view3d_state.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace calidarix {

// What the status lines show besides the view state.
struct TStatusContext {
  bool PanoLoaded = false; // the panorama frames own the picture
  bool BoxMode = false;
  QString GLInfoText;
  bool Lighting = false;
  bool FlyMode = false;
  bool CoordinateGrid = false;
  bool GridOnly = false;
  bool Colour = false;
  bool Transparency = false;
};

// One status line: drawn at x = 0 and y = Pitch x the line pitch from the bottom.
struct TStatusLine {
  int Pitch = 1;
  QString Text;
};
std::vector<TStatusLine> StatusOverlayLines(const TView3DState &s, const TStatusContext &context);

// "25.37°": the label of a picked point.
QString SampleLabelText(double temperature);
// "25.37°@(12.5°;-3.0°)": the temperature under the mouse at azimuth and elevation (degrees).
QString TemperatureSampleText(double temperature, double azimuth, double elevation);

// The panorama pixel (column, row) that model point p looks at. Before the box mode ran the pixel sizes
// are 0 and the position is not finite.
std::array<double, 2> ModelPointSource(const std::array<double, 3> &p, const TView3DState &s, int width,
                                       double vertExtent, double elevation);
// Is the source position on a width x height frame (finite and 0 <= x < W, 0 <= y < H)?
bool SourceOnFrame(const std::array<double, 2> &source, int width, int height);
// Azimuth and elevation of model point p in degrees, the azimuth counted from the panorama's centre
// column the way ModelPointSource counts it (column W / 2 + azimuth / degrees per pixel).
std::array<double, 2> ModelPointDirection(const std::array<double, 3> &p);

// Is a projected sample on the window: 0 <= x < w, 0 <= y < h and 0 <= depth <= 1?
bool SampleOnWindow(const std::array<double, 3> &window, int width, int height);

// "<folder>/frame_00042.jpg": a separator is added to the folder when it does not end in one.
QString SavedFrameFileName(const QString &folder, int number);

} // namespace calidarix
