// The USB thermal module's image processing: frame headers and types, the dead-pixel map and its
// repair, the correction and the flat field, the packed frame, the filters and the temperatures.

#include "acquisition/module_image.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

constexpr int W = SeekImageWidth;

std::size_t At(int x, int y) {
  return static_cast<std::size_t>(y) * W + x;
}

std::vector<std::uint16_t> Filled(std::uint16_t value) {
  return std::vector<std::uint16_t>(SeekImagePixels, value);
}

// The frames a correction needs, every pixel the same: image 1000, reference 200, gain 100, header k.
TModuleImage ReadyForCorrection(std::uint16_t k) {
  TModuleImage m;
  for (const int t : {1, 6, 7})
    m.FFrameBuffers[static_cast<std::size_t>(t)] = Filled(200);
  m.FFrameBuffers[3] = Filled(1000);
  m.FFrameBuffers[4] = Filled(100);
  m.FHeaderWord = k;
  m.ProcessFrameByType(4);
  m.ProcessFrameByType(3);
  return m;
}

TEST(ModuleFrameHeader, TypesAreSortedAndTheHeaderBytesCleared) {
  struct Case {
    int raw;
    int type;
    bool stored;
  };
  const Case cases[] = {{3, 3, true},    {1, 1, true},  {10, 10, true}, {14, 10, true},
                        {12, 10, false}, {0, 0, false}, {2, 2, false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.raw);
    std::vector<std::uint16_t> raw(SeekRawWords, 0x1111);
    raw[1] = 0xBEEF;
    raw[10] = static_cast<std::uint16_t>(0xAB00 | c.raw);
    const TModuleFrameHeader h = TakeModuleFrameHeader(raw);
    EXPECT_EQ(h.HeaderWord, 0xBEEF);
    EXPECT_EQ(h.Type, c.type);
    EXPECT_EQ(h.Stored, c.stored);
    EXPECT_EQ(raw[1], 0);
    EXPECT_EQ(raw[10], 0);
    EXPECT_EQ(raw[40], 0);
    EXPECT_EQ(raw[2], 0x1111);
  }
}

TEST(ModuleImage, TheImagePartOfARawFrameIsStored) {
  std::vector<std::uint16_t> raw(SeekRawWords, 0);
  for (int y = 0; y < SeekRawHeight; ++y)
    for (int x = 0; x < SeekRawWidth; ++x)
      raw[static_cast<std::size_t>(y) * SeekRawWidth + x] = static_cast<std::uint16_t>(y * 300 + x);
  TModuleImage m;
  EXPECT_FALSE(m.HasBuffer(6));
  m.StoreRawFrame(6, raw);
  ASSERT_TRUE(m.HasBuffer(6));
  EXPECT_EQ(m.FFrameBuffers[6][At(205, 0)], 205);
  EXPECT_EQ(m.FFrameBuffers[6][At(0, 151)], 45300);
  EXPECT_EQ(m.FFrameBuffers[6][At(17, 3)], 917);
}

TEST(ModuleImage, DeadPixelsComeFromThePatternAndALowGain) {
  TModuleImage m;
  m.FFrameBuffers[4] = Filled(100);
  m.FFrameBuffers[4][At(50, 20)] = 7;
  m.FFrameBuffers[4][At(60, 20)] = 8;
  m.ProcessFrameByType(4);
  ASSERT_TRUE(m.HasDeadPixelMap());
  EXPECT_TRUE(m.IsDead(At(10, 0))); // (10 + 5 + 0) mod 15 = 0
  EXPECT_TRUE(m.IsDead(At(6, 1)));  // (6 + 5 + 4) mod 15 = 0
  EXPECT_FALSE(m.IsDead(At(11, 0)));
  EXPECT_TRUE(m.IsDead(At(50, 20))); // gain 7
  EXPECT_FALSE(m.IsDead(At(60, 20)));
  EXPECT_EQ(m.FFrameBuffers[2][At(50, 20)], 5); // the pattern (135 mod 15 = 0) and the gain
  EXPECT_EQ(m.FDeadPixelCount, 1);
}

