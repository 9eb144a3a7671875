#include "thermogram/thermogram_globals.h"

#include <utility>

namespace calidarix {

std::unique_ptr<TDTV> CurrentDTV;
std::unique_ptr<TDTV> PreviewDTV;
std::unique_ptr<TDTV> BandDTV35;
std::unique_ptr<TDTV> BandDTV812;
std::unique_ptr<TDTV> ReferenceDTV;

int AspectWidth = 256;
int AspectHeight = 216;

bool FixedLevelShift = false;
double FixedLevel = 0.0;

std::uint64_t FramePixelBudget = kDefaultFramePixelBudget;

QString LastSavedPalName;
QString ValueEntryText;

int PalRawBottom = 0;
int IsoRawBottom = 0;
double PalRawStep = 0.0;
double IsoRawStep = 0.0;

namespace {
ThermogramLogSink &LogSink() {
  static ThermogramLogSink sink;
  return sink;
}
} // namespace

void SetThermogramLogSink(ThermogramLogSink sink) {
  LogSink() = std::move(sink);
}

namespace {
thread_local ThermogramLogCapture *logCapture = nullptr;
} // namespace

ThermogramLogCapture::ThermogramLogCapture() : FOuter(logCapture) {
  logCapture = this;
}

ThermogramLogCapture::~ThermogramLogCapture() {
  logCapture = FOuter;
}

void ThermogramLog(const QString &text) {
  if (logCapture) {
    logCapture->FLines.push_back(text);
    return;
  }
  if (LogSink()) {
    LogSink()(text);
  }
}

void ResetThermogramGlobals() {
  CurrentDTV.reset();
  PreviewDTV.reset();
  BandDTV35.reset();
  BandDTV812.reset();
  ReferenceDTV.reset();
  AspectWidth = 256;
  AspectHeight = 216;
  FixedLevelShift = false;
  FixedLevel = 0.0;
  FramePixelBudget = kDefaultFramePixelBudget;
  LastSavedPalName.clear();
  ValueEntryText.clear();
  PalRawBottom = 0;
  IsoRawBottom = 0;
  PalRawStep = 0.0;
  IsoRawStep = 0.0;
  SetThermogramLogSink(nullptr);
}

} // namespace calidarix
