#include "mainwindow/frame_deletion.h"

#include "tests/mainwindow/film_fixture.h"
#include "tests/support/test_support.h"
#include "tests/support/thermogram_fixture.h"

#include <QFile>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace calidarix {
namespace {

using test::At10;
using test::QPath;
namespace fs = std::filesystem;

// Offsets and stamps of every frame of a film, as the view reads them.
struct FilmContent {
  int Frames = 0;
  std::vector<float> Offsets;
  std::vector<std::uint32_t> Stamps;
  std::vector<std::uint16_t> FirstSamples;
};

FilmContent Read(const QString &film) {
  FilmContent content;
  TDTV t;
  if (!t.LoadFromFile(film, 1))
    return content;
  content.Frames = t.FHeader.FrameCount;
  for (int k = 1; k <= content.Frames; ++k) {
    if (!t.LoadFromFile(film, k))
      return FilmContent{};
    content.Offsets.push_back(t.FHeader.Offset);
    content.Stamps.push_back(t.FFrameRec.TimeStamp);
    content.FirstSamples.push_back(t.FRaw.front());
  }
  return content;
}

class FrameDeletion : public test::ThermogramTest {
protected:
  test::TempDir dir;
};

TEST_F(FrameDeletion, DeletingFrameThreeOfFiveKeepsTheOthersInOrder) {
  const QString film = QPath(dir.file("run.dtv"));
  test::WriteFilm(film, 3, 2, test::NumberedFrames(5, 3, 2), {At10(1), At10(2), At10(3), At10(4), At10(5)});
  ASSERT_TRUE(DeleteFilmFrame(film, 3));
  const FilmContent after = Read(film);
  EXPECT_EQ(after.Frames, 4);
  EXPECT_EQ(after.Offsets, (std::vector<float>{20, 21, 23, 24}));
  EXPECT_EQ(after.Stamps, (std::vector<std::uint32_t>{At10(1), At10(2), At10(4), At10(5)}));
  EXPECT_EQ(after.FirstSamples, (std::vector<std::uint16_t>{1000, 2000, 4000, 5000}));
  TDTV t;
  ASSERT_TRUE(t.LoadFromFile(film, 1));
  EXPECT_EQ(t.CommentText(), "route 7");
  // Nothing is left beside the film.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(FrameDeletion, RefusalsLeaveTheFileAsItWas) {
  const QString film = QPath(dir.file("run.dtv"));
  test::WriteFilm(film, 3, 2, test::NumberedFrames(2, 3, 2));
  const std::vector<std::uint8_t> before = test::ReadFile(dir.file("run.dtv"));
  EXPECT_FALSE(DeleteFilmFrame(film, 3));
  EXPECT_FALSE(DeleteFilmFrame(film, 0));
  EXPECT_FALSE(DeleteFilmFrame(QPath(dir.file("missing.dtv")), 1));
  EXPECT_EQ(test::ReadFile(dir.file("run.dtv")), before);
  // A film in another format could not be written back in its own: refused, untouched.
  fs::copy_file(dir.file("run.dtv"), dir.file("run.img"));
  const IoResult refused = DeleteFilmFrame(QPath(dir.file("run.img")), 1);
  EXPECT_FALSE(refused);
  EXPECT_TRUE(refused.message.contains(".dtv")) << refused.message.toStdString();
  EXPECT_EQ(test::ReadFile(dir.file("run.img")), before);
  // A single image has no frame to lose.
  test::WriteThermogram(QPath(dir.file("one.dtv")), 2, 2, 20.0);
  EXPECT_FALSE(DeleteFilmFrame(QPath(dir.file("one.dtv")), 1));
}

// A deletion killed at any moment leaves the old film or the new one, each whole. The child deletes a
// frame of a film large enough to take a while; the parent kills it as soon as the new film is being
// put together, and again at later moments.
TEST_F(FrameDeletion, AKillDuringTheDeletionLeavesTheOldFilmOrTheNewOneWhole) {
  const QString film = QPath(dir.file("big.dtv"));
  std::vector<std::uint32_t> stamps;
  for (int i = 0; i < 30; ++i)
    stamps.push_back(At10(i));
  test::WriteFilm(film, 256, 192, test::NumberedFrames(30, 256, 192), stamps);
  const FilmContent original = Read(film);
  ASSERT_EQ(original.Frames, 30);
  const std::vector<std::uint8_t> originalBytes = test::ReadFile(dir.file("big.dtv"));
  FilmContent shortened = original;
  shortened.Frames = 29;
  shortened.Offsets.erase(shortened.Offsets.begin() + 9);
  shortened.Stamps.erase(shortened.Stamps.begin() + 9);
  shortened.FirstSamples.erase(shortened.FirstSamples.begin() + 9);

  int killedMidWrite = 0;
  // Kill once the temporary film has reached this share of the final size (0: as soon as it exists).
  for (const double share : {0.0, 0.25, 0.5, 0.9, 2.0}) {
    test::WriteFile(dir.file("big.dtv"), originalBytes);
    for (const auto &entry : fs::directory_iterator(dir.path()))
      if (entry.path().filename() != "big.dtv")
        fs::remove(entry.path());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
      _exit(DeleteFilmFrame(film, 10) ? 0 : 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool killed = false;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
      if (waitpid(child, &status, WNOHANG) == child)
        break;
      for (const auto &entry : fs::directory_iterator(dir.path())) {
        std::error_code ec;
        const auto size = fs::file_size(entry.path(), ec);
        if (entry.path().filename() != "big.dtv" && !ec &&
            static_cast<double>(size) >= share * static_cast<double>(originalBytes.size())) {
          kill(child, SIGKILL);
          killed = true;
        }
      }
      if (killed) {
        waitpid(child, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ASSERT_TRUE(killed || WIFEXITED(status)) << "the child neither ended nor was killed";
    const FilmContent now = Read(film);
    const bool old = now.Frames == original.Frames && test::ReadFile(dir.file("big.dtv")) == originalBytes;
    const bool renewed = now.Frames == shortened.Frames && now.Offsets == shortened.Offsets &&
                         now.Stamps == shortened.Stamps && now.FirstSamples == shortened.FirstSamples;
    EXPECT_TRUE(old || renewed) << "kill at " << share << ": a film of " << now.Frames << " frames";
    killedMidWrite += killed && old ? 1 : 0;
    if (!killed) {
      EXPECT_TRUE(renewed);
    }
  }
  // At least one kill caught the new film half-made (the old one then stays); the film was never
  // deleted first.
  EXPECT_GE(killedMidWrite, 1);
}

TEST_F(FrameDeletion, AThermogramGoesWithItsCompanionsWhateverTheirCase) {
  const QString image = QPath(dir.file("a.dtv"));
  test::WriteThermogram(image, 2, 2, 20.0);
  for (const char *companion : {"a.DTI", "a.wav", "A.abc"})
    test::WriteText(dir.file(companion), "x");
  for (const char *other : {"b.dti", "a.dtv.sin", "ab.wav"})
    test::WriteText(dir.file(other), "x");
  QStringList companions = ThermogramCompanions(image);
  companions.sort();
  EXPECT_EQ(companions,
            (QStringList{QPath(dir.file("A.abc")), QPath(dir.file("a.DTI")), QPath(dir.file("a.wav"))}));
  ASSERT_TRUE(DeleteThermogramFile(image));
  std::vector<std::string> left;
  for (const auto &entry : fs::directory_iterator(dir.path()))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"a.dtv.sin", "ab.wav", "b.dti"}));
  // A file that is gone cannot be deleted: an error, and nothing else is touched.
  EXPECT_FALSE(DeleteThermogramFile(image));
  EXPECT_TRUE(fs::exists(dir.file("b.dti")));
}

} // namespace
} // namespace calidarix
