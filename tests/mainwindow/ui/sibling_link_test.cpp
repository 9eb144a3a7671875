// The exchange with the sibling program: handles published in the registry, WM_SIBLINGNOTIFY at the
// first show (with its timeout), WM_SIBLINGOPEN and the handle written back at close. The sibling is
// played by a second process (this test program started again as the peer) or, for a peer that
// does not answer, by a window of this process whose thread is busy sending.

#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/registry_store.h"
#include "mainwindow/ui/sibling_link.h"
#include "platform/numbers.h"
#include "platform/registry.h"
#include "tests/mainwindow/ui/settings_environment.h"
#include "tests/mainwindow/ui/shell_fakes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>

namespace calidarix {
namespace {

const char *kSiblingInterfaceKey = "\\dtvimage\\Calidarix_Interface";
const char *kSiblingKey = "\\dtvimage\\Quillmere_Interface";
const char *kPeerVariable = "CALIDARIX_TEST_SIBLING_PEER";

bool RunEventsUntil(const std::function<bool()> &done, int ms) {
  const QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

std::optional<std::int32_t> ActiveHandle(const test::SettingsEnvironment &env) {
  Registry registry(env.registry());
  if (!registry.OpenKey(kSiblingInterfaceKey, false))
    return std::nullopt;
  return registry.ReadInteger("Active_Handle");
}

// The body of the peer process; skipped when the suite runs normally. It publishes a window, names
// it and the file to open in the registry, answers WM_SIBLINGNOTIFY and then asks the main window
// (found through "Active_Handle") to open the file.
TEST(SiblingPeerProcess, Serve) {
  const QString fileToOpen = qEnvironmentVariable(kPeerVariable);
  if (fileToOpen.isEmpty())
    GTEST_SKIP() << "runs only as the sibling of SiblingLink.NotifyAndOpenRoundTripWithAnotherProcess";
  bool done = false;
  const WindowHandle mine = RegisterWindow(nullptr, [&done](Message &message) {
    if (message.Msg != WM_SIBLINGNOTIFY)
      return;
    message.Result = 7;
    // The main window waits for this answer, which leaves once the event loop has run; a send made
    // before then would wait for a window that is still waiting for us.
    QTimer::singleShot(300, [&done] {
      Registry registry;
      registry.OpenKey(kSiblingInterfaceKey, false);
      const WindowHandle target = HandleFromRegistryValue(registry.ReadInteger("Active_Handle").value_or(0));
      const std::optional<LRESULT> answer =
          SendMessageToProcessWindow(target, WM_SIBLINGOPEN, 0, 0, std::chrono::milliseconds(15000));
      std::printf("\nopen answered %lld\n", static_cast<long long>(answer.value_or(-1)));
      std::fflush(stdout);
      done = true;
    });
  });
  ASSERT_TRUE(PublishWindow(mine, [](const Message &m) { return m.Msg == WM_SIBLINGNOTIFY; }));
  Registry registry;
  ASSERT_TRUE(registry.OpenKey(kSiblingKey, true));
  ASSERT_TRUE(
      registry.WriteInteger("ExplorerWindow_Handle", static_cast<std::int32_t>(HandleToRegistryValue(mine))));
  ASSERT_TRUE(registry.WriteString("FileName_To_Open", fileToOpen.toStdString()));
  ASSERT_TRUE(registry.OpenKey(kSiblingInterfaceKey, true));
  registry.WriteInteger("Desirable_Left", 40);
  registry.WriteInteger("Desirable_Top", 30);
  registry.WriteInteger("Desirable_Height", 400);
  registry.WriteInteger("Desirable_Width", 5); // not used: the window keeps its ratio
  std::printf("\nready\n");
  std::fflush(stdout);
  EXPECT_TRUE(RunEventsUntil([&done] { return done; }, 20000));
}

const char *kHostilePeerVariable = "CALIDARIX_TEST_HOSTILE_PEER";

// Another process of the same user that posts message numbers to the main window, with arguments
// that would be addresses in the window procedure, then the one message it may send: WM_SIBLINGOPEN
// without arguments. It prints how many were accepted. The numbers: every system message and the
// program's own (0 .. 0xFFF, the sibling's 0x8200 .. 0x82FF, the framework's 0xB000 .. 0xB0FF), a
// sample of the rest of the 16-bit range, and a few wider ones. (The filter itself is tried on every
// number up to 0x1FFFF by the next test; one connection per message makes the full range slow here.)
TEST(SiblingPeerProcess, PostEveryMessage) {
  const QByteArray target = qgetenv(kHostilePeerVariable);
  if (target.isEmpty())
    GTEST_SKIP() << "runs only as the peer of SiblingLink.OnlyTheOpenRequestIsAcceptedFromAnotherProcess";
  const WindowHandle window = HandleFromRegistryValue(target.toLongLong());
  std::vector<MessageId> numbers;
  for (MessageId msg = 0; msg <= 0xFFFF; ++msg) {
    const bool system = msg <= 0x0FFF;
    const bool sibling = msg >= 0x8200 && msg <= 0x82FF;
    const bool framework = msg >= 0xB000 && msg <= 0xB0FF;
    if (system || sibling || framework || msg % 61 == 0)
      numbers.push_back(msg);
  }
  for (MessageId msg : {0x10000u, 0x1822Cu, 0x7FFFFFFFu, 0xFFFFFFFFu})
    numbers.push_back(msg);
  int accepted = 0;
  int openWithArguments = 0;
  for (MessageId msg : numbers)
    accepted += PostMessageToProcessWindow(window, msg, 8, 1) ? 1 : 0;
  for (auto [w, l] : {std::pair<WPARAM, LPARAM>{1, 0}, {0, -1}, {~WPARAM{0}, 1}})
    openWithArguments += PostMessageToProcessWindow(window, WM_SIBLINGOPEN, w, l) ? 1 : 0;
  const bool open = PostMessageToProcessWindow(window, WM_SIBLINGOPEN, 0, 0);
  std::printf("\naccepted %d of %zu, open with arguments %d, open %d\n", accepted, numbers.size(),
              openWithArguments, open ? 1 : 0);
  std::fflush(stdout);
}

class SiblingLinkTest : public ::testing::Test {
protected:
  void SetUp() override {
    fakes.services.registry = std::make_unique<RegistryKeyValueStore>(env.registry());
    fakes.services.sibling = std::make_unique<ProcessSiblingLink>();
  }
  std::unique_ptr<TCalidarix> Start(test::FakeServices &services) {
    auto window = std::make_unique<TCalidarix>(services.services);
    Calidarix = window.get();
    window->FormCreate({});
    window->show();
    return window;
  }
  QString Log() const { return logger ? logger->Lines().join('\n') : QString(); }

  test::SettingsEnvironment env;
  test::FakeServices fakes;
};

TEST_F(SiblingLinkTest, NotifyAndOpenRoundTripWithAnotherProcess) {
  const QString file = QString::fromStdString(env.dir.file("from sibling.dtv").string());
  QProcess peer;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(kPeerVariable, file);
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  peer.setProcessEnvironment(environment);
  peer.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=SiblingPeerProcess.Serve"});
  QByteArray output;
  ASSERT_TRUE(RunEventsUntil(
      [&] {
        peer.waitForReadyRead(20);
        output += peer.readAllStandardOutput();
        return output.contains("\nready\n");
      },
      20000))
      << output.toStdString();

  // A generous timeout here: this test is about the round trip, and a loaded machine may take the peer
  // longer than the one second the program allows (that limit has its own test below).
  fakes.services.sibling = std::make_unique<ProcessSiblingLink>(std::chrono::seconds(10));
  std::unique_ptr<TCalidarix> window = Start(fakes);
  const QRect before = window->geometry();
  EXPECT_NE(window->FPublishedHandle, 0);
  EXPECT_EQ(ActiveHandle(env), window->FPublishedHandle);
  EXPECT_NE(window->SiblingWindowHandle, 0);
  EXPECT_FALSE(Log().contains("Sibling notification")) << Log().toStdString(); // answered in time

  const QString opened = QString("ChangeDTV(1,%1)").arg(file);
  EXPECT_TRUE(RunEventsUntil([&] { return fakes.view->calls.contains(opened); }, 20000))
      << fakes.view->calls.join(' ').toStdString();
  EXPECT_EQ(window->geometry(),
            QRect(40, 30, TruncToInt32(double(before.width()) / before.height() * 400), 400));
  // waitForFinished is false for a peer that has already finished while the events above ran.
  ASSERT_TRUE(peer.state() == QProcess::NotRunning || peer.waitForFinished(20000));
  output += peer.readAllStandardOutput();
  EXPECT_TRUE(output.contains("open answered 1")) << output.toStdString();
  EXPECT_EQ(peer.exitCode(), 0) << output.toStdString();
}

TEST_F(SiblingLinkTest, OnlyTheOpenRequestIsAcceptedFromAnotherProcess) {
  std::unique_ptr<TCalidarix> window = Start(fakes);
  ASSERT_NE(window->FPublishedHandle, 0);
  const QRect bounds = window->geometry();
  fakes.view->calls.clear();
  QProcess peer;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(kHostilePeerVariable, QString::number(window->FPublishedHandle));
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  peer.setProcessEnvironment(environment);
  peer.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=SiblingPeerProcess.PostEveryMessage"});
  // The window serves the peer from its event loop; a message that got through to the window procedure
  // with these arguments would have written through the address 1 (WM_SIZING) and ended this process.
  ASSERT_TRUE(RunEventsUntil([&] { return peer.state() == QProcess::NotRunning; }, 60000));
  RunEventsUntil([&] { return !fakes.view->calls.isEmpty(); }, 5000);
  const QByteArray output = peer.readAllStandardOutput();
  EXPECT_TRUE(output.contains("accepted 0 of ")) << output.toStdString();
  EXPECT_TRUE(output.contains(", open with arguments 0, open 1")) << output.toStdString();
  EXPECT_EQ(fakes.view->calls, QStringList{"ChangeDTV(1,)"}) << "the one open request, nothing else";
  EXPECT_EQ(window->geometry(), bounds);
}

TEST(SiblingOpen, OnlyAnOpenRequestWithoutArgumentsPassesTheFilter) {
  int passed = 0;
  for (MessageId msg = 0; msg <= 0x1FFFF; ++msg)
    for (auto [w, l] : {std::pair<WPARAM, LPARAM>{0, 0}, {0, 1}, {1, 0}})
      passed += AcceptedFromSibling(Message{msg, w, l, 0}) ? 1 : 0;
  EXPECT_EQ(passed, 1);
  EXPECT_TRUE(AcceptedFromSibling(Message{WM_SIBLINGOPEN, 0, 0, 0}));
}

TEST_F(SiblingLinkTest, AHungSiblingHoldsUpTheFirstShowForAboutASecond) {
  // A window of this process: while the GUI thread sends to it, nobody serves its socket.
  const WindowHandle hung = RegisterWindow(nullptr, [](Message &) {});
  ASSERT_TRUE(PublishWindow(hung, [](const Message &) { return true; }));
  {
    Registry registry(env.registry());
    ASSERT_TRUE(registry.OpenKey(kSiblingKey, true));
    registry.WriteInteger("ExplorerWindow_Handle", static_cast<std::int32_t>(HandleToRegistryValue(hung)));
  }
  auto window = std::make_unique<TCalidarix>(fakes.services);
  Calidarix = window.get();
  window->FormCreate({});
  QElapsedTimer clock;
  clock.start();
  window->show();
  const qint64 elapsed = clock.elapsed();
  // About the one-second timeout: bounded, not endless (the upper limit leaves room for a loaded machine).
  EXPECT_GE(elapsed, 900);
  EXPECT_LT(elapsed, 10000);
  EXPECT_TRUE(Log().contains("Sibling notification: failed")) << Log().toStdString();
  UnregisterWindow(hung);

  // A handle nobody has published fails at once.
  QElapsedTimer stale;
  stale.start();
  EXPECT_EQ(ProcessSiblingLink().SendNotify(HandleToRegistryValue(hung)), ServiceStatus::Failed);
  EXPECT_LT(stale.elapsed(), 900); // did not wait for the timeout
}

TEST_F(SiblingLinkTest, ActiveHandleIsWrittenBackOnlyWhileItStillHoldsOurs) {
  for (const bool firstClosesFirst : {false, true}) {
    SCOPED_TRACE(firstClosesFirst ? "first instance closes first" : "second instance closes first");
    std::filesystem::remove(env.registry());
    test::FakeServices second;
    second.services.registry = std::make_unique<RegistryKeyValueStore>(env.registry());
    second.services.sibling = std::make_unique<ProcessSiblingLink>();
    fakes.services.registry = std::make_unique<RegistryKeyValueStore>(env.registry());

    std::unique_ptr<TCalidarix> a = Start(fakes);
    std::unique_ptr<TCalidarix> b = Start(second);
    ASSERT_NE(a->FPublishedHandle, b->FPublishedHandle);
    EXPECT_EQ(b->PrevActiveHandle, a->FPublishedHandle);
    EXPECT_EQ(ActiveHandle(env), b->FPublishedHandle);
    if (firstClosesFirst) {
      a->close();
      EXPECT_EQ(ActiveHandle(env), b->FPublishedHandle); // the second instance still answers there
      b->close();
      EXPECT_EQ(ActiveHandle(env), a->FPublishedHandle);
    } else {
      b->close();
      EXPECT_EQ(ActiveHandle(env), a->FPublishedHandle);
      a->close();
      EXPECT_EQ(ActiveHandle(env), 0);
    }
    b.reset();
    a.reset();
  }
}

TEST(SiblingOpen, BoundsNeedAllFourValuesAndTheFileIsOpenedEither) {
  struct Case {
    const char *name;
    std::vector<const char *> values;
    bool moves;
  };
  const Case cases[] = {
      {"all four", {"Desirable_Left", "Desirable_Top", "Desirable_Height", "Desirable_Width"}, true},
      {"no width", {"Desirable_Left", "Desirable_Top", "Desirable_Height"}, false},
      {"no left", {"Desirable_Top", "Desirable_Height", "Desirable_Width"}, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    test::FakeServices fakes;
    TCalidarix window(fakes.services);
    Calidarix = &window;
    window.FormCreate({});
    window.show();
    window.setGeometry(100, 100, 600, 400);
    for (const char *name : c.values)
      fakes.registry->values[QString("dtvimage\\Calidarix_Interface/") + name] = 50;
    fakes.registry->values["dtvimage\\Calidarix_Interface/Desirable_Height"] = 351;
    fakes.registry->strings["dtvimage\\Quillmere_Interface/FileName_To_Open"] = "/data/a.dtv";
    fakes.view->calls.clear();
    window.SiblingOpenRequest();
    // 600 / 400 x 351 = 526.5, truncated
    EXPECT_EQ(window.geometry(), c.moves ? QRect(50, 50, 526, 351) : QRect(100, 100, 600, 400));
    EXPECT_EQ(fakes.view->calls, QStringList{"ChangeDTV(1,/data/a.dtv)"});

    fakes.registry->strings.clear(); // a missing name opens the demo image
    fakes.view->calls.clear();
    window.SiblingOpenRequest();
    EXPECT_EQ(fakes.view->calls, QStringList{"ChangeDTV(1,)"});
  }
}

TEST(SiblingHandles, RegistryValuesKeepAllThirtyTwoBits) {
  const WindowHandle high = 0xF0000401u;
  EXPECT_LT(HandleToRegistryValue(high), 0);
  EXPECT_EQ(HandleFromRegistryValue(HandleToRegistryValue(high)), high);
  EXPECT_EQ(HandleFromRegistryValue(HandleToRegistryValue(0x401)), 0x401u);
}

} // namespace
} // namespace calidarix
