#include "acquisition/usb_pipe.h"

#include "acquisition/usb_libusb_backend.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace calidarix {

namespace {

std::mutex backendMutex;
std::shared_ptr<TUsbBackend> defaultBackend;

std::size_t RoundUpToPackets(std::size_t count, std::size_t packet) {
  if (packet == 0)
    return count;
  return (count + packet - 1) / packet * packet;
}

} // namespace

int UsbStatusFromLibusb(int libusbError) {
  if (libusbError >= 0)
    return kUsbPipeOk;
  return kUsbErrorBase - libusbError;
}

std::string UsbStatusText(int status) {
  switch (status) {
  case kUsbPipeOk:
    return "success";
  case kUsbPipeNotOpen:
    return "pipe not open";
  case kUsbPipeZeroLength:
    return "zero length asked";
  case kUsbPipeIncomplete:
    return "block incomplete";
  case kUsbErrorIo:
    return "input/output error";
  case kUsbErrorAccess:
    return "access denied (see the udev rule in the README)";
  case kUsbErrorNoDevice:
    return "camera disconnected";
  case kUsbErrorNotFound:
    return "camera not found";
  case kUsbErrorBusy:
    return "camera busy";
  case kUsbErrorTimeout:
    return "time-out";
  case kUsbErrorOverflow:
    return "overflow";
  case kUsbErrorStall:
    return "endpoint stalled";
  default:
    return "USB error " + std::to_string(status);
  }
}

std::shared_ptr<TUsbBackend> DefaultUsbBackend() {
  const std::lock_guard lock(backendMutex);
  if (!defaultBackend)
    defaultBackend = std::make_shared<TLibusbBackend>(CurrentUsbSettings());
  return defaultBackend;
}

void SetDefaultUsbBackend(std::shared_ptr<TUsbBackend> backend) {
  const std::lock_guard lock(backendMutex);
  defaultBackend = std::move(backend);
}

TUSBPipe::TUSBPipe(std::shared_ptr<TUsbBackend> backend) : backend_(std::move(backend)) {}

TUSBPipe::~TUSBPipe() {
  ClosePipes();
}

int TUSBPipe::EnumUSBDevices(std::vector<std::string> &list) {
  if (!backend_)
    return 0;
  const std::vector<std::string> found = backend_->Enumerate();
  list.insert(list.end(), found.begin(), found.end());
  return static_cast<int>(found.size());
}

int TUSBPipe::OpenPipes(const std::string &devicePath) {
  ClosePipes();
  if (!backend_)
    return kUsbErrorNotFound;
  int status = kUsbErrorNotFound;
  device_ = backend_->Open(devicePath, status);
  if (!device_) {
    ClosePipes();
    return status == kUsbPipeOk ? kUsbErrorNotFound : status;
  }
  FlushPipe();
  return kUsbPipeOk;
}

int TUSBPipe::ClosePipes() {
  if (device_)
    FlushPipe();
  device_.reset();
  queue_.clear();
  queueHead_ = 0;
  return kUsbPipeOk;
}

int TUSBPipe::FlushPipe() {
  if (!device_)
    return kUsbPipeNotOpen;
  queue_.clear();
  queueHead_ = 0;
  scratch_.resize(RoundUpToPackets(kUsbFlushBlock, device_->PacketSize()));
  for (int i = 0; i < kUsbFlushMaxReads; ++i) {
    const TUsbTransfer t = device_->BulkIn(scratch_, kUsbFlushTimeoutMs);
    if (t.Status != kUsbPipeOk || t.Transferred == 0)
      break;
  }
  return kUsbPipeOk;
}

std::size_t TUSBPipe::TakeQueued(std::span<std::uint8_t> out) {
  const std::size_t n = std::min(out.size(), Queued());
  if (n > 0) {
    std::memcpy(out.data(), queue_.data() + queueHead_, n);
    queueHead_ += n;
  }
  if (queueHead_ == queue_.size()) {
    queue_.clear();
    queueHead_ = 0;
  }
  return n;
}

void TUSBPipe::Keep(std::span<const std::uint8_t> bytes) {
  if (bytes.empty())
    return;
  if (queueHead_ > 0 && queueHead_ >= queue_.size() / 2) {
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(queueHead_));
    queueHead_ = 0;
  }
  queue_.insert(queue_.end(), bytes.begin(), bytes.end());
}

int TUSBPipe::ReadPipe(std::span<std::uint8_t> buffer) {
  if (!device_)
    return kUsbPipeNotOpen;
  if (buffer.empty())
    return kUsbPipeZeroLength;
  std::size_t got = TakeQueued(buffer);
  int partialReads = 0;
  while (got < buffer.size()) {
    const std::size_t missing = buffer.size() - got;
    scratch_.resize(RoundUpToPackets(missing, device_->PacketSize()));
    const TUsbTransfer t = device_->BulkIn(scratch_, timeoutMs_);
    const std::size_t arrived = std::min(t.Transferred, scratch_.size());
    const std::size_t used = std::min(arrived, missing);
    std::memcpy(buffer.data() + got, scratch_.data(), used);
    got += used;
    // Bytes past the block belong to the next one; they wait in the queue.
    Keep(std::span<const std::uint8_t>(scratch_.data() + used, arrived - used));
    if (t.Status != kUsbPipeOk)
      return t.Status;
    if (got < buffer.size() && ++partialReads >= kUsbReadAttempts)
      return kUsbPipeIncomplete;
  }
  return kUsbPipeOk;
}

int TUSBPipe::WritePipe(std::span<const std::uint8_t> buffer, std::size_t &written) {
  written = 0;
  if (!device_)
    return kUsbPipeNotOpen;
  if (buffer.empty())
    return kUsbPipeZeroLength;
  const TUsbTransfer t = device_->BulkOut(buffer, timeoutMs_);
  written = std::min(t.Transferred, buffer.size());
  return t.Status;
}

} // namespace calidarix
