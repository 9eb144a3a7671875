#include "thermogram/tdtv.h"

#include "platform/codepage.h"
#include "platform/numbers.h"
#include "thermogram/frame_statistics.h"
#include "thermogram/thermogram_globals.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace calidarix {

namespace {

// The default Scale, 100 degrees over the full raw range, as the exact single the files carry.
constexpr std::uint32_t kDefaultScaleBits = 0x3AC800C8u;

} // namespace

TDTV::TDTV() {
  PalBottom = 0;
  PalTop = 255;
  IsoBottom = 0;
  IsoTop = 85;
  FSmoothPalette = true;
  FEmissivity = 1.0;
  FAmbientTemp = 0.0;
  FFileDate = 0x28210000u; // 1 January 2000, 00:00
  FTimeDelta = 0;
  SetAspect(static_cast<double>(AspectWidth) / static_cast<double>(AspectHeight));
  FBaseAspect = FAspect;
  FZoom = 1.0;
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    FPalette[static_cast<std::size_t>(i)] = TRGB{v, v, v};
  }
}

TDTV::~TDTV() = default;

TDTVHeader ResetHeaderValues() {
  TDTVHeader h;
  h.HeaderSize = 110;
  h.Version = 3;
  h.Reserved4 = 44;
  h.Reserved5 = 18;
  h.Width = 1;
  h.Height = 1;
  h.FrameCount = 1;
  h.Scale = std::bit_cast<float>(kDefaultScaleBits);
  return h;
}

void TDTV::ResetHeader() {
  FFileName.clear();
  const std::array<char, 64> comment = FHeader.Comment;
  FHeader = ResetHeaderValues();
  FHeader.Comment = comment;
  FRaw.assign(1, 0);
  FIsoPoints.clear();
}

void TDTV::SetAspect(double aspect) {
  // A zero or undefined aspect would poison every layout computation downstream.
  if (aspect == 0.0 || !std::isfinite(aspect)) {
    aspect = 1.0;
  }
  FAspect = aspect;
  if (FHeader.Height == 0) {
    FPixelAspect = 1.0;
  } else {
    FPixelAspect = static_cast<double>(FHeader.Width) / FHeader.Height / aspect;
  }
}

void TDTV::UpdatePixelSize() {
  const int w = FHeader.Width;
  const int h = FHeader.Height;
  if (w == 0 || h == 0) {
    return;
  }
  const double toRadians = std::numbers::pi / 180.0;
  FPixelWidth = std::tan(FFovHorz / 2.0 * toRadians) * FDistance / (w / 2.0);
  FPixelHeight = std::tan(FFovVert / 2.0 * toRadians) * FDistance / (h / 2.0);
  FPixelArea = FPixelWidth * FPixelHeight;
}

void TDTV::SetDistance(double distance) {
  FDistance = distance;
  UpdatePixelSize();
}

bool TDTV::SetTemperatureRange(bool rescale, double low, double high) {
  if (!std::isfinite(low) || !std::isfinite(high)) {
    return false;
  }
  if (low < kAbsoluteZero) {
    low = kAbsoluteZero;
  }
  // Bounds given the wrong way round (or a high below absolute zero) keep high and take the degree
  // below it; callers re-validate stored ranges through this on every load.
  if (low > high) {
    low = high - 1.0;
  }
  if (low == high) {
    high = low + 1.0;
  }
  if (!rescale) {
    LockMin = low;
    LockMax = high;
    return true;
  }
  const double span = high - low;
  if (!std::isfinite(static_cast<float>(span / kFullScaleRaw))) {
    return false; // beyond what a single-precision Scale can hold
  }
  // Empty pixels (raw 0) stay empty. Every other raw value has one new value: over the few thousand
  // values a frame usually holds, a table of them costs far less than converting every pixel.
  const auto rescaled = [&](std::uint16_t raw) -> std::uint16_t {
    return raw == 0 ? std::uint16_t{0}
                    : RoundToUInt16Clamped((RawToTemperature(raw) - low) / span * kFullScaleRaw);
  };
  if (!FRaw.empty()) {
    std::uint16_t lowest = 65535;
    std::uint16_t highest = 0;
    for (const std::uint16_t raw : FRaw) {
      lowest = std::min(lowest, raw);
      highest = std::max(highest, raw);
    }
    const std::size_t values = static_cast<std::size_t>(highest - lowest) + 1;
    if (values < FRaw.size()) {
      const std::uint16_t first = lowest;
      std::vector<std::uint16_t> table(values);
      for (std::size_t i = 0; i < values; ++i)
        table[i] = rescaled(static_cast<std::uint16_t>(first + i));
      for (std::uint16_t &raw : FRaw)
        raw = table[static_cast<std::size_t>(raw - first)];
    } else {
      for (std::uint16_t &raw : FRaw)
        raw = rescaled(raw);
    }
  }
  FHeader.Offset = static_cast<float>(low);
  FHeader.Scale = static_cast<float>(span / kFullScaleRaw);
  UpdateStatistics();
  return true;
}

