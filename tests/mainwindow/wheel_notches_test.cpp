#include "mainwindow/wheel_notches.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace calidarix {
namespace {

TEST(WheelNotches, PartsAddUpToWholeNotches) {
  struct Case {
    const char *name;
    std::vector<int> deltas;
    std::vector<int> notches; // returned after each report
  };
  const Case cases[] = {
      {"classic wheel", {120, 120, -120}, {1, 1, -1}},
      {"high-resolution wheel", {15, 15, 15, 15, 15, 15, 15, 15}, {0, 0, 0, 0, 0, 0, 0, 1}},
      {"fast turn", {360, -240}, {3, -2}},
      {"rest carried", {100, 100, 100}, {0, 1, 1}},
      {"turned back: the rest is dropped", {90, -90, -30}, {0, 0, -1}},
      {"zero report", {60, 0, 60}, {0, 0, 1}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TWheelNotches wheel;
    std::vector<int> got;
    for (int delta : c.deltas)
      got.push_back(wheel.Add(delta, 0));
    EXPECT_EQ(got, c.notches);
  }
}

TEST(WheelNotches, OtherKeysOrAResetStartAfresh) {
  TWheelNotches wheel;
  EXPECT_EQ(wheel.Add(90, 0), 0);
  EXPECT_EQ(wheel.Add(90, 8 /* Ctrl */), 0) << "the stepping rest is not a zoom";
  EXPECT_EQ(wheel.Add(30, 8), 1);
  EXPECT_EQ(wheel.Add(100, 8), 0);
  wheel.Reset();
  EXPECT_EQ(wheel.Add(100, 8), 0);
  // Absurd reports are bounded, never overflow.
  EXPECT_EQ(wheel.Add(INT_MAX, 0), 1000);
  EXPECT_EQ(wheel.Add(INT_MIN, 0), -1000);
}

} // namespace
} // namespace calidarix
