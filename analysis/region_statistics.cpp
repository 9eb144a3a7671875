#include "analysis/region_statistics.h"

#include "platform/numbers.h"
#include "thermogram/frame_statistics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace calidarix {

namespace {

constexpr int kRawValues = 65536;

// How many pixels of the region hold each raw value. The wall and reference figures need one division
// or square per pixel; over the counts they need one per distinct value, which keeps a whole 640 x 480
// frame well under a millisecond. One table per thread, left all zero after every use.
std::vector<std::uint32_t> &RawCounts() {
  thread_local std::vector<std::uint32_t> counts(kRawValues, 0);
  return counts;
}

bool FrameReadable(const TDTV &dtv) {
  return dtv.Width() > 0 && dtv.Height() > 0 &&
         dtv.FRaw.size() >= static_cast<std::size_t>(dtv.Width()) * static_cast<std::size_t>(dtv.Height());
}

const std::uint16_t *Row(const TDTV &dtv, std::int32_t y) {
  return dtv.FRaw.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(dtv.Width());
}

// The first pixel in row order that holds value.
TPoint FirstPixelHolding(const TDTV &dtv, const std::vector<TRowSpan> &spans, std::uint16_t value) {
  for (const TRowSpan &span : spans) {
    const std::uint16_t *row = Row(dtv, span.Y);
    for (std::int32_t x = span.X0; x <= span.X1; ++x)
      if (row[x] == value)
        return TPoint{x, span.Y};
  }
  return TPoint{spans.front().X0, spans.front().Y};
}

// The reference figures of the Sigma statistic over the counts lo .. hi of every pixel of the region.
void SigmaFigures(const TDTV &dtv, const std::vector<std::uint32_t> &counts, int lo, int hi,
                  std::int64_t pixels, const TStatisticsSettings &s, std::int32_t rawAvg,
                  TRegionStatistics &st) {
  if (!s.SigmaRefSet || pixels == 0)
    return;
  const double tAvg = dtv.RawToTemperature(rawAvg);
  const double d = std::fabs(s.SigmaRefValue - tAvg);
  const double scale = dtv.FHeader.Scale;
  const double offset = dtv.FHeader.Offset;
  double sum = 0.0;
  for (int v = lo; v <= hi; ++v) {
    if (counts[static_cast<std::size_t>(v)] == 0)
      continue;
    const double e = v * scale + offset + d - tAvg;
    sum += counts[static_cast<std::size_t>(v)] * e * e;
  }
  st.SigmaMeanSquare = sum / static_cast<double>(pixels);
  st.SigmaRms = std::sqrt(st.SigmaMeanSquare);
}

} // namespace

TStatisticsSettings CurrentStatisticsSettings(const TDTV &dtv) {
  TStatisticsSettings s;
  s.IsoOn = dtv.isIso;
  s.IsoBottom = dtv.IsoBottom;
  s.IsoTop = dtv.IsoTop;
  s.TIn = TIn;
  s.TOut = TOut;
  s.AlphaIn = AlphaIn;
  s.AlphaOut = AlphaOut;
  s.SigmaRefSet = SigmaRefSet != 0;
  s.SigmaRefValue = SigmaRefValue;
  return s;
}

