#include "analysis/graph_export.h"

#include "tests/support/test_support.h"

#include <QByteArray>

#include <filesystem>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

using test::QPath;

TEST(GraphExport, NumbersAreRoundedToSignificantDigitsFirst) {
  struct Case {
    double v;
    int precision, decimals;
    char separator;
    const char *expected;
  } cases[] = {
      {0.0345, 1, 7, '.', "0.0300000"}, {0.0351, 1, 7, '.', "0.0400000"},
      {1.0, 1, 7, '.', "1.0000000"},    {1.5, 7, 2, ',', "1,50"},
      {-12.345, 7, 2, '.', "-12.35"},   {123456.789, 7, 2, '.', "123456.80"},
      {0.0, 7, 2, ',', "0,00"},         {123456789.0, 7, 2, '.', "1.234568E8"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(SignificantFixedText(c.v, c.precision, c.decimals, c.separator), c.expected) << c.v;
}

TEST(GraphExport, ClipboardTextOfCurvesLeavesEmptyCellsForShorterProfiles) {
  // The live profile 1.5, 2.25 without stored profiles: two profiles, the last one empty.
  std::vector<TProfile> profiles = {{1.5f, 2.25f}, {}};
  TGraphExport graph{0, &profiles};
  EXPECT_EQ(GraphClipboardText(graph), "1,50\t\t\t\r2,25\t\t\t\r");

  // Three stored profiles of different lengths: the live value, an extra TAB, then each stored value.
  profiles = {{1.0f, 2.0f, 3.0f}, {4.0f, 5.0f, 6.0f}, {-7.0f}, {8.0f, 9.0f}, {}};
  graph.Tag = 1;
  EXPECT_EQ(GraphClipboardText(graph), "1,00\t\t4,00\t-7,00\t8,00\t\t\r"
                                       "2,00\t\t5,00\t\t9,00\t\t\r"
                                       "3,00\t\t6,00\t\t\t\t\r");
}

TEST(GraphExport, ClipboardTextOfTheHistogramIsOneRowPerBinEndingAfterItsCount) {
  std::vector<TProfile> profiles = {{3.0f, 0.0f, 12.0f}, {}};
  // Bins of 0.1 degree from 20.1: centres 20.15, 20.25, 20.35 (three bins shown here of the hundred).
  TGraphExport graph{2, &profiles, 20.1, 30.1};
  EXPECT_EQ(GraphClipboardText(graph), "20,15\t3\r20,25\t0\r20,35\t12\r");
}

TEST(GraphExport, SylkOfEachWindowCountsRowsAndColumnsFromOne) {
  std::vector<TProfile> profiles = {{1.5f, 2.25f}, {3.0f, 4.0f}, {}};
  TGraphExport graph{0, &profiles};
  EXPECT_EQ(GraphSylkText(graph), QByteArray("ID;E\r\n"
                                             "C;X1;Y1;K1.50\r\nC;X1;Y2;K2.25\r\n"
                                             "C;X2;Y1;K3.00\r\nC;X2;Y2;K4.00\r\n"
                                             "E\r\n"));
  // The time profile puts the time of each frame first.
  graph.Tag = 1;
  graph.FrameInterval = 0.25;
  profiles = {{10.0f, 11.0f, 12.0f}, {}};
  EXPECT_EQ(GraphSylkText(graph), QByteArray("ID;E\r\n"
                                             "C;X1;Y1;K0.25\r\nC;X1;Y2;K0.50\r\nC;X1;Y3;K0.75\r\n"
                                             "C;X2;Y1;K10.00\r\nC;X2;Y2;K11.00\r\nC;X2;Y3;K12.00\r\n"
                                             "E\r\n"));
  // The histogram: each bin's centre beside its share of the count, with one significant digit.
  graph = TGraphExport{2, &profiles, 20.0, 50.0};
  profiles = {{1.0f, 2.0f, 27.0f}, {}};
  EXPECT_EQ(GraphSylkText(graph),
            QByteArray("ID;E\r\n"
                       "C;X1;Y1;K20.15\r\nC;X1;Y2;K20.45\r\nC;X1;Y3;K20.75\r\n"
                       "C;X2;Y1;K0.0300000\r\nC;X2;Y2;K0.0700000\r\nC;X2;Y3;K0.9000000\r\n"
                       "E\r\n"));
  // A live profile of one sample, or none, gives an empty sheet.
  profiles = {{5.0f}, {}};
  EXPECT_EQ(GraphSylkText(graph), QByteArray("ID;E\r\nE\r\n"));
}

TEST(GraphExport, SylkFileReplacesTheOldOneOnlyWhenWhole) {
  test::TempDir dir;
  const auto file = dir.file("profile.slk");
  test::WriteText(file, "old");
  std::vector<TProfile> profiles = {{1.5f, 2.25f}, {}};
  const TGraphExport graph{0, &profiles};
  ASSERT_TRUE(SaveGraphSylk(QPath(file), graph));
  EXPECT_EQ(test::ReadText(file), GraphSylkText(graph).toStdString());
  EXPECT_FALSE(std::filesystem::exists(file.string() + ".tmp"));

  const IoResult refused = SaveGraphSylk(QPath(dir.file("missing-folder/profile.slk")), graph);
  EXPECT_FALSE(refused);
  EXPECT_TRUE(refused.message.contains("profile.slk")) << refused.message.toStdString();
}

} // namespace
} // namespace calidarix
