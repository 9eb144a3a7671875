// The remote-control line protocol without sockets: lines and their limit, commands in any case,
// every reply's format, the marker rules of "setpoint" and the file name "start" hands on.

#include "acquisition/tcp_remote.h"
#include "tests/acquisition/fake_remote_host.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <array>

namespace calidarix {
namespace {

std::optional<std::string> Serve(test::FakeRemoteHost &host, std::string_view command,
                                 std::string_view argument = {}) {
  return ServeRemoteCommand(ParseRemoteCommand(command), argument, host);
}

TEST(TcpRemote, LinesEndAtCrLfAndTheRestWaits) {
  TRemoteLineReader reader;
  reader.Append("setpoint\r\n10&2");
  EXPECT_EQ(reader.TakeLine(), "setpoint");
  EXPECT_FALSE(reader.TakeLine()); // the argument has no CR LF yet
  reader.Append("0\r\n");
  EXPECT_EQ(reader.TakeLine(), "10&20");
  EXPECT_FALSE(reader.TakeLine());

  TRemoteLineReader closed;
  closed.Append("stop"); // the client closed without CR LF: what came is the line
  EXPECT_FALSE(closed.TakeLine());
  EXPECT_EQ(closed.TakeRest(), "stop");
  EXPECT_EQ(closed.TakeRest(), "");

  TRemoteLineReader bare;
  bare.Append("a\rb\nc\r\n");
  EXPECT_EQ(bare.TakeLine(), "a\rb\nc");
}

TEST(TcpRemote, LinesLongerThanTheLimitAreRefused) {
  TRemoteLineReader exact;
  exact.Append(std::string(kRemoteLineLimit, 'x') + "\r\n");
  EXPECT_FALSE(exact.Overflow());
  EXPECT_EQ(exact.TakeLine()->size(), kRemoteLineLimit);

  TRemoteLineReader longer;
  longer.Append(std::string(kRemoteLineLimit, 'x'));
  EXPECT_FALSE(longer.Overflow());
  longer.Append("y");
  EXPECT_TRUE(longer.Overflow());
  longer.Append("\r\n");
  EXPECT_FALSE(longer.TakeLine());
  EXPECT_EQ(longer.TakeRest(), "");

  TRemoteLineReader second;
  second.Append("start\r\n" + std::string(kRemoteLineLimit + 1, 'n'));
  EXPECT_EQ(second.TakeLine(), "start");
  EXPECT_TRUE(second.Overflow());

  // A complete second line that is too long is refused as well, not kept for TakeRest.
  TRemoteLineReader complete;
  complete.Append("start\r\n" + std::string(kRemoteLineLimit + 1, 'n') + "\r\nnext\r\n");
  EXPECT_FALSE(complete.Overflow());
  EXPECT_EQ(complete.TakeLine(), "start");
  EXPECT_TRUE(complete.Overflow());
  EXPECT_FALSE(complete.TakeLine());
}

TEST(TcpRemote, CommandsInAnyCase) {
  EXPECT_EQ(ParseRemoteCommand("GETPOINT"), TRemoteCommand::GetPoint);
  EXPECT_EQ(ParseRemoteCommand("GetTemp"), TRemoteCommand::GetTemp);
  EXPECT_EQ(ParseRemoteCommand("start"), TRemoteCommand::Start);
  for (const char *other : {"", "getpoint ", " stop", "getpoints", "set point"})
    EXPECT_EQ(ParseRemoteCommand(other), TRemoteCommand::None) << other;
  test::FakeRemoteHost host;
  EXPECT_FALSE(Serve(host, "hello"));
  EXPECT_FALSE(Serve(host, ""));
}

TEST(TcpRemote, RepliesAndTheirNumbers) {
  test::FakeRemoteHost host;
  EXPECT_EQ(Serve(host, "getpoint"), "");
  host.points = {25.376, 30.0};
  EXPECT_EQ(Serve(host, "GETPOINT"), "25.38&30");
  host.points = {0.125, -0.005, 1e-7};
  EXPECT_EQ(Serve(host, "getpoint"), "0.12&0&0"); // half to even; a rounded zero has no sign

  EXPECT_EQ(Serve(host, "getcursor"), "MouseOut");
  host.cursor = TRemoteCursor{318, 10, 21.123456789};
  EXPECT_EQ(Serve(host, "getcursor"), "318&10&21.123456789");

  EXPECT_EQ(Serve(host, "gettemp"), "0&0&319&239&-5.5&40.25&20.125");
  host.area = {10, 20, 30, 40, 1.5, 2.5, 2.0};
  EXPECT_EQ(Serve(host, "gettemp"), "10&20&30&40&1.5&2.5&2");

  EXPECT_FALSE(Serve(host, "getstrnumb")); // not acquiring: no reply
  host.progress = std::pair(12, 57);
  EXPECT_EQ(Serve(host, "getstrnumb"), "12&57");

  EXPECT_FALSE(Serve(host, "stop"));
  EXPECT_EQ(host.stops, 1);
}

TEST(TcpRemote, SetPointAcceptsOnlyPointsInsideTheFrame) {
  struct Case {
    const char *argument;
    bool added;
    std::int32_t direction;
  };
  for (const Case c :
       {Case{"318&10", true, 1}, Case{"319&10", false, 0}, Case{"10&238", true, 3}, Case{"10&239", false, 0},
        Case{"0&0", true, 0}, Case{"160&120", true, 2}, Case{"159&119", true, 0}, Case{"-1&5", false, 0},
        Case{"5", false, 0}, Case{"a&b", false, 0}, Case{"5&", false, 0}, Case{"&5", false, 0},
        Case{"5&6&7", false, 0}, Case{"99999999999&1", false, 0}, Case{" 7 & 8 ", true, 0},
        Case{"$10&1", true, 0}}) {
    test::FakeRemoteHost host;
    EXPECT_FALSE(Serve(host, "setpoint", c.argument));
    ASSERT_EQ(host.added.size(), c.added ? 1u : 0u) << c.argument;
    if (c.added) {
      EXPECT_EQ(host.added[0][2], c.direction) << c.argument;
    }
  }
  test::FakeRemoteHost host;
  Serve(host, "setpoint", "318&10");
  Serve(host, "setpoint", "318&10"); // the same place twice: not checked against existing markers
  EXPECT_EQ(host.added.size(), 2u);
  EXPECT_EQ(host.added[0], (std::array<std::int32_t, 3>{318, 10, 1}));
}

TEST(TcpRemote, StartKeepsTheNamesCaseButNeverAPath) {
  struct Case {
    const char *sent;
    const char *kept;
  };
  for (const Case c : {Case{"Film_A7", "Film_A7"}, Case{"../../etc/passwd", "passwd"},
                       Case{"C:\\Windows\\win.ini", "win.ini"}, Case{"/tmp/x", "x"}, Case{"..", ""},
                       Case{".hidden", "hidden"}, Case{"a:b\tc", "a_b_c"}, Case{"dir/", ""}, Case{"", ""}}) {
    test::FakeRemoteHost host;
    EXPECT_FALSE(Serve(host, "START", c.sent));
    ASSERT_EQ(host.started.size(), 1u);
    EXPECT_EQ(host.started[0], QString::fromLatin1(c.kept)) << c.sent;
  }
  EXPECT_EQ(RemoteFileName(std::string(300, 'n')).size(), 200);
}

} // namespace
} // namespace calidarix
