// The head control form with the simulated head on a pseudo-terminal: the settings grid's keys, the
// register values read, checked and written back, the live state, manual driving and Track To.

#include "head/head_globals.h"
#include "head/head_link.h"
#include "head/ui/qor_ctrl.h"
#include "tests/head/head_sim_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>

namespace calidarix {
namespace {

class QorCtrlForm : public test::HeadSimFixture {
protected:
  void SetUp() override { Open(/*udp=*/false); }
  // The head on the pseudo-terminal, or with `udp` a network head, which the link prefers.
  void Open(bool udp) {
    StartHead('M', udp);
    QorHead = std::move(link);
    QorHead->FProcessMessages = [] { QCoreApplication::processEvents(); };
    QorHead->SetComPort(1);
    ASSERT_TRUE(QorHead->Connect());
    form = std::make_unique<TQorCtrl>();
    QorCtrl = form.get();
    form->FShowError = [this](const QString &text) { errors << text; };
    form->FInputQuery = [this](const QString &title, const QString &, const QString &proposed) {
      proposals << title + "=" + proposed;
      std::optional<QString> answer = answers.isEmpty() ? std::nullopt : answers.takeFirst();
      return answer;
    };
  }
  void TearDown() override {
    form.reset();
    PushToTrack = true;
    LastManualSpeeds = 0;
    ReportLoopStopped = false;
    HeadSimFixture::TearDown();
  }

  void Key(QWidget *target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
           const QString &text = {}, bool autoRepeat = false) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text, autoRepeat);
    QApplication::sendEvent(target, &press);
  }
  void Release(QWidget *target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(target, &release);
  }
  void Type(const QString &digits) {
    for (QChar c : digits)
      Key(form->StitchingSettingsSG, Qt::Key_0 + (c.unicode() - '0'), Qt::NoModifier, QString(c));
  }
  QString Cell(int row) const { return form->StitchingSettingsSG->item(row, 2)->text(); }
  // The manual-speed commands the head received, as (pan, tilt) bytes.
  QList<QPair<int, int>> Speeds() const {
    QList<QPair<int, int>> speeds;
    for (const std::string &c : head->Commands())
      if (c.compare(0, 3, "$TB") == 0)
        speeds << qMakePair(static_cast<std::uint8_t>(c[3]), static_cast<std::uint8_t>(c[4]));
    return speeds;
  }
  void Settle() {
    const QDeadlineTimer until(80);
    while (!until.hasExpired())
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }

  std::unique_ptr<TQorCtrl> form;
  QStringList errors;
  QStringList proposals;
  QList<std::optional<QString>> answers;
};

TEST_F(QorCtrlForm, StartsWithItsLimitsAndPushToTrack) {
  EXPECT_EQ(form->objectName(), "QorCtrl");
  EXPECT_EQ(form->windowTitle(), "Qor Ctrl Form");
  EXPECT_TRUE(form->FFromSettings);
  EXPECT_EQ(form->StitchingSettingsSG->rowCount(), 24);
  EXPECT_EQ(form->StitchingSettingsSG->item(13, 0)->text(), "CamPos Top Limit");
  EXPECT_EQ(Cell(13), "90");
  EXPECT_EQ(Cell(15), "-180");
  EXPECT_EQ(form->Qor_Status_CLB->count(), 18);
  EXPECT_EQ(form->Qor_Status_CLB->item(16)->checkState(), Qt::Checked);
  EXPECT_TRUE(PushToTrack);
  EXPECT_FALSE(form->Timer1->isActive());
  EXPECT_EQ(form->Timer1->interval(), 500); // though its item says 10 Hz
  EXPECT_FALSE(form->TrackTo->isEnabled());
}

