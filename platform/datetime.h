#pragma once
// Dates and times as the program stores and shows them.
//
// - The packed DOS date-time of a file: date in the high word (year-1980 << 9 | month << 5 | day),
//   time in the low word (hour << 11 | minute << 5 | second / 2), in local time.
// - Day numbers: days since 1899-12-30 with the time of day as fraction. Before that day the
//   integer part counts backwards while the fraction still adds time of day (-1.25 is
//   1899-12-29 06:00).
// - One formatter for the program's own patterns, independent of the user's locale.
// - An injectable clock so that tests can fix "now".

#include <cstdint>
#include <optional>

#include <QDateTime>
#include <QString>

namespace calidarix {

// 1 January 2000, 00:00:00: the file date of a thermogram that was never read from a file.
inline constexpr std::uint32_t kDosDateTime2000 = 0x28210000;

// Packs a local date and time; odd seconds and milliseconds are dropped. Years before 1980 or after
// 2107 and invalid date-times have no DOS form: nullopt.
std::optional<std::uint32_t> PackDosDateTime(const QDateTime &localTime);

// Unpacks into a local date-time. Fields that name no real date or time (month 0 or 13, 30 February,
// hour 24, minute 60, second 60 or more) give nullopt.
std::optional<QDateTime> UnpackDosDateTime(std::uint32_t packed);

// The last-modified time of a file as a packed local DOS date-time; nullopt when the file does not
// exist or its time has no DOS form.
std::optional<std::uint32_t> FileDosDateTime(const QString &path);

// While one lives on a thread, FileDosDateTime of its path on that thread answers with the value taken
// when it was made, instead of asking the file system and the time zone again: for a job that reads
// one file many times (every frame of a film) and does not change it meanwhile.
class PinnedFileDosDateTime {
public:
  explicit PinnedFileDosDateTime(const QString &path);
  // Pins `value`, taken by FileDosDateTime on another thread: this thread then never asks the time zone.
  PinnedFileDosDateTime(const QString &path, std::optional<std::uint32_t> value);
  ~PinnedFileDosDateTime();
  PinnedFileDosDateTime(const PinnedFileDosDateTime &) = delete;
  PinnedFileDosDateTime &operator=(const PinnedFileDosDateTime &) = delete;

private:
  friend std::optional<std::uint32_t> FileDosDateTime(const QString &path);
  QString FPath;
  std::optional<std::uint32_t> FValue;
  PinnedFileDosDateTime *FOuter = nullptr;
};

// Day number of a local date-time (see above), exact to the millisecond.
double DateTimeToDayNumber(const QDateTime &localTime);

// Local date-time of a day number, rounded to the nearest millisecond. NaN, infinities and days
// outside the years 1 .. 9999 give an invalid QDateTime.
QDateTime DayNumberToDateTime(double dayNumber);

// Formats with the program's patterns: "yyyy" (four-digit year), "yy" (two-digit year), "mm" (month),
// "dd" (day), "hh" (hour 00-23), "nn" (minute), "ss" (second), "zzz" (millisecond); every other
// character is copied as it is. Specifiers match in either case. As in the patterns the program
// inherited, "mm" after an hour specifier (with only literal characters in between) is the minute:
// "hh_mm_ss" gives 09_05_07, "yy-mm-dd" gives 24-03-15. An invalid date-time gives an empty text.
QString FormatDateTime(const QString &pattern, const QDateTime &t);

// The current local date-time, or the fixed one a test has set.
QDateTime Now();
void SetClockForTests(const QDateTime &fixed);
void ResetClock();

} // namespace calidarix
