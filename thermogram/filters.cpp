// Filters on the raw frame: 3x3 smoothing, sharpening, unsharp masking, edge and emboss images,
// destriping and the repair of empty pixels. All of them work on raw values and leave Scale and
// Offset alone. The 3x3 filters read every neighbour from the frame as it was before they started
// and change interior pixels only.

#include "thermogram/tdtv.h"

#include "platform/numbers.h"
#include "thermogram/rect_clip.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace calidarix {

namespace {

// num / den rounded to the nearest integer, halves to the even neighbour (den > 0).
std::int64_t RoundDiv(std::int64_t num, std::int64_t den) {
  std::int64_t q = num / den;
  std::int64_t r = num % den;
  if (r < 0) { // make it a floor division so that the remainder test below holds for negatives
    r += den;
    q -= 1;
  }
  if (2 * r > den || (2 * r == den && (q & 1) != 0)) {
    ++q;
  }
  return q;
}

std::uint16_t ClampRaw(std::int64_t v) {
  return static_cast<std::uint16_t>(std::clamp<std::int64_t>(v, 0, kFullScaleRaw));
}

// The interior pixels of an inclusive rectangle: columns X0 .. X1, rows Y0 .. Y1 (empty when X0 > X1
// or Y0 > Y1).
struct InteriorSpan {
  int X0 = 0;
  int X1 = -1;
  int Y0 = 0;
  int Y1 = -1;
};

InteriorSpan Interior(const TRect &rect, int w, int h) {
  const TRect r = ClipInclusiveRect(rect, w, h);
  return InteriorSpan{std::max(r.Left, 1), std::min(r.Right, w - 2), std::max(r.Top, 1),
                      std::min(r.Bottom, h - 2)};
}

// The isotherm band limits of a thermogram in raw counts.
struct Band {
  bool On = false;
  int Low = 0;
  int High = 0;

  bool Inclusive(int raw) const { return !On || (raw >= Low && raw <= High); }
  bool Exclusive(int raw) const { return !On || (raw > Low && raw < High); }
};

Band BandOf(const TDTV &t) {
  return Band{t.isIso, t.IsoBottom * 257, t.IsoTop * 257};
}

// Applies `kernel(src, index, w)` to every interior pixel of rect whose value passes `inBand`;
// every neighbour is read from the frame as it was before the call.
template <typename Kernel, typename BandTest>
void Apply3x3(TDTV &t, const TRect &rect, BandTest inBand, Kernel kernel) {
  const int w = t.Width();
  const int h = t.Height();
  const InteriorSpan s = Interior(rect, w, h);
  if (s.X0 > s.X1 || s.Y0 > s.Y1) {
    return;
  }
  const std::vector<std::uint16_t> src = t.FRaw;
  const std::size_t stride = static_cast<std::size_t>(w);
  for (int y = s.Y0; y <= s.Y1; ++y) {
    const std::size_t row = static_cast<std::size_t>(y) * stride;
    for (int x = s.X0; x <= s.X1; ++x) {
      const std::size_t i = row + static_cast<std::size_t>(x);
      if (inBand(src[i])) {
        t.FRaw[i] = kernel(src.data() + i, stride);
      }
    }
  }
}

// The 3x3 neighbourhood of *p (a pointer into a row-major frame of the given stride).
struct Neighbours {
  int tl, tc, tr, ml, mc, mr, bl, bc, br;
};

Neighbours Around(const std::uint16_t *p, std::size_t stride) {
  const std::uint16_t *up = p - stride;
  const std::uint16_t *down = p + stride;
  return Neighbours{up[-1], up[0], up[1], p[-1], p[0], p[1], down[-1], down[0], down[1]};
}

} // namespace

void TDTV::SmoothRect(const TRect &rect) {
  const int w = Width();
  const InteriorSpan s = Interior(rect, w, Height());
  if (s.X0 > s.X1 || s.Y0 > s.Y1) {
    return;
  }
  const Band band = BandOf(*this);
  const std::size_t stride = static_cast<std::size_t>(w);
  // The rows the kernel reads, as they were before the filter. The kernel is separable: the column
  // sums (1 2 1 down each column) are combined with the weights 1 2 1 across.
  const std::vector<std::uint16_t> src(FRaw.begin() + static_cast<std::ptrdiff_t>((s.Y0 - 1) * stride),
                                       FRaw.begin() + static_cast<std::ptrdiff_t>((s.Y1 + 2) * stride));
  std::vector<std::uint32_t> columns(stride);
  for (int y = s.Y0; y <= s.Y1; ++y) {
    const std::uint16_t *up = src.data() + static_cast<std::size_t>(y - s.Y0) * stride;
    const std::uint16_t *mid = up + stride;
    const std::uint16_t *down = mid + stride;
    for (int x = s.X0 - 1; x <= s.X1 + 1; ++x) {
      columns[static_cast<std::size_t>(x)] = up[x] + 2u * mid[x] + down[x];
    }
    std::uint16_t *out = FRaw.data() + static_cast<std::size_t>(y) * stride;
    for (int x = s.X0; x <= s.X1; ++x) {
      const std::size_t i = static_cast<std::size_t>(x);
      const std::uint32_t sum = columns[i - 1] + 2u * columns[i] + columns[i + 1];
      // sum / 16 to the nearest integer, halves to even; a weighted mean stays in 0 .. 65535.
      std::uint32_t q = sum >> 4;
      const std::uint32_t r = sum & 15u;
      q += (r > 8u || (r == 8u && (q & 1u) != 0u)) ? 1u : 0u;
      if (band.Inclusive(mid[x])) {
        out[x] = static_cast<std::uint16_t>(q);
      }
    }
  }
  FIsoPoints.clear();
}

