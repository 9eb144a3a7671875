// Program entry: the application object and the main window, then the event loop.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Calidarix");
  QMainWindow window;
  window.setObjectName("Calidarix");
  window.setWindowTitle("Calidarix");
  window.resize(800, 600);
  window.show();
  return QApplication::exec();
}
