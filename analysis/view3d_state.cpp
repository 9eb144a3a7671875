#include "analysis/view3d_state.h"

#include <cmath>

namespace calidarix {

void ResetViewState(TView3DState &s, bool boxMode) {
  s.LightPosition = {1.0f, 0.0f, 4.0f, 1.0f};
  s.ReliefScale = 1.0f;
  s.StereoSeparation = 0.0f;
  s.FlyPosition = {0.0f, 0.0f, 0.0f};
  if (boxMode) {
    s.ViewDistance = 0.0f;
    s.FieldOfView = 60.0f;
    s.EyePoint = {-s.ViewDistance, 0.0f, 0.0f};
    s.LookPoint = {1.0f, 0.0f, 0.0f};
    s.UpVector = {0.0f, 0.0f, 1.0f};
    s.ZNear = 0.1f;
    s.ZFar = 10.0f;
    return;
  }
  s.SpinAngle = -90.0f;
  s.TiltAngle = 30.0f;
  if (s.MeshCols > 0 && s.MeshRows > 0) {
    s.CellWidth = s.MeshExtent / s.MeshCols;
    s.CellHeight = s.MeshExtent * s.MeshAspect / s.MeshRows;
  }
  s.ViewDistance = 7.0f;
  s.FieldOfView = 30.0f;
  s.EyePoint = {s.ViewDistance, 0.0f, s.ViewDistance / 2.0f};
  s.LookPoint = {0.0f, 0.0f, 0.0f};
  s.UpVector = {0.0f, 0.0f, 1.0f};
  s.ZNear = 0.1f;
  s.ZFar = 15.0f;
}

bool AnimationTick(TView3DState &s, const TAnimationSwitches &switches) {
  bool paint = false;
  if (switches.FlyMode &&
      (s.FlyVelocity[0] != 0.0f || s.FlyVelocity[1] != 0.0f || s.FlyVelocity[2] != 0.0f)) {
    s.FlyPosition = AddVec3(s.FlyPosition, s.FlyVelocity);
    paint = true;
  }
  if (!switches.Dynamic)
    return paint;
  s.SpinAngle = static_cast<float>(s.SpinAngle + s.SpinStep);
  if (s.SpinAngle >= 360.0f)
    s.SpinAngle = 0.0f;
  s.LightSpin -= 3.0f;
  if (s.LightSpin < 0.0f)
    s.LightSpin += 360.0f;
  if (switches.ScalingDynamic) {
    s.ReliefScale += s.ReliefScaleStep;
    if (std::fabs(s.ReliefScale) >= 3.0f)
      s.ReliefScaleStep = -s.ReliefScaleStep;
  }
  if (s.ApproachAnim) {
    if (s.ViewDistance <= 0.0f) {
      s.ApproachAnim = false;
      s.SpinStep = 0.01;
    } else {
      s.ViewDistance -= 0.001f;
    }
    if (s.TiltAngle > 20.0f)
      s.TiltAngle -= 0.05f;
  }
  return true;
}

int DueAnimationTicks(std::int64_t elapsedMs, std::int64_t &applied) {
  const std::int64_t total = elapsedMs / kAnimationTickMs;
  std::int64_t due = total - applied;
  applied = total;
  if (due < 0)
    return 0;
  if (due > kMaxCatchUpTicks)
    due = kMaxCatchUpTicks;
  return static_cast<int>(due);
}

void CountFrame(TView3DState &s, std::int64_t nowMs) {
  s.TickNow = nowMs;
  s.FrameCount += 1;
  if (s.TickNow - s.TickLast > 1000) {
    s.FramesPerSecond =
        static_cast<double>(s.FrameCount) * 1000.0 / static_cast<double>(s.TickNow - s.TickLast);
    s.TickLast = s.TickNow;
    s.FrameCount = 0;
  }
}

} // namespace calidarix
