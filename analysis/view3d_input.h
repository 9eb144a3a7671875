#pragma once
// The keys and the mouse of the 3-D view that are not commands: moving the camera, panning, zooming,
// flying, turning the scene and the light, rescaling the relief and spacing the wire grid. Each handler
// changes the view state and says what the window has to do; it reads no window, so tests feed it event
// sequences without OpenGL.

#include "analysis/mouse_gestures.h"
#include "analysis/view3d_state.h"

#include <Qt>

#include <optional>

namespace calidarix {

enum class TViewKey {
  Other,
  Esc,
  Space,
  Home,
  Left,
  Right,
  Up,
  Down,
  Q,
  R,
  Menu,
  NumPlus,
  NumMinus,
  Equal,
  Minus
};

// The key of a Qt key event: the keypad's plus and minus are told from the main block's "=" and "-" keys
// (which give "+" and "_" with Shift on a US layout).
TViewKey ViewKeyOf(int qtKey, Qt::KeyboardModifiers modifiers);

struct TViewKeyContext {
  bool FullScreen = false;
  bool FlyMode = false; // "aFlyMode" is checked
  TShiftState Shift;
};

struct TViewKeyEffects {
  bool LeaveFullScreen = false;
  bool Close = false;
  bool ResetView = false; // run the action "aResetView"
  bool Paint = false;
  bool Resize = false; // apply the projection again (the field of view changed)
  bool UncheckDynamic = false;
  bool PopupMenu = false;
};

TViewKeyEffects ViewKeyDown(TView3DState &s, TViewKey key, const TViewKeyContext &context);

// The fly-mode turn of the look point about the eye by one degree.
void TurnLookPoint(TView3DState &s, TViewKey arrow);

// ---- Mouse ----

struct TViewMouseContext {
  bool BoxMode = false;
  bool Stereo = false;            // "3D stereo" is checked
  bool GridOnly = false;          // "Grid Only" is checked
  bool TemperatureSample = false; // "Temperature Sample" is checked
};

struct TViewMouseEffects {
  bool Paint = false;
  bool UncheckDynamic = false;
  std::optional<float> StereoCaption; // the stereo separation to show as the window's caption
};

TViewMouseEffects ViewMouseDown(TView3DState &s, TMouseButton button, const TShiftState &shift, int x, int y);
TViewMouseEffects ViewMouseMove(TView3DState &s, const TShiftState &shift, int x, int y,
                                const TViewMouseContext &context);
TViewMouseEffects ViewMouseUp(TView3DState &s, const TShiftState &shift, bool boxMode);
// One wheel notch (up: away from the user). The window applies the projection again afterwards.
void ViewMouseWheel(TView3DState &s, bool up, const TShiftState &shift, bool flyMode, bool panoLoaded);

} // namespace calidarix
