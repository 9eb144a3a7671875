#include "acquisition/camera_protocol.h"

#include "acquisition/narrow_float.h"

#include <bit>
#include <cmath>

namespace calidarix {

namespace {

// Writes and reads at fixed offsets; the callers size every block before they touch it.
void PutU8(TCommandBlock &b, std::size_t at, std::int64_t v) {
  b[at] = static_cast<std::uint8_t>(v & 0xFF);
}

void PutU16BE(TCommandBlock &b, std::size_t at, std::int64_t v) {
  b[at] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
  b[at + 1] = static_cast<std::uint8_t>(v & 0xFF);
}

void PutF32LE(TCommandBlock &b, std::size_t at, double v) {
  const auto bits = std::bit_cast<std::uint32_t>(NarrowToFloat(v));
  for (int i = 0; i < 4; ++i)
    b[at + i] = static_cast<std::uint8_t>((bits >> (8 * i)) & 0xFF);
}

std::uint16_t GetU16BE(std::span<const std::uint8_t> r, std::size_t at) {
  return static_cast<std::uint16_t>((r[at] << 8) | r[at + 1]);
}

float GetF32LE(std::span<const std::uint8_t> r, std::size_t at) {
  std::uint32_t bits = 0;
  for (int i = 0; i < 4; ++i)
    bits |= static_cast<std::uint32_t>(r[at + i]) << (8 * i);
  return std::bit_cast<float>(bits);
}

void PutEntries(TCommandBlock &b, std::size_t at, const TSectorTable &table, std::int32_t entries) {
  for (std::int32_t i = 0; i < entries; ++i) {
    PutU8(b, at + 2 * i, table[i].Count);
    PutU8(b, at + 2 * i + 1, table[i].Delay);
  }
}

TFrameRequest Refuse(QString reason) {
  TFrameRequest request;
  request.Error = std::move(reason);
  return request;
}

QString TooManyEntries(std::int32_t entries, std::int32_t capacity) {
  return QStringLiteral("Frame request refused: %1 sector entries, the request holds %2")
      .arg(entries)
      .arg(capacity);
}

// Reads a reply front to back; every read is checked against the length by the caller's size test.
class ReplyReader {
public:
  explicit ReplyReader(std::span<const std::uint8_t> reply, std::size_t start = 0) : r_(reply), at_(start) {}

