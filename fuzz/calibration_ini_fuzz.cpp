// Fuzz target of the calibration sets in "Calidarix.ini": any file is read into the camera state and
// the calibration form's sets and point tables, never with a crash. A point table holds at most its
// limit, and the curve fit, the emissivity and ambient commands and the signal model then run on what
// was read without undefined behaviour.

#include "acquisition/calibration_fit.h"
#include "acquisition/calibration_sets.h"
#include "acquisition/camera_ini.h"
#include "acquisition/signal_model.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_require.h"
#include "thermogram/tdtv.h"

#include <cmath>
#include <cstdlib>

namespace {

using calidarix::fuzz::Require;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace calidarix;
  if (size == 0)
    return 0;
  const fuzz::FuzzInput input = fuzz::SplitInput(data, size, 0);
  const IniFile ini(fuzz::WriteInputFile("Calidarix.ini", input.File).toStdString());
  const std::uint8_t steer = data[0];

  TScanUnit unit;
  LoadParamsData(&ini, unit);
  for (int set = 0; set < kCalibrationSetCount; ++set) {
    ResetCalibrationCurve();
    TCalibrationTable table;
    LoadCalibrData(&ini, set, unit, table);
    Require(table.FPointCount >= 0 && table.FPointCount <= kMaxCalibrationPoints);
    Require(table.FCalibrPoints.size() == static_cast<std::size_t>(table.FPointCount) + 1);
    if (set != steer % kCalibrationSetCount)
      continue;
    // The form's commands on the set the user would look at.
    RecomputeNetSignals(table);
    double reference = 20.0;
    (void)UpDateCoef(table, (steer & 8) != 0, reference);
    (void)MeanBodyTemperature(table);
    (void)ApplyEmissivity(table, (steer & 16) != 0, 20.0, 0.95);
    ApplyAmbient(table, 25.0);
    for (double t = -40.0; t <= 400.0; t += 55.0)
      (void)CalibrSignalToTemperature(CalibrTemperatureToSignal(t));
  }
  const TCalibrationSet band = ReadBandCoefficients(ini, kSetupSection, (steer >> 5) & 1, TCalibrationSet{});
  (void)band;

  // The signal model on the state that was read.
  SelectCalibrationRange(unit, steer % 3);
  TDTV thermogram;
  thermogram.FHeader.Width = 4;
  thermogram.FHeader.Height = 1;
  thermogram.FRaw = {0, 1000, 40000, 65535};
  thermogram.FRawMin = 0;
  thermogram.FRawMax = 65535;
  LinearizeThermogram(unit, thermogram, (steer & 64) == 0);
  Require(unit.SignalLut.size() == 65536);
  Require(std::isfinite(thermogram.FHeader.Scale) && std::isfinite(thermogram.FHeader.Offset));
  return 0;
}
