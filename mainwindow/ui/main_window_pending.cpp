// Commands the keys call whose own parts of the program are not built yet. Each says in the window that
// it is not available; whoever builds a command deletes its stub here and defines it with its part.

#include "mainwindow/ui/main_window.h"

namespace calidarix {

void TCalidarix::View3DSBClick() {
  NotAvailable(QStringLiteral("3D View [N]"));
}
void TCalidarix::FrameSBClick() {
  NotAvailable(QStringLiteral("Goto Frame [F]"));
}
void TCalidarix::PanoPanelClick() {
  NotAvailable(QStringLiteral("Start Panoram [P]"));
}
void TCalidarix::Strip1Click() {
  NotAvailable(QStringLiteral("Start Strip [S]"));
}
void TCalidarix::MergeMultiScan() {
  NotAvailable(QStringLiteral("Merge scans [Ctrl+F]"));
}
void TCalidarix::DeleteFrameOrFile() {
  NotAvailable(QStringLiteral("Delete frame or file [Del]"));
}
void TCalidarix::MaxOverListedFiles(bool) {
  NotAvailable(QStringLiteral("Maximum over the listed files [Alt+S]"));
}
void TCalidarix::FilmProcessClick() {
  NotAvailable(QStringLiteral("Film processing [Alt+Enter]"));
}
void TCalidarix::TabExecute() {
  NotAvailable(QStringLiteral("Multy [Tab]"));
}
void TCalidarix::F9Execute() {
  NotAvailable(QStringLiteral("Scan speed 3 [F9]"));
}
void TCalidarix::F10Execute() {
  NotAvailable(QStringLiteral("Scan speed 2 [F10]"));
}
void TCalidarix::F11Execute() {
  NotAvailable(QStringLiteral("Scan speed 1 [F11]"));
}
void TCalidarix::F12Execute() {
  NotAvailable(QStringLiteral("Scan speed 0 [F12]"));
}
void TCalidarix::Alt1Execute() {
  NotAvailable(QStringLiteral("Calibration range 1 [Alt+1]"));
}
void TCalidarix::Alt2Execute() {
  NotAvailable(QStringLiteral("Calibration range 2 [Alt+2]"));
}
void TCalidarix::Alt3Execute() {
  NotAvailable(QStringLiteral("Calibration range 3 [Alt+3]"));
}
void TCalidarix::AltFExecute() {
  NotAvailable(QStringLiteral("Grab frame [Alt+F]"));
}
void TCalidarix::AltF6Execute() {
  NotAvailable(QStringLiteral("Blind correction [Alt+F6]"));
}
void TCalidarix::CtrlF12Execute() {
  NotAvailable(QStringLiteral("Fixed line [Ctrl+F12]"));
}
void TCalidarix::CtrlAltPointExecute() {
  NotAvailable(QStringLiteral("Calibration point [Ctrl+Alt+.]"));
}
void TCalidarix::CtrlAltCommaExecute() {
  NotAvailable(QStringLiteral("Calibration point [Ctrl+Alt+,]"));
}

} // namespace calidarix
