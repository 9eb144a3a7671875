// Showing and hiding the print window, docked under the main window; the main window shrinks, keeping
// its proportions, when the screen is too low for both.

#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/print_form.h"

#include <QScreen>
#include <QToolButton>

#include <algorithm>

namespace calidarix {

namespace {

QToolButton *PrintButton(const TCalidarix &window) {
  return window.findChild<QToolButton *>(QStringLiteral("PrintSB"));
}

} // namespace

void TCalidarix::PrintSBClick() {
  QToolButton *button = PrintButton(*this);
  if (!PrintForm || !button)
    return;
  if (!button->isChecked()) {
    FPrintFormShown = false;
    PrintForm->hide();
    return;
  }
  FPrintFormShown = true;
  const QScreen *screen = this->screen();
  const QRect s = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
  const int printH = PrintForm->frameGeometry().height();
  QRect m = frameGeometry();
  if (s.height() >= printH + m.height()) {
    if (m.bottom() + 1 + printH > s.bottom() + 1)
      m.moveTop(s.top() + s.height() - printH - m.height());
  } else {
    const int h = std::max(s.height() - printH, 1);
    m = QRect(m.left(), s.top(), std::max(h * m.width() / std::max(m.height(), 1), 1), h);
    resize(size() - (frameGeometry().size() - m.size()));
  }
  move(m.topLeft());
  QRect p(m.left(), m.top() + m.height(), m.width(), printH);
  if (p.right() > s.right())
    p.moveLeft(std::max(s.left() + s.width() / 2 - p.width() / 2, s.left()));
  if (p.bottom() > s.bottom())
    p.moveTop(std::max(s.top() + s.height() / 2 - p.height() / 2, s.top()));
  PrintForm->resize(p.width() - (PrintForm->frameGeometry().width() - PrintForm->width()),
                    PrintForm->height());
  PrintForm->move(p.topLeft());
  PrintForm->show();
  activateWindow();
}

void TCalidarix::Print1Click() {
  if (QToolButton *button = PrintButton(*this)) {
    button->setChecked(!button->isChecked());
    PrintSBClick();
  }
}

void TCalidarix::PrintFormClosed() {
  if (QToolButton *button = PrintButton(*this))
    button->setChecked(false);
  FPrintFormShown = false;
}

} // namespace calidarix
