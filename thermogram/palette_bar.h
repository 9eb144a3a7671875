#pragma once
// The palette bar beside the image: the grey lines of the palette window (or isotherm band), their
// temperature texts, the cursor line, and what dragging and right-clicking on the bar or the scale
// do to the palette window and the isotherm band. Palette steps 0..255 count from the bar's bottom.

#include "thermogram/rect.h"

#include <QString>

#include <array>
#include <cstdint>

namespace calidarix {

class TDTV;

// The palette window and the isotherm band of a thermogram.
struct TPaletteBytes {
  std::uint8_t PalBottom = 0;
  std::uint8_t PalTop = 255;
  std::uint8_t IsoBottom = 0;
  std::uint8_t IsoTop = 85;

  friend bool operator==(const TPaletteBytes &, const TPaletteBytes &) = default;
};

TPaletteBytes PaletteBytesOf(const TDTV &dtv);
void ApplyPaletteBytes(const TPaletteBytes &bytes, TDTV &dtv);

struct TPaletteLines {
  bool HasLower = false;
  int LowerY = 0;
  bool HasUpper = false;
  int UpperY = 0;
};

// Rows of the window lines on a bar drawn over `bar`: the isotherm band's two edges while the
// isotherm is on; otherwise the palette window's edges, each only when it is not at the bar's end.
TPaletteLines PaletteWindowLines(const TRect &bar, const TPaletteBytes &bytes, bool isIso);

// Temperature text of palette step b (rounded to at most 0.01 and to the decimals that fit in five
// characters): over the locked
// range while it is locked, else the temperature of raw b x 257.
QString PaletteLimitText(const TDTV &dtv, std::uint8_t b);

// The cursor at a relative height 0..1 of the bar: a line across it and a small arrow head at the
// right edge, as one polyline.
std::array<TPoint, 5> PaletteCursorPolyline(const TRect &bar, double fraction);

// What a right click on the bar did.
enum class TPaletteRightClick {
  Nothing,     // the window was full and the range not locked
  Repaint,     // the window or band changed: repaint the image and the bar
  UnlockRange, // the window was full and the range locked: unlock it and refresh every view
};

// Right click: with the isotherm on, the band is attached to the palette window's ends; otherwise
// the window is reset to 0..255 (or, when it is full already, the range lock is to be released).
TPaletteRightClick PaletteRightClick(TPaletteBytes &bytes, bool isIso, bool rangeLocked);

// What a mouse move with a button held on the bar changed.
enum class TPaletteDrag {
  None,     // no drag: nothing changed
  Window,   // left button: the window (or band) was moved or stretched
  Boundary, // right button with Ctrl: the boundary between band and window was moved
};

// A mouse move from `last` to `now` (box pixels) on a bar `barHeight` pixels high. Moving up shifts
// the window (or the band while the isotherm is on) up; moving left raises only its upper end. The
// window keeps at least 8 steps, its lower end at most 246. With the right button and Ctrl the
// window's lower end and the band's upper end move together, staying below the window's top.
TPaletteDrag PaletteBarDrag(TPaletteBytes &bytes, bool isIso, bool leftHeld, bool rightHeld, bool ctrlDown,
                            TPoint last, TPoint now, int barHeight);

} // namespace calidarix
