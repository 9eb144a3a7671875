#include "acquisition/signal_model.h"

#include "acquisition/narrow_float.h"
#include "platform/numbers.h"
#include "thermogram/tdtv.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace calidarix {

namespace {

constexpr double kZero = AbsoluteZero;
constexpr std::int32_t kFullScale = 65535;

double FiniteOrZero(double v) {
  return std::isfinite(v) ? v : 0.0;
}

double FloorNet(double net) {
  return net > 0.0 ? net : kNetSignalFloor; // NaN falls to the floor as well
}

std::uint8_t ClampToByte(double v, std::int64_t min) {
  return static_cast<std::uint8_t>(std::clamp<std::int64_t>(RoundToInt64(v), min, 255));
}

std::int32_t ClampToScale(std::int32_t v) {
  return std::clamp(v, 0, kFullScale);
}

// Where a look-up window has collapsed to one signal it is widened by one, upwards unless it sits at
// the top of the scale.
void OrderAndWiden(std::int32_t &lo, std::int32_t &hi) {
  lo = ClampToScale(lo);
  hi = ClampToScale(hi);
  if (lo > hi)
    std::swap(lo, hi);
  if (lo == hi) {
    if (hi < kFullScale)
      ++hi;
    else
      --lo;
  }
}

bool UsesTwoCurves(const TScanUnit &unit) {
  return unit.TwoCurves && unit.CalibrationRange == 0;
}

} // namespace

double CurveTemperatureToSignal(double a, double b, double temperature) {
  const double kelvin = temperature - kZero;
  if (!(a > 0.0) || !(kelvin > 0.0))
    return 0.0;
  return FiniteOrZero(a / std::exp(b / kelvin));
}

double CurveSignalToTemperature(double a, double b, double netSignal) {
  if (!(a > 0.0))
    return 0.0;
  const double ln = std::log(a / FloorNet(netSignal));
  if (ln == 0.0)
    return 0.0;
  return FiniteOrZero(b / ln + kZero);
}

double NetSignalMain(const TScanUnit &unit, bool withCorrection, double signal) {
  double net = signal - unit.CurSignal0;
  if (withCorrection)
    net += unit.BlindCorrectionMain;
  return FloorNet(net);
}

double NetSignalLow(const TScanUnit &unit, bool withCorrection, double signal) {
  double net = signal - unit.CurSignal0L;
  if (withCorrection)
    net += unit.BlindCorrectionLow;
  return FloorNet(net);
}

double NetSignal(const TScanUnit &unit, bool withCorrection, double signal) {
  if (UsesTwoCurves(unit)) {
    return signal >= unit.Set[0] ? NetSignalMain(unit, withCorrection, signal)
                                 : NetSignalLow(unit, withCorrection, signal);
  }
  double net = signal - unit.CurSignal0;
  if (withCorrection)
    net += unit.BlindCorrection;
  return FloorNet(net);
}

double TemperatureToSignal(const TScanUnit &unit, double temperature) {
  return CurveTemperatureToSignal(unit.CurExpA, unit.CurExpB, temperature);
}

double TemperatureToSignalMain(const TScanUnit &unit, double temperature) {
  return CurveTemperatureToSignal(unit.CurExpA, unit.CurExpB, temperature);
}

double TemperatureToSignalLow(const TScanUnit &unit, double temperature) {
  return CurveTemperatureToSignal(unit.CurExpAL, unit.CurExpBL, temperature);
}

double SignalToTemperature(const TScanUnit &unit, double netSignal) {
  return CurveSignalToTemperature(unit.CurExpA, unit.CurExpB, netSignal);
}

double SignalToTemperatureMain(const TScanUnit &unit, double netSignal) {
  return CurveSignalToTemperature(unit.CurExpA, unit.CurExpB, netSignal);
}

double SignalToTemperatureLow(const TScanUnit &unit, double netSignal) {
  return CurveSignalToTemperature(unit.CurExpAL, unit.CurExpBL, netSignal);
}

double TemperatureOfRawSignal(const TScanUnit &unit, double signal) {
  if (UsesTwoCurves(unit)) {
    if (signal < unit.Set[0])
      return SignalToTemperatureLow(unit, NetSignalLow(unit, true, signal));
    return SignalToTemperatureMain(unit, NetSignalMain(unit, true, signal));
  }
  return SignalToTemperature(unit, NetSignal(unit, true, signal));
}

std::uint8_t LptRangeForSpan(const TScanUnit &unit, std::uint8_t lo, std::uint8_t hi, double t1, double t2) {
  if (t1 < t2)
    std::swap(t1, t2);
  if (t1 == t2)
    t1 += 1.0;
  if (lo > hi)
    std::swap(lo, hi);
  const double span = TemperatureToSignal(unit, t1) - TemperatureToSignal(unit, t2);
  const double range = std::fabs(RoundHalfEven((hi - lo) * 255.0 / span));
  return ClampToByte(range, 3);
}

