#include "acquisition/scan_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace calidarix {
namespace {

TEST(ScanLines, ShakerSwingsEveryQuarterKiloLineFrom512) {
  const std::pair<int, std::optional<int>> cases[] = {{0, {}},   {256, {}},   {511, {}},     {512, -4000},
                                                      {600, {}}, {768, 4000}, {1024, -4000}, {1280, 4000}};
  for (auto [line, target] : cases)
    EXPECT_EQ(ShakerTarget(line), target) << line;
}

TEST(ScanLines, LiveProfileOfALine) {
  const std::vector<std::uint16_t> line{0x0102, 0x0304, 0x0506};
  EXPECT_EQ(LiveLineProfile(line, false), (std::vector<double>{0x0102, 0x0304}));
  EXPECT_EQ(LiveLineProfile(line, true), (std::vector<double>{0x0201, 0x0403}));
  // One value stays one value.
  EXPECT_EQ(LiveLineProfile(std::vector<std::uint16_t>{7}, false), std::vector<double>{7});
}

// Stored samples have their bytes exchanged: 0x0010 is the signal 0x1000.
constexpr std::uint16_t Stored(std::uint16_t signal) {
  return static_cast<std::uint16_t>((signal << 8) | (signal >> 8));
}

TEST(ScanLines, ProgressiveLineColoursAndNoise) {
  TDTV look;
  for (int i = 0; i < 256; ++i) {
    look.FPalette[static_cast<std::size_t>(i)] = TRGB{static_cast<std::uint8_t>(i), 0, 0};
    look.FIsoPalette[static_cast<std::size_t>(i)] = TRGB{0, 0, static_cast<std::uint8_t>(i)};
  }
  look.PalBottom = 0;
  look.PalTop = 255;
  // The signal table doubles every signal up to 32767.
  std::vector<std::uint16_t> lut(65536);
  for (std::size_t i = 0; i < lut.size(); ++i)
    lut[i] = static_cast<std::uint16_t>(std::min<std::size_t>(2 * i, 65535));
  const std::vector<std::uint16_t> line{Stored(0), Stored(2550), Stored(2560), Stored(40000), Stored(40003)};

  TScanLineColours row = ScanLineColours(line, lut, look, 0, 4);
  ASSERT_EQ(row.Colours.size(), 5u);
  // Index = value / (top - bottom): 5100 / 255 = 20, 5120 / 255 = 20.08, 65535 / 255 = 257 -> 255.
  EXPECT_EQ(row.Colours[0].R, 0);
  EXPECT_EQ(row.Colours[1].R, 20);
  EXPECT_EQ(row.Colours[2].R, 20);
  EXPECT_EQ(row.Colours[3].R, 255);
  // Squares above 32 between neighbours after column 0: 2550^2 + 10^2 + 37440^2 (3^2 is left out).
  EXPECT_EQ(row.NoiseSum, 2550ull * 2550 + 100 + 37440ull * 37440);
  EXPECT_EQ(ScanLineColours(line, lut, look, 2, 3).NoiseSum, 37440ull * 37440);

  // A window of one palette step counts from its start (index = value - 20 x 257); the isotherm
  // (index = (value - 19 x 257) / 2) colours only the samples it covers.
  look.PalBottom = look.PalTop = 20;
  const std::vector<std::uint16_t> near{Stored(2572), Stored(2575), Stored(40000)}; // 5144, 5150, 65535
  row = ScanLineColours(near, lut, look, 0, 2);
  EXPECT_EQ(row.Colours[0], (TRGB{4, 0, 0}));
  EXPECT_EQ(row.Colours[1], (TRGB{10, 0, 0}));
  EXPECT_EQ(row.Colours[2], (TRGB{255, 0, 0}));
  look.isIso = true;
  look.IsoBottom = 19;
  look.IsoTop = 21;
  row = ScanLineColours(near, lut, look, 0, 2);
  EXPECT_EQ(row.Colours[0], (TRGB{0, 0, 130}));
  EXPECT_EQ(row.Colours[1], (TRGB{0, 0, 133}));
  EXPECT_EQ(row.Colours[2], (TRGB{255, 0, 0})) << "beyond the isotherm";
}

TEST(ScanLines, DisplayRowsAndNoiseFigure) {
  EXPECT_EQ(ScanLineDisplayRows(0, 0), 1);
  EXPECT_EQ(ScanLineDisplayRows(1, 0), 1);
  EXPECT_EQ(ScanLineDisplayRows(2, 0), 2);
  EXPECT_EQ(ScanLineDisplayRows(3, 255), 2);
  EXPECT_EQ(ScanLineDisplayRows(0, 4), 3);
  EXPECT_EQ(LineNoiseFigure(0), std::nullopt);
  EXPECT_EQ(LineNoiseFigure(1000), 0);
  EXPECT_EQ(LineNoiseFigure(2718282), 790); // 100 x ln(2718.282) = 790.78
}

TEST(ScanLines, StripDriftGrowsDownTheFrame) {
  TCameraFrame frame;
  frame.Width = 4;
  frame.Height = 100;
  frame.Pixels.assign(400, 1000);
  frame.Pixels[0] = 10; // below its row's correction
  frame.FrameMinBand1 = frame.FrameMinBand2 = 1000;
  frame.FrameMaxBand1 = frame.FrameMaxBand2 = 1000;
  TStripDrift drift;
  drift.StripStartBand1 = 3000;
  drift.BandReference1 = 3160; // a rise of 160 counts
  drift.StripStartBand2 = 3000;
  drift.BandReference2 = 2840; // the second band fell
  CorrectStripDrift(frame, drift);
  EXPECT_EQ(frame.Pixels[1], 1000 - 30);
  EXPECT_EQ(frame.Pixels[99 * 4 + 1], 1000 - 129);
  EXPECT_EQ(frame.Pixels[0], 0);
  EXPECT_EQ(frame.Pixels[2], 1000 + 30);
  EXPECT_EQ(frame.Pixels[99 * 4 + 3], 1000 + 129);
  EXPECT_EQ(frame.FrameMinBand1, 0);
  EXPECT_EQ(frame.FrameMaxBand2, 1129);
}

} // namespace
} // namespace calidarix
