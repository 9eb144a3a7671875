#pragma once
// A remote-control client for the tests: a real socket on the server's own thread, whose waits turn
// the event loop so that the server runs meanwhile.

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QThread>

#include <cstdint>
#include <functional>

namespace calidarix::test {

inline bool WaitFor(const std::function<bool()> &done, int timeoutMs = 3000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs)
      return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QThread::msleep(1);
  }
  return true;
}

// A client on the same thread as the server; every wait turns the event loop so the server runs.
class RemoteClient {
public:
  explicit RemoteClient(std::uint16_t port) {
    socket_.connectToHost(QHostAddress::LocalHost, port);
    // Connected, or refused: a server at its client limit closes the connection at once.
    WaitFor([this] {
      return socket_.state() == QAbstractSocket::ConnectedState ||
             socket_.state() == QAbstractSocket::UnconnectedState;
    });
    connected_ = socket_.state() == QAbstractSocket::ConnectedState;
  }
  bool Connected() const { return connected_; }
  void Send(const QByteArray &bytes) {
    socket_.write(bytes);
    socket_.flush();
    // Give the server a turn to read what arrived.
    WaitFor([] { return false; }, 20);
  }
  void Close() { socket_.disconnectFromHost(); }
  // Waits until the server closes the connection; everything it sent.
  QByteArray ReplyUntilClosed(int timeoutMs = 3000) {
    closedByServer_ = WaitFor(
        [this] {
          reply_ += socket_.readAll();
          return socket_.state() == QAbstractSocket::UnconnectedState;
        },
        timeoutMs);
    reply_ += socket_.readAll();
    return reply_;
  }
  bool ClosedByServer() const { return closedByServer_; }

private:
  QTcpSocket socket_;
  QByteArray reply_;
  bool connected_ = false;
  bool closedByServer_ = false;
};

} // namespace calidarix::test
