#pragma once
// A layout that places its widgets left to right and starts a new row when the next one would not fit,
// so that a row of buttons stays readable however narrow the window is made. Rows are as high as their
// tallest item; the height for a given width follows from the wrapping.

#include <QLayout>
#include <QList>

namespace calidarix {

class TFlowLayout : public QLayout {
public:
  explicit TFlowLayout(QWidget *parent = nullptr);
  ~TFlowLayout() override;

  void addItem(QLayoutItem *item) override;
  int count() const override;
  QLayoutItem *itemAt(int index) const override;
  QLayoutItem *takeAt(int index) override;

  // One row of every item.
  QSize sizeHint() const override;
  // The widest item: narrower than that nothing can be shown whole.
  QSize minimumSize() const override;
  Qt::Orientations expandingDirections() const override;
  bool hasHeightForWidth() const override;
  int heightForWidth(int width) const override;
  void setGeometry(const QRect &rect) override;

private:
  // Places the items inside rect (when place is set) and returns the height the rows take.
  int Arrange(const QRect &rect, bool place) const;

  QList<QLayoutItem *> FItems;
};

} // namespace calidarix
