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
#include <span>

namespace calidarix {

inline constexpr QImage::Format kRenderFormat = QImage::Format_RGB32;

// The colour at fraction f between entries p and p + 1 of a table: per channel
// c[p] + Trunc((c[p+1] - c[p]) x f). With f = 0 (or p = 255) only entry p is read.
TRGB InterpolatePalette(const TPaletteTable &table, int p, double f);

inline constexpr std::size_t kWindowTableSize = 65536;

// The colours of all 65536 values through the palette and isotherm windows, before any locked range:
// the table that RenderToBitmap maps raw values (and bilinear samples) through. A colour of 0 marks a
// value where the overlay shows through. Built per palette segment with integer steps; every entry is
// the colour of the per-value double computation, byte for byte.
void BuildWindowColourTable(const TDTV &dtv, bool overlayPresent, std::span<QRgb, kWindowTableSize> table);

// The 256-colour table of the 8-bit picture: entries below the palette window take the first palette
// colour (or, with isIsoAuto, the isotherm palette spread over them), the window spreads the image
// palette, entries above take the last colour, and the isotherm band, when shown, is drawn over them
// in white or in the isotherm palette. A one-step window (bottom = top) is widened by one step.
QList<QRgb> MakeLogicalPalette(const TPaletteTable &palette, const TPaletteTable &isoPalette,
                               std::uint8_t palBottom, std::uint8_t palTop, std::uint8_t isoBottom,
                               std::uint8_t isoTop, bool isIso, bool isIsoColor, bool isIsoAuto);

// TDTV::RawToColor for a run of values: colours[i] is the colour of raws[i] (as many as both hold).
void RawsToColors(const TDTV &dtv, std::span<const std::uint16_t> raws, std::span<TRGB> colours);

// Bitmaps with more pixels than this share their rows among the threads of RenderThreadPool::Shared();
// smaller ones render on the calling thread, where waking the threads would cost more than it saves.
inline constexpr std::int64_t kParallelRenderPixels = 1'000'000;

// How TDTV::RenderToBitmap may go about its work. Every choice gives the same picture byte for byte;
// the choices are there so that tests and benchmarks can hold the paths against each other.
struct RenderPaths {
  // Where every column of the view falls on a whole frame column (zoom 1 on whole-pixel offsets, say):
  // straight runs through the colour table, and rows between frame rows mixed into a row buffer first;
  // at any other zoom, every row mixed into the row buffer first. Not with an overlay or the skew
  // correction. Off: the general per-pixel loop everywhere.
  bool fastRows = true;
  // Threads for a bitmap above kParallelRenderPixels: 0 as many as the shared pool has, 1 only the
  // calling thread.
  int maxThreads = 0;
};

// TDTV::RenderToBitmap with a choice of paths.
void RenderToBitmapWith(TDTV &dtv, const TRect &rect, int firstRow, int lastRow, const RenderPaths &paths);

} // namespace calidarix
