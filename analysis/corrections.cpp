#include "analysis/corrections.h"

#include "analysis/region_pixels.h"
#include "platform/numbers.h"

#include <QObject>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

namespace calidarix {

namespace {

constexpr double kZeroCelsius = -273.15;
// The real-temperature entry works with the single-precision constant of the camera model.
constexpr float kAbsoluteZeroSingle = -273.15f;

double Fourth(double x) {
  return ((x * x) * x) * x;
}

std::uint16_t &Pixel(TDTV &dtv, int x, int y) {
  return dtv.FRaw[static_cast<std::size_t>(y) * static_cast<std::size_t>(dtv.Width()) +
                  static_cast<std::size_t>(x)];
}

std::uint16_t ClampRaw(std::int64_t v) {
  return static_cast<std::uint16_t>(std::clamp<std::int64_t>(v, 0, 65535));
}

// Trunc(sum / count) of the raw values of rectangle r (inclusive), cut to the frame; nullopt without
// pixels.
std::optional<std::int64_t> RectMean(const TDTV &dtv, const TRect &r) {
  std::int64_t sum = 0;
  std::int64_t count = 0;
  for (const TRowSpan &span : RegionSpans(NormalizeRect(r), false, dtv.Width(), dtv.Height())) {
    for (int x = span.X0; x <= span.X1; ++x)
      sum += dtv.FRaw[static_cast<std::size_t>(span.Y) * static_cast<std::size_t>(dtv.Width()) +
                      static_cast<std::size_t>(x)];
    count += span.X1 - span.X0 + 1;
  }
  if (count == 0)
    return std::nullopt;
  return sum / count;
}

} // namespace

double ClampEmissivity(double e) {
  return std::isnan(e) ? kMaxEmissivity : std::clamp(e, kMinEmissivity, kMaxEmissivity);
}

double ClampAmbient(double ta) {
  return std::isnan(ta) ? 0.0 : std::clamp(ta, kMinAmbient, kMaxAmbient);
}

double CorrectedTemperature(double measured, double e, double ta) {
  const double a4 = Fourth(ta - kZeroCelsius);
  const double inner = std::fabs((Fourth(measured - kZeroCelsius) - a4) / e + a4);
  return std::sqrt(std::sqrt(inner)) + kZeroCelsius;
}

bool EmissivityCorrect(TDTV &dtv, double e, double ta, const TAreaRecord *area, std::int32_t rawMin,
                       std::int32_t rawMax) {
  if (!HoldsWholeFrame(dtv))
    return false;
  e = ClampEmissivity(e);
  ta = ClampAmbient(ta);
  const auto corr = [&](double t) { return CorrectedTemperature(t, e, ta); };
  if (area == nullptr || area->IsEmpty()) {
    dtv.UpdateStatistics();
    const double lo = std::max(corr(dtv.MinTemperature()), kZeroCelsius);
    const double hi = std::max(corr(dtv.MaxTemperature()), kZeroCelsius);
    // A uniform frame has no span to spread the corrected values over.
    if (!(hi > lo) || !std::isfinite(hi - lo))
      return false;
    const double k = 65535.0 / (hi - lo);
    // One value per raw code instead of one per pixel: a 640 x 480 frame has far more pixels.
    std::vector<std::uint16_t> table(65536);
    for (int raw = 0; raw < 65536; ++raw)
      table[static_cast<std::size_t>(raw)] = RoundToUInt16Clamped((corr(dtv.RawToTemperature(raw)) - lo) * k);
    for (std::uint16_t &raw : dtv.FRaw)
      raw = table[raw];
    dtv.FHeader.Scale = static_cast<float>((hi - lo) / 65535.0);
    dtv.FHeader.Offset = static_cast<float>(lo);
  } else {
    const double lo =
        std::max(std::min(corr(dtv.RawToTemperature(rawMin)), dtv.RawToTemperature(0)), kZeroCelsius);
    const double hi = std::max(corr(dtv.RawToTemperature(rawMax)), dtv.RawToTemperature(65535));
    if (!dtv.SetTemperatureRange(true, lo, hi))
      return false;
    const double scale = dtv.FHeader.Scale;
    const double offset = dtv.FHeader.Offset;
    if (scale == 0.0)
      return false;
    for (const TRowSpan &span : RegionSpans(NormalizeRect(area->Rect()), false, dtv.Width(), dtv.Height()))
      for (int x = span.X0; x <= span.X1; ++x) {
        std::uint16_t &raw = Pixel(dtv, x, span.Y);
        raw = RoundToUInt16Clamped((corr(raw * scale + offset) - offset) / scale);
      }
  }
  dtv.FAmbientTemp = ta;
  dtv.FEmissivity = e;
  dtv.UpdateStatistics();
  return true;
}

std::optional<double> EmissivityFromRealTemperature(double tm, double tr, double ta) {
  ta = ClampAmbient(ta);
  const double k = kAbsoluteZeroSingle;
  const double a4 = Fourth(ta - k);
  const double b4 = Fourth(tr - k);
  const double c4 = Fourth(tm - k);
  const double e = (c4 - a4) / (b4 - a4);
  if (b4 == a4 || !std::isfinite(e))
    return std::nullopt;
  return e;
}

void ShiftLevel(TDTV &dtv, double level) {
  dtv.FHeader.Offset = static_cast<float>(dtv.FHeader.Offset + level);
}

bool TwoAreaCorrection(TDTV &dtv, const TAreaRecord &first, const TAreaRecord &second) {
  if (!HoldsWholeFrame(dtv))
    return false;
  const std::optional<std::int64_t> m1 = RectMean(dtv, first.Rect());
  const std::optional<std::int64_t> m2 = RectMean(dtv, second.Rect());
  if (!m1 || !m2 || *m1 == *m2)
    return false;
  const std::int64_t d = *m2 - *m1;
  const std::int64_t h = d / 2;
  const int w = dtv.Width();
  for (int x = 0; x < w; ++x) {
    const std::int64_t shift = h - RoundToInt64(static_cast<double>(x) / w * static_cast<double>(d));
    for (int y = 0; y < dtv.Height(); ++y) {
      std::uint16_t &raw = Pixel(dtv, x, y);
      raw = ClampRaw(raw + shift);
    }
  }
  dtv.UpdateStatistics();
  return true;
}

bool ColumnLevelCorrection(TDTV &dtv, const TAreaRecord &area) {
  if (!HoldsWholeFrame(dtv) || area.IsEmpty())
    return false;
  const TRect r = NormalizeRect(area.Rect());
  const int top = std::max(r.Top, 0);
  const int bottom = std::min(r.Bottom, dtv.Height() - 1);
  const int left = std::max(r.Left, 0);
  const int right = std::min(r.Right, dtv.Width() - 1);
  if (top > bottom)
    return false;
  const auto columnMean = [&](int x) {
    std::int64_t sum = 0;
    for (int y = top; y <= bottom; ++y)
      sum += Pixel(dtv, x, y);
    return sum / (bottom - top + 1);
  };
  std::int64_t c = 0;
  bool changed = false;
  for (int x = left; x < right; ++x) {
    const std::int64_t d = columnMean(x + 1) - columnMean(x);
    if (std::llabs(d) > 50)
      c += std::llabs(d - 50) * (d > 0 ? 1 : -1);
    if (c == 0)
      continue;
    for (int y = 0; y < dtv.Height(); ++y) {
      std::uint16_t &raw = Pixel(dtv, x + 1, y);
      raw = ClampRaw(raw + c);
    }
    changed = true;
  }
  if (changed)
    dtv.UpdateStatistics();
  return changed;
}

TFrameRange FitFrameRange(int f1, int f2, int frameCount) {
  if (f1 < 1)
    f1 = 1;
  if (f1 > frameCount)
    f1 = frameCount - 1;
  if (f2 < 1)
    f2 = 2;
  if (f2 > frameCount)
    f2 = frameCount;
  if (f1 > f2)
    std::swap(f1, f2);
  return TFrameRange{f1, f2};
}

IoResult AverageFilmFrames(TDTV &dtv, int f1, int f2) {
  const int frameCount = dtv.FHeader.FrameCount;
  if (frameCount < 2 || dtv.FFileName.isEmpty())
    return IoResult::Error(QObject::tr("Averaging needs a film of two frames or more"));
  const TFrameRange range = FitFrameRange(f1, f2, frameCount);
  auto frame = std::make_unique<TDTV>();
  std::vector<double> sum;
  for (int f = range.First; f <= range.Last; ++f) {
    const IoResult read = frame->LoadFromFile(dtv.FFileName, f);
    if (!read)
      return read;
    if (!HoldsWholeFrame(*frame) || (!sum.empty() && sum.size() != frame->FRaw.size()))
      return IoResult::Error(QObject::tr("Frame %1 has another size").arg(f));
    sum.resize(frame->FRaw.size(), 0.0);
    for (std::size_t i = 0; i < frame->FRaw.size(); ++i)
      sum[i] += frame->RawToTemperature(frame->FRaw[i]);
  }
  const double n = range.Last - range.First + 1;
  double lo = sum.front() / n;
  double hi = lo;
  for (double &t : sum) {
    t /= n;
    lo = std::min(lo, t);
    hi = std::max(hi, t);
  }
  // The mean temperatures get a scale of their own; a uniform result keeps a nominal one.
  const double scale = hi > lo ? (hi - lo) / 65535.0 : 1.0 / 65535.0;
  std::vector<std::uint16_t> raw(sum.size());
  for (std::size_t i = 0; i < sum.size(); ++i)
    raw[i] = RoundToUInt16Clamped((sum[i] - lo) / scale);
  dtv.FHeader = frame->FHeader;
  dtv.FFrameRec = frame->FFrameRec;
  dtv.FRaw = std::move(raw);
  dtv.FHeader.Scale = static_cast<float>(scale);
  dtv.FHeader.Offset = static_cast<float>(lo);
  dtv.FHeader.FrameCount = 1;
  dtv.FFrameIndex = 1;
  dtv.FFileName.clear();
  dtv.FIsoPoints.clear();
  dtv.UpdateStatistics();
  return IoResult::Ok();
}

void ShiftImageRow(TDTV &dtv, int r, bool right) {
  const int w = dtv.Width();
  const int h = dtv.Height();
  if (!HoldsWholeFrame(dtv) || r < 0 || r >= h || w < 2)
    return;
  const auto reinterpolate = [&](int x) {
    if (r >= 2)
      Pixel(dtv, x, r - 1) = static_cast<std::uint16_t>((Pixel(dtv, x, r - 2) + Pixel(dtv, x, r)) / 2);
    if (r + 2 <= h - 1)
      Pixel(dtv, x, r + 1) = static_cast<std::uint16_t>((Pixel(dtv, x, r + 2) + Pixel(dtv, x, r)) / 2);
  };
  if (right) {
    const std::uint16_t saved = Pixel(dtv, w - 1, r);
    for (int x = w - 1; x >= 1; --x) {
      Pixel(dtv, x, r) = Pixel(dtv, x - 1, r);
      reinterpolate(x);
    }
    Pixel(dtv, 0, r) = saved;
  } else {
    const std::uint16_t saved = Pixel(dtv, 0, r);
    for (int x = 0; x <= w - 2; ++x) {
      Pixel(dtv, x, r) = Pixel(dtv, x + 1, r);
      reinterpolate(x);
    }
    Pixel(dtv, w - 1, r) = saved;
  }
}

void SetSkewFromPosition(TDTV &dtv, int position) {
  dtv.FSkewOffset = position / 100.0;
  dtv.FSkewSlope = dtv.Width() > 1 ? (1.0 - 2.0 * dtv.FSkewOffset) / (dtv.Width() - 1) : 0.0;
}

TPaletteWindow FitPaletteWindow(double tmin, double tmax, bool locked, double lockMin, double lockMax,
                                double t0, double t65535) {
  int lo = 0;
  int hi = 0;
  if (locked) {
    lo = TruncToInt32((tmin - lockMin) / (lockMax - lockMin) * 255.0);
    hi = TruncToInt32((tmax - lockMin) / (lockMax - lockMin) * 255.0);
  } else {
    lo = RoundToInt32((tmin - t0) / (t65535 - t0) * 255.0);
    hi = RoundToInt32((tmax - t0) / (t65535 - t0) * 255.0);
  }
  // Far outside the range every value ends at the same edge; bounding them first keeps the step below
  // from overflowing.
  lo = std::clamp(lo, -1024, 1024);
  hi = std::clamp(hi, -1024, 1024);
  if (lo == hi)
    ++hi;
  lo = std::clamp(lo, 0, 255);
  if (hi < 1)
    hi = 1;
  // The top three steps count as the top of the palette.
  if (hi > 252)
    hi = 255;
  if (lo >= hi)
    lo = hi - 1;
  return TPaletteWindow{lo, hi};
}

} // namespace calidarix
