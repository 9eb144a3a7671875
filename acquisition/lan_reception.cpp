#include "acquisition/lan_reception.h"

#include "acquisition/camera_commands.h"
#include "acquisition/camera_log.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace calidarix {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kBlindMadeBit = 0x40;
constexpr int kSpikeStep = 2000;
constexpr std::int32_t kLineModeHeight = 32;
constexpr std::int32_t kStripStep2Height = 32;

bool IsQuarterLanType(std::int32_t type) {
  return type == CamIfLan2 || type == CamIfLan2Dual || type == CamIfLan3;
}

bool IsCamera1002(const TScanUnit &unit) {
  return unit.CameraNo == kCamera1002 && IsDualBandType(unit.CameraInterfaceType);
}

void PutWord(std::span<std::uint8_t> line, std::size_t i, std::uint16_t v, bool bigEndian) {
  const auto hi = static_cast<std::uint8_t>(v >> 8);
  const auto lo = static_cast<std::uint8_t>(v & 0xFF);
  line[2 * i] = bigEndian ? hi : lo;
  line[2 * i + 1] = bigEndian ? lo : hi;
}

// Pixel `to` takes the two bytes of pixel `from`, whatever their order.
void CopyPixel(std::span<std::uint8_t> line, std::size_t to, std::size_t from) {
  line[2 * to] = line[2 * from];
  line[2 * to + 1] = line[2 * from + 1];
}

std::uint16_t BigEndianWord(std::span<const std::uint8_t> line, std::size_t at) {
  return static_cast<std::uint16_t>((line[at] << 8) | line[at + 1]);
}

std::uint16_t Clamp16(std::int32_t v) {
  return static_cast<std::uint16_t>(std::clamp(v, 0, 65535));
}

void Widen(std::int32_t &lo, std::int32_t &hi) {
  if (lo != hi)
    return;
  if (hi == 65535)
    --lo;
  else
    ++hi;
}

enum class LineRead { Ok, Lost, TimedOut, DiscardFailed };

// Whether a line's last datagram of `length` bytes can hold the `rest` of the line. The camera pads it
// to full size or cuts it after the rest and its number; the first line of a frame that tells the two
// apart fixes the form for the frame, so that a full-size datagram of the next line is not taken for
// the last of a short-form line.
bool LastDatagramFits(TLanReceptionState &s, std::size_t length, std::size_t rest) {
  const bool full = length == kLanDatagramSize;
  const bool cut = length >= rest && length <= rest + 2;
  if (full && cut)
    return true; // the rest fills the datagram: both forms look alike
  if (full && s.LastDatagram != TLanReceptionState::LastForm::Short) {
    s.LastDatagram = TLanReceptionState::LastForm::Full;
    return true;
  }
  if (cut && s.LastDatagram != TLanReceptionState::LastForm::Full) {
    s.LastDatagram = TLanReceptionState::LastForm::Short;
    return true;
  }
  return false;
}

// Reads the datagrams of one line of `lineBytes` into the reply buffer from byte 0.
LineRead ReadLine(TLanFrameContext &c, std::size_t lineBytes, int timeoutMs, const QString &where) {
  std::vector<std::uint8_t> &buffer = c.State.ReplyBuffer;
  const std::int32_t count = DatagramsPerLine(lineBytes);
  for (std::int32_t k = 0; k < count; ++k) {
    const std::size_t offset = static_cast<std::size_t>(k) * kLanLineBytesPerDatagram;
    const TDatagram d =
        c.Link.ReceiveDatagram(std::span(buffer.data() + offset, kLanDatagramSize), timeoutMs);
    if (d.State == TDatagram::Status::TimedOut)
      return LineRead::TimedOut;
    if (!d.Ok())
      return LineRead::Lost;
    if (k < count - 1 ? d.Length != kLanDatagramSize
                      : !LastDatagramFits(c.State, d.Length, lineBytes - offset))
      return LineRead::Lost;
    if (c.Unit.LineModeFrame && d.Length >= 2) {
      const std::size_t at = offset + d.Length - 2;
      const auto packet = static_cast<std::uint16_t>(buffer[at] | (buffer[at + 1] << 8));
      if (CheckLinePacket(packet, c.State.ExpectedPacket, where)) {
        std::uint8_t copy[kLanDatagramSize];
        if (!c.Link.ReceiveDatagram(copy, timeoutMs).Ok())
          return LineRead::DiscardFailed;
      }
    }
  }
  return LineRead::Ok;
}

