// Deleting frames and files from the main window, and the folder conversions.

#include "mainwindow/file_list.h"
#include "mainwindow/ui/main_window.h"
#include "tests/mainwindow/film_fixture.h"
#include "tests/mainwindow/ui/file_window_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenu>

#include <filesystem>

namespace calidarix {
namespace {

namespace fs = std::filesystem;

class DeleteAndConvert : public test::FileWindow {
protected:
  TCalidarix &StartShowing(const QString &file) {
    TCalidarix &w = Start();
    EXPECT_TRUE(w.OpenInView(file));
    w.UpDateFilesList(QFileInfo(file).absolutePath());
    return w;
  }
};

TEST_F(DeleteAndConvert, DeletingTheFrameShownOfAFilm) {
  const QString film = Path("run.dtv");
  test::WriteFilm(film, 3, 2, test::NumberedFrames(5, 3, 2));
  TCalidarix &w = StartShowing(film);
  ASSERT_TRUE(w.ChangeFrame(3));
  dialogs->ConfirmAnswers = {false, true};
  w.DeleteFrameOrFile();
  EXPECT_EQ(dialogs->Questions, QStringList{"Delete frame 3 from\n" + film + "?"});
  EXPECT_EQ(CurrentDTV->FHeader.FrameCount, 5); // No: nothing changed
  w.DeleteFrameOrFile();
  EXPECT_EQ(CurrentDTV->FHeader.FrameCount, 4);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
  EXPECT_EQ(w.FramesLabel->text(), "4");
  TDTV t;
  ASSERT_TRUE(t.LoadFromFile(film, 3));
  EXPECT_FLOAT_EQ(t.FHeader.Offset, 23.0f); // former frame 4
  EXPECT_TRUE(dialogs->Errors.isEmpty());
}

TEST_F(DeleteAndConvert, DeletingAFileStepsToItsNeighbour) {
  const QString a = Thermogram("a.dtv", 1.0f);
  const QString b = Thermogram("b.dtv", 2.0f);
  const QString c = Thermogram("c.dtv", 3.0f);
  test::WriteText(dir.file("b.wav"), "RIFF");
  TCalidarix &w = StartShowing(b);
  dialogs->ConfirmAnswers = {true, true, true};
  w.DeleteFrameOrFile();
  EXPECT_EQ(dialogs->Questions.last(), "Delete file:\n" + b + "?");
  EXPECT_FALSE(fs::exists(dir.file("b.wav")));
  EXPECT_EQ(CurrentDTV->FFileName, c); // the next one
  EXPECT_EQ(FileList, (QStringList{a, c}));
  w.DeleteFrameOrFile();
  EXPECT_EQ(CurrentDTV->FFileName, a); // the last one steps back
  EXPECT_EQ(FileList, QStringList{a});
  // The only one: the demo image, and an empty list of that folder.
  w.DeleteFrameOrFile();
  EXPECT_TRUE(CurrentDTV->FFileName.isEmpty());
  EXPECT_TRUE(FileList.isEmpty());
  EXPECT_TRUE(w.FileNameLabel->text().isEmpty());
  EXPECT_FALSE(fs::exists(dir.file("a.dtv")));
  EXPECT_FALSE(fs::exists(dir.file("a.dti"))); // no sidecar made for the file just deleted
}

TEST_F(DeleteAndConvert, FolderToFilmWritesTheFolderFilmAndShowsTheFileAgain) {
  fs::create_directory(dir.file("run1"));
  const QString a = Thermogram("run1/a.dtv", 1.0f);
  Thermogram("run1/b.dtv", 2.0f);
  Thermogram("run1/c.dtv", 3.0f, 6, 2); // another size
  TCalidarix &w = StartShowing(a);
  w.findChild<QAction *>("FolderToFilm")->trigger();
  TDTV t;
  ASSERT_TRUE(t.LoadFromFile(Path("run1/run1.dtv"), 2));
  EXPECT_EQ(t.FHeader.FrameCount, 2);
  EXPECT_FLOAT_EQ(t.FHeader.Offset, 2.0f);
  EXPECT_EQ(CurrentDTV->FFileName, a);
  EXPECT_TRUE(FileList.contains(Path("run1/run1.dtv")));
  EXPECT_TRUE(w.FStatusNotice.contains("2 frames")) << w.FStatusNotice.toStdString();
  // The log needs the service mode: the message itself says what was left out, and why.
  EXPECT_TRUE(w.FStatusNotice.endsWith(", 1 file skipped: c.dtv (holds 6 x 2 pixels, not 4 x 2)"))
      << w.FStatusNotice.toStdString();
  // Again: the film of the first run is not taken into the second.
  w.FolderToFilmClick();
  ASSERT_TRUE(t.LoadFromFile(Path("run1/run1.dtv"), 1));
  EXPECT_EQ(t.FHeader.FrameCount, 2);
}

TEST_F(DeleteAndConvert, FolderToJpgWritesOneSnapshotPerFileWithoutTheClipboard) {
  const QString a = Thermogram("a.dtv", 1.0f, 32, 24);
  Thermogram("b.dtv", 2.0f, 32, 24);
  TCalidarix &w = StartShowing(a);
  QGuiApplication::clipboard()->setText("kept");
  w.findChild<QAction *>("FoldertoJPG")->trigger();
  for (const char *name : {"Auto_a.jpg", "Auto_b.jpg"}) {
    const QImage picture(Path(name));
    EXPECT_FALSE(picture.isNull()) << name;
    EXPECT_GT(picture.width(), 32) << name;
  }
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
  EXPECT_EQ(CurrentDTV->FFileName, a);
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 1.0f);
  EXPECT_TRUE(w.findChild<QAction *>("FolderToJPG2") != nullptr);
  EXPECT_TRUE(w.ImageWithScalePopupMenu->actions().contains(w.FoldertoJPG));
}

TEST_F(DeleteAndConvert, MaximumOverTheListedFilesBecomesAnUnnamedImage) {
  const QString a = Path("a.dtv");
  test::WriteThermogram(a, 4, 3, 10.0, 5, 20.0);
  test::WriteThermogram(Path("b.dtv"), 4, 3, 12.0, 5, 35.0);
  test::WriteThermogram(Path("c.dtv"), 4, 3, 11.0, 5, 30.0);
  TCalidarix &w = StartShowing(a);
  w.MaxOverListedFiles(false);
  EXPECT_TRUE(CurrentDTV->FFileName.isEmpty());
  EXPECT_NEAR(CurrentDTV->TemperatureAt(1, 1), 35.0, 0.01);
  EXPECT_NEAR(CurrentDTV->TemperatureAt(0, 0), 12.0, 0.01);
  EXPECT_EQ(w.FStatusNotice, "Maximum over 3 files");
}

} // namespace
} // namespace calidarix
