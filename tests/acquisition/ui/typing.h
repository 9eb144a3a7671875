#pragma once
// Text typed into a widget a key at a time, for window tests.

#include "tests/support/key_events.h"

#include <QString>
#include <QWidget>

namespace calidarix::test {

// Digits, letters, the point and the minus sign, one key each.
inline void TypeText(QWidget *widget, const QString &text) {
  for (const QChar c : text) {
    int key = Qt::Key_unknown;
    if (c.isDigit())
      key = Qt::Key_0 + c.digitValue();
    else if (c.isLetter())
      key = Qt::Key_A + (c.toUpper().unicode() - 'A');
    else if (c == QLatin1Char('.'))
      key = Qt::Key_Period;
    else if (c == QLatin1Char('-'))
      key = Qt::Key_Minus;
    TypeKey(widget, key, QString(c));
  }
}

} // namespace calidarix::test
