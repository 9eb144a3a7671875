// Program entry: the application object, the program's windows in their order, then the event loop until
// the main window closes.
#include "acquisition/ui/camera_acquisition.h"
#include "first_paint_probe.h"
#include "head/ui/head_service.h"
#include "mainwindow/command_line.h"
#include "mainwindow/ui/desktop_integration.h"
#include "mainwindow/ui/joystick.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/program_settings.h"
#include "mainwindow/ui/program_windows.h"
#include "mainwindow/ui/registry_store.h"
#include "mainwindow/ui/sibling_link.h"
#include "mainwindow/ui/thermogram_view.h"

#include <QApplication>

int main(int argc, char **argv) {
  // Docking and the sibling program's bounds need absolute window positions, which X11 grants.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication app(argc, argv);
  // No display name: Qt would append it to every window title, and the main window's caption already
  // begins with the program's name ("Calidarix [folder]").
  QApplication::setApplicationName("Calidarix");
  // The main window decides when the program ends, not the last visible window.
  QApplication::setQuitOnLastWindowClosed(false);

  calidarix::ShellServices services;
  services.registry = std::make_unique<calidarix::RegistryKeyValueStore>();
  services.settings = std::make_unique<calidarix::StoredProgramSettings>();
  services.sibling = std::make_unique<calidarix::ProcessSiblingLink>();
  services.joystick = std::make_unique<calidarix::DeviceJoystick>();
  services.view = std::make_unique<calidarix::MainWindowThermogramView>();
  services.desktop = std::make_unique<calidarix::FreedesktopIntegration>();
  services.acquisition = std::make_unique<calidarix::TCameraAcquisition>();
  // The arguments as given: Qt's own list turns bytes that are not UTF-8 into other characters.
  calidarix::WatchFirstPaintIfAsked(app);
  // The head link is first used when the windows after the main window exist (the start-up connect
  // is queued then), so it is made after the first paint too.
  calidarix::ProgramWindows windows(
      services, calidarix::CommandLineArguments(argc, argv), calidarix::TWindowCreation::RestAfterFirstPaint,
      [&services] { services.head = std::make_unique<calidarix::QorHeadLink>(); });
  QObject::connect(calidarix::Calidarix, &calidarix::TCalidarix::Closed, &app, &QCoreApplication::quit);
  return QApplication::exec();
}
