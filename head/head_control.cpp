#include "head/head_control.h"

#include "head/head_frame.h"
#include "head/head_link.h"
#include "platform/numbers.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace calidarix {

namespace {

const char *const kCaptions[kSettingsRows] = {"Tilt",
                                              "Line Heel",
                                              "Line Yaw",
                                              "Decode DualScans",
                                              "HorArc",
                                              "VerArc",
                                              "NonOrthogonality",
                                              "Blending",
                                              "PointHit counting",
                                              "Draw Frame Borders",
                                              "Draw Frames by Levels",
                                              "Double Pixels",
                                              "Horizon Correction",
                                              "CamPos Top Limit",
                                              "CamPos Bottom Limit",
                                              "CamPos Left Limit",
                                              "CamPos Right Limit",
                                              "FrameCut Left",
                                              "FrameCut Right",
                                              "FrameCut Top",
                                              "FrameCut Bottom",
                                              "Sttchng Column Priority",
                                              "Sttchng Left To Right",
                                              "Sttchng Top To Bottom"};

bool *BooleanField(TQorCtrlSettings &s, int row) {
  switch (row) {
  case 3:
    return &s.FDecodeDualScans;
  case 7:
    return &s.FBlending;
  case 8:
    return &s.FPointHitCounting;
  case 9:
    return &s.FDrawFrameBorders;
  case 10:
    return &s.FDrawFramesByLevels;
  case 11:
    return &s.FDoublePixels;
  case 21:
    return &s.FColumnPriority;
  case 22:
    return &s.FLeftToRight;
  case 23:
    return &s.FTopToBottom;
  default:
    return nullptr;
  }
}

std::int64_t RawValue(const TQorCtrlSettings &s, int row) {
  switch (row) {
  case 0:
    return s.FTilt;
  case 1:
    return s.FLineHeel;
  case 2:
    return s.FLineYaw;
  case 4:
    return s.FHorArc;
  case 5:
    return s.FVerArc;
  case 6:
    return s.FNonOrthogonality;
  case 12:
    return s.FHorizonCorrection;
  case 13:
    return s.FCamPosLimits.Bottom;
  case 14:
    return s.FCamPosLimits.Top;
  case 15:
    return s.FCamPosLimits.Left;
  case 16:
    return s.FCamPosLimits.Right;
  case 17:
    return s.FFrameCuts.Left;
  case 18:
    return s.FFrameCuts.Right;
  case 19:
    return s.FFrameCuts.Top;
  case 20:
    return s.FFrameCuts.Bottom;
  default:
    return 0;
  }
}

QString Degrees(double v) {
  return QString::asprintf("%8.2f \u00B0", v);
}

QString Bool(bool v) {
  return v ? QStringLiteral("true") : QStringLiteral("false");
}

// Angle and rate of one axis; "---" where the ratio registers are unknown.
QString AxisAngle(std::int32_t counter, std::uint32_t clicks, std::uint8_t revs) {
  if (clicks == 0 || revs == 0)
    return QStringLiteral("--- \u00B0(--- trplclk/min)");
  const double degrees = static_cast<double>(counter) / clicks * revs * 360.0;
  // The product in 64 bits: at full turns it passes 2^31.
  const double triple = static_cast<double>(static_cast<std::int64_t>(counter) * revs * 360) / clicks * 180.0;
  return QString::asprintf("%.2f \u00B0", degrees) + QString::asprintf("(%.f trplclk/min)", triple);
}

QString AxisRate(std::uint8_t rateByte, std::uint32_t clicks, std::uint8_t revs) {
  if (clicks == 0 || revs == 0)
    return QStringLiteral("(--- \u00B0/sec)");
  return QString::asprintf("(%.2f \u00B0/sec)", rateByte * 50.0 / clicks * revs * 360.0);
}

QString AxisCounter(std::int32_t counter) {
  const auto wire = static_cast<std::uint32_t>(counter + kQorCounterOffset) & 0xFFFFFFu;
  return QStringLiteral("%1").arg(wire, 6, 16, QLatin1Char('0')).toUpper() + QStringLiteral("=>") +
         QString::number(counter) + QStringLiteral("=>") +
         QString::number(static_cast<std::int16_t>((static_cast<std::int64_t>(counter) + 128) >> 8));
}

} // namespace

