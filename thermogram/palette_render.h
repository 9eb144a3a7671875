#pragma once
// Palette mapping shared by the thermogram's renderers, the palette bar and the relief view.
//
// Pixel formats of the cached rendering TDTV::FBitmap:
// - RenderToBitmap and RenderAnaglyph keep it as QImage::Format_RGB32 (one 0xffRRGGBB word per pixel):
//   the natural 24-bit colour format of Qt for direct row access and fast drawing to the screen.
// - RenderPalettedBitmap makes a QImage::Format_Indexed8 image whose colour table is MakeLogicalPalette.
// - RenderRawBitmap makes a QImage::Format_RGB32 image: blue = high byte, green = low byte of the raw
//   value, red 0.
// The palette scaling values used by TDTV::RawToColor (PalRawBottom, IsoRawBottom, PalRawStep,
// IsoRawStep) are declared with the other module globals in thermogram_globals.h.

#include "thermogram/tdtv.h"

#include <QImage>
#include <QList>
#include <QRgb>

#include <cstdint>

namespace calidarix {

inline constexpr QImage::Format kRenderFormat = QImage::Format_RGB32;

// The colour at fraction f between entries p and p + 1 of a table: per channel
// c[p] + Trunc((c[p+1] - c[p]) x f). With f = 0 (or p = 255) only entry p is read.
TRGB InterpolatePalette(const TPaletteTable &table, int p, double f);

// The 256-colour table of the 8-bit picture: entries below the palette window take the first palette
// colour (or, with isIsoAuto, the isotherm palette spread over them), the window spreads the image
// palette, entries above take the last colour, and the isotherm band, when shown, is drawn over them
// in white or in the isotherm palette. A one-step window (bottom = top) is widened by one step.
QList<QRgb> MakeLogicalPalette(const TPaletteTable &palette, const TPaletteTable &isoPalette,
                               std::uint8_t palBottom, std::uint8_t palTop, std::uint8_t isoBottom,
                               std::uint8_t isoTop, bool isIso, bool isIsoColor, bool isIsoAuto);

} // namespace calidarix
