// The remote-control server over loopback with real sockets: every command and its reply, a command
// split over packets or cut short by the client's close, and hostile clients (over-long, binary and
// stacked lines, floods, silence, too many at once).

#include "acquisition/tcp_remote_server.h"
#include "tests/acquisition/fake_remote_host.h"
#include "tests/acquisition/remote_test_client.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QStringList>
#include <QTcpSocket>
#include <QThread>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace calidarix {
namespace {

using Client = test::RemoteClient;
using test::WaitFor;

class TcpRemoteServerTest : public ::testing::Test {
protected:
  void SetUp() override {
    qputenv("CALIDARIX_NETWORK", "loopback");
    Start(kRemoteIdleTimeoutMs);
  }
  void Start(int idleTimeoutMs) {
    server = std::make_unique<TRemoteServer>(host, idleTimeoutMs);
    ASSERT_TRUE(server->Listen(QHostAddress::LocalHost, 0)) << server->ErrorString().toStdString();
    ASSERT_NE(server->Port(), 0);
  }
  // One connection: sends the request and returns what came back before the server closed.
  QByteArray Exchange(const QByteArray &request) {
    Client client(server->Port());
    EXPECT_TRUE(client.Connected());
    client.Send(request);
    const QByteArray reply = client.ReplyUntilClosed();
    EXPECT_TRUE(client.ClosedByServer()) << request.toStdString();
    return reply;
  }
  bool ServerIdle() {
    return WaitFor([this] { return server->ClientCount() == 0; });
  }

  test::FakeRemoteHost host;
  std::unique_ptr<TRemoteServer> server;
};

struct CommandCase {
  const char *name;
  std::function<void(test::FakeRemoteHost &)> setUp;
  QByteArray request;
  QByteArray reply;
  std::function<void(const test::FakeRemoteHost &)> check;
};

TEST_F(TcpRemoteServerTest, EveryCommandGetsItsReplyAndEffect) {
  const auto nothing = [](test::FakeRemoteHost &) {};
  const auto unchanged = [](const test::FakeRemoteHost &h) {
    EXPECT_TRUE(h.started.isEmpty());
    EXPECT_EQ(h.stops, 0);
    EXPECT_TRUE(h.added.empty());
  };
  const std::vector<CommandCase> cases = {
      {"getpoint",
       [](test::FakeRemoteHost &h) {
         h.points = {25.376, 30.0};
       },
       "getpoint\r\n", "25.38&30\r\n", unchanged},
      {"capitals", [](test::FakeRemoteHost &h) { h.points = {-0.125}; }, "GetPoint\r\n", "-0.12\r\n",
       unchanged},
      {"no markers", nothing, "getpoint\r\n", "\r\n", unchanged},
      {"mouse out", nothing, "getcursor\r\n", "MouseOut\r\n", unchanged},
      {"mouse in",
       [](test::FakeRemoteHost &h) {
         h.cursor = TRemoteCursor{12, 34, 21.0625};
       },
       "GETCURSOR\r\n", "12&34&21.0625\r\n", unchanged},
      {"whole frame", nothing, "gettemp\r\n", "0&0&319&239&-5.5&40.25&20.125\r\n", unchanged},
      {"area", [](test::FakeRemoteHost &h) { h.area = TRemoteArea{10, 20, 30, 40, 1.5, 2.25, 2}; },
       "gettemp\r\n", "10&20&30&40&1.5&2.25&2\r\n", unchanged},
      {"not acquiring", nothing, "getstrnumb\r\n", "", unchanged},
      {"acquiring", [](test::FakeRemoteHost &h) { h.progress = std::pair(7, 120); }, "getstrnumb\r\n",
       "7&120\r\n", unchanged},
      {"stop", nothing, "stop\r\n", "", [](const test::FakeRemoteHost &h) { EXPECT_EQ(h.stops, 1); }},
      {"start keeps the name's case", nothing, "START\r\nFilm_One\r\n", "",
       [](const test::FakeRemoteHost &h) { EXPECT_EQ(h.started, QStringList{QStringLiteral("Film_One")}); }},
      {"setpoint", nothing, "setpoint\r\n318&10\r\n", "",
       [](const test::FakeRemoteHost &h) {
         ASSERT_EQ(h.added.size(), 1u);
         EXPECT_EQ(h.added[0], (std::array<std::int32_t, 3>{318, 10, 1}));
       }},
      {"setpoint on the last column", nothing, "setpoint\r\n319&10\r\n", "", unchanged},
      {"setpoint not numbers", nothing, "setpoint\r\n1x&2\r\n", "", unchanged},
      {"unknown", nothing, "status\r\n", "", unchanged},
  };
  for (const CommandCase &c : cases) {
    SCOPED_TRACE(c.name);
    test::FakeRemoteHost fresh;
    host = fresh;
    c.setUp(host);
    EXPECT_EQ(Exchange(c.request), c.reply);
    c.check(host);
    EXPECT_EQ(host.foreignThreadCalls, 0);
  }
  EXPECT_TRUE(ServerIdle());
}

TEST_F(TcpRemoteServerTest, NumbersUseAPointWhateverTheLocale) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  host.points = {25.376, -1.5};
  const QByteArray points = Exchange("getpoint\r\n");
  const QByteArray temp = Exchange("gettemp\r\n");
  QLocale::setDefault(saved);
  EXPECT_EQ(points, "25.38&-1.5\r\n");
  EXPECT_EQ(temp, "0&0&319&239&-5.5&40.25&20.125\r\n");
}

