// Rows of a bidirectional scan: tripling to sub-row positions, recognising and undoing that tripled
// form, and the one sampler at fractional positions (which also corrects the row skew of such scans).
//
// In a bidirectional scan the true vertical position of a row's samples drifts across the row. The
// row is split into three segments (left quarter, middle half, right quarter; the right one takes
// the columns left over) and each segment gets its own sub-row offsets.

#include "platform/numbers.h"
#include "thermogram/frame_size.h"
#include "thermogram/tdtv.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace calidarix {

namespace {

// Sub-row offsets of the three output rows in each segment (left, middle, right).
using SegmentOffsets = std::array<std::array<double, 3>, 3>;

constexpr SegmentOffsets kPatternA = {{
    {-1.0 / 4, 1.0 / 5, 2.0 / 5},
    {-1.0 / 3, 0.0, 1.0 / 3},
    {-2.0 / 5, -1.0 / 5, 1.0 / 4},
}};
constexpr SegmentOffsets kPatternB = {{
    {-2.0 / 5, -1.0 / 5, 1.0 / 4},
    {-1.0 / 3, 0.0, 1.0 / 3},
    {-1.0 / 4, 1.0 / 5, 2.0 / 5},
}};

// 0 left, 1 middle, 2 right: q = W div 4, left 0 .. q-1, middle q .. 3q-1, right 3q .. W-1.
int SegmentOf(int x, int quarter) {
  if (x < quarter) {
    return 0;
  }
  return x < 3 * quarter ? 1 : 2;
}

// The first row has no row above and the last none below: offsets that would reach there, and the
// quarter offsets of the edge segments, collapse onto the row itself.
SegmentOffsets ClampedForEdge(SegmentOffsets offsets, bool firstRow, bool lastRow) {
  for (auto &segment : offsets) {
    for (double &f : segment) {
      const bool quarter = f == 0.25 || f == -0.25;
      if ((firstRow && (f < 0.0 || quarter)) || (lastRow && (f > 0.0 || quarter))) {
        f = 0.0;
      }
    }
  }
  return offsets;
}

} // namespace

void TDTV::TripleHeight(bool reverse) {
  if (!HasFrame(*this)) {
    return;
  }
  const int w = Width();
  const int h = Height();
  if (!FitsFrameSides(w, std::int64_t{h} * 3)) {
    return;
  }
  const int quarter = w / 4;
  const auto at = [&](int x, int y) {
    return static_cast<double>(FRaw[static_cast<std::size_t>(y) * w + x]);
  };

  std::vector<std::uint16_t> out(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const bool first = y == 0;
    const bool last = y == h - 1;
    bool patternA = ((y % 2 == 0) != reverse);
    if (first) {
      patternA = !reverse;
    }
    if (last) {
      patternA = reverse;
    }
    const SegmentOffsets offsets = ClampedForEdge(patternA ? kPatternA : kPatternB, first, last);
    for (int k = 0; k < 3; ++k) {
      std::uint16_t *row = &out[(static_cast<std::size_t>(y) * 3 + k) * w];
      for (int x = 0; x < w; ++x) {
        const double f =
            offsets[static_cast<std::size_t>(SegmentOf(x, quarter))][static_cast<std::size_t>(k)];
        const double a = at(x, y);
        double v = a;
        if (f > 0.0) {
          v = a + (at(x, y + 1) - a) * f;
        } else if (f < 0.0) {
          v = a + (at(x, y - 1) - a) * -f;
        }
        row[x] = RoundToUInt16Clamped(v);
      }
    }
  }
  ReplaceFrame(*this, w, std::int64_t{h} * 3, std::move(out));
}

