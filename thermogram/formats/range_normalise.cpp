#include "thermogram/formats/range_normalise.h"

#include "platform/numbers.h"

#include <algorithm>
#include <cmath>

namespace calidarix {

NormalisedRange NormaliseRange(std::vector<std::uint16_t> &samples, RangeSamples which) {
  const bool skipZero = which == RangeSamples::NonZero;
  std::uint16_t low = 65535;
  std::uint16_t high = 0;
  bool any = false;
  for (const std::uint16_t s : samples) {
    if (skipZero && s == 0) {
      continue;
    }
    any = true;
    low = std::min(low, s);
    high = std::max(high, s);
  }
  if (!any) {
    std::fill(samples.begin(), samples.end(), std::uint16_t{0});
    return NormalisedRange{};
  }
  if (high == low) {
    std::fill(samples.begin(), samples.end(), std::uint16_t{0});
    return NormalisedRange{static_cast<float>(low), 0.0f};
  }
  // The quotient is formed in extended precision first, as the files' own tools do, so that a
  // sample lands on the same raw value it always did.
  const long double span = static_cast<long double>(high) - low;
  for (std::uint16_t &s : samples) {
    if (skipZero && s == 0) {
      continue; // stays 0 instead of falling below the range
    }
    const long double scaled = (static_cast<long double>(s) - low) / span * 65535.0L;
    s = static_cast<std::uint16_t>(TruncToInt32(static_cast<double>(std::trunc(scaled))));
  }
  return NormalisedRange{static_cast<float>(low),
                         static_cast<float>((static_cast<double>(high) - low) / 65535.0)};
}

} // namespace calidarix
