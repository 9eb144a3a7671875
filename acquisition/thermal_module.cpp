#include "acquisition/thermal_module.h"

#include <chrono>

namespace calidarix {

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (const int v : values)
    out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

TModuleStartupStep Out(int request, std::initializer_list<int> data) {
  return TModuleStartupStep{false, static_cast<std::uint8_t>(request), Bytes(data), 0};
}

TModuleStartupStep In(int request, int length) {
  return TModuleStartupStep{true, static_cast<std::uint8_t>(request), {}, length};
}

constexpr std::uint8_t kShutdownRequest = 60;
constexpr std::uint8_t kFrameRequest = 83;
constexpr int kRawBytes = SeekRawWords * 2;

} // namespace

const std::vector<TModuleStartupStep> &ModuleStartupSequence() {
  static const std::vector<TModuleStartupStep> steps = {
      Out(84, {0x01}),
      Out(60, {0x00, 0x00}),
      In(78, 4),
      In(54, 12),
      Out(86, {0x06, 0x00, 0x08, 0x00, 0x00, 0x00}),
      In(88, 12),
      Out(86, {0x20, 0x00, 0x30, 0x00, 0x00, 0x00}),
      In(88, 64),
      Out(86, {0x20, 0x00, 0x50, 0x00, 0x00, 0x00}),
      In(88, 64),
      Out(86, {0x0C, 0x00, 0x70, 0x00, 0x00, 0x00}),
      In(88, 24),
      Out(62, {0x08, 0x00}),
      Out(85, {0x00, 0x00}),
      Out(60, {0x01, 0x00}),
      In(61, 2),
  };
  return steps;
}

TSeekThermal::TSeekThermal(WindowHandle ownerWindow, std::unique_ptr<ModuleUsbDevice> device,
                           const TModuleSettings &settings, std::function<void(const QString &)> log,
                           bool startThread)
    : FOwnerWindow(ownerWindow), device_(std::move(device)), log_(std::move(log)),
      shutter_(settings.ShutterPortNumber, log_), rawBytes_(kRawBytes), rawWords_(SeekRawWords) {
  processing_.FMedianFilterOn = settings.MedianFilterOn;
  posted_.Pixels.assign(SeekImagePixels, 0);
  shutter_.FindShutterPort();
  if (startThread)
    thread_ = std::thread([this] { Execute(); });
}

TSeekThermal::~TSeekThermal() {
  Terminate();
  ShutdownModule();
  if (device_)
    device_->Close();
}

void TSeekThermal::Log(const QString &text) const {
  if (log_)
    log_(text);
}

void TSeekThermal::Terminate() {
  {
    std::lock_guard guard(waitLock_);
    FTerminated = true;
  }
  wake_.notify_all();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
    thread_.join();
}

void TSeekThermal::Pause(int ms) {
  std::unique_lock guard(waitLock_);
  wake_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return FTerminated.load(); });
}

bool TSeekThermal::ControlOut(std::uint8_t request, std::span<const std::uint8_t> data) {
  return FOpened && device_ && device_->ControlOut(kModuleRequestOut, request, data);
}

bool TSeekThermal::ControlIn(std::uint8_t request, std::span<std::uint8_t> buffer) {
  return FOpened && device_ && device_->ControlIn(kModuleRequestIn, request, buffer);
}

int TSeekThermal::InitializeModule() {
  if (FOpened || !device_)
    return 1;
  QString error;
  if (!device_->Open(SeekVendorId, SeekProductId, &error)) {
    Log(QStringLiteral("USB thermal module: ") + error);
    return 1;
  }
  FOpened = true;
  std::vector<std::uint8_t> answer;
  for (const TModuleStartupStep &step : ModuleStartupSequence()) {
    bool ok;
    if (step.In) {
      answer.assign(static_cast<std::size_t>(step.Length), 0);
      ok = ControlIn(step.Request, answer); // what the module answers is not needed
    } else {
      ok = ControlOut(step.Request, step.Data);
    }
    // A module that stops answering half-way is not ready, whatever the rest would say.
    if (!ok) {
      Log(QStringLiteral("USB thermal module: start-up request %1 failed").arg(step.Request));
      FOpened = false;
      device_->Close();
      return 1;
    }
  }
  return 0;
}

void TSeekThermal::ShutdownModule() {
  if (!FOpened)
    return;
  const std::uint8_t zero[2] = {0, 0};
  for (int i = 0; i < 3; ++i)
    ControlOut(kShutdownRequest, zero);
  FOpened = false;
}

