#include "acquisition/lpt_camera_link.h"

#include "acquisition/camera_log.h"
#include "acquisition/signal_model.h"
#include "platform/numbers.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace calidarix {

namespace {

constexpr std::uint8_t kReady = 0x08;
constexpr std::uint8_t kAck4 = 0x10;

TFrameResult LinkResult(std::int32_t code, std::int32_t line = 0) {
  return {code, line};
}

void WidenEqualRange(TScanUnit &unit) {
  if (unit.FrameMin != unit.FrameMax)
    return;
  if (unit.FrameMax < 65535)
    ++unit.FrameMax;
  else
    --unit.FrameMin;
}

std::uint16_t Clamp16(double v) {
  return static_cast<std::uint16_t>(std::clamp<std::int64_t>(TruncToInt64(v), 0, 65535));
}

std::uint8_t StepDown(std::uint8_t v) {
  return v > 0 ? static_cast<std::uint8_t>(v - 1) : v;
}

std::uint8_t StepUp(std::uint8_t v) {
  return v < 255 ? static_cast<std::uint8_t>(v + 1) : v;
}

std::uint8_t RoundToByte(double v, int lowest) {
  return static_cast<std::uint8_t>(std::clamp(RoundToInt32(v), lowest, 255));
}

// A type-8 sample as a signal: (v + base - VZ) x 255 / divisor - VZ, limited to 16 bits.
std::uint16_t LevelSignal(double v, double base, double virtualZero, double divisor) {
  return Clamp16(TruncToInt64((v + base - virtualZero) * 255.0 / divisor) - virtualZero);
}

bool UsableKLevel(double k) {
  return std::isfinite(k) && k != 0.0;
}

} // namespace

TLptClock SteadyLptClock() {
  return [] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  };
}

bool RequestLptLevelRange(TLptRequests &requests, std::int32_t level, std::int32_t range) {
  if (level < 0 || level > 255 || range < 1 || range > 255)
    return false;
  requests.PendingLevel.Set(level);
  requests.PendingRange.Set(range);
  return true;
}

void ApplyLptRequests(TScanUnit &unit, TLptRequests &requests) {
  const std::int32_t level = requests.PendingLevel.Exchange(-1);
  const std::int32_t range = requests.PendingRange.Exchange(-1);
  if (level >= 0 && level <= 255)
    unit.Level = static_cast<std::uint8_t>(level);
  if (range >= 1 && range <= 255)
    unit.Range = static_cast<std::uint8_t>(range);
}

void AutoLevelRange(TScanUnit &unit, std::uint8_t lo, std::uint8_t hi) {
  const double R = unit.Range;
  const double L = unit.Level;
  const double K = unit.KLevel;
  const double VZ = unit.VirtualZero;
  if (!UsableKLevel(K) || R == 0.0)
    return; // the formulas divide by both
  double r = R;
  double l = L;
  // The level that keeps input `anchor` of the old setting at output `target` under range r.
  const auto levelFor = [&](double anchor, double target) {
    return RoundHalfEven(((K * L + anchor) * r + (R - r) * VZ) / (K * R) - target / K);
  };
  const bool normal =
      ((lo >= 65 && hi < 254) || (lo > 5 && hi < 192)) && R > 2 && R < 253 && L >= 2 && L < 255 && hi > lo;
  if (normal) {
    r = R * 256.0 / (hi - lo);
    r = r - r / 10.0;
    r = std::clamp(r, 3.0, 255.0);
    l = levelFor(lo, 12.0);
  } else {
    if (lo < 6 && hi >= 254) {
      r = R > 6 ? R / 2.0 : 3.0;
      l = levelFor(128.0, 128.0);
    } else if ((lo < 6 && hi < 6) || (lo > 253 && hi >= 254)) {
      l = 198.0;
      r = 16.0;
    } else if (lo < 6 && hi > 5 && hi < 254) {
      r = R > 5 ? R / 2.0 : 3.0;
      l = levelFor(hi, 240.0);
    } else if (lo > 5 && lo < 254 && hi >= 254) {
      r = R > 5 ? R / 2.0 : 3.0;
      l = levelFor(lo, 16.0);
    }
    r = std::clamp(r, 3.0, 255.0);
  }
  unit.Range = RoundToByte(r, 3);
  unit.Level = RoundToByte(std::isfinite(l) ? l : L, 1);
}

TLptCamera::TLptCamera(TParallelPortIo &io, TLptClock clock) : io_(io), clock_(std::move(clock)) {}

