#include "tests/sim/head_simulator.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace calidarix::sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kCR = 0x0D;
constexpr std::int32_t kCounterOffset = 0x800080;
constexpr double kClicksPerMsPerSpeed = 4.0; // manual drive: speed 127 is about 500 clicks a millisecond

std::uint8_t Sum7(const std::uint8_t *b) {
  unsigned s = 0;
  for (int i = 0; i < 7; ++i)
    s += b[i];
  return static_cast<std::uint8_t>(s);
}

void PutCounter(std::array<std::uint8_t, 7> &b, std::int32_t counter) {
  const auto wire = static_cast<std::uint32_t>(counter + kCounterOffset);
  b[4] = static_cast<std::uint8_t>(wire);
  b[5] = static_cast<std::uint8_t>(wire >> 8);
  b[6] = static_cast<std::uint8_t>(wire >> 16);
}

void Put16(std::array<std::uint8_t, 7> &b, int at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::int32_t TargetToCounter(std::uint8_t lo, std::uint8_t hi) {
  const int units = static_cast<int>(lo | (hi << 8)) - 0x8000;
  return units * 256;
}

int FromSignMagnitude(std::uint8_t b) {
  const int magnitude = b & 0x7F;
  return (b & 0x80) != 0 ? -magnitude : magnitude;
}

std::int32_t Rounded(double v) {
  return static_cast<std::int32_t>(std::lround(v));
}

} // namespace

HeadSimulator::HeadSimulator(char type) : type_(type) {
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0)
    wake_[0] = wake_[1] = -1;
}

HeadSimulator::~HeadSimulator() {
  Stop();
  for (int fd : {master_, slave_, udp_, wake_[0], wake_[1]})
    if (fd >= 0)
      ::close(fd);
}

std::string HeadSimulator::OpenPty() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
    return {};
  const char *name = ::ptsname(master_);
  if (name == nullptr)
    return {};
  const std::string path = name;
  slave_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0)
    return {};
  // Raw from the start: an echoing line discipline would hand the replies back as commands.
  termios raw{};
  ::tcgetattr(slave_, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(slave_, TCSANOW, &raw);
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  return path;
}

