#include "platform/messages.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <array>
#include <cerrno>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace calidarix {
namespace {

constexpr int kSlotBits = 10;
constexpr std::uint32_t kSlotCount = (1u << kSlotBits) - 1; // slots 1..1023

// A peer that connects and never completes its request is dropped after this time.
constexpr int kIdleConnectionMs = 5000;

// --- Reply of a send that crosses threads ---

// The sender waits on this; the GUI thread moves it on. A message withdrawn by a sender that gave up
// is never handled afterwards, and a handler once started always finishes its reply.
struct SendReply {
  enum class State { Waiting, Running, Handled, Dropped, Withdrawn };
  std::mutex mutex;
  std::condition_variable changed;
  State state = State::Waiting;
  LRESULT result = 0;

  void Finish(State final, LRESULT value = 0) {
    {
      std::lock_guard lock(mutex);
      state = final;
      result = value;
    }
    changed.notify_all();
  }
};

QEvent::Type MessageEventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

class MessageEvent : public QEvent {
public:
  MessageEvent(WindowHandle handle, const Message &message, std::shared_ptr<SendReply> reply)
      : QEvent(MessageEventType()), handle_(handle), message_(message), reply_(std::move(reply)) {}

  // An event thrown away undelivered (the application ends) still releases a waiting sender.
  ~MessageEvent() override {
    if (reply_) {
      std::unique_lock lock(reply_->mutex);
      if (reply_->state == SendReply::State::Waiting) {
        lock.unlock();
        reply_->Finish(SendReply::State::Dropped);
      }
    }
  }

