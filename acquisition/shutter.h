#pragma once
// The reference shutter of the USB thermal module: a small serial device that names itself "STM_VCP"
// when sent "getName" and then sends its temperature as 7 characters of decimal text.
//
// Only the configured COM number is probed (the serial transport maps it to a device, see
// acquisition/com_port.h): writing "getName" to every serial port would disturb the head and any
// other device that listens there. Number 0 configures no shutter.

#include "acquisition/com_port.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace calidarix {

class TModuleShutter {
public:
  TModuleShutter(int portNumber, std::function<void(const QString &)> log);

  // Asks the configured port for its name; FShutterFound when it answers "STM_VCP".
  void FindShutterPort();
  // One reading in degrees Celsius; 0 when there is no shutter, nothing arrived or the text is no
  // number. Searches first when the shutter was not found yet.
  double ReadShutterTemperature();

  bool FShutterFound = false;
  int SeekShutterPortNumber = 0;
  std::unique_ptr<TComPort> SeekShutterPort;

private:
  void Log(const QString &text) const;
  std::function<void(const QString &)> log_;
};

// The shutter's reading as a number: blanks and line ends around it are ignored; nothing for any other
// text.
std::optional<double> ParseShutterReading(const QByteArray &text);

} // namespace calidarix