bool TLptCamera::WaitStatus(const TScanUnit &unit, std::uint8_t mask, std::uint8_t want, std::int64_t start) {
  while ((Status(unit) & mask) != want) {
    if (clock_() - start >= kLptTimeoutMs)
      return false;
  }
  return true;
}

std::uint16_t TLptCamera::ReadWordLpt(const TScanUnit &unit) {
  Control(unit, 9);
  Control(unit, 8);
  Control(unit, 8);
  Control(unit, 8);
  const std::uint8_t s1 = Status(unit);
  Control(unit, 0x0C);
  Control(unit, 0x0C);
  const std::uint8_t s2 = Status(unit);
  Control(unit, 8);
  const std::uint8_t s3 = Status(unit);
  Control(unit, 0x0C);
  Control(unit, 0x0C);
  const std::uint8_t s4 = Status(unit);
  const unsigned high = (s3 >> 4) + (s4 & 0xF0);
  const unsigned low = (s1 >> 4) + (s2 & 0xF0);
  return static_cast<std::uint16_t>(high * 256 + low);
}

bool TLptCamera::WaitStrobeLpt(TScanUnit &unit, bool level) {
  const std::int64_t start = clock_();
  Control(unit, 0);
  if (WaitStatus(unit, kReady, level ? kReady : 0, start))
    return true;
  unit.LptErrorCode = kLptErrorStrobe;
  return false;
}

bool TLptCamera::WaitReadyLpt(TScanUnit &unit) {
  const std::int64_t start = clock_();
  Control(unit, 8);
  if (WaitStatus(unit, kReady, 0, start) && WaitStatus(unit, kReady, kReady, start))
    return true;
  unit.LptErrorCode = kLptErrorReady;
  return false;
}

bool TLptCamera::SendLptCommand(TScanUnit &unit, std::uint8_t command, std::int16_t &reply) {
  const std::int64_t start = clock_();
  Data(unit, command);
  Control(unit, 10);
  Control(unit, 8);
  Control(unit, 8);
  const bool acknowledged = WaitStatus(unit, kReady, 0, start);
  if (!acknowledged)
    unit.LptErrorCode = kLptErrorCommand;
  reply = static_cast<std::int16_t>(ReadWordLpt(unit));
  return acknowledged;
}

bool TLptCamera::StartLptFrame(TScanUnit &unit, bool laserOn) {
  if (!WaitReadyLpt(unit))
    return false;
  std::uint8_t mode = 0;
  switch (unit.Speed) {
  case 0:
    mode = 0;
    unit.FrameHeight = 240;
    break;
  case 1:
    mode = 1;
    unit.FrameHeight = 240;
    break;
  case 2:
    mode = 3;
    unit.FrameHeight = 120;
    break;
  default:
    mode = 2;
    unit.FrameHeight = 60;
    break;
  }
  mode += unit.CalibrationRange == 0 ? 4 : 8;
  if (laserOn)
    mode += 0x20;
  std::int16_t raw = 0;
  if (!SendLptCommand(unit, mode, raw))
    return false;
  unit.BodyTemperatureRaw = raw;
  unit.CameraTemperature = static_cast<float>(RoundHalfEven(raw / 256.0 * 100.0) / 100.0);
  if (unit.Speed > 0) {
    if (!WaitStrobeLpt(unit, true) || !WaitStrobeLpt(unit, false) || !WaitReadyLpt(unit))
      return false;
    std::int64_t sum = 0;
    for (std::int32_t x = 0; x < unit.FrameWidth; ++x)
      sum += ReadWordLpt(unit);
    unit.BlindSignal = static_cast<std::uint16_t>(sum / unit.FrameWidth);
  }
  return true;
}

