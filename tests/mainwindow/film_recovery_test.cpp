#include "mainwindow/film_recovery.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

TEST(FilmRecoveryTest, NoTemporaryFilmChangesNothing) {
  TempDir dir;
  test::WriteFile(dir.file("RestoredFilm0.dtv"), {1});
  const FilmRecovery recovery = RecoverInterruptedFilms(dir.path());
  EXPECT_TRUE(recovery.Films.empty());
  EXPECT_TRUE(recovery.InUse.empty());
  EXPECT_EQ(test::ReadFile(dir.file("RestoredFilm0.dtv")), std::vector<std::uint8_t>{1});
}

TEST(FilmRecoveryTest, FilmTakesTheFirstFreeNumberAndKeepsTheOldOnes) {
  TempDir dir;
  test::WriteFile(dir.file("RestoredFilm0.dtv"), {1});
  test::WriteFile(dir.file("RestoredFilm1_812.dtv"), {2}); // a band film also takes its number
  test::WriteFile(dir.file("filmtemp.dt~"), {3});
  const FilmRecovery recovery = RecoverInterruptedFilms(dir.path());
  ASSERT_EQ(recovery.Films.size(), 1u);
  EXPECT_TRUE(recovery.Films[0].Moved);
  EXPECT_EQ(recovery.Films[0].To, dir.file("RestoredFilm2.dtv"));
  EXPECT_EQ(test::ReadFile(dir.file("RestoredFilm2.dtv")), std::vector<std::uint8_t>{3});
  EXPECT_EQ(test::ReadFile(dir.file("RestoredFilm0.dtv")), std::vector<std::uint8_t>{1});
  EXPECT_FALSE(fs::exists(dir.file("filmtemp.dt~")));
}

TEST(FilmRecoveryTest, BandFilmsOfOneRecordingShareTheirNumber) {
  TempDir dir;
  test::WriteFile(dir.file("RestoredFilm0_35.dtv"), {1});
  test::WriteFile(dir.file("filmtemp.dt~"), {10});
  test::WriteFile(dir.file("filmtemp35.dt~"), {35});
  test::WriteFile(dir.file("filmtemp812.dt~"), {81});
  const FilmRecovery recovery = RecoverInterruptedFilms(dir.path());
  ASSERT_EQ(recovery.Films.size(), 3u);
  EXPECT_EQ(test::ReadFile(dir.file("RestoredFilm1.dtv")), std::vector<std::uint8_t>{10});
  EXPECT_EQ(test::ReadFile(dir.file("RestoredFilm1_35.dtv")), std::vector<std::uint8_t>{35});
  EXPECT_EQ(test::ReadFile(dir.file("RestoredFilm1_812.dtv")), std::vector<std::uint8_t>{81});
}

TEST(FilmRecoveryTest, FilmBeingRecordedIsLeftAlone) {
  TempDir dir;
  test::WriteFile(dir.file("filmtemp.dt~"), {7});
  test::WriteFile(dir.file("filmtemp35.dt~"), {8});
  {
    FilmRecordingLock recording(dir.file("filmtemp.dt~"));
    ASSERT_TRUE(recording.Locked());
    EXPECT_TRUE(FilmRecordingInProgress(dir.file("filmtemp.dt~")));
    const FilmRecovery recovery = RecoverInterruptedFilms(dir.path());
    ASSERT_EQ(recovery.InUse.size(), 1u);
    EXPECT_EQ(recovery.InUse[0], dir.file("filmtemp.dt~"));
    ASSERT_EQ(recovery.Films.size(), 1u);
    EXPECT_EQ(recovery.Films[0].To, dir.file("RestoredFilm0_35.dtv"));
    EXPECT_TRUE(fs::exists(dir.file("filmtemp.dt~")));
  }
  // Once the recording has ended (or died), its film is recovered.
  EXPECT_FALSE(FilmRecordingInProgress(dir.file("filmtemp.dt~")));
  const FilmRecovery later = RecoverInterruptedFilms(dir.path());
  ASSERT_EQ(later.Films.size(), 1u);
  EXPECT_EQ(later.Films[0].To, dir.file("RestoredFilm1.dtv"));
}

} // namespace
} // namespace calidarix
