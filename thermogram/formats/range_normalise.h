#pragma once
// Range normalisation of foreign samples: the samples' own range is spread over the full raw range
// 0 .. 65535, and Offset and Scale are chosen so that a pixel's temperature is its sample value (to
// within one raw step).

#include <cstdint>
#include <vector>

namespace calidarix {

enum class RangeSamples {
  All,    // every sample takes part in the range
  NonZero // samples of 0 mark missing pixels: they stay out of the range and become raw 0
};

struct NormalisedRange {
  float Offset = 0.0f; // the lowest sample
  float Scale = 0.0f;  // (highest - lowest) / 65535
};

// Turns samples into raw values in place. A flat frame (highest = lowest) becomes raw 0 everywhere
// with Scale 0; a frame without any sample that takes part gets Offset 0 and Scale 0.
NormalisedRange NormaliseRange(std::vector<std::uint16_t> &samples, RangeSamples which);

} // namespace calidarix
