#pragma once
// The main window's measurement fields, held by TCalidarix as one member (FMeasure). The names are the
// design's own. The gesture fields the window had before the measurement tools (FMousePos, FRubberBand,
// the angle tool and the grid) stay where they are; the mouse handlers copy them into the gesture state
// and back.

#include "analysis/mouse_gestures.h"
#include "thermogram/rect.h"

#include <QString>

#include <cstdint>

namespace calidarix {

struct TMeasureState {
  // Mouse gestures on the image.
  TGestureState Gesture;

  // Results of the last region statistics, read by the graph, export, sidecar and remote-control code.
  std::int32_t FAreaRawMin = 0;
  std::int32_t FAreaRawMax = 0;
  std::int32_t FAreaRawAvg = 0;
  TPoint FAreaMinPos;
  TPoint FAreaMaxPos;
  double FIsoShare = 0.0; // percent of the area inside the isotherm band
  double AreaRIn = 0.0;
  double AreaQIn = 0.0;
  double AreaROut = 0.0;
  double AreaQOut = 0.0;
  double SigmaRefMeanSquare = 0.0;
  double SigmaRefRms = 0.0;

  // How values are shown.
  bool FSigmaMode = false;       // PtsLabel shows the standard deviation instead of the pixel count
  bool FAvgShowsSpan = false;    // AvgLabel shows max - min instead of the average
  bool FPointDiffMode = false;   // point texts show the difference to the first point
  std::uint8_t FPointsCount = 0; // labels carry the point's number or the area's count (the setup
                                 // panel's "Points Count": 0 off, 1 on)

  // Value-entry panels: the texts their openers put into the two edits, and the area average kept when
  // the real-temperature entry opened.
  QString FValueText1;
  QString FValueText2;
  std::int32_t FRefRawAvg = 0;

  // Texts a command writes once on the image; they go with the next view change.
  QString FResolutionText;
  QString FEmissivityText;
};

// The view update replaces the frame by the squared difference of the two bands while this is set;
// no command of the program sets it.
extern bool AreaSumMode;

} // namespace calidarix
