// The serial transport against pseudo-terminals: the COM table, opening with its log, exclusive use,
// reads with their deadlines, writes, the receive queue and its purge.

#include "acquisition/com_port.h"
#include "tests/support/test_support.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <stdlib.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace calidarix {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A pseudo-terminal: the test holds the master side; the port under test opens the slave side.
struct Pty {
  Pty() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
      slave = ::ptsname(master);
  }
  ~Pty() {
    if (master >= 0)
      ::close(master);
  }
  void Send(const std::string &bytes) const {
    ASSERT_EQ(::write(master, bytes.data(), bytes.size()), ssize_t(bytes.size()));
  }
  std::string Receive(std::size_t n) const {
    std::string got(n, '\0');
    std::size_t have = 0;
    const auto deadline = Clock::now() + milliseconds(1000);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    while (have < n && Clock::now() < deadline) {
      const ssize_t r = ::read(master, got.data() + have, n - have);
      if (r > 0)
        have += static_cast<std::size_t>(r);
      else
        std::this_thread::sleep_for(milliseconds(2));
    }
    got.resize(have);
    return got;
  }
  int master = -1;
  std::string slave;
};

class ComPort : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(pty.slave.empty());
    table = std::make_unique<test::ScopedEnv>("CALIDARIX_SERIAL_PORTS", "3=" + pty.slave);
    port.FLog = [this](const QString &line) { log << line; };
  }
  Pty pty;
  std::unique_ptr<test::ScopedEnv> table;
  TComPort port;
  QStringList log;
};

TEST(ComPortTable, NamesAndEntries) {
  EXPECT_EQ(TComPort::PortName(9), "COM9");
  EXPECT_EQ(TComPort::PortName(10), "\\\\.\\COM10");
  const auto table =
      ParseComPortTable(" 1=/dev/ttyUSB0; COM12 = /dev/ttyS1 ,0=/dev/x;256=/dev/y;x=/dev/z;4=");
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table.at(1), "/dev/ttyUSB0");
  EXPECT_EQ(table.at(12), "/dev/ttyS1");
}

TEST(ComPortTable, TheProgramIniNamesThePortsWhenTheEnvironmentDoesNot) {
  test::TempDir dir;
  test::WriteText(dir.file("Calidarix.ini"), "[SERIAL PORTS]\nCOM2=/dev/ttyACM0\nCOM5=/dev/ttyUSB3\n");
  test::ScopedEnv programDir("CALIDARIX_PROGRAM_DIR", dir.path().string());
  test::ScopedEnv none("CALIDARIX_SERIAL_PORTS", std::nullopt);
  const auto table = ComPortDevices();
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table.at(5), "/dev/ttyUSB3");
  EXPECT_FALSE(ComPortDevice(1));
}

TEST_F(ComPort, OpensRawAndLogsEveryStep) {
  ASSERT_TRUE(port.OpenPort(3, 19200));
  EXPECT_EQ(log, (QStringList{"Creating COM3 file", "COM3 file created", "Getting COM state",
                              "COM state reveived", "Binding COM DCB", "COM DCB binded", "Setting COM state",
                              "Setting COM state", "Getting COM timeouts", "COM timeouts received",
                              "Setting COM timeouts", "COM timeouts set"}));
  // Raw: a CR and a NUL arrive as they were sent, nothing is echoed back.
  pty.Send(std::string("$a\r\0z", 5));
  char got[5] = {};
  EXPECT_EQ(port.ReadPort(got, 5), 5);
  EXPECT_EQ(std::string(got, 5), std::string("$a\r\0z", 5));
  EXPECT_EQ(port.WritePort("\r\n$x", 4), 4);
  EXPECT_EQ(pty.Receive(4), "\r\n$x");
}

TEST_F(ComPort, FailuresLeaveThePortClosed) {
  struct Case {
    int number;
    int baud;
    const char *lastLine;
  } cases[] = {
      {7, 19200, "COM7 has no device in the serial port table"}, // not configured
      {3, 12345, "Binding COM DCB"},                             // no such rate: stops at the binding
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.number);
    log.clear();
    EXPECT_FALSE(port.OpenPort(c.number, c.baud));
    EXPECT_FALSE(port.IsOpen());
    ASSERT_FALSE(log.isEmpty());
    EXPECT_EQ(log.last(), c.lastLine);
  }
  log.clear();
  EXPECT_FALSE(port.PortExists(7));
  EXPECT_EQ(log, QStringList{"COM7 file creating failed. Sorry..."});
  EXPECT_TRUE(port.PortExists(3));
  char byte = 0;
  EXPECT_EQ(port.ReadPort(&byte, 1), 0);
  EXPECT_EQ(port.WritePort("x", 1), 0);
  EXPECT_EQ(port.InQueue(), 0);
  EXPECT_FALSE(port.PurgeRx());
}

TEST_F(ComPort, IsExclusiveUntilClosedAndReopensWhenOpenedAgain) {
  ASSERT_TRUE(port.OpenPort(3, 19200));
  TComPort other;
  QStringList otherLog;
  other.FLog = [&](const QString &line) { otherLog << line; };
  EXPECT_FALSE(other.OpenPort(3, 19200));
  // Refused by the terminal's exclusive mode or, for a privileged user, by the lock.
  EXPECT_TRUE(otherLog.contains("COM3 file creating failed.")) << otherLog.join('|').toStdString();
  // Opening again closes first: the lock is not held twice by this object.
  EXPECT_TRUE(port.OpenPort(3, 9600));
  EXPECT_FALSE(other.OpenPort(3, 19200));
  port.ClosePort();
  EXPECT_TRUE(other.OpenPort(3, 19200));
}

TEST_F(ComPort, ReadsEndAtTheirDeadlines) {
  ASSERT_TRUE(port.OpenPort(3, 19200));
  char buffer[16] = {};
  // Nothing arrives: about 100 ms, then 0.
  auto start = Clock::now();
  EXPECT_EQ(port.ReadPort(buffer, 1), 0);
  auto took = Clock::now() - start;
  EXPECT_GE(took, milliseconds(90));
  EXPECT_LT(took, milliseconds(1000));

  // A frame that arrives in two pieces a short pause apart is read whole.
  std::thread sender([this] {
    pty.Send("$Qor");
    std::this_thread::sleep_for(milliseconds(30));
    pty.Send("M10");
  });
  EXPECT_EQ(port.ReadPort(buffer, 7), 7);
  sender.join();
  EXPECT_EQ(std::string(buffer, 7), "$QorM10");

  // A pause longer than 100 ms between two bytes ends the read with what came.
  std::thread late([this] {
    pty.Send("ab");
    std::this_thread::sleep_for(milliseconds(300));
    pty.Send("c");
  });
  EXPECT_EQ(port.ReadPort(buffer, 3), 2);
  late.join();
  EXPECT_EQ(port.ReadPort(buffer, 1), 1);
  EXPECT_EQ(buffer[0], 'c');
}

TEST_F(ComPort, CountsAndPurgesWhatWaits) {
  ASSERT_TRUE(port.OpenPort(3, 19200));
  pty.Send("123456789");
  const auto deadline = Clock::now() + milliseconds(1000);
  while (port.InQueue() < 9 && Clock::now() < deadline)
    std::this_thread::sleep_for(milliseconds(2));
  EXPECT_EQ(port.InQueue(), 9);
  EXPECT_TRUE(port.PurgeRx());
  EXPECT_EQ(port.InQueue(), 0);
  char byte = 0;
  EXPECT_EQ(port.ReadPort(&byte, 1), 0);
}

} // namespace
} // namespace calidarix
