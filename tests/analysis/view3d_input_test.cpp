#include "analysis/view3d_actions.h"
#include "analysis/view3d_input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

namespace calidarix {
namespace {

using A = TViewAction;

int Shortcut(int key, Qt::KeyboardModifiers modifiers, std::set<A> disabled = {}) {
  return ShortcutAction(key, modifiers, [&](A a) { return !disabled.count(a); });
}

TEST(View3DActionsTest, ShortcutsGoToTheFirstEnabledActionOfTheList) {
  const auto ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
  // Ctrl+Alt+S belongs to "Show Status" and "Scaling Dynamic": the earlier one takes it.
  EXPECT_EQ(Shortcut(Qt::Key_S, ctrlAlt), static_cast<int>(A::aShowStatus));
  EXPECT_EQ(Shortcut(Qt::Key_S, ctrlAlt, {A::aShowStatus}), static_cast<int>(A::aScalingDynamic));
  EXPECT_EQ(Shortcut(Qt::Key_S, Qt::ControlModifier), static_cast<int>(A::aSmoothShade));
  EXPECT_EQ(Shortcut(Qt::Key_G, Qt::NoModifier), static_cast<int>(A::aGridOnly));
  EXPECT_EQ(Shortcut(Qt::Key_G, Qt::ShiftModifier), -1) << "modifiers must match exactly";
  EXPECT_EQ(Shortcut(Qt::Key_F2, Qt::NoModifier), static_cast<int>(A::SaveEveryFrame))
      << "hidden, still a key";
  EXPECT_EQ(Shortcut(Qt::Key_3, ctrlAlt), static_cast<int>(A::a3Dstereo));
  EXPECT_EQ(Shortcut(Qt::Key_3, Qt::ControlModifier), static_cast<int>(A::apSphere));
  EXPECT_EQ(Shortcut(Qt::Key_0, Qt::ControlModifier | Qt::KeypadModifier),
            static_cast<int>(A::BiasProjection));
  EXPECT_EQ(Shortcut(Qt::Key_Backspace, Qt::AltModifier), static_cast<int>(A::aFlyMode));
  EXPECT_EQ(Shortcut(Qt::Key_Tab, Qt::NoModifier), static_cast<int>(A::aTemperatureSample));
  EXPECT_EQ(Shortcut(Qt::Key_W, Qt::NoModifier), -1);
}

TEST(View3DActionsTest, TheTableKeepsTheGroupsAndStartStates) {
  int checkedLimits = 0;
  for (const TViewActionSpec &entry : ViewActions())
    if (entry.Group == 3 && entry.CheckedAtStart)
      ++checkedLimits;
  EXPECT_EQ(checkedLimits, 1);
  EXPECT_TRUE(ViewActionSpec(A::a256k).CheckedAtStart);
  EXPECT_EQ(ViewActionSpec(A::a8M).Tag, 64);
  EXPECT_FALSE(ViewActionSpec(A::SaveEveryFrame).VisibleAtStart);
  EXPECT_FALSE(ViewActionSpec(A::a128).EnabledAtStart);
  EXPECT_EQ(ViewActionSpec(A::apBoxCylinder).Tag, 4);
}

TEST(View3DActionsTest, TheHiddenSequenceRestartsOnAWrongKey) {
  const auto type = [](int &pos, const char *keys) {
    bool done = false;
    for (const char *k = keys; *k; ++k)
      done = AdvanceKeySequence(pos, *k) || done;
    return done;
  };
  int pos = 0;
  EXPECT_TRUE(type(pos, "WHARF"));
  EXPECT_EQ(pos, 5);
  EXPECT_FALSE(type(pos, "W")) << "after the fifth letter the next key only sets the count back";
  EXPECT_EQ(pos, 0);

  pos = 0;
  EXPECT_FALSE(type(pos, "WHXARF")) << "a wrong letter in the middle restarts";
  pos = 0;
  // The first letter right after a wrong one is not compared again: W H W H A R F does not count at the
  // third key, only from the fourth.
  EXPECT_FALSE(type(pos, "WHW"));
  EXPECT_EQ(pos, 0);
  EXPECT_FALSE(type(pos, "HARF"));
  pos = 0;
  EXPECT_TRUE(type(pos, "QWHARF"));
}

TEST(View3DInputTest, KeysOfTheMainBlockAndTheKeypadAreToldApart) {
  EXPECT_EQ(ViewKeyOf(Qt::Key_Plus, Qt::KeypadModifier), TViewKey::NumPlus);
  EXPECT_EQ(ViewKeyOf(Qt::Key_Plus, Qt::ShiftModifier), TViewKey::Equal); // Shift with "="
  EXPECT_EQ(ViewKeyOf(Qt::Key_Equal, Qt::NoModifier), TViewKey::Equal);
  EXPECT_EQ(ViewKeyOf(Qt::Key_Minus, Qt::KeypadModifier), TViewKey::NumMinus);
  EXPECT_EQ(ViewKeyOf(Qt::Key_Minus, Qt::NoModifier), TViewKey::Minus);
  EXPECT_EQ(ViewKeyOf(Qt::Key_Underscore, Qt::ShiftModifier), TViewKey::Minus);
  EXPECT_EQ(ViewKeyOf(Qt::Key_Left, Qt::KeypadModifier), TViewKey::Left);
  EXPECT_EQ(ViewKeyOf(Qt::Key_F, Qt::NoModifier), TViewKey::Other);
}

TEST(View3DInputTest, EscLeavesFullScreenFirstAndClosesOtherwise) {
  TView3DState s;
  TViewKeyEffects e = ViewKeyDown(s, TViewKey::Esc, TViewKeyContext{true, false, {}});
  EXPECT_TRUE(e.LeaveFullScreen);
  EXPECT_FALSE(e.Close);
  EXPECT_FALSE(s.AbortRequested);
  e = ViewKeyDown(s, TViewKey::Esc, TViewKeyContext{});
  EXPECT_TRUE(e.Close);
  EXPECT_TRUE(s.AbortRequested);
}

TEST(View3DInputTest, ArrowsTurnPanOrSteerAndStopTheAnimation) {
  struct Case {
    TViewKey key;
    bool shift;
    float spin, tilt, panX, panY;
  };
  const Case cases[] = {
      {TViewKey::Left, false, -91.0f, 30.0f, 0.0f, 0.0f},
      {TViewKey::Right, false, -89.0f, 30.0f, 0.0f, 0.0f},
      {TViewKey::Up, false, -90.0f, 31.0f, 0.0f, 0.0f},
      {TViewKey::Down, false, -90.0f, 29.0f, 0.0f, 0.0f},
      {TViewKey::Left, true, -90.0f, 30.0f, 0.05f, 0.0f},
      {TViewKey::Right, true, -90.0f, 30.0f, -0.05f, 0.0f},
      {TViewKey::Up, true, -90.0f, 30.0f, 0.0f, -0.05f},
      {TViewKey::Down, true, -90.0f, 30.0f, 0.0f, 0.05f},
  };
  for (const Case &c : cases) {
    TView3DState s;
    const TViewKeyEffects e =
        ViewKeyDown(s, c.key, TViewKeyContext{false, false, TShiftState{c.shift, false, false}});
    EXPECT_FLOAT_EQ(s.SpinAngle, c.spin);
    EXPECT_FLOAT_EQ(s.TiltAngle, c.tilt);
    EXPECT_FLOAT_EQ(s.PanOffset[0], c.panX);
    EXPECT_FLOAT_EQ(s.PanOffset[1], c.panY);
    EXPECT_TRUE(e.Paint);
    EXPECT_TRUE(e.UncheckDynamic);
  }
}

TEST(View3DInputTest, FlyModeSteersTheLookPointByOneDegree) {
  TView3DState s;
  s.EyePoint = {1.0f, 1.0f, 1.0f};
  s.LookPoint = {2.0f, 1.0f, 1.0f};
  ViewKeyDown(s, TViewKey::Left, TViewKeyContext{false, true, {}});
  EXPECT_NEAR(s.LookPoint[0], 1.0f + std::cos(std::numbers::pi / 180), 1e-6);
  EXPECT_NEAR(s.LookPoint[1], 1.0f + std::sin(std::numbers::pi / 180), 1e-6);
  EXPECT_FLOAT_EQ(s.LookPoint[2], 1.0f);
  EXPECT_FLOAT_EQ(s.SpinAngle, -90.0f) << "fly mode steers instead of turning the model";
  s.LookPoint = {2.0f, 1.0f, 1.0f};
  ViewKeyDown(s, TViewKey::Down, TViewKeyContext{false, true, {}});
  EXPECT_NEAR(s.LookPoint[2], 1.0f + std::sin(std::numbers::pi / 180), 1e-6);

  // Space starts flying along the view at a hundredth of the speed per tick; Q stops.
  s.FlySpeed = 1.0f;
  s.SpinAngle = 0.0f;
  s.TiltAngle = 0.0f;
  EXPECT_TRUE(ViewKeyDown(s, TViewKey::Space, TViewKeyContext{false, true, {}}).Paint);
  EXPECT_NEAR(s.FlyVelocity[0], 0.01f, 1e-7);
  ViewKeyDown(s, TViewKey::Q, TViewKeyContext{false, true, {}});
  EXPECT_EQ(s.FlyVelocity, (TVec3{0.0f, 0.0f, 0.0f}));
}

TEST(View3DInputTest, PlusAndMinusZoomOrRescale) {
  struct Case {
    TViewKey key;
    TShiftState shift;
    float fov, scale;
  };
  const Case cases[] = {
      {TViewKey::NumPlus, {}, 29.0f, 1.0f},
      {TViewKey::NumPlus, {false, false, true}, 25.0f, 1.0f},
      {TViewKey::NumMinus, {}, 31.0f, 1.0f},
      {TViewKey::Equal, {}, 29.0f, 1.0f},
      {TViewKey::Equal, {true, false, false}, 30.0f, 1.05f},
      {TViewKey::Minus, {true, false, false}, 30.0f, 0.95f},
      {TViewKey::Minus, {false, false, true}, 35.0f, 1.0f},
  };
  for (const Case &c : cases) {
    TView3DState s;
    EXPECT_TRUE(ViewKeyDown(s, c.key, TViewKeyContext{false, false, c.shift}).Resize);
    EXPECT_FLOAT_EQ(s.FieldOfView, c.fov);
    EXPECT_FLOAT_EQ(s.ReliefScale, c.scale);
  }
  TView3DState s;
  s.PanOffset = {0.3f, 0.2f};
  EXPECT_FALSE(ViewKeyDown(s, TViewKey::R, TViewKeyContext{}).Paint);
  EXPECT_TRUE(ViewKeyDown(s, TViewKey::R, TViewKeyContext{false, false, {true, false, false}}).Paint);
  EXPECT_EQ(s.PanOffset, (std::array<float, 2>{0.0f, 0.0f}));
}

TEST(View3DInputTest, DragsTurnScalePanOrMoveTheLight) {
  TView3DState s;
  // Ctrl wins over Shift and the button: a Ctrl+Shift drag rescales.
  ViewMouseDown(s, TMouseButton::Left, TShiftState{true, false, true}, 100, 100);
  EXPECT_TRUE(s.ScaleDragging);
  EXPECT_FALSE(s.PanDragging);
  ViewMouseMove(s, {}, 100, 50, {});
  EXPECT_FLOAT_EQ(s.ReliefScale, 1.5f);
  ViewMouseMove(s, {}, 100, -1000, {});
  EXPECT_FLOAT_EQ(s.ReliefScale, 3.0f);
  ViewMouseUp(s, {}, false);
  EXPECT_FALSE(s.ScaleDragging);

  ViewMouseDown(s, TMouseButton::Left, TShiftState{true, false, false}, 0, 0);
  ViewMouseMove(s, {}, 60, 30, {});
  EXPECT_FLOAT_EQ(s.PanOffset[0], -1.0f);
  EXPECT_FLOAT_EQ(s.PanOffset[1], 0.5f);
  // A pan ending in box mode without Ctrl puts the eye at the centre.
  s.ViewDistance = 4.0f;
  ViewMouseUp(s, {}, true);
  EXPECT_FLOAT_EQ(s.ViewDistance, 0.0f);
  s.PanDragging = false;

  ViewMouseDown(s, TMouseButton::Right, {}, 0, 0);
  ViewMouseMove(s, {}, 20, -10, {});
  EXPECT_FLOAT_EQ(s.LightSpin, 20.0f);
  EXPECT_FLOAT_EQ(s.LightTilt, -10.0f);
}

TEST(View3DInputTest, BoxModeTurnsByTheFieldOfView) {
  for (auto [fov, perPixel] : {std::pair{30.0f, 0.5f}, {120.0f, 2.0f}, {60.0f, 1.0f}}) {
    TView3DState s;
    s.FieldOfView = fov;
    s.SpinAngle = 0.0f;
    s.TiltAngle = 0.0f;
    ViewMouseDown(s, TMouseButton::Left, {}, 10, 10);
    ViewMouseMove(s, {}, 20, 14, TViewMouseContext{true, false, false, false});
    EXPECT_FLOAT_EQ(s.SpinAngle, 10 * perPixel);
    EXPECT_FLOAT_EQ(s.TiltAngle, 4 * perPixel);
  }
}

TEST(View3DInputTest, RightDragsSpaceTheWireGridOrSeparateTheEyes) {
  TView3DState s;
  s.WireStepX = 1;
  s.WireStepY = 1;
  ViewMouseDown(s, TMouseButton::Right, {}, 100, 100);
  ViewMouseMove(s, {}, 75, 131, TViewMouseContext{false, false, true, false});
  EXPECT_EQ(s.WireStepX, 2); // |-25 div 10 + 1| + 1 = |-2 + 1| + 1
  EXPECT_EQ(s.WireStepY, 5); // |31 div 10 + 1| + 1
  ViewMouseMove(s, TShiftState{true, false, false}, 75, 131, TViewMouseContext{false, false, true, false});
  EXPECT_EQ(s.WireStepY, 2) << "Shift keeps the grid square";

  const TViewMouseEffects e = ViewMouseMove(s, {}, 150, 100, TViewMouseContext{false, true, true, false});
  ASSERT_TRUE(e.StereoCaption.has_value());
  EXPECT_FLOAT_EQ(s.StereoSeparation, 0.05f);
  EXPECT_FLOAT_EQ(*e.StereoCaption, 0.05f);

  // Without a gesture a move paints only for the temperature read-out.
  TView3DState idle;
  EXPECT_FALSE(ViewMouseMove(idle, {}, 3, 4, {}).Paint);
  EXPECT_TRUE(ViewMouseMove(idle, {}, 3, 4, TViewMouseContext{true, false, false, true}).Paint);
  EXPECT_EQ(idle.LastMousePos, (TPoint{3, 4}));
}

TEST(View3DInputTest, TheWheelZoomsOrTunesFlightAndFrames) {
  TView3DState s;
  ViewMouseWheel(s, true, {}, false, false);
  EXPECT_FLOAT_EQ(s.FieldOfView, 29.0f);
  ViewMouseWheel(s, false, TShiftState{false, false, true}, false, false);
  EXPECT_FLOAT_EQ(s.FieldOfView, 34.0f);
  ViewMouseWheel(s, true, TShiftState{true, false, false}, true, false);
  EXPECT_FLOAT_EQ(s.FlySpeed, 0.01f);
  ViewMouseWheel(s, true, TShiftState{true, false, false}, false, true);
  EXPECT_FLOAT_EQ(s.BoxFineAdjust, -0.001f);
  ViewMouseWheel(s, true, TShiftState{true, false, false}, false, false);
  EXPECT_FLOAT_EQ(s.FieldOfView, 33.0f) << "Shift alone zooms";
}

} // namespace
} // namespace calidarix