TRegionStatistics CountRegion(const TDTV &dtv, const TRect &r, bool ellipse, const TStatisticsSettings &s) {
  TRegionStatistics st;
  if (!FrameReadable(dtv))
    return st;
  const std::vector<TRowSpan> spans = RegionSpans(r, ellipse, dtv.Width(), dtv.Height());
  if (spans.empty())
    return st;

  // One pass over the pixels: the counts of each value and the first places of the extremes.
  std::vector<std::uint32_t> &counts = RawCounts();
  std::uint16_t lo = Row(dtv, spans.front().Y)[spans.front().X0];
  std::uint16_t hi = lo;
  TPoint loPos{spans.front().X0, spans.front().Y};
  TPoint hiPos = loPos;
  std::uint32_t *table = counts.data();
  for (const TRowSpan &span : spans) {
    // Local bounds: the counts are stored through a pointer that could otherwise alias the span.
    const std::uint16_t *first = Row(dtv, span.Y) + span.X0;
    const std::uint16_t *last = Row(dtv, span.Y) + span.X1 + 1;
    // Counting and finding the row's extremes in separate passes keeps both free of branches; the
    // extremes come from the frame summary's pass, which has the unsigned 16-bit minimum and maximum
    // of the wider vector instructions. A row that holds a new extreme is searched for its first place.
    const RawSummary row = SummariseRaw(first, static_cast<std::size_t>(last - first));
    const std::uint16_t rowLo = row.min;
    const std::uint16_t rowHi = row.max;
    for (const std::uint16_t *p = first; p != last; ++p)
      ++table[*p];
    if (rowLo < lo) {
      lo = rowLo;
      loPos = TPoint{span.X0 + static_cast<std::int32_t>(std::find(first, last, rowLo) - first), span.Y};
    }
    if (rowHi > hi) {
      hi = rowHi;
      hiPos = TPoint{span.X0 + static_cast<std::int32_t>(std::find(first, last, rowHi) - first), span.Y};
    }
  }

  // The counted pixels are those inside the band while the isotherm is shown: a range of values.
  const int bandLo = s.IsoOn ? s.IsoBottom * 257 : 0;
  const int bandHi = s.IsoOn ? s.IsoTop * 257 : kRawValues - 1;
  const double dT = s.TIn - s.TOut;
  // Temperatures in double precision: the extended precision of single conversions costs more than the
  // counting itself when a region holds tens of thousands of distinct values.
  const double scale = dtv.FHeader.Scale;
  const double offset = dtv.FHeader.Offset;
  double rInSum = 0.0;
  double rOutSum = 0.0;
  int inMin = -1;
  int inMax = -1;
  for (int v = lo; v <= hi; ++v) {
    const std::uint32_t c = counts[static_cast<std::size_t>(v)];
    if (c == 0)
      continue;
    st.Pixels += c;
    if (v < bandLo || v > bandHi)
      continue;
    if (inMin < 0)
      inMin = v;
    inMax = v;
    st.Count += c;
    st.Sum += static_cast<std::int64_t>(c) * v;
    const double t = v * scale + offset;
    rInSum += c * (dT / ((s.TIn - t) * s.AlphaIn));
    rOutSum += c * (dT / ((t - s.TOut) * s.AlphaOut));
  }

  st.MinPos = TPoint{spans.front().X0, spans.front().Y};
  st.MaxPos = st.MinPos;
  if (st.Count > 0) {
    st.RawMin = inMin;
    st.RawMax = inMax;
    st.RawAvg = static_cast<std::int32_t>(st.Sum / st.Count);
    st.MinPos = inMin == lo ? loPos : FirstPixelHolding(dtv, spans, static_cast<std::uint16_t>(inMin));
    st.MaxPos = inMax == hi ? hiPos : FirstPixelHolding(dtv, spans, static_cast<std::uint16_t>(inMax));
    st.RIn = rInSum / static_cast<double>(st.Count);
    st.QIn = dT / st.RIn;
    st.ROut = rOutSum / static_cast<double>(st.Count);
    st.QOut = dT / st.ROut;
  }
  SigmaFigures(dtv, counts, lo, hi, st.Pixels, s, st.RawAvg, st);
  std::fill(counts.begin() + lo, counts.begin() + hi + 1, 0u);
  return st;
}

double RegionRawDeviation(const TDTV &dtv, const TRect &r, std::int32_t arrayType, std::int32_t avg) {
  if (!FrameReadable(dtv))
    return 0.0;
  const TRect n = NormalizeRect(r);
  const std::int32_t top = std::max(n.Top, 0);
  const std::int32_t bottom = std::min(n.Bottom, dtv.Height() - 1);
  const std::int32_t left = std::max(n.Left, 0);
  const std::int32_t right = std::min(n.Right, dtv.Width() - 1);
  std::int64_t sum = 0;
  std::int64_t count = 0;
  for (std::int32_t y = top; y <= bottom; ++y) {
    const std::uint16_t *row = Row(dtv, y);
    for (std::int32_t x = left; x <= right; ++x) {
      if (!PtInArray(r, TPoint{x, y}, arrayType))
        continue;
      const std::int64_t d = std::int64_t{row[x]} - avg;
      sum += d * d;
      ++count;
    }
  }
  return count > 0 ? std::sqrt(static_cast<double>(sum) / static_cast<double>(count)) : 0.0;
}

