#include "analysis/graph_state.h"

#include "platform/datetime.h"
#include "platform/numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace calidarix {

namespace {

QString Fixed(double v, int decimals) {
  return QString::fromStdString(FixedText(v, decimals));
}

} // namespace

TRGB ProfileColour(int p) {
  const int k = p % 7 == 0 ? 7 : p % 7;
  return FProfileColors[static_cast<std::size_t>(k - 1)];
}

bool TGraphState::StoreProfile(int n) {
  if (Tag == 2 || n != 1)
    return false;
  ++FStoredCount;
  FProfiles.resize(static_cast<std::size_t>(FStoredCount) + 2);
  FProfiles[static_cast<std::size_t>(FStoredCount)] = FProfiles[0];
  FProfiles.back().clear();
  return true;
}

void TGraphState::ClearProfiles() {
  FStoredCount = 0;
  FProfiles.resize(2);
  FProfiles[1].clear();
}

void TGraphState::ClearCurrentProfile() {
  if (FProfiles.empty())
    FProfiles.resize(2);
  FProfiles[0].clear();
}

void TGraphState::UpdateRange() {
  SetRange(ProfileRange(FProfiles.empty() ? TProfile() : FProfiles[0]));
}

void TGraphState::SetRange(const TGraphRange &range) {
  FMin = range.Min;
  FMax = range.Max;
  FSpan = range.Span;
}

int TGraphState::SampleCount() const {
  return FProfiles.empty() ? 0 : static_cast<int>(FProfiles[0].size());
}

int TGraphState::CursorIndex() const {
  return std::clamp(FCursor.X, 0, std::max(SampleCount() - 1, 0));
}

bool TGraphState::SubRangeKey(int scanCode) {
  switch (scanCode) {
  case 16: // Q
    ResetSubRange();
    return true;
  case 30: // A
    if (FPalHigh < 255)
      ++FPalHigh;
    if (FPalLow < 254)
      ++FPalLow;
    return true;
  case 31: // S
    if (FPalHigh < 255)
      ++FPalHigh;
    return true;
  case 44: // Z
    if (FPalHigh > 1)
      --FPalHigh;
    if (FPalLow > 0)
      --FPalLow;
    return true;
  case 45: // X
    if (FPalLow + 1 < FPalHigh)
      --FPalHigh;
    return true;
  default:
    return false;
  }
}

void TGraphState::ResetSubRange() {
  FPalLow = 0;
  FPalHigh = 255;
}

void TGraphState::DragSubRange(int x, int y, int h) {
  if (h <= 0)
    return;
  const double dx = static_cast<double>(FPalDragPos.X) - x;
  const double dy = static_cast<double>(FPalDragPos.Y) - y;
  int high = RoundToInt32(FPalHigh + dx / h * 255.0 + dy / h * 255.0);
  int low = RoundToInt32(FPalLow + dy / h * 255.0);
  low = std::clamp(low, 0, 246);
  high = std::max(std::min(high, 255), low + 8);
  FPalLow = low;
  FPalHigh = high;
  FPalDragPos = TPoint{x, y};
}

double TGraphState::ScaleLow(bool wholeDegrees) const {
  const double v = FPalLow == 0 ? FMin : FMin + FPalLow * (FMax - FMin) / 255.0;
  return wholeDegrees ? RoundHalfEven(v) : v;
}

double TGraphState::ScaleHigh(bool wholeDegrees) const {
  const double v = FPalHigh == 255 ? FMax : FMin + FPalHigh * (FMax - FMin) / 255.0;
  return wholeDegrees ? RoundHalfEven(v) : v;
}

std::optional<QString> TGraphState::ResolutionStep(const QString &caption) {
  if (FCursor.X == 0 || SampleCount() == 0)
    return std::nullopt;
  const double v = FProfiles[0][static_cast<std::size_t>(CursorIndex())];
  QString text;
  switch (FResStep) {
  case 0:
    FResZero = v;
    text = QStringLiteral("ResZero:") + Fixed(v, 2);
    break;
  case 1:
    FResMin = v;
    text = caption + QStringLiteral(" ResMin:") + Fixed(v, 2);
    break;
  default:
    FResMax = v;
    text = caption + QStringLiteral(" ResMax:") + Fixed(v, 2);
    break;
  }
  if (FResStep >= 2) {
    FRes = FResMax == FResZero ? 0.0 : (FResMin - FResZero) / (FResMax - FResZero);
    text = QStringLiteral("Res: ") + Fixed(FRes, 2);
    FResStep = 0;
  } else {
    ++FResStep;
  }
  return text;
}

QString TGraphState::DistanceText() const {
  const std::int64_t n = SampleCount();
  if (n == 0)
    return QString();
  if (FDistanceLength == 1 && FDistancePoints == 1)
    return QString::number(n);
  if (FDistancePoints == 0)
    return QString::number(n);
  return QString::number(n * FDistanceLength / FDistancePoints);
}

std::optional<QString> TGraphState::AcceptDistance(const QString &typed) {
  const QString digits = typed.trimmed();
  if (digits.isEmpty())
    return QStringLiteral("Type the length of the profile in your unit");
  bool ok = false;
  const qlonglong length = digits.toLongLong(&ok);
  if (!ok || length > std::numeric_limits<std::int32_t>::max())
    return QStringLiteral("The length %1 is too large").arg(digits);
  if (length <= 0)
    return QStringLiteral("A length of 0 cannot calibrate the profile");
  if (SampleCount() == 0)
    return QStringLiteral("There is no profile to calibrate");
  FDistancePoints = SampleCount();
  FDistanceLength = static_cast<std::int32_t>(length);
  return std::nullopt;
}

QString TGraphState::CursorIndexText() const {
  const int x = CursorIndex();
  if (Tag == 2)
    return SampleCount() == 0 ? QStringLiteral("0")
                              : QString::number(TruncToInt64(FProfiles[0][static_cast<std::size_t>(x)]));
  return QString::number(x);
}

QString TGraphState::CursorValueText() const {
  const int x = CursorIndex();
  if (Tag == 2)
    return Fixed(FLowLimitTemp + x * (FHighLimitTemp - FLowLimitTemp) / kHistogramBins, 2);
  return SampleCount() == 0 ? QString() : Fixed(FProfiles[0][static_cast<std::size_t>(x)], 2);
}

QDateTime FrameClockTime(std::uint32_t fileDate, int frame, int frameCount, double frameInterval) {
  const std::optional<QDateTime> last = UnpackDosDateTime(fileDate);
  if (!last || !std::isfinite(frameInterval))
    return QDateTime();
  // The time profile counts frame k (0-based) frameCount - k intervals back from the file's time, one
  // interval more than the frame's place from the end: its last frame reads one interval before the
  // file time.
  const double seconds = (static_cast<double>(frame) - frameCount) * frameInterval;
  return last->addMSecs(RoundToInt64(seconds * 1000.0));
}

} // namespace calidarix
