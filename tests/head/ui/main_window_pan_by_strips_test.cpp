// "Pan by Strips": the command of a hidden menu item asks for the columns of a panorama of strips in the
// two-value panel while the acquisition runs; Enter sets the columns and gives the keyboard back to the
// window.

#include "acquisition/camera_state.h"
#include "head/head_globals.h"
#include "tests/head/ui/live_head_window_fixture.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QWindow>
#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

namespace calidarix {
namespace {

class PanByStripsWindow : public test::LiveHeadWindow {
protected:
  // A key pressed and let go in the window, which hands it to its focus widget, as the keyboard does.
  void StripsKey(int key, int code, const QString &text) {
    QWindow *handle = window->windowHandle();
    ASSERT_NE(handle, nullptr);
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
      QKeyEvent event(type, key, Qt::NoModifier, static_cast<quint32>(code + 8), 0, 0, text);
      QApplication::sendEvent(handle, &event);
    }
  }
  void StripsDigit(int digit) {
    const int code = digit == 0 ? KEY_0 : KEY_1 + digit - 1;
    StripsKey(Qt::Key_0 + digit, code, QString::number(digit));
  }
  void StripsEnter() { StripsKey(Qt::Key_Return, KEY_ENTER, QStringLiteral("\r")); }
};

TEST_F(PanByStripsWindow, TheHiddenItemAsksForColumnsAndLinesAndEnterSetsTheColumns) {
  TCalidarix &w = Open();
  w.ScanforPanHead1Click();
  ASSERT_TRUE(w.HeadConnected);
  Start({});
  ASSERT_TRUE(WaitForShownFrames(1));
  ScanRequests.StripLineCount.Set(978);

  // The item is out of sight, and so cannot be chosen; called, the command works.
  auto *item = w.findChild<QAction *>(QStringLiteral("PanByStrips"));
  ASSERT_NE(item, nullptr);
  EXPECT_FALSE(item->isVisible());
  w.PanByStripsClick();

  ASSERT_TRUE(w.FixedLevel2Panel->isVisible());
  EXPECT_EQ(w.FixedLevel2Label1->text(), QStringLiteral("Hor:"));
  EXPECT_EQ(w.FixedLevel2Label2->text(), QStringLiteral("Lns:"));
  EXPECT_EQ(w.FixedLevel2Edit1->text(), QStringLiteral("4"));
  EXPECT_EQ(w.FixedLevel2Edit2->text(), QStringLiteral("978"));
  EXPECT_EQ(w.focusWidget(), w.FixedLevel2Edit1);
  const TPanoByFrames &seq = w.FPanoSequence.Sequence;
  EXPECT_EQ(seq.Grid().LastCol, 3);
  EXPECT_EQ(seq.Col(), 0);
  EXPECT_EQ(seq.Row(), 0);
  EXPECT_FALSE(seq.Active());

  // Six columns, twelve lines, as typed.
  StripsDigit(6);
  StripsEnter();
  EXPECT_EQ(w.focusWidget(), w.FixedLevel2Edit2);
  w.FixedLevel2Edit2->selectAll();
  StripsDigit(1);
  StripsDigit(2);
  StripsEnter();
  EXPECT_FALSE(w.FixedLevel2Panel->isVisible());
  EXPECT_EQ(seq.Grid().LastCol, 5);
  EXPECT_EQ(ScanRequests.StripLineCount.Get(), 978); // the line count is not taken
  EXPECT_FALSE(seq.Active());

  // The keys of the window work again: a digit picks a palette slot.
  const int slot = PalNumber == 2 ? 3 : 2;
  StripsDigit(slot + 1);
  EXPECT_EQ(PalNumber, slot);
}

TEST_F(PanByStripsWindow, WithoutARunningAcquisitionItOnlyCountsTheColumnsAfresh) {
  TCalidarix &w = Open();
  w.FPanoSequence.Sequence.SetLastCol(7);
  w.PanByStripsClick();
  EXPECT_FALSE(w.FixedLevel2Panel->isVisible());
  EXPECT_TRUE(w.FStatusNotice.contains(QStringLiteral("Pan by Strips"))) << w.FStatusNotice.toStdString();
  EXPECT_EQ(w.FPanoSequence.Sequence.Grid().LastCol, 3);
  EXPECT_EQ(w.FPanoSequence.Sequence.Col(), 0);
  EXPECT_EQ(w.FPanoSequence.Sequence.Row(), 0);
}

} // namespace
} // namespace calidarix
