// The focus slider: the marker's limits, pointing with the right button, dragging, stepping towards
// a click (and stopping at it, past it, at the track's end or on release), narrow sliders, the
// painted marker; and the "Focus" menu item that switches the focus overlay.

#include "acquisition/ui/focus_slider.h"
#include "mainwindow/ui/main_window.h"
#include "tests/mainwindow/ui/real_view_fixture.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <vector>

namespace calidarix {
namespace {

void Mouse(QWidget &widget, QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons held) {
  const QPointF at(x, 5);
  QMouseEvent event(type, at, widget.mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(&widget, &event);
}

void Press(QWidget &widget, int x, Qt::MouseButton button = Qt::LeftButton) {
  Mouse(widget, QEvent::MouseButtonPress, x, button, button);
}

void Move(QWidget &widget, int x) {
  Mouse(widget, QEvent::MouseMove, x, Qt::NoButton, Qt::LeftButton);
}

void Release(QWidget &widget, int x, Qt::MouseButton button = Qt::LeftButton) {
  Mouse(widget, QEvent::MouseButtonRelease, x, button, Qt::NoButton);
}

// Runs the timer's steps directly until it stops; the number of steps, or -1 when it never stops.
int TickUntilStopped(TFocusSlider &slider, int limit = 1000) {
  for (int ticks = 0; ticks < limit; ++ticks) {
    if (!slider.FocusTimer->isActive())
      return ticks;
    slider.FocusTimerTimer();
  }
  return -1;
}

void Wait(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
}

// 178 pixels wide: a track of 162 pixels, one pixel per step at the default full scale.
struct Slider : TFocusSlider {
  explicit Slider(int width = 178, int max = kFocusSliderMaxDefault) {
    FocusMax = max;
    resize(width, 24);
  }
};

TEST(FocusSlider, StartsAtZeroWithItsTimerIdle) {
  Slider slider;
  EXPECT_EQ(slider.objectName(), "FocusPB");
  EXPECT_EQ(slider.FocusPosition, 0);
  EXPECT_EQ(slider.FocusMax, 162);
  EXPECT_FALSE(slider.FocusTimer->isActive());
  EXPECT_EQ(slider.FocusTimer->interval(), 500);
}

TEST(FocusSlider, TheMarkerNeverLeavesItsRange) {
  Slider slider;
  const int w = slider.width();
  for (const int x : {-1000, -9, 0, 7, 8, 9, 90, w - 9, w - 8, w - 7, w, w + 1000}) {
    SCOPED_TRACE(x);
    Press(slider, x, Qt::RightButton);
    Release(slider, x, Qt::RightButton);
    EXPECT_GE(slider.FocusPosition, 0);
    EXPECT_LE(slider.FocusPosition, slider.FocusMax);
    EXPECT_GE(slider.MarkerLeft(), 0);
    EXPECT_LE(slider.MarkerLeft(), w - 16);
    EXPECT_EQ(slider.FocusTargetX, x); // a plain integer: no wrap at 256
  }

  // Dragged far beyond both ends.
  slider.SetFocusPosition(81);
  for (const int to : {-5000, 5000}) {
    const int grab = slider.MarkerLeft() + 8;
    Press(slider, grab);
    ASSERT_TRUE(slider.FocusDragging);
    Move(slider, to);
    EXPECT_EQ(slider.FocusPosition, to < 0 ? 0 : slider.FocusMax);
    Release(slider, to);
  }

  // Stepping at the ends: held down at 0, held up at the maximum; the timer stops there.
  slider.SetFocusPosition(0);
  Press(slider, -100); // left of the marker: down
  EXPECT_EQ(slider.FocusPosition, 0);
  EXPECT_GE(TickUntilStopped(slider), 0);
  EXPECT_EQ(slider.FocusPosition, 0);
  Release(slider, -100);
  slider.SetFocusPosition(slider.FocusMax);
  Press(slider, w + 100);
  EXPECT_GE(TickUntilStopped(slider), 0);
  EXPECT_EQ(slider.FocusPosition, slider.FocusMax);
}

TEST(FocusSlider, RightClickPutsTheMarkerUnderThePointer) {
  Slider slider;
  slider.SetFocusPosition(100);
  Press(slider, 8, Qt::RightButton);
  EXPECT_EQ(slider.FocusPosition, 0);
  EXPECT_EQ(slider.MarkerLeft(), 0);
  EXPECT_EQ(slider.FocusTargetX, 8);

  Press(slider, slider.width() - 8, Qt::RightButton);
  EXPECT_EQ(slider.FocusPosition, 162);
  Press(slider, 8 + 81, Qt::RightButton);
  EXPECT_EQ(slider.FocusPosition, 81);
  EXPECT_EQ(slider.MarkerLeft(), 81);
  EXPECT_FALSE(slider.FocusTimer->isActive());
}

TEST(FocusSlider, DraggingMovesTheMarkerWithThePointer) {
  Slider slider;
  slider.SetFocusPosition(40);
  Press(slider, 40 + 3); // inside the marker, 3 pixels from its left edge
  EXPECT_TRUE(slider.FocusDragging);
  EXPECT_EQ(slider.FocusDragOffset, 40 - 43 - 8);
  EXPECT_FALSE(slider.FocusTimer->isActive());
  Move(slider, 43 + 25);
  EXPECT_EQ(slider.FocusPosition, 65);
  Move(slider, 43 - 10);
  EXPECT_EQ(slider.FocusPosition, 30);
  Release(slider, 33);
  EXPECT_FALSE(slider.FocusDragging);
  Move(slider, 120); // not dragging: only the target follows
  EXPECT_EQ(slider.FocusPosition, 30);
  EXPECT_EQ(slider.FocusTargetX, 120);
}

TEST(FocusSlider, HoldingBesideTheMarkerStepsUntilItArrives) {
  Slider slider;
  Press(slider, 8 + 20); // target: marker at 20
  EXPECT_TRUE(slider.FocusStepUp);
  EXPECT_EQ(slider.FocusPosition, 1); // one step at once
  EXPECT_TRUE(slider.FocusTimer->isActive());
  EXPECT_EQ(slider.FocusTimer->interval(), 500);
  slider.FocusTimerTimer();
  EXPECT_EQ(slider.FocusTimer->interval(), 100);
  EXPECT_EQ(TickUntilStopped(slider), 18);
  EXPECT_EQ(slider.MarkerLeft(), 20);
  EXPECT_EQ(slider.FocusPosition, 20);

  // Downwards the same way.
  Press(slider, 8 + 5);
  EXPECT_FALSE(slider.FocusStepUp);
  EXPECT_GE(TickUntilStopped(slider), 0);
  EXPECT_EQ(slider.FocusPosition, 5);
}

TEST(FocusSlider, ReleasingBeforeArrivalStopsWhereItIs) {
  Slider slider;
  Press(slider, 8 + 150);
  for (int i = 0; i < 5; ++i)
    slider.FocusTimerTimer();
  EXPECT_EQ(slider.FocusPosition, 6);
  Release(slider, 8 + 150);
  EXPECT_FALSE(slider.FocusTimer->isActive());
  EXPECT_EQ(slider.FocusPosition, 6);

  // With the real timer: a step at once, the next after 500 ms, then every 100 ms.
  slider.SetFocusPosition(0);
  Press(slider, 8 + 150);
  EXPECT_EQ(slider.FocusPosition, 1);
  Wait(300);
  EXPECT_EQ(slider.FocusPosition, 1);
  Wait(900);
  const int moved = slider.FocusPosition;
  EXPECT_GE(moved, 3);
  EXPECT_LT(moved, 150);
  Release(slider, 8 + 150);
  Wait(350);
  EXPECT_EQ(slider.FocusPosition, moved);
}

struct PastCase {
  const char *name;
  int start;
  int clickX;
  int expectedPosition;
};

TEST(FocusSlider, SteppingPastTheClickStops) {
  // Full scale 10 on a 200-pixel track: the marker moves 20 pixels a step and rarely lands on the
  // click exactly.
  const std::vector<PastCase> cases = {
      {"up past", 0, 8 + 50, 3},      // marker 20, 40, 60: past 50
      {"up exactly", 0, 8 + 60, 3},   // lands on 60
      {"down past", 10, 8 + 92, 4},   // 180, 160, ... 100, 80: past 92
      {"up to the end", 8, 215, 10},  // the click lies beyond the last position
      {"down to the end", 2, -30, 0}, // left of the track
  };
  for (const PastCase &c : cases) {
    SCOPED_TRACE(c.name);
    Slider slider(216, 10);
    slider.SetFocusPosition(c.start);
    Press(slider, c.clickX);
    ASSERT_FALSE(slider.FocusDragging);
    const int ticks = TickUntilStopped(slider);
    EXPECT_GE(ticks, 0) << "the stepping never stopped";
    EXPECT_EQ(slider.FocusPosition, c.expectedPosition);
    EXPECT_FALSE(slider.FocusTimer->isActive());
  }

  // The pointer moved behind the marker while the button is held: it has been passed, so it stops.
  Slider slider;
  Press(slider, 8 + 100);
  slider.FocusTimerTimer();
  Move(slider, 4);
  const int at = slider.FocusPosition;
  EXPECT_EQ(TickUntilStopped(slider), 1);
  EXPECT_EQ(slider.FocusPosition, at);
}

TEST(FocusSlider, NarrowSlidersAndAZeroScaleAreSafe) {
  for (const int width : {16, 10, 0}) {
    SCOPED_TRACE(width);
    Slider slider(width);
    slider.SetFocusPosition(50);
    EXPECT_EQ(slider.MarkerLeft(), 0);
    Press(slider, 8, Qt::RightButton);
    EXPECT_EQ(slider.FocusPosition, 50); // no track to point into
    Press(slider, 8);
    EXPECT_TRUE(slider.FocusDragging);
    Move(slider, 100);
    EXPECT_EQ(slider.FocusPosition, 50);
    Release(slider, 100);
    Press(slider, 40); // beside the marker: steps up
    EXPECT_EQ(slider.FocusPosition, 51);
    EXPECT_GE(TickUntilStopped(slider), 0);
    EXPECT_LE(slider.FocusPosition, slider.FocusMax);
    Release(slider, 40);
    if (width > 0) {
      EXPECT_FALSE(slider.grab().isNull());
    }
  }

  Slider zero(178, 0);
  EXPECT_EQ(zero.MarkerLeft(), 0);
  Press(zero, 100, Qt::RightButton);
  EXPECT_EQ(zero.FocusPosition, 0);
  Press(zero, 100);
  EXPECT_GE(TickUntilStopped(zero), 0);
  EXPECT_EQ(zero.FocusPosition, 0);
}

TEST(FocusSlider, TheMarkerIsPaintedYellowAtItsPosition) {
  Slider slider;
  for (const int position : {0, 81, 162}) {
    SCOPED_TRACE(position);
    slider.SetFocusPosition(position);
    const QImage image = slider.grab().toImage();
    const int m = slider.MarkerLeft();
    EXPECT_EQ(image.pixelColor(m + 8, 4), QColor(Qt::yellow));
    // Away from the marker: no yellow.
    const int away = m < 80 ? slider.width() - 20 : 20;
    EXPECT_NE(image.pixelColor(away, 4), QColor(Qt::yellow));
  }
}

class FocusMenu : public test::RealViewWindow {};

TEST_F(FocusMenu, FocusItemSwitchesTheOverlayAndTheSliderStaysHidden) {
  TCalidarix &w = CreateWindow();
  ShowWindow();
  auto *item = w.findChild<QAction *>("Focus1");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->text(), "Focus");
  EXPECT_EQ(item->parent()->objectName(), "ButterFly1");
  EXPECT_FALSE(w.FFocusTool);
  item->trigger();
  EXPECT_TRUE(w.FFocusTool);
  item->trigger();
  EXPECT_FALSE(w.FFocusTool);

  ASSERT_NE(w.FocusPB, nullptr);
  EXPECT_FALSE(w.FocusPB->isVisible());
  EXPECT_EQ(w.FocusPB->FocusPosition, 0);
  EXPECT_EQ(w.FocusPB->FocusMax, 162);
}

} // namespace
} // namespace calidarix
