#include "mainwindow/ui/flow_layout.h"

#include <QWidget>

#include <algorithm>

namespace calidarix {

TFlowLayout::TFlowLayout(QWidget *parent) : QLayout(parent) {}

TFlowLayout::~TFlowLayout() {
  while (QLayoutItem *item = takeAt(0))
    delete item;
}

void TFlowLayout::addItem(QLayoutItem *item) {
  FItems.append(item);
}

int TFlowLayout::count() const {
  return static_cast<int>(FItems.size());
}

QLayoutItem *TFlowLayout::itemAt(int index) const {
  return index >= 0 && index < FItems.size() ? FItems.at(index) : nullptr;
}

QLayoutItem *TFlowLayout::takeAt(int index) {
  return index >= 0 && index < FItems.size() ? FItems.takeAt(index) : nullptr;
}

QSize TFlowLayout::sizeHint() const {
  int width = 0;
  int height = 0;
  int shown = 0;
  for (const QLayoutItem *item : FItems) {
    if (item->isEmpty())
      continue;
    const QSize hint = item->sizeHint();
    width += hint.width();
    height = std::max(height, hint.height());
    ++shown;
  }
  width += std::max(shown - 1, 0) * std::max(spacing(), 0);
  const QMargins m = contentsMargins();
  return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

QSize TFlowLayout::minimumSize() const {
  QSize size;
  for (const QLayoutItem *item : FItems)
    if (!item->isEmpty())
      size = size.expandedTo(item->minimumSize().expandedTo(item->sizeHint()));
  const QMargins m = contentsMargins();
  return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

Qt::Orientations TFlowLayout::expandingDirections() const {
  return {};
}

bool TFlowLayout::hasHeightForWidth() const {
  return true;
}

int TFlowLayout::heightForWidth(int width) const {
  return Arrange(QRect(0, 0, width, 0), false);
}

void TFlowLayout::setGeometry(const QRect &rect) {
  QLayout::setGeometry(rect);
  Arrange(rect, true);
}

int TFlowLayout::Arrange(const QRect &rect, bool place) const {
  const QRect area = rect.marginsRemoved(contentsMargins());
  const int gap = std::max(spacing(), 0);
  int x = area.x();
  int y = area.y();
  int rowHeight = 0;
  for (QLayoutItem *item : FItems) {
    if (item->isEmpty())
      continue;
    const QSize hint = item->sizeHint();
    // Wrap before an item that would cross the right edge, unless it starts the row anyway.
    if (x > area.x() && x + hint.width() > area.right() + 1) {
      x = area.x();
      y += rowHeight + gap;
      rowHeight = 0;
    }
    if (place)
      item->setGeometry(QRect(QPoint(x, y), hint));
    x += hint.width() + gap;
    rowHeight = std::max(rowHeight, hint.height());
  }
  const QMargins m = contentsMargins();
  return y + rowHeight - area.y() + m.top() + m.bottom();
}

} // namespace calidarix
