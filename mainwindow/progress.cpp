#include "mainwindow/progress.h"

#include "platform/numbers.h"

namespace calidarix {

QString ProgressCaption(const QString &prefix, int position, int minimum, int maximum) {
  const QString head = prefix.isEmpty() ? QStringLiteral("Progress: ") : prefix + QStringLiteral(": ");
  const double width = static_cast<double>(maximum) - static_cast<double>(minimum);
  // Callers only raise the maximum, so the width is never zero; should it be, the caption says 0%
  // rather than the arbitrary value an infinite ratio would convert to.
  const int percent = width == 0.0 ? 0 : TruncToInt32(static_cast<double>(position) / width * 100.0);
  return head + QString::number(percent) + QLatin1Char('%');
}

} // namespace calidarix
