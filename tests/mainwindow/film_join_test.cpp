#include "mainwindow/film_join.h"

#include "thermogram/thermogram_globals.h"

#include "tests/support/test_support.h"
#include "tests/support/thermogram_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <vector>

namespace calidarix {
namespace {

using test::Bytes;
using test::QPath;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

void MakeFrame(TDTV &t, int w, int h, std::uint16_t value, float scale, float offset) {
  t.ResetHeader();
  t.FHeader.Width = static_cast<std::uint16_t>(w);
  t.FHeader.Height = static_cast<std::uint16_t>(h);
  t.FHeader.Scale = scale;
  t.FHeader.Offset = offset;
  t.FRaw.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), value);
}

class FilmJoinTest : public test::ThermogramTest {
protected:
  // A single thermogram of one value.
  QString Single(const char *name, std::uint16_t value, float scale = 0.001f, float offset = 10.0f, int w = 3,
                 int h = 2) {
    TDTV t;
    MakeFrame(t, w, h, value, scale, offset);
    EXPECT_TRUE(t.SaveDTV(QPath(dir.file(name))));
    return QPath(dir.file(name));
  }

  // A film whose frame k holds the value first + k.
  QString Film(const char *name, int frames, std::uint16_t first) {
    TDTV t;
    for (int k = 0; k < frames; ++k) {
      MakeFrame(t, 3, 2, static_cast<std::uint16_t>(first + k), 0.001f, 10.0f);
      EXPECT_TRUE(k == 0 ? t.StartFilm(QPath(dir.file(name))) : t.AppendFilmFrame(QPath(dir.file(name))));
    }
    return QPath(dir.file(name));
  }

  // The first pixel of every frame of a film.
  std::vector<std::uint16_t> FirstPixels(const QString &film) {
    TDTV t;
    EXPECT_TRUE(t.LoadDTV(film, 1));
    std::vector<std::uint16_t> values;
    const int count = t.FHeader.FrameCount;
    for (int f = 1; f <= count; ++f) {
      EXPECT_TRUE(t.LoadDTV(film, f));
      values.push_back(t.FRaw.at(0));
    }
    return values;
  }