  WindowHandle handle() const { return handle_; }
  const Message &message() const { return message_; }
  const std::shared_ptr<SendReply> &reply() const { return reply_; }

private:
  WindowHandle handle_;
  Message message_;
  std::shared_ptr<SendReply> reply_;
};

// --- The handle table ---

class Dispatcher;

struct WindowEntry {
  std::shared_ptr<MessageHandler> handler;
  QMetaObject::Connection destroyedConnection;
};

struct WindowTable {
  std::mutex mutex;
  std::map<WindowHandle, WindowEntry> windows;
  std::uint32_t lastSlot = 0;
  QPointer<Dispatcher> dispatcher;
};

WindowTable &Table() {
  static WindowTable table;
  return table;
}

bool OnGuiThread() {
  const QCoreApplication *app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

std::shared_ptr<MessageHandler> FindHandler(WindowHandle handle) {
  WindowTable &table = Table();
  std::lock_guard lock(table.mutex);
  auto it = table.windows.find(handle);
  return it == table.windows.end() ? nullptr : it->second.handler;
}

// --- Wire format of the window sockets (little-endian) ---
// request: kind (1 byte: 1 post, 2 send), msg (4), wParam (8), lParam (8)
// reply:   status (1 byte: 1 delivered or queued, 0 no such window), result (8)
constexpr std::size_t kRequestSize = 21;
constexpr std::size_t kReplySize = 9;
constexpr std::uint8_t kKindPost = 1;
constexpr std::uint8_t kKindSend = 2;

struct Request {
  std::uint8_t kind = 0;
  Message message;
};

std::array<char, kRequestSize> EncodeRequest(std::uint8_t kind, MessageId msg, WPARAM wParam, LPARAM lParam) {
  std::array<char, kRequestSize> bytes{};
  bytes[0] = static_cast<char>(kind);
  qToLittleEndian<std::uint32_t>(msg, bytes.data() + 1);
  qToLittleEndian<std::uint64_t>(static_cast<std::uint64_t>(wParam), bytes.data() + 5);
  qToLittleEndian<std::int64_t>(static_cast<std::int64_t>(lParam), bytes.data() + 13);
  return bytes;
}

Request DecodeRequest(const char *bytes) {
  Request request;
  request.kind = static_cast<std::uint8_t>(bytes[0]);
  request.message.Msg = qFromLittleEndian<std::uint32_t>(bytes + 1);
  request.message.WParam = static_cast<WPARAM>(qFromLittleEndian<std::uint64_t>(bytes + 5));
  request.message.LParam = static_cast<LPARAM>(qFromLittleEndian<std::int64_t>(bytes + 13));
  return request;
}

std::array<char, kReplySize> EncodeReply(bool delivered, LRESULT result) {
  std::array<char, kReplySize> bytes{};
  bytes[0] = delivered ? 1 : 0;
  qToLittleEndian<std::int64_t>(static_cast<std::int64_t>(result), bytes.data() + 1);
  return bytes;
}

// Lives on the GUI thread: receives the queued messages and owns the window sockets.
class Dispatcher : public QObject {
public:
  using QObject::QObject;

  bool event(QEvent *event) override {
    if (event->type() != MessageEventType())
      return QObject::event(event);
    Deliver(*static_cast<MessageEvent *>(event));
    return true;
  }

  bool Publish(WindowHandle handle, const RemoteMessageFilter &accept) {
    if (servers_.count(handle) != 0)
      return true;
    const std::optional<std::filesystem::path> folder = WindowSocketFolder();
    if (!folder)
      return false;
    const QString path = QString::fromStdString(WindowSocketPath(*folder, handle).string());
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // Handles carry the process id, so a socket file of this name can only be left over from an
    // ended process that had the same id.
    QLocalServer::removeServer(path);
    if (!server->listen(path)) {
      delete server;
      return false;
    }
    connect(server, &QLocalServer::newConnection, server, [server, handle, accept] {
      while (QLocalSocket *socket = server->nextPendingConnection())
        Serve(socket, handle, accept);
    });
    servers_[handle] = server;
    return true;
  }

  void Withdraw(WindowHandle handle) {
    auto it = servers_.find(handle);
    if (it == servers_.end())
      return;
    QLocalServer *server = it->second;
    servers_.erase(it);
    server->close(); // removes the socket file
    server->deleteLater();
  }

private:
  static void Deliver(const MessageEvent &event) {
    const std::shared_ptr<MessageHandler> handler = FindHandler(event.handle());
    const std::shared_ptr<SendReply> &reply = event.reply();
    if (reply) {
      std::unique_lock lock(reply->mutex);
      if (reply->state != SendReply::State::Waiting)
        return; // the sender gave up
      if (!handler) {
        lock.unlock();
        reply->Finish(SendReply::State::Dropped);
        return;
      }
      reply->state = SendReply::State::Running;
    }
    if (!handler)
      return; // the window went away before its message arrived
    Message message = event.message();
    (*handler)(message);
    if (reply)
      reply->Finish(SendReply::State::Handled, message.Result);
  }

  // One request per connection: read it, deliver it, answer, close.
  static void Serve(QLocalSocket *socket, WindowHandle handle, const RemoteMessageFilter &accept) {
    QTimer::singleShot(kIdleConnectionMs, socket, [socket] {
      socket->abort();
      socket->deleteLater();
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, socket, [socket, handle, accept] {
      if (socket->bytesAvailable() < static_cast<qint64>(kRequestSize))
        return;
      std::array<char, kRequestSize> bytes{};
      if (socket->read(bytes.data(), kRequestSize) != static_cast<qint64>(kRequestSize))
        return;
      // Anything after the one request is ignored; the handler may pump events, so stop listening now.
      disconnect(socket, &QLocalSocket::readyRead, nullptr, nullptr);
      const Request request = DecodeRequest(bytes.data());
      const Message &m = request.message;
      bool delivered = false;
      LRESULT result = 0;
      if ((request.kind == kKindPost || request.kind == kKindSend) && !accept(m)) {
        // Refused: answered like a window that is not there.
      } else if (request.kind == kKindPost) {
        delivered = PostMessage(handle, m.Msg, m.WParam, m.LParam);
      } else if (request.kind == kKindSend) {
        const std::optional<LRESULT> answer = SendMessage(handle, m.Msg, m.WParam, m.LParam);
        delivered = answer.has_value();
        result = answer.value_or(0);
      } else {
        socket->abort();
        socket->deleteLater();
        return;
      }
      const std::array<char, kReplySize> reply = EncodeReply(delivered, result);
      socket->write(reply.data(), kReplySize);
      socket->disconnectFromServer(); // after the reply has been written
    });
  }

  std::map<WindowHandle, QLocalServer *> servers_;
};

// Call with the table locked.
Dispatcher *EnsureDispatcher(WindowTable &table) {
  QCoreApplication *app = QCoreApplication::instance();
  if (app == nullptr)
    return nullptr;
  if (!table.dispatcher) {
    if (QThread::currentThread() == app->thread()) {
      table.dispatcher = new Dispatcher(app);
    } else {
      auto *dispatcher = new Dispatcher;
      dispatcher->moveToThread(app->thread());
      table.dispatcher = dispatcher;
    }
  }
  return table.dispatcher;
}

// Runs `work` on the dispatcher's thread: at once on the GUI thread, else queued.
template <typename Work> void OnDispatcher(Work work) {
  Dispatcher *dispatcher = nullptr;
  {
    WindowTable &table = Table();
    std::lock_guard lock(table.mutex);
    dispatcher = EnsureDispatcher(table);
  }
  if (dispatcher == nullptr)
    return;
  if (OnGuiThread())
    work(*dispatcher);
  else
    QMetaObject::invokeMethod(
        dispatcher, [dispatcher, work] { work(*dispatcher); }, Qt::QueuedConnection);
}

std::optional<std::array<char, kReplySize>> Exchange(WindowHandle handle, std::uint8_t kind, MessageId msg,
                                                     WPARAM wParam, LPARAM lParam,
                                                     std::chrono::milliseconds timeout) {
  const std::optional<std::filesystem::path> folder = WindowSocketFolder();
  if (!folder)
    return std::nullopt;
  const QDeadlineTimer deadline(timeout.count());
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(WindowSocketPath(*folder, handle).string()));
  if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
    return std::nullopt;
  const std::array<char, kRequestSize> request = EncodeRequest(kind, msg, wParam, lParam);
  if (socket.write(request.data(), kRequestSize) != static_cast<qint64>(kRequestSize))
    return std::nullopt;
  socket.flush();
  while (socket.bytesAvailable() < static_cast<qint64>(kReplySize)) {
    if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
      return std::nullopt;
  }
  std::array<char, kReplySize> reply{};
  if (socket.read(reply.data(), kReplySize) != static_cast<qint64>(kReplySize))
    return std::nullopt;
  socket.abort();
  return reply;
}

} // namespace

WindowHandle RegisterWindow(QObject *window, MessageHandler handler) {
  WindowTable &table = Table();
  const WindowHandle base = static_cast<WindowHandle>(::getpid()) << kSlotBits;
  WindowHandle handle = 0;
  {
    std::lock_guard lock(table.mutex);
    for (std::uint32_t i = 1; i <= kSlotCount && handle == 0; ++i) {
      const std::uint32_t slot = (table.lastSlot + i - 1) % kSlotCount + 1;
      if (table.windows.count(base | slot) == 0) {
        handle = base | slot;
        table.lastSlot = slot;
      }
    }
    if (handle == 0)
      return 0;
    table.windows[handle].handler = std::make_shared<MessageHandler>(std::move(handler));
    EnsureDispatcher(table);
  }
  if (window != nullptr) {
    QMetaObject::Connection connection =
        QObject::connect(window, &QObject::destroyed, [handle] { UnregisterWindow(handle); });
    std::lock_guard lock(table.mutex);
    auto it = table.windows.find(handle);
    if (it != table.windows.end())
      it->second.destroyedConnection = connection;
  }
  return handle;
}

void UnregisterWindow(WindowHandle handle) {
  WindowTable &table = Table();
  QMetaObject::Connection connection;
  {
    std::lock_guard lock(table.mutex);
    auto it = table.windows.find(handle);
    if (it == table.windows.end())
      return;
    connection = it->second.destroyedConnection;
    table.windows.erase(it);
  }
  // Once the entry is gone, a later destruction of the object must not remove the slot's next owner.
  QObject::disconnect(connection);
  WithdrawWindow(handle);
}

bool IsWindow(WindowHandle handle) {
  return FindHandler(handle) != nullptr;
}

bool PostMessage(WindowHandle handle, MessageId msg, WPARAM wParam, LPARAM lParam) {
  WindowTable &table = Table();
  std::lock_guard lock(table.mutex);
  if (table.windows.count(handle) == 0)
    return false;
  Dispatcher *dispatcher = EnsureDispatcher(table);
  if (dispatcher == nullptr)
    return false;
  QCoreApplication::postEvent(dispatcher, new MessageEvent(handle, Message{msg, wParam, lParam, 0}, nullptr));
  return true;
}

std::optional<LRESULT> SendMessage(WindowHandle handle, MessageId msg, WPARAM wParam, LPARAM lParam,
                                   std::chrono::milliseconds timeout) {
  if (QCoreApplication::instance() == nullptr)
    return std::nullopt;
  if (OnGuiThread()) {
    const std::shared_ptr<MessageHandler> handler = FindHandler(handle);
    if (!handler)
      return std::nullopt;
    Message message{msg, wParam, lParam, 0};
    (*handler)(message);
    return message.Result;
  }

  auto reply = std::make_shared<SendReply>();
  {
    WindowTable &table = Table();
    std::lock_guard lock(table.mutex);
    if (table.windows.count(handle) == 0)
      return std::nullopt;
    Dispatcher *dispatcher = EnsureDispatcher(table);
    if (dispatcher == nullptr)
      return std::nullopt;
    QCoreApplication::postEvent(dispatcher, new MessageEvent(handle, Message{msg, wParam, lParam, 0}, reply));
  }
  std::unique_lock lock(reply->mutex);
  using State = SendReply::State;
  if (!reply->changed.wait_for(lock, timeout, [&] { return reply->state != State::Waiting; })) {
    reply->state = State::Withdrawn;
    return std::nullopt;
  }
  // A handler that has started is waited for to its end: its effects have happened either way.
  reply->changed.wait(lock, [&] { return reply->state == State::Handled || reply->state == State::Dropped; });
  if (reply->state == State::Dropped)
    return std::nullopt;
  return reply->result;
}

std::optional<std::filesystem::path> WindowSocketFolder() {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  std::filesystem::path folder;
  if (!runtime.isEmpty() && runtime.startsWith('/'))
    folder = std::filesystem::path(runtime.toStdString()) / "calidarix";
  else
    folder = std::filesystem::path("/tmp") / ("calidarix-" + std::to_string(::getuid()));
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    return std::nullopt;
  // Someone else's folder, a link or a folder others can write to would let them pose as our windows.
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
      (info.st_mode & 077) != 0)
    return std::nullopt;
  return folder;
}

