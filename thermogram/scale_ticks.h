#pragma once
// The temperature scale beside the palette bar: which temperature range it shows, the texts of the
// range labels, and where its ticks, tick texts and unit go. The window draws what this computes
// (on the scale box, on the spacer beside it, or on a snapshot bitmap).

#include "thermogram/rect.h"

#include <QString>

#include <vector>

namespace calidarix {

class TDTV;

struct TTemperatureRange {
  double Low = 0.0;
  double High = 0.0;
};

// The displayed range: LockMin .. LockMax while the range is locked (with includeFilmLock, also
// while the film range lock is on), else the temperatures of raw 0 and raw 65535.
TTemperatureRange DisplayedRange(const TDTV &dtv, bool includeFilmLock);

// Text of a range label: the value rounded to at most 0.01 (to a whole number with isInteger) and to
// the decimals that fit in five characters, trailing zeros dropped.
QString RangeLabelText(double value, bool isInteger);

struct TScaleTick {
  double Value = 0.0;
  int Y = 0;             // row of the tick
  QString Text;          // the tick's text
  bool Labelled = false; // the text fits vertically: text and arrow-head mark are drawn
  int TextY = 0;         // top of the text, centred on the tick
};

struct TScaleLayout {
  int FontSize = 0;              // points, bold
  double Step = 0.0;             // temperature between ticks; 0: no ticks, texts or unit
  std::vector<TScaleTick> Ticks; // from the bottom upwards, only those inside the rectangle
  std::vector<int> MinorRows;    // rows of the half-step ticks inside the rectangle
  int TextX = 0;                 // left edge of the tick texts
  bool ShowUnit = false;
  TPoint UnitPos; // where "°C" is written
};

// Font size of the scale texts for a scale of this width.
int ScaleFontSize(int scaleWidth);

// Ticks of the range lo .. hi over the rectangle r; fontHeight is the pixel height of the bold font
// of ScaleFontSize(width). hi is limited to 65535. A span too small for the height (step 0), a
// non-finite bound, or a span that would give more ticks than the scale has rows gives no ticks,
// no texts and no unit. Ticks that would lie outside r are left out and the loop ends at the first
// tick above r.
TScaleLayout LayoutScaleTicks(const TRect &r, double lo, double hi, int fontHeight, bool isInteger);

} // namespace calidarix
