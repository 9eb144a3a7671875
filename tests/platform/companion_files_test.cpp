#include "platform/companion_files.h"

#include "tests/support/test_support.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace calidarix {
namespace {
namespace fs = std::filesystem;

void WriteCompanion(const fs::path &file) {
  std::ofstream(file) << "x";
}

// Sets the folder's modification time, as a folder untouched since then (or, in the future, as one
// changed within the current clock tick) shows it.
void SetFolderTime(const fs::path &folder, std::time_t seconds) {
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, folder.c_str(), times, 0), 0);
}

constexpr std::time_t kLongAgo = 1600000000; // 2020

TEST(CompanionFiles, KeptWhileTheFolderIsUnchangedAndLookedUpAgainWhenItChanges) {
  test::TempDir dir;
  const fs::path film = dir.file("film.dtv");
  WriteCompanion(film);
  WriteCompanion(dir.file("FILM.Wav"));
  SetFolderTime(dir.path(), kLongAgo);

  CompanionFiles companions;
  EXPECT_EQ(companions.Find(film, ".wav"), dir.file("FILM.Wav"));
  EXPECT_EQ(companions.Find(film, ".abc"), std::nullopt);

  // Changed behind the folder's back (its time put back): the lookups made are kept, so the folder
  // is not read again for the next frame.
  fs::rename(dir.file("FILM.Wav"), dir.file("other.wav"));
  WriteCompanion(dir.file("film.ABC"));
  SetFolderTime(dir.path(), kLongAgo);
  EXPECT_EQ(companions.Find(film, ".wav"), dir.file("FILM.Wav"));
  EXPECT_EQ(companions.Find(film, ".abc"), std::nullopt);

  // Another file of the folder, or the same file after Forget, is looked up afresh.
  EXPECT_EQ(companions.Find(dir.file("other.dtv"), ".wav"), dir.file("other.wav"));
  companions.Forget();
  EXPECT_EQ(companions.Find(film, ".wav"), std::nullopt);
  EXPECT_EQ(companions.Find(film, ".abc"), dir.file("film.ABC"));

  // A file made or removed in the folder changes its time: the next lookup sees it.
  fs::remove(dir.file("film.ABC"));
  EXPECT_EQ(companions.Find(film, ".abc"), std::nullopt);
  WriteCompanion(dir.file("film.WAV"));
  EXPECT_EQ(companions.Find(film, ".wav"), dir.file("film.WAV"));
}

TEST(CompanionFiles, FolderChangedWithinTheTickOfTheLookupIsLookedUpAgainInALaterTick) {
  test::TempDir dir;
  const fs::path film = dir.file("film.dtv");
  WriteCompanion(film);
  // A time no earlier than the clock's: a change right after the lookup could keep it.
  const std::time_t future = std::time(nullptr) + 3600;
  SetFolderTime(dir.path(), future);

  CompanionFiles companions;
  EXPECT_EQ(companions.Find(film, ".wav"), std::nullopt);
  WriteCompanion(dir.file("film.wav"));
  SetFolderTime(dir.path(), future);
  // Once the clock has moved on from the tick of the lookup.
  timespec resolution{};
  clock_getres(CLOCK_REALTIME_COARSE, &resolution);
  std::this_thread::sleep_for(std::chrono::nanoseconds(2 * resolution.tv_nsec) +
                              std::chrono::milliseconds(1));
  EXPECT_EQ(companions.Find(film, ".wav"), dir.file("film.wav"));
}

TEST(CompanionFiles, MissingFolderFindsNothing) {
  test::TempDir dir;
  CompanionFiles companions;
  EXPECT_EQ(companions.Find(dir.file("gone") / "film.dtv", ".wav"), std::nullopt);
  WriteCompanion(dir.file("film.wav"));
  EXPECT_EQ(companions.Find(dir.file("film.dtv"), ".wav"), dir.file("film.wav"));
}

} // namespace
} // namespace calidarix
