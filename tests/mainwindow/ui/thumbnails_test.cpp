// The thumbnail grid over the image area: showing and leaving it, the focus reading its file, leaving
// it without a choice, marks, deleting marked files, the scan's Tab, the big Previous and Next buttons,
// and a large folder.

#include "mainwindow/file_list.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/multy_grid.h"
#include "tests/mainwindow/ui/file_window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolButton>

#include <filesystem>

namespace calidarix {
namespace {

class Thumbnails : public test::FileWindow {
protected:
  // n thermograms t00.dtv, t01.dtv ... whose Offset is their number; the comment names them.
  QStringList Folder(int n) {
    QStringList names;
    for (int i = 0; i < n; ++i) {
      const std::string name = QStringLiteral("t%1.dtv").arg(i, 2, 10, QLatin1Char('0')).toStdString();
      names << Thermogram(name, static_cast<float>(i));
    }
    return names;
  }

  TCalidarix &StartIn(const QStringList &files) {
    TCalidarix &w = Start();
    w.FOpenDirectory = Path("");
    if (!files.isEmpty()) {
      EXPECT_TRUE(w.OpenInView(files.front()));
    }
    return w;
  }

  void Press(TCalidarix &w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    w.MultyDGKeyDown(key, modifiers);
    w.MultyDGKeyUp(key);
  }

  // A key typed into the grid, which has the keyboard while it is shown.
  static void Key(TCalidarix &w, int key) {
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
      QKeyEvent event(type, key, Qt::NoModifier);
      QApplication::sendEvent(w.MultyDG, &event);
    }
  }

  void RightClick(TCalidarix &w, int column, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const int x = column * w.MultyDG->DefaultColWidth() + 5;
    const int y = row * w.MultyDG->DefaultRowHeight() + 5;
    w.MultyDGMouseDown(Qt::RightButton, x, y, modifiers);
  }
};

TEST_F(Thumbnails, TabShowsTheGridAndEnterLeavesItOnTheFileFocusedLast) {
  const QStringList files = Folder(6);
  TCalidarix &w = StartIn(files);
  w.TabExecute();
  ASSERT_TRUE(w.MultyDG->isVisible());
  EXPECT_TRUE(w.Multy1->isChecked());
  EXPECT_EQ(w.MultyDG->geometry(), w.ImagePanel->rect());
  EXPECT_EQ(w.FFilms.MultyIL.Count(), 6);
  EXPECT_EQ(CurrentDTV->FFileName, files[0]);

  Press(w, Qt::Key_Right);
  Press(w, Qt::Key_Down); // row 1, column 1: entry 5
  EXPECT_EQ(FocusedThumbEntry(w.FFilms.FThumb), 5);
  EXPECT_EQ(w.FFilms.FocusFile, files[5]);
  EXPECT_FALSE(w.FFilms.FocusPicture.isNull());
  EXPECT_EQ(CurrentDTV->FFileName, files[0]) << "the file shown stays until one is chosen";
  ASSERT_NE(w.KeyLabel, nullptr);
  EXPECT_EQ(w.KeyLabel->text(), QString::number(Qt::Key_Down));

  Press(w, Qt::Key_Return);
  EXPECT_FALSE(w.MultyDG->isVisible());
  EXPECT_FALSE(w.Multy1->isChecked());
  EXPECT_EQ(CurrentDTV->FFileName, files[5]);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
  EXPECT_EQ(w.FileNameLabel->text(), "t05");

  // The menu item shows it again, from the same place; the thumbnails are not made again.
  w.Multy1->trigger();
  EXPECT_TRUE(w.MultyDG->isVisible());
  EXPECT_EQ(FocusedThumbEntry(w.FFilms.FThumb), 5);
  EXPECT_EQ(w.FFilms.MultyIL.Count(), 6);
  w.MultyDGDblClick();
  EXPECT_FALSE(w.MultyDG->isVisible());
}

TEST_F(Thumbnails, LeavingWithoutChoosingAFileKeepsTheFileFrameAndMarkers) {
  // The film sorts first, so the grid opens with the focus on it.
  const QString film = Film("a_film.dtv", 30, 0.0f);
  const QStringList files = Folder(3);
  TCalidarix &w = StartIn({film});
  ASSERT_TRUE(w.ChangeFrame(25));
  TAreaRecord area;
  area.SetRect(TRect{1, 0, 3, 1});
  w.FMarkers.FCurrentArea = area;
  w.FMarkers.FProfileLine = TLineRecord{0, 0, 3, 1};
  ASSERT_TRUE(w.AddPoint(2, 1, false));
  const TMarkerLists markers = w.FMarkers;
  const auto unchanged = [&](const char *after) {
    SCOPED_TRACE(after);
    EXPECT_FALSE(w.MultyDG->isVisible());
    EXPECT_EQ(CurrentDTV->FFileName, film);
    EXPECT_EQ(CurrentDTV->FFrameIndex, 25);
    EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 24.0f);
    EXPECT_EQ(w.FrameLabel->text(), "25");
    EXPECT_EQ(w.FMarkers.FCurrentArea.Rect(), markers.FCurrentArea.Rect());
    EXPECT_EQ(w.FMarkers.FProfileLine, markers.FProfileLine);
    EXPECT_EQ(w.FMarkers.FPoints.size(), markers.FPoints.size());
  };

