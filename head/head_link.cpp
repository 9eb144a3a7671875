// The head link's transport: choosing and opening UDP or the serial port, the port search, sending
// framed commands and reading and checking reply frames.

#include "head/head_link.h"

#include "head/head_globals.h"
#include "platform/network_policy.h"

#include <QCoreApplication>
#include <QDebug>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace calidarix {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kSerialBaud = 19200;

// Releases the send-busy flag however a send ends.
class BusyFlag {
public:
  explicit BusyFlag(bool &flag) : flag_(flag) { flag_ = true; }
  ~BusyFlag() { flag_ = false; }
  BusyFlag(const BusyFlag &) = delete;
  BusyFlag &operator=(const BusyFlag &) = delete;

private:
  bool &flag_;
};

class ConnectingFlag {
public:
  explicit ConnectingFlag(bool &flag) : flag_(flag) { flag_ = true; }
  ~ConnectingFlag() { flag_ = false; }
  ConnectingFlag(const ConnectingFlag &) = delete;
  ConnectingFlag &operator=(const ConnectingFlag &) = delete;

private:
  bool &flag_;
};

bool HeadSocketAddress(sockaddr_in &address) {
  const HeadAddress head = HeadNetworkAddress();
  address = sockaddr_in{};
  address.sin_family = AF_INET;
  address.sin_port = htons(head.port);
  return ::inet_pton(AF_INET, head.host.c_str(), &address.sin_addr) == 1;
}

} // namespace

tQor::tQor() {
  FProcessMessages = [] {
    if (QCoreApplication::instance() != nullptr)
      QCoreApplication::processEvents();
  };
}

tQor::~tQor() {
  FConnected = false;
  CloseUdp();
}

void tQor::Pump() {
  if (FProcessMessages)
    FProcessMessages();
}

void tQor::Cancel() {
  if (FWaitDepth > 0)
    FCancelRequested = true;
}

bool tQor::Connect() {
  // A handler that runs inside the waits of a connect must not start another one.
  if (FConnecting)
    return FConnected;
  ConnectingFlag connecting(FConnecting);
  HeadWaitScope scope(*this);

  bool result = FConnected;
  if (!FUdpOpen) {
    // A network head that identifies itself gets the same handshake as one on a serial port: its
    // registers (the turn ratios behind every angle shown) are read now.
    bool network = false;
    if (ProbeUdpHead()) {
      FUseUdp = true;
      network = ReadQorValues();
    }
    if (network) {
      // A network head is preferred: a serial port still open is let go.
      if (FComm)
        FComm->ClosePort();
      SendCommand(QorCmdRequestValues, false);
      FComPort = 0;
      result = true;
      qDebug("IP Client initialized");
    } else {
      qDebug("IP Client failed to initialize");
      FUseUdp = false;
      CloseUdp();
    }
  }
  FConnected = result;
  if (FConnected) {
    if (FUseUdp)
      FPortLost = false;
    return true;
  }
  return SerialConnect();
}

bool tQor::ProbeUdpHead() {
  if (!OpenUdp())
    return false;
  FUdpRxBuffer.clear();
  FUdpRxIndex = 0;
  const std::vector<std::uint8_t> frame = FrameQorCommand(QorCmdIdentify, FFrameLength);
  if (!SendDatagram(frame.data(), frame.size()))
    return false;
  std::uint8_t reply[9] = {};
  const int got = ReadDatagram(reply, FFrameLength, FProbeMs);
  FUdpRxBuffer.clear();
  FUdpRxIndex = 0;
  // Only a frame that says "$Qor" is a head; any other answer is some other host.
  if (got < 5 || std::memcmp(reply, "$Qor", 4) != 0)
    return false;
  FFrameLength = reply[4] == 'A' ? 8 : 9;
  FQorType = static_cast<char>(reply[4]);
  return true;
}

bool tQor::SerialConnect() {
  if (FComPort == 0)
    FScanPorts = true;
  if (!FComm) {
    FComm = std::make_unique<TComPort>();
    FComm->FLog = [](const QString &line) { HeadLog(line); };
  }
  FUseUdp = false;
  bool found = false;
  if (FScanPorts) {
    std::uint8_t answered = 0;
    // Only configured devices are probed; numbers without a device are not ports.
    for (const auto &[number, device] : ComPortDevices()) {
      if (FCancelRequested)
        break;
      if (FComm->PortExists(number) && FComm->OpenPort(number, kSerialBaud) && ReadQorValues()) {
        answered = static_cast<std::uint8_t>(number);
        break;
      }
      Pump();
    }
    // A search that found nothing leaves no port stored, so the next connect searches again.
    FComPort = answered;
    FScanPorts = false;
    found = answered != 0;
  } else if (FComm->PortExists(FComPort) && FComm->OpenPort(FComPort, kSerialBaud) && ReadQorValues()) {
    SendCommand(QorCmdRequestValues, false);
    FScanPorts = false;
    found = true;
  }
  if (!found)
    FComm->ClosePort();
  FConnected = found;
  if (FConnected)
    FPortLost = false;
  return FConnected;
}

