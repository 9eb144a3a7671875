#pragma once
// The thermogram view of the main window: the start-up calls of the shell reach the window's own
// view methods (ChangeDTV, FitImageLayout ...) and the thermograms of the run.

#include "mainwindow/ui/shell_services.h"

namespace calidarix {

class MainWindowThermogramView : public ThermogramView {
public:
  void Attach(TCalidarix &window) override { window_ = &window; }
  ServiceStatus CreateThermograms(bool dualBand) override;
  ServiceStatus SetUpPalettes(bool metroMode) override;
  ServiceStatus MakeDemoImage() override;
  void SetFileName(const QString &name) override;
  QString FileName() const override;
  ServiceStatus ChangeDTV(bool reload) override;
  // Lays the frame out in the image box as it now is, keeping a zoom larger than the fit, and
  // renders it again.
  ServiceStatus FitImageLayout() override;
  std::optional<double> Aspect() const override;

private:
  TCalidarix *window_ = nullptr;
};

} // namespace calidarix