void TDTV::SharpenRect(const TRect &rect) {
  const Band band = BandOf(*this);
  Apply3x3(
      *this, rect, [&](int raw) { return band.Exclusive(raw); },
      [](const std::uint16_t *p, std::size_t stride) {
        const Neighbours n = Around(p, stride);
        const std::int64_t ring = n.tl + n.tc + n.tr + n.ml + n.mr + n.bl + n.bc + n.br;
        return ClampRaw(RoundDiv(32 * std::int64_t{n.mc} - 2 * ring, 16));
      });
  FIsoPoints.clear();
}

void TDTV::UnsharpMaskRect(const TRect &rect) {
  const InteriorSpan s = Interior(rect, Width(), Height());
  if (s.X0 > s.X1 || s.Y0 > s.Y1) {
    return;
  }
  TDTV blurred; // a new thermogram has the isotherm band off, so every interior pixel is smoothed
  blurred.Assign(*this);
  for (int pass = 0; pass < 4; ++pass) {
    blurred.SmoothRect(rect);
  }
  const Band band = BandOf(*this);
  const std::size_t stride = static_cast<std::size_t>(Width());
  for (int y = s.Y0; y <= s.Y1; ++y) {
    for (int x = s.X0; x <= s.X1; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x);
      const int raw = FRaw[i];
      if (band.Inclusive(raw)) {
        FRaw[i] = ClampRaw(2 * std::int64_t{raw} - blurred.FRaw[i]);
      }
    }
  }
  FIsoPoints.clear();
}

void TDTV::EdgeDetect(const TRect &rect) {
  const Band band = BandOf(*this);
  Apply3x3(
      *this, rect, [&](int raw) { return band.Inclusive(raw); },
      [](const std::uint16_t *p, std::size_t stride) {
        const Neighbours n = Around(p, stride);
        const std::int64_t k1 = (n.tl + 2 * n.tc + n.tr) - (n.bl + 2 * n.bc + n.br);
        const std::int64_t k2 = (-2 * n.tl - n.tc) + (-n.ml + n.mr) + (n.bc + 2 * n.br);
        const std::int64_t k3 = (n.tc + 2 * n.tr) + (-n.ml + n.mr) + (-2 * n.bl - n.bc);
        const std::int64_t k4 = (-n.tl + n.tr) + (-2 * n.ml + 2 * n.mr) + (-n.bl + n.br);
        const std::int64_t squares = k1 * k1 + k2 * k2 + k3 * k3 + k4 * k4;
        return ClampRaw(TruncToInt64(std::sqrt(static_cast<double>(squares))));
      });
  FIsoPoints.clear();
}

void TDTV::Emboss(int direction) {
  static constexpr int kDx[8] = {-1, 0, 1, 1, 1, 0, -1, -1};
  static constexpr int kDy[8] = {-1, -1, -1, 0, 1, 1, 1, 0};
  const int w = Width();
  const int h = Height();
  const std::vector<std::uint16_t> src = FRaw;
  const bool known = direction >= 0 && direction < 8;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x);
      // Border pixels and unknown directions compare a pixel with itself and come out mid-grey.
      const bool border = x == 0 || y == 0 || x == w - 1 || y == h - 1;
      std::size_t j = i;
      if (known && !border) {
        j = static_cast<std::size_t>(y + kDy[direction]) * w + static_cast<std::size_t>(x + kDx[direction]);
      }
      FRaw[i] = ClampRaw(std::abs(int{src[i]} - int{src[j]} + 32767));
    }
  }
  FIsoPoints.clear();
}

void TDTV::FillZeroPixels(bool twice) {
  const int w = Width();
  const int h = Height();
  const int passes = twice ? 2 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const std::vector<std::uint16_t> src = FRaw;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x);
        if (src[i] != 0) {
          continue;
        }
        std::int64_t sum = 0;
        std::int64_t weights = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx;
            const int ny = y + dy;
            if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= w || ny >= h) {
              continue;
            }
            const std::uint16_t v = src[static_cast<std::size_t>(ny) * w + static_cast<std::size_t>(nx)];
            if (v == 0) {
              continue;
            }
            const std::int64_t weight = (dx == 0 || dy == 0) ? 1024 : 202;
            sum += v * weight;
            weights += weight;
          }
        }
        if (weights > 0) {
          FRaw[i] = ClampRaw(RoundDiv(sum, weights));
        }
      }
    }
  }
  FIsoPoints.clear();
}

void TDTV::Destripe() {
  const int w = Width();
  const int h = Height();
  if (w < 1 || h < 1) {
    return;
  }
  // The reference is the mean of the first 16 columns; a narrower frame uses the columns it has.
  const int n = std::min(w, 16);
  auto headSum = [&](int y) {
    const std::size_t row = static_cast<std::size_t>(y) * w;
    std::int64_t sum = 0;
    for (int x = 0; x < n; ++x) {
      sum += FRaw[row + static_cast<std::size_t>(x)];
    }
    return sum;
  };
  const std::int64_t ref = headSum(0) / n;
  for (int y = 0; y < h; ++y) {
    const std::int64_t shift = ref - headSum(y) / n;
    const std::size_t row = static_cast<std::size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      std::uint16_t &raw = FRaw[row + static_cast<std::size_t>(x)];
      raw = ClampRaw(raw + shift);
    }
  }
  FIsoPoints.clear();
}

} // namespace calidarix
