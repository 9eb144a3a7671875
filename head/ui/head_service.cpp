#include "head/ui/head_service.h"

#include "head/head_globals.h"
#include "head/head_link.h"
#include "mainwindow/ui/logger_window.h"

namespace calidarix {

namespace {

// The link of the run, made when missing (a test may have reset the head module).
tQor &Link() {
  if (!QorHead)
    QorHead = std::make_unique<tQor>();
  return *QorHead;
}

} // namespace

QorHeadLink::QorHeadLink() {
  Link();
  SetHeadLogSink(
      [](const QString &line) {
        if (logger)
          logger->AppendLine(line);
      },
      [] { return logger != nullptr && logger->FUserLog; });
}

QorHeadLink::~QorHeadLink() {
  SetHeadLogSink({});
}

ServiceStatus QorHeadLink::InitLink() {
  Link().InitLink();
  return ServiceStatus::Done;
}

bool QorHeadLink::Connected() const {
  return QorHead && QorHead->FConnected;
}

int QorHeadLink::ComPort() const {
  return QorHead ? QorHead->FComPort : 0;
}

ServiceStatus QorHeadLink::SetTrackingMode(int mode) {
  Link().SetTrackingMode(static_cast<std::uint8_t>(mode));
  return ServiceStatus::Done;
}

void QorHeadLink::SetComPort(int port) {
  Link().SetComPort(static_cast<std::uint8_t>(port & 0xFF));
}

void QorHeadLink::SetScanPorts(bool scan) {
  Link().FScanPorts = scan;
}

void QorHeadLink::Close() {
  Link().Close();
}

char QorHeadLink::HeadType() const {
  return QorHead ? QorHead->FQorType : 0;
}

} // namespace calidarix