TEST_F(QorCtrlForm, TheGridTakesDigitsAndItsKeys) {
  QTableWidget *grid = form->StitchingSettingsSG;
  int restitched = 0;
  LPARAM sender = 0;
  const WindowHandle main = RegisterWindow(nullptr, [&](Message &m) {
    if (m.Msg == WM_RESTITCH) {
      ++restitched;
      sender = m.LParam;
    }
  });
  form->FNotifyWnd = main;

  // A negative number typed into "FrameCut Left" is kept as its absolute value; Ctrl+Enter re-stitches
  // too.
  grid->setCurrentCell(17, 0);
  EXPECT_EQ(grid->currentColumn(), 2);
  Type("3x0"); // the letter is swallowed
  EXPECT_EQ(Cell(17), "30");
  Key(grid, Qt::Key_Minus, Qt::NoModifier, "-");
  EXPECT_EQ(form->FFrameCuts.Left, 30);
  Type("25");
  Key(grid, Qt::Key_Return, Qt::ControlModifier);
  QCoreApplication::processEvents();
  EXPECT_EQ(form->FFrameCuts.Left, 25);
  EXPECT_EQ(restitched, 1);
  EXPECT_EQ(sender, reinterpret_cast<LPARAM>(form.get()));

  // Arrows step a number by 10, or 1 with Shift.
  grid->setCurrentCell(0, 2);
  Key(grid, Qt::Key_Right);
  Key(grid, Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_EQ(form->FTilt, 9);
  // On a true/false row minus does nothing, and the arrows flip it.
  grid->setCurrentCell(22, 2);
  Key(grid, Qt::Key_Minus, Qt::NoModifier, "-");
  EXPECT_FALSE(form->FLeftToRight);
  Key(grid, Qt::Key_Left);
  EXPECT_TRUE(form->FLeftToRight);
  EXPECT_EQ(Cell(22), "true");
  Type("1");
  EXPECT_EQ(Cell(22), "true");

  // A value out of the field's range is refused with a message, and the field keeps its value.
  grid->setCurrentCell(1, 2);
  Type("99999");
  Key(grid, Qt::Key_Enter);
  EXPECT_EQ(form->FLineHeel, 0);
  EXPECT_EQ(Cell(1), "0");
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].startsWith("Line Heel"));
  EXPECT_EQ(restitched, 1);

  // Without a main window to tell, Ctrl+Enter says so and still stores.
  form->FNotifyWnd = 0;
  grid->setCurrentCell(19, 2);
  Type("7");
  Key(grid, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(form->FFrameCuts.Top, 7);
  EXPECT_EQ(form->StatusBar1->text(), "Re-stitching: the main window cannot be reached");

  form->show();
  Key(grid, Qt::Key_Escape);
  EXPECT_FALSE(form->isVisible());
  UnregisterWindow(main);
}

TEST_F(QorCtrlForm, RegistersAreReadCheckedAndWrittenBack) {
  form->Refrsh_Qor_Values->trigger();
  EXPECT_EQ(form->VLE->item(0, 1)->text(), "0.5"); // 90 / 180
  EXPECT_EQ(form->VLE->item(14, 1)->text(), "4711");
  EXPECT_TRUE(form->PreWrite_Qor_Values->isEnabled());
  EXPECT_FALSE(form->Write_Qor_Values->isEnabled());

  // A value that does not fit stops the whole take-back.
  form->VLE->item(0, 1)->setText("2");
  form->VLE->item(4, 1)->setText("abc");
  form->PreWrite_Qor_Values->trigger();
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].startsWith("VerticalMin"));
  EXPECT_EQ(QorHead->FFrameTilt, 90);
  EXPECT_FALSE(form->Write_Qor_Values->isEnabled());

  form->VLE->item(4, 1)->setText("1200");
  form->PreWrite_Qor_Values->trigger();
  EXPECT_TRUE(form->Write_Qor_Values->isEnabled());
  EXPECT_FALSE(form->RewriteBTname->isVisible());
  form->PreWrite_Qor_Values->trigger();
  EXPECT_TRUE(form->RewriteBTname->isVisible());
  form->Write_Qor_Values->trigger();
  EXPECT_EQ(form->VLE->item(3, 1)->text(), "updt");
  EXPECT_FALSE(form->Write_Qor_Values->isEnabled());
  EXPECT_FALSE(form->PreWrite_Qor_Values->isEnabled());
  EXPECT_FALSE(form->RewriteBTname->isVisible());
  EXPECT_EQ(head->Registers().frameTilt, 360);
  EXPECT_EQ(head->Registers().verticalMin, 1200);
  EXPECT_EQ(head->Registers().restarts, 13u);
  // The handshake ran again: the link holds what the head now says.
  EXPECT_EQ(QorHead->FRestartCount, 13u);

  // A write the link refuses (a turn count of 0 would break every angle) leaves the list alone.
  form->Refrsh_Qor_Values->trigger();
  form->VLE->item(6, 1)->setText("1");
  form->PreWrite_Qor_Values->trigger();
  QorHead->FRatioHorRevs = 0;
  head->ClearCommands();
  form->Write_Qor_Values->trigger();
  EXPECT_EQ(form->StatusBar1->text(), "The registers were not written (see the log)");
  EXPECT_EQ(form->VLE->item(6, 1)->text(), "1");
  EXPECT_TRUE(form->Write_Qor_Values->isEnabled());
  EXPECT_FALSE(head->WaitForCommand("$@", 100));
}