// One of camera 1002's extra datagrams, stored at `offset` of the reply buffer.
bool ReadExtraDatagram(TLanFrameContext &c, std::size_t offset, int timeoutMs) {
  std::vector<std::uint8_t> &buffer = c.State.ReplyBuffer;
  if (offset + kLanDatagramSize > buffer.size())
    return false;
  const TDatagram d = c.Link.ReceiveDatagram(std::span(buffer.data() + offset, kLanDatagramSize), timeoutMs);
  return d.Ok() && d.Length >= 1 && d.Length <= kLanDatagramSize;
}

// Row `row` of FrameBuffer from the line in the reply buffer, words as stored (low byte first).
std::span<const std::uint16_t> CopyLineToRow(TScanUnit &unit, const std::vector<std::uint8_t> &buffer,
                                             std::int32_t row) {
  const auto width = static_cast<std::size_t>(unit.FrameWidth);
  std::uint16_t *out = unit.FrameBuffer.data() + static_cast<std::size_t>(row) * width;
  for (std::size_t x = 0; x < width; ++x)
    out[x] = static_cast<std::uint16_t>(buffer[2 * x] | (buffer[2 * x + 1] << 8));
  return {out, width};
}

TFrameResult Refuse(const QString &why) {
  CameraLog(why);
  return TFrameResult{kFrameBadGeometry, 0, 0};
}

} // namespace

TLanFrameGeometry LanFrameGeometry(const TScanUnit &unit, bool stripSequence, std::uint8_t stripStep,
                                   std::int32_t stripLineCount) {
  TLanFrameGeometry g;
  g.FrameWidth = unit.ScanWidth * (IsDualBandType(unit.CameraInterfaceType) ? 2 : 1);
  g.FrameHeight = unit.FrameHeight;
  const std::int32_t h = unit.ScanHeight;
  switch (unit.Speed) {
  case 1:
    g.FrameHeight = 2 * h;
    g.TimeoutMs = 8000;
    break;
  case 2:
    g.FrameHeight = h;
    g.TimeoutMs = 5000;
    break;
  case 3:
    g.FrameHeight = h / 2;
    g.TimeoutMs = 3000;
    break;
  case 0:
    if (!stripSequence) {
      g.FrameHeight = 2 * h;
      g.TimeoutMs = 10000;
      g.MultiplierReset = true;
    } else if (stripStep == 2) {
      g.FrameHeight = kStripStep2Height;
      g.TimeoutMs = 2000;
      g.MultiplierReset = true;
    } else if (stripStep == 3) {
      const bool quarter = IsQuarterLanType(unit.CameraInterfaceType) && unit.Sectors == kQuarterSectors;
      g.FrameHeight = quarter ? stripLineCount / 4 : stripLineCount;
      g.TimeoutMs = static_cast<int>(std::clamp<std::int64_t>(std::int64_t{stripLineCount} * 1000 / 60, 0,
                                                              std::numeric_limits<int>::max()));
      g.MultiplierReset = true;
      g.StripLineCountLog = true;
    } else {
      g.TimeoutMs = 0;
    }
    break;
  default:
    g.FrameHeight = h;
    g.TimeoutMs = 10000;
    break;
  }
  return g;
}

std::int32_t DatagramsPerLine(std::size_t lineBytes) {
  return static_cast<std::int32_t>(lineBytes / kLanDatagramSize) + 1;
}

bool LineFitsDatagrams(std::size_t lineBytes) {
  if (lineBytes == 0)
    return false;
  const std::size_t before =
      static_cast<std::size_t>(DatagramsPerLine(lineBytes) - 1) * kLanLineBytesPerDatagram;
  return lineBytes > before && lineBytes - before <= kLanLineBytesPerDatagram;
}

std::uint16_t LineWord(std::span<const std::uint8_t> line, std::size_t i, bool bigEndian) {
  const std::uint8_t a = line[2 * i];
  const std::uint8_t b = line[2 * i + 1];
  return bigEndian ? static_cast<std::uint16_t>((a << 8) | b) : static_cast<std::uint16_t>((b << 8) | a);
}