TEST_F(TcpRemoteServerTest, ACommandMayArriveInPiecesOrWithItsArgument) {
  Client pieces(server->Port());
  ASSERT_TRUE(pieces.Connected());
  for (const char *piece : {"set", "POINT\r", "\n1", "0&2", "0\r\n"})
    pieces.Send(piece);
  EXPECT_EQ(pieces.ReplyUntilClosed(), "");
  ASSERT_EQ(host.added.size(), 1u);
  EXPECT_EQ(host.added[0], (std::array<std::int32_t, 3>{10, 20, 0}));

  // The argument waits for its own CR LF, even when the command came long before.
  Client slow(server->Port());
  slow.Send("start\r\n");
  WaitFor([] { return false; }, 100);
  EXPECT_TRUE(host.started.isEmpty());
  slow.Send("Second\r\n");
  EXPECT_EQ(slow.ReplyUntilClosed(), "");
  EXPECT_EQ(host.started, QStringList{QStringLiteral("Second")});
}

TEST_F(TcpRemoteServerTest, AClientThatClosesWithoutCrLfStillHasItsCommandRun) {
  {
    Client client(server->Port());
    client.Send("stop");
    client.Close();
  }
  EXPECT_TRUE(WaitFor([this] { return host.stops == 1; }));

  {
    Client client(server->Port());
    client.Send("start\r\nLast Name");
    client.Close();
  }
  EXPECT_TRUE(WaitFor([this] { return host.started.size() == 1; }));
  EXPECT_EQ(host.started, QStringList{QStringLiteral("Last Name")});

  {
    Client client(server->Port()); // sends nothing: an empty command, which matches nothing
    client.Close();
  }
  EXPECT_TRUE(ServerIdle());
  EXPECT_EQ(host.stops, 1);
  EXPECT_EQ(host.started.size(), 1);
  EXPECT_TRUE(host.added.empty());
}

