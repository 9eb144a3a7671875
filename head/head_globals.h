#pragma once
// Program-wide state of the head module: the one head link of the run, the values its replies leave
// for strip scanning, where its diagnostics go, and where the network head is found.

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace calidarix {

class tQor;

// The head link of the run; made at start-up and kept to the end.
extern std::unique_ptr<tQor> QorHead;

// The network head's address as designed; HeadNetworkAddress() says which one is used.
extern std::string QorIpAddress; // "192.168.0.254"
inline constexpr std::uint16_t kQorUdpPort = 8080;

// Vertical counter clicks per millisecond, estimated from the head's '!' reports (8.0 at start; the
// handshake sets 3.2 for heads of type 'M' and 5.7 for type 'S').
extern float StripCounterRate;
extern std::uint32_t QorLastReportTick;   // tick count of the last '!' report
extern std::int32_t QorLastReportCounter; // its vertical counter
// A counter request is complete once an 'H' reply and then a usable 'V' reply came.
extern bool QorHorCounterSeen;
extern bool QorCountersComplete;
// The dump of the last frame that failed its check.
extern QString QorLastFrameDump;

// The network head: CALIDARIX_HEAD_ADDRESS ("127.0.0.1:8080", or an address alone for port 8080) when
// set, else "Address" and "Port" of the section "[QOR]" of "Calidarix.ini", else QorIpAddress:8080.
struct HeadAddress {
  std::string host;
  std::uint16_t port = kQorUdpPort;
};
HeadAddress HeadNetworkAddress();

// Diagnostics go to the sink (the log window installs itself); without one they are dropped. Lines the
// design writes only "when logging is on" ask HeadLoggingOn(), which answers the installed question.
using HeadLogSink = std::function<void(const QString &)>;
void SetHeadLogSink(HeadLogSink sink, std::function<bool()> loggingOn = {});
void HeadLog(const QString &text);
bool HeadLoggingOn();

// Milliseconds of a steady clock (the tick count of the rate estimate).
std::uint32_t HeadTickCount();

// Back to the start of a run: no link, the start values above, no log sink.
void ResetHeadGlobals();

} // namespace calidarix
