#include "acquisition/lan_link.h"

#include "tests/acquisition/camera_log_capture.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace calidarix {
namespace {

// A loopback socket standing in for the camera, and the link connected to it.
struct LinkPair {
  LinkPair() {
    camera = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(camera, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t length = sizeof a;
    getsockname(camera, reinterpret_cast<sockaddr *>(&a), &length);
    connected = link.Connect("127.0.0.1", ntohs(a.sin_port));
  }
  ~LinkPair() { close(camera); }
  LinkPair(const LinkPair &) = delete;
  LinkPair &operator=(const LinkPair &) = delete;

  // Sends a datagram of `length` bytes, every byte `fill`, to the link's socket.
  void Send(std::size_t length, std::uint8_t fill) const {
    const std::vector<std::uint8_t> d(length, fill);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(link.LocalPort());
    sendto(camera, d.data(), d.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
  }

  int camera = -1;
  TLanLink link;
  bool connected = false;
};

TEST(LanLink, QueuedDatagramsComeOutOneByOneInOrderWithTheirLengths) {
  LinkPair pair;
  ASSERT_TRUE(pair.connected);
  // More than one call takes at once, with an empty datagram and an oversized one among them.
  const auto length = [](int i) -> std::size_t { return i == 7 ? 0 : i == 20 ? 1500 : 1 + (i * 37) % 1472; };
  constexpr int kDatagrams = 150;
  for (int i = 0; i < kDatagrams; ++i)
    pair.Send(length(i), static_cast<std::uint8_t>(i));
  std::vector<std::uint8_t> buffer(kLanDatagramSize + 8, 0xAA);
  for (int i = 0; i < kDatagrams; ++i) {
    SCOPED_TRACE(i);
    const TDatagram d = pair.link.ReceiveDatagram(buffer, 1000);
    ASSERT_TRUE(d.Ok());
    EXPECT_EQ(d.Length, length(i)); // the real length, also of the oversized one
    const std::size_t kept = std::min(length(i), kLanDatagramSize);
    if (kept > 0) {
      EXPECT_EQ(buffer[0], i);
      EXPECT_EQ(buffer[kept - 1], i);
    }
    EXPECT_EQ(buffer[kLanDatagramSize], 0xAA); // nothing beyond a datagram's size is written
  }
  // Nothing more: the wait runs out and the link starts afresh on a new socket.
  const std::uint16_t before = pair.link.LocalPort();
  EXPECT_EQ(pair.link.ReceiveDatagram(buffer, 50).State, TDatagram::Status::TimedOut);
  EXPECT_TRUE(pair.link.Connected());
  EXPECT_NE(pair.link.LocalPort(), before);
}

TEST(LanLink, DroppingTakesWhatWasTakenAlreadyAndWhatIsQueued) {
  LinkPair pair;
  ASSERT_TRUE(pair.connected);
  std::vector<std::uint8_t> buffer(kLanDatagramSize);
  for (int i = 0; i < 10; ++i)
    pair.Send(100, static_cast<std::uint8_t>(i));
  ASSERT_TRUE(pair.link.ReceiveDatagram(buffer, 1000).Ok());
  EXPECT_EQ(pair.link.DropQueued(), 9);
  EXPECT_EQ(pair.link.ReceiveDatagram(buffer, 30).State, TDatagram::Status::TimedOut);

  for (int i = 0; i < 200; ++i)
    pair.Send(1472, static_cast<std::uint8_t>(i));
  ASSERT_TRUE(pair.link.ReceiveDatagram(buffer, 1000).Ok());
  EXPECT_EQ(pair.link.Drain(20), 199);
  // A datagram that comes after the drain is the next one handed out.
  pair.Send(5, 42);
  const TDatagram d = pair.link.ReceiveDatagram(buffer, 1000);
  ASSERT_TRUE(d.Ok());
  EXPECT_EQ(d.Length, 5u);
  EXPECT_EQ(buffer[0], 42);
}

TEST(LanLink, TheReceiveBufferIsAskedForAtFourMegabytesAndWhatIsGrantedIsLoggedOnce) {
  test::CameraLogCapture log;
  LinkPair pair;
  ASSERT_TRUE(pair.connected);
  EXPECT_EQ(kLanReceiveBufferBytes, 4 * 1024 * 1024);
  const int granted = pair.link.ReceiveBufferBytes();
  EXPECT_GT(granted, 0);
  const QString line =
      QStringLiteral("Camera socket receive buffer: asked for 4194304 bytes, the kernel grants %1")
          .arg(granted);
  EXPECT_EQ(log.Lines(), QStringList{line});
  ASSERT_TRUE(pair.link.Reconnect());
  EXPECT_EQ(log.Lines().size(), 1);
}

} // namespace
} // namespace calidarix