TEST_F(TcpRemoteServerTest, OverLongLinesDropTheClientAndRunNothing) {
  const QByteArray longest(static_cast<qsizetype>(kRemoteLineLimit), 'a');
  const std::vector<QByteArray> requests = {
      QByteArray(static_cast<qsizetype>(kRemoteLineLimit) + 1, 'x'),               // no CR LF ever
      "stop" + QByteArray(static_cast<qsizetype>(kRemoteLineLimit), ' ') + "\r\n", // too long with it
      "start\r\n" + longest + "b\r\n",                                             // argument too long
      "setpoint\r\n" + QByteArray(static_cast<qsizetype>(kRemoteLineLimit) * 4, '1'),
  };
  for (const QByteArray &request : requests) {
    SCOPED_TRACE(request.left(20).toStdString());
    Client client(server->Port());
    client.Send(request);
    // Dropped at once, long before the idle time-out.
    EXPECT_EQ(client.ReplyUntilClosed(kRemoteIdleTimeoutMs / 2), "");
    EXPECT_TRUE(client.ClosedByServer());
  }
  EXPECT_TRUE(ServerIdle());
  EXPECT_EQ(host.calls, 0);

  // A line of exactly the limit is accepted.
  EXPECT_EQ(Exchange("start\r\n" + longest + "\r\n"), "");
  ASSERT_EQ(host.started.size(), 1);
  EXPECT_EQ(host.started[0].size(), 200); // the name is cut to 200 characters
}

TEST_F(TcpRemoteServerTest, AFloodIsNeverBufferedAndTheServerGoesOn) {
  {
    Client flood(server->Port());
    ASSERT_TRUE(flood.Connected());
    const QByteArray chunk(64 * 1024, 'z');
    for (int i = 0; i < 32; ++i)
      flood.Send(chunk);
    EXPECT_EQ(flood.ReplyUntilClosed(), "");
    EXPECT_TRUE(flood.ClosedByServer());
  }
  // A command followed by a flood in the same packets: served, the rest never read.
  {
    host.points = {1.0};
    Client client(server->Port());
    client.Send("getpoint\r\n" + QByteArray(1024 * 1024, 'q'));
    EXPECT_EQ(client.ReplyUntilClosed(), "1\r\n");
  }
  EXPECT_TRUE(ServerIdle());
  EXPECT_EQ(Exchange("getcursor\r\n"), "MouseOut\r\n");
}

