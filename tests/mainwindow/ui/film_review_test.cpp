// The film review window: alarms, filter and check boxes, counters, the safe confirmation, comments,
// and its link to the main window (processing a film, picking rows, stepping frames).

#include "mainwindow/ui/film_process_form.h"
#include "mainwindow/ui/main_window.h"
#include "tests/mainwindow/film_fixture.h"
#include "tests/mainwindow/ui/file_window_fixture.h"
#include "tests/support/key_events.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

namespace calidarix {
namespace {

using test::At10;

void EnterAlarm(QLineEdit *edit, const QString &text) {
  edit->setText(text);
  test::TypeKey(edit, Qt::Key_Return);
}

class FilmReview : public test::FileWindow {
protected:
  void SetUp() override {
    test::FileWindow::SetUp();
    form = std::make_unique<TFilmProcessForm>();
    FilmProcessForm = form.get();
  }
  void TearDown() override {
    FilmProcessForm = nullptr;
    form.reset();
    test::FileWindow::TearDown();
  }

  // Records of five frames whose lowest temperatures are 19.9, 20.0, 25.0, 18.0 and 20.1 and whose
  // highest are 30, 41, 30, 45, 30.
  void FiveRecords() {
    const float lows[] = {19.9f, 20.0f, 25.0f, 18.0f, 20.1f};
    const float highs[] = {30.0f, 41.0f, 30.0f, 45.0f, 30.0f};
    CurrentDTV->FFilmProcessTable.clear();
    for (int i = 0; i < 5; ++i) {
      TFilmProcessTable row;
      row.FrameNo = i + 1;
      row.MinTemp = lows[i];
      row.MaxTemp = highs[i];
      row.MeanTemp = 25.0f;
      row.Picket = 12;
      row.Metres = 40 + i;
      CurrentDTV->FFilmProcessTable.push_back(row);
    }
    form->TableFill();
  }

  QStringList Column0() const {
    QStringList numbers;
    for (int row = 1; row < form->RowCount(); ++row)
      numbers << form->CellText(0, row);
    return numbers;
  }

  // A processed film of six frames in the main window, its review window shown.
  QString ProcessedFilm(TCalidarix &w) {
    const QString film = Path("run.dtv");
    test::WriteFilm(film, 3, 2, test::NumberedFrames(6, 3, 2),
                    {At10(-1), At10(0), At10(5), At10(10), At10(15), At10(25)});
    test::WriteText(dir.file("run.dtv.sin"), "T: 10:00:00.000 P: 0012+40 N: abc V: 7\r\n"
                                             "T: 10:00:20.000 P: 13+5 N: bridge V: -2\r\n");
    EXPECT_TRUE(w.OpenInView(film));
    w.ProcessFilm();
    return film;
  }

