#include "acquisition/tcp_remote.h"

#include "platform/numbers.h"

#include <algorithm>
#include <limits>

namespace calidarix {

namespace {

std::string Lower(std::string_view text) {
  std::string s(text);
  for (char &c : s) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string Temperature(double t) {
  return FloatToText(t, '.');
}

std::optional<std::int32_t> ToInt32(std::string_view text) {
  const std::optional<std::int64_t> v = ParseInteger(text);
  if (!v || *v < std::numeric_limits<std::int32_t>::min() || *v > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(*v);
}

} // namespace

void TRemoteLineReader::Append(std::string_view bytes) {
  buffer_.append(bytes);
  const std::size_t end = buffer_.find("\r\n");
  if ((end == std::string::npos ? buffer_.size() : end) > kRemoteLineLimit)
    overflow_ = true;
}

std::optional<std::string> TRemoteLineReader::TakeLine() {
  const std::size_t end = buffer_.find("\r\n");
  if (end == std::string::npos || end > kRemoteLineLimit)
    return std::nullopt;
  std::string line = buffer_.substr(0, end);
  buffer_.erase(0, end + 2);
  // The next line is judged as soon as it is first: complete or not, it may already be too long.
  const std::size_t next = buffer_.find("\r\n");
  overflow_ = (next == std::string::npos ? buffer_.size() : next) > kRemoteLineLimit;
  return line;
}

std::string TRemoteLineReader::TakeRest() {
  if (buffer_.size() > kRemoteLineLimit)
    return {};
  return std::exchange(buffer_, std::string());
}

TRemoteCommand ParseRemoteCommand(std::string_view line) {
  const std::string c = Lower(line);
  if (c == "start")
    return TRemoteCommand::Start;
  if (c == "stop")
    return TRemoteCommand::Stop;
  if (c == "getstrnumb")
    return TRemoteCommand::GetStrNumb;
  if (c == "getpoint")
    return TRemoteCommand::GetPoint;
  if (c == "getcursor")
    return TRemoteCommand::GetCursor;
  if (c == "gettemp")
    return TRemoteCommand::GetTemp;
  if (c == "setpoint")
    return TRemoteCommand::SetPoint;
  return TRemoteCommand::None;
}

bool RemoteCommandTakesArgument(TRemoteCommand command) {
  return command == TRemoteCommand::Start || command == TRemoteCommand::SetPoint;
}

TRemoteArea WholeFrameArea(std::int32_t width, std::int32_t height, double tMin, double tMax, double tMean) {
  return {0, 0, width - 1, height - 1, tMin, tMax, tMean};
}

QString RemoteFileName(std::string_view text) {
  const std::size_t slash = text.find_last_of("/\\");
  if (slash != std::string_view::npos)
    text.remove_prefix(slash + 1);
  QString name = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  for (QChar &c : name) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QLatin1Char(':'))
      c = QLatin1Char('_');
  }
  qsizetype first = 0;
  while (first < name.size() && (name[first] == QLatin1Char('.') || name[first] == QLatin1Char(' ')))
    ++first;
  return name.mid(first, 200).trimmed();
}

std::int32_t PointDirection(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
  const bool right = x >= (width >> 1);
  const bool bottom = y >= (height >> 1);
  if (!bottom)
    return right ? 1 : 0;
  return right ? 2 : 3;
}

std::optional<std::pair<std::int32_t, std::int32_t>> ParseSetPointArgument(std::string_view text) {
  const std::size_t amp = text.find('&');
  if (amp == std::string_view::npos)
    return std::nullopt;
  const auto x = ToInt32(text.substr(0, amp));
  const auto y = ToInt32(text.substr(amp + 1));
  if (!x || !y)
    return std::nullopt;
  return std::pair(*x, *y);
}

std::optional<std::string> ServeRemoteCommand(TRemoteCommand command, std::string_view argument,
                                              TRemoteHost &host) {
  switch (command) {
  case TRemoteCommand::None:
    return std::nullopt;
  case TRemoteCommand::Start:
    host.RemoteStart(RemoteFileName(argument));
    return std::nullopt;
  case TRemoteCommand::Stop:
    host.RemoteStop();
    return std::nullopt;
  case TRemoteCommand::GetStrNumb: {
    const auto progress = host.RemoteScanProgress();
    if (!progress)
      return std::nullopt;
    return std::to_string(progress->first) + "&" + std::to_string(progress->second);
  }
  case TRemoteCommand::GetPoint: {
    std::string reply;
    for (const double t : host.RemotePointTemperatures()) {
      if (!reply.empty())
        reply += '&';
      reply += Temperature(RoundHalfEven(t * 100.0) / 100.0);
    }
    return reply;
  }
  case TRemoteCommand::GetCursor: {
    const auto cursor = host.RemoteCursor();
    if (!cursor)
      return std::string("MouseOut");
    return std::to_string(cursor->X) + "&" + std::to_string(cursor->Y) + "&" +
           Temperature(cursor->Temperature);
  }
  case TRemoteCommand::GetTemp: {
    const TRemoteArea a = host.RemoteArea();
    return std::to_string(a.Left) + "&" + std::to_string(a.Top) + "&" + std::to_string(a.Right) + "&" +
           std::to_string(a.Bottom) + "&" + Temperature(a.TMin) + "&" + Temperature(a.TMax) + "&" +
           Temperature(a.TMean);
  }
  case TRemoteCommand::SetPoint: {
    const auto point = ParseSetPointArgument(argument);
    if (!point)
      return std::nullopt;
    const auto [width, height] = host.RemoteImageSize();
    const auto [x, y] = *point;
    // The last column and the last row are outside, as the frame's rectangle excludes its edges.
    if (x < 0 || y < 0 || x >= width - 1 || y >= height - 1)
      return std::nullopt;
    host.RemoteAddPoint(x, y, PointDirection(x, y, width, height));
    return std::nullopt;
  }
  }
  return std::nullopt;
}

} // namespace calidarix
