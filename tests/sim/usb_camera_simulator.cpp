#include "tests/sim/usb_camera_simulator.h"

#include <algorithm>

namespace calidarix::sim {

namespace {

constexpr std::size_t kBlock = 1280;
constexpr std::size_t kCommand = 256;

class SimDevice : public TUsbDevice {
public:
  explicit SimDevice(UsbCameraSimulator &camera) : camera_(camera) {}
  TUsbTransfer BulkOut(std::span<const std::uint8_t> data, int) override { return camera_.DeviceOut(data); }
  TUsbTransfer BulkIn(std::span<std::uint8_t> buffer, int) override { return camera_.DeviceIn(buffer); }
  std::size_t PacketSize() const override { return camera_.Config().packetSize; }

private:
  UsbCameraSimulator &camera_;
};

void PutLE(std::vector<std::uint8_t> &b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

} // namespace

UsbCameraSimulator::UsbCameraSimulator(UsbCameraConfig config) : config_(std::move(config)) {
  parameterTail_.assign(kCommand - 6, 0);
}

std::vector<std::string> UsbCameraSimulator::Enumerate() {
  const std::lock_guard lock(mutex_);
  if (!config_.present)
    return {};
  return {kDevicePath};
}

std::unique_ptr<TUsbDevice> UsbCameraSimulator::Open(const std::string &devicePath, int &status) {
  const std::lock_guard lock(mutex_);
  if (!config_.present || devicePath != kDevicePath) {
    status = kUsbErrorNotFound;
    return nullptr;
  }
  ++opens_;
  status = kUsbPipeOk;
  return std::make_unique<SimDevice>(*this);
}

int UsbCameraSimulator::FrameRequests() const {
  const std::lock_guard lock(mutex_);
  return frames_;
}

std::vector<std::uint8_t> UsbCameraSimulator::LastCommand() const {
  const std::lock_guard lock(mutex_);
  return lastCommand_;
}

std::vector<std::uint8_t> UsbCameraSimulator::WrittenParameterBlock() const {
  const std::lock_guard lock(mutex_);
  return writtenBlock_;
}

std::array<std::uint8_t, 6> UsbCameraSimulator::Live() const {
  const std::lock_guard lock(mutex_);
  return live_;
}

void UsbCameraSimulator::SetLive(const std::array<std::uint8_t, 6> &live) {
  const std::lock_guard lock(mutex_);
  live_ = live;
}

void UsbCameraSimulator::SetParameterTail(const std::vector<std::uint8_t> &tail) {
  const std::lock_guard lock(mutex_);
  parameterTail_ = tail;
  parameterTail_.resize(kCommand - 6, 0);
}

int UsbCameraSimulator::LiveWrites() const {
  const std::lock_guard lock(mutex_);
  return liveWrites_;
}

int UsbCameraSimulator::Opens() const {
  const std::lock_guard lock(mutex_);
  return opens_;
}

std::size_t UsbCameraSimulator::Pending() const {
  const std::lock_guard lock(mutex_);
  return out_.size();
}

TUsbTransfer UsbCameraSimulator::DeviceOut(std::span<const std::uint8_t> data) {
  const std::lock_guard lock(mutex_);
  if (config_.failWrites > 0) {
    --config_.failWrites;
    return {kUsbErrorStall, 0};
  }
  lastCommand_.assign(data.begin(), data.end());
  if (data.size() < 2)
    return {kUsbPipeOk, data.size()};
  const std::uint8_t code = data[0];
  const std::uint8_t kind = data[1];
  if (code == 1) {
    ++frames_;
    if (!config_.silent)
      QueueFrame(lastCommand_);
  } else if (code == 3 && (kind == 65 || kind == 6)) {
    std::vector<std::uint8_t> reply(kCommand, 0);
    std::copy(live_.begin(), live_.end(), reply.begin());
    if (kind == 65)
      std::copy(parameterTail_.begin(), parameterTail_.end(), reply.begin() + 6);
    QueueReply(reply);
  } else if (code == 2 && kind == 78) {
    writtenBlock_ = lastCommand_;
    std::copy(data.begin() + 2, data.begin() + 8, live_.begin());
  } else if (code == 2 && kind == 6) {
    ++liveWrites_;
    std::copy(data.begin() + 2, data.begin() + 8, live_.begin());
  }
  return {kUsbPipeOk, data.size()};
}

void UsbCameraSimulator::QueueReply(const std::vector<std::uint8_t> &reply) {
  if (blockCount_++ == config_.stallAtBlock)
    stallPos_ = queuedEnd_;
  out_.insert(out_.end(), reply.begin(), reply.end());
  queuedEnd_ += reply.size();
}

void UsbCameraSimulator::QueueFrame(const std::vector<std::uint8_t> &request) {
  const int width = std::clamp(config_.scanWidth, 1, 640);
  const int speed = request.size() > 9 ? request[9] : 2;
  const int sectors = request.size() > 7 ? request[7] : 0;
  int lines = config_.scanHeight;
  if (speed <= 1)
    lines = 2 * config_.scanHeight;
  else if (speed == 3)
    lines = config_.scanHeight / 2;
  if (sectors == 2)
    lines *= 2;
  else if (sectors == 4)
    lines *= 4;

  std::vector<std::uint8_t> junk(config_.startOffset, 0x55);
  out_.insert(out_.end(), junk.begin(), junk.end());
  queuedEnd_ += junk.size();

  std::vector<std::uint8_t> status(kBlock, 0);
  status[0] = status[1] = 0xAA;
  status[2] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(config_.bodyTemperatureRaw) >> 8);
  status[3] = static_cast<std::uint8_t>(config_.bodyTemperatureRaw);
  for (std::size_t at = 6; at + 1 < kBlock; at += 2)
    PutLE(status, at, config_.blind);
  QueueReply(status);

