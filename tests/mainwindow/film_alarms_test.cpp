#include "mainwindow/film_alarms.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

std::vector<TFilmProcessTable> Rows(const std::vector<std::pair<float, float>> &minMax) {
  std::vector<TFilmProcessTable> rows;
  for (const auto &[lo, hi] : minMax) {
    TFilmProcessTable row;
    row.FrameNo = static_cast<int>(rows.size()) + 1;
    row.MinTemp = lo;
    row.MaxTemp = hi;
    rows.push_back(row);
  }
  return rows;
}

TEST(FilmAlarms, ALowerAlarmOfTwentyAndTheFramesBelowIt) {
  const auto table = Rows({{19.9f, 30}, {20.0f, 30}, {25.0f, 30}, {18.0f, 30}, {20.1f, 30}});
  const TFilmAlarms alarms{20.0, 0.0, true, false};
  EXPECT_EQ(FilteredFilmRows(table, kFilterBelowMin, alarms), (std::vector<int>{0, 3}));
  EXPECT_EQ(FilteredFilmRows(table, kFilterAll, alarms), (std::vector<int>{0, 3}));
  EXPECT_TRUE(FilteredFilmRows(table, kFilterAboveMax, alarms).empty()); // that alarm is out of force
  EXPECT_EQ(FilteredFilmRows(table, kFilterNone, alarms).size(), 5u);
  const TFilmAlarmCounts counts = CountFilmAlarms(table, alarms);
  EXPECT_EQ(counts.Frames, 5);
  EXPECT_EQ(counts.MinAlarms, 2);
  EXPECT_EQ(counts.Alarms, 2);
  EXPECT_EQ(counts.MaxAlarms, 0);
}

TEST(FilmAlarms, BothAlarmsCountOnceInAllAndUnattendedCountsEveryAlarmFrame) {
  auto table = Rows({{10, 50}, {15, 45}, {30, 31}, {12, 32}});
  const TFilmAlarms alarms{14.0, 40.0, true, true};
  table[3].Viewed = 1;
  const TFilmAlarmCounts counts = CountFilmAlarms(table, alarms);
  EXPECT_EQ(counts.MinAlarms, 2);  // frames 1 and 4
  EXPECT_EQ(counts.MaxAlarms, 2);  // frames 1 and 2
  EXPECT_EQ(counts.Alarms, 3);     // frame 1 breaks both and counts once
  EXPECT_EQ(counts.Unattended, 2); // frame 4 was shown
  EXPECT_EQ(FilteredFilmRows(table, kFilterAboveMax, alarms), (std::vector<int>{0, 1}));
  // A temperature equal to the alarm breaks nothing; a single compares with the double as it is.
  const auto edge = Rows({{14.0f, 40.0f}});
  EXPECT_EQ(CountFilmAlarms(edge, alarms).Alarms, 0);
  // The single 19.9f lies just below the double 19.9: the comparison takes the stored value as it is.
  EXPECT_EQ(CountFilmAlarms(Rows({{19.9f, 0}}), TFilmAlarms{19.9, 0, true, false}).MinAlarms, 1);
}

TEST(FilmAlarms, FilterEntriesAndCheckBoxesFollowEachOther) {
  EXPECT_EQ(FilterForChecks(false, false), kFilterNone);
  EXPECT_EQ(FilterForChecks(true, false), kFilterBelowMin);
  EXPECT_EQ(FilterForChecks(false, true), kFilterAboveMax);
  EXPECT_EQ(FilterForChecks(true, true), kFilterAll);
  struct Case {
    int filter;
    TAlarmChecks before, after;
  } cases[] = {
      {kFilterNone, {true, true}, {false, false}},    {kFilterBelowMin, {false, true}, {true, true}},
      {kFilterBelowMin, {true, true}, {true, true}},  {kFilterBelowMin, {false, false}, {true, false}},
      {kFilterAboveMax, {true, false}, {true, true}}, {kFilterAll, {false, false}, {true, true}},
  };
  for (const Case &c : cases) {
    const TAlarmChecks got = ChecksForFilter(c.filter, c.before);
    EXPECT_EQ(got.Min, c.after.Min) << c.filter;
    EXPECT_EQ(got.Max, c.after.Max) << c.filter;
  }
}

TEST(FilmAlarms, TextsAndKeys) {
  EXPECT_EQ(FilmRouteText(12, 40), "12пк+40м");
  EXPECT_EQ(FilmRouteText(-3, 5), "-3пк+5м");
  EXPECT_EQ(FilmTemperatureText(23.46f), "23.5");
  EXPECT_EQ(FilmTemperatureText(-0.04f), "0.0");
  EXPECT_EQ(FilmTemperatureText(-12.0f), "-12.0");
  for (QChar c : QStringLiteral("0123456789-.\b"))
    EXPECT_TRUE(AlarmKeyAllowed(c)) << int{c.unicode()};
  for (QChar c : QStringLiteral(",e+ a"))
    EXPECT_FALSE(AlarmKeyAllowed(c)) << int{c.unicode()};
  EXPECT_EQ(ParseAlarmText("-12.5"), -12.5);
  EXPECT_FALSE(ParseAlarmText("1-2"));
  EXPECT_FALSE(ParseAlarmText("."));
  EXPECT_FALSE(ParseAlarmText(""));
}

TEST(FilmAlarms, BarPositionsAreClampedToTheCellAndNeedARange) {
  EXPECT_EQ(TemperatureBarX(25.0, 20.0, 30.0, 100, 356), 228);
  EXPECT_EQ(TemperatureBarX(20.0, 20.0, 30.0, 100, 356), 100);
  EXPECT_EQ(TemperatureBarX(-50.0, 20.0, 30.0, 100, 356), 100);
  EXPECT_EQ(TemperatureBarX(500.0, 20.0, 30.0, 100, 356), 356);
  EXPECT_FALSE(TemperatureBarX(25.0, 30.0, 30.0, 100, 356));
  EXPECT_FALSE(TemperatureBarX(25.0, 31.0, 30.0, 100, 356));
}

} // namespace
} // namespace calidarix
