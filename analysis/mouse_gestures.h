#pragma once
// The mouse on the thermogram as a small state machine. A button going down, the moves that follow and
// the button going up create and move the current area, store areas, add points and drag their labels,
// draw the profile line, pan the view, drive the angle tool and the grid, and start the crop, zoom and
// reset commands. Each handler changes the marker lists and the gesture state and returns the effects
// the window is to carry out (count an area, repaint, crop ...); it reads no window and draws nothing,
// so tests feed it event sequences without a screen.
//
// Positions are in pixels of the image box; image pixels come from the coordinate mapping with the view
// of the event's context, clamped into the frame.

#include "analysis/markers.h"
#include "thermogram/image_layout.h"
#include "thermogram/rect.h"

#include <array>
#include <cstdint>

namespace calidarix {

enum class TMouseButton { Left, Right, Middle };

struct TShiftState {
  bool Shift = false;
  bool Alt = false;
  bool Ctrl = false;
};

// The window's fields that the gestures keep.
struct TGestureState {
  bool FImageMouseDown = false; // a button went down on the image and the gesture is live
  bool ImageLeftDown = false;
  bool ImageRightDown = false;
  TPoint FMouseDownPos;     // box position of the last button-down
  TPoint FMousePos;         // last box position seen; panning measures from it
  bool FRubberBand = false; // a new area is being dragged out (drawn dotted)
  bool FAreaMoving = false; // the left button went down inside the current area
  bool FDragInside = false; // the right button stored the current area; the drag moves its label
  TPoint FAnglePos;         // angle tool vertex relative to the box centre
  std::array<int, 2> FAngleArms{0, 90};
  TPoint FGridOffset;
  int FGridStep = 16;
};

// What the gestures read of the window at the moment of an event.
struct TGestureContext {
  TImageView View; // mapping and frame size; panning changes its offsets (ViewChanged)
  int BoxWidth = 0;
  int BoxHeight = 0;
  std::int32_t ArrayType = 0;
  bool ArrayStatisticAll = false; // ArrayStatistic 3
  bool FocusTool = false;
  bool AngleTool = false;
  bool GridShown = false;
  bool ProfileMode = false; // the thermo-profile window is shown
  bool TimeGraphShown = false;
  bool CtrlDown = false; // the window's own record of the Ctrl key
  bool PalDragActive = false;
  bool ScanRunning = false;
  bool ResolutionOn = false; // the resolution figure is switched on
};

// The window's part of a gesture, one flag per step, in the order the window carries them out.
struct TGestureEffects {
  bool HideFocusTool = false; // and, with RequestFocus, ask the camera for FocusPosition (row / H)
  bool RequestFocus = false;
  double FocusPosition = 0.0;
  bool Crop = false; // cut the thermogram to CropRect; the markers are already emptied
  TRect CropRect;    // half-open: the area's last column and row are inside
  bool ZoomToArea = false;
  bool ResetAll = false; // reload the frame and reset the view; the markers are already emptied
  bool ZoomReset = false;
  bool SidecarChanged = false;
  bool AreaStored = false;
  int StoreTimeProfile = 0; // argument of the time-profile window's store (1 keep, 3 repaint); 0 none
  bool PointAdded = false;
  bool ShowResolutionRatio = false;
  bool ProfileStarted = false; // profile window: cursor to 0, current profile emptied
  bool ProfileChanged = false; // the profile line moved: build its profile again
  bool ProfileCleared = false; // the profile line was removed
  bool PixelTimeProfile = false;
  TPoint Pixel;                // image pixel of the pixel time profile
  bool ViewChanged = false;    // panning moved the view (context's View)
  bool OverlayChanged = false; // markers, angle tool or grid changed: draw the overlays again
  bool CountArea = false;      // the current area was finished: count it
  bool AreaTooSmall = false;   // the drag made no area: clear the area labels
  bool AreaCleared = false;    // a plain click: whole-frame labels
  bool Repaint = false;        // the gesture ended: repaint the image
  bool FitPalette = false;     // double click: fit the palette window to the region
};

TGestureEffects ImageMouseDown(TGestureState &state, TMarkerLists &markers, TGestureContext &context,
                               TMouseButton button, int x, int y, TShiftState shift);
TGestureEffects ImageMouseMove(TGestureState &state, TMarkerLists &markers, TGestureContext &context, int x,
                               int y, TShiftState shift);
TGestureEffects ImageMouseUp(TGestureState &state, TMarkerLists &markers, TGestureContext &context,
                             TMouseButton button, int x, int y, TShiftState shift);
TGestureEffects ImageDoubleClick();

// A new area dragged out from (Left, Top) to the pixel (ix, iy); with square the shorter side grows to
// the longer one towards the drag and the square is then kept inside a width x height frame.
TRect DragAreaCorner(TRect area, std::int32_t ix, std::int32_t iy, bool square, int width, int height);

// The area moved by (dx, dy) and pushed back into the frame, its size kept.
TRect MoveAreaInside(TRect area, std::int32_t dx, std::int32_t dy, int width, int height);

} // namespace calidarix