QString SettingsCaption(int row) {
  return row >= 0 && row < kSettingsRows ? QString::fromLatin1(kCaptions[row]) : QString();
}

bool IsBooleanSettingsRow(int row) {
  TQorCtrlSettings probe;
  return BooleanField(probe, row) != nullptr;
}

QString SettingsShownText(const TQorCtrlSettings &s, int row) {
  TQorCtrlSettings copy = s;
  if (const bool *flag = BooleanField(copy, row))
    return Bool(*flag);
  const std::int64_t v = RawValue(s, row);
  if (row <= 6)
    return Degrees(v / 180.0);
  if (row == 12) {
    if (s.FRatioVer == 0)
      return QStringLiteral("     --- \u00B0");
    return Degrees(static_cast<double>(v * s.FRatioVerTurns) / s.FRatioVer * 360.0);
  }
  if (row <= 16)
    return QString::number(v) + QStringLiteral(" \u00B0");
  return QString::number(v) + QStringLiteral(" pxl");
}

QString SettingsRawText(const TQorCtrlSettings &s, int row) {
  TQorCtrlSettings copy = s;
  if (const bool *flag = BooleanField(copy, row))
    return Bool(*flag);
  return QString::number(RawValue(s, row));
}

QString StoreSettingsText(TQorCtrlSettings &s, int row, const QString &text) {
  if (row < 0 || row >= kSettingsRows || IsBooleanSettingsRow(row))
    return {};
  const std::optional<std::int64_t> parsed = ParseInteger(text.toStdString());
  const auto outOfRange = [&](std::int64_t lo, std::int64_t hi) {
    return QStringLiteral("%1: '%2' is not a whole number in %3 .. %4")
        .arg(SettingsCaption(row), text.trimmed())
        .arg(lo)
        .arg(hi);
  };
  constexpr std::int64_t i16lo = std::numeric_limits<std::int16_t>::min();
  constexpr std::int64_t i16hi = std::numeric_limits<std::int16_t>::max();
  constexpr std::int64_t i32lo = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t i32hi = std::numeric_limits<std::int32_t>::max();
  std::int64_t lo = i32lo;
  std::int64_t hi = i32hi;
  if (row == 4 || row == 5) {
    lo = 0;
    hi = 65535;
  } else if (row <= 6) {
    lo = i16lo;
    hi = i16hi;
  } else if (row >= 17) {
    lo = -i32hi; // stored as its absolute value
  }
  if (!parsed || *parsed < lo || *parsed > hi)
    return outOfRange(lo, hi);
  const std::int64_t v = *parsed;
  switch (row) {
  case 0:
    s.FTilt = static_cast<std::int16_t>(v);
    break;
  case 1:
    s.FLineHeel = static_cast<std::int16_t>(v);
    break;
  case 2:
    s.FLineYaw = static_cast<std::int16_t>(v);
    break;
  case 4:
    s.FHorArc = static_cast<std::uint16_t>(v);
    break;
  case 5:
    s.FVerArc = static_cast<std::uint16_t>(v);
    break;
  case 6:
    s.FNonOrthogonality = static_cast<std::int16_t>(v);
    break;
  case 12:
    s.FHorizonCorrection = static_cast<std::int32_t>(v);
    break;
  case 13:
    s.FCamPosLimits.Bottom = static_cast<std::int32_t>(v);
    break;
  case 14:
    s.FCamPosLimits.Top = static_cast<std::int32_t>(v);
    break;
  case 15:
    s.FCamPosLimits.Left = static_cast<std::int32_t>(v);
    break;
  case 16:
    s.FCamPosLimits.Right = static_cast<std::int32_t>(v);
    break;
  case 17:
    s.FFrameCuts.Left = static_cast<std::int32_t>(std::abs(v));
    break;
  case 18:
    s.FFrameCuts.Right = static_cast<std::int32_t>(std::abs(v));
    break;
  case 19:
    s.FFrameCuts.Top = static_cast<std::int32_t>(std::abs(v));
    break;
  case 20:
    s.FFrameCuts.Bottom = static_cast<std::int32_t>(std::abs(v));
    break;
  default:
    break;
  }
  return {};
}