double ShownDeviation(double rawDeviation, std::int32_t rawMin, std::int32_t rawMax, double scale) {
  if (rawDeviation == 0.0 || rawMax == rawMin || !std::isfinite(rawDeviation))
    return 0.0;
  const double span = static_cast<double>(rawMax) - rawMin;
  return (span * scale) / (span / rawDeviation);
}

TRegionStatistics CountPolygon(const TDTV &dtv, const TPolygon &polygon, const TStatisticsSettings &s) {
  TRegionStatistics st;
  if (polygon.size() < 3 || !FrameReadable(dtv))
    return st;
  std::int32_t lo = 65535;
  std::int32_t hi = 0;
  std::vector<TPoint> inside;
  for (std::int32_t y = 0; y < dtv.Height(); ++y) {
    const std::uint16_t *row = Row(dtv, y);
    for (std::int32_t x = 0; x < dtv.Width(); ++x) {
      if (!PointInPolygon(TPoint{x, y}, polygon))
        continue;
      const std::int32_t v = row[x];
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      st.Sum += v;
      ++st.Count;
      inside.push_back(TPoint{x, y});
    }
  }
  st.Pixels = st.Count;
  if (st.Count == 0)
    return st;
  st.RawMin = lo;
  st.RawMax = hi;
  st.RawAvg = RoundToInt32(static_cast<double>(st.Sum) / static_cast<double>(st.Count));
  if (s.SigmaRefSet) {
    const double tAvg = dtv.RawToTemperature(st.RawAvg);
    const double d = std::fabs(s.SigmaRefValue - tAvg);
    double sum = 0.0;
    for (const TPoint &p : inside) {
      const double e = dtv.TemperatureAt(p.X, p.Y) + d - tAvg;
      sum += e * e;
    }
    st.SigmaMeanSquare = sum / static_cast<double>(st.Count);
    st.SigmaRms = std::sqrt(st.SigmaMeanSquare);
  }
  return st;
}

double IsoShare(const TDTV &dtv, const TRect &r, std::uint8_t isoBottom, std::uint8_t isoTop) {
  if (!FrameReadable(dtv))
    return 0.0;
  const std::vector<TRowSpan> spans = RegionSpans(NormalizeRect(r), false, dtv.Width(), dtv.Height());
  const int lo = isoBottom * 257;
  const int hi = isoTop * 257;
  std::int64_t n = 0;
  std::int64_t k = 0;
  for (const TRowSpan &span : spans) {
    const std::uint16_t *row = Row(dtv, span.Y);
    n += span.X1 - span.X0 + 1;
    for (std::int32_t x = span.X0; x <= span.X1; ++x)
      k += (row[x] >= lo && row[x] <= hi) ? 1 : 0;
  }
  return n > 0 ? static_cast<double>(k) / static_cast<double>(n) * 100.0 : 0.0;
}

TRegionStatistics CountRegionAlt(const TDTV &dtv, const TRect &r, std::int32_t arrayType,
                                 std::int32_t arrayStatistic, const TStatisticsSettings &s) {
  TStatisticsSettings all = s;
  all.IsoOn = false;
  all.SigmaRefSet = false;
  TRegionStatistics st = CountRegion(dtv, r, arrayType == 1, all);
  if (st.Count > 0)
    st.RawAvg = RoundToInt32(static_cast<double>(st.Sum) / static_cast<double>(st.Count));
  if (arrayStatistic != 4)
    st.RIn = st.QIn = 0.0;
  if (arrayStatistic != 5)
    st.ROut = st.QOut = 0.0;
  return st;
}

} // namespace calidarix
