#include "analysis/mouse_gestures.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

// A frame of width x height shown one box pixel per image pixel from the box's corner, so box and image
// positions agree inside the frame.
class Gestures : public ::testing::Test {
protected:
  void SetFrame(int width, int height, int boxWidth, int boxHeight) {
    context.View = TImageView{width, height, 1.0, 1.0, 1.0, 0.0, 0.0};
    context.BoxWidth = boxWidth;
    context.BoxHeight = boxHeight;
  }
  void SetUp() override { SetFrame(20, 10, 20, 10); }

  TGestureEffects Down(TMouseButton b, int x, int y, TShiftState shift = {}) {
    return ImageMouseDown(state, markers, context, b, x, y, shift);
  }
  TGestureEffects Move(int x, int y, TShiftState shift = {}) {
    return ImageMouseMove(state, markers, context, x, y, shift);
  }
  TGestureEffects Up(TMouseButton b, int x, int y, TShiftState shift = {}) {
    return ImageMouseUp(state, markers, context, b, x, y, shift);
  }
  TGestureEffects Drag(int x0, int y0, int x1, int y1, TShiftState shift = {}) {
    Down(TMouseButton::Left, x0, y0, shift);
    Move((x0 + x1) / 2, (y0 + y1) / 2, shift);
    Move(x1, y1, shift);
    return Up(TMouseButton::Left, x1, y1, shift);
  }

  TGestureState state;
  TMarkerLists markers;
  TGestureContext context;
};

TEST_F(Gestures, DraggingOutAnAreaAndClickingInAndOutOfIt) {
  TGestureEffects e = Drag(12, 8, 3, 2); // up and to the left
  EXPECT_TRUE(e.CountArea);
  EXPECT_EQ(markers.FCurrentArea.Rect(), (TRect{3, 2, 12, 8})) << "put in order when the drag ends";
  EXPECT_FALSE(state.FRubberBand);
  EXPECT_FALSE(state.FImageMouseDown);

  // A click inside keeps the area and counts it again; a click outside leaves no area.
  Down(TMouseButton::Left, 5, 5);
  e = Up(TMouseButton::Left, 5, 5);
  EXPECT_TRUE(e.CountArea);
  EXPECT_EQ(markers.FCurrentArea.Rect(), (TRect{3, 2, 12, 8}));
  Down(TMouseButton::Left, 18, 1);
  e = Up(TMouseButton::Left, 18, 1);
  EXPECT_TRUE(e.AreaCleared);
  EXPECT_TRUE(markers.FCurrentArea.IsAllZero());
}

TEST_F(Gestures, DragsThatMakeNoMeasurableAreaCountAsClicks) {
  const std::pair<TRect, const char *> drags[] = {
      {{4, 4, 5, 5}, "under 2 x 2"},
      {{4, 1, 4, 8}, "one column over several rows"},
      {{1, 4, 9, 4}, "one row over several columns"},
  };
  for (const auto &[r, name] : drags) {
    const TGestureEffects e = Drag(r.Left, r.Top, r.Right, r.Bottom);
    EXPECT_TRUE(e.AreaTooSmall) << name;
    EXPECT_FALSE(e.CountArea) << name;
    EXPECT_TRUE(markers.FCurrentArea.IsAllZero()) << name;
  }
  EXPECT_TRUE(Drag(4, 4, 6, 5).CountArea) << "three columns and two rows are an area";
}

TEST_F(Gestures, ShiftMakesASquareThatStopsAtTheFrameEdge) {
  SetFrame(40, 10, 40, 10);
  // From the centre of a wide frame towards its bottom-right corner.
  Drag(20, 5, 39, 9, TShiftState{true, false, false});
  EXPECT_EQ(markers.FCurrentArea.Rect(), (TRect{20, 5, 24, 9}));

  struct Case {
    TRect start;
    TPoint to;
    TRect expected;
  };
  const Case cases[] = {
      {{10, 5, 10, 5}, {13, 6}, {10, 5, 13, 8}}, // the shorter side grows towards the drag
      {{10, 5, 10, 5}, {8, 0}, {10, 5, 5, 0}},   // up and left
      {{2, 5, 2, 5}, {0, 0}, {2, 5, 0, 3}},      // a square past the left edge shrinks
      {{5, 2, 5, 2}, {0, 0}, {5, 2, 3, 0}},      // ... and past the top edge
      {{30, 2, 30, 2}, {39, 9}, {30, 2, 37, 9}},
  };
  for (const Case &c : cases)
    EXPECT_EQ(DragAreaCorner(c.start, c.to.X, c.to.Y, true, 40, 10), c.expected)
        << c.start.Left << "," << c.start.Top << " to " << c.to.X << "," << c.to.Y;
  EXPECT_EQ(DragAreaCorner(TRect{10, 5, 10, 5}, 13, 6, false, 40, 10), (TRect{10, 5, 13, 6}));
}

