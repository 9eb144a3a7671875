#pragma once
// The rules of the film review table: which frames break the lower or upper alarm temperature, the
// rows a filter shows, the counters under the table, how the filter list and the two check boxes
// follow each other, and the texts and bar positions of the cells.

#include "thermogram/tdtv.h"

#include <QChar>
#include <QString>

#include <optional>
#include <vector>

namespace calidarix {

struct TFilmAlarms {
  double FMinAlarm = 0.0;
  double FMaxAlarm = 0.0;
  bool FMinAlarmOn = false;
  bool FMaxAlarmOn = false;
};

// The entries of the filter list, in their order.
enum TFilmFilter { kFilterNone = 0, kFilterBelowMin = 1, kFilterAboveMax = 2, kFilterAll = 3 };

// A frame breaks the lower alarm when it is in force and the frame's lowest temperature lies below it;
// the upper one likewise above. A temperature equal to the alarm value breaks nothing.
bool BreaksMinAlarm(const TFilmProcessTable &row, const TFilmAlarms &alarms);
bool BreaksMaxAlarm(const TFilmProcessTable &row, const TFilmAlarms &alarms);

// The record indices a filter shows, in record order.
std::vector<int> FilteredFilmRows(const std::vector<TFilmProcessTable> &table, int filter,
                                  const TFilmAlarms &alarms);

struct TFilmAlarmCounts {
  int Frames = 0;
  int Alarms = 0; // frames breaking either alarm (a frame breaking both counts once)
  int MaxAlarms = 0;
  int MinAlarms = 0;
  int Unattended = 0; // alarm frames whose row was never shown
};

// Over every record, whatever the filter.
TFilmAlarmCounts CountFilmAlarms(const std::vector<TFilmProcessTable> &table, const TFilmAlarms &alarms);

// The filter entry the check boxes stand for: only the lower one, only the upper one, both, neither.
int FilterForChecks(bool minChecked, bool maxChecked);

struct TAlarmChecks {
  bool Min = false;
  bool Max = false;
};

// The check boxes after the user picks a filter entry: "none" clears both, the others check the boxes
// they name and leave the other box as it was.
TAlarmChecks ChecksForFilter(int filter, TAlarmChecks now);

// Typing into an alarm edit: digits, "-", "." and Backspace pass; everything else is dropped.
bool AlarmKeyAllowed(QChar c);

// An alarm text read as a number with "." as decimal separator; nullopt when it is not one.
std::optional<double> ParseAlarmText(const QString &text);

// Cell texts: the route position ("12пк+40м") and a temperature with one decimal ("23.5").
QString FilmRouteText(std::int32_t picket, std::int32_t metres);
QString FilmTemperatureText(float temperature);

// Where temperature t lies on the comment column's bar, between the cell's left and right edges, for
// the locked range lo .. hi; clamped to the cell. nullopt when the range is empty or not a number.
std::optional<int> TemperatureBarX(double t, double lo, double hi, int left, int right);

} // namespace calidarix
