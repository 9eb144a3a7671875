#pragma once
// The main window's fields of the software relief view, held by TCalidarix as one member (FRelief), and
// the mouse and timer steps that turn and scale the relief. The names are the design's own.

#include "analysis/mouse_gestures.h"
#include "analysis/relief_render.h"
#include "thermogram/rect.h"

#include <QImage>

namespace calidarix {

struct TReliefState {
  bool FReliefView = false;     // the relief is shown instead of the image
  bool FReliefPainting = false; // a relief paint is running
  // Drawing style of the cells: every paint draws filled cells.
  bool FReliefOutline = false;
  bool FReliefFilled = true;
  bool FReliefRotateForward = false; // the automatic turn increases the azimuth
  TPoint FReliefDragPos;             // drag anchor of the mouse gestures
  double FReliefScale = 1.0;         // 1.0 exactly until the relief is first shown
  int FReliefDepth = 256;
  int FReliefAzimuth = 270;
  int FReliefTilt = 0;
  QImage FReliefBitmap; // the last relief picture
};

TReliefParams ReliefParamsOf(const TReliefState &s);

// The first switch to the relief fits it to a frame `width` pixels wide and turns it to a view from
// above at an angle; later switches keep the view the user made.
void ReliefFirstUse(TReliefState &s, int width);

// A button going down sets the drag anchor: the left button for turning, the right for scaling.
void ReliefMouseDown(TReliefState &s, TMouseButton button, int x, int y);
// A move with the left button turns (azimuth from x, tilt from y, both wrapped into 0 .. 359 with the
// anchor moved along so the relief does not jump under the mouse); with the right button it scales
// (0.1 .. 4.0 from x) and sets the depth (-255 .. 256 from y). Both buttons: both, the turn first.
// Returns true when the relief has to be painted again.
bool ReliefMouseMove(TReliefState &s, bool leftHeld, bool rightHeld, int x, int y);

// One step of the automatic turn: one degree in the chosen direction. False (nothing changes) while the
// relief is not shown: the timer then stops.
bool ReliefTimerStep(TReliefState &s);

} // namespace calidarix
