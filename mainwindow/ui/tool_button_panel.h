#pragma once
// The drop-down panels of big buttons (the scan tools, the palette tools): a framed panel with four
// buttons to a row, each a picture above its caption, where a press on any part of a button is the
// button's press.

#include <QString>

#include <functional>

class QFrame;
class QGridLayout;
class QObject;
class QWidget;

namespace calidarix {

class TEventHook;

class TToolButtonPanel {
public:
  // `part` is the frame, picture or caption pressed; it carries the button's Tag property.
  using PressHandler = std::function<void(QObject *part, const QString &kind)>;

  // A hidden panel named `name` on `parent`; a mouse press on a button goes to `onPress`.
  TToolButtonPanel(QWidget *parent, const QString &name, PressHandler onPress);

  QFrame *Panel() const { return panel_; }
  // The button at place `index` (row index / 4, column index % 4): the frame base + "Panel", the
  // picture base + "Image" (64 x 16) and the caption base + "NamePanel".
  QFrame *AddButton(int index, const QString &base, const QString &caption, const QString &kind, int tag);

private:
  QFrame *panel_;
  QGridLayout *grid_;
  TEventHook *press_;
};

} // namespace calidarix
