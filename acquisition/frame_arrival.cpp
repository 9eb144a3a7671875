#include "acquisition/frame_arrival.h"

#include "acquisition/signal_model.h"
#include "platform/numbers.h"
#include "thermogram/tdtv.h"

#include <algorithm>
#include <cmath>

namespace calidarix {

namespace {

void SetSize(TDTV &dtv, std::int32_t width, std::int32_t height) {
  dtv.FHeader.Width = static_cast<std::uint16_t>(std::clamp(width, 0, 65535));
  dtv.FHeader.Height = static_cast<std::uint16_t>(std::clamp(height, 0, 65535));
  dtv.FRaw.assign(static_cast<std::size_t>(dtv.FHeader.Width) * dtv.FHeader.Height, 0);
}

std::uint16_t ToRaw(std::int32_t v) {
  return static_cast<std::uint16_t>(std::clamp(v, 0, 65535));
}

} // namespace

void TakeFrame(TDTV &dtv, const TCameraFrame &frame) {
  SetSize(dtv, frame.Width, frame.Height);
  std::copy_n(frame.Pixels.begin(), std::min(frame.Pixels.size(), dtv.FRaw.size()), dtv.FRaw.begin());
  dtv.FRawMin = ToRaw(frame.FrameMin);
  dtv.FRawMax = ToRaw(frame.FrameMax);
}

void SplitDualBandFrame(const TCameraFrame &frame, TDTV &band35, TDTV &band812) {
  const std::int32_t w = frame.Width / 2;
  const std::int32_t h = frame.Height;
  SetSize(band35, w, h);
  SetSize(band812, w, h);
  const auto full = static_cast<std::size_t>(frame.Width);
  for (std::int32_t r = 0; r < h; ++r) {
    const std::size_t row = full * static_cast<std::size_t>(r);
    if (row + 2 * static_cast<std::size_t>(w) > frame.Pixels.size())
      break;
    const auto *src = frame.Pixels.data() + row;
    std::copy_n(src, w, band35.FRaw.data() + static_cast<std::size_t>(r) * w);
    std::copy_n(src + w, w, band812.FRaw.data() + static_cast<std::size_t>(r) * w);
  }
  band35.FRawMin = ToRaw(frame.FrameMinBand1);
  band35.FRawMax = ToRaw(frame.FrameMaxBand1);
  band812.FRawMin = ToRaw(frame.FrameMinBand2);
  band812.FRawMax = ToRaw(frame.FrameMaxBand2);
}

void LoadBandCalibration(TScanUnit &unit, const TBandBlindValues &bands, int band) {
  if (band == 1) {
    unit.BlindSignal = unit.BlindSignalBand1;
    unit.CurExpA = unit.CurBand1ExpA;
    unit.CurExpB = unit.CurBand1ExpB;
    unit.CurSignal0 = unit.CurBand1Signal0;
    unit.BlindCorrection = bands.Band1BlindCorrection;
    unit.Set[0] = unit.Set[1];
  } else {
    unit.BlindSignal = unit.BlindSignalBand2;
    unit.CurExpA = unit.CurBand2ExpA;
    unit.CurExpB = unit.CurBand2ExpB;
    unit.CurSignal0 = unit.CurBand2Signal0;
    unit.BlindCorrection = bands.Band2BlindCorrection;
    unit.Set[0] = unit.Set[2];
  }
}

double AutoRangeLowest(const TScanUnit &unit) {
  return unit.CalibrationRange == 2 ? unit.CameraTemperature : -60.0;
}

void ApplyAutoRangeLowEnd(const TScanUnit &unit, TDTV &dtv, double signal0, double blindCorrection,
                          bool autoRange, bool blindCorrectionOn, double lowest) {
  if (!autoRange || !blindCorrectionOn)
    return;
  if (SignalToTemperature(unit, NetSignal(unit, true, dtv.FRawMin)) >= lowest)
    return;
  const double signal = TemperatureToSignal(unit, lowest) + signal0 - blindCorrection;
  dtv.FRawMin = ToRaw(TruncToInt32(signal));
}

void StampCameraTemperature(TDTV &dtv, double cameraTemperature) {
  const double scale = dtv.FHeader.Scale;
  if (!(scale != 0.0) || !std::isfinite(scale))
    return;
  const std::int32_t v = RoundToInt32((cameraTemperature - dtv.FHeader.Offset) / scale);
  const int w = dtv.Width();
  for (int y = 4; y <= 11 && y < dtv.Height(); ++y)
    for (int x = 4; x <= 19 && x < w; ++x)
      dtv.FRaw[static_cast<std::size_t>(y) * w + x] = ToRaw(v);
}

TRowGeometry RowGeometryFor(std::uint8_t speed, std::int32_t type, std::int32_t sectors, bool frameTimingOn) {
  const bool quarter = sectors == 4;
  TRowGeometry g;
  if (type == CamIfLanDual) {
    if (speed != 0)
      g = {TRowGeometry::Kind::DoubleHeight, true};
  } else if (type == CamIfLan2Dual && quarter) {
    g = {TRowGeometry::Kind::TripleHeight, true};
  } else if ((type == CamIfUsb || type == CamIfLan2 || type == CamIfLan3) && quarter) {
    g = {TRowGeometry::Kind::TripleHeight, false};
  } else if (type == CamIfLan2Dual) {
    // Without quarter sectors the bands stay as they are.
  } else if (speed == 1 || (speed >= 2 && !frameTimingOn)) {
    g = {TRowGeometry::Kind::DoubleHeight, false};
  }
  return g;
}

void WriteTelemetryRow(TDTV &dtv, const std::array<std::uint16_t, 7> &statusWords) {
  if (dtv.FRaw.size() < 9 || dtv.Width() < 9)
    return;
  dtv.FRaw[0] = 0;
  dtv.FRaw[1] = 65535;
  for (std::size_t i = 0; i < statusWords.size(); ++i)
    dtv.FRaw[2 + i] = statusWords[i];
}

std::vector<TOverlayText> LiveOverlayTexts(const TOverlayInput &in) {
  std::vector<TOverlayText> texts;
  const auto right = [&](const QString &text, int fromRight) {
    texts.push_back(TOverlayText{text, -fromRight, 1, true, false, false});
  };
  if (!in.AutoRange)
    right(QStringLiteral("AUTO OFF"), 85);
  if (in.Summing)
    right(QStringLiteral("SUMM %1/%2").arg(in.SumDone).arg(in.SumCount), 155);
  if (in.CalibrationRange > 0)
    right(QStringLiteral("BAND %1").arg(in.CalibrationRange + 1), 225);
  if (in.Speed != 2)
    right(QStringLiteral("SPEED %1").arg(in.Speed), 295);
  if (in.LaserOn)
    right(QStringLiteral("LASER ON"), 365);
  if (in.ScanSet2 && !in.ScanSetChanged && in.LaserOn)
    right(QStringLiteral("FOV / 2"), 365);
  if (in.DualBand && in.CalibrationBand <= 1)
    texts.push_back(
        TOverlayText{in.CalibrationBand == 0 ? QStringLiteral("3-5 micron") : QStringLiteral("8-12 micron"),
                     5, 0, false, true, false});
  if (in.PanoramaPaused)
    texts.push_back(TOverlayText{QStringLiteral("PAUSED..."), 0, 0, false, false, true});
  return texts;
}

QString BlindLabelText(bool blindCorrectionOn, float blindTemperature, std::uint16_t blindSignal,
                       std::uint16_t blindSignalShown) {
  if (blindCorrectionOn)
    return QString::fromStdString(FixedText(blindTemperature, 2));
  return QStringLiteral("%1 / %2").arg(blindSignal).arg(blindSignalShown);
}

} // namespace calidarix
