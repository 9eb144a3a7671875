#include "mainwindow/folder_conversions.h"

#include "mainwindow/file_list.h"
#include "tests/mainwindow/film_fixture.h"
#include "tests/support/test_support.h"
#include "tests/support/thermogram_fixture.h"

#include <QDir>
#include <QStringList>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

using test::QPath;
namespace fs = std::filesystem;

class NullProgress : public Progress {
public:
  void SetProgressPrefix(const QString &) override {}
  void SetProgress(int) override {}
  void Show() override {}
  void Hide() override {}
  bool Cancelled() const override { return CancelAfter > 0 && ++Checks >= CancelAfter; }
  int CancelAfter = 0;
  mutable int Checks = 0;
};

class FolderConversions : public test::ThermogramTest {
protected:
  QString Path(const std::string &name) { return QPath(dir.file(name)); }
  test::TempDir dir;
};

TEST_F(FolderConversions, NamesOfTheFilmAndThePictures) {
  EXPECT_EQ(FolderFilmName("/data/meas/run1/a.img"), "/data/meas/run1/run1.dtv");
  EXPECT_EQ(FolderFilmName("/data/meas/run1/a.dtv"), "/data/meas/run1/run1.dtv");
  EXPECT_EQ(FolderPictureName("/data/meas/run1/a.b.dtv"), "/data/meas/run1/Auto_a.b.jpg");
}

TEST_F(FolderConversions, FilmOfFirstFramesLeavesItselfAndOtherSizesOut) {
  fs::create_directory(dir.file("run1"));
  test::WriteThermogram(Path("run1/a.dtv"), 4, 3, 20.0);
  test::WriteFilm(Path("run1/b.dtv"), 4, 3, test::NumberedFrames(3, 4, 3));
  test::WriteThermogram(Path("run1/c.dtv"), 5, 3, 22.0); // another size
  test::WriteThermogram(Path("run1/d.dtv"), 4, 3, 23.0);
  const QString film = FolderFilmName(Path("run1/a.dtv"));
  // A film of an earlier run lies in the folder and is listed with the others.
  test::WriteThermogram(film, 4, 3, 99.0);
  QStringList log;
  SetThermogramLogSink([&log](const QString &line) { log << line; });
  UpDateFilesList(Path("run1"));
  const QStringList files = FileList;
  ASSERT_EQ(files.size(), 5);
  TDTV options;
  NullProgress progress;
  const TFolderFilmResult result = FolderToFilm(files, film, options, progress);
  SetThermogramLogSink(nullptr);
  ASSERT_TRUE(result.Result) << result.Result.message.toStdString();
  EXPECT_EQ(result.FramesWritten, 3);
  ASSERT_EQ(result.Skipped.size(), 1u);
  EXPECT_EQ(result.Skipped[0].FileName, Path("run1/c.dtv"));
  EXPECT_EQ(result.Skipped[0].Reason, "holds 5 x 3 pixels, not 4 x 3");
  ASSERT_EQ(log.size(), 1);
  EXPECT_TRUE(log[0].contains("c.dtv") && log[0].contains("5 x 3")) << log[0].toStdString();

  TDTV t;
  ASSERT_TRUE(t.LoadFromFile(film, 1));
  EXPECT_EQ(t.FHeader.FrameCount, 3);
  const float offsets[] = {19.0f, 20.0f, 22.0f}; // a, frame 1 of b, d
  for (int k = 1; k <= 3; ++k) {
    ASSERT_TRUE(t.LoadFromFile(film, k));
    EXPECT_FLOAT_EQ(t.FHeader.Offset, offsets[k - 1]) << k;
  }
  // Only the film is new in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("run1")), fs::directory_iterator()), 5);
}

TEST_F(FolderConversions, NoReadableFileWritesNoFilmAndACancelKeepsTheFramesWritten) {
  TDTV options;
  NullProgress progress;
  const QString film = Path("film.dtv");
  const TFolderFilmResult nothing =
      FolderToFilm({Path("gone.dtv"), Path("gone2.dtv")}, film, options, progress);
  EXPECT_FALSE(nothing.Result);
  ASSERT_EQ(nothing.Skipped.size(), 2u);
  EXPECT_EQ(nothing.Skipped[1].Reason, "no longer exists");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 0);

  const QStringList files = {Path("a.dtv"), Path("b.dtv"), Path("c.dtv")};
  for (const QString &f : files)
    test::WriteThermogram(f, 4, 3, 20.0);
  progress.CancelAfter = 2;
  const TFolderFilmResult cancelled = FolderToFilm(files, film, options, progress);
  EXPECT_TRUE(cancelled.Result);
  EXPECT_TRUE(cancelled.Cancelled);
  EXPECT_EQ(cancelled.FramesWritten, 2);
  TDTV t;
  ASSERT_TRUE(t.LoadFromFile(film, 1));
  EXPECT_EQ(t.FHeader.FrameCount, 2);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 4);
}

