#include "acquisition/scan_lines.h"

#include <gtest/gtest.h>

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
