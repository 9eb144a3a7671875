#include "mainwindow/wave_file.h"

#include "platform/atomic_file.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <string>
#include <string_view>

namespace calidarix {

namespace {

// Files larger than this are not read: five minutes of 8-channel 32-bit sound at 768 kHz.
constexpr qint64 kMaxWaveFileBytes = 1'000'000'000;

void Put(std::uint8_t *at, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i)
    at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t Get(const std::uint8_t *at, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i)
    v |= static_cast<std::uint32_t>(at[i]) << (8 * i);
  return v;
}

IoResult NotWave(const QString &fileName, const QString &why) {
  return IoResult::Error(
      QStringLiteral("\"%1\" is not a sound file that can be played: %2").arg(fileName, why));
}

} // namespace

WaveFormat PcmFormat(std::uint16_t channels, std::uint32_t samplesPerSec, std::uint16_t bitsPerSample) {
  WaveFormat format;
  format.FormatTag = kWaveFormatPcm;
  format.Channels = channels;
  format.SamplesPerSec = samplesPerSec;
  format.BitsPerSample = bitsPerSample;
  return NormalisedPcm(format);
}

WaveFormat NormalisedPcm(const WaveFormat &format) {
  if (format.FormatTag != kWaveFormatPcm)
    return format;
  WaveFormat out = format;
  const std::uint32_t align =
      static_cast<std::uint32_t>(format.Channels) * ((format.BitsPerSample + 7u) / 8u);
  out.BlockAlign = static_cast<std::uint16_t>(align > 0xFFFFu ? 0xFFFFu : align);
  const std::uint64_t rate = static_cast<std::uint64_t>(format.SamplesPerSec) * out.BlockAlign;
  out.AvgBytesPerSec = static_cast<std::uint32_t>(rate > 0xFFFFFFFFu ? 0xFFFFFFFFu : rate);
  return out;
}

QString PcmFormatProblem(const WaveFormat &format) {
  if (format.FormatTag != kWaveFormatPcm)
    return QStringLiteral("format tag %1 is not PCM").arg(format.FormatTag);
  if (format.Channels < 1 || format.Channels > 8)
    return QStringLiteral("%1 channels").arg(format.Channels);
  if (format.BitsPerSample != 8 && format.BitsPerSample != 16 && format.BitsPerSample != 24 &&
      format.BitsPerSample != 32)
    return QStringLiteral("%1 bits per sample").arg(format.BitsPerSample);
  if (format.SamplesPerSec < 1 || format.SamplesPerSec > 768000)
    return QStringLiteral("%1 samples per second").arg(format.SamplesPerSec);
  return QString();
}

std::array<std::uint8_t, kWaveHeaderSize> WaveHeader(const WaveFormat &format, std::uint32_t dataBytes) {
  if (dataBytes > kMaxWaveDataBytes)
    dataBytes = kMaxWaveDataBytes;
  std::array<std::uint8_t, kWaveHeaderSize> h{};
  std::uint8_t *b = h.data();
  std::memcpy(b, "RIFF", 4);
  Put(b + 4, dataBytes + 36u + (dataBytes & 1u), 4);
  std::memcpy(b + 8, "WAVEfmt ", 8);
  Put(b + 16, 16, 4);
  Put(b + 20, format.FormatTag, 2);
  Put(b + 22, format.Channels, 2);
  Put(b + 24, format.SamplesPerSec, 4);
  Put(b + 28, format.AvgBytesPerSec, 4);
  Put(b + 32, format.BlockAlign, 2);
  Put(b + 34, format.BitsPerSample, 2);
  std::memcpy(b + 36, "data", 4);
  Put(b + 40, dataBytes, 4);
  return h;
}

