#pragma once
// The main window's settings on their real stores: "Calidarix.ini" (read once at start-up), the
// registry file (restored at start-up, written at close) and the ".dtv" file association.
//
// A failed write is logged and never stops the program. Only the sibling handle written at start-up
// decides whether the settings are written at close (TCalidarix::FRegistryFailed); a failed file
// association does not, because the settings live in the same file and may well be writable.

#include "mainwindow/registry_settings.h"
#include "mainwindow/ui/shell_services.h"
#include "platform/registry.h"

#include <filesystem>
#include <memory>

namespace calidarix {

struct ProgramSettingsPlaces {
  std::filesystem::path iniFile;      // "Calidarix.ini"; empty: the one ProgramIniPath() finds when read
  std::filesystem::path programDir;   // where "service.mode" is looked for
  std::filesystem::path registryFile; // the registry store
  std::filesystem::path programFile;  // the program the ".dtv" files open with
  std::filesystem::path dataHome;     // $XDG_DATA_HOME: MIME package and desktop entry
  bool refreshDesktopDatabases = true;

  // The running program's places, with the environment's overrides.
  static ProgramSettingsPlaces Current();
};

class StoredProgramSettings : public ProgramSettings {
public:
  explicit StoredProgramSettings(ProgramSettingsPlaces places = ProgramSettingsPlaces::Current());

  // Metro mode, drive letter, alarm and service mode reach the window; the display aspect reaches
  // the thermogram module; the camera type reaches the acquisition service; everything is kept in
  // the window's FIniSettings.
  std::optional<bool> LoadIniSettings(TCalidarix &window) override;
  ServiceStatus RegisterFileAssociation() override;
  ServiceStatus ParamsRestore(TCalidarix &window) override;
  ServiceStatus ParamsRegister(const TCalidarix &window) override;
  ServiceStatus RemoveHeadComPort() override;

private:
  ProgramSettingsPlaces places_;
  std::unique_ptr<Registry> registry_;
};

// The registry settings as the window holds them now: its FRegistrySettings with every value that
// has a field or global of its own taken from there.
RegistrySettings GatherRegistrySettings(const TCalidarix &window);

// Puts restored settings into the window, its CurrentDTV and the globals.
void ApplyRegistrySettings(TCalidarix &window, const RegistrySettings &settings);

} // namespace calidarix
