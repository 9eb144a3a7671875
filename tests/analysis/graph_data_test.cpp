#include "analysis/graph_data.h"

#include "tests/analysis/dtv_file_fixture.h"
#include "tests/support/test_support.h"
#include "tests/support/thermogram_fixture.h"

#include <QFile>

#include <cmath>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

using test::DtvFileContent;
using test::QPath;
using test::TempDir;

class GraphData : public test::ThermogramTest {
protected:
  // A file of `frames` frames of 4 x 3 pixels whose values differ from pixel to pixel and frame to frame.
  DtvFileContent Content(int version, int frames) {
    DtvFileContent content;
    content.Version = version;
    content.Scale = version == 2 ? 0.5f : 0.01f;
    content.Offset = 10.0f;
    if (version == 5) { // the film's common range is 0 .. 100
      content.Scale = static_cast<float>(100.0 / 65535.0);
      content.Offset = 0.0f;
    }
    for (int f = 0; f < frames; ++f) {
      std::vector<std::uint16_t> frame;
      for (int y = 0; y < content.Height; ++y)
        for (int x = 0; x < content.Width; ++x)
          frame.push_back(static_cast<std::uint16_t>(version == 2 ? 10 + 20 * x + 7 * y + 3 * f
                                                                  : 1000 + 137 * x + 3111 * y + 5003 * f));
      content.Frames.push_back(frame);
      content.FrameRanges.push_back({10.0 * f, 40.0 + 20.0 * f});
    }
    return content;
  }

  // Writes the file and opens it as the program does.
  void Open(const DtvFileContent &content) {
    test::WriteDtvFile(file, content);
    ASSERT_TRUE(dtv.LoadFromFile(QPath(file), 1));
  }

  // The mean raw value of columns x0 .. x1 and rows y0 .. y1 of frame f (1-based) as the image of that
  // frame shows it, as a temperature of that frame.
  double ImageMean(int f, int x0, int x1, int y0, int y1, int rawStep = 1) {
    TDTV frame;
    EXPECT_TRUE(frame.LoadFromFile(QPath(file), f));
    std::int64_t sum = 0;
    int count = 0;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x, ++count)
        sum += test::Px(frame, x, y) / rawStep;
    return frame.RawToTemperature(static_cast<int>(sum / count * rawStep));
  }

  TempDir dir;
  std::filesystem::path file = dir.file("film.dtv");
  TDTV dtv;
};

TEST_F(GraphData, ThermoProfileSamplesTheLineWithoutItsEndPoint) {
  test::SetFrame(dtv, 20, 12, [](int x, int y) { return 100 * x + y; });
  dtv.FHeader.Scale = 1.0f;
  dtv.FHeader.Offset = 0.0f;
  const auto at = [](int x, int y) { return static_cast<float>(100 * x + y); };
  struct Case {
    TLineRecord line;
    TProfile expected;
  } cases[] = {
      {{10, 5, 13, 9}, {at(10, 5), at(10, 5), at(11, 6), at(11, 7), at(12, 8)}},
      // Drawn the other way it starts at its own first point and steps backwards.
      {{13, 9, 10, 5}, {at(13, 9), at(13, 9), at(12, 8), at(12, 7), at(11, 6)}},
      {{2, 3, 2, 6}, {at(2, 3), at(2, 4), at(2, 5)}},
      // A line of no length gives nothing, so the caller keeps the profile it has.
      {{7, 7, 7, 7}, {}},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ThermoProfile(dtv, c.line), c.expected) << c.line.X1 << "," << c.line.Y1;
  EXPECT_EQ(FullRawRange(dtv), MakeRange(0.0, 65535.0));
}

