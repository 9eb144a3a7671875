#include "mainwindow/ui/sound_wait.h"

#include "mainwindow/voice_comment.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace calidarix {

namespace {

// Room for the device's own buffering and start-up beyond the sound's length.
constexpr qint64 kPlaybackMarginMs = 3000;

} // namespace

void RunEventsFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

QString PlayWaveFileAndWait(SoundDevice &device, const QString &fileName,
                            const std::function<void(int percent)> &progress) {
  WaveSound sound;
  if (const IoResult read = ReadWaveFile(fileName, sound); !read)
    return read.message;
  SoundPlayback playback(device, std::move(sound));
  const qint64 length = playback.DurationMs();
  QElapsedTimer clock;
  clock.start();
  while (!playback.Done()) {
    if (clock.elapsed() > length + kPlaybackMarginMs) {
      playback.Cancel();
      break;
    }
    if (progress && length > 0)
      progress(static_cast<int>(std::min<qint64>(100, clock.elapsed() * 100 / length)));
    RunEventsFor(20);
  }
  // Waits for the thread; after a cancel the device returns within a tenth of a second.
  while (!playback.Done())
    RunEventsFor(20);
  if (progress)
    progress(100);
  if (!playback.Succeeded())
    return playback.Error().isEmpty() ? QStringLiteral("the sound did not finish playing") : playback.Error();
  return QString();
}

} // namespace calidarix
