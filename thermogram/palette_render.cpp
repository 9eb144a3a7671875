#include "thermogram/palette_render.h"

#include "platform/numbers.h"
#include "thermogram/render_thread_pool.h"
#include "thermogram/thermogram_globals.h"
#include "thermogram/vector_clones.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <numeric>
#include <span>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace calidarix {

namespace {

constexpr QRgb kWhite = 0xffffffffu;
constexpr QRgb kBlack = 0xff000000u;
// Marker in the colour table of a render: the overlay picture shows through this value.
constexpr QRgb kShowOverlay = 0u;

QRgb Pack(const TRGB &c) {
  return qRgb(c.R, c.G, c.B);
}

// Width of a window in palette steps. An inverted window (top below bottom) would give a zero or
// negative divisor; it counts as the single step at its bottom.
int WindowSteps(int bottom, int top) {
  return std::max(top - bottom + 1, 1);
}

bool FrameUsable(const TDTV &dtv) {
  return dtv.Width() > 0 && dtv.Height() > 0 &&
         dtv.FRaw.size() == static_cast<std::size_t>(dtv.Width()) * static_cast<std::size_t>(dtv.Height());
}

// A 32-bit bitmap of w x h, reused when it already has that size and format so that rows not
// rendered keep their picture; a new or resized one starts black. False when it cannot be made.
bool PrepareBitmap(QImage &bitmap, int w, int h) {
  if (bitmap.width() == w && bitmap.height() == h && bitmap.format() == kRenderFormat) {
    return true;
  }
  bitmap = QImage(w, h, kRenderFormat);
  if (bitmap.isNull()) {
    return false;
  }
  bitmap.fill(kBlack);
  return true;
}

// The colours of the raw values 0 .. 65535 through a locked range whose conversion is exact in
// double: raw x scale + offset, its place in low .. low + span as a level of 0 .. 65535 (truncated,
// clamped), that level's colour in `window`. The level is clamped before it is truncated, which for
// the finite values here gives the same level and lets the loop run without a branch; it runs often
// enough (every film frame with its own range) to be built for AVX2 and AVX-512 too.
CALIDARIX_VECTOR_CLONES
void LockedColours(double scale, double offset, double low, double span, const QRgb *__restrict window,
                   QRgb *__restrict out) {
  constexpr double kTop = kFullScaleRaw;
  for (int raw = 0; raw <= kFullScaleRaw; ++raw) {
    double level = (static_cast<double>(raw) * scale + offset - low) / span * kTop;
    level = level > 0.0 ? level : 0.0;
    level = level < kTop ? level : kTop;
    out[raw] = window[static_cast<int>(level)];
  }
}

// The places of raw values in the palette window, (raw - bottom) / step, as the colour of one value
// works them out (the difference in integers, then one division), for a run of values at once.
CALIDARIX_VECTOR_CLONES
void PalettePlaces(const std::uint16_t *__restrict raws, std::size_t n, int bottom, double step,
                   double *__restrict places) {
  for (std::size_t i = 0; i < n; ++i) {
    places[i] = (raws[i] - bottom) / step;
  }
}

// Conversion of raw values to the locked display range LockMin .. LockMax. A range that is empty or
// inverted (possible only when the fields were set directly) is widened the way SetTemperatureRange
// widens it, so the conversion never divides by zero; a range that is not finite is not applied.
class RangeLock {
public:
  explicit RangeLock(const TDTV &dtv) : dtv_(dtv) {
    double low = dtv.LockMin;
    double high = dtv.LockMax;
    if (low > high) {
      low = high - 1.0;
    }
    if (low == high) {
      high = low + 1.0;
    }
    low_ = low;
    span_ = high - low;
    active_ = dtv.FRangeLocked && std::isfinite(low_) && std::isfinite(span_) && span_ > 0.0;
  }

  bool Active() const { return active_; }

  int Apply(int v) const {
    if (!active_) {
      return v;
    }
    return ToRange(dtv_.RawToTemperature(v));
  }

  // The colours of every raw value 0 .. 65535 into `out`: each converted to the range, then looked
  // up in `window`. RawToTemperature sums raw x Scale + Offset in long double; when that sum is exact
  // there (it is unless Scale and Offset lie very far apart in magnitude), double arithmetic rounds
  // the same exact sum once and gives the same temperature far faster: the product of a 16-bit raw
  // value and a float is exact in a double.
  void ColourAll(const QRgb *window, std::span<QRgb, kWindowTableSize> out) const {
    const float scale = dtv_.FHeader.Scale;
    const float offset = dtv_.FHeader.Offset;
    if (!active_ || !SumExactInLongDouble(scale, offset)) {
      for (int raw = 0; raw <= kFullScaleRaw; ++raw) {
        out[static_cast<std::size_t>(raw)] = window[Apply(raw)];
      }
      return;
    }
    LockedColours(scale, offset, low_, span_, window, out.data());
  }

private:
  int ToRange(double t) const {
    return std::clamp(TruncToInt32((t - low_) / span_ * kFullScaleRaw), 0, kFullScaleRaw);
  }

  // Whether raw x scale + offset, for every raw value below 2^16, fits the significand of a long
  // double without rounding: the product's bits span the float's 24 below raw's 16, the offset's
  // its own 24, and a carry may add one at the top.
  static bool SumExactInLongDouble(float scale, float offset) {
    if (!std::isfinite(scale) || !std::isfinite(offset)) {
      return false;
    }
    if (scale == 0.0f || offset == 0.0f) {
      return true;
    }
    const int top = std::max(std::ilogb(scale) + 16, std::ilogb(offset)) + 1;
    const int bottom = std::min(std::ilogb(scale), std::ilogb(offset)) - 23;
    return top - bottom + 1 <= std::numeric_limits<long double>::digits;
  }

