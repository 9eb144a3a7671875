// Every entry over the main window gives the keyboard back when it closes: after a typed range, a frame
// number, a comment, a value panel or the setup panel, the keys of the window's key table work again.
// The keys are typed as the user types them: into the window, which hands them to its focus widget.

#include "analysis/ui/graph_form.h"
#include "mainwindow/ui/entry_focus.h"
#include "mainwindow/ui/main_window.h"
#include "tests/mainwindow/ui/file_window_fixture.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>

#include <cstring>
#include <linux/input-event-codes.h>
#include <utility>

namespace calidarix {
namespace {

// A key as a US keyboard gives it: its Qt key, its text and its Linux input code.
struct Stroke {
  int key;
  const char *text;
  int code;
};

// A digit, a small letter or the full stop.
Stroke Char(char c) {
  if (c >= '1' && c <= '9')
    return Stroke{Qt::Key_1 + (c - '1'), nullptr, KEY_1 + (c - '1')};
  if (c == '0')
    return Stroke{Qt::Key_0, nullptr, KEY_0};
  if (c == '.')
    return Stroke{Qt::Key_Period, nullptr, KEY_DOT};
  // The input codes run along the three letter rows, from Q, A and Z.
  for (auto [row, first] : {std::pair{"qwertyuiop", KEY_Q}, {"asdfghjkl", KEY_A}, {"zxcvbnm", KEY_Z}})
    if (const char *at = std::strchr(row, c); at && c != 0)
      return Stroke{Qt::Key_A + (c - 'a'), nullptr, first + static_cast<int>(at - row)};
  ADD_FAILURE() << "no stroke for " << c;
  return Stroke{0, nullptr, 0};
}

const Stroke kEnter{Qt::Key_Return, "\r", KEY_ENTER};
const Stroke kEscape{Qt::Key_Escape, "\x1b", KEY_ESC};
const Stroke kRight{Qt::Key_Right, "", KEY_RIGHT};
const Stroke kLeft{Qt::Key_Left, "", KEY_LEFT};

class EntryFocus : public test::FileWindow {
protected:
  void TearDown() override {
    graph.reset();
    FileWindow::TearDown();
  }

  // The window on frame 1 of a 30-frame film.
  TCalidarix &StartOnFilm() {
    TCalidarix &w = Start();
    EXPECT_TRUE(w.OpenInView(Film("film.dtv", 30, 0.0f)));
    CurrentDTV->SumCount = 4; // as the registry's default gives it, so the setup panel takes its OK
    return w;
  }

  // Presses and lets go of a key in `target`'s window, which delivers it to its focus widget.
  static void Press(QWidget *target, const Stroke &s) {
    QWindow *handle = target->window()->windowHandle();
    ASSERT_NE(handle, nullptr);
    const QString text = s.text ? QString::fromLatin1(s.text)
                                : QString(QChar(s.key)).toLower(); // letters and digits: their own
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
      QKeyEvent event(type, s.key, Qt::NoModifier, static_cast<quint32>(s.code + 8), 0, 0, text);
      QApplication::sendEvent(handle, &event);
    }
  }
  void Type(const char *keys) {
    for (const char *c = keys; *c; ++c)
      Press(window.get(), Char(*c));
  }
  void Press(const Stroke &s) { Press(window.get(), s); }

  // The key table answers: Right steps the film, a digit picks a palette slot.
  void KeysWork(const char *after) {
    SCOPED_TRACE(after);
    const int frame = CurrentDTV->FFrameIndex;
    Press(kRight);
    EXPECT_EQ(CurrentDTV->FFrameIndex, frame + 1);
    Press(kLeft);
    EXPECT_EQ(CurrentDTV->FFrameIndex, frame);
    const char *digit = PalNumber == 1 ? "3" : "2";
    Type(digit);
    EXPECT_EQ(PalNumber, digit[0] - '1');
  }

