#pragma once
// What a graph window writes out of its profiles: tab-separated text for the clipboard (the "Excel"
// button) and a SYLK spreadsheet file. Both are made from the profile slots, never from the pixels on
// screen. The picture of the graph is painted by graph_paint.h.

#include "analysis/graph_data.h"
#include "thermogram/io_result.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace calidarix {

// v rounded to `precision` significant digits and written with exactly `decimals` decimals; a value with
// more than `precision` digits before the point is written in exponent notation ("1.234568E8").
// SignificantFixedText(0.0345, 1, 7) is "0.0300000".
QString SignificantFixedText(double v, int precision, int decimals, char decimalSeparator = '.');

// What the exports need of a graph window.
struct TGraphExport {
  int Tag = 0;
  const std::vector<TProfile> *Profiles = nullptr; // slot 0 live, then stored, the last one empty
  double LowLimitTemp = 0.0;                       // histogram: temperatures of the outer bin edges
  double HighLimitTemp = 0.0;
  double FrameInterval = 0.0; // time profile: seconds between frames
};

// The profiles as rows of the clipboard text, "," as the decimal separator, each row ended by CR.
// Curves (Tags 0, 1): per row the value of each slot that reaches that row (seven digits, two decimals)
// followed by TAB, an empty cell (TAB) for a slot that ends above it, and one more TAB after the live
// slot. Histogram (Tag 2): per bin its centre temperature, TAB and its count; the row ends after its last
// cell.
QString GraphClipboardText(const TGraphExport &graph);

// The profiles as a SYLK file's text, lines ended by CR LF: "ID;E", the cells, "E". A cell is
// "C;X<column>;Y<row>;K<value>"; rows and columns count from 1. The time profile's first column holds
// the time of each frame in seconds, the histogram's the centre temperature of each bin; their profiles
// follow from the second column, the thermo profile's start in the first. Histogram counts are written as
// shares of their slot's total with one significant digit.
QByteArray GraphSylkText(const TGraphExport &graph);

// Writes GraphSylkText to fileName, whole to a temporary file that then replaces the old file.
IoResult SaveGraphSylk(const QString &fileName, const TGraphExport &graph);

} // namespace calidarix