  const TDTV &dtv_;
  double low_ = 0.0;
  double span_ = 1.0;
  bool active_ = false;
};

// The colour of one value in the main picture, by the palette window, the isotherm band, the
// automatic isotherm below the window and the overlay. The value is a (sampled) raw value, or with a
// locked range the raw value converted to that range first.
class WindowColours {
public:
  WindowColours(const TDTV &dtv, bool overlayPresent)
      : dtv_(dtv), palBottom_(256 * dtv.PalBottom), palSteps_(WindowSteps(dtv.PalBottom, dtv.PalTop)),
        isoBottom_(256 * dtv.IsoBottom), isoSteps_(WindowSteps(dtv.IsoBottom, dtv.IsoTop)),
        showOverlay_(overlayPresent && !dtv.isIso) {}

  // kShowOverlay when the overlay picture is to be shown instead.
  QRgb Colour(int v) const {
    const bool smooth = dtv_.FSmoothPalette;

    const double pf = static_cast<double>(v - palBottom_) / palSteps_;
    const int p = TruncToInt32(pf);
    double fp = pf - p;
    if (p < 0 || p >= 255 || fp < 0.0 || !smooth) {
      fp = 0.0;
    }

    if (dtv_.isIso) {
      const double qf = static_cast<double>(v - isoBottom_) / isoSteps_;
      const int q = TruncToInt32(qf);
      double fq = qf - q;
      if (q < 0 || q >= 255 || fq < 0.0 || !smooth) {
        fq = 0.0;
      }
      if (q >= 0 && q <= 255) {
        return dtv_.isIsoColor ? Pack(InterpolatePalette(dtv_.FIsoPalette, q, fq)) : kWhite;
      }
    }

    if (p >= 0 && p <= 255) {
      return Pack(InterpolatePalette(dtv_.FPalette, p, fp));
    }

    // The value lies outside the palette window.
    if (showOverlay_) {
      return kShowOverlay;
    }
    if (dtv_.isIsoAuto) {
      if (p > 255) {
        return Pack(dtv_.FPalette[255]);
      }
      // p < 0 needs v at least one step below the bottom, so the bottom is positive here.
      const double g = static_cast<double>(v) / palBottom_ * 255.0;
      const int k = std::clamp(TruncToInt32(g), 0, 254);
      return Pack(InterpolatePalette(dtv_.FIsoPalette, k, g - k));
    }
    return Pack(dtv_.FPalette[static_cast<std::size_t>(std::clamp(p, 0, 255))]);
  }

private:
  const TDTV &dtv_;
  int palBottom_;
  int palSteps_;
  int isoBottom_;
  int isoSteps_;
  bool showOverlay_;
};

// Writes the colours of the values v = bottom + n with -steps < n < 256 x steps, clipped to the
// table: the palette spread over a window of `steps` values per entry, as WindowColours::Colour
// spreads it. For position r of a segment, truncating the double (n / steps - p) x (c[p+1] - c[p])
// gives the integer quotient of |c[p+1] - c[p]| x r / steps (with its sign) whenever that quotient is
// not a whole number: the double is off by less than 2^-36, and a fraction with divisor steps lies at
// least 1/256 from a whole one. The quotient comes from a 16-bit fixed-point r / steps rounded up,
// which is off by less than 1/256 too. Where the quotient is whole, the double may land a hair below
// it; those positions (multiples of steps / gcd) are worked out by `exact`, the reference
// computation, so every byte stays the same.
template <typename Exact>
void SpreadPalette(const TPaletteTable &pal, int bottom, int steps, bool smooth, std::span<QRgb> table,
                   const Exact &exact) {
  const std::int64_t size = static_cast<std::int64_t>(table.size());
  const auto fill = [&](std::int64_t first, std::int64_t end, QRgb colour) {
    first = std::max<std::int64_t>(first, 0);
    end = std::min(end, size);
    if (first < end) {
      std::fill(table.begin() + first, table.begin() + end, colour);
    }
  };
  const std::int64_t s = steps;
  // Just below the bottom the truncated entry is 0 and the fraction negative, so entry 0 shows.
  fill(bottom - s + 1, bottom, Pack(pal[0]));
  fill(bottom + 255 * s, bottom + 256 * s, Pack(pal[255]));
  if (!smooth || steps > 256) {
    for (int p = 0; p < 255; ++p) {
      if (smooth) {
        for (std::int64_t v = std::max<std::int64_t>(bottom + p * s, 0);
             v < std::min(bottom + (p + 1) * s, size); ++v) {
          table[static_cast<std::size_t>(v)] = exact(static_cast<int>(v));
        }
      } else {
        fill(bottom + p * s, bottom + (p + 1) * s, Pack(pal[static_cast<std::size_t>(p)]));
      }
    }
    return;
  }
  // r / steps in 16-bit fixed point, rounded up.
  std::array<std::uint16_t, 256> fraction{};
  for (int r = 0; r < steps; ++r) {
    fraction[static_cast<std::size_t>(r)] =
        static_cast<std::uint16_t>((static_cast<std::int64_t>(r) * 65536 + steps - 1) / steps);
  }
  for (int p = 0; p < 255; ++p) {
    const std::int64_t segment = bottom + p * s;
    const std::int64_t first = std::max<std::int64_t>(segment, 0);
    const std::int64_t end = std::min(segment + s, size);
    if (first >= end) {
      continue;
    }
    const TRGB &a = pal[static_cast<std::size_t>(p)];
    const TRGB &b = pal[static_cast<std::size_t>(p + 1)];
    // Per channel its start, the magnitude of its change and the sign mask of the change; 16-bit
    // lanes, so that eight positions take one multiplication.
    const auto magnitude = [](int from, int to) { return static_cast<std::uint16_t>(std::abs(to - from)); };
    const auto sign = [](int from, int to) { return static_cast<std::uint16_t>(to < from ? 0xffffu : 0u); };
    const std::uint16_t dr = magnitude(a.R, b.R), dg = magnitude(a.G, b.G), db = magnitude(a.B, b.B);
    const std::uint16_t mr = sign(a.R, b.R), mg = sign(a.G, b.G), mb = sign(a.B, b.B);
    const auto channel = [](std::uint16_t from, std::uint16_t d, std::uint16_t mask, std::uint16_t f) {
      const auto q = static_cast<std::uint16_t>((static_cast<std::uint32_t>(d) * f) >> 16);
      return static_cast<std::uint32_t>(static_cast<std::uint16_t>(from + ((q ^ mask) - mask)) & 0xffu);
    };
    QRgb *out = table.data() + first;
    const std::uint16_t *f = fraction.data() + (first - segment);
    const std::int64_t n = end - first;
    std::int64_t k = 0;
#if defined(__SSE2__)
    // Eight positions at a time: the high half of the 16 x 16-bit products is the quotient.
    const auto lanes = [](std::uint16_t v) { return _mm_set1_epi16(static_cast<short>(v)); };
    const __m128i fromR = lanes(a.R), fromG = lanes(a.G), fromB = lanes(a.B);
    const __m128i dR = lanes(dr), dG = lanes(dg), dB = lanes(db);
    const __m128i mR = lanes(mr), mG = lanes(mg), mB = lanes(mb);
    const __m128i opaque = lanes(0xff00);
    const auto channels = [](__m128i from, __m128i d, __m128i mask, __m128i fr) {
      const __m128i q = _mm_mulhi_epu16(d, fr);
      return _mm_add_epi16(from, _mm_sub_epi16(_mm_xor_si128(q, mask), mask));
    };
    for (; k + 8 <= n; k += 8) {
      const __m128i fr = _mm_loadu_si128(reinterpret_cast<const __m128i *>(f + k));
      const __m128i red = channels(fromR, dR, mR, fr);
      const __m128i green = channels(fromG, dG, mG, fr);
      const __m128i blue = channels(fromB, dB, mB, fr);
      const __m128i low = _mm_or_si128(_mm_slli_epi16(green, 8), blue);
      const __m128i high = _mm_or_si128(opaque, red);
      _mm_storeu_si128(reinterpret_cast<__m128i *>(out + k), _mm_unpacklo_epi16(low, high));
      _mm_storeu_si128(reinterpret_cast<__m128i *>(out + k + 4), _mm_unpackhi_epi16(low, high));
    }
#endif
    for (; k < n; ++k) {
      out[k] = 0xff000000u | (channel(a.R, dr, mr, f[k]) << 16) | (channel(a.G, dg, mg, f[k]) << 8) |
               channel(a.B, db, mb, f[k]);
    }
    // The whole quotients: r a multiple of steps / gcd(change, steps), r > 0.
    for (const std::uint16_t d : {dr, dg, db}) {
      if (d == 0) {
        continue;
      }
      const std::int64_t period = s / std::gcd(static_cast<std::int64_t>(d), s);
      for (std::int64_t r = period; r < s; r += period) {
        const std::int64_t v = segment + r;
        if (v >= first && v < end) {
          table[static_cast<std::size_t>(v)] = exact(static_cast<int>(v));
        }
      }
    }
  }
}

// Everything the colour of a raw value depends on besides the value itself. Reals are compared by
// their bits, so that a changed sign of zero or a not-a-number value also counts as a change.
struct MappingKey {
  TPaletteTable palette{};
  TPaletteTable isoPalette{};
  int palBottom = 0;
  int palTop = 0;
  int isoBottom = 0;
  int isoTop = 0;
  bool isIso = false;
  bool isIsoColor = false;
  bool isIsoAuto = false;
  bool smooth = false;
  bool overlay = false;
  bool locked = false;
  std::uint64_t lockMin = 0;
  std::uint64_t lockMax = 0;
  std::uint32_t scale = 0;
  std::uint32_t offset = 0;

