#include "platform/messages.h"
#include "tests/support/test_support.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QThread>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace calidarix {
namespace {

using namespace std::chrono_literals;

// Runs the GUI thread's event loop until `done` holds or two seconds have passed.
bool RunEventsUntil(const std::function<bool()> &done) {
  const QDeadlineTimer deadline(2000);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(1ms);
  }
  return done();
}

// Lets the event loop run for a while, so that a message delivered twice or too late would show.
void RunEventsFor(std::chrono::milliseconds time) {
  const QDeadlineTimer deadline(time.count());
  while (!deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(1ms);
  }
}

// A window that records what reaches it, and on which thread. Its Result is wParam * 2 + lParam.
struct RecordingWindow {
  std::mutex mutex;
  std::vector<Message> received;
  std::vector<QThread *> threads;
  WindowHandle handle = 0;

  explicit RecordingWindow(QObject *object = nullptr) {
    handle = RegisterWindow(object, [this](Message &m) {
      m.Result = static_cast<LRESULT>(m.WParam * 2 + static_cast<WPARAM>(m.LParam)); // wraps, no overflow
      std::lock_guard lock(mutex);
      received.push_back(m);
      threads.push_back(QThread::currentThread());
    });
  }
  ~RecordingWindow() { UnregisterWindow(handle); }

  std::size_t count() {
    std::lock_guard lock(mutex);
    return received.size();
  }
};

QThread *GuiThread() {
  return QCoreApplication::instance()->thread();
}

TEST(WindowHandles, AreDistinctCarryTheProcessIdAndAreNotReusedAtOnce) {
  RecordingWindow a, b;
  ASSERT_NE(a.handle, 0u);
  ASSERT_NE(b.handle, 0u);
  EXPECT_NE(a.handle, b.handle);
  EXPECT_EQ(a.handle >> 10, static_cast<WindowHandle>(::getpid()));
  EXPECT_LE(a.handle, 0xFFFFFFFFu); // fits a registry DWORD
  EXPECT_TRUE(IsWindow(a.handle));

  const WindowHandle old = b.handle;
  UnregisterWindow(old);
  EXPECT_FALSE(IsWindow(old));
  RecordingWindow c;
  EXPECT_NE(c.handle, old);
}

TEST(PostMessage, FromAnotherThreadIsDeliveredOnceInOrderOnTheGuiThread) {
  RecordingWindow window;
  std::atomic<bool> posted{true};
  std::thread worker([&] {
    posted = PostMessage(window.handle, WM_FRAMEDONE, 7, 0x1234) &&
             PostMessage(window.handle, WM_SCANLINE, 8, -1) && PostMessage(window.handle, WM_HEADSTEP, 0, 0);
  });
  worker.join();
  EXPECT_TRUE(posted);
  EXPECT_EQ(window.count(), 0u); // queued, not called by the posting thread
  ASSERT_TRUE(RunEventsUntil([&] { return window.count() >= 3; }));
  RunEventsFor(50ms);

  ASSERT_EQ(window.count(), 3u);
  EXPECT_EQ(window.received[0].Msg, WM_FRAMEDONE);
  EXPECT_EQ(window.received[0].WParam, 7u);
  EXPECT_EQ(window.received[0].LParam, 0x1234);
  EXPECT_EQ(window.received[1].Msg, WM_SCANLINE);
  EXPECT_EQ(window.received[1].LParam, -1);
  EXPECT_EQ(window.received[2].Msg, WM_HEADSTEP);
  for (QThread *thread : window.threads)
    EXPECT_EQ(thread, GuiThread());
}

TEST(PostMessage, UnknownOrRemovedWindowsFail) {
  EXPECT_FALSE(PostMessage(0, WM_USER, 0, 0));
  EXPECT_FALSE(SendMessage(0, WM_USER, 0, 0).has_value());
  WindowHandle removed = 0;
  {
    RecordingWindow window;
    removed = window.handle;
  }
  EXPECT_FALSE(PostMessage(removed, WM_USER, 0, 0));
  EXPECT_FALSE(SendMessage(removed, WM_USER, 0, 0).has_value());
}

TEST(PostMessage, MessagesToAWindowRemovedBeforeDeliveryAreDropped) {
  RecordingWindow window;
  ASSERT_TRUE(PostMessage(window.handle, WM_FRAMEDONE, 1, 0));
  UnregisterWindow(window.handle);

  // A window tied to an object goes away with the object.
  auto object = std::make_unique<QObject>();
  RecordingWindow tied(object.get());
  ASSERT_TRUE(PostMessage(tied.handle, WM_FRAMEDONE, 2, 0));
  object.reset();
  EXPECT_FALSE(IsWindow(tied.handle));

  RunEventsFor(50ms);
  EXPECT_EQ(window.count(), 0u);
  EXPECT_EQ(tied.count(), 0u);
}

