#pragma once
// A menu item that knows whether a command listens to it. Until the command behind an item is built,
// choosing the item says so in the window instead of doing nothing.

#include <QAction>

#include <functional>

namespace calidarix {

class TMenuItem : public QAction {
  Q_OBJECT

public:
  TMenuItem(const QString &text, QObject *parent);

  // Called with the item's name for the user when the item is chosen and no command listens to it.
  void SetUnbuiltReport(std::function<void(const QString &)> report);

  // A command listens to the item, or the item is checkable (its check mark is what it does).
  bool HasCommand() const;

  // The item's text without its key hint and ellipsis: "Save As... [Alt+F2]" gives "Save As".
  QString CommandName() const;

private:
  std::function<void(const QString &)> FUnbuiltReport;
};

} // namespace calidarix
