#pragma once
// Where a thermogram lies in the main window's image box: the zoom and view offsets that fit the
// frame to the box, or that make an image rectangle fill it. Pure computations over a copy of the
// thermogram's view fields; the window stores the result back and repaints.
//
// An image column c is shown at box x = (c - ViewOffsetX) x Zoom and an image row r at
// box y = (r - ViewOffsetY) x Zoom x PixelAspect (the coordinate mapping rounds these).

#include "thermogram/rect.h"

namespace calidarix {

class TDTV;

// The view fields of a thermogram together with its frame size.
struct TImageView {
  int Width = 0;
  int Height = 0;
  double Aspect = 1.0;      // display width / height of the whole frame
  double PixelAspect = 1.0; // vertical stretch of one pixel: Width / Height / Aspect
  double Zoom = 1.0;        // box pixels per image column
  double ViewOffsetX = 0.0; // image column at the box's left edge (negative: image moved inwards)
  double ViewOffsetY = 0.0; // image row at the box's top edge
};

TImageView ImageViewOf(const TDTV &dtv);
// Stores PixelAspect, Zoom and the offsets back (frame size and Aspect belong to the thermogram).
void ApplyImageView(const TImageView &view, TDTV &dtv);

// Lays the frame out in a box of the size of `box`. With fit the frame is fitted afresh; without,
// a zoom larger than the fit is kept and the view re-centred, a smaller one fitted again (the frame
// is never shown smaller than the fit). Sets zoomFitted to whether the result is the fit.
// Returns false and changes nothing for an empty box or frame or an unusable Aspect, so no layout
// ever gets a zoom of 0 or infinity.
bool FitImageLayout(TImageView &view, const TRect &box, bool fit, bool &zoomFitted);

// Zooms so that imageRect (image pixels, either corner order) fills viewRect and centres it. With
// fitAspect the zoom is chosen so the rectangle fills one dimension of the view; without, the
// present zoom is kept and only the view is centred. The view is then no longer a fit.
// Returns false and changes nothing for an empty rectangle or view or an unusable zoom.
bool ZoomToImageRect(TImageView &view, const TRect &imageRect, const TRect &viewRect, bool fitAspect);

} // namespace calidarix
