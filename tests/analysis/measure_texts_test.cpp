#include "analysis/measure_texts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace calidarix {
namespace {

// The statistics labels round to the decimals they show, as the marker texts do: the true 83.4274 and
// 28.8286 read 83.43 and 28.83 in both.
TEST(MeasureTextsTest, ShortAndFixedTexts) {
  const std::pair<double, const char *> shortCases[] = {
      {83.4274, "83.43"}, {28.8286, "28.83"}, {23.4567, "23.46"}, {-12.345, "-12.3"},
      {1234.5, "1234"},   {0.0, "0"},         {5.0, "5"},         {-0.001, "0"}};
  for (auto [v, text] : shortCases)
    EXPECT_EQ(ShortText(v), QString::fromLatin1(text)) << v;

  const std::pair<double, const char *> fixedCases[] = {{23.456, "23.46"},
                                                        {-5.0, "-5.00"},
                                                        {9999999.0, "9999999.00"},
                                                        {1234567.891, "1234568.00"}, // seven digits first
                                                        {12345.678, "12345.68"},
                                                        {12345678.0, "1.234568E7"},
                                                        {-1e9, "-1E9"}};
  for (auto [v, text] : fixedCases)
    EXPECT_EQ(Fixed2(v), QString::fromLatin1(text)) << v;
  EXPECT_EQ(Fixed2(1.5, ','), "1,50");
  EXPECT_EQ(Fixed2(std::numeric_limits<double>::quiet_NaN()), "NAN");
}

TEST(MeasureTextsTest, CursorReadout) {
  EXPECT_EQ(CursorTemperatureText(23.456, false, false), "23.46");
  EXPECT_EQ(CursorTemperatureText(-12.3456, false, false), "-12.3");
  EXPECT_EQ(CursorTemperatureText(36.6, true, false), "37");
  EXPECT_EQ(CursorTemperatureText(83.398, false, false), "83.40");
  EXPECT_EQ(CursorTemperatureText(123.456, false, false), "123.5");
  // Differences above 0 carry their sign; the plus counts towards the five characters.
  EXPECT_EQ(CursorTemperatureText(1.234, false, true), "+1.23");
  EXPECT_EQ(CursorTemperatureText(12.345, false, true), "+12.3");
  EXPECT_EQ(CursorTemperatureText(-1.5, false, true), "-1.50");
  EXPECT_EQ(CursorTemperatureText(0.0, false, true), "0.00");
  EXPECT_EQ(CursorTemperatureText(0.001, false, true), "0.00"); // no plus on a shown zero
}

TEST(MeasureTextsTest, PaletteCursorFraction) {
  EXPECT_DOUBLE_EQ(PaletteCursorFraction(25.0, true, 20.0, 30.0, 0.0, 1.0), 0.5);
  EXPECT_DOUBLE_EQ(PaletteCursorFraction(50.0, false, 0.0, 0.0, 0.0, 100.0 / 65535.0), 0.5);
  EXPECT_EQ(PaletteCursorFraction(25.0, true, 20.0, 20.0, 0.0, 1.0), -1.0); // empty range: no cursor
  EXPECT_EQ(PaletteCursorFraction(std::nan(""), false, 0.0, 0.0, 0.0, 1.0), -1.0);
}

TEST(MeasureTextsTest, MarkerValues) {
  EXPECT_EQ(MarkerValueText(23.456, false), "23.46");
  EXPECT_EQ(MarkerValueText(83.4274, false), "83.43");
  EXPECT_EQ(MarkerValueText(23.996, true), "24");
  EXPECT_EQ(MarkerValueText(23.7, true), "24"); // whole degrees are rounded, not cut
  EXPECT_EQ(MarkerValueText(-3.7, true), "-4");
  EXPECT_EQ(MarkerValueText(23.5, true), "24");
  EXPECT_EQ(MarkerValueText(22.5, true), "22"); // halves to even
}

} // namespace
} // namespace calidarix
