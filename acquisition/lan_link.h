#pragma once
// The UDP link of the network cameras (types 32, 64, 256, 257, 512).
//
// One socket per acquisition thread, connected to the camera's address and port (7 unless told
// otherwise), with a receive buffer of 0x3FFFF bytes so a whole frame can queue while the thread
// copies lines. Every address passes the network gate first (platform/network_policy.h).
//
// Reception waits with poll() up to a deadline and reads one datagram with recv() of at most the
// caller's capacity; MSG_TRUNC reports the datagram's real length, so an oversized datagram is told
// apart from one that fitted. A wait that runs out closes the socket and opens a fresh one, so that
// late datagrams of an abandoned frame cannot reach the next request's answer.

#include "acquisition/camera_commands.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace calidarix {

inline constexpr std::uint16_t kCameraPort = 7;
inline constexpr int kLanReceiveBufferBytes = 0x3FFFF;
inline constexpr int kLanSendBufferBytes = 1024;

// One datagram as reception saw it.
struct TDatagram {
  enum class Status { Ok, TimedOut, Failed };
  Status State = Status::Failed;
  // The datagram's full length; more than the capacity means it was cut (oversized).
  std::size_t Length = 0;

  bool Ok() const { return State == Status::Ok; }
};

class TLanLink : public TCameraCommandLink {
public:
  TLanLink() = default;
  ~TLanLink() override;
  TLanLink(const TLanLink &) = delete;
  TLanLink &operator=(const TLanLink &) = delete;

  // Opens the socket to address:port. True when connected, also when it already was. An address the
  // network gate refuses, or one that is not a numeric IPv4 address, fails (and is logged).
  bool Connect(const std::string &address, std::uint16_t port = kCameraPort);
  // False when it was not connected or closing failed.
  bool Disconnect();
  // Closes and opens again to the same address.
  bool Reconnect();

  bool Connected() const override { return fd_ >= 0; }
  // True when every byte went out; a failed send reconnects and returns false.
  bool Send(std::span<const std::uint8_t> block) override;
  // One datagram of at most buffer.size() bytes within timeoutMs (see ReceiveDatagram); a time-out
  // or failure reconnects. The bytes stored, or nullopt.
  std::optional<std::size_t> Receive(std::span<std::uint8_t> buffer, int timeoutMs) override;
  void Pause(int ms) override;

  // Waits up to timeoutMs for one datagram and stores at most buffer.size() bytes of it. A time-out
  // or a socket failure closes and reopens the socket.
  TDatagram ReceiveDatagram(std::span<std::uint8_t> buffer, int timeoutMs);
  // Reads and drops datagrams until none arrives within timeoutMs, or maxDatagrams were dropped.
  // Returns how many were dropped.
  int Drain(int timeoutMs, int maxDatagrams = 100000);
  // Drops whatever is queued now, without waiting.
  int DropQueued();

  // The local port of the socket (0 when closed), for tests.
  std::uint16_t LocalPort() const;

private:
  void Close();

  int fd_ = -1;
  std::string address_;
  std::uint16_t port_ = kCameraPort;
};

} // namespace calidarix
