#include "tests/support/test_support.h"
#include "tests/support/thermogram_fixture.h"
#include "thermogram/frame_statistics.h"
#include "thermogram/tdtv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

namespace calidarix {
namespace {

using test::QPath;
using test::TempDir;

// The one-pass summary against a plain loop, over lengths around the summing blocks (whose 32-bit
// sums must not overflow: a block of 65536 values of 65535 is the largest) and over every alignment.
TEST(FrameStatisticsTest, SummaryMatchesAPlainLoopAcrossBlocks) {
  std::mt19937 random(99);
  for (const std::size_t count : {std::size_t{1}, std::size_t{7}, std::size_t{65535}, std::size_t{65536},
                                  std::size_t{65537}, std::size_t{307200}, std::size_t{1} << 20}) {
    for (const int fill : {0, 1, 2}) {
      std::vector<std::uint16_t> values(count + 3);
      for (std::uint16_t &v : values) {
        v = fill == 0 ? 65535 : fill == 1 ? 0 : static_cast<std::uint16_t>(random());
      }
      const std::size_t start = count % 3; // vector loops must cope with any alignment
      const std::uint16_t *first = values.data() + start;
      const RawSummary summary = SummariseRaw(first, count);
      const std::uint64_t sum = std::accumulate(first, first + count, std::uint64_t{0});
      EXPECT_EQ(summary.sum, sum) << count << " values, fill " << fill;
      EXPECT_EQ(summary.min, *std::min_element(first, first + count)) << count;
      EXPECT_EQ(summary.max, *std::max_element(first, first + count)) << count;
    }
  }
  const RawSummary none = SummariseRaw(nullptr, 0);
  EXPECT_EQ(none.sum, 0u);
}

class FilmSteppingTest : public test::ThermogramTest {};

// Frames are read into a buffer the previous frame left behind: stepping back and forth, and on to a
// file of another size, must show each frame's own pixels and statistics, never a leftover.
TEST_F(FilmSteppingTest, EachFrameShowsOnlyItsOwnPixelsAndStatistics) {
  TempDir dir;
  const auto filmPath = dir.file("film.dtv");
  TDTV writer;
  writer.ResetHeader();
  writer.FHeader.Offset = 10.0f;
  writer.FHeader.Scale = static_cast<float>(30.0 / 65535);
  const auto frameOf = [](int k, int w, int h) {
    std::vector<std::uint16_t> raw(static_cast<std::size_t>(w) * h);
    for (std::size_t i = 0; i < raw.size(); ++i) {
      raw[i] = static_cast<std::uint16_t>(1000 * k + i % 40000);
    }
    return raw;
  };
  constexpr int kW = 300;
  constexpr int kH = 250; // more than one summing block
  writer.FHeader.Width = kW;
  writer.FHeader.Height = kH;
  for (int k = 1; k <= 3; ++k) {
    writer.FRaw = frameOf(k, kW, kH);
    ASSERT_TRUE(k == 1 ? writer.StartFilm(QPath(filmPath)) : writer.AppendFilmFrame(QPath(filmPath)));
  }
  const auto smallPath = dir.file("small.dtv");
  writer.FHeader.Width = 3;
  writer.FHeader.Height = 2;
  writer.FRaw = {5, 6, 7, 8, 9, 65535};
  ASSERT_TRUE(writer.SaveDTV(QPath(smallPath)));

  TDTV reader;
  for (const int k : {1, 3, 2, 3, 1}) {
    SCOPED_TRACE(k);
    ASSERT_TRUE(reader.LoadDTV(QPath(filmPath), k));
    const std::vector<std::uint16_t> expected = frameOf(k, kW, kH);
    EXPECT_EQ(reader.FRaw, expected);
    const std::uint64_t sum = std::accumulate(expected.begin(), expected.end(), std::uint64_t{0});
    EXPECT_EQ(reader.FRawMin, 1000 * k);
    EXPECT_EQ(reader.FRawMax, 1000 * k + 39999);
    EXPECT_EQ(reader.FRawMean, static_cast<int>(std::nearbyint(static_cast<double>(sum) / expected.size())));
  }
  ASSERT_TRUE(reader.LoadDTV(QPath(smallPath), 1));
  EXPECT_EQ(reader.FRaw, (std::vector<std::uint16_t>{5, 6, 7, 8, 9, 65535}));
  EXPECT_EQ(reader.FRawMin, 5);
  EXPECT_EQ(reader.FRawMax, 65535);
  EXPECT_EQ(reader.FRawMean, 10928); // 65570 / 6 = 10928.3
  ASSERT_TRUE(reader.LoadDTV(QPath(filmPath), 2));
  EXPECT_EQ(reader.FRaw, frameOf(2, kW, kH));

  // A failed read after all that leaves the frame shown as it was.
  EXPECT_FALSE(reader.LoadDTV(QPath(filmPath), 4));
  EXPECT_EQ(reader.FRaw, frameOf(2, kW, kH));
  EXPECT_EQ(reader.FRawMin, 2000);
}

} // namespace
} // namespace calidarix
