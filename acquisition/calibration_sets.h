#pragma once
// The six calibration sets the calibration form edits, numbered range index + 3 x band index, and
// the camera-state values each one stands for.

#include "acquisition/camera_state.h"

#include <array>
#include <cstdint>

namespace calidarix {

inline constexpr int kCalibrationSetCount = 6;

// Tab captions of the sets, in set order.
inline constexpr std::array<const char *, kCalibrationSetCount> kCalibrationSetCaptions = {
    "Exp1(3-5)", "Exp2(3-5)", "Exp3(3-5)", "Exp1(8-12)", "Exp2(8-12)", "Exp3(8-12)"};

// The four values of one set inside a TScanUnit.
struct TCalibrationSetValues {
  std::uint8_t &Amplification;
  double &ExpA;
  double &ExpB;
  double &Signal0;
};

// The same four values as a copy.
struct TCalibrationSetData {
  std::uint8_t Amplification = 0;
  double ExpA = 0.0;
  double ExpB = 0.0;
  double Signal0 = 0.0;
};

bool IsCalibrationSet(int set);
// The values of `set` (0..5; callers check with IsCalibrationSet).
TCalibrationSetValues CalibrationSetValues(TScanUnit &unit, int set);
TCalibrationSetData CalibrationSetData(const TScanUnit &unit, int set);

} // namespace calidarix
