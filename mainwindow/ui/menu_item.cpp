#include "mainwindow/ui/menu_item.h"

#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

namespace calidarix {

TMenuItem::TMenuItem(const QString &text, QObject *parent) : QAction(text, parent) {
  connect(this, &QAction::triggered, this, [this] {
    if (!HasCommand() && FUnbuiltReport)
      FUnbuiltReport(CommandName());
  });
}

void TMenuItem::SetUnbuiltReport(std::function<void(const QString &)> report) {
  FUnbuiltReport = std::move(report);
}

bool TMenuItem::HasCommand() const {
  // A check mark is an item's whole effect when a command reads it later (a stitch reads "Blending").
  if (isCheckable())
    return true;
  // The item's own report is one receiver of triggered, and every menu or menu bar that shows the item
  // is another; any further receiver is a command.
  int shownIn = 0;
  for (QObject *holder : associatedObjects())
    if (qobject_cast<QMenu *>(holder) || qobject_cast<QMenuBar *>(holder))
      ++shownIn;
  return receivers(SIGNAL(triggered(bool))) > 1 + shownIn || receivers(SIGNAL(toggled(bool))) > 0;
}

QString TMenuItem::CommandName() const {
  static const QRegularExpression hint(QStringLiteral("\\s*\\[[^\\]]*\\]\\s*$"));
  QString name = text();
  name.remove(hint);
  name.remove(QLatin1Char('&'));
  while (name.endsWith(QLatin1Char('.')))
    name.chop(1);
  return name.trimmed();
}

} // namespace calidarix
