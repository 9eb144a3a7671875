#include "acquisition/scan_thread.h"
#include "tests/acquisition/lan_camera_rig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace calidarix {
namespace {

using namespace std::chrono_literals;
using test::RampPixel;
using test::UnitFor;

// The acquisition thread against a simulated camera, its messages collected as they are posted.
struct ThreadRig {
  explicit ThreadRig(const sim::LanCameraConfig &config, std::int32_t scanHeight = 16) : camera(config) {
    port = camera.Open().value_or(0);
    camera.Start();
    scan = std::make_unique<TScan>(
        [this](MessageId msg, WPARAM w, LPARAM l) {
          const std::lock_guard lock(mutex);
          messages.push_back(Message{msg, w, l, 0});
          if (msg == WM_SCANLINE && takeLines)
            scan->LineMessageTaken();
          // Taken at once, as the window takes its frames, so that no later frame can push it out
          // of the mailbox however far the thread runs ahead of the test.
          if (keepFrames && msg == WM_FRAMEDONE)
            kept.push_back(scan->Frames.Take(static_cast<std::uint64_t>(w)));
          changed.notify_all();
        },
        requests, UnitFor(config, scanHeight));
    scan->CameraPort = port;
    scan->Timings.FrameTimeoutMs = 2000;
  }
  ~ThreadRig() {
    // Joined before the pointer goes: the thread's messages read it until the thread is gone.
    scan->Terminate();
    scan->WaitFor();
    scan.reset();
    camera.Stop();
  }

  std::vector<Message> Messages(MessageId id) {
    const std::lock_guard lock(mutex);
    std::vector<Message> found;
    for (const Message &m : messages)
      if (m.Msg == id)
        found.push_back(m);
    return found;
  }

  // Waits (at most 20 s, for a loaded machine) until `done` holds.
  bool WaitFor(const std::function<bool()> &done) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    std::unique_lock lock(mutex);
    while (!done()) {
      if (changed.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + 20ms)) ==
              std::cv_status::timeout &&
          std::chrono::steady_clock::now() >= deadline)
        return done();
    }
    return true;
  }
  std::size_t CountUnlocked(MessageId id) const {
    std::size_t n = 0;
    for (const Message &m : messages)
      n += m.Msg == id;
    return n;
  }
  bool WaitForFrames(std::size_t n) {
    return WaitFor([&] { return CountUnlocked(WM_FRAMEDONE) >= n; });
  }

  // The frames of every frame message, in order (a frame already dropped gives null).
  std::vector<std::shared_ptr<const TCameraFrame>> TakeFrames() {
    if (keepFrames) {
      const std::lock_guard lock(mutex);
      return kept;
    }
    std::vector<std::shared_ptr<const TCameraFrame>> frames;
    for (const Message &m : Messages(WM_FRAMEDONE)) {
      EXPECT_EQ(m.LParam, scan->AsLParam());
      frames.push_back(scan->Frames.Take(m.WParam));
    }
    return frames;
  }

  sim::LanCameraSimulator camera;
  std::uint16_t port = 0;
  TScanRequests requests;
  std::unique_ptr<TScan> scan;
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Message> messages;
  bool keepFrames = false; // set before the thread runs
  bool takeLines = true;   // the line messages are taken as they come, as a window that keeps up
  std::vector<std::shared_ptr<const TCameraFrame>> kept;
};

// The camera's frame number, read back from a frame the drift correction moved by -500.
int CameraFrameOf(const TCameraFrame &frame) {
  return frame.Pixels[1] + 500 - RampPixel(1, 0, 0);
}

