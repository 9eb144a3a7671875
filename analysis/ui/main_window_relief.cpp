// The software relief view in the main window: switching between the image and the relief, painting it
// for the screen and the snapshot, turning and scaling it with the mouse, and its automatic turn.

#include "analysis/relief_render.h"
#include "analysis/ui/gl_view.h"
#include "mainwindow/ui/main_window.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QGuiApplication>
#include <QPainter>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>

namespace calidarix {

void TCalidarix::View3DSBClick() {
  View3DSBClick(QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier));
}

void TCalidarix::View3DSBClick(bool ctrlHeld) {
  if (ctrlHeld) {
    // Ctrl: the OpenGL view of the same thermogram, turning; the relief stays as it is.
    if (View3dSB->isChecked())
      View3dSB->setChecked(false);
    SurfaceModeClick();
    if (GLview && GLview->isVisible())
      GLview->Action(TViewAction::aDynamic)->setChecked(true);
    return;
  }
  if (!FRelief.FReliefView) {
    View3dSB->setChecked(true);
    FRelief.FReliefView = true;
    if (CurrentDTV)
      ReliefFirstUse(FRelief, CurrentDTV->Width());
    ImagePB->hide();
    ThreeDPB->show();
    ThreeDPBPaint();
    return;
  }
  View3dSB->setChecked(false);
  FRelief.FReliefView = false;
  Timer3D->stop();
  ThreeDPB->hide();
  ImagePB->show();
  FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, true);
  ImagePBPaint(this);
}

void TCalidarix::ThreeDPBPaint() {
  if (FRelief.FReliefPainting || !ThreeDPB)
    return;
  FRelief.FReliefPainting = true;
  const auto release = qScopeGuard([this] { FRelief.FReliefPainting = false; });
  if (!FRelief.FReliefView)
    return;
  QImage picture = ThreeDPB->NewPicture();
  {
    QPainter painter(&picture);
    ThreeDPBPaintTo(painter, TRect{0, 0, ThreeDPB->width(), ThreeDPB->height()});
  }
  ThreeDPB->Picture = picture;
  ThreeDPB->update();
}

void TCalidarix::ThreeDPBPaintTo(QPainter &painter, const TRect &r) {
  if (!CurrentDTV)
    return;
  FRelief.FReliefOutline = false;
  FRelief.FReliefFilled = true;
  const TReliefCanvas canvas = RenderRelief(*CurrentDTV, ReliefParamsOf(FRelief));
  FRelief.FReliefBitmap = ReliefPicture(canvas, *CurrentDTV);
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), FRelief.FReliefBitmap);
  painter.restore();
}

void TCalidarix::ThreeDPBMouseDown(Qt::MouseButton button, int x, int y) {
  if (!FRelief.FReliefView)
    return;
  if (button == Qt::LeftButton)
    ReliefMouseDown(FRelief, TMouseButton::Left, x, y);
  else if (button == Qt::RightButton)
    ReliefMouseDown(FRelief, TMouseButton::Right, x, y);
}

void TCalidarix::ThreeDPBMouseMove(Qt::MouseButtons buttons, int x, int y) {
  if (!FRelief.FReliefView)
    return;
  const bool left = buttons.testFlag(Qt::LeftButton);
  const bool right = buttons.testFlag(Qt::RightButton);
  if (!ReliefMouseMove(FRelief, left, right, x, y))
    return;
  ThreeDPBPaint();
  if (!left)
    return;
  // The angles being set, over the relief in the box's font.
  QPainter painter(&ThreeDPB->Picture);
  painter.setFont(ThreeDPB->font());
  painter.setPen(Qt::white);
  const int line = painter.fontMetrics().height();
  painter.drawText(QRect(0, 0, ThreeDPB->width(), line), Qt::AlignLeft | Qt::AlignTop,
                   QString::number(FRelief.FReliefAzimuth));
  painter.drawText(QRect(0, 20, ThreeDPB->width(), line), Qt::AlignLeft | Qt::AlignTop,
                   QString::number(FRelief.FReliefTilt));
  painter.end();
  ThreeDPB->update();
}

void TCalidarix::Timer3DTimer() {
  if (!ReliefTimerStep(FRelief)) {
    Timer3D->stop();
    return;
  }
  ThreeDPBPaint();
}

void TCalidarix::StartReliefRotation(bool forward) {
  FRelief.FReliefRotateForward = forward;
  Timer3D->start();
}

} // namespace calidarix
