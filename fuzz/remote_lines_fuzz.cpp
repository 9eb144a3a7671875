// Fuzz target of the remote-control line reader and its commands: a client's bytes, arriving in pieces
// of any size, are taken line by line as the server takes them, never with a crash. A reply is one
// line; a name handed to "start" is safe as a file name; a point added lies inside the image; a line
// longer than the limit drops the connection.

#include "acquisition/tcp_remote.h"
#include "fuzz/fuzz_require.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

using namespace calidarix;

using calidarix::fuzz::Require;

class Host : public TRemoteHost {
public:
  Host(std::int32_t width, std::int32_t height) : width_(width), height_(height) {}
  void RemoteStart(const QString &fileName) override {
    Require(fileName.size() <= 200);
    for (const QChar c : fileName)
      Require(c.unicode() >= 0x20 && c.unicode() != 0x7F && c != QLatin1Char(':') && c != QLatin1Char('/') &&
              c != QLatin1Char('\\'));
  }
  void RemoteStop() override {}
  std::optional<std::pair<std::int32_t, std::int32_t>> RemoteScanProgress() override {
    return std::pair(3, height_);
  }
  std::vector<double> RemotePointTemperatures() override { return {21.456, -3.004}; }
  std::optional<TRemoteCursor> RemoteCursor() override { return TRemoteCursor{1, 2, 36.6}; }
  TRemoteArea RemoteArea() override { return WholeFrameArea(width_, height_, -5.0, 40.25, 20.0); }
  std::pair<std::int32_t, std::int32_t> RemoteImageSize() override { return {width_, height_}; }
  void RemoteAddPoint(std::int32_t x, std::int32_t y, std::int32_t direction) override {
    Require(x >= 0 && y >= 0 && x < width_ && y < height_ && direction >= 0 && direction <= 3);
  }

private:
  std::int32_t width_;
  std::int32_t height_;
};

void Serve(TRemoteCommand command, std::string_view argument, Host &host) {
  const std::optional<std::string> reply = ServeRemoteCommand(command, argument, host);
  if (reply)
    Require(reply->find_first_of("\r\n") == std::string::npos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 2)
    return 0;
  // Byte 0: the size of the pieces the bytes arrive in; byte 1: the image the commands see.
  const std::size_t piece = 1 + data[0] % 64;
  Host host(data[1] & 0x0F, data[1] >> 4);
  const std::string_view bytes(reinterpret_cast<const char *>(data + 2), size - 2);

  TRemoteLineReader reader;
  std::optional<TRemoteCommand> command;
  bool done = false;
  for (std::size_t at = 0; at < bytes.size() && !done; at += piece) {
    reader.Append(bytes.substr(at, piece));
    if (!command) {
      if (const std::optional<std::string> line = reader.TakeLine()) {
        Require(line->size() <= kRemoteLineLimit && line->find("\r\n") == std::string::npos);
        command = ParseRemoteCommand(*line);
      }
    }
    if (command && !RemoteCommandTakesArgument(*command)) {
      Serve(*command, {}, host);
      done = true;
    } else if (command) {
      if (const std::optional<std::string> argument = reader.TakeLine()) {
        Require(argument->size() <= kRemoteLineLimit);
        Serve(*command, *argument, host);
        done = true;
      }
    }
    if (!done && reader.Overflow())
      return 0; // dropped
  }
  if (done || reader.Overflow())
    return 0;
  // The client closed: what is left without its CR LF is the last line.
  if (!command) {
    const std::optional<std::string> line = reader.TakeLine();
    command = ParseRemoteCommand(line ? *line : reader.TakeRest());
  }
  const std::optional<std::string> argument = reader.TakeLine();
  const std::string last = argument ? *argument : reader.TakeRest();
  Require(last.size() <= kRemoteLineLimit);
  Serve(*command, RemoteCommandTakesArgument(*command) ? std::string_view(last) : std::string_view(), host);
  return 0;
}