TEST_F(TcpRemoteServerTest, BinaryLinesMatchNothingAndNamesNeverBecomePaths) {
  const std::vector<QByteArray> requests = {
      QByteArray("\0getpoint\r\n", 11),
      QByteArray("getpoint\0\r\n", 11),
      "\xff\xfe\x01\x02\r\n",
      "\r\n",
      "\r\n\r\n",
      "get point\r\n",
  };
  for (const QByteArray &request : requests) {
    SCOPED_TRACE(request.toHex().toStdString());
    EXPECT_EQ(Exchange(request), "");
  }
  EXPECT_EQ(host.calls, 0);

  EXPECT_EQ(Exchange("start\r\n../../etc/pass\x01wd:x\r\n"), "");
  EXPECT_EQ(Exchange("start\r\nC:\\Films\\..\\..\\film\xe9\r\n"), "");
  EXPECT_EQ(Exchange("start\r\n/\r\n"), "");
  ASSERT_EQ(host.started.size(), 3);
  EXPECT_EQ(host.started[0], QStringLiteral("pass_wd_x"));
  EXPECT_EQ(host.started[1], QStringLiteral("film\u00e9"));
  EXPECT_TRUE(host.started[2].isEmpty());
  for (const QString &name : host.started)
    EXPECT_FALSE(name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')));
}

TEST_F(TcpRemoteServerTest, OnlyTheFirstOfManyStackedCommandsRuns) {
  host.points = {20.0};
  EXPECT_EQ(Exchange("getpoint\r\nstop\r\nstart\r\nx\r\nsetpoint\r\n1&1\r\n"), "20\r\n");
  EXPECT_EQ(Exchange("stop\r\nstop\r\nstop\r\n"), "");
  EXPECT_EQ(Exchange("setpoint\r\n5&6\r\nsetpoint\r\n7&8\r\n"), "");
  EXPECT_EQ(host.stops, 1);
  EXPECT_TRUE(host.started.isEmpty());
  ASSERT_EQ(host.added.size(), 1u);
  EXPECT_EQ(host.added[0], (std::array<std::int32_t, 3>{5, 6, 0}));
}

TEST_F(TcpRemoteServerTest, AnIdleClientIsDroppedWithoutItsCommand) {
  constexpr int kIdleMs = 200;
  Start(kIdleMs);
  Client silent(server->Port());
  Client partial(server->Port());
  partial.Send("sto");
  Client waiting(server->Port());
  waiting.Send("start\r\n");
  Client slow(server->Port());
  // Each byte restarts the time-out; the command completes after more than the time-out in all.
  for (const char *piece : {"s", "t", "o", "p", "\r\n"}) {
    slow.Send(piece);
    WaitFor([] { return false; }, kIdleMs / 2);
  }
  EXPECT_EQ(slow.ReplyUntilClosed(), "");
  EXPECT_EQ(host.stops, 1);

  QElapsedTimer clock;
  clock.start();
  for (Client *client : {&silent, &partial, &waiting}) {
    EXPECT_EQ(client->ReplyUntilClosed(), "");
    EXPECT_TRUE(client->ClosedByServer());
  }
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_TRUE(ServerIdle());
  EXPECT_EQ(host.stops, 1); // the unfinished "sto" did nothing
  EXPECT_TRUE(host.started.isEmpty());
}

TEST_F(TcpRemoteServerTest, ClientsBeyondTheLimitAreClosedAtOnce) {
  std::vector<std::unique_ptr<Client>> held;
  for (int i = 0; i < kRemoteMaxClients; ++i) {
    held.push_back(std::make_unique<Client>(server->Port()));
    ASSERT_TRUE(held.back()->Connected());
  }
  ASSERT_TRUE(WaitFor([this] { return server->ClientCount() == kRemoteMaxClients; }));
  Client extra(server->Port());
  extra.Send("stop\r\n");
  EXPECT_EQ(extra.ReplyUntilClosed(kRemoteIdleTimeoutMs / 2), "");
  EXPECT_TRUE(extra.ClosedByServer());
  EXPECT_EQ(host.stops, 0);

  held.front()->Send("stop\r\n");
  EXPECT_EQ(held.front()->ReplyUntilClosed(), "");
  EXPECT_EQ(host.stops, 1);
  EXPECT_TRUE(WaitFor([this] { return server->ClientCount() == kRemoteMaxClients - 1; }));
  EXPECT_EQ(Exchange("getcursor\r\n"), "MouseOut\r\n");
}

TEST_F(TcpRemoteServerTest, CloseDropsClientsAndStopsListening) {
  Client client(server->Port());
  client.Send("stop");
  ASSERT_TRUE(WaitFor([this] { return server->ClientCount() == 1; }));
  const std::uint16_t port = server->Port();
  server->Close();
  EXPECT_FALSE(server->IsListening());
  EXPECT_EQ(client.ReplyUntilClosed(), "");
  EXPECT_TRUE(client.ClosedByServer());
  EXPECT_EQ(server->ClientCount(), 0);
  EXPECT_EQ(host.stops, 0); // dropped, not closed by the client: the unfinished command is not run

  QTcpSocket late;
  late.connectToHost(QHostAddress::LocalHost, port);
  EXPECT_TRUE(WaitFor([&late] { return late.state() == QAbstractSocket::UnconnectedState; }));
}

TEST_F(TcpRemoteServerTest, TheNetworkGateRefusesAddressesBeyondLoopback) {
  TRemoteServer other(host);
  EXPECT_FALSE(other.Listen(QHostAddress::Any, 0));
  EXPECT_FALSE(other.IsListening());
  EXPECT_FALSE(other.ErrorString().isEmpty());
  EXPECT_FALSE(other.Listen(QHostAddress(QStringLiteral("192.0.2.1")), 0));
  EXPECT_TRUE(other.Listen(QHostAddress(QStringLiteral("127.0.0.2")), 0));
}

} // namespace
} // namespace calidarix
