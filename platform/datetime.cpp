#include "platform/datetime.h"

#include "platform/numbers.h"

#include <cmath>
#include <mutex>

#include <QFileInfo>

namespace calidarix {

namespace {

constexpr qint64 kMsecsPerDay = 86400000;
const QDate kDayZero(1899, 12, 30);

// Days of 0001-01-01 and 9999-12-31 relative to the day zero.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958465.0;

std::mutex clockMutex;
std::optional<QDateTime> fixedClock;

QString Padded(int value, int width) {
  return QString::number(value).rightJustified(width, u'0');
}

bool StartsWithToken(const QString &pattern, qsizetype pos, QLatin1StringView token) {
  return pattern.mid(pos, token.size()).compare(token, Qt::CaseInsensitive) == 0;
}

} // namespace

std::optional<std::uint32_t> PackDosDateTime(const QDateTime &localTime) {
  if (!localTime.isValid())
    return std::nullopt;
  const QDateTime t = localTime.toLocalTime();
  const QDate d = t.date();
  const QTime tm = t.time();
  if (d.year() < 1980 || d.year() > 1980 + 127)
    return std::nullopt;
  const std::uint32_t date = static_cast<std::uint32_t>((d.year() - 1980) << 9 | d.month() << 5 | d.day());
  const std::uint32_t time = static_cast<std::uint32_t>(tm.hour() << 11 | tm.minute() << 5 | tm.second() / 2);
  return date << 16 | time;
}

std::optional<QDateTime> UnpackDosDateTime(std::uint32_t packed) {
  const std::uint32_t date = packed >> 16;
  const std::uint32_t time = packed & 0xFFFF;
  const int year = 1980 + static_cast<int>(date >> 9);
  const int month = static_cast<int>(date >> 5 & 0x0F);
  const int day = static_cast<int>(date & 0x1F);
  const int hour = static_cast<int>(time >> 11);
  const int minute = static_cast<int>(time >> 5 & 0x3F);
  const int second = static_cast<int>(time & 0x1F) * 2;
  if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second))
    return std::nullopt;
  return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::LocalTime);
}

namespace {
thread_local PinnedFileDosDateTime *pinnedFileDate = nullptr;

std::optional<std::uint32_t> FileDosDateTimeNow(const QString &path) {
  const QFileInfo info(path);
  if (!info.isFile())
    return std::nullopt;
  return PackDosDateTime(info.lastModified().toLocalTime());
}
} // namespace

PinnedFileDosDateTime::PinnedFileDosDateTime(const QString &path)
    : PinnedFileDosDateTime(path, FileDosDateTimeNow(path)) {}

PinnedFileDosDateTime::PinnedFileDosDateTime(const QString &path, std::optional<std::uint32_t> value)
    : FPath(path), FValue(value), FOuter(pinnedFileDate) {
  pinnedFileDate = this;
}

PinnedFileDosDateTime::~PinnedFileDosDateTime() {
  pinnedFileDate = FOuter;
}

std::optional<std::uint32_t> FileDosDateTime(const QString &path) {
  if (pinnedFileDate && pinnedFileDate->FPath == path)
    return pinnedFileDate->FValue;
  return FileDosDateTimeNow(path);
}

double DateTimeToDayNumber(const QDateTime &localTime) {
  const QDateTime t = localTime.toLocalTime();
  const double days = static_cast<double>(kDayZero.daysTo(t.date()));
  const double fraction = static_cast<double>(t.time().msecsSinceStartOfDay()) / kMsecsPerDay;
  return days >= 0 ? days + fraction : days - fraction;
}

QDateTime DayNumberToDateTime(double dayNumber) {
  if (!std::isfinite(dayNumber) || dayNumber <= kFirstDay - 1.0 || dayNumber >= kLastDay + 1.0)
    return {};
  const double whole = std::trunc(dayNumber);
  const qint64 msecs = RoundToInt64(std::fabs(dayNumber - whole) * kMsecsPerDay);
  // The fraction always adds time of day, so a rounding up to midnight moves to the next calendar day.
  QDate date = kDayZero.addDays(TruncToInt64(whole));
  QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs % kMsecsPerDay));
  if (msecs >= kMsecsPerDay)
    date = date.addDays(1);
  if (!date.isValid() || date.year() < 1 || date.year() > 9999)
    return {};
  return QDateTime(date, time, Qt::LocalTime);
}

QString FormatDateTime(const QString &pattern, const QDateTime &t) {
  if (!t.isValid())
    return {};
  const QDate d = t.date();
  const QTime tm = t.time();
  QString out;
  bool afterHour = false;
  qsizetype i = 0;
  while (i < pattern.size()) {
    auto take = [&](QLatin1StringView token) {
      if (!StartsWithToken(pattern, i, token))
        return false;
      i += token.size();
      return true;
    };
    if (take(QLatin1StringView("yyyy"))) {
      out += Padded(d.year(), 4);
      afterHour = false;
    } else if (take(QLatin1StringView("yy"))) {
      out += Padded(d.year() % 100, 2);
      afterHour = false;
    } else if (take(QLatin1StringView("mm"))) {
      out += Padded(afterHour ? tm.minute() : d.month(), 2);
      afterHour = false;
    } else if (take(QLatin1StringView("dd"))) {
      out += Padded(d.day(), 2);
      afterHour = false;
    } else if (take(QLatin1StringView("hh"))) {
      out += Padded(tm.hour(), 2);
      afterHour = true;
    } else if (take(QLatin1StringView("nn"))) {
      out += Padded(tm.minute(), 2);
      afterHour = false;
    } else if (take(QLatin1StringView("ss"))) {
      out += Padded(tm.second(), 2);
      afterHour = false;
    } else if (take(QLatin1StringView("zzz"))) {
      out += Padded(tm.msec(), 3);
      afterHour = false;
    } else {
      out += pattern[i];
      ++i;
    }
  }
  return out;
}

QDateTime Now() {
  const std::lock_guard lock(clockMutex);
  return fixedClock ? *fixedClock : QDateTime::currentDateTime();
}

void SetClockForTests(const QDateTime &fixed) {
  const std::lock_guard lock(clockMutex);
  fixedClock = fixed;
}

void ResetClock() {
  const std::lock_guard lock(clockMutex);
  fixedClock.reset();
}

} // namespace calidarix
