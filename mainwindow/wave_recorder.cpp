#include "mainwindow/wave_recorder.h"

#include "platform/paths.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace calidarix {

namespace {

// The design's texts of the recorder's failures.
const char *const kNoInputDevice = "Не найдено устройств, способных записывать звук";
const char *const kCannotOpen = "Не могу открыть входное устройство для записи: \r";
const char *const kHeaderNotPrepared = "Ошибка подготовки заголовка для записи: \r";
const char *const kCannotStart = "Ошибка начала записи wave: ";

bool WriteAll(int fd, const std::uint8_t *data, std::size_t size, off_t at) {
  while (size > 0) {
    const ssize_t n = at < 0 ? write(fd, data, size) : pwrite(fd, data, size, at);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    if (at >= 0)
      at += n;
  }
  return true;
}

QString SystemText(int code) {
  return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

QString RecorderFileName() {
  const auto path = LocalPathFromWindows("c:\\rec.wav");
  return path ? QString::fromStdString(path->string()) : QStringLiteral("rec.wav");
}

TWaveRecorder::TWaveRecorder(int bufferSize, int bufferCount, SoundDevice &device, QString fileName)
    : FBufferSize(bufferSize), FBufferCount(std::clamp(bufferCount, 1, kMaxBuffers)), FDevice(device),
      FFileName(fileName.isEmpty() ? RecorderFileName() : std::move(fileName)) {
  FFormat = PcmFormat(1, 20000, 16);
  if (!FDevice.HasInput()) {
    FErrorText = QString::fromUtf8(kNoInputDevice);
    return;
  }
  FReady = true;
  FFirstBuffer = true;
}

TWaveRecorder::~TWaveRecorder() {
  Stop();
}

bool TWaveRecorder::Open() {
  if (!FReady)
    return false;
  FNextIndex = 0;
  FQueuedCount = 0;
  FDoneCount = 0;
  FFormat = NormalisedPcm(FFormat);
  if (const QString problem = PcmFormatProblem(FFormat); !problem.isEmpty()) {
    FErrorText = QString::fromUtf8(kCannotOpen) + problem;
    return false;
  }
  FBytesPerBuffer = FBufferSize - FBufferSize % std::max<int>(FFormat.BlockAlign, 1);
  if (FBytesPerBuffer <= 0) {
    FErrorText = QString::fromUtf8(kHeaderNotPrepared) +
                 QStringLiteral("a buffer of %1 bytes holds no sample").arg(FBufferSize);
    return false;
  }
  FOpened = true;
  return true;
}

bool TWaveRecorder::Start() {
  if (!FOpened) {
    FErrorText = QString::fromUtf8(kCannotStart) + QStringLiteral("the recorder is not open");
    return false;
  }
  if (FRecording)
    return true;
  {
    std::lock_guard lock(FWriteMutex);
    FFirstBuffer = true;
    FWriteFailed = false;
    FDataBytes = 0;
  }
  FRecording = true;
  QString error;
  const bool started = FDevice.StartCapture(
      FFormat, static_cast<std::size_t>(FBytesPerBuffer),
      [this](std::span<const std::uint8_t> data) { WaveInCallback(data); }, error);
  if (!started) {
    FRecording = false;
    FOpened = false;
    FErrorText = QString::fromUtf8(kCannotStart) + error;
    return false;
  }
  FQueuedCount = FBufferCount;
  return true;
}

void TWaveRecorder::WaveInCallback(std::span<const std::uint8_t> data) {
  ProcessBuffer(kWimData, data.data(), data.size());
  if (FRecording) {
    FNextIndex = (FNextIndex + 1) % FBufferCount;
    ++FQueuedCount;
    ++FDoneCount;
  }
}

void TWaveRecorder::ProcessBuffer(int message, const std::uint8_t *data, std::size_t size) {
  if (message != kWimData)
    return;
  std::lock_guard lock(FWriteMutex);
  if (!FRecording || FWriteFailed)
    return;
  if (FFirstBuffer) {
    FFirstBuffer = false;
    if (!CreateFile())
      return;
  }
  const std::size_t room = kMaxWaveDataBytes - FDataBytes;
  size = std::min(size, room);
  if (!WriteAll(FStream, data, size, -1)) {
    Fail(QStringLiteral("The sound file \"%1\" could not be written: %2").arg(FFileName, SystemText(errno)));
    return;
  }
  FDataBytes += static_cast<std::uint32_t>(size);
}

bool TWaveRecorder::CreateFile() {
  static std::atomic<unsigned> counter{0};
  const std::string target = QFileInfo(FFileName).absoluteFilePath().toStdString();
  FTemporary = target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  FStream = open(FTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (FStream < 0) {
    Fail(QStringLiteral("The sound file \"%1\" could not be created: %2").arg(FFileName, SystemText(errno)));
    return false;
  }
  const auto header = WaveHeader(FFormat, 0);
  if (!WriteAll(FStream, header.data(), header.size(), -1)) {
    Fail(QStringLiteral("The sound file \"%1\" could not be written: %2").arg(FFileName, SystemText(errno)));
    return false;
  }
  return true;
}

void TWaveRecorder::Fail(const QString &text) {
  FWriteFailed = true;
  FErrorText = text;
  if (FStream >= 0) {
    close(FStream);
    unlink(FTemporary.c_str());
    FStream = -1;
  }
}

void TWaveRecorder::Stop() {
  const bool wasRecording = FRecording.exchange(false);
  // Returns only when the device's thread is out of ProcessBuffer: nothing is written after this.
  FDevice.StopCapture();
  if (wasRecording)
    FinishFile();
  FOpened = false;
}

void TWaveRecorder::FinishFile() {
  std::lock_guard lock(FWriteMutex);
  if (FStream < 0)
    return;
  const std::uint8_t pad = 0;
  const auto header = WaveHeader(FFormat, FDataBytes);
  bool ok = ((FDataBytes & 1u) == 0 || WriteAll(FStream, &pad, 1, -1)) &&
            WriteAll(FStream, header.data(), header.size(), 0) && fsync(FStream) == 0;
  int code = ok ? 0 : errno;
  if (close(FStream) != 0 && ok) {
    ok = false;
    code = errno;
  }
  FStream = -1;
  const std::string target = QFileInfo(FFileName).absoluteFilePath().toStdString();
  if (ok && rename(FTemporary.c_str(), target.c_str()) != 0) {
    ok = false;
    code = errno;
  }
  if (!ok) {
    unlink(FTemporary.c_str());
    FErrorText =
        QStringLiteral("The sound file \"%1\" could not be written: %2").arg(FFileName, SystemText(code));
  }
}

} // namespace calidarix