void ToggleSettingsRow(TQorCtrlSettings &s, int row) {
  if (bool *flag = BooleanField(s, row))
    *flag = !*flag;
}

QString SteppedSettingsText(const QString &text, int delta) {
  const std::optional<std::int64_t> v = ParseInteger(text.toStdString());
  return v ? QString::number(*v + delta) : text;
}

QString NegatedSettingsText(const QString &text) {
  const std::optional<std::int64_t> v = ParseInteger(text.toStdString());
  return v ? QString::number(-*v) : text;
}

QorStatusTexts FormatQorStatus(const tQor &h) {
  QorStatusTexts texts;
  texts.bar1 = QStringLiteral("Az:") + AxisAngle(h.FHorCounter, h.FRatioHorClicks, h.FRatioHorRevs) +
               QStringLiteral("  El:") + AxisAngle(h.FVerCounter, h.FRatioVerClicks, h.FRatioVerRevs);
  texts.bar2 =
      QStringLiteral("H:") + AxisCounter(h.FHorCounter) + QStringLiteral("  V:") + AxisCounter(h.FVerCounter);
  texts.bar3 = QStringLiteral("Sh:") + QString::number(h.FHorSpeed) + QStringLiteral(" rate ") +
               AxisRate(h.FSpeedBytes[0], h.FRatioHorClicks, h.FRatioHorRevs) + QStringLiteral("  Sv:") +
               QString::number(h.FVerSpeed) + QStringLiteral(" rate ") +
               AxisRate(h.FSpeedBytes[1], h.FRatioVerClicks, h.FRatioVerRevs);
  return texts;
}

QStringList QorStatusItemNames() {
  return {QStringLiteral("Autotrack"),
          QStringLiteral("Searching"),
          QStringLiteral("HorPreSearchin"),
          QStringLiteral("VerPreSearchin"),
          QStringLiteral("FineTrack"),
          QStringLiteral("KickMode"),
          QStringLiteral("EquatorScan"),
          QStringLiteral("ErrorState"),
          QStringLiteral("(status 2 bit 0)"),
          QStringLiteral("Reversed Presearch"),
          QStringLiteral("BottomCounterReached"),
          QStringLiteral("TopCounterReached"),
          QStringLiteral("VoltageReached"),
          QStringLiteral("QuarterSpeed"),
          QStringLiteral("HalfSpeed"),
          QStringLiteral("Vertical2Report"),
          QStringLiteral("Push To Track"),
          QStringLiteral("Update All @ 10 Hz")};
}

ManualBars NextManualBars(const ManualKeys &keys, bool pushToTrack, ManualBars bars) {
  if (pushToTrack) {
    bars.hor = 0;
    if (keys.left)
      bars.hor = keys.shift ? -16 : -127;
    if (keys.right)
      bars.hor = keys.shift ? 28 : 127;
    bars.ver = 0;
    if (keys.down)
      bars.ver = keys.shift ? -16 : -127;
    if (keys.up)
      bars.ver = keys.shift ? 16 : 127;
    return bars;
  }
  const int step = keys.shift ? 1 : 16;
  if (keys.left)
    bars.hor -= step;
  if (keys.right)
    bars.hor += step;
  if (keys.down)
    bars.ver -= step;
  if (keys.up)
    bars.ver += step;
  if (keys.backspace)
    bars = {};
  bars.hor = std::clamp(bars.hor, -127, 127);
  bars.ver = std::clamp(bars.ver, -127, 127);
  return bars;
}

std::uint16_t ManualSpeedsWord(ManualBars bars) {
  return static_cast<std::uint16_t>(QorSpeedByte(bars.hor) << 8 | QorSpeedByte(bars.ver));
}

} // namespace calidarix
