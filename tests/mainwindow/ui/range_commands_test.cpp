#include "mainwindow/ui/main_window.h"

#include "analysis/markers.h"
#include "mainwindow/ui/thermogram_view.h"
#include "tests/mainwindow/ui/real_view_fixture.h"
#include "tests/mainwindow/ui/shell_fakes.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <tuple>

namespace calidarix {
namespace {

class ScanningAcquisition : public test::FakeAcquisition {
public:
  bool ScanRunning() const override { return scanning; }
  bool scanning = false;
};

class RangeCommands : public test::RealViewWindow {
protected:
  void SetUp() override {
    RealViewWindow::SetUp();
    fakes.services.acquisition.reset(fakes.acquisition = acquisition = new ScanningAcquisition);
  }

  // The window as the program starts it, showing a 4 x 2 frame of 0.01 degree per raw step from 0
  // degrees (the whole scale 0 .. 655.35) with pixels from 10 to 50 degrees.
  TCalidarix &Start() {
    TearDown();
    CreateWindow();
    ShowWindow();
    TDTV &dtv = *CurrentDTV;
    dtv.ResetHeader();
    dtv.FHeader.Width = 4;
    dtv.FHeader.Height = 2;
    dtv.FHeader.Scale = 0.01f;
    dtv.FRaw = {1000, 2000, 3000, 4000, 5000, 1000, 2000, 3000};
    dtv.SetAspect(2.0);
    dtv.FRangeLocked = false;
    dtv.UpdateStatistics();
    window->LockSB->setChecked(false);
    window->ChangeDTV(false);
    return *window;
  }

  static void Click(QWidget *widget) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
  }

  static void Key(QWidget *widget, int key, const QString &text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
  }

  // Replaces the edit's text by typing, then ends with Enter (or the given key).
  static void Type(QLineEdit *edit, const QString &text, int end = Qt::Key_Return) {
    edit->selectAll();
    Key(edit, Qt::Key_Backspace, QStringLiteral("\b"));
    for (QChar c : text) {
      const int key = c.isDigit() ? Qt::Key_0 + c.digitValue()
                      : c == '-'  ? int(Qt::Key_Minus)
                      : c == '.'  ? int(Qt::Key_Period)
                      : c == ','  ? int(Qt::Key_Comma)
                                  : int(Qt::Key_A) + (c.toUpper().unicode() - 'A');
      Key(edit, key, QString(c));
    }
    if (end)
      Key(edit, end);
  }

  ScanningAcquisition *acquisition = nullptr;
};

TEST_F(RangeCommands, ClickingTheUpperPanelAndTypingLocksTheRangeFromTheLowerEndShown) {
  TCalidarix &w = Start();
  ASSERT_EQ(w.PalMinLabel->text(), "0");
  Click(w.PalMaxLabel);
  ASSERT_TRUE(w.MaxEdit->isVisible());
  EXPECT_EQ(w.MaxEdit->text(), "50.00") << "the frame's own maximum";
  EXPECT_FALSE(w.MinEdit->isVisible());
  Click(w.MinPanel);
  EXPECT_FALSE(w.MinEdit->isVisible()) << "one edit at a time";

  Type(w.MaxEdit, "3x5"); // letters do not reach the edit
  EXPECT_FALSE(w.MaxEdit->isVisible());
  const TDTV &dtv = *CurrentDTV;
  EXPECT_TRUE(dtv.FRangeLocked);
  EXPECT_TRUE(w.LockSB->isChecked());
  EXPECT_DOUBLE_EQ(dtv.LockMax, 35.0);
  EXPECT_DOUBLE_EQ(dtv.LockMin, 0.0);
  EXPECT_EQ(w.PalMaxLabel->text(), "35");
  EXPECT_EQ(w.PalMinLabel->text(), "0");
  EXPECT_EQ(w.PalEndLabel->text(), "35") << "the palette window's temperatures follow the range";
  EXPECT_EQ(w.PalBegLabel->text(), "0");

  // The value is used in full; the label shows it rounded to the decimals that fit in five characters.
  Click(w.MaxPanel);
  EXPECT_EQ(w.MaxEdit->text(), "35.00") << "the locked range";
  Type(w.MaxEdit, "123.456");
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMax, 123.456);
  EXPECT_EQ(w.PalMaxLabel->text(), "123.5");

