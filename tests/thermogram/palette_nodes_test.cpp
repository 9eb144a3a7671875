#include "thermogram/palette_nodes.h"

#include "thermogram/builtin_palettes.h"

#include <gtest/gtest.h>

#include <vector>

namespace calidarix {
namespace {

constexpr TRGB kRed{255, 0, 0};

void ExpectColor(TRGB actual, TRGB expected) {
  EXPECT_EQ(actual.R, expected.R);
  EXPECT_EQ(actual.G, expected.G);
  EXPECT_EQ(actual.B, expected.B);
}

TEST(PaletteNodesTest, NewEditorIsTheGreyRampBetweenTwoEndNodes) {
  TPaletteNodes nodes;
  EXPECT_EQ(nodes.Table(), GreyRamp());
  EXPECT_EQ(nodes.Selected(), 1);
  EXPECT_EQ(nodes.NodeCount(), 2);
  for (int node = 2; node < 32; ++node)
    EXPECT_FALSE(nodes.Visible(node));
}

TEST(PaletteNodesTest, InteriorNodeSplitsTheRampAndTheLastEntryMayEndOneBelow) {
  TPaletteNodes nodes;
  EXPECT_EQ(nodes.AddNode(128, kRed), 2);
  EXPECT_EQ(nodes.Selected(), 2);
  const TPaletteTable &t = nodes.Table();
  ExpectColor(t[64], {127, 0, 0});
  ExpectColor(t[128], {255, 0, 0});
  ExpectColor(t[192], {255, 128, 128});
  ExpectColor(t[255], {255, 254, 254});
}

TEST(PaletteNodesTest, AddingKeepsPositionsInsideThePaletteAndStopsAtThirtyTwoNodes) {
  TPaletteNodes nodes;
  EXPECT_EQ(nodes.AddNode(270, kRed), 2);
  EXPECT_EQ(nodes.Position(2), 255);
  EXPECT_EQ(nodes.AddNode(-5, kRed), 3);
  EXPECT_EQ(nodes.Position(3), 0);
  for (int node = 4; node < 32; ++node)
    EXPECT_EQ(nodes.AddNode(node, kRed), node);
  EXPECT_EQ(nodes.AddNode(100, kRed), 0);
  EXPECT_EQ(nodes.NodeCount(), 32);
  // A deleted node's number is used again first.
  nodes.DeleteNode(5);
  EXPECT_EQ(nodes.AddNode(100, kRed), 5);
}

TEST(PaletteNodesTest, DeletingTheSelectedNodeSelectsNodeOneAndEndNodesStay) {
  TPaletteNodes nodes;
  nodes.AddNode(50, kRed);
  nodes.AddNode(100, kRed);
  nodes.DeleteNode(2); // not the selected one
  EXPECT_FALSE(nodes.Visible(2));
  EXPECT_EQ(nodes.Selected(), 3);
  nodes.DeleteNode(3);
  EXPECT_EQ(nodes.Selected(), 1);
  nodes.DeleteNode(1);
  nodes.DeleteNode(32);
  EXPECT_TRUE(nodes.Visible(1));
  EXPECT_TRUE(nodes.Visible(32));
  EXPECT_EQ(nodes.Table(), GreyRamp());
}

TEST(PaletteNodesTest, DraggedNodesStayWithinOneTo254AndEndNodesDoNotMove) {
  const struct {
    int start, move, expected;
  } cases[] = {
      {100, 5, 105}, {100, -5, 95}, {3, -2, 1},    {10, -20, 1},
      {0, 0, 1},     {250, 3, 254}, {255, 0, 254}, {200, 100, 254},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.start);
    SCOPED_TRACE(c.move);
    TPaletteNodes nodes;
    nodes.AddNode(c.start, kRed);
    nodes.DragSelected(c.move);
    EXPECT_EQ(nodes.Position(2), c.expected);
  }
  TPaletteNodes nodes;
  nodes.DragSelected(40); // node 1 is selected
  EXPECT_EQ(nodes.Position(1), 0);
}

TEST(PaletteNodesTest, InvertRotateAndRestore) {
  TPaletteNodes nodes;
  nodes.AddNode(10, kRed);
  nodes.AddNode(0, TRGB{0, 255, 0});
  nodes.AddNode(40, TRGB{1, 2, 3});
  nodes.DeleteNode(4); // hidden nodes take no part
  nodes.Rotate();
  EXPECT_EQ(nodes.Position(2), 246);
  EXPECT_EQ(nodes.Position(3), 255);
  EXPECT_EQ(nodes.Position(4), 40);
  EXPECT_EQ(nodes.Position(1), 0);
  ExpectColor(nodes.Color(1), {255, 255, 255});
  ExpectColor(nodes.Color(32), {0, 0, 0});

  nodes.Invert();
  ExpectColor(nodes.Color(1), {0, 0, 0});
  ExpectColor(nodes.Color(2), {0, 255, 255});
  ExpectColor(nodes.Color(4), {1, 2, 3});

  nodes.Restore();
  EXPECT_EQ(nodes.Selected(), 1);
  EXPECT_EQ(nodes.NodeCount(), 2);
  EXPECT_EQ(nodes.Table(), GreyRamp());
  EXPECT_FALSE(nodes.Visible(2));
  ExpectColor(nodes.Color(2), {0, 0, 0});
}

TEST(PaletteNodesTest, RecordsOfANewEditorAreTheFileOfTheEndNodes) {
  const std::vector<std::uint8_t> bytes = IrpFileBytes(TPaletteNodes().Records());
  ASSERT_EQ(bytes.size(), 192u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 6),
            (std::vector<std::uint8_t>{0, 1, 0, 0, 0, 0}));
  for (int record = 1; record < 31; ++record)
    EXPECT_EQ(bytes[static_cast<std::size_t>(record * 6 + 1)], 0) << record;
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.end() - 6, bytes.end()),
            (std::vector<std::uint8_t>{255, 1, 255, 255, 255, 0}));
}

