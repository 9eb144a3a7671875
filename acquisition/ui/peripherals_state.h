#pragma once
// The main window's fields for the devices beside the camera: the visible-light video, the two battery
// gauges and the USB thermal module (acquisition/ui/main_window_video.cpp, main_window_battery.cpp,
// main_window_module.cpp).

#include "acquisition/thermal_module.h"
#include "acquisition/ui/video_properties_dialog.h"

#include <QPointer>

#include <memory>

class QMenu;
class QTimer;

namespace calidarix {

class TBattery;

struct TPeripheralsState {
  // Index of the chosen video device in the list of devices; 0 by default.
  int VideoDeviceIndex = 0;
  // The device menu while it is open (made on demand, gone afterwards).
  QMenu *VideoPopUpMenu = nullptr;
  // The Video command is choosing a device or starting it; a second one waits its turn.
  bool FVideoStarting = false;
  // Keeps the video panel's picture live while the panel is shown.
  QTimer *VideoPanelTimer = nullptr;
  // The device's settings while their window is open.
  QPointer<TVideoPropertiesDialog> VideoProperties;

  // The computer's battery and the camera's (given by the frames), on the info panel.
  TBattery *FPCBattery = nullptr;
  TBattery *FCameraBattery = nullptr;

  // The USB thermal module, only in module mode (FSeekMode), which this program never enters.
  std::unique_ptr<TSeekThermal> SeekThermal;
  // A module frame is being shown.
  bool FModuleBusy = false;
};

} // namespace calidarix
