#pragma once
// What the head control form shows and computes, without the form: the stitching settings table and
// its editing rules, the texts of the head's live state, and the manual drive from the arrow keys.

#include "thermogram/rect.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace calidarix {

class tQor;

// The stitching settings that a re-stitch of a panorama folder takes (angles in 1/180 degree).
struct TQorCtrlSettings {
  std::int16_t FTilt = 0;
  std::int16_t FLineHeel = 0;
  std::int16_t FLineYaw = 0;
  bool FDecodeDualScans = false;
  std::uint16_t FHorArc = 0;
  std::uint16_t FVerArc = 0;
  std::int16_t FNonOrthogonality = 0;
  bool FBlending = false;
  bool FPointHitCounting = false;
  bool FDrawFrameBorders = false;
  bool FDrawFramesByLevels = false;
  bool FDoublePixels = false;
  std::int32_t FHorizonCorrection = 0;     // vertical counter clicks
  TRect FCamPosLimits{-180, -90, 180, 90}; // degrees; Bottom is the upper limit
  TRect FFrameCuts{};                      // pixels, never negative
  bool FColumnPriority = false;
  bool FLeftToRight = false;
  bool FTopToBottom = false;
  std::int32_t FRatioVerTurns = 0; // the program's vertical ratio, for the degrees of row 12
  std::int32_t FRatioVer = 0;
};

inline constexpr int kSettingsRows = 24;

// Column 0.
QString SettingsCaption(int row);
// The rows that hold true/false.
bool IsBooleanSettingsRow(int row);
// Column 1: the value as the user reads it ("   12.50 °", "90 °", "3 pxl", "true").
QString SettingsShownText(const TQorCtrlSettings &settings, int row);
// Column 2: the raw value (an integer, or "true" / "false").
QString SettingsRawText(const TQorCtrlSettings &settings, int row);

// Stores column 2 of a row as typed. Empty when it was stored (or the row stores nothing); otherwise
// why not, and the field keeps its value: the text is no whole number, or out of the field's range.
QString StoreSettingsText(TQorCtrlSettings &settings, int row, const QString &text);
// The true/false rows flip.
void ToggleSettingsRow(TQorCtrlSettings &settings, int row);
// Column 2 of a numeric row changed by delta (as the arrow keys do); the text to store.
QString SteppedSettingsText(const QString &text, int delta);
// Column 2 of a numeric row negated (the minus key).
QString NegatedSettingsText(const QString &text);

// The live state lines of the "Qor" tab. Angles and rates need the head's ratio registers; a head
// whose ratios were not read (0) shows "---" in their place rather than a division by zero.
struct QorStatusTexts {
  QString bar1; // azimuth and elevation
  QString bar2; // raw counters
  QString bar3; // speeds and rates
};
QorStatusTexts FormatQorStatus(const tQor &head);

// The 18 items of the status check list: the 16 status bits, "Push To Track", "Update All @ 10 Hz".
QStringList QorStatusItemNames();

// The manual drive of the arrow keys. With push-to-track the keys held now set the speed (full, or
// slow with Shift); without it each press steps the speed (16, or 1 with Shift) and Backspace stops.
struct ManualKeys {
  bool left = false;
  bool right = false;
  bool up = false;
  bool down = false;
  bool shift = false;
  bool backspace = false;
};
struct ManualBars {
  int hor = 0; // -127 .. 127
  int ver = 0;
  friend bool operator==(const ManualBars &, const ManualBars &) = default;
};
ManualBars NextManualBars(const ManualKeys &keys, bool pushToTrack, ManualBars current);
// Pan byte x 256 + tilt byte, each in sign-magnitude form.
std::uint16_t ManualSpeedsWord(ManualBars bars);

} // namespace calidarix
