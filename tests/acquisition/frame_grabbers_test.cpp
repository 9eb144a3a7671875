// The USB and parallel-port frame sources in the acquisition thread, against the simulated cameras:
// frames handed over, failures handed over as link failures, no hang, and the link closed at the end.

#include "acquisition/frame_grabbers.h"
#include "tests/sim/lpt_camera_simulator.h"
#include "tests/sim/usb_camera_simulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace calidarix {
namespace {

using namespace std::chrono_literals;

// The acquisition thread with its messages collected as they are posted.
struct GrabberRig {
  explicit GrabberRig(const TScanUnit &unit) {
    scan = std::make_unique<TScan>(
        [this](MessageId msg, WPARAM w, LPARAM l) {
          const std::lock_guard lock(mutex);
          if (msg == WM_FRAMEDONE)
            frameMessages.push_back(Message{msg, w, l, 0});
          changed.notify_all();
        },
        requests, unit);
  }
  ~GrabberRig() { scan.reset(); }

  // Waits (at most 20 s, for a loaded machine) until n frame messages came.
  bool WaitForFrames(std::size_t n) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, 20s, [&] { return frameMessages.size() >= n; });
  }
  std::size_t FrameCount() {
    const std::lock_guard lock(mutex);
    return frameMessages.size();
  }
  // The frames still held for the frame messages, each with the index of its message (the mailbox
  // keeps only the latest few, and the simulated cameras are fast).
  std::vector<std::pair<std::size_t, std::shared_ptr<const TCameraFrame>>> TakeFrames() {
    std::vector<Message> messages;
    {
      const std::lock_guard lock(mutex);
      messages = frameMessages;
    }
    std::vector<std::pair<std::size_t, std::shared_ptr<const TCameraFrame>>> frames;
    for (std::size_t i = 0; i < messages.size(); ++i) {
      EXPECT_EQ(messages[i].LParam, scan->AsLParam());
      if (auto frame = scan->Frames.Take(messages[i].WParam))
        frames.emplace_back(i, std::move(frame));
    }
    return frames;
  }
  // Ends the thread; true when it ended within `limit`.
  bool Stop(std::chrono::milliseconds limit = 10s) {
    scan->Terminate();
    const auto start = std::chrono::steady_clock::now();
    scan->WaitFor();
    return std::chrono::steady_clock::now() - start < limit;
  }

  TScanRequests requests;
  std::unique_ptr<TScan> scan;
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Message> frameMessages;
};

// ---- USB ----

constexpr int kUsbWidth = 64;
constexpr int kUsbHeight = 8;

std::uint16_t UsbPixel(int n, int y, int x) {
  return static_cast<std::uint16_t>(1000 + 100 * (n % 500) + 7 * x + 13 * y);
}

sim::UsbCameraConfig UsbConfig() {
  sim::UsbCameraConfig config;
  config.scanWidth = kUsbWidth;
  config.scanHeight = kUsbHeight;
  config.pixel = UsbPixel;
  return config;
}

TScanUnit UsbUnit() {
  TScanUnit unit;
  unit.CameraInterfaceType = CamIfUsb;
  unit.ScanWidth = kUsbWidth;
  unit.ScanHeight = kUsbHeight;
  unit.Speed = 2;
  unit.Sectors = 15;
  unit.Edge = {20, 0, 0};
  unit.Center = {30, 0, 0};
  unit.Delay = {5, 0, 0};
  unit.Set[0] = 2500;
  return unit;
}

TFrameGrabberBackends UsbBackends(std::shared_ptr<sim::UsbCameraSimulator> camera) {
  TFrameGrabberBackends backends;
  backends.Usb = std::move(camera);
  backends.UsbTimeoutMs = 50;
  backends.UsbSleep = [](int) {};
  return backends;
}

TEST(FrameGrabbers, ChoiceByInterfaceType) {
  struct Case {
    std::int32_t type;
    bool usb;
    bool lpt;
  };
  for (const Case c :
       {Case{CamIfUsb, true, false}, Case{CamIfLpt, false, true}, Case{CamIfLptLevel, false, true},
        Case{CamIfLan, false, false}, Case{CamIfLan2, false, false}, Case{CamIfLan2Dual, false, false},
        Case{CamIfLan3, false, false}, Case{CamIfUsbVariant, false, false}, Case{0, false, false}}) {
    TScanUnit unit;
    unit.CameraInterfaceType = c.type;
    TFrameGrabberBackends backends;
    backends.Usb = std::make_shared<sim::UsbCameraSimulator>();
    const auto grabber = MakeFrameGrabber(unit, std::move(backends));
    SCOPED_TRACE(c.type);
    EXPECT_EQ(dynamic_cast<TUsbFrameGrabber *>(grabber.get()) != nullptr, c.usb);
    EXPECT_EQ(dynamic_cast<TLptFrameGrabber *>(grabber.get()) != nullptr, c.lpt);
    if (grabber) {
      EXPECT_FALSE(grabber->Connected()); // nothing is opened before the first frame
    }
  }
}