std::uint8_t LptLevelForTemperature(const TScanUnit &unit, std::uint8_t range, std::uint8_t out,
                                    double temperature) {
  const double signal =
      TemperatureToSignal(unit, temperature) + unit.CurSignal0 - unit.BlindCorrection + unit.VirtualZero;
  const double x = signal / 255.0 * range + unit.VirtualZero;
  return ClampToByte((x - out) / unit.KLevel, 0);
}

std::uint8_t LptRangeForTemperature(const TScanUnit &unit, std::uint8_t level, std::uint8_t out,
                                    double temperature) {
  const double signal =
      TemperatureToSignal(unit, temperature) + unit.CurSignal0 - unit.BlindCorrection + unit.VirtualZero;
  return ClampToByte((level * unit.KLevel + out - unit.VirtualZero) * 255.0 / signal, 3);
}

void BuildLinearLut(TScanUnit &unit, std::int32_t lo, std::int32_t hi) {
  OrderAndWiden(lo, hi);
  unit.SignalLut.resize(kFullScale + 1);
  const double span = hi - lo;
  for (std::int32_t s = lo; s <= hi; ++s)
    unit.SignalLut[s] = RoundToUInt16Clamped((s - lo) / span * kFullScale);
}

void BuildTemperatureLut(TScanUnit &unit, std::int32_t lo, std::int32_t hi) {
  OrderAndWiden(lo, hi);
  unit.SignalLut.resize(kFullScale + 1);

  // In range 2 a window that starts below the offset has its lower part compressed by half onto the
  // signals from the offset upwards.
  const double offset = unit.CurSignal0;
  const bool fold = unit.CalibrationRange == 2 && lo < offset;
  const double foldEnd = 2.0 * offset - lo;
  const auto at = [&](std::int32_t s) -> double {
    if (fold && s < foldEnd)
      return RoundHalfEven(offset - lo + s - (s - lo) / 2.0);
    return s;
  };

  const double tLo = TemperatureOfRawSignal(unit, fold ? std::trunc(offset) : lo);
  const double tHi = TemperatureOfRawSignal(unit, at(hi));
  double span = tHi - tLo;
  if (span == 0.0)
    span = 1.0;

  std::fill(unit.SignalLut.begin(), unit.SignalLut.begin() + lo + 1, std::uint16_t{0});
  std::fill(unit.SignalLut.begin() + hi, unit.SignalLut.end(), std::uint16_t{kFullScale});
  for (std::int32_t s = lo; s <= hi; ++s)
    unit.SignalLut[s] = RoundToUInt16Clamped((TemperatureOfRawSignal(unit, at(s)) - tLo) / span * kFullScale);
}

namespace {

void ComputeDriftCorrection(TScanUnit &unit) {
  if (unit.BlindSignal > kFullScale - 5 || unit.BlindSignal < 5) {
    unit.BlindCorrection = 0.0;
    if (unit.TwoCurves) {
      unit.BlindCorrectionMain = 0.0;
      unit.BlindCorrectionLow = 0.0;
    }
    return;
  }
  double body = unit.CameraTemperature;
  if (unit.AddTermoDelta)
    body += unit.TermoDelta;
  if (UsesTwoCurves(unit)) {
    unit.BlindCorrectionMain =
        TemperatureToSignalMain(unit, body) - NetSignalMain(unit, false, unit.BlindSignal);
    unit.BlindCorrectionLow =
        TemperatureToSignalLow(unit, body) - NetSignalLow(unit, false, unit.BlindSignal);
    return;
  }
  unit.BlindNetSignal = NetSignal(unit, false, unit.BlindSignal);
  unit.BlindTemperature = NarrowToFloat(SignalToTemperature(unit, unit.BlindNetSignal));
  unit.BlindExpectedSignal = TemperatureToSignal(unit, body);
  unit.BlindCorrection = unit.BlindExpectedSignal - unit.BlindNetSignal;
}

void Remap(const TScanUnit &unit, TDTV &thermogram) {
  const std::size_t pixels = std::min<std::size_t>(
      thermogram.FRaw.size(), static_cast<std::size_t>(thermogram.Width()) * thermogram.Height());
  const std::uint16_t *lut = unit.SignalLut.data();
  std::uint16_t *raw = thermogram.FRaw.data();
  for (std::size_t i = 0; i < pixels; ++i)
    raw[i] = lut[raw[i]];
  thermogram.FRawMin = 0;
  thermogram.FRawMax = kFullScale;
}

} // namespace

