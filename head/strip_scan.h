#pragma once
// Strip scanning: one tall thermogram taken while the head sweeps the camera down from `StripUp` to
// `StripDown` and the camera runs in line mode. The lines recorded during the sweep become the rows of
// the strip frame, whose vertical extent and elevation come from the head's counters at the two ends.
//
// This file holds the arithmetic (the line count to request, the extents) and the sequence itself as a
// loop over waits. The sequence meets the acquisition thread and the window's message handlers only in
// the step counter; it reaches the head, the camera, the clock and the event queue through TStripActor,
// which the window implements and tests script. Every wait has a deadline and ends on Cancel, and a
// cleared scanning flag ends every wait; a strip that does not complete is never saved.

#include "head/head_frame.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace calidarix {

// Raw head counters carry this offset (counter + 0x800080) in file names and extents.
inline constexpr std::int32_t kRawCounterOffset = 0x800080;
// The longest strip frame the camera can be asked for, in request lines (four times as many lines when
// the camera sends one line per four requested).
inline constexpr std::int32_t kStripMaxRequestLines = 8191;
// Each head reply is waited for this long; each wait of the sweep gets the sweep time, the reply
// time-out and this margin.
inline constexpr std::int64_t kStripReplyMs = 2000;
inline constexpr std::int64_t kStripMarginMs = 2000;

struct TStripRequest {
  std::int32_t StripUp = 250; // head target units (a counter divided by 256)
  std::int32_t StripDown = -250;
  double LineRate = 0.0;    // camera lines per second, measured on the last frame
  double CounterRate = 8.0; // head vertical counter units per millisecond
  bool UdpLink = false;     // a network head sweeps at two thirds of the rate
  bool QuarterLines = false;
};

struct TStripLineCount {
  bool Ok = false;
  QString Message;        // why the strip was refused
  std::int32_t Count = 0; // lines to request, before rounding to the camera's multiple
  double SweepMs = 0.0;   // duration of the sweep
  double Rate = 0.0;      // the counter rate used
  bool Capped = false;    // the count was cut to the camera's maximum
};

// The number of lines the strip frame needs: the sweep's duration times the line rate, 2 % more, plus
// one. Refused when the line rate or the counter rate is not a positive finite number or the sweep does
// not go down.
TStripLineCount StripLineCountFor(const TStripRequest &request);

// The line count the camera takes: a multiple of 6 for interface types below 256, of 4 otherwise.
std::int32_t RoundStripLineCount(std::int32_t count, std::int32_t interfaceType);

// The deadline of each wait of a sweep that takes sweepMs.
std::int64_t StripWaitMs(double sweepMs, std::int64_t replyMs = kStripReplyMs,
                         std::int64_t marginMs = kStripMarginMs);

struct TStripExtents {
  std::uint16_t VertExtent = 0; // 1/180 degree
  std::int16_t Elevation = 0;   // 1/180 degree above the horizon of the lower edge
};
// The strip's vertical extent and elevation from the raw vertical counters at the start and the end of
// the sweep. Nothing when the ratio is unknown, the sweep did not go down, or the result does not fit
// the header.
std::optional<TStripExtents> StripExtents(std::int32_t startVerRaw, std::int32_t endVerRaw,
                                          std::int32_t ratioVer, std::int32_t ratioVerTurns);

// One reply frame of the head: its type letter ('H', 'V', ...) and its raw 24-bit counter.
struct TStripReply {
  char Type = 0;
  std::int32_t RawCounter = 0;
};

// What the sequence needs from the window, the head and the acquisition.
class TStripActor {
public:
  virtual ~TStripActor() = default;
  virtual std::int64_t NowMs() = 0;
  // Lets the event queue run once, briefly.
  virtual void ProcessEvents() = 0;
  virtual bool CancelPressed() = 0;
  // Progress 0..100 in the progress window; a negative value hides it.
  virtual void ShowProgress(int percent) = 0;

  // The step counter and the scanning flag shared with the acquisition thread and the window.
  virtual std::uint8_t Step() = 0;
  virtual void SetStep(std::uint8_t step) = 0;
  virtual bool Scanning() = 0;
  virtual void SetScanning(bool on) = 0;
  virtual void SetLineCount(std::int32_t lines) = 0;
  virtual void RequestCameraSpeed(std::uint8_t speed) = 0;
  virtual std::int32_t ScanLineNumber() = 0;
  virtual bool ScanRunning() = 0;
  virtual void StopScan() = 0;

  virtual bool HeadIdentify() = 0;
  virtual void HeadPurge() = 0;
  virtual void HeadSendVerTarget(std::int32_t target) = 0;
  virtual void HeadSend(const QorCommand &command) = 0;
  virtual bool HeadCheckDone() = 0;
  // The head's counters; with `request` they are asked for first.
  virtual std::int32_t HeadHorCounter(bool request) = 0;
  virtual std::int32_t HeadVerCounter() = 0;
  // Reads one reply frame; nothing when none came within the link's read time.
  virtual std::optional<TStripReply> HeadReadReply() = 0;
  virtual void HeadStop() = 0;
  virtual bool HeadWaitDone(int timeoutMs) = 0;

  // A log line; `service` lines are written only in service mode.
  virtual void Log(const QString &line, bool service) = 0;
};

struct TStripSetup {
  std::int32_t StripUp = 250;
  std::int32_t StripDown = -250;
  std::int32_t LineCount = 0; // from StripLineCountFor
  std::int32_t InterfaceType = 0;
  bool UdpLink = false;
  double CounterRate = 8.0;
  std::uint8_t HiSpeed = 127;   // the head's speed limit put back after the strip
  bool KeepOnStripping = false; // leave the acquisition running for the next strip
  std::int64_t WaitMs = 0;      // deadline of each wait (StripWaitMs)
  std::int64_t ReplyMs = kStripReplyMs;
};

enum class TStripEnd {
  Done,      // the strip frame is complete: shape and save it
  NoHead,    // the head did not identify itself
  Cancelled, // Cancel was pressed
  Ended,     // the scanning flag was cleared from outside
  TimedOut,  // a wait passed its deadline
};

struct TStripOutcome {
  TStripEnd End = TStripEnd::Ended;
  QString Message;            // what happened, for the log and the window, when not Done
  std::int32_t LineCount = 0; // the rounded line count requested
  std::int32_t StopLine = 0;  // the line at which the head reported the end of the sweep; 0: by count
  std::int32_t HorRaw = 0;    // raw counters that name the saved frame
  std::int32_t VerRaw = 0;
  std::int32_t StartVerRaw = 0;
  std::int32_t EndVerRaw = 0;
  // The strip's height in request lines.
  std::int32_t Lines() const { return StopLine != 0 ? StopLine : LineCount; }
};

// Runs the sequence from the head's identification to the end of the sweep. On Done the head has its
// speed limit and the horizon target back; the caller shapes and saves the frame and then sets the
// step past 6. On any other end the scanning flag is cleared, the progress window hidden and nothing is
// saved.
TStripOutcome RunStripSequence(const TStripSetup &setup, TStripActor &actor);

} // namespace calidarix