  static MappingKey Of(const TDTV &dtv, bool overlayPresent) {
    MappingKey key;
    key.palette = dtv.FPalette;
    key.isoPalette = dtv.FIsoPalette;
    key.palBottom = dtv.PalBottom;
    key.palTop = dtv.PalTop;
    key.isoBottom = dtv.IsoBottom;
    key.isoTop = dtv.IsoTop;
    key.isIso = dtv.isIso;
    key.isIsoColor = dtv.isIsoColor;
    key.isIsoAuto = dtv.isIsoAuto;
    key.smooth = dtv.FSmoothPalette;
    key.overlay = overlayPresent;
    key.locked = dtv.FRangeLocked;
    // Scale, Offset and the lock only matter while the lock is on.
    if (dtv.FRangeLocked) {
      key.lockMin = std::bit_cast<std::uint64_t>(dtv.LockMin);
      key.lockMax = std::bit_cast<std::uint64_t>(dtv.LockMax);
      key.scale = std::bit_cast<std::uint32_t>(dtv.FHeader.Scale);
      key.offset = std::bit_cast<std::uint32_t>(dtv.FHeader.Offset);
    }
    return key;
  }

  friend bool operator==(const MappingKey &, const MappingKey &) = default;
};

// The colours of all 65536 values by the windows, before any locked range. Building the table costs
// about as much as mapping a whole frame pixel by pixel, and it depends neither on the frame nor on
// its Scale and Offset, so it is kept for the next render until a palette, window or flag changes:
// live frames, repaints and film frames reuse it.
const std::vector<QRgb> &WindowTable(const TDTV &dtv, bool overlayPresent) {
  thread_local std::vector<QRgb> table;
  thread_local MappingKey builtFor;
  MappingKey key = MappingKey::Of(dtv, overlayPresent);
  key.locked = false;
  key.lockMin = key.lockMax = 0;
  key.scale = key.offset = 0;
  if (table.empty() || !(key == builtFor)) {
    table.resize(static_cast<std::size_t>(kFullScaleRaw) + 1);
    BuildWindowColourTable(dtv, overlayPresent,
                           std::span<QRgb, kWindowTableSize>(table.data(), kWindowTableSize));
    builtFor = key;
  }
  return table;
}

// The colours of all 65536 raw values (bilinear samples are raw values too). With a locked range the
// raw values are first converted to the range, which depends on Scale and Offset: every film frame
// has its own, so only that conversion is redone per frame, through the window table that stays.
const std::vector<QRgb> &ColourTable(const TDTV &dtv, bool overlayPresent) {
  const std::vector<QRgb> &window = WindowTable(dtv, overlayPresent);
  const RangeLock lock(dtv);
  if (!lock.Active()) {
    return window;
  }
  thread_local std::vector<QRgb> table;
  thread_local MappingKey builtFor;
  const MappingKey key = MappingKey::Of(dtv, overlayPresent);
  if (table.empty() || !(key == builtFor)) {
    table.resize(window.size());
    lock.ColourAll(window.data(), std::span<QRgb, kWindowTableSize>(table.data(), kWindowTableSize));
    builtFor = key;
  }
  return table;
}

} // namespace

