#pragma once
// The main window's side of scan lines, strips and sweeps, as headless steps: the head swing of the
// shaker, the live line profile, the progressive display of a line, and the drift correction of a
// dual-band strip frame.

#include "acquisition/camera_frame.h"
#include "thermogram/tdtv.h"

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

// One received line as the progressive display shows it: every sample (as stored, bytes exchanged,
// then through the camera's signal table) gets the colour of the thermogram's palette window, or of
// its isotherm where the isotherm is on and covers the sample. NoiseSum adds up the squares of the
// differences between neighbouring stored samples that exceed 32, over the columns after `left` up to
// `right`.
struct TScanLineColours {
  std::vector<TRGB> Colours;
  std::uint64_t NoiseSum = 0;
};
TScanLineColours ScanLineColours(std::span<const std::uint16_t> line,
                                 std::span<const std::uint16_t> signalLut, const TDTV &look,
                                 std::int32_t left, std::int32_t right);
// Image rows a scan line covers: 1 at speeds 0 and 1, 2 at speeds 2 and 3, 3 in quarter-sector mode.
std::int32_t ScanLineDisplayRows(std::int32_t speed, std::int32_t sectors);
// The line's noise figure, 100 x ln(sum / 1000) truncated; nothing for a line without noise.
std::optional<std::int32_t> LineNoiseFigure(std::uint64_t noiseSum);

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
