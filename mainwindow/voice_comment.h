#pragma once
// Spoken comments: the comment dialog records five seconds into "c:\IRSound.wav" (the drive C folder's
// "IRSound.wav"), PCM, mono, 44100 samples per second, 16 bits, where Save As finds it and moves it
// beside the saved thermogram; a thermogram's spoken comment is the wave file of its own name.
//
// Recording and playing run on the sound device's threads; the window only polls their progress, so
// it stays alive and every wait has an end.

#include "mainwindow/sound_device.h"
#include "mainwindow/wave_file.h"
#include "thermogram/io_result.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace calidarix {

inline constexpr int kVoiceCommentMs = 5000;

// "c:\IRSound.wav" on the drive C folder.
QString VoiceCommentFileName();
WaveFormat VoiceCommentFormat();
// The bytes of a recording of `ms` milliseconds in `format`, in whole sample frames.
std::size_t SoundBytes(const WaveFormat &format, int ms);

// The spoken comment of a thermogram: its file name with the extension ".wav", found whatever the
// case of the name; empty when there is none.
QString VoiceNoteOf(const QString &thermogramFile);

// A recording of a fixed number of bytes, kept in memory and written whole when it is complete.
class VoiceRecording {
public:
  VoiceRecording(SoundDevice &device, const WaveFormat &format, std::size_t bytes);
  ~VoiceRecording();
  VoiceRecording(const VoiceRecording &) = delete;
  VoiceRecording &operator=(const VoiceRecording &) = delete;

  bool Start(QString &error);
  std::size_t Recorded() const;
  std::size_t Wanted() const { return wanted_; }
  bool Complete() const { return Recorded() >= wanted_; }
  // Stops the device. A complete recording is written to `fileName` (replacing an existing file only
  // once the new one is whole); an incomplete one is refused and writes nothing.
  IoResult Finish(const QString &fileName);

private:
  SoundDevice &device_;
  WaveFormat format_;
  std::size_t wanted_;
  mutable std::mutex mutex_;
  std::vector<std::uint8_t> data_;
  bool running_ = false;
};

// A sound played on a thread of its own.
class SoundPlayback {
public:
  SoundPlayback(SoundDevice &device, WaveSound sound);
  // Cancels and waits for the thread.
  ~SoundPlayback();
  SoundPlayback(const SoundPlayback &) = delete;
  SoundPlayback &operator=(const SoundPlayback &) = delete;

  bool Done() const { return done_; }
  void Cancel() { cancel_ = true; }
  // After Done: whether it played, and why not.
  bool Succeeded() const;
  QString Error() const;
  // Milliseconds of sound.
  int DurationMs() const;

private:
  SoundDevice &device_;
  WaveSound sound_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> done_{false};
  mutable std::mutex mutex_;
  bool ok_ = false;
  QString error_;
  std::thread thread_;
};

} // namespace calidarix
