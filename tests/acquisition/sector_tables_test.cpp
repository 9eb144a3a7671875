#include "acquisition/sector_tables.h"

#include <gtest/gtest.h>

#include <numeric>
#include <utility>
#include <vector>

namespace calidarix {
namespace {

using Entries = std::vector<std::pair<int, int>>; // (Count, Delay)

Entries Take(const TSectorTable &table, int n) {
  Entries out;
  for (int i = 0; i < n; ++i)
    out.emplace_back(table[i].Count, table[i].Delay);
  return out;
}

int CountSum(const TSectorTable &table, int n) {
  return std::accumulate(table.begin(), table.begin() + n, 0,
                         [](int sum, const TSectorEntry &e) { return sum + e.Count; });
}

TEST(SectorTables, DefaultTableFollowsTheMirrorAndFillsTheLine) {
  TSectorTable table{};
  EXPECT_EQ(BuildSectorTable(table, 320, 16, 16, 4, false), 0);
  const Entries expected = {{2, 16},  {6, 13}, {11, 11}, {14, 8}, {18, 7}, {20, 5},  {22, 4}, {23, 4},
                            {111, 4}, {22, 4}, {20, 5},  {18, 7}, {14, 8}, {11, 11}, {6, 13}, {2, 15}};
  EXPECT_EQ(Take(table, 16), expected);
  EXPECT_EQ(CountSum(table, 16), 320);

  // Fixed-line mode samples every sector at the centre delay.
  BuildSectorTable(table, 320, 16, 16, 4, true);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(table[i].Delay, 4) << i;
}

TEST(SectorTables, CrowdedMiddleSectorIsSplitIntoFullEntries) {
  TSectorTable table{};
  // At 1838 pixels in 16 sectors the middle must take 600 pixels: 255, 255 and 90.
  EXPECT_EQ(BuildSectorTable(table, 1838, 16, 16, 4, false), 18);
  EXPECT_EQ(table[8].Count, 255);
  EXPECT_EQ(table[9].Count, 255);
  EXPECT_EQ(table[10].Count, 90);
  EXPECT_EQ(table[10].Delay, 4); // the old middle sector, moved up
  EXPECT_EQ(Take(table, 18), (Entries{{13, 16},
                                      {39, 13},
                                      {63, 11},
                                      {85, 8},
                                      {104, 7},
                                      {119, 5},
                                      {129, 4},
                                      {134, 4},
                                      {255, 4},
                                      {255, 4},
                                      {90, 4},
                                      {129, 4},
                                      {119, 5},
                                      {104, 7},
                                      {85, 8},
                                      {63, 11},
                                      {39, 13},
                                      {13, 15}}));
  EXPECT_EQ(CountSum(table, 18), 1838);
}

TEST(SectorTables, SectorCountsOutsideTheTableAreClamped) {
  TSectorTable table{};
  // One sector would divide by zero; it is taken as two.
  EXPECT_EQ(ClampSectorCount(1), 2);
  EXPECT_EQ(ClampSectorCount(0), 2);
  EXPECT_EQ(ClampSectorCount(-7), 2);
  EXPECT_EQ(ClampSectorCount(300), 256);
  BuildSectorTable(table, 320, 1, 16, 4, false);
  EXPECT_EQ(CountSum(table, 2), 320);
  // A very wide line splits into more entries than the table has; it stops at the last entry.
  EXPECT_EQ(BuildSectorTable(table, 2'000'000, 200, 16, 4, false), kSectorTableSize);
  BuildSectorTableSinus(table, 320, 400, 16, 4);
  EXPECT_EQ(CountSum(table, 256), 320);
  EXPECT_EQ(BuildSectorTableLine(table, 1'000'000, 9), kSectorTableSize);
  BuildSectorTable512(table, 320, 1000);
  BuildSectorTable1002(table, 320, 1, 16, 4);
}

TEST(SectorTables, SinusTableRoundsWithoutTheMarginFactor) {
  TSectorTable table{};
  BuildSectorTableSinus(table, 320, 16, 16, 4);
  const std::vector<int> counts = {3, 9, 15, 20, 24, 28, 30, 31, 31, 30, 28, 24, 20, 15, 9, 3};
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(table[i].Count, counts[i]) << i;
  EXPECT_EQ(table[0].Delay, 16);
  EXPECT_EQ(table[8].Delay, 4);
}

TEST(SectorTables, QuarterLineAnd512Layouts) {
  TSectorTable table{};
  BuildSectorTableQuarter(table, 321);
  EXPECT_EQ(Take(table, 4), (Entries{{80, 0}, {80, 0}, {80, 0}, {81, 0}}));

  EXPECT_EQ(BuildSectorTableLine(table, 320, 18), 3);
  EXPECT_EQ(Take(table, 3), (Entries{{128, 18}, {128, 18}, {64, 18}}));
  EXPECT_EQ(BuildSectorTableLine(table, 256, 18), 2);
  EXPECT_EQ(Take(table, 2), (Entries{{128, 18}, {128, 18}}));
  EXPECT_EQ(BuildSectorTableLine(table, 0, 18), 0);

  table.fill(TSectorEntry{7, 7});
  BuildSectorTable512(table, 0x01020304, 5);
  EXPECT_EQ(Take(table, 6), (Entries{{255, 0}, {1, 2}, {3, 4}, {0, 0}, {0, 0}, {7, 7}}));
}

TEST(SectorTables, Camera1002TableHasOddDelaysAndWidensEntrySeven) {
  TSectorTable table{};
  BuildSectorTable1002(table, 320, 16, 16, 4);
  const Entries expected = {{2, 17}, {7, 15}, {11, 11}, {15, 9}, {18, 7}, {21, 7},  {23, 5}, {105, 5},
                            {23, 5}, {23, 5}, {21, 7},  {18, 7}, {15, 9}, {11, 11}, {7, 15}, {2, 17}};
  EXPECT_EQ(Take(table, 16), expected);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(table[i].Delay % 2, 1) << i;
}

} // namespace
} // namespace calidarix
