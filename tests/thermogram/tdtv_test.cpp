#include "tests/support/thermogram_fixture.h"
#include "thermogram/tdtv.h"

#include "thermogram/thermogram_globals.h"
#include <array>

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <limits>

namespace calidarix {
namespace {

class TdtvTest : public test::ThermogramTest {
protected:
  // A thermogram of w x h pixels all holding `raw`, with the given scale.
  static void Fill(TDTV &t, int w, int h, std::uint16_t raw, float scale, float offset) {
    t.FHeader.Width = static_cast<std::uint16_t>(w);
    t.FHeader.Height = static_cast<std::uint16_t>(h);
    t.FRaw.assign(static_cast<std::size_t>(w) * h, raw);
    t.FHeader.Scale = scale;
    t.FHeader.Offset = offset;
  }
};

TEST_F(TdtvTest, CreationDefaults) {
  AspectWidth = 32;
  AspectHeight = 27;
  TDTV t;
  EXPECT_EQ(t.PalBottom, 0);
  EXPECT_EQ(t.PalTop, 255);
  EXPECT_EQ(t.IsoBottom, 0);
  EXPECT_EQ(t.IsoTop, 85);
  EXPECT_FALSE(t.isIso);
  EXPECT_TRUE(t.FSmoothPalette);
  EXPECT_EQ(t.FEmissivity, 1.0);
  EXPECT_EQ(t.FFileDate, 0x28210000u);
  EXPECT_DOUBLE_EQ(t.FAspect, 32.0 / 27.0);
  EXPECT_EQ(t.FBaseAspect, t.FAspect);
  EXPECT_EQ(t.FZoom, 1.0);
  EXPECT_TRUE(t.FRaw.empty());
  EXPECT_EQ(t.FHeader.Width, 0);
  EXPECT_EQ(t.FHeader.Scale, 0.0f);
  EXPECT_EQ(t.FPalette[0], (TRGB{0, 0, 0}));
  EXPECT_EQ(t.FPalette[200], (TRGB{200, 200, 200}));
  EXPECT_EQ(t.FIsoPalette[200], (TRGB{0, 0, 0}));
  // Scale and Offset are 0 until something is loaded.
  EXPECT_EQ(t.RawToTemperature(12345), 0.0);
  // Creation reads the default aspect but leaves it alone.
  EXPECT_EQ(AspectWidth, 32);
}

TEST_F(TdtvTest, ResetHeaderKeepsCommentAndSizesFrame) {
  TDTV t;
  t.FFileName = "x.dtv";
  t.FHeader.Comment[0] = 'A';
  t.FHeader.Width = 10;
  t.FHeader.Reserved14 = 7;
  t.ResetHeader();
  EXPECT_TRUE(t.FFileName.isEmpty());
  EXPECT_EQ(t.FHeader.HeaderSize, 110);
  EXPECT_EQ(t.FHeader.Version, 3);
  EXPECT_EQ(t.FHeader.Reserved4, 44);
  EXPECT_EQ(t.FHeader.Reserved5, 18);
  EXPECT_EQ(t.FHeader.Reserved14, 0);
  EXPECT_EQ(t.FHeader.Width, 1);
  EXPECT_EQ(t.FHeader.Height, 1);
  EXPECT_EQ(t.FHeader.FrameCount, 1);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(t.FHeader.Scale), 0x3AC800C8u);
  EXPECT_EQ(t.FHeader.Comment[0], 'A');
  EXPECT_EQ(t.FRaw.size(), 1u);
}

TEST_F(TdtvTest, SetTemperatureRangeBounds) {
  struct Case {
    double low, high, wantLow, wantHigh;
  };
  const Case cases[] = {
      {-300, 50, -273.15, 50},  // clamped to absolute zero
      {20, 20, 20, 21},         // empty range widened
      {10, 20, 10, 20},         // taken as is
      {-300, -280, -281, -280}, // clamp made it inverted: one degree below high
      {40, 30, 29, 30},         // given the wrong way round: one degree below high
      {10, 5, 4, 5},
  };
  for (const Case &c : cases) {
    TDTV t;
    Fill(t, 2, 2, 100, 0.01f, 5.0f);
    ASSERT_TRUE(t.SetTemperatureRange(false, c.low, c.high)) << c.low << " " << c.high;
    EXPECT_DOUBLE_EQ(t.LockMin, c.wantLow);
    EXPECT_DOUBLE_EQ(t.LockMax, c.wantHigh);
    EXPECT_EQ(t.FHeader.Scale, 0.01f); // without rescale the frame rule stays
    EXPECT_EQ(t.FRaw[0], 100);
  }
}

TEST_F(TdtvTest, SetTemperatureRangeRejectsNonFinite) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double bad[][2] = {{nan, 10}, {0, nan}, {-inf, 10}, {0, inf}, {inf, 0}, {nan, nan}};
  for (const auto &b : bad) {
    TDTV t;
    Fill(t, 2, 1, 1000, 0.01f, 5.0f);
    t.LockMin = 1;
    t.LockMax = 2;
    EXPECT_FALSE(t.SetTemperatureRange(false, b[0], b[1]));
    EXPECT_FALSE(t.SetTemperatureRange(true, b[0], b[1]));
    EXPECT_EQ(t.LockMin, 1);
    EXPECT_EQ(t.LockMax, 2);
    EXPECT_EQ(t.FHeader.Scale, 0.01f);
    EXPECT_EQ(t.FHeader.Offset, 5.0f);
    EXPECT_EQ(t.FRaw[0], 1000);
  }
}

