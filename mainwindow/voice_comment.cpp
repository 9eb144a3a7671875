#include "mainwindow/voice_comment.h"

#include "platform/paths.h"

#include <algorithm>

namespace calidarix {

QString VoiceCommentFileName() {
  const auto path = LocalPathFromWindows("c:\\IRSound.wav");
  return path ? QString::fromStdString(path->string()) : QStringLiteral("IRSound.wav");
}

WaveFormat VoiceCommentFormat() {
  return PcmFormat(1, 44100, 16);
}

std::size_t SoundBytes(const WaveFormat &format, int ms) {
  const std::uint64_t frames =
      static_cast<std::uint64_t>(format.SamplesPerSec) * static_cast<unsigned>(ms) / 1000u;
  return static_cast<std::size_t>(frames * format.BlockAlign);
}

QString VoiceNoteOf(const QString &thermogramFile) {
  if (thermogramFile.isEmpty())
    return QString();
  const auto found = FindCompanionFile(thermogramFile.toStdString(), ".wav");
  return found ? QString::fromStdString(found->string()) : QString();
}

VoiceRecording::VoiceRecording(SoundDevice &device, const WaveFormat &format, std::size_t bytes)
    : device_(device), format_(NormalisedPcm(format)),
      wanted_(bytes - bytes % std::max<int>(format_.BlockAlign, 1)) {}

VoiceRecording::~VoiceRecording() {
  if (running_)
    device_.StopCapture();
}

bool VoiceRecording::Start(QString &error) {
  {
    std::lock_guard lock(mutex_);
    data_.clear();
    data_.reserve(wanted_);
  }
  // A twentieth of a second per buffer keeps the progress smooth.
  const std::size_t align = std::max<int>(format_.BlockAlign, 1);
  const std::size_t buffer = std::max(format_.AvgBytesPerSec / 20 / align, std::size_t{1}) * align;
  running_ = device_.StartCapture(
      format_, buffer,
      [this](std::span<const std::uint8_t> data) {
        std::lock_guard lock(mutex_);
        const std::size_t take = std::min(data.size(), wanted_ - data_.size());
        data_.insert(data_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(take));
      },
      error);
  return running_;
}

std::size_t VoiceRecording::Recorded() const {
  std::lock_guard lock(mutex_);
  return data_.size();
}

IoResult VoiceRecording::Finish(const QString &fileName) {
  if (running_) {
    device_.StopCapture();
    running_ = false;
  }
  std::lock_guard lock(mutex_);
  if (data_.size() < wanted_)
    return IoResult::Error(QStringLiteral("The sound device delivered %1 ms of the %2 ms of the recording.")
                               .arg(format_.AvgBytesPerSec ? data_.size() * 1000 / format_.AvgBytesPerSec : 0)
                               .arg(format_.AvgBytesPerSec ? wanted_ * 1000 / format_.AvgBytesPerSec : 0));
  return WriteWaveFile(fileName, format_, data_);
}

SoundPlayback::SoundPlayback(SoundDevice &device, WaveSound sound)
    : device_(device), sound_(std::move(sound)) {
  thread_ = std::thread([this] {
    QString error;
    const bool ok = device_.Play(sound_.Format, sound_.Data, cancel_, error);
    {
      std::lock_guard lock(mutex_);
      ok_ = ok;
      error_ = error;
    }
    done_ = true;
  });
}

SoundPlayback::~SoundPlayback() {
  cancel_ = true;
  if (thread_.joinable())
    thread_.join();
}

bool SoundPlayback::Succeeded() const {
  std::lock_guard lock(mutex_);
  return ok_;
}

QString SoundPlayback::Error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

int SoundPlayback::DurationMs() const {
  if (sound_.Format.AvgBytesPerSec == 0)
    return 0;
  return static_cast<int>(static_cast<std::uint64_t>(sound_.Data.size()) * 1000u /
                          sound_.Format.AvgBytesPerSec);
}

} // namespace calidarix
