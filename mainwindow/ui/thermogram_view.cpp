#include "mainwindow/ui/thermogram_view.h"

#include "mainwindow/ui/main_window.h"
#include "thermogram/thermogram_globals.h"

namespace calidarix {

ServiceStatus MainWindowThermogramView::CreateThermograms(bool dualBand) {
  if (!window_)
    return ServiceStatus::NotAvailable;
  window_->CreateThermograms(dualBand);
  return ServiceStatus::Done;
}

ServiceStatus MainWindowThermogramView::SetUpPalettes(bool metroMode) {
  if (!window_ || !CurrentDTV)
    return ServiceStatus::NotAvailable;
  window_->SetUpPalettes(metroMode);
  return ServiceStatus::Done;
}

ServiceStatus MainWindowThermogramView::MakeDemoImage() {
  if (!CurrentDTV)
    return ServiceStatus::NotAvailable;
  CurrentDTV->MakeDemoImage();
  return ServiceStatus::Done;
}

void MainWindowThermogramView::SetFileName(const QString &name) {
  if (CurrentDTV)
    CurrentDTV->FFileName = name;
}

QString MainWindowThermogramView::FileName() const {
  return CurrentDTV ? CurrentDTV->FFileName : QString();
}

ServiceStatus MainWindowThermogramView::ChangeDTV(bool reload) {
  if (!window_ || !CurrentDTV)
    return ServiceStatus::NotAvailable;
  return window_->ChangeDTV(reload) ? ServiceStatus::Done : ServiceStatus::Failed;
}

ServiceStatus MainWindowThermogramView::FitImageLayout() {
  if (!window_ || !CurrentDTV)
    return ServiceStatus::NotAvailable;
  const QRect box = window_->ImagePB->rect();
  window_->FitImageLayout(TRect{box.left(), box.top(), box.left() + box.width(), box.top() + box.height()},
                          false);
  window_->ImagePBPaint(window_);
  return ServiceStatus::Done;
}

std::optional<double> MainWindowThermogramView::Aspect() const {
  if (!CurrentDTV)
    return std::nullopt;
  return CurrentDTV->FAspect;
}

} // namespace calidarix
