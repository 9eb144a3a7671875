#include "mainwindow/file_list.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <vector>

namespace calidarix {
namespace {

using test::QPath;
using test::TempDir;
using test::WriteFile;

class FileListTest : public ::testing::Test {
protected:
  void SetUp() override { ResetFileListGlobals(); }
  void TearDown() override { ResetFileListGlobals(); }

  void Touch(const std::string &name) const { WriteFile(dir.file(name), {1}); }
  QString Name(const std::string &name) const { return QPath(dir.file(name)); }

  TempDir dir;
};

TEST_F(FileListTest, RebuildListsMatchingFilesSortedWithoutRegardToCaseAndClearsMarks) {
  Touch("c.dtv");
  Touch("D.DTV");
  Touch("a.dtv");
  Touch("b.Dtv");
  Touch("notes.txt");
  Touch("e.img");
  std::filesystem::create_directory(dir.file("sub.dtv")); // a folder is never listed

  FileMarks = {1, 1};
  UpDateFilesList(QPath(dir.path())); // no final separator
  EXPECT_EQ(FileList, (QStringList{Name("a.dtv"), Name("b.Dtv"), Name("c.dtv"), Name("D.DTV")}));
  EXPECT_EQ(FileMarks, std::vector<std::uint8_t>(4, 0));

  // After a foreign file was opened the list holds the files of that type.
  FileListMask = QStringLiteral("*.img");
  UpDateFilesList(QPath(dir.path()) + QLatin1Char('/'));
  EXPECT_EQ(FileList, QStringList{Name("e.img")});
  EXPECT_EQ(FileMarks.size(), 1u);

  UpDateFilesList(QPath(dir.file("missing")));
  EXPECT_TRUE(FileList.isEmpty());
  EXPECT_TRUE(FileMarks.empty());
}

TEST_F(FileListTest, SteppingFollowsTheTable) {
  const QStringList files{Name("a.dtv"), Name("b.dtv"), Name("c.dtv"), Name("d.dtv")};
  struct Case {
    const char *what;
    QString current;
    bool next;
    std::optional<int> target;
  };
  const std::vector<Case> cases = {
      {"first, next", Name("a.dtv"), true, 1},
      {"first, previous", Name("a.dtv"), false, std::nullopt},
      {"middle, previous", Name("c.dtv"), false, 1},
      {"last, next: no wrap-around", Name("d.dtv"), true, std::nullopt},
      {"last, previous", Name("d.dtv"), false, 2},
      // Another folder: the entry of the same name, whatever its case, is the position.
      {"namesake elsewhere, next", QStringLiteral("/elsewhere/B.DTV"), true, 2},
      {"namesake elsewhere, previous", QStringLiteral("/elsewhere/B.DTV"), false, 0},
      // No match (other folder, or unnamed): the last position.
      {"not listed, next", QStringLiteral("/elsewhere/zz.dtv"), true, std::nullopt},
      {"not listed, previous", QStringLiteral("/elsewhere/zz.dtv"), false, 2},
      {"unnamed, previous", QString(), false, 2},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(StepTargetIndex(files, c.current, c.next), c.target) << c.what;
  }

  const QStringList one{Name("a.dtv")};
  EXPECT_EQ(StepTargetIndex(one, Name("a.dtv"), true), std::nullopt);
  EXPECT_EQ(StepTargetIndex(one, Name("a.dtv"), false), std::nullopt);
  EXPECT_EQ(StepTargetIndex(QStringList{}, Name("a.dtv"), true), std::nullopt);
  EXPECT_EQ(CurrentFileIndex(QStringList{}, Name("a.dtv")), -1);
}

TEST_F(FileListTest, CaseTwinsInOneFolderAreToldApartByPath) {
  Touch("x.dtv");
  Touch("X.DTV");
  UpDateFilesList(QPath(dir.path()));
  ASSERT_EQ(FileList, (QStringList{Name("X.DTV"), Name("x.dtv")}));
  // A comparison of names alone would take X.DTV (index 0) for x.dtv and step to x.dtv itself.
  EXPECT_EQ(CurrentFileIndex(FileList, Name("x.dtv")), 1);
  EXPECT_EQ(StepTargetIndex(FileList, Name("x.dtv"), true), std::nullopt);
  EXPECT_EQ(StepTargetIndex(FileList, Name("x.dtv"), false), 0);
  EXPECT_EQ(StepTargetIndex(FileList, Name("X.DTV"), true), 1);
}

TEST_F(FileListTest, SameFileReachedThroughALinkedFolderKeepsItsPosition) {
  Touch("a.dtv");
  Touch("b.dtv");
  Touch("c.dtv");
  std::filesystem::create_directory_symlink(dir.path(), dir.file("link"));
  const QStringList files = ListMatchingFiles(QPath(dir.path()), QStringLiteral("*.dtv"));
  EXPECT_EQ(CurrentFileIndex(files, QPath(dir.file("link") / "b.dtv")), 1);
}

TEST_F(FileListTest, NextFreeSaveNameSkipsTakenNamesWithoutRegardToCase) {
  const SaveNameCamera plain;
  EXPECT_EQ(NextFreeSaveName(QPath(dir.path()), QStringLiteral("kvd"), plain),
            QStringLiteral("kvd00000.dtv"));
  Touch("kvd00000.dtv");
  Touch("kvd00001.dtv");
  EXPECT_EQ(NextFreeSaveName(QPath(dir.path()), QStringLiteral("kvd"), plain),
            QStringLiteral("kvd00002.dtv"));
  Touch("KVD00002.DTV");
  std::filesystem::create_directory(dir.file("kvd00003.dtv"));
  EXPECT_EQ(NextFreeSaveName(QPath(dir.path()), QStringLiteral("kvd"), plain),
            QStringLiteral("kvd00004.dtv"));
  EXPECT_EQ(NextFreeSaveName(QPath(dir.file("missing")), QStringLiteral("kvd"), plain),
            QStringLiteral("kvd00000.dtv"));
}

TEST_F(FileListTest, TwoBandCamerasProbeTheFirstBandButReturnThePlainName) {
  Touch("kvd00000.dtv"); // a plain name does not block a two-band probe
  Touch("kvd00001_35.dtv");
  const QString folder = QPath(dir.path());
  EXPECT_EQ(NextFreeSaveName(folder, QStringLiteral("kvd"), SaveNameCamera{64, false, false}),
            QStringLiteral("kvd00000.dtv"));
  Touch("kvd00000_35.dtv");
  EXPECT_EQ(NextFreeSaveName(folder, QStringLiteral("kvd"), SaveNameCamera{64, false, false}),
            QStringLiteral("kvd00002.dtv"));
  // Interface 257 probes the band name only while a film is recorded during a scan.
  EXPECT_EQ(NextFreeSaveName(folder, QStringLiteral("kvd"), SaveNameCamera{257, true, true}),
            QStringLiteral("kvd00002.dtv"));
  EXPECT_EQ(NextFreeSaveName(folder, QStringLiteral("kvd"), SaveNameCamera{257, true, false}),
            QStringLiteral("kvd00001.dtv"));
}

TEST_F(FileListTest, SaveNumbersRollOverToSixDigitsUnpadded) {
  EXPECT_EQ(SaveNameForNumber(QStringLiteral("kvd"), 42, QStringLiteral(".dtv")),
            QStringLiteral("kvd00042.dtv"));
  EXPECT_EQ(SaveNameForNumber(QStringLiteral("kvd"), 99999, QStringLiteral(".dtv")),
            QStringLiteral("kvd99999.dtv"));
  int probes = 0;
  const auto everyFiveDigitNameTaken = [&probes](const QString &name) {
    ++probes;
    return name.size() == QStringLiteral("kvd00000.dtv").size();
  };
  EXPECT_EQ(NextFreeSaveName(everyFiveDigitNameTaken, QStringLiteral("kvd"), SaveNameCamera{}),
            QStringLiteral("kvd100000.dtv"));
  EXPECT_EQ(probes, 100001);
}

TEST_F(FileListTest, SideListShowsFoldersFirstThenLowerCaseFiles) {
  Touch("B.DTV");
  Touch("a.dtv");
  Touch("c.txt");
  std::filesystem::create_directory(dir.file("zeta"));
  std::filesystem::create_directory(dir.file("Alpha"));
  EXPECT_EQ(SideListItems(QPath(dir.path()), QStringLiteral("*.dtv")),
            (QStringList{QChar(1) + QStringLiteral("ALPHA"), QChar(1) + QStringLiteral("ZETA"),
                         QStringLiteral("a.dtv"), QStringLiteral("b.dtv")}));

  EXPECT_EQ(DockSideList(500, 200).SideLeft, 300);
  EXPECT_EQ(DockSideList(500, 200).MainLeft, 500);
  EXPECT_EQ(DockSideList(100, 200).SideLeft, 0);
  EXPECT_EQ(DockSideList(100, 200).MainLeft, 300);
}

} // namespace
} // namespace calidarix
