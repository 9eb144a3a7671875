#pragma once
// Jobs that read many files (film processing, folder conversions, thumbnails) read them into a
// thermogram of their own, so the one on screen keeps its frame. The scratch thermogram takes the load
// options of the one the user looks at, so every frame reads as it would in the view.

#include "thermogram/tdtv.h"

namespace calidarix {

// Copies the options LoadFromFile applies (flip, mirror, rotation, camera temperature stamp, dual-scan
// decoding, time delta) from `from` to `to`.
void CopyLoadOptions(const TDTV &from, TDTV &to);

// Copies what the paletted rendering draws with (the palettes, the palette window and the isotherm
// band), so a frame rendered in `to` looks as `from` shows it.
void CopyPaletteView(const TDTV &from, TDTV &to);

} // namespace calidarix
