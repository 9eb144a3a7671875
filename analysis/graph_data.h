#pragma once
// The data the three graph windows show, computed from the thermogram shown: the thermo profile (the
// temperatures along the profile line), the time profile (a value of an area, or of one pixel, over every
// frame of the file, read again from the file) and the histogram of an area in 100 bins. The results are
// plain vectors and ranges; the windows draw them and the exports write them.

#include "analysis/markers.h"
#include "thermogram/rect.h"
#include "thermogram/tdtv.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace calidarix {

// One curve (or the bins of a histogram), sample after sample.
using TProfile = std::vector<float>;

inline constexpr int kHistogramBins = 100;

// The value range a graph is drawn against; Span = Max - Min.
struct TGraphRange {
  double Min = 0.0;
  double Max = 100.0;
  double Span = 100.0;

  friend bool operator==(const TGraphRange &, const TGraphRange &) = default;
};

TGraphRange MakeRange(double min, double max);

// ---- Thermo profile ----

// The temperatures along the line: n = the line's length rounded to the nearest whole number of samples,
// sample i taken at (X1 + sx * trunc(i * |dx| / n), Y1 + sy * trunc(i * |dy| / n)) with sx, sy the
// directions of the line; the end point itself is not sampled. Empty for a line of length 0 (the caller
// then keeps the profile it has). A sample outside the frame reads 0.
TProfile ThermoProfile(const TDTV &dtv, const TLineRecord &line);

// The temperatures of raw 0 and raw 65535 of the thermogram: the thermo profile is drawn against the
// frame's full raw range.
TGraphRange FullRawRange(const TDTV &dtv);

// ---- Time profiles ----

// What the time profiles need of the thermogram in memory. The frames themselves are read from the file.
struct TTimeProfileSource {
  QString FileName;
  int FrameCount = 0;
  int Version = 0;
  int Width = 0;
  int Height = 0;
  double Scale = 0.0; // the rule of the frame in memory
  double Offset = 0.0;
  double FilmMin = 0.0; // the film's common range (films only)
  double FilmMax = 0.0;
};

TTimeProfileSource TimeProfileSourceOf(const TDTV &dtv);

// The range every frame of the file is compared on: the film's common range for a film; for files of
// 8-bit or 16-bit frames, which share the header's rule, the full raw range of that rule.
TGraphRange TimeProfileRange(const TTimeProfileSource &source);

struct TTimeProfile {
  // Whether the profile replaces the window's: false when there is nothing to read (no file, a single
  // frame, a point outside the frame).
  bool Built = false;
  // Slot 0; with the statistic All, four slots: mean, maximum, minimum and an empty last one.
  std::vector<TProfile> Slots;
  TGraphRange Range;
  // Why the profile stops before the file's last frame, or why no frame was read; empty when all went well.
  QString Problem;
};

// The area's value in every frame of the file. Frames of 8-bit and 16-bit files are read over columns
// Left .. Right - 1 and rows Top .. Bottom - 1, film frames over Left .. Right and Top .. Bottom; Right and
// Bottom are first lowered into the frame. Film values are brought onto the film's common range first.
// arrayStatistic 1 gives the minimum, 2 the maximum, 3 mean, maximum and minimum as three curves, any other
// the mean. A region without pixels gives an empty profile; a file that ends early ends the profile.
TTimeProfile RegionTimeProfile(const TTimeProfileSource &source, TRect region, int arrayStatistic);

// The temperature of pixel (x, y) in every frame of the file, each frame by its own rule.
TTimeProfile PointTimeProfile(const TTimeProfileSource &source, int x, int y);

// ---- Histogram ----

struct THistogram {
  TProfile Counts = TProfile(kHistogramBins, 0.0f);
  // Raw range of the counted pixels; the bins divide it into 100 equal parts.
  int RawMin = 0;
  int RawMax = 0;
  std::int64_t Pixels = 0;
  double LowLimitTemp = 0.0; // temperatures of RawMin and RawMax
  double HighLimitTemp = 0.0;
};

// The pixels of columns Left .. Right - 1 and rows Top .. Bottom - 1 (cut to the frame) counted into 100
// bins over their own raw range: bin = trunc((raw - min) / (max - min) * 99.9999), so the maximum falls in
// bin 99; all pixels fall in bin 0 when minimum and maximum are equal.
THistogram RegionHistogram(const TDTV &dtv, TRect region);

// The smallest and largest sample of a profile: Min starts at 10000 and Max at -273.15, so an empty
// profile keeps those and a negative span; equal values widen Max by 1.
TGraphRange ProfileRange(const TProfile &profile);

} // namespace calidarix