TEST(ModuleImage, DeadPixelsTakeTheMeanOfTheirLiveNeighbours) {
  TModuleImage m;
  m.FFrameBuffers[4] = Filled(100);
  // (50, 20): dead by its gain, with neighbours 10 .. 80 (two of them dead by the pattern).
  m.FFrameBuffers[4][At(50, 20)] = 7;
  // A block of dead gain around (100, 100): its centre has no live neighbour.
  for (int y = 99; y <= 101; ++y)
    for (int x = 99; x <= 101; ++x)
      m.FFrameBuffers[4][At(x, y)] = 0;
  // (204, 50): its right-hand neighbours are in the last column, which the repair leaves out.
  m.FFrameBuffers[4][At(204, 50)] = 1;
  m.ProcessFrameByType(4);
  std::vector<std::uint16_t> image = Filled(500);
  int v = 10;
  for (int y = 19; y <= 21; ++y)
    for (int x = 49; x <= 51; ++x)
      if (x != 50 || y != 20)
        image[At(x, y)] = static_cast<std::uint16_t>(v += 10);
  for (int y = 49; y <= 51; ++y)
    image[At(205, y)] = 60000;
  image[At(10, 0)] = 9999;
  m.FFrameBuffers[0] = image;
  m.FixDeadPixels(0);
  // None of the eight neighbours of (50, 20) is dead ((x + 5 + 4y) mod 15 is not 0 for any of them):
  // the mean of 20 .. 90.
  EXPECT_EQ(m.FFrameBuffers[0][At(50, 20)], 55);
  EXPECT_EQ(m.FFrameBuffers[0][At(100, 100)], 0);
  EXPECT_EQ(m.FFrameBuffers[0][At(204, 50)], 500); // 60000 in the last column does not count
  EXPECT_EQ(m.FFrameBuffers[0][At(10, 0)], 500);   // a pattern pixel among plain ones
}

TEST(ModuleImage, StatisticsLeaveOutDeadPixelsAndZerosForTheMinimum) {
  TModuleImage m;
  m.FFrameBuffers[4] = Filled(100);
  m.FFrameBuffers[4][At(3, 3)] = 0; // dead
  m.ProcessFrameByType(4);
  m.FFrameBuffers[6] = Filled(300);
  m.FFrameBuffers[6][At(3, 3)] = 65000; // dead: not counted
  m.FFrameBuffers[6][At(5, 6)] = 0;     // counts for the maximum only
  m.FFrameBuffers[6][At(7, 7)] = 299;
  m.FHeaderWord = 77;
  m.ProcessFrameByType(6);
  EXPECT_EQ(m.FFrameStats[6].Minimum, 299);
  EXPECT_EQ(m.FFrameStats[6].Maximum, 300);
  EXPECT_EQ(m.FFrameStats[6].Mean, 299); // (n x 300 - 1) div n
  EXPECT_EQ(m.FFrameStats[6].HeaderWord, 77);
}

