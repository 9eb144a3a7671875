#pragma once
// The plan of a panorama by frames, without the dialog: a grid of rows and columns of head positions
// inside a fixed net of cells, its rise against the horizon, the frame speed and the frames summed per
// position; the estimate of duration and covered area; the net's drawing geometry; and the head
// targets of a chosen cell.
//
// The net has FMaxRows x FMaxCols cells; the horizon lies FRowsBelowHorizon rows above its bottom. The
// grid is centred on the net's middle column; its bottom row sits on the horizon row, lowered by FRise
// rows (negative raises it) and by half a row more when FHalfRowShift is set.

#include "thermogram/rect.h"

#include <QString>

#include <cstdint>

namespace calidarix {

struct TPanoPlan {
  double FHorStepAngle = 0.0; // degrees between neighbouring columns / rows
  double FVerStepAngle = 0.0;
  double FHorFov = 0.0; // degrees of one frame
  double FVerFov = 0.0;
  std::uint8_t FSpeed = 2; // 0 thermo profile (strip), 1 slow, 2 standard, 3 fast
  int FSumCount = 1;
  bool FRussian = false;
  int FRows = 3;
  int FCols = 3;
  int FRise = 0;
  int FMaxRows = 11;
  int FMaxCols = 20;
  int FRowsBelowHorizon = 3;
  bool FHalfRowShift = false;
};

// The arrow actions; each changes the plan only within its limits. True when it changed anything.
bool PlanLeft(TPanoPlan &p);
bool PlanRight(TPanoPlan &p);
bool PlanUp(TPanoPlan &p);
bool PlanDown(TPanoPlan &p);
bool PlanShiftUp(TPanoPlan &p);
bool PlanShiftDown(TPanoPlan &p);
bool PlanSumUp(TPanoPlan &p);   // Ctrl + Right
bool PlanSumDown(TPanoPlan &p); // Ctrl + Left
bool PlanSpeedUp(TPanoPlan &p);
bool PlanSpeedDown(TPanoPlan &p);

// The estimate; at speed 0 (a strip) the plan keeps one column.
struct TPanoEstimate {
  int Frames = 0;
  int Seconds = 0;
  QString WidthText; // metres of a box 50 metres away, or "any # of" for 160 degrees and more
  QString HeightText;
  QString Comments;
};
TPanoEstimate PanChanged(TPanoPlan &p);

// Where the speed label text comes from: the function keys, the speed images or the dialog's show.
enum class TSpeedTextSource { FunctionKeys, Images, Show };
QString SpeedText(std::uint8_t speed, TSpeedTextSource source, bool russian);
// The sum label: "NoSum" when shown with 1, "No Sum" after the sum actions bring it to 1.
QString SumText(int sumCount, bool onShow, bool russian);
QString HorizontalText(const TPanoPlan &p);
QString VerticalText(const TPanoPlan &p);
QString RiseText(const TPanoPlan &p);

// The net's drawing in a w x h box, in box pixels (right and bottom excluded).
struct TNetGeometry {
  TRect Grid;       // the planned grid
  int CentreX = 0;  // the red centre line
  int HorizonY = 0; // the red horizon line
};
TNetGeometry NetGeometry(const TPanoPlan &p, int w, int h);
// Cell (column, row) of the net in box pixels.
TRect NetCellRect(const TPanoPlan &p, TPoint cell, int w, int h);
// The net cell under a box position.
TPoint NetCellAt(const TPanoPlan &p, int x, int y, int w, int h);
// The cell of the head's counters; steps in head target units (counter / 256).
TPoint HeadCellOf(const TPanoPlan &p, std::int32_t horCounter, std::int32_t verCounter, int horStep,
                  int verStep);
// The head targets of a net cell, in head target units.
TPoint GotoTargetOf(const TPanoPlan &p, TPoint cell, int horStep, int verStep);

} // namespace calidarix