  std::unique_ptr<TFilmProcessForm> form;
};

TEST_F(FilmReview, TheLowerAlarmFiltersTheFramesBelowItAndIsCounted) {
  Start();
  FiveRecords();
  EXPECT_EQ(Column0(), (QStringList{"0001", "0002", "0003", "0004", "0005"}));
  EXPECT_EQ(form->CellText(2, 1), "12пк+40м");
  EXPECT_EQ(form->CellText(3, 1), "19.9");
  EXPECT_FALSE(form->MinCB->isEnabled());
  EXPECT_FALSE(form->SafeBtn->isVisibleTo(form.get()));

  EnterAlarm(form->MinEdit, "20");
  EXPECT_TRUE(form->FMinAlarmOn);
  EXPECT_DOUBLE_EQ(form->FMinAlarm, 20.0);
  EXPECT_TRUE(form->MinCB->isEnabled());
  EXPECT_TRUE(form->SafeBtn->isVisibleTo(form.get()));
  EXPECT_EQ(form->MinEdit->palette().color(QPalette::Base), QColor(238, 238, 255));
  EXPECT_EQ(form->MinEdit->selectedText(), "20");

  form->FilterCB->setCurrentIndex(1);
  form->FilterCBChange();
  EXPECT_EQ(Column0(), (QStringList{"0001", "0004"})); // 20.0 itself is no alarm
  EXPECT_TRUE(form->MinCB->isChecked());
  EXPECT_EQ(form->FramesLabel->text(), "5");
  EXPECT_EQ(form->AlMinLabel->text(), "2");
  EXPECT_EQ(form->AlarmsLabel->text(), "2");
  EXPECT_EQ(form->AlMaxLabel->text(), "0");
  EXPECT_EQ(form->AlUnattended->text(), "2");

  // Typing drops everything but digits, "-" and ".".
  form->MaxEdit->clear();
  form->MaxEdit->setFocus();
  for (const QString c : {"4", "a", "0", ",", ".", "5"})
    test::TypeKey(form->MaxEdit, c == "a" ? Qt::Key_A : c == "," ? Qt::Key_Comma : Qt::Key_0, c);
  EXPECT_EQ(form->MaxEdit->text(), "40.5");
}

TEST_F(FilmReview, FilterEntriesAndCheckBoxesFollowEachOther) {
  Start();
  FiveRecords();
  EnterAlarm(form->MinEdit, "20");
  EnterAlarm(form->MaxEdit, "40");
  form->MaxCB->click(); // only the upper box
  EXPECT_EQ(form->FilterCB->currentIndex(), 2);
  EXPECT_EQ(Column0(), (QStringList{"0002", "0004"}));
  // Picking "below" while only the upper box is checked checks the lower one: both alarms show.
  form->FilterCB->setCurrentIndex(1);
  form->FilterCBChange();
  EXPECT_TRUE(form->MinCB->isChecked());
  EXPECT_TRUE(form->MaxCB->isChecked());
  EXPECT_EQ(form->FilterCB->currentIndex(), 3);
  EXPECT_EQ(form->FilterCB->currentText(), "Все превышения ");
  EXPECT_EQ(Column0(), (QStringList{"0001", "0002", "0004"}));
  EXPECT_EQ(form->AlarmsLabel->text(), "3"); // frame 4 breaks both and counts once
  // With both checked, "below" changes neither box and shows the lower alarm's rows.
  form->FilterCB->setCurrentIndex(1);
  form->FilterCBChange();
  EXPECT_TRUE(form->MinCB->isChecked());
  EXPECT_TRUE(form->MaxCB->isChecked());
  EXPECT_EQ(Column0(), (QStringList{"0001", "0004"}));
  // "None" clears both.
  form->FilterCB->setCurrentIndex(0);
  form->FilterCBChange();
  EXPECT_FALSE(form->MinCB->isChecked());
  EXPECT_FALSE(form->MaxCB->isChecked());
  EXPECT_EQ(Column0().size(), 5);
}

TEST_F(FilmReview, EmptyingAnAlarmAndANumberThatIsNone) {
  Start();
  FiveRecords();
  EnterAlarm(form->MinEdit, "20");
  form->MinCB->click();
  EnterAlarm(form->MinEdit, "");
  EXPECT_FALSE(form->FMinAlarmOn);
  EXPECT_FALSE(form->SafeBtn->isVisibleTo(form.get()));
  EXPECT_FALSE(form->MinCB->isEnabled());
  EXPECT_TRUE(form->MinCB->isChecked()); // its mark stays
  EXPECT_EQ(form->MinEdit->palette().color(QPalette::Base), QColor(Qt::white));

  EnterAlarm(form->MaxEdit, "1-2");
  EXPECT_EQ(dialogs->Errors, QStringList{"'1-2' is not a valid floating point value"});
  EXPECT_FALSE(form->FMaxAlarmOn);
  EXPECT_FALSE(form->MaxCB->isEnabled());
}

TEST_F(FilmReview, SafeNeedsASecondClickWithinThreeSeconds) {
  Start();
  FiveRecords();
  form->SetCurrentRow(2);
  form->SafeBtnClick();
  EXPECT_EQ(form->SafeBtn->text(), "ПОДТВЕРДИТЕ (3)");
  EXPECT_TRUE(form->SafeTimer->isActive());
  EXPECT_EQ(form->SafeBtn->palette().color(QPalette::Window), QColor(255, 238, 238));
  form->SafeTimerTimer(); // one second
  EXPECT_EQ(form->SafeBtn->text(), "ПОДТВЕРДИТЕ (2)");
  form->SafeTimerTimer(); // two seconds
  form->SafeBtnClick();   // 2.5 seconds: confirmed
  EXPECT_EQ(CurrentDTV->FFilmProcessTable[1].MarkedSafe, 1);
  EXPECT_EQ(form->SafeBtn->text(), "БЕЗОПАСНО");
  EXPECT_FALSE(form->SafeTimer->isActive());
  EXPECT_EQ(form->FSafeCountdown, -1);

  form->SetCurrentRow(3);
  form->SafeBtnClick();
  for (int i = 0; i < 3; ++i)
    form->SafeTimerTimer(); // three seconds: back to idle, nothing marked
  EXPECT_FALSE(form->SafeTimer->isActive());
  EXPECT_EQ(form->SafeBtn->text(), "БЕЗОПАСНО");
  EXPECT_EQ(form->SafeBtn->palette().color(QPalette::Window), QColor(238, 255, 238));
  form->SafeBtnClick(); // a new count, no mark
  EXPECT_EQ(form->SafeBtn->text(), "ПОДТВЕРДИТЕ (3)");
  EXPECT_EQ(CurrentDTV->FFilmProcessTable[2].MarkedSafe, 0);
}

TEST_F(FilmReview, CommentsAreEditedInPlaceAndKept) {
  Start();
  FiveRecords();
  form->show();
  form->SetCurrentRow(2);
  form->EnterExecute();
  EXPECT_TRUE(form->Editing());
  EXPECT_EQ(form->FilmProcessGrid->currentColumn(), 7);
  auto *editor = form->FilmProcessGrid->viewport()->findChild<QLineEdit *>();
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(editor->isVisible());
  editor->setText("crack at the joint");
  test::TypeKey(editor, Qt::Key_Return);
  QApplication::processEvents(); // the editor hands its text over from the event loop
  EXPECT_FALSE(form->Editing());
  EXPECT_EQ(form->FilmProcessGrid->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(CurrentDTV->FFilmProcessTable[1].Note, "crack at the joint");
  form->TableFill();
  EXPECT_EQ(form->CellText(7, 2), "crack at the joint");
  // Esc closes the editor first, then the window.
  form->EnterExecute();
  form->EscapeExecute();
  EXPECT_FALSE(form->Editing());
  EXPECT_TRUE(form->isVisible());
  form->EscapeExecute();
  EXPECT_FALSE(form->isVisible());
}

TEST_F(FilmReview, AltEnterProcessesTheFilmShownAndFillsTheWindow) {
  TCalidarix &w = Start();
  const QString film = ProcessedFilm(w);
  ASSERT_TRUE(form->isVisible());
  EXPECT_EQ(form->FFilmFileName, film);
  EXPECT_EQ(form->RowCount(), 7);
  EXPECT_EQ(form->FramesLabel->text(), "6");
  EXPECT_EQ(form->CellText(2, 2), "-12пк+40м");
  EXPECT_EQ(form->CellText(2, 1), "0пк+0м");
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1); // the frame shown stays
  EXPECT_TRUE(QFile::exists(Path("run.dtv.dat")));

  // A single image is no film: the reason shows, the window stays as it was.
  form->hide();
  ASSERT_TRUE(w.OpenInView(Thermogram("one.dtv", 5.0f)));
  w.ProcessFilm();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(w.FStatusNotice, "Film processing: the image shown is not a film");
}

TEST_F(FilmReview, RowsAndFramesFollowEachOther) {
  TCalidarix &w = Start();
  const QString film = ProcessedFilm(w);
  ASSERT_TRUE(form->isVisible());
  // Stepping frames in the main window moves the row and counts it viewed; the frame is loaded by
  // the step alone.
  const int renders = w.FRenderCount;
  ASSERT_TRUE(w.ChangeFrame(4));
  const int oneStep = w.FRenderCount - renders;
  EXPECT_EQ(form->CurrentRow(), 4);
  EXPECT_EQ(CurrentDTV->FFilmProcessTable[3].Viewed, 1);
  EXPECT_FALSE(form->FRowFromViewer);
  form->hide();
  const int hiddenRenders = w.FRenderCount;
  ASSERT_TRUE(w.ChangeFrame(5));
  EXPECT_EQ(w.FRenderCount - hiddenRenders, oneStep);
  EXPECT_EQ(form->CurrentRow(), 4); // a hidden window is not moved
  form->show();

  // Picking a row shows its frame, without the markers of the frame before.
  w.FMarkers.FPoints.push_back(TPointRecord{});
  form->SetCurrentRow(2);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 2);
  EXPECT_TRUE(w.FMarkers.FPoints.empty());
  EXPECT_EQ(CurrentDTV->FFilmProcessTable[1].Viewed, 1);

  // A frame the filtered table does not list hides the safe button and leaves the row.
  EnterAlarm(form->MinEdit, "22.5");
  form->FilterCB->setCurrentIndex(1);
  form->FilterCBChange();
  EXPECT_EQ(Column0(), (QStringList{"0001", "0002", "0003"}));
  form->SetCurrentRow(1);
  ASSERT_TRUE(form->SafeBtn->isVisibleTo(form.get()));
  ASSERT_TRUE(w.ChangeFrame(6));
  EXPECT_FALSE(form->SafeBtn->isVisibleTo(form.get()));
  EXPECT_EQ(form->CurrentRow(), 1);

  // Another file shown meanwhile: a row still picks a frame of the processed film.
  ASSERT_TRUE(w.OpenInView(Thermogram("other.dtv", 5.0f)));
  form->SetCurrentRow(3);
  EXPECT_EQ(CurrentDTV->FFileName, film);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 3);
}

} // namespace
} // namespace calidarix
