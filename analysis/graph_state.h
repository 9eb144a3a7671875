#pragma once
// The state of a graph window without its widgets: the profile slots, the value range, the cursor, the
// sub-range of the value scale, the R-key measurement and the length calibration, with the operations on
// them. The window class (analysis/ui/graph_form.h) derives from it and adds the widgets, so the main
// window reaches these fields as the window's own (GraphForm->FProfiles) and the tests drive them without a
// screen.
//
// Tag tells the three windows apart: 0 the thermo profile, 1 the time profile, 2 the histogram.

#include "analysis/graph_data.h"
#include "thermogram/rect.h"
#include "thermogram/tdtv.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace calidarix {

// The colours of stored profiles 1 .. 7 (then repeating): red, blue, green, fuchsia, lime, aqua, olive.
inline constexpr std::array<TRGB, 7> FProfileColors{
    {{255, 0, 0}, {0, 0, 255}, {0, 128, 0}, {255, 0, 255}, {0, 255, 0}, {0, 255, 255}, {128, 128, 0}}};

// The colour of slot p (p >= 1): entry (p mod 7) counted from 1, 7 when that is 0.
TRGB ProfileColour(int p);

struct TGraphState {
  int Tag = 0;
  // Slot 0 is the live profile; slots 1 .. FStoredCount are stored copies; the last slot is empty.
  std::vector<TProfile> FProfiles{TProfile(100, 0.0f), TProfile()};
  std::int32_t FStoredCount = 0;
  bool FInvertBackground = false;
  bool FHorLines = true;
  bool FVerLines = true;
  double FMin = 0.0;
  double FMax = 100.0;
  double FSpan = 100.0;
  // Histogram only: temperatures of the lowest and the highest bin edge.
  double FLowLimitTemp = 0.0;
  double FHighLimitTemp = 0.0;
  TPoint FCursor; // X: the sample under the cursor
  std::int32_t FResStep = 0;
  double FResZero = 0.0;
  double FResMin = 0.0;
  double FResMax = 0.0;
  double FRes = 0.0;
  bool FPainting = false;
  TPoint FPalDragPos;
  // The part FPalLow .. FPalHigh of 255 steps of the value range fills the graph's height.
  std::int32_t FPalHigh = 255;
  std::int32_t FPalLow = 0;
  // Length calibration: FDistanceLength units are FDistancePoints samples.
  std::int32_t FDistancePoints = 1;
  std::int32_t FDistanceLength = 1;

  // ---- Profiles ----

  // With n = 1, keeps the live profile as a further stored profile (the histogram keeps none) and returns
  // true; any other n stores nothing (the caller only repaints).
  bool StoreProfile(int n);
  // Drops the stored profiles; the live one stays.
  void ClearProfiles();
  void ClearCurrentProfile();
  // FMin, FMax, FSpan from the live profile (ProfileRange).
  void UpdateRange();
  void SetRange(const TGraphRange &range);
  // The number of samples of the live profile.
  int SampleCount() const;
  // The sample under the cursor, kept inside the live profile (0 when it is empty).
  int CursorIndex() const;

  // ---- Sub-range ----

  // The keys of the sub-range by scan code: Q resets, A and S widen upwards, Z and X narrow. Returns
  // whether the code is one of them.
  bool SubRangeKey(int scanCode);
  void ResetSubRange();
  // A drag on the bar of height h from FPalDragPos to (x, y): vertical moves shift the sub-range,
  // horizontal moves to the left widen it at the top; it never gets narrower than 8 steps.
  void DragSubRange(int x, int y, int h);
  // The ends of the visible part of the value range, rounded with whole degrees.
  double ScaleLow(bool wholeDegrees) const;
  double ScaleHigh(bool wholeDegrees) const;

  // ---- The R-key measurement ----

  // Records the value under the cursor as zero, minimum or maximum in turn, and after the maximum the
  // ratio (min - zero) / (max - zero). Returns the window's new caption, or nothing (and the key is not
  // passed on) while the cursor is on sample 0.
  std::optional<QString> ResolutionStep(const QString &caption);

  // ---- Read-outs ----

  // The live profile's length in the calibrated unit; empty without samples.
  QString DistanceText() const;
  // The length entry: the typed digits become the length of the live profile. Returns why the entry is
  // refused (no digits, 0, too large, no profile to calibrate); nothing when it was taken.
  std::optional<QString> AcceptDistance(const QString &typed);

  // The upper read-out of the cursor: the index (Tag 0), the count of the bin (Tag 2). The time profile's
  // clock time comes from FrameClockTime.
  QString CursorIndexText() const;
  // The lower read-out: the value under the cursor (Tags 0, 1) or the lower edge of the bin (Tag 2).
  QString CursorValueText() const;
};

// The time profile's clock time of 0-based frame `frame` of a film of frameCount frames: the file time
// (packed DOS date-time) plus (frame - frameCount) intervals, so the last frame reads one interval
// before the file time; invalid when the file time is not a date.
QDateTime FrameClockTime(std::uint32_t fileDate, int frame, int frameCount, double frameInterval);

} // namespace calidarix
