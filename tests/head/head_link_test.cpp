// The head link against the simulated head: connecting over a serial port or UDP, the port search,
// the handshake for 8- and 9-byte heads, and every fault the simulator injects.

#include "platform/network_policy.h"
#include "tests/head/head_sim_fixture.h"

#include <QThread>

#include <chrono>
#include <fcntl.h>
#include <stdlib.h>
#include <thread>

namespace calidarix {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using test::HeadSimFixture;
using test::ScopedEnv;

bool Received(const sim::HeadSimulator &head, const std::string &prefix) {
  for (const std::string &command : head.Commands())
    if (command.compare(0, prefix.size(), prefix) == 0)
      return true;
  return false;
}

int Count(const sim::HeadSimulator &head, const std::string &prefix) {
  int n = 0;
  for (const std::string &command : head.Commands())
    n += command.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
  return n;
}

// A pseudo-terminal that nobody answers on; what the link writes to it can be read back.
struct SilentPty {
  SilentPty() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    ::grantpt(master);
    ::unlockpt(master);
    path = ::ptsname(master);
  }
  ~SilentPty() { ::close(master); }
  std::string Written() const {
    char buffer[256];
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
  }
  int master;
  std::string path;
};

class HeadLink : public HeadSimFixture {};

TEST_F(HeadLink, TheHandshakeIdentifiesTheHeadAndReadsItsRegisters) {
  struct Case {
    char type;
    int frameLength;
    float stripRate;
  } cases[] = {{'M', 9, 3.2f}, {'S', 9, 5.7f}, {'A', 8, 8.0f}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.type);
    StartHead(c.type);
    link->SetComPort(1);
    ASSERT_TRUE(link->Connect());
    EXPECT_FALSE(link->FUseUdp);
    EXPECT_EQ(link->FComPort, 1);
    EXPECT_EQ(link->FFrameLength, c.frameLength);
    EXPECT_EQ(link->FQorType, c.type);
    EXPECT_FLOAT_EQ(StripCounterRate, c.stripRate);
    const sim::HeadRegisters r = head->Registers();
    EXPECT_EQ(link->FFrameTilt, r.frameTilt);
    EXPECT_EQ(link->FNonorthogonality, r.nonorthogonality);
    EXPECT_EQ(link->FStripHeel, r.stripHeel);
    EXPECT_EQ(link->FVerticalMax, r.verticalMax);
    EXPECT_EQ(link->FVerticalMin, r.verticalMin);
    EXPECT_EQ(link->FRatioHorClicks, r.ratioHorClicks);
    EXPECT_EQ(link->FRatioHorRevs, r.ratioHorRevs);
    EXPECT_EQ(link->FRatioVerClicks, r.ratioVerClicks);
    EXPECT_EQ(link->FRatioVerRevs, r.ratioVerRevs);
    EXPECT_EQ(link->FVoltageLimit, r.voltageLimit);
    EXPECT_EQ(link->FVoltageLastPowerOff, r.voltageLastPowerOff);
    EXPECT_EQ(link->FQorVersion, "27");
    EXPECT_EQ(link->FQorSerial, r.serial);
    EXPECT_EQ(link->FRestartCount, r.restarts);
    EXPECT_EQ(link->FMotoSeconds, r.motoSeconds);
    EXPECT_EQ(link->FProgrammedDate, r.programmedDate);
    EXPECT_TRUE(link->FRegistersRead);
    EXPECT_TRUE(Logged(QStringLiteral("Qor %1 27 4711").arg(c.type)));
    // The handshake ends by switching autotrack on; the connect then asks for the values.
    ASSERT_TRUE(head->WaitForCommand("$RValus", 1000));
    const std::vector<std::string> commands = head->Commands();
    ASSERT_GE(commands.size(), 6u);
    EXPECT_EQ(commands[0], "$WRUman");
    EXPECT_EQ(commands[1], "$RVFull");
    EXPECT_EQ(commands[2], std::string("$?\x12read"));
    EXPECT_EQ(commands[3], std::string("$?\x14read"));
    EXPECT_EQ(commands[4], "$TASnnn");
    EXPECT_EQ(commands[5], "$RValus");
    TearDown();
    log.clear();
  }
}

