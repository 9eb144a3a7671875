#pragma once
// The per-image sidecar file: how the user last looked at an image (palette slots and windows,
// isotherm switches, point markers, measurement areas, optionally a locked display range).
//
// Name: the image's full name with its last character replaced by "i" (x.dtv -> x.dti; x.bmp and
// x.bmt share x.bmi), found whatever its letter case. Format: INI text with the sections "PALETTE",
// "POINTS" and "ARRAYS" (written in that order, LF line ends, decimal integers, Booleans 1 and 0),
// and "RANGE", which is only read.
//
// Sidecars are untrusted input: palette slots outside 0 .. 8 take the default, coordinates are
// clipped to the frame (0 .. W - 1, 0 .. H - 1),
// area corners are put in order, a RANGE whose LockMin is not below LockMax is
// ignored, counts are limited to 0 .. kMaxSidecarMarkers, and a file larger than kMaxSidecarBytes is
// not read. A sidecar whose name is the image's own (an image named "...i") is neither read nor
// written, so the image is never overwritten.
//
// Writing goes whole to a temporary file renamed over the old one. A folder that cannot be written
// gives one warning per folder and run; the caller carries on (stepping and opening are never
// blocked), and the sidecar is tried again next time.

#include "analysis/markers.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace calidarix {

inline constexpr int kSidecarPaletteSlots = 9;
inline constexpr std::int32_t kMaxSidecarMarkers = 4096;
inline constexpr std::uintmax_t kMaxSidecarBytes = 1024 * 1024;

// Locked display range in whole degrees Celsius.
struct SidecarLockRange {
  std::int32_t LockMin = 0;
  std::int32_t LockMax = 0;

  friend bool operator==(const SidecarLockRange &, const SidecarLockRange &) = default;
};

// The content of a sidecar; the initial values are the defaults of a key that is missing.
struct ImageSidecar {
  int PalNumber = 0; // image palette slot 0 .. 8
  int IsoNumber = 3; // isotherm palette slot 0 .. 8
  std::uint8_t PalBottom = 0;
  std::uint8_t PalTop = 255;
  std::uint8_t IsoBottom = 0;
  std::uint8_t IsoTop = 255;
  bool isPalInverted = false; // the reader's caller reverses the image palette when set
  bool isIsoInverted = false; // ... and the isotherm palette
  bool isIso = false;
  bool isIsoColor = true;
  bool isIsoAuto = true;
  // Present when the sidecar locks the display range; then the lock button is shown pressed,
  // otherwise released.
  std::optional<SidecarLockRange> Range;
  // Points keep X, Y, DX, DY and the flag byte (Direction); their Number is not stored and reads
  // as 0. Areas keep their rectangle; the caller computes their statistics after reading.
  std::vector<TPointRecord> Points;
  std::vector<TAreaRecord> Areas;
};

// Main-window state of the sidecar.
struct SidecarState {
  // The sidecar reflects the state shown: set after a read or write, cleared by every palette
  // command, palette-bar drag and marker change.
  bool FSidecarSaved = false;
  // Folders that could not be written and were already warned about.
  std::set<std::filesystem::path> WarnedFolders;
};

using SidecarWarning = std::function<void(const QString &text)>;

// The sidecar name formed from the image name (last character replaced by "i").
QString SidecarFileName(const QString &imageFile);

// The text the writer produces.
std::string SidecarText(const ImageSidecar &sidecar);

// Writes the sidecar of `imageFile` unless the name is empty or FSidecarSaved is set. Returns true
// when a file was written; then FSidecarSaved is set.
bool SaveImageSidecar(const QString &imageFile, const ImageSidecar &sidecar, SidecarState &state,
                      const SidecarWarning &warn);

// Reads the sidecar of `imageFile`, whose frame is width x height pixels, into `sidecar` (which
// starts from the defaults). Returns false, leaving `sidecar` and the state alone, when there is no
// usable sidecar; on true FSidecarSaved is set.
bool LoadImageSidecar(const QString &imageFile, int width, int height, ImageSidecar &sidecar,
                      SidecarState &state);

} // namespace calidarix
