#pragma once
// Widgets carry the object names of the design: the window's code and the tests find them by name.

#include <QString>

namespace calidarix {

template <typename W> W *Named(W *widget, const char *name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

} // namespace calidarix
