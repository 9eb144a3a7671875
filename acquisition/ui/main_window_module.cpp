// The USB thermal module in the main window: the driver is created only in module mode (FSeekMode),
// which this program never enters, and each image it posts replaces the current thermogram.

#include "acquisition/thermal_module.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "platform/inifile.h"
#include "thermogram/thermogram_globals.h"

#include <QScopeGuard>

namespace calidarix {

void TCalidarix::StartThermalModule() {
  if (!FSeekMode || FPeripherals.SeekThermal)
    return;
  // The shutter's COM number and the filter come from the program INI ("USB MODULE").
  const IniFile ini(ProgramIniPath());
  TModuleSettings settings;
  settings.ShutterPortNumber = ini.ReadInteger("USB MODULE", "ShutterCom", 0);
  settings.MedianFilterOn = ini.ReadBool("USB MODULE", "MedianFilter", false);
  // The driver logs from its own thread; the log window takes the lines on the GUI thread.
  auto log = [this](const QString &line) {
    QMetaObject::invokeMethod(
        this,
        [line] {
          if (logger)
            logger->AppendLine(line);
        },
        Qt::QueuedConnection);
  };
  FPeripherals.SeekThermal =
      std::make_unique<TSeekThermal>(FPublishedHandle, MakeLibUsbModuleDevice(), settings, std::move(log));
}

void TCalidarix::StopThermalModule() {
  // Ends the thread and shuts the module down.
  FPeripherals.SeekThermal.reset();
}

void TCalidarix::ModuleFrameArrived(const Message &message) {
  // Only the module this window runs is listened to: a stale or foreign pointer is never followed.
  TSeekThermal *module = FPeripherals.SeekThermal.get();
  if (!module || message.WParam != reinterpret_cast<WPARAM>(module) || message.LParam != kModuleImageFrame)
    return;
  if (FPeripherals.FModuleBusy || !CurrentDTV)
    return;
  FPeripherals.FModuleBusy = true;
  const auto release = qScopeGuard([this] { FPeripherals.FModuleBusy = false; });
  const TModulePicture picture = module->PostedImage();
  TDTV &dtv = *CurrentDTV;
  if (dtv.Width() != SeekImageWidth || dtv.Height() != SeekImageHeight) {
    dtv.FHeader.Width = SeekImageWidth;
    dtv.FHeader.Height = SeekImageHeight;
    dtv.SetAspect(static_cast<double>(SeekImageWidth) / SeekImageHeight);
    dtv.FRaw.assign(SeekImagePixels, 0);
  }
  if (picture.Opened && picture.Pixels.size() == dtv.FRaw.size())
    dtv.FRaw = picture.Pixels;
  dtv.FRawMin = picture.Minimum;
  dtv.FRawMax = picture.Maximum;
  ChangeDTV(false);
}

} // namespace calidarix
