#pragma once
// Keys sent straight to a widget, as a user typing into it, for window tests.

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace calidarix::test {

inline void PressKey(QWidget *widget, int key, const QString &text = QString(),
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(widget, &release);
}

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
    PressKey(widget, key, QString(c));
  }
}

} // namespace calidarix::test