  int FolderEntries() const {
    return static_cast<int>(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
  }

  TempDir dir;
  TDTV work;
};

TEST_F(FilmJoinTest, CommonRangeSpansEveryFrameAndLocksTheLastFrame) {
  const QString a = Single("a.dtv", 1000, 0.001f, 10.0f);
  const QString b = Single("b.dtv", 2000, 0.0005f, 20.0f);
  const QString target = QPath(dir.file("joined.dtv"));
  const JoinResult r = JoinFilesToFilm({a, b}, target, work);
  ASSERT_TRUE(r.Result) << r.Result.message.toStdString();
  EXPECT_EQ(r.FramesWritten, 2);
  // 10 .. the larger of 10 + 65.536 and 20 + 32.768.
  EXPECT_NEAR(work.LockMin, 10.0, 1e-6);
  EXPECT_NEAR(work.LockMax, 75.536, 1e-4);
  EXPECT_EQ(work.FFileName, target);
  EXPECT_EQ(work.FRaw.at(0), 2000);

  // Each frame keeps its own scale in the film.
  TDTV back;
  ASSERT_TRUE(back.LoadDTV(target, 2));
  EXPECT_NEAR(back.FHeader.Offset, 20.0, 1e-4);
  EXPECT_NEAR(back.FHeader.Scale, 0.0005, 1e-8);
}

TEST_F(FilmJoinTest, OldEightBitFilesCountWithTheirLoadedScale) {
  // Version 2 keeps Scale per 8-bit step in its header; loaded it is per 16-bit step.
  Bytes v2;
  v2.u8(110).u8(2).zeros(8).u16(3).u16(2).zeros(2).u16(1).zeros(16).f32(0.5f).f32(-5.0f).zeros(68);
  v2.raw({10, 20, 30, 40, 50, 60});
  WriteFile(dir.file("old.dtv"), v2.data());
  const QString b = Single("b.dtv", 7, 0.001f, 10.0f);
  const JoinResult r = JoinFilesToFilm({QPath(dir.file("old.dtv")), b}, QPath(dir.file("joined.dtv")), work);
  ASSERT_TRUE(r.Result) << r.Result.message.toStdString();
  EXPECT_NEAR(r.Range.Low, -5.0, 1e-6);
  EXPECT_NEAR(r.Range.High, 0.5 * 256 - 5.0, 1e-4);
}

TEST_F(FilmJoinTest, FilmsJoinFrameByFrameInTheOrderGiven) {
  const QString film = Film("film.dtv", 3, 100);
  const QString single = Single("single.dtv", 900);
  const QString target = QPath(dir.file("joined.dtv"));
  std::vector<int> percents;
  const JoinResult r = JoinFilesToFilm({film, single}, target, work, [&percents](int p) {
    percents.push_back(p);
    return true;
  });
  ASSERT_TRUE(r.Result) << r.Result.message.toStdString();
  EXPECT_EQ(FirstPixels(target), (std::vector<std::uint16_t>{100, 101, 102, 900}));
  EXPECT_EQ(percents, (std::vector<int>{25, 50, 75, 100}));
  EXPECT_EQ(work.FFrameIndex, 4);
}

TEST_F(FilmJoinTest, AJoinThatIncludesItsOwnTargetReadsItWholeFirst) {
  const QString target = Film("joined.dtv", 2, 500);
  const QString single = Single("single.dtv", 900);
  const JoinResult r = JoinFilesToFilm({target, single, target}, target, work);
  ASSERT_TRUE(r.Result) << r.Result.message.toStdString();
  EXPECT_EQ(FirstPixels(target), (std::vector<std::uint16_t>{500, 501, 900, 500, 501}));
  EXPECT_EQ(FolderEntries(), 2); // no temporary file left behind
}

TEST_F(FilmJoinTest, RefusedJoinsLeaveTheTargetUntouched) {
  const QString target = Film("joined.dtv", 2, 500);
  const std::vector<std::uint8_t> before = ReadFile(dir.file("joined.dtv"));
  const QString small = Single("small.dtv", 1);
  const QString large = Single("large.dtv", 2, 0.001f, 10.0f, 4, 2);

  const JoinResult sizes = JoinFilesToFilm({small, large}, target, work);
  EXPECT_FALSE(sizes.Result);
  EXPECT_TRUE(sizes.Result.message.contains(QStringLiteral("4 x 2"))) << sizes.Result.message.toStdString();

  const JoinResult missing = JoinFilesToFilm({small, QPath(dir.file("gone.dtv"))}, target, work);
  EXPECT_FALSE(missing.Result);

  const JoinResult none = JoinFilesToFilm({}, target, work);
  EXPECT_FALSE(none.Result);

  int calls = 0;
  const JoinResult cancelled =
      JoinFilesToFilm({small, small, small}, target, work, [&calls](int) { return ++calls < 2; });
  EXPECT_FALSE(cancelled.Result);
  EXPECT_TRUE(cancelled.Cancelled);
  EXPECT_EQ(calls, 2);

  EXPECT_EQ(ReadFile(dir.file("joined.dtv")), before);
  EXPECT_EQ(FolderEntries(), 3);
}

TEST(JoinRangeTest, NonFiniteFramesDoNotCount) {
  TDTV frame;
  MakeFrame(frame, 1, 1, 0, 0.001f, 10.0f);
  JoinRange range;
  WidenJoinRange(range, frame);
  frame.FHeader.Offset = std::numeric_limits<float>::quiet_NaN();
  WidenJoinRange(range, frame);
  frame.FHeader.Offset = 0.0f;
  frame.FHeader.Scale = std::numeric_limits<float>::infinity();
  WidenJoinRange(range, frame);
  ASSERT_TRUE(range.Valid());
  EXPECT_NEAR(range.Low, 10.0, 1e-6);
  EXPECT_NEAR(range.High, 75.536, 1e-4);
  EXPECT_FALSE(JoinRange{}.Valid());
}

TEST(JoinedFilmNameTest, LivesOnDriveC) {
  TempDir dir;
  setenv("CALIDARIX_DRIVE_C", dir.path().c_str(), 1);
  EXPECT_EQ(JoinedFilmFileName(), QPath(dir.file("tempdtv.dtv")));
  unsetenv("CALIDARIX_DRIVE_C");
}

TEST_F(FilmJoinTest, AppendingAMissingFileChangesNothing) {
  const QString other = Single("other.dtv", 40000, 0.001f, 10.0f, 3, 2);
  TDTV current;
  MakeFrame(current, 3, 2, 1000, 0.001f, 10.0f);
  current.UpdateStatistics();

  EXPECT_FALSE(AppendDTVFile(current, QPath(dir.file("gone.dtv")), TRect{0, 0, 600, 200}));
  EXPECT_EQ(current.Width(), 3);
  EXPECT_EQ(current.FRaw, std::vector<std::uint16_t>(6, 1000));

  ASSERT_TRUE(AppendDTVFile(current, other, TRect{0, 0, 600, 200}));
  EXPECT_GT(current.Width() * current.Height(), 6);
}

} // namespace
} // namespace calidarix