TEST_F(Gestures, MovingAnAreaKeepsItsSizeAndStopsAtTheLastColumn) {
  Drag(2, 2, 6, 5);
  Down(TMouseButton::Left, 4, 3);
  EXPECT_TRUE(state.FAreaMoving);
  Move(10, 3);
  EXPECT_EQ(markers.FCurrentArea.Rect(), (TRect{8, 2, 12, 5}));
  Move(19, 9); // far past the right and bottom edges (the mouse itself is clamped to the frame)
  EXPECT_EQ(markers.FCurrentArea.Rect(), (TRect{15, 6, 19, 9}));
  const TGestureEffects e = Up(TMouseButton::Left, 19, 9);
  EXPECT_TRUE(e.CountArea);
  EXPECT_EQ(MoveAreaInside(TRect{2, 2, 6, 5}, -30, 0, 20, 10), (TRect{0, 2, 4, 5}));
}

TEST_F(Gestures, RightClicksStoreAnAreaOnceAndAddAPointOnce) {
  Drag(2, 2, 8, 6);
  for (int i = 0; i < 2; ++i) { // a double right-click: two presses on the same place
    Down(TMouseButton::Right, 4, 4);
    Up(TMouseButton::Right, 4, 4);
  }
  ASSERT_EQ(markers.FAreas.size(), 1u);
  EXPECT_EQ(markers.FAreas[0].Count, 1);
  EXPECT_EQ(markers.FAreas[0].Rect(), (TRect{2, 2, 8, 6}));
  // The label of the stored area follows a right-button drag.
  Down(TMouseButton::Right, 4, 4);
  Move(12, 1);
  EXPECT_EQ(markers.FAreas[0].DX, 12 - 5);
  EXPECT_EQ(markers.FAreas[0].DY, 1 - 4);
  Up(TMouseButton::Right, 12, 1);
  EXPECT_FALSE(state.FDragInside);

  for (int i = 0; i < 2; ++i) {
    const TGestureEffects e = Down(TMouseButton::Right, 15, 8);
    EXPECT_EQ(e.PointAdded, i == 0);
    Up(TMouseButton::Right, 15, 8);
  }
  ASSERT_EQ(markers.FPoints.size(), 1u);
  EXPECT_EQ(markers.FPoints[0].Number, 1);
  // The right edge of the current area is outside it: a click there adds a point.
  Down(TMouseButton::Right, 8, 4);
  EXPECT_EQ(markers.FPoints.size(), 2u);
}

TEST_F(Gestures, AngleToolOnlyMovesTheVertexAndTheArms) {
  context.AngleTool = true;
  SetFrame(20, 10, 200, 100);
  Down(TMouseButton::Left, 10, 10);
  Move(120, 60);
  EXPECT_EQ(state.FAnglePos, (TPoint{20, 10}));
  Up(TMouseButton::Left, 120, 60);

  Down(TMouseButton::Right, 150, 60);
  Move(120, 40); // straight above the vertex (120, 60): the second arm is vertical
  EXPECT_EQ(state.FAngleArms[1], 0);
  Move(140, 80); // down and to the right
  EXPECT_EQ(state.FAngleArms[1], 45);
  Move(120, 60); // on the vertex: no direction, the arms stay
  EXPECT_EQ(state.FAngleArms[1], 45);
  Move(140, 60, TShiftState{false, true, false}); // with Alt the first arm
  EXPECT_EQ(state.FAngleArms[0], 90);
  Up(TMouseButton::Right, 140, 60);
  EXPECT_TRUE(markers.FPoints.empty());
  EXPECT_TRUE(markers.FAreas.empty());
  EXPECT_TRUE(markers.FCurrentArea.IsAllZero());
}

