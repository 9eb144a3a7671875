#pragma once
// The main window's fields of the panorama-by-frames and strip sequences: the grid being scanned, how
// the window asks for the plan, the strip's deadlines and how the last strip ended.

#include "head/pano_by_frames.h"
#include "head/strip_scan.h"

#include <cstdint>
#include <functional>

namespace calidarix {

struct TPanoSequenceState {
  // The grid being scanned and the cell the head is at.
  TPanoByFrames Sequence;
  // Shows the panorama dialog modally; true on Ok. The dialog itself by default; tests answer it.
  std::function<bool()> FRunPanoDialog;
  // The strip's waits: each reply of the head, and the margin over the sweep time.
  std::int64_t StripReplyMs = kStripReplyMs;
  std::int64_t StripMarginMs = kStripMarginMs;
  // How the last strip ended, for the window and the tests.
  TStripOutcome LastStrip;
  // A sequence command is running (the dialog is open or a strip is in its waits): the commands that
  // would start another are refused meanwhile.
  bool Busy = false;
  // A finished cell frame is being saved and the head sent on; frames handled inside the head's waits
  // meanwhile do not step the sequence again.
  bool FrameStepBusy = false;
};

} // namespace calidarix
