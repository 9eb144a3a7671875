#include "mainwindow/film_processing.h"

#include "tests/mainwindow/film_fixture.h"
#include "tests/support/test_support.h"
#include "tests/support/thermogram_fixture.h"

#include <QDateTime>
#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <thread>

namespace calidarix {
namespace {

using test::At10;
using test::QPath;

// Answers the job like the progress window: cancels at the given check (0: never).
class FakeProgress : public Progress {
public:
  void SetProgressPrefix(const QString &prefix) override { Prefix = prefix; }
  void SetProgress(int position) override { Positions.push_back(position); }
  void Show() override { Shown = true; }
  void Hide() override { Shown = false; }
  bool Cancelled() const override { return CancelAtCheck > 0 && ++Checks >= CancelAtCheck; }

  QString Prefix;
  std::vector<int> Positions;
  bool Shown = false;
  int CancelAtCheck = 0;
  mutable int Checks = 0;
};

TEST(SinLine, FieldsAreReadAfterTheirLabels) {
  const TSinParse p = ParseSinLine(u"T: 10:00:00.000 P: 0012+40 N: abc V: 7");
  ASSERT_EQ(p.Kind, TSinLineKind::Ok);
  ASSERT_TRUE(p.Line);
  EXPECT_EQ(p.Line->TimeMs, 36000000);
  EXPECT_EQ(p.Line->Picket, -12); // a leading zero marks a negative picket
  EXPECT_EQ(p.Line->Metres, 40);
  EXPECT_EQ(p.Line->SinText, "abc ");
  EXPECT_EQ(p.Line->SinValue, 7);

  // Labels may hold spaces; the last number runs to the end of the line.
  const TSinParse q = ParseSinLine(u"Time now: 23:59:58.5 km post: 3+999 Name: Мост Value:   -15  ");
  ASSERT_EQ(q.Kind, TSinLineKind::Ok);
  EXPECT_EQ(q.Line->TimeMs, ((23 * 60 + 59) * 60 + 58) * 1000 + 5);
  EXPECT_EQ(q.Line->Picket, 3);
  EXPECT_EQ(q.Line->Metres, 999);
  EXPECT_EQ(q.Line->SinText, "Мост ");
  EXPECT_EQ(q.Line->SinValue, -15);

  EXPECT_EQ(ParseSinLine(u"").Kind, TSinLineKind::Empty);
  EXPECT_EQ(ParseSinLine(u"   ").Kind, TSinLineKind::Empty);
}

TEST(SinLine, ABadLineKeepsItsTimeWhenItHasOneAndIsNeverValid) {
  struct Case {
    const char16_t *line;
    bool hasTime;
  } cases[] = {
      {u"T: 10:00:00.000 P: 12 N: abc V: 7", true},     // no "+"
      {u"T: 10:00:00.000 P: x+40 N: abc V: 7", true},   // picket not a number
      {u"T: 10:00:00.000 P: 12+4y N: abc V: 7", true},  // metres not a number
      {u"T: 10:00:00.000 P: 12+40 N: abc V: 7a", true}, // last field not a number
      {u"T: 10:00:00.000 P: 12+40 N: abc V: 99999999999", true},
      {u"T: 10:00:00.000 P: 12+40 N: abc", true}, // three fields
      {u"T: 24:00:00.000 P: 12+40 N: abc V: 7", false},
      {u"T: 10:61:00.000 P: 12+40 N: abc V: 7", false},
      {u"T: 10:00 P: 12+40 N: abc V: 7", false},
      {u"no labels at all", false},
  };
  for (const Case &c : cases) {
    const TSinParse p = ParseSinLine(c.line);
    EXPECT_EQ(p.Kind, TSinLineKind::Bad) << QString::fromUtf16(c.line).toStdString();
    EXPECT_FALSE(p.Error.isEmpty());
    EXPECT_EQ(p.Line.has_value(), c.hasTime) << QString::fromUtf16(c.line).toStdString();
    if (p.Line) {
      EXPECT_FALSE(p.Line->Valid);
    }
  }
}

// The matcher over lines at 10:00:00, 10:00:10, 10:00:20 (picket 1, 2, 3), frames in time order.
TEST(SinMatcher, AFrameTakesTheLineAtOrBeforeItsTimeWhenTheNextLieAtOrAfterIt) {
  std::deque<QString> lines = {"T: 10:00:00.000 P: 1+0 N: a V: 1", "", "T: 10:00:10.000 P: 2+0 N: b V: 2",
                               "T: 10:00:20.000 P: 3+0 N: c V: 3"};
  TSinMatcher matcher(
      [&lines]() -> std::optional<QString> {
        if (lines.empty())
          return std::nullopt;
        QString line = lines.front();
        lines.pop_front();
        return line;
      },
      {});
  const auto s = [](int seconds) { return std::int64_t{36000 + seconds} * 1000; };
  struct Case {
    int seconds;
    int picket; // 0: no match
  } cases[] = {
      {-1, 0},                   // before the first line
      {0, 1},                    // the first line's own time
      {5, 1},                    // between two lines: the earlier
      {10, 1},                   // another line's own time: the line before it
      {15, 2}, {20, 2}, {21, 0}, // after the last line: nothing follows to bound it
      {40, 0},
  };
  for (const Case &c : cases) {
    const std::optional<TSinLine> line = matcher.Match(s(c.seconds));
    EXPECT_EQ(line ? line->Picket : 0, c.picket) << c.seconds;
  }
  EXPECT_TRUE(matcher.AnyLineRead());
}

TEST(SinMatcher, ABadLineIsLoggedAndMatchesNothingButKeepsItsPlace) {
  std::deque<QString> lines = {"T: 10:00:00.000 P: 1+0 N: a V: 1", "T: 10:00:10.000 P: oops N: b V: 2",
                               "T: 10:00:20.000 P: 3+0 N: c V: 3", "garbage",
                               "T: 10:00:30.000 P: 4+0 N: d V: 4"};
  QStringList log;
  TSinMatcher matcher(
      [&lines]() -> std::optional<QString> {
        if (lines.empty())
          return std::nullopt;
        QString line = lines.front();
        lines.pop_front();
        return line;
      },
      [&log](const QString &text) { log << text; });
  const auto s = [](int seconds) { return std::int64_t{36000 + seconds} * 1000; };
  EXPECT_EQ(matcher.Match(s(5))->Picket, 1);
  EXPECT_FALSE(matcher.Match(s(15))); // inside the bad line's stretch
  EXPECT_EQ(matcher.Match(s(25))->Picket, 3);
  ASSERT_EQ(log.size(), 2);
  EXPECT_TRUE(log[0].startsWith("Route file line 2 ")) << log[0].toStdString();
  EXPECT_TRUE(log[1].startsWith("Route file line 4 \"garbage\"")) << log[1].toStdString();
}

TEST(FilmReport, LineFieldsAndBytes) {
  TFilmProcessTable row;
  row.FrameNo = 7;
  row.Time = (10 * 3600 + 2 * 60 + 3) / 86400.0;
  row.MinTemp = 23.454f;
  row.MaxTemp = -5.0f;
  row.CameraTemp = 31.256f;
  row.Picket = 12;
  row.Metres = 40;
  row.SinValue = 7;
  row.SinText = "abc ";
  EXPECT_EQ(FilmReportLine(row, true),
            QByteArray("0007\t10:02:03.000\t23.45\t-5.00\t31.26\t12 \xEF\xEA +40 \xEC\t(7)abc \r\n"));
  row.FrameNo = 12345;
  row.Picket = row.Metres = row.SinValue = 0;
  row.SinText = "No Data";
  EXPECT_EQ(FilmReportLine(row, false),
            QByteArray("12345\t10:02:03\t23.45\t-5.00\t31.26\tNo Data\t(0)No Data\r\n"));
}

TEST(MeasureFilmFrame, RectangleIsInclusiveAndAnEmptyOneMeansTheWholeFrame) {
  TDTV frame;
  test::SetFrame(frame, 4, 3, [](int x, int y) { return 100 * (y * 4 + x); });
  frame.FHeader.Scale = 0.01f;
  frame.FHeader.Offset = 10.0f;
  frame.FHeader.Version = 5;
  frame.FFrameRec.MinTemp = -1.5;
  frame.FFrameRec.MaxTemp = 99.5;

  TFilmProcessTable row;
  MeasureFilmFrame(frame, TRect{1, 1, 2, 2}, row); // 2 x 2: 500, 600, 900, 1000
  EXPECT_FLOAT_EQ(row.MinTemp, 15.0f);
  EXPECT_FLOAT_EQ(row.MaxTemp, 20.0f);
  EXPECT_FLOAT_EQ(row.MeanTemp, 17.5f);

  for (const TRect &empty : {TRect{1, 1, 1, 2}, TRect{0, 0, 0, 0}, TRect{3, 2, 1, 1}}) {
    MeasureFilmFrame(frame, empty, row); // the film frame's own range, the mean of every pixel
    EXPECT_FLOAT_EQ(row.MinTemp, -1.5f);
    EXPECT_FLOAT_EQ(row.MaxTemp, 99.5f);
    EXPECT_FLOAT_EQ(row.MeanTemp, 10.0f + 5.5f); // 6600 div 12 = 550
  }
  // A rectangle reaching out of the frame is cut to it; one wholly outside measures every pixel.
  MeasureFilmFrame(frame, TRect{2, -5, 40, 0}, row);
  EXPECT_FLOAT_EQ(row.MinTemp, 12.0f);
  EXPECT_FLOAT_EQ(row.MaxTemp, 13.0f);
  MeasureFilmFrame(frame, TRect{10, 10, 20, 20}, row);
  EXPECT_FLOAT_EQ(row.MinTemp, 10.0f);
  EXPECT_FLOAT_EQ(row.MaxTemp, 21.0f);
}

class FilmJob : public test::ThermogramTest {
protected:
  // Six frames stamped 09:59:59, 10:00:00, :05, :10, :15 and :25, with a route file of three lines at
  // 10:00:00, :10 and :20.
  void SetUp() override {
    test::ThermogramTest::SetUp();
    film = QPath(dir.file("run.dtv"));
    test::WriteFilm(film, 3, 2, test::NumberedFrames(6, 3, 2),
                    {At10(-1), At10(0), At10(5), At10(10), At10(15), At10(25)});
    test::WriteText(dir.file("run.dtv.sin"), "T: 10:00:00.000 P: 0012+40 N: abc V: 7\r\n"
                                             "T: 10:00:10.000 P: 13+5 N: bridge V: -2\r\n"
                                             "T: 10:00:20.000 P: 14+0 N: x V: 100\r\n");
    ASSERT_TRUE(dtv.LoadFromFile(film, 2));
  }

