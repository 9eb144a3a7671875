#include "acquisition/ui/calibr_form.h"

#include "acquisition/camera_ini.h"
#include "acquisition/camera_state.h"
#include "tests/sim/usb_camera_simulator.h"
#include "tests/support/test_support.h"

#include "tests/acquisition/ui/typing.h"
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTabBar>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace calidarix {
namespace {

constexpr double kA = 6.0e7;
constexpr double kB = 3000.0;
constexpr double kOffset = 1000.0;

// The net signal the test curve gives for a temperature.
double NetFor(double t) {
  return kA * std::exp(-kB / (t - static_cast<double>(AbsoluteZero)));
}

class CalibrFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetCameraState();
    ResetCalibrationCurve();
    form = std::make_unique<TCalibrForm>();
    form->ShowError = [this](const QString &text) { errors << text; };
    form->Ask = [](const QString &) { return true; };
    form->FOffsetKeyPauseMs = 0;
  }
  void TearDown() override {
    form.reset();
    ResetCameraState();
    ResetCalibrationCurve();
  }

  // Points on the test curve at the given temperatures, offset kOffset.
  void SetPoints(const std::vector<double> &temperatures) {
    CalibrExpA = kA;
    CalibrExpB = kB;
    CalibrSignal0 = kOffset;
    TCalibrationTable &t = form->FTable;
    t.Resize(static_cast<std::int32_t>(temperatures.size()));
    for (std::size_t i = 0; i < temperatures.size(); ++i) {
      TCalibrPoint &p = t.FCalibrPoints[i + 1];
      p.Temperature = temperatures[i];
      p.RawSignal = static_cast<std::int32_t>(std::lround(NetFor(temperatures[i]) + kOffset));
      p.BodyTemperature = 21.5;
    }
    RecomputeNetSignals(t);
    form->UpDateAll();
  }

  QString GridText(int row, int column) const {
    const QTableWidgetItem *item = form->CalibrSG->item(row, column);
    return item ? item->text() : QString();
  }

  // Types `text` into the open editor of a list or the grid and presses Enter.
  static void TypeIntoEditor(QAbstractItemView *view, const QString &text, bool clear = true) {
    auto *editor = qobject_cast<QLineEdit *>(view->indexWidget(view->currentIndex()));
    ASSERT_NE(editor, nullptr);
    if (clear)
      editor->clear();
    test::TypeText(editor, text);
    test::TypeKey(editor, Qt::Key_Return);
    QApplication::processEvents();
  }

  void EditListValue(TFormGrid *list, int row, const QString &text) {
    list->setCurrentCell(row, 1);
    list->editItem(list->item(row, 1));
    TypeIntoEditor(list, text);
  }

  std::unique_ptr<TCalibrForm> form;
  QStringList errors;
};

TEST_F(CalibrFormTest, EmptyTableShowsOneEmptyRowAndNoSeries) {
  EXPECT_EQ(form->windowTitle(), "Calibration");
  EXPECT_EQ(form->CalibrSG->rowCount(), 1);
  for (int c = 0; c < 6; ++c)
    EXPECT_TRUE(GridText(0, c).isEmpty());
  EXPECT_TRUE(form->CalChart->CurveSeries.empty());
  EXPECT_TRUE(form->CalChart->PointSeries.empty());
  EXPECT_EQ(form->CalibrSG->horizontalHeaderItem(3)->text(), QStringLiteral("T°C"));
  EXPECT_FALSE(form->CalibrSaveBB->isEnabled());
  EXPECT_FALSE(form->CalibrLoadBB->isEnabled());
  EXPECT_TRUE(form->AutoSaveCB->isChecked());
  // The offset keys and Delete do nothing without points.
  const double before = CalibrSignal0;
  form->findChild<QAction *>(QStringLiteral("AltUp"))->trigger();
  form->DeleteSelectedPoint();
  EXPECT_EQ(CalibrSignal0, before);
  EXPECT_EQ(form->FTable.FPointCount, 0);
}

