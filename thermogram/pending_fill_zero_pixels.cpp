// TEMPORARY: TDTV::FillZeroPixels belongs in filters.cpp, which is being written on another branch.
// The full polar projection needs it to link and to be tested, so this file carries a complete
// definition until filters.cpp lands; delete this file then (the two definitions must not coexist).

#include "platform/numbers.h"
#include "thermogram/frame_size.h"
#include "thermogram/tdtv.h"

#include <cstddef>

namespace calidarix {

void TDTV::FillZeroPixels(bool twice) {
  if (!HasFrame(*this)) {
    return;
  }
  const int w = Width();
  const int h = Height();
  constexpr int kEdgeWeight = 1024;
  constexpr int kDiagonalWeight = 202;
  for (int pass = 0; pass < (twice ? 2 : 1); ++pass) {
    // Every value of a pass comes from the frame as it was at the start of the pass.
    const std::vector<std::uint16_t> before = FRaw;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const std::size_t at = static_cast<std::size_t>(y) * w + x;
        if (before[at] != 0) {
          continue;
        }
        std::int64_t sum = 0;
        std::int64_t weights = 0;
        for (int ny = y - 1; ny <= y + 1; ++ny) {
          for (int nx = x - 1; nx <= x + 1; ++nx) {
            if ((nx == x && ny == y) || nx < 0 || ny < 0 || nx >= w || ny >= h) {
              continue;
            }
            const std::uint16_t v = before[static_cast<std::size_t>(ny) * w + nx];
            if (v == 0) {
              continue;
            }
            const int weight = (nx == x || ny == y) ? kEdgeWeight : kDiagonalWeight;
            sum += std::int64_t{v} * weight;
            weights += weight;
          }
        }
        if (weights > 0) {
          FRaw[at] = RoundToUInt16Clamped(static_cast<double>(sum) / static_cast<double>(weights));
        }
      }
    }
  }
}

} // namespace calidarix
