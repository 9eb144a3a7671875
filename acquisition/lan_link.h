#pragma once
// The UDP link of the network cameras (types 32, 64, 256, 257, 512).
//
// One socket per acquisition thread, connected to the camera's address and port (7 unless told
// otherwise). A camera sends a frame as fast as its link goes, so the receive buffer is asked for at
// 4 MB, room for several frames while the thread copies lines; the kernel may grant less (its
// net.core.rmem_max), and what it granted is logged once per link. Every address passes the network
// gate first (platform/network_policy.h).
//
// Reception takes every datagram that is waiting in one call (recvmmsg) and hands them out one by
// one; only when none is waiting does it wait with poll() up to a deadline. MSG_TRUNC reports each
// datagram's real length, so an oversized datagram is told apart from one that fitted. A wait that
// runs out closes the socket and opens a fresh one, so that late datagrams of an abandoned frame
// cannot reach the next request's answer; datagrams taken but not yet handed out go with it.

#include "acquisition/camera_commands.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace calidarix {

inline constexpr std::uint16_t kCameraPort = 7;
inline constexpr int kLanReceiveBufferBytes = 4 << 20;
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
  TLanLink();
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

  // Frame reception uses these three alone, so a fuzz target can hand it datagrams without a socket.
  // Waits up to timeoutMs for one datagram and stores at most buffer.size() bytes of it. A time-out
  // or a socket failure closes and reopens the socket.
  virtual TDatagram ReceiveDatagram(std::span<std::uint8_t> buffer, int timeoutMs);
  // Reads and drops datagrams until none arrives within timeoutMs, or maxDatagrams were dropped.
  // Returns how many were dropped.
  virtual int Drain(int timeoutMs, int maxDatagrams = 100000);
  // Drops whatever is queued now, without waiting.
  virtual int DropQueued();

  // The local port of the socket (0 when closed), for tests.
  std::uint16_t LocalPort() const;
  // The receive buffer as the kernel reports it (twice the usable size, its own book-keeping
  // included); 0 when closed.
  int ReceiveBufferBytes() const;

private:
  // Datagrams taken from the socket in one call and not yet handed out.
  struct TBatch;

  void Close();
  // Takes what is waiting into the batch without waiting: the datagrams taken, 0 when none was
  // waiting, -1 when the socket failed.
  int Fill();

  int fd_ = -1;
  std::string address_;
  std::uint16_t port_ = kCameraPort;
  bool bufferLogged_ = false;
  std::unique_ptr<TBatch> batch_;
};

} // namespace calidarix
