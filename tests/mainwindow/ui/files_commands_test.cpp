// The file commands of the main window through its buttons and menu items: opening one file or
// several (joined into a film), stepping through the folder with the sidecars written and read on the
// way, and the automatic save into the database folders with its failures shown to the user.

#include "mainwindow/command_line.h"
#include "mainwindow/film_join.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/progress_form.h"
#include "platform/path_text.h"
#include "tests/mainwindow/ui/file_window_fixture.h"
#include "tests/support/thermogram_fixture.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <filesystem>

namespace calidarix {
namespace {

using test::FileWindow;

void Click(QWidget *widget) {
  ASSERT_NE(widget, nullptr);
  const QPointF at(2, 2);
  QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(widget, &release);
}

QString Shown() {
  return CurrentDTV->FFileName;
}

TEST_F(FileWindow, OpeningOneFileShowsItAndListsItsFolderByItsExtension) {
  TCalidarix &w = Start();
  const QString a = Thermogram("a.dtv", 10.0f);
  Thermogram("b.dtv", 20.0f);
  test::WriteFile(dir.file("c.txt"), {1, 2, 3});
  w.FOpenDirectory = Path("");
  dialogs->OpenAnswers.push_back({a});
  w.findChild<QAction *>("Open1")->trigger();

  ASSERT_EQ(dialogs->OpenRequests.size(), 1);
  const OpenDialogRequest &asked = dialogs->OpenRequests.front();
  EXPECT_EQ(asked.Title, "Open DTV");
  EXPECT_EQ(asked.Folder, Path(""));
  EXPECT_TRUE(asked.Multiple);
  EXPECT_TRUE(asked.Filter.startsWith("DTV - files|*.dtv|IMG - files|*.img|"));
  EXPECT_EQ(asked.Filter.count('|'), 21); // eleven pairs

  EXPECT_EQ(Shown(), a);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 10.0f);
  EXPECT_EQ(w.FileNameLabel->text(), "a");
  EXPECT_EQ(w.FOpenDirectory, dir.path().string().c_str());
  EXPECT_EQ(FileListMask, "*.dtv");
  EXPECT_EQ(FileList, QStringList({a, Path("b.dtv")}));

  // A cancelled dialog changes nothing.
  w.findChild<QToolButton *>("OpenSB")->click();
  EXPECT_EQ(dialogs->OpenRequests.size(), 2);
  EXPECT_EQ(Shown(), a);
}

TEST_F(FileWindow, OnlyTheExactLowerCaseServiceNameEntersServiceMode) {
  TCalidarix &w = Start();
  const QString upper = Thermogram("QELMORFANDITZ.DTV", 5.0f);
  dialogs->OpenAnswers.push_back({Path("qelmorfanditz.dtv")});
  w.OpenSBClick();
  EXPECT_TRUE(w.ServiceMode);
  EXPECT_EQ(dialogs->Messages, QStringList({"service mode"}));
  EXPECT_TRUE(Shown().isEmpty()); // nothing opened: still the demo image

  dialogs->OpenAnswers.push_back({upper});
  w.OpenSBClick();
  EXPECT_EQ(Shown(), upper);
  EXPECT_EQ(dialogs->Messages.size(), 1);
}

TEST_F(FileWindow, DecodeDualScanReadsATripledFrameBackToItsRowsAndBack) {
  TCalidarix &w = Start();
  // A vertical gradient, tripled the way a camera scanning in both directions delivers it.
  TDTV source;
  source.ResetHeader();
  test::SetFrame(source, 16, 6, [](int x, int y) { return 1000 * y + x + 1; });
  source.TripleHeight(false);
  const QString file = Path("dual.dtv");
  ASSERT_TRUE(source.SaveDTV(file));
  dialogs->OpenAnswers.push_back({file});
  w.OpenSBClick();
  ASSERT_EQ(CurrentDTV->Height(), 18);

  auto *item = w.findChild<QAction *>(QStringLiteral("DecodeDualScan"));
  ASSERT_NE(item, nullptr);
  item->trigger();
  EXPECT_EQ(CurrentDTV->Height(), 6);
  EXPECT_TRUE(CurrentDTV->FSkewCorrect);
  EXPECT_EQ(CurrentDTV->FFileName, file);
  item->trigger();
  EXPECT_EQ(CurrentDTV->Height(), 18);
  EXPECT_FALSE(CurrentDTV->FSkewCorrect);
}

TEST_F(FileWindow, OpeningSeveralFilesJoinsThemIntoOneFilmShownFromItsFirstFrame) {
  TCalidarix &w = Start();
  const QString film = Film("film.dtv", 3, 10.0f);
  const QString single = Thermogram("single.dtv", 30.0f);
  UpDateFilesList(Path(""));
  const QStringList listed = FileList;
  dialogs->OpenAnswers.push_back({film, single});
  w.OpenSBClick();

  EXPECT_TRUE(dialogs->Errors.isEmpty()) << dialogs->Errors.join("; ").toStdString();
  EXPECT_EQ(Shown(), JoinedFilmFileName());
  EXPECT_TRUE(JoinedFilmFileName().startsWith(Path(""))); // "C:\tempdtv.dtv" lands on drive C
  EXPECT_EQ(CurrentDTV->FHeader.FrameCount, 4u);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 10.0f); // the film's frames first
  ASSERT_TRUE(w.ChangeFrame(4));
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 30.0f);
  // The joined film spans every frame's range and the file list stays as it was.
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMin, 10.0);
  EXPECT_NEAR(CurrentDTV->LockMax, 40.0, 0.01);
  EXPECT_EQ(FileList, listed);
}