TEST_F(GraphData, TimeProfileOf16BitFramesMatchesTheImageOfEachFrameWithoutTheLastRowAndColumn) {
  Open(Content(3, 3));
  const TTimeProfileSource source = TimeProfileSourceOf(dtv);
  const TTimeProfile mean = RegionTimeProfile(source, TRect{1, 0, 3, 2}, 0);
  ASSERT_TRUE(mean.Built);
  ASSERT_EQ(mean.Slots.size(), 1u);
  ASSERT_EQ(mean.Slots[0].size(), 3u);
  EXPECT_TRUE(mean.Problem.isEmpty()) << mean.Problem.toStdString();
  for (int f = 0; f < 3; ++f)
    EXPECT_NEAR(mean.Slots[0][f], ImageMean(f + 1, 1, 2, 0, 1), 1e-4) << f;
  EXPECT_EQ(mean.Range, MakeRange(10.0, 10.0 + 65535 * double(0.01f)));

  // All: mean, maximum, minimum and an empty slot; the minimum is the region's upper left pixel.
  const TTimeProfile all = RegionTimeProfile(source, TRect{1, 0, 3, 2}, 3);
  ASSERT_EQ(all.Slots.size(), 4u);
  EXPECT_EQ(all.Slots[0], mean.Slots[0]);
  EXPECT_TRUE(all.Slots[3].empty());
  for (int f = 0; f < 3; ++f) {
    EXPECT_NEAR(all.Slots[2][f], ImageMean(f + 1, 1, 1, 0, 0), 1e-4);
    EXPECT_NEAR(all.Slots[1][f], ImageMean(f + 1, 2, 2, 1, 1), 1e-4);
  }
  EXPECT_EQ(RegionTimeProfile(source, TRect{1, 0, 3, 2}, 1).Slots[0], all.Slots[2]);
  EXPECT_EQ(RegionTimeProfile(source, TRect{1, 0, 3, 2}, 2).Slots[0], all.Slots[1]);
  // Statistics without a time curve of their own show the mean.
  EXPECT_EQ(RegionTimeProfile(source, TRect{1, 0, 3, 2}, 7).Slots[0], mean.Slots[0]);

  // Right equal to Left leaves no column to read: an empty profile.
  const TTimeProfile none = RegionTimeProfile(source, TRect{2, 0, 2, 2}, 0);
  EXPECT_TRUE(none.Built);
  EXPECT_TRUE(none.Slots[0].empty());
}

TEST_F(GraphData, TimeProfileOf8BitFramesReadsBytesAsTheImageDoes) {
  Open(Content(2, 3));
  const TTimeProfile p = RegionTimeProfile(TimeProfileSourceOf(dtv), TRect{0, 0, 3, 3}, 0);
  ASSERT_EQ(p.Slots[0].size(), 3u);
  // Byte b is the raw value b x 256 on the image; the mean is taken over whole bytes.
  for (int f = 0; f < 3; ++f)
    EXPECT_NEAR(p.Slots[0][f], ImageMean(f + 1, 0, 2, 0, 1, 256), 1e-4) << f;
  // The 8-bit file shares one rule: the range is its full raw range, not a film range left over.
  dtv.FFilmMin = dtv.FFilmMax = 0.0;
  EXPECT_EQ(TimeProfileRange(TimeProfileSourceOf(dtv)), FullRawRange(dtv));

  const TTimeProfile point = PointTimeProfile(TimeProfileSourceOf(dtv), 3, 2);
  ASSERT_EQ(point.Slots[0].size(), 3u);
  for (int f = 0; f < 3; ++f)
    EXPECT_NEAR(point.Slots[0][f], ImageMean(f + 1, 3, 3, 2, 2), 1e-4);
}

TEST_F(GraphData, FilmTimeProfileBringsEachFrameOntoTheFilmRangeAndIncludesTheLastRowAndColumn) {
  const DtvFileContent content = Content(5, 3);
  Open(content);
  const TTimeProfileSource source = TimeProfileSourceOf(dtv);
  EXPECT_EQ(source.FilmMin, 0.0);
  EXPECT_NEAR(source.FilmMax, 100.0, 1e-4);
  const TTimeProfile p = RegionTimeProfile(source, TRect{1, 1, 2, 2}, 3);
  ASSERT_EQ(p.Slots[0].size(), 3u);
  for (int f = 0; f < 3; ++f) {
    // Each word by its frame's own range, then as a code of the film's range.
    const auto [lo, hi] = content.FrameRanges[f];
    std::int64_t sum = 0;
    std::int64_t maximum = 0;
    for (int y = 1; y <= 2; ++y)
      for (int x = 1; x <= 2; ++x) {
        const double t = content.Frames[f][y * 4 + x] * (hi - lo) / 65535.0 + lo;
        const auto v =
            static_cast<std::int64_t>((t - source.FilmMin) / (source.FilmMax - source.FilmMin) * 65535.0);
        sum += v;
        maximum = std::max(maximum, v);
      }
    const auto onFilm = [&](std::int64_t v) { return v / 65535.0 * (source.FilmMax - source.FilmMin); };
    EXPECT_NEAR(p.Slots[0][f], onFilm(sum / 4), 1e-4) << f;
    EXPECT_NEAR(p.Slots[1][f], onFilm(maximum), 1e-4) << f;
    // The film's range only re-quantizes: the curve follows the frames' own temperatures.
    EXPECT_NEAR(p.Slots[0][f], ImageMean(f + 1, 1, 2, 1, 2), 0.01) << f;
  }
  // A film reads a region of one column and one row as that pixel.
  const TTimeProfile pixel = RegionTimeProfile(source, TRect{2, 1, 2, 1}, 0);
  ASSERT_EQ(pixel.Slots[0].size(), 3u);
  EXPECT_NEAR(pixel.Slots[0][1], ImageMean(2, 2, 2, 1, 1), 0.01);

  const TTimeProfile point = PointTimeProfile(source, 2, 1);
  ASSERT_EQ(point.Slots[0].size(), 3u);
  for (int f = 0; f < 3; ++f)
    EXPECT_NEAR(point.Slots[0][f], ImageMean(f + 1, 2, 2, 1, 1), 1e-4) << f;
  EXPECT_EQ(point.Range, MakeRange(source.FilmMin, source.FilmMax));
}

