// How the main window looks to the user at its default size and when it is made narrower: every tool
// bar button shown whole, an image box that keeps its size while the readouts empty and fill, and the
// temperatures under the palette bar that belong to the thermogram shown.

#include "tests/mainwindow/ui/file_window_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QToolButton>

namespace calidarix {
namespace {

using test::FileWindow;

// Buttons drawn narrower than they ask for, or reaching outside the tool bar, by name. The hidden "!"
// button is meant to stay hidden.
std::string CutButtons(const TCalidarix &w) {
  QStringList cut;
  const QList<QToolButton *> buttons = w.ToolPanel->findChildren<QToolButton *>();
  for (const QToolButton *button : buttons) {
    const QRect inside = w.ToolPanel->contentsRect();
    if (button->objectName() == QLatin1String("FixedFileSB")) {
      if (button->isVisible())
        cut << button->objectName();
      continue;
    }
    if (!button->isVisible() || button->width() < button->sizeHint().width() ||
        button->height() < button->sizeHint().height() || !inside.contains(button->geometry()))
      cut << button->objectName();
  }
  return cut.join(' ').toStdString();
}

TEST_F(FileWindow, EveryToolBarButtonIsShownWholeAtTheDefaultSizeAndInANarrowWindow) {
  TCalidarix &w = Start();
  ASSERT_EQ(w.ToolPanel->findChildren<QToolButton *>().size(), 25);
  EXPECT_EQ(CutButtons(w), "");
  // The image keeps its start-up size: the rows of buttons come on top of it.
  EXPECT_EQ(w.ImagePB->size(), QSize(640, 540));

  w.resize(420, w.height());
  QApplication::processEvents();
  ASSERT_EQ(w.width(), 420);
  EXPECT_EQ(CutButtons(w), "");
  EXPECT_GE(w.ImagePB->height(), w.ImagePB->minimumHeight());
}

// Lets pending layout and window-system events arrive (the X server answers asynchronously).
void Settle() {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 100)
    QApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST_F(FileWindow, TheImageBoxKeepsItsWidthWhileTheReadoutsEmptyAndFill) {
  TCalidarix &w = Start({Thermogram("a.dtv", -12.5f, 320, 240)});
  Settle();
  // Whatever the pointer did meanwhile, the widths must not follow the readouts.
  const int infoWidth = w.InfoBasePanel->width();
  const QSize image = w.ImagePB->size();

  w.ImagePanelMouseLeave();
  Settle();
  EXPECT_TRUE(w.TemperatureLabel->text().isEmpty());
  EXPECT_EQ(w.InfoBasePanel->width(), infoWidth);
  EXPECT_EQ(w.ImagePB->size(), image);

  // The longest readouts: five characters each.
  for (QLabel *value :
       {w.XLabel, w.YLabel, w.TemperatureLabel, w.FramesLabel, w.FrameLabel, w.TimeLabel, w.FrameTimeLabel})
    value->setText(QStringLiteral("-12.3"));
  w.XLabel->setText(QStringLiteral("65535"));
  Settle();
  EXPECT_EQ(w.InfoBasePanel->width(), infoWidth);
  EXPECT_EQ(w.ImagePB->size(), image);
}

TEST_F(FileWindow, TheTemperaturesUnderTheBarFollowTheThermogramShown) {
  // A film locks the display to its own range; the single image after it shows its own range again.
  const QString film = Film("a.dtv", 3, 20.0f);
  const QString image = Thermogram("b.dtv", 40.0f);
  TCalidarix &w = Start({film});
  ASSERT_TRUE(CurrentDTV->FFilmRangeLock);
  EXPECT_EQ(w.PalBegLabel->text(), "20");
  EXPECT_EQ(w.PalEndLabel->text(), "32");

  ASSERT_TRUE(w.StepFileInList(true));
  ASSERT_EQ(CurrentDTV->FFileName, image);
  EXPECT_FALSE(CurrentDTV->FRangeLocked);
  EXPECT_EQ(w.PalBegLabel->text(), "40");
  EXPECT_EQ(w.PalEndLabel->text(), "50");
  EXPECT_EQ(w.PalMinLabel->text(), "40");
  EXPECT_EQ(w.PalMaxLabel->text(), "50");
}

} // namespace
} // namespace calidarix