TEST_F(FileWindow, AJoinThatFailsIsShownAndLeavesTheViewAndTheOldFilmAlone) {
  TCalidarix &w = Start();
  const QString film = Film("film.dtv", 3, 10.0f);
  const QString single = Thermogram("single.dtv", 30.0f);
  dialogs->OpenAnswers.push_back({film, single});
  w.OpenSBClick();
  const std::vector<std::uint8_t> joined = test::ReadFile(JoinedFilmFileName().toStdString());
  ASSERT_FALSE(joined.empty());

  const QString shown = Thermogram("shown.dtv", 50.0f);
  dialogs->OpenAnswers.push_back({shown});
  w.OpenSBClick();
  dialogs->OpenAnswers.push_back({single, Path("gone.dtv")});
  w.OpenSBClick();
  EXPECT_EQ(dialogs->Errors.size(), 1);
  EXPECT_EQ(Shown(), shown);
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 50.0f);
  EXPECT_EQ(test::ReadFile(JoinedFilmFileName().toStdString()), joined);
}

TEST_F(FileWindow, TheBigButtonsStepThroughTheFolderWithoutWrappingAround) {
  TCalidarix &w = Start();
  const QString a = Thermogram("a.dtv", 1.0f);
  const QString b = Thermogram("b.dtv", 2.0f);
  const QString c = Thermogram("c.dtv", 3.0f);
  dialogs->OpenAnswers.push_back({b});
  w.OpenSBClick();
  QWidget *next = w.findChild<QWidget *>("NextPanel");
  QWidget *previous = w.findChild<QWidget *>("PrevNamePanel");

  Click(next);
  EXPECT_EQ(Shown(), c);
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 3.0f);
  Click(next);
  EXPECT_EQ(Shown(), c);
  EXPECT_FALSE(w.StepFileInList(true));
  Click(previous);
  Click(previous);
  EXPECT_EQ(Shown(), a);
  EXPECT_FALSE(w.StepFileInList(false));
  EXPECT_EQ(Shown(), a);

  // A thermogram named like a listed one, from elsewhere, continues from its namesake.
  CurrentDTV->FFileName = QStringLiteral("/elsewhere/B.DTV");
  EXPECT_TRUE(w.StepFileInList(true));
  EXPECT_EQ(Shown(), c);
}

