// The file commands of the main window through its buttons and menu items: opening one file or
// several (joined into a film), stepping through the folder with the sidecars written and read on the
// way, and the automatic save into the database folders with its failures shown to the user.

#include "mainwindow/film_join.h"
#include "mainwindow/ui/logger_window.h"
#include "tests/mainwindow/ui/file_window_fixture.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

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
  EXPECT_TRUE(Shown().isEmpty()); // the demo image stands in for b.dtv
  EXPECT_EQ(CurrentDTV->Width(), 256);
  EXPECT_TRUE(w.StepFileInList(true));
  EXPECT_EQ(Shown(), c);
  EXPECT_TRUE(w.StepFileInList(false));
  EXPECT_TRUE(w.StepFileInList(false));
  EXPECT_EQ(Shown(), a);
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
  EXPECT_FALSE(w.LockSB->isChecked());
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
