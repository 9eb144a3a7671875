#pragma once
// The eleven palettes built into the program ("PAL_1" .. "PAL_11") and the node interpolation that
// expands a short list of colour nodes into a 256-entry palette. The palette editor expands its nodes
// with the same rule, so a palette drawn there and a built-in one behave alike.

#include "thermogram/tdtv.h"

#include <cstdint>
#include <span>

namespace calidarix {

// One colour node: the palette entry it sits on and its colour there.
struct TPaletteNode {
  std::uint8_t Position = 0;
  TRGB Color;
};

// Number of built-in palettes; they are numbered 1 .. kBuiltinPaletteCount like their names.
inline constexpr int kBuiltinPaletteCount = 11;

// Expands nodes (sorted by position) into table. For each pair of neighbouring nodes the entries from
// the first node's position to the second's get the running value of a linear ramp, truncated, that
// starts at the first colour and grows by (c1 - c0) / (p1 - p0) per entry in double precision; the
// next pair starts again at its own first node, so every node but the last ends on its own colour and
// the last may end one below it. Entries outside the nodes keep their values; nodes on the same
// position count as one entry apart.
void ExpandPaletteNodes(std::span<const TPaletteNode> nodes, TPaletteTable &table);

// Entry i = (i, i, i).
TPaletteTable GreyRamp();

// The expanded built-in palette "PAL_<number>", number 1 .. kBuiltinPaletteCount. Any other number
// gives the grey ramp, so a bad slot setting still shows a usable picture.
TPaletteTable BuiltinPalette(int number);

} // namespace calidarix
