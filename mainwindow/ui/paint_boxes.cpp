#include "mainwindow/ui/paint_boxes.h"

#include <QMouseEvent>
#include <QPainter>

namespace calidarix {

TPaintBox::TPaintBox(QWidget *parent) : QWidget(parent) {
  // The whole box is covered by the picture (and black around it): no background to erase first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage TPaintBox::NewPicture() const {
  QImage picture(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  picture.fill(Qt::black);
  return picture;
}

void TPaintBox::paintEvent(QPaintEvent *) {
  if (OnPaint)
    OnPaint();
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  painter.drawImage(0, 0, Picture);
}

void TPaintBox::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  if (OnResize)
    OnResize();
}

void TPaintBox::mousePressEvent(QMouseEvent *event) {
  if (OnMouseDown)
    OnMouseDown(event);
}

void TPaintBox::mouseMoveEvent(QMouseEvent *event) {
  if (OnMouseMove)
    OnMouseMove(event);
}

void TPaintBox::mouseReleaseEvent(QMouseEvent *event) {
  if (OnMouseUp)
    OnMouseUp(event);
}

void TPaintBox::mouseDoubleClickEvent(QMouseEvent *event) {
  if (OnDblClick && event->button() == Qt::LeftButton)
    OnDblClick(event);
  if (OnMouseDown)
    OnMouseDown(event);
}

} // namespace calidarix