TFrameResult TLptCamera::GrabFrameLpt(TScanUnit &unit, const TScanRequests &requests, std::int32_t &rows) {
  rows = 0;
  unit.LptErrorCode = 0;
  if (unit.FrameWidth < 1) {
    CameraLog(
        QStringLiteral("Parallel-port camera: a frame width of %1 cannot be received").arg(unit.FrameWidth));
    return LinkResult(kLptCodeRefused);
  }
  if (!StartLptFrame(unit, requests.LaserOn.Get()))
    return LinkResult(unit.LptErrorCode);
  const std::int32_t width = unit.FrameWidth;
  const std::int32_t height = unit.FrameHeight;
  unit.FrameBuffer.assign(static_cast<std::size_t>(width) * height, 0);
  unit.FrameMin = 65535;
  unit.FrameMax = 0;
  if (!WaitReadyLpt(unit))
    return LinkResult(unit.LptErrorCode);
  std::uint16_t *frame = unit.FrameBuffer.data();
  std::uint16_t previous = 0;
  for (std::int32_t y = 0; y < height; ++y) {
    if (!WaitReadyLpt(unit))
      return LinkResult(unit.LptErrorCode, y);
    std::uint16_t *row = frame + static_cast<std::size_t>(y) * width;
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint16_t v = ReadWordLpt(unit);
      if (v == 0) // a lost reading takes the pixel before it
        v = previous;
      row[x] = v;
      previous = v;
      unit.FrameMin = std::min<std::int32_t>(unit.FrameMin, v);
      unit.FrameMax = std::max<std::int32_t>(unit.FrameMax, v);
    }
    rows = y + 1;
  }
  WidenEqualRange(unit);
  return LinkResult(0);
}

void TLptCamera::SelectLptChannel(const TScanUnit &unit) {
  const std::uint8_t v = unit.CalibrationRange == 1 ? 0xC3 : 0x40;
  Control(unit, 1);
  Control(unit, 3);
  Data(unit, v);
  Data(unit, v);
  Data(unit, v);
  Data(unit, 0);
  Control(unit, 1);
}

std::uint8_t TLptCamera::ReadLptByte(TScanUnit &unit) {
  if (!WaitStatus(unit, kReady, 0, clock_())) {
    unit.LptErrorCode = kLptErrorSample;
    return kLptSampleTimeoutValue;
  }
  Control(unit, 1);
  Control(unit, 0);
  Control(unit, 0);
  const std::uint8_t s1 = Status(unit);
  Control(unit, 4);
  const std::uint8_t s2 = Status(unit);
  Control(unit, 1);
  return static_cast<std::uint8_t>((s1 & 0xF0) + (s2 >> 4));
}

bool TLptCamera::WaitLptStatus4(TScanUnit &unit, bool level) {
  const std::int64_t start = clock_();
  Control(unit, 1);
  Control(unit, 3);
  Data(unit, 8);
  Data(unit, 8);
  Control(unit, 1);
  if (WaitStatus(unit, kAck4, level ? kAck4 : 0, start))
    return true;
  unit.LptErrorCode = kLptErrorLevelAck;
  return false;
}

std::uint8_t TLptCamera::ReadLptLineMean(TScanUnit &unit, std::uint8_t channel) {
  Control(unit, 1);
  Control(unit, 3);
  Data(unit, static_cast<std::uint8_t>(channel + 0x80));
  Data(unit, static_cast<std::uint8_t>(channel + 0x80));
  Control(unit, 0);
  Control(unit, 1);
  const std::int32_t width = std::max(unit.FrameWidth, 1);
  std::int64_t sum = 0;
  for (std::int32_t x = 0; x < width; ++x)
    sum += ReadLptByte(unit);
  return static_cast<std::uint8_t>(std::clamp(RoundToInt32(static_cast<double>(sum) / width), 0, 255));
}

void TLptCamera::SetLptLevelRange(const TScanUnit &unit, std::uint8_t level, std::uint8_t range) {
  Control(unit, 1);
  Control(unit, 3);
  Data(unit, 4);
  Data(unit, 4);
  Control(unit, 1);
  Data(unit, static_cast<std::uint8_t>(~level));
  Control(unit, 1);
  Control(unit, 9);
  Control(unit, 9);
  Control(unit, 1);
  Control(unit, 1);
  Control(unit, 3);
  Data(unit, 0);
  Data(unit, 0);
  Control(unit, 1);
  Data(unit, range);
  Control(unit, 1);
  Control(unit, 9);
  Control(unit, 9);
  Control(unit, 1);
}