  QString film;
  test::TempDir dir;
  TDTV dtv;
};

TEST_F(FilmJob, ReportAndTableOfAFilmWithItsRouteFile) {
  // The route file carries no date: its times are those of the film's own day, whatever day that is.
  {
    QFile f(film);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2024, 6, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
  }
  const std::vector<std::uint16_t> shown = dtv.FRaw;
  FakeProgress progress;
  const TFilmProcessOutcome outcome = ProcessFilm(dtv, TRect{}, progress);
  EXPECT_TRUE(outcome.Completed);
  EXPECT_EQ(outcome.FramesDone, 6);
  EXPECT_TRUE(outcome.Error.isEmpty()) << outcome.Error.toStdString();
  EXPECT_EQ(progress.Prefix, "Film processing");
  EXPECT_EQ(progress.Positions, (std::vector<int>{0, 0, 16, 33, 50, 66, 83}));
  EXPECT_FALSE(progress.Shown); // hidden again

  const std::string expected = "0001\t09:59:59.000\t20.00\t85.54\t30.00\tNo Data\t(0)No Data\r\n"
                               "0002\t10:00:00.000\t21.00\t86.54\t31.00\t-12 \xEF\xEA +40 \xEC\t(7)abc \r\n"
                               "0003\t10:00:05.000\t22.00\t87.54\t32.00\t-12 \xEF\xEA +40 \xEC\t(7)abc \r\n"
                               "0004\t10:00:10.000\t23.00\t88.54\t33.00\t-12 \xEF\xEA +40 \xEC\t(7)abc \r\n"
                               "0005\t10:00:15.000\t24.00\t89.54\t34.00\t13 \xEF\xEA +5 \xEC\t(-2)bridge \r\n"
                               "0006\t10:00:25.000\t25.00\t90.54\t35.00\tNo Data\t(0)No Data\r\n";
  EXPECT_EQ(test::ReadText(dir.file("run.dtv.dat")), expected);

  EXPECT_TRUE(dtv.FHasSinFile);
  ASSERT_EQ(dtv.FFilmProcessTable.size(), 6u);
  const TFilmProcessTable &r = dtv.FFilmProcessTable[4];
  EXPECT_EQ(r.FrameNo, 5);
  EXPECT_DOUBLE_EQ(r.Time, 36015 / 86400.0);
  EXPECT_NEAR(r.MeanTemp, 24.0 + 5.0, 1e-4); // raw 5000 at 0.001 degrees per count
  EXPECT_EQ(r.Picket, 13);
  EXPECT_EQ(r.SinText, "bridge ");
  EXPECT_EQ(r.Viewed, 0);
  EXPECT_EQ(dtv.FFilmProcessTable[0].SinText, "No Data");

  // The frame shown stays.
  EXPECT_EQ(dtv.FFrameIndex, 2);
  EXPECT_EQ(dtv.FRaw, shown);
  EXPECT_EQ(dtv.FFileName, film);
}

TEST_F(FilmJob, WithoutARouteFileEveryFrameHasNoDataAndPlainTimes) {
  std::filesystem::remove(dir.file("run.dtv.sin"));
  FakeProgress progress;
  EXPECT_TRUE(ProcessFilm(dtv, TRect{}, progress).Completed);
  EXPECT_FALSE(dtv.FHasSinFile);
  const std::string report = test::ReadText(dir.file("run.dtv.dat"));
  EXPECT_EQ(report.substr(0, 54), "0001\t09:59:59\t20.00\t85.54\t30.00\tNo Data\t(0)No Data\r\n00");
  for (const TFilmProcessTable &row : dtv.FFilmProcessTable) {
    EXPECT_EQ(row.SinText, "No Data");
    EXPECT_EQ(row.Picket, 0);
  }
}

TEST_F(FilmJob, CancelKeepsTheRowsAndLinesDoneOfThisFilmOnly) {
  // Rows left by another film's run must not pass for this film's.
  TFilmProcessTable other;
  other.FrameNo = 99;
  dtv.FFilmProcessTable.assign(10, other);
  const std::string oldReport = "an earlier report\r\n";
  test::WriteText(dir.file("run.dtv.dat"), oldReport);
  FakeProgress progress;
  progress.CancelAtCheck = 4;
  const TFilmProcessOutcome outcome = ProcessFilm(dtv, TRect{}, progress);
  EXPECT_FALSE(outcome.Completed);
  EXPECT_TRUE(outcome.Cancelled);
  EXPECT_EQ(outcome.FramesDone, 3);
  ASSERT_EQ(dtv.FFilmProcessTable.size(), 3u);
  EXPECT_EQ(dtv.FFilmProcessTable[2].FrameNo, 3);
  const std::string report = test::ReadText(dir.file("run.dtv.dat"));
  EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 3);
  EXPECT_NE(report.find("\r\n0003\t"), std::string::npos);
  EXPECT_FALSE(progress.Shown);
  EXPECT_TRUE(QFile::exists(QPath(dir.file("run.dtv.sin"))));
  // No temporary file is left beside the report.
  int files = 0;
  for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(dir.path()))
    ++files;
  EXPECT_EQ(files, 3);
}