TEST_F(CalibrFormTest, TwelvePointsFillGridListsAndChart) {
  std::vector<double> temps;
  for (int i = 0; i < 12; ++i)
    temps.push_back(20.0 + 5.0 * i);
  SetPoints(temps);
  ASSERT_EQ(form->CalibrSG->rowCount(), 12);
  const QStringList numbers = {"01", "02", "03", "04", "05", "06", "07", "08", "09", "0A", "0B", "0C"};
  for (int r = 0; r < 12; ++r)
    EXPECT_EQ(GridText(r, 0), numbers[r]);
  const TCalibrPoint &first = form->FTable.FCalibrPoints[1];
  EXPECT_EQ(GridText(0, 1), QString::number(first.RawSignal));
  EXPECT_EQ(GridText(0, 3), "20.00");
  EXPECT_EQ(GridText(11, 3), "75.00");
  EXPECT_EQ(GridText(0, 5), "21.50");
  // The refit curve passes (almost) through points taken from a curve of that form.
  EXPECT_NEAR(GridText(5, 4).toDouble(), 45.0, 0.05);
  // The temperatures run from blue to red.
  EXPECT_EQ(form->CalibrSG->item(0, 3)->foreground().color(), QColor(21, 0, 255));
  EXPECT_EQ(form->CalibrSG->item(11, 3)->foreground().color(), QColor(255, 0, 21));

  EXPECT_EQ(form->ExpLE->item(0, 0)->text(), "Amplification");
  EXPECT_EQ(form->ExpLE->item(1, 1)->text(), "1000.0");
  EXPECT_NEAR(form->ExpLE->item(3, 1)->text().toDouble(), kB, 5.0);
  EXPECT_EQ(form->ParamsLE->item(3, 0)->text(), "Width");

  // Curve from round(20 - 10) to round(75 + 10), one point per degree; the points as measured.
  ASSERT_EQ(form->CalChart->CurveSeries.size(), 76u);
  EXPECT_EQ(form->CalChart->CurveSeries.front().x(), 10.0);
  EXPECT_EQ(form->CalChart->CurveSeries.back().x(), 85.0);
  EXPECT_DOUBLE_EQ(form->CalChart->CurveSeries.front().y(), CalibrTemperatureToSignal(10.0));
  ASSERT_EQ(form->CalChart->PointSeries.size(), 12u);
  EXPECT_EQ(form->CalChart->PointSeries[3], QPointF(35.0, form->FTable.FCalibrPoints[4].NetSignal));

  EXPECT_EQ(form->ChartSB->maximum(), first.RawSignal - 1);
  EXPECT_EQ(form->ChartSB->value(), 1000);
}

// Pixels of the chart in pure red and in pure blue.
std::pair<int, int> RedAndBluePixels(const QImage &image) {
  int red = 0;
  int blue = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
      blue += c.blue() > 200 && c.red() < 60 && c.green() < 60;
    }
  return {red, blue};
}

TEST_F(CalibrFormTest, ChartDrawsTheCurveInRedAndThePointsInBlue) {
  form->show();
  QApplication::processEvents();
  EXPECT_EQ(RedAndBluePixels(form->CalChart->grab().toImage()), std::make_pair(0, 0));
  SetPoints({20.0, 35.0, 50.0, 65.0, 80.0});
  QApplication::processEvents();
  const auto [red, blue] = RedAndBluePixels(form->CalChart->grab().toImage());
  EXPECT_GT(red, 100);
  EXPECT_GT(blue, 20);
  if (const char *folder = std::getenv("CALIDARIX_SCREENSHOT_DIR"))
    form->grab().save(QString::fromLocal8Bit(folder) + QStringLiteral("/calibr_form.png"));
}