  w.TabExecute();
  ASSERT_TRUE(w.MultyDG->isVisible());
  Key(w, Qt::Key_Escape);
  unchanged("Tab, Esc");

  // Looking at another file and giving up.
  w.TabExecute();
  Key(w, Qt::Key_Right);
  ASSERT_EQ(w.FFilms.FocusFile, files[0]);
  Key(w, Qt::Key_Escape);
  unchanged("Tab, Right, Esc");

  // Enter on the file shown is no new choice either.
  w.TabExecute();
  Key(w, Qt::Key_Left);
  ASSERT_EQ(w.FFilms.FocusFile, film);
  Key(w, Qt::Key_Return);
  unchanged("Tab, Enter on the same file");

  // Another file chosen opens at frame 1, without the film's markers.
  w.TabExecute();
  Key(w, Qt::Key_Right);
  Key(w, Qt::Key_Return);
  EXPECT_EQ(CurrentDTV->FFileName, files[0]);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
  EXPECT_TRUE(w.FMarkers.FPoints.empty());
  EXPECT_TRUE(w.FMarkers.FCurrentArea.IsEmpty());
}

TEST_F(Thumbnails, TheFileShownDeletedFromTheGridGivesWayToTheFocusedOne) {
  const QStringList files = Folder(3);
  TCalidarix &w = StartIn(files);
  w.TabExecute();
  dialogs->ConfirmAnswers = {true};
  Key(w, Qt::Key_Delete); // the focused file, which is the one shown
  ASSERT_EQ(w.FFilms.FocusFile, files[1]);
  Key(w, Qt::Key_Escape);
  EXPECT_EQ(CurrentDTV->FFileName, files[1]);
}

TEST_F(Thumbnails, PreviousAndNextPageTheGridAndFoldTheToolPanels) {
  const QStringList files = Folder(20);
  TCalidarix &w = StartIn(files);
  w.TabExecute();
  w.PalToolPanel->show();
  w.NextPanelClick();
  EXPECT_EQ(w.FFilms.FThumb.FThumbTopRow, 1) << "as PgDn: 20 files, 4 columns";
  EXPECT_EQ(w.FFilms.FocusFile, files[4]);
  EXPECT_FALSE(w.PalToolPanel->isVisible());
  EXPECT_EQ(CurrentDTV->FFileName, files[0]) << "no file was stepped to";
  w.PalToolPanel->show();
  w.PrevPanelClick();
  EXPECT_EQ(w.FFilms.FThumb.FThumbTopRow, 0);
  EXPECT_EQ(w.FFilms.FocusFile, files[0]);
  EXPECT_FALSE(w.PalToolPanel->isVisible());
  EXPECT_TRUE(w.MultyDG->isVisible());

  // Without the grid they step through the list.
  Key(w, Qt::Key_Escape);
  w.NextPanelClick();
  EXPECT_EQ(CurrentDTV->FFileName, files[1]);
  w.PrevPanelClick();
  EXPECT_EQ(CurrentDTV->FFileName, files[0]);
}

TEST_F(Thumbnails, PaintingDrawsWhatIsReadyAndNeverReadsAFile) {
  const QStringList files = Folder(3);
  TCalidarix &w = StartIn(files);
  w.TabExecute();
  Press(w, Qt::Key_Right);
  ASSERT_EQ(w.FFilms.FocusFile, files[1]);
  const QImage focused = w.FFilms.FocusPicture;
  ASSERT_EQ(focused.size(), QSize(4, 2));
  // The file changes on disk: a paint shows the picture already made and reads nothing.
  Thermogram("t01.dtv", 50.0f, 8, 4);
  const QImage shot = w.MultyDG->grab().toImage();
  EXPECT_FALSE(shot.isNull());
  EXPECT_EQ(w.FFilms.FocusPicture, focused);
  // The next focus change reads it, and the next page rendering makes its thumbnail again.
  Press(w, Qt::Key_Left);
  Press(w, Qt::Key_Right);
  EXPECT_EQ(w.FFilms.FocusPicture.size(), QSize(8, 4));
  Press(w, Qt::Key_Return);
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 50.0f);
}

TEST_F(Thumbnails, MarksBySpaceAndTheRightButton) {
  const QStringList files = Folder(6);
  TCalidarix &w = StartIn(files);
  w.TabExecute();
  Press(w, Qt::Key_Space);
  RightClick(w, 2, 0);
  RightClick(w, 1, 1);
  EXPECT_EQ(FileMarks, (std::vector<std::uint8_t>{1, 0, 1, 0, 0, 1}));
  RightClick(w, 1, 1); // again: unmarked
  RightClick(w, 3, 3); // below the last thumbnail: nothing
  EXPECT_EQ(FileMarks, (std::vector<std::uint8_t>{1, 0, 1, 0, 0, 0}));
  RightClick(w, 0, 0, Qt::AltModifier);
  EXPECT_EQ(FileMarks, std::vector<std::uint8_t>(6, 0));
}

