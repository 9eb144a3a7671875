#pragma once
// Minimum, maximum and sum of a frame's raw values in one pass that the compiler vectorises.

#include <cstddef>
#include <cstdint>

namespace calidarix {

struct RawSummary {
  std::uint16_t min = 65535;
  std::uint16_t max = 0;
  std::uint64_t sum = 0;
};

RawSummary SummariseRaw(const std::uint16_t *values, std::size_t count);

} // namespace calidarix
