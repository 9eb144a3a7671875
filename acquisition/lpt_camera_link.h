#pragma once
// The parallel-port scanning cameras.
//
// The program writes command bytes to the data register, toggles control lines as strobes and reads
// the camera's answers four bits at a time from the upper half of the status register. Status bit 3
// (0x08) is the camera's ready / strobe line, bit 4 (0x10) the level-set acknowledgement of type 8.
//
// Type 16 (CamIfLpt) sends 16-bit words and sets its gain itself. Type 8 (CamIfLptLevel) sends 8-bit
// samples whose offset and gain the program sets through two converters (level and range) and tracks
// frame by frame: the blind line steers BlindLevel, the zero reference VirLev, and the frame's own
// extremes Level and Range (AutoLevelRange) while the automatic range is on.
//
// Every handshake gives up 2000 ms after it began (by the clock the link is given) and records its
// code in LptErrorCode: 0xA1 strobe wait, 0xA2 ready wait, 0xA3 command acknowledgement (type 16),
// 0x51 level-set acknowledgement, 0x52 sample wait (type 8). A type-16 frame ends with that code; a
// type-8 frame ends with it only when the level tracking fails (a sample that times out reads 0x80
// and the frame goes on).
//
// Sound behaviour beyond the camera's protocol: type-8 pixels and blind values are limited to
// 0..65535 instead of wrapping; a KLevel, Range or BlindRange of 0 (or a frame without pixels) is
// refused with kLptCodeRefused before the camera is touched, so nothing is divided by zero; the
// converter values the tracking steps stay inside 0..255.

#include "acquisition/camera_frame.h"
#include "acquisition/camera_state.h"
#include "acquisition/parallel_port.h"

#include <cstdint>
#include <functional>

namespace calidarix {

inline constexpr std::int64_t kLptTimeoutMs = 2000;

enum : std::uint8_t {
  kLptErrorStrobe = 0xA1,
  kLptErrorReady = 0xA2,
  kLptErrorCommand = 0xA3,
  kLptErrorLevelAck = 0x51,
  kLptErrorSample = 0x52,
};
// The frame was not attempted: the settings would divide by zero or the frame has no pixels.
inline constexpr std::int32_t kLptCodeRefused = 0x50;
// What a sample that timed out reads.
inline constexpr std::uint8_t kLptSampleTimeoutValue = 0x80;

// Milliseconds of a monotonic clock.
using TLptClock = std::function<std::int64_t()>;
TLptClock SteadyLptClock();

// Level and range changes the GUI thread asks of a running type-8 camera; the thread applies them
// before its next frame. -1 means no request.
struct TLptRequests {
  TShared<std::int32_t> PendingLevel{-1};
  TShared<std::int32_t> PendingRange{-1};
};
// False (nothing asked) for a range of 0 or values outside 0..255.
bool RequestLptLevelRange(TLptRequests &requests, std::int32_t level, std::int32_t range);
// Takes pending requests into the thread's state.
void ApplyLptRequests(TScanUnit &unit, TLptRequests &requests);

// The automatic level and range of type 8 from the smallest and largest raw byte of a frame.
void AutoLevelRange(TScanUnit &unit, std::uint8_t lo, std::uint8_t hi);

class TLptCamera {
public:
  explicit TLptCamera(TParallelPortIo &io, TLptClock clock = SteadyLptClock());

  // ---- Handshakes (type 16) ----
  std::uint16_t ReadWordLpt(const TScanUnit &unit);
  bool WaitStrobeLpt(TScanUnit &unit, bool level);
  bool WaitReadyLpt(TScanUnit &unit);
  bool SendLptCommand(TScanUnit &unit, std::uint8_t command, std::int16_t &reply);
  bool StartLptFrame(TScanUnit &unit, bool laserOn);

  // ---- Handshakes (type 8) ----
  void SelectLptChannel(const TScanUnit &unit);
  std::uint8_t ReadLptByte(TScanUnit &unit);
  bool WaitLptStatus4(TScanUnit &unit, bool level);
  std::uint8_t ReadLptLineMean(TScanUnit &unit, std::uint8_t channel);
  void SetLptLevelRange(const TScanUnit &unit, std::uint8_t level, std::uint8_t range);
  bool TrackLptLevels(TScanUnit &unit);

  // ---- Frames; `rows` receives the rows that arrived ----
  TFrameResult GrabFrameLpt(TScanUnit &unit, const TScanRequests &requests, std::int32_t &rows);
  TFrameResult GrabFrameLptLevel(TScanUnit &unit, const TScanRequests &requests, bool autoRange,
                                 std::int32_t &rows);

  // ---- End of acquisition ----
  bool CloseLpt(TScanUnit &unit, TScanRequests &requests);
  bool CloseLptLevel(const TScanUnit &unit);

  // Port operations so far (the benchmark's measure).
  std::uint64_t Operations() const { return operations_; }

private:
  void Out(std::uint16_t port, std::uint8_t value) {
    ++operations_;
    io_.PortOut(port, value);
  }
  std::uint8_t In(std::uint16_t port) {
    ++operations_;
    return io_.PortIn(port);
  }
  void Control(const TScanUnit &unit, std::uint8_t value) { Out(unit.LptControlPort, value); }
  void Data(const TScanUnit &unit, std::uint8_t value) { Out(unit.LptDataPort, value); }
  std::uint8_t Status(const TScanUnit &unit) { return In(unit.LptStatusPort); }
  // Polls the status until (status & mask) == want or the time since `start` runs out.
  bool WaitStatus(const TScanUnit &unit, std::uint8_t mask, std::uint8_t want, std::int64_t start);

  TParallelPortIo &io_;
  TLptClock clock_;
  std::uint64_t operations_ = 0;
};

} // namespace calidarix
