#include "acquisition/scan_thread.h"

#include "acquisition/camera_log.h"
#include "acquisition/signal_model.h"

#include <algorithm>
#include <chrono>

namespace calidarix {

TScan *Scan = nullptr;

namespace {

using Clock = std::chrono::steady_clock;

// A pass that cannot grab anything (no link, a type without a receiver) waits this long before the
// next, so that it does not flood the window with failures.
constexpr int kIdlePassMs = 500;
// Copies of the last lines kept for the live profile.
constexpr std::size_t kKeptLines = 8;

bool IsLanType(std::int32_t type) {
  return type == CamIfLan || type == CamIfLanDual || type == CamIfLan2 || type == CamIfLan2Dual ||
         type == CamIfLan3;
}

} // namespace

TScan::TScan(Poster post, TScanRequests &requests, const TScanUnit &unit)
    : FUnit(unit), post_(std::move(post)), requests_(requests) {
  // As the thread object is created: ScanPriority, ScanRunning and the frame marker cleared,
  // automatic range and drift correction on.
  FUnit.ScanPriority = 0;
  requests_.ScanRunning.Set(false);
  requests_.BlindCorrectionOn.Set(true);
  // What the window publishes from now on is compared with the settings the thread starts from.
  auto taken = std::make_shared<TScanUnit>();
  CopyCameraSettings(*taken, unit);
  settingsTaken_ = std::move(taken);
  settingsVersion_ = requests_.CameraSettings.Version();
}

TScan::~TScan() {
  Terminate();
  WaitFor();
}

void TScan::Resume() {
  {
    const std::lock_guard lock(mutex_);
    suspended_.store(false, std::memory_order_release);
  }
  wake_.notify_all();
  if (!started_) {
    started_ = true;
    thread_ = std::thread([this] { Execute(); });
  }
}

void TScan::Suspend() {
  const std::lock_guard lock(mutex_);
  suspended_.store(true, std::memory_order_release);
}

void TScan::Terminate() {
  {
    const std::lock_guard lock(mutex_);
    terminated_.store(true, std::memory_order_release);
  }
  wake_.notify_all();
}

void TScan::WaitFor() {
  if (thread_.joinable())
    thread_.join();
}

void TScan::SetPause(bool pause) {
  {
    const std::lock_guard lock(mutex_);
    requests_.FPauseRequest.Set(pause);
  }
  wake_.notify_all();
}

void TScan::Wake() {
  { const std::lock_guard lock(mutex_); }
  wake_.notify_all();
}

int TScan::LongestReceiveTimeoutMs() const {
  if (Timings.FrameTimeoutMs > 0)
    return Timings.FrameTimeoutMs + Timings.BlindDrainMs;
  const std::int64_t strip = std::int64_t{requests_.StripLineCount.Get()} * 1000 / 60;
  return static_cast<int>(std::clamp<std::int64_t>(std::max<std::int64_t>(10000, strip), 0, 3600000)) +
         Timings.BlindDrainMs;
}

TScanLineCopy TScan::LatestLine() const {
  const std::lock_guard lock(lineMutex_);
  return recentLines_.empty() ? TScanLineCopy{} : recentLines_.back();
}

TScanLineCopy TScan::LineCopy(std::int32_t line) const {
  const std::lock_guard lock(lineMutex_);
  for (auto it = recentLines_.rbegin(); it != recentLines_.rend(); ++it)
    if (it->Line == line)
      return *it;
  return recentLines_.empty() ? TScanLineCopy{} : recentLines_.back();
}

void TScan::Post(MessageId msg, WPARAM wParam) const {
  if (post_)
    post_(msg, wParam, AsLParam());
}

void TScan::WaitUntil(const std::function<bool()> &done, int timeoutMs) {
  std::unique_lock lock(mutex_);
  const auto until = [&] { return Terminated() || done(); };
  if (timeoutMs < 0) {
    // Flags written straight into the requests wake nobody; a slow look now and then catches them.
    while (!until())
      wake_.wait_for(lock, std::chrono::milliseconds(250));
  } else {
    wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs), until);
  }
}

void TScan::TakeWindowSettings() {
  if (requests_.CameraSettings.Version() == settingsVersion_)
    return;
  std::uint64_t version = 0;
  std::shared_ptr<const TScanUnit> published = requests_.CameraSettings.Latest(&version);
  if (published) {
    MergeCameraSettings(FUnit, *published, *settingsTaken_);
    settingsTaken_ = std::move(published);
  }
  settingsVersion_ = version;
}