TEST(ModuleImage, TheCorrectionIsExactInSixtyFourBitsAndClamped) {
  TModuleImage m = ReadyForCorrection(50);
  m.FFrameBuffers[3][At(21, 20)] = 0;   // (-200 x 50) / 100 + 50 = -50
  m.FFrameBuffers[3][At(22, 20)] = 201; // (1 x 50) / 100 = 0.5, truncated
  m.FFrameBuffers[3][At(23, 20)] = 199; // -0.5, truncated towards zero
  m.CorrectImage();
  ASSERT_TRUE(m.HasBuffer(0));
  EXPECT_EQ(m.FFrameBuffers[0][At(30, 30)], 450); // (800 x 50) / 100 + 50
  EXPECT_EQ(m.FFrameBuffers[10][At(30, 30)], 450);
  EXPECT_EQ(m.FFrameBuffers[0][At(21, 20)], 0);
  EXPECT_EQ(m.FFrameBuffers[10][At(21, 20)], 0);
  EXPECT_EQ(m.FFrameBuffers[0][At(22, 20)], 50);
  EXPECT_EQ(m.FFrameBuffers[0][At(23, 20)], 50);
  EXPECT_EQ(m.FFrameStats[0].Maximum, 450);

  TModuleImage big = ReadyForCorrection(65535);
  big.FFrameBuffers[1] = Filled(0);
  big.FFrameBuffers[3] = Filled(60000);
  big.FFrameBuffers[4] = Filled(8);
  big.FFrameBuffers[3][At(40, 40)] = 0;
  big.FFrameBuffers[1][At(40, 40)] = 60000;
  big.ProcessFrameByType(4);
  big.ProcessFrameByType(3);
  big.CorrectImage();
  EXPECT_EQ(big.FFrameBuffers[0][At(30, 30)], 65535); // 60000 x 65535 / 8 would wrap in 32 bits
  EXPECT_EQ(big.FFrameBuffers[10][At(30, 30)], 65535);
  EXPECT_EQ(big.FFrameBuffers[0][At(40, 40)], 0);
}

TEST(ModuleImage, WithoutAnyNeededFrameTheImageStaysAndRecordZeroIsCleared) {
  TModuleImage m = ReadyForCorrection(50);
  m.FFrameBuffers[6].clear();
  m.FFrameBuffers[0] = Filled(1234);
  m.FFrameStats[0] = TModuleFrameStats{1, 2, 3, 4};
  m.CorrectImage();
  EXPECT_EQ(m.FFrameBuffers[0][At(30, 30)], 1234);
  EXPECT_EQ(m.FFrameStats[0].Minimum, 0);
  EXPECT_EQ(m.FFrameStats[0].Maximum, 0);
  EXPECT_EQ(m.FFrameStats[0].Mean, 0);
}

TEST(ModuleImage, TheFlatFieldIsSubtractedAroundItsMean) {
  TModuleImage m = ReadyForCorrection(50);
  m.CorrectImage(); // buffer 10: 450 on every live pixel
  m.FFrameBuffers[10][At(30, 30)] = 470;
  m.FFrameBuffers[10][At(31, 30)] = 0;     // not in the statistics
  m.FFrameBuffers[10][At(32, 30)] = 65535; // nor this
  m.StoreFlatField();
  EXPECT_EQ(m.FFlatFieldStats.Minimum, 450);
  EXPECT_EQ(m.FFlatFieldStats.Maximum, 470);
  EXPECT_EQ(m.FFlatFieldStats.Mean, 450);
  m.FFlatFieldOn = true;
  m.CorrectImage();
  EXPECT_EQ(m.FFrameBuffers[0][At(29, 30)], 450); // 450 - 450 + 450
  EXPECT_EQ(m.FFrameBuffers[0][At(30, 30)], 430); // 450 - 470 + 450
  EXPECT_EQ(m.FFrameBuffers[0][At(31, 30)], 900);
  EXPECT_EQ(m.FFrameBuffers[0][At(32, 30)], 0); // clamped, not wrapped
}

TEST(ModuleImage, ThePackedFrameIsExpandedAndClamped) {
  TModuleImage m;
  m.FFrameBuffers[4] = Filled(100);
  m.ProcessFrameByType(4);
  m.FFrameBuffers[5] = Filled(0);
  m.FFrameBuffers[5][At(0, 7)] = 0x2090;   // low byte 0x90, high byte 0x20
  m.FFrameBuffers[5][At(102, 7)] = 0x99FF; // the last packed word of the row
  m.ProcessFrameByType(5);
  EXPECT_EQ(m.FFrameStats[5].Minimum, 100);
  EXPECT_EQ(m.FFrameStats[5].Maximum, 152);
  EXPECT_EQ(m.FFrameStats[5].Mean, 128);
  EXPECT_EQ(m.FFrameBuffers[5][At(0, 7)], 144);
  EXPECT_EQ(m.FFrameBuffers[5][At(1, 7)], 100);
  EXPECT_EQ(m.FFrameBuffers[5][At(204, 7)], 152);
  EXPECT_EQ(m.FFrameBuffers[5][At(205, 7)], 152);
  EXPECT_EQ(m.FFrameBuffers[5][At(2, 7)], 100);
}