TEST_F(CalibrFormTest, EditingATemperatureToAnotherRowsDeletesThatRowAndRefits) {
  SetPoints({20.0, 30.0, 40.0, 50.0, 60.0});
  form->show();
  CalibrExpA = 1.0; // spoiled, so that only a refit brings it back
  form->BeginTemperatureEdit(2);
  ASSERT_TRUE(form->CalibrSG->Editing());
  EXPECT_EQ(form->CalibrSG->currentColumn(), 3);
  TypeIntoEditor(form->CalibrSG, "50");
  EXPECT_FALSE(form->CalibrSG->Editing());
  ASSERT_EQ(form->FTable.FPointCount, 4);
  EXPECT_EQ(form->FTable.FCalibrPoints[2].Temperature, 50.0);
  EXPECT_EQ(form->FTable.FCalibrPoints[3].Temperature, 40.0);
  EXPECT_EQ(form->FTable.FCalibrPoints[4].Temperature, 60.0);
  EXPECT_EQ(form->CalibrSG->rowCount(), 4);
  EXPECT_GT(CalibrExpA, 1000.0);
  EXPECT_EQ(form->CalibrSG->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_TRUE(errors.isEmpty());
}

TEST_F(CalibrFormTest, ATemperatureThatIsNoNumberIsToldAndChangesNothing) {
  SetPoints({20.0, 30.0, 40.0});
  form->show();
  form->BeginTemperatureEdit(3);
  TypeIntoEditor(form->CalibrSG, "4o");
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains("4o"));
  EXPECT_EQ(form->FTable.FPointCount, 3);
  EXPECT_EQ(form->FTable.FCalibrPoints[3].Temperature, 40.0);
  EXPECT_EQ(GridText(2, 3), "40.00");
}

TEST_F(CalibrFormTest, EscapeInTheEditorRestoresTheCellAndDeleteRemovesTheRow) {
  SetPoints({20.0, 30.0, 40.0});
  form->show();
  form->BeginTemperatureEdit(2);
  auto *editor = qobject_cast<QLineEdit *>(form->CalibrSG->indexWidget(form->CalibrSG->currentIndex()));
  ASSERT_NE(editor, nullptr);
  editor->setText("99");
  test::TypeKey(editor, Qt::Key_Escape);
  EXPECT_EQ(GridText(1, 3), "30.00");
  EXPECT_EQ(form->FTable.FCalibrPoints[2].Temperature, 30.0);
  EXPECT_TRUE(form->isVisible()); // Escape in the editor does not close the window

  form->CalibrSG->setCurrentCell(1, 0);
  test::TypeKey(form->CalibrSG, Qt::Key_Delete);
  ASSERT_EQ(form->FTable.FPointCount, 2);
  EXPECT_EQ(form->FTable.FCalibrPoints[2].Temperature, 40.0);
}

// Stand-ins for the offset bar's maximum and the maximum - 1, which depend on the first point.
constexpr double kBarMax = 1e9;
constexpr double kBarMaxLessOne = kBarMax - 1.0;

struct OffsetCase {
  const char *action;
  double start; // CalibrSignal0 before
  double expected;
};

TEST_F(CalibrFormTest, OffsetKeys) {
  const OffsetCase cases[] = {
      {"CtrlAltUp", kBarMaxLessOne, 1.0},
      {"AltUp", kBarMaxLessOne, kBarMax},
      {"AltUp", 1000, 1100},
      {"CtrlAltUp", 1000, 1001},
      {"AltDown", 1000, 900},
      {"CtrlAltDown", 1000, 999},
      {"AltDown", -2450, -2500},
      {"CtrlAltDown", -2499, -2500},
  };
  for (const OffsetCase &c : cases) {
    SCOPED_TRACE(std::string(c.action) + " from " + std::to_string(c.start));
    SetPoints({20.0, 30.0, 40.0});
    const int max = form->ChartSB->maximum();
    const auto onBar = [max](double v) { return v == kBarMax ? max : v == kBarMaxLessOne ? max - 1.0 : v; };
    CalibrSignal0 = onBar(c.start);
    RecomputeNetSignals(form->FTable);
    form->UpDateAll();
    form->findChild<QAction *>(QString::fromLatin1(c.action))->trigger();
    const double expected = onBar(c.expected);
    EXPECT_EQ(CalibrSignal0, expected);
    EXPECT_EQ(form->ChartSB->value(), static_cast<int>(expected));
    EXPECT_EQ(form->FTable.FCalibrPoints[1].NetSignal, form->FTable.FCalibrPoints[1].RawSignal - expected);
  }
  EXPECT_EQ(form->findChild<QAction *>(QStringLiteral("CtrlAltUp"))->shortcut(),
            QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Up));
  EXPECT_EQ(form->findChild<QAction *>(QStringLiteral("AltDown"))->shortcut(),
            QKeySequence(Qt::ALT | Qt::Key_Down));
}

