// The calibration form's sector geometry preview in the window: shown in place of the chart, its
// bars linked both ways with the form's Edge and Center bars, and its boxes painted.

#include "acquisition/ui/calibr_geometry_panel.h"

#include "acquisition/camera_state.h"
#include "acquisition/ui/calibr_form.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QScrollBar>
#include <QSpinBox>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace calidarix {
namespace {

class CalibrGeometryPanelTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetCameraState();
    ResetCalibrationCurve();
    ScanUnit.FrameWidth = 256;
    ScanUnit.Edge[0] = 10;
    ScanUnit.Center[0] = 100;
    ScanUnit.Sectors = 8;
    form = std::make_unique<TCalibrForm>();
    form->ShowError = [](const QString &text) { ADD_FAILURE() << text.toStdString(); };
    form->Ask = [](const QString &) { return true; };
    form->UpDateScreen();
    form->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    form.reset();
    ResetCameraState();
    ResetCalibrationCurve();
  }
  void ShowGeo(bool on) {
    form->ShowGeoCB->setChecked(on);
    QApplication::processEvents();
  }
  TCalibrGeometryPanel &Geo() { return *form->GeomPanel; }

  std::unique_ptr<TCalibrForm> form;
};

TEST_F(CalibrGeometryPanelTest, ShowGeoPutsThePreviewInPlaceOfTheChartAndBack) {
  EXPECT_TRUE(form->ShowGeoCB->isEnabled());
  EXPECT_EQ(form->ShowGeoCB->text(), "ShowGeo");
  EXPECT_FALSE(form->ShowGeoCB->isChecked());
  EXPECT_FALSE(Geo().isVisible());
  EXPECT_TRUE(form->CalChart->isVisible());

  ShowGeo(true);
  EXPECT_TRUE(Geo().isVisible());
  EXPECT_TRUE(Geo().LPB->isVisible());
  EXPECT_TRUE(Geo().RPB->isVisible());
  EXPECT_TRUE(Geo().LockCenterCB->isChecked());
  EXPECT_TRUE(Geo().LockEdgeCB->isChecked());
  EXPECT_FALSE(form->CalChart->isVisible());
  EXPECT_FALSE(form->ChartSB->isVisible());
  // The bars start from the frame width and the geometry the form was created with.
  EXPECT_EQ(Geo().BLeftSB->maximum(), 128);
  EXPECT_EQ(Geo().BLeftSB->value(), 64);
  EXPECT_EQ(Geo().BRightSB->value(), 64);
  EXPECT_EQ(Geo().LeftSB->value(), 245);
  EXPECT_EQ(Geo().RightSB->value(), 245);
  EXPECT_EQ(Geo().CentSB->value(), 155);

  ShowGeo(false);
  EXPECT_FALSE(Geo().isVisible());
  EXPECT_TRUE(form->CalChart->isVisible());
  EXPECT_TRUE(form->ChartSB->isVisible());
}

