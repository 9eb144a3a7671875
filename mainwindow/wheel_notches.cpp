#include "mainwindow/wheel_notches.h"

namespace calidarix {

int TWheelNotches::Add(int delta, std::uint32_t keyState) {
  if (keyState != FKeyState || (delta > 0 && FRemainder < 0) || (delta < 0 && FRemainder > 0))
    FRemainder = 0;
  FKeyState = keyState;
  // Reports are small, but a forged or odd one must not overflow the sum.
  constexpr int kLimit = 1000 * kWheelNotch;
  if (delta > kLimit)
    delta = kLimit;
  if (delta < -kLimit)
    delta = -kLimit;
  FRemainder += delta;
  const int notches = FRemainder / kWheelNotch; // towards zero: the rest stays for the next report
  FRemainder -= notches * kWheelNotch;
  return notches;
}

void TWheelNotches::Reset() {
  FRemainder = 0;
}

} // namespace calidarix