TEST(PaletteNodesTest, ShortRecordListEndsOnNodeThirtyTwoAndKeepsTheRestOfTheTable) {
  TPaletteNodes nodes;
  nodes.AddNode(50, kRed); // node 2, hidden by the load
  nodes.AddNode(60, kRed); // node 3, deleted before the load
  nodes.DeleteNode(3);
  const TPaletteTable before = nodes.Table();
  const std::vector<TPaletteRecord> records = {{0, true, {0, 0, 0}}, {100, true, kRed}};
  ASSERT_TRUE(nodes.LoadRecords(records));
  EXPECT_EQ(nodes.Position(32), 100);
  ExpectColor(nodes.Color(32), kRed);
  EXPECT_FALSE(nodes.Visible(2));
  EXPECT_EQ(nodes.Selected(), 1);
  ExpectColor(nodes.Table()[100], kRed);
  for (std::size_t i = 101; i < 256; ++i)
    ExpectColor(nodes.Table()[i], before[i]);

  const std::vector<TPaletteRecord> one = {{0, true, kRed}};
  EXPECT_FALSE(nodes.LoadRecords(one));
  EXPECT_EQ(nodes.Position(32), 100);
}

TEST(PaletteNodesTest, ShortRecordListHidesTheNodesItDoesNotDefine) {
  TPaletteNodes nodes;
  nodes.AddNode(40, kRed);            // node 2
  nodes.AddNode(80, TRGB{0, 0, 255}); // node 3
  nodes.AddNode(120, kRed);           // node 4
  const std::vector<TPaletteRecord> records = {
      {0, true, {0, 0, 0}}, {10, true, {0, 255, 0}}, {200, true, kRed}};
  ASSERT_TRUE(nodes.LoadRecords(records));
  EXPECT_TRUE(nodes.Visible(2));
  EXPECT_FALSE(nodes.Visible(3)); // moved to node 32
  EXPECT_FALSE(nodes.Visible(4)); // not in the file
  EXPECT_EQ(nodes.NodeCount(), 3);
  EXPECT_EQ(nodes.Position(32), 200);
  // Between 10 and 200 the ramp runs from green to red, with nothing of the old red node at 120.
  ExpectColor(nodes.Table()[10], TRGB{0, 255, 0});
  EXPECT_LT(nodes.Table()[120].R, 160);
  EXPECT_GT(nodes.Table()[120].G, 100);
}

TEST(PaletteNodesTest, FullRecordListRoundTrips) {
  TPaletteNodes source;
  source.AddNode(30, kRed);
  source.AddNode(200, TRGB{9, 8, 7});
  source.DeleteNode(2);
  const auto records = source.Records();
  TPaletteNodes copy;
  ASSERT_TRUE(copy.LoadRecords(records));
  EXPECT_EQ(copy.Table(), source.Table());
  EXPECT_FALSE(copy.Visible(2));
  EXPECT_EQ(copy.Position(2), 30); // a hidden node keeps its place for the next file
}

TEST(PaletteNodesTest, ColourEditsAreLimitedAndFallBackToTheValueOnEntry) {
  const struct {
    const char *text;
    int expected;
  } cases[] = {{"abc", 17},
               {"", 17},
               {"12x", 17},
               {"300", 255},
               {"-4", 0},
               {" 42 ", 42},
               {"99999999999999999999", 17}};
  for (const auto &c : cases)
    EXPECT_EQ(ColourEditValue(QString::fromLatin1(c.text), 17), c.expected) << c.text;
}

} // namespace
} // namespace calidarix
