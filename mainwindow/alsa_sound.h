#pragma once
// The sound device on ALSA: capture and playback on the "default" PCM (or the ones named), with ALSA
// converting rates and formats the hardware lacks. Capture runs on a thread of its own that waits for
// data at most 100 ms at a time, so a stop is seen at once.

#include "mainwindow/sound_device.h"

#include <mutex>
#include <string>
#include <thread>

namespace calidarix {

class AlsaSoundDevice : public SoundDevice {
public:
  explicit AlsaSoundDevice(std::string captureDevice = "default", std::string playbackDevice = "default");
  ~AlsaSoundDevice() override;

  bool HasInput() override;
  bool StartCapture(const WaveFormat &format, std::size_t bufferBytes, CaptureHandler handler,
                    QString &error) override;
  void StopCapture() override;
  bool Play(const WaveFormat &format, std::span<const std::uint8_t> data, const std::atomic<bool> &cancel,
            QString &error) override;

private:
  std::string captureDevice_;
  std::string playbackDevice_;
  std::mutex mutex_; // one capture at a time
  std::thread thread_;
  std::atomic<bool> stop_{false};
};

} // namespace calidarix