TEST_F(TdtvTest, RescaleRequantizesKeepingEmptyPixels) {
  TDTV t;
  // Scale 1 degree per count, Offset 0: raw r is r degrees.
  Fill(t, 4, 1, 0, 1.0f, 0.0f);
  t.FRaw = {0, 5, 30, 15};
  ASSERT_TRUE(t.SetTemperatureRange(true, 10, 20));
  EXPECT_EQ(t.FRaw[0], 0);     // empty stays empty although 0 degrees is "below"
  EXPECT_EQ(t.FRaw[1], 0);     // below the range
  EXPECT_EQ(t.FRaw[2], 65535); // above the range
  EXPECT_EQ(t.FRaw[3], 32768); // 0.5 x 65535 = 32767.5, half to even
  EXPECT_EQ(t.FHeader.Offset, 10.0f);
  EXPECT_EQ(t.FHeader.Scale, static_cast<float>(10.0 / 65535));
  EXPECT_EQ(t.FRawMin, 0);
  EXPECT_EQ(t.FRawMax, 65535);

  // Frames holding fewer distinct values than pixels, with and without empty pixels, give every
  // value the same new value as a frame converted pixel by pixel.
  for (const std::array<std::uint16_t, 4> values :
       {std::array<std::uint16_t, 4>{0, 5, 30, 15}, std::array<std::uint16_t, 4>{12, 5, 30, 15}}) {
    TDTV many;
    Fill(many, 400, 1, 0, 1.0f, 0.0f);
    for (std::size_t i = 0; i < many.FRaw.size(); ++i)
      many.FRaw[i] = values[i % 4];
    ASSERT_TRUE(many.SetTemperatureRange(true, 10, 20));
    const std::array<std::uint16_t, 4> expected{values[0] == 0 ? std::uint16_t{0} : std::uint16_t{13107}, 0,
                                                65535, 32768};
    for (std::size_t i = 0; i < many.FRaw.size(); ++i)
      ASSERT_EQ(many.FRaw[i], expected[i % 4]) << i;
  }

  // Bounds the wrong way round re-quantize to one degree below the upper bound.
  TDTV swapped;
  Fill(swapped, 2, 1, 0, 1.0f, 0.0f);
  swapped.FRaw = {29, 30};
  ASSERT_TRUE(swapped.SetTemperatureRange(true, 40, 30));
  EXPECT_EQ(swapped.FHeader.Offset, 29.0f);
  EXPECT_EQ(swapped.FHeader.Scale, static_cast<float>(1.0 / 65535));
  EXPECT_EQ(swapped.FRaw, (std::vector<std::uint16_t>{0, 65535}));

  TDTV cold;
  Fill(cold, 1, 1, 100, 1.0f, 0.0f);
  ASSERT_TRUE(cold.SetTemperatureRange(true, -300, 50));
  EXPECT_EQ(cold.FHeader.Offset, static_cast<float>(-273.15));
  EXPECT_EQ(cold.FHeader.Scale, static_cast<float>(323.15 / 65535));
}

TEST_F(TdtvTest, Statistics) {
  TDTV t;
  Fill(t, 3, 2, 1000, 1.0f, 0.0f);
  t.UpdateStatistics();
  EXPECT_EQ(t.FRawMin, 1000);
  EXPECT_EQ(t.FRawMax, 1000);
  EXPECT_EQ(t.FRawMean, 1000);

  t.FRaw = {1, 2, 0, 65535, 65535, 65535}; // sum 196608 / 6 = 32768
  t.UpdateStatistics();
  EXPECT_EQ(t.FRawMin, 0);
  EXPECT_EQ(t.FRawMax, 65535);
  EXPECT_EQ(t.FRawMean, 32768);

  t.FRaw = {1, 2, 2, 2, 0, 0}; // 7 / 6 rounds to 1
  t.UpdateStatistics();
  EXPECT_EQ(t.FRawMean, 1);
  t.FRaw = {1, 2, 0, 0, 0, 0}; // 3 / 6 = 0.5, the half goes to even 0
  t.UpdateStatistics();
  EXPECT_EQ(t.FRawMean, 0);

  TDTV empty;
  empty.FRawMin = 5;
  empty.FRawMax = 9;
  empty.FRawMean = 7;
  empty.UpdateStatistics();
  EXPECT_EQ(empty.FRawMin, 0);
  EXPECT_EQ(empty.FRawMax, 0);
  EXPECT_EQ(empty.FRawMean, 0);
}

