// The USB camera link against the simulated camera: frames of every sector mode and speed, the status
// block, the drift correction, the start-pattern search, stalls, write failures and refused sizes.

#include "acquisition/usb_camera_link.h"
#include "tests/sim/usb_camera_simulator.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

struct UsbRig {
  std::shared_ptr<sim::UsbCameraSimulator> camera;
  TUsbConnection connection;
  std::vector<int> pauses;
  std::unique_ptr<TUsbCameraLink> link;
  TScanUnit unit;
  TScanRequests requests;
  TSectorTable table{};

  explicit UsbRig(sim::UsbCameraConfig config = {}) {
    camera = std::make_shared<sim::UsbCameraSimulator>(std::move(config));
    EXPECT_TRUE(CameraUsbConnect(connection, camera));
    link = std::make_unique<TUsbCameraLink>(*connection.FUsbPipe, [this](int ms) { pauses.push_back(ms); });
    unit.CameraInterfaceType = CamIfUsb;
    unit.ScanWidth = 320;
    unit.ScanHeight = 120;
    unit.Speed = 2;
    unit.Sectors = 15;
    unit.Edge = {20, 0, 0};
    unit.Center = {30, 0, 0};
    unit.Delay = {5, 0, 0};
    unit.Set[0] = 2500;
    requests.BlindCorrectionOn.Set(false);
  }

  TFrameResult Grab(std::int32_t &rows) { return ReceiveUsbFrame(unit, requests, table, *link, rows); }
  std::uint16_t Pixel(int y, int x) const {
    return unit.FrameBuffer[static_cast<std::size_t>(y) * unit.FrameWidth + x];
  }
};

std::uint16_t Ramp(int y, int x) {
  return static_cast<std::uint16_t>(1000 + (7 * x + 13 * y) % 3000);
}

TEST(UsbCameraLink, FramesOfEverySpeedAndSectorMode) {
  struct Case {
    std::uint8_t speed;
    std::int32_t sectors;
    std::int32_t height;
  };
  for (const Case c : {Case{2, 15, 120}, Case{0, 15, 240}, Case{1, 15, 240}, Case{3, 15, 60}, Case{2, 2, 240},
                       Case{3, 2, 120}, Case{2, 4, 480}}) {
    UsbRig rig;
    rig.unit.Speed = c.speed;
    rig.unit.Sectors = c.sectors;
    std::int32_t rows = -1;
    const TFrameResult result = rig.Grab(rows);
    SCOPED_TRACE(testing::Message() << "speed " << int(c.speed) << " sectors " << c.sectors);
    ASSERT_EQ(result.Kind, kUsbFrameOk);
    EXPECT_EQ(rig.unit.FrameWidth, 320);
    EXPECT_EQ(rig.unit.FrameHeight, c.height);
    EXPECT_EQ(rows, c.height);
    EXPECT_EQ(rig.unit.FrameBuffer.size(), std::size_t(320) * c.height);
    // The request carried the speed's line count, before the sector factor.
    const std::vector<std::uint8_t> request = rig.camera->LastCommand();
    ASSERT_EQ(request.size(), 256u);
    EXPECT_EQ(request[0], 1);
    EXPECT_EQ(request[8], static_cast<std::uint8_t>(c.height / UsbSectorLineFactor(c.sectors)));
    EXPECT_EQ(request[9], c.speed);
    // Words low byte first, pixel 0 repeats pixel 1, the last line arrived whole.
    EXPECT_EQ(rig.Pixel(0, 0), Ramp(0, 1));
    EXPECT_EQ(rig.Pixel(0, 1), Ramp(0, 1));
    EXPECT_EQ(rig.Pixel(0, 100), Ramp(0, 100));
    EXPECT_EQ(rig.Pixel(c.height - 1, 200), Ramp(c.height - 1, 200));
    EXPECT_EQ(rig.unit.CameraTemperature, 25.5f);
    EXPECT_EQ(rig.unit.BodyTemperatureRaw, 25 * 256 + 128);
    EXPECT_EQ(rig.unit.BlindSignal, c.speed == 0 ? 2500 : 2400); // speed 0 has no blind pixels
    EXPECT_EQ(rig.camera->Pending(), 0u);
  }
}

