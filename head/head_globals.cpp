#include "head/head_globals.h"

#include "head/head_link.h"
#include "platform/inifile.h"
#include "platform/numbers.h"

#include <QByteArray>

#include <chrono>

namespace calidarix {

std::unique_ptr<tQor> QorHead;
std::string QorIpAddress = "192.168.0.254";
float StripCounterRate = 8.0f;
std::uint32_t QorLastReportTick = 0;
std::int32_t QorLastReportCounter = 0;
bool QorHorCounterSeen = false;
bool QorCountersComplete = false;
QString QorLastFrameDump;

namespace {

HeadLogSink logSink;
std::function<bool()> loggingQuestion;

// "host:port" or "host"; a port that is not 1..65535 keeps the default.
HeadAddress ParseAddress(const std::string &text) {
  HeadAddress address;
  const std::size_t colon = text.rfind(':');
  address.host = text.substr(0, colon);
  if (colon != std::string::npos) {
    const std::optional<std::int64_t> port = ParseInteger(text.substr(colon + 1));
    if (port && *port >= 1 && *port <= 65535)
      address.port = static_cast<std::uint16_t>(*port);
  }
  return address;
}

} // namespace

HeadAddress HeadNetworkAddress() {
  const QByteArray fromEnvironment = qgetenv("CALIDARIX_HEAD_ADDRESS").trimmed();
  if (!fromEnvironment.isEmpty())
    return ParseAddress(fromEnvironment.toStdString());
  const IniFile ini(ProgramIniPath());
  HeadAddress address;
  address.host = ini.ReadString("QOR", "Address", QorIpAddress);
  const std::int32_t port = ini.ReadInteger("QOR", "Port", kQorUdpPort);
  address.port = port >= 1 && port <= 65535 ? static_cast<std::uint16_t>(port) : kQorUdpPort;
  return address;
}

void SetHeadLogSink(HeadLogSink sink, std::function<bool()> loggingOn) {
  logSink = std::move(sink);
  loggingQuestion = std::move(loggingOn);
}

void HeadLog(const QString &text) {
  if (logSink)
    logSink(text);
}

bool HeadLoggingOn() {
  return loggingQuestion && loggingQuestion();
}

std::uint32_t HeadTickCount() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void ResetHeadGlobals() {
  QorHead.reset();
  QorIpAddress = "192.168.0.254";
  StripCounterRate = 8.0f;
  QorLastReportTick = 0;
  QorLastReportCounter = 0;
  QorHorCounterSeen = false;
  QorCountersComplete = false;
  QorLastFrameDump.clear();
  SetHeadLogSink({});
}

} // namespace calidarix