TEST_F(HeadLink, ThePortSearchProbesOnlyConfiguredPortsAndStopsAtTheHead) {
  StartHead('M');
  SilentPty first;
  SilentPty third;
  ScopedEnv table("CALIDARIX_SERIAL_PORTS", "1=" + first.path + ";7=" + third.path + ";2=" +
                                                std::string(::getenv("CALIDARIX_SERIAL_PORTS")).substr(2));
  ASSERT_TRUE(link->Connect()); // no port stored: a search
  EXPECT_EQ(link->FComPort, 2);
  EXPECT_FALSE(link->FScanPorts);
  // The first port was asked who it is and, silent, let go; the one after the head never was.
  EXPECT_EQ(first.Written().substr(0, 7), "$WRUman");
  EXPECT_EQ(third.Written(), "");
  EXPECT_TRUE(Logged("COM1 file created"));
  EXPECT_FALSE(Logged("COM7"));
}

TEST_F(HeadLink, AFailedSearchLeavesNoPortSoTheNextConnectSearchesAgain) {
  StartHead('M');
  const std::string headPort = std::string(::getenv("CALIDARIX_SERIAL_PORTS")).substr(2);
  SilentPty silent;
  {
    ScopedEnv onlySilent("CALIDARIX_SERIAL_PORTS", "1=" + silent.path);
    EXPECT_FALSE(link->Connect());
    EXPECT_EQ(link->FComPort, 0);
    EXPECT_FALSE(link->FConnected);
  }
  ScopedEnv both("CALIDARIX_SERIAL_PORTS", "1=" + silent.path + ";4=" + headPort);
  EXPECT_TRUE(link->Connect());
  EXPECT_EQ(link->FComPort, 4);
}

TEST_F(HeadLink, ASilentOrForeignDeviceIsNoHead) {
  for (const bool notAHead : {false, true}) {
    SCOPED_TRACE(notAHead);
    StartHead('M');
    sim::HeadFaults faults;
    faults.silence = !notAHead;
    faults.notAHead = notAHead;
    head->SetFaults(faults);
    link->SetComPort(1);
    EXPECT_FALSE(link->Connect());
    EXPECT_FALSE(link->FComm->IsOpen());
    EXPECT_FALSE(link->FRegistersRead);
    EXPECT_FALSE(Received(*head, "$RVFull"));
    TearDown();
  }
}

TEST_F(HeadLink, AMoveIsPolledToDoneAndReportedOnce) {
  for (const char type : {'M', 'A'}) {
    SCOPED_TRACE(type);
    StartHead(type);
    link->SetComPort(1);
    ASSERT_TRUE(link->Connect());
    link->RequestCounters(true); // the status reply says autotrack is on
    EXPECT_EQ(link->FTrackingMode, 0);
    head->ClearCommands();
    link->TrackTo(10, -3);
    ASSERT_TRUE(head->WaitForCommand("$THor", 1000));
    const std::vector<std::string> commands = head->Commands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0], std::string("$TVer\xFD\x7F", 7));
    EXPECT_EQ(commands[1], std::string("$THor\x0A\x80", 7));
    EXPECT_TRUE(Logged("Track to 10 -3"));
    bool done = false;
    const auto deadline = Clock::now() + milliseconds(3000);
    while (!done && Clock::now() < deadline) {
      done = link->CheckDone();
      std::this_thread::sleep_for(milliseconds(20));
    }
    EXPECT_TRUE(done);
    EXPECT_FALSE(link->CheckDone()); // once per motion
    // The done reply asks for the counters at once.
    EXPECT_EQ(link->FHorCounter, 10 * 256);
    EXPECT_EQ(link->FVerCounter, -3 * 256);
    TearDown();
    log.clear();
  }
}

