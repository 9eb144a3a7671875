#include "mainwindow/ui/multy_grid.h"

#include "mainwindow/thumbnail_paging.h"
#include "mainwindow/ui/main_window.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace calidarix {

TMultyGrid::TMultyGrid(TCalidarix &window, QWidget *parent) : QWidget(parent), FWindow(window) {
  setObjectName(QStringLiteral("MultyDG"));
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);
  ScrollBar = new QScrollBar(Qt::Vertical, this);
  ScrollBar->setObjectName(QStringLiteral("MultyDGScrollBar"));
  ScrollBar->setFocusPolicy(Qt::NoFocus);
  hide();
}

QRect TMultyGrid::CellsArea() const {
  return QRect(0, 0, std::max(width() - ScrollBar->width(), 1), std::max(height(), 1));
}

int TMultyGrid::DefaultColWidth() const {
  return ThumbCellExtent(CellsArea().width(), FWindow.FFilms.FThumb.FThumbColumns);
}

int TMultyGrid::DefaultRowHeight() const {
  return ThumbCellExtent(CellsArea().height(), FWindow.FFilms.FThumb.FThumbColumns);
}

void TMultyGrid::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  const int c = FWindow.FFilms.FThumb.FThumbColumns;
  const int w = DefaultColWidth();
  const int h = DefaultRowHeight();
  painter.fillRect(rect(), palette().color(QPalette::Button));
  for (int row = 0; row < c; ++row)
    for (int column = 0; column < c; ++column)
      FWindow.MultyDGDrawCell(painter, column, row, QRect(column * w, row * h, w, h));
}

void TMultyGrid::keyPressEvent(QKeyEvent *event) {
  FWindow.MultyDGKeyDown(event->key(), event->modifiers());
  event->accept();
}

void TMultyGrid::keyReleaseEvent(QKeyEvent *event) {
  if (!event->isAutoRepeat())
    FWindow.MultyDGKeyUp(event->key());
  event->accept();
}

void TMultyGrid::mousePressEvent(QMouseEvent *event) {
  const QPoint at = event->position().toPoint();
  FWindow.MultyDGMouseDown(event->button(), at.x(), at.y(), event->modifiers());
}

void TMultyGrid::mouseDoubleClickEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton)
    FWindow.MultyDGDblClick();
}

void TMultyGrid::wheelEvent(QWheelEvent *event) {
  event->accept();
  // Smooth wheels report a notch in parts: each row wants a whole one.
  FWheelAngle += event->angleDelta().y();
  while (FWheelAngle >= 120) {
    FWheelAngle -= 120;
    FWindow.MultyDGMouseWheelUp();
  }
  while (FWheelAngle <= -120) {
    FWheelAngle += 120;
    FWindow.MultyDGMouseWheelDown();
  }
}

void TMultyGrid::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  const int barWidth = ScrollBar->sizeHint().width();
  ScrollBar->setGeometry(width() - barWidth, 0, barWidth, height());
}

bool TMultyGrid::focusNextPrevChild(bool) {
  return false;
}

} // namespace calidarix