TEST(ScanThread, PostsEveryFrameButTheFirstWithItsLinesAndStatus) {
  ThreadRig rig({});
  rig.keepFrames = true;
  EXPECT_FALSE(rig.requests.ScanRunning.Get());
  rig.scan->Resume();
  ASSERT_TRUE(rig.WaitForFrames(3));
  EXPECT_TRUE(rig.requests.ScanRunning.Get());
  const auto frames = rig.TakeFrames();
  for (std::size_t i = 0; i < 3; ++i) {
    ASSERT_TRUE(frames[i]);
    const TCameraFrame &f = *frames[i];
    EXPECT_EQ(f.Result.Kind, kFrameComplete);
    EXPECT_EQ(f.Width, 320);
    EXPECT_EQ(f.Height, 16);
    EXPECT_EQ(f.ReceivedRows, 16);
    EXPECT_TRUE(f.BlindCorrected);
    EXPECT_FLOAT_EQ(f.CameraTemperature, 25.0f);
    // The first frame (camera frame 0) was handed over without a message.
    EXPECT_EQ(CameraFrameOf(f), static_cast<int>(i) + 1);
    EXPECT_EQ(f.Pixels[320 * 9 + 77], RampPixel(77, 9, CameraFrameOf(f)) - 500);
  }
  // Every line of every frame was announced, and each frame's head step once.
  EXPECT_GE(rig.Messages(WM_SCANLINE).size(), 4u * 16u);
  EXPECT_GE(rig.Messages(WM_HEADSTEP).size(), 4u);
  EXPECT_EQ(rig.scan->LatestLine().Values.size(), 320u);

  rig.scan->Terminate();
  rig.scan->WaitFor();
  EXPECT_FALSE(rig.requests.ScanRunning.Get());
}

TEST(ScanThread, AWindowThatFallsBehindGetsABoundedQueueOfLinesButEveryFrame) {
  ThreadRig rig({});
  rig.takeLines = false;
  rig.scan->Resume();
  // Sixteen lines a frame: ten frames would queue 160 line messages for a window that takes none.
  ASSERT_TRUE(rig.WaitForFrames(10));
  EXPECT_EQ(rig.Messages(WM_SCANLINE).size(), static_cast<std::size_t>(TScan::kMaxQueuedLineMessages));
  // Once the window takes what waits, the lines flow again.
  for (int i = 0; i < TScan::kMaxQueuedLineMessages; ++i)
    rig.scan->LineMessageTaken();
  const std::size_t frames = rig.Messages(WM_FRAMEDONE).size();
  ASSERT_TRUE(rig.WaitForFrames(frames + 2));
  EXPECT_GT(rig.Messages(WM_SCANLINE).size(), static_cast<std::size_t>(TScan::kMaxQueuedLineMessages));
}

TEST(ScanThread, PendingSpeedTakesEffectWithTheNextRequestOnly) {
  ThreadRig rig({});
  sim::LanCameraFaults paced;
  paced.datagramDelayMicros = 2000; // a frame takes some 35 ms
  rig.camera.SetFaults(paced);
  rig.scan->Resume();
  ASSERT_TRUE(rig.WaitFor([&] { return rig.camera.Requests().size() >= 2; }));
  const std::size_t before = rig.camera.Requests().size();
  rig.requests.PendingSpeed.Set(3);
  ASSERT_TRUE(rig.WaitFor([&] {
    const auto r = rig.camera.Requests();
    return !r.empty() && r.back().speed == 3 && rig.CountUnlocked(WM_FRAMEDONE) >= before + 1;
  }));
  const auto requests = rig.camera.Requests();
  for (std::size_t i = 0; i < before; ++i)
    EXPECT_EQ(requests[i].speed, 2) << i; // the request already sent keeps the old speed
  // Each frame is whole at the speed it was requested with.
  for (const auto &frame : rig.TakeFrames()) {
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->Result.Kind, kFrameComplete);
    EXPECT_EQ(frame->Height, frame->Speed == 3 ? 8 : 16);
    EXPECT_EQ(frame->ReceivedRows, frame->Height);
  }
  EXPECT_EQ(rig.requests.PendingSpeed.Get(), kNoRequest);
}