int TSeekThermal::BulkRead(int count, std::uint8_t *buffer) {
  int have = 0;
  while (have < count) {
    const int n = device_->BulkRead(kModuleBulkEndpoint, buffer + have, count - have, kModuleBulkTimeoutMs);
    if (n <= 0) {
      FReadFailed = true;
      return 1;
    }
    have += n;
  }
  return 0;
}

int TSeekThermal::ReadModuleFrame() {
  if (!FOpened)
    return 1;
  FReadBusy = true;
  const std::uint8_t words[4] = {static_cast<std::uint8_t>(SeekRawWords & 0xFF),
                                 static_cast<std::uint8_t>((SeekRawWords >> 8) & 0xFF), 0, 0};
  if (!ControlOut(kFrameRequest, words) || BulkRead(kRawBytes, rawBytes_.data()) != 0) {
    FReadFailed = true;
    FReadBusy = false;
    return 1;
  }
  for (int i = 0; i < SeekRawWords; ++i)
    rawWords_[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(
        rawBytes_[2 * static_cast<std::size_t>(i)] | (rawBytes_[2 * static_cast<std::size_t>(i) + 1] << 8));
  FPrevFrameType = FFrameType.load();
  const TModuleFrameHeader header = TakeModuleFrameHeader(rawWords_);
  FFrameType = static_cast<std::uint8_t>(header.Type);
  if (header.Type == 0) {
    FReadBusy = false;
    return 1;
  }

  std::unique_lock guard(lock_);
  processing_.FHeaderWord = header.HeaderWord;
  if (header.Stored)
    processing_.StoreRawFrame(header.Type, rawWords_);
  if (header.Type != kModuleImageFrame) {
    processing_.ProcessFrameByType(header.Type);
    FReadBusy = false;
    return 0;
  }
  const std::uint8_t previous = FPrevFrameType.load();
  const bool afterShutter = previous == kModuleReferenceFrame || previous == kModuleShutterFrame;
  processing_.ImagePipeline(
      afterShutter, FStopped, [this] { return shutter_.ReadShutterTemperature(); }, log_);
  bool pause = false;
  if (!FStopped && !FTerminated) {
    if (processing_.FSkipNextPost) {
      processing_.FSkipNextPost = false;
      FFrameToggle = 0;
      pause = true;
    } else if (FFrameToggle == 0) {
      // The window gets its own copy: the next frame is processed while it draws this one.
      posted_.Pixels = processing_.FImage;
      posted_.Minimum = processing_.FImageMin;
      posted_.Maximum = processing_.FImageMax;
      posted_.BlindTemperature = processing_.FBlindTemperature;
      posted_.Opened = FOpened;
      ++FPostCount;
      PostMessage(FOwnerWindow, WM_MODULEFRAME, reinterpret_cast<WPARAM>(this), kModuleImageFrame);
    }
  }
  guard.unlock();
  // The module settles after a new flat field.
  if (pause)
    Pause(100);
  FFrameReady = true;
  FReadBusy = false;
  return 0;
}

void TSeekThermal::Execute() {
  const auto finish = [this] { FFinished = true; };
  if (InitializeModule() != 0) {
    FStopped = true;
    finish();
    return;
  }
  // Frames are read only while the driver is not stopped; a module that started is ready.
  FStopped = false;
  int result = ReadModuleFrame();
  if (!FTerminated && (result == 1 || FFrameType != kModuleGainFrame)) {
    // A module that does not begin with its gain frame is started again, once, on this thread.
    ShutdownModule();
    FReadFailed = false;
    if (InitializeModule() != 0) {
      FStopped = true;
      finish();
      return;
    }
    ReadModuleFrame();
  }
  while (!FTerminated && !FReadFailed) {
    if (FStopped) {
      Pause(10);
      continue;
    }
    result = ReadModuleFrame();
    if (result == 0 && FFrameType == kModuleImageFrame)
      FFrameToggle = FFrameToggle > 0 ? FFrameToggle - 1 : 1;
    else if (result == 1 && !FReadFailed)
      Pause(1); // no frame: the module is not ready yet
  }
  if (FReadFailed)
    Log(QStringLiteral("USB thermal module: frame transfer failed"));
  finish();
}

void TSeekThermal::StoreFlatField() {
  std::lock_guard guard(lock_);
  processing_.StoreFlatField();
}

TModulePicture TSeekThermal::PostedImage() const {
  std::lock_guard guard(lock_);
  return posted_;
}

TModuleImage TSeekThermal::ProcessingSnapshot() const {
  std::lock_guard guard(lock_);
  return processing_;
}

} // namespace calidarix
