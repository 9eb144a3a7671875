#pragma once
// The main window's side of scan lines, strips and sweeps, as headless steps: the head swing of the
// shaker, the live line profile, and the drift correction of a dual-band strip frame.

#include "acquisition/camera_frame.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace calidarix {

// Spike repair of the line starts is on: the live profile then exchanges each value's bytes.
extern bool SpikeRepairOn;

// The shaker swings the head at lines 512, 768, 1024, ...: to -4000, +4000, -4000, ... The
// horizontal target for this line, or nothing.
std::optional<std::int32_t> ShakerTarget(std::int32_t line);

// The live profile of one scan line (values as stored, bytes exchanged when asked). A profile of more
// than one value loses its last one.
std::vector<double> LiveLineProfile(std::span<const std::uint16_t> line, bool exchangeBytes);

// The reference levels drift while a strip is scanned; the correction removes a drift that grows
// linearly down the frame, band by band, and widens the bands' ranges to the corrected samples.
struct TStripDrift {
  std::uint16_t BandReference1 = 0;
  std::uint16_t BandReference2 = 0;
  std::uint16_t StripStartBand1 = 0;
  std::uint16_t StripStartBand2 = 0;
};
void CorrectStripDrift(TCameraFrame &frame, const TStripDrift &drift);

} // namespace calidarix