void RepairLineSpikes(std::span<std::uint8_t> line, bool bigEndian) {
  if (line.size() < 12)
    return;
  const int w0 = LineWord(line, 0, bigEndian);
  const int w1 = LineWord(line, 1, bigEndian);
  const int w2 = LineWord(line, 2, bigEndian);
  const int w3 = LineWord(line, 3, bigEndian);
  if (std::abs(w0 - w1) > kSpikeStep) {
    CopyPixel(line, 0, 1);
  } else if (std::abs(w1 - w2) > kSpikeStep) {
    CopyPixel(line, 0, 2);
    CopyPixel(line, 1, 3);
  } else if (std::abs(w2 - w3) > kSpikeStep) {
    CopyPixel(line, 0, 3);
    CopyPixel(line, 1, 4);
    CopyPixel(line, 2, 5);
  }
}

std::uint8_t BatteryPercent(std::uint16_t raw) {
  if (raw > BatteryRawEmpty && raw < BatteryRawFull) {
    const double share = static_cast<double>(raw - BatteryRawEmpty) / (BatteryRawFull - BatteryRawEmpty);
    return static_cast<std::uint8_t>(std::max(1, static_cast<int>(share * 100.0)));
  }
  return static_cast<std::uint8_t>(std::min<int>(raw, 100));
}

void DecodeStatusWords(TScanUnit &unit, std::span<const std::uint8_t> line) {
  if (line.size() < 16)
    return;
  // A camera that sends its pixels low byte first shows it in the blind pixel at bytes 16-17:
  // read high byte first it lies far above any blind level.
  if (unit.Speed > 0 && unit.PixelsBigEndian && line.size() >= 18 &&
      BigEndianWord(line, 16) > unit.Set[0] + 1024)
    unit.PixelsBigEndian = false;
  for (std::size_t i = 0; i < unit.StatusWords.size(); ++i)
    unit.StatusWords[i] = BigEndianWord(line, 2 + 2 * i);
  unit.BodyTemperatureRaw = static_cast<std::int16_t>(unit.StatusWords[0]);
  unit.CameraTemperature = static_cast<float>(unit.BodyTemperatureRaw) / 256.0f;
  unit.BatteryRaw = unit.StatusWords[1];
  unit.CameraBatteryPercent = BatteryPercent(unit.BatteryRaw);
  if (IsDualBandType(unit.CameraInterfaceType)) {
    const auto second = 2 * static_cast<std::size_t>(unit.ScanWidth) + 10;
    unit.BandReference1 = BigEndianWord(line, 10);
    if (second + 2 <= line.size())
      unit.BandReference2 = BigEndianWord(line, second);
  }
}

void CleanStatusLine(TScanUnit &unit, std::span<std::uint8_t> line, bool secondHalf) {
  const auto sw = static_cast<std::size_t>(unit.ScanWidth);
  const std::size_t end = secondHalf ? 2 * sw : sw;
  if (sw < 4 || 2 * end > line.size())
    return;
  if (!secondHalf)
    std::copy_n(line.begin() + 6, 6, line.begin());
  CopyPixel(line, end - 2, end - 4);
  CopyPixel(line, end - 1, end - 3);
}

void DecodeBlindLevels(TScanUnit &unit, std::span<std::uint8_t> line, bool latchStripStart) {
  const auto sw = static_cast<std::size_t>(unit.ScanWidth);
  const bool be = unit.PixelsBigEndian;
  const bool dual = IsDualBandType(unit.CameraInterfaceType);
  if (sw == 0 || 2 * sw * (dual ? 2 : 1) > line.size())
    return;
  if (!dual) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < sw; ++i)
      sum += LineWord(line, i, be);
    unit.BlindSignal = static_cast<std::uint16_t>(sum / sw);
  } else {
    const int set1 = unit.Set[1];
    const int set2 = unit.Set[2];
    std::uint64_t sum1 = 0;
    std::uint64_t sum2 = 0;
    for (std::size_t i = 0; i < sw; ++i) {
      if (std::abs(LineWord(line, i, be) - set1) > 100)
        PutWord(line, i, unit.Set[1], be);
      if (std::abs(LineWord(line, i + sw, be) - set2) > 200)
        PutWord(line, i + sw, unit.Set[2], be);
      sum1 += LineWord(line, i, be);
      sum2 += LineWord(line, i + sw, be);
    }
    unit.BlindSignalBand1 = static_cast<std::uint16_t>(sum1 / sw);
    unit.BlindSignalBand2 = static_cast<std::uint16_t>(sum2 / sw);
    unit.BlindSignal = unit.BlindSignalBand1;
  }
  if (latchStripStart) {
    unit.StripStartBlind = unit.BlindSignal;
    if (dual) {
      unit.StripStartBand1 = unit.BlindSignalBand1;
      unit.StripStartBand2 = unit.BlindSignalBand2;
    }
  }
  if (unit.Speed == 0) {
    unit.BlindSignal = unit.Set[0];
    if (dual) {
      unit.BlindSignalBand1 = unit.Set[1];
      unit.BlindSignalBand2 = unit.Set[2];
    }
  }
  unit.BlindLow = unit.BlindSignal < 500;
}

