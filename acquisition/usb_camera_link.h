#pragma once
// The link of the USB scanning camera (interface type 128): the 256-byte command blocks go out
// through a TUSBPipe, and a frame comes back as fixed 1280-byte blocks, a status block that begins
// with the pattern AA AA and then one block per scan line.
//
// Status block: bytes 0-1 AA AA; bytes 2-3 the body temperature, big-endian signed, 1/256 degree
// Celsius; from byte 6 on the blind pixels, 16-bit words, low byte first. Line block: FrameWidth pixel
// words, low byte first; in quarter mode the last two pixels carry the phase marker.
//
// Frame results: 0 complete; 1 request not written (or the frame is wider than a block can carry);
// 2 status block not read; 22 the start pattern was not found; 4 first line not read; 5 a later line
// not read (Line tells which).

#include "acquisition/camera_commands.h"
#include "acquisition/camera_frame.h"
#include "acquisition/camera_state.h"
#include "acquisition/sector_tables.h"
#include "acquisition/usb_pipe.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

namespace calidarix {

inline constexpr std::size_t kUsbBlockSize = 1280;
// A line block holds at most this many pixels.
inline constexpr std::int32_t kUsbMaxFrameWidth = static_cast<std::int32_t>(kUsbBlockSize / 2);
inline constexpr std::uint8_t kUsbSyncByte = 0xAA;

enum : std::int32_t {
  kUsbFrameOk = 0,
  kUsbFrameRequestFailed = 1,
  kUsbFrameStatusFailed = 2,
  kUsbFrameFirstLineFailed = 4,
  kUsbFrameLineFailed = 5,
  kUsbFrameSyncLost = 22,
};

// The camera's commands over a pipe: Send is one write of the whole block, Receive one read of the
// buffer's length (the time-out is the pipe's own).
class TUsbCameraLink : public TCameraCommandLink {
public:
  using Sleeper = std::function<void(int ms)>;

  explicit TUsbCameraLink(TUSBPipe &pipe, Sleeper sleep = {});

  bool Connected() const override { return pipe_.IsOpen(); }
  bool Send(std::span<const std::uint8_t> block) override;
  std::optional<std::size_t> Receive(std::span<std::uint8_t> buffer, int timeoutMs) override;
  void Pause(int ms) override;

  TUSBPipe &Pipe() { return pipe_; }

private:
  TUSBPipe &pipe_;
  Sleeper sleep_;
};

// The USB side of the acquisition thread: its pipe and whether it is open.
struct TUsbConnection {
  std::unique_ptr<TUSBPipe> FUsbPipe;
  bool FUsbConnected = false;
};

// Opens the first camera listed when not connected yet; true when the pipe is open.
bool CameraUsbConnect(TUsbConnection &connection, std::shared_ptr<TUsbBackend> backend = DefaultUsbBackend());
// Frees the pipe; false when it was not connected.
bool CameraUsbDisconnect(TUsbConnection &connection);

// The frame geometry before the request: FrameWidth := ScanWidth, FrameHeight by the speed.
void SetUsbFrameGeometry(TScanUnit &unit);
// Lines the camera sends for the request's FrameHeight: x 2 with two sectors, x 4 with four.
std::int32_t UsbSectorLineFactor(std::int32_t sectors);

// One frame: request, status block, lines, drift correction, minimum and maximum. `rows` receives
// the rows that arrived. The request's mode flags and the drift correction switch are read from
// `requests`.
TFrameResult ReceiveUsbFrame(TScanUnit &unit, const TScanRequests &requests, TSectorTable &table,
                             TUsbCameraLink &link, std::int32_t &rows);

// The pieces of ReceiveUsbFrame, for tests and the benchmark.
// Reads 2-byte pieces until one is AA AA, at most maxBytes in all; true when found.
bool FindUsbSync(TUSBPipe &pipe, std::size_t maxBytes);
// Body temperature and blind signal from a status block (already moved into place).
void DecodeUsbStatusBlock(TScanUnit &unit, std::span<std::uint8_t, kUsbBlockSize> block);

} // namespace calidarix
