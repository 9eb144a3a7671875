#pragma once
// The calibration form's point table and its own curve, the fit of that curve to the points, and
// the emissivity and ambient corrections of the points.
//
// The form keeps its curve (CalibrExpA, CalibrExpB, CalibrSignal0, CalibrAmplification) apart from
// the working curve of the acquisition path; it reaches the camera state only when a calibration set
// is saved or typed in. Everything here runs on the GUI thread.
//
// The fit: B is the mean of the two-point estimates of neighbouring points in table order, A the
// mean of the per-point estimates given that B. A table that does not allow a fit leaves both as
// they were.

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace calidarix {

struct TCalibrPoint {
  double NetSignal = 0.0;       // RawSignal minus the form's signal offset
  double Temperature = 0.0;     // of the reference source, degrees Celsius
  std::int32_t RawSignal = 0;   // counts
  double BodyTemperature = 0.0; // of the camera when the point was taken, degrees Celsius
};

// The grid numbers its rows with two hexadecimal digits, so a table holds at most 255 points.
inline constexpr std::int32_t kMaxCalibrationPoints = 255;

// Element 0 is the reference-point slot, written by the fit; elements 1..FPointCount are the points.
struct TCalibrationTable {
  std::vector<TCalibrPoint> FCalibrPoints = std::vector<TCalibrPoint>(1);
  std::int32_t FPointCount = 0;

  // Resizes to `count` points (0..kMaxCalibrationPoints); new points are empty.
  void Resize(std::int32_t count);
  // Opens an empty point at `index` (1..FPointCount + 1), moving the later ones down. False (and no
  // change) for an index outside that range or a full table.
  bool InsertCalibr(std::int32_t index);
  // Removes point `index` (1..FPointCount). False (and no change) for an index outside that range.
  bool DeleteCalibr(std::int32_t index);
};

// The form's curve. All four are 0 until a calibration set is loaded.
extern double CalibrExpA;
extern double CalibrExpB;
extern double CalibrSignal0;
extern std::uint8_t CalibrAmplification;
void ResetCalibrationCurve();

// raw - CalibrSignal0, plus the scanning unit's BlindCorrection when asked. No clamping.
double CalibrNetSignal(std::int32_t raw, bool withBlind);
double CalibrTemperatureToSignal(double temperature);
double CalibrSignalToTemperature(double netSignal);

// Recomputes NetSignal of every point from its RawSignal and the current offset.
void RecomputeNetSignals(TCalibrationTable &table);

// Fits CalibrExpB and CalibrExpA to the table; true when it did. With `refPointOn` the reference
// point (net signal 1 at `refPoint`, taken with one decimal as the form shows it) joins the fit; when
// it is not below the first point it is lowered by whole degrees until it is, and the lowered value
// is stored in `refPoint`. Fewer than two points, a net signal below 1, a temperature at or below
// absolute zero, a value that is not a number, or two neighbours at one temperature leave the curve
// as it was.
bool UpDateCoef(TCalibrationTable &table, bool refPointOn, double &refPoint);

// Emissivity (clamped to 0.01..1) and ambient (clamped to -50..80 degrees) correction of one
// temperature: towards the apparent temperature, or back to the true one. nullopt where the
// correction has no answer: the way back from an apparent temperature below what the surroundings
// alone would show, or a temperature at or below absolute zero.
std::optional<double> CorrectPointTemperature(bool toApparent, double temperature, double ambient,
                                              double emissivity);

// The emissivity command on every point. Either every temperature is corrected or, when one of them
// has no answer, none is and the reason comes back.
std::optional<QString> ApplyEmissivity(TCalibrationTable &table, bool toApparent, double ambient,
                                       double emissivity);

// Mean body temperature of the points (nullopt for an empty table).
std::optional<double> MeanBodyTemperature(const TCalibrationTable &table);
// The ambient command: moves every point's signal as if it had been taken with the camera body at
// `reference`, on the form's current curve.
void ApplyAmbient(TCalibrationTable &table, double reference);

} // namespace calidarix