TEST(UsbCameraLink, QuarterModeReadsThePhaseMarkerAndHidesIt) {
  UsbRig rig;
  rig.unit.Sectors = 4;
  std::int32_t rows = 0;
  ASSERT_EQ(rig.Grab(rows).Kind, kUsbFrameOk); // first frame: 00 00 FF FF
  EXPECT_TRUE(rig.unit.QuarterPhase);
  EXPECT_EQ(rig.Pixel(0, 318), rig.Pixel(0, 316));
  EXPECT_EQ(rig.Pixel(0, 319), rig.Pixel(0, 317));
  EXPECT_EQ(rig.Pixel(0, 316), Ramp(0, 316));
  ASSERT_EQ(rig.Grab(rows).Kind, kUsbFrameOk); // second frame: FF FF 00 00
  EXPECT_FALSE(rig.unit.QuarterPhase);
  EXPECT_EQ(rig.Pixel(0, 319), Ramp(0, 317));
  // The quarter request carries four entries of the quarter table.
  EXPECT_EQ(rig.camera->LastCommand()[7], 4);
}

TEST(UsbCameraLink, DriftCorrectionShiftsAndClampsEveryPixel) {
  sim::UsbCameraConfig config;
  config.blind = 2000;
  config.pixel = [](int, int y, int x) -> std::uint16_t {
    if (y == 0)
      return static_cast<std::uint16_t>(x == 5 ? 100 : 65400); // below the offset, above full scale
    return static_cast<std::uint16_t>(3000 + x);
  };
  UsbRig rig(config);
  rig.unit.Set[0] = 1500; // every pixel moves by 1500 - 2000 = -500
  rig.requests.BlindCorrectionOn.Set(true);
  std::int32_t rows = 0;
  ASSERT_EQ(rig.Grab(rows).Kind, kUsbFrameOk);
  EXPECT_EQ(rig.Pixel(0, 5), 0);
  EXPECT_EQ(rig.Pixel(0, 6), 64900);
  EXPECT_EQ(rig.Pixel(1, 10), 2510);
  EXPECT_EQ(rig.unit.BlindSignal, 1500);
  EXPECT_EQ(rig.unit.FrameMin, 0);
  EXPECT_EQ(rig.unit.FrameMax, 64900);

  UsbRig up(config);
  up.unit.Set[0] = 3000; // +1000
  up.requests.BlindCorrectionOn.Set(true);
  ASSERT_EQ(up.Grab(rows).Kind, kUsbFrameOk);
  EXPECT_EQ(up.Pixel(0, 6), 65535);
  EXPECT_EQ(up.Pixel(0, 5), 1100);
}

TEST(UsbCameraLink, AFlatFrameGetsAWidenedSpan) {
  for (const std::uint16_t v : {std::uint16_t(800), std::uint16_t(65535)}) {
    sim::UsbCameraConfig config;
    config.pixel = [v](int, int, int) { return v; };
    UsbRig rig(config);
    std::int32_t rows = 0;
    ASSERT_EQ(rig.Grab(rows).Kind, kUsbFrameOk);
    EXPECT_LT(rig.unit.FrameMin, rig.unit.FrameMax);
    EXPECT_TRUE(rig.unit.FrameMin == v || rig.unit.FrameMax == v);
  }
}

TEST(UsbCameraLink, ThePatternIsFoundOnlyAtAnEvenOffsetOfTheStream) {
  struct Case {
    std::size_t junk;
    std::int32_t kind;
  };
  // 1282: a stray block and two bytes before the status block, found by the pairwise search.
  // 1283: the pattern straddles the pieces. 2: the pattern went with the first block read.
  for (const Case c : {Case{1282, kUsbFrameOk}, Case{1283, kUsbFrameSyncLost}, Case{2, kUsbFrameSyncLost},
                       Case{0, kUsbFrameOk}}) {
    sim::UsbCameraConfig config;
    config.startOffset = c.junk;
    UsbRig rig(config);
    std::int32_t rows = 0;
    const TFrameResult result = rig.Grab(rows);
    EXPECT_EQ(result.Kind, c.kind) << c.junk;
    if (c.kind == kUsbFrameOk) {
      EXPECT_EQ(rig.unit.CameraTemperature, 25.5f);
      EXPECT_EQ(rig.unit.BlindSignal, 2400);
      EXPECT_EQ(rig.Pixel(119, 300), Ramp(119, 300));
    }
  }
}

