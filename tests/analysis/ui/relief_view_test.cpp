// The main window's relief view and its links to the 3-D view: the "3D" button, the relief's mouse and
// timer, the snapshot of the relief, and the view updates and palette changes that reach the 3-D view.

#include "analysis/relief_render.h"
#include "analysis/ui/gl_view.h"
#include "mainwindow/ui/main_window.h"
#include "tests/mainwindow/ui/real_view_fixture.h"
#include "tests/support/key_events.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolButton>

#include <linux/input-event-codes.h>

namespace calidarix {
namespace {

class ReliefViewTest : public test::RealViewWindow {
protected:
  TCalidarix &Start() {
    CreateWindow();
    return ShowWindow();
  }
  void TearDown() override {
    glView.reset();
    GLview = nullptr;
    test::RealViewWindow::TearDown();
  }
  bool WaitFor(const std::function<bool()> &done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
  }
  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, at, window->ThreeDPB->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(window->ThreeDPB, &e);
  }
  // With CALIDARIX_SCREENSHOTS naming a folder, the window as the user sees it is kept there.
  void Screenshot(QWidget *widget, const char *name) {
    const QString folder = qEnvironmentVariable("CALIDARIX_SCREENSHOTS");
    if (folder.isEmpty())
      return;
    QApplication::processEvents();
    widget->grab().save(QDir(folder).filePath(QString::fromLatin1(name) + ".png"));
  }
  std::unique_ptr<TGLview> glView;
};

TEST_F(ReliefViewTest, TheButtonSwitchesBetweenTheImageAndTheRelief) {
  TCalidarix &w = Start();
  const int width = CurrentDTV->Width();
  w.View3dSB->click();
  EXPECT_TRUE(w.FRelief.FReliefView);
  EXPECT_TRUE(w.View3dSB->isChecked());
  EXPECT_TRUE(w.ThreeDPB->isVisible());
  EXPECT_FALSE(w.ImagePB->isVisible());
  EXPECT_DOUBLE_EQ(w.FRelief.FReliefScale, 460.8 / width);
  EXPECT_EQ(w.FRelief.FReliefAzimuth, 300);
  EXPECT_EQ(w.FRelief.FReliefTilt, 320);
  ASSERT_FALSE(w.ThreeDPB->Picture.isNull());
  int drawn = 0;
  const QImage &picture = w.ThreeDPB->Picture;
  for (int y = 0; y < picture.height(); y += 2)
    for (int x = 0; x < picture.width(); x += 2)
      drawn += picture.pixel(x, y) != picture.pixel(0, 0);
  EXPECT_GT(drawn, 1000) << "the relief of the demo image";
  Screenshot(&w, "relief_view");

  // A view update repaints the relief, not the image.
  const int renders = w.FRenderCount;
  w.ChangeDTV(false);
  EXPECT_EQ(w.FRenderCount, renders);

  w.View3dSB->click();
  EXPECT_FALSE(w.FRelief.FReliefView);
  EXPECT_FALSE(w.View3dSB->isChecked());
  EXPECT_FALSE(w.ThreeDPB->isVisible());
  EXPECT_TRUE(w.ImagePB->isVisible());
  // The menu item does the same as the button.
  w.findChild<QAction *>(QStringLiteral("N3DMode1"))->trigger();
  EXPECT_TRUE(w.FRelief.FReliefView);
  EXPECT_TRUE(w.View3dSB->isChecked());
}

TEST_F(ReliefViewTest, TheMouseTurnsAndScalesTheRelief) {
  TCalidarix &w = Start();
  w.View3DSBClick(false);
  const QImage before = w.ThreeDPB->Picture;
  Mouse(QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton, Qt::LeftButton);
  Mouse(QEvent::MouseMove, QPoint(130, 90), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(w.FRelief.FReliefAzimuth, 330);
  EXPECT_EQ(w.FRelief.FReliefTilt, 310);
  EXPECT_NE(w.ThreeDPB->Picture, before);
  Mouse(QEvent::MouseButtonRelease, QPoint(130, 90), Qt::LeftButton, Qt::NoButton);

  const double scale = w.FRelief.FReliefScale;
  Mouse(QEvent::MouseButtonPress, QPoint(100, 100), Qt::RightButton, Qt::RightButton);
  Mouse(QEvent::MouseMove, QPoint(150, 100), Qt::NoButton, Qt::RightButton);
  EXPECT_NEAR(w.FRelief.FReliefScale, scale + 0.5, 0.011);
  EXPECT_EQ(w.FRelief.FReliefDepth, 256);
}

TEST_F(ReliefViewTest, TheTimerTurnsTheReliefUntilTheImageReturns) {
  TCalidarix &w = Start();
  w.View3DSBClick(false);
  const int azimuth = w.FRelief.FReliefAzimuth;
  w.StartReliefRotation(true);
  EXPECT_TRUE(WaitFor([&] { return w.FRelief.FReliefAzimuth >= azimuth + 2; }));
  w.View3DSBClick(false);
  EXPECT_FALSE(w.Timer3D->isActive());
  // A timer started while the image is shown stops itself at its first tick.
  w.StartReliefRotation(false);
  EXPECT_TRUE(WaitFor([&] { return !w.Timer3D->isActive(); }));
}

TEST_F(ReliefViewTest, AltRightTurnsTheReliefOneWayAndAltLeftTheOther) {
  TCalidarix &w = Start();
  w.View3DSBClick(false);
  struct Case {
    int key;
    int linuxCode;
    int step; // degrees per tick of the turn
  };
  for (const Case c : {Case{Qt::Key_Right, KEY_RIGHT, +1}, Case{Qt::Key_Left, KEY_LEFT, -1},
                       Case{Qt::Key_Right, KEY_RIGHT, +1}}) {
    SCOPED_TRACE(c.step > 0 ? "Alt+Right" : "Alt+Left");
    test::PressKeyWithCode(w, c.key, c.linuxCode, Qt::AltModifier);
    ASSERT_TRUE(w.Timer3D->isActive()) << "the key starts the turn";
    // The ticks of the timer, counted here rather than waited for.
    w.Timer3D->stop();
    const int azimuth = w.FRelief.FReliefAzimuth;
    for (int tick = 0; tick < 19; ++tick)
      w.Timer3DTimer();
    EXPECT_EQ(w.FRelief.FReliefAzimuth, (azimuth + 19 * c.step + 360) % 360);
  }
}

TEST_F(ReliefViewTest, TheSnapshotShowsTheRelief) {
  TCalidarix &w = Start();
  w.BMPLook = 0; // the picture alone
  const QImage image = w.BuildSnapshot();
  w.View3DSBClick(false);
  const QImage relief = w.BuildSnapshot();
  ASSERT_EQ(relief.size(), image.size());
  EXPECT_NE(relief, image);
  QImage expected(relief.size(), QImage::Format_RGB32);
  expected.fill(Qt::white);
  {
    QPainter painter(&expected);
    w.ThreeDPBPaintTo(painter, TRect{0, 0, expected.width(), expected.height()});
  }
  EXPECT_EQ(relief, expected);
}

TEST_F(ReliefViewTest, CtrlShowsTheThreeDViewAndViewUpdatesReachIt) {
  TCalidarix &w = Start();
  glView = std::make_unique<TGLview>();
  GLview = glView.get();
  w.View3DSBClick(true);
  ASSERT_TRUE(glView->isVisible());
  EXPECT_FALSE(glView->FBoxMode);
  EXPECT_TRUE(glView->Action(TViewAction::aDynamic)->isChecked());
  EXPECT_FALSE(w.FRelief.FReliefView) << "the relief is not touched";
  EXPECT_EQ(glView->State.MeshCols, CurrentDTV->Width() / glView->State.SampleStep.X);
  ASSERT_TRUE(WaitFor([&] { return glView->GLReady(); }));
  Screenshot(glView.get(), "gl_view_demo");

  const std::uint64_t generation = glView->State.MeshGeneration;
  w.ChangeDTV(false);
  EXPECT_GT(glView->State.MeshGeneration, generation);

  // A palette change recolours the mesh.
  const TTexel before = glView->State.MeshColors[glView->State.MeshColors.size() / 2];
  w.PalChange(PalNumber == 2 ? 5 : 2);
  const TTexel after = glView->State.MeshColors[glView->State.MeshColors.size() / 2];
  EXPECT_TRUE(before.R != after.R || before.G != after.G || before.B != after.B);

  // The GL menu's surface entry shows the view; its box entry turns it into the box and back.
  glView->hide();
  w.findChild<QAction *>(QStringLiteral("SurfaceMode"))->trigger();
  EXPECT_TRUE(glView->isVisible());
  w.findChild<QAction *>(QStringLiteral("BoxMode"))->trigger();
  EXPECT_TRUE(glView->FBoxMode);
  w.findChild<QAction *>(QStringLiteral("SurfaceMode"))->trigger();
  EXPECT_FALSE(glView->FBoxMode);
  EXPECT_EQ(glView->State.MeshCols, CurrentDTV->Width() / glView->State.SampleStep.X);
  EXPECT_FALSE(w.FStatusNotice.contains(QStringLiteral("not available")));
}

} // namespace
} // namespace calidarix
