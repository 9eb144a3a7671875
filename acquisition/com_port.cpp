#include "acquisition/com_port.h"

#include "platform/inifile.h"
#include "platform/numbers.h"

#include <QByteArray>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace calidarix {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kIntervalMs = 100; // longest pause between two bytes of one read
constexpr int kConstantMs = 100; // added to every read and write deadline
constexpr int kPerByteMs = 1;    // per byte asked for

std::optional<speed_t> BaudConstant(int baud) {
  switch (baud) {
  case 1200:
    return B1200;
  case 2400:
    return B2400;
  case 4800:
    return B4800;
  case 9600:
    return B9600;
  case 19200:
    return B19200;
  case 38400:
    return B38400;
  case 57600:
    return B57600;
  case 115200:
    return B115200;
  case 230400:
    return B230400;
  default:
    return std::nullopt;
  }
}

int OpenDevice(const std::filesystem::path &device) {
  return ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

// Milliseconds left until `deadline`, never negative.
int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on fd until the deadline; true when they came.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int ready = ::poll(&p, 1, MsLeft(deadline));
    if (ready < 0 && errno == EINTR)
      continue;
    return ready > 0 && (p.revents & events) != 0;
  }
}

} // namespace

std::map<int, std::filesystem::path> ParseComPortTable(const QString &text) {
  std::map<int, std::filesystem::path> table;
  const QStringList entries =
      QString(text).replace(QLatin1Char(','), QLatin1Char(';')).split(QLatin1Char(';'));
  for (const QString &entry : entries) {
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    if (eq <= 0)
      continue;
    QString number = entry.left(eq).trimmed();
    if (number.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
      number = number.mid(3);
    const std::optional<std::int64_t> n = ParseInteger(number.toStdString());
    const QString path = entry.mid(eq + 1).trimmed();
    if (!n || *n < 1 || *n > 255 || path.isEmpty())
      continue;
    table.emplace(static_cast<int>(*n), std::filesystem::path(path.toStdString()));
  }
  return table;
}

std::map<int, std::filesystem::path> ComPortDevices() {
  const QByteArray fromEnvironment = qgetenv("CALIDARIX_SERIAL_PORTS");
  if (!fromEnvironment.trimmed().isEmpty())
    return ParseComPortTable(QString::fromLocal8Bit(fromEnvironment));
  QStringList entries;
  const IniFile ini(ProgramIniPath());
  for (const auto &[key, value] : ini.ReadSectionValues("SERIAL PORTS"))
    entries << QString::fromStdString(key) + QLatin1Char('=') + QString::fromStdString(value);
  return ParseComPortTable(entries.join(QLatin1Char(';')));
}

std::optional<std::filesystem::path> ComPortDevice(int portNumber) {
  const std::map<int, std::filesystem::path> table = ComPortDevices();
  const auto it = table.find(portNumber);
  if (it == table.end())
    return std::nullopt;
  return it->second;
}

TComPort::~TComPort() {
  ClosePort();
}

QString TComPort::PortName(int portNumber) {
  const QString name = QStringLiteral("COM") + QString::number(portNumber);
  return portNumber > 9 ? QStringLiteral("\\\\.\\") + name : name;
}

void TComPort::Log(const QString &text) const {
  if (FLog)
    FLog(text);
}

bool TComPort::OpenPort(int portNumber, int baud) {
  const QString name = PortName(portNumber);
  if (IsOpen())
    ClosePort();

  Log(QStringLiteral("Creating ") + name + QStringLiteral(" file"));
  const std::optional<std::filesystem::path> device = ComPortDevice(portNumber);
  if (device)
    FHandle = OpenDevice(*device);
  if (FHandle < 0) {
    Log(name + QStringLiteral(" file creating failed."));
    Log(device ? name + QStringLiteral(" is ") + QString::fromStdString(device->string()) +
                     QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno))
               : name + QStringLiteral(" has no device in the serial port table"));
    return false;
  }
  // Another program (or another object of this one) holding the port keeps it: a head link and a
  // shutter must never share one line.
  if (::flock(FHandle, LOCK_EX | LOCK_NB) != 0 || ::ioctl(FHandle, TIOCEXCL) != 0) {
    Log(name + QStringLiteral(" file creating failed."));
    Log(name + QStringLiteral(" is in use"));
    ::close(FHandle);
    FHandle = -1;
    return false;
  }
  Log(name + QStringLiteral(" file created"));

  const auto fail = [this] {
    ClosePort();
    return false;
  };
  Log(QStringLiteral("Getting COM state"));
  termios state{};
  if (::tcgetattr(FHandle, &state) != 0)
    return fail();
  Log(QStringLiteral("COM state reveived"));
  Log(QStringLiteral("Binding COM DCB"));
  const std::optional<speed_t> speed = BaudConstant(baud);
  if (!speed)
    return fail();
  ::cfmakeraw(&state);
  state.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  state.c_cflag |= CS8 | CLOCAL | CREAD;
  state.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  // Reads never block in the kernel: the deadlines are kept here with poll.
  state.c_cc[VMIN] = 0;
  state.c_cc[VTIME] = 0;
  if (::cfsetispeed(&state, *speed) != 0 || ::cfsetospeed(&state, *speed) != 0)
    return fail();
  Log(QStringLiteral("COM DCB binded"));
  Log(QStringLiteral("Setting COM state"));
  if (::tcsetattr(FHandle, TCSANOW, &state) != 0)
    return fail();
  Log(QStringLiteral("Setting COM state"));
  Log(QStringLiteral("Getting COM timeouts"));
  Log(QStringLiteral("COM timeouts received"));
  Log(QStringLiteral("Setting COM timeouts"));
  Log(QStringLiteral("COM timeouts set"));
  return true;
}

