#pragma once
// A sound device without hardware. Capturing emits fixed PCM buffers on its own thread: the byte at
// stream offset i is (i * 7) mod 256, so a test can tell every byte's place in the recording. Playing
// keeps the bytes it was given. The pace says how fast: 0 emits and plays as fast as it can, 1 is real
// time (a second of sound takes a second).

#include "mainwindow/sound_device.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace calidarix {

class FakeSoundDevice : public SoundDevice {
public:
  struct Options {
    bool HasInput = true;
    double Pace = 0.0;
    // Bytes a capture emits before it falls silent (it keeps running until stopped); 0: no end. Only
    // whole buffers are emitted, as a device returns them.
    std::size_t CaptureLimit = 0;
    // A capture or playback that fails to start, with this text; empty: none fails.
    QString FailText;
  };

  FakeSoundDevice() = default;
  explicit FakeSoundDevice(Options options) : options_(std::move(options)) {}
  ~FakeSoundDevice() override;

  bool HasInput() override { return options_.HasInput; }
  bool StartCapture(const WaveFormat &format, std::size_t bufferBytes, CaptureHandler handler,
                    QString &error) override;
  void StopCapture() override;
  bool Play(const WaveFormat &format, std::span<const std::uint8_t> data, const std::atomic<bool> &cancel,
            QString &error) override;

  // The byte a capture emits at stream offset i.
  static std::uint8_t PatternByte(std::size_t i) { return static_cast<std::uint8_t>((i * 7u) & 0xFFu); }

  // Blocks until the capture has emitted at least `bytes`, or it fell silent for good; returns the
  // bytes emitted so far.
  std::size_t WaitForEmitted(std::size_t bytes);
  std::size_t Emitted() const;
  int BuffersEmitted() const;
  // What the last playback was given, and how many playbacks ran.
  std::vector<std::uint8_t> Played() const;
  WaveFormat PlayedFormat() const;
  int PlayCount() const;
  // Every playback since the device was made, in order.
  std::vector<WaveSound> Playbacks() const;

private:
  void Run(WaveFormat format, std::size_t bufferBytes, CaptureHandler handler);

  Options options_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;
  bool stop_ = false;
  bool silent_ = false;
  std::size_t emitted_ = 0;
  int buffers_ = 0;
  std::vector<std::uint8_t> played_;
  WaveFormat playedFormat_;
  int playCount_ = 0;
  std::vector<WaveSound> playbacks_;
};

} // namespace calidarix
