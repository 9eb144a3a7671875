#pragma once
// The sound input and output of the voice comments and the sound recorder, behind one small
// interface: the ALSA backend for real machines, a fake device for tests and demonstrations, and "no
// device".
//
// The program's device is chosen on first use from CALIDARIX_SOUND: "fake" is the fake device at real
// time pace (its recording is a fixed byte pattern), "none" is no device, anything else (or no variable) is
// ALSA's default device.

#include "mainwindow/wave_file.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace calidarix {

// Receives each filled buffer of a capture, on the device's own thread.
using CaptureHandler = std::function<void(std::span<const std::uint8_t> data)>;

class SoundDevice {
public:
  virtual ~SoundDevice() = default;

  // Whether a capture device exists at all.
  virtual bool HasInput() = 0;
  // Starts capturing `format` in buffers of `bufferBytes` (a multiple of the block align). `handler`
  // runs on the device's thread with the bytes actually recorded, never more. False with `error`
  // when the capture could not start; nothing runs then.
  virtual bool StartCapture(const WaveFormat &format, std::size_t bufferBytes, CaptureHandler handler,
                            QString &error) = 0;
  // Ends a capture. When it returns the handler is not running and will not run again. Harmless
  // when no capture runs.
  virtual void StopCapture() = 0;
  // Plays whole sample frames to their end, or until `cancel` is set; blocks the calling thread.
  // False with `error` when the device cannot play.
  virtual bool Play(const WaveFormat &format, std::span<const std::uint8_t> data,
                    const std::atomic<bool> &cancel, QString &error) = 0;
};

// No sound hardware: no input, and playing reports that there is no device.
class NoSoundDevice : public SoundDevice {
public:
  bool HasInput() override { return false; }
  bool StartCapture(const WaveFormat &, std::size_t, CaptureHandler, QString &error) override;
  void StopCapture() override {}
  bool Play(const WaveFormat &, std::span<const std::uint8_t>, const std::atomic<bool> &,
            QString &error) override;
};

// The device of the run (see above).
SoundDevice &ProgramSoundDevice();
// Replaces the device of the run (tests); null chooses again from the environment on next use.
void SetProgramSoundDevice(std::unique_ptr<SoundDevice> device);

} // namespace calidarix
