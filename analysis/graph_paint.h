#pragma once
// Painting of a graph window's parts onto any painter: the graph (grid, curves or bars, cursor), the value
// scale, the sub-range bar, the pixel ruler and the picture of the whole graph that the "Copy" button and
// the composite snapshot take. The window paints its boxes with these; the picture is built in memory.

#include "analysis/graph_state.h"
#include "thermogram/rect.h"
#include "thermogram/tdtv.h"

#include <QFont>
#include <QImage>
#include <QString>

class QPainter;

namespace calidarix {

// What shapes the painting besides the window's state.
struct TGraphLook {
  bool WholeDegrees = false; // the main window shows whole degrees
  // Histogram: each bar in the colour of its place on the main window's palette instead of grey.
  bool PaletteBars = false;
  TPaletteTable Palette{};
};

// The graph over r (L, T, R, B): background, grid lines every 20 pixels, the curves of the live and
// stored profiles (Tags 0, 1; the visible sub-range fills the height) or the bars of the histogram (Tag
// 2; the full count range), and the navy cursor line.
void PaintGraph(QPainter &painter, const TRect &r, const TGraphState &graph, const TGraphLook &look);

// The value scale over r for the values lo (bottom) .. hi (top): a tick every 2 pixels, longer every 10
// and 20, and at every 20 pixels away from the ends the value there, with one decimal (Tags 0, 1) or none
// (Tag 2, and whole degrees).
void PaintValueScale(QPainter &painter, const TRect &r, double hi, double lo, int tag, bool wholeDegrees);

// The text of the upper or lower end of the visible range, as the boxes above and below the scale show it.
QString RangeEndText(double v, int tag, bool wholeDegrees);

// The sub-range bar: 2 x 256 pixels, row i from the bottom white while FPalLow <= i <= FPalHigh, else black;
// the window stretches it over its box.
QImage SubRangeBar(const TGraphState &graph);

// The pixel ruler under the graph: a tick every 2 pixels, longer every 10 and 20.
void PaintRuler(QPainter &painter, int width);

// The picture of the graph at `size`: the graph with the value scale in the 64 pixels at the right, the
// ends of the visible range above and below the scale, the two cursor read-outs at the top left and a
// black frame.
QImage GraphPicture(QSize size, const TGraphState &graph, const TGraphLook &look, const QFont &font,
                    const QString &readout0, const QString &readout1);

// The font of the scales and read-outs.
QFont GraphFont();

} // namespace calidarix
