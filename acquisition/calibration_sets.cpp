#include "acquisition/calibration_sets.h"

namespace calidarix {

bool IsCalibrationSet(int set) {
  return set >= 0 && set < kCalibrationSetCount;
}

TCalibrationSetValues CalibrationSetValues(TScanUnit &unit, int set) {
  TCalibrationSet &b2 = unit.Band2Coefficients;
  switch (set) {
  case 1:
    return {unit.Amplification[1], unit.Exp2_A, unit.Exp2_B, unit.Signal20};
  case 2:
    return {unit.Amplification[2], unit.Exp3_A, unit.Exp3_B, unit.Signal30};
  case 3:
    return {unit.AmplificationBand2[0], b2.Exp1A, b2.Exp1B, b2.Signal10};
  case 4:
    return {unit.AmplificationBand2[1], b2.Exp2A, b2.Exp2B, b2.Signal20};
  case 5:
    return {unit.AmplificationBand2[2], b2.Exp3A, b2.Exp3B, b2.Signal30};
  default:
    return {unit.Amplification[0], unit.Exp_A, unit.Exp_B, unit.Signal0};
  }
}

TCalibrationSetData CalibrationSetData(const TScanUnit &unit, int set) {
  // Only read through the references.
  const TCalibrationSetValues values = CalibrationSetValues(const_cast<TScanUnit &>(unit), set);
  return {values.Amplification, values.ExpA, values.ExpB, values.Signal0};
}

} // namespace calidarix
