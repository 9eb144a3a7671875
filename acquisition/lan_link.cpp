#include "acquisition/lan_link.h"

#include "acquisition/camera_log.h"
#include "platform/network_policy.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace calidarix {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

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
  setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &send, sizeof send);
  if (connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void TLanLink::Close() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
}

bool TLanLink::Disconnect() {
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

TDatagram TLanLink::ReceiveDatagram(std::span<std::uint8_t> buffer, int timeoutMs) {
  TDatagram d;
  if (fd_ < 0 && !Reconnect())
    return d;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  for (;;) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, RemainingMs(deadline));
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
    const ssize_t n = recv(fd_, buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT);
    if (n >= 0) {
      d.State = TDatagram::Status::Ok;
      d.Length = static_cast<std::size_t>(n);
      return d;
    }
    // A datagram can vanish between poll and recv (an ICMP error for an earlier send shows up
    // here as ECONNREFUSED); wait on for the rest of the time.
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNREFUSED) {
      Reconnect();
      return d;
    }
    if (RemainingMs(deadline) == 0) {
      d.State = TDatagram::Status::TimedOut;
      Reconnect();
      return d;
    }
  }
}

std::optional<std::size_t> TLanLink::Receive(std::span<std::uint8_t> buffer, int timeoutMs) {
  const TDatagram d = ReceiveDatagram(buffer, timeoutMs);
  if (!d.Ok())
    return std::nullopt;
  return std::min(d.Length, buffer.size());
}

int TLanLink::Drain(int timeoutMs, int maxDatagrams) {
  int dropped = 0;
  std::uint8_t scratch[kLanDatagramSize];
  while (fd_ >= 0 && dropped < maxDatagrams) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, std::max(timeoutMs, 0));
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready <= 0)
      break;
    if (recv(fd_, scratch, sizeof scratch, MSG_DONTWAIT) >= 0)
      ++dropped;
    else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != ECONNREFUSED && errno != EINTR)
      break;
  }
  return dropped;
}

int TLanLink::DropQueued() {
  int dropped = 0;
  std::uint8_t scratch[kLanDatagramSize];
  for (int attempt = 0; fd_ >= 0 && attempt < 100000; ++attempt) {
    const ssize_t n = recv(fd_, scratch, sizeof scratch, MSG_DONTWAIT);
    if (n >= 0)
      ++dropped;
    else if (errno != EINTR && errno != ECONNREFUSED)
      break;
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

} // namespace calidarix
