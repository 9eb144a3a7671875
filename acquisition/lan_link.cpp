#include "acquisition/lan_link.h"

#include "acquisition/camera_log.h"
#include "platform/network_policy.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <thread>
#include <unistd.h>

namespace calidarix {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// A datagram that vanished between the wait and the read, or the error an earlier send left behind
// (an ICMP "port unreachable" shows up as ECONNREFUSED): nothing to read now, the socket is fine.
bool NothingWaiting(int error) {
  return error == EAGAIN || error == EWOULDBLOCK || error == EINTR || error == ECONNREFUSED;
}

int ReceiveBufferOf(int fd) {
  int granted = 0;
  socklen_t length = sizeof granted;
  return getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &length) == 0 ? granted : 0;
}

} // namespace

struct TLanLink::TBatch {
  // Enough for a burst of a few lines; a frame's datagrams are taken in several calls.
  static constexpr unsigned kSlots = 64;

  TBatch() {
    for (unsigned i = 0; i < kSlots; ++i) {
      vectors[i] = iovec{data[i].data(), data[i].size()};
      headers[i].msg_hdr.msg_iov = &vectors[i];
      headers[i].msg_hdr.msg_iovlen = 1;
    }
  }
  bool Empty() const { return next >= count; }
  int Waiting() const { return static_cast<int>(count - next); }
  void Clear() { count = next = 0; }

  std::array<std::array<std::uint8_t, kLanDatagramSize>, kSlots> data{};
  std::array<iovec, kSlots> vectors{};
  std::array<mmsghdr, kSlots> headers{};
  unsigned count = 0; // taken
  unsigned next = 0;  // handed out
};

TLanLink::TLanLink() : batch_(std::make_unique<TBatch>()) {}

TLanLink::~TLanLink() {
  Close();
}

bool TLanLink::Connect(const std::string &address, std::uint16_t port) {
  if (fd_ >= 0)
    return true;
  address_ = address;
  port_ = port;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &to.sin_addr) != 1) {
    CameraLog(
        QStringLiteral("Camera address %1 is not an IPv4 address").arg(QString::fromStdString(address)));
    return false;
  }
  if (!NetworkAllowed(reinterpret_cast<const sockaddr *>(&to), sizeof to, "UDP link to the camera"))
    return false;
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return false;
  const int receive = kLanReceiveBufferBytes;
  const int send = kLanSendBufferBytes;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive, sizeof receive);
  // The kernel reports twice the size it was asked for. Below that it capped the request at its
  // limit, which a privileged process may pass.
  if (ReceiveBufferOf(fd) < 2 * receive)
    setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &receive, sizeof receive);
  setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &send, sizeof send);
  if (connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  if (!bufferLogged_) {
    bufferLogged_ = true;
    CameraLog(QStringLiteral("Camera socket receive buffer: asked for %1 bytes, the kernel grants %2")
                  .arg(receive)
                  .arg(ReceiveBufferOf(fd)));
  }
  return true;
}

void TLanLink::Close() {
  batch_->Clear();
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
}

bool TLanLink::Disconnect() {
  batch_->Clear();
  if (fd_ < 0)
    return false;
  const bool closed = close(fd_) == 0;
  fd_ = -1;
  if (!closed)
    CameraLog(QStringLiteral("Closing the camera socket failed"));
  return closed;
}

bool TLanLink::Reconnect() {
  Close();
  return !address_.empty() && Connect(address_, port_);
}

bool TLanLink::Send(std::span<const std::uint8_t> block) {
  if (fd_ < 0 && !Reconnect())
    return false;
  const ssize_t sent = send(fd_, block.data(), block.size(), MSG_NOSIGNAL);
  if (sent == static_cast<ssize_t>(block.size()))
    return true;
  Reconnect();
  return false;
}

int TLanLink::Fill() {
  TBatch &b = *batch_;
  b.Clear();
  for (;;) {
    const int n = recvmmsg(fd_, b.headers.data(), TBatch::kSlots, MSG_DONTWAIT | MSG_TRUNC, nullptr);
    if (n > 0) {
      b.count = static_cast<unsigned>(n);
      return n;
    }
    if (n < 0 && errno == EINTR)
      continue;
    return n == 0 || NothingWaiting(errno) ? 0 : -1;
  }
}

TDatagram TLanLink::ReceiveDatagram(std::span<std::uint8_t> buffer, int timeoutMs) {
  TDatagram d;
  if (fd_ < 0 && !Reconnect())
    return d;
  TBatch &b = *batch_;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  bool waited = false;
  for (;;) {
    if (b.Empty()) {
      const int taken = Fill();
      if (taken < 0) {
        Reconnect();
        return d;
      }
      if (taken == 0) {
        // After a wait that found nothing to read, the time may be up.
        const int left = RemainingMs(deadline);
        if (waited && left == 0) {
          d.State = TDatagram::Status::TimedOut;
          Reconnect();
          return d;
        }
        pollfd p{fd_, POLLIN, 0};
        const int ready = poll(&p, 1, left);
        if (ready < 0 && errno == EINTR)
          continue;
        if (ready == 0) {
          d.State = TDatagram::Status::TimedOut;
          Reconnect();
          return d;
        }
        if (ready < 0) {
          Reconnect();
          return d;
        }
        waited = true;
        continue;
      }
    }
    const std::size_t length = b.headers[b.next].msg_len;
    std::memcpy(buffer.data(), b.data[b.next].data(), std::min({length, kLanDatagramSize, buffer.size()}));
    ++b.next;
    d.State = TDatagram::Status::Ok;
    d.Length = length;
    return d;
  }
}

std::optional<std::size_t> TLanLink::Receive(std::span<std::uint8_t> buffer, int timeoutMs) {
  const TDatagram d = ReceiveDatagram(buffer, timeoutMs);
  if (!d.Ok())
    return std::nullopt;
  return std::min({d.Length, kLanDatagramSize, buffer.size()});
}

int TLanLink::Drain(int timeoutMs, int maxDatagrams) {
  int dropped = batch_->Waiting();
  batch_->Clear();
  while (fd_ >= 0 && dropped < maxDatagrams) {
    const int taken = Fill();
    batch_->Clear();
    if (taken < 0)
      break;
    if (taken > 0) {
      dropped += taken;
      continue;
    }
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, std::max(timeoutMs, 0));
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready <= 0)
      break;
  }
  return dropped;
}

int TLanLink::DropQueued() {
  int dropped = batch_->Waiting();
  batch_->Clear();
  // A camera that keeps sending cannot hold the thread here: the count is bounded.
  while (fd_ >= 0 && dropped < 100000) {
    const int taken = Fill();
    batch_->Clear();
    if (taken <= 0)
      break;
    dropped += taken;
  }
  return dropped;
}

void TLanLink::Pause(int ms) {
  if (ms > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::uint16_t TLanLink::LocalPort() const {
  if (fd_ < 0)
    return 0;
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (getsockname(fd_, reinterpret_cast<sockaddr *>(&local), &length) != 0)
    return 0;
  return ntohs(local.sin_port);
}

int TLanLink::ReceiveBufferBytes() const {
  return fd_ >= 0 ? ReceiveBufferOf(fd_) : 0;
}

} // namespace calidarix
