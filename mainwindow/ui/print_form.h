#pragma once
// The print window: a list of composite snapshots shown as a strip of thumbnails, comment lines, and
// one report page printed from them. Pictures are added from the main window's snapshot, deleted,
// reordered by dragging one thumbnail onto another; the page is laid out by ComputePrintLayout and
// painted straight onto the printer.

#include <QImage>
#include <QWidget>

#include <vector>

class QCheckBox;
class QFrame;
class QPlainTextEdit;
class QPrinter;
class QToolButton;

namespace calidarix {

class TPrintGrid;

class TPrintForm : public QWidget {
  Q_OBJECT
public:
  explicit TPrintForm(QWidget *parent = nullptr);

  void AddBtnClick();
  void DeleteBtnClick();
  void PrintBtnClick();
  // Key codes as Qt gives them: Enter adds, Space prints, Delete deletes.
  void PrintDGKeyDown(int key);
  void PrintDGColumnMoved(int fromIndex, int toIndex);
  void PrintDGDrawCell(QPainter &painter, int col, const QRect &rect, bool focused);
  void CommentCBClick();

  // Prints the page on a printer the print dialog has set up. Returns false with `error` set when
  // the list does not fit the layout or the printer cannot start a page.
  bool PrintPage(QPrinter &printer, QString &error);

  // The print list in display order.
  std::vector<QImage> PrintImages;
  int PrintImageCount = 0;

  QFrame *Panel1;
  QToolButton *PrintBtn, *AddBtn, *DeleteBtn;
  QCheckBox *CommentCB;
  TPrintGrid *PrintDG;
  QPlainTextEdit *RichEdit;

protected:
  void closeEvent(QCloseEvent *event) override;

private:
  void UpdateCaption();
};

extern TPrintForm *PrintForm;

} // namespace calidarix
