#pragma once
// Joystick 1 (the first Linux joystick device) captured for the main window: polled on a timer,
// changes only, delivered to TCalidarix::JoyMove, JoyButtonDown and JoyButtonUp. Without a device the
// capture fails quietly and nothing arrives.

#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/shell_services.h"
#include "platform/joystick.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QTimer;

namespace calidarix {

class DeviceJoystick : public QObject, public Joystick {
public:
  DeviceJoystick();
  ~DeviceJoystick() override;

  ServiceStatus Capture(TCalidarix &window, int periodMs) override;
  void Release() override;

private:
  void PollDevice();

  QTimer *timer_;
  QPointer<TCalidarix> window_; // a window destroyed without closing is not called
  std::unique_ptr<JoystickReader> reader_;
};

} // namespace calidarix
