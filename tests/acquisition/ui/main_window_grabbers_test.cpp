// The main window's acquisition thread with a USB camera: the thread gets the USB frame source and
// its frames become the live thermogram.

#include "acquisition/frame_grabbers.h"
#include "tests/acquisition/ui/live_window_fixture.h"
#include "tests/sim/usb_camera_simulator.h"

#include <gtest/gtest.h>

namespace calidarix::test {
namespace {

class UsbLiveWindow : public LiveWindow {
protected:
  // The window scanning a 64 x 8 USB camera.
  TScan &StartUsb(TCalidarix &w) {
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
    return w.StartAcquisitionThread(unit, 0, TLanTimings{});
  }
  void SetUp() override {
    LiveWindow::SetUp();
    sim::UsbCameraConfig config;
    config.scanWidth = 64;
    config.scanHeight = 8;
    usb = std::make_shared<sim::UsbCameraSimulator>(config);
    SetDefaultUsbBackend(usb);
  }
  void TearDown() override {
    LiveWindow::TearDown();
    SetDefaultUsbBackend(nullptr);
  }
  std::shared_ptr<sim::UsbCameraSimulator> usb;
};

TEST_F(UsbLiveWindow, UsbCameraFramesReachTheWindow) {
  TCalidarix &w = Open();
  TScan &scan = StartUsb(w);
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

TEST_F(UsbLiveWindow, StopSendsTheCameraItsStopCommand) {
  TCalidarix &w = Open();
  StartUsb(w);
  ASSERT_TRUE(WaitForShownFrames(1));
  w.StopScan();
  EXPECT_FALSE(w.FAcquisition.StopTimedOut);
  const std::vector<std::uint8_t> command = usb->LastCommand();
  ASSERT_EQ(command.size(), 256u);
  EXPECT_EQ(command[0], CamCmdStop);
  EXPECT_FALSE(ScanRequests.ScanRunning.Get());
}

} // namespace
} // namespace calidarix::test