TEST(ModuleImage, MedianAndSmoothingFilters) {
  // 1 2 3 / 4 5 6 / 7 8 9: the block of each pixel reaches right and down.
  std::vector<std::uint16_t> d = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  TModuleImage::MedianFilter3x3(d.data(), 3, 3, 3);
  EXPECT_EQ(d, (std::vector<std::uint16_t>{5, 6, 6, 7, 8, 9, 8, 9, 9}));

  std::vector<std::uint16_t> s(16, 0);
  s[5] = 160; // (1, 1) of a 4 x 4 image
  s[0] = 99;  // a border pixel stays
  TModuleImage::SmoothFilter(s.data(), 4, 4);
  EXPECT_EQ(s[5], 46);  // (4 x 160 + 99) >> 4
  EXPECT_EQ(s[6], 20);  // 2 x 160 >> 4
  EXPECT_EQ(s[10], 10); // 1 x 160 >> 4
  EXPECT_EQ(s[0], 99);
  EXPECT_EQ(s[1], 0);
}

TEST(ModuleImage, InsideTemperatureFromItsTableOnly) {
  TModuleImage m;
  EXPECT_EQ(m.InsideTemperature(100, false), 0.0);
  m.FFrameBuffers[9] = Filled(1000);
  m.FFrameBuffers[9][100] = 1000 + 32 * 300;
  EXPECT_NEAR(m.InsideTemperature(100, false), 26.85, 1e-9);
  EXPECT_EQ(m.InsideTemperature(100, true), 0.0);
  EXPECT_EQ(m.InsideTemperature(40000, false), 0.0); // beyond the table
  EXPECT_NEAR(m.InsideTemperature(5, false), -273.15, 1e-9);
}

TEST(ModuleImage, AShutterEventTakesTheTemperaturesAndANewFlatField) {
  TModuleImage m = ReadyForCorrection(50);
  m.FFrameBuffers[9] = Filled(0);
  m.FFrameBuffers[9][450] = static_cast<std::uint16_t>(32 * 300);
  QStringList log;
  const auto logTo = [&](const QString &line) { log << line; };
  m.ImagePipeline(
      true, false, [] { return 24.5; }, logTo);
  EXPECT_EQ(log, (QStringList{"seekRealTemp = 20.00", "seekInsideTemp = 26.85"}));
  EXPECT_EQ(m.FBlindTemperature, 24.5);
  EXPECT_NEAR(m.FInsideTemperature, 26.85, 1e-9);
  EXPECT_NEAR(m.FTemperatureOffset, 24.5 - 26.85, 1e-9);
  EXPECT_TRUE(m.FFlatFieldOn);
  EXPECT_TRUE(m.FSkipNextPost);
  EXPECT_EQ(m.FFlatField[At(30, 30)], 450);
  EXPECT_EQ(m.FImage[At(30, 30)], 450);
  EXPECT_EQ(m.FImageMax, 450);

  // No reading: the shutter temperature stays.
  m.ImagePipeline(true, false, [] { return 0.0; }, {});
  EXPECT_EQ(m.FBlindTemperature, 24.5);
  // Without a shutter event nothing of this runs.
  m.FSkipNextPost = false;
  m.ImagePipeline(false, false, [] { return 99.0; }, {});
  EXPECT_EQ(m.FBlindTemperature, 24.5);
  EXPECT_FALSE(m.FSkipNextPost);
}

} // namespace
} // namespace calidarix
