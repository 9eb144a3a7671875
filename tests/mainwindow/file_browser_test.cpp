#include "mainwindow/file_browser.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

using test::QPath;
using test::TempDir;

TEST(FileBrowserTest, StartsOnDriveCWithTheDtvMask) {
  TempDir dir;
  test::ScopedEnv drive("CALIDARIX_DRIVE_C", dir.path().string());
  const BrowseState state = BrowseState::Initial();
  EXPECT_EQ(state.BrowseFolder, QPath(dir.path()));
  EXPECT_EQ(state.BrowsePrevFolder, state.BrowseFolder);
  EXPECT_EQ(state.BrowseMask, "DTV");
  EXPECT_TRUE(state.BrowseIndexStack.empty());
}

TEST(FileBrowserTest, ListsParentFoldersThenFilesOfTheMask) {
  TempDir dir;
  std::filesystem::create_directories(dir.file("b"));
  std::filesystem::create_directories(dir.file("A"));
  std::filesystem::create_directories(dir.file(".hidden"));
  for (const char *name : {"z.dtv", "Y.DTV", "x.png", "dtv", ".h.dtv"})
    test::WriteFile(dir.file(name), {});
  const std::vector<BrowseEntry> expected = {
      {"..", true}, {"A", true}, {"b", true}, {"Y.DTV", false}, {"z.dtv", false}};
  EXPECT_EQ(ListBrowseFolder(QPath(dir.path()), "DTV"), expected);
  EXPECT_NE(ListBrowseFolder(QStringLiteral("/"), "DTV").front().Name, "..");
  const std::vector<BrowseEntry> onlyUp = {{"..", true}};
  EXPECT_EQ(ListBrowseFolder(QPath(dir.file("missing")), "DTV"), onlyUp);
}

TEST(FileBrowserTest, EnteringAndLeavingFoldersRestoresTheListPosition) {
  TempDir dir;
  std::filesystem::create_directories(dir.file("a/inner"));
  std::filesystem::create_directories(dir.file("b"));
  test::WriteFile(dir.file("f.dtv"), {});
  BrowseState state;
  state.BrowseFolder = state.BrowsePrevFolder = QPath(dir.path());
  auto entries = ListBrowseFolder(state.BrowseFolder, state.BrowseMask);
  EXPECT_EQ(BrowseEnter(state, entries, 3), -1); // a file: nothing happens
  EXPECT_EQ(BrowseEnter(state, entries, 9), -1);
  EXPECT_EQ(state.BrowseFolder, QPath(dir.path()));

  EXPECT_EQ(BrowseEnter(state, entries, 1), 0); // "a"
  EXPECT_EQ(state.BrowseFolder, QPath(dir.file("a")));
  EXPECT_EQ(state.BrowsePrevFolder, QPath(dir.path()));
  entries = ListBrowseFolder(state.BrowseFolder, state.BrowseMask);
  EXPECT_EQ(BrowseEnter(state, entries, 1), 0); // "inner"
  entries = ListBrowseFolder(state.BrowseFolder, state.BrowseMask);
  EXPECT_EQ(BrowseEnter(state, entries, 0), 1); // ".." back to "inner"'s line
  EXPECT_EQ(state.BrowseFolder, QPath(dir.file("a")));
  entries = ListBrowseFolder(state.BrowseFolder, state.BrowseMask);
  EXPECT_EQ(BrowseEnter(state, entries, 0), 1); // ".." back to "a"'s line
  EXPECT_EQ(state.BrowseFolder, QPath(dir.path()));
  EXPECT_TRUE(state.BrowseIndexStack.empty());
  entries = ListBrowseFolder(state.BrowseFolder, state.BrowseMask);
  EXPECT_EQ(BrowseEnter(state, entries, 0), 0); // above the start: nothing remembered
  EXPECT_EQ(BrowseFileName(state, {"x.dtv", false}), QPath(dir.path().parent_path() / "x.dtv"));
}

} // namespace
} // namespace calidarix