TRGB InterpolatePalette(const TPaletteTable &table, int p, double f) {
  p = std::clamp(p, 0, 255);
  const TRGB &a = table[static_cast<std::size_t>(p)];
  if (!(f > 0.0) || p == 255) {
    return a;
  }
  const TRGB &b = table[static_cast<std::size_t>(p + 1)];
  const auto channel = [f](int from, int to) {
    return static_cast<std::uint8_t>(std::clamp(from + TruncToInt32((to - from) * f), 0, 255));
  };
  return TRGB{channel(a.R, b.R), channel(a.G, b.G), channel(a.B, b.B)};
}

void BuildWindowColourTable(const TDTV &dtv, bool overlayPresent, std::span<QRgb, kWindowTableSize> table) {
  const WindowColours colours(dtv, overlayPresent);
  const auto exact = [&colours](int v) { return colours.Colour(v); };
  const int palBottom = 256 * dtv.PalBottom;
  const int palSteps = WindowSteps(dtv.PalBottom, dtv.PalTop);
  const int isoBottom = 256 * dtv.IsoBottom;
  const int isoSteps = WindowSteps(dtv.IsoBottom, dtv.IsoTop);

  // Outside the palette window: the overlay, the last colour above, and below the first colour or
  // the automatic isotherm.
  const bool overlay = overlayPresent && !dtv.isIso;
  constexpr int kSize = static_cast<int>(kWindowTableSize);
  const int below = std::clamp(palBottom - palSteps + 1, 0, kSize);
  const int above = std::clamp(palBottom + 256 * palSteps, 0, kSize);
  if (overlay) {
    std::fill(table.begin(), table.end(), kShowOverlay);
  } else {
    if (dtv.isIsoAuto) {
      for (int v = 0; v < below; ++v) {
        table[static_cast<std::size_t>(v)] = exact(v);
      }
    } else {
      std::fill(table.begin(), table.begin() + below, Pack(dtv.FPalette[0]));
    }
    std::fill(table.begin() + above, table.end(), Pack(dtv.FPalette[255]));
  }
  SpreadPalette(dtv.FPalette, palBottom, palSteps, dtv.FSmoothPalette, table, exact);

  // The isotherm band lies over everything else.
  if (dtv.isIso) {
    if (dtv.isIsoColor) {
      SpreadPalette(dtv.FIsoPalette, isoBottom, isoSteps, dtv.FSmoothPalette, table, exact);
    } else {
      const int first = std::clamp(isoBottom - isoSteps + 1, 0, kSize);
      const int end = std::clamp(isoBottom + 256 * isoSteps, 0, kSize);
      std::fill(table.begin() + first, table.begin() + end, kWhite);
    }
  }
}

QList<QRgb> MakeLogicalPalette(const TPaletteTable &palette, const TPaletteTable &isoPalette,
                               std::uint8_t palBottom, std::uint8_t palTop, std::uint8_t isoBottom,
                               std::uint8_t isoTop, bool isIso, bool isIsoColor, bool isIsoAuto) {
  int pb = palBottom;
  int pt = palTop;
  int ib = isoBottom;
  int it = isoTop;
  if (pb == pt) {
    if (pb == 255) {
      pb = 254;
    } else {
      pt = pt + 1;
    }
  }
  if (ib == it) {
    if (ib == 255) {
      ib = 254;
    } else {
      it = it + 1;
    }
  }
  const auto entry = [](const TPaletteTable &table, int index) {
    return Pack(table[static_cast<std::size_t>(std::clamp(index, 0, 255))]);
  };

  QList<QRgb> colours(256, kBlack);
  for (int i = 0; i < pb; ++i) {
    if (!isIsoAuto) {
      colours[i] = entry(palette, 0);
    } else if (pb == 1) {
      colours[i] = entry(isoPalette, 0);
    } else {
      colours[i] = entry(isoPalette, RoundToInt32(static_cast<double>(i) / (pb - 1) * 255.0));
    }
  }
  // Below, pt > pb and it > ib whenever their loops run, so no division is by zero.
  for (int i = pb; i <= pt; ++i) {
    colours[i] = entry(palette, RoundToInt32(static_cast<double>(i - pb) / (pt - pb) * 255.0));
  }
  for (int i = pt + 1; i <= 255; ++i) {
    colours[i] = entry(palette, 255);
  }
  if (isIso) {
    for (int i = ib; i <= it; ++i) {
      colours[i] = isIsoColor
                       ? entry(isoPalette, TruncToInt32(static_cast<double>(i - ib) / (it - ib) * 255.0))
                       : kWhite;
    }
  }
  return colours;
}

void TDTV::RenderToBitmap(const TRect &rect, int firstRow, int lastRow) {
  RenderToBitmapWith(*this, rect, firstRow, lastRow, RenderPaths{});
}

