#pragma once
// Mirror sector tables of the scanning cameras.
//
// The camera's mirror follows a sine in time, so each line is sampled in sectors, each with its own
// pixel count and sampling delay, to get pixels equally spaced in angle. A frame request carries the
// table of the next frame; only the low byte of each Count and Delay goes on the wire.
//
// Every builder stays inside the 256 entries of the table. The tables that divide by N - 1 take N as
// at least 2 (a one-sector line has no sine to follow) and at most 256.

#include <array>
#include <cstdint>

namespace calidarix {

struct TSectorEntry {
  std::int32_t Count = 0; // pixels of the sector
  std::int32_t Delay = 0; // sampling delay of the sector
};

inline constexpr int kSectorTableSize = 256;
using TSectorTable = std::array<TSectorEntry, kSectorTableSize>;

// Default table. Entries 0..N-1 follow the mirror; the middle sector takes the pixels the others
// left, and when that is more than 255 it is split into entries of 255 and a remainder, the later
// sectors moving up. Returns SectorsExtended: the entry count after a split, 0 without one. In
// fixed-line mode every delay is the centre delay.
std::int32_t BuildSectorTable(TSectorTable &table, std::int32_t scanWidth, std::int32_t sectors,
                              std::int32_t edge, std::int32_t center, bool fixedLineMode);

// Sinusoidal table: counts without the 0.75 factor, rounded; the middle sector takes the rest.
void BuildSectorTableSinus(TSectorTable &table, std::int32_t scanWidth, std::int32_t sectors,
                           std::int32_t edge, std::int32_t center);

// Quarter mode: four sectors of width div 4 pixels, delay 0; the last takes the remainder.
inline constexpr std::int32_t kQuarterSectors = 4;
void BuildSectorTableQuarter(TSectorTable &table, std::int32_t scanWidth);

// Line mode: ceil(width / 128) entries of 128 pixels at the edge delay, the last one shorter when
// the width is not a multiple of 128. Returns the entry count.
std::int32_t BuildSectorTableLine(TSectorTable &table, std::int32_t scanWidth, std::int32_t edge);

// Type 512: the first `sectors` entries cleared, entry 0 = (255, 0), entries 1 and 2 the width as a
// 32-bit big-endian number (entry 1 = bits 24..31, 16..23; entry 2 = bits 8..15, 0..7).
inline constexpr std::int32_t kType512Entries = 3;
void BuildSectorTable512(TSectorTable &table, std::int32_t scanWidth, std::int32_t sectors);

// Camera 1002: rounded counts and odd delays; entry 7 takes what the width leaves.
void BuildSectorTable1002(TSectorTable &table, std::uint16_t width, std::int32_t sectors, std::int32_t edge,
                          std::int32_t center);

// N as the tables that divide by N - 1 use it.
std::int32_t ClampSectorCount(std::int32_t sectors);

} // namespace calidarix
