#include "platform/network_policy.h"

#include <QByteArray>
#include <QtGlobal>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <string>
#include <sys/un.h>
#include <vector>

namespace calidarix {
namespace {

// Sets CALIDARIX_NETWORK for one test and collects the refusals; restores both afterwards.
class NetworkPolicyTest : public testing::Test {
protected:
  NetworkPolicyTest()
      : saved_(qgetenv("CALIDARIX_NETWORK")), hadValue_(qEnvironmentVariableIsSet("CALIDARIX_NETWORK")) {
    previousSink_ = SetNetworkLogSink([this](const std::string &line) { lines_.push_back(line); });
  }
  ~NetworkPolicyTest() override {
    SetNetworkLogSink(previousSink_);
    if (hadValue_)
      qputenv("CALIDARIX_NETWORK", saved_);
    else
      qunsetenv("CALIDARIX_NETWORK");
  }

  static sockaddr_in V4(const char *text, unsigned short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, text, &address.sin_addr);
    return address;
  }

  std::vector<std::string> lines_;

private:
  QByteArray saved_;
  bool hadValue_;
  NetworkLogSink previousSink_;
};

TEST_F(NetworkPolicyTest, LoopbackModeAllowsOnlyLoopbackAddresses) {
  qputenv("CALIDARIX_NETWORK", "loopback");
  struct Case {
    const char *address;
    bool allowed;
  } cases[] = {
      {"127.0.0.1", true},
      {"127.255.255.254", true},
      {"127.0.0.0", true},
      {"::1", true},
      {"::ffff:127.0.0.5", true},
      {"192.168.0.254", false},
      {"10.0.0.1", false},
      {"0.0.0.0", false},
      {"255.255.255.255", false},
      {"128.0.0.1", false},
      {"126.255.255.255", false},
      {"::ffff:10.0.0.1", false},
      {"fe80::1", false},
      {"::", false},
      {"::2", false},
      {"localhost", false},
      {"127.1", false},
      {"", false},
  };
  for (const Case &c : cases) {
    lines_.clear();
    EXPECT_EQ(NetworkAllowed(c.address, "UDP datagram to the camera"), c.allowed) << c.address;
    if (c.allowed) {
      EXPECT_TRUE(lines_.empty()) << c.address;
    } else {
      ASSERT_EQ(lines_.size(), 1u) << c.address;
      EXPECT_NE(lines_[0].find("UDP datagram to the camera"), std::string::npos) << lines_[0];
      if (*c.address != '\0') {
        EXPECT_NE(lines_[0].find(c.address), std::string::npos) << lines_[0];
      }
    }
  }
}

TEST_F(NetworkPolicyTest, SocketAddressesAreCheckedAndRefusalsNameAddressAndPort) {
  qputenv("CALIDARIX_NETWORK", "loopback");
  const sockaddr_in local = V4("127.0.0.1", 8080);
  EXPECT_TRUE(NetworkAllowed(reinterpret_cast<const sockaddr *>(&local), sizeof local, "head link"));
  EXPECT_TRUE(lines_.empty());

  const sockaddr_in camera = V4("192.168.0.254", 7);
  EXPECT_FALSE(NetworkAllowed(reinterpret_cast<const sockaddr *>(&camera), sizeof camera, "camera command"));
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_NE(lines_[0].find("192.168.0.254:7"), std::string::npos) << lines_[0];
  EXPECT_NE(lines_[0].find("camera command"), std::string::npos) << lines_[0];

  sockaddr_in6 v6{};
  v6.sin6_family = AF_INET6;
  v6.sin6_port = htons(80);
  inet_pton(AF_INET6, "::1", &v6.sin6_addr);
  EXPECT_TRUE(NetworkAllowed(reinterpret_cast<const sockaddr *>(&v6), sizeof v6, "connect"));
  inet_pton(AF_INET6, "2001:db8::1", &v6.sin6_addr);
  EXPECT_FALSE(NetworkAllowed(reinterpret_cast<const sockaddr *>(&v6), sizeof v6, "connect"));
  EXPECT_NE(lines_.back().find("[2001:db8::1]:80"), std::string::npos) << lines_.back();

  // A loopback address given with too short a length, no address and non-IP families are refused.
  EXPECT_FALSE(NetworkAllowed(reinterpret_cast<const sockaddr *>(&local), sizeof(sa_family_t), "connect"));
  EXPECT_FALSE(NetworkAllowed(nullptr, 0, "connect"));
  sockaddr_un unixAddress{};
  unixAddress.sun_family = AF_UNIX;
  EXPECT_FALSE(
      NetworkAllowed(reinterpret_cast<const sockaddr *>(&unixAddress), sizeof unixAddress, "connect"));
  EXPECT_EQ(lines_.size(), 5u);
}

TEST_F(NetworkPolicyTest, VariableIsReadOnEveryCallAndOtherValuesAllowEverything) {
  const sockaddr_in camera = V4("10.0.0.1", 7);
  const auto *address = reinterpret_cast<const sockaddr *>(&camera);

  qunsetenv("CALIDARIX_NETWORK");
  EXPECT_FALSE(LoopbackOnly());
  EXPECT_TRUE(NetworkAllowed(address, sizeof camera, "ping"));
  EXPECT_TRUE(NetworkAllowed("10.0.0.1", "ping"));

  qputenv("CALIDARIX_NETWORK", " LoopBack ");
  EXPECT_TRUE(LoopbackOnly());
  EXPECT_FALSE(NetworkAllowed(address, sizeof camera, "ping"));

  qputenv("CALIDARIX_NETWORK", "open");
  EXPECT_FALSE(LoopbackOnly());
  EXPECT_TRUE(NetworkAllowed(address, sizeof camera, "ping"));
  EXPECT_EQ(lines_.size(), 1u);
}

TEST_F(NetworkPolicyTest, ReplacingTheSinkReturnsThePreviousOne) {
  qputenv("CALIDARIX_NETWORK", "loopback");
  std::vector<std::string> other;
  NetworkLogSink mine = SetNetworkLogSink([&other](const std::string &line) { other.push_back(line); });
  EXPECT_FALSE(NetworkAllowed("10.0.0.1", "ping"));
  EXPECT_EQ(other.size(), 1u);
  EXPECT_TRUE(lines_.empty());

  // Putting the returned sink back routes refusals to it again.
  SetNetworkLogSink(mine);
  EXPECT_FALSE(NetworkAllowed("10.0.0.1", "ping"));
  EXPECT_EQ(other.size(), 1u);
  EXPECT_EQ(lines_.size(), 1u);
}

} // namespace
} // namespace calidarix