TEST_F(FileWindow, AFileNamedOnTheCommandLineCanBeSteppedFromAtOnce) {
  const QString a = Thermogram("a.dtv", 1.0f);
  const QString b = Thermogram("b.dtv", 2.0f);
  TCalidarix &w = Start({a});
  EXPECT_EQ(FileList, QStringList({a, b}));
  EXPECT_TRUE(w.StepFileInList(true));
  EXPECT_EQ(Shown(), b);
}

TEST_F(FileWindow, AnUnreadableFileInTheFolderDoesNotStopTheStepping) {
  TCalidarix &w = Start();
  const QString a = Thermogram("a.dtv", 1.0f);
  test::WriteFile(dir.file("b.dtv"), {'n', 'o', 't', ' ', 'a', ' ', 't', 'h', 'e', 'r', 'm', 'o'});
  const QString c = Thermogram("c.dtv", 3.0f);
  dialogs->OpenAnswers.push_back({a});
  w.OpenSBClick();

  EXPECT_TRUE(w.StepFileInList(true));
  // a.dtv stays in place of b.dtv, and the window says why.
  EXPECT_EQ(Shown(), a);
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 1.0f);
  EXPECT_EQ(w.FileNameLabel->text(), "a");
  EXPECT_TRUE(w.FStatusNotice.contains("b.dtv")) << w.FStatusNotice.toStdString();
  EXPECT_TRUE(w.StepFileInList(true));
  EXPECT_EQ(Shown(), c);
  EXPECT_TRUE(w.StepFileInList(false));
  EXPECT_EQ(Shown(), c);
  EXPECT_TRUE(w.StepFileInList(false));
  EXPECT_EQ(Shown(), a);
}

TEST_F(FileWindow, AFileThatCannotBeReadLeavesTheImageShownAndSaysWhy) {
  TCalidarix &w = Start();
  {
    TDTV t;
    t.ResetHeader();
    t.FHeader.Width = 4;
    t.FHeader.Height = 2;
    t.FHeader.Scale = static_cast<float>(10.0 / 65535);
    t.FHeader.Offset = 7.0f;
    t.FRaw = {0, 100, 200, 300, 400, 500, 600, 65535};
    t.SetCommentText(QStringLiteral("kiln door"));
    ASSERT_TRUE(t.SaveDTV(Path("good.dtv")));
  }
  // A header that promises a 65535 x 65535 frame, in a file of 118 bytes.
  std::vector<std::uint8_t> oversized = test::ReadFile(dir.file("good.dtv"));
  for (std::size_t at : {10u, 11u, 12u, 13u})
    oversized.at(at) = 0xFF;
  test::WriteFile(dir.file("oversized.dtv"), oversized);
  test::WriteFile(dir.file("garbage.dtv"), {'G', 'I', 'F', '8', '9', 'a', 0, 1, 2, 3});
  test::WriteFile(dir.file("empty.dtv"), {});
  dialogs->OpenAnswers.push_back({Path("good.dtv")});
  w.OpenSBClick();
  ASSERT_TRUE(w.AddPoint(1, 1, false));
  const QString caption = w.windowTitle();

  for (const char *bad : {"garbage.dtv", "empty.dtv", "oversized.dtv"}) {
    SCOPED_TRACE(bad);
    dialogs->OpenAnswers.push_back({Path(bad)});
    w.findChild<QAction *>("Open1")->trigger();
    EXPECT_EQ(Shown(), Path("good.dtv"));
    EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 7.0f);
    EXPECT_EQ(CurrentDTV->FRaw.size(), 8u);
    EXPECT_EQ(w.FileNameLabel->text(), "good");
    EXPECT_EQ(w.FileInfoLabel->text(), "kiln door");
    EXPECT_EQ(w.windowTitle(), caption);
    EXPECT_EQ(w.FMarkers.FPoints.size(), 1u) << "the image keeps its markers";
    EXPECT_TRUE(w.FStatusNotice.contains(bad)) << w.FStatusNotice.toStdString();
    EXPECT_TRUE(dialogs->Errors.isEmpty());
  }

  // A file that does not exist shows the demo image, under the missing file's name.
  dialogs->OpenAnswers.push_back({Path("gone.dtv")});
  w.OpenSBClick();
  EXPECT_EQ(CurrentDTV->Width(), 256);
  EXPECT_TRUE(Shown().isEmpty());
  EXPECT_EQ(w.FileNameLabel->text(), "gone");
  EXPECT_EQ(w.FileInfoLabel->text(), CurrentDTV->CommentText()) << "the demo image's, not the last file's";
  EXPECT_TRUE(w.FStatusNotice.contains("does not exist")) << w.FStatusNotice.toStdString();
}

