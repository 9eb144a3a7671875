#include "acquisition/scan_lines.h"

#include "platform/numbers.h"

#include <algorithm>

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