namespace {

// Where each bitmap column falls in the frame, the same for every row: outside (a white edge or
// black), or column ix with the fraction fx towards ix1. The comparisons are written so that a
// position that is not a number (a zero zoom, say) counts as outside.
struct ColumnMap {
  std::vector<QRgb> outside; // the colour of a column outside the frame; 0 for a column inside
  std::vector<double> x;
  std::vector<int> ix;
  std::vector<int> ix1;
  std::vector<double> fx;
  std::vector<int> overlayX;
  // The inside columns as one run of bitmap columns, when they form one (they do whenever the zoom is
  // an ordinary number, since x grows with the column).
  int insideFirst = 0;
  int insideCount = 0;
  bool oneRun = false;
  // Every inside column lands on a whole frame column ...
  bool wholeColumns = false;
  // ... and they are consecutive frame columns, starting at ix[insideFirst].
  bool straight = false;
};

ColumnMap MapColumns(const TDTV &dtv, int bitmapW, int w, const QImage &overlay) {
  const auto count = static_cast<std::size_t>(bitmapW);
  ColumnMap map;
  map.outside.assign(count, 0);
  map.x.assign(count, 0.0);
  map.ix.assign(count, 0);
  map.ix1.assign(count, 0);
  map.fx.assign(count, 0.0);
  map.overlayX.assign(count, 0);
  int first = -1;
  int last = -1;
  for (std::size_t c = 0; c < count; ++c) {
    const double x = static_cast<double>(c) / dtv.FZoom + dtv.FViewOffsetX;
    map.x[c] = x;
    if (!(x >= 0.0 && x < w)) {
      map.outside[c] = (x > -2.0 && x < 0.0) || (x >= w && x < w + 2.0) ? kWhite : kBlack;
      continue;
    }
    // As in SampleBilinear, the last column has no right neighbour: its fraction counts as 0.
    map.ix[c] = TruncToInt32(x);
    const bool lastColumn = map.ix[c] == w - 1;
    map.fx[c] = lastColumn ? 0.0 : x - map.ix[c];
    map.ix1[c] = lastColumn ? map.ix[c] : map.ix[c] + 1;
    if (!overlay.isNull()) {
      map.overlayX[c] = std::clamp(TruncToInt32(overlay.width() * x / w), 0, overlay.width() - 1);
    }
    if (first < 0) {
      first = static_cast<int>(c);
    }
    last = static_cast<int>(c);
  }
  if (first < 0) {
    map.oneRun = true; // no column inside: an empty run
    return map;
  }
  map.insideFirst = first;
  map.insideCount = last - first + 1;
  const auto begin = map.outside.begin() + first;
  map.oneRun = std::all_of(begin, begin + map.insideCount, [](QRgb edge) { return edge == 0; });
  if (!map.oneRun) {
    return map;
  }
  const auto inside = [&](const auto &values) { return std::span(values).subspan(map.insideFirst); };
  const auto fractions = inside(map.fx).first(static_cast<std::size_t>(map.insideCount));
  map.wholeColumns = std::all_of(fractions.begin(), fractions.end(), [](double f) { return f == 0.0; });
  const auto columns = inside(map.ix).first(static_cast<std::size_t>(map.insideCount));
  map.straight = map.wholeColumns;
  for (std::size_t k = 0; map.straight && k < columns.size(); ++k) {
    map.straight = columns[k] == columns[0] + static_cast<int>(k);
  }
  return map;
}

// Everything the rows of one render share. Nothing in it is written while rows are rendered, so
// several threads can render rows at once.
struct RowJob {
  const TDTV &dtv;
  int w = 0;
  int h = 0;
  int bitmapW = 0;
  uchar *bits = nullptr; // taken once before the rows are shared out: QImage::scanLine writes
  qsizetype bytesPerLine = 0;
  const ColumnMap &columns;
  const QRgb *colours = nullptr;
  const QImage &overlay; // null without an overlay
  bool fastRows = false;
};

// A mixed sample, rounded half to even as RoundToUInt16Clamped rounds it: adding 2^52 to a value in
// 0 .. 2^52 leaves no fraction bits, so the addition itself rounds (half to even in the default
// rounding mode) and the low bits of the sum hold the whole number. The mixes here lie in 0 .. 65535
// (two weights that sum to 1), so the low 16 bits are the sample. Reading them from the bits instead
// of converting back to an integer is what lets the compiler vectorise the loops below well.
std::uint16_t RoundedSample(double mix) {
  constexpr double kRoundingShift = 4503599627370496.0;
  return static_cast<std::uint16_t>(std::bit_cast<std::uint64_t>(mix + kRoundingShift));
}

// Two frame rows mixed at whole columns: upper x gy + lower x fy. At whole columns the sampler's
// column weights are 1 and 0, so its four products reduce to exactly these two and the sums agree to
// the bit; the loop has no branch, so it vectorises. With only the baseline vector instructions it
// still costs twice the colour look-ups, so it is also built for AVX2 and AVX-512 (vector_clones.h).
// No version forms a fused multiply-add (see CMakeLists.txt), so they all give the same samples.
CALIDARIX_VECTOR_CLONES
void MixRows(const std::uint16_t *__restrict upper, const std::uint16_t *__restrict lower, double gy,
             double fy, std::uint16_t *__restrict out, int n) {
  for (int k = 0; k < n; ++k) {
    out[k] = RoundedSample(upper[k] * gy + lower[k] * fy);
  }
}

// The same at whole columns that are not consecutive (a zoom of 1/2, 1/3, ...).
void MixColumns(const std::uint16_t *upper, const std::uint16_t *lower, const int *columns, double gy,
                double fy, std::uint16_t *__restrict out, int n) {
  for (int k = 0; k < n; ++k) {
    const int c = columns[k];
    out[k] = RoundedSample(upper[c] * gy + lower[c] * fy);
  }
}

// Two frame rows mixed at columns that fall between frame columns (a zoom that is not whole): the
// general loop's four products in its order, without its branches. A column on a whole frame column
// (fx 0) on a whole row (fy 0) gives its pixel exactly, as the general loop's shortcut does, since
// the other products are 0. Built for AVX2 and AVX-512 too, like MixRows.
CALIDARIX_VECTOR_CLONES
void MixBetweenColumns(const std::uint16_t *upper, const std::uint16_t *lower, const int *__restrict ix,
                       const int *__restrict ix1, const double *__restrict fx, double gy, double fy,
                       std::uint16_t *__restrict out, int n) {
  for (int k = 0; k < n; ++k) {
    const double gx = 1.0 - fx[k];
    const double mix = upper[ix[k]] * (gx * gy) + upper[ix1[k]] * (fx[k] * gy) + lower[ix[k]] * (gx * fy) +
                       lower[ix1[k]] * (fx[k] * fy);
    out[k] = RoundedSample(mix);
  }
}

// Colours of consecutive frame values. A plain scalar loop on purpose: measured, one load and one
// store per pixel beat the compiler's vectorised form (gathers emulated with the baseline vector
// instructions) when the values stream from the frame.
void LookUp(const std::uint16_t *values, const QRgb *colours, QRgb *line, int n) {
  for (int k = 0; k < n; ++k) {
    line[k] = colours[values[k]];
  }
}

// The same for the mixed row, which is small and sits in the first-level cache: there the vectorised
// form measured faster, so the compiler is told the three arrays do not overlap.
void LookUpMixed(const std::uint16_t *__restrict values, const QRgb *__restrict colours,
                 QRgb *__restrict line, int n) {
  for (int k = 0; k < n; ++k) {
    line[k] = colours[values[k]];
  }
}

void LookUpColumns(const std::uint16_t *row, const int *columns, const QRgb *colours, QRgb *line, int n) {
  for (int k = 0; k < n; ++k) {
    line[k] = colours[row[columns[k]]];
  }
}

// Bitmap rows `from` .. `to`. `mixed` holds at least one value per inside column.
void RenderRows(const RowJob &job, int from, int to, std::uint16_t *mixed) {
  const TDTV &dtv = job.dtv;
  const ColumnMap &map = job.columns;
  const bool hasOverlay = !job.overlay.isNull();
  const bool rowPaths = job.fastRows && !dtv.FSkewCorrect && !hasOverlay && map.oneRun;
  const bool fast = rowPaths && map.wholeColumns;
  const bool between = rowPaths && !map.wholeColumns;
  const int first = map.insideFirst;
  const int n = map.insideCount;
  const auto columnCount = static_cast<std::size_t>(job.bitmapW);

  for (int r = from; r <= to; ++r) {
    auto *line = reinterpret_cast<QRgb *>(job.bits + static_cast<qsizetype>(r) * job.bytesPerLine);
    const double y = r / dtv.FZoom / dtv.FPixelAspect + dtv.FViewOffsetY;
    if (!(y >= 0.0 && y < job.h)) {
      const bool edge = (y > -2.0 && y < 0.0) || (y >= job.h && y < job.h + 2.0);
      std::fill(line, line + job.bitmapW, edge ? kWhite : kBlack);
      continue;
    }
    const int iy = TruncToInt32(y);
    const bool lastRow = iy == job.h - 1;
    const double fy = lastRow ? 0.0 : y - iy;
    const double gy = 1.0 - fy;
    const std::uint16_t *row0 =
        dtv.FRaw.data() + static_cast<std::size_t>(iy) * static_cast<std::size_t>(job.w);
    const std::uint16_t *row1 = lastRow ? row0 : row0 + job.w;

    if (fast) {
      std::copy(map.outside.begin(), map.outside.begin() + first, line);
      std::copy(map.outside.begin() + first + n, map.outside.end(), line + first + n);
      const int *columns = map.ix.data() + first;
      QRgb *inside = line + first;
      if (fy == 0.0) {
        // Every sample is a frame pixel: straight through the colour table.
        if (map.straight) {
          LookUp(row0 + columns[0], job.colours, inside, n);
        } else {
          LookUpColumns(row0, columns, job.colours, inside, n);
        }
      } else {
        // The row falls between two frame rows (any display aspect at zoom 1).
        if (map.straight) {
          MixRows(row0 + columns[0], row1 + columns[0], gy, fy, mixed, n);
        } else {
          MixColumns(row0, row1, columns, gy, fy, mixed, n);
        }
        LookUpMixed(mixed, job.colours, inside, n);
      }
      continue;
    }
    if (between) {
      std::copy(map.outside.begin(), map.outside.begin() + first, line);
      std::copy(map.outside.begin() + first + n, map.outside.end(), line + first + n);
      MixBetweenColumns(row0, row1, map.ix.data() + first, map.ix1.data() + first, map.fx.data() + first, gy,
                        fy, mixed, n);
      LookUpMixed(mixed, job.colours, line + first, n);
      continue;
    }

    // The general loop, for every other view.
    const QRgb *overlayLine = nullptr;
    if (hasOverlay) {
      const int oy = std::clamp(TruncToInt32(job.overlay.height() * y / job.h), 0, job.overlay.height() - 1);
      overlayLine = reinterpret_cast<const QRgb *>(job.overlay.constScanLine(oy));
    }
    for (std::size_t c = 0; c < columnCount; ++c) {
      if (map.outside[c] != 0) {
        line[c] = map.outside[c];
        continue;
      }
      const int ix = map.ix[c];
      const int ix1 = map.ix1[c];
      const double fx = map.fx[c];
      int v;
      if (dtv.FSkewCorrect) {
        v = dtv.SampleBilinear(map.x[c], y);
      } else if (fx == 0.0 && fy == 0.0) {
        v = row0[ix];
      } else {
        // SampleBilinear's mix, inlined: a call per pixel is too slow for the paint path. A test
        // holds the two to the same values.
        const double gx = 1.0 - fx;
        const double mix =
            row0[ix] * (gx * gy) + row0[ix1] * (fx * gy) + row1[ix] * (gx * fy) + row1[ix1] * (fx * fy);
        v = RoundToUInt16Clamped(mix);
      }
      const QRgb colour = job.colours[static_cast<std::size_t>(v)];
      line[c] = colour != kShowOverlay ? colour : (overlayLine[map.overlayX[c]] | kBlack);
    }
  }
}

} // namespace