void TDTV::DecodeDualScan() {
  FSkewCorrect = false;
  if (!HasFrame(*this) || Height() < 3) {
    return; // too short to hold one tripled row
  }
  const int w = Width();
  const int h = Height();
  const int quarter = w / 4;
  const auto at = [&](int x, int y) { return FRaw[static_cast<std::size_t>(y) * w + x]; };
  const auto columnEqual = [&](int x) { return at(x, 0) == at(x, 1) && at(x, 1) == at(x, 2); };

  bool decided = false;
  bool parity = false;
  for (int i = 0; i <= quarter && !decided; ++i) {
    const bool left = columnEqual(i);
    const bool right = columnEqual(w - 1 - i);
    if (left != right) {
      parity = right;
      decided = true;
    }
  }
  if (!decided) {
    return;
  }

  FSkewParity = parity;
  FSkewCorrect = true;
  FSkewOffset = 0.25;
  // A single column has no drift across the row.
  FSkewSlope = w > 1 ? (1.0 - 2.0 * FSkewOffset) / (w - 1) : 0.0;

  const int rows = h / 3;
  std::vector<std::uint16_t> out(static_cast<std::size_t>(w) * rows);
  const auto clamp = [](int v) { return static_cast<std::uint16_t>(std::clamp(v, 0, 65535)); };
  std::copy_n(FRaw.begin(), w, out.begin());
  for (int r = 1; r <= rows - 2; ++r) {
    // In a row tripled with pattern A the left quarter was interpolated toward the row below and the
    // right quarter toward the row above; extrapolating back from the same side recovers the row.
    const bool patternA = (parity && r % 2 == 0) || (!parity && r % 2 == 1);
    for (int x = 0; x < w; ++x) {
      const int s0 = at(x, 3 * r);
      const int s1 = at(x, 3 * r + 1);
      const int s2 = at(x, 3 * r + 2);
      const int segment = SegmentOf(x, quarter);
      std::uint16_t v = static_cast<std::uint16_t>(s1);
      if (segment == 0) {
        v = clamp(patternA ? 2 * s1 - s2 : 2 * s1 - s0);
      } else if (segment == 2) {
        v = clamp(patternA ? 2 * s1 - s0 : 2 * s1 - s2);
      }
      out[static_cast<std::size_t>(r) * w + x] = v;
    }
  }
  // The last output row is written after the first, so a single output row takes source row 2.
  const std::size_t lastSource = (static_cast<std::size_t>(rows - 1) * 3 + 2) * w;
  std::copy_n(FRaw.begin() + static_cast<std::ptrdiff_t>(lastSource), w,
              out.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(rows - 1) * w));
  ReplaceFrame(*this, w, rows, std::move(out));
}

std::uint16_t TDTV::SampleBilinear(double x, double y) const {
  const int w = Width();
  const int h = Height();
  // Written so that NaN lands outside as well.
  if (!(x >= 0.0 && x < w && y >= 0.0 && y < h) || !HasFrame(*this)) {
    return 0;
  }
  const int ix = TruncToInt32(x);
  const int iy = TruncToInt32(y);
  const double fx = ix == w - 1 ? 0.0 : x - ix;
  const int ixRight = std::min(ix + 1, w - 1);
  const auto at = [&](int cx, int cy) {
    return static_cast<double>(FRaw[static_cast<std::size_t>(cy) * w + cx]);
  };
  // The four neighbours in one sum with the weights (1-fx)(1-fy), fx(1-fy), (1-fx)fy and fx fy: the
  // sum the renderer forms, so that a sampled value never differs from a rendered one by a rounding.
  const auto mix = [&](int upper, int lower, double wy) {
    const double gx = 1.0 - fx;
    const double gy = 1.0 - wy;
    return at(ix, upper) * (gx * gy) + at(ixRight, upper) * (fx * gy) + at(ix, lower) * (gx * wy) +
           at(ixRight, lower) * (fx * wy);
  };
  const auto rowMix = [&](int row) { return mix(row, row, 0.0); };
  const auto mixRows = [&](int upper, double weightLower) { return mix(upper, upper + 1, weightLower); };

  const double fy = y - iy;
  if (!FSkewCorrect) {
    // The last row has no row below: its fraction counts as 0.
    return RoundToUInt16Clamped(iy == h - 1 ? rowMix(iy) : mixRows(iy, fy));
  }

  // Row iy's samples sit at sub-row position s, which drifts across the row in the direction the
  // row was scanned.
  const bool rowOdd = iy % 2 == 1;
  const double s = rowOdd == FSkewParity ? FSkewOffset + FSkewSlope * (w - x) : FSkewOffset + FSkewSlope * x;
  const bool firstRow = iy == 0;
  const bool lastRow = iy == h - 1;
  double v = 0.0;
  if (fy > s && !lastRow) {
    v = mixRows(iy, (fy - s) / 2.0 / (1.0 - s)); // fy > s implies s < 1
  } else if (fy < s && !firstRow) {
    v = mixRows(iy - 1, (s + fy) / 2.0 / s); // fy < s implies s > 0
  } else {
    v = rowMix(iy);
  }
  return RoundToUInt16Clamped(v);
}

} // namespace calidarix