TEST_F(HeadLink, WaitDoneKeepsADoneThatArrivedBeforeItWasCalled) {
  StartHead('M');
  link->SetComPort(1);
  ASSERT_TRUE(link->Connect());
  link->FTrackingMode = 0;
  link->TrackTo(4, 4);
  // The move ends and its status waits in the line before anyone waits for it.
  std::this_thread::sleep_for(milliseconds(400));
  const auto start = Clock::now();
  EXPECT_TRUE(link->WaitDone(3000));
  EXPECT_LT(Clock::now() - start, milliseconds(1500));
  EXPECT_FALSE(link->WaitDone(-1)); // reported already
}

std::uint16_t LocalPort(int socket) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  ::getsockname(socket, reinterpret_cast<sockaddr *>(&address), &length);
  return ntohs(address.sin_port);
}

// A network head answers the port that sent the command: reads that time out while the head moves
// must not cost the link its port, or the done at the end of the move goes nowhere.
TEST_F(HeadLink, OverUdpADoneAfterReadsThatTimedOutIsHeardAtOnce) {
  for (const char type : {'M', 'A'}) {
    SCOPED_TRACE(type);
    StartHead(type, /*udp=*/true);
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->FUseUdp);
    const std::uint16_t port = LocalPort(link->FSocket);
    Settle();
    head->SetMoveMs(4 * link->FUdpReadMs);
    link->TrackTo(30, -30);
    EXPECT_TRUE(link->WaitDone(5000));
    const auto returned = Clock::now();
    const auto done = head->LastDoneAt();
    ASSERT_TRUE(done);
    // Within one poll: the done asks for the counters, and that request begins with one read.
    EXPECT_LT(returned - *done, milliseconds(link->FUdpReadMs + 150));
    EXPECT_EQ(LocalPort(link->FSocket), port);
    EXPECT_EQ(link->FHorCounter, 30 * 256);
    TearDown();
  }
}

// A socket that fails for real is replaced, and the head is told the new port at once.
TEST_F(HeadLink, AFailedUdpSocketIsReopenedAndTheHeadAskedAgain) {
  StartHead('M', /*udp=*/true);
  ASSERT_TRUE(link->Connect());
  Settle();
  head->ClearCommands();
  // The socket's descriptor now names something that is no socket: every receive on it fails.
  const int notASocket = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(notASocket, 0);
  ASSERT_GE(::dup2(notASocket, link->FSocket), 0);
  ::close(notASocket);
  std::uint8_t byte = 0;
  EXPECT_EQ(link->UdpReceive(&byte, 1, 100), 0);
  EXPECT_TRUE(link->FUdpOpen);
  EXPECT_TRUE(Received(*head, "$WRUman"));
  // The new socket carries the link on.
  head->SetCounters(12, 34);
  link->RequestCounters(false);
  EXPECT_TRUE(QorCountersComplete);
  EXPECT_EQ(link->FVerCounter, 34);
}

TEST_F(HeadLink, WaitsEndAtTheirDeadlineOrWhenCancelled) {
  StartHead('M');
  head->SetMoveMs(60000);
  link->SetComPort(1);
  ASSERT_TRUE(link->Connect());
  link->FTrackingMode = 0;
  Settle();
  link->TrackTo(100, 100);
  auto start = Clock::now();
  EXPECT_FALSE(link->WaitDone(300));
  EXPECT_LT(Clock::now() - start, milliseconds(1500));

  int pumps = 0;
  link->FProcessMessages = [&] {
    if (++pumps == 3)
      link->Cancel();
  };
  start = Clock::now();
  EXPECT_FALSE(link->WaitDone(45000));
  EXPECT_LT(Clock::now() - start, milliseconds(3000));
  EXPECT_FALSE(link->Cancelled()); // the next wait starts afresh
}

