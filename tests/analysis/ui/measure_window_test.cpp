#include "mainwindow/ui/main_window.h"

#include "analysis/coordinate_mapping.h"
#include "analysis/markers.h"
#include "analysis/region_statistics.h"
#include "tests/mainwindow/ui/real_view_fixture.h"
#include "tests/support/test_support.h"
#include "tests/support/thermogram_fixture.h"
#include "thermogram/image_layout.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

// The window as the program starts it, measured with the real mouse events of its image box.
class MeasureWindow : public test::RealViewWindow {
protected:
  TCalidarix &Start() {
    CreateWindow();
    TCalidarix &w = ShowWindow();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 100)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    return w;
  }

  // Box position of image pixel (x, y).
  QPoint Box(int x, int y) {
    const TImageView v = ImageViewOf(*CurrentDTV);
    return QPoint(GetScreenX(v, x), GetScreenY(v, y));
  }

  void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
            Qt::KeyboardModifiers mods = {}) {
    QMouseEvent e(type, at, window->ImagePB->mapToGlobal(at), button, held, mods);
    QApplication::sendEvent(window->ImagePB, &e);
  }
  void Move(QPoint at, Qt::MouseButtons held = Qt::NoButton, Qt::KeyboardModifiers mods = {}) {
    Send(QEvent::MouseMove, at, Qt::NoButton, held, mods);
  }
  void Press(QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers mods = {}) {
    Send(QEvent::MouseButtonPress, at, button, button, mods);
  }
  void Release(QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers mods = {}) {
    Send(QEvent::MouseButtonRelease, at, button, Qt::NoButton, mods);
  }
  void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
    Press(from, Qt::LeftButton, mods);
    Move((from + to) / 2, Qt::LeftButton, mods);
    Move(to, Qt::LeftButton, mods);
    Release(to, Qt::LeftButton, mods);
  }
  void Click(QPoint at, Qt::MouseButton button) {
    Press(at, button);
    Release(at, button);
  }

  // With CALIDARIX_SCREENSHOTS naming a folder, the window as the user sees it is kept there.
  void Screenshot(const char *name) {
    const QString folder = qEnvironmentVariable("CALIDARIX_SCREENSHOTS");
    if (folder.isEmpty())
      return;
    QApplication::processEvents();
    window->ImagePB->repaint();
    window->grab().save(QDir(folder).filePath(QString::fromLatin1(name) + ".png"));
  }

  QString Text(QLabel *label) const { return label->text(); }
};

TEST_F(MeasureWindow, MouseOverTheImageShowsWhereAndHowWarm) {
  TCalidarix &w = Start();
  const TDTV &dtv = *CurrentDTV;
  Move(Box(100, 60));
  EXPECT_EQ(Text(w.XLabel), "100");
  EXPECT_EQ(Text(w.YLabel), "60");
  const QString expected = QString::number(dtv.TemperatureAt(100, 60), 'f', 2).left(5);
  EXPECT_EQ(Text(w.TemperatureLabel), expected);
  EXPECT_EQ(Text(w.TemperatureLabelWhite), expected);
  EXPECT_GE(PalCursorTemp, 0.0);
  EXPECT_LE(PalCursorTemp, 1.0);
  const int renders = w.FRenderCount;
  Move(Box(200, 10));
  EXPECT_EQ(Text(w.XLabel), "200");
  EXPECT_EQ(w.FRenderCount, renders) << "a move does not render the frame again";

  // Just right of the last column the readout goes, and so does the bar's cursor.
  const TImageView v = ImageViewOf(dtv);
  Move(QPoint(GetScreenX(v, dtv.Width()) + 1, Box(0, 60).y()));
  EXPECT_TRUE(Text(w.XLabel).isEmpty());
  EXPECT_TRUE(Text(w.TemperatureLabel).isEmpty());
  EXPECT_EQ(PalCursorTemp, -1.0);
}

