#pragma once
// The USB thermal module without hardware: it answers only to its own vendor and product, records every
// control transfer (so a test can check the start-up sequence), and serves scripted raw frames over the
// bulk endpoint, a few kilobytes per transfer, or a stall. With the script used up a transfer waits for
// more (as a module does before its next frame) until the time-out, or until the test releases it.

#include "acquisition/thermal_module.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace calidarix::sim {

struct FakeModuleFrame {
  bool Stall = false;    // the transfer fails instead
  std::uint8_t Type = 0; // byte 20 of the raw frame
  std::uint16_t HeaderWord = 0;
  // The image pixels, SeekImageWidth x SeekImageHeight row after row; empty: all zero.
  std::vector<std::uint16_t> Pixels;
};

struct FakeModuleTransfer {
  bool In = false;
  std::uint8_t RequestType = 0;
  std::uint8_t Request = 0;
  std::vector<std::uint8_t> Data; // sent (out)
  int Length = 0;                 // asked (in)
};

class FakeModuleDevice : public ModuleUsbDevice {
public:
  struct State {
    std::mutex Lock;
    std::uint16_t Vendor = SeekVendorId;
    std::uint16_t Product = SeekProductId;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> OpenRequests; // ids asked for
    int OpenCount = 0;
    bool Opened = false;
    std::vector<FakeModuleTransfer> Transfers;
    std::deque<FakeModuleFrame> Script;
    int FramesServed = 0; // scripted frames, stalls included
    int BulkChunk = 16384;
    bool FailControl = false;
    bool Waiting = false;  // a transfer waits for the script
    bool Released = false; // every transfer fails at once from now on
    std::condition_variable Changed;

    // Appends frames and wakes a waiting transfer.
    void Add(const std::vector<FakeModuleFrame> &frames);
    void Release();
  };

  explicit FakeModuleDevice(std::shared_ptr<State> state) : state_(std::move(state)) {}

  bool Open(std::uint16_t vendor, std::uint16_t product, QString *error) override;
  void Close() override;
  bool ControlOut(std::uint8_t requestType, std::uint8_t request,
                  std::span<const std::uint8_t> data) override;
  bool ControlIn(std::uint8_t requestType, std::uint8_t request, std::span<std::uint8_t> buffer) override;
  int BulkRead(std::uint8_t endpoint, std::uint8_t *buffer, int count, int timeoutMs) override;

private:
  std::shared_ptr<State> state_;
  std::vector<std::uint8_t> current_; // the frame being served
  std::size_t offset_ = 0;
};

// The raw bytes of a scripted frame (SeekRawWords little-endian words).
std::vector<std::uint8_t> RawModuleFrame(const FakeModuleFrame &frame);

} // namespace calidarix::sim