TEST(UsbCameraLink, TheSearchGivesUpAfterAFramesWorthOfNoise) {
  sim::UsbCameraConfig config;
  config.startOffset = 1280 * 200; // more noise than a 120-line frame
  UsbRig rig(config);
  std::int32_t rows = 0;
  EXPECT_EQ(rig.Grab(rows).Kind, kUsbFrameSyncLost);
  EXPECT_GT(rig.camera->Pending(), 0u); // it stopped searching before the camera stopped sending
}

TEST(UsbCameraLink, StallsEndTheFrameWithTheirResult) {
  struct Case {
    int block;
    std::int32_t kind;
    std::int32_t line;
    std::int32_t rows;
  };
  for (const Case c : {Case{0, kUsbFrameStatusFailed, 0, 0}, Case{1, kUsbFrameFirstLineFailed, 0, 0},
                       Case{6, kUsbFrameLineFailed, 5, 5}, Case{120, kUsbFrameLineFailed, 119, 119}}) {
    sim::UsbCameraConfig config;
    config.stallAtBlock = c.block;
    UsbRig rig(config);
    std::int32_t rows = -1;
    const TFrameResult result = rig.Grab(rows);
    EXPECT_EQ(result.Kind, c.kind) << c.block;
    EXPECT_EQ(result.Line, c.line) << c.block;
    EXPECT_EQ(rows, c.rows) << c.block;
  }
}

TEST(UsbCameraLink, AFailedRequestWaitsAndReadsNothing) {
  sim::UsbCameraConfig config;
  config.failWrites = 1;
  UsbRig rig(config);
  std::int32_t rows = -1;
  EXPECT_EQ(rig.Grab(rows).Kind, kUsbFrameRequestFailed);
  EXPECT_EQ(rows, 0);
  EXPECT_EQ(rig.camera->FrameRequests(), 0);
  EXPECT_EQ(rig.pauses, (std::vector<int>{100, 100}));
  // The next frame goes through.
  EXPECT_EQ(rig.Grab(rows).Kind, kUsbFrameOk);
}

TEST(UsbCameraLink, FramesWiderThanABlockOrEmptyAreRefused) {
  for (const std::int32_t width : {641, 1000, 0, -5}) {
    UsbRig rig;
    rig.unit.ScanWidth = width;
    std::int32_t rows = -1;
    EXPECT_EQ(rig.Grab(rows).Kind, kUsbFrameRequestFailed) << width;
    EXPECT_EQ(rig.camera->FrameRequests(), 0) << width;
  }
  sim::UsbCameraConfig wide;
  wide.scanWidth = 640;
  UsbRig widest(wide);
  widest.unit.ScanWidth = 640;
  std::int32_t rows = 0;
  EXPECT_EQ(widest.Grab(rows).Kind, kUsbFrameOk);
  EXPECT_EQ(widest.Pixel(100, 639), Ramp(100, 639));
}

TEST(UsbCameraLink, BlocksInPiecesAndConnectDisconnect) {
  sim::UsbCameraConfig config;
  config.pieceSize = 600;
  UsbRig rig(config);
  std::int32_t rows = 0;
  EXPECT_EQ(rig.Grab(rows).Kind, kUsbFrameOk);
  EXPECT_EQ(rig.Pixel(60, 60), Ramp(60, 60));

  EXPECT_TRUE(CameraUsbConnect(rig.connection, rig.camera)); // already connected: kept
  EXPECT_EQ(rig.camera->Opens(), 1);
  rig.link.reset();
  EXPECT_TRUE(CameraUsbDisconnect(rig.connection));
  EXPECT_FALSE(rig.connection.FUsbPipe);
  EXPECT_FALSE(CameraUsbDisconnect(rig.connection));

  rig.camera->Config().present = false;
  TUsbConnection none;
  EXPECT_FALSE(CameraUsbConnect(none, rig.camera));
  EXPECT_FALSE(none.FUsbConnected);
  ASSERT_TRUE(none.FUsbPipe);
  EXPECT_FALSE(none.FUsbPipe->IsOpen());
}

} // namespace
} // namespace calidarix
