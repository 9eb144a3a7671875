#include "platform/paths.h"

#include "tests/support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

namespace calidarix {
namespace {
namespace fs = std::filesystem;

void Touch(const fs::path &file) {
  std::ofstream(file) << "x";
}

TEST(Paths, FoldersFollowTheEnvironment) {
  test::TempDir dir;
  test::ScopedEnv home("HOME", dir.path().string());
  {
    test::ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    test::ScopedEnv data("XDG_DATA_HOME", "relative/is/ignored");
    EXPECT_EQ(ConfigDir(), dir.path() / ".config" / "calidarix");
    EXPECT_EQ(DataDir(), dir.path() / ".local/share" / "calidarix");
  }
  test::ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
  test::ScopedEnv data("XDG_DATA_HOME", "/dat");
  EXPECT_EQ(ConfigDir(), fs::path("/cfg/calidarix"));
  EXPECT_EQ(DataDir(), fs::path("/dat/calidarix"));

  {
    test::ScopedEnv program("CALIDARIX_PROGRAM_DIR", std::nullopt);
    const fs::path exeFolder = ProgramDir(); // the folder of this test program
    EXPECT_TRUE(fs::exists(exeFolder / "platform_tests")) << exeFolder;
  }
  test::ScopedEnv program("CALIDARIX_PROGRAM_DIR", "/opt/calidarix");
  EXPECT_EQ(ProgramDir(), fs::path("/opt/calidarix"));
}

TEST(Paths, DriveLettersMapToFolders) {
  test::TempDir dir;
  test::ScopedEnv home("HOME", dir.path().string());
  test::ScopedEnv c("CALIDARIX_DRIVE_C", std::nullopt);
  test::ScopedEnv d("CALIDARIX_DRIVE_D", (dir.path() / "d").string());
  test::ScopedEnv e("CALIDARIX_DRIVE_E", "");
  EXPECT_EQ(DriveFolder('C'), dir.path());
  EXPECT_EQ(DriveFolder('d'), dir.path() / "d");
  EXPECT_EQ(DriveFolder('e'), dir.path() / "calidarix-drives" / "E"); // empty variable: as unset
  EXPECT_EQ(DriveFolder('Z'), dir.path() / "calidarix-drives" / "Z");
  EXPECT_EQ(DriveFolder('1'), std::nullopt);
  EXPECT_EQ(DriveFolder(':'), std::nullopt);
  test::ScopedEnv c2("CALIDARIX_DRIVE_C", (dir.path() / "c").string());
  EXPECT_EQ(DriveFolder('c'), dir.path() / "c");
}

TEST(Paths, StoredWindowsPathsBecomeLocalPaths) {
  test::TempDir dir;
  const fs::path c = dir.path() / "c";
  const fs::path d = dir.path() / "d";
  test::ScopedEnv driveC("CALIDARIX_DRIVE_C", c.string());
  test::ScopedEnv driveD("CALIDARIX_DRIVE_D", d.string());
  struct Case {
    const char *stored;
    std::optional<fs::path> local;
  } cases[] = {
      {"C:\\DATABASE.KVD\\x.dtv", c / "DATABASE.KVD" / "x.dtv"},
      {"c:\\tempdtv.dtv", c / "tempdtv.dtv"},
      {"d:/Films\\Day 1/Film.DTV", d / "Films" / "Day 1" / "Film.DTV"},
      {"D:\\", d},
      {"D:", d},
      {"C:x.dtv", c / "x.dtv"},
      {"\\IRSound.wav", c / "IRSound.wav"},
      {"C:\\..\\..\\etc\\x", c / "etc" / "x"}, // no climbing above the drive
      {"C:\\a\\.\\b\\..\\y.dtv", c / "a" / "y.dtv"},
      {"C:\\DATA\\\\x.dtv\\", c / "DATA" / "x.dtv"},
      {"a\\b.dtv", fs::path("a") / "b.dtv"},
      {"..\\b.dtv", fs::path("..") / "b.dtv"},
      {"x.dtv", fs::path("x.dtv")},
      {"/home/u/x.dtv", fs::path("/home/u/x.dtv")},
      {"\\\\server\\share\\x.dtv", std::nullopt},
      {"\\\\?\\C:\\x.dtv", std::nullopt},
      {"//server/share", std::nullopt},
      {"1:\\x.dtv", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto &t : cases)
    EXPECT_EQ(LocalPathFromWindows(t.stored), t.local) << t.stored;
  EXPECT_EQ(LocalPathFromWindows(std::string_view("C:\\a\0b", 6)), std::nullopt);
}

TEST(Paths, CompanionFilesAreFoundWhateverTheirCase) {
  test::TempDir dir;
  for (const char *name :
       {"x.dtv", "x.ABC", "X.Wav", "x.dtv.SIN", "y.dtv", "y.abc", "y.ABC", "Снимок.dtv", "СНИМОК.Abc"})
    Touch(dir.file(name));
  fs::create_directory(dir.file("x.dti")); // a folder is no companion

  EXPECT_EQ(FindCompanionFile(dir.file("x.dtv"), ".abc"), dir.file("x.ABC"));
  EXPECT_EQ(FindCompanionFile(dir.file("x.dtv"), ".wav"), dir.file("X.Wav"));
  EXPECT_EQ(FindCompanionFile(dir.file("x.dtv"), ".dti"), std::nullopt);
  EXPECT_EQ(FindCompanionFile(dir.file("x.dtv"), ".std"), std::nullopt);
  EXPECT_EQ(FindCompanionFile(dir.file("y.dtv"), ".abc"), dir.file("y.abc")); // exact spelling first
  EXPECT_EQ(FindCompanionFile(dir.file("y.dtv"), ".Abc"), dir.file("y.ABC")); // else the first by bytes
  EXPECT_EQ(FindCompanionFile(dir.file("снимок.dtv"), ".abc"), dir.file("СНИМОК.Abc"));
  EXPECT_EQ(FindFileWithExtension(dir.file("x.dtv"), ".sin"), dir.file("x.dtv.SIN"));
  EXPECT_EQ(FindFileWithExtension(dir.file("x"), ".dtv"), dir.file("x.dtv"));
  EXPECT_EQ(FindFileWithExtension(dir.file("nowhere/x"), ".dtv"), std::nullopt);
  // A link counts by what it points to.
  fs::create_symlink("y.abc", dir.file("Z.ABC"));
  fs::create_directory_symlink("x.dti", dir.file("w.ABC"));
  EXPECT_EQ(FindCompanionFile(dir.file("z.dtv"), ".abc"), dir.file("Z.ABC"));
  EXPECT_EQ(FindCompanionFile(dir.file("w.dtv"), ".abc"), std::nullopt);
}

TEST(Paths, ExtensionsAndSameFile) {
  EXPECT_EQ(LowerExtension("a/b/X.DTV"), ".dtv");
  EXPECT_EQ(LowerExtension("x.dtv.SIN"), ".sin");
  EXPECT_EQ(LowerExtension("noext"), "");
  EXPECT_EQ(LowerExtension("dir.d/noext"), "");
  EXPECT_EQ(LowerExtension("Снимок.ДТВ"), ".дтв");

  test::TempDir dir;
  Touch(dir.file("a.dtv"));
  Touch(dir.file("b.dtv"));
  fs::create_hard_link(dir.file("a.dtv"), dir.file("link.dtv"));
  EXPECT_TRUE(SameFile(dir.file("a.dtv"), dir.path() / "." / "a.dtv"));
  EXPECT_TRUE(SameFile(dir.file("a.dtv"), dir.file("link.dtv")));
  EXPECT_FALSE(SameFile(dir.file("a.dtv"), dir.file("b.dtv")));
  EXPECT_FALSE(SameFile(dir.file("a.dtv"), dir.file("A.DTV"))); // names differ in case: two files
  EXPECT_FALSE(SameFile(dir.file("missing"), dir.file("missing")));
}

} // namespace
} // namespace calidarix