TEST(FrameGrabbers, LinkNumbersBecomeLinkFailures) {
  struct Case {
    TFrameResult link;
    TFrameResult thread;
  };
  for (const Case c : {Case{{0, 0, 0}, {kFrameComplete, 0, 0}}, Case{{1, 0, 0}, {kFrameLinkFailure, 0, 1}},
                       Case{{4, 0, 0}, {kFrameLinkFailure, 0, 4}}, Case{{5, 7, 0}, {kFrameLinkFailure, 7, 5}},
                       Case{{0xA2, 3, 0}, {kFrameLinkFailure, 3, 0xA2}}}) {
    const TFrameResult r = FrameResultOfLink(c.link);
    EXPECT_EQ(r.Kind, c.thread.Kind) << c.link.Kind;
    EXPECT_EQ(r.Line, c.thread.Line) << c.link.Kind;
    EXPECT_EQ(r.Code, c.thread.Code) << c.link.Kind;
  }
}

TEST(FrameGrabbers, UsbCameraFramesReachTheWindowAndTheLinkClosesAtTheEnd) {
  auto camera = std::make_shared<sim::UsbCameraSimulator>(UsbConfig());
  GrabberRig rig(UsbUnit());
  rig.scan->OtherLink = MakeFrameGrabber(rig.scan->FUnit, UsbBackends(camera));
  const TFrameGrabber *grabber = rig.scan->OtherLink.get();
  rig.requests.BlindCorrectionOn.Set(false);
  rig.scan->Resume();
  ASSERT_TRUE(rig.WaitForFrames(3));
  EXPECT_TRUE(rig.scan->FUsbConnected.load());
  EXPECT_EQ(camera->Opens(), 1);
  ASSERT_TRUE(rig.Stop());

  const auto frames = rig.TakeFrames();
  ASSERT_GE(frames.size(), 3u);
  for (const auto &[i, frame] : frames) {
    const TCameraFrame &f = *frame;
    EXPECT_EQ(f.Result.Kind, kFrameComplete);
    EXPECT_EQ(f.Width, kUsbWidth);
    EXPECT_EQ(f.Height, kUsbHeight);
    EXPECT_EQ(f.ReceivedRows, kUsbHeight);
    EXPECT_FLOAT_EQ(f.CameraTemperature, 25.5f);
    // The first camera frame was handed over without a message, so message i carries frame i + 2.
    EXPECT_EQ(f.Pixels[kUsbWidth * 5 + 9], UsbPixel(static_cast<int>(i) + 2, 5, 9)) << i;
  }
  EXPECT_FALSE(grabber->Connected());
  EXPECT_FALSE(rig.scan->FUsbConnected.load());
  EXPECT_FALSE(rig.requests.ScanRunning.Get());
}

TEST(FrameGrabbers, UsbFailureIsHandedOverAndHoldsRequestsUntilAPause) {
  sim::UsbCameraConfig config = UsbConfig();
  // Blocks 0..8 are the first frame (status and 8 lines); block 12 is line 2 of the second.
  config.stallAtBlock = 12;
  auto camera = std::make_shared<sim::UsbCameraSimulator>(config);
  GrabberRig rig(UsbUnit());
  rig.scan->OtherLink = MakeFrameGrabber(rig.scan->FUnit, UsbBackends(camera));
  rig.scan->Resume();
  ASSERT_TRUE(rig.WaitForFrames(1));
  std::this_thread::sleep_for(200ms);
  // After the failure no further frame is requested.
  EXPECT_EQ(camera->FrameRequests(), 2);
  EXPECT_EQ(rig.FrameCount(), 1u);
  {
    const auto frames = rig.TakeFrames();
    ASSERT_EQ(frames.size(), 1u);
    const TCameraFrame &f = *frames[0].second;
    EXPECT_EQ(f.Result.Kind, kFrameLinkFailure);
    EXPECT_EQ(f.Result.Code, kUsbFrameLineFailed);
    EXPECT_EQ(f.ReceivedRows, 2);
  }
  // A pause clears the failure; frames come again.
  rig.scan->SetPause(true);
  std::this_thread::sleep_for(50ms);
  rig.scan->SetPause(false);
  ASSERT_TRUE(rig.WaitForFrames(3));
  EXPECT_GT(camera->FrameRequests(), 2);
  ASSERT_TRUE(rig.Stop());
}

