#include "mainwindow/ui/joystick.h"

#include "mainwindow/ui/logger_window.h"

#include <QTimer>

namespace calidarix {

DeviceJoystick::DeviceJoystick() : timer_(new QTimer(this)) {
  connect(timer_, &QTimer::timeout, this, &DeviceJoystick::PollDevice);
}

DeviceJoystick::~DeviceJoystick() = default;

ServiceStatus DeviceJoystick::Capture(TCalidarix &window, int periodMs) {
  Release();
  const std::optional<std::filesystem::path> device = JoystickDevicePath(0);
  if (!device)
    return ServiceStatus::NotAvailable;
  reader_ = JoystickReader::Open(*device);
  if (!reader_)
    return ServiceStatus::Failed;
  window_ = &window;
  // The state at opening is only the starting point.
  reader_->Poll();
  timer_->start(periodMs);
  return ServiceStatus::Done;
}

void DeviceJoystick::Release() {
  timer_->stop();
  reader_.reset();
  window_ = nullptr;
}

void DeviceJoystick::PollDevice() {
  if (!reader_ || !window_)
    return;
  for (const JoystickChange &change : reader_->Poll()) {
    switch (change.kind) {
    case JoystickChange::Kind::Move:
      window_->JoyMove(change.buttons, change.x, change.y);
      break;
    case JoystickChange::Kind::ButtonDown:
      window_->JoyButtonDown(change.changed, change.buttons);
      break;
    case JoystickChange::Kind::ButtonUp:
      window_->JoyButtonUp(change.changed, change.buttons);
      break;
    }
  }
  if (reader_->Lost()) {
    if (logger)
      logger->AppendLine(QStringLiteral("Joystick: the device went away"));
    Release();
  }
}

} // namespace calidarix