// Frames are read ahead on two threads, a block of frames at a time: a frame that cannot be read ends
// the run with the frames before it, whichever block it falls in, and what the readers log reaches
// the log on the job's own thread.
TEST(FilmJobReaders, AFrameThatCannotBeReadEndsTheRunWithTheFramesBeforeIt) {
  ResetThermogramGlobals();
  test::TempDir dir;
  const QString film = QPath(dir.file("long.dtv"));
  constexpr int kFrames = 40;
  test::WriteFilm(film, 3, 2, test::NumberedFrames(kFrames, 3, 2));
  test::WriteText(dir.file("long.abc"), "not a picture"); // logged for every frame read
  std::vector<std::thread::id> logThreads;
  SetThermogramLogSink([&logThreads](const QString &) { logThreads.push_back(std::this_thread::get_id()); });
  const std::uint64_t frameBytes = kFilmRecordBytes + 3 * 2 * 2;
  for (const int firstMissing : {0, 37, 20}) { // none, in the third block, in the second
    SCOPED_TRACE(firstMissing);
    TDTV dtv;
    ASSERT_TRUE(dtv.LoadFromFile(film, 1));
    if (firstMissing > 0)
      std::filesystem::resize_file(
          dir.file("long.dtv"), kDtvHeaderBytes + static_cast<std::uint64_t>(firstMissing - 1) * frameBytes);
    logThreads.clear();
    FakeProgress progress;
    const TFilmProcessOutcome outcome = ProcessFilm(dtv, TRect{}, progress);
    const int expected = firstMissing > 0 ? firstMissing - 1 : kFrames;
    EXPECT_EQ(outcome.Completed, firstMissing == 0);
    EXPECT_EQ(outcome.Error.isEmpty(), firstMissing == 0) << outcome.Error.toStdString();
    EXPECT_EQ(outcome.FramesDone, expected);
    ASSERT_EQ(dtv.FFilmProcessTable.size(), static_cast<std::size_t>(expected));
    for (int i = 0; i < expected; ++i) {
      EXPECT_EQ(dtv.FFilmProcessTable[static_cast<std::size_t>(i)].FrameNo, i + 1);
      EXPECT_NEAR(dtv.FFilmProcessTable[static_cast<std::size_t>(i)].MeanTemp, 21.0 + 2 * i, 1e-3);
    }
    const std::string report = test::ReadText(dir.file("long.dtv.dat"));
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), expected);
    EXPECT_GE(logThreads.size(), static_cast<std::size_t>(expected));
    EXPECT_TRUE(std::all_of(logThreads.begin(), logThreads.end(),
                            [](std::thread::id id) { return id == std::this_thread::get_id(); }));
  }
  SetThermogramLogSink(nullptr);
}