  const int n = frames_;
  const bool quarter = sectors == 4;
  for (int y = 0; y < lines; ++y) {
    std::vector<std::uint8_t> line(kBlock, 0);
    for (int x = 0; x < width; ++x) {
      const std::uint16_t v =
          config_.pixel ? config_.pixel(n, y, x) : static_cast<std::uint16_t>(1000 + (7 * x + 13 * y) % 3000);
      PutLE(line, 2 * static_cast<std::size_t>(x), v);
    }
    if (quarter && y == 0 && width >= 4) {
      // Phase marker in the last two pixels of the first line: odd frames (the first is 1) 00 00 FF FF,
      // even ones FF FF 00 00.
      const bool odd = n % 2 == 1;
      const std::size_t at = 2 * static_cast<std::size_t>(width) - 4;
      line[at] = line[at + 1] = odd ? 0x00 : 0xFF;
      line[at + 2] = line[at + 3] = odd ? 0xFF : 0x00;
    }
    QueueReply(line);
  }
}

TUsbTransfer UsbCameraSimulator::DeviceIn(std::span<std::uint8_t> buffer) {
  const std::lock_guard lock(mutex_);
  // The stall knob: the bytes before the stalled block go out, then the endpoint stalls once.
  if (stallPos_ && *stallPos_ == streamPos_) {
    stallPos_.reset();
    config_.stallAtBlock = -1;
    return {kUsbErrorStall, 0};
  }
  if (out_.empty())
    return {kUsbErrorTimeout, 0}; // nothing to send: the transfer times out (at once, in process)
  std::size_t n = std::min(buffer.size(), out_.size());
  if (config_.pieceSize > 0)
    n = std::min(n, config_.pieceSize);
  if (stallPos_ && *stallPos_ > streamPos_)
    n = std::min(n, *stallPos_ - streamPos_);
  std::copy(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(n), buffer.begin());
  out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(n));
  streamPos_ += n;
  return {kUsbPipeOk, n};
}

} // namespace calidarix::sim