TEST(SendMessage, OnTheGuiThreadCallsTheHandlerAtOnce) {
  RecordingWindow window;
  const std::optional<LRESULT> result = SendMessage(window.handle, WM_SIBLINGNOTIFY, 20, 2);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(*result, 42);
  EXPECT_EQ(window.count(), 1u);
}

TEST(SendMessage, FromAnotherThreadWaitsForTheGuiThreadsAnswer) {
  RecordingWindow window;
  std::optional<LRESULT> result;
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    result = SendMessage(window.handle, WM_USER + 5, 100, 1);
    finished = true;
  });
  EXPECT_TRUE(RunEventsUntil([&] { return finished.load(); }));
  worker.join();
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(*result, 201);
  ASSERT_EQ(window.count(), 1u);
  EXPECT_EQ(window.threads[0], GuiThread());
}

TEST(SendMessage, FromAnotherThreadGivesUpAtTheTimeoutAndTheMessageIsNeverHandled) {
  RecordingWindow window;
  std::optional<LRESULT> result = 0;
  // The GUI thread does not run its event loop while the worker waits.
  std::thread worker([&] { result = SendMessage(window.handle, WM_USER, 1, 1, 50ms); });
  worker.join();
  EXPECT_FALSE(result.has_value());
  RunEventsFor(50ms);
  EXPECT_EQ(window.count(), 0u);
}

// Points XDG_RUNTIME_DIR at a fresh folder for one test.
class ProcessWindowTest : public testing::Test {
protected:
  ProcessWindowTest()
      : saved_(qgetenv("XDG_RUNTIME_DIR")), hadValue_(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime_.path().string()));
  }
  ~ProcessWindowTest() override {
    if (hadValue_)
      qputenv("XDG_RUNTIME_DIR", saved_);
    else
      qunsetenv("XDG_RUNTIME_DIR");
  }

  std::filesystem::path Folder() const { return runtime_.path() / "calidarix"; }

  test::TempDir runtime_;

private:
  QByteArray saved_;
  bool hadValue_;
};

bool AcceptAll(const Message &) {
  return true;
}

TEST_F(ProcessWindowTest, SendAndPostThroughThePublishedSocketRoundTrip) {
  RecordingWindow window;
  ASSERT_TRUE(PublishWindow(window.handle, AcceptAll));
  const std::filesystem::path socket = WindowSocketPath(Folder(), window.handle);
  EXPECT_TRUE(std::filesystem::exists(socket));

  // The client blocks, so it runs on a worker while the GUI thread serves the socket.
  std::optional<LRESULT> sent;
  bool posted = false;
  std::atomic<bool> finished{false};
  std::thread client([&] {
    sent = SendMessageToProcessWindow(window.handle, WM_SIBLINGOPEN, 0x7FFFFFFFFFFFFFFFull, -1);
    posted = PostMessageToProcessWindow(window.handle, WM_SIBLINGNOTIFY, 3, -4);
    finished = true;
  });
  EXPECT_TRUE(RunEventsUntil([&] { return finished.load() && window.count() >= 2; }));
  client.join();
  RunEventsFor(20ms);

  ASSERT_TRUE(sent.has_value());
  EXPECT_EQ(*sent, static_cast<LRESULT>(0x7FFFFFFFFFFFFFFFull * 2 - 1));
  EXPECT_TRUE(posted);
  ASSERT_EQ(window.count(), 2u);
  EXPECT_EQ(window.received[0].Msg, WM_SIBLINGOPEN);
  EXPECT_EQ(window.received[0].WParam, 0x7FFFFFFFFFFFFFFFull);
  EXPECT_EQ(window.received[0].LParam, -1);
  EXPECT_EQ(window.received[1].Msg, WM_SIBLINGNOTIFY);
  EXPECT_EQ(window.received[1].LParam, -4);
  for (QThread *thread : window.threads)
    EXPECT_EQ(thread, GuiThread());

  // Removing the window closes its socket; the peer then fails at once.
  UnregisterWindow(window.handle);
  EXPECT_FALSE(std::filesystem::exists(socket));
  EXPECT_FALSE(SendMessageToProcessWindow(window.handle, WM_SIBLINGOPEN, 0, 0).has_value());
  EXPECT_FALSE(PostMessageToProcessWindow(window.handle, WM_SIBLINGOPEN, 0, 0));
}

