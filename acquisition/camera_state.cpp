#include "acquisition/camera_state.h"

#include "acquisition/camera_log.h"

namespace calidarix {

TScanUnit ScanUnit;
TScanRequests ScanRequests;
std::uint16_t FocusSliderMax = kFocusSliderMaxDefault;

bool IsServedInterfaceType(std::int32_t type) {
  switch (type) {
  case CamIfLptLevel:
  case CamIfLpt:
  case CamIfLan:
  case CamIfLanDual:
  case CamIfUsb:
  case CamIfLan2:
  case CamIfLan2Dual:
  case CamIfLan3:
    return true;
  default:
    return false;
  }
}

bool IsDualBandType(std::int32_t type) {
  return type == CamIfLanDual || type == CamIfLan2Dual;
}

void TScanRequests::Reset() {
  PendingSpeed.Set(kNoRequest);
  PendingRange.Set(kNoRequest);
  BlindCorrectionOn.Set(true);
  LaserOn.Set(false);
  FixedLineMode.Set(false);
  FixedLinePosition.Set(0);
  LineModeShotRequest.Set(false);
  LineModeTimingRequest.Set(false);
  FrameTimingOn.Set(false);
  FilmRecording.Set(false);
  GrabFrameRequest.Set(false);
  VideoOn.Set(false);
  HeadConnected.Set(false);
  StripScanning.Set(false);
  PanByFramesActive.Set(false);
  PanHeadSettled.Set(false);
  PanFrameReady.Set(false);
  SuppressLineMessages.Set(false);
  StripStep.Set(0);
  StripLineCount.Set(0);
  ScanRunning.Set(false);
  FPauseRequest.Set(false);
  FPostEnabled.Set(false);
  FSkipNextFrame.Set(false);
  FFocusRequest.Set(false);
  FAutoFocusRequest.Set(false);
  FocusRequestFraction.Set(0.0);
  CameraSettings.Clear();
}

TFrameModes SnapshotFrameModes(const TScanRequests &requests) {
  TFrameModes modes;
  modes.LaserOn = requests.LaserOn.Get();
  modes.FixedLineMode = requests.FixedLineMode.Get();
  modes.FixedLinePosition = requests.FixedLinePosition.Get();
  modes.HeadConnected = requests.HeadConnected.Get();
  modes.StripScanning = requests.StripScanning.Get();
  modes.StripStep = requests.StripStep.Get();
  return modes;
}

void SetSingleBandCoefficients(TScanUnit &u, const TCalibrationSet &c) {
  u.Exp_A = c.Exp1A;
  u.Exp_B = c.Exp1B;
  u.Signal0 = c.Signal10;
  u.Exp2_A = c.Exp2A;
  u.Exp2_B = c.Exp2B;
  u.Signal20 = c.Signal20;
  u.Exp3_A = c.Exp3A;
  u.Exp3_B = c.Exp3B;
  u.Signal30 = c.Signal30;
}

void ResetCameraState() {
  ScanUnit = TScanUnit();
  ScanRequests.Reset();
  FocusSliderMax = kFocusSliderMaxDefault;
  SetCameraLogSink(nullptr);
  SetCameraUserLog(false);
}

} // namespace calidarix
