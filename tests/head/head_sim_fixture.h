#pragma once
// A head link talking to the simulated head: the simulator serves a pseudo-terminal that the COM table
// names COM1 (and, when asked, a loopback UDP port that the head address names). The network head's
// address otherwise points at a loopback port where nobody answers, so a connect goes to the serial
// port at once.

#include "head/head_globals.h"
#include "head/head_link.h"
#include "tests/sim/head_simulator.h"
#include "tests/support/test_support.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace calidarix::test {

// A loopback UDP port that nothing listens on (bound once, then let go).
inline std::uint16_t UnusedUdpPort() {
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a);
  socklen_t n = sizeof a;
  ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &n);
  ::close(s);
  return ntohs(a.sin_port);
}

// The simulated head on a pseudo-terminal that the COM table names COM1, for window tests: the network
// head's address points at a loopback port where nobody answers.
struct PtyHead {
  // False when no pseudo-terminal could be opened.
  bool Start(int moveMs) {
    head = std::make_unique<sim::HeadSimulator>('M');
    const std::string path = head->OpenPty();
    if (path.empty())
      return false;
    head->SetMoveMs(moveMs);
    head->Start();
    ports = std::make_unique<ScopedEnv>("CALIDARIX_SERIAL_PORTS", "1=" + path);
    address =
        std::make_unique<ScopedEnv>("CALIDARIX_HEAD_ADDRESS", "127.0.0.1:" + std::to_string(UnusedUdpPort()));
    return true;
  }
  void Stop() {
    if (head)
      head->Stop();
  }

  std::unique_ptr<sim::HeadSimulator> head;
  std::unique_ptr<ScopedEnv> ports;
  std::unique_ptr<ScopedEnv> address;
};

class HeadSimFixture : public ::testing::Test {
protected:
  // Starts a head of `type` on the pseudo-terminal (as COM `comNumber`) and, with `udp`, on UDP.
  void StartHead(char type = 'M', bool udp = false, int comNumber = 1) {
    // The variables of an earlier head are put back first, so that the new ones are not undone.
    address.reset();
    ports.reset();
    head = std::make_unique<sim::HeadSimulator>(type);
    const std::string path = head->OpenPty();
    ASSERT_FALSE(path.empty());
    ports = std::make_unique<ScopedEnv>("CALIDARIX_SERIAL_PORTS", std::to_string(comNumber) + "=" + path);
    std::uint16_t port = UnusedUdpPort();
    if (udp) {
      const auto bound = head->OpenUdp();
      ASSERT_TRUE(bound);
      port = *bound;
    }
    address = std::make_unique<ScopedEnv>("CALIDARIX_HEAD_ADDRESS", "127.0.0.1:" + std::to_string(port));
    head->SetMoveMs(150);
    head->Start();
    link = std::make_unique<tQor>();
    // Waits here need no event loop.
    link->FProcessMessages = [] {};
    // A silent network head costs a second per read as designed; tests need not wait that long.
    link->FUdpReadMs = 250;
    SetHeadLogSink([this](const QString &line) { log << line; }, [this] { return loggingOn; });
  }

  void TearDown() override {
    link.reset();
    if (head)
      head->Stop();
    ResetHeadGlobals();
  }

  // Lets the answers to the connect arrive, then drops them.
  void Settle() {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    link->PurgeInput();
  }

  bool Logged(const QString &text) const {
    for (const QString &line : log)
      if (line.contains(text))
        return true;
    return false;
  }

  ScopedEnv network{"CALIDARIX_NETWORK", "loopback"};
  std::unique_ptr<ScopedEnv> ports;
  std::unique_ptr<ScopedEnv> address;
  std::unique_ptr<sim::HeadSimulator> head;
  std::unique_ptr<tQor> link;
  QStringList log;
  bool loggingOn = false;
};

} // namespace calidarix::test