TEST_F(ProcessWindowTest, MalformedRequestIsNotDelivered) {
  RecordingWindow window;
  ASSERT_TRUE(PublishWindow(window.handle, AcceptAll));
  std::atomic<bool> closed{false};
  std::atomic<bool> finished{false};
  std::thread client([&] {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(WindowSocketPath(Folder(), window.handle).string()));
    if (socket.waitForConnected(1000)) {
      const QByteArray request(21, '\x07'); // kind 7 is neither post nor send
      socket.write(request);
      socket.flush();
      // The server hangs up instead of answering.
      closed = !socket.waitForReadyRead(1500) && socket.state() == QLocalSocket::UnconnectedState;
    }
    finished = true;
  });
  RunEventsUntil([&] { return finished.load(); });
  client.join();
  EXPECT_TRUE(closed);
  EXPECT_EQ(window.count(), 0u);
}

TEST_F(ProcessWindowTest, MessagesTheWindowRefusesNeverReachItsHandler) {
  RecordingWindow window;
  EXPECT_FALSE(PublishWindow(window.handle, nullptr)) << "a window states what it accepts";
  // Only WM_SIBLINGOPEN without arguments may come from outside.
  ASSERT_TRUE(PublishWindow(window.handle, [](const Message &m) {
    return m.Msg == WM_SIBLINGOPEN && m.WParam == 0 && m.LParam == 0;
  }));
  std::vector<bool> answers;
  std::atomic<bool> finished{false};
  std::thread client([&] {
    answers.push_back(PostMessageToProcessWindow(window.handle, WM_SIZING, 8, 1));
    answers.push_back(SendMessageToProcessWindow(window.handle, WM_SIZING, 8, 1).has_value());
    answers.push_back(PostMessageToProcessWindow(window.handle, WM_SIBLINGOPEN, 0, 4096));
    answers.push_back(SendMessageToProcessWindow(window.handle, WM_SIBLINGOPEN, 0, 0).has_value());
    finished = true;
  });
  EXPECT_TRUE(RunEventsUntil([&] { return finished.load(); }));
  client.join();
  RunEventsFor(20ms);
  EXPECT_EQ(answers, (std::vector<bool>{false, false, false, true}));
  ASSERT_EQ(window.count(), 1u);
  EXPECT_EQ(window.received[0].Msg, WM_SIBLINGOPEN);
}

TEST_F(ProcessWindowTest, SendToAPeerThatNeverAnswersTimesOut) {
  const std::optional<std::filesystem::path> folder = WindowSocketFolder();
  ASSERT_TRUE(folder.has_value());
  const WindowHandle peer = (WindowHandle{12345} << 10) | 1; // another process's window
  // Accepts connections (the kernel queues them) but never reads or answers.
  QLocalServer silent;
  ASSERT_TRUE(silent.listen(QString::fromStdString(WindowSocketPath(*folder, peer).string())));

  EXPECT_FALSE(SendMessageToProcessWindow(peer, WM_SIBLINGNOTIFY, 0, 0, 100ms).has_value());
  EXPECT_FALSE(PostMessageToProcessWindow(peer, WM_SIBLINGNOTIFY, 0, 0, 100ms));
  // No socket at all: fails without waiting for the timeout to matter.
  EXPECT_FALSE(SendMessageToProcessWindow(peer + 1, WM_SIBLINGNOTIFY, 0, 0).has_value());
}

TEST_F(ProcessWindowTest, SocketFolderMustBePrivateToThisUser) {
  const std::optional<std::filesystem::path> created = WindowSocketFolder();
  ASSERT_TRUE(created.has_value());
  EXPECT_EQ(*created, Folder());
  struct stat info {};
  ASSERT_EQ(::stat(Folder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  // A folder others may write to, or a link in its place, is not trusted.
  ASSERT_EQ(::chmod(Folder().c_str(), 0777), 0);
  EXPECT_FALSE(WindowSocketFolder().has_value());
  RecordingWindow window;
  EXPECT_FALSE(PublishWindow(window.handle, AcceptAll));
  std::filesystem::remove(Folder());
  std::filesystem::create_directory(runtime_.path() / "elsewhere");
  ::chmod((runtime_.path() / "elsewhere").c_str(), 0700);
  std::filesystem::create_directory_symlink(runtime_.path() / "elsewhere", Folder());
  EXPECT_FALSE(WindowSocketFolder().has_value());
}

} // namespace
} // namespace calidarix
