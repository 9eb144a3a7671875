#include "thermogram/scale_ticks.h"

#include "platform/numbers.h"
#include "thermogram/tdtv.h"

#include <array>
#include <cmath>

namespace calidarix {

namespace {

// Tick steps from the coarsest to the finest.
constexpr std::array<double, 18> kStepLadder = {5000, 2500, 1000, 500, 250, 100, 50,   25,   10,
                                                5,    2,    1,    0.5, 0.2, 0.1, 0.05, 0.02, 0.01};

// The largest step strictly smaller than v; 0 when there is none.
double StepBelow(double v) {
  for (double step : kStepLadder) {
    if (step < v) {
      return step;
    }
  }
  return 0.0;
}

QString TickText(double value, double step, bool isInteger) {
  const int decimals = (step >= 1.0 || isInteger) ? 0 : 1;
  if (value == 0.0) {
    return QStringLiteral("\u00B1") + QString::fromStdString(FixedText(0.0, decimals));
  }
  return QString::fromStdString(FixedTextInWidth(value, decimals, 5));
}

} // namespace

TTemperatureRange DisplayedRange(const TDTV &dtv, bool includeFilmLock) {
  if (dtv.FRangeLocked || (includeFilmLock && dtv.FFilmRangeLock)) {
    return {dtv.LockMin, dtv.LockMax};
  }
  return {dtv.RawToTemperature(0), dtv.RawToTemperature(kFullScaleRaw)};
}

QString RangeLabelText(double value, bool isInteger) {
  return QString::fromStdString(GeneralTextInWidth(value, 5, isInteger ? 0 : 2));
}

int ScaleFontSize(int scaleWidth) {
  return scaleWidth / 5;
}

TScaleLayout LayoutScaleTicks(const TRect &r, double lo, double hi, int fontHeight, bool isInteger) {
  TScaleLayout layout;
  const int w = r.Right - r.Left;
  const int h = r.Bottom - r.Top;
  layout.FontSize = ScaleFontSize(w);
  layout.TextX = r.Left + 10;
  if (h <= 0 || !std::isfinite(lo) || !std::isfinite(hi)) {
    return layout;
  }
  if (hi > 65535.0) {
    hi = 65535.0;
  }
  const double span = hi - lo;
  // The temperature span that 16 text heights cover.
  const double v = span * 16.0 * layout.FontSize / h;
  const double step = StepBelow(v);
  if (step == 0.0) {
    return layout;
  }
  const double n = span / step;
  if (!std::isfinite(n) || n > h) {
    // Ranges beyond the coarsest step would put several ticks on one row (and, for absurd ranges,
    // loop nearly for ever); such a scale shows nothing.
    return layout;
  }
  layout.Step = step;
  layout.ShowUnit = true;
  layout.UnitPos = TPoint{r.Right - 2 * layout.FontSize, r.Top + 2};

  const double first = static_cast<double>(TruncToInt64(lo / step)) * step;
  const int off = TruncToInt32((first - lo) / span * h); // first tick's height above the bottom
  const int half = TruncToInt32(h / n / 2.0);
  const auto insideRows = [&r](int y) { return y >= r.Top && y < r.Bottom; };

  bool anyTick = false;
  bool leftAbove = false;
  int lastY = 0;
  for (int i = 0; i < n; ++i) {
    const int y = r.Bottom - TruncToInt32(i / n * h) - off - 1;
    if (y < r.Top) {
      // Every later tick lies higher still; only this tick's lower half-step tick may show.
      if (insideRows(y + half)) {
        layout.MinorRows.push_back(y + half);
      }
      leftAbove = true;
      break;
    }
    anyTick = true;
    lastY = y;
    if (y < r.Bottom) {
      TScaleTick tick;
      tick.Value = i * step + first;
      tick.Y = y;
      tick.Text = TickText(tick.Value, step, isInteger);
      tick.Labelled = r.Top + fontHeight < y && y < r.Bottom - fontHeight;
      tick.TextY = y - fontHeight / 2 - 2;
      layout.Ticks.push_back(tick);
    }
    if (y + half < r.Bottom) {
      layout.MinorRows.push_back(y + half);
    }
  }
  if (anyTick && !leftAbove && insideRows(lastY - half)) {
    layout.MinorRows.push_back(lastY - half);
  }
  return layout;
}

} // namespace calidarix