void TComPort::ClosePort() {
  if (FHandle < 0)
    return;
  ::ioctl(FHandle, TIOCNXCL);
  ::flock(FHandle, LOCK_UN);
  ::close(FHandle);
  FHandle = -1;
}

bool TComPort::PurgeRx() {
  return IsOpen() && ::tcflush(FHandle, TCIFLUSH) == 0;
}

int TComPort::InQueue() {
  int waiting = 0;
  if (!IsOpen() || ::ioctl(FHandle, FIONREAD, &waiting) != 0)
    return 0;
  return waiting;
}

int TComPort::ReadPort(void *buffer, int count) {
  if (!IsOpen() || buffer == nullptr || count <= 0)
    return 0;
  auto *bytes = static_cast<unsigned char *>(buffer);
  const Clock::time_point total = Clock::now() + milliseconds(kPerByteMs * count + kConstantMs);
  int got = 0;
  while (got < count) {
    // Before the first byte only the total deadline counts; after it also the pause between bytes.
    const Clock::time_point deadline =
        got == 0 ? total : std::min(total, Clock::now() + milliseconds(kIntervalMs));
    if (!WaitFor(FHandle, POLLIN, deadline))
      break;
    const ssize_t n = ::read(FHandle, bytes + got, static_cast<std::size_t>(count - got));
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
      continue;
    if (n <= 0)
      break;
    got += static_cast<int>(n);
  }
  return got;
}

int TComPort::WritePort(const void *buffer, int count) {
  if (!IsOpen() || buffer == nullptr || count <= 0)
    return 0;
  const auto *bytes = static_cast<const unsigned char *>(buffer);
  const Clock::time_point deadline = Clock::now() + milliseconds(kPerByteMs * count + kConstantMs);
  int written = 0;
  while (written < count) {
    const ssize_t n = ::write(FHandle, bytes + written, static_cast<std::size_t>(count - written));
    if (n > 0) {
      written += static_cast<int>(n);
      continue;
    }
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && errno == EAGAIN && WaitFor(FHandle, POLLOUT, deadline))
      continue;
    break;
  }
  return written;
}

bool TComPort::PortExists(int portNumber) {
  const QString name = PortName(portNumber);
  const std::optional<std::filesystem::path> device = ComPortDevice(portNumber);
  const int fd = device ? OpenDevice(*device) : -1;
  if (fd < 0) {
    Log(name + QStringLiteral(" file creating failed. Sorry..."));
    return false;
  }
  ::close(fd);
  return true;
}

} // namespace calidarix
