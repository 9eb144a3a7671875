#pragma once
// The program's windows, created in their fixed order: the main window (whose creation handler and first
// show run before any other window exists), then the seventeen others. Destroyed in reverse order.

#include "mainwindow/ui/shell_services.h"

#include <QStringList>
#include <memory>
#include <vector>

class QWidget;

namespace calidarix {

class ProgramWindows {
public:
  // `arguments` excludes the program file.
  ProgramWindows(ShellServices &services, const QStringList &arguments);
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows &) = delete;
  ProgramWindows &operator=(const ProgramWindows &) = delete;

  // In creation order.
  const std::vector<QWidget *> &Windows() const { return windows_; }

private:
  std::vector<QWidget *> windows_;
};

} // namespace calidarix