TEST_F(FilmJob, ASelectionMeasuresItsPixels) {
  FakeProgress progress;
  ASSERT_TRUE(ProcessFilm(dtv, TRect{0, 0, 1, 1}, progress).Completed);
  // Frame 1 holds 1000 everywhere at Offset 20 and 0.001 degrees per count.
  EXPECT_NEAR(dtv.FFilmProcessTable[0].MinTemp, 21.0, 1e-4);
  EXPECT_NEAR(dtv.FFilmProcessTable[0].MaxTemp, 21.0, 1e-4);
}

TEST_F(FilmJob, ASingleImageOrAMissingFilmIsRefusedAndNothingIsWritten) {
  TDTV single;
  single.ResetHeader();
  single.FFileName = QPath(dir.file("one.dtv"));
  FakeProgress progress;
  TFilmProcessOutcome outcome = ProcessFilm(single, TRect{}, progress);
  EXPECT_FALSE(outcome.Completed);
  EXPECT_FALSE(outcome.Error.isEmpty());
  EXPECT_FALSE(progress.Shown);
  EXPECT_FALSE(QFile::exists(QPath(dir.file("one.dtv.dat"))));

  std::filesystem::remove(dir.file("run.dtv"));
  outcome = ProcessFilm(dtv, TRect{}, progress);
  EXPECT_FALSE(outcome.Completed);
  EXPECT_TRUE(outcome.Error.contains("no longer")) << outcome.Error.toStdString();
  EXPECT_FALSE(QFile::exists(QPath(dir.file("run.dtv.dat"))));
}

} // namespace
} // namespace calidarix

