#include "mainwindow/save_as.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace calidarix {
namespace {

using test::QPath;

TEST(SaveAs, NameBaseOfTheChosenFile) {
  const struct {
    const char *chosen;
    const char *base;
  } cases[] = {{"/d/img0042.dtv", "img"}, {"/d/123.dtv", "1"},   {"/d/kvd00017.dtv", "kvd"},
               {"/d/x.y.dtv", "x.y"},     {"/d/plain", "plain"}, {"/d/.dtv", "kvd"},
               {"/d/a1b2.dtv", "a1b"},    {"/d/7", "7"}};
  for (const auto &c : cases)
    EXPECT_EQ(SaveNameBaseOf(QString::fromUtf8(c.chosen)), QString::fromUtf8(c.base)) << c.chosen;
}

TEST(SaveAs, TheRecordingFollowsTheThermogram) {
  test::TempDir dir;
  test::ScopedEnv driveC("CALIDARIX_DRIVE_C", dir.path().string());
  const QString recording = RecordedVoiceComment();
  EXPECT_EQ(recording, QPath(dir.file("IRSound.wav")));
  // Nothing recorded: nothing to do.
  EXPECT_TRUE(MoveVoiceComment(recording, QPath(dir.file("a.dtv"))));
  test::WriteText(dir.file("IRSound.wav"), "voice");
  test::WriteText(dir.file("a.wav"), "older voice");
  ASSERT_TRUE(MoveVoiceComment(recording, QPath(dir.file("a.dtv"))));
  EXPECT_EQ(test::ReadText(dir.file("a.wav")), "voice");
  EXPECT_FALSE(std::filesystem::exists(dir.file("IRSound.wav")));
  test::WriteText(dir.file("IRSound.wav"), "voice");
  const IoResult failed = MoveVoiceComment(recording, QPath(dir.file("missing/b.dtv")));
  EXPECT_FALSE(failed);
  EXPECT_TRUE(failed.message.contains(QStringLiteral("b.wav")));
  EXPECT_TRUE(std::filesystem::exists(dir.file("IRSound.wav"))); // kept for another try
}

} // namespace
} // namespace calidarix
