#include "platform/numbers.h"

#include <cfloat>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace calidarix {
namespace {

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
  struct Case {
    double in, out;
  } cases[] = {{0.5, 0.0},   {1.5, 2.0},    {2.5, 2.0},    {3.5, 4.0},   {-0.5, -0.0},  {-1.5, -2.0},
               {-2.5, -2.0}, {2.4999, 2.0}, {2.5001, 3.0}, {-2.6, -3.0}, {1e300, 1e300}};
  for (const auto &c : cases)
    EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

TEST(GuardedConversions, NanAndOutOfRangeHaveDefinedResults) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(TruncToInt32(nan), 0);
  EXPECT_EQ(RoundToInt32(inf), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(RoundToInt32(-inf), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(TruncToInt32(3e9), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(TruncToInt64(1e19), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(TruncToInt64(-1e19), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(TruncToInt32(-2.9), -2);
  EXPECT_EQ(RoundToInt32(-2.5), -2);
  EXPECT_EQ(RoundToInt64(4503599627370497.0), 4503599627370497LL);
  EXPECT_EQ(RoundToUInt16Clamped(-3.0), 0);
  EXPECT_EQ(RoundToUInt16Clamped(70000.0), 65535);
  EXPECT_EQ(RoundToUInt16Clamped(nan), 0);
  EXPECT_EQ(RoundToUInt16Clamped(100.5), 100);
}

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(FloatToText, GeneralFormWithFifteenDigits) {
  struct Case {
    double in;
    const char *text;
  } cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {1.0, "1"},
      {-1.5, "-1.5"},
      {100.0, "100"},
      {123.456, "123.456"},
      {0.1, "0.1"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {static_cast<double>(0.4f), "0.400000005960464"},
      {1234567890.123456789, "1234567890.12346"},
      {23.4567, "23.4567"},
      // Upper switch: more than 15 integer digits after rounding.
      {999999999999999.0, "999999999999999"},
      {999999999999999.9, "1E15"},
      {1e15, "1E15"},
      {1234567890123456.123, "1.23456789012346E15"},
      {123456789012345678.0, "1.23456789012346E17"},
      {1.5e20, "1.5E20"},
      {1e100, "1E100"},
      {DBL_MAX, "1.79769313486232E308"},
      // Lower switch: below 0.0001.
      {0.0001, "0.0001"},
      {0.000442615029219009, "0.000442615029219009"},
      {0.0001 * 0.9999999, "9.999999E-5"},
      {0.00001, "1E-5"},
      {1e-7, "1E-7"},
      {-2.5e-10, "-2.5E-10"},
      {5e-324, "4.94065645841247E-324"},
      {kNan, "NAN"},
      {kInf, "INF"},
      {-kInf, "-INF"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(FloatToText(c.in), c.text) << c.text;
}

TEST(FloatToText, SeparatorIsAnArgument) {
  EXPECT_EQ(FloatToText(1.5, ','), "1,5");
  EXPECT_EQ(FloatToText(-0.25, ','), "-0,25");
  EXPECT_EQ(FloatToText(1.5e-7, ','), "1,5E-7");
  EXPECT_EQ(FloatToText(42.0, ','), "42");
}

TEST(FloatToText, ShortValuesReadBackExactly) {
  for (const double v : {0.1, -123.456, 1.5e20, 1e-7, 36.6, 65535.0, -273.15, 0.001953125, 1e15, 7e-5})
    EXPECT_EQ(ParseFloat(FloatToText(v)), v) << FloatToText(v);
}

TEST(FixedText, DecimalsAndRounding) {
  struct Case {
    double in;
    int decimals;
    const char *text;
  } cases[] = {
      {12.3456, 2, "12.35"},
      {2.0, 2, "2.00"},
      {-1.25, 1, "-1.2"},  // an exact tie goes to the even digit
      {0.125, 2, "0.12"},  // likewise
      {0.375, 2, "0.38"},  // likewise
      {2.5, 0, "2"},       // likewise
      {3.5, 0, "4"},       // likewise
      {1.005, 2, "1.00"},  // 1.005 is slightly below 1.005 in binary
      {-0.001, 2, "0.00"}, // no minus sign on a zero result
      {-0.0, 1, "0.0"},    // likewise
      {1e20, 2, "100000000000000000000.00"},
      {5.0, -3, "5"},                          // decimals below 0 are 0
      {1.0 / 3.0, 25, "0.333333333333333315"}, // and above 18 are 18
      {kNan, 2, "NAN"},
      {-kInf, 2, "-INF"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(FixedText(c.in, c.decimals), c.text) << c.text;
  EXPECT_EQ(FixedText(12.3456, 2, ','), "12,35");
}

TEST(Cut5, FirstFiveCharactersWithoutRounding) {
  EXPECT_EQ(Cut5("23.4567"), "23.45");
  EXPECT_EQ(Cut5("-12.345"), "-12.3");
  EXPECT_EQ(Cut5("1234.5"), "1234.");
  EXPECT_EQ(Cut5("7"), "7");
  EXPECT_EQ(Cut5(""), "");
}

TEST(RoundToSignificant, RoundsOnceOnTheExactValue) {
  EXPECT_EQ(RoundToSignificant(1234567.891, 7), 1234568.0);
  EXPECT_EQ(RoundToSignificant(0.0345, 1), 0.03);
  EXPECT_EQ(RoundToSignificant(-28.8286, 3), -28.8);
  EXPECT_EQ(RoundToSignificant(0.0, 7), 0.0);
  EXPECT_TRUE(std::isnan(RoundToSignificant(kNan, 7)));
  EXPECT_EQ(RoundToSignificant(kInf, 7), kInf);
}

// Labels round to the decimals they show, never cut: a label and a marker text of the same value
// read the same number.
TEST(TextInWidth, RoundsToTheDecimalsThatFit) {
  struct Case {
    double in;
    int maxDecimals;
    const char *fixed;
    const char *general;
  } cases[] = {
      {83.4274, 2, "83.43", "83.43"},    {28.8286, 2, "28.83", "28.83"},
      {83.398, 2, "83.40", "83.4"},      {23.4567, 15, "23.46", "23.46"},
      {-12.3456, 15, "-12.3", "-12.3"},  {123.456, 2, "123.5", "123.5"},
      {1234.5, 15, "1234", "1234"},                                 // an exact tie goes to the even digit
      {99.996, 2, "100.0", "100"},                                  // the carry makes the whole part longer
      {9.99999, 15, "10.00", "10"},      {-0.001, 15, "0.00", "0"}, // no minus sign on a zero result
      {0.5, 15, "0.500", "0.5"},         {36.6, 0, "37", "37"},
      {123456.7, 2, "123457", "123457"}, // a wide whole part is written whole
      {kNan, 2, "NAN", "NAN"},           {-kInf, 2, "-INF", "-INF"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(FixedTextInWidth(c.in, c.maxDecimals, 5), c.fixed) << c.in;
    EXPECT_EQ(GeneralTextInWidth(c.in, 5, c.maxDecimals), c.general) << c.in;
  }
  EXPECT_EQ(FixedTextInWidth(1.234, 2, 4), "1.23");
  EXPECT_EQ(GeneralTextInWidth(1.25, 5, 15, ','), "1,25");
}

TEST(ParseFloat, AcceptsStrictDecimalText) {
  struct Case {
    const char *text;
    char separator;
    double value;
  } cases[] = {
      {"1.5", '.', 1.5},
      {" -2.25 ", '.', -2.25},
      {"\t7\r\n", '.', 7.0},
      {"+3", '.', 3.0},
      {"1e3", '.', 1000.0},
      {"1E-2", '.', 0.01},
      {"2.5e+1", '.', 25.0},
      {".5", '.', 0.5},
      {"5.", '.', 5.0},
      {"007", '.', 7.0},
      {"1,5", ',', 1.5},
      {"-0,125e2", ',', -12.5},
      {"0.400000005960464", '.', 0.400000005960464},
      {"1e-400", '.', 0.0}, // below the smallest double: zero
      {"0.0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "000000000000000000000000000000000000001",
       '.', 0.0},
      {"1e-99999999999999999999999", '.', 0.0},
  };
  for (const auto &c : cases) {
    const auto v = ParseFloat(c.text, c.separator);
    ASSERT_TRUE(v) << c.text;
    EXPECT_EQ(*v, c.value) << c.text;
  }
  const auto tinyNegative = ParseFloat("-1e-400");
  ASSERT_TRUE(tinyNegative);
  EXPECT_TRUE(*tinyNegative == 0.0 && std::signbit(*tinyNegative));
}

TEST(ParseFloat, RefusesEverythingElse) {
  struct Case {
    const char *text;
    char separator;
  } cases[] = {
      {"", '.'},
      {"   ", '.'},
      {"1,5", '.'},
      {"1.5", ','},
      {"inf", '.'},
      {"INF", '.'},
      {"-inf", '.'},
      {"nan", '.'},
      {"NAN", '.'},
      {"infinity", '.'},
      {"0x1p3", '.'},
      {"0x10", '.'},
      {"1.5abc", '.'},
      {"1.5 2", '.'},
      {"1 000", '.'},
      {"1..5", '.'},
      {"1.2.3", '.'},
      {"e5", '.'},
      {"1e", '.'},
      {"1e+", '.'},
      {"1e5.5", '.'},
      {"--1", '.'},
      {"+-1", '.'},
      {"- 1", '.'},
      {".", '.'},
      {"-", '.'},
      {"1e400", '.'},
      {"-1e400", '.'},
      {"1e99999999999999999999", '.'},
      {"1.5f", '.'},
      {"1.5d", '.'},
  };
  for (const auto &c : cases)
    EXPECT_FALSE(ParseFloat(c.text, c.separator)) << '"' << c.text << "\" with '" << c.separator << "'";
}

TEST(ParseInteger, DecimalAndHexadecimal) {
  struct Case {
    const char *text;
    std::int64_t value;
  } cases[] = {
      {"0", 0},
      {"123", 123},
      {"-45", -45},
      {"+7", 7},
      {" 42 ", 42},
      {"007", 7},
      {"$FF", 255},
      {"$ff", 255},
      {"-$FF", -255},
      {"0x378", 888},
      {"0X378", 888},
      {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {"$7FFFFFFFFFFFFFFF", std::numeric_limits<std::int64_t>::max()},
      {"-0x8000000000000000", std::numeric_limits<std::int64_t>::min()},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ParseInteger(c.text), c.value) << c.text;
}

TEST(ParseInteger, RefusesMalformedAndOutOfRange) {
  for (const char *text : {"",
                           " ",
                           "+",
                           "-",
                           "$",
                           "0x",
                           "x378",
                           "0x 1",
                           "9223372036854775808",
                           "-9223372036854775809",
                           "$8000000000000000",
                           "99999999999999999999999",
                           "12a",
                           "1.5",
                           "1e3",
                           "--1",
                           "$-1",
                           "0x-1",
                           "-+1",
                           "+ 1",
                           "1 2",
                           "0b101",
                           "$G",
                           "0xFFG"})
    EXPECT_FALSE(ParseInteger(text)) << '"' << text << '"';
}

} // namespace
} // namespace calidarix
