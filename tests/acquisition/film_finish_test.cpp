#include "acquisition/film_finish.h"
#include "acquisition/film_recording.h"
#include "tests/support/test_support.h"
#include "thermogram/formats/dtv_format.h"
#include "thermogram/tdtv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <fstream>

namespace calidarix {
namespace {

namespace fs = std::filesystem;

// A small recorded film at `path`: three frames of 4 x 2.
void RecordFilm(const fs::path &path, float offset) {
  TDTV dtv;
  dtv.FHeader.Width = 4;
  dtv.FHeader.Height = 2;
  dtv.FRaw.assign(8, 1000);
  dtv.FHeader.Scale = 0.01f;
  dtv.FHeader.Offset = offset;
  const QString name = QString::fromStdString(path.string());
  ASSERT_TRUE(dtv.StartFilm(name).ok);
  ASSERT_TRUE(dtv.AppendFilmFrame(name).ok);
  ASSERT_TRUE(dtv.AppendFilmFrame(name).ok);
}

TDTVHeader HeaderOf(const fs::path &film) {
  DtvHeaderBytes bytes{};
  std::ifstream in(film, std::ios::binary);
  in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return DecodeDtvHeader(bytes);
}

std::array<char, 64> Comment(const char *text) {
  std::array<char, 64> c{};
  std::strncpy(c.data(), text, c.size());
  return c;
}

class FilmFinish : public ::testing::Test {
protected:
  fs::path Drive() const { return dir.path().toStdString(); }
  TFilmFinishInput Input(bool dual) const {
    TFilmFinishInput in;
    in.DriveFolder = Drive();
    in.Now = QDateTime(QDate(2026, 12, 8), QTime(9, 5, 7));
    in.DualBand = dual;
    in.Single = FilmHeaderPatch(-10.0, 90.0, Comment("single"));
    in.Band35 = FilmHeaderPatch(0.0, 50.0, Comment("band 35"));
    in.Band812 = FilmHeaderPatch(-20.0, 120.0, Comment("band 812"));
    return in;
  }
  QTemporaryDir dir;
};

TEST_F(FilmFinish, SingleBandFilmLandsInTheDayFolderWithItsRangeAndComment) {
  RecordFilm(Drive() / kFilmTempName, 5.0f);
  const TFilmFinishResult r = FinishFilm(Input(false));
  ASSERT_TRUE(r.Ok()) << r.Problems.join('\n').toStdString();
  const fs::path expected = Drive() / "DATABASE.KVD" / "26-12-08.KVD" / "09_05_07.dtv";
  EXPECT_EQ(r.MainFilm, expected);
  EXPECT_TRUE(fs::exists(expected));
  EXPECT_FALSE(fs::exists(Drive() / kFilmTempName));
  const TDTVHeader h = HeaderOf(expected);
  EXPECT_FLOAT_EQ(h.Offset, -10.0f);
  EXPECT_FLOAT_EQ(h.Scale, static_cast<float>(100.0 / 65535.0));
  EXPECT_STREQ(h.Comment.data(), "single");
  EXPECT_EQ(h.FrameCount, 3);
  // The film still reads, frames and all.
  TDTV film;
  EXPECT_TRUE(film.LoadDTV(QString::fromStdString(expected.string()), 3).ok);
}

TEST_F(FilmFinish, AFilmOfTheSameSecondGetsANumberAndNothingIsReplaced) {
  for (int i = 0; i < 3; ++i) {
    RecordFilm(Drive() / kFilmTempName, static_cast<float>(i));
    ASSERT_TRUE(FinishFilm(Input(false)).Ok());
  }
  const fs::path day = DatabaseDayFolder(Drive(), Input(false).Now);
  for (const char *name : {"09_05_07.dtv", "09_05_07_1.dtv", "09_05_07_2.dtv"})
    EXPECT_TRUE(fs::exists(day / name)) << name;
}

TEST_F(FilmFinish, DualBandFilmsKeepTheirOwnRangesAndAMissingBandIsSkipped) {
  RecordFilm(Drive() / kFilmTemp35Name, 1.0f);
  RecordFilm(Drive() / kFilmTemp812Name, 2.0f);
  TFilmFinishResult r = FinishFilm(Input(true));
  ASSERT_TRUE(r.Ok());
  const fs::path day = DatabaseDayFolder(Drive(), Input(true).Now);
  EXPECT_FLOAT_EQ(HeaderOf(day / "09_05_07_35.dtv").Offset, 0.0f);
  EXPECT_FLOAT_EQ(HeaderOf(day / "09_05_07_812.dtv").Offset, -20.0f);
  EXPECT_STREQ(HeaderOf(day / "09_05_07_812.dtv").Comment.data(), "band 812");

  // Only the first band's temporary film is there: it alone moves.
  RecordFilm(Drive() / kFilmTemp35Name, 1.0f);
  r = FinishFilm(Input(true));
  ASSERT_EQ(r.Films.size(), 1u);
  EXPECT_EQ(r.Films[0].Target, day / "09_05_07_1_35.dtv");
  EXPECT_FALSE(fs::exists(day / "09_05_07_1_812.dtv"));
}

TEST_F(FilmFinish, NothingRecordedLeavesEverythingAlone) {
  const TFilmFinishResult r = FinishFilm(Input(false));
  EXPECT_TRUE(r.Films.empty());
  EXPECT_FALSE(fs::exists(Drive() / "DATABASE.KVD"));
}

TEST_F(FilmFinish, MoveAcrossFileSystemsCopiesThenRemoves) {
  RecordFilm(Drive() / kFilmTempName, 3.0f);
  const std::uintmax_t size = fs::file_size(Drive() / kFilmTempName);
  TFilmFinishInput in = Input(false);
  in.ForceCopy = true;
  const TFilmFinishResult r = FinishFilm(in);
  ASSERT_TRUE(r.Ok());
  EXPECT_EQ(fs::file_size(r.MainFilm), size);
  EXPECT_FALSE(fs::exists(Drive() / kFilmTempName));
  EXPECT_FALSE(fs::exists(fs::path(r.MainFilm.string() + ".part")));
}

TEST_F(FilmFinish, AFilmThatCannotReachTheDatabaseIsSetAsideAndReported) {
  RecordFilm(Drive() / kFilmTempName, 3.0f);
  // A file where the database folder should be.
  std::ofstream(Drive() / "DATABASE.KVD") << "in the way";
  const TFilmFinishResult r = FinishFilm(Input(false));
  ASSERT_EQ(r.Films.size(), 1u);
  EXPECT_FALSE(r.Ok());
  EXPECT_FALSE(r.Films[0].InDatabase);
  EXPECT_EQ(r.Films[0].Target, Drive() / "UnsavedFilm_26-12-08_09_05_07.dtv");
  EXPECT_TRUE(fs::exists(r.Films[0].Target));
  EXPECT_FALSE(fs::exists(Drive() / kFilmTempName)); // the next recording cannot write over it
  EXPECT_TRUE(r.Problems.join(' ').contains("UnsavedFilm_26-12-08_09_05_07.dtv"));
}

TEST_F(FilmFinish, VideoFramesMoveBesideTheFilmOnlyOnceCopied) {
  RecordFilm(Drive() / kFilmTempName, 3.0f);
  fs::create_directories(Drive() / kVideoTempFolder);
  for (int k = 1; k <= 3; ++k)
    std::ofstream(Drive() / kVideoTempFolder / VideoFrameName(k)) << "jpeg " << k;
  TFilmFinishInput in = Input(false);
  in.VideoOn = true;
  in.VideoFrames = 3;
  const TFilmFinishResult r = FinishFilm(in);
  ASSERT_TRUE(r.Ok());
  EXPECT_EQ(r.VideoFramesMoved, 3);
  fs::path folder = r.MainFilm;
  folder.replace_extension();
  EXPECT_TRUE(fs::exists(folder / "vid00002.jpg"));
  EXPECT_FALSE(fs::exists(Drive() / kVideoTempFolder));
}

TEST(FilmRecording, RollsOverAtTheFrameCountOrTheSize) {
  EXPECT_FALSE(FilmIsFull(kFilmRolloverBytes - 1, 65534));
  EXPECT_TRUE(FilmIsFull(kFilmRolloverBytes, 10));
  EXPECT_TRUE(FilmIsFull(1000, 65535));
  EXPECT_FALSE(FilmFileIsFull("/nonexistent/film.dt~", 3));
  EXPECT_EQ(VideoFrameName(42), "vid00042.jpg");
}

} // namespace
} // namespace calidarix