TEST(FrameGrabbers, MissingUsbCameraEndsPromptlyAndIsTriedAgainAfterAPause) {
  sim::UsbCameraConfig config = UsbConfig();
  config.present = false;
  auto camera = std::make_shared<sim::UsbCameraSimulator>(config);
  GrabberRig rig(UsbUnit());
  rig.scan->OtherLink = MakeFrameGrabber(rig.scan->FUnit, UsbBackends(camera));
  rig.scan->Resume();
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (rig.scan->PassesDone.load() < 1 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(5ms);
  ASSERT_GE(rig.scan->PassesDone.load(), 1);
  EXPECT_FALSE(rig.scan->FUsbConnected.load());
  EXPECT_EQ(camera->Opens(), 0);
  EXPECT_EQ(camera->FrameRequests(), 0);

  camera->Config().present = true;
  rig.scan->SetPause(true);
  std::this_thread::sleep_for(50ms);
  rig.scan->SetPause(false);
  ASSERT_TRUE(rig.WaitForFrames(1));
  const auto frames = rig.TakeFrames();
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.front().second->Result.Kind, kFrameComplete);
  ASSERT_TRUE(rig.Stop());
}

// ---- Parallel port ----

constexpr int kLptWidth = 16;

// The simulated camera as the grabber's port; the test keeps it.
TLptFrameGrabber::PortOpener PortOf(sim::LptCameraSimulator &camera) {
  return [&camera](const TScanUnit &, QString &) {
    return std::shared_ptr<TParallelPortIo>(&camera, [](auto *) {});
  };
}

TScanUnit LptUnit(std::int32_t type) {
  TScanUnit unit;
  unit.CameraInterfaceType = type;
  unit.FrameWidth = kLptWidth;
  unit.FrameHeight = 6;
  unit.Speed = 3;
  unit.KLevel = 16.0;
  unit.VirLev = 10;
  unit.Termo_A = 0.25;
  unit.Termo_B = -10.0;
  return unit;
}

std::uint16_t LptWord(int n, int y, int x) {
  return static_cast<std::uint16_t>(2000 + 100 * (n % 500) + 3 * x + 5 * y);
}

TEST(FrameGrabbers, Type16CameraFramesReachTheWindowAndTheCameraIsToldToStop) {
  sim::LptCameraConfig config;
  config.width = kLptWidth;
  config.word = LptWord;
  sim::LptCameraSimulator camera(config);
  GrabberRig rig(LptUnit(CamIfLpt));
  TFrameGrabberBackends backends;
  backends.OpenPort = PortOf(camera);
  backends.LptClock = camera.Clock();
  rig.scan->OtherLink = MakeFrameGrabber(rig.scan->FUnit, std::move(backends));
  rig.requests.LaserOn.Set(true);
  rig.scan->Resume();
  ASSERT_TRUE(rig.WaitForFrames(2));
  ASSERT_TRUE(rig.Stop());

  const auto frames = rig.TakeFrames();
  ASSERT_GE(frames.size(), 2u);
  for (const auto &[i, frame] : frames) {
    const TCameraFrame &f = *frame;
    EXPECT_EQ(f.Result.Kind, kFrameComplete);
    EXPECT_EQ(f.Width, kLptWidth);
    EXPECT_EQ(f.Height, 60); // speed 3
    EXPECT_EQ(f.ReceivedRows, 60);
    EXPECT_EQ(f.BlindSignal, 3000);
    EXPECT_EQ(f.Pixels[kLptWidth * 7 + 4], LptWord(static_cast<int>(i) + 2, 7, 4)) << i;
  }
  // Every frame was requested at speed 3 with the laser; the last command stops the camera.
  const std::vector<std::uint8_t> &commands = camera.Commands();
  ASSERT_GE(commands.size(), 4u);
  for (std::size_t i = 0; i + 1 < commands.size(); ++i)
    EXPECT_EQ(commands[i], 2 + 4 + 0x20) << i;
  EXPECT_EQ(commands.back(), 3 | 4);
  EXPECT_FALSE(rig.requests.LaserOn.Get());
}

