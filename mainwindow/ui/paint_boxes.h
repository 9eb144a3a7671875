#pragma once
// The paint boxes of the main window (ImagePB, PalPB, PalSpacerPB, ScalePB). A box owns no drawing of
// its own: the window renders into the box's Picture and the paint event copies it to the screen.
// Just before copying, the box asks the window to bring the picture up to date (OnPaint); the
// window's "paint now" commands update the picture themselves and call update().

#include <QImage>
#include <QWidget>

#include <functional>

class QMouseEvent;

namespace calidarix {

class TPaintBox : public QWidget {
public:
  explicit TPaintBox(QWidget *parent = nullptr);

  // The picture shown; drawn at the box's top-left corner, the rest of the box black.
  QImage Picture;

  std::function<void()> OnPaint;
  std::function<void()> OnResize;
  std::function<void(QMouseEvent *)> OnMouseDown;
  std::function<void(QMouseEvent *)> OnMouseMove;
  std::function<void(QMouseEvent *)> OnMouseUp;
  // A left double-click; the second press of any double-click also reaches OnMouseDown, after it.
  std::function<void(QMouseEvent *)> OnDblClick;

  // A picture of the box's size, filled black, ready to be drawn into.
  QImage NewPicture() const;

protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
};

} // namespace calidarix