void TDTV::UpdateStatistics() {
  if (FRaw.empty()) {
    FRawMin = 0;
    FRawMax = 0;
    FRawMean = 0;
    return;
  }
  UpdateStatistics(SummariseRaw(FRaw.data(), FRaw.size()));
}

void TDTV::UpdateStatistics(const RawSummary &summary) {
  if (FRaw.empty()) {
    UpdateStatistics();
    return;
  }
  FRawMin = summary.min;
  FRawMax = summary.max;
  FRawMean = RoundToInt32(static_cast<double>(summary.sum) / static_cast<double>(FRaw.size()));
}

bool TDTV::Histogram(std::vector<std::int64_t> &counts, int bins) const {
  if (bins < 1 || counts.size() < static_cast<std::size_t>(bins)) {
    return false;
  }
  const std::int64_t last = bins - 1;
  for (const std::uint16_t raw : FRaw) {
    const std::int64_t index = std::min<std::int64_t>(std::int64_t{raw} * bins / kFullScaleRaw, last);
    ++counts[static_cast<std::size_t>(index)];
  }
  return true;
}

double TDTV::RawToTemperature(int raw) const {
  const long double t = static_cast<long double>(raw) * FHeader.Scale + FHeader.Offset;
  return static_cast<double>(t);
}

double TDTV::TemperatureAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= FHeader.Width || y >= FHeader.Height) {
    return 0.0;
  }
  const std::size_t index = static_cast<std::size_t>(y) * FHeader.Width + static_cast<std::size_t>(x);
  if (index >= FRaw.size()) {
    return 0.0;
  }
  return RawToTemperature(FRaw[index]);
}

double TDTV::MinTemperature() const {
  return RawToTemperature(FRawMin);
}

double TDTV::MaxTemperature() const {
  return RawToTemperature(FRawMax);
}

void TDTV::Assign(const TDTV &source) {
  if (&source == this) {
    return;
  }
  FHeader = source.FHeader;
  FRaw = source.FRaw;
  FScanReconstructed = source.FScanReconstructed;
  FIsoPoints.clear(); // traced on the frame just replaced
}

double TDTV::FrameDateTime(std::uint32_t timeStamp) {
  return (timeStamp & 0xFFFFFFu) / 86400.0;
}

QString TDTV::CommentText() const {
  const auto end = std::find(FHeader.Comment.begin(), FHeader.Comment.end(), '\0');
  return Cp1251ToString(
      std::string_view(FHeader.Comment.data(), static_cast<std::size_t>(end - FHeader.Comment.begin())));
}

void TDTV::SetCommentText(const QString &text) {
  const std::string bytes = StringToCp1251(text);
  FHeader.Comment.fill('\0');
  std::copy_n(bytes.begin(), std::min(bytes.size(), FHeader.Comment.size()), FHeader.Comment.begin());
}

QString IntToStrZ(int value, int width) {
  QString text = QString::number(value);
  if (text.size() < width) {
    text.prepend(QString(width - text.size(), QLatin1Char('0')));
  }
  return text;
}

} // namespace calidarix