void tQor::Close() {
  if (FUseUdp) {
    CloseUdp();
  } else if (FComm) {
    FComm->PurgeRx();
    FComm->ClosePort();
  }
  FConnected = false;
}

void tQor::Reinit() {
  Close();
  FConnected = Connect();
}

void tQor::PurgeInput() {
  if (FConnected)
    DropWaitingReplies();
}

void tQor::DropWaitingReplies() {
  if (!FUseUdp) {
    if (FComm)
      FComm->PurgeRx();
    return;
  }
  // Datagrams that wait are answers to earlier requests; a new request must not read them.
  FUdpRxBuffer.clear();
  FUdpRxIndex = 0;
  if (FUdpOpen)
    DropQueuedDatagrams();
}

void tQor::DropQueuedDatagrams() {
  std::uint8_t scratch[512];
  while (::recv(FSocket, scratch, sizeof scratch, MSG_DONTWAIT) >= 0) {
  }
}

void tQor::SendCommand(const QorCommand &command, bool requireConnected) {
  if (requireConnected && !FConnected)
    return;
  if (FSendBusy) {
    HeadWaitScope scope(*this);
    const Clock::time_point deadline = Clock::now() + milliseconds(FSendBusyWaitMs);
    while (FSendBusy && !FCancelRequested && Clock::now() < deadline)
      Pump();
    if (FSendBusy) {
      HeadLog(QStringLiteral("Qor: a command was dropped: the link stayed busy"));
      return;
    }
  }
  BusyFlag busy(FSendBusy);
  if (requireConnected && !FConnected)
    return;
  const std::vector<std::uint8_t> frame = FrameQorCommand(command, FFrameLength);
  if (frame.empty())
    return;
  if (FUseUdp) {
    if (!UdpSend(frame.data(), static_cast<int>(frame.size())))
      Close();
  } else if (!FComm || FComm->WritePort(frame.data(), static_cast<int>(frame.size())) == 0) {
    Close();
  }
}

bool tQor::ReceiveFrame() {
  FRxFrame.fill(0);
  std::uint8_t work[9] = {};
  FBadFrame = true;
  int got = 0;
  if (FUseUdp)
    got = UdpReceive(work, FFrameLength, FUdpReadMs);
  else if (FComm)
    got = FComm->ReadPort(work, 1);
  const bool noData = got == 0 || work[0] == 0;
  if (!noData) {
    if (work[0] == kQorFrameStart) {
      if (!FUseUdp)
        got += FComm->ReadPort(work + 1, 7);
      // A frame cut short (a short datagram, a pause on the line) is a bad frame, never read past.
      FBadFrame = got < 8 || !QorReplyGood(work, FFrameLength);
      if (FFrameLength == 9 && !FUseUdp && got >= 8)
        FComm->ReadPort(work + 8, 1);
    }
    if (FBadFrame)
      LogBadFrame(work);
    else
      std::copy(work, work + 8, FRxFrame.begin());
  }
  FNoData = noData;
  if (FRxFrame[1] == '!')
    ProcessReply();
  return !noData;
}

void tQor::LogBadFrame(const std::uint8_t *work) {
  QorLastFrameDump = FormatFrameDump(work, FFrameLength);
  HeadLog(QStringLiteral("WrongCheckSum: ") + QorLastFrameDump);
}

void tQor::DropBytes(int n) {
  std::uint8_t scratch[16] = {};
  if (FUseUdp)
    UdpReceive(scratch, n, FUdpReadMs);
  else if (FComm)
    FComm->ReadPort(scratch, n);
}

QString tQor::RxFrameText() const {
  QString text;
  for (std::uint8_t b : FRxFrame)
    text += QChar(static_cast<char16_t>(b));
  return text;
}

bool tQor::OpenUdp() {
  if (FUdpOpen)
    return true;
  FUdpOpen = OpenSocket();
  return FUdpOpen;
}

