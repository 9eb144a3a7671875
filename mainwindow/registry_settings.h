#pragma once
// The user's settings kept in the registry below "\dtvimage": palette state, setup switches, scanning
// values, folders and the pan/tilt head's serial port.
//
// The main window copies these values to and from its fields and globals; everything here works on
// the plain struct so that it runs without a window. Types in the registry: Booleans and integers as
// REG_DWORD, reals as REG_BINARY of 8 bytes (little-endian double), texts as REG_SZ. A value of
// another type, or a real that is not finite, counts as missing.

#include "platform/registry.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace calidarix {

// Receives one line for the event log.
using SettingsLog = std::function<void(const QString &text)>;

struct RegistrySettings {
  // "\dtvimage\Palette": a missing value (or key) leaves its field unchanged.
  bool isIso = false;         // of CurrentDTV
  bool isIsoInverted = false; // global
  bool isIsoRotated = false;  // global
  bool isIsoColor = false;    // of CurrentDTV
  bool isIsoAuto = false;     // of CurrentDTV
  std::uint8_t IsoNumber = 0; // isotherm palette slot
  std::uint8_t IsoTop = 0;    // of CurrentDTV
  std::uint8_t IsoBottom = 0; // of CurrentDTV
  bool isPalInverted = false;
  bool isPalRotated = false;
  std::uint8_t PalNumber = 0; // image palette slot
  std::uint8_t PalTop = 0;    // of CurrentDTV
  std::uint8_t PalBottom = 0; // of CurrentDTV

  // "\dtvimage\Setup"
  bool isAutoSave = false;
  bool FIsInteger = false;
  bool FIsFixedRange = false;
  bool FIsBigButtons = false;
  bool FIsMenuVisible = false;
  bool FIsReadDTI = false;
  bool isSaveByF2 = false;
  bool FIsFullScreen = false;
  bool FIsShowMinMax = false;
  bool FIsDoubleMinMax = false;
  bool FIsNightMode = false;
  std::int32_t FLanguage = 0; // 0 English, 1 Russian
  std::int32_t FontN = 14;
  std::int32_t ArrayType = 0; // 0 rectangle, 1 ellipse
  // Info-panel layout: true the side column, false the bottom strip. After a restore, empty means
  // "leave the window's design layout" (the key was missing) and a value means "call
  // SetInfoPanelLayout with it". The writer stores true only for the side column.
  std::optional<bool> InfoPanelLeft;
  std::int32_t BMPLook = 1;

  // "\dtvimage\Scanning"
  std::int32_t FilmFrames = 9999; // scan-unit global
  std::int32_t FrameTime = 0;     // scan-unit global
  std::int32_t SumCount = 4;      // of CurrentDTV
  // Fixed display range in degrees Celsius, kept as stored: a missing key gives 36 / 20 (reversed on
  // purpose, the setup panel orders it); use OrderedFixedRange wherever the range is applied.
  double FixedMin = 20.0;
  double FixedMax = 36.0;
  double FLimit = 0.0;   // temperature alarm, degrees Celsius
  bool FLimitOn = false; // set by the program INI file first; a non-zero "Limit" switches it on

  // "\dtvimage\Directory": a missing value leaves its field unchanged.
  QString FOpenDirectory;
  QString FSaveDirectory;
  QString FPalOpenDirectory;
  QString FPalSaveDirectory;
  QString LastSavedPalName;
  QString FSaveNameBase;

  // "\dtvimage\Qor"
  QString LastPanoPath;
  // Serial port of the head link as stored; the caller hands its low 8 bits to the head link's
  // SetComPort when the head link exists. Never written by WriteRegistrySettings.
  std::optional<std::int32_t> HeadCom;

  // Main-window state: a registry write failed at start-up. While set, nothing is written.
  bool FRegistryFailed = false;
};

// Reads the five keys into `settings` with the defaults for missing values and keys. `driveLetter`
// makes the default of an empty open or save folder ("C" gives "C:\"). Never fails: an unreadable
// registry reads as an empty one.
void RestoreRegistrySettings(Registry &store, RegistrySettings &settings, const QString &driveLetter);

// Writes the five keys back, creating them when missing. Writes nothing when FRegistryFailed is set.
// A failed write is logged and the rest of that key skipped; the other keys are still written.
// Returns true when everything was written.
bool WriteRegistrySettings(Registry &store, const RegistrySettings &settings, const SettingsLog &log);

// The fixed display range with its bounds in order (lower first).
struct FixedRange {
  double Min = 0.0;
  double Max = 0.0;
};
FixedRange OrderedFixedRange(const RegistrySettings &settings);

// The head connection stores the serial port of a head it found, when the value is missing or
// differs. Returns false when the write failed.
bool StoreHeadComPort(Registry &store, std::int32_t port);

// "Remove Qor from Reg": deletes the stored serial port of the head. Returns true when a value was
// deleted.
bool RemoveHeadComPort(Registry &store);

// Registry key paths of this store.
inline constexpr const char *kPaletteKey = "\\dtvimage\\Palette";
inline constexpr const char *kSetupKey = "\\dtvimage\\Setup";
// Where a running program publishes its window for the next one started.
inline constexpr const char *kInterfaceKey = "dtvimage\\Calidarix_Interface";
inline constexpr const char *kScanningKey = "\\dtvimage\\Scanning";
inline constexpr const char *kDirectoryKey = "\\dtvimage\\Directory";
inline constexpr const char *kQorKey = "\\dtvimage\\Qor";

} // namespace calidarix
