#pragma once
// The composite snapshot: the picture of what the thermographer sees, laid out for a report. The
// thermogram at a fixed minimum size, optionally framed with a compact scale pane (palette bar, scale,
// upper and lower temperature) and four info lines, and the panes of the shown graph windows below and
// beside it.
//
// The composition is built here in memory; the pictures of its parts come from the same painting
// functions that paint the screen, handed in as TSnapshotPainters. Sizes, for a base SW x SH and
// D = (SH + 2) x 64 / 434 truncated:
//   0 "Image Only"         SW x SH
//   1 "Image+Scale"        (SW + D) x (SH + 2)
//   2 "Image+Scale+Info"   (SW + D) x (SH + 2)
//   3 "Scale Only"         64 x 434
// plus 201 rows with the thermo-profile pane and 266 columns with the time-profile pane.

#include "thermogram/image_layout.h"
#include "thermogram/rect.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QPainter;

namespace calidarix {

enum class TSnapshotLook { ImageOnly = 0, ImageScale = 1, ImageScaleInfo = 2, ScaleOnly = 3 };

// BMPLook as stored; a value that names no layout is "Image+Scale", the program's default.
TSnapshotLook SnapshotLookOf(int bmpLook);

inline constexpr int kScalePaneWidth = 64;
inline constexpr int kScalePaneHeight = 434;
inline constexpr int kThermoProfilePaneHeight = 201;
inline constexpr int kTimeProfilePaneWidth = 266;

// The base size of the thermogram in the snapshot: a landscape frame keeps its width (at least 512
// columns) and takes its height from the display aspect; any other frame keeps its height (at least 432
// rows) and takes its width from the aspect. Halves round to the even neighbour. A frame without pixels
// or an unusable aspect is taken as 4:3.
QSize SnapshotBaseSize(int width, int height, double aspect);

// Width of the scale pane stretched beside an image part `height` rows high.
int ScalePaneWidth(int height);

// The size of the whole snapshot.
QSize SnapshotSize(TSnapshotLook look, QSize base, bool thermoProfilePane, bool timeProfilePane);

// The view of the thermogram rendered into the snapshot's image area: the screen view (its paint box
// box.width() x box.height()) around the same centre, scaled so that the box's visible height (when
// the box is relatively wider than the canvas) or width maps onto the image area. `canvas` is the
// snapshot's image part (SW x SH, or SW x (SH + 2) when framed), `framed` says the image lies inside a
// one-pixel frame, so its area is two pixels smaller and the centre is taken unclamped. A box without
// pixels gives the whole frame fitted into the area.
TImageView SnapshotImageView(const TImageView &screen, QSize box, QSize canvas, bool framed);

// A temperature on the scale pane: a whole number with FIsInteger, else rounded to two decimals and
// written in the shortest form with "." (36.456 -> "36.46", 36.5 -> "36.5").
QString ScalePaneValueText(double value, bool isInteger);

// The four info lines of "Image+Scale+Info": the file name without its folder and its last four
// characters, the comment, the file's date and its time (the texts as the caller formats them).
QStringList SnapshotInfoLines(const QString &fileName, const QString &comment, const QString &dateText,
                              const QString &timeText);

enum class TGraphPane { ThermoProfile, TimeProfile };

// What the snapshot draws, gathered by the window.
struct TSnapshotRequest {
  TSnapshotLook Look = TSnapshotLook::ImageScale;
  QSize Base;            // SnapshotBaseSize of the thermogram
  QString MaxLabel;      // "Max" in the language shown
  QString MinLabel;      // "Min"
  QString UpperValue;    // ScalePaneValueText of the upper end of the range
  QString LowerValue;    // ... of the lower end
  QStringList InfoLines; // layout 2 only
  int FontSize = 14;     // points of the info lines (FontN)
  bool ThermoProfilePane = false;
  bool TimeProfilePane = false;
};

// The painting functions of the parts. Image paints the thermogram into an area of the given size with
// its top-left corner at the painter's origin; PaletteBar and Scale paint over the rectangle they are
// given; Badge draws the program's badge with its corner at a point; GraphPane returns the picture of a
// graph window at exactly the requested size, or a null image while that window has nothing to show
// (its area then stays white). Any of them may be empty: that part is left white.
struct TSnapshotPainters {
  std::function<void(QPainter &, QSize)> Image;
  std::function<void(QPainter &, const TRect &)> PaletteBar;
  std::function<void(QPainter &, const TRect &)> Scale;
  std::function<void(QPainter &, QPoint, const QColor &)> Badge;
  std::function<QImage(TGraphPane, QSize)> GraphPane;
};

// The snapshot as a 24-bit picture (QImage::Format_RGB32, opaque).
QImage ComposeSnapshot(const TSnapshotRequest &request, const TSnapshotPainters &painters);

// The compact scale pane alone, 64 x 434.
QImage ComposeScalePane(const TSnapshotRequest &request, const TSnapshotPainters &painters);

// A bevelled box over the inclusive pixel rectangle r: left and top edges silver, right and bottom
// edges black, and with fill the inside white.
void DrawFrameBox(QPainter &painter, const TRect &r, bool fill);

} // namespace calidarix