  // Esc leaves everything as it was.
  Click(w.MaxPanel);
  Type(w.MaxEdit, "77", Qt::Key_Escape);
  EXPECT_FALSE(w.MaxEdit->isVisible());
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMax, 123.456);
}

TEST_F(RangeCommands, BothEndsTypedInTurnLockTheRangeOrReScaleTheThermogram) {
  TCalidarix &w = Start();
  w.OpenRangeEntry(false);
  EXPECT_EQ(w.MaxEdit->text(), "655.3") << "the temperature of raw 65535, cut";
  EXPECT_EQ(w.MinEdit->text(), "0.00");
  Type(w.MaxEdit, "40");
  EXPECT_FALSE(CurrentDTV->FRangeLocked) << "nothing is applied before the lower end";
  ASSERT_TRUE(w.MinEdit->isVisible());
  Type(w.MinEdit, "-5.25");
  EXPECT_EQ(w.KeyLabel->text(), "13");
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMin, -5.25);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMax, 40.0);
  EXPECT_EQ(w.PalMinLabel->text(), "-5.25");

  // Re-scaling: raw 0 becomes the lower and raw 65535 the upper end; the range stays unlocked.
  w.LockSB->click();
  ASSERT_FALSE(CurrentDTV->FRangeLocked);
  w.OpenRangeEntry(true);
  Type(w.MaxEdit, "100");
  Type(w.MinEdit, "0");
  EXPECT_FALSE(CurrentDTV->FRangeLocked);
  EXPECT_FALSE(w.LockSB->isChecked());
  EXPECT_NEAR(CurrentDTV->RawToTemperature(65535), 100.0, 1e-4);
  EXPECT_NEAR(CurrentDTV->RawToTemperature(0), 0.0, 1e-9);
  EXPECT_EQ(w.PalMaxLabel->text(), "100");

  // A panel click afterwards is single entry in the mode last chosen.
  Click(w.MaxPanel);
  Type(w.MaxEdit, "200");
  EXPECT_FALSE(CurrentDTV->FRangeLocked);
  EXPECT_NEAR(CurrentDTV->RawToTemperature(65535), 200.0, 1e-3);
}

TEST_F(RangeCommands, RangesTheThermogramCannotShowAreRefusedOrMadeShowable) {
  struct Case {
    bool rescale;
    const char *max;
    const char *min;
    bool applied;
    double lo; // the range in force afterwards
    double hi;
  };
  const Case cases[] = {
      {true, "10", "20", false, 0.0, 655.35},     // the lower end above the upper when re-scaling
      {false, "30", "30", true, 30.0, 31.0},      // equal ends get one degree
      {true, "30", "30", true, 30.0, 31.0},       // the scale never becomes 0
      {false, "10", "-300", true, -273.15, 10.0}, // nothing below absolute zero
      {false, "-", "20", true, 20.0, 50.0},       // not a number: the frame's own maximum
      {false, "40", "1-2", true, 10.0, 40.0},     // not a number: the frame's own minimum
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.max) + " / " + c.min + (c.rescale ? " re-scaling" : ""));
    Start().OpenRangeEntry(c.rescale);
    Type(window->MaxEdit, c.max);
    Type(window->MinEdit, c.min);
    const TDTV &dtv = *CurrentDTV;
    const TCalidarix &v = *window;
    if (c.rescale || !c.applied) {
      EXPECT_FALSE(dtv.FRangeLocked);
      EXPECT_FALSE(v.LockSB->isChecked());
      EXPECT_NEAR(dtv.RawToTemperature(0), c.lo, 1e-4);
      EXPECT_NEAR(dtv.RawToTemperature(65535), c.hi, 1e-3);
    } else {
      EXPECT_TRUE(dtv.FRangeLocked);
      EXPECT_NEAR(dtv.LockMin, c.lo, 1e-5);
      EXPECT_NEAR(dtv.LockMax, c.hi, 1e-5);
    }
    if (!c.applied) {
      EXPECT_EQ(v.PalMinLabel->text(), "0") << "the labels show the range in force again";
      EXPECT_EQ(v.PalMaxLabel->text(), "655.3");
    }
  }
}