TEST(ScanThread, SkippedFrameIsNeitherHandedOverNorPosted) {
  ThreadRig rig({});
  // Camera frame number minus mailbox serial of the latest frame posted: it grows by one for each camera
  // frame that went unposted. Taken at once, as the window takes its frames, so that the mailbox still
  // holds it however fast the thread runs on.
  const auto latestOffset = [&]() -> std::optional<long long> {
    const std::vector<Message> messages = rig.Messages(WM_FRAMEDONE);
    if (messages.empty())
      return std::nullopt;
    const auto serial = static_cast<std::uint64_t>(messages.back().WParam);
    const std::shared_ptr<const TCameraFrame> frame = rig.scan->Frames.Take(serial);
    if (!frame)
      return std::nullopt;
    return static_cast<long long>(CameraFrameOf(*frame)) - static_cast<long long>(serial);
  };
  rig.scan->Resume();
  ASSERT_TRUE(rig.WaitForFrames(2));
  const std::optional<long long> before = latestOffset();
  ASSERT_TRUE(before);
  rig.requests.FSkipNextFrame.Set(true);
  ASSERT_TRUE(rig.WaitFor([&] { return !rig.requests.FSkipNextFrame.Get(); }));
  const std::size_t posted = rig.Messages(WM_FRAMEDONE).size();
  ASSERT_TRUE(rig.WaitForFrames(posted + 1));
  const std::optional<long long> after = latestOffset();
  rig.scan->Terminate();
  rig.scan->WaitFor();
  ASSERT_TRUE(after);
  EXPECT_EQ(*after - *before, 1); // exactly one camera frame went unposted
}

TEST(ScanThread, PauseIsAcknowledgedAndHoldsTheThreadUntilLifted) {
  ThreadRig rig({});
  rig.scan->Resume();
  ASSERT_TRUE(rig.WaitForFrames(1));
  rig.requests.FPostEnabled.Set(false);
  rig.scan->SetPause(true);
  ASSERT_TRUE(rig.WaitFor([&] { return rig.requests.FPostEnabled.Get(); }));
  rig.scan->Suspend();
  // Acknowledged: nothing is requested or posted while paused.
  std::this_thread::sleep_for(100ms);
  const std::size_t requests = rig.camera.Requests().size();
  const std::size_t posted = rig.Messages(WM_FRAMEDONE).size();
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(rig.camera.Requests().size(), requests);
  EXPECT_EQ(rig.Messages(WM_FRAMEDONE).size(), posted);
  // Resuming continues the pause loop; lifting the pause brings frames again.
  rig.scan->Resume();
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(rig.camera.Requests().size(), requests);
  rig.scan->SetPause(false);
  ASSERT_TRUE(rig.WaitForFrames(posted + 2));
}

TEST(ScanThread, InterfaceTypeWithoutReceiverEndsEveryFrameWith1000) {
  sim::LanCameraConfig config;
  config.interfaceType = 129;
  ThreadRig rig(config);
  rig.scan->Resume();
  ASSERT_TRUE(rig.WaitForFrames(1));
  const auto frames = rig.TakeFrames();
  ASSERT_TRUE(frames[0]);
  EXPECT_EQ(frames[0]->Result.Kind, kFrameResultUnservedType);
  EXPECT_EQ(frames[0]->Result.Code, 1000);
  EXPECT_TRUE(rig.camera.Requests().empty());
}

TEST(ScanThread, StripStepFourMovesOnAndAsksForSpeedTwo) {
  ThreadRig rig({});
  rig.requests.HeadConnected.Set(true);
  rig.requests.StripScanning.Set(true);
  rig.requests.StripStep.Set(4);
  rig.scan->FUnit.Speed = 3;
  rig.scan->Resume();
  ASSERT_TRUE(rig.WaitFor([&] { return rig.requests.StripStep.Get() == 5; }));
  // The head step message names the step of the frame it came with.
  EXPECT_EQ(rig.Messages(WM_HEADSTEP).front().WParam, 4u);
  ASSERT_TRUE(rig.WaitFor([&] {
    const auto r = rig.camera.Requests();
    return r.size() >= 2 && r.back().speed == 2;
  }));
  EXPECT_EQ(rig.camera.Requests().front().speed, 3);
}