void RenderToBitmapWith(TDTV &dtv, const TRect &rect, int firstRow, int lastRow, const RenderPaths &paths) {
  const std::int64_t bitmapW64 = std::int64_t{rect.Right} - rect.Left;
  const std::int64_t bitmapH64 = std::int64_t{rect.Bottom} - rect.Top;
  if (bitmapW64 <= 0 || bitmapH64 <= 0 || bitmapW64 > INT32_MAX || bitmapH64 > INT32_MAX) {
    return;
  }
  const int bitmapW = static_cast<int>(bitmapW64);
  const int bitmapH = static_cast<int>(bitmapH64);
  if (!PrepareBitmap(dtv.FBitmap, bitmapW, bitmapH)) {
    return;
  }

  // A frame whose size does not match its pixels is drawn as an empty one: only the edge shows.
  const bool usable = FrameUsable(dtv);
  const int w = usable ? dtv.Width() : 0;
  const int h = usable ? dtv.Height() : 0;

  int rowFrom = 0;
  int rowTo = bitmapH - 1;
  if (firstRow != 0 || lastRow != 0) {
    if (h == 0) {
      return;
    }
    const auto bitmapRow = [&](int row) {
      const int clamped = std::clamp(row, 0, h - 1);
      const int r = TruncToInt32((clamped - dtv.FViewOffsetY) * dtv.FZoom * dtv.FPixelAspect);
      return std::clamp(r, 0, bitmapH - 1);
    };
    rowFrom = bitmapRow(firstRow);
    rowTo = bitmapRow(lastRow);
    if (rowTo < rowFrom) {
      return;
    }
  }

  QImage overlay;
  if (!dtv.FOverlay.isNull() && dtv.FOverlay.width() > 0 && dtv.FOverlay.height() > 0) {
    overlay =
        dtv.FOverlay.format() == kRenderFormat ? dtv.FOverlay : dtv.FOverlay.convertToFormat(kRenderFormat);
  }
  const ColumnMap columns = MapColumns(dtv, bitmapW, w, overlay);
  const RowJob job{dtv,
                   w,
                   h,
                   bitmapW,
                   dtv.FBitmap.bits(),
                   dtv.FBitmap.bytesPerLine(),
                   columns,
                   ColourTable(dtv, !overlay.isNull()).data(),
                   overlay,
                   paths.fastRows};
  const auto mixedLength = static_cast<std::size_t>(std::max(columns.insideCount, 1));

  const int rows = rowTo - rowFrom + 1;
  RenderThreadPool &pool = RenderThreadPool::Shared();
  // Each thread first pulls the 256 KiB colour table into its own cache, which costs about as much as
  // rendering a quarter of a megapixel, so a thread is only worth it for half a megapixel or more.
  constexpr std::int64_t kPixelsPerThread = std::int64_t{1} << 19;
  const std::int64_t pixels = std::int64_t{rows} * bitmapW;
  int threads = 1;
  if (pixels > kParallelRenderPixels) {
    const auto worthwhile = static_cast<int>(std::min<std::int64_t>(pixels / kPixelsPerThread, 64));
    threads = std::min(pool.Concurrency(), worthwhile);
    if (paths.maxThreads > 0) {
      threads = std::min(threads, paths.maxThreads);
    }
  }
  if (threads <= 1) {
    std::vector<std::uint16_t> mixed(mixedLength);
    RenderRows(job, rowFrom, rowTo, mixed.data());
    return;
  }
  // Many narrow bands rather than one per thread: a thread that the system holds back then delays
  // the picture by one small band, and the others take the rest.
  const int parts = std::min(rows, threads * 8);
  std::vector<std::uint16_t> mixed(mixedLength * static_cast<std::size_t>(parts));
  pool.Run(
      parts,
      [&](int part) {
        const int from = rowFrom + static_cast<int>(std::int64_t{rows} * part / parts);
        const int to = rowFrom + static_cast<int>(std::int64_t{rows} * (part + 1) / parts) - 1;
        RenderRows(job, from, to, mixed.data() + mixedLength * static_cast<std::size_t>(part));
      },
      threads);
}

