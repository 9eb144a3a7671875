#pragma once
// The state of the 3-D view that every part of it shares: the surface mesh, the camera, the light, the
// animation values, the gestures and key sequence, and the picked sample points. One 3-D view exists;
// its window holds one TView3DState. The names are the design's own. Everything here is plain data and
// headless functions, so the mesh, the view changes and the timer step are tested without OpenGL.

#include "analysis/view3d_vectors.h"
#include "thermogram/rect.h"
#include "thermogram/tdtv.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace calidarix {

struct TView3DState {
  // ---- Mesh (rebuilt from the current thermogram) ----
  int MeshCols = 0;
  int MeshRows = 0;
  TPoint SampleStep{1, 1};           // raw pixels per mesh step in x and y
  std::int64_t VertexLimit = 262144; // upper bound of the mesh vertices: 131072 x the chosen limit's Tag
  double MeshExtent = 4.0;           // width of the surface in model units
  double MeshAspect = 4.0 / 3.0;     // height / width of the surface
  double CellWidth = 0.0;
  double CellHeight = 0.0;
  int WireStepX = 1; // wire-frame spacing in mesh columns and rows, at least 1
  int WireStepY = 1;
  std::vector<float> MeshVertices; // 3 per vertex, vertex v = r x MeshCols + c
  std::vector<float> MeshNormals;
  std::vector<float> ProjVertices; // target of a transition, same layout
  std::vector<float> ProjNormals;
  std::vector<TTexel> MeshColors;         // RGBA per vertex; alpha 0 hidden, 128 transparent, 255 opaque
  std::vector<std::uint32_t> MeshIndices; // quad strips, 2 x MeshCols per row pair
  // The raw value each vertex samples, kept with the mesh so that the projections bend the heights the
  // mesh was built from, whatever happened to the thermogram since.
  std::vector<std::uint16_t> MeshRaw;
  float MeshMegabytes = 0.0f;
  // Counts the mesh rebuilds, so that a transition that let the event loop run can tell that the mesh
  // it was moving has been replaced under it.
  std::uint64_t MeshGeneration = 0;
  // A transition is running (only one at a time).
  bool TransitionBusy = false;

  // ---- Camera and light ----
  float ViewDistance = 7.0f; // 0: the eye at the centre
  float FieldOfView = 30.0f; // vertical, degrees
  float SpinAngle = -90.0f;  // about z, degrees
  float TiltAngle = 30.0f;   // about y, degrees
  TVec3 EyePoint{7.0f, 0.0f, 3.5f};
  TVec3 LookPoint{0.0f, 0.0f, 0.0f};
  TVec3 UpVector{0.0f, 0.0f, 1.0f};
  float ZNear = 0.1f;
  float ZFar = 15.0f;
  float LightSpin = 0.0f;
  float LightTilt = 0.0f;
  std::array<float, 4> LightPosition{1.0f, 0.0f, 4.0f, 1.0f};
  float ReliefScale = 1.0f;
  float ReliefScaleStep = 0.0015f;
  double SpinStep = 0.15;
  bool ApproachAnim = false;
  float StereoSeparation = 0.1f;
  std::array<float, 2> PanOffset{0.0f, 0.0f};
  TVec3 FlyPosition{0.0f, 0.0f, 0.0f};
  TVec3 FlyVelocity{0.0f, 0.0f, 0.0f};
  double FramesPerSecond = 0.0;
  std::int64_t FrameCount = 0;
  std::int64_t TickLast = 0;
  std::int64_t TickNow = 0;

  // ---- Gestures and keys ----
  int KeySeqPos = 0;
  bool AbortRequested = false; // Esc: long animations stop at their next step
  bool RotateDragging = false;
  bool RightDragging = false;
  bool ScaleDragging = false;
  bool PanDragging = false; // also set by animations that need the projection at every paint
  TPoint DragAnchor;
  std::array<float, 2> DragStartAngles{0.0f, 0.0f}; // spin, tilt
  std::array<float, 2> PanStart{0.0f, 0.0f};
  float ScaleStart = 0.0f;
  std::array<float, 2> LightStart{0.0f, 0.0f}; // spin, tilt
  TPoint WireStepStart;
  TPoint LastMousePos;
  int ProjectionKind = 0;
  bool TimerStarted = false;
  float FlySpeed = 0.0f;

  // ---- Box mode values the surface code reads ----
  int BoxSide = 512;
  float BoxFineAdjust = 0.0f;
  double BoxRadPerPixelH = 0.0; // angular size of a pixel, radians; 0 until the box mode has run
  double BoxRadPerPixelV = 0.0;

  // ---- Samples and frame saving ----
  bool PickPending = false;
  std::vector<TVec3> SamplePoints;
  std::vector<double> SampleTemps;
  bool SaveEveryFrameOn = false;
  QString SaveFramesFolder;
  int SavedFrameNo = 0;
};

// Camera, light and scale defaults of the mode (ResetView). The caller switches the lighting: off in
// box mode, on in surface mode.
void ResetViewState(TView3DState &s, bool boxMode);

// The check marks that the animation timer reads.
struct TAnimationSwitches {
  bool FlyMode = false;
  bool Dynamic = false;
  bool ScalingDynamic = false;
};

// One 5 ms step of the animation: the fly step, then the turning, light, scaling and approach
// animations. Returns true when the view has to be painted again.
bool AnimationTick(TView3DState &s, const TAnimationSwitches &switches);

// The animation runs in 5 ms steps. A timer that fires late applies every step it owes, up to
// kMaxCatchUpTicks at once (a stall of the program is not replayed). elapsedMs is the time since the
// timer started; applied counts the steps already applied and is brought up to date.
inline constexpr std::int64_t kAnimationTickMs = 5;
inline constexpr std::int64_t kMaxCatchUpTicks = 40;
int DueAnimationTicks(std::int64_t elapsedMs, std::int64_t &applied);

// Frame-rate bookkeeping of one painted frame at tick count nowMs.
void CountFrame(TView3DState &s, std::int64_t nowMs);

} // namespace calidarix
