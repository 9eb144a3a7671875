#include "acquisition/camera_commands.h"

#include "acquisition/camera_log.h"
#include "platform/numbers.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace calidarix {

namespace {

bool SendAll(TCameraCommandLink &link, const TCommandBlock &block) {
  return link.Send(block);
}

bool IsUsbType(std::int32_t type) {
  return type == CamIfUsb || type == CamIfUsbVariant;
}

QString Number(double v) {
  return QString::fromStdString(FloatToText(v));
}

// Sends a read request and waits for the reply; the bytes read, or nullopt (logged).
std::optional<std::vector<std::uint8_t>> Exchange(TCameraCommandLink &link, const TCommandBlock &request,
                                                  int pauseMs, std::size_t capacity, int timeoutMs,
                                                  const QString &what) {
  if (!SendAll(link, request)) {
    CameraLog(QStringLiteral("%1: request not sent").arg(what));
    return std::nullopt;
  }
  link.Pause(pauseMs);
  std::vector<std::uint8_t> reply(capacity, 0);
  const std::optional<std::size_t> received = link.Receive(reply, timeoutMs);
  if (!received) {
    CameraLog(QStringLiteral("%1: no reply").arg(what));
    return std::nullopt;
  }
  reply.resize(std::min(*received, capacity));
  return reply;
}

} // namespace

int SendFrameRequest(TScanUnit &unit, const TFrameModes &modes, TSectorTable &table,
                     TCameraCommandLink &link) {
  SelectSpeedGeometry(unit);
  const TFrameRequest request = UsesCamera1002Request(unit) ? BuildFrameRequest1002(unit, table)
                                                            : BuildFrameRequestLan(unit, modes, table);
  if (!request.Ok()) {
    CameraLog(request.Error);
    return 1;
  }
  return SendAll(link, request.Block) ? 0 : 1;
}

int SendFrameRequestUsb(TScanUnit &unit, const TFrameModes &modes, TSectorTable &table,
                        TCameraCommandLink &link) {
  const TFrameRequest request = BuildFrameRequestUsb(unit, modes, table);
  if (!request.Ok()) {
    CameraLog(request.Error);
    return 1;
  }
  if (SendAll(link, request.Block))
    return 0;
  link.Pause(kUsbRetryPauseMs);
  return 1;
}

int WriteParametersLan(const TScanUnit &unit, const TLiveValues &live, TCameraCommandLink &link) {
  return SendAll(link, BuildParameterBlock(unit, live, kLanParameterBlockSize)) ? 0 : 1;
}

int WriteParametersUsb(const TScanUnit &unit, const TLiveValues &live, TCameraCommandLink &link) {
  return SendAll(link, BuildParameterBlock(unit, live, kLongCommandSize)) ? 0 : 1;
}

int WriteLiveParamsWithNumber(const TScanUnit &unit, const TLiveValues &live, TCameraCommandLink &link) {
  if (!link.Connected())
    return 1;
  return SendAll(link, BuildLiveNumberBlock(unit, live)) ? 0 : 1;
}

QStringList ParameterLogLines(const TCameraParameters &p) {
  const auto line = [](const char *label, double v) { return QString::fromLatin1(label) + Number(v); };
  return {
      line("ScanSpeed: ", p.Live.Speed),
      line("Resonans: ", p.Live.Resonans),
      line("Amplitude: ", p.Live.Amplitude),
      line("UKadr1: ", p.Live.UKadr1),
      line("UKadr2: ", p.Live.UKadr2),
      line("UKadr3: ", p.Live.UKadr3),
      line("CameraNo: ", p.CameraNo),
      line("ScanWidth: ", p.ScanWidth),
      line("ScanHeight: ", p.ScanHeight),
      line("Sectors: ", p.Sectors),
      line("Delay: ", p.Delay),
      line("Edge: ", p.Edge),
      line("Center: ", p.Center),
      line("Set: ", p.Set),
      line("ThermoDelta: ", p.TermoDelta),
      line("Amplification1: ", p.Amplification[0]),
      line("Exp1_A: ", p.Exp_A),
      line("Exp1_B: ", p.Exp_B),
      line("Signal10: ", p.Signal0),
      line("Amplification2: ", p.Amplification[1]),
      line("Exp2_A: ", p.Exp2_A),
      line("Exp2_B: ", p.Exp2_B),
      line("Signal20: ", p.Signal20),
      line("Amplification3: ", p.Amplification[2]),
      line("Exp3_A: ", p.Exp3_A),
      line("Exp3_B: ", p.Exp3_B),
      line("Signal0: ", p.Signal30), // the third range's offset, under the label the service staff know
      QStringLiteral("---"),
      line("Exp1_AL: ", p.Exp_AL),
      line("Exp1_BL: ", p.Exp_BL),
      line("Signal0L: ", p.Signal0L),
  };
}

