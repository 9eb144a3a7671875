// The file browser panel: hidden for the whole run and never filled by the program, but built and
// working; the tests drive its list directly.

#include "tests/mainwindow/ui/file_window_fixture.h"
#include "tests/support/key_events.h"

#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QListWidget>

#include <filesystem>

namespace calidarix {
namespace {

using test::FileWindow;

bool AllBlack(const QImage &picture) {
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      if (picture.pixel(x, y) != qRgb(0, 0, 0))
        return false;
  return true;
}

TEST_F(FileWindow, FileBrowserPanelStaysHiddenAndEmpty) {
  TCalidarix &w = Start();
  const PanelsState &p = w.FPanels;
  EXPECT_FALSE(p.FilesPanel->isVisible());
  EXPECT_FALSE(p.DriveCB->isEnabled());
  EXPECT_EQ(p.FilesLB->count(), 0);
  EXPECT_EQ(p.Browse.BrowseFolder, QDir::cleanPath(Path("")));
  EXPECT_EQ(p.Browse.BrowseMask, "DTV");
  EXPECT_TRUE(PreviewDTV && PreviewDTV->FFileName.isEmpty());
}

TEST_F(FileWindow, FileBrowserPreviewsFilesAndWalksFolders) {
  TCalidarix &w = Start();
  PanelsState &p = w.FPanels;
  std::filesystem::create_directories(dir.file("day1"));
  Thermogram("day1/inner.dtv", 5.0f);
  const QString top = Thermogram("top.dtv", 7.0f);
  p.FilesPanel->resize(200, 400);
  w.BrowseShowFolder(0);
  ASSERT_EQ(p.FilesLB->count(), 3); // "..", "day1", "top.dtv"
  EXPECT_EQ(p.FilesLB->item(1)->text(), "day1");

  p.FilesLB->setCurrentRow(2);
  EXPECT_EQ(PreviewDTV->FFileName, top);
  EXPECT_FLOAT_EQ(PreviewDTV->FHeader.Offset, 7.0f);
  EXPECT_NE(CurrentDTV->FFileName, top); // the preview leaves the main image alone
  p.PreviewPB->resize(120, 90);
  w.PreviewPBPaint();
  EXPECT_FALSE(AllBlack(p.PreviewPB->Picture));

  p.FilesLB->setCurrentRow(1);
  test::PressKey(p.FilesLB, Qt::Key_Return);
  EXPECT_EQ(p.Browse.BrowseFolder, QDir::cleanPath(Path("day1")));
  ASSERT_EQ(p.FilesLB->count(), 2);
  EXPECT_EQ(p.FilesLB->currentRow(), 0);
  test::PressKey(p.FilesLB, Qt::Key_Backspace);
  EXPECT_EQ(p.Browse.BrowseFolder, QDir::cleanPath(Path("")));
  EXPECT_EQ(p.FilesLB->currentRow(), 1); // back on "day1"
}

} // namespace
} // namespace calidarix