TEST_F(TdtvTest, HistogramBinsAndGuards) {
  TDTV t;
  Fill(t, 5, 1, 0, 1.0f, 0.0f);
  t.FRaw = {65535, 8191, 8192, 0, 65534};
  std::vector<std::int64_t> counts(8, 1); // counts are added to, not cleared
  ASSERT_TRUE(t.Histogram(counts, 8));
  EXPECT_EQ(counts, (std::vector<std::int64_t>{3, 2, 1, 1, 1, 1, 1, 3}));

  std::vector<std::int64_t> one(1, 0);
  ASSERT_TRUE(t.Histogram(one, 1));
  EXPECT_EQ(one[0], 5);

  // Large bin counts must not overflow raw x bins.
  std::vector<std::int64_t> many(100000, 0);
  ASSERT_TRUE(t.Histogram(many, 100000));
  EXPECT_EQ(many[99999], 1);

  std::vector<std::int64_t> untouched(4, 0);
  EXPECT_FALSE(t.Histogram(untouched, 0));
  EXPECT_FALSE(t.Histogram(untouched, -3));
  EXPECT_FALSE(t.Histogram(untouched, 5)); // fewer counters than bins
  EXPECT_EQ(untouched, (std::vector<std::int64_t>(4, 0)));
}

TEST_F(TdtvTest, TemperatureRuleAndPixelAccess) {
  TDTV t;
  Fill(t, 3, 2, 0, 0.5f, -10.0f);
  t.FRaw = {0, 1, 2, 3, 4, 65535};
  EXPECT_DOUBLE_EQ(t.RawToTemperature(65535), 65535 * 0.5 - 10);
  EXPECT_DOUBLE_EQ(t.TemperatureAt(0, 1), -8.5);
  EXPECT_DOUBLE_EQ(t.TemperatureAt(2, 1), 65535 * 0.5 - 10);
  EXPECT_EQ(t.TemperatureAt(3, 0), 0.0);
  EXPECT_EQ(t.TemperatureAt(0, 2), 0.0);
  EXPECT_EQ(t.TemperatureAt(-1, 0), 0.0);
  t.UpdateStatistics();
  EXPECT_DOUBLE_EQ(t.MinTemperature(), -10.0);
  EXPECT_DOUBLE_EQ(t.MaxTemperature(), 65535 * 0.5 - 10);
}

TEST_F(TdtvTest, AspectAndPixelSize) {
  TDTV t;
  t.SetAspect(0);
  EXPECT_EQ(t.FAspect, 1.0);
  t.SetAspect(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(t.FAspect, 1.0);
  EXPECT_EQ(t.FPixelAspect, 1.0); // H = 0
  t.FHeader.Width = 256;
  t.FHeader.Height = 248;
  t.SetAspect(32.0 / 27.0);
  EXPECT_DOUBLE_EQ(t.FPixelAspect, 256.0 / 248.0 / (32.0 / 27.0));
  t.SetAspect(-2.0);
  EXPECT_EQ(t.FAspect, -2.0);

  t.FFovHorz = 90;
  t.FFovVert = 90;
  t.SetDistance(128);
  EXPECT_NEAR(t.FPixelWidth, 1.0, 1e-12);
  EXPECT_NEAR(t.FPixelHeight, 128.0 / 124.0, 1e-12);
  EXPECT_NEAR(t.FPixelArea, 128.0 / 124.0, 1e-12);

  TDTV blank;
  blank.FPixelWidth = 3;
  blank.SetDistance(10); // no frame: pixel size stays
  EXPECT_EQ(blank.FDistance, 10);
  EXPECT_EQ(blank.FPixelWidth, 3);
}

TEST_F(TdtvTest, AssignCopiesHeaderFrameOnly) {
  TDTV source;
  Fill(source, 3, 2, 7, 0.25f, 1.0f);
  source.FHeader.Reserved2 = 0xBEEF;
  source.FHeader.Reserved14 = 0x1234;
  source.FHeader.Comment[63] = 'z';
  source.FScanReconstructed = true;
  source.FFileName = "source.dtv";
  source.PalTop = 10;

  TDTV copy;
  copy.FFileName = "mine.dtv";
  copy.Assign(source);
  EXPECT_EQ(copy.FHeader.Reserved2, 0xBEEF);
  EXPECT_EQ(copy.FHeader.Reserved14, 0x1234);
  EXPECT_EQ(copy.FHeader.Comment[63], 'z');
  EXPECT_EQ(copy.FHeader.Scale, 0.25f);
  EXPECT_EQ(copy.FRaw, source.FRaw);
  EXPECT_TRUE(copy.FScanReconstructed);
  EXPECT_EQ(copy.FFileName, "mine.dtv");
  EXPECT_EQ(copy.PalTop, 255);
}

TEST_F(TdtvTest, FrameTimeAndZeroPaddedText) {
  EXPECT_DOUBLE_EQ(TDTV::FrameDateTime((15u << 24) + 43200u), 0.5);
  EXPECT_DOUBLE_EQ(TDTV::FrameDateTime(0), 0.0);
  EXPECT_EQ(IntToStrZ(7, 4), "0007");
  EXPECT_EQ(IntToStrZ(12345, 3), "12345");
  EXPECT_EQ(IntToStrZ(-5, 4), "00-5");
  EXPECT_EQ(IntToStrZ(0, 0), "0");
}

} // namespace
} // namespace calidarix
