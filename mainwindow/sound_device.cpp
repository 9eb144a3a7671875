#include "mainwindow/sound_device.h"

#include "mainwindow/alsa_sound.h"
#include "mainwindow/fake_sound.h"

#include <QByteArray>
#include <QtGlobal>

#include <mutex>

namespace calidarix {

namespace {

std::mutex deviceMutex;
std::unique_ptr<SoundDevice> programDevice;

std::unique_ptr<SoundDevice> DeviceFromEnvironment() {
  const QByteArray choice = qgetenv("CALIDARIX_SOUND").trimmed().toLower();
  if (choice == "fake") {
    FakeSoundDevice::Options options;
    options.Pace = 1.0;
    return std::make_unique<FakeSoundDevice>(options);
  }
  if (choice == "none")
    return std::make_unique<NoSoundDevice>();
  return std::make_unique<AlsaSoundDevice>();
}

} // namespace

bool NoSoundDevice::StartCapture(const WaveFormat &, std::size_t, CaptureHandler, QString &error) {
  error = QStringLiteral("no sound input device");
  return false;
}

bool NoSoundDevice::Play(const WaveFormat &, std::span<const std::uint8_t>, const std::atomic<bool> &,
                         QString &error) {
  error = QStringLiteral("no sound output device");
  return false;
}

SoundDevice &ProgramSoundDevice() {
  std::lock_guard lock(deviceMutex);
  if (!programDevice)
    programDevice = DeviceFromEnvironment();
  return *programDevice;
}

void SetProgramSoundDevice(std::unique_ptr<SoundDevice> device) {
  std::lock_guard lock(deviceMutex);
  programDevice = std::move(device);
}

} // namespace calidarix
