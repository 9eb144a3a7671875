#include "acquisition/calibration_fit.h"

#include "acquisition/camera_state.h"
#include "acquisition/signal_model.h"
#include "platform/numbers.h"

#include <algorithm>
#include <cmath>

namespace calidarix {

double CalibrExpA = 0.0;
double CalibrExpB = 0.0;
double CalibrSignal0 = 0.0;
std::uint8_t CalibrAmplification = 0;

namespace {

constexpr double kZero = AbsoluteZero;

bool Finite(const TCalibrPoint &p) {
  return std::isfinite(p.NetSignal) && std::isfinite(p.Temperature);
}

// Point i and its neighbour i + 1 can give a slope when both lie on the curve's domain and differ in
// temperature.
bool PairUsable(const TCalibrPoint &a, const TCalibrPoint &b) {
  return Finite(a) && Finite(b) && a.NetSignal >= 1.0 && b.NetSignal >= 1.0 && a.Temperature > kZero &&
         b.Temperature > kZero && a.Temperature != b.Temperature;
}

// The reference temperature as the form's list shows it: one decimal.
std::optional<double> ShownReference(double refPoint) {
  return ParseFloat(FixedText(refPoint, 1), '.');
}

} // namespace

void ResetCalibrationCurve() {
  CalibrExpA = 0.0;
  CalibrExpB = 0.0;
  CalibrSignal0 = 0.0;
  CalibrAmplification = 0;
}

void TCalibrationTable::Resize(std::int32_t count) {
  FPointCount = std::clamp(count, 0, kMaxCalibrationPoints);
  FCalibrPoints.resize(static_cast<std::size_t>(FPointCount) + 1);
}

bool TCalibrationTable::InsertCalibr(std::int32_t index) {
  if (index < 1 || index > FPointCount + 1 || FPointCount >= kMaxCalibrationPoints)
    return false;
  FCalibrPoints.resize(static_cast<std::size_t>(FPointCount) + 1);
  FCalibrPoints.insert(FCalibrPoints.begin() + index, TCalibrPoint{});
  ++FPointCount;
  return true;
}

bool TCalibrationTable::DeleteCalibr(std::int32_t index) {
  if (FPointCount <= 0 || index < 1 || index > FPointCount)
    return false;
  FCalibrPoints.resize(static_cast<std::size_t>(FPointCount) + 1);
  FCalibrPoints.erase(FCalibrPoints.begin() + index);
  --FPointCount;
  return true;
}

double CalibrNetSignal(std::int32_t raw, bool withBlind) {
  double net = raw - CalibrSignal0;
  if (withBlind)
    net += ScanUnit.BlindCorrection;
  return net;
}

double CalibrTemperatureToSignal(double temperature) {
  return CurveTemperatureToSignal(CalibrExpA, CalibrExpB, temperature);
}

double CalibrSignalToTemperature(double netSignal) {
  return CurveSignalToTemperature(CalibrExpA, CalibrExpB, netSignal);
}

void RecomputeNetSignals(TCalibrationTable &table) {
  for (std::int32_t i = 1; i <= table.FPointCount; ++i) {
    TCalibrPoint &p = table.FCalibrPoints[i];
    p.NetSignal = CalibrNetSignal(p.RawSignal, false);
  }
}

bool UpDateCoef(TCalibrationTable &table, bool refPointOn, double &refPoint) {
  const std::int32_t count = table.FPointCount;
  if (count <= 1 || table.FCalibrPoints.size() < static_cast<std::size_t>(count) + 1)
    return false;
  std::vector<TCalibrPoint> &p = table.FCalibrPoints;

  std::int32_t first = 1;
  if (refPointOn) {
    std::optional<double> reference = ShownReference(refPoint);
    const double firstTemperature = p[1].Temperature;
    if (!reference || !std::isfinite(firstTemperature))
      return false;
    // The reference must lie below the first point; it moves down in whole degrees, all at once.
    if (*reference >= firstTemperature) {
      double lowered = *reference - (std::floor(*reference - firstTemperature) + 1.0);
      while (lowered >= firstTemperature)
        lowered -= 1.0;
      reference = lowered;
      refPoint = lowered;
    }
    p[0] = TCalibrPoint{1.0, *reference, 1, 20.0};
    first = 0;
  }

  long double slopeSum = 0.0L;
  for (std::int32_t i = first; i < count; ++i) {
    if (!PairUsable(p[i], p[i + 1]))
      return false;
    const double ratio = p[i].NetSignal / p[i + 1].NetSignal;
    if (ratio == 0.0)
      return false;
    slopeSum += std::log(static_cast<long double>(ratio)) /
                (1.0L / (p[i + 1].Temperature - kZero) - 1.0L / (p[i].Temperature - kZero));
  }
  const long double b = slopeSum / (count - first);

  long double levelSum = 0.0L;
  for (std::int32_t i = first; i <= count; ++i)
    levelSum += p[i].NetSignal * std::exp(b / (p[i].Temperature - kZero));
  const long double a = levelSum / (count - first + 1);

  if (!std::isfinite(static_cast<double>(a)) || !std::isfinite(static_cast<double>(b)))
    return false;
  CalibrExpA = static_cast<double>(a);
  CalibrExpB = static_cast<double>(b);
  return true;
}

std::optional<double> CorrectPointTemperature(bool toApparent, double temperature, double ambient,
                                              double emissivity) {
  if (std::isnan(temperature) || std::isnan(ambient) || std::isnan(emissivity))
    return std::nullopt;
  emissivity = std::clamp(emissivity, 0.01, 1.0);
  ambient = std::clamp(ambient, -50.0, 80.0);
  const double ta = ambient - kZero;
  const double tk = temperature - kZero;
  if (!(tk > 0.0))
    return std::nullopt;
  const double ta4 = ta * ta * ta * ta;
  const double tk4 = tk * tk * tk * tk;
  const double radiance = toApparent ? (tk4 - ta4) * emissivity + ta4 : (tk4 - ta4) / emissivity + ta4;
  // Taking the way back from a point colder than its surroundings can ask for a negative radiance,
  // which no temperature emits.
  if (!(radiance > 0.0) || !std::isfinite(radiance))
    return std::nullopt;
  return std::sqrt(std::sqrt(radiance)) + kZero;
}

std::optional<QString> ApplyEmissivity(TCalibrationTable &table, bool toApparent, double ambient,
                                       double emissivity) {
  std::vector<double> corrected;
  for (std::int32_t i = 1; i <= table.FPointCount; ++i) {
    const double t = table.FCalibrPoints[i].Temperature;
    const std::optional<double> c = CorrectPointTemperature(toApparent, t, ambient, emissivity);
    if (!c) {
      return QStringLiteral("Point %1 (%2 \u00B0C) has no true temperature at emissivity %3 and ambient %4 "
                            "\u00B0C; no point was changed")
          .arg(i)
          .arg(QString::fromStdString(FixedText(t, 2)), QString::fromStdString(FloatToText(emissivity)),
               QString::fromStdString(FloatToText(ambient)));
    }
    corrected.push_back(*c);
  }
  for (std::int32_t i = 1; i <= table.FPointCount; ++i)
    table.FCalibrPoints[i].Temperature = corrected[static_cast<std::size_t>(i) - 1];
  return std::nullopt;
}

std::optional<double> MeanBodyTemperature(const TCalibrationTable &table) {
  if (table.FPointCount <= 0)
    return std::nullopt;
  double sum = 0.0;
  for (std::int32_t i = 1; i <= table.FPointCount; ++i)
    sum += table.FCalibrPoints[i].BodyTemperature;
  return sum / table.FPointCount;
}

void ApplyAmbient(TCalibrationTable &table, double reference) {
  const double referenceSignal = CalibrTemperatureToSignal(reference);
  for (std::int32_t i = 1; i <= table.FPointCount; ++i) {
    TCalibrPoint &p = table.FCalibrPoints[i];
    p.RawSignal =
        RoundToInt32(p.RawSignal - (referenceSignal - CalibrTemperatureToSignal(p.BodyTemperature)));
    p.NetSignal = CalibrNetSignal(p.RawSignal, false);
    p.BodyTemperature = reference;
  }
}

} // namespace calidarix
