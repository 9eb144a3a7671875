#pragma once
// The main window's nine palette slots and the palette commands. Every command works on the window's
// copies (the image palette FPalette, the isotherm palette FIsoPalette) and then copies the result into
// the thermogram, whose renderer uses only its own palettes. The window repaints afterwards.

#include "thermogram/rect.h"
#include "thermogram/tdtv.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace calidarix {

inline constexpr int kPaletteSlotCount = 9;
// Slot 8 holds the palette editor's palette (a grey ramp until the editor gives one).
inline constexpr int kEditorPaletteSlot = 8;

struct TPaletteSlots {
  std::array<TPaletteTable, kPaletteSlotCount> FPalettes{};
  TPaletteTable FPalette{};    // the current image palette
  TPaletteTable FIsoPalette{}; // the current isotherm palette
  std::uint8_t PalNumber = 0;  // slot of the image palette
  std::uint8_t IsoNumber = 3;  // slot of the isotherm palette
  bool isPalInverted = false;
  bool isIsoInverted = true;
  bool isPalRotated = false;
  bool isIsoRotated = false;
  int PosterizeStep = 1;
  bool FSidecarSaved = false; // cleared by palette changes so the per-image settings are written again
};

// The start-of-run slots: slots 0 .. 7 the built-in palettes "PAL_1" .. "PAL_8" (in metro mode slots
// 1, 5 and 7 take "PAL_9", "PAL_11" and "PAL_10"), slot 8 the grey ramp; the image palette is slot 0,
// the isotherm palette the reversed grey ramp.
TPaletteSlots StartupPaletteSlots(bool metroMode);

// The built-in palette number ("PAL_<n>") of a slot 0 .. 7.
int BuiltinPaletteOfSlot(int slot, bool metroMode);

// A slot number read from a file or the registry, when it names a slot (0 .. 8).
std::optional<std::uint8_t> CheckedPaletteSlot(std::int64_t value);

// Which palette a command changed, so the window knows what else to refresh (the 3-D view).
enum class PaletteRole { None, Image, Isotherm };

// Makes slot the image palette, or the isotherm palette while the thermogram's isotherm band is
// shown; the flags of that role are cleared and posterization starts again. A slot outside 0 .. 8
// changes nothing and gives PaletteRole::None.
PaletteRole PalChange(TPaletteSlots &pal, TDTV &dtv, int slot);

// Reverses the entry order (entry i takes entry 255 - i). In the isotherm band only the isotherm
// palette; otherwise the image palette and the isotherm palette. Toggles the matching inverted flags,
// so a second call restores palettes and flags.
void PalInvert(TPaletteSlots &pal, TDTV &dtv);

// Complements every byte (c -> 255 - c) of the isotherm palette in the isotherm band, otherwise of
// the image palette only; toggles isIsoInverted or isPalInverted.
void PalRotate(TPaletteSlots &pal, TDTV &dtv);

// Averages the image palette in groups of PosterizeStep entries, the step doubling with each call up
// to 64. With groups of 2 the last two entries keep their colours.
void PalPosterize(TPaletteSlots &pal, TDTV &dtv);

// The image palette from the frame's histogram of 8 bins: bins with few pixels get many entries.
// Returns the log lines ("<k> his - <share> "); an empty frame changes nothing and gives no lines.
QStringList AdaptivePalette(TPaletteSlots &pal, TDTV &dtv);

// A ramp over the first 80 entries of the image palette towards entry 80: from white when entry 0 is
// black, from black otherwise.
void BuildPaletteRamp(TPaletteSlots &pal, TDTV &dtv);

// Rotates the image palette by one entry (forward: entry i takes entry i + 1).
void PalCycle(TPaletteSlots &pal, TDTV &dtv, bool forward);

// Switches the isotherm band; returns whether it is now shown.
bool ToggleIsothermBand(TDTV &dtv);

// Colour of row y of the palette spacer strip of the given height.
TRGB PalSpacerColor(int y, int height, bool nightMode);

// Where a video frame of w x h is drawn in target (fitted, centred), and the two bars the fit leaves
// free (top and bottom, or left and right; empty when there is no room left). An empty frame or
// target gives nullopt.
struct VideoFit {
  TRect Frame;
  TRect Bar1;
  TRect Bar2;
};
std::optional<VideoFit> FitVideoFrame(const TRect &target, int w, int h);

} // namespace calidarix
