#include "analysis/value_entry.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(ValueEntryTest, WhatCountsAsANumber) {
  const std::pair<const char *, double> cases[] = {
      {"12.5", 12.5}, {" -3 ", -3.0},  {"1e3", 1000.0}, {"abc", 7.25},  {"", 7.25},     {"inf", 7.25},
      {"nan", 7.25},  {"1e400", 7.25}, {"1,5", 7.25},   {"0x10", 7.25}, {"2.5x", 7.25},
  };
  for (auto [typed, value] : cases)
    EXPECT_EQ(EntryValue(QString::fromLatin1(typed), QStringLiteral("7.25")), value) << typed;
  EXPECT_FALSE(EntryValue(QStringLiteral("abc"), QStringLiteral("")).has_value());
}

TEST(ValueEntryTest, FramesSumsAndAirTemperatures) {
  EXPECT_EQ(FrameFromEntry(0.0, 10), 1);
  EXPECT_EQ(FrameFromEntry(99.0, 10), 10);
  EXPECT_EQ(FrameFromEntry(4.9, 10), 4);
  EXPECT_EQ(FrameFromEntry(-1e300, 10), 1);
  EXPECT_EQ(SumCountFromEntry(8.7), 8);
  EXPECT_FALSE(SumCountFromEntry(0.99).has_value());
  EXPECT_FALSE(SumCountFromEntry(-5.0).has_value());
  const TAirTemperatures equal = AirTemperatures(20.0, 20.0);
  EXPECT_EQ(equal.In, 20.0);
  EXPECT_DOUBLE_EQ(equal.Out, 19.99);
  EXPECT_EQ(AirTemperatures(20.0, -5.0).Out, -5.0);
}

} // namespace
} // namespace calidarix
