#pragma once
// Reading the numbers typed into the value-entry panels. A panel opens with a text of its own; what the
// user typed counts when it is a number with "." as the decimal point, otherwise the opening text
// counts, as if nothing had been typed. "inf", "nan", "1e400" and "1,5" are not numbers here.

#include <QString>

#include <optional>

namespace calidarix {

// The typed value, else the opening value; nullopt only when neither text is a number.
std::optional<double> EntryValue(const QString &typed, const QString &opened);

// A frame number typed as a real number: the fraction dropped, limited to 1 .. frameCount.
int FrameFromEntry(double v, int frameCount);

// The count of frames to sum: the fraction dropped; nullopt below 1, which would never finish.
std::optional<int> SumCountFromEntry(double v);

// The air temperatures of the wall figures: the outside one is kept 0.01 below the inside one when
// both are equal, since their difference divides.
struct TAirTemperatures {
  double In = 20.0;
  double Out = -20.0;
};
TAirTemperatures AirTemperatures(double in, double out);

} // namespace calidarix
