#pragma once
// The head link as the main window's start-up and device messages reach it: the global QorHead, made
// here when it does not exist yet, with its diagnostics going to the log window.

#include "mainwindow/ui/shell_services.h"

namespace calidarix {

class QorHeadLink : public HeadLink {
public:
  QorHeadLink();
  ~QorHeadLink() override;

  ServiceStatus InitLink() override;
  bool Connected() const override;
  int ComPort() const override;
  ServiceStatus SetTrackingMode(int mode) override;
  void SetComPort(int port) override;
  void SetScanPorts(bool scan) override;
  void Close() override;
  char HeadType() const override;
};

} // namespace calidarix
