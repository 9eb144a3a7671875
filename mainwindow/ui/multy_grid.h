#pragma once
// The thumbnail grid over the image area: c x c cells drawn by the main window, with a scroll bar
// that shows and moves the first row. Keys, the wheel and the mouse go to the main window's handlers;
// Tab is a command of the window, never a focus move.

#include <QWidget>

class QScrollBar;

namespace calidarix {

class TCalidarix;

class TMultyGrid : public QWidget {
public:
  TMultyGrid(TCalidarix &window, QWidget *parent);

  // The cells' area: the grid without its scroll bar.
  QRect CellsArea() const;
  // Default column width and row height: the cells' area divided among the columns, at least 1.
  int DefaultColWidth() const;
  int DefaultRowHeight() const;

  QScrollBar *ScrollBar = nullptr;

protected:
  void paintEvent(QPaintEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void keyReleaseEvent(QKeyEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void wheelEvent(QWheelEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  bool focusNextPrevChild(bool next) override;

private:
  TCalidarix &FWindow;
  int FWheelAngle = 0;
};

} // namespace calidarix
