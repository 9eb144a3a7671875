#pragma once
// The values the setup panel edits: the texts its six edits open with, and the check that turns the
// texts the user typed back into values. The check looks at every field before anything is applied,
// so a bad field never leaves the settings half changed; it names the first bad field.
//
// Accepted: "Film frames" 1 .. 65535 (a film's frame count is a 16-bit field), "Frame time" 0 or more
// milliseconds, "Sum count" 1 or more (the summation divides by it), and finite numbers for "Fixed
// Min", "Fixed Max" and "Limit". Integers are 32-bit; numbers use "." as decimal separator.

#include <QString>

#include <cstdint>
#include <optional>

namespace calidarix {

// The six edits, in the panel's order.
enum class SetupField { FilmFrames, FrameTime, SumCount, FixedMin, FixedMax, Limit };

struct SetupTexts {
  QString FilmFrames;
  QString FrameTime;
  QString SumCount;
  QString FixedMin;
  QString FixedMax;
  QString Limit;
};

struct SetupNumbers {
  std::int32_t FilmFrames = 9999;
  std::int32_t FrameTime = 0;
  std::int32_t SumCount = 4;
  double FixedMin = 20.0;
  double FixedMax = 36.0;
  double FLimit = 0.0;
  bool FLimitOn = false; // the alarm is on exactly when the limit is not 0
};

struct SetupCheck {
  std::optional<SetupNumbers> Values;
  SetupField Field = SetupField::FilmFrames; // the bad field when Values is empty
  QString Error;                             // what is wrong with it, without the field's name
};

// The texts the edits open with: decimal integers, and the shortest decimal text of the numbers.
SetupTexts SetupTextsFor(const SetupNumbers &values);

// Checks all six texts. The fixed range comes out ordered: equal bounds get Max := Min + 1, and a
// Max below Min swaps the two.
SetupCheck CheckSetupTexts(const SetupTexts &texts);

// The fixed-level entry's Up (tag 1) and Down (tag 2) panels: the number in the edit plus or minus 1,
// as text with two decimals. A text that is not a number counts as 4.00; Down leaves a value below
// 1.00 as it is. Another tag returns the text unchanged.
QString FixedLevelStep(const QString &text, int tag);

} // namespace calidarix
