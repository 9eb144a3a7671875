#include "mainwindow/ui/print_form.h"

#include "mainwindow/print_layout.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/print_grid.h"
#include "mainwindow/ui/widget_names.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QScopeGuard>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace calidarix {

TPrintForm *PrintForm = nullptr;

namespace {

QToolButton *SpeedButton(QWidget *parent, const char *name, const char *face, const char *hint) {
  auto *button = Named(new QToolButton(parent), name);
  button->setText(QString::fromLatin1(face));
  button->setToolTip(QString::fromLatin1(hint));
  button->setAutoRaise(true);
  button->setFixedWidth(22);
  return button;
}

double ScreenDpi() {
  const QScreen *screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInch() : 96.0;
}

} // namespace

TPrintForm::TPrintForm(QWidget *parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("PrintForm"));
  setWindowTitle(QStringLiteral("Print"));
  resize(747, 218);

  Panel1 = Named(new QFrame(this), "Panel1");
  Panel1->setFixedWidth(24);
  auto *buttons = new QVBoxLayout(Panel1);
  buttons->setContentsMargins(1, 1, 1, 1);
  buttons->setSpacing(1);
  PrintBtn = SpeedButton(Panel1, "PrintBtn", "P", "Print (Space)");
  AddBtn = SpeedButton(Panel1, "AddBtn", "+", "Add Image (Enter)");
  DeleteBtn = SpeedButton(Panel1, "DeleteBtn", "-", "Delete (Del)");
  CommentCB = Named(new QCheckBox(Panel1), "CommentCB");
  CommentCB->setToolTip(QStringLiteral("Comment"));
  for (QWidget *w : {static_cast<QWidget *>(PrintBtn), static_cast<QWidget *>(AddBtn),
                     static_cast<QWidget *>(DeleteBtn), static_cast<QWidget *>(CommentCB)})
    buttons->addWidget(w);
  buttons->addStretch(1);
  PrintBtn->setEnabled(false);

  PrintDG = new TPrintGrid(this);
  PrintDG->setFixedHeight(112);
  RichEdit = Named(new QPlainTextEdit(this), "RichEdit");
  QFont courier(QStringLiteral("DejaVu Sans Mono"));
  courier.setPixelSize(11);
  RichEdit->setFont(courier);
  RichEdit->setEnabled(false);

  auto *column = new QVBoxLayout;
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(PrintDG);
  column->addWidget(RichEdit, 1);
  auto *row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(Panel1);
  row->addLayout(column, 1);

  connect(AddBtn, &QToolButton::clicked, this, &TPrintForm::AddBtnClick);
  connect(DeleteBtn, &QToolButton::clicked, this, &TPrintForm::DeleteBtnClick);
  connect(PrintBtn, &QToolButton::clicked, this, &TPrintForm::PrintBtnClick);
  connect(CommentCB, &QCheckBox::clicked, this, &TPrintForm::CommentCBClick);
  PrintDG->OnDrawCell = [this](QPainter &painter, int col, const QRect &rect, bool focused) {
    PrintDGDrawCell(painter, col, rect, focused);
  };
  PrintDG->OnColumnMoved = [this](int from, int to) { PrintDGColumnMoved(from, to); };
  PrintDG->OnKeyDown = [this](int key) { PrintDGKeyDown(key); };

  // A typical thermogram's proportions until the first picture comes.
  PrintDG->SetDefaultColWidth(112 * 256 / 216);
}

void TPrintForm::UpdateCaption() {
  setWindowTitle(PrintImageCount > 0 ? QStringLiteral("Print %1 image(s)").arg(PrintImageCount)
                                     : QStringLiteral("Print"));
}

void TPrintForm::AddBtnClick() {
  if (!Calidarix)
    return;
  const QImage snapshot = Calidarix->BuildSnapshot();
  if (snapshot.isNull()) {
    Calidarix->NotAvailable(QStringLiteral("Snapshot of this image"));
    return;
  }
  PrintImages.push_back(snapshot.convertToFormat(QImage::Format_RGB32));
  PrintDG->SetColCount(PrintImageCount + 1);
  const int h = PrintDG->ClientHeight();
  PrintDG->SetDefaultColWidth(snapshot.width() * h / snapshot.height());
  PrintImageCount = static_cast<int>(PrintImages.size());
  PrintDG->SetCol(PrintImageCount - 1);
  UpdateCaption();
  PrintBtn->setEnabled(true);
  PrintDG->Repaint();
  Calidarix->activateWindow();
}