TEST_F(FolderConversions, MaximumOverThreeFiles) {
  // Pixel 5 is 20, 35 and 30 degrees in the three files; the rest 10, 12 and 11.
  test::WriteThermogram(Path("a.dtv"), 4, 3, 10.0, 5, 20.0);
  test::WriteThermogram(Path("b.dtv"), 4, 3, 12.0, 5, 35.0);
  test::WriteThermogram(Path("c.dtv"), 4, 3, 11.0, 5, 30.0);
  test::WriteThermogram(Path("d.dtv"), 2, 2, 90.0); // another size: skipped
  TDTV result;
  result.FFileName = "shown.dtv";
  const TMaxOverFilesResult max =
      MaxOverFiles({Path("a.dtv"), Path("b.dtv"), Path("d.dtv"), Path("c.dtv")}, TDTV{}, result);
  ASSERT_TRUE(max.Result) << max.Result.message.toStdString();
  EXPECT_EQ(max.FilesUsed, 3);
  EXPECT_NEAR(result.TemperatureAt(1, 1), 35.0, 0.01);
  EXPECT_NEAR(result.TemperatureAt(0, 0), 12.0, 0.01);
  EXPECT_NEAR(result.TemperatureAt(3, 2), 12.0, 0.01);
  EXPECT_EQ(result.Width(), 4);
  EXPECT_EQ(result.FHeader.FrameCount, 1);
  EXPECT_EQ(result.FFrameIndex, 1);
  EXPECT_TRUE(result.FFileName.isEmpty());
}

TEST_F(FolderConversions, EqualMaximaGiveAFlatPictureAndAnEmptyListChangesNothing) {
  test::WriteThermogram(Path("a.dtv"), 3, 3, 25.0);
  test::WriteThermogram(Path("b.dtv"), 3, 3, 25.0);
  TDTV result;
  ASSERT_TRUE(MaxOverFiles({Path("a.dtv"), Path("b.dtv")}, TDTV{}, result).Result);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_NEAR(result.TemperatureAt(x, y), 25.0, 1e-4);
  EXPECT_TRUE(std::isfinite(result.FHeader.Scale));
  EXPECT_GT(result.FHeader.Scale, 0.0f);

  TDTV untouched;
  untouched.ResetHeader();
  untouched.FFileName = "kept.dtv";
  EXPECT_FALSE(MaxOverFiles({}, TDTV{}, untouched).Result);
  EXPECT_FALSE(MaxOverFiles({Path("missing.dtv")}, TDTV{}, untouched).Result);
  EXPECT_EQ(untouched.FFileName, "kept.dtv");
}

// The log window needs the service mode, so the message names the files left out and why: the first
// three, then a count.
TEST_F(FolderConversions, SkippedFilesAreNamedWithTheirReasons) {
  EXPECT_EQ(SkippedFilesText({}), "");
  EXPECT_EQ(SkippedFilesText({{"/d/a.img", "no longer exists"}}),
            ", 1 file skipped: a.img (no longer exists)");
  const std::vector<TSkippedFile> five = {{"/d/a.dtv", "no longer exists"},
                                          {"/d/b.dtv", "holds 5 x 3 pixels, not 4 x 3"},
                                          {"/d/c.dtv", "r"},
                                          {"/d/d.dtv", "r"},
                                          {"/d/e.dtv", "r"}};
  EXPECT_EQ(SkippedFilesText(five), ", 5 files skipped: a.dtv (no longer exists), b.dtv (holds 5 x 3 pixels, "
                                    "not 4 x 3), c.dtv (r) and 2 more");

  test::WriteText(dir.file("bad.dtv"), "not a thermogram");
  TDTV scratch;
  const std::optional<QString> unreadable = ReadListedFile(scratch, Path("bad.dtv"));
  ASSERT_TRUE(unreadable);
  EXPECT_EQ(*unreadable, "is too short for a thermogram header") << "the message names the file once";
}

} // namespace
} // namespace calidarix