TEST_F(CalibrGeometryPanelTest, PreviewBarsMoveTheLinkedBarsAndTheFormsEdgeAndCenter) {
  ShowGeo(true);
  struct Case {
    const char *bar;
    int position;
    const char *follower; // the preview bar that follows, with its position
    int followerPosition;
    int edge; // the form's bars afterwards
    int center;
  };
  const Case cases[] = {
      {"RightSB", 200, "LeftSB", 200, 55, 100},  {"LeftSB", 30, "RightSB", 30, 225, 100},
      {"CentSB", 55, "CentSB", 55, 225, 200},    {"BLeftSB", 100, "BRightSB", 28, 225, 200},
      {"BRightSB", 120, "BLeftSB", 8, 225, 200},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.bar);
    Geo().findChild<QScrollBar *>(QString::fromLatin1(c.bar))->setValue(c.position);
    QApplication::processEvents();
    EXPECT_EQ(Geo().findChild<QScrollBar *>(QString::fromLatin1(c.follower))->value(), c.followerPosition);
    EXPECT_EQ(form->EdgeSB->value(), c.edge);
    EXPECT_EQ(form->CenterSB->value(), c.center);
    EXPECT_EQ(ScanUnit.Edge[0], c.edge);
    EXPECT_EQ(ScanUnit.Center[0], c.center);
  }

  // Unlocked, the side bars go their own ways and leave the form's Edge alone (and disabled).
  Geo().LockEdgeCB->setChecked(false);
  EXPECT_FALSE(form->EdgeSB->isEnabled());
  Geo().LeftSB->setValue(100);
  EXPECT_EQ(Geo().RightSB->value(), 30);
  EXPECT_EQ(form->EdgeSB->value(), 225);
  // Hiding the preview does not leave the Edge bar held by a lock nobody can see.
  ShowGeo(false);
  EXPECT_TRUE(form->EdgeSB->isEnabled());
  ShowGeo(true);
  EXPECT_FALSE(form->EdgeSB->isEnabled());
  // Locking again brings the right bar to the left one and gives the Edge bar back.
  Geo().LockEdgeCB->setChecked(true);
  EXPECT_EQ(Geo().RightSB->value(), 100);
  EXPECT_TRUE(form->EdgeSB->isEnabled());

  // Unlocked, the bottom bars too.
  Geo().LockCenterCB->setChecked(false);
  Geo().BLeftSB->setValue(50);
  EXPECT_EQ(Geo().BRightSB->value(), 120);
  Geo().LockCenterCB->setChecked(true);
  EXPECT_EQ(Geo().BRightSB->value(), 78);
}

TEST_F(CalibrGeometryPanelTest, FormBarsMoveThePreviewOnlyWhileShownAndLocked) {
  // Hidden: the preview keeps its bars.
  form->EdgeSB->setValue(40);
  form->CenterSB->setValue(60);
  EXPECT_EQ(Geo().LeftSB->value(), 245);
  EXPECT_EQ(Geo().CentSB->value(), 155);

  ShowGeo(true);
  form->EdgeSB->setValue(50);
  form->CenterSB->setValue(70);
  EXPECT_EQ(Geo().LeftSB->value(), 205);
  EXPECT_EQ(Geo().RightSB->value(), 205);
  EXPECT_EQ(Geo().CentSB->value(), 185);
  EXPECT_EQ(ScanUnit.Edge[0], 50);

  // Without the edge lock neither bar follows.
  Geo().LockEdgeCB->setChecked(false);
  form->EdgeSB->setValue(90);
  form->CenterSB->setValue(90);
  EXPECT_EQ(Geo().LeftSB->value(), 205);
  EXPECT_EQ(Geo().CentSB->value(), 185);
}

// Pixels in the preview's grey (0x808080) and in pure red.
std::pair<int, int> GreyAndRedPixels(const QImage &image) {
  int grey = 0;
  int red = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      grey += c.red() == 0x80 && c.green() == 0x80 && c.blue() == 0x80;
      red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
    }
  return {grey, red};
}

TEST_F(CalibrGeometryPanelTest, BoxesShowTheSectorLinesGreyAndTheMirrorPathRed) {
  ShowGeo(true);
  for (TGeometryBox *box : {Geo().LPB, Geo().RPB}) {
    SCOPED_TRACE(box->objectName().toStdString());
    ASSERT_GT(box->height(), 40);
    const auto [grey, red] = GreyAndRedPixels(box->grab().toImage());
    // Eight sectors: five boundaries in a box (one may lie on its outer border), each the box's
    // height less the pixels where the red path crosses it.
    EXPECT_GE(grey, 4 * (box->height() - 3));
    EXPECT_GT(red, box->width() / 2);
  }
  if (const char *folder = std::getenv("CALIDARIX_SCREENSHOT_DIR"))
    form->grab().save(QString::fromLocal8Bit(folder) + QStringLiteral("/calibr_form_geometry.png"));

  // Fewer sectors, fewer lines; none below two sectors, while the path stays.
  const int eight = GreyAndRedPixels(Geo().LPB->grab().toImage()).first;
  form->SectorsSE->setValue(4);
  EXPECT_LT(GreyAndRedPixels(Geo().LPB->grab().toImage()).first, eight);
  Geo().SetSectors(1);
  const auto [grey, red] = GreyAndRedPixels(Geo().LPB->grab().toImage());
  EXPECT_EQ(grey, 0);
  EXPECT_GT(red, 0);
}

} // namespace
} // namespace calidarix
