#pragma once
// TWaveRecorder records sound from the sound input into a fixed wave file ("c:\rec.wav", that is the
// drive C folder's "rec.wav"), buffer by buffer, as its caller's command asks: create, optionally
// change FFormat, Open, Start, Stop, destroy.
//
// The device hands filled buffers over on its own thread; ProcessBuffer writes them while FRecording
// is set. Stop clears FRecording and then waits until the device's thread has left the handler, so
// no write is ever cut off, before the file's sizes are written. Only the bytes the device recorded
// are written. The file grows under a temporary name beside the target and takes its name only when
// Stop has completed it. Headers always carry the full 32-bit sample rate and a block align and byte
// rate that match channels and bits. Failures are reported only through the Boolean results, FReady
// and FErrorText (in the design's own words).

#include "mainwindow/sound_device.h"
#include "mainwindow/wave_file.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace calidarix {

// The messages of a wave input device, as ProcessBuffer receives them.
inline constexpr int kWimOpen = 0x3BE;
inline constexpr int kWimClose = 0x3BF;
inline constexpr int kWimData = 0x3C0;

// The recorder's file: "c:\rec.wav" on the drive C folder.
QString RecorderFileName();

class TWaveRecorder {
public:
  static constexpr int kMaxBuffers = 8;

  // bufferSize: bytes per buffer; bufferCount: 1 .. 8 (others are limited to that). The format starts
  // as PCM, 1 channel, 20000 samples per second, 16 bits. fileName empty: RecorderFileName().
  TWaveRecorder(int bufferSize, int bufferCount, SoundDevice &device = ProgramSoundDevice(),
                QString fileName = QString());
  // Stops a recording that still runs.
  virtual ~TWaveRecorder();
  TWaveRecorder(const TWaveRecorder &) = delete;
  TWaveRecorder &operator=(const TWaveRecorder &) = delete;

  // Prepares a recording with the current FFormat; true when the format and buffers can be used.
  bool Open();
  // Starts recording into a new file. False with FErrorText when the device did not start.
  bool Start();
  // Stops, writes the file's sizes and gives the file its name. Harmless when nothing runs.
  void Stop();

  // Writes one filled buffer while recording; the first creates the file with its header. Runs on
  // the device's thread. A class that overrides it calls Stop in its own destructor, so that the
  // device is quiet before the override goes.
  virtual void ProcessBuffer(int message, const std::uint8_t *data, std::size_t size);

  const QString &FileName() const { return FFileName; }

  int FBufferSize = 0;
  int FNextIndex = 0;
  int FBufferCount = 0;
  std::atomic<bool> FRecording{false};
  bool FOpened = false;
  WaveFormat FFormat;
  int FBytesPerBuffer = 0;
  bool FReady = false;
  QString FErrorText;
  std::atomic<int> FQueuedCount{0};
  std::atomic<int> FDoneCount{0};
  bool FFirstBuffer = true;
  std::uint32_t FDataBytes = 0;

private:
  void WaveInCallback(std::span<const std::uint8_t> data);
  bool CreateFile();
  void FinishFile();
  void Fail(const QString &text);

  SoundDevice &FDevice;
  QString FFileName;
  std::mutex FWriteMutex; // the device's thread writes, Stop finishes
  int FStream = -1;       // the temporary file while recording
  std::string FTemporary;
  bool FWriteFailed = false;
};

} // namespace calidarix
