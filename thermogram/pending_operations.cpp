// TEMPORARY definitions of thermogram methods whose real homes have not landed yet, so that the
// library links. Each entry is deleted when its real definition arrives.

#include "thermogram/tdtv.h"

#include "platform/numbers.h"

namespace calidarix {

// TEMPORARY until sampling.cpp lands: plain bilinear sampling without the skew correction of
// bidirectional scans (FSkewCorrect is ignored here).
std::uint16_t TDTV::SampleBilinear(double x, double y) const {
  const int w = Width();
  const int h = Height();
  if (!(x >= 0.0 && x < w && y >= 0.0 && y < h) ||
      FRaw.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {
    return 0;
  }
  const int ix = TruncToInt32(x);
  const int iy = TruncToInt32(y);
  const double fx = ix == w - 1 ? 0.0 : x - ix;
  const double fy = iy == h - 1 ? 0.0 : y - iy;
  const int ix1 = ix == w - 1 ? ix : ix + 1;
  const int iy1 = iy == h - 1 ? iy : iy + 1;
  const auto at = [&](int cx, int cy) {
    return FRaw[static_cast<std::size_t>(cy) * static_cast<std::size_t>(w) + static_cast<std::size_t>(cx)];
  };
  const double mix = at(ix, iy) * ((1.0 - fx) * (1.0 - fy)) + at(ix1, iy) * (fx * (1.0 - fy)) +
                     at(ix, iy1) * ((1.0 - fx) * fy) + at(ix1, iy1) * (fx * fy);
  return RoundToUInt16Clamped(mix);
}

} // namespace calidarix
