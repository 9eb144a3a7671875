#include "platform/network_policy.h"

#include <QByteArray>
#include <QtGlobal>

#include <arpa/inet.h>
#include <cstring>
#include <mutex>
#include <netinet/in.h>
#include <utility>

namespace calidarix {
namespace {

std::mutex sinkMutex;
NetworkLogSink logSink;

void DefaultSink(const std::string &line) {
  qWarning("%s", line.c_str());
}

void Report(const std::string &line) {
  NetworkLogSink sink;
  {
    std::lock_guard lock(sinkMutex);
    sink = logSink;
  }
  // Called outside the lock, so that a sink may itself use the network gate.
  if (sink)
    sink(line);
  else
    DefaultSink(line);
}

bool IsLoopbackV4(const in_addr &address) {
  return (ntohl(address.s_addr) >> 24) == 127;
}

bool IsLoopbackV6(const in6_addr &address) {
  if (IN6_IS_ADDR_LOOPBACK(&address))
    return true;
  if (IN6_IS_ADDR_V4MAPPED(&address))
    return address.s6_addr[12] == 127;
  return false;
}

// "10.0.0.1:7", "[fe80::1]:8080", or the address alone when there is no port.
std::string AddressText(const sockaddr *address, socklen_t length) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address == nullptr)
    return "no address";
  if (address->sa_family == AF_INET && length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
    sockaddr_in v4{};
    std::memcpy(&v4, address, sizeof v4);
    inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    const unsigned port = ntohs(v4.sin_port);
    return port == 0 ? std::string(text) : std::string(text) + ":" + std::to_string(port);
  }
  if (address->sa_family == AF_INET6 && length >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
    sockaddr_in6 v6{};
    std::memcpy(&v6, address, sizeof v6);
    inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    const unsigned port = ntohs(v6.sin6_port);
    return port == 0 ? std::string(text) : "[" + std::string(text) + "]:" + std::to_string(port);
  }
  return "an address of family " + std::to_string(address->sa_family);
}

void ReportRefusal(std::string_view attempt, const std::string &address) {
  Report("Network: refused " + std::string(attempt) + " to " + address + " (CALIDARIX_NETWORK=loopback)");
}

} // namespace

bool LoopbackOnly() {
  return qgetenv("CALIDARIX_NETWORK").trimmed().compare(QByteArrayLiteral("loopback"), Qt::CaseInsensitive) ==
         0;
}

bool IsLoopbackAddress(const sockaddr *address, socklen_t length) {
  if (address == nullptr)
    return false;
  // Copied out: the caller's buffer may be a plain sockaddr or sockaddr_storage of any alignment.
  if (address->sa_family == AF_INET && length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
    sockaddr_in v4{};
    std::memcpy(&v4, address, sizeof v4);
    return IsLoopbackV4(v4.sin_addr);
  }
  if (address->sa_family == AF_INET6 && length >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
    sockaddr_in6 v6{};
    std::memcpy(&v6, address, sizeof v6);
    return IsLoopbackV6(v6.sin6_addr);
  }
  return false;
}

bool NetworkAllowed(const sockaddr *address, socklen_t length, std::string_view attempt) {
  if (!LoopbackOnly() || IsLoopbackAddress(address, length))
    return true;
  ReportRefusal(attempt, AddressText(address, length));
  return false;
}

bool NetworkAllowed(std::string_view address, std::string_view attempt) {
  if (!LoopbackOnly())
    return true;
  const std::string text(address);
  in_addr v4{};
  in6_addr v6{};
  if (inet_pton(AF_INET, text.c_str(), &v4) == 1 && IsLoopbackV4(v4))
    return true;
  if (inet_pton(AF_INET6, text.c_str(), &v6) == 1 && IsLoopbackV6(v6))
    return true;
  ReportRefusal(attempt, text.empty() ? std::string("an empty address") : text);
  return false;
}

NetworkLogSink SetNetworkLogSink(NetworkLogSink sink) {
  std::lock_guard lock(sinkMutex);
  return std::exchange(logSink, std::move(sink));
}

} // namespace calidarix
