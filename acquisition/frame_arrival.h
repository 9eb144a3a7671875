#pragma once
// What the main window does with a camera frame that arrived, as headless steps: the frame into the
// thermogram (or the two band thermograms), the low end of the automatic range, the calibration of
// one band, the row geometry of the scan, telemetry values and the texts drawn over the live image.

#include "acquisition/camera_frame.h"
#include "acquisition/camera_state.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace calidarix {

class TDTV;

// The frame's pixels into the thermogram: size, raw values and raw range.
void TakeFrame(TDTV &dtv, const TCameraFrame &frame);
// A dual-band frame (each row the first band's half row, then the second's) into two thermograms
// of half the width. An odd width leaves its last column out of both.
void SplitDualBandFrame(const TCameraFrame &frame, TDTV &band35, TDTV &band812);

// Per-band drift correction values the frame handler carries from frame to frame.
struct TBandBlindValues {
  double Band1BlindCorrection = 0.0;
  double Band2BlindCorrection = 0.0;
  double Band1BlindNetSignal = 0.0;
  double Band2BlindNetSignal = 0.0;
  float Band1BlindTemperature = 0.0f;
  float Band2BlindTemperature = 0.0f;
};

// Makes band 1 or 2's curve, blind and set-point the unit's working ones.
void LoadBandCalibration(TScanUnit &unit, const TBandBlindValues &bands, int band);

// The low end of the automatic range: a raw minimum colder than `lowest` degrees is raised to the
// signal of `lowest`. Only with the automatic range and the drift correction on.
void ApplyAutoRangeLowEnd(const TScanUnit &unit, TDTV &dtv, double signal0, double blindCorrection,
                          bool autoRange, bool blindCorrectionOn, double lowest);
// -60 degrees, or the camera's temperature in the third range.
double AutoRangeLowest(const TScanUnit &unit);

// The camera temperature written into rows 4..11, columns 4..19 (for the thermogram's stamp).
void StampCameraTemperature(TDTV &dtv, double cameraTemperature);

// The row geometry of the scan by speed and camera (none while pure data is asked for).
struct TRowGeometry {
  enum class Kind { None, DoubleHeight, TripleHeight };
  Kind What = Kind::None;
  bool BothBands = false;
};
TRowGeometry RowGeometryFor(std::uint8_t displaySpeed, std::int32_t interfaceType, std::int32_t sectors,
                            bool frameTimingOn);

// Telemetry: the first row's values 0..8 become 0, 65535 and the seven status words.
void WriteTelemetryRow(TDTV &dtv, const std::array<std::uint16_t, 7> &statusWords);

// The texts drawn over the live image, in drawing order. The black copy is drawn at (X, Y), the
// white one at (X - 1, Y - 1). A negative X is measured from the right edge (box width + X), a
// Bottom text sits at the bottom edge.
struct TOverlayText {
  QString Text;
  int X = 0;
  int Y = 1;
  bool FromRight = false;
  bool Bottom = false;
  bool Centred = false;
};
struct TOverlayInput {
  bool AutoRange = true;
  bool Summing = false;
  int SumDone = 0;
  int SumCount = 0;
  std::uint8_t CalibrationRange = 0;
  std::uint8_t Speed = 2;
  bool LaserOn = false;
  bool ScanSet2 = false;
  bool ScanSetChanged = false;
  bool DualBand = false;
  std::uint8_t CalibrationBand = 0;
  bool PanoramaPaused = false;
};
std::vector<TOverlayText> LiveOverlayTexts(const TOverlayInput &in);

// The blind label: the blind temperature with the drift correction on, else "signal / shown".
QString BlindLabelText(bool blindCorrectionOn, float blindTemperature, std::uint16_t blindSignal,
                       std::uint16_t blindSignalShown);

} // namespace calidarix