bool tQor::OpenSocket() {
  sockaddr_in address{};
  if (!HeadSocketAddress(address)) {
    HeadLog(QStringLiteral("Qor: the head's network address is not an IPv4 address"));
    return false;
  }
  if (!NetworkAllowed(reinterpret_cast<const sockaddr *>(&address), sizeof address, "head UDP link"))
    return false;
  FSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (FSocket < 0)
    return false;
  if (::connect(FSocket, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
    ::close(FSocket);
    FSocket = -1;
    return false;
  }
  return true;
}

bool tQor::CloseSocket() {
  const bool closed = ::close(FSocket) == 0;
  FSocket = -1;
  return closed;
}

bool tQor::CloseUdp() {
  if (!FUdpOpen)
    return false;
  const bool closed = CloseSocket();
  if (!closed)
    HeadLog(QStringLiteral("closesocket() failed)"));
  FUdpOpen = false;
  FUdpRxBuffer.clear();
  FUdpRxIndex = 0;
  return closed;
}

bool tQor::UdpSend(const std::uint8_t *data, int count) {
  const bool sent = FUdpOpen && count >= 0 && SendDatagram(data, static_cast<std::size_t>(count));
  if (!sent) {
    CloseUdp();
    OpenUdp();
  }
  return sent;
}

bool tQor::SendDatagram(const std::uint8_t *data, std::size_t count) {
  return ::send(FSocket, data, count, MSG_NOSIGNAL) == static_cast<ssize_t>(count);
}

int tQor::UdpReceive(std::uint8_t *dest, int count, int timeoutMs) {
  const int got = ReadDatagram(dest, count, timeoutMs);
  if (got >= 0)
    return got;
  // The socket failed. A new one has a new local port, and the head answers the port a command came
  // from: it is asked who it is from the new one, so that it answers there from now on.
  CloseUdp();
  if (OpenUdp() && !ProbeUdpHead())
    HeadLog(QStringLiteral("Qor: the network head did not answer on the reopened socket"));
  return 0;
}

int tQor::ReadDatagram(std::uint8_t *dest, int count, int timeoutMs) {
  if (count <= 0)
    return 0;
  // Bytes left in the last datagram (a datagram that held two frames) come first, and end the call.
  if (FUdpRxIndex < FUdpRxBuffer.size()) {
    const std::size_t n = std::min(FUdpRxBuffer.size() - FUdpRxIndex, static_cast<std::size_t>(count));
    std::memcpy(dest, FUdpRxBuffer.data() + FUdpRxIndex, n);
    FUdpRxIndex += n;
    // What is left of a datagram after a short piece is no frame: it is dropped with it.
    if (n < static_cast<std::size_t>(count) || FUdpRxIndex >= FUdpRxBuffer.size()) {
      FUdpRxBuffer.clear();
      FUdpRxIndex = 0;
    }
    return static_cast<int>(n);
  }
  FUdpRxBuffer.clear();
  FUdpRxIndex = 0;
  if (!FUdpOpen)
    return 0;
  const int taken = TakeDatagram(FUdpRxBuffer, timeoutMs);
  if (taken <= 0) {
    FUdpRxBuffer.clear();
    return taken;
  }
  if (HeadLoggingOn())
    HeadLog(QStringLiteral("[THead] UDPBuffer ToRead:") + QString::number(FUdpRxBuffer.size()));
  const std::size_t n = std::min(FUdpRxBuffer.size(), static_cast<std::size_t>(count));
  // An empty datagram has no bytes, and memcpy may not be given its null data even for none.
  std::copy_n(FUdpRxBuffer.data(), n, dest);
  FUdpRxIndex = n;
  if (n < static_cast<std::size_t>(count) || FUdpRxIndex >= FUdpRxBuffer.size()) {
    FUdpRxBuffer.clear();
    FUdpRxIndex = 0;
  }
  return static_cast<int>(n);
}

int tQor::TakeDatagram(std::vector<std::uint8_t> &datagram, int timeoutMs) {
  HeadWaitScope scope(*this);
  const Clock::time_point deadline = Clock::now() + milliseconds(timeoutMs);
  bool ready = false;
  bool failed = false;
  for (;;) {
    pollfd p{FSocket, POLLIN, 0};
    // Short slices, so that the message queue keeps running while the head is silent.
    const int slice = static_cast<int>(std::clamp<long long>(
        std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count(), 0, 10));
    const int n = ::poll(&p, 1, slice);
    if (n < 0 && errno != EINTR) {
      failed = true;
      break;
    }
    if (n > 0) {
      ready = (p.revents & POLLIN) != 0;
      failed = !ready;
      break;
    }
    Pump();
    if (FCancelRequested || Clock::now() >= deadline || !FUdpOpen)
      break;
  }
  // A time-out keeps the socket: the head's answer to a command sent from it may still come.
  if (!ready && !failed)
    return 0;
  const ssize_t size = failed ? -1 : ::recv(FSocket, nullptr, 0, MSG_PEEK | MSG_TRUNC);
  if (size < 0)
    return -1;
  datagram.resize(static_cast<std::size_t>(size));
  const ssize_t received = ::recv(FSocket, datagram.data(), datagram.size(), 0);
  if (received < 0)
    return -1;
  datagram.resize(static_cast<std::size_t>(received));
  return 1;
}

} // namespace calidarix
