#include "tests/sim/lan_camera_simulator.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace calidarix::sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kDatagram = 1472;
constexpr std::size_t kData = 1470;
// What pads a line's last datagram: a value no picture of the tests holds, so that padding taken for
// pixels shows.
constexpr std::uint8_t kPadding = 0xEE;

bool DualBand(std::int32_t type) {
  return type == 64 || type == 257;
}

void PutWord(std::vector<std::uint8_t> &b, std::size_t i, std::uint16_t v, bool bigEndian) {
  if (2 * i + 1 >= b.size())
    return;
  b[2 * i] = static_cast<std::uint8_t>(bigEndian ? v >> 8 : v & 0xFF);
  b[2 * i + 1] = static_cast<std::uint8_t>(bigEndian ? v & 0xFF : v >> 8);
}

void PutBigEndian(std::vector<std::uint8_t> &b, std::size_t at, std::uint16_t v) {
  if (at + 1 >= b.size())
    return;
  b[at] = static_cast<std::uint8_t>(v >> 8);
  b[at + 1] = static_cast<std::uint8_t>(v & 0xFF);
}

bool IsLoopback(const sockaddr_in &a) {
  return (ntohl(a.sin_addr.s_addr) >> 24) == 127;
}

} // namespace

LanCameraRequest DecodeLanCameraRequest(const std::uint8_t *data, std::size_t length) {
  LanCameraRequest r;
  r.block.assign(data, data + length);
  if (length >= 10) {
    r.command = data[0];
    r.height = data[8] | ((data[9] & 0x7C) << 6);
    r.speed = static_cast<std::uint8_t>(data[9] & 3);
  }
  return r;
}

LanCameraSimulator::LanCameraSimulator(LanCameraConfig config) : config_(std::move(config)) {}

LanCameraSimulator::~LanCameraSimulator() {
  Stop();
  if (fd_ >= 0)
    close(fd_);
}

std::optional<std::uint16_t> LanCameraSimulator::Open(const std::string &host, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  if (inet_pton(AF_INET, host.c_str(), &a.sin_addr) != 1 || !IsLoopback(a))
    return std::nullopt;
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0)
    return std::nullopt;
  const int buffer = 1 << 20;
  setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
  if (bind(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
    close(fd_);
    fd_ = -1;
    return std::nullopt;
  }
  socklen_t length = sizeof a;
  getsockname(fd_, reinterpret_cast<sockaddr *>(&a), &length);
  return ntohs(a.sin_port);
}

void LanCameraSimulator::Start() {
  if (fd_ < 0 || running_.exchange(true))
    return;
  thread_ = std::thread([this] { Run(); });
}

void LanCameraSimulator::Stop() {
  running_ = false;
  if (thread_.joinable())
    thread_.join();
}

void LanCameraSimulator::SetConfig(const LanCameraConfig &config) {
  const std::lock_guard lock(mutex_);
  config_ = config;
}

void LanCameraSimulator::SetFaults(const LanCameraFaults &faults) {
  const std::lock_guard lock(mutex_);
  faults_ = faults;
}

std::vector<LanCameraRequest> LanCameraSimulator::Requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

std::uint16_t LanCameraSimulator::PixelValue(int x, int y, int frame) const {
  const std::lock_guard lock(mutex_);
  if (config_.pixel)
    return config_.pixel(x, y, frame);
  return static_cast<std::uint16_t>(3000 + x * 4 + y * 2 + frame);
}

std::vector<std::uint8_t> LanCameraSimulator::RowBytes(int row, int frame) const {
  LanCameraConfig c;
  {
    const std::lock_guard lock(mutex_);
    c = config_;
  }
  const bool dual = DualBand(c.interfaceType);
  const std::size_t sw = static_cast<std::size_t>(c.scanWidth);
  const std::size_t width = sw * (dual ? 2 : 1);
  std::vector<std::uint8_t> b(2 * width, 0);
  if (row == 0) {
    for (std::size_t x = 0; x < width; ++x)
      PutWord(b, x, x < sw ? c.blind : c.blind2, c.bigEndian);
    b[0] = c.statusFlags;
    b[1] = 0;
    const std::uint16_t words[7] = {static_cast<std::uint16_t>(c.bodyTemperatureRaw),
                                    c.battery,
                                    c.blind,
                                    c.blind,
                                    c.reference1,
                                    c.blind,
                                    c.blind};
    for (std::size_t i = 0; i < 7; ++i)
      PutBigEndian(b, 2 + 2 * i, words[i]);
    if (dual)
      PutBigEndian(b, 2 * sw + 10, c.reference2);
    return b;
  }
  const int y = row - 1;
  for (std::size_t x = 0; x < width; ++x)
    PutWord(b, x,
            c.pixel ? c.pixel(static_cast<int>(x), y, frame)
                    : static_cast<std::uint16_t>(3000 + x * 4 + y * 2 + frame),
            c.bigEndian);
  if (c.quarterMode && y == 0 && sw >= 4) {
    const std::size_t at = 2 * sw - 4;
    const std::uint8_t one[4] = {0, 0, 0xFF, 0xFF};
    const std::uint8_t zero[4] = {0xFF, 0xFF, 0, 0};
    std::memcpy(b.data() + at, c.quarterPhase ? one : zero, 4);
  }
  return b;
}

