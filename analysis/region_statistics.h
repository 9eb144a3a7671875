#pragma once
// Statistics of the thermogram inside a region: raw minimum, maximum and average with the places of
// the extremes, the inside and outside heat resistance of a wall, the deviation from a reference
// temperature, the standard deviation, the share inside the isotherm band, and the same for a free
// polygon. Pure functions over a TDTV; the main window writes the results into its fields and labels.
//
// Raw values are 16-bit codes; temperatures are raw x Scale + Offset of the thermogram. Regions are cut
// to the frame before they are read. A region without counted pixels gives zeros, never a value that
// is not a number, except where the caller's own figures divide by zero (see TRegionStatistics).

#include "analysis/markers.h"
#include "analysis/region_pixels.h"
#include "thermogram/tdtv.h"

#include <cstdint>

namespace calidarix {

// What shapes the statistics besides the region: the isotherm band of the thermogram (pixels outside
// it are not counted while it is shown), the two air temperatures and heat-transfer coefficients of
// the wall figures, and the reference temperature of the Sigma statistic.
struct TStatisticsSettings {
  bool IsoOn = false;
  std::uint8_t IsoBottom = 0; // band IsoBottom x 257 .. IsoTop x 257, inclusive
  std::uint8_t IsoTop = 0;
  double TIn = 20.0;
  double TOut = -20.0;
  double AlphaIn = 8.7;
  double AlphaOut = 23.0;
  bool SigmaRefSet = false;
  double SigmaRefValue = 0.0;
};

// The band of a thermogram and the module's settings (TIn, TOut, ... of markers.h).
TStatisticsSettings CurrentStatisticsSettings(const TDTV &dtv);

struct TRegionStatistics {
  // Raw codes of the counted pixels; all 0 when nothing was counted.
  std::int32_t RawMin = 0;
  std::int32_t RawMax = 0;
  std::int32_t RawAvg = 0; // sum div count
  // The first pixel in row order holding the minimum and the maximum; the region's first pixel when
  // nothing was counted.
  TPoint MinPos;
  TPoint MaxPos;
  std::int64_t Sum = 0;
  std::int64_t Count = 0;  // counted pixels (in the band while the isotherm is shown)
  std::int64_t Pixels = 0; // every pixel of the region
  // Mean inside and outside resistance of the counted pixels and the heat flows (TIn - TOut) / R. A
  // pixel at exactly TIn or TOut makes its term infinite, as the figure is; with no counted pixel all
  // four are 0.
  double RIn = 0.0;
  double QIn = 0.0;
  double ROut = 0.0;
  double QOut = 0.0;
  // With SigmaRefSet: the mean square distance of every pixel of the region (in the band or not) from
  // the reference, measured as T + |reference - T(avg)| - T(avg), and its root. 0 otherwise.
  double SigmaMeanSquare = 0.0;
  double SigmaRms = 0.0;
};

// The statistics of rectangle r (inclusive edges), or with ellipse of the ellipse it bounds (see
// RegionSpans). r is taken as given: a caller that needs the empty-rectangle rule tests it first.
TRegionStatistics CountRegion(const TDTV &dtv, const TRect &r, bool ellipse, const TStatisticsSettings &s);

// The standard deviation of the region's raw values from avg, in raw codes, over the pixels of r's
// bounding rectangle that pass PtInArray with arrayType (so the right column and bottom row of a
// rectangle are left out); the isotherm band does not apply. 0 when no pixel passes.
double RegionRawDeviation(const TDTV &dtv, const TRect &r, std::int32_t arrayType, std::int32_t avg);

// The standard deviation shown on the points label: deviation x Scale, 0 when the deviation is 0 or
// max equals min.
double ShownDeviation(double rawDeviation, std::int32_t rawMin, std::int32_t rawMax, double scale);

// Statistics over the pixels of the frame inside the polygon (PointInPolygon); the band does not
// apply, the extremes' places are not looked for and the average is Round(sum / count). Only
// SigmaMeanSquare and SigmaRms of the wall and reference figures are filled (with SigmaRefSet).
// Fewer than 3 vertices: nothing is counted.
TRegionStatistics CountPolygon(const TDTV &dtv, const TPolygon &polygon, const TStatisticsSettings &s);

// Percentage of the pixels of rectangle r (inclusive, the bounding rectangle also for an ellipse) whose
// raw value lies in the band IsoBottom x 257 .. IsoTop x 257; 0 when r holds no pixel of the frame.
double IsoShare(const TDTV &dtv, const TRect &r, std::uint8_t isoBottom, std::uint8_t isoTop);

// The statistics without labels of a rectangle or ellipse (arrayType 1) over every pixel (no band):
// extremes with their places and the average Round(sum / count); the inside wall figures only for
// statistic 4, the outside ones only for 5.
TRegionStatistics CountRegionAlt(const TDTV &dtv, const TRect &r, std::int32_t arrayType,
                                 std::int32_t arrayStatistic, const TStatisticsSettings &s);

} // namespace calidarix
