#include "mainwindow/frame_selection.h"

#include <gtest/gtest.h>

#include <vector>

namespace calidarix {
namespace {

TFramesChoice Choice(TFramesOption option, const char *a = "", const char *b = "") {
  TFramesChoice c;
  c.Option = option;
  switch (option) {
  case TFramesOption::Numbers:
    c.NumbersFrom = QString::fromUtf8(a);
    c.NumbersTo = QString::fromUtf8(b);
    break;
  case TFramesOption::FramesList:
    c.FramesList = QString::fromUtf8(a);
    break;
  case TFramesOption::Every:
    c.EveryStep = QString::fromUtf8(a);
    c.EveryFrom = QString::fromUtf8(b);
    break;
  default:
    break;
  }
  return c;
}

struct SelectionCase {
  const char *what;
  TFramesChoice choice;
  int frameCount;
  int current;
  TReversedRange reversed;
  std::vector<int> frames;
};

TEST(FrameSelection, SelectsTheFramesOfEachOption) {
  using O = TFramesOption;
  const auto last = TReversedRange::TakeLast;
  const auto first = TReversedRange::TakeFirst;
  const SelectionCase cases[] = {
      {"all", Choice(O::All), 5, 3, last, {1, 2, 3, 4, 5}},
      {"current", Choice(O::Current), 12, 7, last, {7}},
      {"current beyond the film is clamped", Choice(O::Current), 4, 9, last, {4}},
      {"range", Choice(O::Numbers, "2", "4"), 12, 1, last, {2, 3, 4}},
      {"backwards range, export takes the last number", Choice(O::Numbers, "9", "3"), 12, 1, last, {3}},
      {"backwards range, Save As takes the first number", Choice(O::Numbers, "5", "3"), 10, 1, first, {5}},
      {"range clamped into the film",
       Choice(O::Numbers, "0", "999"),
       12,
       1,
       last,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {"range with blanks", Choice(O::Numbers, " 3 ", "4 "), 12, 1, last, {3, 4}},
      {"every 5 from 2", Choice(O::Every, "5", "2"), 12, 1, last, {2, 7, 12}},
      {"every 2 from 1", Choice(O::Every, "2", "1"), 10, 1, first, {1, 3, 5, 7, 9}},
      {"every 1 from 1", Choice(O::Every, "1", "1"), 10, 1, first, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"every from beyond the film starts at the last frame",
       Choice(O::Every, "3", "40"),
       10,
       1,
       first,
       {10}},
      {"list", Choice(O::FramesList, "1-3,7"), 12, 1, last, {1, 2, 3, 7}},
      {"list sorted, duplicates once", Choice(O::FramesList, "9, 2-3 ,3"), 12, 1, last, {2, 3, 9}},
      {"list range clamped", Choice(O::FramesList, "10-99"), 12, 1, last, {10, 11, 12}},
      {"list range backwards", Choice(O::FramesList, "4-2"), 12, 1, last, {2, 3, 4}},
      {"list item beyond the film dropped", Choice(O::FramesList, "2;40"), 12, 1, last, {2}},
  };
  for (const SelectionCase &c : cases) {
    const TFrameSelection s = SelectFilmFrames(c.choice, c.frameCount, c.current, c.reversed);
    EXPECT_TRUE(s.Ok()) << c.what << ": " << s.Error.toStdString();
    EXPECT_EQ(s.Frames, c.frames) << c.what;
  }
}

TEST(FrameSelection, RefusesBadInputWithAMessageThatNamesIt) {
  using O = TFramesOption;
  const struct {
    TFramesChoice choice;
    int frameCount;
    const char *mentions;
  } cases[] = {
      {Choice(O::Every, "0", "1"), 10, "at least 1"}, {Choice(O::Every, "-2", "1"), 10, "at least 1"},
      {Choice(O::Every, "", "1"), 10, "Every"},       {Choice(O::Every, "2", ""), 10, "from"},
      {Choice(O::Every, "2x", "1"), 10, "2x"},        {Choice(O::Numbers, "a", "4"), 10, "\"a\""},
      {Choice(O::Numbers, "1", "4.5"), 10, "4.5"},    {Choice(O::Numbers, "", "4"), 10, "Frames from"},
      {Choice(O::FramesList, "1-x"), 10, "1-x"},      {Choice(O::FramesList, " , "), 10, "Frames"},
      {Choice(O::FramesList, "20-30"), 10, "20-30"},  {Choice(O::All), 0, "no frames"},
  };
  for (const auto &c : cases) {
    const TFrameSelection s = SelectFilmFrames(c.choice, c.frameCount, 1, TReversedRange::TakeLast);
    EXPECT_FALSE(s.Ok()) << c.mentions;
    EXPECT_TRUE(s.Frames.empty()) << c.mentions;
    EXPECT_TRUE(s.Error.contains(QString::fromUtf8(c.mentions))) << s.Error.toStdString();
  }
}

TEST(FrameSelection, HugeNumbersAreClampedNotOverflowed) {
  TFramesChoice c = Choice(TFramesOption::Numbers, "99999999999999999999", "-99999999999999999999");
  EXPECT_EQ(SelectFilmFrames(c, 3, 1, TReversedRange::TakeLast).Frames, std::vector<int>{1});
  c = Choice(TFramesOption::Every, "2147483647", "1");
  EXPECT_EQ(SelectFilmFrames(c, 65535, 1, TReversedRange::TakeLast).Frames, std::vector<int>{1});
}

} // namespace
} // namespace calidarix
