#include "acquisition/sector_tables.h"

#include "platform/numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace calidarix {

namespace {

// The value of pi the camera firmware was tuned against; counts are truncated, so the last digits
// matter.
constexpr double kPi = 3.14159265358979;

// Share of the line that sector i of n covers, as the difference of two cosines of the mirror.
double SectorShare(std::int32_t i, std::int32_t n) {
  return std::cos(i * kPi / n) - std::cos((i + 1) * kPi / n);
}

double DelayCurve(std::int32_t i, std::int32_t n, std::int32_t edge, std::int32_t center) {
  return edge - std::sin(i * kPi / (n - 1)) * (static_cast<double>(edge) - center);
}

} // namespace

std::int32_t ClampSectorCount(std::int32_t sectors) {
  return std::clamp(sectors, 2, kSectorTableSize);
}

std::int32_t BuildSectorTable(TSectorTable &table, std::int32_t scanWidth, std::int32_t sectors,
                              std::int32_t edge, std::int32_t center, bool fixedLineMode) {
  const std::int32_t n = ClampSectorCount(sectors);
  const std::int32_t mid = n / 2;
  if (fixedLineMode)
    edge = center;

  std::int64_t sum = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    table[i].Delay = TruncToInt32(DelayCurve(i, n, edge, center));
    table[i].Count = TruncToInt32(SectorShare(i, n) * (scanWidth / 2.0 * 0.75));
    sum += table[i].Count;
  }

  // The middle sector takes every pixel the others left.
  const std::int64_t rest = table[mid].Count + static_cast<std::int64_t>(scanWidth) - sum;
  if (rest <= 255) {
    table[mid].Count = static_cast<std::int32_t>(rest);
    return 0;
  }

  // Too many for one sector: split the middle into entries of 255 and a remainder, moving the later
  // sectors up. Entries that would fall past the table are dropped.
  const std::int64_t k = rest / 255;
  for (std::int32_t j = n - 1; j >= n - mid; --j) {
    if (j + k < kSectorTableSize)
      table[static_cast<std::size_t>(j + k)] = table[j];
  }
  for (std::int64_t e = mid; e <= mid + k && e < kSectorTableSize; ++e)
    table[static_cast<std::size_t>(e)].Count = e < mid + k ? 255 : static_cast<std::int32_t>(rest % 255);
  return static_cast<std::int32_t>(std::min<std::int64_t>(n + k, kSectorTableSize));
}

void BuildSectorTableSinus(TSectorTable &table, std::int32_t scanWidth, std::int32_t sectors,
                           std::int32_t edge, std::int32_t center) {
  const std::int32_t n = ClampSectorCount(sectors);
  std::int64_t sum = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    table[i].Delay = TruncToInt32(DelayCurve(i, n, edge, center));
    table[i].Count = RoundToInt32(SectorShare(i, n) * scanWidth / 2.0);
    sum += table[i].Count;
  }
  TSectorEntry &middle = table[n / 2];
  middle.Count = static_cast<std::int32_t>(std::clamp<std::int64_t>(
      middle.Count + std::int64_t{scanWidth} - sum, std::numeric_limits<std::int32_t>::min(),
      std::numeric_limits<std::int32_t>::max()));
}

void BuildSectorTableQuarter(TSectorTable &table, std::int32_t scanWidth) {
  for (std::int32_t i = 0; i < kQuarterSectors; ++i)
    table[i] = TSectorEntry{scanWidth / kQuarterSectors, 0};
  table[kQuarterSectors - 1].Count += scanWidth % kQuarterSectors;
}

std::int32_t BuildSectorTableLine(TSectorTable &table, std::int32_t scanWidth, std::int32_t edge) {
  if (scanWidth <= 0)
    return 0;
  const std::int32_t entries = std::min(scanWidth / 128 + (scanWidth % 128 != 0 ? 1 : 0), kSectorTableSize);
  for (std::int32_t i = 0; i < entries; ++i)
    table[i] = TSectorEntry{128, edge};
  if (scanWidth % 128 != 0 && entries * 128 >= scanWidth)
    table[entries - 1].Count = scanWidth % 128;
  return entries;
}

void BuildSectorTable512(TSectorTable &table, std::int32_t scanWidth, std::int32_t sectors) {
  const std::int32_t cleared = std::clamp(sectors, 0, kSectorTableSize);
  std::fill(table.begin(), table.begin() + cleared, TSectorEntry{});
  const auto width = static_cast<std::uint32_t>(scanWidth);
  table[0] = TSectorEntry{255, 0};
  table[1] =
      TSectorEntry{static_cast<std::int32_t>(width >> 24), static_cast<std::int32_t>((width >> 16) & 0xFF)};
  table[2] =
      TSectorEntry{static_cast<std::int32_t>((width >> 8) & 0xFF), static_cast<std::int32_t>(width & 0xFF)};
}

void BuildSectorTable1002(TSectorTable &table, std::uint16_t width, std::int32_t sectors, std::int32_t edge,
                          std::int32_t center) {
  const std::int32_t n = ClampSectorCount(sectors);
  for (std::int32_t i = 0; i < n; ++i) {
    std::int32_t delay = RoundToInt32(DelayCurve(i, n, edge, center));
    if (delay % 2 == 0) // the camera takes odd delays only
      ++delay;
    table[i].Delay = delay;
  }
  std::int32_t sum = 0;
  for (std::int32_t i = 0; i < n - 1; ++i) {
    table[i].Count = RoundToInt32(SectorShare(i, n) * (width / 2.0 * 0.75));
    sum += table[i].Count;
  }
  TSectorEntry &last = table[n - 1];
  last.Count = RoundToInt32(width * 0.75) - sum;
  if (last.Count == 0) {
    last.Count = 1;
    table[7].Count -= 1;
  }
  table[7].Count += width - sum;
}

} // namespace calidarix
