#pragma once
// The two layouts of the measurement info panel: a side column 96 pixels wide at the right edge of
// the window, the labels stacked, or a strip 32 pixels high at the bottom, the labels in two rows.
// Positions are (left, top) inside the info panel.

#include <span>

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

} // namespace calidarix