TEST_F(FileWindow, AFilmFrameThatCannotBeReadKeepsTheFrameShownAndItsNumber) {
  TCalidarix &w = Start();
  const QString film = Film("film.dtv", 3, 10.0f);
  dialogs->OpenAnswers.push_back({film});
  w.OpenSBClick();
  ASSERT_TRUE(w.ChangeFrame(2));
  ASSERT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 11.0f);
  // The third frame is cut off.
  std::filesystem::resize_file(dir.file("film.dtv"), std::filesystem::file_size(dir.file("film.dtv")) - 4);
  EXPECT_FALSE(w.ChangeFrame(3));
  EXPECT_EQ(CurrentDTV->FFrameIndex, 2);
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 11.0f);
  EXPECT_EQ(w.FrameLabel->text(), "2");
  EXPECT_FALSE(w.FStatusNotice.isEmpty());
  ASSERT_TRUE(w.ChangeFrame(1)); // stepping goes on from the frame shown
  EXPECT_EQ(w.FrameLabel->text(), "1");
}

// A film cut short opens with the frames it holds, and says once that some are missing.
TEST_F(FileWindow, AFilmHoldingFewerFramesThanItCountsSaysSoOnceWhenOpened) {
  TCalidarix &w = Start();
  const auto size = [this](const char *name) { return std::filesystem::file_size(dir.file(name)); };
  Film("nine.dtv", 9, 10.0f);
  const QString film = Film("film.dtv", 10, 10.0f);
  const auto frameBytes = size("film.dtv") - size("nine.dtv");
  std::filesystem::resize_file(dir.file("film.dtv"), size("film.dtv") - 5 * frameBytes);
  dialogs->OpenAnswers.push_back({film});
  w.OpenSBClick();
  EXPECT_EQ(w.FramesLabel->text(), "5");
  EXPECT_EQ(w.FStatusNotice, "\"film.dtv\" holds 5 of 10 frames");
  w.FStatusNotice.clear();
  ASSERT_TRUE(w.ChangeFrame(5));
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 14.0f);
  EXPECT_TRUE(w.FStatusNotice.isEmpty()) << "said once, not at every frame";
  // A whole film says nothing.
  dialogs->OpenAnswers.push_back({Path("nine.dtv")});
  w.OpenSBClick();
  EXPECT_TRUE(w.FStatusNotice.isEmpty()) << w.FStatusNotice.toStdString();
}