void TDTV::RenderAnaglyph() {
  if (!FrameUsable(*this)) {
    return;
  }
  const int w = Width();
  const int h = Height();
  if (!PrepareBitmap(FBitmap, w, h)) {
    return;
  }
  const std::size_t count = FRaw.size();
  // The value of the ramp from a towards b after k of s steps.
  const auto ramp = [](int a, int b, int s, int k) {
    if (s == 0) {
      return a;
    }
    const int value = a - TruncToInt32(static_cast<double>(a - b) / s * k);
    return std::clamp(value, 0, kFullScaleRaw);
  };
  const auto setByte = [](QRgb &pixel, int shift, int value) {
    pixel = (pixel & ~(0xffu << shift)) | (static_cast<QRgb>(value & 0xff) << shift);
  };
  constexpr int kRed = 16;
  constexpr int kGreen = 8;
  constexpr int kBlue = 0;

  for (int y = 0; y < h; ++y) {
    auto *line = reinterpret_cast<QRgb *>(FBitmap.scanLine(y));
    const std::size_t base = static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
    // Blue and green: bright values shift left, ramping towards the next value.
    for (int x = 0; x < w; ++x) {
      const std::size_t index = base + static_cast<std::size_t>(x);
      const int v = FRaw[index];
      const int next = index + 1 < count ? FRaw[index + 1] : v;
      const int s = v >> 13;
      if (s < x) {
        for (int k = 0; k <= s; ++k) {
          QRgb &pixel = line[x - s + k];
          setByte(pixel, kBlue, ramp(v, next, s, k) >> 8);
          setByte(pixel, kGreen, v >> 8);
        }
      }
    }
    // Red: bright values shift right, ramping towards the previous value.
    for (int c = w - 1; c >= 1; --c) {
      const int v = FRaw[base + static_cast<std::size_t>(c)];
      const int previous = FRaw[base + static_cast<std::size_t>(c) - 1];
      const int s = v >> 13;
      if (c > s) {
        for (int k = 0; k <= s; ++k) {
          const int p = c + s - k;
          if (p < w) {
            setByte(line[p], kRed, ramp(v, previous, s, k) >> 8);
          }
        }
      }
    }
  }
}

