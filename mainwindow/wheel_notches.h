#pragma once
// Wheel turns as whole notches. A classic wheel reports 120 per notch; smooth wheels and touchpads
// report a notch in many small parts (15, 8, ...). Each command of the wheel (a zoom step, the next
// file) wants whole notches, so the parts are added up first.

#include <cstdint>

namespace calidarix {

inline constexpr int kWheelNotch = 120;

class TWheelNotches {
public:
  // Adds one wheel report (delta in 1/120 notch, positive away from the user) made with the given key
  // state, and returns the whole notches it completes (negative towards the user). A turn the other
  // way, or with other keys held, starts afresh: what was left of the last one is dropped.
  int Add(int delta, std::uint32_t keyState);
  // Drops a partial notch (the wheel stopped, or the reports are of a kinetic glide).
  void Reset();

private:
  int FRemainder = 0;
  std::uint32_t FKeyState = 0;
};

} // namespace calidarix