TEST_F(CalibrFormTest, MovingTheOffsetBarByHandMovesTheCurveOffset) {
  SetPoints({20.0, 30.0, 40.0});
  form->ChartSB->setValue(500);
  EXPECT_EQ(CalibrSignal0, 500.0);
  EXPECT_EQ(form->FTable.FCalibrPoints[2].NetSignal, form->FTable.FCalibrPoints[2].RawSignal - 500.0);
  EXPECT_EQ(form->ExpLE->item(1, 1)->text(), "500.0");
}

TEST_F(CalibrFormTest, CurveListTakesDigitsOnlyAndFeedsTheShownSet) {
  form->show();
  EditListValue(form->ExpLE, 1, "2.5");
  EXPECT_EQ(CalibrSignal0, 25.0);
  EXPECT_EQ(ScanUnit.Signal0, 25.0);         // set 0's own value
  EXPECT_EQ(ScanUnit.CurBand1Signal0, 25.0); // set 0 is the one in use (range 0, band 0)
  EXPECT_EQ(form->ExpLE->item(1, 1)->text(), "25.0");

  EditListValue(form->ExpLE, 0, "300");
  ASSERT_EQ(errors.size(), 1);
  EXPECT_EQ(CalibrAmplification, 0);
  EXPECT_EQ(form->ExpLE->item(0, 1)->text(), "0");
}

struct ParamCase {
  int row;
  const char *text;
  bool accepted;
};

TEST_F(CalibrFormTest, ParameterListRefusesWhatTheCameraCannotTake) {
  form->show();
  const ParamCase cases[] = {{3, "0", false},    {3, "9000", false}, {4, "0", false},   {5, "70000", false},
                             {5, "-1", false},   {6, "warm", false}, {0, "12x", false}, {3, "8192", true},
                             {5, "65535", true}, {6, "1.5", true}};
  for (const ParamCase &c : cases) {
    SCOPED_TRACE(std::string("row ") + std::to_string(c.row) + " = " + c.text);
    ResetCameraState();
    ScanUnit.ScanWidth = 320;
    ScanUnit.ScanHeight = 120;
    form->UpDateAll();
    errors.clear();
    const TScanUnit before = ScanUnit;
    EditListValue(form->ParamsLE, c.row, QString::fromLatin1(c.text));
    EXPECT_EQ(errors.isEmpty(), c.accepted);
    if (!c.accepted) {
      EXPECT_EQ(ScanUnit.ScanWidth, before.ScanWidth);
      EXPECT_EQ(ScanUnit.ScanHeight, before.ScanHeight);
      EXPECT_EQ(ScanUnit.Set[0], before.Set[0]);
      EXPECT_EQ(ScanUnit.TermoDelta, before.TermoDelta);
      EXPECT_EQ(ScanUnit.CameraNo, before.CameraNo);
    }
  }
  EXPECT_EQ(ScanUnit.TermoDelta, 1.5f);
}

class CalibrFormSets : public CalibrFormTest {
protected:
  void SetUp() override {
    CalibrFormTest::SetUp();
    test::WriteText(dir.file("Calidarix.ini"), "[SETUP]\nCameraNo=7\n");
    form->FIniFile = std::make_unique<IniFile>(dir.file("Calidarix.ini"));
  }
  // Stores a table with the given temperatures as set `set`.
  void StoreSet(int set, const std::vector<double> &temperatures) {
    SetPoints(temperatures);
    ASSERT_TRUE(SaveCalibrData(form->FIniFile.get(), set, ScanUnit, form->FTable));
  }
  std::vector<double> StoredTemperatures(int set) {
    TCalibrationTable table;
    LoadCalibrData(form->FIniFile.get(), set, ScanUnit, table);
    std::vector<double> t;
    for (int i = 1; i <= table.FPointCount; ++i)
      t.push_back(table.FCalibrPoints[static_cast<std::size_t>(i)].Temperature);
    return t;
  }
  test::TempDir dir;
};