void TPrintForm::DeleteBtnClick() {
  if (PrintImages.empty())
    return;
  if (PrintImages.size() > 1) {
    const int c = std::clamp(PrintDG->Col(), 0, static_cast<int>(PrintImages.size()) - 1);
    PrintImages.erase(PrintImages.begin() + c);
    PrintImageCount = static_cast<int>(PrintImages.size());
    PrintDG->SetColCount(PrintImageCount);
    PrintDG->SetDefaultColWidth(PrintDG->ClientHeight() * 577 / 434);
  } else {
    PrintImages.clear();
    PrintImageCount = 0;
    PrintDG->SetColCount(1);
    PrintBtn->setEnabled(false);
  }
  UpdateCaption();
  PrintDG->Repaint();
}

void TPrintForm::PrintDGKeyDown(int key) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter)
    AddBtnClick();
  else if (key == Qt::Key_Space)
    PrintBtnClick();
  else if (key == Qt::Key_Delete)
    DeleteBtnClick();
}

void TPrintForm::PrintDGColumnMoved(int fromIndex, int toIndex) {
  const int n = static_cast<int>(PrintImages.size());
  if (fromIndex < 0 || toIndex < 0 || fromIndex >= n || toIndex >= n)
    return;
  std::swap(PrintImages[static_cast<std::size_t>(fromIndex)], PrintImages[static_cast<std::size_t>(toIndex)]);
  PrintDG->Repaint();
}

void TPrintForm::PrintDGDrawCell(QPainter &painter, int col, const QRect &rect, bool focused) {
  if (PrintImages.empty() || col >= static_cast<int>(PrintImages.size())) {
    painter.fillRect(rect, palette().color(QPalette::Window));
    return;
  }
  const QRect inner = rect.adjusted(1, 1, -1, -1);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(inner, PrintImages[static_cast<std::size_t>(col)]);
  if (focused) {
    painter.setPen(QPen(Qt::red, 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(inner);
    return;
  }
  const int l = rect.left();
  const int t = rect.top();
  const int r = rect.right() + 1;
  const int b = rect.bottom() + 1;
  painter.setPen(palette().color(QPalette::Light));
  painter.drawPolyline(QPolygon({QPoint(l, b - 1), QPoint(l, t), QPoint(r - 1, t)}));
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawPolyline(QPolygon({QPoint(r - 1, t), QPoint(r - 1, b - 1), QPoint(l - 1, b - 1)}));
}

void TPrintForm::CommentCBClick() {
  RichEdit->setEnabled(CommentCB->isChecked());
  if (CommentCB->isChecked())
    RichEdit->setFocus();
}

bool TPrintForm::PrintPage(QPrinter &printer, QString &error) {
  const bool landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
  const TPrintLayout layout = ComputePrintLayout(CommentCB->isChecked(), landscape, printer.width(),
                                                 printer.height(), PrintImageCount);
  if (PrintImageCount > layout.Capacity) {
    error = QStringLiteral("This page holds %1 pictures and the print list has %2. Delete %3 of them, or "
                           "choose another page layout, to print.")
                .arg(layout.Capacity)
                .arg(PrintImageCount)
                .arg(PrintImageCount - layout.Capacity);
    return false;
  }
  QPainter painter;
  if (!painter.begin(&printer)) {
    error = QStringLiteral("The printer could not start a page.");
    return false;
  }
  const QStringList lines = RichEdit->toPlainText().split(QLatin1Char('\n'));
  PaintPrintPage(painter, layout, PrintImages, RichEdit->toPlainText().isEmpty() ? QStringList() : lines,
                 ScreenDpi());
  if (!painter.end()) {
    error = QStringLiteral("The printer could not finish the page.");
    return false;
  }
  return true;
}

void TPrintForm::PrintBtnClick() {
  if (PrintImageCount < 1 || !Calidarix)
    return;
  // No page layout holds more than nine pictures: say so before the print dialog is shown.
  if (PrintImageCount > 9) {
    Calidarix->Dialogs().ShowError(
        this, QStringLiteral(
                  "A page holds at most 9 pictures and the print list has %1. Delete %2 of them to print.")
                  .arg(PrintImageCount)
                  .arg(PrintImageCount - 9));
    return;
  }
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  if (!Calidarix->Dialogs().ConfirmPrint(this, printer))
    return;
  QString error;
  bool printed = false;
  {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    printed = PrintPage(printer, error);
  }
  if (!printed) {
    if (logger)
      logger->AppendLine(QStringLiteral("Not printed: ") + error);
    Calidarix->Dialogs().ShowError(this, error);
  }
}

void TPrintForm::closeEvent(QCloseEvent *event) {
  if (Calidarix)
    Calidarix->PrintFormClosed();
  QWidget::closeEvent(event);
}

} // namespace calidarix
