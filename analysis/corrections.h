#pragma once
// Operations that change a thermogram in place: the emissivity and ambient-temperature correction, the
// emissivity found from a known real temperature, the fixed level shift, the level correction between
// two areas and along columns, the averaging of film frames, the one-pixel row shift of the row
// alignment mode and the skew of the dual-scan decoding; and the palette window fitted to a region.
//
// Rules every correction keeps: raw values never wrap (results are clamped to 0 .. 65535), rectangles
// are cut to the frame, and a case the formula cannot handle (a uniform frame, a real temperature equal
// to the ambient one, an area without pixels) leaves the thermogram exactly as it was; the functions
// then return false.

#include "analysis/markers.h"
#include "thermogram/io_result.h"
#include "thermogram/tdtv.h"

#include <cstdint>
#include <optional>

namespace calidarix {

// The emissivity limits and ambient-temperature limits of the correction.
inline constexpr double kMinEmissivity = 0.01;
inline constexpr double kMaxEmissivity = 1.0;
inline constexpr double kMinAmbient = -30.0;
inline constexpr double kMaxAmbient = 50.0;

double ClampEmissivity(double e);
double ClampAmbient(double ta);

// The real temperature of a measured one by the grey-body relation measured^4 = E real^4 +
// (1 - E) ambient^4 in kelvin (E and Ta as given, not limited).
double CorrectedTemperature(double measured, double e, double ta);

// Corrects the whole frame (area is nullptr or empty) or, after widening the frame's scale so the
// corrected area fits, only the pixels of the area's rectangle. rawMin and rawMax are the area's raw
// extremes from its statistics (unused for the whole frame). E and Ta are limited first; FEmissivity
// and FAmbientTemp take the limited values.
bool EmissivityCorrect(TDTV &dtv, double e, double ta, const TAreaRecord *area, std::int32_t rawMin,
                       std::int32_t rawMax);

// The emissivity that makes measured temperature tm read as the real temperature tr at ambient ta:
// nullopt when tr equals ta (or the figure is not a number).
std::optional<double> EmissivityFromRealTemperature(double tm, double tr, double ta);

// Raises the thermogram's Offset by level degrees (every temperature shifts by level).
void ShiftLevel(TDTV &dtv, double level);

// Removes a level difference that grows from the left edge to the right, taken between the means of
// two areas' rectangles (the first expected left of the second): pixel x gains d/2 - Round(x / W d).
bool TwoAreaCorrection(TDTV &dtv, const TAreaRecord &first, const TAreaRecord &second);

// Levels steps of more than 50 raw codes between neighbouring columns of the area's rectangle, carrying
// the correction to the right over the whole frame height.
bool ColumnLevelCorrection(TDTV &dtv, const TAreaRecord &area);

// The frame range F1 .. F2 (1-based, fitted to the film) after the rules of the averaging command.
struct TFrameRange {
  int First = 1;
  int Last = 1;
};
TFrameRange FitFrameRange(int f1, int f2, int frameCount);

// Averages the temperatures of frames F1 .. F2 of the film dtv shows (each frame with its own scale)
// into a new single-frame thermogram without a file name, in dtv. The frames are read into a thermogram
// of their own, so a frame that cannot be read, or one of another size, leaves dtv as it was.
IoResult AverageFilmFrames(TDTV &dtv, int f1, int f2);

// Rotates row r by one pixel (right or left) and interpolates the rows beside it again from their
// outer neighbours, as the row alignment of a bidirectional scan needs.
void ShiftImageRow(TDTV &dtv, int r, bool right);

// The skew of the dual-scan decoding from the scroll bar position.
void SetSkewFromPosition(TDTV &dtv, int position);

// The palette window steps (0 .. 255) that show tmin .. tmax, over the locked range or over the
// temperatures of raw 0 .. 65535 (t0, t65535); never narrower than one step.
struct TPaletteWindow {
  int Bottom = 0;
  int Top = 255;
};
TPaletteWindow FitPaletteWindow(double tmin, double tmax, bool locked, double lockMin, double lockMax,
                                double t0, double t65535);

} // namespace calidarix
