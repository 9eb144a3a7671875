#pragma once
// The program's windows, created in their fixed order: the main window (whose creation handler and first
// show run before any other window exists), then the seventeen others. Destroyed in reverse order.
// The program creates the seventeen once the main window has painted its picture for the first time:
// none of them is shown at start, and making them took a fifth of the time to the first picture.

#include "mainwindow/ui/shell_services.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace calidarix {

// When the windows after the main window are made.
enum class TWindowCreation {
  AllAtOnce,          // before the constructor returns
  RestAfterFirstPaint // in the event loop, right after the image box's first paint
};

class ProgramWindows {
public:
  // `arguments` excludes the program file. `beforeRest` runs just before the windows after the main
  // window are made (with RestAfterFirstPaint: after the first paint), for services that nothing
  // before that needs.
  ProgramWindows(ShellServices &services, const QStringList &arguments,
                 TWindowCreation creation = TWindowCreation::AllAtOnce,
                 std::function<void()> beforeRest = {});
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows &) = delete;
  ProgramWindows &operator=(const ProgramWindows &) = delete;

  // In creation order.
  const std::vector<QWidget *> &Windows() const { return windows_; }
  // Whether the windows after the main window exist yet.
  bool AllCreated() const { return restCreated_; }

private:
  void CreateRest();

  std::vector<QWidget *> windows_;
  std::function<void()> beforeRest_;
  bool restCreated_ = false;
};

} // namespace calidarix