bool TLptCamera::TrackLptLevels(TScanUnit &unit) {
  SetLptLevelRange(unit, unit.BlindLevel, unit.BlindRange);
  if (!WaitLptStatus4(unit, false) || !WaitLptStatus4(unit, true))
    return false;
  const double k = unit.KLevel;
  if (unit.CalibrationRange == 1) {
    unit.BlindSignal = static_cast<std::uint16_t>(ReadLptLineMean(unit, 3) * 256);
  } else {
    const std::uint8_t b = ReadLptLineMean(unit, 1);
    if (b > 0xC0)
      unit.BlindLevel = StepDown(unit.BlindLevel);
    else if (b < 0x40)
      unit.BlindLevel = StepUp(unit.BlindLevel);
    unit.BlindSignal = LevelSignal(b, k * unit.BlindLevel, unit.VirtualZero, unit.BlindRange);
  }
  SetLptLevelRange(unit, unit.Level, unit.Range);
  const std::uint8_t thermistor = ReadLptLineMean(unit, 2);
  unit.BodyTemperatureRaw = thermistor;
  unit.CameraTemperature = static_cast<float>(thermistor * unit.Termo_A + unit.Termo_B);
  if (unit.CalibrationRange != 1) {
    SetLptLevelRange(unit, unit.VirLev, 0);
    const std::uint8_t r = ReadLptLineMean(unit, 0);
    unit.VirtualZero = TruncToInt32(k * unit.VirLev + r);
    if (r > 0xF0)
      unit.VirLev = StepDown(unit.VirLev);
    else if (r < 0x10)
      unit.VirLev = StepUp(unit.VirLev);
  }
  return true;
}

TFrameResult TLptCamera::GrabFrameLptLevel(TScanUnit &unit, const TScanRequests &requests, bool autoRange,
                                           std::int32_t &rows) {
  rows = 0;
  unit.LptErrorCode = 0;
  unit.Speed = 2;
  if (!UsableKLevel(unit.KLevel) || unit.Range == 0 || unit.BlindRange == 0 || unit.FrameWidth < 1 ||
      unit.FrameHeight < 1) {
    CameraLog(
        QStringLiteral("Parallel-port camera: frame refused (KLevel %1, Range %2, BlindRange %3, %4 x %5 "
                       "pixels)")
            .arg(unit.KLevel)
            .arg(unit.Range)
            .arg(unit.BlindRange)
            .arg(unit.FrameWidth)
            .arg(unit.FrameHeight));
    return LinkResult(kLptCodeRefused);
  }
  const std::int32_t width = unit.FrameWidth;
  const std::int32_t height = unit.FrameHeight;
  unit.FrameBuffer.assign(static_cast<std::size_t>(width) * height, 0);
  if (!TrackLptLevels(unit))
    return LinkResult(unit.LptErrorCode);

  const double base = unit.Level * unit.KLevel;
  const bool range1 = unit.CalibrationRange == 1;
  unit.FrameMin = 65535;
  unit.FrameMax = 0;
  std::uint8_t lo = 255;
  std::uint8_t hi = 0;
  bool sawSample = false;
  SelectLptChannel(unit);
  std::uint16_t *frame = unit.FrameBuffer.data();
  for (std::int32_t y = 0; y < height; ++y) {
    if (!range1)
      SetLptLevelRange(unit, unit.Level, unit.Range);
    std::uint16_t *row = frame + static_cast<std::size_t>(y) * width;
    for (std::int32_t x = 0; x < width; ++x) {
      if (requests.FSkipNextFrame.Get())
        return LinkResult(0, y); // the frame will be dropped; the camera is not read further
      const std::uint8_t v = ReadLptByte(unit);
      sawSample = true;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      const std::uint16_t p =
          range1 ? static_cast<std::uint16_t>(v * 257) : LevelSignal(v, base, unit.VirtualZero, unit.Range);
      row[x] = p;
      unit.FrameMin = std::min<std::int32_t>(unit.FrameMin, p);
      unit.FrameMax = std::max<std::int32_t>(unit.FrameMax, p);
    }
    rows = y + 1;
  }
  WidenEqualRange(unit);
  SelectCalibrationRange(unit, unit.CalibrationRange);
  if (autoRange && !range1 && sawSample)
    AutoLevelRange(unit, lo, hi);
  return LinkResult(0);
}

bool TLptCamera::CloseLpt(TScanUnit &unit, TScanRequests &requests) {
  requests.LaserOn.Set(false);
  if (!WaitReadyLpt(unit))
    return false;
  std::int16_t raw = 0;
  const bool sent = SendLptCommand(unit, static_cast<std::uint8_t>(unit.Speed | 4), raw);
  unit.BodyTemperatureRaw = raw;
  return sent;
}

bool TLptCamera::CloseLptLevel(const TScanUnit &unit) {
  const std::uint16_t base = unit.LptPortBase;
  if (base < 1000) {
    Out(static_cast<std::uint16_t>(base + 0x402), 5);
    Out(static_cast<std::uint16_t>(base + 0x401), 0xFF);
    Out(static_cast<std::uint16_t>(base + 0x400), 4);
  }
  Control(unit, 0xCC);
  Out(static_cast<std::uint16_t>(base + 1), 7);
  Data(unit, 4);
  return true;
}

} // namespace calidarix
