#pragma once
// The one gate every socket of the program passes before it sends a datagram, pings, connects or
// binds: may this address be reached?
//
// With CALIDARIX_NETWORK=loopback (case and surrounding blanks ignored) only 127.0.0.0/8, ::1 and
// IPv4-mapped loopback addresses (::ffff:127.x.x.x) are allowed; every other address, the wildcard
// and broadcast addresses included, is refused, and the refusal is written to the log sink with the
// address and what was attempted. Any other value, or no variable, allows every address.
//
// The variable is read on every call rather than cached: the check is cheap next to a socket
// operation, and a test or a run helper that sets the variable is obeyed at once.

#include <functional>
#include <string>
#include <string_view>
#include <sys/socket.h>

namespace calidarix {

// True when CALIDARIX_NETWORK asks for loopback only.
bool LoopbackOnly();

// True for 127.0.0.0/8, ::1 and ::ffff:127.0.0.0/104.
bool IsLoopbackAddress(const sockaddr *address, socklen_t length);

// The gate. `attempt` says what the caller is about to do ("UDP datagram to the camera", "head
// ping"); it goes into the log line of a refusal. Under loopback a null, short or non-IP address is
// refused too.
bool NetworkAllowed(const sockaddr *address, socklen_t length, std::string_view attempt);

// The same for an address in text form ("192.168.0.254", "::1"); under loopback, text that is not an
// IPv4 or IPv6 address (a host name) is refused.
bool NetworkAllowed(std::string_view address, std::string_view attempt);

// Where refusals are reported. The default writes a warning through Qt's message handler; the log
// window replaces it. An empty function restores the default. Returns the sink that was in place.
using NetworkLogSink = std::function<void(const std::string &line)>;
NetworkLogSink SetNetworkLogSink(NetworkLogSink sink);

} // namespace calidarix
