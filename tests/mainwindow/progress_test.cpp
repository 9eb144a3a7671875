#include "mainwindow/progress.h"

#include <climits>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(ProgressCaption, PercentOfTheRangeTruncatedTowardZero) {
  struct Case {
    const char *prefix;
    int position, minimum, maximum;
    const char *expected;
  } cases[] = {
      {"Film processing", 37, 0, 100, "Film processing: 37%"},
      {"", 250, 0, 1000, "Progress: 25%"},
      {"", 150, 0, 100, "Progress: 150%"},
      {"", -5, 0, 100, "Progress: -5%"},
      {"", 199, 0, 200, "Progress: 99%"},
      {"", -1, 0, 200, "Progress: 0%"},
      {"", 10, 0, 0, "Progress: 0%"},
      {"", INT_MAX, 0, 1, "Progress: 2147483647%"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ProgressCaption(c.prefix, c.position, c.minimum, c.maximum), c.expected) << c.expected;
}

} // namespace
} // namespace calidarix
