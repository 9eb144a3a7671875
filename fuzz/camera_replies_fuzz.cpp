// Fuzz target of the camera reply decoders: any bytes are decoded or refused, never a crash. A refused
// reply leaves the camera state as it was; an accepted one holds a usable geometry and finite
// calibration values, and the state it leaves behind drives the frame requests and the signal model
// without undefined behaviour.

#include "acquisition/camera_commands.h"
#include "acquisition/camera_protocol.h"
#include "acquisition/camera_state.h"
#include "acquisition/signal_model.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_require.h"
#include "thermogram/tdtv.h"

#include <cmath>
#include <cstdlib>
#include <optional>
#include <span>

namespace {

using namespace calidarix;

// Answers every read with the fuzzer's bytes.
class ReplyLink : public TCameraCommandLink {
public:
  explicit ReplyLink(std::span<const std::uint8_t> reply) : reply_(reply) {}
  bool Connected() const override { return true; }
  bool Send(std::span<const std::uint8_t>) override { return true; }
  std::optional<std::size_t> Receive(std::span<std::uint8_t> buffer, int) override {
    const std::size_t n = std::min(buffer.size(), reply_.size());
    std::copy_n(reply_.begin(), n, buffer.begin());
    return n;
  }
  void Pause(int) override {}

private:
  std::span<const std::uint8_t> reply_;
};

using calidarix::fuzz::Require;

bool Finite(const TCameraParameters &p) {
  for (const double v : {p.Exp_A, p.Exp_B, p.Signal0, p.Exp2_A, p.Exp2_B, p.Signal20, p.Exp3_A, p.Exp3_B,
                         p.Signal30, p.Exp_AL, p.Exp_BL, p.Signal0L, static_cast<double>(p.TermoDelta)})
    if (!std::isfinite(v))
      return false;
  return true;
}

bool GeometryUsable(std::int32_t width, std::int32_t height) {
  return width >= 1 && width <= kMaxScanSide && height >= 1 && height <= kMaxScanSide;
}

// What a refused reply must not have touched.
bool SameCalibration(const TScanUnit &a, const TScanUnit &b) {
  return a.CameraNo == b.CameraNo && a.ScanWidth == b.ScanWidth && a.ScanHeight == b.ScanHeight &&
         a.Exp_A == b.Exp_A && a.CurExpA == b.CurExpA && a.CurSignal0 == b.CurSignal0 &&
         a.TwoCurves == b.TwoCurves && a.CameraInterfaceType == b.CameraInterfaceType && a.Set == b.Set;
}

// Drives the requests and the signal model with whatever the reply left in the state.
void Exercise(TScanUnit &unit, std::uint8_t steer) {
  TSectorTable table{};
  TFrameModes modes;
  modes.FixedLineMode = (steer & 2) != 0;
  modes.FixedLinePosition = steer;
  unit.Speed = steer & 3;
  unit.FrameHeight = unit.ScanHeight;
  unit.Sinus = (steer & 4) != 0 ? 1 : 0;
  const TFrameRequest lan = BuildFrameRequestLan(unit, modes, table);
  Require(lan.Ok() ? lan.Block.size() == kLanCommandSize && lan.Entries <= kLanRequestEntries
                   : lan.Block.empty());
  const TFrameRequest usb = BuildFrameRequestUsb(unit, modes, table);
  Require(usb.Ok() ? usb.Block.size() == kLongCommandSize && usb.Entries <= kUsbRequestEntries
                   : usb.Block.empty());
  const TFrameRequest own = BuildFrameRequest1002(unit, table);
  Require(own.Ok() ? own.Block.size() == kLanCommandSize : own.Block.empty());
  Require(BuildParameterBlock(unit, TLiveValues{}, kLongCommandSize).size() == kLongCommandSize);

  SelectCalibrationRange(unit, steer % 3);
  unit.BlindSignal = static_cast<std::uint16_t>(unit.Set[0]);
  TDTV thermogram;
  thermogram.FHeader.Width = 4;
  thermogram.FHeader.Height = 1;
  thermogram.FRaw = {0, unit.Set[0], 40000, 65535};
  thermogram.FRawMin = std::min<std::uint16_t>(unit.Set[0], 40000);
  thermogram.FRawMax = 40000;
  LinearizeThermogram(unit, thermogram, (steer & 8) == 0);
  Require(unit.SignalLut.size() == 65536);
  Require(std::isfinite(thermogram.FHeader.Scale) && std::isfinite(thermogram.FHeader.Offset));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const calidarix::fuzz::FuzzInput input = calidarix::fuzz::SplitInput(data, size, kParameterReplyUsbSize);
  const std::span<const std::uint8_t> reply(input.File);
  const std::uint8_t steer = size > 0 ? data[0] : 0;

  // LAN parameter reply, decoded and through the read routine.
  {
    const std::optional<TCameraParameters> p = DecodeParameterReplyLan(reply);
    if (p)
      Require(GeometryUsable(p->ScanWidth, p->ScanHeight) && Finite(*p));
    TScanUnit unit;
    const TScanUnit before = unit;
    ReplyLink link(reply);
    const int result = ReadCameraParameters(unit, link);
    Require((result == 0) == p.has_value());
    if (result != 0)
      Require(SameCalibration(unit, before));
    else
      Exercise(unit, steer);
  }

  // USB parameter reply.
  {
    const std::optional<TCameraParameters> p = DecodeParameterReplyUsb(reply);
    if (p)
      Require(GeometryUsable(p->ScanWidth, p->ScanHeight) && Finite(*p) && !p->HasCurveMarker);
    TScanUnit unit;
    const TScanUnit before = unit;
    ReplyLink link(reply);
    const int result = ReadCameraParametersUsb(unit, link);
    Require((result == 0) == p.has_value());
    if (result != 0)
      Require(SameCalibration(unit, before));
  }

  // Camera descriptor.
  {
    const std::optional<TCameraDescriptor> d = DecodeCameraDescriptor(reply);
    TScanUnit unit;
    const TScanUnit before = unit;
    ReplyLink link(reply);
    const int result = ReadCameraDescriptor(unit, link);
    Require((result == 0) == d.has_value());
    if (d) {
      Require(IsServedInterfaceType(d->CameraInterfaceType) && GeometryUsable(d->ScanWidth, d->ScanHeight));
      Require(std::isfinite(unit.CurExpA) && std::isfinite(unit.Band2Coefficients.Signal30));
      Exercise(unit, steer);
    } else {
      Require(SameCalibration(unit, before));
    }
  }

  const std::optional<TLiveValues> live = DecodeLiveReply(reply);
  Require(live.has_value() == (reply.size() >= kLiveReplySize));
  return 0;
}
