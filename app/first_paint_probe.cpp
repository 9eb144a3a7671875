#include "first_paint_probe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace calidarix {

namespace {

class FirstPaintProbe : public QObject {
public:
  using QObject::QObject;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() != QEvent::Paint || watched->objectName() != QLatin1String("ImagePB"))
      return false;
    // Paint first, then report: the picture is on the window when the time is taken.
    QCoreApplication::instance()->removeEventFilter(this);
    QCoreApplication::sendEvent(watched, event);
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::printf("first-paint %lld\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    std::fflush(stdout);
    std::_Exit(0);
  }
};

} // namespace

void WatchFirstPaintIfAsked(QCoreApplication &app) {
  if (qEnvironmentVariableIsEmpty("CALIDARIX_FIRST_PAINT_EXIT"))
    return;
  app.installEventFilter(new FirstPaintProbe(&app));
}

} // namespace calidarix
