#include "analysis/figures.h"

#include "analysis/markers.h"
#include "analysis/region_pixels.h"
#include "platform/numbers.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace calidarix {

namespace {

bool SameSize(const TDTV &a, const TDTV &b) {
  return HoldsWholeFrame(a) && HoldsWholeFrame(b) && a.Width() == b.Width() && a.Height() == b.Height();
}

std::optional<TNoiseFigure> Spread(const std::vector<double> &d) {
  if (d.empty())
    return std::nullopt;
  double sum = 0.0;
  double lo = d.front();
  double hi = d.front();
  for (double v : d) {
    sum += v;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  const double mean = sum / static_cast<double>(d.size());
  double squares = 0.0;
  for (double v : d)
    squares += (v - mean) * (v - mean);
  return TNoiseFigure{std::sqrt(squares / static_cast<double>(d.size())) * 0.707, hi - lo};
}

} // namespace

std::optional<TNoiseFigure> NoiseAgainstReference(const TDTV &dtv, const TDTV &reference, const TRect &r) {
  if (!SameSize(dtv, reference))
    return std::nullopt;
  std::vector<double> d;
  for (const TRowSpan &span : RegionSpans(NormalizeRect(r), false, dtv.Width(), dtv.Height())) {
    if (span.Y % 2 != 0)
      continue;
    for (int x = span.X0; x <= span.X1; ++x)
      d.push_back(dtv.TemperatureAt(x, span.Y) - reference.TemperatureAt(x, span.Y));
  }
  return Spread(d);
}

std::optional<TNoiseFigure> RowNoiseFigure(const TDTV &dtv, int r) {
  if (!HoldsWholeFrame(dtv) || r < 0 || r + 2 > dtv.Height() - 1)
    return std::nullopt;
  std::vector<double> d;
  for (int x = 0; x < dtv.Width(); ++x)
    d.push_back(dtv.TemperatureAt(x, r) - dtv.TemperatureAt(x, r + 2));
  return Spread(d);
}

QString NoiseText(const TNoiseFigure &figure, int decimals) {
  return QStringLiteral("S: ") + QString::fromStdString(FixedText(figure.S, decimals)) +
         QStringLiteral(" | ") + QStringLiteral("U: ") +
         QString::fromStdString(FixedText(figure.U, decimals));
}

std::optional<double> ResolutionRatio(double t1, double t2, double t3) {
  const double ratio = (t3 - t2) / (t1 - t2);
  if (t1 == t2 || !std::isfinite(ratio))
    return std::nullopt;
  return ratio;
}

bool BuildDifferenceImage(TDTV &dtv, const TDTV &band) {
  if (!SameSize(dtv, band))
    return false;
  std::vector<double> d(dtv.FRaw.size());
  for (std::size_t i = 0; i < d.size(); ++i) {
    const double diff = dtv.RawToTemperature(dtv.FRaw[i]) - band.RawToTemperature(band.FRaw[i]);
    d[i] = diff * diff;
  }
  const auto [lo, hi] = std::minmax_element(d.begin(), d.end());
  const double minimum = *lo;
  double range = *hi - *lo;
  if (range == 0.0)
    range = 1.0;
  for (std::size_t i = 0; i < d.size(); ++i)
    dtv.FRaw[i] =
        static_cast<std::uint16_t>(std::clamp(TruncToInt32((d[i] - minimum) / range * 65535.0), 0, 65535));
  dtv.FHeader.Offset = static_cast<float>(minimum);
  dtv.FHeader.Scale = static_cast<float>(range / 65535.0);
  dtv.UpdateStatistics();
  return true;
}

} // namespace calidarix
