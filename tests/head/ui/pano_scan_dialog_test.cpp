// The panorama-by-frames dialog: its keys and images, the labels and estimate, the net it draws, and
// the go-to of a chosen cell with the simulated head.

#include "acquisition/camera_state.h"
#include "head/ui/pano_scan_dialog.h"
#include "mainwindow/ui/paint_boxes.h"
#include "tests/head/head_sim_fixture.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

void Key(QWidget &w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(&w, &press);
}

void Click(TPaintBox &box, int x, int y) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(x, y), box.mapToGlobal(QPointF(x, y)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&box, &press);
}

void Geometry(TPanoScanDialog &d) {
  d.FHorStepAngle = 10.0;
  d.FVerStepAngle = 12.0;
  d.FHorFov = 20.0;
  d.FVerFov = 18.0;
}

TEST(PanoScanDialog, KeysAndImagesChangeThePlanAndItsTexts) {
  TPanoScanDialog d;
  Geometry(d);
  d.FSumCount = 5;
  d.show();
  QApplication::processEvents();
  EXPECT_EQ(d.windowTitle(), "Panning settings");
  EXPECT_EQ(d.FSumCount, 1); // every show starts without summation
  EXPECT_EQ(d.SumLabel->text(), "NoSum");
  EXPECT_EQ(d.SpeedLabel->text(), "Standard Speed");
  EXPECT_EQ(d.HorizontalLabel->text(), QString::fromUtf8("Horizontal: 3 - 40 °"));
  EXPECT_TRUE(d.Comments->text().contains("Panning will take about 00:01:08"));

  Key(d, Qt::Key_Up);
  EXPECT_EQ(d.FRows, 4);
  EXPECT_EQ(d.VerticalLabel->text(), QString::fromUtf8("Vertical:\n4 - 54 °"));
  Key(d, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_TRUE(d.FHalfRowShift);
  Key(d, Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_FALSE(d.FHalfRowShift);
  Key(d, Qt::Key_Left);
  EXPECT_EQ(d.FCols, 2);
  Key(d, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(d.FSumCount, 2);
  EXPECT_EQ(d.SumLabel->text(), "Sum 2 frames");
  Key(d, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(d.SumLabel->text(), "No Sum");
  Key(d, Qt::Key_F9);
  EXPECT_EQ(d.FSpeed, 3);
  EXPECT_EQ(d.SpeedLabel->text(), "Fast Speed");
  Key(d, Qt::Key_F11);
  EXPECT_EQ(d.SpeedLabel->text(), "Slow Speed");

  // The speed images down to the thermo profile: one column, and the column images go grey.
  d.Images[6]->click();
  EXPECT_EQ(d.FSpeed, 0);
  EXPECT_EQ(d.SpeedLabel->text(), "Thermoprofile");
  EXPECT_EQ(d.FCols, 1);
  EXPECT_FALSE(d.Images[0]->isEnabled());
  EXPECT_FALSE(d.SumLabel->isEnabled());
  d.Images[7]->click();
  EXPECT_TRUE(d.Images[0]->isEnabled());
  d.Images[0]->click();
  EXPECT_EQ(d.FCols, 2);
  d.Images[8]->click();
  EXPECT_EQ(d.FRows, 5);

  // Alt alone changes nothing; Esc cancels.
  Key(d, Qt::Key_Alt);
  EXPECT_TRUE(d.isVisible());
  Key(d, Qt::Key_Escape);
  EXPECT_EQ(d.result(), QDialog::Rejected);
  EXPECT_FALSE(d.isVisible());
}

TEST(PanoScanDialog, RequestsReachTheCameraOnlyWhileItScans) {
  CurrentDTV = std::make_unique<TDTV>();
  TPanoScanDialog d;
  Geometry(d);
  d.show();
  Key(d, Qt::Key_F10);
  EXPECT_EQ(ScanRequests.PendingSpeed.Get(), kNoRequest);
  Key(d, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(CurrentDTV->SumCount, 0);
  ScanRequests.ScanRunning.Set(true);
  Key(d, Qt::Key_F11);
  EXPECT_EQ(ScanRequests.PendingSpeed.Get(), 1);
  Key(d, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(CurrentDTV->SumCount, 3);
  ScanRequests.FilmRecording.Set(true);
  Key(d, Qt::Key_F9);
  EXPECT_EQ(ScanRequests.PendingSpeed.Get(), 1); // not while a film is recorded
  Key(d, Qt::Key_Return);
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(CurrentDTV->SumCount, 3);
  ResetCameraState();
  ResetThermogramGlobals();
}

TEST(PanoScanDialog, NetShowsGridHeadCellAndLines) {
  TPanoScanDialog d;
  Geometry(d);
  d.show();
  QApplication::processEvents();
  const QImage net = d.NetPB->Picture;
  ASSERT_EQ(net.size(), QSize(400, 220));
  // Cells of 20 x 20: the grid covers columns 8..10 and rows 5..7; the head at home is cell (10, 8);
  // the horizon runs through the middle of row 7 and the centre line through column 9.
  EXPECT_EQ(net.pixelColor(165, 105), QColor(0, 0, 255));
  EXPECT_EQ(net.pixelColor(205, 165), QColor(0, 255, 0));
  EXPECT_EQ(net.pixelColor(50, 150), QColor(255, 0, 0));
  EXPECT_EQ(net.pixelColor(190, 30), QColor(255, 0, 0));
  EXPECT_EQ(net.pixelColor(60, 30), QColor(128, 128, 128));
  EXPECT_EQ(net.pixelColor(50, 30), QColor(255, 255, 255));

  // A click chooses a cell; without a head the go-to says why.
  Click(*d.NetPB, 45, 25);
  EXPECT_EQ(d.FGotoCell, (TPoint{2, 1}));
  EXPECT_TRUE(d.GotoPanel->isVisible());
  EXPECT_EQ(d.NetPB->Picture.pixelColor(50, 30), QColor(255, 0, 0));
  d.GotoPanel->click();
  EXPECT_FALSE(d.FGoingTo);
  EXPECT_TRUE(d.NoticeLabel->text().contains("no head"));
  d.CancelPanel->click();
  EXPECT_FALSE(d.GotoPanel->isVisible());
}

class PanoScanDialogHead : public test::HeadSimFixture {};

TEST_F(PanoScanDialogHead, GotoDrivesTheHeadToTheCellAndCancelStopsIt) {
  StartHead('M');
  link->FProcessMessages = [] { QCoreApplication::processEvents(); };
  ASSERT_TRUE(link->Connect());
  Settle();
  QorHead = std::move(link);
  TPanoScanDialog d;
  Geometry(d);
  d.FHorStep = 20;
  d.FVerStep = 10;
  d.show();
  QApplication::processEvents();
  EXPECT_EQ(d.FHeadCell, (TPoint{9, 7}));

  // Cell (11, 5): two columns right of home and two rows up.
  Click(*d.NetPB, 225, 105);
  ASSERT_EQ(d.FGotoCell, (TPoint{11, 5}));
  d.GotoPanel->click();
  EXPECT_TRUE(d.FGoingTo);
  const QDeadlineTimer deadline(10000);
  while (d.FGoingTo && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_FALSE(d.FGoingTo);
  EXPECT_EQ(head->HorCounter(), 40 * 256);
  EXPECT_EQ(head->VerCounter(), 20 * 256);
  EXPECT_EQ(d.FHeadCell, (TPoint{11, 5}));
  EXPECT_EQ(d.FGotoCell, (TPoint{-1, -1}));
  EXPECT_FALSE(d.GotoPanel->isVisible());

  // A go-to cancelled on its way stops the head.
  head->SetMoveMs(5000);
  Click(*d.NetPB, 25, 205);
  d.GotoPanel->click();
  ASSERT_TRUE(d.FGoingTo);
  head->ClearCommands();
  d.CancelPanel->click();
  EXPECT_FALSE(d.FGoingTo);
  EXPECT_TRUE(head->WaitForCommand("$Stoppp", 1000));
  EXPECT_TRUE(head->WaitForCommand("$TASett", 1000));
  EXPECT_FALSE(d.GoingToTimer->isActive());
}

} // namespace
} // namespace calidarix
