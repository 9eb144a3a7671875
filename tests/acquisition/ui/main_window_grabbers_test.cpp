// The main window's acquisition thread with a USB camera: the thread gets the USB frame source and
// its frames become the live thermogram.

#include "acquisition/frame_grabbers.h"
#include "tests/acquisition/ui/live_window_fixture.h"
#include "tests/sim/usb_camera_simulator.h"

#include <QScopeGuard>

#include <gtest/gtest.h>

namespace calidarix::test {
namespace {

class UsbLiveWindow : public LiveWindow {};

TEST_F(UsbLiveWindow, UsbCameraFramesReachTheWindow) {
  sim::UsbCameraConfig config;
  config.scanWidth = 64;
  config.scanHeight = 8;
  auto usb = std::make_shared<sim::UsbCameraSimulator>(config);
  SetDefaultUsbBackend(usb);
  const auto restore = qScopeGuard([] { SetDefaultUsbBackend(nullptr); });

  TCalidarix &w = Open();
  TScanUnit unit;
  unit.CameraInterfaceType = CamIfUsb;
  unit.ScanWidth = 64;
  unit.ScanHeight = 8;
  unit.Speed = 2;
  unit.Sectors = 15;
  unit.Edge = {20, 0, 0};
  unit.Center = {30, 0, 0};
  unit.Delay = {5, 0, 0};
  unit.Set[0] = 2500;
  ScanUnit.CameraInterfaceType = unit.CameraInterfaceType;
  ScanUnit.ScanWidth = unit.ScanWidth;
  ScanUnit.ScanHeight = unit.ScanHeight;
  ScanUnit.Set = unit.Set;
  TScan &scan = w.StartAcquisitionThread(unit, 0, TLanTimings{});
  EXPECT_NE(dynamic_cast<const TUsbFrameGrabber *>(scan.OtherLink.get()), nullptr);
  ASSERT_TRUE(WaitForShownFrames(2));
  EXPECT_EQ(w.FAcquisition.FramesLost, 0);
  ASSERT_TRUE(CurrentDTV);
  EXPECT_EQ(CurrentDTV->Width(), 64);
  EXPECT_GE(usb->FrameRequests(), 3);
  EXPECT_EQ(usb->Opens(), 1);
  w.StopAcquisitionThread();
  EXPECT_FALSE(ScanRequests.ScanRunning.Get());
}

} // namespace
} // namespace calidarix::test
