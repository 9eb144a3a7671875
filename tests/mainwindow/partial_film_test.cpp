#include "mainwindow/partial_film.h"

#include "thermogram/formats/dtv_format.h"

#include "tests/support/test_support.h"
#include "tests/support/thermogram_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <filesystem>

namespace calidarix {
namespace {

using test::QPath;
namespace fs = std::filesystem;

class PartialFilm : public test::ThermogramTest {
protected:
  // A film of 3 x 2 frames whose frame k holds the value 100 k, stamped 1000 + k seconds, two seconds
  // apart, with the comment "stored".
  QString Film(const std::string &name, int frames) {
    const QString path = QPath(dir.file(name));
    TDTV t;
    t.ResetHeader();
    t.SetCommentText(QStringLiteral("stored"));
    for (int k = 1; k <= frames; ++k) {
      test::SetFrame(t, 3, 2, [k](int, int) { return 100 * k; });
      t.FHeader.Scale = 0.001f;
      t.FHeader.Offset = 10.0f;
      t.FHeader.FrameInterval = 2.0f;
      EXPECT_TRUE(k == 1 ? t.StartFilm(path) : t.AppendFilmFrame(path));
    }
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadWrite));
    for (int k = 1; k <= frames; ++k) {
      const std::uint32_t stamp = 1000u + static_cast<std::uint32_t>(k);
      file.seek(static_cast<qint64>(kDtvHeaderBytes + (k - 1) * (kFilmRecordBytes + 12) + 36));
      file.write(reinterpret_cast<const char *>(&stamp), 4);
    }
    file.close();
    EXPECT_TRUE(SetFileModificationTime(path, sourceTime));
    return path;
  }

  struct Frame {
    int value;
    std::uint32_t stamp;
  };
  std::vector<Frame> Frames(const QString &film) {
    std::vector<Frame> out;
    TDTV t;
    if (!t.LoadDTV(film, 1))
      return out;
    const int n = t.FHeader.FrameCount;
    for (int k = 1; k <= n; ++k) {
      EXPECT_TRUE(t.LoadDTV(film, k));
      out.push_back({t.FRaw[0], t.FFrameRec.TimeStamp});
    }
    return out;
  }

  std::vector<int> Values(const QString &film) {
    std::vector<int> values;
    for (const Frame &f : Frames(film))
      values.push_back(f.value);
    return values;
  }

  // Files of the folder, so a leftover temporary file shows.
  QStringList Entries() const {
    return QDir(QPath(dir.path())).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
  }

  test::TempDir dir;
  const QDateTime sourceTime = QDateTime(QDate(2024, 3, 15), QTime(9, 0, 0));
};

TEST_F(PartialFilm, AllFramesOverTheFilmItselfKeepEverythingButTheComment) {
  const QString film = Film("film.dtv", 20);
  std::vector<int> all;
  for (int k = 1; k <= 20; ++k)
    all.push_back(k);
  const TPartialFilmResult r = WritePartialFilm({film, film, all, QStringLiteral("typed now")});
  ASSERT_TRUE(r.Result) << r.Result.message.toStdString();
  EXPECT_EQ(QFileInfo(r.FileName).canonicalFilePath(), QFileInfo(film).canonicalFilePath());
  const std::vector<Frame> frames = Frames(film);
  ASSERT_EQ(frames.size(), 20u);
  for (int k = 1; k <= 20; ++k) {
    EXPECT_EQ(frames[static_cast<std::size_t>(k - 1)].value, 100 * k);
    EXPECT_EQ(frames[static_cast<std::size_t>(k - 1)].stamp, 1000u + static_cast<std::uint32_t>(k));
  }
  TDTV t;
  ASSERT_TRUE(t.LoadDTV(film, 1));
  EXPECT_EQ(t.CommentText(), QStringLiteral("typed now"));
  EXPECT_FLOAT_EQ(t.FHeader.FrameInterval, 2.0f);
  EXPECT_EQ(QFileInfo(film).lastModified(), sourceTime);
  EXPECT_EQ(Entries(), QStringList{QStringLiteral("film.dtv")}); // no temporary file left
}

