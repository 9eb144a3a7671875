#pragma once
// Which frames of a film a save or an export takes, from the choice made in the film save dialog.
//
// One function serves the picture export and Save As, so both read the dialog the same way: frame
// numbers are 1-based whole numbers, ranges are clamped into the film, a step below 1 is refused, and
// the "Frames" option reads a list such as "1-10,15" (numbers and ranges separated by commas).
// Texts that are not whole numbers are refused with a message that names them, before anything is
// written.

#include <QString>

#include <vector>

namespace calidarix {

enum class TFramesOption { All, Current, Numbers, FramesList, Every };

// The dialog's option and its edit texts as the user left them. The texts start as the dialog's own
// defaults.
struct TFramesChoice {
  TFramesOption Option = TFramesOption::All;
  QString NumbersFrom = QStringLiteral("1");
  QString NumbersTo = QStringLiteral("2");
  QString FramesList = QStringLiteral("1-10");
  QString EveryStep = QStringLiteral("2");
  QString EveryFrom = QStringLiteral("1");
};

// A range typed backwards ("9 to 3") selects one frame: the export has always taken the last number
// typed, Save As the first. Each caller keeps its own habit.
enum class TReversedRange { TakeLast, TakeFirst };

struct TFrameSelection {
  std::vector<int> Frames; // 1-based, ascending, no frame twice
  QString Error;           // why nothing was selected; empty on success

  bool Ok() const { return Error.isEmpty() && !Frames.empty(); }
};

// The frames of a film of frameCount frames whose shown frame is currentFrame (clamped into the film).
// A film without frames, an empty or non-numeric text, a step below 1 and a list naming no frame of
// the film give an Error and no frames.
TFrameSelection SelectFilmFrames(const TFramesChoice &choice, int frameCount, int currentFrame,
                                 TReversedRange reversed);

} // namespace calidarix
