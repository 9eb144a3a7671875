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

// A key going down and up again.
inline void TypeKey(QWidget *widget, int key, const QString &text = QString()) {
  PressKey(widget, key, text);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &release);
}

} // namespace calidarix::test