  std::uint8_t U8() { return r_[at_++]; }
  std::uint16_t U16() {
    const std::uint16_t v = GetU16BE(r_, at_);
    at_ += 2;
    return v;
  }
  float F32() {
    const float v = GetF32LE(r_, at_);
    at_ += 4;
    finite_ = finite_ && std::isfinite(v);
    return v;
  }
  void Skip(std::size_t n) { at_ += n; }
  bool AllFinite() const { return finite_; }

private:
  std::span<const std::uint8_t> r_;
  std::size_t at_;
  bool finite_ = true;
};

bool GeometryValid(std::int32_t width, std::int32_t height) {
  return width >= 1 && width <= kMaxScanSide && height >= 1 && height <= kMaxScanSide;
}

void SetError(QString *error, const QString &text) {
  if (error)
    *error = text;
}

// Bytes 0..34 of a parameter reply, common to LAN and USB.
TCameraParameters ReadParameterHead(ReplyReader &in) {
  TCameraParameters p;
  p.Live = TLiveValues{in.U8(), in.U8(), in.U8(), in.U8(), in.U8(), in.U8()};
  p.CameraNo = in.U16();
  p.ScanWidth = in.U16();
  p.ScanHeight = in.U16();
  p.Sectors = in.U8();
  p.Delay = in.U8();
  p.Edge = in.U8();
  p.Center = in.U8();
  p.Set = in.U16();
  p.TermoDelta = in.F32();
  p.Amplification[0] = in.U8();
  p.Exp_A = in.F32();
  p.Exp_B = in.F32();
  p.Signal0 = in.F32();
  return p;
}

std::optional<TCameraParameters> CheckParameters(const TCameraParameters &p, const ReplyReader &in,
                                                 QString *error) {
  if (!GeometryValid(p.ScanWidth, p.ScanHeight)) {
    SetError(
        error,
        QStringLiteral("Camera parameters refused: scan size %1 x %2").arg(p.ScanWidth).arg(p.ScanHeight));
    return std::nullopt;
  }
  if (!in.AllFinite()) {
    SetError(error, QStringLiteral("Camera parameters refused: a calibration value is not a number"));
    return std::nullopt;
  }
  return p;
}

void SetWorkingRange(TScanUnit &unit) {
  switch (unit.CalibrationRange) {
  case 0:
    unit.CurExpA = unit.Exp_A;
    unit.CurExpB = unit.Exp_B;
    unit.CurSignal0 = unit.Signal0;
    break;
  case 1:
    unit.CurExpA = unit.Exp2_A;
    unit.CurExpB = unit.Exp2_B;
    unit.CurSignal0 = unit.Signal20;
    break;
  case 2:
    unit.CurExpA = unit.Exp3_A;
    unit.CurExpB = unit.Exp3_B;
    unit.CurSignal0 = unit.Signal30;
    break;
  default: // no range of that number: the working curve stays
    return;
  }
  unit.CurAmplification = unit.Amplification[unit.CalibrationRange];
}

TCalibrationSet ReadBand(ReplyReader &in, std::array<std::uint8_t, 3> &amplification) {
  TCalibrationSet band;
  double *a[] = {&band.Exp1A, &band.Exp2A, &band.Exp3A};
  double *b[] = {&band.Exp1B, &band.Exp2B, &band.Exp3B};
  double *s[] = {&band.Signal10, &band.Signal20, &band.Signal30};
  for (int range = 0; range < 3; ++range) {
    amplification[range] = in.U8();
    in.Skip(1);
    *a[range] = in.F32();
    *b[range] = in.F32();
    *s[range] = in.F32();
    in.Skip(2);
  }
  return band;
}

} // namespace

void SelectSpeedGeometry(TScanUnit &unit) {
  if (unit.CameraNo != kCamera339 && unit.CameraNo != kCamera314)
    return;
  const std::size_t from = unit.Speed > 0 ? 1 : 2;
  unit.Delay[0] = unit.Delay[from];
  unit.Edge[0] = unit.Edge[from];
  unit.Center[0] = unit.Center[from];
}

bool UsesCamera1002Request(const TScanUnit &unit) {
  return unit.CameraInterfaceType == CamIfLanDual && unit.CameraNo == kCamera1002;
}

TFrameRequest BuildFrameRequestLan(TScanUnit &unit, const TFrameModes &modes, TSectorTable &table) {
  const std::int32_t type = unit.CameraInterfaceType;
  const bool lan2 = type == CamIfLan2 || type == CamIfLan2Dual;

  std::int32_t entries = 0;
  if (unit.Sectors == kLineModeSectors) {
    entries = BuildSectorTableLine(table, unit.ScanWidth, unit.Edge[0]);
  } else if (type == CamIfLan3) {
    BuildSectorTable512(table, unit.ScanWidth, unit.Sectors);
    entries = kType512Entries;
  } else if (lan2 && unit.Sectors == kQuarterSectors) {
    BuildSectorTableQuarter(table, unit.ScanWidth);
    entries = kQuarterSectors;
    if (unit.Delay[0] == 0) {
      table[0].Delay = unit.Edge[0];
      table[1].Delay = unit.Center[0];
      table[2].Delay = unit.FrameMultiplier;
    }
  } else if (unit.Sinus == 1) {
    BuildSectorTableSinus(table, unit.ScanWidth, unit.Sectors, unit.Edge[0], unit.Center[0]);
    unit.SectorsExtended = 0;
    entries = ClampSectorCount(unit.Sectors);
  } else {
    unit.SectorsExtended = BuildSectorTable(table, unit.ScanWidth, unit.Sectors, unit.Edge[0], unit.Center[0],
                                            modes.FixedLineMode);
    entries = unit.SectorsExtended > 0 ? unit.SectorsExtended : ClampSectorCount(unit.Sectors);
  }
  if (entries > kLanRequestEntries)
    return Refuse(TooManyEntries(entries, kLanRequestEntries));

  TFrameRequest request;
  request.Entries = entries;
  TCommandBlock &b = request.Block;
  b.assign(kLanCommandSize, 0);
  if (lan2)
    PutU8(b, 0, unit.LineModeFrame ? CamCmdFrameLine : CamCmdFrame2);
  else if (modes.HeadConnected && modes.StripScanning && modes.StripStep == 3)
    PutU8(b, 0, CamCmdRead);
  else if (type == CamIfLan3)
    PutU8(b, 0, CamCmdFrame3);
  else
    PutU8(b, 0, CamCmdFrame);
  PutU8(b, 1, type == CamIfLan2Dual ? unit.CurAmplificationBand1 : unit.CurAmplification);
  PutU8(b, 2, (modes.LaserOn ? 1 : 0) + (unit.Speed == 0 ? 2 * std::int64_t{modes.FixedLinePosition} : 0));
  std::int64_t rangeByte = unit.CalibrationRange == 2 ? 1 : 0;
  if (type == CamIfLan2Dual)
    rangeByte += unit.CurAmplificationBand2 & 0xFE;
  PutU8(b, 3, rangeByte);
  PutU16BE(b, 4, unit.Set[0]);
  PutU8(b, 6, unit.Delay[0]);
  PutU8(b, 7, entries);
  PutU8(b, 8, unit.FrameHeight);
  std::int64_t speedByte = unit.Speed + (modes.FixedLineMode ? 128 : 0);
  if (unit.FrameHeight > 255)
    speedByte += (unit.FrameHeight >> 6) & 0x7C; // bits 8..12 of the height in bits 2..6
  else if (unit.CameraNo == kCamera339 && unit.Speed == 0)
    speedByte = 1;
  PutU8(b, 9, speedByte);
  PutEntries(b, 10, table, entries);
  return request;
}

TFrameRequest BuildFrameRequest1002(TScanUnit &unit, TSectorTable &table) {
  const std::int32_t entries = ClampSectorCount(unit.Sectors);
  if (entries > kCamera1002RequestEntries)
    return Refuse(TooManyEntries(entries, kCamera1002RequestEntries));
  BuildSectorTable1002(table, static_cast<std::uint16_t>(unit.ScanWidth), unit.Sectors, unit.Edge[0],
                       unit.Center[0]);

  TFrameRequest request;
  request.Entries = entries;
  TCommandBlock &b = request.Block;
  b.assign(kLanCommandSize, 0);
  const std::uint8_t amplification = unit.Amplification[2];
  PutU8(b, 1, amplification);
  PutU16BE(b, 2, unit.Set[1]);
  PutU8(b, 5, amplification);
  PutU16BE(b, 6, unit.Set[2]);
  PutU8(b, 9, amplification);
  PutU16BE(b, 10, unit.Set[2]);
  PutU8(b, 12, unit.Delay[0]);
  PutU8(b, 13, entries);
  PutU8(b, 14, unit.FrameHeight);
  // This camera numbers its speeds differently; speeds beyond 3 are sent as they are.
  static constexpr std::uint8_t kSpeedCode[] = {0, 2, 3, 1};
  PutU8(b, 15, unit.Speed < 4 ? kSpeedCode[unit.Speed] : unit.Speed);
  PutU8(b, 16, 3);
  PutU8(b, 17, unit.CalibrationRange == 1 ? 1 : 0);
  PutEntries(b, 18, table, entries);
  return request;
}

TFrameRequest BuildFrameRequestUsb(TScanUnit &unit, const TFrameModes &modes, TSectorTable &table) {
  std::int32_t entries = 0;
  if (unit.CameraInterfaceType == CamIfUsb && unit.Sectors == kQuarterSectors) {
    BuildSectorTableQuarter(table, unit.ScanWidth);
    entries = kQuarterSectors;
  } else {
    unit.SectorsExtended = BuildSectorTable(table, unit.ScanWidth, unit.Sectors, unit.Edge[0], unit.Center[0],
                                            modes.FixedLineMode);
    entries = ClampSectorCount(unit.Sectors);
  }
  if (entries > kUsbRequestEntries)
    return Refuse(TooManyEntries(entries, kUsbRequestEntries));
  if (unit.Delay[0] == 0) {
    table[0].Delay = unit.Edge[0];
    table[1].Delay = unit.Center[0];
  }

  TFrameRequest request;
  request.Entries = entries;
  TCommandBlock &b = request.Block;
  b.assign(kLongCommandSize, 0);
  PutU8(b, 0, CamCmdFrame2);
  PutU8(b, 1, unit.CurAmplification);
  PutU8(b, 2, modes.LaserOn ? 1 : 0);
  PutU8(b, 3, unit.CalibrationRange == 2 ? 1 : 0);
  PutU16BE(b, 4, unit.Set[0]);
  PutU8(b, 6, unit.Delay[0]);
  PutU8(b, 7, entries);
  PutU8(b, 8, unit.FrameHeight);
  PutU8(b, 9, unit.Speed);
  PutEntries(b, 10, table, entries);
  return request;
}

TCommandBlock BuildParameterBlock(const TScanUnit &unit, const TLiveValues &live, std::size_t size) {
  TCommandBlock b(std::max(size, kLanParameterBlockSize), 0);
  PutU8(b, 0, CamCmdWrite);
  PutU8(b, 1, CamWriteAll);
  PutU8(b, 2, live.Speed);
  PutU8(b, 3, live.Resonans);
  PutU8(b, 4, live.Amplitude);
  PutU8(b, 5, live.UKadr1);
  PutU8(b, 6, live.UKadr2);
  PutU8(b, 7, live.UKadr3);
  PutU16BE(b, 8, unit.CameraNo);
  PutU16BE(b, 10, unit.ScanWidth);
  PutU16BE(b, 12, unit.ScanHeight);
  PutU8(b, 14, unit.Sectors);
  PutU8(b, 15, unit.Delay[0]);
  PutU8(b, 16, unit.Edge[0]);
  PutU8(b, 17, unit.Center[0]);
  PutU16BE(b, 18, unit.Set[0]);
  PutF32LE(b, 20, unit.TermoDelta);
  const double curves[3][3] = {{unit.Exp_A, unit.Exp_B, unit.Signal0},
                               {unit.Exp2_A, unit.Exp2_B, unit.Signal20},
                               {unit.Exp3_A, unit.Exp3_B, unit.Signal30}};
  for (std::size_t range = 0; range < 3; ++range) {
    const std::size_t at = 24 + 14 * range; // amplification, three floats, a zero byte
    PutU8(b, at, unit.Amplification[range]);
    for (std::size_t i = 0; i < 3; ++i)
      PutF32LE(b, at + 1 + 4 * i, curves[range][i]);
  }
  if (unit.TwoCurves) {
    PutU8(b, 66, 127);
    PutF32LE(b, 67, unit.Exp_AL);
    PutF32LE(b, 71, unit.Exp_BL);
    PutF32LE(b, 75, unit.Signal0L);
  }
  return b;
}

TCommandBlock BuildLiveBlock(const TLiveValues &live, std::size_t size) {
  TCommandBlock b(std::max<std::size_t>(size, 8), 0);
  PutU8(b, 0, CamCmdWrite);
  PutU8(b, 1, CamWriteLive);
  PutU8(b, 2, live.Speed);
  PutU8(b, 3, live.Resonans);
  PutU8(b, 4, live.Amplitude);
  PutU8(b, 5, live.UKadr1);
  PutU8(b, 6, live.UKadr2);
  PutU8(b, 7, live.UKadr3);
  return b;
}

TCommandBlock BuildLiveNumberBlock(const TScanUnit &unit, const TLiveValues &live) {
  TCommandBlock b = BuildLiveBlock(live, kLongCommandSize);
  PutU8(b, 1, CamWriteLiveNumber);
  PutU16BE(b, 8, unit.CameraNo);
  return b;
}

TCommandBlock BuildReadRequest(std::uint8_t kind, std::size_t size) {
  TCommandBlock b(std::max<std::size_t>(size, 2), 0);
  PutU8(b, 0, CamCmdRead);
  PutU8(b, 1, kind);
  return b;
}

TCommandBlock BuildFocusCommand(std::uint16_t focusMin, std::uint16_t focusMax, std::uint16_t target,
                                std::uint8_t step, std::uint8_t flag) {
  TCommandBlock b(kLanCommandSize, 0);
  PutU8(b, 0, CamCmdFocus);
  PutU16BE(b, 1, focusMin);
  PutU16BE(b, 3, focusMax);
  PutU16BE(b, 5, target);
  PutU8(b, 7, step);
  PutU8(b, 8, flag);
  return b;
}

TCommandBlock BuildStopCommand(std::size_t size) {
  TCommandBlock b(std::max<std::size_t>(size, 2), 0);
  PutU8(b, 0, CamCmdStop);
  return b;
}

TCommandBlock BuildCommand8(std::size_t size) {
  TCommandBlock b(std::max<std::size_t>(size, 2), 0);
  PutU8(b, 0, CamCmdFrame3);
  return b;
}

std::optional<TCameraParameters> DecodeParameterReplyLan(std::span<const std::uint8_t> reply,
                                                         QString *error) {
  if (reply.size() < kParameterReplyLanSize) {
    SetError(error, QStringLiteral("Camera parameters refused: reply of %1 bytes, %2 expected")
                        .arg(reply.size())
                        .arg(kParameterReplyLanSize));
    return std::nullopt;
  }
  ReplyReader in(reply);
  TCameraParameters p = ReadParameterHead(in);
  // Newer cameras put a zero byte between the ranges; older ones pack them. Only the separated
  // layout has room for the low-signal curve.
  std::uint8_t next = in.U8();
  const bool separated = next == 0;
  p.Amplification[1] = separated ? in.U8() : next;
  p.Exp2_A = in.F32();
  p.Exp2_B = in.F32();
  p.Signal20 = in.F32();
  if (separated)
    in.Skip(1);
  p.Amplification[2] = in.U8();
  p.Exp3_A = in.F32();
  p.Exp3_B = in.F32();
  p.Signal30 = in.F32();
  in.Skip(1);
  const std::uint8_t marker = in.U8();
  p.HasCurveMarker = true;
  if (separated && (marker == 127 || marker == 128)) {
    p.TwoCurves = true;
    p.Exp_AL = in.F32();
    p.Exp_BL = in.F32();
    p.Signal0L = in.F32();
  }
  return CheckParameters(p, in, error);
}

std::optional<TCameraParameters> DecodeParameterReplyUsb(std::span<const std::uint8_t> reply,
                                                         QString *error) {
  if (reply.size() < kParameterReplyUsbSize) {
    SetError(error, QStringLiteral("Camera parameters refused: reply of %1 bytes, %2 expected")
                        .arg(reply.size())
                        .arg(kParameterReplyUsbSize));
    return std::nullopt;
  }
  ReplyReader in(reply);
  TCameraParameters p = ReadParameterHead(in);
  in.Skip(1);
  p.Amplification[1] = in.U8();
  p.Exp2_A = in.F32();
  p.Exp2_B = in.F32();
  p.Signal20 = in.F32();
  in.Skip(1);
  p.Amplification[2] = in.U8();
  p.Exp3_A = in.F32();
  p.Exp3_B = in.F32();
  p.Signal30 = in.F32();
  return CheckParameters(p, in, error);
}

void ApplyCameraParameters(TScanUnit &unit, const TCameraParameters &p) {
  unit.CameraNo = p.CameraNo;
  unit.ScanWidth = p.ScanWidth;
  unit.ScanHeight = p.ScanHeight;
  unit.Sectors = p.Sectors;
  unit.Delay[0] = p.Delay;
  unit.Edge[0] = p.Edge;
  unit.Center[0] = p.Center;
  unit.Set[0] = p.Set;
  unit.TermoDelta = p.TermoDelta;
  unit.Amplification = p.Amplification;
  unit.Exp_A = p.Exp_A;
  unit.Exp_B = p.Exp_B;
  unit.Signal0 = p.Signal0;
  unit.Exp2_A = p.Exp2_A;
  unit.Exp2_B = p.Exp2_B;
  unit.Signal20 = p.Signal20;
  unit.Exp3_A = p.Exp3_A;
  unit.Exp3_B = p.Exp3_B;
  unit.Signal30 = p.Signal30;
  SetWorkingRange(unit);
  if (p.HasCurveMarker) {
    unit.TwoCurves = p.TwoCurves;
    unit.Exp_AL = p.Exp_AL;
    unit.Exp_BL = p.Exp_BL;
    unit.Signal0L = p.Signal0L;
    unit.CurExpAL = p.Exp_AL;
    unit.CurExpBL = p.Exp_BL;
    unit.CurSignal0L = p.Signal0L;
  }
}

std::optional<TCameraDescriptor> DecodeCameraDescriptor(std::span<const std::uint8_t> reply, QString *error) {
  if (reply.size() < kDescriptorSize) {
    SetError(error, QStringLiteral("Camera descriptor refused: reply of %1 bytes, %2 expected")
                        .arg(reply.size())
                        .arg(kDescriptorSize));
    return std::nullopt;
  }
  ReplyReader in(reply, 8);
  TCameraDescriptor d;
  d.CameraNo = in.U16();
  d.CameraInterfaceType = in.U16();
  in.Skip(4);
  d.ScanWidth = in.U16();
  d.ScanHeight = in.U16();
  d.Sectors = in.U8();
  d.Delay = in.U8();
  d.Edge = in.U8();
  d.Center = in.U8();
  d.Set1 = in.U16();
  d.Set2 = in.U16();
  d.TermoDelta = in.F32();
  d.Band1 = ReadBand(in, d.AmplificationBand1);
  d.Band2 = ReadBand(in, d.AmplificationBand2);
  // The USB variant is no type the acquisition serves, but a camera may name it: it is taken, and
  // its frames end as not served.
  if (!IsServedInterfaceType(d.CameraInterfaceType) && d.CameraInterfaceType != CamIfUsbVariant) {
    SetError(
        error,
        QStringLiteral("Camera descriptor refused: unknown interface type %1").arg(d.CameraInterfaceType));
    return std::nullopt;
  }
  if (!GeometryValid(d.ScanWidth, d.ScanHeight)) {
    SetError(
        error,
        QStringLiteral("Camera descriptor refused: scan size %1 x %2").arg(d.ScanWidth).arg(d.ScanHeight));
    return std::nullopt;
  }
  if (!in.AllFinite()) {
    SetError(error, QStringLiteral("Camera descriptor refused: a calibration value is not a number"));
    return std::nullopt;
  }
  return d;
}

void ApplyCameraDescriptor(TScanUnit &unit, const TCameraDescriptor &d) {
  unit.CameraNo = d.CameraNo;
  unit.CameraInterfaceType = d.CameraInterfaceType;
  unit.ScanWidth = d.ScanWidth;
  unit.ScanHeight = d.ScanHeight;
  unit.Sectors = d.Sectors;
  unit.Delay[0] = d.Delay;
  unit.Edge[0] = d.Edge;
  unit.Center[0] = d.Center;
  unit.Set[1] = d.Set1;
  unit.Set[2] = d.Set2;
  unit.TermoDelta = d.TermoDelta;
  unit.Band1Coefficients = d.Band1;
  unit.Band2Coefficients = d.Band2;
  unit.AmplificationBand1 = d.AmplificationBand1;
  unit.AmplificationBand2 = d.AmplificationBand2;

  unit.Set[0] = unit.Set[1];
  const TCalibrationSet &b1 = d.Band1;
  SetSingleBandCoefficients(unit, b1);
  unit.Amplification = d.AmplificationBand1;

  unit.CurAmplificationBand1 = d.AmplificationBand1[0];
  unit.CurBand1ExpA = b1.Exp1A;
  unit.CurBand1ExpB = b1.Exp1B;
  unit.CurBand1Signal0 = b1.Signal10;
  unit.CurAmplificationBand2 = d.AmplificationBand2[0];
  unit.CurBand2ExpA = d.Band2.Exp1A;
  unit.CurBand2ExpB = d.Band2.Exp1B;
  unit.CurBand2Signal0 = d.Band2.Signal10;
  unit.CurAmplification = d.AmplificationBand1[0];
  unit.CurExpA = b1.Exp1A;
  unit.CurExpB = b1.Exp1B;
  unit.CurSignal0 = b1.Signal10;

  unit.TwoCurves = false;
  unit.CurExpAL = 0.0;
  unit.CurExpBL = 0.0;
  unit.CurSignal0L = 0.0;
}

std::optional<TLiveValues> DecodeLiveReply(std::span<const std::uint8_t> reply) {
  if (reply.size() < kLiveReplySize)
    return std::nullopt;
  return TLiveValues{reply[0], reply[1], reply[2], reply[3], reply[4], reply[5]};
}

} // namespace calidarix