TEST_F(GraphData, TimeProfilesReadNothingWithoutFramesToCompare) {
  Open(Content(5, 1));
  const TTimeProfileSource single = TimeProfileSourceOf(dtv);
  const TTimeProfile area = RegionTimeProfile(single, TRect{0, 0, 3, 2}, 0);
  EXPECT_FALSE(area.Built);
  EXPECT_EQ(area.Range, MakeRange(single.FilmMin, single.FilmMax)) << "the range is set all the same";
  EXPECT_FALSE(PointTimeProfile(single, 1, 1).Built);

  Open(Content(3, 2));
  const TTimeProfileSource source = TimeProfileSourceOf(dtv);
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {4, 0}, {0, 3}})
    EXPECT_FALSE(PointTimeProfile(source, x, y).Built) << x << "," << y;
  TTimeProfileSource demo = source;
  demo.FileName.clear();
  EXPECT_FALSE(RegionTimeProfile(demo, TRect{0, 0, 3, 2}, 0).Built);
}

TEST_F(GraphData, AFileThatEndsEarlyEndsTheTimeProfile) {
  Open(Content(5, 3));
  const TTimeProfileSource source = TimeProfileSourceOf(dtv);
  // The film loses the second half of its last frame after it was opened.
  const auto size = std::filesystem::file_size(file);
  std::filesystem::resize_file(file, size - 12);
  const TTimeProfile p = RegionTimeProfile(source, TRect{0, 0, 3, 2}, 3);
  ASSERT_TRUE(p.Built);
  EXPECT_EQ(p.Slots[0].size(), 2u);
  EXPECT_EQ(p.Slots[2].size(), 2u);
  EXPECT_TRUE(p.Problem.contains("after frame 2 of 3")) << p.Problem.toStdString();
  EXPECT_EQ(PointTimeProfile(source, 3, 2).Slots[0].size(), 2u);
  EXPECT_EQ(PointTimeProfile(source, 0, 0).Slots[0].size(), 3u)
      << "the first pixel of frame 3 is still there";

  // A file replaced by another image is not read with the old image's coordinates.
  DtvFileContent other = Content(3, 3);
  other.Width = 2;
  other.Height = 2;
  for (auto &frame : other.Frames)
    frame.resize(4);
  test::WriteDtvFile(file, other);
  const TTimeProfile replaced = RegionTimeProfile(source, TRect{0, 0, 3, 2}, 0);
  EXPECT_TRUE(replaced.Slots[0].empty());
  EXPECT_TRUE(replaced.Problem.contains("no longer holds")) << replaced.Problem.toStdString();
  std::filesystem::remove(file);
  EXPECT_FALSE(PointTimeProfile(source, 0, 0).Problem.isEmpty());
}