TEST_F(RangeCommands, ATypedLockedRangeGoesToTheThermogramsOwnRangeRule) {
  // Ends the wrong way round, equal, below absolute zero: the panels take what the thermogram's
  // SetTemperatureRange makes of them, and refuse only what it refuses.
  const std::pair<const char *, const char *> cases[] = {
      {"30", "40"}, {"5", "10"}, {"30", "30"}, {"10", "-300"}, {"-300", "-280"}, {"20", "10"},
  };
  for (auto [max, min] : cases) {
    SCOPED_TRACE(std::string(max) + " / " + min);
    Start().OpenRangeEntry(false);
    Type(window->MaxEdit, max);
    Type(window->MinEdit, min);
    TDTV rule;
    rule.ResetHeader();
    const bool accepted = rule.SetTemperatureRange(false, std::stod(min), std::stod(max));
    const TDTV &dtv = *CurrentDTV;
    EXPECT_EQ(dtv.FRangeLocked, accepted);
    EXPECT_EQ(window->LockSB->isChecked(), accepted);
    if (accepted) {
      EXPECT_DOUBLE_EQ(dtv.LockMin, rule.LockMin);
      EXPECT_DOUBLE_EQ(dtv.LockMax, rule.LockMax);
      EXPECT_TRUE(window->FStatusNotice.isEmpty()) << window->FStatusNotice.toStdString();
    } else {
      EXPECT_TRUE(window->FStatusNotice.contains("cannot be shown")) << window->FStatusNotice.toStdString();
      EXPECT_EQ(window->PalMinLabel->text(), "0") << "the labels show the range in force again";
      EXPECT_EQ(window->PalMaxLabel->text(), "655.3");
    }
  }
}

TEST_F(RangeCommands, ADecimalCommaIsTheDecimalSeparatorInBothLanguages) {
  for (const int language : {0, 1}) {
    SCOPED_TRACE(language);
    TCalidarix &w = Start();
    w.SetLanguageCaptions(language);
    Click(w.MaxPanel);
    Type(w.MaxEdit, "35,5");
    EXPECT_DOUBLE_EQ(CurrentDTV->LockMax, 35.5) << "never 355";
    EXPECT_EQ(w.PalMaxLabel->text(), "35.5");
    Click(w.MinPanel);
    Type(w.MinEdit, "12,25");
    EXPECT_DOUBLE_EQ(CurrentDTV->LockMin, 12.25);
    // Pasted text with a comma counts the same.
    Click(w.MaxPanel);
    w.MaxEdit->setText(QStringLiteral("36,5"));
    Key(w.MaxEdit, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(CurrentDTV->LockMax, 36.5);
  }
}

TEST_F(RangeCommands, EscInTheLowerEditKeepsTheRangeAndShowsTheFrameMaximum) {
  TCalidarix &w = Start();
  Click(w.MinimumLabel);
  ASSERT_TRUE(w.MinEdit->isVisible());
  EXPECT_EQ(w.MinEdit->text(), "10.00");
  Type(w.MinEdit, "5", Qt::Key_Escape);
  EXPECT_FALSE(w.MinEdit->isVisible());
  EXPECT_FALSE(CurrentDTV->FRangeLocked);
  EXPECT_EQ(w.KeyLabel->text(), "27");
  EXPECT_EQ(w.findChild<QLabel *>("MaxLabel")->text(), "50.00");

  // The lower end alone keeps the upper end shown.
  Click(w.MinPanel);
  Type(w.MinEdit, "12");
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMin, 12.0);
  EXPECT_NEAR(CurrentDTV->LockMax, 655.35, 1e-4);
}

