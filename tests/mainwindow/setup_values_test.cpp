#include "mainwindow/setup_values.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

SetupTexts Valid() {
  return SetupTexts{"9999", "0", "4", "20", "36", "0"};
}

TEST(SetupValuesTest, OpeningTextsAreDecimalAndShortest) {
  SetupNumbers v;
  v.FilmFrames = 120;
  v.FrameTime = 40;
  v.SumCount = 8;
  v.FixedMin = 20.5;
  v.FixedMax = 0.1;
  v.FLimit = -3.25;
  const SetupTexts t = SetupTextsFor(v);
  EXPECT_EQ(t.FilmFrames, "120");
  EXPECT_EQ(t.FrameTime, "40");
  EXPECT_EQ(t.SumCount, "8");
  EXPECT_EQ(t.FixedMin, "20.5");
  EXPECT_EQ(t.FixedMax, "0.1");
  EXPECT_EQ(t.Limit, "-3.25");
}

TEST(SetupValuesTest, FixedRangeIsOrderedAndLimitSwitchesTheAlarm) {
  const struct {
    const char *min, *max, *limit;
    double wantMin, wantMax;
    bool alarm;
  } cases[] = {
      {"30", "30", "0", 30.0, 31.0, false},   // equal bounds: one degree wide
      {"40", "25", "45.5", 25.0, 40.0, true}, // reversed bounds are swapped
      {"-10", "5.5", "-1", -10.0, 5.5, true},
      {" 1e1 ", "2E1", "0.0", 10.0, 20.0, false},
  };
  for (const auto &c : cases) {
    SetupTexts t = Valid();
    t.FixedMin = c.min;
    t.FixedMax = c.max;
    t.Limit = c.limit;
    const SetupCheck check = CheckSetupTexts(t);
    ASSERT_TRUE(check.Values) << c.min << " " << c.max << ": " << check.Error.toStdString();
    EXPECT_EQ(check.Values->FixedMin, c.wantMin) << c.min;
    EXPECT_EQ(check.Values->FixedMax, c.wantMax) << c.max;
    EXPECT_EQ(check.Values->FLimitOn, c.alarm) << c.limit;
  }
}

TEST(SetupValuesTest, IntegersAreTakenAsTyped) {
  SetupTexts t = Valid();
  t.FilmFrames = "65535";
  t.FrameTime = "250";
  t.SumCount = "1";
  const SetupCheck check = CheckSetupTexts(t);
  ASSERT_TRUE(check.Values);
  EXPECT_EQ(check.Values->FilmFrames, 65535);
  EXPECT_EQ(check.Values->FrameTime, 250);
  EXPECT_EQ(check.Values->SumCount, 1);
  // No limit to the film's length.
  t.FilmFrames = "0";
  const SetupCheck unlimited = CheckSetupTexts(t);
  ASSERT_TRUE(unlimited.Values);
  EXPECT_EQ(unlimited.Values->FilmFrames, 0);
}

// Every bad field is refused, named, and nothing is handed back, whatever the other fields hold.
TEST(SetupValuesTest, BadFieldsAreRefusedAndNamed) {
  const struct {
    SetupField field;
    const char *text;
    const char *error;
  } cases[] = {
      {SetupField::FilmFrames, "", "'' is not a valid integer value"},
      {SetupField::FilmFrames, "12a", "'12a' is not a valid integer value"},
      {SetupField::FilmFrames, "-1", "-1 is not between 0 and 65535"},
      {SetupField::FilmFrames, "65536", "65536 is not between 0 and 65535"},
      {SetupField::FrameTime, "-1", "-1 is below 0"},
      {SetupField::FrameTime, "3000000000", "'3000000000' is not a valid integer value"},
      {SetupField::SumCount, "0", "0 is below 1"},
      {SetupField::SumCount, "-4", "-4 is below 1"},
      {SetupField::SumCount, "2.5", "'2.5' is not a valid integer value"},
      {SetupField::FixedMin, "abc", "'abc' is not a valid floating point value"},
      {SetupField::FixedMin, "inf", "'inf' is not a valid floating point value"},
      {SetupField::FixedMax, "nan", "'nan' is not a valid floating point value"},
      {SetupField::FixedMax, "1e999", "'1e999' is not a valid floating point value"},
      {SetupField::Limit, "20,5", "'20,5' is not a valid floating point value"},
      {SetupField::Limit, "", "'' is not a valid floating point value"},
  };
  for (const auto &c : cases) {
    SetupTexts t = Valid();
    QString *fields[] = {&t.FilmFrames, &t.FrameTime, &t.SumCount, &t.FixedMin, &t.FixedMax, &t.Limit};
    *fields[static_cast<int>(c.field)] = QString::fromLatin1(c.text);
    const SetupCheck check = CheckSetupTexts(t);
    EXPECT_FALSE(check.Values) << c.text;
    EXPECT_EQ(check.Field, c.field) << c.text;
    EXPECT_EQ(check.Error.toStdString(), c.error);
  }
}

TEST(SetupValuesTest, FirstBadFieldIsNamed) {
  SetupTexts t = Valid();
  t.SumCount = "0";
  t.Limit = "x";
  EXPECT_EQ(CheckSetupTexts(t).Field, SetupField::SumCount);
}

TEST(SetupValuesTest, RangeThatStaysEmptyIsRefused) {
  SetupTexts t = Valid();
  t.FixedMin = "1e300";
  t.FixedMax = "1e300"; // adding 1 changes nothing at this size
  const SetupCheck check = CheckSetupTexts(t);
  EXPECT_FALSE(check.Values);
  EXPECT_EQ(check.Field, SetupField::FixedMax);
}

TEST(SetupValuesTest, UpAndDownPanelsStepTheFixedLevel) {
  const struct {
    const char *text;
    int tag;
    const char *result;
  } cases[] = {
      {"0.50", 2, "0.50"},   {"1.00", 2, "0.00"}, {"not a number", 1, "5.00"}, {"", 2, "3.00"},
      {"36.55", 1, "37.55"}, {"-3", 1, "-2.00"},  {"0.99", 2, "0.99"},         {"7", 3, "7"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(FixedLevelStep(QString::fromLatin1(c.text), c.tag).toStdString(), c.result)
        << c.text << " tag " << c.tag;
}

} // namespace
} // namespace calidarix
