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

const char *kInterfaceKey = "\\dtvimage\\Calidarix_Interface";
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
  if (!registry.OpenKey(kInterfaceKey, false))
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
      registry.OpenKey(kInterfaceKey, false);
      const WindowHandle target = HandleFromRegistryValue(registry.ReadInteger("Active_Handle").value_or(0));
      const std::optional<LRESULT> answer =
          SendMessageToProcessWindow(target, WM_SIBLINGOPEN, 0, 0, std::chrono::milliseconds(15000));
      std::printf("\nopen answered %lld\n", static_cast<long long>(answer.value_or(-1)));
      std::fflush(stdout);
      done = true;
    });
  });
  ASSERT_TRUE(PublishWindow(mine));
  Registry registry;
  ASSERT_TRUE(registry.OpenKey(kSiblingKey, true));
  ASSERT_TRUE(
      registry.WriteInteger("ExplorerWindow_Handle", static_cast<std::int32_t>(HandleToRegistryValue(mine))));
  ASSERT_TRUE(registry.WriteString("FileName_To_Open", fileToOpen.toStdString()));
  ASSERT_TRUE(registry.OpenKey(kInterfaceKey, true));
  registry.WriteInteger("Desirable_Left", 40);
  registry.WriteInteger("Desirable_Top", 30);
  registry.WriteInteger("Desirable_Height", 400);
  registry.WriteInteger("Desirable_Width", 5); // not used: the window keeps its ratio
  std::printf("\nready\n");
  std::fflush(stdout);
  EXPECT_TRUE(RunEventsUntil([&done] { return done; }, 20000));
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

TEST_F(SiblingLinkTest, AHungSiblingHoldsUpTheFirstShowForAboutASecond) {
  // A window of this process: while the GUI thread sends to it, nobody serves its socket.
  const WindowHandle hung = RegisterWindow(nullptr, [](Message &) {});
  ASSERT_TRUE(PublishWindow(hung));
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
