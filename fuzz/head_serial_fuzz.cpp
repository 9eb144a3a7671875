// Fuzz target of the head's serial stream reader: the fuzzer's bytes are what a head on a serial port
// answers, a burst after each command, read through the link's frame reader with its byte-by-byte
// resynchronisation, the handshake, the counters, the done polls and the identity check. Any bytes
// are read as frames or dropped, never with a crash or an endless wait.
//
// Input: byte 0 chooses four link operations after the handshake (2 bits each); then bursts, each a
// length byte and that many bytes, the next one arriving when the link writes a command.

#include "fuzz/fuzz_require.h"
#include "fuzz/head_link_steps.h"
#include "head/head_link.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <span>

namespace {

using namespace calidarix;

using calidarix::fuzz::Require;

class SerialHead : public TComPort {
public:
  explicit SerialHead(std::span<const std::uint8_t> bursts) : bursts_(bursts) {}
  bool OpenPort(int, int) override { return true; }
  void ClosePort() override { closed_ = true; }
  bool PurgeRx() override {
    arrived_.clear();
    return true;
  }
  int InQueue() override { return static_cast<int>(arrived_.size()); }
  int ReadPort(void *buffer, int count) override {
    if (count <= 0)
      return 0;
    const int n = std::min(count, static_cast<int>(arrived_.size()));
    auto *bytes = static_cast<std::uint8_t *>(buffer);
    std::copy_n(arrived_.begin(), n, bytes);
    arrived_.erase(arrived_.begin(), arrived_.begin() + n);
    return n;
  }
  int WritePort(const void *, int count) override {
    if (closed_ || count <= 0)
      return 0;
    Require(count == 8 || count == 9);
    if (at_ < bursts_.size()) {
      const std::size_t n = std::min<std::size_t>(bursts_[at_], bursts_.size() - at_ - 1);
      arrived_.insert(arrived_.end(), bursts_.begin() + static_cast<std::ptrdiff_t>(at_ + 1),
                      bursts_.begin() + static_cast<std::ptrdiff_t>(at_ + 1 + n));
      at_ += 1 + n;
    }
    return count;
  }
  bool PortExists(int) override { return true; }

private:
  std::span<const std::uint8_t> bursts_;
  std::size_t at_ = 0;
  std::deque<std::uint8_t> arrived_;
  bool closed_ = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 1)
    return 0;
  tQor link;
  link.FProcessMessages = {};
  link.FComm = std::make_unique<SerialHead>(std::span(data + 1, size - 1));
  link.FUseUdp = false;
  link.FConnected = link.ReadQorValues();
  Require(link.FFrameLength == 8 || link.FFrameLength == 9);
  calidarix::fuzz::RunHeadLinkSteps(link, data[0]);
  return 0;
}