TEST_F(QorCtrlForm, ShowingTheFormShowsTheHeadAndItsState) {
  head->SetCounters(256 * 100, -256 * 3);
  form->show();
  EXPECT_EQ(form->StatusBar1->text(), "Qor type  M, Ver.27, Ser# 4711 found on COM1");
  EXPECT_TRUE(form->QorStatusBar2->text().startsWith("H:806480=>25600=>100  V:7FFD80=>-768=>-3"))
      << form->QorStatusBar2->text().toStdString();
  EXPECT_TRUE(form->QorStatusBar1->text().startsWith("Az:")) << form->QorStatusBar1->text().toStdString();
  EXPECT_FALSE(form->QorStatusBar1->text().contains("---"));
  // Status byte 1 of an idle head with autotrack on: bit 0 only.
  EXPECT_EQ(form->Qor_Status_CLB->item(0)->checkState(), Qt::Checked);
  EXPECT_EQ(form->Qor_Status_CLB->item(1)->checkState(), Qt::Unchecked);
  // U starts the refresh timer, U again stops it.
  form->PageControl1->setCurrentIndex(2);
  Key(form->Qor_Status_CLB, Qt::Key_U, Qt::NoModifier, "u");
  EXPECT_TRUE(form->Timer1->isActive());
  Key(form->Qor_Status_CLB, Qt::Key_U, Qt::NoModifier, "u");
  EXPECT_FALSE(form->Timer1->isActive());
}

class QorCtrlFormOverUdp : public QorCtrlForm {
protected:
  void SetUp() override { Open(/*udp=*/true); }
};

TEST_F(QorCtrlFormOverUdp, ANetworkHeadShowsItsAngles) {
  ASSERT_TRUE(QorHead->FUseUdp);
  head->SetCounters(256 * 100, -256 * 3);
  form->show();
  EXPECT_TRUE(form->StatusBar1->text().startsWith("Qor type  M, Ver.27, Ser# 4711 found at 127.0.0.1:"))
      << form->StatusBar1->text().toStdString();
  // The simulated head turns 4 times per 4049252 (pan) and 4049117 (tilt) clicks.
  EXPECT_EQ(form->QorStatusBar1->text(),
            QStringLiteral("Az:9.10 \u00B0(1639 trplclk/min)  El:-0.27 \u00B0(-49 trplclk/min)"))
      << form->QorStatusBar1->text().toStdString();
  form->Refrsh_Qor_Values->trigger();
  EXPECT_EQ(form->VLE->item(5, 1)->text(), "4049252");
}

