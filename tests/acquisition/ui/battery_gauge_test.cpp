// The battery gauges: the computer's over a fake power-supply folder, hidden and shown again with its
// level; the camera's with levels the program gives; the colours and the bar; and the two gauges on
// the main window's info panel.

#include "acquisition/ui/battery_gauge.h"
#include "tests/mainwindow/ui/real_view_fixture.h"
#include "tests/support/test_support.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace calidarix {
namespace {

namespace fs = std::filesystem;

void Battery(const fs::path &root, const std::string &capacity, const std::string &status) {
  fs::create_directories(root / "BAT0");
  test::WriteText(root / "BAT0" / "type", "Battery\n");
  test::WriteText(root / "BAT0" / "capacity", capacity + "\n");
  test::WriteText(root / "BAT0" / "status", status + "\n");
}

TEST(BatteryGauge, TheComputerGaugeIsHiddenAndShownAgainWithItsLevel) {
  test::TempDir root;
  Battery(root.path(), "0", "Discharging");
  QWidget panel;
  panel.resize(200, 40);
  panel.show();
  TBattery gauge(&panel, root.path());
  EXPECT_EQ(gauge.FBatteryCount, 1);
  EXPECT_FALSE(gauge.isVisible()); // no level read yet
  gauge.Refresh();
  EXPECT_FALSE(gauge.isVisible());

  Battery(root.path(), "40", "Discharging");
  gauge.Refresh();
  EXPECT_TRUE(gauge.isVisible());
  EXPECT_EQ(gauge.FLevel, 40);
  EXPECT_EQ(gauge.FPowerState, 2);

  const int repaints = gauge.FRepaintRequests;
  gauge.Refresh(); // nothing changed: no repaint
  EXPECT_EQ(gauge.FRepaintRequests, repaints);
  Battery(root.path(), "40", "Charging");
  gauge.Refresh();
  EXPECT_EQ(gauge.FRepaintRequests, repaints + 1);

  Battery(root.path(), "0", "Charging");
  gauge.Refresh();
  EXPECT_FALSE(gauge.isVisible());
  Battery(root.path(), "41", "Charging");
  gauge.Refresh();
  EXPECT_TRUE(gauge.isVisible());

  // Without a battery the gauge never reads and stays hidden.
  test::TempDir empty;
  TBattery none(&panel, empty.path());
  none.Refresh();
  EXPECT_EQ(none.FBatteryCount, 0);
  EXPECT_FALSE(none.isVisible());
}

TEST(BatteryGauge, TheCameraGaugeShowsLevelsFromOneToAHundred) {
  QWidget panel;
  panel.show();
  test::TempDir empty;
  TBattery gauge(&panel, empty.path());
  gauge.SetExternalLevel(true);
  for (const auto &[level, shown] :
       {std::pair{0, false}, {1, true}, {100, true}, {101, false}, {50, true}, {-3, false}}) {
    gauge.SetLevel(level);
    EXPECT_EQ(gauge.isVisible(), shown) << level;
  }
}

TEST(BatteryGauge, TheBarGoesFromRedOverYellowToGreen) {
  EXPECT_EQ(TBattery::BarColour(50), QColor(255, 255, 0));
  EXPECT_EQ(TBattery::BarColour(75), QColor(128, 255, 0));
  EXPECT_EQ(TBattery::BarColour(100), QColor(0, 255, 0));
  EXPECT_EQ(TBattery::BarColour(1), QColor(255, 5, 0));

  test::TempDir empty;
  TBattery gauge(nullptr, empty.path());
  QImage picture(78, 32, QImage::Format_RGB32);
  QPainter painter(&picture);
  gauge.SetLevel(75);
  gauge.PaintGaugeTo(painter, picture.rect());
  const QRectF bar = TBattery::BarRect(picture.rect(), 75, false);
  EXPECT_EQ(picture.pixelColor(static_cast<int>(bar.right()) - 1, static_cast<int>(bar.bottom()) - 1),
            QColor(128, 255, 0));
  gauge.SetLevel(0);
  gauge.PaintGaugeTo(painter, picture.rect());
  painter.end();
  EXPECT_EQ(picture.pixelColor(static_cast<int>(bar.right()) - 1, static_cast<int>(bar.bottom()) - 1),
            QColor(224, 224, 255));
}

class GaugesWindow : public test::RealViewWindow {};

TEST_F(GaugesWindow, TwoGaugesSitOnTheInfoPanelAndSwitchItsLayout) {
  CreateWindow();
  TCalidarix &w = ShowWindow();
  TBattery *pc = w.FPeripherals.FPCBattery;
  TBattery *camera = w.FPeripherals.FCameraBattery;
  ASSERT_TRUE(pc && camera);
  EXPECT_EQ(pc->parentWidget(), static_cast<QWidget *>(w.InfoPanel));
  EXPECT_EQ(camera->parentWidget(), static_cast<QWidget *>(w.InfoPanel));
  EXPECT_FALSE(pc->FExternalLevel);
  EXPECT_TRUE(camera->FExternalLevel);

  test::TempDir root;
  Battery(root.path(), "64", "Charging");
  pc->UsePowerSupplyFolder(root.path());
  w.RefreshTimerTimer();
  EXPECT_TRUE(pc->isVisible());
  EXPECT_EQ(pc->FLevel, 64);
  camera->SetLevel(90);
  QApplication::processEvents();
  // The strip at the bottom: both at its right end, 78 wide.
  EXPECT_EQ(pc->width(), 78);
  EXPECT_EQ(pc->height(), w.InfoPanel->height());
  EXPECT_EQ(camera->geometry().right() + 1, pc->x());
  if (const QByteArray folder = qgetenv("CALIDARIX_TEST_SCREENSHOTS"); !folder.isEmpty())
    w.grab().save(QString::fromLocal8Bit(folder) + "/batteries_strip.png");

  const bool side = w.FPanels.FInfoSideColumn;
  QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(pc, &click);
  QApplication::processEvents();
  EXPECT_NE(w.FPanels.FInfoSideColumn, side);
  // The side column: at its foot, 32 high, as wide as the column.
  EXPECT_EQ(pc->height(), 32);
  EXPECT_EQ(pc->width(), w.InfoPanel->width());
  EXPECT_EQ(pc->geometry().bottom() + 1, w.InfoPanel->height());
  if (const QByteArray folder = qgetenv("CALIDARIX_TEST_SCREENSHOTS"); !folder.isEmpty())
    w.grab().save(QString::fromLocal8Bit(folder) + "/batteries_column.png");
}

} // namespace
} // namespace calidarix
