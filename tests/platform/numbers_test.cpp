#include "platform/numbers.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace calidarix {
namespace {

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
  struct Case {
    double in, out;
  } cases[] = {{0.5, 0.0}, {1.5, 2.0}, {2.5, 2.0}, {3.5, 4.0}, {-0.5, -0.0}, {-1.5, -2.0},
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

} // namespace
} // namespace calidarix
