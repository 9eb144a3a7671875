#include "acquisition/tcp_remote_server.h"

#include "platform/network_policy.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <optional>
#include <string>

namespace calidarix {

namespace {

// A connection carries at most two lines; anything beyond them, CR LF included, is never read.
constexpr qint64 kConnectionByteBudget = 2 * (static_cast<qint64>(kRemoteLineLimit) + 2);

} // namespace

// One client, from its first byte to its disconnection. It lives as a child of its socket, so it
// goes with it.
class TRemoteServer::Connection : public QObject {
public:
  Connection(TRemoteServer &server, QTcpSocket *socket) : QObject(socket), server_(server), socket_(socket) {
    ++server_.clients_;
    socket_->setReadBufferSize(kConnectionByteBudget);
    idle_.setSingleShot(true);
    idle_.setInterval(server_.idleTimeoutMs_);
    connect(&idle_, &QTimer::timeout, this, [this] { Drop(); });
    connect(socket_, &QTcpSocket::readyRead, this, [this] { Read(); });
    connect(socket_, &QTcpSocket::disconnected, this, [this] { Closed(); });
    idle_.start();
  }
  ~Connection() override { Finished(); }

  // Without running anything: the server is closing or the client broke a limit.
  void Drop() {
    Finished();
    socket_->disconnect(this);
    socket_->abort();
    socket_->deleteLater();
  }

private:
  void Read() {
    if (done_)
      return;
    idle_.start();
    while (!done_ && socket_->bytesAvailable() > 0) {
      if (received_ >= kConnectionByteBudget) {
        Drop();
        return;
      }
      const QByteArray bytes = socket_->read(kConnectionByteBudget - received_);
      if (bytes.isEmpty())
        break;
      received_ += bytes.size();
      reader_.Append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
      Advance();
    }
  }

  // Takes the lines that have arrived and serves the command once it is complete.
  void Advance() {
    if (!command_) {
      const std::optional<std::string> line = reader_.TakeLine();
      if (line)
        command_ = ParseRemoteCommand(*line);
    }
    if (command_ && !RemoteCommandTakesArgument(*command_)) {
      Serve(std::string(), true);
      return;
    }
    if (command_) {
      const std::optional<std::string> argument = reader_.TakeLine();
      if (argument) {
        Serve(*argument, true);
        return;
      }
    }
    if (reader_.Overflow())
      Drop();
  }

  // The client closed: what arrived without its CR LF is the last line, and the command still runs
  // (it can no longer be answered).
  void Closed() {
    if (!done_) {
      Read();
      if (!done_ && !reader_.Overflow()) {
        if (!command_) {
          const std::optional<std::string> line = reader_.TakeLine();
          command_ = ParseRemoteCommand(line ? *line : reader_.TakeRest());
        }
        if (RemoteCommandTakesArgument(*command_)) {
          const std::optional<std::string> argument = reader_.TakeLine();
          Serve(argument ? *argument : reader_.TakeRest(), false);
        } else {
          Serve(std::string(), false);
        }
      }
    }
    Finished();
    socket_->deleteLater();
  }

  void Serve(const std::string &argument, bool connected) {
    Finished();
    const std::optional<std::string> reply = ServeRemoteCommand(*command_, argument, server_.host_);
    if (!connected)
      return;
    if (reply)
      socket_->write(QByteArray::fromStdString(*reply + "\r\n"));
    // Sends what is queued, then closes; the disconnected signal frees the socket.
    socket_->disconnectFromHost();
  }

  void Finished() {
    if (done_)
      return;
    done_ = true;
    idle_.stop();
    --server_.clients_;
  }

  TRemoteServer &server_;
  QTcpSocket *socket_;
  QTimer idle_;
  TRemoteLineReader reader_;
  std::optional<TRemoteCommand> command_;
  qint64 received_ = 0;
  bool done_ = false;
};

TRemoteServer::TRemoteServer(TRemoteHost &host, int idleTimeoutMs, QObject *parent)
    : QObject(parent), host_(host), idleTimeoutMs_(idleTimeoutMs), server_(std::make_unique<QTcpServer>()) {
  connect(server_.get(), &QTcpServer::newConnection, this, [this] { Accept(); });
}

TRemoteServer::~TRemoteServer() {
  Close();
}

bool TRemoteServer::Listen(const QHostAddress &address, std::uint16_t port) {
  Close();
  error_.clear();
  if (!NetworkAllowed(address.toString().toStdString(), "remote-control server")) {
    error_ = QStringLiteral("The network policy refuses %1").arg(address.toString());
    return false;
  }
  if (!server_->listen(address, port)) {
    error_ = server_->errorString();
    return false;
  }
  return true;
}

void TRemoteServer::Close() {
  server_->close();
  for (QTcpSocket *socket : server_->findChildren<QTcpSocket *>()) {
    for (QObject *child : socket->children()) {
      if (auto *connection = dynamic_cast<Connection *>(child)) {
        connection->Drop();
        break;
      }
    }
  }
}

bool TRemoteServer::IsListening() const {
  return server_->isListening();
}

std::uint16_t TRemoteServer::Port() const {
  return server_->serverPort();
}

void TRemoteServer::Accept() {
  while (QTcpSocket *socket = server_->nextPendingConnection()) {
    if (clients_ >= kRemoteMaxClients) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    new Connection(*this, socket);
  }
}

} // namespace calidarix
