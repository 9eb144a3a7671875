#include "thermogram/frame_statistics.h"
#include "thermogram/vector_clones.h"

#include <algorithm>

namespace calidarix {

// The sum runs in 32 bits over blocks of 65536 values (65536 x 65535 < 2^32) and only the block sums
// in 64 bits: the compiler vectorises the inner loop only while its sums are as narrow as that. With
// only the baseline vector instructions the pass costs twice the read of the frame from the page
// cache, so it is also built for AVX2 and AVX-512 (vector_clones.h).
CALIDARIX_VECTOR_CLONES
RawSummary SummariseRaw(const std::uint16_t *values, std::size_t count) {
  constexpr std::size_t kBlock = 65536;
  RawSummary summary;
  for (std::size_t start = 0; start < count; start += kBlock) {
    const std::size_t end = std::min(count, start + kBlock);
    std::uint16_t lo = 65535;
    std::uint16_t hi = 0;
    std::uint32_t sum = 0;
    for (std::size_t i = start; i < end; ++i) {
      const std::uint16_t v = values[i];
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      sum += v;
    }
    summary.min = std::min(summary.min, lo);
    summary.max = std::max(summary.max, hi);
    summary.sum += sum;
  }
  return summary;
}

} // namespace calidarix
