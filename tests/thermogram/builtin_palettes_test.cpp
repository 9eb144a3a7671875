#include "thermogram/builtin_palettes.h"

#include <gtest/gtest.h>

#include <vector>

namespace calidarix {
namespace {

struct EntryCase {
  int palette;
  int entry;
  TRGB expected;
};

// Entries on nodes and between them, for palettes whose ramps step by fractions. The expected bytes
// come from running sums of the per-entry step, truncated: between nodes that is often one below
// what c0 + i x step would give, and the last entry may end one below its node.
TEST(BuiltinPalettesTest, ExpansionMatchesTheStoredBytes) {
  const std::vector<EntryCase> cases = {
      // "PAL_1": on nodes, and between 0 (0,0,0) .. 31 (128,0,128) and 31 .. 63 (0,0,255).
      {1, 0, {0, 0, 0}},
      {1, 1, {4, 0, 4}},
      {1, 15, {61, 0, 61}},
      {1, 30, {123, 0, 123}},
      {1, 31, {128, 0, 128}},
      {1, 32, {124, 0, 131}},
      {1, 47, {64, 0, 191}},
      {1, 127, {0, 255, 0}},
      {1, 200, {255, 71, 0}},
      {1, 254, {255, 255, 247}},
      {1, 255, {255, 255, 255}},
      // "PAL_2": short segments, and its last entry is 254, not 255.
      {2, 15, {71, 0, 71}},
      {2, 27, {128, 0, 128}},
      {2, 30, {104, 0, 128}},
      {2, 35, {64, 0, 128}},
      {2, 200, {154, 77, 0}},
      {2, 227, {128, 0, 0}},
      {2, 254, {250, 0, 0}},
      {2, 255, {254, 0, 0}},
      {3, 63, {128, 0, 128}},
      {3, 191, {255, 255, 0}},
      {5, 15, {0, 0, 87}},
      {5, 200, {255, 0, 63}},
      {5, 255, {255, 254, 255}},
      {6, 15, {19, 0, 66}},
      {6, 153, {238, 93, 5}},
      {6, 200, {252, 181, 0}},
      {6, 255, {255, 255, 249}},
      {7, 179, {255, 150, 0}},
      {8, 127, {112, 66, 20}},
      {9, 0, {0, 0, 255}},
      {9, 15, {0, 0, 210}},
      {9, 85, {0, 0, 0}},
      {9, 200, {255, 165, 165}},
      {9, 254, {255, 3, 3}},
      {10, 63, {255, 255, 255}},
      {10, 127, {0, 128, 0}},
      {11, 85, {0, 128, 0}},
      {11, 255, {255, 0, 0}},
  };
  for (const EntryCase &c : cases) {
    const TPaletteTable table = BuiltinPalette(c.palette);
    const TRGB got = table[static_cast<std::size_t>(c.entry)];
    EXPECT_EQ(got, c.expected) << "PAL_" << c.palette << " entry " << c.entry << ": got " << int(got.R) << ","
                               << int(got.G) << "," << int(got.B);
  }
}

TEST(BuiltinPalettesTest, GreyPaletteAndUnknownNumbersAreTheGreyRamp) {
  const TPaletteTable grey = GreyRamp();
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    ASSERT_EQ(grey[static_cast<std::size_t>(i)], (TRGB{v, v, v})) << i;
  }
  // "PAL_4" steps by exactly one per entry, so it ends on white.
  EXPECT_EQ(BuiltinPalette(4), grey);
  EXPECT_EQ(BuiltinPalette(0), grey);
  EXPECT_EQ(BuiltinPalette(12), grey);
  EXPECT_EQ(BuiltinPalette(-1), grey);
  // Every built-in palette differs from every other one.
  for (int a = 1; a <= kBuiltinPaletteCount; ++a) {
    for (int b = a + 1; b <= kBuiltinPaletteCount; ++b) {
      EXPECT_NE(BuiltinPalette(a), BuiltinPalette(b)) << a << " " << b;
    }
  }
}

TEST(BuiltinPalettesTest, ExpandNodesWritesOnlyBetweenTheEndNodes) {
  TPaletteTable table;
  table.fill(TRGB{1, 2, 3});
  const std::vector<TPaletteNode> nodes = {{0, {0, 0, 0}}, {128, {255, 0, 0}}, {255, {255, 255, 255}}};
  ExpandPaletteNodes(nodes, table);
  EXPECT_EQ(table[64], (TRGB{127, 0, 0}));
  EXPECT_EQ(table[128], (TRGB{255, 0, 0}));
  EXPECT_EQ(table[192], (TRGB{255, 128, 128}));
  EXPECT_EQ(table[255], (TRGB{255, 254, 254}));

  // Entries outside the nodes keep their colours; nodes on one position count as one entry apart
  // and the later one wins its entry.
  table.fill(TRGB{1, 2, 3});
  const std::vector<TPaletteNode> partial = {{10, {255, 0, 0}}, {10, {0, 0, 255}}, {20, {255, 255, 255}}};
  ExpandPaletteNodes(partial, table);
  EXPECT_EQ(table[9], (TRGB{1, 2, 3}));
  EXPECT_EQ(table[10], (TRGB{0, 0, 255}));
  EXPECT_EQ(table[15], (TRGB{127, 127, 255}));
  EXPECT_EQ(table[20], (TRGB{255, 255, 255}));
  EXPECT_EQ(table[21], (TRGB{1, 2, 3}));

  // Nodes out of order write nothing rather than run past the table.
  table.fill(TRGB{1, 2, 3});
  const std::vector<TPaletteNode> reversed = {{200, {255, 0, 0}}, {100, {0, 0, 255}}};
  ExpandPaletteNodes(reversed, table);
  for (const TRGB &entry : table) {
    ASSERT_EQ(entry, (TRGB{1, 2, 3}));
  }
}

} // namespace
} // namespace calidarix