TEST_F(MeasureWindow, RectangleAndEllipseDrawnWithTheMouseAreMeasuredAndDrawn) {
  TCalidarix &w = Start();
  const TDTV &dtv = *CurrentDTV;
  const QImage before = w.ImagePB->Picture.copy();
  Drag(Box(40, 30), Box(120, 110));
  EXPECT_EQ(w.FMarkers.FCurrentArea.Rect(), (TRect{40, 30, 120, 110}));
  TRegionStatistics st = CountRegion(dtv, TRect{40, 30, 120, 110}, false, TStatisticsSettings{});
  EXPECT_EQ(Text(w.PtsLabel), QString::number(81 * 81));
  EXPECT_EQ(Text(w.MinLabel), QString::number(dtv.RawToTemperature(st.RawMin), 'g', 15).left(5));
  EXPECT_EQ(Text(w.MaxLabel), QString::number(dtv.RawToTemperature(st.RawMax), 'g', 15).left(5));
  EXPECT_EQ(Text(w.AvgLabel), QString::number(dtv.RawToTemperature(st.RawAvg), 'g', 15).left(5));
  w.ImagePB->repaint();
  EXPECT_NE(w.ImagePB->Picture, before) << "the outline is drawn";
  Screenshot("measure_rectangle");

  // Standard deviation instead of the count, by a double-click on the count.
  w.PtsLabelDblClick();
  EXPECT_NE(Text(w.PtsLabel), QString::number(81 * 81));
  EXPECT_NE(Text(w.PtsLabel), "0");
  w.PtsLabelDblClick();

  // Stored with the right button; a second right-click inside stores nothing more.
  Click(Box(80, 70), Qt::RightButton);
  Click(Box(80, 70), Qt::RightButton);
  ASSERT_EQ(w.FMarkers.FAreas.size(), 1u);

  // The same drag as an ellipse counts the inscribed ellipse only.
  w.findChild<QAction *>("Ellipse1")->trigger();
  EXPECT_EQ(ArrayType, 1);
  Drag(Box(140, 20), Box(220, 100));
  st = CountRegion(dtv, TRect{140, 20, 220, 100}, true, TStatisticsSettings{});
  EXPECT_EQ(Text(w.PtsLabel), QString::number(st.Count));
  EXPECT_LT(st.Count, 81 * 81);
  Screenshot("measure_ellipse");
}

TEST_F(MeasureWindow, ClicksKeepOrClearTheAreaAndPointsAreAddedOnce) {
  TCalidarix &w = Start();
  Drag(Box(40, 30), Box(120, 110));
  const QString count = Text(w.PtsLabel);
  // A click inside keeps and recounts the area; a click outside shows the whole frame.
  Click(Box(60, 60), Qt::LeftButton);
  EXPECT_EQ(w.FMarkers.FCurrentArea.Rect(), (TRect{40, 30, 120, 110}));
  EXPECT_EQ(Text(w.PtsLabel), count);
  Click(Box(200, 200), Qt::LeftButton);
  EXPECT_TRUE(w.FMarkers.FCurrentArea.IsAllZero());
  EXPECT_EQ(Text(w.PtsLabel), QString::number(256 * 248));

  // A drag within one column is no area: it is cleared like a click.
  Drag(Box(50, 20), Box(50, 90));
  EXPECT_TRUE(w.FMarkers.FCurrentArea.IsAllZero());
  EXPECT_TRUE(Text(w.PtsLabel).isEmpty());

  Click(Box(10, 10), Qt::RightButton);
  Click(Box(10, 10), Qt::RightButton);
  ASSERT_EQ(w.FMarkers.FPoints.size(), 1u);
  EXPECT_EQ(w.FMarkers.FPoints[0].X, 10);
  // Dragging with the right button held moves the newest point's label.
  Press(Box(30, 10), Qt::RightButton);
  Move(Box(40, 30), Qt::RightButton);
  Release(Box(40, 30), Qt::RightButton);
  ASSERT_EQ(w.FMarkers.FPoints.size(), 2u);
  EXPECT_EQ(w.FMarkers.FPoints.back().DX, 10);
  EXPECT_EQ(w.FMarkers.FPoints.back().DY, 20);
  // A stored area whose label was dragged up and left, and the extremes of the frame marked.
  Drag(Box(150, 120), Box(220, 200));
  Press(Box(180, 160), Qt::RightButton);
  Move(Box(120, 100), Qt::RightButton);
  Release(Box(120, 100), Qt::RightButton);
  ASSERT_EQ(w.FMarkers.FAreas.size(), 1u);
  w.MaxLabelDblClick();
  EXPECT_TRUE(w.FIsShowMinMax);
  w.ImagePB->repaint();
  EXPECT_EQ(w.FMarkers.FAreas[0].Direction, 2) << "the label went up and left";
  Screenshot("measure_points");

  // Remove Markers clears everything and shows the whole frame again.
  Drag(Box(40, 30), Box(120, 110));
  w.findChild<QToolButton *>("DelSB")->click();
  EXPECT_TRUE(w.FMarkers.FPoints.empty());
  EXPECT_EQ(Text(w.PtsLabel), QString::number(256 * 248));
}

