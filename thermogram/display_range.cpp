#include "thermogram/display_range.h"

#include "platform/numbers.h"

#include <algorithm>
#include <cmath>

namespace calidarix {

namespace {

// The locked range of the whole raw scale of a thermogram, lower bound first.
std::optional<std::pair<double, double>> FullScaleRange(const TDTV &t) {
  const double a = t.RawToTemperature(0);
  const double b = t.RawToTemperature(kFullScaleRaw);
  return ValidTemperatureRange(std::min(a, b), std::max(a, b));
}

IoResult Refused(double lo, double hi) {
  return IoResult::Error(QStringLiteral("The range %1 .. %2 cannot be shown")
                             .arg(QString::fromStdString(FloatToText(lo)))
                             .arg(QString::fromStdString(FloatToText(hi))));
}

} // namespace

std::optional<std::pair<double, double>> ValidTemperatureRange(double low, double high) {
  if (!std::isfinite(low) || !std::isfinite(high) || low > high) {
    return std::nullopt;
  }
  if (low < kAbsoluteZero) {
    low = kAbsoluteZero;
  }
  if (low > high) { // high itself lay below absolute zero
    low = high - 1.0;
  }
  if (low == high) {
    high = low + 1.0;
  }
  return std::make_pair(low, high);
}

QString RangeLabelText(double value) {
  return QString::fromStdString(FixedTextInWidth(value, 2, 5));
}

bool FloatEditAccepts(QChar c) {
  return c == QChar(8) || c == QLatin1Char('-') || c == QLatin1Char('.') ||
         (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

RangeEditTexts RangeEditTextsFor(const TDTV &dtv) {
  if (dtv.FRangeLocked) {
    return RangeEditTexts{RangeLabelText(dtv.LockMax), RangeLabelText(dtv.LockMin)};
  }
  return RangeEditTexts{RangeLabelText(dtv.MaxTemperature()), RangeLabelText(dtv.MinTemperature())};
}

RangeEditTexts RescaleEditTexts(const TDTV &dtv) {
  return RangeEditTexts{RangeLabelText(dtv.RawToTemperature(kFullScaleRaw)),
                        RangeLabelText(dtv.RawToTemperature(0))};
}

TypedRangeValue ParseTypedRangeValue(const QString &text, double fallback) {
  TypedRangeValue out;
  if (const auto value = ParseFloat(text.toStdString()); value) {
    out.Value = *value;
    const QString typed = text.trimmed();
    out.LabelText = typed.size() <= 5 ? typed : QString::fromStdString(GeneralTextInWidth(*value, 5));
    out.Typed = true;
  } else {
    out.Value = fallback;
    out.LabelText = RangeLabelText(fallback);
  }
  return out;
}

SetTempRangeResult SetTempRange(TDTV &dtv, bool rescaleMode, double lo, double hi,
                                const RangeScanState &scan) {
  SetTempRangeResult out;
  const auto range = ValidTemperatureRange(lo, hi);
  if (!range) {
    out.Result = Refused(lo, hi);
    out.LockPressed = dtv.FRangeLocked;
    return out;
  }
  const auto [low, high] = *range;
  if (!rescaleMode) {
    dtv.SetTemperatureRange(false, low, high);
    dtv.FRangeLocked = true;
  } else {
    dtv.FHeader.Offset = static_cast<float>(low);
    dtv.FHeader.Scale = static_cast<float>((high - low) / kFullScaleRaw);
  }
  if (scan.ScanRunning) {
    dtv.FRangeLocked = true;
    dtv.LockMin = low;
    dtv.LockMax = high;
    out.StopAutoRange = true;
    if (scan.CameraInterfaceType == 8) {
      out.CameraRangeFollows = true;
    }
  }
  out.Result = IoResult::Ok();
  out.LockPressed = dtv.FRangeLocked;
  out.Low = low;
  out.High = high;
  out.Middle = (high - low) / 2.0 + low;
  return out;
}

LockResult LockSBClick(TDTV &dtv, TDTV *band35, TDTV *band812, const LockContext &context) {
  LockResult out;
  if (context.FilmRecording) {
    // The range of a film being recorded stays fixed until the recording ends.
    out.KeepPressed = true;
    return out;
  }
  const bool twoBand = context.CameraInterfaceType == 64 || context.CameraInterfaceType == 257;
  const bool bothBands = context.ScanRunning && twoBand && band35 != nullptr && band812 != nullptr;
  if (bothBands) {
    const auto r35 = FullScaleRange(*band35);
    const auto r812 = FullScaleRange(*band812);
    if (!r35 || !r812) {
      out.Result = IoResult::Error(QStringLiteral("A band thermogram has no usable temperature scale"));
      return out;
    }
    const double low = std::min(r35->first, r812->first);
    const double high = std::max(r35->second, r812->second);
    for (TDTV *band : {band35, band812}) {
      band->FRangeLocked = !band->FRangeLocked;
      band->LockMin = low;
      band->LockMax = high;
    }
  } else if (!dtv.FRangeLocked) {
    const auto range = FullScaleRange(dtv);
    if (!range) {
      out.Result = IoResult::Error(QStringLiteral("The thermogram has no usable temperature scale"));
      return out;
    }
    dtv.FRangeLocked = true;
    dtv.LockMin = range->first;
    dtv.LockMax = range->second;
  } else {
    dtv.FRangeLocked = false;
    dtv.FFilmRangeLock = false;
    out.Redraw = !context.ScanRunning;
  }
  if (context.ScanRunning && context.ThreadExists) {
    // The frames take the lock of the band shown from the band thermograms, so theirs is the one that
    // holds while two bands scan.
    out.AutoRange = !(bothBands ? band35->FRangeLocked : dtv.FRangeLocked);
  }
  return out;
}

bool CropView(TImageView &view, const TRect &area, const TRect &client) {
  const bool empty = area.Right <= area.Left || area.Bottom <= area.Top;
  if (empty) {
    bool fitted = false;
    return FitImageLayout(view, client, true, fitted);
  }
  return ZoomToImageRect(view, area, client, true);
}

} // namespace calidarix
