// Fuzz target of the head's UDP replies: the fuzzer's bytes are the datagrams a network head answers,
// some after each command, read through the link's datagram reader: the identity probe, the
// handshake, the counters, the done polls. Datagrams of any length and content are read as frames or
// dropped, never with a crash, a read past a datagram or an endless wait; a failed socket is replaced
// and the head asked again.
//
// Input: byte 0 chooses four link operations after connecting (2 bits each); then answers, each a
// count byte and that many datagrams, a datagram being a length byte and that many bytes (length 255:
// the socket fails instead). The next answer arrives when the link sends a datagram.

#include "acquisition/com_port.h"
#include "fuzz/fuzz_require.h"
#include "fuzz/head_link_steps.h"
#include "head/head_link.h"

#include <QtGlobal>

#include <cstdlib>
#include <deque>
#include <span>
#include <vector>

namespace {

using namespace calidarix;

using calidarix::fuzz::Require;

// No serial port answers, so that a network head that does not identify itself ends the connect.
class NoSerialPort : public TComPort {
public:
  bool OpenPort(int, int) override { return false; }
  void ClosePort() override {}
  bool PortExists(int) override { return false; }
};

class NetworkHead : public tQor {
public:
  explicit NetworkHead(std::span<const std::uint8_t> answers) : answers_(answers) {}
  ~NetworkHead() override { FUdpOpen = false; }

protected:
  bool OpenSocket() override { return true; }
  bool CloseSocket() override {
    arrived_.clear();
    return true;
  }
  bool SendDatagram(const std::uint8_t *, std::size_t count) override {
    Require(count == 8 || count == 9);
    if (at_ >= answers_.size())
      return true;
    std::size_t datagrams = answers_[at_++];
    while (datagrams-- > 0 && at_ < answers_.size()) {
      const std::size_t length = answers_[at_++];
      if (length == 255) {
        arrived_.push_back(std::nullopt);
        continue;
      }
      const std::size_t n = std::min(length, answers_.size() - at_);
      arrived_.emplace_back(
          std::vector<std::uint8_t>(answers_.begin() + static_cast<std::ptrdiff_t>(at_),
                                    answers_.begin() + static_cast<std::ptrdiff_t>(at_ + n)));
      at_ += n;
    }
    return true;
  }
  int TakeDatagram(std::vector<std::uint8_t> &datagram, int) override {
    if (arrived_.empty())
      return 0;
    const std::optional<std::vector<std::uint8_t>> next = std::move(arrived_.front());
    arrived_.pop_front();
    if (!next)
      return -1;
    datagram = *next;
    return 1;
  }
  void DropQueuedDatagrams() override { arrived_.clear(); }

private:
  std::span<const std::uint8_t> answers_;
  std::size_t at_ = 0;
  std::deque<std::optional<std::vector<std::uint8_t>>> arrived_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const bool noSerialPorts = [] { return qputenv("CALIDARIX_SERIAL_PORTS", "0=none"); }();
  (void)noSerialPorts;
  if (size < 1)
    return 0;
  NetworkHead link(std::span(data + 1, size - 1));
  link.FProcessMessages = {};
  link.FComm = std::make_unique<NoSerialPort>();
  const bool connected = link.Connect();
  Require(connected == link.FConnected);
  if (connected)
    Require(link.FUseUdp && (link.FFrameLength == 8 || link.FFrameLength == 9));
  calidarix::fuzz::RunHeadLinkSteps(link, data[0]);
  Require(link.FUdpRxIndex <= link.FUdpRxBuffer.size());
  return 0;
}
