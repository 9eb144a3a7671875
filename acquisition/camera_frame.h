#pragma once
// A complete frame as the acquisition thread hands it to the GUI thread: an immutable value that
// carries the pixels with everything needed to show and convert them, so the GUI never reads a
// buffer the thread may be filling.

#include "acquisition/camera_state.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace calidarix {

// The outcome of a frame: 0 complete, 1 complete with the end marker (LAN) or request not written
// (USB), other link failure codes, 1000 interface type not served; and the line that failed.
struct TFrameResult {
  std::int32_t Kind = 0;
  std::int32_t Line = 0;
};

inline constexpr std::int32_t kFrameResultUnservedType = 1000;

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
  TCalibrationSnapshot Calibration;
  TFrameResult Result;
};

// The frame the thread's state holds now (its first ReceivedRows rows were received).
TCameraFrame MakeCameraFrame(const TScanUnit &thread, std::int32_t receivedRows, TFrameResult result);
// Takes a frame into the GUI thread's state: display copies, status values and the calibration it
// was taken with.
void AdoptCameraFrame(TScanUnit &gui, const TCameraFrame &frame);

// The hand-over point: the thread posts, the GUI takes the latest frame.
class TFrameMailbox {
public:
  void Post(TCameraFrame frame);
  // The latest frame posted since the last take, or null.
  std::shared_ptr<const TCameraFrame> Take();

private:
  std::mutex mutex_;
  std::shared_ptr<const TCameraFrame> latest_;
};

} // namespace calidarix