TEST_F(HeadLink, EveryFaultOfTheLineIsSurvived) {
  StartHead('M');
  link->SetComPort(1);
  link->FTrackingMode = 0;
  ASSERT_TRUE(link->Connect());
  Settle();

  // A wrong sum: the read counts as data, the frame is dropped and logged.
  sim::HeadFaults faults;
  faults.badSums = 1;
  head->SetFaults(faults);
  link->SendCommand(QorCmdRequestStatus, true);
  EXPECT_TRUE(link->ReceiveFrame());
  EXPECT_TRUE(link->FBadFrame);
  EXPECT_EQ(link->FRxFrame, (std::array<std::uint8_t, 8>{}));
  EXPECT_TRUE(Logged("WrongCheckSum: <$-24><W-57><S-53>"));
  EXPECT_TRUE(QorLastFrameDump.startsWith("<$-24><W-57>"));

  // Frames that come in two pieces are put together.
  faults = {};
  faults.splitFrames = true;
  head->SetFaults(faults);
  head->SetCounters(1234, -5678);
  link->RequestCounters(false);
  EXPECT_TRUE(QorCountersComplete);
  EXPECT_EQ(link->FHorCounter, 1234);
  EXPECT_EQ(link->FVerCounter, -5678);

  // Silence: no data, and the counters request gives up after five attempts.
  faults = {};
  faults.silence = true;
  head->SetFaults(faults);
  head->ClearCommands();
  EXPECT_FALSE(link->ReceiveFrame());
  EXPECT_TRUE(link->FNoData);
  link->RequestCounters(false);
  EXPECT_FALSE(QorCountersComplete);
  EXPECT_EQ(Count(*head, "$RCntrs"), 5);
}

TEST_F(HeadLink, AStrayByteIsABadFrameOfOneByte) {
  StartHead('M');
  link->SetComPort(1);
  ASSERT_TRUE(link->Connect());
  Settle();
  head->Inject({'x', '$', 'E', 0, 0, 0, 0, 0, 0x69, 0x0D});
  EXPECT_TRUE(link->ReceiveFrame());
  EXPECT_TRUE(link->FBadFrame);
  EXPECT_TRUE(link->ReceiveFrame());
  EXPECT_FALSE(link->FBadFrame);
  EXPECT_EQ(link->FRxFrame[1], 'E');
}

TEST_F(HeadLink, TheNetworkHeadIsPreferredAndItsDatagramsAreReadSafely) {
  StartHead('M', /*udp=*/true);
  link->SetComPort(1);
  ASSERT_TRUE(link->Connect());
  EXPECT_TRUE(link->FUseUdp);
  EXPECT_EQ(link->FComPort, 0); // a stored serial port gives way
  // The handshake ran over the network as it does on a serial port.
  EXPECT_TRUE(link->FRegistersRead);
  EXPECT_EQ(link->FRatioHorClicks, head->Registers().ratioHorClicks);
  EXPECT_EQ(link->FRatioVerRevs, head->Registers().ratioVerRevs);
  EXPECT_EQ(link->FQorSerial, head->Registers().serial);
  link->FTrackingMode = 0;
  head->SetCounters(-77, 88);
  link->RequestCounters(false);
  EXPECT_TRUE(QorCountersComplete);
  EXPECT_EQ(link->FHorCounter, -77);

  // Two frames in one datagram: both are read, the second without waiting for another datagram.
  sim::HeadFaults faults;
  faults.pairDatagrams = true;
  head->SetFaults(faults);
  head->SetCounters(5, 6);
  head->ClearCommands();
  link->RequestCounters(false);
  EXPECT_TRUE(QorCountersComplete);
  EXPECT_EQ(link->FVerCounter, 6);
  EXPECT_EQ(Count(*head, "$RCntrs"), 1);

  // A short datagram is copied only as far as it goes: a bad frame, then the link goes on.
  faults = {};
  faults.shortDatagrams = 1;
  head->SetFaults(faults);
  link->SendCommand(QorCmdRequestStatus, true);
  EXPECT_TRUE(link->ReceiveFrame());
  EXPECT_TRUE(link->FBadFrame);
  EXPECT_EQ(link->FRxFrame, (std::array<std::uint8_t, 8>{}));
  link->SendCommand(QorCmdRequestStatus, true);
  EXPECT_TRUE(link->ReceiveFrame());
  EXPECT_FALSE(link->FBadFrame);
  EXPECT_EQ(link->FRxFrame[1], 'W');

  // A frame split over two datagrams is two bad pieces, and nothing more.
  faults = {};
  faults.splitFrames = true;
  head->SetFaults(faults);
  link->SendCommand(QorCmdRequestStatus, true);
  EXPECT_TRUE(link->ReceiveFrame());
  EXPECT_TRUE(link->FBadFrame);
  EXPECT_EQ(link->FRxFrame, (std::array<std::uint8_t, 8>{}));
  link->ReceiveFrame(); // the rest, whatever it starts with
  EXPECT_EQ(link->FRxFrame, (std::array<std::uint8_t, 8>{}));
  head->SetFaults({});
  head->SetCounters(9, 9);
  link->RequestCounters(false);
  EXPECT_TRUE(QorCountersComplete);
}