std::optional<std::uint16_t> HeadSimulator::OpenUdp(const std::string &host, std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1 ||
      (ntohl(address.sin_addr.s_addr) >> 24) != 127)
    return std::nullopt;
  udp_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (udp_ < 0 || ::bind(udp_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
    return std::nullopt;
  socklen_t length = sizeof address;
  ::getsockname(udp_, reinterpret_cast<sockaddr *>(&address), &length);
  return ntohs(address.sin_port);
}

void HeadSimulator::Start() {
  if (running_.exchange(true))
    return;
  thread_ = std::thread([this] { Run(); });
}

void HeadSimulator::Stop() {
  if (!running_.exchange(false))
    return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(wake_[1], &byte, 1);
  thread_.join();
}

void HeadSimulator::SetFaults(const HeadFaults &faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
}

void HeadSimulator::SetMoveMs(int ms) {
  std::lock_guard lock(mutex_);
  moveMs_ = ms;
}

void HeadSimulator::SetCounters(std::int32_t hor, std::int32_t ver) {
  std::lock_guard lock(mutex_);
  hor_ = hor;
  ver_ = ver;
}

std::int32_t HeadSimulator::HorCounter() const {
  std::lock_guard lock(mutex_);
  return Rounded(hor_);
}

std::int32_t HeadSimulator::VerCounter() const {
  std::lock_guard lock(mutex_);
  return Rounded(ver_);
}

bool HeadSimulator::Autotrack() const {
  std::lock_guard lock(mutex_);
  return autotrack_;
}

bool HeadSimulator::Moving() const {
  std::lock_guard lock(mutex_);
  return tracking_ || panSpeed_ != 0 || tiltSpeed_ != 0;
}

std::optional<Clock::time_point> HeadSimulator::LastDoneAt() const {
  std::lock_guard lock(mutex_);
  return lastDoneAt_;
}

HeadRegisters HeadSimulator::Registers() const {
  std::lock_guard lock(mutex_);
  return registers_;
}

void HeadSimulator::SetRegisters(const HeadRegisters &registers) {
  std::lock_guard lock(mutex_);
  registers_ = registers;
}

std::vector<std::string> HeadSimulator::Commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

void HeadSimulator::ClearCommands() {
  std::lock_guard lock(mutex_);
  commands_.clear();
}

bool HeadSimulator::WaitForCommand(const std::string &prefix, int timeoutMs) const {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    for (const std::string &command : Commands())
      if (command.compare(0, prefix.size(), prefix) == 0)
        return true;
    if (Clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void HeadSimulator::Inject(const std::vector<std::uint8_t> &bytes, bool udp) {
  if (udp)
    SendDatagram(bytes);
  else
    WriteAll(bytes.data(), bytes.size());
}

void HeadSimulator::Run() {
  auto last = Clock::now();
  while (running_) {
    pollfd fds[3] = {{wake_[0], POLLIN, 0}, {master_, POLLIN, 0}, {udp_, POLLIN, 0}};
    ::poll(fds, 3, 5);
    const auto now = Clock::now();
    Advance(std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
    if (master_ >= 0 && (fds[1].revents & POLLIN) != 0)
      ReadPty();
    if (udp_ >= 0 && (fds[2].revents & POLLIN) != 0)
      ReadUdp();
  }
}

void HeadSimulator::Advance(double elapsedMs) {
  std::vector<std::vector<std::uint8_t>> replies;
  bool udp = false;
  {
    std::lock_guard lock(mutex_);
    udp = lastCommandUdp_;
    hor_ += panSpeed_ * kClicksPerMsPerSpeed * elapsedMs;
    ver_ += tiltSpeed_ * kClicksPerMsPerSpeed * elapsedMs;
    if (!tracking_)
      return;
    moveElapsed_ += elapsedMs;
    const double f = moveMs_ <= 0 ? 1.0 : std::min(1.0, moveElapsed_ / moveMs_);
    hor_ = fromHor_ + (toHor_ - fromHor_) * f;
    ver_ = fromVer_ + (toVer_ - fromVer_) * f;
    if (reporting_) {
      sinceReport_ += elapsedMs;
      if (sinceReport_ >= 1000.0) {
        sinceReport_ -= 1000.0;
        std::array<std::uint8_t, 7> b{'$', '!', 'r', 'p', 0, 0, 0};
        PutCounter(b, Rounded(ver_));
        replies.push_back(Reply(b));
      }
    }
    if (f >= 1.0) {
      tracking_ = false;
      reporting_ = false;
      lastDoneAt_ = Clock::now();
      // The end of a move is reported without being asked: the done frame of the older heads, the
      // status of the others.
      if (type_ == 'A')
        replies.push_back({'$', 'd', 'o', 'n', 'e', 'O', 'k', kCR});
      else
        replies.push_back(Status());
    }
  }
  if (!replies.empty())
    Emit(std::move(replies), udp);
}

void HeadSimulator::ReadPty() {
  std::uint8_t chunk[256];
  for (;;) {
    const ssize_t n = ::read(master_, chunk, sizeof chunk);
    if (n <= 0)
      break;
    ptyBuffer_.insert(ptyBuffer_.end(), chunk, chunk + n);
  }
  Parse(ptyBuffer_, false);
}

void HeadSimulator::ReadUdp() {
  for (;;) {
    std::uint8_t datagram[512];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t n =
        ::recvfrom(udp_, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr *>(&from), &length);
    if (n < 0)
      break;
    {
      std::lock_guard lock(mutex_);
      peer_ = from;
      havePeer_ = true;
    }
    // Each datagram stands alone: a frame never continues into the next one.
    std::vector<std::uint8_t> buffer(datagram, datagram + n);
    Parse(buffer, true);
  }
}

void HeadSimulator::Parse(std::vector<std::uint8_t> &buffer, bool udp) {
  std::size_t at = 0;
  while (at < buffer.size()) {
    if (buffer[at] != '$') {
      ++at; // stray bytes: the CR after a 9-byte frame, noise
      continue;
    }
    if (buffer.size() - at < 8)
      break; // wait for the rest
    const std::uint8_t *f = buffer.data() + at;
    const std::uint8_t sum = Sum7(f);
    // 9-byte heads want the sum; a zero there is an 8-byte frame, which heads of every type take.
    const bool good = f[7] == sum || f[7] == 0 || (type_ == 'A' && f[7] == kCR);
    if (!good) {
      ++at;
      continue;
    }
    const std::string command(reinterpret_cast<const char *>(f), 7);
    at += 8;
    std::vector<std::vector<std::uint8_t>> replies = Handle(command);
    {
      std::lock_guard lock(mutex_);
      lastCommandUdp_ = udp;
    }
    Emit(std::move(replies), udp);
  }
  buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(std::min(at, buffer.size())));
}

std::vector<std::uint8_t> HeadSimulator::Reply(std::array<std::uint8_t, 7> b) {
  std::vector<std::uint8_t> frame(b.begin(), b.end());
  if (type_ == 'A') {
    frame.push_back(kCR);
  } else {
    frame.push_back(Sum7(b.data()));
    frame.push_back(kCR);
  }
  return frame;
}

std::vector<std::uint8_t> HeadSimulator::Status() {
  const bool moving = tracking_ || panSpeed_ != 0 || tiltSpeed_ != 0;
  const std::uint8_t status1 = static_cast<std::uint8_t>((autotrack_ ? 1 : 0) | (moving ? 2 : 0));
  return Reply({'$', 'W', 'S', 120, status1, 0, 0});
}

std::vector<std::vector<std::uint8_t>> HeadSimulator::Handle(const std::string &command) {
  std::lock_guard lock(mutex_);
  commands_.push_back(command);
  const auto *c = reinterpret_cast<const std::uint8_t *>(command.data());
  const std::string name = command.substr(0, 5);
  const HeadRegisters &r = registers_;
  std::vector<std::vector<std::uint8_t>> replies;

  if (command == "$WRUman") {
    if (faults_.notAHead)
      replies.push_back(Reply({'$', 'O', 'K', ' ', 'h', 'i', '!'}));
    else
      replies.push_back(Reply({'$', 'Q', 'o', 'r', static_cast<std::uint8_t>(type_), '1', '0'}));
  } else if (command == "$RVFull") {
    std::array<std::uint8_t, 7> b{'$', 'W', 'A', 0, 0, 0, 0};
    PutCounter(b, Rounded(hor_));
    replies.push_back(Reply(b));
    b = {'$', 'W', 'B', 0, 0, 0, 0};
    PutCounter(b, Rounded(ver_));
    replies.push_back(Reply(b));
    b = {'$', 'W', 'C', 0, 0, 0, 0};
    Put16(b, 3, r.frameTilt);
    Put16(b, 5, r.nonorthogonality);
    replies.push_back(Reply(b));
    b = {'$', 'W', 'D', 0, 0, 0, 0};
    Put16(b, 3, r.stripHeel);
    replies.push_back(Reply(b));
    b = {'$', 'W', 'E', 0, 0, 0, 0};
    Put16(b, 3, r.verticalMax);
    Put16(b, 5, r.verticalMin);
    replies.push_back(Reply(b));
    for (auto [letter, revs, clicks] : {std::tuple{'F', r.ratioHorRevs, r.ratioHorClicks},
                                        std::tuple{'G', r.ratioVerRevs, r.ratioVerClicks}}) {
      b = {'$',
           'W',
           static_cast<std::uint8_t>(letter),
           revs,
           static_cast<std::uint8_t>(clicks),
           static_cast<std::uint8_t>(clicks >> 8),
           static_cast<std::uint8_t>(clicks >> 16)};
      replies.push_back(Reply(b));
    }
    replies.push_back(
        Reply({'$', 'W', 'H', static_cast<std::uint8_t>(type_), r.voltageLimit, r.voltageLastPowerOff, 0}));
    b = {'$', 'W', 'I', static_cast<std::uint8_t>(r.version[0]), static_cast<std::uint8_t>(r.version[1]),
         0,   0};
    Put16(b, 5, r.serial);
    replies.push_back(Reply(b));
    b = {'$', 'W', 'J', 0, 0, 0, 0};
    Put16(b, 3, r.restarts);
    Put16(b, 5, r.restarts >> 16);
    replies.push_back(Reply(b));
    replies.push_back(Reply({'$', 'E', 'n', 'd', 0, 0, 0}));
  } else if (c[1] == '?') {
    const std::uint32_t value = c[2] == 0x12 ? r.motoSeconds : c[2] == 0x14 ? r.programmedDate : 0;
    replies.push_back(
        Reply({'$', '?', c[2], static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
               static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}));
  } else if (c[1] == '@') {
    HeadRegisters &w = registers_;
    const std::uint8_t *d = c + 3;
    switch (c[2]) {
    case 0x03:
      w.frameTilt = static_cast<std::uint16_t>(d[0] | d[1] << 8);
      w.nonorthogonality = static_cast<std::uint16_t>(d[2] | d[3] << 8);
      break;
    case 0x05:
      w.stripHeel = static_cast<std::uint16_t>(d[0] | d[1] << 8);
      w.verticalMax = static_cast<std::uint16_t>(d[2] | d[3] << 8);
      break;
    case 0x07:
      w.verticalMin = static_cast<std::uint16_t>(d[0] | d[1] << 8);
      w.ratioHorRevs = d[2];
      w.ratioHorClicks = (w.ratioHorClicks & 0xFFFF00u) | d[3];
      break;
    case 0x09:
      w.ratioHorClicks = (w.ratioHorClicks & 0xFFu) | (static_cast<std::uint32_t>(d[0]) << 8) |
                         (static_cast<std::uint32_t>(d[1]) << 16);
      w.ratioVerRevs = d[2];
      w.ratioVerClicks = (w.ratioVerClicks & 0xFFFF00u) | d[3];
      break;
    case 0x0B:
      w.ratioVerClicks = (w.ratioVerClicks & 0xFFu) | (static_cast<std::uint32_t>(d[0]) << 8) |
                         (static_cast<std::uint32_t>(d[1]) << 16);
      w.voltageLimit = d[3];
      break;
    case 0x0D:
      w.version = {static_cast<char>(d[0]), static_cast<char>(d[1])};
      w.serial = static_cast<std::uint16_t>(d[2] | d[3] << 8);
      break;
    case 0x14:
      w.programmedDate = d[0] | d[1] << 8 | d[2] << 16 | static_cast<std::uint32_t>(d[3]) << 24;
      break;
    default:
      break;
    }
  } else if (command == "$XRStrt") {
    ++registers_.restarts;
  } else if (command == "$XReset" || command == "$Stoppp") {
    tracking_ = false;
    reporting_ = false;
    panSpeed_ = tiltSpeed_ = 0;
    autotrack_ = false;
  } else if (command == "$TASnnn") {
    autotrack_ = true;
  } else if (command == "$TAmoff") {
    autotrack_ = false;
  } else if (name == "$THor" || name == "$TVer" || name == "$TVRH" || name == "$TVRn") {
    if (!tracking_) {
      fromHor_ = toHor_ = hor_;
      fromVer_ = toVer_ = ver_;
    } else {
      fromHor_ = hor_;
      fromVer_ = ver_;
    }
    if (name == "$THor")
      toHor_ = TargetToCounter(c[5], c[6]);
    else
      toVer_ = TargetToCounter(c[5], c[6]);
    if (name == "$TVRH" || name == "$TVRn") {
      reporting_ = true;
      sinceReport_ = 0.0;
    }
    moveElapsed_ = 0.0;
    tracking_ = true;
  } else if (command == "$RCntrs" || command == "$RChvnn") {
    std::array<std::uint8_t, 7> b{'$', 'H', 'c', 'n', 0, 0, 0};
    PutCounter(b, Rounded(hor_));
    replies.push_back(Reply(b));
    b = {'$', 'V', 'c', 'n', 0, 0, 0};
    PutCounter(b, Rounded(ver_));
    replies.push_back(Reply(b));
  } else if (command == "$RSpdss") {
    replies.push_back(Reply({'$', 'S', static_cast<std::uint8_t>(static_cast<std::int8_t>(panSpeed_)),
                             static_cast<std::uint8_t>(static_cast<std::int8_t>(tiltSpeed_)), 0, 10, 12}));
  } else if (command == "$RValus" || command == "$WIStts") {
    replies.push_back(Status());
  } else if (name == "$XSLm") {
    speedLimit_ = c[6];
  } else if (command.compare(0, 3, "$TB") == 0) {
    panSpeed_ = FromSignMagnitude(c[3]);
    tiltSpeed_ = FromSignMagnitude(c[4]);
    tracking_ = false;
  }

  // Faults that change the frames themselves.
  for (std::vector<std::uint8_t> &frame : replies) {
    const bool badRecord = faults_.badRecord != 0 && command == "$RVFull" && frame[1] == 'W' &&
                           frame[2] == static_cast<std::uint8_t>(faults_.badRecord);
    if (faults_.badSums > 0 || badRecord) {
      if (!badRecord)
        --faults_.badSums;
      frame[7] = static_cast<std::uint8_t>(Sum7(frame.data()) + 1);
      if (frame[7] == kCR)
        ++frame[7];
    }
  }
  return replies;
}

void HeadSimulator::Emit(std::vector<std::vector<std::uint8_t>> replies, bool udp) {
  HeadFaults faults;
  {
    std::lock_guard lock(mutex_);
    faults = faults_;
    if (udp)
      for (std::vector<std::uint8_t> &frame : replies)
        if (faults_.shortDatagrams > 0) {
          --faults_.shortDatagrams;
          frame.resize(5);
        }
  }
  if (faults.silence || replies.empty())
    return;
  if (!udp) {
    for (const std::vector<std::uint8_t> &frame : replies) {
      if (faults.splitFrames && frame.size() > 4) {
        WriteAll(frame.data(), 4);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        WriteAll(frame.data() + 4, frame.size() - 4);
      } else {
        WriteAll(frame.data(), frame.size());
      }
    }
    return;
  }
  for (std::size_t i = 0; i < replies.size(); ++i) {
    const std::vector<std::uint8_t> &frame = replies[i];
    if (faults.pairDatagrams && i + 1 < replies.size()) {
      std::vector<std::uint8_t> pair = frame;
      pair.insert(pair.end(), replies[i + 1].begin(), replies[i + 1].end());
      SendDatagram(pair);
      ++i;
    } else if (faults.splitFrames && frame.size() > 4) {
      SendDatagram({frame.begin(), frame.begin() + 4});
      SendDatagram({frame.begin() + 4, frame.end()});
    } else {
      SendDatagram(frame);
    }
  }
}

void HeadSimulator::WriteAll(const std::uint8_t *data, std::size_t size) {
  std::size_t done = 0;
  while (master_ >= 0 && done < size) {
    const ssize_t n = ::write(master_, data + done, size - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd p{master_, POLLOUT, 0};
      ::poll(&p, 1, 50);
    } else {
      break;
    }
  }
}

void HeadSimulator::SendDatagram(const std::vector<std::uint8_t> &bytes) {
  sockaddr_in peer{};
  {
    std::lock_guard lock(mutex_);
    if (!havePeer_)
      return;
    peer = peer_;
  }
  ::sendto(udp_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr *>(&peer), sizeof peer);
}

} // namespace calidarix::sim
