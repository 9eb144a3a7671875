#pragma once
// The remote-control server: a TCP listener on the GUI thread that feeds each client's lines to the
// line protocol (acquisition/tcp_remote.h) and writes the reply.
//
// A client sends one command line (and, for "start" and "setpoint", one argument line), receives at
// most one reply line and is then disconnected. Everything runs on the thread that owns the server,
// so the commands touch the main window's state without locks.
//
// Hostile clients cannot make the server hold more than a few hundred bytes per connection: a line
// longer than kRemoteLineLimit drops the connection at once, the socket's read buffer is capped, a
// client that sends nothing for the idle time-out is dropped without its partial command being run,
// and at most kRemoteMaxClients connections are served at a time (further ones are closed at once).
//
// Nothing in the program starts the server; its owner calls Listen with an address and a port. Every
// address passes the network gate (platform/network_policy.h) first.

#include "acquisition/tcp_remote.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

class QTcpServer;
class QTcpSocket;

namespace calidarix {

inline constexpr int kRemoteMaxClients = 16;

class TRemoteServer : public QObject {
public:
  // idleTimeoutMs: how long a client may stay silent before it is dropped.
  explicit TRemoteServer(TRemoteHost &host, int idleTimeoutMs = kRemoteIdleTimeoutMs,
                         QObject *parent = nullptr);
  ~TRemoteServer() override;

  // Starts listening; port 0 takes a free port (see Port). False, with ErrorString set, when the
  // network gate refuses the address or the port cannot be bound.
  bool Listen(const QHostAddress &address, std::uint16_t port);
  // Stops listening and drops every client without running its unfinished command.
  void Close();
  bool IsListening() const;
  std::uint16_t Port() const;
  QString ErrorString() const { return error_; }
  // Clients connected and not yet finished with.
  int ClientCount() const { return clients_; }

private:
  class Connection;
  void Accept();

  TRemoteHost &host_;
  int idleTimeoutMs_;
  int clients_ = 0;
  QString error_;
  // Declared last: destroyed first, while the counters its connections update still exist.
  std::unique_ptr<QTcpServer> server_;
};

} // namespace calidarix
