// Whole-file writes: the target is always whole (old or new), and interrupted writes leave at most
// one temporary file per target, which the next write of that target removes.

#include "platform/atomic_file.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace calidarix {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Entries(const fs::path &folder) {
  std::vector<std::string> names;
  for (const auto &entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Content(char fill, std::size_t size) {
  std::string text(size, fill);
  text.back() = '\n';
  return text;
}

TEST(AtomicFile, WritesWholeFilesAndKeepsTheTargetsPermissions) {
  test::TempDir dir;
  const fs::path target = dir.file("settings.ini");
  ASSERT_TRUE(WriteFileAtomically(target, "first\n"));
  EXPECT_EQ(test::ReadText(target), "first\n");
  ASSERT_EQ(chmod(target.c_str(), 0600), 0);
  ASSERT_TRUE(WriteFileAtomically(target, "second\n"));
  EXPECT_EQ(test::ReadText(target), "second\n");
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"settings.ini"});

  std::string error;
  EXPECT_FALSE(WriteFileAtomically(dir.file("no-such-folder") / "x.ini", "x", &error));
  EXPECT_FALSE(error.empty());
}

// The temporary file of a write that was cut short is the one the next write uses and then renames.
TEST(AtomicFile, NextWriteTakesOverAnInterruptedWritesTemporaryFile) {
  test::TempDir dir;
  const fs::path target = dir.file("registry.txt");
  test::WriteText(target, "old\n");
  test::WriteText(dir.file("registry.txt.tmp"), "half a wr");
  ASSERT_TRUE(WriteFileAtomically(target, "new\n"));
  EXPECT_EQ(test::ReadText(target), "new\n");
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"registry.txt"});
}

// Writers killed at random moments, again and again: the target is always one whole version, at most
// one temporary file is left beside it, and the next write leaves the target alone in its folder.
void KillWritersAtRandomMoments(OtherWriters others) {
  test::TempDir dir;
  const fs::path target = dir.file("thermogram.dtv");
  const std::string a = Content('a', 1 << 20);
  const std::string b = Content('b', 1 << 20);
  ASSERT_TRUE(WriteFileAtomically(target, a, nullptr, true, others));
  for (int round = 0; round < 25; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) {
        WriteFileAtomically(target, i % 2 == 0 ? b : a, nullptr, others == OtherWriters::MayExist, others);
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(500 + 397 * (round % 11)));
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const std::string now = test::ReadText(target);
    EXPECT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
    EXPECT_LE(Entries(dir.path()).size(), 2u) << "round " << round;
  }
  ASSERT_TRUE(WriteFileAtomically(target, a, nullptr, true, others));
  EXPECT_EQ(test::ReadText(target), a);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"thermogram.dtv"});
}

TEST(AtomicFile, KilledWritersLeaveAtMostOneTemporaryFile) {
  KillWritersAtRandomMoments(OtherWriters::MayExist);
}

// A file only this program writes skips the lock, not the guarantee: killed half-way, the target is
// still whole and the next write clears what was left.
TEST(AtomicFile, KilledUnsharedWritersLeaveTheTargetWhole) {
  KillWritersAtRandomMoments(OtherWriters::None);
}

// An unshared write takes no lock, so it does not wait for one; it still cuts away a longer leftover
// temporary file, keeps the target's permissions, and reports each failure with the target untouched.
TEST(AtomicFile, UnsharedWritesTakeNoLockAndReportFailures) {
  test::TempDir dir;
  const fs::path target = dir.file("frame.jpg");
  test::WriteText(target, "old picture\n");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  const fs::path temporary = TemporaryFileFor(target);
  test::WriteText(temporary, "a much longer half-written picture");
  const int held = open(temporary.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
  const auto start = std::chrono::steady_clock::now();
  std::string error;
  EXPECT_TRUE(WriteFileAtomically(target, "new\n", &error, false, OtherWriters::None)) << error;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  close(held);
  EXPECT_EQ(test::ReadText(target), "new\n");
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"frame.jpg"});

  // A target that cannot be replaced (a folder of that name) and a folder that does not exist.
  const fs::path folder = dir.file("taken.jpg");
  fs::create_directory(folder);
  for (const fs::path &bad : {folder, dir.file("no-such-folder") / "x.jpg"}) {
    error.clear();
    EXPECT_FALSE(WriteFileAtomically(bad, "x", &error, false, OtherWriters::None)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"frame.jpg", "taken.jpg"}));
}

// Two writers of one target wait for each other instead of sharing a temporary file.
TEST(AtomicFile, ConcurrentWritersOfOneTargetDoNotCollide) {
  test::TempDir dir;
  const fs::path target = dir.file("shared.ini");
  const std::string a = Content('a', 200000);
  const std::string b = Content('b', 300000);
  int failures = 0;
  std::thread other([&] {
    for (int i = 0; i < 40; ++i) {
      failures += WriteFileAtomically(target, b) ? 0 : 1;
    }
  });
  int ownFailures = 0;
  for (int i = 0; i < 40; ++i) {
    ownFailures += WriteFileAtomically(target, a) ? 0 : 1;
  }
  other.join();
  EXPECT_EQ(failures + ownFailures, 0);
  const std::string now = test::ReadText(target);
  EXPECT_TRUE(now == a || now == b);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"shared.ini"});
}

} // namespace
} // namespace calidarix