TEST_F(Thumbnails, DeleteTheMarkedFilesOrTheFocusedOne) {
  const QStringList files = Folder(6);
  test::WriteText(dir.file("t02.dti"), "[PALETTE]\n");
  TCalidarix &w = StartIn(files);
  w.TabExecute();
  for (int column : {1, 2, 3})
    RightClick(w, column, 0);
  dialogs->ConfirmAnswers = {false};
  Press(w, Qt::Key_Delete);
  EXPECT_EQ(dialogs->Questions, QStringList{"Delete 3 file(s)?"});
  EXPECT_EQ(FileList.size(), 6);
  dialogs->ConfirmAnswers = {true};
  Press(w, Qt::Key_Delete);
  EXPECT_EQ(FileList, (QStringList{files[0], files[4], files[5]}));
  EXPECT_FALSE(std::filesystem::exists(dir.file("t02.dti"))); // the sidecar went with its image
  EXPECT_TRUE(w.MultyDG->isVisible());
  EXPECT_EQ(FileMarks, std::vector<std::uint8_t>(3, 0));

  // Nothing marked: the focused file, by its own question.
  Press(w, Qt::Key_Right);
  ASSERT_EQ(w.FFilms.FocusFile, files[4]);
  dialogs->ConfirmAnswers = {true};
  Press(w, Qt::Key_Delete);
  EXPECT_EQ(dialogs->Questions.last(), "Delete file:\n" + files[4] + "?");
  EXPECT_EQ(FileList, (QStringList{files[0], files[5]}));
  EXPECT_EQ(w.FFilms.FocusFile, files[5]); // the focus now rests on the next file
}

TEST_F(Thumbnails, ColumnsAndPagesMoveTheFocusedFile) {
  const QStringList files = Folder(20);
  TCalidarix &w = StartIn(files);
  w.TabExecute();
  Press(w, Qt::Key_PageDown); // 20 files, 4 columns: rows 1 .. 4
  EXPECT_EQ(w.FFilms.FThumb.FThumbTopRow, 1);
  EXPECT_EQ(w.FFilms.FocusFile, files[4]);
  EXPECT_EQ(w.MultyDG->ScrollBar->value(), 1);
  EXPECT_EQ(w.MultyDG->ScrollBar->maximum(), 1);
  Press(w, Qt::Key_Equal); // plus: 5 columns, from the top
  EXPECT_EQ(w.FFilms.FThumb.FThumbColumns, 5);
  EXPECT_EQ(w.FFilms.FThumb.FThumbTopRow, 0);
  EXPECT_EQ(w.MultyDG->DefaultColWidth(), std::max(w.MultyDG->CellsArea().width() / 5, 1));
  EXPECT_EQ(w.FFilms.FocusFile, files[0]);
  w.MultyDGMouseWheelDown();
  EXPECT_EQ(w.FFilms.FocusFile, files[5]);
  // The scroll bar moves the page too.
  w.MultyDG->ScrollBar->setValue(0);
  EXPECT_EQ(w.FFilms.FThumb.FThumbTopRow, 0);
}

TEST_F(Thumbnails, TabWhileScanningLocksTheFixedRangeInstead) {
  const QStringList files = Folder(2);
  TCalidarix &w = StartIn(files);
  w.FRegistrySettings.FixedMin = 18.0;
  w.FRegistrySettings.FixedMax = 42.0;
  fakes.acquisition->scanRunning = true;
  w.TabExecute();
  EXPECT_FALSE(w.MultyDG->isVisible());
  EXPECT_TRUE(w.LockSB->isChecked());
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMin, 18.0);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMax, 42.0);
}

TEST_F(Thumbnails, AThousandFilesOpenWithoutReadingThemAll) {
  const QString first = Thermogram("f0000.dtv", 1.0f, 64, 48);
  for (int i = 1; i < 1000; ++i)
    std::filesystem::copy_file(
        dir.file("f0000.dtv"),
        dir.file(QStringLiteral("f%1.dtv").arg(i, 4, 10, QLatin1Char('0')).toStdString()));
  TCalidarix &w = StartIn({first});
  w.TabExecute();
  EXPECT_EQ(FileList.size(), 1000);
  EXPECT_EQ(w.FFilms.MultyIL.Count(), 16);
  Press(w, Qt::Key_End); // no command
  for (int i = 0; i < 30; ++i)
    Press(w, Qt::Key_PageDown);
  EXPECT_EQ(w.FFilms.FThumb.FThumbTopRow, 120);
  EXPECT_LE(w.FFilms.MultyIL.Count(), 512 + 16);
}

} // namespace
} // namespace calidarix
