#include "mainwindow/ui/entry_focus.h"

#include <QWidget>

namespace calidarix {

void HideEntry(QWidget *entry) {
  if (!entry)
    return;
  QWidget *window = entry->window();
  // The window's focus widget, also while another window is active: the focus comes back to it on
  // activation.
  const QWidget *focus = window->focusWidget();
  // Handed over before hiding, so Qt does not pass the focus on to some other control of the window.
  if (focus && (focus == entry || entry->isAncestorOf(focus)))
    window->setFocus(Qt::OtherFocusReason);
  entry->hide();
}

} // namespace calidarix
