#pragma once
// The display range commands: typing a range over the scale's range panels, applying it either as
// the locked display range or by re-scaling the thermogram, the lock button, and the crop button's
// zoom. The window gathers its state, calls these and shows the result.
//
// Typed values are taken in full ("123.456" is 123.456; the labels only show them cut to five
// characters) and every applied range is held to the rules of TDTV::SetTemperatureRange: finite
// bounds, the lower not above the upper, the lower not below absolute zero, and equal bounds widened
// by one degree, so the renderer never divides by a zero span.

#include "thermogram/image_layout.h"
#include "thermogram/io_result.h"
#include "thermogram/rect.h"
#include "thermogram/tdtv.h"

#include <QChar>
#include <QString>

#include <optional>
#include <utility>

namespace calidarix {

// A range by the rules of TDTV::SetTemperatureRange; nullopt when a bound is not finite or low > high.
std::optional<std::pair<double, double>> ValidTemperatureRange(double low, double high);

// Text of a value in a range edit or label: at most two decimals, as many as fit in five characters,
// rounded to them (35 -> "35.00", 123.46 -> "123.5", 1234.56 -> "1235").
QString RangeLabelText(double value);

// Characters the range edits accept: Backspace, "-", "." and the digits.
bool FloatEditAccepts(QChar c);

// Entry modes carried by the two edits: MaxEdit Tag 1 applies on its own Enter (single entry), Tag 0
// moves on to MinEdit (double entry); MinEdit Tag 0 locks the range, Tag 1 re-scales the thermogram.
struct TRangeEntry {
  int MaxEditTag = 0;
  int MinEditTag = 0;
};

// The texts the edits open with: the locked range when locked, else the frame's own extremes.
struct RangeEditTexts {
  QString Max;
  QString Min;
};
RangeEditTexts RangeEditTextsFor(const TDTV &dtv);
// The re-scale command's texts: the temperatures of raw 65535 and raw 0.
RangeEditTexts RescaleEditTexts(const TDTV &dtv);

// A typed value on Enter: the number typed, or the fallback (the frame's maximum or minimum) when the
// text is not a number; the label shows the text typed when it fits in five characters, else the
// value rounded to fit.
struct TypedRangeValue {
  double Value = 0.0;
  QString LabelText;
  bool Typed = false; // the text was a number
};
TypedRangeValue ParseTypedRangeValue(const QString &text, double fallback);

// What applying a range needs of the camera.
struct RangeScanState {
  bool ScanRunning = false;
  int CameraInterfaceType = 0;
};

struct SetTempRangeResult {
  IoResult Result;            // an error (shown by the window) when the range was refused
  bool LockPressed = false;   // LockSB is to be shown pressed
  bool StopAutoRange = false; // the acquisition thread's automatic range goes off
  // Interface type 8 while scanning: the camera's analogue range and level are to follow Low .. High
  // around the middle temperature (the acquisition module computes them).
  bool CameraRangeFollows = false;
  double Low = 0.0;
  double High = 0.0;
  double Middle = 0.0;
};

// Applies lo .. hi: lock mode (rescaleMode false) sets the locked range and locks it; re-scale mode
// sets Offset := lo and Scale := (hi - lo) / 65535 so raw 0 means lo and raw 65535 hi. While a scan
// runs the range is also locked as applied. A range refused by the rules above changes nothing.
SetTempRangeResult SetTempRange(TDTV &dtv, bool rescaleMode, double lo, double hi,
                                const RangeScanState &scan);

// The lock button.
struct LockContext {
  bool FilmRecording = false; // the acquisition thread exists and records a film
  bool ScanRunning = false;
  bool ThreadExists = false;
  int CameraInterfaceType = 0;
};

struct LockResult {
  bool KeepPressed = false;         // recording: the button is pressed again and nothing changed
  bool Redraw = false;              // the views are to show the thermogram's own range again
  std::optional<bool> AutoRange;    // the acquisition thread's automatic range, when it is to change
  IoResult Result = IoResult::Ok(); // an error when a range to lock to was not usable
};

// Toggles the lock of dtv (locking freezes the range shown, raw 0 .. 65535). While a two-band camera
// scans, both band thermograms (when present) toggle instead and share the widest of their two ranges.
LockResult LockSBClick(TDTV &dtv, TDTV *band35, TDTV *band812, const LockContext &context);

// The crop button: zoom to the selected area, or fit the frame when the area is empty. Returns false
// when the layout could not be computed (empty frame or box).
bool CropView(TImageView &view, const TRect &area, const TRect &client);

} // namespace calidarix