TEST_F(FileWindow, WhileAJoinRunsTheCommandsThatCouldRunInsideItAreRefused) {
  TCalidarix &w = Start();
  const QString film = Film("film.dtv", 3, 10.0f);
  const QString single = Thermogram("single.dtv", 30.0f);
  const QString other = Thermogram("other.dtv", 50.0f);
  dialogs->OpenAnswers.push_back({other});
  w.OpenSBClick();
  SetClockForTests(QDateTime(QDate(2024, 5, 31), QTime(9, 5, 7)));
  // The progress window's loop runs the event queue between the frames of the join.
  TProgressForm progress;
  ProgressForm = &progress;
  int closed = 0;
  QObject::connect(&w, &TCalidarix::Closed, [&] { ++closed; });
  int ran = 0;
  QTimer::singleShot(0, &w, [&] {
    ++ran;
    EXPECT_FALSE(w.FBusyJob.isEmpty());
    w.SaveSBClick();
    w.findChild<QAction *>("Save1")->trigger();
    EXPECT_FALSE(w.StepFileInList(true));
    QWheelEvent wheel(QPointF(50, 50), w.mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &wheel);
    w.PalChange(3);
    w.PalRotateActionExecute();
    w.SetTempRange(1.0, 2.0);
    w.LockSB->click();
    dialogs->OpenAnswers.push_back({single});
    w.OpenSBClick();
    w.New1Click();
    EXPECT_FALSE(w.ChangeFrame(2));
    w.close();
    EXPECT_TRUE(w.FStatusNotice.contains("join")) << w.FStatusNotice.toStdString();
  });
  dialogs->OpenAnswers.push_back({film, single});
  w.OpenSBClick();
  ProgressForm = nullptr;

  EXPECT_EQ(ran, 1);
  EXPECT_TRUE(w.FBusyJob.isEmpty());
  EXPECT_EQ(closed, 0);
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(std::filesystem::exists(dir.file("DATABASE.KVD"))) << "nothing was saved";
  EXPECT_EQ(dialogs->OpenRequests.size(), 2) << "the refused Open asked for nothing";
  EXPECT_EQ(PalNumber, 0);
  EXPECT_FALSE(isPalInverted);
  // The joined film is shown from its first frame, on its own range.
  EXPECT_EQ(Shown(), JoinedFilmFileName());
  EXPECT_EQ(CurrentDTV->FHeader.FrameCount, 4u);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMin, 10.0);
  EXPECT_TRUE(w.LockSB->isChecked());

  // Once the join is over, the commands work again.
  w.SaveSBClick();
  EXPECT_TRUE(
      std::filesystem::is_regular_file(dir.path() / "DATABASE.KVD" / "24-05-31.KVD" / "09_05_07.dtv"));
}

TEST_F(FileWindow, SidecarsAreWrittenWhenAnImageIsLeftAndReadWhenOneIsLoaded) {
  TCalidarix &w = Start();
  w.FIsReadDTI = true;
  const QString a = Thermogram("a.dtv", 1.0f);
  const QString b = Thermogram("b.dtv", 2.0f);
  test::WriteText(dir.file("b.dti"), "[PALETTE]\nPalNumber=2\nPalEnd=200\nisPalInverted=1\n[RANGE]\n"
                                     "LockMin=5\nLockMax=9\n[POINTS]\nPointsCount=1\nP0X:=3\nP0Y:=1\n");
  dialogs->OpenAnswers.push_back({a});
  w.OpenSBClick();
  EXPECT_FALSE(std::filesystem::exists(dir.file("a.dti"))); // nothing was left yet

  ASSERT_TRUE(w.StepFileInList(true));
  // a.dti remembers how a.dtv was shown, although nothing was changed (the flag starts clear).
  EXPECT_NE(test::ReadText(dir.file("a.dti")).find("PalNumber=0"), std::string::npos);
  EXPECT_EQ(PalNumber, 2);
  EXPECT_EQ(CurrentDTV->PalTop, 200);
  EXPECT_TRUE(isPalInverted);
  TPaletteTable reversed = w.FPalettes[2];
  std::reverse(reversed.begin(), reversed.end());
  EXPECT_EQ(CurrentDTV->FPalette, reversed);
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMin, 5.0);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMax, 9.0);
  EXPECT_TRUE(w.LockSB->isChecked());
  ASSERT_EQ(w.FMarkers.FPoints.size(), 1u);
  EXPECT_EQ(w.FMarkers.FPoints[0].X, 3);

  // Leaving b.dtv unchanged after its sidecar was read writes nothing.
  const std::string before = test::ReadText(dir.file("b.dti"));
  ASSERT_TRUE(w.StepFileInList(false));
  EXPECT_EQ(test::ReadText(dir.file("b.dti")), before);
  EXPECT_EQ(Shown(), a);
  EXPECT_EQ(PalNumber, 0);
  // a.dti has no range of its own: the lock b.dti set stays, as a lock set by hand does, and the
  // button shows it.
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_TRUE(w.LockSB->isChecked());
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMax, 9.0);
}

