#pragma once
// The tab-separated texts that the copy commands put on the clipboard: the temperatures of a
// rectangle, the telemetry of a film, and the values of the point markers and stored areas.

#include "analysis/markers.h"
#include "analysis/region_statistics.h"
#include "thermogram/tdtv.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace calidarix {

// The temperatures of the area's columns Left .. Right - 1 and rows Top .. Bottom - 1, or of the whole
// frame when the area is empty: one line per column from the left, the column's values from the top
// each followed by a TAB, each line ended by CR alone. Mode 1 writes fixed texts with two decimals;
// a higher mode the temperature raised to that power in general text. The decimal separator is ",".
QString RegionTableText(const TDTV &dtv, const TAreaRecord &area, int mode);

// Each point as prefix, number, TAB, temperature (two decimals, general text), CR LF; then, when there
// are stored areas, an empty line, the header TAB Min TAB Avg TAB Max TAB Pts and per area "A", number,
// TAB, minimum, TAB, average, TAB, maximum (fixed, two decimals), TAB, pixel count, each line CR LF. An
// area is measured over its rectangle whatever its shape; its average is that of raw 0 when the
// rectangle has no width or no height. statTexts: "Min", "Max", "Avg", "Pts" and the point prefix.
QString MarkerValuesText(const TDTV &dtv, const std::vector<TPointRecord> &points,
                         const std::vector<TAreaRecord> &areas, const std::array<QString, 5> &statTexts);

// Whether the frame carries telemetry words: its first pixel is 0 and its second 65535.
bool CarriesTelemetry(const TDTV &dtv);

// One line per frame of the film dtv shows, loading each in turn into dtv: seconds since the first
// frame, the seven telemetry words (pixels 2 .. 8; the first three signed / 256 with two decimals, the
// others whole) and the area value from the frame's own range, TAB-separated, each line ended by CR; the
// decimal separator is ",". The area value uses the area's statistics when it is not empty, else
// lastAverage (the raw average last measured). nullopt, and dtv left on the frame that failed, when a
// frame cannot be read or carries no telemetry. lastAverage receives the last average used.
std::optional<QString> TelemetryText(TDTV &dtv, const TAreaRecord &area, bool ellipse,
                                     const TStatisticsSettings &settings, std::int32_t &lastAverage);

} // namespace calidarix
