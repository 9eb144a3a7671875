// Fuzz target of the parallel-port cameras' frames: the fuzzer's bytes are a camera (type, frame
// size, converter settings) and the values its status register reads, given by an in-process port
// whose clock moves a millisecond per read, so that every handshake that waits in vain times out at
// once. Any status bytes give a frame or a failure code, never a crash or an access outside the frame.
//
// Input: 6 bytes of camera, then the status bytes; when they run out the status reads 0.

#include "acquisition/camera_state.h"
#include "acquisition/lpt_camera_link.h"
#include "acquisition/parallel_port.h"
#include "fuzz/fuzz_require.h"

#include <cstdlib>
#include <span>

namespace {

using namespace calidarix;

using calidarix::fuzz::Require;

class Port : public TParallelPortIo {
public:
  explicit Port(std::span<const std::uint8_t> status) : status_(status) {}
  void PortOut(std::uint16_t, std::uint8_t) override {}
  std::uint8_t PortIn(std::uint16_t) override {
    ++now_;
    return at_ < status_.size() ? status_[at_++] : 0;
  }
  std::int64_t Now() { return ++now_; }

private:
  std::span<const std::uint8_t> status_;
  std::size_t at_ = 0;
  std::int64_t now_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 6)
    return 0;
  Port port(std::span(data + 6, size - 6));
  TLptCamera camera(port, [&port] { return port.Now(); });
  TScanUnit unit;
  const bool level = (data[0] & 1) != 0;
  unit.CameraInterfaceType = level ? CamIfLptLevel : CamIfLpt;
  unit.FrameWidth = data[1] % 48;
  unit.FrameHeight = data[2] % 16;
  unit.KLevel = (data[3] & 0x80) != 0 ? 0.0 : 1.0 + (data[3] & 0x7F) / 16.0;
  unit.Range = data[4];
  unit.BlindRange = data[5];
  unit.Level = data[3];
  unit.BlindLevel = data[4] ^ data[5];
  TScanRequests requests;
  requests.LaserOn.Set((data[0] & 2) != 0);
  std::int32_t rows = -1;
  const TFrameResult result = level ? camera.GrabFrameLptLevel(unit, requests, (data[0] & 4) != 0, rows)
                                    : camera.GrabFrameLpt(unit, requests, rows);
  Require(rows >= 0 && rows <= unit.FrameHeight);
  if (result.Kind == kFrameComplete)
    Require(unit.FrameBuffer.size() == static_cast<std::size_t>(unit.FrameWidth) * unit.FrameHeight);
  if ((data[0] & 8) != 0)
    level ? (void)camera.CloseLptLevel(unit) : (void)camera.CloseLpt(unit, requests);
  return 0;
}