TEST_F(MeasureWindow, AltClickInsideTheAreaCropsToExactlyThatArea) {
  TCalidarix &w = Start();
  TDTV &dtv = *CurrentDTV;
  dtv.ResetHeader();
  // Every pixel tells where it was: 100 x row + column.
  test::SetFrame(dtv, 16, 12, [](int x, int y) { return 100 * y + x; });
  dtv.UpdateStatistics();
  w.FitImageLayout(TRect{0, 0, w.ImagePB->width(), w.ImagePB->height()}, true);
  w.ChangeDTV(false);
  Drag(Box(2, 2), Box(8, 6));
  ASSERT_EQ(w.FMarkers.FCurrentArea.Rect(), (TRect{2, 2, 8, 6}))
      << "columns 2..8 and rows 2..6, 7 x 5 pixels";
  Press(Box(5, 4), Qt::LeftButton, Qt::AltModifier);
  Release(Box(5, 4), Qt::LeftButton, Qt::AltModifier);
  ASSERT_EQ(dtv.Width(), 7);
  ASSERT_EQ(dtv.Height(), 5);
  EXPECT_EQ(test::Px(dtv, 0, 0), 202);
  EXPECT_EQ(test::Px(dtv, 6, 4), 608) << "the area's last column and row are kept";
  EXPECT_TRUE(w.FMarkers.FCurrentArea.IsAllZero());
}

TEST_F(MeasureWindow, ThePointsCountSettingNumbersTheLabels) {
  TCalidarix &w = Start();
  CurrentDTV->SumCount = 4; // as the registry's default gives it; the panel refuses a sum count of 0
  Click(Box(100, 60), Qt::RightButton);
  Drag(Box(150, 120), Box(220, 200));
  Click(Box(180, 160), Qt::RightButton);
  ASSERT_EQ(w.FMarkers.FPoints.size(), 1u);
  ASSERT_EQ(w.FMarkers.FAreas.size(), 1u);
  const auto pictureWith = [&](int pointsCount) {
    w.FPanels.SetupSB->click();
    EXPECT_TRUE(w.SetupPanel->isVisible());
    w.FPanels.PointsCB->setCurrentIndex(pointsCount);
    w.FPanels.SetupOkBtn->click();
    EXPECT_FALSE(w.SetupPanel->isVisible()) << "the panel took its values";
    w.ImagePB->repaint();
    return w.ImagePB->Picture.copy();
  };
  const QImage plain = pictureWith(0);
  const QImage numbered = pictureWith(1);
  Screenshot("measure_points_count");
  // "T1:" goes before the point's value and the area's number after its texts: the labels grow.
  int changed = 0;
  for (int y = 0; y < plain.height(); ++y)
    for (int x = 0; x < plain.width(); ++x)
      changed += plain.pixel(x, y) != numbered.pixel(x, y);
  EXPECT_GT(changed, 20) << "the labels carry their numbers";
  EXPECT_EQ(pictureWith(0), plain) << "and lose them again when the setting is off";
}

TEST_F(MeasureWindow, MeasurementButtonsOpenTheirMenusAndCopy) {
  TCalidarix &w = Start();
  w.findChild<QToolButton *>("MinMaxAvgSB")->click();
  EXPECT_TRUE(w.ArrayPopupMenu->isVisible());
  w.ArrayPopupMenu->hide();
  w.findChild<QToolButton *>("FontNSB")->click();
  EXPECT_TRUE(w.FontPopupMenu->isVisible());
  w.FontPopupMenu->hide();
  w.findChild<QAction *>("N241")->trigger();
  EXPECT_EQ(FontN, 24);
  w.findChild<QAction *>("ArrayMax1")->trigger();
  EXPECT_EQ(ArrayStatistic, 2);

  QApplication::clipboard()->clear();
  w.findChild<QToolButton *>("ExcelSB")->click();
  EXPECT_EQ(QApplication::clipboard()->text().count('\r'), 256) << "one line per column of the frame";
  Click(Box(10, 10), Qt::RightButton);
  w.findChild<QToolButton *>("CopyPointsSB")->click();
  EXPECT_TRUE(QApplication::clipboard()->text().startsWith("P1\t"));
}

