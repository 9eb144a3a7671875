#include "analysis/view3d_input.h"

#include <cstdlib>

namespace calidarix {

namespace {

constexpr double kCos1 = 0.9998476951563913; // cos and sin of one degree
constexpr double kSin1 = 0.01745240643728351;

bool IsArrow(TViewKey key) {
  return key == TViewKey::Left || key == TViewKey::Right || key == TViewKey::Up || key == TViewKey::Down;
}

void ChangeFieldOfView(TView3DState &s, float sign, bool ctrl) {
  s.FieldOfView += sign * (ctrl ? 5.0f : 1.0f);
}

} // namespace

TViewKey ViewKeyOf(int qtKey, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  switch (qtKey) {
  case Qt::Key_Escape:
    return TViewKey::Esc;
  case Qt::Key_Space:
    return TViewKey::Space;
  case Qt::Key_Home:
    return TViewKey::Home;
  case Qt::Key_Left:
    return TViewKey::Left;
  case Qt::Key_Right:
    return TViewKey::Right;
  case Qt::Key_Up:
    return TViewKey::Up;
  case Qt::Key_Down:
    return TViewKey::Down;
  case Qt::Key_Q:
    return TViewKey::Q;
  case Qt::Key_R:
    return TViewKey::R;
  case Qt::Key_Menu:
    return TViewKey::Menu;
  case Qt::Key_Plus:
    return keypad ? TViewKey::NumPlus : TViewKey::Equal;
  case Qt::Key_Equal:
    return TViewKey::Equal;
  case Qt::Key_Minus:
    return keypad ? TViewKey::NumMinus : TViewKey::Minus;
  case Qt::Key_Underscore:
    return TViewKey::Minus;
  default:
    return TViewKey::Other;
  }
}

void TurnLookPoint(TView3DState &s, TViewKey arrow) {
  const double dx = s.LookPoint[0] - s.EyePoint[0];
  const double dy = s.LookPoint[1] - s.EyePoint[1];
  const double dz = s.LookPoint[2] - s.EyePoint[2];
  double x = dx, y = dy, z = dz;
  switch (arrow) {
  case TViewKey::Left:
    x = kCos1 * dx - kSin1 * dy;
    y = kSin1 * dx + kCos1 * dy;
    break;
  case TViewKey::Right:
    x = kCos1 * dx + kSin1 * dy;
    y = -kSin1 * dx + kCos1 * dy;
    break;
  case TViewKey::Up:
    x = kCos1 * dx + kSin1 * dz;
    z = -kSin1 * dx + kCos1 * dz;
    break;
  case TViewKey::Down:
    x = kCos1 * dx - kSin1 * dz;
    z = kSin1 * dx + kCos1 * dz;
    break;
  default:
    return;
  }
  s.LookPoint = {static_cast<float>(s.EyePoint[0] + x), static_cast<float>(s.EyePoint[1] + y),
                 static_cast<float>(s.EyePoint[2] + z)};
}

TViewKeyEffects ViewKeyDown(TView3DState &s, TViewKey key, const TViewKeyContext &context) {
  TViewKeyEffects e;
  const TShiftState &shift = context.Shift;
  switch (key) {
  case TViewKey::Esc:
    if (context.FullScreen) {
      e.LeaveFullScreen = true;
    } else {
      e.Close = true;
      s.AbortRequested = true;
    }
    break;
  case TViewKey::Space:
    if (context.FlyMode) {
      s.FlyVelocity = {s.FlySpeed / 100.0f, 0.0f, 0.0f};
      TurnVec3(s.FlyVelocity, -s.SpinAngle, -s.TiltAngle);
      e.Paint = true;
    }
    break;
  case TViewKey::Home:
    e.ResetView = true;
    break;
  case TViewKey::Left:
  case TViewKey::Right:
  case TViewKey::Up:
  case TViewKey::Down:
    if (shift.Shift) {
      if (key == TViewKey::Left)
        s.PanOffset[0] += 0.05f;
      else if (key == TViewKey::Right)
        s.PanOffset[0] -= 0.05f;
      else if (key == TViewKey::Up)
        s.PanOffset[1] -= 0.05f;
      else
        s.PanOffset[1] += 0.05f;
    } else if (context.FlyMode) {
      TurnLookPoint(s, key);
    } else if (key == TViewKey::Left) {
      s.SpinAngle -= 1.0f;
    } else if (key == TViewKey::Right) {
      s.SpinAngle += 1.0f;
    } else if (key == TViewKey::Up) {
      s.TiltAngle += 1.0f;
    } else {
      s.TiltAngle -= 1.0f;
    }
    break;
  case TViewKey::Q:
    if (context.FlyMode)
      s.FlyVelocity = {0.0f, 0.0f, 0.0f};
    break;
  case TViewKey::R:
    if (shift.Shift) {
      s.PanOffset = {0.0f, 0.0f};
      e.Paint = true;
    }
    break;
  case TViewKey::Menu:
    e.PopupMenu = true;
    break;
  case TViewKey::NumPlus:
    ChangeFieldOfView(s, -1.0f, shift.Ctrl);
    e.Resize = true;
    break;
  case TViewKey::NumMinus:
    ChangeFieldOfView(s, 1.0f, shift.Ctrl);
    e.Resize = true;
    break;
  case TViewKey::Equal:
    if (shift.Shift)
      s.ReliefScale += 0.05f;
    else
      ChangeFieldOfView(s, -1.0f, shift.Ctrl);
    e.Resize = true;
    break;
  case TViewKey::Minus:
    if (shift.Shift)
      s.ReliefScale -= 0.05f;
    else
      ChangeFieldOfView(s, 1.0f, shift.Ctrl);
    e.Resize = true;
    break;
  case TViewKey::Other:
    break;
  }
  if (IsArrow(key)) {
    e.Paint = true;
    e.UncheckDynamic = true;
  }
  return e;
}

TViewMouseEffects ViewMouseDown(TView3DState &s, TMouseButton button, const TShiftState &shift, int x,
                                int y) {
  TViewMouseEffects e;
  e.UncheckDynamic = true;
  s.DragAnchor = TPoint{x, y};
  if (shift.Ctrl) {
    s.ScaleStart = s.ReliefScale;
    s.ScaleDragging = true;
  } else if (shift.Shift) {
    s.PanStart = s.PanOffset;
    s.PanDragging = true;
  } else if (button == TMouseButton::Left) {
    s.DragStartAngles = {s.SpinAngle, s.TiltAngle};
    s.RotateDragging = true;
  } else if (button == TMouseButton::Right) {
    s.WireStepStart = TPoint{s.WireStepX, s.WireStepY};
    s.LightStart = {s.LightSpin, s.LightTilt};
    s.RightDragging = true;
  }
  return e;
}

TViewMouseEffects ViewMouseMove(TView3DState &s, const TShiftState &shift, int x, int y,
                                const TViewMouseContext &context) {
  TViewMouseEffects e;
  s.LastMousePos = TPoint{x, y};
  const int dx = x - s.DragAnchor.X;
  const int dy = y - s.DragAnchor.Y;
  if (s.ScaleDragging) {
    float scale = s.ScaleStart - dy / 100.0f;
    if (scale > 3.0f)
      scale = 3.0f;
    if (scale < -3.0f)
      scale = -3.0f;
    s.ReliefScale = scale;
    e.Paint = true;
  } else if (s.RotateDragging) {
    const float perPixel = context.BoxMode ? s.FieldOfView / 60.0f : 1.0f;
    s.SpinAngle = s.DragStartAngles[0] + dx * perPixel;
    s.TiltAngle = s.DragStartAngles[1] + dy * perPixel;
    e.Paint = true;
  } else if (s.PanDragging) {
    s.PanOffset = {s.PanStart[0] - dx / 60.0f, s.PanStart[1] + dy / 60.0f};
    e.Paint = true;
  } else if (s.RightDragging) {
    if (context.Stereo) {
      s.StereoSeparation = dx / 1000.0f;
      e.StereoCaption = s.StereoSeparation;
    } else if (context.GridOnly) {
      s.WireStepX = std::abs(dx / 10 + s.WireStepStart.X) + 1;
      s.WireStepY = std::abs(dy / 10 + s.WireStepStart.Y) + 1;
      if (shift.Shift)
        s.WireStepY = s.WireStepX;
    } else {
      s.LightSpin = s.LightStart[0] + dx;
      s.LightTilt = s.LightStart[1] + dy;
    }
    e.Paint = true;
  } else if (context.TemperatureSample) {
    e.Paint = true;
  }
  return e;
}

TViewMouseEffects ViewMouseUp(TView3DState &s, const TShiftState &shift, bool boxMode) {
  TViewMouseEffects e;
  s.RotateDragging = false;
  s.RightDragging = false;
  s.ScaleDragging = false;
  if (s.PanDragging && boxMode && !shift.Ctrl)
    s.ViewDistance = 0.0f;
  e.Paint = true;
  // The window clears PanDragging after this paint, so that the paint still applies the projection.
  return e;
}

void ViewMouseWheel(TView3DState &s, bool up, const TShiftState &shift, bool flyMode, bool panoLoaded) {
  const float sign = up ? 1.0f : -1.0f;
  if (shift.Shift && flyMode)
    s.FlySpeed += sign * 0.01f;
  else if (shift.Shift && panoLoaded)
    s.BoxFineAdjust -= sign * 0.001f;
  else
    s.FieldOfView -= sign * (shift.Ctrl ? 5.0f : 1.0f);
}

} // namespace calidarix
