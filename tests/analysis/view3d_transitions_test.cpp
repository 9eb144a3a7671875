#include "analysis/view3d_transitions.h"

#include "analysis/view3d_mesh.h"
#include "tests/support/thermogram_fixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace calidarix {
namespace {

// The window as the transitions see it: counts the painted steps, and can act while the event loop runs.
class FakeHost : public TTransitionHost {
public:
  bool Visible() const override { return visible; }
  void Paint() override { ++paints; }
  void ProcessEvents() override {
    ++turns;
    if (onEvents)
      onEvents(turns);
  }
  void ShowWireGrid() override { gridShownAtPaint = paints; }

  bool visible = true;
  int paints = 0;
  int turns = 0;
  int gridShownAtPaint = -1;
  std::function<void(int)> onEvents;
};

class View3DTransitionsTest : public test::ThermogramTest {
protected:
  void SetUp() override {
    test::ThermogramTest::SetUp();
    t.ResetHeader();
    test::SetFrame(t, 12, 6, [](int x, int y) { return 1000 * (x + y) + 500; });
    t.FScanReconstructed = true;
    t.FHeader.HorzExtent = 180 * 120;
    t.FHeader.VertExtent = 180 * 60;
    t.FHeader.Elevation = 180 * 30;
    BuildSurfaceMesh(s, t, false);
    angles = ScanAnglesOf(t);
  }
  std::vector<float> Target(int kind, double bias) {
    std::vector<float> out;
    ProjectMesh(s, angles, kind, bias, false, out);
    return out;
  }
  TDTV t;
  TView3DState s;
  TScanAngles angles;
  FakeHost host;
};

TEST(View3DSmoothStepTest, TheEasingCoversTheWholeWay) {
  EXPECT_DOUBLE_EQ(SmoothStep(-1.0), 0.0);
  EXPECT_DOUBLE_EQ(SmoothStep(0.5), 0.5);
  EXPECT_DOUBLE_EQ(SmoothStep(2.0), 1.0);
  EXPECT_DOUBLE_EQ(SmoothStepRatio(50, 50), 0.0) << "the first step of a morph moves nothing";
  // Easing a value from 0 to 1 with the steps counted down from 49 to 1 ends within a thousandth of the
  // target (the last steps overshoot and come back); the transitions then take the target exactly.
  double value = 0.0;
  for (int step = 49; step >= 1; --step)
    value += (1.0 - value) * SmoothStepRatio(step, 50);
  EXPECT_NEAR(value, 1.0, 1e-3);
}

TEST(View3DSmoothStepTest, TheTiltDriftsAroundZeroByHalfADegree) {
  EXPECT_FLOAT_EQ(TiltDrift(0.3f), -0.2f);
  EXPECT_FLOAT_EQ(TiltDrift(-0.2f), 0.3f);
  EXPECT_EQ(TiltDrift(0.0f), 0.0f);
}

TEST_F(View3DTransitionsTest, ReProjectionEasesTheMeshIntoTheTargetOverFortyNineSteps) {
  const std::vector<float> target = Target(kSphere, 1.0);
  EXPECT_EQ(ReProject(s, host, true, angles, kSphere, 1.0, false), TTransitionEnd::Finished);
  EXPECT_EQ(host.paints, 49);
  EXPECT_EQ(s.MeshVertices, target);
  EXPECT_TRUE(s.ProjVertices.empty());
  EXPECT_TRUE(s.ProjNormals.empty());
  EXPECT_FALSE(s.TransitionBusy);
}

TEST_F(View3DTransitionsTest, WithoutScanAnglesNothingMoves) {
  const std::vector<float> before = s.MeshVertices;
  EXPECT_EQ(ReProject(s, host, false, angles, kSphere, 1.0, false), TTransitionEnd::Finished);
  EXPECT_EQ(PlayMorphTour(s, host, false, angles, false), TTransitionEnd::Finished);
  EXPECT_EQ(host.paints, 0);
  EXPECT_EQ(s.MeshVertices, before);
}

TEST_F(View3DTransitionsTest, EscOrAHiddenWindowLeavesTheMeshPartWay) {
  const std::vector<float> start = s.MeshVertices;
  const std::vector<float> target = Target(kCylinder, 1.0);
  host.onEvents = [&](int turn) {
    if (turn == 10)
      s.AbortRequested = true;
  };
  EXPECT_EQ(ReProject(s, host, true, angles, kCylinder, 1.0, false), TTransitionEnd::Stopped);
  EXPECT_EQ(host.paints, 10);
  EXPECT_FALSE(s.AbortRequested) << "the transition takes the request";
  EXPECT_NE(s.MeshVertices, start);
  EXPECT_NE(s.MeshVertices, target);
  EXPECT_EQ(s.ProjVertices, target) << "the targets stay after an early end";

  // Closing the window: the step that finds it hidden is the last, and it is not painted.
  host = FakeHost{};
  host.visible = false;
  EXPECT_EQ(ReProject(s, host, true, angles, kSphere, 1.0, false), TTransitionEnd::Stopped);
  EXPECT_EQ(host.paints, 0);
}

TEST_F(View3DTransitionsTest, ASecondTransitionStartedMeanwhileIsRefused) {
  TTransitionEnd inner = TTransitionEnd::Finished;
  host.onEvents = [&](int turn) {
    if (turn == 3)
      inner = ReProject(s, host, true, angles, kBox, 1.0, false);
  };
  const std::vector<float> target = Target(kPolar, 1.0);
  EXPECT_EQ(ReProject(s, host, true, angles, kPolar, 1.0, false), TTransitionEnd::Finished);
  EXPECT_EQ(inner, TTransitionEnd::Refused);
  EXPECT_EQ(s.MeshVertices, target) << "the running one went on undisturbed";
  EXPECT_EQ(ZeroFromView(s, host, true), TTransitionEnd::Finished) << "and the flag is released";
}

TEST_F(View3DTransitionsTest, AMeshRebuiltMeanwhileEndsTheTransition) {
  host.onEvents = [&](int turn) {
    if (turn == 5) { // a new thermogram arrives while the events run
      test::SetFrame(t, 4, 4, [](int, int) { return 100; });
      BuildSurfaceMesh(s, t, false);
    }
  };
  EXPECT_EQ(ReProject(s, host, true, angles, kSphere, 1.0, false), TTransitionEnd::Stopped);
  EXPECT_EQ(host.paints, 5);
  EXPECT_EQ(s.MeshCols, 4);
  EXPECT_EQ(s.MeshVertices.size(), 3u * 16);
  EXPECT_FLOAT_EQ(s.MeshVertices[2], 100.0f / 65535.0f) << "the new mesh is left as it was built";
  EXPECT_FALSE(s.TransitionBusy);
}

TEST_F(View3DTransitionsTest, TheTourGoesOnAfterEscEndsOneSegment) {
  int total = 0;
  for (const TMorphSegment &segment : MorphTour())
    total += segment.Steps;
  // Esc during segment 3 (after 30 + 30 + 10 steps) ends that segment only.
  host.onEvents = [&](int turn) {
    if (turn == 70)
      s.AbortRequested = true;
  };
  const float spin = s.SpinAngle;
  EXPECT_EQ(PlayMorphTour(s, host, true, angles, false), TTransitionEnd::Stopped);
  EXPECT_EQ(host.paints, total - 80);
  EXPECT_FLOAT_EQ(s.SpinAngle, spin - (total - 80)) << "one degree of spin per step";
  EXPECT_EQ(host.gridShownAtPaint, total - 80 - 4 * 30) << "the wire grid before the last four segments";
  EXPECT_EQ(s.WireStepX, 5);
  EXPECT_EQ(s.MeshVertices, Target(kEquidistant, 1.0)) << "the tour ends flat with relief";
}

TEST_F(View3DTransitionsTest, AClosedWindowRunsEachSegmentsFirstStepOnly) {
  host.visible = false;
  const std::vector<float> start = s.MeshVertices;
  s.TiltAngle = 0.3f;
  const float spin = s.SpinAngle;
  PlayMorphTour(s, host, true, angles, false);
  EXPECT_EQ(s.MeshVertices, start) << "a first step moves nothing";
  EXPECT_FLOAT_EQ(s.SpinAngle, spin - 16.0f);
  EXPECT_FLOAT_EQ(s.TiltAngle, 0.3f) << "sixteen drift steps of half a degree around 0";
}

TEST_F(View3DTransitionsTest, TheEyeFliesInAndOutToFixedPlaces) {
  s.ViewDistance = 7.0f;
  EXPECT_EQ(ZeroFromView(s, host, true), TTransitionEnd::Finished);
  EXPECT_EQ(host.paints, 100);
  EXPECT_EQ(host.turns, 0) << "no event-loop turns during the flight";
  EXPECT_EQ(s.EyePoint, (TVec3{0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(s.LookPoint, (TVec3{1.0f, 0.0f, 0.0f}));
  EXPECT_FLOAT_EQ(s.FieldOfView, 60.0f);
  EXPECT_FALSE(s.PanDragging);
  ZeroFromView(s, host, false);
  EXPECT_EQ(s.EyePoint, (TVec3{7.0f, 0.0f, 3.5f}));
  EXPECT_FLOAT_EQ(s.FieldOfView, 20.0f) << "not the field of view before the flight";

  host.paints = 0;
  s.SpinAngle = 10.0f;
  TurnScene(s, host);
  EXPECT_EQ(host.paints, 100);
  EXPECT_FLOAT_EQ(s.SpinAngle, -40.0f);
}

} // namespace
} // namespace calidarix