namespace calidarix {
namespace {

// The job reads each frame as the view would and measures it; whatever the load options and the area,
// its rows equal those of the frames loaded one by one and measured pixel by pixel.
TEST(FilmJobLoadOptions, RowsEqualThoseOfFramesLoadedOneByOne) {
  ResetThermogramGlobals();
  test::TempDir dir;
  const QString film = QPath(dir.file("opts.dtv"));
  constexpr int kW = 24;
  constexpr int kH = 22;
  std::vector<test::TFilmFrame> frames;
  for (int k = 0; k < 3; ++k) {
    test::TFilmFrame f;
    f.Offset = 15.0f + static_cast<float>(k);
    for (int i = 0; i < kW * kH; ++i)
      f.Raw.push_back(static_cast<std::uint16_t>((i * 733 + k * 9001) % 50000 + 1000));
    frames.push_back(f);
  }
  test::WriteFilm(film, kW, kH, frames);

  struct Case {
    const char *name;
    std::function<void(TDTV &)> set;
  } cases[] = {
      {"none", [](TDTV &) {}},
      {"stamp", [](TDTV &t) { t.FStampCameraTemp = true; }},
      {"flip", [](TDTV &t) { t.FFlipAfterLoad = true; }},
      {"mirror", [](TDTV &t) { t.FMirrorAfterLoad = true; }},
      {"rotate",
       [](TDTV &t) {
         t.FRotateAfterLoad = true;
         t.FRotateAngle = 90;
       }},
  };
  const TRect areas[] = {TRect{}, TRect{2, 3, 10, 12}, TRect{-5, -5, 100, 100}};
  for (const Case &c : cases) {
    for (const TRect &area : areas) {
      SCOPED_TRACE(std::string(c.name) + " area " + std::to_string(area.Left));
      TDTV shown;
      c.set(shown);
      ASSERT_TRUE(shown.LoadFromFile(film, 1));
      FakeProgress progress;
      ASSERT_TRUE(ProcessFilm(shown, area, progress).Completed);
      ASSERT_EQ(shown.FFilmProcessTable.size(), frames.size());
      for (int k = 0; k < static_cast<int>(frames.size()); ++k) {
        TDTV one;
        c.set(one);
        ASSERT_TRUE(one.LoadFromFile(film, k + 1));
        TFilmProcessTable expected;
        MeasureFilmFrame(one, area, expected);
        const TFilmProcessTable &row = shown.FFilmProcessTable[static_cast<std::size_t>(k)];
        EXPECT_EQ(row.MinTemp, expected.MinTemp) << k;
        EXPECT_EQ(row.MaxTemp, expected.MaxTemp) << k;
        EXPECT_EQ(row.MeanTemp, expected.MeanTemp) << k;
      }
    }
  }
}

// A report longer than the block the job writes at a time holds every line once, in order.
TEST(FilmJobReport, AReportOfManyBlocksHoldsEveryLineOnceInOrder) {
  ResetThermogramGlobals();
  test::TempDir dir;
  const QString film = QPath(dir.file("long.dtv"));
  constexpr int kFrames = 3000; // about 150 KiB of report
  test::WriteFilm(film, 2, 1, std::vector<test::TFilmFrame>(kFrames, test::TFilmFrame{{100, 200}, 20.0f}));
  TDTV shown;
  ASSERT_TRUE(shown.LoadFromFile(film, 1));
  FakeProgress progress;
  ASSERT_TRUE(ProcessFilm(shown, TRect{}, progress).Completed);
  ASSERT_EQ(shown.FFilmProcessTable.size(), static_cast<std::size_t>(kFrames));
  std::string expected;
  for (const TFilmProcessTable &row : shown.FFilmProcessTable)
    expected += FilmReportLine(row, false).toStdString();
  const std::string report = test::ReadText(dir.file("long.dtv.dat"));
  EXPECT_GT(report.size(), std::size_t{2} * 64 * 1024);
  EXPECT_EQ(report, expected);
  EXPECT_NE(report.find("\r\n3000\t"), std::string::npos);
}

} // namespace
} // namespace calidarix