std::filesystem::path WindowSocketPath(const std::filesystem::path &folder, WindowHandle handle) {
  return folder / ("window-" + std::to_string(handle));
}

bool PublishWindow(WindowHandle handle, RemoteMessageFilter accept) {
  if (!OnGuiThread() || !IsWindow(handle) || !accept)
    return false;
  bool published = false;
  OnDispatcher([&published, handle, &accept](Dispatcher &dispatcher) {
    published = dispatcher.Publish(handle, accept);
  });
  return published;
}

void WithdrawWindow(WindowHandle handle) {
  OnDispatcher([handle](Dispatcher &dispatcher) { dispatcher.Withdraw(handle); });
}

bool PostMessageToProcessWindow(WindowHandle handle, MessageId msg, WPARAM wParam, LPARAM lParam,
                                std::chrono::milliseconds timeout) {
  const auto reply = Exchange(handle, kKindPost, msg, wParam, lParam, timeout);
  return reply && (*reply)[0] == 1;
}

std::optional<LRESULT> SendMessageToProcessWindow(WindowHandle handle, MessageId msg, WPARAM wParam,
                                                  LPARAM lParam, std::chrono::milliseconds timeout) {
  const auto reply = Exchange(handle, kKindSend, msg, wParam, lParam, timeout);
  if (!reply || (*reply)[0] != 1)
    return std::nullopt;
  return static_cast<LRESULT>(qFromLittleEndian<std::int64_t>(reply->data() + 1));
}

} // namespace calidarix