TEST_F(MeasureWindow, ValuePanelActsOnceAndFallsBackToItsOpeningValue) {
  TCalidarix &w = Start();
  const float offset = CurrentDTV->FHeader.Offset;
  FixedLevelShift = true;
  w.OpenValuePanel(1, "Fixed Level", "0.00");
  w.FixedLevelEdit->setText("2.5");
  Screenshot("measure_value_panel");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(w.FixedLevelEdit, &enter);
  QApplication::sendEvent(w.FixedLevelEdit, &enter); // a second Enter finds the panel hidden
  EXPECT_TRUE(w.FixedLevelPanel->isHidden());
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, offset + 2.5f);
  EXPECT_EQ(FixedLevel, 2.5);

  // Text that is no number counts as the opening value.
  w.OpenValuePanel(1, "Fixed Level", "1.00");
  w.FixedLevelEdit->setText("abc");
  w.FixedLevelOKBtnClick();
  EXPECT_EQ(w.FixedLevelEdit->text(), "1.00");
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, offset + 3.5f);

  // A sum count below 1 is refused and said so.
  w.OpenValuePanel(4, "Sum Count:", "0.00");
  w.FixedLevelOKBtnClick();
  EXPECT_FALSE(CurrentDTV->FSumming);
  EXPECT_TRUE(w.FStatusNotice.contains("Sum count"));
}

TEST_F(MeasureWindow, EmissivityOfTheDemoImageKeepsItsData) {
  TCalidarix &w = Start();
  // The demo image has no file; OK corrects the data in memory instead of reading the demo again.
  const std::vector<std::uint16_t> raw = CurrentDTV->FRaw;
  w.EmissivityActionExecute();
  ASSERT_FALSE(w.FixedLevel2Panel->isHidden());
  EXPECT_EQ(w.FixedLevel2Edit1->text(), "1.00");
  w.FixedLevel2Edit1->setText("0.9");
  w.FixedLevel2Edit2->setText("20");
  w.FixedLevel2OKBtnClick();
  EXPECT_DOUBLE_EQ(CurrentDTV->FEmissivity, 0.9);
  EXPECT_EQ(CurrentDTV->FAmbientTemp, 20.0);
  EXPECT_EQ(CurrentDTV->FRaw.size(), raw.size());
  EXPECT_TRUE(w.FMeasure.FEmissivityText.startsWith("E:0.90"));
}

TEST_F(MeasureWindow, CopiesGoToTheClipboardAsText) {
  TCalidarix &w = Start();
  TDTV &dtv = *CurrentDTV;
  dtv.ResetHeader();
  dtv.FHeader.Width = 3;
  dtv.FHeader.Height = 2;
  dtv.FHeader.Scale = 0.5f;
  dtv.FHeader.Offset = 10.0f;
  dtv.FRaw = {0, 1, 2, 3, 4, 5};
  dtv.UpdateStatistics();
  w.ChangeDTV(false);
  w.CopyRegionTableToClipboard(1);
  EXPECT_EQ(QApplication::clipboard()->text(), "10,00\t11,50\t\r10,50\t12,00\t\r11,00\t12,50\t\r");
  w.FMarkers.FPoints = {TPointRecord{1, 1, 0, 0, 0, 1}};
  TAreaRecord area;
  area.SetRect(TRect{0, 0, 2, 1});
  w.FMarkers.FAreas = {area};
  w.CopyPointsSBClick();
  EXPECT_EQ(QApplication::clipboard()->text(),
            "P1\t12\r\n\r\n\tMin\tAvg\tMax\tPts\r\nA1\t10.00\t11.00\t12.50\t6\r\n");
}