TEST_F(HeadLink, AHostThatAnswersButIsNoHeadIsNotTakenForOne) {
  StartHead('M', /*udp=*/true);
  sim::HeadFaults faults;
  faults.notAHead = true;
  head->SetFaults(faults);
  ScopedEnv noSerial("CALIDARIX_SERIAL_PORTS", std::nullopt);
  EXPECT_FALSE(link->Connect());
  EXPECT_FALSE(link->FUseUdp);
  EXPECT_FALSE(link->FUdpOpen);
  EXPECT_TRUE(Received(*head, "$WRUman"));
}

TEST_F(HeadLink, AddressesOutsideTheLoopbackAreRefused) {
  StartHead('M');
  ScopedEnv far("CALIDARIX_HEAD_ADDRESS", "192.168.0.254");
  QStringList refused;
  const NetworkLogSink previous =
      SetNetworkLogSink([&](const std::string &line) { refused << QString::fromStdString(line); });
  link->SetComPort(1);
  EXPECT_TRUE(link->Connect()); // on to the serial port
  SetNetworkLogSink(previous);
  EXPECT_FALSE(link->FUseUdp);
  ASSERT_EQ(refused.size(), 1);
  EXPECT_TRUE(refused[0].contains("192.168.0.254:8080"));
}

TEST_F(HeadLink, TheSendBusyFlagIsHonouredAndAlwaysReleased) {
  StartHead('M');
  link->SetComPort(1);
  ASSERT_TRUE(link->Connect());
  head->ClearCommands();

  // A second sender waits for the first, then sends.
  link->FSendBusy = true;
  link->FProcessMessages = [this] { link->FSendBusy = false; };
  link->SendCommand(QorCmdStop, true);
  EXPECT_TRUE(head->WaitForCommand("$Stoppp", 1000));
  EXPECT_FALSE(link->FSendBusy);

  // A sender that never finishes: the command is dropped at the deadline, not waited for forever.
  link->FSendBusy = true;
  link->FSendBusyWaitMs = 100;
  link->FProcessMessages = [] {};
  link->SendCommand(QorCmdReset, true);
  EXPECT_TRUE(Logged("dropped"));
  link->FSendBusy = false;

  // A write that fails closes the link and leaves the flag clear.
  link->FComm->ClosePort();
  link->SendCommand(QorCmdStop, true);
  EXPECT_FALSE(link->FConnected);
  EXPECT_FALSE(link->FSendBusy);
  // A command that needs the link is dropped at once while it is down.
  link->FSendBusy = true;
  link->FSendBusyWaitMs = 60000;
  const auto start = Clock::now();
  link->SendCommand(QorCmdStop, true);
  EXPECT_LT(Clock::now() - start, milliseconds(500));
}

TEST_F(HeadLink, ConnectingCannotStartInsideItself) {
  StartHead('M');
  SilentPty silent;
  const std::string headPort = std::string(::getenv("CALIDARIX_SERIAL_PORTS")).substr(2);
  ScopedEnv table("CALIDARIX_SERIAL_PORTS", "1=" + silent.path + ";2=" + headPort);
  int nested = 0;
  link->FProcessMessages = [&] {
    ++nested;
    EXPECT_FALSE(link->Connect()); // returns the state as it is, and starts nothing
  };
  EXPECT_TRUE(link->Connect());
  EXPECT_GE(nested, 1);
  EXPECT_EQ(Count(*head, "$WRUman"), 1);
}

