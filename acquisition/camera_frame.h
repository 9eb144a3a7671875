#pragma once
// A complete frame as the acquisition thread hands it to the GUI thread: an immutable value that
// carries the pixels with everything needed to show and convert them, so the GUI never reads a
// buffer the thread may be filling.

#include "acquisition/camera_state.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace calidarix {

// The outcome of a frame: its kind, the line that failed, and the link's own failure number.
//
// The links number their failures in one space where "1" meant both "frame marked, save it" and "a
// datagram of line 1 was lost". The kind keeps them apart: only kFrameMarked saves, and no failure
// does. Code keeps the link's number (2 status line lost, 22 status line unmarked, 4 first line lost,
// n line n lost, 1000 type not served, ...) for the log only.
struct TFrameResult {
  std::int32_t Kind = 0;
  std::int32_t Line = 0;
  std::int32_t Code = 0;
};

// Kinds of TFrameResult.
inline constexpr std::int32_t kFrameComplete = 0;
inline constexpr std::int32_t kFrameMarked = 1;      // complete, and the camera asked to save it
inline constexpr std::int32_t kFrameLinkFailure = 2; // the link lost the frame; Code says how
inline constexpr std::int32_t kFrameBadGeometry = 3; // the camera's sizes cannot be received
inline constexpr std::int32_t kFrameStripLost = 4;   // a strip frame that arrived at the wrong step
inline constexpr std::int32_t kFrameResultUnservedType = 1000;

// Link failure codes (Code) of the network camera.
inline constexpr std::int32_t kCodeBlindLost = 2;
inline constexpr std::int32_t kCodeFirstLineLost = 4;
inline constexpr std::int32_t kCodeBlindNotMarked = 22;
inline constexpr std::int32_t kCodeStripLost = -10;

// A failure that the frame handler logs as lost.
inline bool IsLostFrame(const TFrameResult &r) {
  return r.Kind != kFrameComplete && r.Kind != kFrameMarked;
}

// The working calibration a frame was taken with.
struct TCalibrationSnapshot {
  double CurExpA = 0.0;
  double CurExpB = 0.0;
  double CurSignal0 = 0.0;
  double CurExpAL = 0.0;
  double CurExpBL = 0.0;
  double CurSignal0L = 0.0;
  bool TwoCurves = false;
  std::uint8_t CurAmplification = 0;
  double CurBand1ExpA = 0.0;
  double CurBand1ExpB = 0.0;
  double CurBand1Signal0 = 0.0;
  double CurBand2ExpA = 0.0;
  double CurBand2ExpB = 0.0;
  double CurBand2Signal0 = 0.0;
  std::uint8_t CurAmplificationBand1 = 0;
  std::uint8_t CurAmplificationBand2 = 0;
};

// Calls visit(value of each holder...) for every working value of the calibration; camera states and
// snapshots name them alike.
template <typename Visit, typename... Holders> void ForEachWorkingValue(Visit visit, Holders &...h) {
  visit(h.CurExpA...);
  visit(h.CurExpB...);
  visit(h.CurSignal0...);
  visit(h.CurExpAL...);
  visit(h.CurExpBL...);
  visit(h.CurSignal0L...);
  visit(h.TwoCurves...);
  visit(h.CurAmplification...);
  visit(h.CurBand1ExpA...);
  visit(h.CurBand1ExpB...);
  visit(h.CurBand1Signal0...);
  visit(h.CurBand2ExpA...);
  visit(h.CurBand2ExpB...);
  visit(h.CurBand2Signal0...);
  visit(h.CurAmplificationBand1...);
  visit(h.CurAmplificationBand2...);
}

struct TCameraFrame {
  std::vector<std::uint16_t> Pixels; // Width x Height, row by row
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int32_t ReceivedRows = 0;
  std::int32_t FrameMin = 0;
  std::int32_t FrameMax = 0;
  std::int32_t FrameMinBand1 = 0;
  std::int32_t FrameMaxBand1 = 0;
  std::int32_t FrameMinBand2 = 0;
  std::int32_t FrameMaxBand2 = 0;
  std::uint8_t Speed = 0;
  std::uint8_t Range = 0;
  std::uint16_t BlindSignal = 0;
  std::uint16_t BlindSignalBand1 = 0;
  std::uint16_t BlindSignalBand2 = 0;
  bool BlindLow = false;
  std::array<std::uint16_t, 7> StatusWords{};
  std::int16_t BodyTemperatureRaw = 0;
  float CameraTemperature = 20.0f;
  std::uint16_t BatteryRaw = 0;
  std::uint8_t CameraBatteryPercent = 0;
  bool QuarterPhase = false;
  double LineRate = 0.0;
  // Whether the thread applied the blind drift correction to this frame (it reads the switch once
  // per frame), so the frame is converted the way it was received.
  bool BlindCorrected = true;
  // Reference levels of the two bands and those latched when a strip started.
  std::uint16_t BandReference1 = 0;
  std::uint16_t BandReference2 = 0;
  std::uint16_t StripStartBand1 = 0;
  std::uint16_t StripStartBand2 = 0;
  // Frame timing: this frame ends a timed run, and how long the run's frame took.
  bool FrameTimed = false;
  std::int32_t FramePeriodMs = 0;
  TCalibrationSnapshot Calibration;
  // The window's working calibration as the thread last took it (camera_settings.h): where
  // Calibration differs from it, the thread changed the value itself.
  TCalibrationSnapshot CalibrationTaken;
  TFrameResult Result;
};

// The working calibration of `unit`.
TCalibrationSnapshot WorkingCalibration(const TScanUnit &unit);

// The frame the thread's state holds now (its first ReceivedRows rows were received), with no change
// of the calibration of its own (CalibrationTaken is Calibration).
TCameraFrame MakeCameraFrame(const TScanUnit &thread, std::int32_t receivedRows, TFrameResult result);
// Takes a frame into the GUI thread's state: display copies, status values, speed and range, and of
// the working calibration each value the thread changed, unless the GUI changed it too since the
// thread took it: an edit of the window is never undone by a frame.
void AdoptCameraFrame(TScanUnit &gui, const TCameraFrame &frame);

// The hand-over point: the thread posts, the GUI takes the latest frame, or the very frame a message
// names by its serial number. A few frames wait, so a GUI that falls behind for a moment still gets
// each frame its message was posted for; older ones are dropped.
class TFrameMailbox {
public:
  static constexpr std::size_t kCapacity = 8;

  // Returns the frame's serial number (1, 2, ...), which a message can carry.
  std::uint64_t Post(TCameraFrame frame);
  // The latest frame posted since the last take, or null; the mailbox is emptied.
  std::shared_ptr<const TCameraFrame> Take();
  // The frame of that serial number, or null when it was dropped or taken; frames posted before it
  // go too.
  std::shared_ptr<const TCameraFrame> Take(std::uint64_t serial);

private:
  std::mutex mutex_;
  std::uint64_t lastSerial_ = 0;
  std::deque<std::pair<std::uint64_t, std::shared_ptr<const TCameraFrame>>> frames_;
};

} // namespace calidarix