TEST(ScanThread, TheWindowsGeometryReachesTheNextRequest) {
  ThreadRig rig({});
  rig.scan->Resume();
  ASSERT_TRUE(rig.WaitForFrames(1));
  // The window's camera state, as the thread was made from it, with the scanner bars moved.
  TScanUnit window = UnitFor({}, 16);
  window.Delay[0] = 77;
  window.Sectors = 9;
  rig.requests.CameraSettings.Publish(window);
  // The request on its way may have been made before; the one after it is not.
  const std::size_t sent = rig.camera.Requests().size();
  ASSERT_TRUE(rig.WaitFor([&] { return rig.camera.Requests().size() >= sent + 3; }));
  const auto requests = rig.camera.Requests();
  EXPECT_EQ(requests.front().block[6], 0);
  EXPECT_EQ(requests.front().block[7], 15);
  for (std::size_t i = sent + 1; i < requests.size(); ++i) {
    EXPECT_EQ(requests[i].block[6], 77) << i;
    EXPECT_EQ(requests[i].block[7], 9) << i; // sector entries
  }
}

TEST(ScanThread, ARangeTheThreadSelectsIsNotUndoneByTheWindowsNextEdit) {
  ThreadRig rig({});
  rig.keepFrames = true;
  rig.scan->Resume();
  ASSERT_TRUE(rig.WaitForFrames(1));
  // The window edits range 2's curve and then asks for that range.
  TScanUnit window = UnitFor({}, 16);
  window.Exp2_A = 4.0e7;
  window.Amplification = {1, 2, 3};
  rig.requests.CameraSettings.Publish(window);
  rig.requests.PendingRange.Set(1);
  const auto rangeFrames = [&] {
    std::size_t n = 0;
    for (const auto &frame : rig.kept)
      n += frame && frame->Range == 1;
    return n;
  };
  ASSERT_TRUE(rig.WaitFor([&] { return rangeFrames() >= 1; }));
  // Before the window has seen a frame of the new range it edits something else.
  window.Edge[0] = 33;
  rig.requests.CameraSettings.Publish(window);
  const std::size_t sent = rig.camera.Requests().size();
  ASSERT_TRUE(rig.WaitFor([&] { return rangeFrames() >= 3 && rig.camera.Requests().size() >= sent + 2; }));
  for (const auto &frame : rig.TakeFrames()) {
    if (!frame || frame->Range != 1)
      continue;
    // Selected from the edited set, and kept so; the window still has range 1's values.
    EXPECT_EQ(frame->Calibration.CurExpA, 4.0e7);
    EXPECT_EQ(frame->Calibration.CurAmplification, 2);
    EXPECT_EQ(frame->CalibrationTaken.CurExpA, window.CurExpA);
  }
  const auto requests = rig.camera.Requests();
  EXPECT_EQ(requests.back().block[1], 2); // the amplification of range 2
}

// Run under ThreadSanitizer: a thousand frames while the GUI side takes frames and lines and changes
// requests, as the main window does.
TEST(ScanThread, AThousandFramesWithTheGuiReadingAlong) {
  sim::LanCameraConfig config;
  config.scanWidth = 16;
  ThreadRig rig(config, 2);
  TScanUnit window = UnitFor(config, 2);
  rig.scan->Resume();
  int taken = 0;
  std::uint64_t serial = 0;
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (rig.scan->FramesPosted.load() < 1000 && std::chrono::steady_clock::now() < deadline) {
    if (auto frame = rig.scan->Frames.Take()) {
      ASSERT_EQ(frame->Pixels.size(), static_cast<std::size_t>(frame->Width) * frame->Height);
      ASSERT_EQ(frame->Result.Kind, kFrameComplete);
      ++taken;
    }
    const TScanLineCopy line = rig.scan->LatestLine();
    ASSERT_TRUE(line.Values.empty() || line.Values.size() == 16u);
    if (++serial % 50 == 0) {
      rig.requests.BlindCorrectionOn.Set(serial % 100 != 0);
      window.Delay[0] = static_cast<std::int32_t>(serial % 200);
      rig.requests.CameraSettings.Publish(window);
    }
    (void)rig.scan->LineNumber();
    std::this_thread::yield();
  }
  EXPECT_GE(rig.scan->FramesPosted.load(), 1000);
  EXPECT_GT(taken, 0);
  rig.scan->Terminate();
  rig.scan->WaitFor();
}

} // namespace
} // namespace calidarix