TEST_F(FileWindow, ASidecarWithoutARangeLeavesAFilmsLockAndItsButtonPressed) {
  TCalidarix &w = Start();
  w.FIsReadDTI = true;
  const QString film = Film("film.dtv", 2, 10.0f);
  test::WriteText(dir.file("film.dti"), "[PALETTE]\nPalNumber=1\n");
  dialogs->OpenAnswers.push_back({film});
  w.OpenSBClick();
  EXPECT_EQ(PalNumber, 1) << "the sidecar was read";
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_TRUE(CurrentDTV->FFilmRangeLock);
  EXPECT_TRUE(w.LockSB->isChecked());
}

TEST_F(FileWindow, ASidecarThatCannotBeWrittenWarnsOnceAndNeverBlocksStepping) {
  TCalidarix &w = Start();
  w.FIsReadDTI = true;
  const QString a = Thermogram("a.dtv", 1.0f);
  const QString b = Thermogram("b.dtv", 2.0f);
  // Folders where the sidecars would go: they cannot be written (also not by a privileged user).
  std::filesystem::create_directory(dir.file("a.dti"));
  std::filesystem::create_directory(dir.file("b.dti"));
  dialogs->OpenAnswers.push_back({a});
  w.OpenSBClick();
  ASSERT_TRUE(w.StepFileInList(true));
  EXPECT_EQ(Shown(), b);
  ASSERT_TRUE(w.StepFileInList(false));
  EXPECT_EQ(Shown(), a);
  ASSERT_EQ(dialogs->Errors.size(), 1);
  EXPECT_TRUE(dialogs->Errors[0].startsWith("Unable to write to"));
}

TEST_F(FileWindow, TheSaveButtonFilesTheImageIntoTheDayFolderOfTheDatabase) {
  TCalidarix &w = Start();
  logger->FUserLog = true;
  const QString a = Thermogram("a.dtv", 7.0f);
  dialogs->OpenAnswers.push_back({a});
  w.OpenSBClick();
  SetClockForTests(QDateTime(QDate(2024, 5, 31), QTime(9, 5, 7)));
  w.findChild<QToolButton *>("SaveSB")->click();

  const std::filesystem::path saved = dir.path() / "DATABASE.KVD" / "24-05-31.KVD" / "09_05_07.dtv";
  ASSERT_TRUE(std::filesystem::is_regular_file(saved));
  EXPECT_TRUE(dialogs->Errors.isEmpty());
  EXPECT_EQ(Shown().toStdString(), saved.string());
  TDTV back;
  ASSERT_TRUE(back.LoadDTV(QString::fromStdString(saved.string()), 1));
  EXPECT_FLOAT_EQ(back.FHeader.Offset, 7.0f);
  EXPECT_EQ(w.FSavedNotice, "09_05_07.dtv");
  EXPECT_TRUE(logger->Lines().last().endsWith(QString::fromStdString("DTV saved:" + saved.string())));

  // The confirmation is on the image, also over a new layout, until the frame is rendered again.
  QApplication::processEvents();
  EXPECT_EQ(w.FSavedNotice, "09_05_07.dtv");
  const int renders = w.FRenderCount;
  const int boxWidth = w.ImagePB->width();
  w.resize(w.width() + 40, w.height());
  const QDeadlineTimer deadline(3000);
  while (w.ImagePB->width() == boxWidth && !deadline.hasExpired())
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  QApplication::processEvents();
  w.ImagePB->repaint();
  EXPECT_GT(w.FRenderCount, renders);
  EXPECT_EQ(w.FSavedNotice, "09_05_07.dtv");
  w.ChangeDTV(false);
  QApplication::processEvents();
  w.ImagePB->repaint();
  EXPECT_TRUE(w.FSavedNotice.isEmpty());

  // A second save in the same second is a file of its own, not a claim about the first.
  w.findChild<QAction *>("Save1")->trigger();
  EXPECT_TRUE(std::filesystem::is_regular_file(saved));
  EXPECT_NE(Shown().toStdString(), saved.string());
  EXPECT_TRUE(std::filesystem::is_regular_file(Shown().toStdString()));
}

