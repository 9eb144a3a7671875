#include "acquisition/camera_frame.h"

#include <algorithm>
#include <utility>

namespace calidarix {

TCalibrationSnapshot WorkingCalibration(const TScanUnit &unit) {
  TCalibrationSnapshot c;
  ForEachWorkingValue([](auto &to, const auto &from) { to = from; }, c, unit);
  return c;
}

TCameraFrame MakeCameraFrame(const TScanUnit &thread, std::int32_t receivedRows, TFrameResult result) {
  TCameraFrame f;
  f.Width = std::max(thread.FrameWidth, 0);
  f.Height = std::max(thread.FrameHeight, 0);
  const std::size_t pixels = static_cast<std::size_t>(f.Width) * static_cast<std::size_t>(f.Height);
  f.Pixels.assign(pixels, 0);
  std::copy_n(thread.FrameBuffer.begin(), std::min(pixels, thread.FrameBuffer.size()), f.Pixels.begin());
  f.ReceivedRows = std::clamp(receivedRows, 0, f.Height);
  f.FrameMin = thread.FrameMin;
  f.FrameMax = thread.FrameMax;
  f.FrameMinBand1 = thread.FrameMinBand1;
  f.FrameMaxBand1 = thread.FrameMaxBand1;
  f.FrameMinBand2 = thread.FrameMinBand2;
  f.FrameMaxBand2 = thread.FrameMaxBand2;
  f.Speed = thread.Speed;
  f.Range = thread.CalibrationRange;
  f.BlindSignal = thread.BlindSignal;
  f.BlindSignalBand1 = thread.BlindSignalBand1;
  f.BlindSignalBand2 = thread.BlindSignalBand2;
  f.BlindLow = thread.BlindLow;
  f.StatusWords = thread.StatusWords;
  f.BodyTemperatureRaw = thread.BodyTemperatureRaw;
  f.CameraTemperature = thread.CameraTemperature;
  f.BatteryRaw = thread.BatteryRaw;
  f.CameraBatteryPercent = thread.CameraBatteryPercent;
  f.QuarterPhase = thread.QuarterPhase;
  f.LineRate = thread.LineRate;
  f.BandReference1 = thread.BandReference1;
  f.BandReference2 = thread.BandReference2;
  f.StripStartBand1 = thread.StripStartBand1;
  f.StripStartBand2 = thread.StripStartBand2;
  f.FrameTimed = thread.FrameTimed;
  f.FramePeriodMs = thread.FramePeriodMs;
  f.Calibration = WorkingCalibration(thread);
  f.CalibrationTaken = f.Calibration;
  f.Result = result;
  return f;
}

void AdoptCameraFrame(TScanUnit &gui, const TCameraFrame &f) {
  gui.DisplayFrame = f.Pixels;
  gui.DisplayFrameWidth = f.Width;
  gui.DisplayFrameHeight = f.Height;
  gui.DisplaySpeed = f.Speed;
  gui.DisplayRange = f.Range;
  gui.DisplayFrameMin = f.FrameMin;
  gui.DisplayFrameMax = f.FrameMax;
  gui.DisplayFrameMinBand1 = f.FrameMinBand1;
  gui.DisplayFrameMaxBand1 = f.FrameMaxBand1;
  gui.DisplayFrameMinBand2 = f.FrameMinBand2;
  gui.DisplayFrameMaxBand2 = f.FrameMaxBand2;
  gui.BlindSignal = f.BlindSignal;
  gui.BlindSignalBand1 = f.BlindSignalBand1;
  gui.BlindSignalBand2 = f.BlindSignalBand2;
  gui.BlindLow = f.BlindLow;
  gui.StatusWords = f.StatusWords;
  gui.BodyTemperatureRaw = f.BodyTemperatureRaw;
  gui.CameraTemperature = f.CameraTemperature;
  gui.BatteryRaw = f.BatteryRaw;
  gui.CameraBatteryPercent = f.CameraBatteryPercent;
  gui.QuarterPhase = f.QuarterPhase;
  gui.LineRate = f.LineRate;
  gui.BandReference1 = f.BandReference1;
  gui.BandReference2 = f.BandReference2;
  gui.StripStartBand1 = f.StripStartBand1;
  gui.StripStartBand2 = f.StripStartBand2;
  gui.FramePeriodMs = f.FramePeriodMs;
  ForEachWorkingValue(
      [](auto &window, const auto &thread, const auto &taken) {
        if (thread != taken && window == taken)
          window = thread;
      },
      gui, f.Calibration, f.CalibrationTaken);
  gui.Speed = f.Speed;
  gui.CalibrationRange = f.Range;
}

std::uint64_t TFrameMailbox::Post(TCameraFrame frame) {
  auto value = std::make_shared<const TCameraFrame>(std::move(frame));
  const std::lock_guard lock(mutex_);
  frames_.emplace_back(++lastSerial_, std::move(value));
  while (frames_.size() > kCapacity)
    frames_.pop_front();
  return lastSerial_;
}

std::shared_ptr<const TCameraFrame> TFrameMailbox::Take() {
  const std::lock_guard lock(mutex_);
  if (frames_.empty())
    return nullptr;
  auto latest = std::move(frames_.back().second);
  frames_.clear();
  return latest;
}

std::shared_ptr<const TCameraFrame> TFrameMailbox::Take(std::uint64_t serial) {
  const std::lock_guard lock(mutex_);
  while (!frames_.empty() && frames_.front().first < serial)
    frames_.pop_front();
  if (frames_.empty() || frames_.front().first != serial)
    return nullptr;
  auto frame = std::move(frames_.front().second);
  frames_.pop_front();
  return frame;
}

} // namespace calidarix
