#pragma once
// The measurement markers of the main window, in image pixels of the thermogram shown: point
// markers, the current area (rectangle or ellipse) and the stored areas, the profile lines, and the
// lists of the free-form polygon tool. Also the settings that shape markers and their statistics,
// and the small operations on all of these: adding a point, clearing, saving and restoring the
// selection, normalising a rectangle and the hit tests.
//
// The main window holds a TMarkerLists; its methods of the same names (AddPoint, PtInArray, ...)
// convert coordinates, call these and draw.

#include "thermogram/rect.h"

#include <cstdint>
#include <vector>

namespace calidarix {

struct TPointRecord {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  std::int32_t DX = 0; // label offset from the point; 0, 0: label beside the point, no leader
  std::int32_t DY = 0;
  std::uint8_t Direction = 0; // label quadrant 0..3
  std::int32_t Number = 0;    // 1-based number shown with the label

  friend bool operator==(const TPointRecord &, const TPointRecord &) = default;
};

struct TAreaRecord {
  // Image rectangle, both edges inclusive (for an ellipse its bounding rectangle).
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
  std::int32_t DX = 0; // label offset from the centre ((Left + Right) div 2, (Top + Bottom) div 2)
  std::int32_t DY = 0;
  std::int32_t RawMin = 0;
  std::int32_t RawMax = 0;
  std::int32_t RawAvg = 0;
  std::uint8_t Direction = 0; // label quadrant 0..3
  // Pixel count of the last statistics; in a stored area its 1-based number until statistics are
  // written into it.
  std::int32_t Count = 0;
  TPoint MinPos;
  TPoint MaxPos;

  TRect Rect() const { return {Left, Top, Right, Bottom}; }
  void SetRect(const TRect &r);
  // One column or one row, or less, counts as empty: no area selected.
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool IsAllZero() const { return Left == 0 && Top == 0 && Right == 0 && Bottom == 0; }

  friend bool operator==(const TAreaRecord &, const TAreaRecord &) = default;
};

struct TLineRecord {
  std::int32_t X1 = 0;
  std::int32_t Y1 = 0;
  std::int32_t X2 = 0;
  std::int32_t Y2 = 0;

  bool IsNone() const { return X1 == 0 && Y1 == 0 && X2 == 0 && Y2 == 0; }

  friend bool operator==(const TLineRecord &, const TLineRecord &) = default;
};

using TPolygon = std::vector<TPoint>;

// The marker fields of the main window.
struct TMarkerLists {
  std::vector<TPointRecord> FPoints; // in the order added; no two share X and Y
  TAreaRecord FCurrentArea;          // the selected area; statistics are written into it
  std::vector<TAreaRecord> FAreas;   // stored areas
  TAreaRecord FFrameArea;            // (0, 0, W - 1, H - 1), set before whole-frame statistics
  TAreaRecord FSavedArea;            // backup of the current area's rectangle
  TAreaRecord FDragArea;             // the current area as it was when a move started
  TPolygon FFreePolygon;
  TPolygon FDragPolygon;
  std::vector<TPolygon> FPolygons;
  TLineRecord FProfileLine;
  // Element i >= 1 belongs to the profile window's stored profile i; element 0 is never drawn.
  std::vector<TLineRecord> FProfileLines;
};

// Appends the image point (x, y) to points unless it lies outside the frame of width x height or a
// point with the same X and Y exists. The new point has no label offset, direction 0 and the number
// index + 1. Returns whether it was added (and is to be drawn).
bool AddPoint(std::vector<TPointRecord> &points, std::int32_t x, std::int32_t y, int width, int height);

// Empties every list, zeroes the profile line and the current area's rectangle (its label offset
// and statistics stay).
void ClearMarkerLists(TMarkerLists &markers);

// Copies only the four rectangle fields between the current area and its backup.
void SaveSelectionRect(TMarkerLists &markers);
void RestoreSelectionRect(TMarkerLists &markers);

// Left <= Right and Top <= Bottom.
TRect NormalizeRect(const TRect &r);

// Whether p lies in the ellipse inscribed in r. A pixel counts when its centre lies inside the
// ellipse; like every rectangle here, r's Right column and Bottom row are outside. r may be given
// in either corner order; an empty r holds no point.
bool PtInEllipse(const TRect &r, TPoint p);

// Hit test of an area's shape: arrayType 1 is the ellipse, any other the rectangle without its
// Right column and Bottom row.
bool PtInArray(const TRect &r, TPoint p, std::int32_t arrayType);

// Even-odd test with a horizontal ray to the right; the last vertex joins the first. A point on the
// left or top border of an axis-parallel square is inside, on its right or bottom border outside.
bool PointInPolygon(TPoint p, const TPolygon &polygon);

// ---- Settings that shape markers and statistics (module globals) ----

extern std::int32_t ArrayType;      // area shape: 0 rectangle, 1 ellipse
extern std::int32_t ArrayStatistic; // 0 Avg, 1 Min, 2 Max, 3 All, 4 R In, 5 R Out, 7 Sigma
extern std::int32_t FontN;          // marker text size setting, 8 .. 24
extern std::uint8_t HeatMode;       // statistics also give heat figures
extern double TIn;                  // inside air temperature
extern double TOut;                 // outside air temperature
extern double AlphaIn;              // inside heat-transfer coefficient
extern double AlphaOut;             // outside heat-transfer coefficient
extern double SigmaRefValue;        // reference temperature of the Sigma statistic
extern std::uint8_t SigmaRefSet;    // SigmaRefValue has been entered

// Back to the start-of-run values.
void ResetMarkerSettings();

} // namespace calidarix