int ReadCameraParameters(TScanUnit &unit, TCameraCommandLink &link, TLiveValues *live) {
  if (!link.Connected())
    return 1;
  const auto reply = Exchange(link, BuildReadRequest(CamReadParams, kLongCommandSize), kParameterReadPauseMs,
                              kLanDatagramSize, kParameterReadTimeoutMs, QStringLiteral("Camera parameters"));
  if (!reply)
    return 1;
  QString error;
  const std::optional<TCameraParameters> parameters = DecodeParameterReplyLan(*reply, &error);
  if (!parameters) {
    CameraLog(error);
    return 1;
  }
  ApplyCameraParameters(unit, *parameters);
  if (live)
    *live = parameters->Live;
  if (CameraUserLogOn()) {
    for (const QString &text : ParameterLogLines(*parameters))
      CameraUserLog(text);
  }
  return 0;
}

int ReadCameraDescriptor(TScanUnit &unit, TCameraCommandLink &link) {
  if (!link.Connected())
    return 1;
  const auto reply = Exchange(link, BuildReadRequest(CamReadDescriptor, kLanCommandSize), kDescriptorPauseMs,
                              kLanDatagramSize, kDescriptorTimeoutMs, QStringLiteral("Camera descriptor"));
  if (!reply)
    return 1;
  QString error;
  const std::optional<TCameraDescriptor> descriptor = DecodeCameraDescriptor(*reply, &error);
  if (!descriptor) {
    CameraLog(error);
    return 1;
  }
  ApplyCameraDescriptor(unit, *descriptor);
  return 0;
}

int ReadCameraParametersUsb(TScanUnit &unit, TCameraCommandLink &link, TLiveValues *live) {
  if (!link.Connected())
    return 1;
  const auto reply =
      Exchange(link, BuildReadRequest(CamReadParamsUsb, kLongCommandSize), kUsbReplyPauseMs,
               kParameterReplyUsbSize, kParameterReadTimeoutMs, QStringLiteral("Camera parameters"));
  if (!reply)
    return 1;
  QString error;
  const std::optional<TCameraParameters> parameters = DecodeParameterReplyUsb(*reply, &error);
  if (!parameters) {
    CameraLog(error);
    return 1;
  }
  ApplyCameraParameters(unit, *parameters);
  if (live)
    *live = parameters->Live;
  return 0;
}

bool SendFocusCommand(TScanUnit &unit, TCameraCommandLink &link, std::uint16_t target, std::uint8_t step,
                      std::uint8_t flag) {
  unit.FocusMin = kFocusMotorMin;
  unit.FocusMax = kFocusMotorMax;
  return SendAll(link, BuildFocusCommand(unit.FocusMin, unit.FocusMax, target, step, flag));
}

bool FocusToMin(TScanUnit &unit, TCameraCommandLink &link) {
  unit.FocusMin = kFocusMotorMin;
  unit.FocusMax = kFocusMotorMax;
  return SendFocusCommand(unit, link, unit.FocusMin, 0, 0);
}

bool FocusToFraction(TScanUnit &unit, TCameraCommandLink &link, double fraction) {
  unit.FocusMin = kFocusMotorMin;
  unit.FocusMax = kFocusMotorMax;
  const double f = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
  const std::int32_t target = unit.FocusMin + TruncToInt32((unit.FocusMax - unit.FocusMin) * f);
  return SendFocusCommand(unit, link, static_cast<std::uint16_t>(target), 0, 0);
}

bool StartAutoFocus(TScanUnit &unit, TCameraCommandLink &link) {
  unit.AutoFocusStep = 2;
  return SendFocusCommand(unit, link, 0, 2, 0);
}

void RequestFocusPosition(TScanRequests &requests, double fraction) {
  requests.FocusRequestFraction.Set(fraction);
  requests.FFocusRequest.Set(true); // after the fraction, so the thread that sees the flag sees it
}

int SendStopCommand(const TScanUnit &unit, TCameraCommandLink &link) {
  const bool usb = unit.CameraInterfaceType == CamIfUsb;
  if (SendAll(link, BuildStopCommand(usb ? kLongCommandSize : kLanCommandSize)))
    return 0;
  if (usb)
    link.Pause(kUsbRetryPauseMs);
  return 1;
}

int SendCommand8(const TScanUnit &unit, TCameraCommandLink &link) {
  const bool usb = IsUsbType(unit.CameraInterfaceType);
  if (SendAll(link, BuildCommand8(usb ? kLongCommandSize : kLanCommandSize)))
    return 0;
  if (usb)
    link.Pause(kUsbRetryPauseMs);
  return 1;
}

} // namespace calidarix
