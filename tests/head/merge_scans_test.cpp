// Merging the frames of a multi-frame scan: the frames come out side by side, each frame's rows as
// columns and the first frame at the left, marked as one frame with the merged angles.

#include "head/merge_scans.h"
#include "tests/support/test_support.h"
#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>

#include <vector>

namespace calidarix {
namespace {

// The temperature of pixel (x, y) of frame k (1-based) of the test film.
double FilmTemperature(int k, int x, int y) {
  return 20.0 + k * 10.0 + y * 0.5 + x * 0.01;
}

// A film of `frames` frames of width x height, Scale 0.01 and Offset 20.
QString WriteScanFilm(const test::TempDir &dir, int frames, int width, int height) {
  TDTV t;
  t.ResetHeader();
  t.FHeader.Width = static_cast<std::uint16_t>(width);
  t.FHeader.Height = static_cast<std::uint16_t>(height);
  t.FHeader.Scale = 0.01f;
  t.FHeader.Offset = 20.0f;
  t.FRaw.assign(static_cast<std::size_t>(width) * height, 0);
  const QString path = QString::fromStdString(dir.file("scan.dtv").string());
  for (int k = 1; k <= frames; ++k) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        t.FRaw[static_cast<std::size_t>(y) * width + x] =
            static_cast<std::uint16_t>((FilmTemperature(k, x, y) - 20.0) / 0.01 + 0.5);
    EXPECT_TRUE(k == 1 ? t.StartFilm(path) : t.AppendFilmFrame(path));
  }
  return path;
}

class MergeScans : public ::testing::Test {
protected:
  void SetUp() override { ResetThermogramGlobals(); }
  void TearDown() override { ResetThermogramGlobals(); }
  test::TempDir dir;
};

TEST_F(MergeScans, FramesComeOutSideBySideEachRowAColumnAndMarkedAsOneWideFrame) {
  // Three frames of 6 x 80: the merged frame is 240 columns (6 degrees) wide and 6 rows high.
  const QString film = WriteScanFilm(dir, 3, 6, 80);
  TDTV t;
  ASSERT_TRUE(t.LoadFromFile(film, 2));
  ASSERT_EQ(t.FHeader.FrameCount, 3);
  std::vector<int> steps;
  std::vector<int> framesAtStep;
  ASSERT_TRUE(MergeScanFrames(t, [&](int percent) {
    steps.push_back(percent);
    framesAtStep.push_back(t.FHeader.FrameCount);
  }));
  EXPECT_EQ(steps, (std::vector<int>{20, 40, 60}));
  // The frame is marked as one only after the last step (the window pauses there to show it).
  EXPECT_EQ(framesAtStep, (std::vector<int>{3, 3, 3}));

  ASSERT_EQ(t.Width(), 240);
  ASSERT_EQ(t.Height(), 6);
  EXPECT_EQ(t.FHeader.FrameCount, 1);
  EXPECT_EQ(t.FFrameIndex, 1);
  EXPECT_EQ(t.FHeader.HorzExtent, 1080); // 240 / 240 x 6 x 180
  EXPECT_EQ(t.FHeader.VertExtent, 7200);
  EXPECT_EQ(t.FHeader.Elevation, 3600);
  EXPECT_DOUBLE_EQ(t.FAspect, 1080.0 / 7200.0);
  // Column 80 k + y holds row y of frame k + 1; row x holds its column x.
  for (int k = 1; k <= 3; ++k)
    for (const auto &[x, y] : {std::pair{0, 0}, std::pair{5, 0}, std::pair{0, 79}, std::pair{3, 41}}) {
      SCOPED_TRACE(testing::Message() << "frame " << k << " (" << x << ", " << y << ")");
      const int column = (k - 1) * 80 + y;
      EXPECT_NEAR(t.RawToTemperature(t.FRaw[static_cast<std::size_t>(x) * 240 + column]),
                  FilmTemperature(k, x, y), 0.011);
    }
}

TEST_F(MergeScans, OneFrameOrAFilmThatCannotBeReadLeavesTheThermogramAsItWas) {
  const QString film = WriteScanFilm(dir, 2, 4, 3);
  struct Case {
    const char *what;
    int frameCount;
    QString file;
  };
  const Case cases[] = {{"one frame", 1, film},
                        {"no frames", 0, film},
                        {"the film is gone", 2, QString::fromStdString(dir.file("gone.dtv").string())}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TDTV t;
    ASSERT_TRUE(t.LoadFromFile(film, 1));
    t.FHeader.FrameCount = static_cast<std::uint16_t>(c.frameCount);
    t.FFileName = c.file;
    const TDTVHeader before = t.FHeader;
    const std::vector<std::uint16_t> raw = t.FRaw;
    int steps = 0;
    const IoResult merged = MergeScanFrames(t, [&](int) { ++steps; });
    EXPECT_FALSE(merged);
    EXPECT_FALSE(merged.message.isEmpty());
    EXPECT_EQ(steps, 0);
    EXPECT_EQ(t.FRaw, raw);
    EXPECT_EQ(t.FHeader.Width, before.Width);
    EXPECT_EQ(t.FHeader.FrameCount, before.FrameCount);
    EXPECT_EQ(t.FHeader.HorzExtent, before.HorzExtent);
  }
}

TEST(MergedScanAngles, SixDegreesPerTwoHundredFortyColumnsUpToTheHeadersLimit) {
  struct Case {
    int width;
    int horz;
    double aspect;
  };
  const Case cases[] = {
      {0, 0, 0.0},
      {1, 4, 4.0 / 7200},               // 4.5 cut to 4
      {240, 1080, 1080.0 / 7200},       // 6 degrees
      {14563, 65533, 65533.0 / 7200},   // the widest that fits
      {14564, 65535, 65538.0 / 7200},   // beyond: a full circle in the header, the true shape on screen
      {65535, 65535, 294907.0 / 7200}}; // 294907.5 cut
  for (const Case &c : cases) {
    SCOPED_TRACE(c.width);
    const TMergedScanAngles a = MergedScanAngles(c.width);
    EXPECT_EQ(a.HorzExtent, c.horz);
    EXPECT_EQ(a.VertExtent, 7200);
    EXPECT_EQ(a.Elevation, 3600);
    EXPECT_DOUBLE_EQ(a.Aspect, c.aspect);
  }
}

} // namespace
} // namespace calidarix
