#include "mainwindow/metro_report.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <optional>

namespace calidarix {
namespace {

int Ms(int h, int m, int s, int ms = 0) {
  return ((h * 60 + m) * 60 + s) * 1000 + ms;
}

TEST(MetroReport, ParsesPickLines) {
  const auto pick = ParsePickLine(QStringLiteral("Time: 10:15:30.250 Pk: 12+345 Name: Sokol Line: 7"));
  ASSERT_TRUE(pick);
  EXPECT_EQ(pick->TimeMs, Ms(10, 15, 30, 250));
  EXPECT_EQ(pick->Picket, 12);
  EXPECT_EQ(pick->Metres, 345);
  EXPECT_EQ(pick->Name, QStringLiteral("Sokol"));
  EXPECT_EQ(pick->Line, 7);
  // A picket written with a leading zero lies before the zero point.
  const auto negative = ParsePickLine(QStringLiteral("T: 1:02:03 P: 012+5 N: x L: 3"));
  ASSERT_TRUE(negative);
  EXPECT_EQ(negative->Picket, -12);
  EXPECT_EQ(negative->TimeMs, Ms(1, 2, 3));
  EXPECT_EQ(ParsePickLine(QStringLiteral("T: 1:02:03.5 P: 1+5 N: x L: 3"))->TimeMs, Ms(1, 2, 3, 500));
}

TEST(MetroReport, MalformedPickLinesAreRefused) {
  for (const char *line :
       {"", "Time: 10:15:30 Pk: 12+345 Name: Sokol", "Time: 10:15 Pk: 12+345 Name: S Line: 7",
        "Time: 25:00:00 Pk: 12+345 Name: S Line: 7", "Time: 10:15:30 Pk: 12-345 Name: S Line: 7",
        "Time: 10:15:30 Pk: a+1 Name: S Line: 7", "Time: 10:15:30 Pk: 1+1 Name: S Line: seven",
        "Time:10:15:30 Pk:1+1 Name:S Line:7"})
    EXPECT_FALSE(ParsePickLine(QString::fromUtf8(line))) << line;
}

QString Line(int h, int m, int s, int picket) {
  return QStringLiteral("Time: %1:%2:%3.000 Pk: %4+10 Name: N Line: 1")
      .arg(h)
      .arg(m, 2, 10, QLatin1Char('0'))
      .arg(s, 2, 10, QLatin1Char('0'))
      .arg(picket);
}

TEST(MetroReport, EachFrameGetsTheLastPickNotLaterThanItself) {
  TPickTrack track(
      {Line(10, 0, 0, 1), QString(), Line(10, 0, 10, 2), Line(10, 0, 20, 3), Line(10, 0, 30, 4)});
  const struct {
    int time;
    std::optional<int> picket;
  } frames[] = {
      {Ms(9, 59, 59), std::nullopt}, // before the first pick
      {Ms(10, 0, 0), 1},
      {Ms(10, 0, 5), 1},
      {Ms(10, 0, 10), 1}, // a pick exactly at the frame: the earlier one is shown, as before
      {Ms(10, 0, 11), 2},
      {Ms(10, 0, 25), 3},
      {Ms(10, 0, 30), 3},
      {Ms(10, 0, 31), std::nullopt}, // after the last pick
  };
  for (const auto &f : frames) {
    const std::optional<TPickLine> pick = track.PickFor(f.time);
    EXPECT_EQ(pick.has_value(), f.picket.has_value()) << f.time;
    if (pick && f.picket) {
      EXPECT_EQ(pick->Picket, *f.picket) << f.time;
    }
  }
}

TEST(MetroReport, AMalformedLineGivesNoDataToTheFramesItCovers) {
  TPickTrack track(
      {Line(10, 0, 0, 1), QStringLiteral("Time: garbage"), Line(10, 0, 20, 3), Line(10, 0, 30, 4)});
  // The frames between the readable picks around the broken line cannot be placed: no data, and the
  // export goes on.
  EXPECT_FALSE(track.PickFor(Ms(10, 0, 5)));
  EXPECT_FALSE(track.PickFor(Ms(10, 0, 15)));
  EXPECT_EQ(track.PickFor(Ms(10, 0, 25))->Picket, 3);
}

TEST(MetroReport, NoLinesNoData) {
  TPickTrack none;
  EXPECT_FALSE(none.PickFor(Ms(10, 0, 0)));
  TPickTrack one({Line(10, 0, 0, 1)});
  EXPECT_FALSE(one.PickFor(Ms(10, 0, 0)));
}

TEST(MetroReport, PickFileIsReadWholeWithEitherLineEnd) {
  test::TempDir dir;
  for (const char *end : {"\n", "\r\n"}) {
    test::WriteText(dir.file("metropick.txt"), std::string("Time: 10:00:00.000 Pk: 1+2 Name: A Line: 1") +
                                                   end + end + "Time: 10:01:00.000 Pk: 3+4 Name: B Line: 2" +
                                                   end);
    TPickTrack track = ReadPickTrack(test::QPath(dir.file("metropick.txt")));
    const std::optional<TPickLine> pick = track.PickFor(Ms(10, 0, 30));
    ASSERT_TRUE(pick) << end;
    EXPECT_EQ(pick->Name, QStringLiteral("A"));
    EXPECT_EQ(pick->Line, 1);
  }
  TPickTrack missing = ReadPickTrack(test::QPath(dir.file("none.txt")));
  EXPECT_FALSE(missing.PickFor(Ms(10, 0, 30)));
}

TEST(MetroReport, StripTexts) {
  TMetroFrame frame;
  frame.TimeText = QStringLiteral("10:15:30");
  frame.DateText = QStringLiteral("11.12.2013");
  frame.FrameIndex = 42;
  frame.MaxTemp = 36.66;
  frame.MinTemp = -4.04;
  frame.AvgTemp = 20.0;
  std::array<QString, 8> texts = MetroStripTexts(frame);
  EXPECT_EQ(texts[0], QStringLiteral("10:15:30"));
  EXPECT_EQ(texts[1], QStringLiteral("11.12.2013"));
  EXPECT_EQ(texts[2], QStringLiteral("Кадр :00042 Пикет: нет данных"));
  EXPECT_EQ(texts[3], QStringLiteral("Линия: нет данных"));
  EXPECT_EQ(texts[4], QStringLiteral("Тмакс:36.7°C"));
  EXPECT_EQ(texts[5], QStringLiteral("Тмин :-4.0°C"));
  EXPECT_EQ(texts[6], QStringLiteral("Твозд :20.0°C"));
  EXPECT_EQ(texts[7], QStringLiteral("Дельта:16.7°C"));
  frame.Pick = TPickLine{0, -12, 345, QStringLiteral("Sokol"), 7};
  texts = MetroStripTexts(frame);
  EXPECT_EQ(texts[2], QStringLiteral("Кадр :00042 Пикет:-12 пк +345 м"));
  EXPECT_EQ(texts[3], QStringLiteral("Линия:(7)Sokol"));
}

TEST(MetroReport, PictureGrowsByABlackStripWhoseTextsDoNotRunIntoEachOther) {
  QImage snapshot(576, 434, QImage::Format_RGB32);
  snapshot.fill(Qt::red);
  TMetroFrame frame;
  frame.FrameIndex = 12345;
  frame.Pick = TPickLine{0, -123456, 987654, QStringLiteral("Sokolniki-depot"), 12345};
  const QImage picture = MetroReportPicture(snapshot, frame);
  ASSERT_EQ(picture.size(), QSize(576, 468));
  EXPECT_EQ(picture.pixel(10, 10), qRgb(255, 0, 0));
  EXPECT_EQ(picture.pixel(575, 467), qRgb(0, 0, 0));
  const auto lit = [&](int x0, int x1) {
    for (int y = 434; y < 468; ++y)
      for (int x = x0; x < x1; ++x)
        if (qGray(picture.pixel(x, y)) > 100)
          return true;
    return false;
  };
  EXPECT_TRUE(lit(128, 200));              // the frame and picket texts
  EXPECT_TRUE(lit(576 - 256, 576 - 200));  // the temperatures
  EXPECT_FALSE(lit(576 - 259, 576 - 256)); // a gap between them
  EXPECT_TRUE(MetroReportPicture(QImage(), TMetroFrame{}).isNull());
}

} // namespace
} // namespace calidarix
