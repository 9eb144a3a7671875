#include "mainwindow/desktop_shortcuts.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

using test::QPath;
using test::TempDir;
namespace fs = std::filesystem;

// A home folder of its own: drive C, the desktop named in "user-dirs.dirs", the program and the
// registry file all inside it.
class DesktopShortcutsTest : public ::testing::Test {
protected:
  DesktopShortcutsTest()
      : home_("HOME", home.path().string()), config_("XDG_CONFIG_HOME", home.file(".config").string()),
        drive_("CALIDARIX_DRIVE_C", home.path().string()) {
    fs::create_directories(home.file(".config"));
    fs::create_directories(home.file("Schreibtisch"));
    test::WriteText(home.file(".config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    test::WriteFile(home.file("calidarix"), {0x7f, 'E', 'L', 'F'});
  }

  std::optional<std::string> StoredDesktop() {
    Registry registry(home.file("registry.txt"));
    if (!registry.OpenKey(kDesktopPathKey, false))
      return std::nullopt;
    return registry.ReadString(kDesktopPathValue);
  }

  // Start-up: the database shortcut, then the program's.
  std::pair<ShortcutOutcome, ShortcutOutcome> StartUp() {
    Registry registry(home.file("registry.txt"));
    const fs::path desktop = UserDesktopFolder();
    return {CreateDesktopShortcut(registry, DatabaseShortcut(), desktop),
            CreateDesktopShortcut(registry, ProgramShortcut(home.file("calidarix")), desktop)};
  }

  fs::path Desktop(const char *name) const { return home.file("Schreibtisch") / name; }

  TempDir home;

private:
  test::ScopedEnv home_, config_, drive_;
};

TEST_F(DesktopShortcutsTest, DesktopFolderComesFromTheUserDirectories) {
  EXPECT_EQ(UserDesktopFolder(), home.file("Schreibtisch"));
  fs::remove(home.file(".config/user-dirs.dirs"));
  EXPECT_EQ(UserDesktopFolder(), home.file("Desktop"));
}

TEST_F(DesktopShortcutsTest, FirstStartWritesBothShortcutsAndRemembersTheDesktop) {
  fs::create_directories(home.file("DATABASE.KVD"));
  EXPECT_EQ(StartUp(), std::pair(ShortcutOutcome::Written, ShortcutOutcome::Written));
  EXPECT_EQ(StoredDesktop(), home.file("Schreibtisch").string() + "/");

  const std::string database = test::ReadText(Desktop("DATABASE.desktop"));
  EXPECT_EQ(database, "[Desktop Entry]\nType=Link\nName=DATABASE\nURL=file://" +
                          home.file("DATABASE.KVD").string() + "\nIcon=folder\n");
  const std::string program = test::ReadText(Desktop("Calidarix.desktop"));
  EXPECT_EQ(program, "[Desktop Entry]\nType=Application\nName=Calidarix\nExec=\"" +
                         home.file("calidarix").string() + "\"\nTerminal=false\n");
  const auto perms = fs::status(Desktop("Calidarix.desktop")).permissions();
  EXPECT_NE(perms & fs::perms::owner_exec, fs::perms::none);
}

TEST_F(DesktopShortcutsTest, KnownDesktopKeepsShortcutsAndRemakesAMissingOne) {
  fs::create_directories(home.file("DATABASE.KVD"));
  StartUp();
  test::WriteText(Desktop("DATABASE.desktop"), "edited by the user");
  EXPECT_EQ(StartUp(), std::pair(ShortcutOutcome::Kept, ShortcutOutcome::Kept));
  EXPECT_EQ(test::ReadText(Desktop("DATABASE.desktop")), "edited by the user");

  fs::remove(Desktop("Calidarix.desktop"));
  EXPECT_EQ(StartUp(), std::pair(ShortcutOutcome::Kept, ShortcutOutcome::Written));
  EXPECT_TRUE(fs::exists(Desktop("Calidarix.desktop")));
}

TEST_F(DesktopShortcutsTest, MissingDesktopPathRewritesTheFirstShortcutOnly) {
  fs::create_directories(home.file("DATABASE.KVD"));
  test::WriteText(Desktop("DATABASE.desktop"), "old");
  test::WriteText(Desktop("Calidarix.desktop"), "old");
  EXPECT_EQ(StartUp(), std::pair(ShortcutOutcome::Written, ShortcutOutcome::Kept));
  EXPECT_NE(test::ReadText(Desktop("DATABASE.desktop")), "old");
  EXPECT_EQ(test::ReadText(Desktop("Calidarix.desktop")), "old");
}

TEST_F(DesktopShortcutsTest, MissingDatabaseFolderMakesOnlyTheProgramShortcut) {
  EXPECT_EQ(StartUp(), std::pair(ShortcutOutcome::NoTarget, ShortcutOutcome::Written));
  EXPECT_FALSE(fs::exists(Desktop("DATABASE.desktop")));
  EXPECT_TRUE(fs::exists(Desktop("Calidarix.desktop")));
}

TEST_F(DesktopShortcutsTest, StoredDesktopIsUsedAndANonexistentOneIsNeverCreated) {
  fs::create_directories(home.file("elsewhere"));
  {
    Registry registry(home.file("registry.txt"));
    ASSERT_TRUE(registry.OpenKey(kDesktopPathKey, true));
    ASSERT_TRUE(registry.WriteString(kDesktopPathValue, home.file("elsewhere").string()));
  }
  EXPECT_EQ(StartUp().second, ShortcutOutcome::Written);
  EXPECT_TRUE(fs::exists(home.file("elsewhere/Calidarix.desktop")));
  EXPECT_FALSE(fs::exists(Desktop("Calidarix.desktop")));

  fs::remove_all(home.file("elsewhere"));
  Registry registry(home.file("registry.txt"));
  QString why;
  EXPECT_EQ(
      CreateDesktopShortcut(registry, ProgramShortcut(home.file("calidarix")), UserDesktopFolder(), &why),
      ShortcutOutcome::Failed);
  EXPECT_TRUE(why.contains("does not exist"));
  EXPECT_FALSE(fs::exists(home.file("elsewhere")));
}

TEST(DesktopEntryTest, ProgramPathIsQuotedForExec) {
  const QString text = DesktopEntryText(ProgramShortcut("/opt/my \"x\" $dir/100%/calidarix"));
  EXPECT_TRUE(text.contains(QStringLiteral("Exec=\"/opt/my \\\\\"x\\\\\" \\\\$dir/100%%/calidarix\"\n")))
      << text.toStdString();
  const QString link = DesktopEntryText(DesktopShortcut{"/data/a b", true, "x.desktop", "x"});
  EXPECT_TRUE(link.contains(QStringLiteral("URL=file:///data/a%20b\n"))) << link.toStdString();
}

} // namespace
} // namespace calidarix