TFrameResult TScan::GrabFrame(std::int32_t &rows, bool &wait) {
  const std::int32_t type = FUnit.CameraInterfaceType;
  rows = 0;
  wait = false;
  if (IsLanType(type)) {
    if (!link_.Connected() && !link_.Connect(FUnit.CameraIP, CameraPort)) {
      FLanConnected.store(false);
      wait = true;
      return TFrameResult{kFrameLinkFailure, 0, kCodeBlindLost};
    }
    FLanConnected.store(true);
    TLanFrameContext context{FUnit, requests_, link_, reception_, Timings, {}, {}};
    // The step goes with the message: the window may take it only after the thread moved on.
    context.OnHeadStep = [this] { Post(WM_HEADSTEP, static_cast<WPARAM>(requests_.StripStep.Get())); };
    context.OnLine = [this](std::int32_t line, std::span<const std::uint16_t> row) {
      {
        const std::lock_guard lock(lineMutex_);
        // The oldest copy's storage is reused for the newest.
        TScanLineCopy copy;
        if (recentLines_.size() >= kKeptLines) {
          copy = std::move(recentLines_.front());
          recentLines_.pop_front();
        }
        copy.Line = line;
        copy.Values.assign(row.begin(), row.end());
        recentLines_.push_back(std::move(copy));
      }
      if (queuedLines_.load(std::memory_order_relaxed) < kMaxQueuedLineMessages) {
        queuedLines_.fetch_add(1, std::memory_order_relaxed);
        Post(WM_SCANLINE, static_cast<WPARAM>(line));
      }
    };
    const TFrameResult result = ReceiveLanFrame(context);
    rows = reception_.ReceivedRows;
    wait = result.Kind == kFrameBadGeometry;
    return result;
  }
  if (IsServedInterfaceType(type) && OtherLink) {
    const TFrameResult result = OtherLink->Grab(FUnit, requests_, rows);
    reception_.BlindCorrected = requests_.BlindCorrectionOn.Get();
    const bool connected = OtherLink->Connected();
    if (type == CamIfUsb)
      FUsbConnected.store(connected);
    wait = !connected;
    return result;
  }
  if (IsServedInterfaceType(type))
    CameraLog(QStringLiteral("No frame source for camera type %1 in this build").arg(type));
  wait = true;
  return TFrameResult{kFrameResultUnservedType, 0, kFrameResultUnservedType};
}

void TScan::Execute() {
  requests_.ScanRunning.Set(true);
  requests_.FPostEnabled.Set(false);
  requests_.FilmRecording.Set(false);
  requests_.GrabFrameRequest.Set(false);
  requests_.FixedLinePosition.Set(0);
  TFrameResult result{};

  while (!Terminated()) {
    WaitUntil([this] { return !Suspended(); });
    if (Terminated())
      break;
    if (requests_.FPauseRequest.Get()) {
      requests_.FPostEnabled.Set(true);
      result = TFrameResult{};
      usbFailed_ = false;
      WaitUntil([this] { return !requests_.FPauseRequest.Get() || Suspended(); });
      continue;
    }
    if (requests_.PanByFramesActive.Get() && requests_.PanHeadSettled.Get())
      requests_.PanFrameReady.Set(true);

    // A USB camera whose last frame failed requests nothing until a pause clears the failure.
    if (FUnit.CameraInterfaceType == CamIfUsb && usbFailed_) {
      WaitUntil([this] { return requests_.FPauseRequest.Get() || Suspended(); });
      continue;
    }
    TakeWindowSettings();
    std::int32_t rows = 0;
    bool idle = false;
    result = GrabFrame(rows, idle);
    if (FUnit.CameraInterfaceType == CamIfUsb)
      usbFailed_ = result.Kind != kFrameComplete;

    if (requests_.FrameTimingOn.Get())
      FUnit.FramePeriodMs = static_cast<std::int32_t>(
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - reception_.TimingStart)
              .count());

    if (requests_.FSkipNextFrame.Exchange(false)) {
      reception_.FrameMarked = false;
    } else if (!Terminated()) {
      if (reception_.FrameMarked && result.Kind == kFrameComplete)
        result.Kind = kFrameMarked;
      reception_.FrameMarked = false;
      FUnit.FrameTimed = requests_.FrameTimingOn.Get();
      if (requests_.FPostEnabled.Get()) {
        TCameraFrame frame = MakeCameraFrame(FUnit, rows, result);
        frame.CalibrationTaken = WorkingCalibration(*settingsTaken_);
        frame.BlindCorrected = reception_.BlindCorrected;
        const std::uint64_t serial = Frames.Post(std::move(frame));
        FramesPosted.fetch_add(1);
        Post(WM_FRAMEDONE, static_cast<WPARAM>(serial));
      }
      FUnit.FrameTimed = false;
    }

    if (requests_.HeadConnected.Get() && requests_.StripScanning.Get()) {
      const std::uint8_t step = requests_.StripStep.Get();
      if (step == 1 || step == 2) {
        requests_.StripStep.Set(static_cast<std::uint8_t>(step + 1));
      } else if (step == 4) {
        requests_.StripStep.Set(5);
        requests_.PendingSpeed.Set(2);
      }
    }
    // A range asked for after an edit of its set is selected from the edited set: the request was
    // made after the edit was published, so a look after seeing the request finds the edit.
    if (requests_.PendingRange.Get() != kNoRequest)
      TakeWindowSettings();
    ApplyPendingRequests(FUnit, requests_);
    requests_.FPostEnabled.Set(true);
    PassesDone.fetch_add(1);
    if (idle)
      WaitUntil([this] { return requests_.FPauseRequest.Get() || Suspended(); }, kIdlePassMs);
  }

  const std::int32_t type = FUnit.CameraInterfaceType;
  if (IsLanType(type))
    link_.Disconnect();
  else if (OtherLink)
    OtherLink->Close(FUnit, requests_);
  FLanConnected.store(false);
  FUsbConnected.store(false);
  requests_.ScanRunning.Set(false);
}

} // namespace calidarix
