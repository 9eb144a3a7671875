// Fuzz target of the USB camera's frame reception: the fuzzer's bytes are a camera (speed, sectors,
// width, height, packet size) and the bytes it sends after the frame request, handed over by an
// in-process device in transfers of any size. Any bytes give a frame or a failure, never a crash or
// an access outside the buffers; a complete frame has every row.
//
// Input: 5 bytes of camera, then the camera's bytes. When they run out, the reads time out.

#include "acquisition/camera_state.h"
#include "acquisition/sector_tables.h"
#include "acquisition/usb_camera_link.h"
#include "acquisition/usb_pipe.h"
#include "fuzz/fuzz_require.h"

#include <algorithm>
#include <cstdlib>
#include <span>

namespace {

using namespace calidarix;

using calidarix::fuzz::Require;

struct Stream {
  std::span<const std::uint8_t> Bytes;
  std::size_t At = 0;
  std::size_t Transfer = 64; // largest transfer the camera makes at once
  bool Armed = false;        // false while opening drains the camera
};

class Device : public TUsbDevice {
public:
  Device(Stream &stream, std::size_t packet) : stream_(stream), packet_(packet) {}
  TUsbTransfer BulkOut(std::span<const std::uint8_t> data, int) override { return {kUsbPipeOk, data.size()}; }
  TUsbTransfer BulkIn(std::span<std::uint8_t> buffer, int) override {
    const std::size_t left = stream_.Armed ? stream_.Bytes.size() - stream_.At : 0;
    const std::size_t n = std::min({buffer.size(), left, stream_.Transfer});
    if (n == 0)
      return {kUsbErrorTimeout, 0};
    std::copy_n(stream_.Bytes.begin() + static_cast<std::ptrdiff_t>(stream_.At), n, buffer.begin());
    stream_.At += n;
    return {kUsbPipeOk, n};
  }
  std::size_t PacketSize() const override { return packet_; }

private:
  Stream &stream_;
  std::size_t packet_;
};

class Backend : public TUsbBackend {
public:
  Backend(Stream &stream, std::size_t packet) : stream_(stream), packet_(packet) {}
  std::vector<std::string> Enumerate() override { return {"fuzz"}; }
  std::unique_ptr<TUsbDevice> Open(const std::string &, int &status) override {
    status = kUsbPipeOk;
    return std::make_unique<Device>(stream_, packet_);
  }

private:
  Stream &stream_;
  std::size_t packet_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 5)
    return 0;
  Stream stream;
  stream.Bytes = std::span(data + 5, size - 5);
  stream.Transfer = 1 + data[4] * 8;
  auto backend = std::make_shared<Backend>(stream, (data[0] & 1) != 0 ? 512 : 64);
  TUSBPipe pipe(backend);
  Require(pipe.OpenPipes("fuzz") == kUsbPipeOk);
  stream.Armed = true;
  TUsbCameraLink link(pipe, [](int) {});

  TScanUnit unit;
  unit.CameraInterfaceType = (data[0] & 2) != 0 ? CamIfUsbVariant : CamIfUsb;
  unit.Speed = (data[0] >> 2) & 3;
  const std::uint8_t sectors = (data[0] >> 4) % 4;
  unit.Sectors = sectors == 0 ? 1 : sectors == 1 ? 2 : sectors == 2 ? kQuarterSectors : kLineModeSectors;
  unit.ScanWidth = (data[1] | (data[2] << 8)) % 700;
  unit.ScanHeight = data[3] % 12;
  TScanRequests requests;
  requests.BlindCorrectionOn.Set((data[0] & 0x40) != 0);
  TSectorTable table{};
  std::int32_t rows = -1;
  const TFrameResult result = ReceiveUsbFrame(unit, requests, table, link, rows);
  Require(rows >= 0 && rows <= std::max(unit.FrameHeight, 0));
  if (result.Kind == kUsbFrameOk) {
    Require(rows == unit.FrameHeight);
    Require(unit.FrameBuffer.size() == static_cast<std::size_t>(unit.FrameWidth) * unit.FrameHeight);
  }
  return 0;
}