TEST_F(CalibrFormSets, TabFromTheLastSetSavesItAndGoesToTheFirst) {
  StoreSet(0, {10.0, 20.0, 30.0});
  form->SelectSet(5);
  SetPoints({40.0, 50.0});
  test::TypeKey(form->CalibrSG, Qt::Key_Tab);
  EXPECT_EQ(form->ExpTC->currentIndex(), 0);
  EXPECT_EQ(form->FLoadedTab, 0);
  EXPECT_EQ(StoredTemperatures(5), (std::vector<double>{40.0, 50.0}));
  ASSERT_EQ(form->FTable.FPointCount, 3);
  EXPECT_EQ(form->FTable.FCalibrPoints[3].Temperature, 30.0);
}

TEST_F(CalibrFormSets, ClickingATabSavesTheLoadedSetAndLoadsTheOther) {
  StoreSet(2, {15.0, 25.0});
  form->SelectSet(0);
  SetPoints({60.0, 70.0, 80.0, 90.0});
  form->ExpTC->setCurrentIndex(2);
  EXPECT_EQ(form->FLoadedTab, 2);
  EXPECT_EQ(StoredTemperatures(0), (std::vector<double>{60.0, 70.0, 80.0, 90.0}));
  ASSERT_EQ(form->FTable.FPointCount, 2);
  EXPECT_EQ(GridText(1, 3), "25.00");
}

TEST_F(CalibrFormSets, ClosingWithAutoSaveSavesTheSetOfTheCurrentTab) {
  form->SelectSet(1);
  SetPoints({33.0, 44.0});
  form->show();
  form->close();
  EXPECT_EQ(StoredTemperatures(1), (std::vector<double>{33.0, 44.0}));

  form->AutoSaveCB->setChecked(false);
  SetPoints({55.0});
  form->show();
  form->close();
  EXPECT_EQ(StoredTemperatures(1), (std::vector<double>{33.0, 44.0}));
}

// The USB camera answers Read with a parameter block whose first set is A 12345678, B 2900, offset
// 1100 and amplification 100; the form shows set 0 with the file's defaults before.
class CalibrFormRead : public CalibrFormSets {
protected:
  void SetUp() override {
    usb = std::make_shared<sim::UsbCameraSimulator>();
    SetDefaultUsbBackend(usb); // before the form makes its exchange
    CalibrFormSets::SetUp();
    ScanUnit.CameraInterfaceType = CamIfUsb;
    form->FExchange.UsbSleep = [](int) {};
    std::vector<std::uint8_t> tail(250, 0);
    const std::uint8_t head[] = {0x01, 0x2C, 0x01, 0x40, 0x00, 0x78, 15, 7,  20,
                                 30,   0x09, 0xC4, 0,    0,    0,    0,  100};
    std::copy(std::begin(head), std::end(head), tail.begin());
    PutFloat(tail, 17, 12345678.0f);
    PutFloat(tail, 21, 2900.0f);
    PutFloat(tail, 25, 1100.0f);
    usb->SetParameterTail(tail);
    form->LoadSet(0);
    form->UpDateAll();
  }
  void TearDown() override {
    CalibrFormSets::TearDown();
    SetDefaultUsbBackend(nullptr);
  }
  static void PutFloat(std::vector<std::uint8_t> &block, std::size_t at, float v) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 4; ++i)
      block[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
  }
  QString CurveText(int row) const { return form->ExpLE->item(row, 1)->text(); }
  std::shared_ptr<sim::UsbCameraSimulator> usb;
};

TEST_F(CalibrFormRead, ReadPutsTheSetOnShowIntoTheCurveSoTheNextSaveKeepsIt) {
  ASSERT_EQ(CurveText(2), "40000000.0");
  form->ConnectBtn->click();
  ASSERT_TRUE(form->ReadBtn->isEnabled());
  form->ReadBtn->click();
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
  EXPECT_EQ(ScanUnit.Exp_A, 12345678.0);
  EXPECT_EQ(CurveText(0), "100");
  EXPECT_EQ(CurveText(1), "1100.0");
  EXPECT_EQ(CurveText(2), "12345678.0");
  EXPECT_EQ(CurveText(3), "2900.0");

  // Leaving the set saves the form's curve, which is now what was read.
  form->ExpTC->setCurrentIndex(1);
  EXPECT_EQ(form->FLoadedTab, 1);
  const IniFile ini(dir.file("Calidarix.ini"));
  EXPECT_EQ(ini.ReadFloat(kSetupSection, "Exp_A", 0.0), 12345678.0);
  EXPECT_EQ(ini.ReadFloat(kSetupSection, "Signal0", 0.0), 1100.0);
  EXPECT_EQ(ScanUnit.Exp_A, 12345678.0);

  // The form as the technician sees it after Read. With CALIDARIX_SCREENSHOT_DIR set, it is written
  // there as calibration_form_read.png.
  if (const QByteArray shots = qgetenv("CALIDARIX_SCREENSHOT_DIR"); !shots.isEmpty()) {
    form->ExpTC->setCurrentIndex(0);
    form->show();
    QApplication::processEvents();
    if (!form->ConnectBtn->isChecked()) // activating the form releases it
      form->ConnectBtn->click();
    form->ReadBtn->click();
    QApplication::processEvents();
    form->grab().save(QString::fromLocal8Bit(shots) + "/calibration_form_read.png");
  }
}

