#include "mainwindow/ui/program_settings.h"

#include "mainwindow/file_association.h"
#include "mainwindow/ini_settings.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "platform/inifile.h"
#include "platform/path_text.h"
#include "platform/paths.h"
#include "thermogram/thermogram_globals.h"

#include <QCoreApplication>

namespace calidarix {

namespace {} // namespace

ProgramSettingsPlaces ProgramSettingsPlaces::Current() {
  ProgramSettingsPlaces places;
  places.programDir = ProgramDir();
  places.registryFile = RegistryFilePath();
  places.programFile = QCoreApplication::applicationFilePath().toStdString();
  places.dataHome = XdgDataHome();
  return places;
}

StoredProgramSettings::StoredProgramSettings(ProgramSettingsPlaces places)
    : places_(std::move(places)), registry_(std::make_unique<Registry>(places_.registryFile)) {}

std::optional<bool> StoredProgramSettings::LoadIniSettings(TCalidarix &window) {
  IniSettings &ini = window.FIniSettings;
  ini = IniSettings();
  const std::filesystem::path iniFile = places_.iniFile.empty() ? ProgramIniPath() : places_.iniFile;
  const bool cameraFound = calidarix::LoadIniSettings(iniFile, places_.programDir, ini);
  window.FMetroMode = ini.FMetroMode;
  window.FDriveLetter = ini.FDriveLetter;
  window.FLimitOn = ini.FLimitOn;
  window.FLimit = ini.FLimit;
  AspectWidth = ini.AspectWidth;
  AspectHeight = ini.AspectHeight;
  window.Services().acquisition->SetCameraInterfaceType(ini.Camera.CameraInterfaceType);
  window.Services().acquisition->TakeIniCameraSettings(ini.Camera);
  if (ini.Service.ServiceMode)
    window.StartServiceMode();
  return cameraFound;
}

ServiceStatus StoredProgramSettings::RegisterFileAssociation() {
  const FileAssociationResult result =
      RegisterDtvFileType(*registry_, places_.programFile, places_.dataHome, LogLine);
  if (result.DesktopFilesChanged && places_.refreshDesktopDatabases)
    RefreshDesktopDatabases(places_.dataHome);
  return result.RegistryWritten && result.MimePackageWritten && result.DesktopEntryWritten
             ? ServiceStatus::Done
             : ServiceStatus::Failed;
}

RegistrySettings GatherRegistrySettings(const TCalidarix &w) {
  RegistrySettings s = w.FRegistrySettings;
  if (CurrentDTV) {
    s.isIso = CurrentDTV->isIso;
    s.isIsoColor = CurrentDTV->isIsoColor;
    s.isIsoAuto = CurrentDTV->isIsoAuto;
    s.IsoTop = CurrentDTV->IsoTop;
    s.IsoBottom = CurrentDTV->IsoBottom;
    s.PalTop = CurrentDTV->PalTop;
    s.PalBottom = CurrentDTV->PalBottom;
    s.SumCount = CurrentDTV->SumCount;
  } else {
    s.isIsoAuto = w.isIsoAuto;
  }
  s.PalNumber = PalNumber;
  s.IsoNumber = IsoNumber;
  s.isPalInverted = isPalInverted;
  s.isIsoInverted = isIsoInverted;
  s.isPalRotated = isPalRotated;
  s.isIsoRotated = isIsoRotated;

  s.isAutoSave = w.isAutoSave;
  s.FIsInteger = w.FIsInteger;
  s.FIsFixedRange = w.FIsFixedRange;
  s.FIsBigButtons = w.FIsBigButtons;
  s.FIsMenuVisible = w.FIsMenuVisible;
  s.FIsReadDTI = w.FIsReadDTI;
  s.isSaveByF2 = w.isSaveByF2;
  s.FIsFullScreen = w.FIsFullScreen;
  s.FIsShowMinMax = w.FIsShowMinMax;
  s.FIsDoubleMinMax = w.FIsDoubleMinMax;
  s.FIsNightMode = w.FIsNightMode;
  s.FLanguage = w.FLanguage;
  s.FontN = FontN;
  s.ArrayType = ArrayType;
  s.InfoPanelLeft = w.FPanels.FInfoSideColumn;
  s.BMPLook = w.BMPLook;

  s.FLimit = w.FLimit;
  s.FLimitOn = w.FLimitOn;

  s.FOpenDirectory = w.FOpenDirectory;
  s.FSaveDirectory = w.FSaveDirectory;
  s.FPalOpenDirectory = w.FPalOpenDirectory;
  s.FPalSaveDirectory = w.FPalSaveDirectory;
  s.LastSavedPalName = LastSavedPalName;
  s.FSaveNameBase = w.FSaveNameBase;

  s.FRegistryFailed = w.FRegistryFailed;
  return s;
}

void ApplyRegistrySettings(TCalidarix &w, const RegistrySettings &s) {
  w.FRegistrySettings = s;
  if (CurrentDTV) {
    CurrentDTV->isIso = s.isIso;
    CurrentDTV->isIsoColor = s.isIsoColor;
    CurrentDTV->isIsoAuto = s.isIsoAuto;
    CurrentDTV->IsoTop = s.IsoTop;
    CurrentDTV->IsoBottom = s.IsoBottom;
    CurrentDTV->PalTop = s.PalTop;
    CurrentDTV->PalBottom = s.PalBottom;
    CurrentDTV->SumCount = s.SumCount;
  }
  w.isIsoAuto = s.isIsoAuto;
  // Start-up sets the palette slots and flags to fixed start values right after this (SetUpPalettes).
  PalNumber = s.PalNumber;
  IsoNumber = s.IsoNumber;
  isPalInverted = s.isPalInverted;
  isIsoInverted = s.isIsoInverted;
  isPalRotated = s.isPalRotated;
  isIsoRotated = s.isIsoRotated;

  w.isAutoSave = s.isAutoSave;
  w.FIsInteger = s.FIsInteger;
  w.FIsFixedRange = s.FIsFixedRange;
  w.FIsBigButtons = s.FIsBigButtons;
  w.FIsMenuVisible = s.FIsMenuVisible;
  w.FIsReadDTI = s.FIsReadDTI;
  w.isSaveByF2 = s.isSaveByF2;
  w.FIsFullScreen = s.FIsFullScreen;
  w.FIsShowMinMax = s.FIsShowMinMax;
  w.FIsDoubleMinMax = s.FIsDoubleMinMax;
  w.FIsNightMode = s.FIsNightMode;
  w.FLanguage = s.FLanguage;
  FontN = s.FontN;
  ArrayType = s.ArrayType;
  w.BMPLook = s.BMPLook;

  w.FLimit = s.FLimit;
  w.FLimitOn = s.FLimitOn;

  // Folders stored with a drive letter ("D:\\" when none was stored) are shown and handed to the
  // dialogs as the folders the drives map to: the user never sees a drive letter.
  w.FOpenDirectory = LocalPathText(s.FOpenDirectory);
  w.FSaveDirectory = LocalPathText(s.FSaveDirectory);
  w.FPalOpenDirectory = LocalPathText(s.FPalOpenDirectory);
  w.FPalSaveDirectory = LocalPathText(s.FPalSaveDirectory);
  LastSavedPalName = s.LastSavedPalName;
  w.FSaveNameBase = s.FSaveNameBase;
}

ServiceStatus StoredProgramSettings::ParamsRestore(TCalidarix &window) {
  RegistrySettings settings = GatherRegistrySettings(window);
  RestoreRegistrySettings(*registry_, settings, window.FDriveLetter);
  ApplyRegistrySettings(window, settings);
  if (settings.InfoPanelLeft)
    window.SetInfoPanelLayout(*settings.InfoPanelLeft);
  return ServiceStatus::Done;
}

ServiceStatus StoredProgramSettings::ParamsRegister(const TCalidarix &window) {
  if (window.FRegistryFailed)
    return ServiceStatus::Done;
  return WriteRegistrySettings(*registry_, GatherRegistrySettings(window), LogLine) ? ServiceStatus::Done
                                                                                    : ServiceStatus::Failed;
}

ServiceStatus StoredProgramSettings::RemoveHeadComPort() {
  calidarix::RemoveHeadComPort(*registry_);
  return ServiceStatus::Done;
}

} // namespace calidarix
