#pragma once
// A simulated USB scanning camera behind the pipe's device interface, in process (the kernel offers no
// virtual USB device). It answers:
//   frame request (byte 0 = 1): a status block (AA AA, body temperature, blind pixels) and the line
//     blocks of the request's speed and sector count, every block 1280 bytes;
//   parameter read [3, 65] and live read [3, 6]: a 256-byte reply from its own parameter block;
//   parameter write [2, 78], live write [2, 6]: stored (see Parameters and Live).
// Faults: junk bytes before the status block (StartOffset), a stalled IN endpoint when a given block
// is due, failing writes, replies cut into small pieces, silence.
//
// It is written from the block layout alone and shares no encoding code with the program's USB link.

#include "acquisition/usb_pipe.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace calidarix::sim {

struct UsbCameraConfig {
  int scanWidth = 320;
  int scanHeight = 120;
  std::size_t packetSize = 512;
  std::int16_t bodyTemperatureRaw = 25 * 256 + 128; // 25.5 degrees
  std::uint16_t blind = 2400;
  std::size_t startOffset = 0; // junk bytes (0x55) sent before the status block
  int stallAtBlock = -1;       // the IN endpoint stalls once when block n is due (counted from the start:
                               // 0 is the first status block, 1 its first line, ...)
  int failWrites = 0;          // the next n writes fail with a stall, nothing written
  std::size_t pieceSize = 0;   // at most this many bytes per IN transfer (0: as many as asked)
  bool silent = false;         // frame requests get no answer
  bool present = true;         // listed by the enumeration
  // Pixel value of line y, column x of frame n; the default is a ramp.
  std::function<std::uint16_t(int n, int y, int x)> pixel;
};

class UsbCameraSimulator : public TUsbBackend {
public:
  explicit UsbCameraSimulator(UsbCameraConfig config = {});

  std::vector<std::string> Enumerate() override;
  std::unique_ptr<TUsbDevice> Open(const std::string &devicePath, int &status) override;

  static constexpr const char *kDevicePath = "usb:1:7";

  // ---- Inspection and knobs (any thread) ----
  UsbCameraConfig &Config() { return config_; }
  int FrameRequests() const;
  std::vector<std::uint8_t> LastCommand() const;
  std::vector<std::uint8_t> WrittenParameterBlock() const; // the last [2, 78] block
  std::array<std::uint8_t, 6> Live() const;                // speed, resonans, amplitude, UKadr1..3
  void SetLive(const std::array<std::uint8_t, 6> &live);
  // The parameter reply's bytes after the live values (reply offset 6 on).
  void SetParameterTail(const std::vector<std::uint8_t> &tail);
  int LiveWrites() const;
  int Opens() const;
  std::size_t Pending() const;

  // ---- Device side, used by the device object ----
  TUsbTransfer DeviceOut(std::span<const std::uint8_t> data);
  TUsbTransfer DeviceIn(std::span<std::uint8_t> buffer);

private:
  void QueueFrame(const std::vector<std::uint8_t> &request);
  void QueueReply(const std::vector<std::uint8_t> &reply);

  mutable std::mutex mutex_;
  UsbCameraConfig config_;
  std::deque<std::uint8_t> out_; // bytes the camera has ready
  std::size_t streamPos_ = 0;    // bytes handed out so far
  std::size_t queuedEnd_ = 0;    // stream position after the last queued byte
  int blockCount_ = 0;           // blocks queued since the start
  std::optional<std::size_t> stallPos_;
  int frames_ = 0;
  int opens_ = 0;
  int liveWrites_ = 0;
  std::vector<std::uint8_t> lastCommand_;
  std::vector<std::uint8_t> writtenBlock_;
  std::array<std::uint8_t, 6> live_{1, 100, 120, 30, 40, 50};
  std::vector<std::uint8_t> parameterTail_;
};

} // namespace calidarix::sim
