// The camera interface type: asked at start-up when the program INI names no camera and the registry
// holds no type, and from the Scan menu's "Interface..." item.

#include "acquisition/ui/interface_form.h"
#include "mainwindow/ui/main_window.h"

#include <QAction>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

namespace calidarix {

namespace {

const char *kCameraTypeKey = "\\dtvimage\\CameraType";
constexpr int kLanCamera = 256;
constexpr int kDualBandLanCamera = 257;
constexpr int kUsbCamera = 128;

} // namespace

void TCalidarix::InterfaceTimerTimer() {
  InterfaceTimer->stop();
  if (ScanSB->isEnabled())
    return;
  Acquisition &camera = *FServices.acquisition;
  if (FServices.registry->OpenKey(kCameraTypeKey)) {
    const std::optional<std::int64_t> stored =
        FServices.registry->ReadInteger(kCameraTypeKey, "InterfaceType");
    if (!stored)
      camera.SetCameraInterfaceType(0);
    else if (camera.CameraInterfaceType() != kDualBandLanCamera)
      camera.SetCameraInterfaceType(static_cast<int>(*stored));
  } else {
    Note(ServiceStatus::NotAvailable, "Registry key dtvimage\\CameraType");
  }
  if (camera.CameraInterfaceType() >= 1) {
    ScanSB->setEnabled(true);
    Start1->setEnabled(true);
    return;
  }
  if (!InterfaceForm || InterfaceForm->exec() != QDialog::Accepted) {
    close(); // no camera type: the program cannot go on
    return;
  }
  if (InterfaceForm->LanRB->isChecked() || InterfaceForm->USBRB->isChecked()) {
    if (InterfaceForm->USBRB->isChecked())
      camera.SetCameraInterfaceType(kUsbCamera);
    else if (camera.CameraInterfaceType() != kDualBandLanCamera)
      camera.SetCameraInterfaceType(kLanCamera);
    ScanSB->setEnabled(true);
    Start1->setEnabled(true);
    if (!FServices.registry->OpenKey(kCameraTypeKey) ||
        !FServices.registry->WriteInteger(kCameraTypeKey, "InterfaceType", camera.CameraInterfaceType()))
      Note(ServiceStatus::NotAvailable, "Storing the camera type");
  }
}

void TCalidarix::Interface1Click() {
  if (!InterfaceForm)
    return;
  Acquisition &camera = *FServices.acquisition;
  if (camera.CameraInterfaceType() == kUsbCamera)
    InterfaceForm->USBRB->setChecked(true);
  else
    InterfaceForm->LanRB->setChecked(true);
  if (InterfaceForm->exec() != QDialog::Accepted)
    return;
  if (InterfaceForm->USBRB->isChecked())
    camera.SetCameraInterfaceType(kUsbCamera);
  else if (camera.CameraInterfaceType() != kDualBandLanCamera)
    camera.SetCameraInterfaceType(kLanCamera);
  ScanSB->setEnabled(true);
  Start1->setEnabled(true);
  if (!FServices.registry->OpenKey(kCameraTypeKey) ||
      !FServices.registry->WriteInteger(kCameraTypeKey, "InterfaceType", camera.CameraInterfaceType()))
    Note(ServiceStatus::NotAvailable, "Storing the camera type");
}

} // namespace calidarix