TEST_F(FileWindow, AnAutomaticSaveKeepsTheCameraValuesOfTheFileItSaves) {
  TCalidarix &w = Start();
  {
    TDTV t;
    t.ResetHeader();
    t.FHeader.Width = 4;
    t.FHeader.Height = 2;
    t.FHeader.Scale = static_cast<float>(10.0 / 65535);
    t.FHeader.ModelHigh = 47; // camera model 4711
    t.FHeader.ModelLow = 11;
    t.FHeader.CameraTemp = 31.5f;
    t.FRaw.assign(8, 1000);
    ASSERT_TRUE(t.SaveDTV(Path("camera.dtv")));
  }
  dialogs->OpenAnswers.push_back({Path("camera.dtv")});
  w.OpenSBClick();
  SetClockForTests(QDateTime(QDate(2024, 5, 31), QTime(9, 5, 7)));
  w.SaveSBClick();
  ASSERT_TRUE(dialogs->Errors.isEmpty()) << dialogs->Errors.join("; ").toStdString();
  TDTV back;
  ASSERT_TRUE(back.LoadDTV(
      QString::fromStdString((dir.path() / "DATABASE.KVD" / "24-05-31.KVD" / "09_05_07.dtv").string()), 1));
  EXPECT_EQ(back.FHeader.ModelHigh * 100 + back.FHeader.ModelLow, 4711);
  EXPECT_FLOAT_EQ(back.FHeader.CameraTemp, 31.5f);
}

TEST_F(FileWindow, ARangeTypedOverAFilmStaysLockedForTheNextFile) {
  TCalidarix &w = Start();
  const QString film = Film("film.dtv", 2, 10.0f);
  const QString single = Thermogram("single.dtv", 30.0f);
  dialogs->OpenAnswers.push_back({film});
  w.OpenSBClick();
  ASSERT_TRUE(CurrentDTV->FFilmRangeLock);
  w.SetTempRange(12.0, 35.0); // as the range panels apply a typed range
  ASSERT_TRUE(w.StepFileInList(true));
  ASSERT_EQ(Shown(), single);
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMin, 12.0);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMax, 35.0);
  EXPECT_TRUE(w.LockSB->isChecked());
  EXPECT_EQ(w.PalMaxLabel->text(), "35");

  // A film's own lock still goes with the film.
  ASSERT_TRUE(w.StepFileInList(false));
  ASSERT_TRUE(w.LockSB->isChecked());
  w.LockSB->click(); // released
  w.LockSB->click(); // locked again by hand: the user's now
  ASSERT_TRUE(w.StepFileInList(true));
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_TRUE(w.LockSB->isChecked());
}

TEST_F(FileWindow, AFileInAFolderWhoseNameIsNotUtf8OpensFromTheCommandLine) {
  // "café" written in Latin-1, as an older system names folders.
  const std::filesystem::path folder = dir.path() / std::string("caf\xE9");
  std::filesystem::create_directory(folder);
  const QString a = Thermogram("a.dtv", 1.0f);
  const QString b = Thermogram("b.dtv", 2.0f);
  std::filesystem::rename(dir.file("a.dtv"), folder / "a.dtv");
  std::filesystem::rename(dir.file("b.dtv"), folder / "b.dtv");
  const std::string argument = (folder / "a.dtv").string();
  const char *argv[] = {"calidarix", argument.c_str()};
  TCalidarix &w = Start(CommandLineArguments(2, argv));

  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 1.0f) << "the file, not the demo image";
  EXPECT_EQ(CurrentDTV->Width(), 4);
  EXPECT_EQ(w.FileNameLabel->text(), "a");
  EXPECT_TRUE(w.windowTitle().contains(QStringLiteral("caf\uFFFD/"))) << w.windowTitle().toStdString();
  ASSERT_EQ(FileList.size(), 2);
  EXPECT_TRUE(w.StepFileInList(true));
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 2.0f);
  EXPECT_EQ(NativePathOf(Shown()).toStdString(), (folder / "b.dtv").string());
  EXPECT_TRUE(w.FStatusNotice.isEmpty());

  // A missing file whose name is not UTF-8: said so, the demo image stays.
  const std::string name = (folder / std::string("\xE9t\xE9.dtv")).string();
  const char *named[] = {"calidarix", name.c_str()};
  window.reset();
  TCalidarix &v = Start(CommandLineArguments(2, named));
  EXPECT_EQ(CurrentDTV->Width(), 256);
  EXPECT_TRUE(v.FStatusNotice.contains("cannot be opened")) << v.FStatusNotice.toStdString();
  EXPECT_TRUE(v.FOpenDirectory.isEmpty());
}

