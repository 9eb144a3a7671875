#include "mainwindow/fake_sound.h"

#include <chrono>

namespace calidarix {

namespace {

std::chrono::microseconds Duration(const WaveFormat &format, std::size_t bytes, double pace) {
  if (pace <= 0.0 || format.AvgBytesPerSec == 0)
    return std::chrono::microseconds(0);
  const double seconds = static_cast<double>(bytes) / format.AvgBytesPerSec * pace;
  return std::chrono::microseconds(static_cast<std::int64_t>(seconds * 1e6));
}

} // namespace

FakeSoundDevice::~FakeSoundDevice() {
  StopCapture();
}

bool FakeSoundDevice::StartCapture(const WaveFormat &format, std::size_t bufferBytes, CaptureHandler handler,
                                   QString &error) {
  if (!options_.HasInput) {
    error = QStringLiteral("no sound input device");
    return false;
  }
  if (!options_.FailText.isEmpty()) {
    error = options_.FailText;
    return false;
  }
  if (const QString problem = PcmFormatProblem(format); !problem.isEmpty() || bufferBytes == 0) {
    error = problem.isEmpty() ? QStringLiteral("empty buffers") : problem;
    return false;
  }
  StopCapture();
  {
    std::lock_guard lock(mutex_);
    stop_ = false;
    silent_ = false;
    emitted_ = 0;
    buffers_ = 0;
  }
  thread_ = std::thread(&FakeSoundDevice::Run, this, format, bufferBytes, std::move(handler));
  return true;
}

void FakeSoundDevice::Run(WaveFormat format, std::size_t bufferBytes, CaptureHandler handler) {
  std::vector<std::uint8_t> buffer(bufferBytes);
  const auto period = Duration(format, bufferBytes, options_.Pace);
  auto due = std::chrono::steady_clock::now();
  std::size_t offset = 0;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      due += period;
      changed_.wait_until(lock, due, [this] { return stop_; });
      if (stop_)
        return;
      if (options_.CaptureLimit != 0 && offset + bufferBytes > options_.CaptureLimit) {
        silent_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return stop_; });
        return;
      }
    }
    for (std::size_t i = 0; i < bufferBytes; ++i)
      buffer[i] = PatternByte(offset + i);
    handler(buffer);
    offset += bufferBytes;
    std::lock_guard lock(mutex_);
    emitted_ = offset;
    ++buffers_;
    changed_.notify_all();
  }
}

void FakeSoundDevice::StopCapture() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
  }
  if (thread_.joinable())
    thread_.join();
}

bool FakeSoundDevice::Play(const WaveFormat &format, std::span<const std::uint8_t> data,
                           const std::atomic<bool> &cancel, QString &error) {
  if (!options_.FailText.isEmpty()) {
    error = options_.FailText;
    return false;
  }
  if (const QString problem = PcmFormatProblem(format); !problem.isEmpty()) {
    error = problem;
    return false;
  }
  // Played in slices of a tenth of a second so that a cancel is seen in time.
  const std::size_t slice = std::max<std::size_t>(format.AvgBytesPerSec / 10, format.BlockAlign);
  std::vector<std::uint8_t> played;
  for (std::size_t at = 0; at < data.size() && !cancel; at += slice) {
    const std::size_t n = std::min(slice, data.size() - at);
    played.insert(played.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                  data.begin() + static_cast<std::ptrdiff_t>(at + n));
    std::this_thread::sleep_for(Duration(format, n, options_.Pace));
  }
  std::lock_guard lock(mutex_);
  playbacks_.push_back(WaveSound{format, played});
  played_ = std::move(played);
  playedFormat_ = format;
  ++playCount_;
  return true;
}

std::size_t FakeSoundDevice::WaitForEmitted(std::size_t bytes) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return emitted_ >= bytes || silent_ || stop_; });
  return emitted_;
}

std::size_t FakeSoundDevice::Emitted() const {
  std::lock_guard lock(mutex_);
  return emitted_;
}

int FakeSoundDevice::BuffersEmitted() const {
  std::lock_guard lock(mutex_);
  return buffers_;
}

std::vector<std::uint8_t> FakeSoundDevice::Played() const {
  std::lock_guard lock(mutex_);
  return played_;
}

WaveFormat FakeSoundDevice::PlayedFormat() const {
  std::lock_guard lock(mutex_);
  return playedFormat_;
}

int FakeSoundDevice::PlayCount() const {
  std::lock_guard lock(mutex_);
  return playCount_;
}

std::vector<WaveSound> FakeSoundDevice::Playbacks() const {
  std::lock_guard lock(mutex_);
  return playbacks_;
}

} // namespace calidarix
