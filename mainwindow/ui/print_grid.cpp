#include "mainwindow/ui/print_grid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace calidarix {

TPrintGrid::TPrintGrid(QWidget *parent) : QAbstractScrollArea(parent) {
  setObjectName(QStringLiteral("PrintDG"));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::StrongFocus);
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { viewport()->update(); });
}

void TPrintGrid::SetColCount(int count) {
  colCount_ = std::max(count, 1);
  col_ = std::clamp(col_, 0, colCount_ - 1);
  UpdateScrollBar();
  viewport()->update();
}

void TPrintGrid::SetDefaultColWidth(int width) {
  colWidth_ = std::max(width, 1);
  UpdateScrollBar();
  viewport()->update();
}

void TPrintGrid::SetCol(int col) {
  col_ = std::clamp(col, 0, colCount_ - 1);
  // The current column is scrolled into view.
  const QRect cell = CellRect(col_);
  QScrollBar *bar = horizontalScrollBar();
  if (cell.left() < 0)
    bar->setValue(bar->value() + cell.left());
  else if (cell.right() >= viewport()->width())
    bar->setValue(bar->value() + cell.right() - viewport()->width() + 1);
  viewport()->update();
}

int TPrintGrid::ClientHeight() const {
  return viewport()->height();
}

QRect TPrintGrid::CellRect(int col) const {
  // Each column is followed by a one-pixel grid line.
  return QRect(col * (colWidth_ + 1) - horizontalScrollBar()->value(), 0, colWidth_, ClientHeight());
}

int TPrintGrid::ColumnAt(int x) const {
  const int col = (x + horizontalScrollBar()->value()) / (colWidth_ + 1);
  return x < 0 || col >= colCount_ ? -1 : col;
}

void TPrintGrid::Repaint() {
  viewport()->update();
}

void TPrintGrid::UpdateScrollBar() {
  const int total = colCount_ * (colWidth_ + 1);
  horizontalScrollBar()->setRange(0, std::max(total - viewport()->width(), 0));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(colWidth_ + 1);
}

void TPrintGrid::paintEvent(QPaintEvent *) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), palette().color(QPalette::Window));
  for (int c = 0; c < colCount_; ++c) {
    const QRect cell = CellRect(c);
    if (cell.right() < 0 || cell.left() >= viewport()->width())
      continue;
    painter.save();
    if (OnDrawCell)
      OnDrawCell(painter, c, cell, c == col_);
    painter.restore();
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(cell.right() + 1, 0, cell.right() + 1, cell.bottom());
  }
}

void TPrintGrid::mousePressEvent(QMouseEvent *event) {
  const int col = ColumnAt(event->position().toPoint().x());
  pressedCol_ = col;
  if (col >= 0)
    SetCol(col);
  setFocus();
}

void TPrintGrid::mouseReleaseEvent(QMouseEvent *event) {
  const int to = ColumnAt(event->position().toPoint().x());
  const int from = pressedCol_;
  pressedCol_ = -1;
  if (from >= 0 && to >= 0 && from != to) {
    if (OnColumnMoved)
      OnColumnMoved(from, to);
    SetCol(to);
  }
}

void TPrintGrid::keyPressEvent(QKeyEvent *event) {
  switch (event->key()) {
  case Qt::Key_Left:
    SetCol(col_ - 1);
    return;
  case Qt::Key_Right:
    SetCol(col_ + 1);
    return;
  default:
    break;
  }
  if (OnKeyDown)
    OnKeyDown(event->key());
}

void TPrintGrid::resizeEvent(QResizeEvent *event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBar();
}

} // namespace calidarix
