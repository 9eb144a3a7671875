#include "tests/sim/fake_module_device.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace calidarix::sim {

bool FakeModuleDevice::Open(std::uint16_t vendor, std::uint16_t product, QString *error) {
  std::lock_guard guard(state_->Lock);
  state_->OpenRequests.emplace_back(vendor, product);
  if (vendor != state_->Vendor || product != state_->Product) {
    if (error)
      *error = QStringLiteral("no such device");
    return false;
  }
  state_->Opened = true;
  ++state_->OpenCount;
  return true;
}

void FakeModuleDevice::Close() {
  std::lock_guard guard(state_->Lock);
  state_->Opened = false;
}

bool FakeModuleDevice::ControlOut(std::uint8_t requestType, std::uint8_t request,
                                  std::span<const std::uint8_t> data) {
  std::lock_guard guard(state_->Lock);
  if (!state_->Opened || state_->FailControl)
    return false;
  state_->Transfers.push_back(FakeModuleTransfer{false, requestType, request, {data.begin(), data.end()}, 0});
  return true;
}

bool FakeModuleDevice::ControlIn(std::uint8_t requestType, std::uint8_t request,
                                 std::span<std::uint8_t> buffer) {
  std::lock_guard guard(state_->Lock);
  if (!state_->Opened || state_->FailControl)
    return false;
  state_->Transfers.push_back(
      FakeModuleTransfer{true, requestType, request, {}, static_cast<int>(buffer.size())});
  std::fill(buffer.begin(), buffer.end(), std::uint8_t{0x5A});
  return true;
}

int FakeModuleDevice::BulkRead(std::uint8_t endpoint, std::uint8_t *buffer, int count, int timeoutMs) {
  std::unique_lock guard(state_->Lock);
  if (!state_->Opened || endpoint != kModuleBulkEndpoint || state_->Released)
    return -1;
  if (offset_ >= current_.size()) {
    state_->Waiting = true;
    const bool more = state_->Changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] {
      return !state_->Script.empty() || state_->Released;
    });
    state_->Waiting = false;
    if (!more || state_->Released)
      return -1;
    const FakeModuleFrame next = std::move(state_->Script.front());
    state_->Script.pop_front();
    ++state_->FramesServed;
    state_->Changed.notify_all();
    if (next.Stall)
      return -1;
    current_ = RawModuleFrame(next);
    offset_ = 0;
  }
  const std::size_t n =
      std::min<std::size_t>({static_cast<std::size_t>(count), static_cast<std::size_t>(state_->BulkChunk),
                             current_.size() - offset_});
  std::memcpy(buffer, current_.data() + offset_, n);
  offset_ += n;
  return static_cast<int>(n);
}

void FakeModuleDevice::State::Add(const std::vector<FakeModuleFrame> &frames) {
  std::lock_guard guard(Lock);
  Script.insert(Script.end(), frames.begin(), frames.end());
  Changed.notify_all();
}

void FakeModuleDevice::State::Release() {
  std::lock_guard guard(Lock);
  Released = true;
  Changed.notify_all();
}

std::vector<std::uint8_t> RawModuleFrame(const FakeModuleFrame &frame) {
  std::vector<std::uint16_t> words(SeekRawWords, 0);
  if (frame.Pixels.size() == static_cast<std::size_t>(SeekImagePixels))
    for (int y = 0; y < SeekImageHeight; ++y)
      std::copy_n(frame.Pixels.begin() + static_cast<std::ptrdiff_t>(y) * SeekImageWidth, SeekImageWidth,
                  words.begin() + static_cast<std::ptrdiff_t>(y) * SeekRawWidth);
  words[1] = frame.HeaderWord;
  words[10] = frame.Type;
  std::vector<std::uint8_t> bytes(words.size() * 2);
  for (std::size_t i = 0; i < words.size(); ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
  }
  return bytes;
}

} // namespace calidarix::sim
