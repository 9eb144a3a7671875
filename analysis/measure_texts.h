#pragma once
// The texts of measured values on the main window's labels and on the image: short label texts, fixed
// texts with two decimals, the cursor readout and the values written beside markers. Every text uses
// "." as the decimal separator, whatever the user's locale.

#include <QString>

namespace calidarix {

// The general text of v in five characters, rounded to the decimals shown: 23.4567 gives "23.46",
// -12.345 "-12.3", 1234.5 "1234".
QString ShortText(double v);

// v rounded to `precision` significant digits, then written with exactly `decimals` decimals
// (1234567.891 with 2 and 7 gives "1234568.00"); a value with more than `precision` digits before the
// point is written in exponent notation with `precision` significant digits ("1.234568E8").
QString FixedPrecisionText(double v, int decimals, int precision, char decimalSeparator = '.');
// The labels' usual form: two decimals, seven significant digits.
QString Fixed2(double v, char decimalSeparator = '.');

// The temperature under the cursor: fixed with 0 decimals for whole degrees, else at most 2, rounded to
// the decimals that fit in five characters; in difference mode a value above 0 gets "+" in front,
// which counts towards the five.
QString CursorTemperatureText(double t, bool wholeDegrees, bool differenceMode);

// The place of temperature t on the palette bar, 0 at the bottom of the range shown and 1 at its top:
// the locked range while the display range is locked, else the thermogram's full scale (raw 0 ..
// 65535). -1 (no cursor) when the range is empty or t is not a number.
double PaletteCursorFraction(double t, bool locked, double lockMin, double lockMax, double offset,
                             double scale);

// A value written beside an area, a polygon or a point: rounded to two decimals, or to whole degrees,
// in full general text ("23.46", "24"). Areas round whole degrees like points, so that both agree on
// the same pixel.
QString MarkerValueText(double v, bool wholeDegrees);

// The camera temperature label: the frame's camera temperature to 0.01 while the blind correction is
// on, else the camera's own to 0.01, " / " and the frame's to 0.0001.
QString CameraTemperatureText(double camera, double frame, bool blindCorrection);

} // namespace calidarix
