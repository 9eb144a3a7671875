#include "thermogram/builtin_palettes.h"

#include "platform/numbers.h"

#include <algorithm>
#include <array>
#include <vector>

namespace calidarix {

namespace {

using Nodes = std::vector<TPaletteNode>;

// Node lists of "PAL_1" .. "PAL_11", in that order.
const std::array<Nodes, kBuiltinPaletteCount> &BuiltinNodes() {
  static const std::array<Nodes, kBuiltinPaletteCount> nodes = {{
      // "PAL_1": RGB
      {{0, {0, 0, 0}},
       {31, {128, 0, 128}},
       {63, {0, 0, 255}},
       {95, {0, 128, 128}},
       {127, {0, 255, 0}},
       {159, {128, 128, 0}},
       {191, {255, 0, 0}},
       {223, {255, 255, 0}},
       {255, {255, 255, 255}}},
      // "PAL_2": Hot Metal
      {{0, {0, 0, 0}},
       {27, {128, 0, 128}},
       {35, {64, 0, 128}},
       {59, {128, 0, 255}},
       {67, {0, 0, 128}},
       {91, {0, 0, 255}},
       {99, {0, 128, 128}},
       {123, {0, 255, 255}},
       {131, {0, 128, 0}},
       {155, {0, 255, 0}},
       {163, {128, 128, 0}},
       {187, {255, 255, 0}},
       {195, {128, 64, 0}},
       {219, {255, 128, 0}},
       {227, {128, 0, 0}},
       {255, {255, 0, 0}}},
      // "PAL_3": Hot Blue
      {{0, {0, 0, 0}}, {63, {128, 0, 128}}, {127, {255, 0, 0}}, {191, {255, 255, 0}}, {255, {255, 255, 255}}},
      // "PAL_4": Gray
      {{0, {0, 0, 0}}, {255, {255, 255, 255}}},
      // "PAL_5": Infratec
      {{0, {0, 0, 0}},
       {22, {0, 0, 128}},
       {56, {0, 0, 255}},
       {112, {0, 255, 0}},
       {134, {255, 255, 0}},
       {172, {255, 128, 0}},
       {192, {255, 0, 0}},
       {224, {255, 0, 255}},
       {255, {255, 255, 255}}},
      // "PAL_6": Agema
      {{0, {0, 0, 0}},
       {31, {41, 0, 137}},
       {63, {122, 0, 157}},
       {91, {185, 4, 149}},
       {127, {217, 41, 97}},
       {153, {238, 93, 5}},
       {179, {248, 139, 0}},
       {205, {254, 191, 0}},
       {231, {255, 232, 63}},
       {255, {255, 255, 249}}},
      // "PAL_7": Inframetrics
      {{0, {0, 0, 0}},
       {31, {255, 0, 255}},
       {63, {0, 0, 255}},
       {91, {0, 255, 255}},
       {127, {0, 128, 0}},
       {153, {255, 255, 0}},
       {179, {255, 150, 0}},
       {205, {255, 0, 0}},
       {231, {255, 200, 200}},
       {255, {255, 255, 255}}},
      // "PAL_8": CMY
      {{0, {0, 0, 0}}, {127, {112, 66, 20}}, {255, {255, 255, 255}}},
      // "PAL_9"
      {{0, {0, 0, 255}}, {85, {0, 0, 0}}, {170, {255, 255, 255}}, {255, {255, 0, 0}}},
      // "PAL_10"
      {{0, {0, 0, 0}}, {63, {255, 255, 255}}, {127, {0, 128, 0}}, {191, {255, 255, 0}}, {255, {255, 0, 0}}},
      // "PAL_11"
      {{0, {0, 0, 255}}, {85, {0, 128, 0}}, {170, {255, 255, 0}}, {255, {255, 0, 0}}},
  }};
  return nodes;
}

std::uint8_t ToByte(double value) {
  return static_cast<std::uint8_t>(std::clamp(TruncToInt32(value), 0, 255));
}

} // namespace

void ExpandPaletteNodes(std::span<const TPaletteNode> nodes, TPaletteTable &table) {
  for (std::size_t n = 1; n < nodes.size(); ++n) {
    const TPaletteNode &from = nodes[n - 1];
    const TPaletteNode &to = nodes[n];
    const int p0 = from.Position;
    const int p1 = to.Position;
    const double d = p1 == p0 ? 1.0 : static_cast<double>(p1 - p0);
    const double stepR = (to.Color.R - from.Color.R) / d;
    const double stepG = (to.Color.G - from.Color.G) / d;
    const double stepB = (to.Color.B - from.Color.B) / d;
    double r = from.Color.R;
    double g = from.Color.G;
    double b = from.Color.B;
    // The running sums, not c0 + i x step, are what the stored palettes were made from.
    for (int x = p0; x <= p1; ++x) {
      table[static_cast<std::size_t>(x)] = TRGB{ToByte(r), ToByte(g), ToByte(b)};
      r += stepR;
      g += stepG;
      b += stepB;
    }
  }
}

TPaletteTable GreyRamp() {
  TPaletteTable table{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    table[i] = TRGB{v, v, v};
  }
  return table;
}

TPaletteTable BuiltinPalette(int number) {
  if (number < 1 || number > kBuiltinPaletteCount) {
    return GreyRamp();
  }
  TPaletteTable table{};
  ExpandPaletteNodes(BuiltinNodes()[static_cast<std::size_t>(number - 1)], table);
  return table;
}

} // namespace calidarix
