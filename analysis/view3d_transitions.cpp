#include "analysis/view3d_transitions.h"

#include "analysis/view3d_mesh.h"

namespace calidarix {

namespace {

// Marks the state busy for the life of one transition.
class TBusy {
public:
  explicit TBusy(TView3DState &s) : FState(s), FTaken(!s.TransitionBusy) {
    if (FTaken)
      s.TransitionBusy = true;
  }
  ~TBusy() {
    if (FTaken)
      FState.TransitionBusy = false;
  }
  bool Taken() const { return FTaken; }

private:
  TView3DState &FState;
  bool FTaken;
};

// After a step was painted and the event loop ran: should the transition go on?
enum class TStep { Go, Stop, Gone };
TStep AfterStep(TView3DState &s, TTransitionHost &host, std::uint64_t generation) {
  if (!host.Visible())
    return TStep::Stop;
  host.Paint();
  host.ProcessEvents();
  if (s.MeshGeneration != generation)
    return TStep::Gone;
  if (s.AbortRequested) {
    s.AbortRequested = false;
    return TStep::Stop;
  }
  return TStep::Go;
}

void Ease(float &value, float target, double ratio) {
  value = static_cast<float>(value + (target - value) * ratio);
}

} // namespace

bool BlendMeshTowards(TView3DState &s, double ratio) {
  if (s.ProjVertices.size() != s.MeshVertices.size() || s.ProjNormals.size() != s.MeshNormals.size())
    return false;
  for (std::size_t i = 0; i < s.MeshVertices.size(); ++i)
    Ease(s.MeshVertices[i], s.ProjVertices[i], ratio);
  for (std::size_t i = 0; i < s.MeshNormals.size(); ++i)
    Ease(s.MeshNormals[i], s.ProjNormals[i], ratio);
  return true;
}

bool TakeMeshTargets(TView3DState &s) {
  if (s.ProjVertices.size() != s.MeshVertices.size() || s.ProjNormals.size() != s.MeshNormals.size())
    return false;
  s.MeshVertices = s.ProjVertices;
  s.MeshNormals = s.ProjNormals;
  return true;
}

float TiltDrift(float tilt) {
  if (tilt > 0.0f)
    return tilt - 0.5f;
  if (tilt < 0.0f)
    return tilt + 0.5f;
  return tilt;
}

bool PrepareProjectionTargets(TView3DState &s, const TScanAngles &angles, int kind, double bias,
                              bool radial) {
  if (!ProjectMesh(s, angles, kind, bias, radial, s.ProjVertices))
    return false;
  s.ProjNormals.assign(s.ProjVertices.size(), 0.0f);
  PreCalcNormalVectors(s.ProjVertices, s.ProjNormals, s.MeshCols, s.MeshRows);
  return s.ProjVertices.size() == s.MeshVertices.size();
}

TTransitionEnd ReProject(TView3DState &s, TTransitionHost &host, bool scanReconstructed,
                         const TScanAngles &angles, int kind, double bias, bool radial) {
  if (!scanReconstructed)
    return TTransitionEnd::Finished;
  TBusy busy(s);
  if (!busy.Taken())
    return TTransitionEnd::Refused;
  if (!PrepareProjectionTargets(s, angles, kind, bias, radial))
    return TTransitionEnd::Stopped;
  const std::uint64_t generation = s.MeshGeneration;
  for (int step = 49; step >= 1; --step) {
    BlendMeshTowards(s, SmoothStepRatio(step, 50));
    if (AfterStep(s, host, generation) != TStep::Go)
      return TTransitionEnd::Stopped;
  }
  TakeMeshTargets(s);
  s.ProjVertices.clear();
  s.ProjNormals.clear();
  return TTransitionEnd::Finished;
}

const std::array<TMorphSegment, 16> &MorphTour() {
  static const std::array<TMorphSegment, 16> tour{{
      {kSphere, 30, 1.0, false},
      {kSphere, 30, 0.0, false},
      {kCylinder, 90, 0.0, false},
      {kCylinder, 30, 1.0, false},
      {kCylinder, 30, 0.0, false},
      {kBox, 90, 0.0, false},
      {kBox, 30, 1.0, false},
      {kBox, 30, 0.0, false},
      {kPolar, 90, 0.0, false},
      {kPolar, 30, 1.0, false},
      {kPolar, 30, 0.0, false},
      {kEquidistant, 30, 1.0, false},
      {kPolar, 30, 1.0, true},
      {kSphere, 30, 1.0, false},
      {kCylinder, 30, 1.0, false},
      {kEquidistant, 30, 1.0, false},
  }};
  return tour;
}

namespace {

// The steps of one segment; Gone when the mesh was replaced under it.
TStep RunMorph(TView3DState &s, TTransitionHost &host, const TScanAngles &angles, int kind, int steps,
               int dSpin, int dTilt, double bias, bool radial) {
  if (!PrepareProjectionTargets(s, angles, kind, bias, radial))
    return TStep::Stop;
  const std::uint64_t generation = s.MeshGeneration;
  for (int step = steps; step >= 1; --step) {
    BlendMeshTowards(s, SmoothStepRatio(step, steps));
    s.SpinAngle -= static_cast<float>(dSpin);
    s.TiltAngle = dTilt != 0 ? s.TiltAngle - static_cast<float>(dTilt) : TiltDrift(s.TiltAngle);
    const TStep next = AfterStep(s, host, generation);
    if (next != TStep::Go)
      return next;
  }
  TakeMeshTargets(s);
  return TStep::Go;
}

} // namespace

TTransitionEnd MorphTo(TView3DState &s, TTransitionHost &host, const TScanAngles &angles, int kind, int steps,
                       int dSpin, int dTilt, double bias, bool radial) {
  TBusy busy(s);
  if (!busy.Taken())
    return TTransitionEnd::Refused;
  return RunMorph(s, host, angles, kind, steps, dSpin, dTilt, bias, radial) == TStep::Go
             ? TTransitionEnd::Finished
             : TTransitionEnd::Stopped;
}

TTransitionEnd PlayMorphTour(TView3DState &s, TTransitionHost &host, bool scanReconstructed,
                             const TScanAngles &angles, bool radial) {
  if (!scanReconstructed)
    return TTransitionEnd::Finished;
  TBusy busy(s);
  if (!busy.Taken())
    return TTransitionEnd::Refused;
  TTransitionEnd end = TTransitionEnd::Finished;
  for (const TMorphSegment &segment : MorphTour()) {
    if (segment.WireGridBefore) {
      host.ShowWireGrid();
      s.WireStepX = 5;
      s.WireStepY = 5;
    }
    const TStep result = RunMorph(s, host, angles, segment.Kind, segment.Steps, 1, 0, segment.Bias, radial);
    if (result == TStep::Gone)
      return TTransitionEnd::Stopped;
    if (result == TStep::Stop)
      end = TTransitionEnd::Stopped;
  }
  return end;
}

TTransitionEnd ZeroFromView(TView3DState &s, TTransitionHost &host, bool toCentre) {
  TBusy busy(s);
  if (!busy.Taken())
    return TTransitionEnd::Refused;
  const float d = s.ViewDistance;
  const TVec3 eye = toCentre ? TVec3{0.0f, 0.0f, 0.0f} : TVec3{d, 0.0f, d / 2.0f};
  const TVec3 look = toCentre ? TVec3{1.0f, 0.0f, 0.0f} : TVec3{0.0f, 0.0f, 0.0f};
  const float fov = toCentre ? 60.0f : 20.0f;
  s.PanDragging = true;
  for (int step = 99; step >= 1; --step) {
    const double ratio = SmoothStepRatio(step, 100);
    for (int i = 0; i < 3; ++i) {
      Ease(s.EyePoint[i], eye[i], ratio);
      Ease(s.LookPoint[i], look[i], ratio);
    }
    Ease(s.FieldOfView, fov, ratio);
    host.Paint();
  }
  s.EyePoint = eye;
  s.LookPoint = look;
  s.FieldOfView = fov;
  host.Paint();
  s.PanDragging = false;
  return TTransitionEnd::Finished;
}

TTransitionEnd TurnScene(TView3DState &s, TTransitionHost &host) {
  TBusy busy(s);
  if (!busy.Taken())
    return TTransitionEnd::Refused;
  for (int i = 0; i < 100; ++i) {
    s.SpinAngle -= 0.5f;
    host.Paint();
  }
  return TTransitionEnd::Finished;
}

} // namespace calidarix
