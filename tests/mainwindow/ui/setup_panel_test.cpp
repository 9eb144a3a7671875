// The setup panel as the user drives it: opening it from the button and the menu, confirming with OK
// or Enter, a bad edit that keeps everything as it was, Cancel, the language switch both ways, and the
// small commands beside it (info panel layouts, the fixed-level spin panels, ping, resolution switch).

#include "mainwindow/ui/logger_window.h"
#include "tests/mainwindow/ui/file_window_fixture.h"
#include "tests/support/key_events.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>

namespace calidarix {
namespace {

using test::FileWindow;

class SetupPanel : public FileWindow {
protected:
  TCalidarix &Open() {
    TCalidarix &w = Start();
    CurrentDTV->SumCount = 4; // as the registry's default gives it
    w.FPanels.SetupSB->click();
    return w;
  }
  QCheckBox *Box(const char *name) { return window->findChild<QCheckBox *>(name); }
  PanelsState &P() { return window->FPanels; }
};

TEST_F(SetupPanel, OpensFromTheButtonFilledFromTheSettingsAndClosesAgain) {
  TCalidarix &w = Start();
  w.FRegistrySettings.FilmFrames = 120;
  w.FRegistrySettings.FrameTime = 40;
  CurrentDTV->SumCount = 8;
  w.FRegistrySettings.FixedMin = 20.5;
  w.FRegistrySettings.FixedMax = 36;
  w.FLimit = 45.25;
  w.FIsReadDTI = true;
  w.FPanels.SetupSB->click();
  ASSERT_TRUE(w.SetupPanel->isVisible());
  EXPECT_TRUE(P().SetupSB->isChecked());
  EXPECT_EQ(w.SetupPanel->pos(), QPoint(4, 4));
  EXPECT_EQ(P().FilmFramesEdit->text(), "120");
  EXPECT_EQ(P().FrameTimeEdit->text(), "40");
  EXPECT_EQ(P().SumCountEdit->text(), "8");
  EXPECT_EQ(P().FixedMinEdit->text(), "20.5");
  EXPECT_EQ(P().FixedMaxEdit->text(), "36");
  EXPECT_EQ(P().LimitEdit->text(), "45.25");
  EXPECT_TRUE(Box("ReadDTICB")->isChecked());
  EXPECT_FALSE(P().VideoSetupSB->isEnabled());

  w.FPanels.SetupSB->click();
  EXPECT_FALSE(w.SetupPanel->isVisible());
  EXPECT_FALSE(P().SetupSB->isChecked());
  w.findChild<QAction *>("Setup1")->trigger();
  EXPECT_TRUE(w.SetupPanel->isVisible());
}

TEST_F(SetupPanel, OkAppliesEveryValueAndStoresTheSettings) {
  TCalidarix &w = Open();
  P().FilmFramesEdit->setText("500");
  P().FrameTimeEdit->setText("25");
  P().SumCountEdit->setText("16");
  P().FixedMinEdit->setText("30");
  P().FixedMaxEdit->setText("30");
  P().LimitEdit->setText("0");
  P().PointsCB->setCurrentIndex(1);
  Box("AutoSaveCB")->setChecked(true);
  Box("FullScreenCB")->setChecked(true);
  Box("IntegerCB")->setChecked(true);
  Box("FixedRangeCB")->setChecked(true);
  Box("AutoIsothermCB")->setChecked(true);
  Box("BigButtonsCB")->setChecked(true);
  Box("NightModeCB")->setChecked(true);
  Box("MenuVisibleCB")->setChecked(true);
  const int registered = fakes.settings->registered;
  P().SetupOkBtn->click();

  EXPECT_FALSE(w.SetupPanel->isVisible());
  EXPECT_FALSE(P().SetupSB->isChecked());
  EXPECT_EQ(w.FRegistrySettings.FilmFrames, 500);
  EXPECT_EQ(w.FRegistrySettings.FrameTime, 25);
  EXPECT_EQ(CurrentDTV->SumCount, 16);
  EXPECT_EQ(w.FRegistrySettings.FixedMin, 30.0);
  EXPECT_EQ(w.FRegistrySettings.FixedMax, 31.0); // equal bounds: one degree wide
  EXPECT_FALSE(w.FLimitOn);
  EXPECT_EQ(w.FMeasure.FPointsCount, 1);
  EXPECT_TRUE(w.isAutoSave);
  EXPECT_TRUE(w.FIsInteger);
  EXPECT_TRUE(w.FIsFixedRange);
  EXPECT_TRUE(CurrentDTV->isIsoAuto);
  EXPECT_TRUE(w.FIsBigButtons);
  EXPECT_TRUE(w.BigButtonsPanel->isVisible());
  EXPECT_FALSE(w.ToolPanel->isVisible());
  EXPECT_TRUE(w.FIsNightMode);
  EXPECT_EQ(w.FMinPanelColor, QColor(96, 96, 127));
  // Full screen waits for the next start.
  EXPECT_TRUE(w.FIsFullScreen);
  EXPECT_FALSE(w.FullScreenOn);
  EXPECT_EQ(fakes.settings->registered, registered + 1);

  // Reversed bounds are swapped; any limit but 0 switches the alarm on.
  w.SetupSBClick();
  P().FixedMinEdit->setText("40");
  P().FixedMaxEdit->setText("25");
  P().LimitEdit->setText("38.5");
  Box("BigButtonsCB")->setChecked(false);
  P().SetupOkBtn->click();
  EXPECT_EQ(w.FRegistrySettings.FixedMin, 25.0);
  EXPECT_EQ(w.FRegistrySettings.FixedMax, 40.0);
  EXPECT_TRUE(w.FLimitOn);
  EXPECT_EQ(w.FLimit, 38.5);
  EXPECT_TRUE(w.ToolPanel->isVisible());
  EXPECT_FALSE(w.BigButtonsPanel->isVisible());
}

TEST_F(SetupPanel, AFilmLengthOfZeroMeansNoLimitAndIsKept) {
  TCalidarix &w = Start();
  CurrentDTV->SumCount = 4;
  w.FRegistrySettings.FilmFrames = 0;
  w.FPanels.SetupSB->click();
  ASSERT_EQ(P().FilmFramesEdit->text(), "0");
  P().SetupOkBtn->click();
  EXPECT_TRUE(dialogs->Errors.isEmpty()) << dialogs->Errors.join('\n').toStdString();
  EXPECT_FALSE(w.SetupPanel->isVisible());
  EXPECT_EQ(w.FRegistrySettings.FilmFrames, 0);
}

TEST_F(SetupPanel, OneClickOnSetReopensThePanelAfterOk) {
  TCalidarix &w = Start();
  CurrentDTV->SumCount = 4;
  const auto click = [](QWidget *button) {
    const QPointF at(button->width() / 2.0, button->height() / 2.0);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent event(type, at, button->mapToGlobal(at), Qt::LeftButton,
                        type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(button, &event);
    }
  };
  for (int round = 0; round < 2; ++round) {
    click(P().SetupSB);
    ASSERT_TRUE(w.SetupPanel->isVisible()) << "round " << round;
    click(P().SetupOkBtn);
    EXPECT_FALSE(w.SetupPanel->isVisible());
    EXPECT_FALSE(P().SetupSB->isChecked());
  }
}

TEST_F(SetupPanel, ABadEditIsNamedAndNothingIsApplied) {
  TCalidarix &w = Open();
  const RegistrySettings before = w.FRegistrySettings;
  const int sumCount = CurrentDTV->SumCount;
  const int registered = fakes.settings->registered;
  P().FilmFramesEdit->setText("777");
  P().SumCountEdit->setText("0");
  P().LimitEdit->setText("12");
  w.LanguageCB->setCurrentIndex(1);
  Box("IntegerCB")->setChecked(true);
  P().SetupOkBtn->click();

  ASSERT_EQ(dialogs->Errors.size(), 1);
  EXPECT_EQ(dialogs->Errors[0], "Sum count: 0 is below 1");
  EXPECT_TRUE(w.SetupPanel->isVisible());
  EXPECT_EQ(w.FRegistrySettings.FilmFrames, before.FilmFrames);
  EXPECT_EQ(CurrentDTV->SumCount, sumCount);
  EXPECT_EQ(w.FLimit, 0.0);
  EXPECT_EQ(w.FLanguage, 0);
  EXPECT_FALSE(w.FIsInteger);
  EXPECT_EQ(fakes.settings->registered, registered);

  P().SumCountEdit->setText("3");
  P().FixedMaxEdit->setText("inf");
  P().SetupOkBtn->click();
  ASSERT_EQ(dialogs->Errors.size(), 2);
  EXPECT_EQ(dialogs->Errors[1], "Fixed Max: 'inf' is not a valid floating point value");
  EXPECT_EQ(fakes.settings->registered, registered);
}

TEST_F(SetupPanel, CancelRestoresTheLanguageListAndKeepsTheTicksForTheNextOk) {
  TCalidarix &w = Open();
  w.LanguageCB->setCurrentIndex(1);
  Box("IntegerCB")->setChecked(true);
  P().SetupCancelBtn->click();
  EXPECT_FALSE(w.SetupPanel->isVisible());
  EXPECT_EQ(w.LanguageCB->currentIndex(), 0);
  EXPECT_TRUE(Box("IntegerCB")->isChecked());
  EXPECT_FALSE(w.FIsInteger);

  w.SetupSBClick();
  P().SetupOkBtn->click();
  EXPECT_TRUE(w.FIsInteger);
}

TEST_F(SetupPanel, LanguageSwitchesToRussianAndBack) {
  TCalidarix &w = Open();
  w.LanguageCB->setCurrentIndex(1);
  P().SetupOkBtn->click();
  EXPECT_EQ(w.FLanguage, 1);
  EXPECT_EQ(w.findChild<QAction *>("Setup1")->text(), QString::fromUtf8("Настройки... [.]"));
  EXPECT_EQ(w.findChild<QLabel *>("SetupSumCountLabel")->text(), QString::fromUtf8("Число сумм"));
  EXPECT_EQ(w.findChild<QPushButton *>("SetupCancelBtn")->text(), QString::fromUtf8("Отмена"));

  w.SetupSBClick();
  w.LanguageCB->setCurrentIndex(0);
  P().SetupOkBtn->click();
  EXPECT_EQ(w.FLanguage, 0);
  EXPECT_EQ(w.findChild<QAction *>("Setup1")->text(), "Setup... [.]");
  EXPECT_EQ(w.findChild<QLabel *>("SetupSumCountLabel")->text(), "Sum count");
}

TEST_F(SetupPanel, EnterAndEscInTheEditsExceptTheLimit) {
  TCalidarix &w = Open();
  test::PressKey(P().LimitEdit, Qt::Key_Return);
  EXPECT_TRUE(w.SetupPanel->isVisible());
  test::PressKey(P().LimitEdit, Qt::Key_Escape);
  EXPECT_TRUE(w.SetupPanel->isVisible());
  P().SumCountEdit->setText("2");
  test::PressKey(P().SumCountEdit, Qt::Key_Enter);
  EXPECT_FALSE(w.SetupPanel->isVisible());
  EXPECT_EQ(CurrentDTV->SumCount, 2);

  w.SetupSBClick();
  P().SumCountEdit->setText("9");
  test::PressKey(P().FixedMaxEdit, Qt::Key_Escape);
  EXPECT_FALSE(w.SetupPanel->isVisible());
  EXPECT_EQ(CurrentDTV->SumCount, 2);
}

TEST_F(SetupPanel, EditsTakeOnlyTheCharactersOfTheirNumbers) {
  Open();
  const struct {
    QLineEdit *edit;
    const char *typed;
    const char *result;
  } cases[] = {
      {P().FilmFramesEdit, "1a2.-3", "123"},
      {P().FixedMinEdit, "-1x2.5e", "-12.5"},
      {P().FrameTimeEdit, "7b", "7b"}, // not filtered: a bad text is refused on OK
  };
  for (const auto &c : cases) {
    c.edit->clear();
    for (const char *ch = c.typed; *ch; ++ch)
      test::PressKey(c.edit, *ch >= 'a' && *ch <= 'z' ? Qt::Key_A + (*ch - 'a') : static_cast<int>(*ch),
                     QString(QLatin1Char(*ch)));
    EXPECT_EQ(c.edit->text(), c.result) << c.typed;
  }
}

TEST_F(SetupPanel, InfoPanelSwitchesBetweenStripAndColumn) {
  TCalidarix &w = Start();
  EXPECT_FALSE(w.FPanels.FInfoSideColumn); // the design's strip
  EXPECT_EQ(w.InfoBasePanel->height(), 32);
  EXPECT_GT(w.InfoBasePanel->width(), w.ImagePanel->width());
  // The table's places are the least: a label moves right as far as the texts before it need.
  const auto atLeast = [&w](const char *name, QPoint place) {
    const QPoint at = w.findChild<QLabel *>(name)->pos();
    EXPECT_GE(at.x(), place.x()) << name;
    EXPECT_EQ(at.y(), place.y()) << name;
  };
  atLeast("MaxLab", QPoint(124, 4));

  QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(w.InfoPanel, &twice);
  QApplication::processEvents();
  EXPECT_TRUE(w.FPanels.FInfoSideColumn);
  EXPECT_GE(w.InfoBasePanel->width(), 96);
  EXPECT_EQ(w.findChild<QLabel *>("MaxLab")->pos(), QPoint(4, 112));
  atLeast("XLabel", QPoint(16, 68));
  EXPECT_GE(w.InfoBasePanel->x(), w.ImagePanel->x() + w.ImagePanel->width()); // beside the image

  // In full screen with the menu hidden the panel stays as it is.
  w.FIsMenuVisible = false;
  w.FullScreenOn = true;
  w.InfoPanelDblClick();
  EXPECT_TRUE(w.FPanels.FInfoSideColumn);
  w.FullScreenOn = false;
  w.InfoPanelDblClick();
  EXPECT_FALSE(w.FPanels.FInfoSideColumn);
  EXPECT_EQ(w.InfoBasePanel->height(), 32);
}

TEST_F(SetupPanel, UpAndDownPanelsStepTheFixedLevel) {
  TCalidarix &w = Start();
  ASSERT_NE(P().UpPanel, nullptr);
  ASSERT_NE(P().DownPanel, nullptr);
  const auto press = [](QWidget *panel) {
    QMouseEvent down(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(panel, &down);
  };
  w.FixedLevelEdit->setText("36.55");
  press(P().UpPanel);
  EXPECT_EQ(w.FixedLevelEdit->text(), "37.55");
  EXPECT_EQ(P().UpPanel->frameShadow(), QFrame::Sunken);
  w.UpDownPanelMouseUp(P().UpPanel);
  EXPECT_EQ(P().UpPanel->frameShadow(), QFrame::Raised);
  w.FixedLevelEdit->setText("0.50");
  press(P().DownPanel);
  EXPECT_EQ(w.FixedLevelEdit->text(), "0.50");
  w.FixedLevelEdit->setText("abc");
  press(P().UpPanel);
  EXPECT_EQ(w.FixedLevelEdit->text(), "5.00");
}

TEST_F(SetupPanel, PingIsRefusedUnderLoopbackAndSaysSo) {
  TCalidarix &w = Start();
  int started = 0;
  w.FPanels.StartDetached = [&](const QString &, const QStringList &) -> std::int64_t {
    ++started;
    return 1;
  };
  test::ScopedEnv loopback("CALIDARIX_NETWORK", std::string("loopback"));
  w.findChild<QAction *>("Ping1")->trigger();
  EXPECT_EQ(started, 0);
  EXPECT_TRUE(w.FStatusNotice.contains("192.168.0.32 refused")) << w.FStatusNotice.toStdString();
  EXPECT_TRUE(w.FStatusNotice.endsWith("not available"));
}

TEST_F(SetupPanel, ResolutionSwitchFlipsItsCaption) {
  TCalidarix &w = Start();
  QAction *item = w.findChild<QAction *>("ResSwitch");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->text(), "On");
  item->trigger();
  EXPECT_TRUE(item->isChecked());
  EXPECT_EQ(item->text(), "Off");
  EXPECT_FALSE(w.FStatusNotice.contains("not available")) << w.FStatusNotice.toStdString();
  EXPECT_EQ(w.findChildren<QMenu *>("Resolution").size(), 1);
  item->trigger();
  EXPECT_EQ(item->text(), "On");
}

} // namespace
} // namespace calidarix