TEST_F(PartialFilm, ChosenFramesGoToANewFilmDatedByItsLastFrame) {
  const QString film = Film("film.dtv", 10);
  const QString out = QPath(dir.file("part.dtv"));
  const TPartialFilmResult r = WritePartialFilm({film, out, {2, 3, 4}, QString()});
  ASSERT_TRUE(r.Result) << r.Result.message.toStdString();
  EXPECT_EQ(Values(out), (std::vector<int>{200, 300, 400}));
  EXPECT_EQ(Frames(out)[0].stamp, 1002u);
  // Frames 5 .. 10 followed frame 4, two seconds apart.
  EXPECT_EQ(QFileInfo(out).lastModified(), sourceTime.addSecs(-12));
  EXPECT_EQ(Values(film).size(), 10u); // the source is untouched
}

TEST_F(PartialFilm, ALinkToTheFilmReplacesTheFilmItself) {
  const QString film = Film("film.dtv", 4);
  fs::create_symlink(dir.file("film.dtv"), dir.file("link.dtv"));
  const TPartialFilmResult r = WritePartialFilm({film, QPath(dir.file("link.dtv")), {1, 3}, QString()});
  ASSERT_TRUE(r.Result) << r.Result.message.toStdString();
  EXPECT_TRUE(fs::is_symlink(dir.file("link.dtv")));
  EXPECT_EQ(Values(film), (std::vector<int>{100, 300}));
}

TEST_F(PartialFilm, AFailureLeavesTheOldFileAndNoTemporaryFile) {
  const QString film = Film("film.dtv", 3);
  test::WriteText(dir.file("old.dtv"), "old film");
  const TPartialFilmResult beyond = WritePartialFilm({film, QPath(dir.file("old.dtv")), {2, 7}, QString()});
  EXPECT_FALSE(beyond.Result);
  EXPECT_TRUE(beyond.Result.message.contains(QStringLiteral("7"))) << beyond.Result.message.toStdString();
  EXPECT_EQ(test::ReadText(dir.file("old.dtv")), "old film");
  EXPECT_EQ(Entries(), (QStringList{QStringLiteral("film.dtv"), QStringLiteral("old.dtv")}));

  const TPartialFilmResult missing =
      WritePartialFilm({QPath(dir.file("gone.dtv")), QPath(dir.file("x.dtv")), {1}, QString()});
  EXPECT_FALSE(missing.Result);
  const TPartialFilmResult noFolder = WritePartialFilm({film, QPath(dir.file("no/x.dtv")), {1}, QString()});
  EXPECT_FALSE(noFolder.Result);
  EXPECT_FALSE(noFolder.Result.message.isEmpty());
}

TEST_F(PartialFilm, ANewFileGetsOrdinaryPermissionsAndAReplacedOneKeepsItsOwn) {
  const QString film = Film("film.dtv", 2);
  const QString out = QPath(dir.file("new.dtv"));
  ASSERT_TRUE(WritePartialFilm({film, out, {1}, QString()}).Result);
  EXPECT_TRUE(QFile::permissions(out) & QFileDevice::ReadGroup);
  QFile::setPermissions(out, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
  ASSERT_TRUE(WritePartialFilm({film, out, {2}, QString()}).Result);
  EXPECT_EQ(QFile::permissions(out) & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
            QFileDevice::ReadOther);
}

TEST(PartialFilmTimes, KeptFramesMoveTheFileTimeBack) {
  const QDateTime t(QDate(2024, 1, 1), QTime(12, 0, 0));
  EXPECT_EQ(KeptFramesFileTime(t, 10, 10, 2.0), t);
  EXPECT_EQ(KeptFramesFileTime(t, 10, 4, 0.5), t.addSecs(-3));
  EXPECT_EQ(KeptFramesFileTime(t, 10, 12, 2.0), t); // never forward
  EXPECT_EQ(KeptFramesFileTime(t, 10, 1, -5.0), t);
  EXPECT_EQ(KeptFramesFileTime(t, 10, 1, std::nan("")), t);
}

} // namespace
} // namespace calidarix
