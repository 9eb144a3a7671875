#pragma once
// The main window's acquisition service over the camera state: the Scan and Stop commands go to the
// window's own, the camera values and the running state come from the camera state and its requests.

#include "mainwindow/ui/shell_services.h"

namespace calidarix {

struct IniCameraSettings;
struct TScanUnit;

// The camera values of "Calidarix.ini" into the camera state.
void ApplyIniCameraSettings(const IniCameraSettings &ini, TScanUnit &unit);

class TCameraAcquisition : public Acquisition {
public:
  void Attach(TCalidarix &window) override { window_ = &window; }
  int CameraInterfaceType() const override;
  void SetCameraInterfaceType(int type) override;
  void SetCameraIP(const QString &address) override;
  ServiceStatus ScanSBClick() override;
  ServiceStatus StopScan() override;
  bool ScanRunning() const override;
  bool FrameTimingOn() const override;
  bool ScanStopping() const override;
  bool FilmRecording() const override;
  int CameraNo() const override;
  double CameraTemperature() const override;
  ServiceStatus RequestRange(int range) override;
  ServiceStatus RequestFilmStart() override;
  ServiceStatus RequestSpeedStep(int step) override;
  void SetAutoRange(bool on) override;
  void TakeIniCameraSettings(const IniCameraSettings &ini) override;

private:
  TCalidarix *window_ = nullptr;
};

} // namespace calidarix