std::vector<std::uint8_t> WaveFileBytes(const WaveFormat &format, std::span<const std::uint8_t> data) {
  const std::size_t size = data.size() > kMaxWaveDataBytes ? kMaxWaveDataBytes : data.size();
  const auto header = WaveHeader(format, static_cast<std::uint32_t>(size));
  std::vector<std::uint8_t> bytes(kWaveHeaderSize + size + (size & 1u), 0);
  std::memcpy(bytes.data(), header.data(), kWaveHeaderSize);
  if (size > 0)
    std::memcpy(bytes.data() + kWaveHeaderSize, data.data(), size);
  return bytes;
}

IoResult WriteWaveFile(const QString &fileName, const WaveFormat &format,
                       std::span<const std::uint8_t> data) {
  const std::vector<std::uint8_t> bytes = WaveFileBytes(format, data);
  std::string error;
  const std::string_view content(reinterpret_cast<const char *>(bytes.data()), bytes.size());
  if (!WriteFileAtomically(QFileInfo(fileName).absoluteFilePath().toStdString(), content, &error))
    return IoResult::Error(QStringLiteral("The sound file \"%1\" could not be written: %2")
                               .arg(fileName, QString::fromStdString(error)));
  return IoResult::Ok();
}

IoResult ReadWaveFile(const QString &fileName, WaveSound &sound) {
  QFile file(fileName);
  if (!file.exists())
    return IoResult::Error(QStringLiteral("The sound file \"%1\" does not exist.").arg(fileName));
  if (!file.open(QIODevice::ReadOnly))
    return IoResult::Error(
        QStringLiteral("The sound file \"%1\" cannot be read: %2").arg(fileName, file.errorString()));
  if (file.size() > kMaxWaveFileBytes)
    return NotWave(fileName, QStringLiteral("it is larger than %1 bytes.").arg(kMaxWaveFileBytes));
  const QByteArray all = file.readAll();
  if (file.error() != QFileDevice::NoError)
    return IoResult::Error(
        QStringLiteral("The sound file \"%1\" cannot be read: %2").arg(fileName, file.errorString()));
  const auto *b = reinterpret_cast<const std::uint8_t *>(all.constData());
  const std::size_t size = static_cast<std::size_t>(all.size());
  if (size < 12 || std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "WAVE", 4) != 0)
    return NotWave(fileName, QStringLiteral("it has no RIFF WAVE header."));

  WaveFormat format;
  bool haveFormat = false;
  std::size_t at = 12;
  while (at + 8 <= size) {
    const std::uint8_t *chunk = b + at;
    const std::size_t length = Get(chunk + 4, 4);
    const std::size_t bodyAt = at + 8;
    const std::size_t present = size - bodyAt;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (length < 16 || present < 16)
        return NotWave(fileName, QStringLiteral("its format chunk is too short."));
      const std::uint8_t *f = b + bodyAt;
      format.FormatTag = static_cast<std::uint16_t>(Get(f, 2));
      format.Channels = static_cast<std::uint16_t>(Get(f + 2, 2));
      format.SamplesPerSec = Get(f + 4, 4);
      format.AvgBytesPerSec = Get(f + 8, 4);
      format.BlockAlign = static_cast<std::uint16_t>(Get(f + 12, 2));
      format.BitsPerSample = static_cast<std::uint16_t>(Get(f + 14, 2));
      if (const QString problem = PcmFormatProblem(format); !problem.isEmpty())
        return NotWave(fileName, problem + QLatin1Char('.'));
      format = NormalisedPcm(format);
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!haveFormat)
        return NotWave(fileName, QStringLiteral("its sound comes before its format."));
      // A size of 0 or one beyond the file is what a recording cut off early leaves behind.
      std::size_t take = length == 0 || length > present ? present : length;
      take -= take % format.BlockAlign;
      sound.Format = format;
      sound.Data.assign(b + bodyAt, b + bodyAt + take);
      return IoResult::Ok();
    }
    if (length > present)
      break;
    at = bodyAt + length + (length & 1u);
  }
  return NotWave(fileName, haveFormat ? QStringLiteral("it holds no sound data.")
                                      : QStringLiteral("it has no format chunk."));
}

} // namespace calidarix
