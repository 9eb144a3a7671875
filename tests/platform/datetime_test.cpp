#include "platform/datetime.h"

#include "tests/support/test_support.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>

#include <QDir>
#include <QFile>
#include <QLocale>

namespace calidarix {
namespace {

QDateTime Local(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::LocalTime);
}

TEST(DosDateTime, KnownValuesPackAndUnpack) {
  struct Case {
    QDateTime t;
    std::uint32_t packed;
  } cases[] = {
      {Local(2000, 1, 1), 0x28210000},
      {Local(1980, 1, 1), 0x00210000},
      {Local(2024, 3, 15, 9, 5, 6), 0x586F48A3},
      {Local(2107, 12, 31, 23, 59, 58), 0xFF9FBF7D},
      {Local(2000, 2, 29, 12, 0, 0), 0x285D6000},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(PackDosDateTime(c.t), c.packed) << c.t.toString(Qt::ISODate).toStdString();
    const auto back = UnpackDosDateTime(c.packed);
    ASSERT_TRUE(back) << std::hex << c.packed;
    EXPECT_EQ(*back, c.t) << std::hex << c.packed;
  }
  EXPECT_EQ(kDosDateTime2000, 0x28210000u);
  EXPECT_EQ(UnpackDosDateTime(kDosDateTime2000), Local(2000, 1, 1));
}

TEST(DosDateTime, OddSecondsAndMillisecondsAreDropped) {
  EXPECT_EQ(PackDosDateTime(Local(2024, 3, 15, 9, 5, 7, 999)), 0x586F48A3u);
  EXPECT_EQ(UnpackDosDateTime(0x586F48A3), Local(2024, 3, 15, 9, 5, 6));
}

TEST(DosDateTime, DatesWithoutDosFormAreRefused) {
  EXPECT_FALSE(PackDosDateTime(Local(1979, 12, 31, 23, 59, 59)));
  EXPECT_FALSE(PackDosDateTime(Local(2108, 1, 1)));
  EXPECT_FALSE(PackDosDateTime(QDateTime()));
  // Fields that name no real date or time.
  for (const std::uint32_t packed :
       {0x00000000u, 0x28010000u /* month 0 */, 0x28200000u /* day 0 */, 0x29A10000u /* month 13 */,
        0x285E0000u /* 30 February 2000 */, 0x2A5D0000u /* 29 February 2001 */, 0x2821C000u /* 24:00 */,
        0x28210780u /* minute 60 */, 0x2821001Eu /* second 60 */})
    EXPECT_FALSE(UnpackDosDateTime(packed)) << std::hex << packed;
}

TEST(DosDateTime, RoundTripAcrossTheWholeRange) {
  // Hours from 4 on keep clear of daylight-saving gaps, where a local time does not exist.
  int checked = 0;
  for (QDate d(1980, 1, 1); d.year() <= 2107; d = d.addDays(37)) {
    const QDateTime t(d, QTime(4 + checked % 20, checked * 7 % 60, checked * 2 % 60), Qt::LocalTime);
    const auto packed = PackDosDateTime(t);
    ASSERT_TRUE(packed) << d.toString(Qt::ISODate).toStdString();
    EXPECT_EQ(UnpackDosDateTime(*packed), t);
    EXPECT_EQ(*packed >> 25, static_cast<std::uint32_t>(d.year() - 1980));
    ++checked;
  }
  EXPECT_GT(checked, 1200);
}

TEST(DosDateTime, FileLastModifiedTime) {
  test::TempDir dir;
  const QString path = QString::fromStdString(dir.file("a.dtv").string());
  test::WriteFile(dir.file("a.dtv"), {1, 2, 3});
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(Local(2021, 6, 1, 10, 20, 31), QFileDevice::FileModificationTime));
  file.close();
  EXPECT_EQ(FileDosDateTime(path), 0x52C1528Fu);

  EXPECT_FALSE(FileDosDateTime(QString::fromStdString(dir.file("missing.dtv").string())));
  EXPECT_FALSE(FileDosDateTime(QString::fromStdString(dir.path().string())));
}