TEST_F(Gestures, CtrlDragPansAndCtrlOrAltClickInsideZoomsOrCrops) {
  SetFrame(40, 20, 20, 10); // half the frame fits the box
  context.View.ViewOffsetX = 10.0;
  Down(TMouseButton::Left, 15, 5, TShiftState{false, false, true});
  EXPECT_EQ(markers.FCurrentArea.Rect(), (TRect{25, 5, 25, 5})) << "the pressed pixel, no area";
  TGestureEffects e = Move(10, 5, TShiftState{false, false, true});
  EXPECT_TRUE(e.ViewChanged);
  EXPECT_DOUBLE_EQ(context.View.ViewOffsetX, 15.0);
  Move(-50, 5, TShiftState{false, false, true});
  EXPECT_DOUBLE_EQ(context.View.ViewOffsetX, 20.0) << "stops where the frame's last column reaches the box";
  // With Shift one box width of travel moves the whole frame width.
  context.View.ViewOffsetX = 0.0;
  state.FMousePos = TPoint{20, 5};
  Move(10, 5, TShiftState{true, false, true});
  EXPECT_DOUBLE_EQ(context.View.ViewOffsetX, 20.0);
  Up(TMouseButton::Left, 10, 5, TShiftState{false, false, true});

  SetFrame(20, 10, 20, 10);
  Drag(2, 2, 8, 6);
  markers.FPoints.push_back(TPointRecord{1, 1, 0, 0, 0, 1});
  e = Down(TMouseButton::Left, 4, 4, TShiftState{false, false, true});
  EXPECT_TRUE(e.ZoomToArea);
  EXPECT_FALSE(state.FImageMouseDown);
  e = Down(TMouseButton::Left, 4, 4, TShiftState{false, true, false});
  EXPECT_TRUE(e.Crop);
  EXPECT_EQ(e.CropRect, (TRect{2, 2, 9, 7})) << "half-open: columns 2..8 and rows 2..6 of the area";
  EXPECT_TRUE(markers.FPoints.empty());
  EXPECT_TRUE(markers.FCurrentArea.IsAllZero());
}

TEST_F(Gestures, ProfileLineFocusToolAndReset) {
  context.ProfileMode = true;
  markers.FProfileLines = {TLineRecord{1, 1, 2, 2}, TLineRecord{3, 3, 4, 4}};
  EXPECT_TRUE(Down(TMouseButton::Left, 2, 3).ProfileStarted);
  EXPECT_TRUE(markers.FProfileLines[0].IsNone());
  EXPECT_TRUE(Move(9, 7).ProfileChanged);
  Up(TMouseButton::Left, 9, 7);
  EXPECT_EQ(markers.FProfileLine, (TLineRecord{2, 3, 9, 7}));
  Down(TMouseButton::Left, 5, 5);
  EXPECT_TRUE(Up(TMouseButton::Left, 5, 5).ProfileCleared) << "a click removes the line";
  EXPECT_TRUE(markers.FProfileLine.IsNone());
  context.ProfileMode = false;

  context.FocusTool = true;
  const TGestureEffects focus = Down(TMouseButton::Left, 3, 5);
  EXPECT_TRUE(focus.HideFocusTool);
  EXPECT_FALSE(focus.RequestFocus) << "no camera runs";
  EXPECT_FALSE(state.ImageLeftDown);
  context.FocusTool = false;

  markers.FPoints.push_back(TPointRecord{1, 1, 0, 0, 0, 1});
  context.ScanRunning = true;
  EXPECT_FALSE(Down(TMouseButton::Right, 3, 3, TShiftState{false, true, false}).ResetAll);
  context.ScanRunning = false;
  EXPECT_TRUE(Down(TMouseButton::Right, 3, 3, TShiftState{false, true, false}).ResetAll);
  EXPECT_TRUE(markers.FPoints.empty());
}

} // namespace
} // namespace calidarix