void LanCameraSimulator::Run() {
  std::uint8_t in[2048];
  while (running_) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0)
      continue;
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n = recvfrom(fd_, in, sizeof in, 0, reinterpret_cast<sockaddr *>(&from), &fromLength);
    if (n <= 0 || !IsLoopback(from))
      continue;
    LanCameraRequest request = DecodeLanCameraRequest(in, static_cast<std::size_t>(n));
    bool camera1002 = false;
    {
      const std::lock_guard lock(mutex_);
      camera1002 = config_.cameraNo == 1002 && DualBand(config_.interfaceType);
      if (camera1002 && n >= 16) {
        static constexpr std::uint8_t kSpeed[] = {0, 3, 1, 2};
        request.height = in[14];
        request.speed = in[15] < 4 ? kSpeed[in[15]] : in[15];
      }
      requests_.push_back(request);
    }
    // Focus moves and other commands get no frame.
    const std::uint8_t command = request.command;
    const bool frameRequest = command == 0 || command == 1 || command == 5 || command == 8 || command == 3;
    if (frameRequest && n >= 10)
      SendFrame(request, &from, fromLength);
  }
}

void LanCameraSimulator::SendFrame(const LanCameraRequest &request, const void *to, unsigned toLength) {
  LanCameraConfig c;
  LanCameraFaults f;
  {
    const std::lock_guard lock(mutex_);
    c = config_;
    f = faults_;
  }
  const int frame = framesSent_.load();
  int height = request.height;
  if (c.quarterMode)
    height *= 4;
  if (request.speed == 0 && c.multiplier >= 2)
    height *= c.multiplier;
  const bool dual = DualBand(c.interfaceType);
  const bool camera1002 = c.cameraNo == 1002 && dual;
  const auto *address = static_cast<const sockaddr *>(to);
  std::uint16_t packet = 0;
  const std::chrono::microseconds pace(f.datagramDelayMicros);
  Clock::time_point next = Clock::now();
  std::vector<std::uint8_t> held; // a datagram sent after the next one

  const auto transmit = [&](const std::vector<std::uint8_t> &d) {
    if (f.datagramDelayMicros > 0) {
      next += pace;
      std::this_thread::sleep_until(next);
    }
    sendto(fd_, d.data(), d.size(), 0, address, toLength);
    ++datagramsSent_;
  };
  const auto send = [&](std::vector<std::uint8_t> d, bool reorder) {
    if (reorder) {
      held = std::move(d);
      return;
    }
    transmit(d);
    if (!held.empty()) {
      transmit(held);
      held.clear();
    }
  };

  for (int row = 0; row <= height && running_; ++row) {
    std::vector<std::uint8_t> bytes = RowBytes(row, frame);
    if (row == height && c.endMarker && bytes.size() >= 4) {
      const std::size_t n = bytes.size();
      bytes[n - 4] = 0;
      bytes[n - 3] = 0;
      bytes[n - 2] = 0xFF;
      bytes[n - 1] = 0xFF;
    }
    if (f.emptyRow == row)
      transmit({});
    const std::size_t length = bytes.size();
    const std::size_t count = length / kDatagram + 1;
    for (std::size_t k = 0; k < count; ++k) {
      const std::size_t from = k * kData;
      const std::size_t to = std::min(length, from + kData);
      std::vector<std::uint8_t> d(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(from, length)),
                                  bytes.begin() + static_cast<std::ptrdiff_t>(to));
      if (!c.shortLastDatagram)
        d.resize(kData, kPadding);
      const int copies = c.lineMode ? 2 : 1;
      for (int copy = 0; copy < copies; ++copy) {
        std::vector<std::uint8_t> out = d;
        out.push_back(static_cast<std::uint8_t>(packet & 0xFF));
        out.push_back(static_cast<std::uint8_t>(packet >> 8));
        ++packet;
        const bool here = static_cast<std::size_t>(f.dropDatagram) == k && copy == 0;
        if (f.oversizedRow == row && k == 0 && copy == 0)
          out.resize(1500, 0xAA);
        if (f.shortRow == row && here)
          out.resize(static_cast<std::size_t>(std::max(f.shortBytes, 0)));
        if (f.dropRow == row && here)
          continue;
        if (f.lossRate > 0.0) {
          random_ = random_ * 1103515245u + 12345u;
          if (static_cast<double>((random_ >> 8) & 0xFFFF) / 65536.0 < f.lossRate)
            continue;
        }
        const bool reorder =
            f.reorderRow == row && static_cast<std::size_t>(f.reorderDatagram) == k && copy == 0;
        const bool duplicate =
            f.duplicateRow == row && static_cast<std::size_t>(f.duplicateDatagram) == k && copy == 0;
        if (duplicate)
          send(out, false);
        send(std::move(out), reorder);
      }
    }
    // Camera 1002 sends more of its line after the status line and the scan lines.
    if (camera1002) {
      const std::size_t sw = static_cast<std::size_t>(c.scanWidth);
      const auto extra = [&](std::size_t offset) {
        std::vector<std::uint8_t> d;
        if (offset < length)
          d.assign(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                   bytes.begin() + static_cast<std::ptrdiff_t>(std::min(length, offset + kData)));
        else
          d.assign(2, 0);
        send(std::move(d), false);
      };
      if (row == 0 || (row == 1 && c.interfaceType == 64)) {
        extra(2 * sw);
        extra(4 * sw);
      } else if (row > 1 && c.interfaceType == 64) {
        extra(0);
        extra(4 * sw);
      }
    }
    if (f.stopAfterRow == row)
      break;
  }
  if (!held.empty())
    transmit(held);
  ++framesSent_;
}

} // namespace calidarix::sim
