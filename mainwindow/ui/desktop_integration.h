#pragma once
// The desktop around the program: the two desktop shortcuts and the recovery of interrupted films at
// start-up (each result goes to the log; neither shows a message), and the on-screen keyboard's
// program.

#include "mainwindow/ui/shell_services.h"

#include <filesystem>

namespace calidarix {

class FreedesktopIntegration : public DesktopIntegration {
public:
  // registryFile and programFile empty: the program's own.
  explicit FreedesktopIntegration(std::filesystem::path registryFile = {},
                                  std::filesystem::path programFile = {});

  // The database shortcut, then the program's.
  ServiceStatus CreateDesktopShortcuts() override;
  // Moves the temporary films of the drive's folder that no recording holds.
  ServiceStatus RecoverInterruptedFilm(const QString &driveLetter) override;

private:
  std::filesystem::path registryFile_;
  std::filesystem::path programFile_;
};

// The on-screen keyboard: CALIDARIX_KEYBOARD, else "onboard".
QString OnScreenKeyboardProgram();

} // namespace calidarix