void TDTV::RenderPalettedBitmap() {
  if (!FrameUsable(*this)) {
    return;
  }
  const int w = Width();
  const int h = Height();
  // Rows of the 8-bit picture hold an even number of pixels.
  const int w2 = w & ~1;
  if (w2 == 0) {
    return;
  }
  QImage bitmap(w2, h, QImage::Format_Indexed8);
  if (!bitmap.isNull()) {
    bitmap.setColorTable(MakeLogicalPalette(FPalette, FIsoPalette, PalBottom, PalTop, IsoBottom, IsoTop,
                                            isIso, isIsoColor, isIsoAuto));
    for (int y = 0; y < h; ++y) {
      uchar *line = bitmap.scanLine(y);
      const std::uint16_t *row = FRaw.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
      for (int x = 0; x < w2; ++x) {
        line[x] = static_cast<uchar>(row[x] / 257);
      }
    }
  }
  FBitmap = std::move(bitmap);
}

void TDTV::RenderRawBitmap() {
  if (!FrameUsable(*this)) {
    return;
  }
  const int w = Width();
  const int h = Height();
  QImage bitmap(w, h, kRenderFormat);
  if (!bitmap.isNull()) {
    for (int y = 0; y < h; ++y) {
      auto *line = reinterpret_cast<QRgb *>(bitmap.scanLine(y));
      const std::uint16_t *row = FRaw.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
      for (int x = 0; x < w; ++x) {
        const QRgb raw = row[x];
        line[x] = kBlack | ((raw & 0xffu) << 8) | (raw >> 8); // green = low byte, blue = high byte
      }
    }
  }
  FBitmap = std::move(bitmap);
}

void TDTV::PreparePaletteScaling() const {
  PalRawBottom = 256 * PalBottom;
  IsoRawBottom = 256 * IsoBottom;
  PalRawStep = (WindowSteps(PalBottom, PalTop) * 256 - 1) / 255.0;
  IsoRawStep = (WindowSteps(IsoBottom, IsoTop) * 256 - 1) / 255.0;
}

namespace {

// The colour of entry k (0 .. 255) at fraction (0 <= fraction < 1) towards entry k + 1:
// InterpolatePalette for the arguments RawToColor gives it, where no clamp or guard can act. A zero
// fraction adds nothing, so there is no branch to mispredict.
inline TRGB BlendEntries(const TPaletteTable &table, int k, double fraction) {
  const TRGB &a = table[static_cast<std::size_t>(k)];
  const TRGB &b = table[static_cast<std::size_t>(std::min(k + 1, 255))];
  const auto channel = [fraction](int from, int to) {
    return static_cast<std::uint8_t>(from + static_cast<int>((to - from) * fraction));
  };
  return TRGB{channel(a.R, b.R), channel(a.G, b.G), channel(a.B, b.B)};
}

// RawToColor with the lock and the prepared scaling read once, for runs of values.
class RawColours {
public:
  explicit RawColours(const TDTV &dtv)
      : dtv_(dtv), lock_(dtv), palBottom_(PalRawBottom), isoBottom_(IsoRawBottom), palStep_(PalRawStep),
        isoStep_(IsoRawStep) {}

  TRGB Of(std::uint16_t raw) const {
    const int v = lock_.Apply(raw);
    const bool smooth = dtv_.FSmoothPalette;
    if (dtv_.isIso) {
      const double f = (v - isoBottom_) / isoStep_;
      const int k = TruncToInt32(f);
      const double fraction = (f > 255.0 || f < 0.0 || !smooth) ? 0.0 : f - k;
      if (k >= 0 && k <= 255) {
        return BlendEntries(dtv_.FIsoPalette, k, fraction);
      }
    }
    return OfPalettePlace((v - palBottom_) / palStep_);
  }

  // Whether a value's colour depends only on its place in the palette window: no locked range and no
  // isotherm palette to consult first.
  bool PaletteOnly() const { return !lock_.Active() && !dtv_.isIso; }
  int PaletteBottom() const { return palBottom_; }
  double PaletteStep() const { return palStep_; }

  // The colour at place f of the palette window (entries 0 .. 255, between entries when smooth).
  TRGB OfPalettePlace(double f) const {
    const int k = TruncToInt32(f);
    const double fraction = (f >= 0.0 && dtv_.FSmoothPalette) ? f - k : 0.0;
    if (k >= 255) {
      return dtv_.FPalette[255];
    }
    if (k <= 0) {
      return dtv_.FPalette[0];
    }
    return BlendEntries(dtv_.FPalette, k, fraction);
  }

private:
  const TDTV &dtv_;
  RangeLock lock_;
  int palBottom_;
  int isoBottom_;
  double palStep_;
  double isoStep_;
};

// Steps are at least 1 once prepared; a caller that never prepared gets this thermogram's windows
// rather than a division by zero.
void EnsurePaletteScaling(const TDTV &dtv) {
  if (!(PalRawStep > 0.0) || !(IsoRawStep > 0.0)) {
    dtv.PreparePaletteScaling();
  }
}

} // namespace

TRGB TDTV::RawToColor(std::uint16_t raw) const {
  EnsurePaletteScaling(*this);
  return RawColours(*this).Of(raw);
}

void RawsToColors(const TDTV &dtv, std::span<const std::uint16_t> raws, std::span<TRGB> colours) {
  EnsurePaletteScaling(dtv);
  const RawColours convert(dtv);
  const std::size_t n = std::min(raws.size(), colours.size());
  if (!convert.PaletteOnly()) {
    for (std::size_t i = 0; i < n; ++i) {
      colours[i] = convert.Of(raws[i]);
    }
    return;
  }
  // The places in the window first, a block at a time in one vectorised pass, then the colours.
  std::array<double, 256> places;
  for (std::size_t start = 0; start < n; start += places.size()) {
    const std::size_t count = std::min(places.size(), n - start);
    PalettePlaces(raws.data() + start, count, convert.PaletteBottom(), convert.PaletteStep(), places.data());
    for (std::size_t i = 0; i < count; ++i) {
      colours[start + i] = convert.OfPalettePlace(places[i]);
    }
  }
}

} // namespace calidarix