TEST(DosDateTime, APinnedFileAnswersWithItsTimeWhenPinnedUntilThePinEnds) {
  test::TempDir dir;
  const QString pinned = QString::fromStdString(dir.file("film.dtv").string());
  const QString other = QString::fromStdString(dir.file("other.dtv").string());
  test::WriteFile(dir.file("film.dtv"), {1});
  test::WriteFile(dir.file("other.dtv"), {2});
  const auto touch = [](const QString &path, const QDateTime &t) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(t, QFileDevice::FileModificationTime));
  };
  touch(pinned, Local(2021, 6, 1, 10, 20, 31));
  touch(other, Local(2022, 1, 2, 8, 0, 0));
  {
    const PinnedFileDosDateTime pin(pinned);
    touch(pinned, Local(2023, 3, 4, 5, 6, 8));
    touch(other, Local(2022, 1, 2, 9, 0, 0));
    EXPECT_EQ(FileDosDateTime(pinned), 0x52C1528Fu);
    EXPECT_EQ(FileDosDateTime(other), PackDosDateTime(Local(2022, 1, 2, 9, 0, 0)));
  }
  EXPECT_EQ(FileDosDateTime(pinned), PackDosDateTime(Local(2023, 3, 4, 5, 6, 8)));
}

TEST(DayNumber, KnownDates) {
  struct Case {
    QDateTime t;
    double day;
  } cases[] = {
      {Local(1899, 12, 30), 0.0},      {Local(1899, 12, 30, 6), 0.25},    {Local(1900, 1, 1), 2.0},
      {Local(2000, 1, 1), 36526.0},    {Local(2000, 1, 1, 18), 36526.75}, {Local(2024, 3, 15, 12), 45366.5},
      {Local(1899, 12, 29, 6), -1.25}, {Local(1, 1, 1), -693593.0},       {Local(9999, 12, 31), 2958465.0},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(DateTimeToDayNumber(c.t), c.day) << c.t.toString(Qt::ISODate).toStdString();
    EXPECT_EQ(DayNumberToDateTime(c.day), c.t) << c.day;
  }
}

TEST(DayNumber, MillisecondsRoundTripAndRoundingCarriesIntoTheNextDay) {
  const QDateTime t = Local(2013, 7, 9, 12, 34, 56, 789);
  EXPECT_EQ(DayNumberToDateTime(DateTimeToDayNumber(t)), t);
  EXPECT_EQ(DayNumberToDateTime(36526.0 + 0.9999999999), Local(2000, 1, 2));
  EXPECT_EQ(DayNumberToDateTime(-1.9999999999), Local(1899, 12, 30));
}

TEST(DayNumber, ValuesWithoutADateGiveInvalid) {
  for (const double v : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                         -std::numeric_limits<double>::infinity(), 2958466.0, -693594.0, 1e300})
    EXPECT_FALSE(DayNumberToDateTime(v).isValid()) << v;
}

TEST(FormatDateTime, ProgramPatterns) {
  const QDateTime t = Local(2024, 3, 5, 9, 5, 7, 42);
  struct Case {
    const char *pattern, *text;
  } cases[] = {
      {"hh:nn:ss.zzz", "09:05:07.042"},
      {"yy-mm-dd", "24-03-05"},
      {"yyyy-mm-dd", "2024-03-05"},
      {"dd.mm.yyyy hh:nn", "05.03.2024 09:05"},
      {"mm", "03"},
      {"hh_mm_ss", "09_05_07"}, // minutes after an hour
      {"hh dd mm", "09 05 03"}, // another specifier in between: month again
      {"HH:NN:SS", "09:05:07"},
      {"UserLog_yymmdd", "UserLog_240305"},
      {"", ""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(FormatDateTime(QString::fromLatin1(c.pattern), t).toStdString(), c.text) << c.pattern;
  EXPECT_EQ(FormatDateTime("yy", Local(2009, 1, 1)), "09");
  EXPECT_TRUE(FormatDateTime("hh:nn", QDateTime()).isEmpty());
}

TEST(FormatDateTime, IgnoresTheUserLocale) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
  const QString text = FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", Local(2024, 3, 5, 9, 5, 7, 42));
  QLocale::setDefault(saved);
  EXPECT_EQ(text, "2024-03-05 09:05:07.042");
}

TEST(Clock, FixedForTestsUntilReset) {
  const QDateTime fixed = Local(2001, 2, 3, 4, 5, 6);
  SetClockForTests(fixed);
  EXPECT_EQ(Now(), fixed);
  EXPECT_EQ(Now(), fixed);
  ResetClock();
  const QDateTime now = Now();
  EXPECT_NE(now, fixed);
  EXPECT_LE(std::llabs(now.msecsTo(QDateTime::currentDateTime())), 5000);
}

} // namespace
} // namespace calidarix