void LinearizeThermogram(TScanUnit &unit, TDTV &thermogram, bool correct) {
  unit.SignalLut.resize(kFullScale + 1);
  if (!correct) {
    const std::int32_t lo = thermogram.FRawMin;
    const std::int32_t hi = thermogram.FRawMax;
    BuildLinearLut(unit, lo, hi);
    thermogram.FHeader.Offset = static_cast<float>(lo);
    thermogram.FHeader.Scale = static_cast<float>((hi - lo) / 65535.0);
    Remap(unit, thermogram);
    unit.BlindCorrection = 0.0;
    unit.BlindCorrectionMain = 0.0;
    unit.BlindCorrectionLow = 0.0;
    unit.BlindNetSignal = 0.0;
    unit.BlindExpectedSignal = 0.0;
    unit.BlindTemperature = unit.BlindSignal;
    return;
  }

  ComputeDriftCorrection(unit);

  const double offset = unit.CurSignal0;
  if (unit.CalibrationRange == 2 && thermogram.FRawMin < offset) {
    const double lo = thermogram.FRawMin;
    const double hi = thermogram.FRawMax;
    // The folded window may reach past the scale; it is kept inside it.
    if (hi < 2.0 * offset - lo)
      thermogram.FRawMax = RoundToUInt16Clamped(offset - lo + hi - (hi - lo) / 2.0);
    thermogram.FRawMin = RoundToUInt16Clamped(offset);
  }

  BuildTemperatureLut(unit, thermogram.FRawMin, thermogram.FRawMax);

  const double tLo = TemperatureOfRawSignal(unit, thermogram.FRawMin);
  const double tHi = TemperatureOfRawSignal(unit, thermogram.FRawMax);
  thermogram.FHeader.Offset = NarrowToFloat(tLo);
  const float scale = NarrowToFloat((tHi - thermogram.FHeader.Offset) / 65535.0);
  thermogram.FHeader.Scale = scale < 0.0f ? kFallbackScale : scale;
  Remap(unit, thermogram);
}

void SelectCalibrationRange(TScanUnit &unit, std::uint8_t range) {
  if (range == kNoRequest)
    return;
  if (range > 2) {
    unit.CalibrationRange = range;
    return;
  }
  const std::int32_t type = unit.CameraInterfaceType;
  if (IsDualBandType(type)) {
    const TCalibrationSet &b1 = unit.Band1Coefficients;
    const TCalibrationSet &b2 = unit.Band2Coefficients;
    const double b1a[] = {b1.Exp1A, b1.Exp2A, b1.Exp3A};
    const double b1b[] = {b1.Exp1B, b1.Exp2B, b1.Exp3B};
    const double b1s[] = {b1.Signal10, b1.Signal20, b1.Signal30};
    const double b2a[] = {b2.Exp1A, b2.Exp2A, b2.Exp3A};
    const double b2b[] = {b2.Exp1B, b2.Exp2B, b2.Exp3B};
    const double b2s[] = {b2.Signal10, b2.Signal20, b2.Signal30};
    unit.CurBand1ExpA = b1a[range];
    unit.CurBand1ExpB = b1b[range];
    unit.CurBand2ExpA = b2a[range];
    unit.CurBand2ExpB = b2b[range];
    unit.CurBand1Signal0 = b1s[range];
    unit.CurBand2Signal0 = b2s[range];
    unit.CurAmplificationBand1 = unit.AmplificationBand1[range];
    unit.CurAmplificationBand2 = unit.AmplificationBand2[range];
    unit.CurAmplification = unit.Amplification[range];
  } else {
    const double a[] = {unit.Exp_A, unit.Exp2_A, unit.Exp3_A};
    const double b[] = {unit.Exp_B, unit.Exp2_B, unit.Exp3_B};
    unit.CurExpA = a[range];
    unit.CurExpB = b[range];
    if (type == CamIfLptLevel) {
      // The converters of this camera count in 1/256 steps around its virtual zero; range 2 has
      // its offset without that zero.
      const double virtualZero = unit.VirtualZero;
      const double offsets[] = {unit.Signal0 * 256.0 - virtualZero, -unit.Signal20 * 256.0,
                                unit.Signal30 * 256.0 - virtualZero};
      unit.CurSignal0 = offsets[range];
    } else {
      const double offsets[] = {unit.Signal0, unit.Signal20, unit.Signal30};
      unit.CurSignal0 = offsets[range];
      unit.CurAmplification = unit.Amplification[range];
    }
  }
  unit.CalibrationRange = range;
}

void ApplySpeed(TScanUnit &unit, std::uint8_t speed) {
  if (speed < kNoRequest)
    unit.Speed = speed;
}

void ApplyPendingRequests(TScanUnit &unit, TScanRequests &requests) {
  const std::uint8_t speed = requests.PendingSpeed.Exchange(kNoRequest);
  if (speed < kNoRequest)
    ApplySpeed(unit, speed);
  const std::uint8_t range = requests.PendingRange.Exchange(kNoRequest);
  if (range < kNoRequest)
    SelectCalibrationRange(unit, range);
}

} // namespace calidarix