void DecodeQuarterPhase(TScanUnit &unit, std::span<std::uint8_t> line) {
  const auto sw = static_cast<std::size_t>(unit.ScanWidth);
  if (sw < 4 || 2 * sw > line.size())
    return;
  const std::uint8_t *m = line.data() + 2 * sw - 4;
  if (m[0] == 0 && m[1] == 0 && m[2] > 254 && m[3] > 254)
    unit.QuarterPhase = true;
  else if (m[0] > 254 && m[1] > 254 && m[2] == 0 && m[3] == 0)
    unit.QuarterPhase = false;
  CopyPixel(line, sw - 2, sw - 3);
  CopyPixel(line, sw - 1, sw - 4);
  if (unit.CameraInterfaceType == CamIfLan2Dual && 4 * sw <= line.size()) {
    CopyPixel(line, 2 * sw - 2, 2 * sw - 3);
    CopyPixel(line, 2 * sw - 1, 2 * sw - 4);
  }
}

bool CheckLinePacket(std::uint16_t packet, std::uint16_t &expected, const QString &where) {
  const bool match = packet == expected;
  if (!match) {
    const int p = packet;
    const int e = expected;
    const QString place = QStringLiteral(" at ") + where;
    if (e + 1 >= p) {
      CameraUserLog(QStringLiteral("Packet %1%2 is lost").arg(p).arg(place));
    } else {
      CameraUserLog(QStringLiteral("%1 packets at %2%3 are lost").arg(p - e).arg(p).arg(place));
      // Counting on from the datagram that came keeps the rest of the frame in step.
      expected = static_cast<std::uint16_t>(p - 1);
    }
  }
  expected = static_cast<std::uint16_t>(expected + 2);
  return match;
}