TEST_F(MeasureWindow, ViewUpdatesRecountTheAreaAndTheLabelsSwitchOnDoubleClicks) {
  TCalidarix &w = Start();
  TDTV &dtv = *CurrentDTV;
  dtv.ResetHeader();
  dtv.FHeader.Width = 4;
  dtv.FHeader.Height = 2;
  dtv.FHeader.Scale = 1.0f;
  dtv.FRaw = {10, 20, 30, 40, 50, 60, 70, 80};
  dtv.UpdateStatistics();
  // A rectangle left from a larger frame reaches past this one: only its part inside is read.
  w.FMarkers.FCurrentArea.SetRect(TRect{1, 0, 40, 30});
  w.ChangeDTV(false);
  EXPECT_EQ(Text(w.MinLabel), "20");
  EXPECT_EQ(Text(w.MaxLabel), "80");
  EXPECT_EQ(Text(w.AvgLabel), "50");
  EXPECT_EQ(Text(w.PtsLabel), "6");

  w.AvgLabelDblClick();
  EXPECT_EQ(Text(w.AvgLabel), "60.00") << "the span of the area";
  w.ChangeDTV(false);
  EXPECT_EQ(Text(w.AvgLabel), "60");
  w.AvgLabelDblClick();

  w.MaxLabelDblClick();
  EXPECT_TRUE(w.FIsShowMinMax && !w.FIsDoubleMinMax);
  w.MaxLabelDblClick();
  EXPECT_TRUE(w.FIsShowMinMax && w.FIsDoubleMinMax);
  EXPECT_TRUE(w.findChild<QAction *>("DoubleMinMax1")->isChecked());
  w.MaxLabelDblClick();
  EXPECT_FALSE(w.FIsShowMinMax || w.FIsDoubleMinMax);

  w.TLabDblClick();
  EXPECT_EQ(Text(w.TLab), "D:");
  w.TLabDblClick();

  // Three stored areas give the resolution figure while it is switched on.
  for (const TRect r : {TRect{0, 0, 1, 1}, TRect{2, 0, 3, 1}, TRect{1, 0, 2, 1}}) {
    TAreaRecord a;
    a.SetRect(r);
    w.FMarkers.FAreas.push_back(a);
  }
  w.ResSwitch->trigger();
  EXPECT_EQ(w.ResSwitch->text(), "Off");
  // T1 = 35 (average of 10, 20, 50, 60), T2 = 55, T3 = 70: (70 - 55) / (35 - 55).
  EXPECT_EQ(w.FMeasure.FResolutionText, "Res:-0.75");
  w.ChangeDTV(false);
  EXPECT_EQ(w.FMeasure.FResolutionText, "Res:-0.75") << "drawn again with every view update";

  // Without an area the real-temperature entry does not open.
  w.FMarkers.FCurrentArea.SetRect(TRect{});
  w.RealTemperatureActionExecute();
  EXPECT_TRUE(w.FixedLevel2Panel->isHidden());
}

TEST_F(MeasureWindow, AreasRestoredFromASidecarAreMeasured) {
  TCalidarix &w = Start();
  test::TempDir dir;
  TDTV image;
  image.ResetHeader();
  image.FHeader.Width = 4;
  image.FHeader.Height = 3;
  image.FHeader.Scale = 0.5f;
  image.FRaw = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const QString path = test::QPath(dir.file("wall.dtv"));
  ASSERT_TRUE(image.SaveDTV(path));
  test::WriteText(dir.file("wall.dti"), "[ARRAYS]\nArraysCount=1\nA0L:=1\nA0T:=0\nA0R:=3\nA0B:=2\n");
  CurrentDTV->FFileName = path;
  ASSERT_TRUE(CurrentDTV->LoadFromFile(path, 1));
  ASSERT_TRUE(w.LoadImageSidecar());
  ASSERT_EQ(w.FMarkers.FAreas.size(), 1u);
  const TAreaRecord &a = w.FMarkers.FAreas[0];
  EXPECT_EQ(a.RawMin, 2);
  EXPECT_EQ(a.RawMax, 12);
  EXPECT_EQ(a.RawAvg, (2 + 3 + 4 + 6 + 7 + 8 + 10 + 11 + 12) / 9);
  EXPECT_EQ(a.Count, 2 * 2);
}

} // namespace
} // namespace calidarix