// A tall, narrow region of a wide frame is read row by row rather than as the whole band of rows that
// holds it; both give the image's values, and a file cut inside the region's rows ends the profile.
TEST_F(GraphData, TallNarrowRegionOfAWideFrameMatchesTheImage) {
  DtvFileContent content;
  content.Width = 3000;
  content.Height = 200;
  for (int f = 0; f < 3; ++f) {
    std::vector<std::uint16_t> frame(static_cast<std::size_t>(content.Width) * content.Height);
    for (std::size_t i = 0; i < frame.size(); ++i)
      frame[i] = static_cast<std::uint16_t>((i * 37 + static_cast<std::size_t>(f) * 1001) % 60000);
    content.Frames.push_back(frame);
  }
  Open(content);
  const TTimeProfileSource source = TimeProfileSourceOf(dtv);
  struct Case {
    TRect region;  // columns Left .. Right - 1, rows Top .. Bottom - 1, inside the frame
    bool rowByRow; // the band of rows is far larger than the region
  } cases[] = {{{5, 0, 7, 199}, true}, {{2990, 10, 2999, 60}, false}, {{0, 198, 2999, 199}, false}};
  for (const Case &c : cases) {
    const TTimeProfile p = RegionTimeProfile(source, c.region, 3);
    ASSERT_EQ(p.Slots[0].size(), 3u) << c.rowByRow;
    EXPECT_TRUE(p.Problem.isEmpty()) << p.Problem.toStdString();
    for (int f = 0; f < 3; ++f) {
      std::uint16_t lo = 65535;
      std::int64_t sum = 0;
      for (int y = c.region.Top; y < c.region.Bottom; ++y)
        for (int x = c.region.Left; x < c.region.Right; ++x) {
          const std::uint16_t v =
              content.Frames[static_cast<std::size_t>(f)]
                            [static_cast<std::size_t>(y) * 3000 + static_cast<std::size_t>(x)];
          lo = std::min(lo, v);
          sum += v;
        }
      const std::int64_t count =
          std::int64_t{c.region.Right - c.region.Left} * (c.region.Bottom - c.region.Top);
      const auto onRange = [&](std::int64_t v) { return v * double(content.Scale) + content.Offset; };
      EXPECT_NEAR(p.Slots[0][f], onRange(sum / count), 1e-3) << f << " " << c.rowByRow;
      EXPECT_NEAR(p.Slots[2][f], onRange(lo), 1e-3) << f << " " << c.rowByRow;
    }
  }
  // The last frame loses its last 20 rows: the narrow region's lower rows are gone with them.
  std::filesystem::resize_file(file, std::filesystem::file_size(file) - 20 * 3000 * 2);
  const TTimeProfile cut = RegionTimeProfile(source, TRect{5, 0, 7, 199}, 0);
  EXPECT_EQ(cut.Slots[0].size(), 2u);
  EXPECT_TRUE(cut.Problem.contains("after frame 2 of 3")) << cut.Problem.toStdString();
}

TEST_F(GraphData, HistogramCountsTheRegionOverItsOwnRange) {
  // Ten columns 0, 1000, ..., 9000, two rows.
  test::SetFrame(dtv, 10, 2, [](int x, int) { return 1000 * x; });
  dtv.FHeader.Scale = 0.01f;
  dtv.FHeader.Offset = -5.0f;
  const THistogram whole = RegionHistogram(dtv, TRect{0, 0, 10, 2});
  ASSERT_EQ(whole.Counts.size(), 100u);
  EXPECT_EQ(whole.RawMin, 0);
  EXPECT_EQ(whole.RawMax, 9000);
  EXPECT_EQ(whole.Pixels, 20);
  for (int x = 0; x < 10; ++x) {
    // trunc(x / 9 x 99.9999): the maximum in bin 99.
    const int bin = x == 9 ? 99 : static_cast<int>(x * 1000 / 9000.0 * 99.9999);
    EXPECT_EQ(whole.Counts[bin], 2.0f) << x;
  }
  EXPECT_DOUBLE_EQ(whole.LowLimitTemp, dtv.RawToTemperature(0));
  EXPECT_DOUBLE_EQ(whole.HighLimitTemp, dtv.RawToTemperature(9000));

  // The region's last row and column are not counted, and its own range spreads the bins: columns 2 .. 4
  // of the first row.
  const THistogram part = RegionHistogram(dtv, TRect{2, 0, 5, 1});
  EXPECT_EQ(part.RawMin, 2000);
  EXPECT_EQ(part.RawMax, 4000);
  EXPECT_EQ(part.Counts[0], 1.0f);
  EXPECT_EQ(part.Counts[49], 1.0f);
  EXPECT_EQ(part.Counts[99], 1.0f);

  // One value: everything in bin 0. A region beyond the frame is cut to it; one without pixels is empty.
  const THistogram flat = RegionHistogram(dtv, TRect{3, 0, 4, 2});
  EXPECT_EQ(flat.Counts[0], 2.0f);
  EXPECT_EQ(RegionHistogram(dtv, TRect{8, -5, 50, 50}).Pixels, 4);
  const THistogram empty = RegionHistogram(dtv, TRect{4, 1, 4, 2});
  EXPECT_EQ(empty.Pixels, 0);
  EXPECT_EQ(std::count(empty.Counts.begin(), empty.Counts.end(), 0.0f), 100);
}

TEST_F(GraphData, ProfileRangeWidensAFlatProfileAndLeavesAnEmptyOneInverted) {
  EXPECT_EQ(ProfileRange({3.0f, -2.0f, 7.5f}), MakeRange(-2.0, 7.5));
  EXPECT_EQ(ProfileRange({4.0f, 4.0f}), MakeRange(4.0, 5.0));
  const TGraphRange empty = ProfileRange({});
  EXPECT_EQ(empty, MakeRange(10000.0, -273.15));
  EXPECT_LT(empty.Span, 0.0);
}

} // namespace
} // namespace calidarix
