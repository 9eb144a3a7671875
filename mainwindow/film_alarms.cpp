#include "mainwindow/film_alarms.h"

#include "platform/numbers.h"

#include <algorithm>
#include <cmath>

namespace calidarix {

bool BreaksMinAlarm(const TFilmProcessTable &row, const TFilmAlarms &alarms) {
  return alarms.FMinAlarmOn && static_cast<double>(row.MinTemp) < alarms.FMinAlarm;
}

bool BreaksMaxAlarm(const TFilmProcessTable &row, const TFilmAlarms &alarms) {
  return alarms.FMaxAlarmOn && static_cast<double>(row.MaxTemp) > alarms.FMaxAlarm;
}

std::vector<int> FilteredFilmRows(const std::vector<TFilmProcessTable> &table, int filter,
                                  const TFilmAlarms &alarms) {
  std::vector<int> rows;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const bool below = BreaksMinAlarm(table[i], alarms);
    const bool above = BreaksMaxAlarm(table[i], alarms);
    const bool shown = filter == kFilterBelowMin   ? below
                       : filter == kFilterAboveMax ? above
                       : filter == kFilterAll      ? below || above
                                                   : true;
    if (shown)
      rows.push_back(static_cast<int>(i));
  }
  return rows;
}

TFilmAlarmCounts CountFilmAlarms(const std::vector<TFilmProcessTable> &table, const TFilmAlarms &alarms) {
  TFilmAlarmCounts counts;
  counts.Frames = static_cast<int>(table.size());
  for (const TFilmProcessTable &row : table) {
    const bool below = BreaksMinAlarm(row, alarms);
    const bool above = BreaksMaxAlarm(row, alarms);
    counts.MinAlarms += below ? 1 : 0;
    counts.MaxAlarms += above ? 1 : 0;
    if (below || above) {
      ++counts.Alarms;
      counts.Unattended += row.Viewed == 0 ? 1 : 0;
    }
  }
  return counts;
}

int FilterForChecks(bool minChecked, bool maxChecked) {
  if (minChecked && maxChecked)
    return kFilterAll;
  if (minChecked)
    return kFilterBelowMin;
  if (maxChecked)
    return kFilterAboveMax;
  return kFilterNone;
}

TAlarmChecks ChecksForFilter(int filter, TAlarmChecks now) {
  switch (filter) {
  case kFilterNone:
    return TAlarmChecks{};
  case kFilterBelowMin:
    return TAlarmChecks{true, now.Max};
  case kFilterAboveMax:
    return TAlarmChecks{now.Min, true};
  case kFilterAll:
    return TAlarmChecks{true, true};
  default:
    return now;
  }
}

bool AlarmKeyAllowed(QChar c) {
  return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('.') ||
         c == QChar(8);
}

std::optional<double> ParseAlarmText(const QString &text) {
  const std::optional<double> value = ParseFloat(text.toStdString(), '.');
  if (!value || !std::isfinite(*value))
    return std::nullopt;
  return value;
}

QString FilmRouteText(std::int32_t picket, std::int32_t metres) {
  return QString::number(picket) + QStringLiteral("пк+") + QString::number(metres) + QStringLiteral("м");
}

QString FilmTemperatureText(float temperature) {
  return QString::fromStdString(FixedText(temperature, 1, '.'));
}

std::optional<int> TemperatureBarX(double t, double lo, double hi, int left, int right) {
  if (!(hi > lo) || !std::isfinite(hi - lo) || std::isnan(t))
    return std::nullopt;
  const double x = left + std::trunc((t - lo) * (right - left) / (hi - lo));
  return static_cast<int>(std::clamp(x, static_cast<double>(left), static_cast<double>(right)));
}

} // namespace calidarix
