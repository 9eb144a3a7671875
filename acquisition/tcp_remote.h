#pragma once
// The remote-control line protocol: a client connects, sends one command line (and, for "start" and
// "setpoint", one argument line) and gets at most one reply line; then the connection is closed.
//
// Lines are ASCII ended by CR LF, at most kRemoteLineLimit bytes before their CR LF. Commands are
// compared in lower case: "start", "stop", "getstrnumb", "getpoint", "getcursor", "gettemp",
// "setpoint"; anything else gets no reply. Values in a reply are joined by "&"; numbers are written
// with "." whatever the program's decimal separator, temperatures in the general 15-digit form.
//
// This file holds the protocol alone: reading lines from a byte stream, recognising the command,
// and running it against TRemoteHost, the state of the main window it reads and changes. The server
// (acquisition/tcp_remote_server.h) owns the sockets and runs every command on the GUI thread.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calidarix {

inline constexpr std::size_t kRemoteLineLimit = 256;
inline constexpr int kRemoteIdleTimeoutMs = 5000;

// Collects the bytes of a connection and hands out its lines.
class TRemoteLineReader {
public:
  void Append(std::string_view bytes);
  // The next complete line (without its CR LF), or nullopt while it has not arrived.
  std::optional<std::string> TakeLine();
  // What is left when the client closed without a CR LF: taken as the last line.
  std::string TakeRest();
  // More than kRemoteLineLimit bytes without a CR LF: the connection is dropped.
  bool Overflow() const { return overflow_; }

private:
  std::string buffer_;
  bool overflow_ = false;
};

enum class TRemoteCommand { None, Start, Stop, GetStrNumb, GetPoint, GetCursor, GetTemp, SetPoint };

TRemoteCommand ParseRemoteCommand(std::string_view line);
// "start" and "setpoint" read an argument line before they act.
bool RemoteCommandTakesArgument(TRemoteCommand command);

struct TRemoteCursor {
  std::uint16_t X = 0;
  std::uint16_t Y = 0;
  double Temperature = 0.0;
};

// The rectangle "gettemp" reports and the temperatures of its minimum, maximum and mean.
struct TRemoteArea {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
  double TMin = 0.0;
  double TMax = 0.0;
  double TMean = 0.0;
};
// No area selected: the whole frame, 0, 0, width - 1, height - 1.
TRemoteArea WholeFrameArea(std::int32_t width, std::int32_t height, double tMin, double tMax, double tMean);

// The main window's state as the commands see it. Every call is made on the GUI thread.
class TRemoteHost {
public:
  virtual ~TRemoteHost() = default;
  // "start": remember the name for the film's save dialog, start acquisition when it is not running,
  // then toggle the frame button and run its command.
  virtual void RemoteStart(const QString &fileName) = 0;
  // "stop": stop acquisition when it is running.
  virtual void RemoteStop() = 0;
  // Frame count of the current thermogram and the line being received; nullopt when not acquiring.
  virtual std::optional<std::pair<std::int32_t, std::int32_t>> RemoteScanProgress() = 0;
  // Temperatures of the point markers in list order.
  virtual std::vector<double> RemotePointTemperatures() = 0;
  // The image pixel under the mouse and its temperature; nullopt when the mouse is not over the image.
  virtual std::optional<TRemoteCursor> RemoteCursor() = 0;
  virtual TRemoteArea RemoteArea() = 0;
  // Width and height of the current thermogram.
  virtual std::pair<std::int32_t, std::int32_t> RemoteImageSize() = 0;
  // Appends a point marker (number 0, no offset) and draws it.
  virtual void RemoteAddPoint(std::int32_t x, std::int32_t y, std::int32_t direction) = 0;
};

// The name "start" hands on, made safe for a file name: the client's folder part is dropped, control
// characters and ":" become "_", leading dots and blanks go, and at most 200 characters remain. A
// name with nothing left is empty (no name).
QString RemoteFileName(std::string_view text);

// The quadrant of the label of a point: 0 top left, 1 top right, 2 bottom right, 3 bottom left.
std::int32_t PointDirection(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);

// "x&y" as two integers; nullopt when it is not that.
std::optional<std::pair<std::int32_t, std::int32_t>> ParseSetPointArgument(std::string_view text);

// Runs one command; the reply line without its CR LF, or nullopt for no reply.
std::optional<std::string> ServeRemoteCommand(TRemoteCommand command, std::string_view argument,
                                              TRemoteHost &host);

} // namespace calidarix