bool FinishFrame(TScanUnit &unit, std::int32_t rows, bool blindCorrection, bool complete) {
  const std::int32_t width = std::max(unit.FrameWidth, 0);
  const std::int32_t height = std::max(unit.FrameHeight, 0);
  rows = std::clamp(rows, 0, height);
  std::vector<std::uint16_t> &buffer = unit.FrameBuffer;
  const std::size_t pixels = std::min(buffer.size(), static_cast<std::size_t>(width) * height);
  bool marked = false;
  if (complete && pixels >= 4 && buffer[pixels - 2] == 0 && buffer[pixels - 1] == 65535) {
    marked = true;
    buffer[pixels - 2] = buffer[pixels - 3];
    buffer[pixels - 1] = buffer[pixels - 4];
  }

  const bool dual = IsDualBandType(unit.CameraInterfaceType);
  const std::int32_t half = width / 2;
  const bool be = unit.PixelsBigEndian;
  const std::int32_t shift0 = std::int32_t{unit.Set[0]} - unit.BlindSignal;
  const std::int32_t shift1 = std::int32_t{unit.Set[1]} - unit.BlindSignalBand1;
  const std::int32_t shift2 = std::int32_t{unit.Set[2]} - unit.BlindSignalBand2;
  const std::size_t received = std::min(pixels, static_cast<std::size_t>(rows) * width);
  for (std::int32_t y = 0; y < rows; ++y) {
    std::uint16_t *row = buffer.data() + static_cast<std::size_t>(y) * width;
    for (std::int32_t x = 0; x < width; ++x) {
      std::int32_t p = row[x];
      if (be)
        p = ((p & 0xFF) << 8) | (p >> 8);
      if (blindCorrection)
        p += dual ? (x < half ? shift1 : shift2) : shift0;
      row[x] = Clamp16(p);
    }
  }
  if (blindCorrection && rows > 0) {
    unit.BlindSignal = unit.Set[0];
    if (dual) {
      unit.BlindSignalBand1 = unit.Set[1];
      unit.BlindSignalBand2 = unit.Set[2];
    }
  }
  if (received >= 2)
    buffer[0] = buffer[1];

  auto range = [&](std::int32_t from, std::int32_t to, std::int32_t &lo, std::int32_t &hi) {
    lo = 65535;
    hi = 0;
    for (std::int32_t y = 0; y < rows; ++y) {
      const std::uint16_t *row = buffer.data() + static_cast<std::size_t>(y) * width;
      for (std::int32_t x = std::max(from, 0); x <= std::min(to, width - 1); ++x) {
        lo = std::min<std::int32_t>(lo, row[x]);
        hi = std::max<std::int32_t>(hi, row[x]);
      }
    }
    if (lo > hi)
      lo = hi = 0; // no pixel received
    Widen(lo, hi);
  };
  if (!dual) {
    range(0, width - 1, unit.FrameMin, unit.FrameMax);
  } else {
    range(0, half - 2, unit.FrameMinBand1, unit.FrameMaxBand1);
    range(unit.ScanWidth, unit.ScanWidth + half - 2, unit.FrameMinBand2, unit.FrameMaxBand2);
    unit.FrameMin = unit.FrameMinBand1;
    unit.FrameMax = unit.FrameMaxBand1;
  }
  return marked;
}

std::int32_t FindSharpestLine(const TScanUnit &unit, std::int32_t left, std::int32_t top, std::int32_t right,
                              std::int32_t bottom) {
  const std::int32_t width = unit.FrameWidth;
  const std::int32_t height = unit.FrameHeight;
  const std::vector<std::uint16_t> &buffer = unit.FrameBuffer;
  if (width <= 0 || buffer.size() < static_cast<std::size_t>(width) * std::max(height, 0))
    return 0;
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width);
  bottom = std::min(bottom, height);
  std::int64_t best = 0;
  std::int32_t bestRow = 0;
  for (std::int32_t y = top; y < bottom; ++y) {
    const std::uint16_t *row = buffer.data() + static_cast<std::size_t>(y) * width;
    int steepest = 0;
    int count = 0;
    for (std::int32_t x = left; x <= right - 3; ++x) {
      const int d = std::abs(row[x + 1] - row[x]);
      if (d > steepest) {
        steepest = d;
        count = 1;
      } else if (d == steepest) {
        ++count;
      }
    }
    const double sum = static_cast<double>(count) * steepest * steepest;
    const auto score = static_cast<std::int64_t>(std::nearbyint(std::sqrt(sum)));
    if (score > best) {
      best = score;
      bestRow = y;
    }
  }
  return bestRow;
}

