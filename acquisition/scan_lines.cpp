#include "acquisition/scan_lines.h"

#include "acquisition/sector_tables.h"
#include "platform/numbers.h"

#include <algorithm>
#include <cmath>

namespace calidarix {

bool SpikeRepairOn = false;

std::optional<std::int32_t> ShakerTarget(std::int32_t line) {
  if (line < 512 || line % 256 != 0)
    return std::nullopt;
  return (line / 256) % 2 == 1 ? 4000 : -4000;
}

std::vector<double> LiveLineProfile(std::span<const std::uint16_t> line, bool exchangeBytes) {
  std::vector<double> profile;
  profile.reserve(line.size());
  for (const std::uint16_t v : line)
    profile.push_back(exchangeBytes ? static_cast<std::uint16_t>((v << 8) | (v >> 8)) : v);
  if (profile.size() > 1)
    profile.pop_back();
  return profile;
}

namespace {

// The palette index of a 16-bit value in a window of palette steps; the window of one step counts
// from its start. Not clamped.
std::int32_t WindowIndex(std::int32_t value, std::int32_t bottom, std::int32_t top) {
  const double above = value - bottom * 257.0;
  return TruncToInt32(top == bottom ? above : above / (top - bottom));
}

} // namespace

TScanLineColours ScanLineColours(std::span<const std::uint16_t> line,
                                 std::span<const std::uint16_t> signalLut, const TDTV &look,
                                 std::int32_t left, std::int32_t right) {
  TScanLineColours row;
  row.Colours.reserve(line.size());
  std::int32_t previous = 0;
  for (std::size_t x = 0; x < line.size(); ++x) {
    const std::uint16_t s = static_cast<std::uint16_t>((line[x] << 8) | (line[x] >> 8));
    const std::int32_t v = s < signalLut.size() ? signalLut[s] : s;
    const std::int32_t c = std::clamp(WindowIndex(v, look.PalBottom, look.PalTop), 0, 255);
    TRGB colour = look.FPalette[static_cast<std::size_t>(c)];
    if (look.isIso) {
      const std::int32_t ci = WindowIndex(v, look.IsoBottom, look.IsoTop);
      if (ci >= 0 && ci <= 255)
        colour = look.FIsoPalette[static_cast<std::size_t>(ci)];
    }
    row.Colours.push_back(colour);
    const auto column = static_cast<std::int32_t>(x);
    if (column > left && column <= right) {
      const std::int64_t d = std::int64_t{s} - previous;
      if (d * d > 32)
        row.NoiseSum += static_cast<std::uint64_t>(d * d);
    }
    previous = s;
  }
  return row;
}

std::int32_t ScanLineDisplayRows(std::int32_t speed, std::int32_t sectors) {
  if (sectors == kQuarterSectors)
    return 3;
  return speed == 2 || speed == 3 ? 2 : 1;
}

std::optional<std::int32_t> LineNoiseFigure(std::uint64_t noiseSum) {
  if (noiseSum == 0)
    return std::nullopt; // no logarithm of nothing
  return TruncToInt32(std::log(static_cast<double>(noiseSum) / 1000.0) * 100.0);
}

void CorrectStripDrift(TCameraFrame &frame, const TStripDrift &drift) {
  const std::int32_t full = frame.Width;
  const std::int32_t w = full / 2;
  const std::int32_t h = frame.Height;
  if (w <= 0 || h <= 0 || frame.Pixels.size() < static_cast<std::size_t>(full) * h)
    return;
  const double rise1 = static_cast<double>(drift.BandReference1) - drift.StripStartBand1;
  const double rise2 = static_cast<double>(drift.BandReference2) - drift.StripStartBand2;
  for (std::int32_t r = 0; r < h; ++r) {
    const std::int32_t d1 = RoundToInt32(rise1 / (h + 60) * (r + 30));
    const std::int32_t d2 = RoundToInt32(rise2 / (h + 60) * (r + 30));
    std::uint16_t *row = frame.Pixels.data() + static_cast<std::size_t>(full) * r;
    for (std::int32_t x = 0; x < w; ++x) {
      const auto a = static_cast<std::uint16_t>(std::clamp(row[x] - d1, 0, 65535));
      const auto b = static_cast<std::uint16_t>(std::clamp(row[w + x] - d2, 0, 65535));
      row[x] = a;
      row[w + x] = b;
      frame.FrameMinBand1 = std::min<std::int32_t>(frame.FrameMinBand1, a);
      frame.FrameMaxBand1 = std::max<std::int32_t>(frame.FrameMaxBand1, a);
      frame.FrameMinBand2 = std::min<std::int32_t>(frame.FrameMinBand2, b);
      frame.FrameMaxBand2 = std::max<std::int32_t>(frame.FrameMaxBand2, b);
    }
  }
}

} // namespace calidarix
