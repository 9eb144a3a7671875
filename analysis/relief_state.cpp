#include "analysis/relief_state.h"

#include "platform/numbers.h"

namespace calidarix {

namespace {

// The angle of a drag: value = position - anchor, brought into 0 .. 359 with the anchor moved so that
// position - anchor stays the angle.
int WrapDrag(int position, int &anchor) {
  int angle = position - anchor;
  if (angle < 0 || angle > 359) {
    angle %= 360;
    if (angle < 0)
      angle += 360;
    anchor = position - angle;
  }
  return angle;
}

int WrapDegrees(int angle) {
  angle %= 360;
  return angle < 0 ? angle + 360 : angle;
}

} // namespace

TReliefParams ReliefParamsOf(const TReliefState &s) {
  return TReliefParams{s.FReliefAzimuth, s.FReliefTilt, s.FReliefScale, s.FReliefDepth};
}

void ReliefFirstUse(TReliefState &s, int width) {
  if (s.FReliefScale != 1.0 || width < 1)
    return;
  s.FReliefScale = 460.8 / width;
  s.FReliefAzimuth = 300;
  s.FReliefTilt = 320;
}

void ReliefMouseDown(TReliefState &s, TMouseButton button, int x, int y) {
  if (button == TMouseButton::Left)
    s.FReliefDragPos = TPoint{x - s.FReliefAzimuth, y - s.FReliefTilt};
  else if (button == TMouseButton::Right)
    s.FReliefDragPos = TPoint{TruncToInt32(x - s.FReliefScale * 100.0), s.FReliefDepth + y - 256};
}

bool ReliefMouseMove(TReliefState &s, bool leftHeld, bool rightHeld, int x, int y) {
  if (leftHeld) {
    s.FReliefAzimuth = WrapDrag(x, s.FReliefDragPos.X);
    s.FReliefTilt = WrapDrag(y, s.FReliefDragPos.Y);
  }
  if (rightHeld) {
    s.FReliefScale = (x - s.FReliefDragPos.X) / 100.0;
    s.FReliefDepth = s.FReliefDragPos.Y - y + 256;
    if (s.FReliefScale > 4.0) {
      s.FReliefScale = 4.0;
      s.FReliefDragPos.X = x - 400;
    } else if (s.FReliefScale < 0.1) {
      s.FReliefScale = 0.1;
      s.FReliefDragPos.X = x - 10;
    }
    if (s.FReliefDepth > 256 || s.FReliefDepth < -255) {
      s.FReliefDepth = s.FReliefDepth > 256 ? 256 : -255;
      s.FReliefDragPos.Y = s.FReliefDepth + y - 256;
    }
  }
  return leftHeld || rightHeld;
}

bool ReliefTimerStep(TReliefState &s) {
  if (!s.FReliefView)
    return false;
  s.FReliefAzimuth = WrapDegrees(s.FReliefAzimuth + (s.FReliefRotateForward ? 1 : -1));
  return true;
}

} // namespace calidarix
