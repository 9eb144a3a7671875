// The plan of a panorama by frames: limits of the actions, the estimate, the texts, the net and the
// head targets of a cell.

#include "head/panorama_plan.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

TPanoPlan Plan() {
  TPanoPlan p;
  p.FHorStepAngle = 10.0;
  p.FVerStepAngle = 12.0;
  p.FHorFov = 20.0;
  p.FVerFov = 18.0;
  return p;
}

TEST(PanoramaPlan, EstimateOfTimeAndArea) {
  TPanoPlan p = Plan();
  const TPanoEstimate e = PanChanged(p);
  EXPECT_EQ(e.Frames, 9);
  EXPECT_EQ(e.Seconds, 68); // 9 x 4 + 2 x 2 x 8
  EXPECT_EQ(e.Comments, "\rPanorama: 9 frames. Panning will take about 00:01:08\r\r"
                        "Panning will cover box shaped object,\r"
                        "36 by 38 meters \rlocated 50 meters from the camera.");
  // Summation and speed.
  p.FSumCount = 3;
  p.FSpeed = 1;
  EXPECT_EQ(PanChanged(p).Seconds, 9 * 8 * 3 + 32);
  // Thermo profile: one column, no frame time.
  p.FSpeed = 0;
  const TPanoEstimate strip = PanChanged(p);
  EXPECT_EQ(p.FCols, 1);
  EXPECT_EQ(strip.Seconds, 0);
  EXPECT_FALSE(PlanRight(p));
  // 20 columns of 10 degrees and a 20-degree frame: no finite width. Tall plans likewise.
  p.FSpeed = 3;
  p.FCols = 20;
  p.FRows = 11;
  p.FVerStepAngle = 16.0;
  const TPanoEstimate wide = PanChanged(p);
  EXPECT_EQ(wide.WidthText, "any # of");
  EXPECT_EQ(wide.HeightText, "any # of");
  EXPECT_TRUE(wide.Comments.contains("any # of by any # of meters"));
  p.FRussian = true;
  EXPECT_TRUE(PanChanged(p).Comments.contains(QString::fromUtf8("Панорама: 220")));
}

TEST(PanoramaPlan, ActionsStopAtTheirLimits) {
  TPanoPlan p = Plan();
  int ups = 0;
  while (PlanUp(p))
    ++ups;
  EXPECT_EQ(p.FRows, 8); // 8 - 0 + 3 reaches 11
  EXPECT_EQ(ups, 5);
  while (PlanDown(p)) {
  }
  EXPECT_EQ(p.FRows, 1);
  while (PlanLeft(p)) {
  }
  EXPECT_EQ(p.FCols, 1);
  while (PlanRight(p)) {
  }
  EXPECT_EQ(p.FCols, 20);
  EXPECT_FALSE(PlanSumDown(p));
  EXPECT_TRUE(PlanSumUp(p));
  EXPECT_EQ(p.FSumCount, 2);
  EXPECT_TRUE(PlanSpeedUp(p));
  EXPECT_FALSE(PlanSpeedUp(p));
  EXPECT_EQ(p.FSpeed, 3);

  // Two Shift+Down presses from home lower the grid by one whole row.
  TPanoPlan s = Plan();
  EXPECT_TRUE(PlanShiftDown(s));
  EXPECT_TRUE(s.FHalfRowShift);
  EXPECT_EQ(s.FRise, 0);
  EXPECT_TRUE(PlanShiftDown(s));
  EXPECT_FALSE(s.FHalfRowShift);
  EXPECT_EQ(s.FRise, 1);
  EXPECT_EQ(RiseText(s), QString::fromUtf8("Rise: -21 °"));
  EXPECT_TRUE(PlanShiftUp(s));
  EXPECT_EQ(s.FRise, 0);
  EXPECT_TRUE(s.FHalfRowShift);
  EXPECT_EQ(RiseText(s), QString::fromUtf8("Rise: -15 °"));
  // The grid goes no lower than the net.
  s.FRise = 3;
  s.FHalfRowShift = false;
  EXPECT_FALSE(PlanShiftDown(s));
}

TEST(PanoramaPlan, Texts) {
  TPanoPlan p = Plan();
  EXPECT_EQ(HorizontalText(p), QString::fromUtf8("Horizontal: 3 - 40 °"));
  EXPECT_EQ(VerticalText(p), QString::fromUtf8("Vertical:\r3 - 42 °"));
  EXPECT_EQ(SpeedText(0, TSpeedTextSource::FunctionKeys, false), "Thermo Profile");
  EXPECT_EQ(SpeedText(0, TSpeedTextSource::Images, false), "Thermoprofile");
  EXPECT_EQ(SpeedText(0, TSpeedTextSource::Show, false), "Thermo profile");
  EXPECT_EQ(SpeedText(2, TSpeedTextSource::Show, false), "Standard Speed");
  EXPECT_EQ(SumText(1, true, false), "NoSum");
  EXPECT_EQ(SumText(1, false, false), "No Sum");
  EXPECT_EQ(SumText(4, false, false), "Sum 4 frames");
  EXPECT_NE(SumText(4, false, true), SumText(4, false, false));
}

TEST(PanoramaPlan, NetGeometryAndHeadTargets) {
  TPanoPlan p = Plan();
  // 400 x 220: cells of 20 x 20. Three columns around the centre, rows 5..7 above the horizon row.
  const TNetGeometry g = NetGeometry(p, 400, 220);
  EXPECT_EQ(g.Grid, (TRect{160, 100, 220, 160}));
  EXPECT_EQ(g.CentreX, 190);
  EXPECT_EQ(g.HorizonY, 150);
  p.FCols = 4;
  p.FHalfRowShift = true;
  const TNetGeometry even = NetGeometry(p, 400, 220);
  EXPECT_EQ(even.Grid.Left, 160);
  EXPECT_EQ(even.Grid.Right, 240);
  EXPECT_EQ(even.CentreX, 200);
  EXPECT_EQ(even.HorizonY, 140);
  EXPECT_EQ(NetCellRect(p, TPoint{2, 3}, 400, 220), (TRect{40, 60, 60, 80}));
  EXPECT_EQ(NetCellAt(p, 399, 219, 400, 220), (TPoint{19, 10}));
  EXPECT_EQ(NetCellAt(p, 0, 0, 400, 220), (TPoint{0, 0}));

  // The head at zero sits on the net cell that a go-to of zero targets.
  p = Plan();
  const TPoint home = HeadCellOf(p, 0, 0, 197, 123);
  EXPECT_EQ(home, (TPoint{9, 7}));
  EXPECT_EQ(GotoTargetOf(p, home, 197, 123), (TPoint{0, 0}));
  EXPECT_EQ(GotoTargetOf(p, TPoint{11, 5}, 197, 123), (TPoint{394, 246}));
  EXPECT_EQ(HeadCellOf(p, 394 * 256, 246 * 256, 197, 123), (TPoint{11, 5}));
  // Truncation towards zero on the left.
  p.FCols = 4;
  EXPECT_EQ(GotoTargetOf(p, TPoint{8, 7}, 197, 123), (TPoint{-295, 0}));
  EXPECT_EQ(HeadCellOf(p, 0, 0, 0, 0), (TPoint{9, 7}));
}

} // namespace
} // namespace calidarix