TEST_F(QorCtrlForm, ArrowKeysDriveTheHeadWithAutotrackOff) {
  QWidget *list = form->Qor_Status_CLB;
  // With autotrack on nothing is driven.
  QorHead->FTrackingMode = 0;
  Key(list, Qt::Key_Right);
  Release(list, Qt::Key_Right);
  Key(list, Qt::Key_A, Qt::NoModifier, "a"); // autotrack off
  EXPECT_EQ(QorHead->FTrackingMode, 3);
  ASSERT_TRUE(head->WaitForCommand("$TAmoff", 1000));
  EXPECT_TRUE(Speeds().isEmpty());

  // Push to track: Shift+Right 28, Shift+Left -16, release stops; a repeat sends nothing new.
  Key(list, Qt::Key_Right, Qt::ShiftModifier);
  Key(list, Qt::Key_Right, Qt::ShiftModifier, {}, /*autoRepeat=*/true);
  Release(list, Qt::Key_Right, Qt::ShiftModifier);
  Key(list, Qt::Key_Left, Qt::ShiftModifier);
  Release(list, Qt::Key_Left, Qt::ShiftModifier);
  Settle();
  EXPECT_EQ(Speeds(), (QList<QPair<int, int>>{{0x1C, 0}, {0, 0}, {0x90, 0}, {0, 0}}));
  EXPECT_EQ(form->HorSpeedSB->value(), 0);

  // K: without push to track each press (and repeat) steps by 16, releasing keeps the speed, and
  // Backspace stops both axes.
  head->ClearCommands();
  Key(list, Qt::Key_K, Qt::NoModifier, "k");
  EXPECT_FALSE(PushToTrack);
  Key(list, Qt::Key_Up);
  Key(list, Qt::Key_Up, Qt::NoModifier, {}, true);
  Release(list, Qt::Key_Up);
  Key(list, Qt::Key_Backspace, Qt::NoModifier, "\b");
  Release(list, Qt::Key_Backspace);
  Settle();
  EXPECT_EQ(Speeds(), (QList<QPair<int, int>>{{0, 16}, {0, 32}, {0, 0}}));
}

TEST_F(QorCtrlForm, TrackToTakesTheEntriesOrKeepsThePosition) {
  head->SetCounters(256 * 40 + 7, -256 * 2);
  QorHead->RequestCounters(false);
  answers = {QString(""), QString("12")};
  head->ClearCommands();
  Key(form->Qor_Status_CLB, Qt::Key_T, Qt::NoModifier, "t");
  EXPECT_EQ(proposals, (QStringList{"Horizontal=40", "Vertical=-2"}));
  ASSERT_TRUE(head->WaitForCommand("$THor", 1000));
  EXPECT_TRUE(head->WaitForCommand(std::string("$TVer\x0C\x80", 7), 100));
  EXPECT_TRUE(head->WaitForCommand(std::string("$THor\x28\x80", 7), 100)); // an empty entry: where it is

  // Cancelled boxes and a number too large for a target keep the proposed value.
  answers = {std::nullopt, QString("70000")};
  proposals.clear();
  head->ClearCommands();
  form->rackTo1Click();
  ASSERT_TRUE(head->WaitForCommand("$THor", 1000));
  EXPECT_EQ(QorHead->FHorTarget, 40);
  EXPECT_EQ(QorHead->FVerTarget, -2);
}

TEST_F(QorCtrlForm, TheReportLoopRunsFromTheSecondChoiceUntilTheNext) {
  form->show();
  form->TurnDownReprtng->trigger(); // the first choice only arms it
  EXPECT_TRUE(ReportLoopStopped);
  EXPECT_FALSE(head->WaitForCommand("$TVRH", 50));
  QTimer::singleShot(300, form.get(), [this] { form->TurnDownReprtng->trigger(); });
  const QDeadlineTimer deadline(3000);
  form->TurnDownReprtng->trigger(); // runs until the timer's choice
  EXPECT_FALSE(deadline.hasExpired());
  EXPECT_TRUE(ReportLoopStopped);
  EXPECT_TRUE(head->WaitForCommand(std::string("$TVRH\x00\x80", 7), 1000));
}

TEST_F(QorCtrlForm, WithoutAHeadItSaysSo) {
  QorHead->Close();
  form->Refrsh_Qor_Values->trigger();
  EXPECT_EQ(form->StatusBar1->text(), "No head connected");
  EXPECT_FALSE(form->PreWrite_Qor_Values->isEnabled());
}

} // namespace
} // namespace calidarix
