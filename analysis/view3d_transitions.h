#pragma once
// The animated transitions of the 3-D view: the mesh eased into another projection, the scripted tour
// through all projections, the flight of the eye into the centre and back, and the fixed turn. They run
// inside the command that starts them and paint every step; the re-projection and the tour let the event
// loop run between steps so that Esc can stop them.
//
// Only one transition runs at a time: one started while another lets the event loop run is refused.
// A mesh rebuilt while a transition runs (a new thermogram, another vertex limit) ends the transition at
// once, since the arrays it was moving are gone.

#include "analysis/view3d_projections.h"
#include "analysis/view3d_state.h"

#include <array>

namespace calidarix {

// What a transition needs of its window.
class TTransitionHost {
public:
  virtual ~TTransitionHost() = default;
  virtual bool Visible() const = 0;
  // Paints the step now.
  virtual void Paint() = 0;
  // Lets the event loop run once (keys, Esc, other commands).
  virtual void ProcessEvents() = 0;
  // The tour switches to the wire grid before its last segments.
  virtual void ShowWireGrid() = 0;
};

// Moves every mesh position and normal by ratio of its way to the targets; false (and nothing moves)
// when the targets do not match the mesh.
bool BlendMeshTowards(TView3DState &s, double ratio);
// The mesh takes the targets exactly.
bool TakeMeshTargets(TView3DState &s);
// Half a degree towards 0, unchanged at 0.
float TiltDrift(float tilt);

// The target geometry of a projection: ProjVertices from ProjectMesh and ProjNormals from it. False when
// the projection cannot be made (unknown kind, no mesh).
bool PrepareProjectionTargets(TView3DState &s, const TScanAngles &angles, int kind, double bias, bool radial);

// How a transition ended.
enum class TTransitionEnd { Finished, Stopped, Refused };

// Eases the mesh into projection `kind` over 49 painted steps, then takes the targets and drops them.
// Esc (AbortRequested) or a hidden window stops it part way, the targets kept. Nothing happens without
// scan angles.
TTransitionEnd ReProject(TView3DState &s, TTransitionHost &host, bool scanReconstructed,
                         const TScanAngles &angles, int kind, double bias, bool radial);

// One segment of the tour. The turn is subtracted from the spin every step; without a tilt turn the tilt
// drifts towards 0.
struct TMorphSegment {
  int Kind = 0;
  int Steps = 0;
  double Bias = 0.0;
  bool WireGridBefore = false; // the tour switches to the wire grid (step 5 x 5) before this segment
};
const std::array<TMorphSegment, 16> &MorphTour();

TTransitionEnd MorphTo(TView3DState &s, TTransitionHost &host, const TScanAngles &angles, int kind, int steps,
                       int dSpin, int dTilt, double bias, bool radial);
// The whole tour; Esc ends the running segment only.
TTransitionEnd PlayMorphTour(TView3DState &s, TTransitionHost &host, bool scanReconstructed,
                             const TScanAngles &angles, bool radial);

// The eye flies into the centre of the scene (toCentre: the action "Zero From View" is now checked) or
// back out to (d, 0, d / 2) with a field of view of 20, over 99 painted steps without event-loop turns.
TTransitionEnd ZeroFromView(TView3DState &s, TTransitionHost &host, bool toCentre);

// A 50-degree turn in 100 painted half-degree steps.
TTransitionEnd TurnScene(TView3DState &s, TTransitionHost &host);

} // namespace calidarix
