// Row-sharpness analysis for focusing and aligning scanning cameras: every row of a rectangle is rated
// by its sharpest horizontal step, the profile is smoothed until it has at most three turning points,
// and the highest of them is the sharpest row.

#include "thermogram/line_profile.h"

#include "platform/numbers.h"
#include "thermogram/rect_clip.h"
#include "thermogram/tdtv.h"

#include <cmath>
#include <cstdlib>

namespace calidarix {

namespace {

constexpr int kMaxTurningPoints = 4;

} // namespace

void SmoothProfile(std::vector<std::int32_t> &profile) {
  const std::vector<std::int32_t> before = profile;
  const std::size_t n = before.size();
  for (std::size_t k = 0; k < n; ++k) {
    const std::int64_t left = k > 0 ? before[k - 1] : before[k];
    const std::int64_t right = k + 1 < n ? before[k + 1] : before[k];
    profile[k] = static_cast<std::int32_t>((left + before[k] + right) / 3);
  }
}

int FindProfilePeaks(const std::vector<std::int32_t> &profile, ProfilePeaks *peaks) {
  if (peaks != nullptr) {
    peaks->Rows.clear();
    peaks->Best = 0;
  }
  std::int64_t bestValue = 0;
  int found = 0;
  for (std::size_t k = 0; k + 2 < profile.size(); ++k) {
    const std::int64_t a = std::int64_t{profile[k + 1]} - profile[k];
    const std::int64_t b = std::int64_t{profile[k + 2]} - profile[k + 1];
    if (!((a < 0 && b > 0) || (a > 0 && b < 0))) {
      continue;
    }
    ++found;
    if (peaks != nullptr) {
      const int position = static_cast<int>(k + 1);
      peaks->Rows.push_back(position);
      if (profile[k + 1] > bestValue) {
        bestValue = profile[k + 1];
        peaks->Best = position;
      }
    }
    if (found == kMaxTurningPoints) {
      break;
    }
  }
  return found;
}

int TDTV::FindSharpestRow(const TRect &rect) {
  const TRect r = ClipHalfOpenRect(rect, Width(), Height());
  FPeakRows.clear();
  FBestPeak = 0;
  if (r.Left >= r.Right || r.Top >= r.Bottom) {
    return 0;
  }
  const std::size_t stride = static_cast<std::size_t>(Width());
  std::vector<std::int32_t> profile;
  profile.reserve(static_cast<std::size_t>(r.Bottom - r.Top));
  int fallback = 0;
  std::int32_t fallbackValue = -1;
  for (int y = r.Top; y < r.Bottom; ++y) {
    const std::uint16_t *row = FRaw.data() + static_cast<std::size_t>(y) * stride;
    int largest = 0;
    std::int64_t reaching = 0; // columns whose step equals the largest
    for (int x = r.Left; x <= r.Right - 3; ++x) {
      const int d = std::abs(int{row[x + 1]} - int{row[x]});
      if (d > largest) {
        largest = d;
        reaching = 1;
      } else if (d == largest) {
        ++reaching;
      }
    }
    const std::int64_t squares = largest == 0 ? 0 : reaching * std::int64_t{largest} * largest;
    const std::int32_t sharpness = TruncToInt32(std::sqrt(static_cast<double>(squares)));
    if (sharpness > fallbackValue) {
      fallbackValue = sharpness;
      fallback = y - r.Top;
    }
    profile.push_back(sharpness);
  }
  while (FindProfilePeaks(profile, nullptr) == kMaxTurningPoints) {
    SmoothProfile(profile);
  }
  ProfilePeaks peaks;
  const int found = FindProfilePeaks(profile, &peaks);
  FPeakRows = std::move(peaks.Rows);
  FBestPeak = peaks.Best;
  return found > 0 ? FBestPeak : fallback;
}

} // namespace calidarix