TFrameResult ReceiveLanFrame(TLanFrameContext &c) {
  TScanUnit &u = c.Unit;
  TScanRequests &r = c.Requests;
  TLanReceptionState &s = c.State;
  s.ReceivedRows = 0;
  s.FrameMarked = false;
  s.LastDatagram = TLanReceptionState::LastForm::Unknown;
  s.BlindCorrected = r.BlindCorrectionOn.Get();
  u.LptErrorCode = 0;

  if (u.ScanWidth < kMinScanWidth || u.ScanWidth > kMaxScanSide)
    return Refuse(QStringLiteral("Camera scan width %1 cannot be received").arg(u.ScanWidth));
  const bool strip = r.HeadConnected.Get() && r.StripScanning.Get();
  const std::uint8_t stripStep = r.StripStep.Get();
  const TLanFrameGeometry g = LanFrameGeometry(u, strip, stripStep, r.StripLineCount.Get());
  u.FrameWidth = g.FrameWidth;
  u.FrameHeight = g.FrameHeight;
  if (g.MultiplierReset)
    u.FrameMultiplier = 1;
  const int timeout = c.Timings.FrameTimeoutMs > 0 ? c.Timings.FrameTimeoutMs : g.TimeoutMs;
  if (g.StripLineCountLog)
    CameraLog(QStringLiteral("LineCount:%1 Wait:%2").arg(g.FrameHeight).arg(g.TimeoutMs));

  if (u.Sectors == kLineModeSectors) {
    u.LineModeFrame = true;
    if (r.LineModeShotRequest.Exchange(false)) {
      r.FrameTimingOn.Set(true);
      r.LaserOn.Set(true);
    } else {
      u.FrameHeight = kLineModeHeight;
      r.LaserOn.Set(false);
    }
  } else {
    u.LineModeFrame = false;
  }

  if (r.FAutoFocusRequest.Get()) {
    FocusToMin(u, c.Link);
    StartAutoFocus(u, c.Link);
    if (u.AutoFocusStep > 0)
      u.FrameHeight = (u.FocusMax - u.FocusMin) / u.AutoFocusStep;
    r.FAutoFocusRequest.Set(false);
    s.AutoFocusDone = true;
  }
  if (r.FFocusRequest.Exchange(false))
    FocusToFraction(u, c.Link, r.FocusRequestFraction.Get());

  const std::size_t lineBytes = 2 * static_cast<std::size_t>(u.FrameWidth);
  if (u.FrameHeight < 1 || u.FrameHeight > kMaxRequestHeight)
    return Refuse(QStringLiteral("Camera frame height %1 cannot be requested").arg(u.FrameHeight));
  if (!LineFitsDatagrams(lineBytes))
    return Refuse(QStringLiteral("Camera line of %1 pixels does not fit its datagrams").arg(u.FrameWidth));

  // Whatever an abandoned frame left in the socket must not start this one.
  c.Link.DropQueued();
  if (r.FrameTimingOn.Get())
    s.TimingStart = Clock::now();
  SendFrameRequest(u, SnapshotFrameModes(r), s.SectorTable, c.Link);
  if (IsQuarterLanType(u.CameraInterfaceType) && u.Sectors == kQuarterSectors)
    u.FrameHeight *= 4;
  if (u.Speed == 0 && u.FrameMultiplier >= 2)
    u.FrameHeight *= u.FrameMultiplier;
  const std::int64_t pixels = std::int64_t{u.FrameWidth} * u.FrameHeight;
  if (pixels <= 0 || pixels > kMaxFramePixels)
    return Refuse(
        QStringLiteral("Camera frame of %1 x %2 pixels is too large").arg(u.FrameWidth).arg(u.FrameHeight));
  u.FrameBuffer.assign(static_cast<std::size_t>(pixels), 0);
  s.ExpectedPacket = 0;
  const std::size_t sw = static_cast<std::size_t>(u.ScanWidth);
  s.ReplyBuffer.assign(std::max(lineBytes, 4 * sw) + kLanDatagramSize, 0);
  const std::span<std::uint8_t> line(s.ReplyBuffer.data(), lineBytes);
  const bool dual = IsDualBandType(u.CameraInterfaceType);
  const std::int32_t height = u.FrameHeight;

  bool statusDecoded = false;
  const auto fail = [&](std::int32_t code, std::int32_t failedLine) {
    if (statusDecoded)
      FinishFrame(u, s.ReceivedRows, s.BlindCorrected, false);
    else
      u.FrameMin = u.FrameMinBand1 = u.FrameMinBand2 = 0, u.FrameMax = u.FrameMaxBand1 = u.FrameMaxBand2 = 1;
    return TFrameResult{kFrameLinkFailure, failedLine, code};
  };
  const auto drainUnlessReconnected = [&](LineRead read) {
    if (read != LineRead::TimedOut)
      c.Link.Drain(c.Timings.LineDrainMs);
  };

  // The status line.
  const LineRead blind = ReadLine(c, lineBytes, timeout, QStringLiteral("blind line"));
  if (blind != LineRead::Ok) {
    s.LineNumber = 0;
    if (blind != LineRead::DiscardFailed)
      CameraUserLog(QStringLiteral("ERROR: Blind packet lost"));
    drainUnlessReconnected(blind);
    return fail(kCodeBlindLost, 0);
  }
  if ((line[0] & kBlindMadeBit) == 0) {
    c.Link.Drain(c.Timings.BlindDrainMs);
    s.LineNumber = -1;
    CameraUserLog(QStringLiteral("ERROR: Blind not maked"));
    return fail(kCodeBlindNotMarked, -1);
  }
  line[0] &= 0x3F;
  DecodeStatusWords(u, line);
  CleanStatusLine(u, line, false);
  if (dual) {
    if (IsCamera1002(u) &&
        !(ReadExtraDatagram(c, 2 * sw, timeout) && ReadExtraDatagram(c, 4 * sw, timeout))) {
      s.LineNumber = 0;
      return fail(kCodeBlindLost, 0);
    }
    CleanStatusLine(u, line, true);
  }
  DecodeBlindLevels(u, line, strip && stripStep == 0);
  statusDecoded = true;

  // The first scan line.
  s.LineNumber = 1;
  const LineRead first = ReadLine(c, lineBytes, timeout, QStringLiteral("first line"));
  if (first != LineRead::Ok) {
    s.LineNumber = 0;
    if (first != LineRead::DiscardFailed)
      CameraUserLog(QStringLiteral("First line packet lost"));
    drainUnlessReconnected(first);
    return fail(kCodeFirstLineLost, 0);
  }
  if (u.CameraInterfaceType == CamIfLanDual && u.CameraNo == kCamera1002 &&
      !(ReadExtraDatagram(c, 2 * sw, timeout) && ReadExtraDatagram(c, 4 * sw, timeout))) {
    s.LineNumber = 0;
    return fail(kCodeFirstLineLost, 0);
  }
  const Clock::time_point start = Clock::now();
  CopyPixel(line, 0, 1);
  RepairLineSpikes(line, u.PixelsBigEndian);
  if ((IsQuarterLanType(u.CameraInterfaceType) || u.CameraInterfaceType == CamIfUsb) &&
      u.Sectors == kQuarterSectors)
    DecodeQuarterPhase(u, line);
  const std::span<const std::uint16_t> row0 = CopyLineToRow(u, s.ReplyBuffer, 0);
  s.ReceivedRows = 1;
  if (c.OnHeadStep)
    c.OnHeadStep();
  if (c.OnLine)
    c.OnLine(0, row0);

  // The other lines.
  for (std::int32_t n = 1; n < height; ++n) {
    s.LineNumber = n + 1;
    const LineRead read = ReadLine(c, lineBytes, timeout, QStringLiteral("line %1").arg(n));
    if (read == LineRead::Lost || read == LineRead::TimedOut) {
      c.Link.Drain(c.Timings.LineDrainMs);
      s.LineNumber = 0;
      CameraUserLog(QStringLiteral("ERROR: %1 scan line of %2 packet lost").arg(n).arg(height));
      if (!u.LineModeFrame)
        return fail(n, n);
      break; // a line-mode frame ends early with the lines it has
    }
    RepairLineSpikes(line, u.PixelsBigEndian);
    if (u.CameraInterfaceType == CamIfLanDual && u.CameraNo == kCamera1002 &&
        !(ReadExtraDatagram(c, 0, c.Timings.Camera1002LineMs) &&
          ReadExtraDatagram(c, 4 * sw, c.Timings.Camera1002LineMs))) {
      c.Link.Drain(c.Timings.Camera1002DrainMs);
      s.LineNumber = 0;
      return fail(n, n);
    }
    if (n == height - 1) {
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      if (ms > 0.0)
        u.LineRate = (height - 1) / ms * 1000.0;
    }
    const std::span<const std::uint16_t> row = CopyLineToRow(u, s.ReplyBuffer, n);
    s.ReceivedRows = n + 1;
    if (c.OnLine && !r.SuppressLineMessages.Get())
      c.OnLine(n, row);
  }

  s.LineNumber = 0;
  s.FrameMarked = FinishFrame(u, s.ReceivedRows, s.BlindCorrected, s.ReceivedRows == height);
  if (s.AutoFocusDone) {
    const std::int32_t best = FindSharpestLine(u, 0, 0, u.FrameWidth, u.FrameHeight);
    const double fraction = static_cast<double>(best) / u.FrameHeight;
    r.FocusRequestFraction.Set(fraction);
    FocusToFraction(u, c.Link, fraction);
    s.AutoFocusDone = false;
  }
  return TFrameResult{kFrameComplete, 0, 0};
}

} // namespace calidarix