TEST(FrameGrabbers, Type8CameraTakesTheLevelRequestsAndTheAutomaticRangeSwitch) {
  sim::LptCameraConfig config;
  config.type = 8;
  config.width = kLptWidth;
  sim::LptCameraSimulator camera(config);
  GrabberRig rig(LptUnit(CamIfLptLevel));
  TFrameGrabberBackends backends;
  backends.OpenPort = PortOf(camera);
  backends.LptClock = camera.Clock();
  backends.AutoRange = [scan = rig.scan.get()] { return scan->FAutoRange.load(); };
  rig.scan->OtherLink = MakeFrameGrabber(rig.scan->FUnit, std::move(backends));
  auto *grabber = dynamic_cast<TLptFrameGrabber *>(rig.scan->OtherLink.get());
  ASSERT_NE(grabber, nullptr);
  rig.scan->FAutoRange.store(false);
  ASSERT_TRUE(RequestLptLevelRange(grabber->LevelRequests(), 150, 60));
  rig.scan->Resume();
  ASSERT_TRUE(rig.WaitForFrames(2));
  ASSERT_TRUE(rig.Stop());

  const auto frames = rig.TakeFrames();
  ASSERT_GE(frames.size(), 2u);
  for (const auto &[i, frame] : frames) {
    EXPECT_EQ(frame->Result.Kind, kFrameComplete);
    EXPECT_EQ(frame->Width, kLptWidth);
    EXPECT_EQ(frame->Height, 6);
    EXPECT_EQ(frame->ReceivedRows, 6);
    EXPECT_EQ(frame->Speed, 2);
    EXPECT_FLOAT_EQ(frame->CameraTemperature, 150 * 0.25f - 10.0f); // thermistor channel
  }
  // Without the automatic range the requested converter values stay; the closing writes went out.
  EXPECT_EQ(rig.scan->FUnit.Level, 150);
  EXPECT_EQ(rig.scan->FUnit.Range, 60);
  EXPECT_EQ(camera.LevelDac(), 150);
  EXPECT_EQ(camera.RangeDac(), 60);
  EXPECT_EQ(grabber->LevelRequests().PendingLevel.Get(), -1);
  ASSERT_FALSE(camera.OtherWrites().empty());
  EXPECT_EQ(camera.OtherWrites().front(), (std::pair<std::uint16_t, std::uint8_t>{0x378 + 0x402, 5}));
}

TEST(FrameGrabbers, SilentParallelPortCamerasGiveTheirTimeOutCodes) {
  struct Case {
    std::int32_t type;
    std::uint8_t silence;
  };
  for (const Case c : {Case{CamIfLpt, kLptErrorReady}, Case{CamIfLpt, kLptErrorCommand},
                       Case{CamIfLptLevel, kLptErrorLevelAck}}) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " code " << int(c.silence));
    sim::LptCameraConfig config;
    config.type = c.type;
    config.width = kLptWidth;
    config.silence = c.silence;
    sim::LptCameraSimulator camera(config);
    GrabberRig rig(LptUnit(c.type));
    TFrameGrabberBackends backends;
    backends.OpenPort = PortOf(camera);
    backends.LptClock = camera.Clock();
    rig.scan->OtherLink = MakeFrameGrabber(rig.scan->FUnit, std::move(backends));
    rig.scan->Resume();
    ASSERT_TRUE(rig.WaitForFrames(2));
    ASSERT_TRUE(rig.Stop());
    const auto frames = rig.TakeFrames();
    ASSERT_GE(frames.size(), 2u);
    for (const auto &[i, frame] : frames) {
      EXPECT_EQ(frame->Result.Kind, kFrameLinkFailure);
      EXPECT_EQ(frame->Result.Code, c.silence);
      EXPECT_EQ(frame->ReceivedRows, 0);
    }
  }
}

TEST(FrameGrabbers, PortThatCannotBeOpenedIsAFailureNotAFlood) {
  GrabberRig rig(LptUnit(CamIfLpt));
  int attempts = 0;
  TFrameGrabberBackends backends;
  backends.OpenPort = [&attempts](const TScanUnit &, QString &error) -> std::shared_ptr<TParallelPortIo> {
    ++attempts;
    error = QStringLiteral("refused");
    return nullptr;
  };
  rig.scan->OtherLink = MakeFrameGrabber(rig.scan->FUnit, std::move(backends));
  rig.scan->Resume();
  ASSERT_TRUE(rig.WaitForFrames(1));
  std::this_thread::sleep_for(300ms);
  ASSERT_TRUE(rig.Stop());
  const auto frames = rig.TakeFrames();
  ASSERT_FALSE(frames.empty());
  for (const auto &[i, frame] : frames) {
    EXPECT_EQ(frame->Result.Kind, kFrameLinkFailure);
    EXPECT_EQ(frame->Result.Code, kCodeLinkNotOpened);
  }
  // A pass without a port waits before trying again: a handful of tries, not thousands.
  EXPECT_GE(attempts, 2);
  EXPECT_LE(attempts, 10);
}

} // namespace
} // namespace calidarix
