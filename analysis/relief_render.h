#pragma once
// The software relief view: every pixel of the thermogram becomes a point whose height is its level
// (0 .. 255); the surface is turned by an azimuth and a tilt, projected without perspective and drawn cell
// by cell, far cells first, into an 8-bit picture of 512 x 432 whose bytes are palette indices (0 is the
// background). The program's own rasteriser, so the screen, the snapshot and the export all get the same
// picture without OpenGL.

#include "thermogram/tdtv.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <vector>

namespace calidarix {

inline constexpr int kReliefWidth = 512;
inline constexpr int kReliefHeight = 432;

struct TReliefParams {
  int Azimuth = 270;  // degrees 0 .. 359, about the vertical axis
  int Tilt = 0;       // degrees 0 .. 359, about the horizontal axis
  double Scale = 1.0; // picture pixels per relief unit
  int Depth = 256;    // a level L stands L x Depth / 256 units high (-255 .. 256)
};

// sin and cos of i degrees for i = 0 .. 360.
const std::array<double, 361> &ReliefSinTable();
const std::array<double, 361> &ReliefCosTable();

// Level 0 .. 255 of raw pixel `index`: within the locked display range while the range is locked, else
// the raw high byte.
std::uint8_t ReliefLevel(const TDTV &dtv, std::size_t index);

// The picture's bytes, kReliefWidth x kReliefHeight row after row, with a spare row and column kept zero.
class TReliefCanvas {
public:
  TReliefCanvas();
  std::uint8_t At(int x, int y) const { return FBytes[static_cast<std::size_t>(y) * kReliefWidth + x]; }
  const std::vector<std::uint8_t> &Bytes() const { return FBytes; }

  // Bytes xa .. xb of row y, in either order (clipped to the picture).
  void FillReliefSpan(int xa, int y, int xb, std::uint8_t level);
  // A quadrilateral of buffer coordinates (corners in drawing order) by its left and right edge per row.
  void FillReliefQuad(const std::array<int, 8> &corners, std::uint8_t level);

private:
  std::vector<std::uint8_t> FBytes;
  // The left and right x of each row, kept from quad to quad as the fill always has.
  std::array<int, kReliefHeight + 1> FLeft{};
  std::array<int, kReliefHeight + 1> FRight{};
};

// Draws the relief of dtv into a new canvas. A frame narrower or lower than 2 pixels draws nothing.
TReliefCanvas RenderRelief(const TDTV &dtv, const TReliefParams &params);

// The canvas as an 8-bit picture coloured like the thermogram (its palettes and windows).
QImage ReliefPicture(const TReliefCanvas &canvas, const TDTV &dtv);

} // namespace calidarix
