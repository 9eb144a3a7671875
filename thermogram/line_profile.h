#pragma once
// The row profile of the focusing aid: one sharpness value per row, smoothed until only a few turning
// points are left.

#include <cstdint>
#include <vector>

namespace calidarix {

// The turning points of a profile: their positions in profile order and the position of the highest
// one whose value is above 0 (0 when there is none).
struct ProfilePeaks {
  std::vector<int> Rows;
  int Best = 0;
};

// One smoothing pass in place: every entry becomes the mean of itself and its two neighbours (integer
// division toward zero); at the ends the missing neighbour is the entry itself.
void SmoothProfile(std::vector<std::int32_t> &profile);

// Counts the summits and valleys of the profile (flat steps make none), stopping at the fourth. When
// peaks is given, it receives the positions found and the best one.
int FindProfilePeaks(const std::vector<std::int32_t> &profile, ProfilePeaks *peaks);

} // namespace calidarix