TEST_F(RangeCommands, TheLockButtonReleasesAndFreezesTheRange) {
  TCalidarix &w = Start();
  w.SetTempRange(20.0, 30.0);
  ASSERT_TRUE(w.LockSB->isChecked());
  EXPECT_EQ(w.PalMaxLabel->text(), "30");

  EXPECT_EQ(w.PalEndLabel->text(), "30");
  w.LockSB->click();
  EXPECT_FALSE(CurrentDTV->FRangeLocked);
  EXPECT_FALSE(w.LockSB->isChecked());
  EXPECT_EQ(w.PalMinLabel->text(), "0");
  EXPECT_EQ(w.PalMaxLabel->text(), "655.3");
  EXPECT_EQ(w.PalEndLabel->text(), "655.3");

  w.LockSB->click();
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_TRUE(w.LockSB->isChecked());
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMin, 0.0);
  EXPECT_NEAR(CurrentDTV->LockMax, 655.35, 1e-4);

  // A thermogram without a usable temperature scale is not locked to it.
  w.LockSB->click();
  CurrentDTV->FHeader.Scale = std::numeric_limits<float>::infinity();
  w.LockSB->click();
  EXPECT_FALSE(CurrentDTV->FRangeLocked);
  EXPECT_FALSE(w.LockSB->isChecked());
}

TEST_F(RangeCommands, WhileADualBandCameraScansBothBandsShareTheWidestRange) {
  acquisition->SetCameraInterfaceType(64);
  TCalidarix &w = Start();
  ASSERT_TRUE(BandDTV35 && BandDTV812);
  acquisition->scanning = true;
  for (auto [band, lo, hi] :
       {std::tuple{BandDTV35.get(), 10.0, 50.0}, std::tuple{BandDTV812.get(), 15.0, 60.0}}) {
    band->ResetHeader();
    band->FHeader.Offset = static_cast<float>(lo);
    band->FHeader.Scale = static_cast<float>((hi - lo) / 65535.0);
  }
  w.LockSB->click();
  for (const TDTV *band : {BandDTV35.get(), BandDTV812.get()}) {
    EXPECT_TRUE(band->FRangeLocked);
    EXPECT_NEAR(band->LockMin, 10.0, 1e-4);
    EXPECT_NEAR(band->LockMax, 60.0, 1e-3);
  }
  EXPECT_TRUE(w.LockSB->isChecked());

  // Without their band thermograms the camera's lock falls back to the thermogram shown.
  BandDTV35.reset();
  w.LockSB->setChecked(false);
  CurrentDTV->FRangeLocked = false;
  w.LockSB->click();
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_TRUE(w.LockSB->isChecked());

  // While scanning a typed range is locked in re-scale mode too.
  w.OpenRangeEntry(true);
  Type(w.MaxEdit, "45");
  Type(w.MinEdit, "25");
  EXPECT_TRUE(CurrentDTV->FRangeLocked);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMin, 25.0);
  EXPECT_DOUBLE_EQ(CurrentDTV->LockMax, 45.0);
  EXPECT_NEAR(CurrentDTV->RawToTemperature(65535), 45.0, 1e-4);
}

TEST_F(RangeCommands, TheCropButtonZoomsToTheAreaAndThenBackToTheWholeFrame) {
  TCalidarix &w = Start();
  TDTV &dtv = *CurrentDTV;
  dtv.FHeader.Width = 320;
  dtv.FHeader.Height = 240;
  dtv.FRaw.assign(320 * 240, 1000);
  dtv.SetAspect(320.0 / 240.0);
  w.FitImageLayout(TRect{0, 0, w.ImagePB->width(), w.ImagePB->height()}, true);
  const double fitted = dtv.FZoom;
  w.FMarkers.FCurrentArea.SetRect(TRect{10, 10, 50, 40});
  w.CropSB->click();
  EXPECT_GT(dtv.FZoom, fitted * 4) << "a 40 x 30 area fills the box";
  EXPECT_TRUE(w.FMarkers.FCurrentArea.IsAllZero());
  EXPECT_FALSE(w.FZoomFitted);
  w.CropSB->click();
  EXPECT_DOUBLE_EQ(dtv.FZoom, fitted);
  EXPECT_TRUE(w.FZoomFitted);
}

} // namespace
} // namespace calidarix
