#pragma once
// Hands the events of watched widgets to a function, for labels and panels that act as buttons and
// for edits that filter their keys. The function returns true when it consumed the event.

#include <QObject>

#include <functional>
#include <utility>

class QEvent;

namespace calidarix {

class TEventHook : public QObject {
public:
  using Handler = std::function<bool(QObject *watched, QEvent *event)>;
  TEventHook(QObject *parent, Handler handler) : QObject(parent), FHandler(std::move(handler)) {}

  // Starts handing the events of `watched` to the function.
  void Watch(QObject *watched) { watched->installEventFilter(this); }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override { return FHandler(watched, event); }

private:
  Handler FHandler;
};

} // namespace calidarix