TEST_F(CalibrFormRead, ReadOnASecondBandSetLeavesItsCurve) {
  form->ExpTC->setCurrentIndex(4);
  const QString before = CurveText(2);
  form->ConnectBtn->click();
  form->ReadBtn->click();
  EXPECT_EQ(ScanUnit.Exp_A, 12345678.0);
  EXPECT_EQ(CurveText(2), before);
}

// Each scroll bar of the scanner and of the live values shows its position beside it; the speed bar
// runs over the camera's four speeds.
TEST_F(CalibrFormTest, ScrollBarsShowTheirPositions) {
  const std::pair<const char *, const char *> bars[] = {
      {"DelaySB", "DelayValueLabel"}, {"EdgeSB", "EdgeValueLabel"}, {"CenterSB", "CenterValueLabel"},
      {"SpeedSB", "SpeedValueLabel"}, {"ResSB", "ResValueLabel"},   {"AmpSB", "AmpValueLabel"},
      {"UK1SB", "UK1ValueLabel"},     {"UK2SB", "UK2ValueLabel"},   {"UK3SB", "UK3ValueLabel"}};
  for (const auto &[barName, labelName] : bars) {
    SCOPED_TRACE(barName);
    auto *bar = form->findChild<QScrollBar *>(QString::fromLatin1(barName));
    auto *label = form->findChild<QLabel *>(QString::fromLatin1(labelName));
    ASSERT_TRUE(bar && label);
    bar->setValue(2);
    EXPECT_EQ(label->text(), "2");
  }
  auto *speed = form->findChild<QScrollBar *>("SpeedSB");
  EXPECT_EQ(speed->minimum(), 0);
  EXPECT_EQ(speed->maximum(), 3);
  EXPECT_EQ(form->findChild<QScrollBar *>("UK3SB")->maximum(), 255);

  // Values the refresh puts into the bars show too.
  ScanUnit.Delay[0] = 40;
  ScanUnit.Center[0] = 9;
  form->UpDateAll();
  EXPECT_EQ(form->findChild<QLabel *>("DelayValueLabel")->text(), "40");
  EXPECT_EQ(form->findChild<QLabel *>("CenterValueLabel")->text(), "9");

  // Without the edge lock the Edge bar holds no value: its label is empty until the lock is back.
  form->ShowGeoCB->setChecked(true);
  auto *lockEdge = form->findChild<QCheckBox *>("LockEdgeCB");
  lockEdge->setChecked(false);
  EXPECT_TRUE(form->findChild<QLabel *>("EdgeValueLabel")->text().isEmpty());
  lockEdge->setChecked(true);
  EXPECT_EQ(form->findChild<QLabel *>("EdgeValueLabel")->text(), QString::number(form->EdgeSB->value()));
}