TEST_F(HeadLink, FiftyFiveEmptyPollsTakeTheLinkDownAndAFailedReconnectLosesThePort) {
  StartHead('M');
  link->SetComPort(1);
  ASSERT_TRUE(link->Connect());
  loggingOn = true;
  sim::HeadFaults faults;
  faults.silence = true;
  head->SetFaults(faults);
  Settle();
  link->FNoReplyCount = 53;
  EXPECT_FALSE(link->CheckDone());
  EXPECT_TRUE(link->FConnected);
  EXPECT_FALSE(link->CheckDone());
  EXPECT_FALSE(link->FConnected);
  EXPECT_TRUE(Logged("Qor.Err.002 No Response"));
  // The next poll reconnects; the head still says nothing, so the port counts as lost.
  EXPECT_FALSE(link->CheckDone());
  EXPECT_TRUE(Logged("not Reinitialized"));
  EXPECT_TRUE(link->FPortLost);
  int fired = 0;
  link->FOnPortLost = [&](tQor &) { ++fired; };
  EXPECT_FALSE(link->CheckDone());
  EXPECT_EQ(fired, 1);
  EXPECT_TRUE(Logged("port lost"));
  // A connect that works again clears it.
  head->SetFaults({});
  EXPECT_TRUE(link->Connect());
  EXPECT_FALSE(link->FPortLost);
}

TEST_F(HeadLink, IdentifyAsksTwiceBeforeGivingUp) {
  StartHead('M');
  link->SetComPort(1);
  ASSERT_TRUE(link->Connect());
  EXPECT_TRUE(link->Identify());
  sim::HeadFaults faults;
  faults.silence = true;
  head->SetFaults(faults);
  head->ClearCommands();
  EXPECT_FALSE(link->Identify());
  EXPECT_EQ(Count(*head, "$WRUman"), 2);
}

TEST_F(HeadLink, RegistersAreWrittenBackOnlyAfterTheyWereRead) {
  StartHead('M', /*udp=*/true);
  // A handshake that got one record garbled still connects, but has not read every register.
  sim::HeadFaults faults;
  faults.badRecord = 'D';
  head->SetFaults(faults);
  ASSERT_TRUE(link->Connect());
  ASSERT_TRUE(link->FUseUdp);
  EXPECT_FALSE(link->FRegistersRead);
  link->FFrameTilt = 123;
  EXPECT_FALSE(link->WriteQorValues());
  EXPECT_FALSE(Received(*head, "$@"));
  EXPECT_TRUE(Logged("not read"));

  head->SetFaults({});
  ASSERT_TRUE(link->ReadQorValues());
  link->FFrameTilt = 123;
  link->FRatioHorClicks = 0x123456;
  link->FQorVersion = "3";
  link->FQorSerial = 999;
  ASSERT_TRUE(link->WriteQorValues());
  ASSERT_TRUE(head->WaitForCommand("$XRStrt", 1000));
  const sim::HeadRegisters r = head->Registers();
  EXPECT_EQ(r.frameTilt, 123);
  EXPECT_EQ(r.ratioHorClicks, 0x123456u);
  EXPECT_EQ(r.ratioVerClicks, link->FRatioVerClicks);
  EXPECT_EQ(r.version[0], '3');
  EXPECT_EQ(r.version[1], 0);
  EXPECT_EQ(r.serial, 999);
  EXPECT_EQ(r.programmedDate, QorDayNumber(QDate::currentDate()));

  // Values out of the registers' ranges are never sent.
  head->ClearCommands();
  link->FRatioVerRevs = 0;
  EXPECT_FALSE(link->WriteQorValues());
  EXPECT_FALSE(Received(*head, "$@"));
}

