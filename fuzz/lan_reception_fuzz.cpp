// Fuzz target of the network camera's frame reception: the fuzzer's bytes are a camera (type, speed,
// sectors, width and height, serial number, byte order) and the datagrams it answers the frame
// request with, handed to the reception without a socket. Any datagrams give a frame or a loss, never
// a crash or an access outside the buffers; a complete frame has every row, and a lost one never more
// rows than it asked for.
//
// Input: 6 bytes of camera, then datagrams, each a 2-byte length (low byte first) and that many bytes
// (fewer at the end of the input). A length above the datagram size is an oversized datagram that the
// socket cut; the length 0xFFFF is a socket failure. When the datagrams run out, the wait times out.

#include "acquisition/camera_state.h"
#include "acquisition/lan_link.h"
#include "acquisition/lan_reception.h"
#include "acquisition/sector_tables.h"
#include "fuzz/fuzz_require.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <span>

namespace {

using namespace calidarix;

using calidarix::fuzz::Require;

class DatagramLink : public TLanLink {
public:
  explicit DatagramLink(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Connected() const override { return true; }
  bool Send(std::span<const std::uint8_t>) override { return true; }
  std::optional<std::size_t> Receive(std::span<std::uint8_t> buffer, int timeoutMs) override {
    const TDatagram d = ReceiveDatagram(buffer, timeoutMs);
    if (!d.Ok())
      return std::nullopt;
    return std::min(d.Length, buffer.size());
  }
  void Pause(int) override {}
  TDatagram ReceiveDatagram(std::span<std::uint8_t> buffer, int) override {
    TDatagram d;
    if (at_ + 2 > bytes_.size()) {
      d.State = TDatagram::Status::TimedOut;
      return d;
    }
    const std::size_t length = bytes_[at_] | (bytes_[at_ + 1] << 8);
    at_ += 2;
    if (length == 0xFFFF) {
      d.State = TDatagram::Status::Failed;
      return d;
    }
    const std::size_t present = std::min(length, bytes_.size() - at_);
    const std::size_t stored = std::min(present, buffer.size());
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), stored, buffer.begin());
    at_ += present;
    d.State = TDatagram::Status::Ok;
    d.Length = present;
    return d;
  }
  int Drain(int, int maxDatagrams) override {
    int dropped = 0;
    std::array<std::uint8_t, 1472> scratch{};
    while (dropped < maxDatagrams && ReceiveDatagram(scratch, 0).Ok())
      ++dropped;
    return dropped;
  }
  int DropQueued() override { return 0; }

private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

constexpr std::array<std::int32_t, 5> kLanTypes = {CamIfLan, CamIfLanDual, CamIfLan2, CamIfLan2Dual,
                                                   CamIfLan3};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 6)
    return 0;
  TScanUnit unit;
  unit.CameraInterfaceType = kLanTypes[data[0] % kLanTypes.size()];
  unit.Speed = (data[0] >> 3) & 3;
  unit.CameraNo = (data[0] & 0x20) != 0 ? kCamera1002 : 500;
  unit.PixelsBigEndian = (data[0] & 0x40) != 0;
  const std::uint8_t sectors = data[1] % 4;
  unit.Sectors = sectors == 0 ? 1 : sectors == 1 ? 2 : sectors == 2 ? kQuarterSectors : kLineModeSectors;
  unit.FrameMultiplier = 1 + ((data[1] >> 2) & 3);
  // Widths around the datagram sizes matter most; heights stay small so that a run stays quick.
  unit.ScanWidth = (data[2] | (data[3] << 8)) % 1600;
  unit.ScanHeight = 1 + data[4] % 12;
  unit.FrameHeight = unit.ScanHeight;

  TScanRequests requests;
  requests.BlindCorrectionOn.Set((data[5] & 1) != 0);
  requests.LineModeShotRequest.Set((data[5] & 2) != 0);
  requests.FixedLineMode.Set((data[5] & 4) != 0);
  requests.HeadConnected.Set((data[5] & 8) != 0);
  requests.StripScanning.Set((data[5] & 8) != 0);
  requests.StripStep.Set((data[5] >> 4) & 3);
  requests.StripLineCount.Set(data[5] >> 6);
  DatagramLink link(std::span(data + 6, size - 6));
  TLanReceptionState state;
  TLanFrameContext context{unit, requests, link, state, TLanTimings{}, {}, {}};
  std::int32_t lines = 0;
  context.OnLine = [&](std::int32_t line, std::span<const std::uint16_t> row) {
    Require(line >= 0 && line < unit.FrameHeight && row.size() == static_cast<std::size_t>(unit.FrameWidth));
    ++lines;
  };
  const TFrameResult result = ReceiveLanFrame(context);
  if (result.Kind == kFrameComplete) {
    Require(unit.FrameBuffer.size() == static_cast<std::size_t>(unit.FrameWidth) * unit.FrameHeight);
    Require(unit.LineModeFrame ? state.ReceivedRows <= unit.FrameHeight
                               : state.ReceivedRows == unit.FrameHeight);
  } else if (result.Kind == kFrameLinkFailure) {
    Require(state.ReceivedRows < unit.FrameHeight || unit.LineModeFrame);
  }
  return 0;
}
