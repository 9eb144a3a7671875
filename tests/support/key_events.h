#pragma once
// Keys sent straight to a widget, as the keyboard would deliver them to the focused one.

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace calidarix::test {

// A key going down only.
inline void PressKey(QWidget *widget, int key, const QString &text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &press);
}

// A key going down as the X server delivers it: with the Linux input code of the key (<linux/
// input-event-codes.h>, 8 less than the X key code), by which the key table chooses its command.
inline void PressKeyWithCode(QWidget &widget, int key, int linuxCode,
                             Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, static_cast<quint32>(linuxCode + 8), 0, 0);
  QApplication::sendEvent(&widget, &press);
}

// A key going down and up again.
inline void TypeKey(QWidget *widget, int key, const QString &text = QString()) {
  PressKey(widget, key, text);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &release);
}

} // namespace calidarix::test
