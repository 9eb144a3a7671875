#pragma once
// The strip of thumbnails in the print window: one row, one column per picture of the print list, all
// columns one width, a horizontal scroll bar. The form draws the cells; the strip keeps the current
// column, reports a column dragged onto another, and passes its keys on.

#include <QAbstractScrollArea>

#include <functional>

namespace calidarix {

class TPrintGrid : public QAbstractScrollArea {
  Q_OBJECT
public:
  explicit TPrintGrid(QWidget *parent = nullptr);

  int ColCount() const { return colCount_; }
  // At least one column, as a grid always has.
  void SetColCount(int count);
  int DefaultColWidth() const { return colWidth_; }
  void SetDefaultColWidth(int width);
  int Col() const { return col_; }
  void SetCol(int col);
  // The height of the row: the viewport's height.
  int ClientHeight() const;
  // The cell rectangle of a column in viewport coordinates.
  QRect CellRect(int col) const;
  // The column under a viewport x; -1 beyond the last.
  int ColumnAt(int x) const;
  void Repaint();

  std::function<void(QPainter &, int col, const QRect &rect, bool focused)> OnDrawCell;
  std::function<void(int from, int to)> OnColumnMoved;
  std::function<void(int key)> OnKeyDown;

protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

private:
  void UpdateScrollBar();

  int colCount_ = 1;
  int colWidth_ = 64;
  int col_ = 0;
  int pressedCol_ = -1;
};

} // namespace calidarix
