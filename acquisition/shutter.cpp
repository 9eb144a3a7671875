#include "acquisition/shutter.h"

#include "platform/numbers.h"

#include <QByteArray>

namespace calidarix {

namespace {

constexpr int kShutterBaud = 9600;
constexpr int kReplyLength = 7;

} // namespace

TModuleShutter::TModuleShutter(int portNumber, std::function<void(const QString &)> log)
    : SeekShutterPortNumber(portNumber), log_(std::move(log)) {}

void TModuleShutter::Log(const QString &text) const {
  if (log_)
    log_(text);
}

void TModuleShutter::FindShutterPort() {
  Log(QStringLiteral("Initialize COM port"));
  if (!SeekShutterPort) {
    SeekShutterPort = std::make_unique<TComPort>();
    Log(QStringLiteral("Com port class created"));
  }
  FShutterFound = false;
  const int n = SeekShutterPortNumber;
  if (n > 0) {
    const QString name = QStringLiteral("COM%1").arg(n);
    Log(name + QStringLiteral(" exists?"));
    if (SeekShutterPort->PortExists(n) && SeekShutterPort->OpenPort(n, kShutterBaud)) {
      SeekShutterPort->WritePort("getName", 7);
      char reply[kReplyLength] = {};
      const int got = SeekShutterPort->ReadPort(reply, kReplyLength);
      if (got == kReplyLength && QByteArray(reply, kReplyLength) == "STM_VCP") {
        Log(name + QStringLiteral(" initialized"));
        SeekShutterPort->PurgeRx();
        FShutterFound = true;
        return;
      }
      SeekShutterPort->ClosePort();
      Log(name + QStringLiteral(" closed"));
    }
  }
  Log(QStringLiteral("Blinds initialization failed"));
}

double TModuleShutter::ReadShutterTemperature() {
  if (!SeekShutterPort || !FShutterFound)
    FindShutterPort();
  if (!FShutterFound) {
    Log(QStringLiteral("No Seek blinds. Exiting"));
    return 0.0;
  }
  char text[kReplyLength] = {};
  const int got = SeekShutterPort->ReadPort(text, kReplyLength);
  if (got <= 0) {
    SeekShutterPort->PurgeRx();
    Log(QStringLiteral("COM receive failed"));
    return 0.0;
  }
  const QByteArray reply(text, got);
  Log(QString::fromLatin1(reply) + QStringLiteral(" received from COM port"));
  return ParseShutterReading(reply).value_or(0.0);
}

std::optional<double> ParseShutterReading(const QByteArray &text) {
  QByteArray t = text;
  while (!t.isEmpty() && (t.back() == '\0' || t.back() == ' ' || t.back() == '\r' || t.back() == '\n'))
    t.chop(1);
  while (!t.isEmpty() && (t.front() == ' ' || t.front() == '\r' || t.front() == '\n'))
    t.remove(0, 1);
  if (t.isEmpty())
    return std::nullopt;
  return ParseFloat(std::string_view(t.constData(), static_cast<std::size_t>(t.size())), '.');
}

} // namespace calidarix