// At the default font every header and cell of the point grid fits its column, and no column is
// narrower than its design width.
TEST_F(CalibrFormTest, GridColumnsFitHeadersAndCells) {
  SetPoints({-40.0, 20.0, 150.0, 1234.5});
  form->FTable.FCalibrPoints[4].BodyTemperature = -123.25;
  form->UpDateAll();
  const int designWidths[] = {18, 64, 64, 48, 48, 48};
  QTableWidget *grid = form->CalibrSG;
  QAbstractItemView *view = grid;
  const QFontMetrics header(grid->horizontalHeader()->font());
  const int headerMargin =
      grid->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, grid->horizontalHeader());
  for (int c = 0; c < 6; ++c) {
    const QString caption = grid->horizontalHeaderItem(c)->text();
    SCOPED_TRACE(caption.toStdString());
    const int width = grid->columnWidth(c);
    EXPECT_GE(width, designWidths[c]);
    EXPECT_GE(width, header.horizontalAdvance(caption) + 2 * headerMargin);
    for (int r = 0; r < grid->rowCount(); ++r)
      EXPECT_GT(width, QFontMetrics(grid->item(r, c)->font()).horizontalAdvance(grid->item(r, c)->text()));
    // What the style asks for the header and the cells, margins included.
    EXPECT_GE(width, grid->horizontalHeader()->sectionSizeHint(c));
    EXPECT_GE(width, view->sizeHintForColumn(c));
  }
}

TEST_F(CalibrFormTest, CopyPutsTemperatureAndRawSignalWithDecimalCommas) {
  SetPoints({25.5, 40.0});
  form->FTable.FCalibrPoints[1].RawSignal = 3120;
  form->CopyTable();
  const QString expected =
      QStringLiteral("25,50\t3120\r40,00\t%1\r").arg(form->FTable.FCalibrPoints[2].RawSignal);
  EXPECT_EQ(QApplication::clipboard()->text(), expected);
}

TEST_F(CalibrFormTest, EmissivityAndAmbientApplyOnceAndAnEmptyAmbientChangesNothing) {
  form->AmbientClick(); // no points, "Amb." cleared: no reference temperature
  EXPECT_TRUE(form->AmbientBtn->isEnabled());

  SetPoints({20.0, 100.0});
  ScanUnit.Emissivity = 0.5;
  ScanUnit.Ambient = 25.0;
  form->EmissivityClick(false);
  EXPECT_NEAR(form->FTable.FCalibrPoints[2].Temperature, 68.6, 0.05);
  EXPECT_FALSE(form->EmissivityBtn->isEnabled());

  form->Ask = [](const QString &) { return false; };
  const double before = form->FTable.FCalibrPoints[1].RawSignal;
  form->AmbientClick();
  EXPECT_EQ(form->FTable.FCalibrPoints[1].RawSignal, before);
  EXPECT_TRUE(form->AmbientBtn->isEnabled());
}

struct CurrentSetCase {
  std::uint8_t range;
  std::uint8_t band;
  double expA; // expected CurExpA
};

TEST(SelectCurrentCalibration, CopiesTheSetOfRangeAndBandIntoBothWorkingValues) {
  const CurrentSetCase cases[] = {{0, 0, 1.0}, {2, 0, 3.0}, {0, 1, 11.0}, {1, 1, 12.0}, {2, 1, 13.0}};
  for (const CurrentSetCase &c : cases) {
    SCOPED_TRACE(std::to_string(c.range) + "/" + std::to_string(c.band));
    TScanUnit u;
    u.Exp_A = 1.0;
    u.Exp2_A = 2.0;
    u.Exp3_A = 3.0;
    u.Band2Coefficients.Exp1A = 11.0;
    u.Band2Coefficients.Exp2A = 12.0;
    u.Band2Coefficients.Exp3A = 13.0;
    u.Signal30 = 300.0;
    u.Band2Coefficients.Signal20 = 1200.0;
    u.AmplificationBand2[1] = 9;
    u.CalibrationRange = c.range;
    u.CalibrationBand = c.band;
    SelectCurrentCalibration(u);
    EXPECT_EQ(u.CurExpA, c.expA);
    EXPECT_EQ(c.band == 0 ? u.CurBand1ExpA : u.CurBand2ExpA, c.expA);
    if (c.range == 2 && c.band == 0) {
      EXPECT_EQ(u.CurSignal0, 300.0);
    }
    if (c.range == 1 && c.band == 1) {
      EXPECT_EQ(u.CurSignal0, 1200.0);
      EXPECT_EQ(u.CurAmplification, 9);
      EXPECT_EQ(u.CurAmplificationBand2, 9);
    }
  }
  TScanUnit other;
  other.CalibrationBand = 2;
  const double before = other.CurExpA;
  SelectCurrentCalibration(other);
  EXPECT_EQ(other.CurExpA, before);
}

} // namespace
} // namespace calidarix
