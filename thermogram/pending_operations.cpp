// TEMPORARY: definitions of thermogram operations whose own files are still being written, so that
// the loading code links. Each one only reports that it is not available (readers return an error,
// operations without a result log and leave the thermogram unchanged). Delete a definition here when
// its real file lands; delete this file when it is empty.

#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

namespace calidarix {

namespace {

IoResult NotAvailable() {
  return IoResult::Error(QStringLiteral("not available"));
}

} // namespace

IoResult TDTV::LoadBMP(const QString &) {
  return NotAvailable();
}
IoResult TDTV::LoadBMT(const QString &) {
  return NotAvailable();
}
IoResult TDTV::LoadSER(const QString &, int) {
  return NotAvailable();
}
IoResult TDTV::LoadSIT(const QString &, int) {
  return NotAvailable();
}
IoResult TDTV::LoadIMG(const QString &, int) {
  return NotAvailable();
}
IoResult TDTV::LoadTI4(const QString &, int) {
  return NotAvailable();
}
IoResult TDTV::LoadIS2(const QString &) {
  return NotAvailable();
}
IoResult TDTV::LoadRadiometricJPG(const QString &) {
  return NotAvailable();
}
IoResult TDTV::LoadDAT(const QString &, int) {
  return NotAvailable();
}
IoResult TDTV::LoadPNG(const QString &) {
  return NotAvailable();
}
} // namespace calidarix
