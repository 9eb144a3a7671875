#pragma once
// The two layouts of the measurement info panel: a side column 96 pixels wide at the right edge of
// the window, the labels stacked, or a strip 32 pixels high at the bottom, the labels in two rows.
// Positions are (left, top) inside the info panel.

#include <functional>
#include <span>
#include <vector>

namespace calidarix {

struct InfoLabelPlace {
  const char *Name;
  int Left;
  int Top;
  bool Shown = true; // false: hidden in this layout
};

inline constexpr int kInfoColumnWidth = 96;
inline constexpr int kInfoStripHeight = 32;

// The labels of the info panel in the layout's order.
std::span<const InfoLabelPlace> InfoLabelPlaces(bool sideColumn);

// A label's box in a fitted layout.
struct InfoLabelBox {
  const char *Name;
  int Left;
  int Top;
  int Width;
  int Height;
};

struct InfoPanelFit {
  std::vector<InfoLabelBox> Boxes; // the shown labels, in the layout's order
  int Width = 0;                   // the panel's width: the column's, or the strip's content
};

// The layout's places widened to the texts: `needed` gives the pixels a label's text takes (0 for a
// label that does not exist). Each label is followed on its row by at least that width and `gap`
// pixels; the table's places and widths are the minimum, and a column of labels moves right as a
// whole. A label ends where the next one on its row begins, else at the panel's edge. The white copy of
// the temperature lies one pixel right of and below the black one, as wide.
InfoPanelFit FitInfoLabels(bool sideColumn, const std::function<int(const char *name)> &needed, int gap);

} // namespace calidarix
