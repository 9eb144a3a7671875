// The floor of the start-up measurement (tools/measure_startup.sh): a minimal Qt Widgets program that
// makes the same demo thermogram, renders it at the size the main window shows it (640 x 540) and
// shows it in a label. It prints the wall-clock time of the label's first paint, as the program does
// with CALIDARIX_FIRST_PAINT_EXIT, and leaves at once.

#include "thermogram/palette_render.h"
#include "thermogram/tdtv.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPixmap>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

class PictureLabel : public QLabel {
protected:
  void paintEvent(QPaintEvent *event) override {
    QLabel::paintEvent(event);
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::printf("first-paint %lld\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    std::fflush(stdout);
    std::_Exit(0);
  }
};

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication app(argc, argv);
  calidarix::TDTV dtv;
  dtv.MakeDemoImage();
  dtv.RenderToBitmap(calidarix::TRect{0, 0, 640, 540}, 0, 0);
  PictureLabel label;
  label.setPixmap(QPixmap::fromImage(dtv.FBitmap));
  label.show();
  return QApplication::exec();
}
