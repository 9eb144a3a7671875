#pragma once
// Frame reception from a network camera: the frame request, then the status ("blind") line and the
// scan lines as datagrams, with the loss rules, the decoding of the status line, the repairs of
// each line and the drift correction of the finished frame.
//
// Wire format. A line of L = 2 x FrameWidth bytes comes in (L div 1472) + 1 datagrams. Datagram k
// lands at byte k x 1470 of the reply buffer and carries 1470 bytes of the line and a 2-byte packet
// number (low byte first) in bytes 1470-1471, which the next datagram overwrites. Every datagram is
// 1472 bytes, the last of a line padded after the rest of the line; a camera may also cut the last
// one after the rest of the line (and its number), and then does so for every line. Any other length
// counts as lost, so a lost last datagram of a short-form line shows at once.
//
// Outside line mode the packet numbers are not checked, so a full-size datagram cannot be told from
// the next one by its size: when one is lost, the rest of the frame moves up by a datagram and the
// frame ends lost when its last line waits in vain. Such a frame is never handed over as complete.
//
// Camera-supplied sizes are checked before anything is received: a width of at least 8 pixels, a
// line that fits the datagram scheme and the receive buffer, a request height of 1 .. 8191.
//
// Everything here runs on the acquisition thread, on that thread's own copy of the camera state.

#include "acquisition/camera_frame.h"
#include "acquisition/camera_state.h"
#include "acquisition/lan_link.h"
#include "acquisition/sector_tables.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace calidarix {

// Bytes of line data per datagram, and the datagram size.
inline constexpr std::size_t kLanLineBytesPerDatagram = 1470;
inline constexpr std::int32_t kMinScanWidth = 8;
inline constexpr std::int32_t kMaxRequestHeight = 8191;
// Largest frame the buffers are sized for.
inline constexpr std::int64_t kMaxFramePixels = std::int64_t{1} << 25;

// Time-outs of the reception in milliseconds; tests shorten them.
struct TLanTimings {
  int FrameTimeoutMs = 0; // > 0 replaces the per-speed wait for every datagram of a frame
  int BlindDrainMs = 500; // drain after an unmarked status line
  int LineDrainMs = 20;   // drain after a lost datagram
  int Camera1002LineMs = 1000;
  int Camera1002DrainMs = 1;
};

// Geometry and wait of the next frame, by speed and strip step.
struct TLanFrameGeometry {
  std::int32_t FrameWidth = 0;
  std::int32_t FrameHeight = 0;
  int TimeoutMs = 0;
  bool MultiplierReset = false; // FrameMultiplier := 1
  bool StripLineCountLog = false;
};
TLanFrameGeometry LanFrameGeometry(const TScanUnit &unit, bool stripSequence, std::uint8_t stripStep,
                                   std::int32_t stripLineCount);

// Datagrams per line of L bytes, and whether such a line can be received at all.
std::int32_t DatagramsPerLine(std::size_t lineBytes);
bool LineFitsDatagrams(std::size_t lineBytes);

// Pixel word i of a line in the given byte order.
std::uint16_t LineWord(std::span<const std::uint8_t> line, std::size_t i, bool bigEndian);

// Repairs the first pixels of a line whose start jumped (more than 2000 between neighbours).
void RepairLineSpikes(std::span<std::uint8_t> line, bool bigEndian);

// Battery word to percent: linear between BatteryRawEmpty and BatteryRawFull (at least 1), otherwise
// the word itself as a percentage up to 100, and 0 for 0.
std::uint8_t BatteryPercent(std::uint16_t raw);

// The status line's words and the values decoded from them (byte order, body temperature, battery,
// band references). `line` is the status line in received order.
void DecodeStatusWords(TScanUnit &unit, std::span<const std::uint8_t> line);
// The status bytes and the two marker pixels of each band half replaced by their neighbours.
void CleanStatusLine(TScanUnit &unit, std::span<std::uint8_t> line, bool secondHalf);
// Blind levels from the cleaned status line (outliers of a dual-band line replaced), the strip's
// latched levels, speed 0's set-points and BlindLow.
void DecodeBlindLevels(TScanUnit &unit, std::span<std::uint8_t> line, bool latchStripStart);

// The quarter-mode phase marker at the end of the first band half, and its pixels repaired.
void DecodeQuarterPhase(TScanUnit &unit, std::span<std::uint8_t> line);

// Line-mode packet numbers: the check after one datagram. Returns true when the datagram was the
// expected one, whose copy must now be read and dropped. `where` is "blind line", "first line" or
// "line n" for the log.
bool CheckLinePacket(std::uint16_t packet, std::uint16_t &expected, const QString &where);

// The received rows 0 .. rows-1 of FrameBuffer: byte order, drift correction against the
// set-points, pixel 0, and the frame's signal range over those rows alone. With `complete` the end
// marker is looked for first; returns true when the frame carried it.
bool FinishFrame(TScanUnit &unit, std::int32_t rows, bool blindCorrection, bool complete);

// The row with the sharpest steps inside the rectangle [left, right) x [top, bottom) of FrameBuffer.
std::int32_t FindSharpestLine(const TScanUnit &unit, std::int32_t left, std::int32_t top, std::int32_t right,
                              std::int32_t bottom);

// What a thread keeps between frames for reception.
struct TLanReceptionState {
  std::vector<std::uint8_t> ReplyBuffer;
  TSectorTable SectorTable{};
  bool FrameMarked = false;
  bool AutoFocusDone = false;
  std::uint16_t ExpectedPacket = 0;
  // How this frame's camera sends a line's last datagram, once a line showed it.
  enum class LastForm { Unknown, Full, Short };
  LastForm LastDatagram = LastForm::Unknown;
  std::int32_t ReceivedRows = 0;
  // The drift-correction switch as this frame read it (once, at its start).
  bool BlindCorrected = true;
  std::chrono::steady_clock::time_point TimingStart{};
  // 0 idle or failed, -1 unmarked status line, 1 status line read, n + 1 while line n arrives. Read
  // by the GUI for its log.
  std::atomic<std::int32_t> LineNumber{0};
};

// Everything one frame reception works with.
struct TLanFrameContext {
  TScanUnit &Unit;
  TScanRequests &Requests;
  TLanLink &Link;
  TLanReceptionState &State;
  TLanTimings Timings;
  // Called once per frame after its first scan line (the head step of a strip scan).
  std::function<void()> OnHeadStep;
  // Called after line n was copied into FrameBuffer, with that row as stored (before the byte order
  // is applied); not called for lines after 0 while SuppressLineMessages is set.
  std::function<void(std::int32_t line, std::span<const std::uint16_t> row)> OnLine;
};

// Requests and receives one frame into Unit.FrameBuffer (rows before finishing in received order,
// every row not received 0). The result; State.ReceivedRows holds the rows received.
TFrameResult ReceiveLanFrame(TLanFrameContext &context);

} // namespace calidarix
