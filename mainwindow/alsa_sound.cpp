#include "mainwindow/alsa_sound.h"

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <vector>

namespace calidarix {

namespace {

// ALSA prints its own complaints to stderr (a machine without a sound card gets several per call);
// the callers report failures themselves.
void QuietAlsa(const char *, int, const char *, int, const char *, ...) {}

void SilenceAlsaOnce() {
  static const bool silenced = [] {
    snd_lib_error_set_handler(&QuietAlsa);
    return true;
  }();
  (void)silenced;
}

snd_pcm_format_t AlsaFormat(const WaveFormat &format) {
  switch (format.BitsPerSample) {
  case 8:
    return SND_PCM_FORMAT_U8;
  case 16:
    return SND_PCM_FORMAT_S16_LE;
  case 24:
    return SND_PCM_FORMAT_S24_3LE;
  default:
    return SND_PCM_FORMAT_S32_LE;
  }
}

QString AlsaText(int code) {
  return QString::fromLocal8Bit(snd_strerror(code));
}

// Opens and configures a PCM; null with `error` on failure.
snd_pcm_t *OpenPcm(const std::string &name, snd_pcm_stream_t stream, const WaveFormat &format,
                   QString &error) {
  SilenceAlsaOnce();
  if (const QString problem = PcmFormatProblem(format); !problem.isEmpty()) {
    error = problem;
    return nullptr;
  }
  snd_pcm_t *pcm = nullptr;
  int rc = snd_pcm_open(&pcm, name.c_str(), stream, 0);
  if (rc < 0) {
    error = QStringLiteral("the sound device \"%1\" cannot be opened: %2")
                .arg(QString::fromStdString(name), AlsaText(rc));
    return nullptr;
  }
  // Half a second of buffering; ALSA resamples when the hardware lacks the rate.
  rc = snd_pcm_set_params(pcm, AlsaFormat(format), SND_PCM_ACCESS_RW_INTERLEAVED, format.Channels,
                          format.SamplesPerSec, 1, 500000);
  if (rc < 0) {
    error = QStringLiteral("the sound device \"%1\" does not take %2 channel(s) at %3 Hz, %4 bits: %5")
                .arg(QString::fromStdString(name))
                .arg(format.Channels)
                .arg(format.SamplesPerSec)
                .arg(format.BitsPerSample)
                .arg(AlsaText(rc));
    snd_pcm_close(pcm);
    return nullptr;
  }
  return pcm;
}

} // namespace

AlsaSoundDevice::AlsaSoundDevice(std::string captureDevice, std::string playbackDevice)
    : captureDevice_(std::move(captureDevice)), playbackDevice_(std::move(playbackDevice)) {}

AlsaSoundDevice::~AlsaSoundDevice() {
  StopCapture();
}

bool AlsaSoundDevice::HasInput() {
  SilenceAlsaOnce();
  snd_pcm_t *pcm = nullptr;
  if (snd_pcm_open(&pcm, captureDevice_.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0)
    return false;
  snd_pcm_close(pcm);
  return true;
}

bool AlsaSoundDevice::StartCapture(const WaveFormat &format, std::size_t bufferBytes, CaptureHandler handler,
                                   QString &error) {
  StopCapture();
  const std::size_t frames = format.BlockAlign == 0 ? 0 : bufferBytes / format.BlockAlign;
  if (frames == 0) {
    error = QStringLiteral("a buffer of %1 bytes holds no sample").arg(bufferBytes);
    return false;
  }
  snd_pcm_t *pcm = OpenPcm(captureDevice_, SND_PCM_STREAM_CAPTURE, format, error);
  if (!pcm)
    return false;
  if (const int rc = snd_pcm_start(pcm); rc < 0) {
    error = QStringLiteral("the recording did not start: %1").arg(AlsaText(rc));
    snd_pcm_close(pcm);
    return false;
  }
  std::lock_guard lock(mutex_);
  stop_ = false;
  thread_ =
      std::thread([this, pcm, frames, bytes = frames * format.BlockAlign, handler = std::move(handler)] {
        std::vector<std::uint8_t> buffer(bytes);
        while (!stop_) {
          const int ready = snd_pcm_wait(pcm, 100);
          if (ready == 0)
            continue;
          if (ready < 0) {
            if (snd_pcm_recover(pcm, ready, 1) < 0 || snd_pcm_start(pcm) < 0)
              break;
            continue;
          }
          const snd_pcm_sframes_t got = snd_pcm_readi(pcm, buffer.data(), frames);
          if (got == -EAGAIN)
            continue;
          if (got < 0) {
            if (snd_pcm_recover(pcm, static_cast<int>(got), 1) < 0 || snd_pcm_start(pcm) < 0)
              break;
            continue;
          }
          if (got > 0 && !stop_)
            handler(std::span<const std::uint8_t>(buffer.data(),
                                                  static_cast<std::size_t>(got) * (bytes / frames)));
        }
        snd_pcm_drop(pcm);
        snd_pcm_close(pcm);
      });
  return true;
}

void AlsaSoundDevice::StopCapture() {
  std::lock_guard lock(mutex_);
  stop_ = true;
  if (thread_.joinable())
    thread_.join();
}

bool AlsaSoundDevice::Play(const WaveFormat &format, std::span<const std::uint8_t> data,
                           const std::atomic<bool> &cancel, QString &error) {
  snd_pcm_t *pcm = OpenPcm(playbackDevice_, SND_PCM_STREAM_PLAYBACK, format, error);
  if (!pcm)
    return false;
  const std::size_t align = format.BlockAlign;
  const std::size_t total = data.size() / align;
  // A tenth of a second per write, so that a cancel is seen in time.
  const std::size_t slice = std::max<std::size_t>(format.SamplesPerSec / 10, 1);
  std::size_t done = 0;
  bool ok = true;
  while (done < total && !cancel) {
    const std::size_t n = std::min(slice, total - done);
    const snd_pcm_sframes_t wrote = snd_pcm_writei(pcm, data.data() + done * align, n);
    if (wrote < 0) {
      if (snd_pcm_recover(pcm, static_cast<int>(wrote), 1) < 0) {
        error = QStringLiteral("the sound could not be played: %1").arg(AlsaText(static_cast<int>(wrote)));
        ok = false;
        break;
      }
      continue;
    }
    done += static_cast<std::size_t>(wrote);
  }
  if (ok && !cancel)
    snd_pcm_drain(pcm);
  else
    snd_pcm_drop(pcm);
  snd_pcm_close(pcm);
  return ok;
}

} // namespace calidarix
