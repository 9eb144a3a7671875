#pragma once
// Program-wide thermograms and settings of the thermogram module.
//
// The thermograms live for the whole run; start-up creates CurrentDTV and PreviewDTV (and the two
// band thermograms for a dual-band camera); ReferenceDTV exists only while subtraction mode is on.

#include "thermogram/tdtv.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace calidarix {

extern std::unique_ptr<TDTV> CurrentDTV;
extern std::unique_ptr<TDTV> PreviewDTV;
extern std::unique_ptr<TDTV> BandDTV35;
extern std::unique_ptr<TDTV> BandDTV812;
extern std::unique_ptr<TDTV> ReferenceDTV;

// Default display aspect numerator and denominator read by every new thermogram (256 / 216 at
// start; the program INI file may change them before the first thermogram is created).
extern int AspectWidth;
extern int AspectHeight;

// Once the fixed-level entry has been used, every loaded thermogram gets FixedLevel added to Offset.
extern bool FixedLevelShift;
extern double FixedLevel;

// The most pixels a frame read from a file or made by joining or stacking may have. A file that asks for
// more is refused with a message instead of exhausting memory (65535 x 65535 pixels would take 8.6 GB);
// 512 Mi pixels leave room for the widest panoramas. Tests lower it.
inline constexpr std::uint64_t kDefaultFramePixelBudget = 512ull * 1024 * 1024;
extern std::uint64_t FramePixelBudget;

extern QString LastSavedPalName; // file of the last palette saved or opened in the palette editor
extern QString ValueEntryText;   // value last put into the one-value entry panel

// Palette scaling values set by TDTV::PreparePaletteScaling and read by TDTV::RawToColor.
extern int PalRawBottom;
extern int IsoRawBottom;
extern double PalRawStep;
extern double IsoRawStep;

// Diagnostics of the thermogram module go to this sink (the log window installs itself here);
// without one they are dropped.
using ThermogramLogSink = std::function<void(const QString &)>;
void SetThermogramLogSink(ThermogramLogSink sink);
void ThermogramLog(const QString &text);

// While one lives on a thread, ThermogramLog on that thread keeps its lines here instead of handing
// them to the sink: the lines of a worker thread are passed on by the thread the sink belongs to.
class ThermogramLogCapture {
public:
  ThermogramLogCapture();
  ~ThermogramLogCapture();
  ThermogramLogCapture(const ThermogramLogCapture &) = delete;
  ThermogramLogCapture &operator=(const ThermogramLogCapture &) = delete;

  // The lines kept since the last call.
  std::vector<QString> Take() { return std::exchange(FLines, {}); }

private:
  friend void ThermogramLog(const QString &text);
  std::vector<QString> FLines;
  ThermogramLogCapture *FOuter = nullptr;
};

// Back to the start-of-run state: thermograms released, settings at their defaults, no log sink.
void ResetThermogramGlobals();

} // namespace calidarix