  std::unique_ptr<TGraphForm> graph;
};

TEST_F(EntryFocus, AfterEachEntryPanelTheKeyCommandsWorkAgain) {
  TCalidarix &w = StartOnFilm();
  KeysWork("at start");

  // A locked range typed in: T 60 Enter 20 Enter.
  Type("t60");
  Press(kEnter);
  Type("20");
  Press(kEnter);
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMax, 60.0);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMin, 20.0);
  KeysWork("a typed range");
  Type("t");
  Press(kEscape);
  KeysWork("a range entry given up");

  // Go to frame: F 25 Enter.
  Type("f25");
  Press(kEnter);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 25);
  KeysWork("go to frame");

  // The comment under the image: L, a text, Enter; and L, Esc.
  Type("l");
  Type("a1");
  Press(kEnter);
  EXPECT_EQ(CurrentDTV->CommentText(), "a1");
  KeysWork("the comment");
  Type("l");
  Press(kEscape);
  KeysWork("a comment given up");

  // The one-value panel (Y, the time delta) and the two-value panel (E, emissivity).
  Type("y");
  ASSERT_TRUE(w.FixedLevelPanel->isVisible());
  Press(kEnter);
  EXPECT_FALSE(w.FixedLevelPanel->isVisible());
  KeysWork("the value panel");
  Type("e");
  ASSERT_TRUE(w.FixedLevel2Panel->isVisible());
  Press(kEnter);
  Press(kEnter);
  EXPECT_FALSE(w.FixedLevel2Panel->isVisible());
  KeysWork("the two-value panel");
  Type("e");
  Press(kEscape);
  KeysWork("the two-value panel given up");

  // The setup panel, confirmed and cancelled from its first edit.
  Type(".");
  ASSERT_TRUE(w.SetupPanel->isVisible());
  Press(kEnter);
  EXPECT_FALSE(w.SetupPanel->isVisible());
  KeysWork("the setup panel");
  Type(".");
  Press(kEscape);
  EXPECT_FALSE(w.SetupPanel->isVisible());
  KeysWork("the setup panel cancelled");
}

TEST_F(EntryFocus, AButtonThatClosesAPanelGivesTheKeyboardBackToo) {
  TCalidarix &w = StartOnFilm();
  Type("f");
  ASSERT_TRUE(w.FixedLevelPanel->isVisible());
  // The frame button up again closes the panel without a value.
  w.findChild<QToolButton *>("FrameSB")->click();
  EXPECT_FALSE(w.FixedLevelPanel->isVisible());
  KeysWork("the frame button");
}

TEST_F(EntryFocus, TheGraphWindowsLengthEntryGivesTheKeysBackToItsWindow) {
  StartOnFilm();
  graph = std::make_unique<TGraphForm>();
  graph->show();
  QApplication::processEvents();
  graph->DistancePanelClick();
  ASSERT_TRUE(graph->DistanceEdit->isVisible());
  Press(graph->DistanceEdit, kEscape);
  EXPECT_FALSE(graph->DistanceEdit->isVisible());
  // Z narrows the visible range of the graph, Q resets it.
  Press(graph.get(), Char('z'));
  EXPECT_EQ(graph->FPalHigh, 254);
  Press(graph.get(), Char('q'));
  EXPECT_EQ(graph->FPalHigh, 255);
}

TEST(HideEntry, HandsTheFocusOnlyWhenTheEntryHeldIt) {
  QWidget window;
  auto *panel = new QWidget(&window);
  auto *edit = new QLineEdit(panel);
  auto *other = new QLineEdit(&window);
  window.show();
  QApplication::processEvents();

  other->setFocus();
  HideEntry(panel);
  EXPECT_FALSE(panel->isVisible());
  EXPECT_EQ(window.focusWidget(), other); // the focus was elsewhere: it stays there

  panel->show();
  edit->setFocus();
  HideEntry(panel);
  EXPECT_EQ(window.focusWidget(), &window);
  HideEntry(nullptr); // nothing to hide
}

} // namespace
} // namespace calidarix
