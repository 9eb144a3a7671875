#include "analysis/value_entry.h"

#include "platform/numbers.h"

#include <algorithm>

namespace calidarix {

std::optional<double> EntryValue(const QString &typed, const QString &opened) {
  if (const std::optional<double> v = ParseFloat(typed.toStdString(), '.'))
    return v;
  return ParseFloat(opened.toStdString(), '.');
}

int FrameFromEntry(double v, int frameCount) {
  return std::clamp(TruncToInt32(v), 1, std::max(frameCount, 1));
}

std::optional<int> SumCountFromEntry(double v) {
  const int count = TruncToInt32(v);
  if (count < 1)
    return std::nullopt;
  return count;
}

TAirTemperatures AirTemperatures(double in, double out) {
  return TAirTemperatures{in, in == out ? in - 0.01 : out};
}

} // namespace calidarix