TEST_F(HeadLink, RepliesChangeTheLinkAsTheyShould) {
  StartHead('M');
  link->SetComPort(1);
  ASSERT_TRUE(link->Connect());
  const auto reply = [this](std::array<std::uint8_t, 8> frame) {
    link->FRxFrame = frame;
    link->ProcessReply();
  };
  // Status 3: autotrack and searching, which is no end of a motion.
  link->FNoReplyCount = 9;
  link->FDone = false;
  reply({'$', 'W', 'S', 99, 3, 0x44, 0, 0});
  EXPECT_EQ(link->FTrackingMode, 0);
  EXPECT_EQ(link->FNoReplyCount, 0);
  EXPECT_FALSE(link->FDone);
  EXPECT_EQ(link->FStatus2, 0x44);
  EXPECT_EQ(link->FRefVolts, 99);
  // Status 1 ends it and asks for the counters; a second one asks for nothing.
  head->ClearCommands();
  reply({'$', 'W', 'S', 99, 1, 0, 0, 0});
  EXPECT_TRUE(link->FDone);
  ASSERT_TRUE(head->WaitForCommand("$RCntrs", 1000));
  const int requests = Count(*head, "$RCntrs");
  reply({'$', 'W', 'S', 99, 1, 0, 0, 0});
  std::this_thread::sleep_for(milliseconds(50));
  EXPECT_EQ(Count(*head, "$RCntrs"), requests);
  // Status 0: autotrack off.
  reply({'$', 'W', 'S', 99, 0, 0, 0, 0});
  EXPECT_EQ(link->FTrackingMode, 3);
  // Speeds in sign-magnitude form, rates as they come.
  reply({'$', 'S', 0xF0, 0x10, 0, 7, 9, 0});
  EXPECT_EQ(link->FHorSpeed, 0x90);
  EXPECT_EQ(link->FVerSpeed, 16);
  EXPECT_EQ(link->FSpeedBytes, (std::array<std::uint8_t, 2>{7, 9}));
  // A 'V' alone, or one below -300000, completes no counter request.
  QorHorCounterSeen = false;
  QorCountersComplete = false;
  reply({'$', 'V', 0, 0, 0x80, 0x00, 0x80, 0});
  EXPECT_FALSE(QorCountersComplete);
  reply({'$', 'H', 0, 0, 0x80, 0x00, 0x80, 0});
  reply({'$', 'V', 0, 0, 0x00, 0x00, 0x00, 0});
  EXPECT_EQ(link->FVerCounter, -8388736);
  EXPECT_FALSE(QorCountersComplete);
  reply({'$', 'V', 0, 0, 0x80, 0x00, 0x80, 0});
  EXPECT_TRUE(QorCountersComplete);
  // A frame of another kind stays for the caller.
  reply({'$', 'Q', 'o', 'r', 'M', 0, 0, 0});
  EXPECT_EQ(link->FRxFrame[1], 'Q');
}

TEST(HeadRate, OnlyReportsAboutASecondApartCountAndTheDirectionDoesNot) {
  struct Case {
    float rate;
    std::int32_t d;
    std::uint32_t t;
    float expected;
  } cases[] = {
      {8.0f, 4000, 1000, 8.0f * 0.75f + 1.0f}, // (3 x 8 + 4) / 4
      {8.0f, -4000, 1000, 7.0f},               // moving up gives the same rate
      {0.0f, -3000, 1000, 3.0f},               // no rate yet: the sample
      {8.0f, 4000, 949, 8.0f},
      {8.0f, 4000, 1051, 8.0f},
      {8.0f, 4000, 4000000000u, 8.0f}, // the first report after start
  };
  for (const Case &c : cases)
    EXPECT_FLOAT_EQ(NextStripCounterRate(c.rate, c.d, c.t), c.expected) << c.d << " in " << c.t;
  float rate = 8.0f;
  for (int i = 0; i < 50; ++i)
    rate = NextStripCounterRate(rate, -12000, 1000);
  EXPECT_NEAR(rate, 12.0f, 0.01f); // repeated upward sweeps settle at their speed, never below zero
}

} // namespace
} // namespace calidarix