// Linux file names are bytes: a file whose own name is not UTF-8 opens from the command line, the
// dialogs and the folder's list, which steps through it with the others.
TEST_F(FileWindow, AFileWhoseOwnNameIsNotUtf8OpensAndIsSteppedThrough) {
  const std::filesystem::path folder = dir.path() / std::string("caf\xE9");
  std::filesystem::create_directory(folder);
  Thermogram("a.dtv", 1.0f);
  Thermogram("b.dtv", 2.0f);
  Thermogram("c.dtv", 3.0f);
  std::filesystem::rename(dir.file("a.dtv"), folder / "a.dtv");
  std::filesystem::rename(dir.file("b.dtv"), folder / "b.dtv");
  const std::string name = (folder / std::string("\xE9t\xE9.dtv")).string();
  std::filesystem::rename(dir.file("c.dtv"), name);
  const char *named[] = {"calidarix", name.c_str()};
  TCalidarix &w = Start(CommandLineArguments(2, named));

  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 3.0f) << "the file, not the demo image";
  EXPECT_TRUE(w.FStatusNotice.isEmpty()) << w.FStatusNotice.toStdString();
  EXPECT_EQ(w.FileNameLabel->text(), QStringLiteral("\uFFFDt\uFFFD"));
  EXPECT_TRUE(w.windowTitle().endsWith(QStringLiteral("caf\uFFFD/]"))) << w.windowTitle().toStdString();
  EXPECT_EQ(NativePathOf(Shown()).toStdString(), name);
  ASSERT_EQ(FileList.size(), 3) << "the whole folder is listed";
  EXPECT_TRUE(w.StepFileInList(false));
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 2.0f);
  EXPECT_TRUE(w.StepFileInList(true));
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 3.0f);
  EXPECT_EQ(NativePathOf(Shown()).toStdString(), name);

  // A dialog's answer that keeps the name's bytes, in a folder that is UTF-8.
  Thermogram("d.dtv", 4.0f);
  const std::string other = (dir.path() / std::string("\xFC.dtv")).string();
  std::filesystem::rename(dir.file("d.dtv"), other);
  dialogs->OpenAnswers.push_back({PathTextFromNative(QByteArray::fromStdString(other))});
  w.OpenSBClick();
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 4.0f);
  EXPECT_EQ(NativePathOf(Shown()).toStdString(), other);
  EXPECT_EQ(FileList, QStringList{Shown()});
}

TEST_F(FileWindow, ASaveThatFailsIsShownAndNotConfirmed) {
  TCalidarix &w = Start();
  logger->FUserLog = true;
  // A file where the database folder should be.
  test::WriteFile(dir.file("DATABASE.KVD"), {0});
  SetClockForTests(QDateTime(QDate(2024, 5, 31), QTime(9, 5, 7)));
  const int lines = logger->Lines().size();
  w.SaveSBClick();
  ASSERT_EQ(dialogs->Errors.size(), 1);
  EXPECT_TRUE(w.FSavedNotice.isEmpty());
  for (const QString &line : logger->Lines().mid(lines))
    EXPECT_FALSE(line.contains("DTV saved:")) << line.toStdString();
}

TEST_F(FileWindow, NewShowsTheDemoImage) {
  TCalidarix &w = Start();
  dialogs->OpenAnswers.push_back({Thermogram("a.dtv", 1.0f)});
  w.OpenSBClick();
  ASSERT_EQ(CurrentDTV->Width(), 4);
  w.findChild<QAction *>("New1")->trigger();
  EXPECT_EQ(CurrentDTV->Width(), 256);
  EXPECT_TRUE(Shown().isEmpty());
}

} // namespace
} // namespace calidarix
