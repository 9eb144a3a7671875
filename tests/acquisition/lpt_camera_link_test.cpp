// The parallel-port cameras against the simulated camera: type-16 and type-8 frames, every handshake
// time-out, the level tracking, the automatic level and range, refusals, the end of acquisition and
// the port binding.

#include "acquisition/lpt_camera_link.h"
#include "platform/inifile.h"
#include "tests/sim/lpt_camera_simulator.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

struct LptRig {
  sim::LptCameraSimulator camera;
  TLptCamera link;
  TScanUnit unit;
  TScanRequests requests;

  explicit LptRig(sim::LptCameraConfig config = {})
      : camera(std::move(config)), link(camera, camera.Clock()) {
    unit.CameraInterfaceType = camera.Config().type == 8 ? CamIfLptLevel : CamIfLpt;
    unit.FrameWidth = camera.Config().width;
    unit.FrameHeight = 120;
    unit.KLevel = 16.0;
    unit.VirLev = 10;
    unit.Termo_A = 0.25;
    unit.Termo_B = -10.0;
  }
  TFrameResult Grab16(std::int32_t &rows) { return link.GrabFrameLpt(unit, requests, rows); }
  TFrameResult Grab8(std::int32_t &rows, bool autoRange = false) {
    return link.GrabFrameLptLevel(unit, requests, autoRange, rows);
  }
  std::uint16_t Pixel(int y, int x) const {
    return unit.FrameBuffer[static_cast<std::size_t>(y) * unit.FrameWidth + x];
  }
};

std::uint16_t Ramp16(int y, int x) {
  return static_cast<std::uint16_t>(1000 + (3 * x + 5 * y) % 4000);
}

sim::LptCameraConfig Type8() {
  sim::LptCameraConfig c;
  c.type = 8;
  c.width = 64;
  return c;
}

TEST(LptCamera, Type16FramesOfEverySpeed) {
  struct Case {
    std::uint8_t speed;
    std::uint8_t range;
    bool laser;
    std::uint8_t command;
    std::int32_t height;
  };
  for (const Case c : {Case{0, 0, false, 0 + 4, 240}, Case{1, 1, false, 1 + 8, 240},
                       Case{2, 0, true, 3 + 4 + 0x20, 120}, Case{3, 2, false, 2 + 8, 60}}) {
    LptRig rig;
    rig.unit.Speed = c.speed;
    rig.unit.CalibrationRange = c.range;
    rig.unit.BlindSignal = 7;
    rig.requests.LaserOn.Set(c.laser);
    std::int32_t rows = -1;
    const TFrameResult result = rig.Grab16(rows);
    SCOPED_TRACE(testing::Message() << "speed " << int(c.speed));
    ASSERT_EQ(result.Kind, 0);
    ASSERT_EQ(rig.camera.Commands().size(), 1u);
    EXPECT_EQ(rig.camera.Commands()[0], c.command);
    EXPECT_EQ(rig.unit.FrameHeight, c.height);
    EXPECT_EQ(rows, c.height);
    EXPECT_EQ(rig.unit.BodyTemperatureRaw, 23 * 256 + 64);
    EXPECT_FLOAT_EQ(rig.unit.CameraTemperature, 23.25f);
    EXPECT_EQ(rig.unit.BlindSignal, c.speed == 0 ? 7 : 3000); // speed 0 has no blind line
    EXPECT_EQ(rig.Pixel(0, 0), Ramp16(0, 0));
    EXPECT_EQ(rig.Pixel(c.height - 1, 319), Ramp16(c.height - 1, 319));
    EXPECT_EQ(rig.unit.FrameMin, 1000);
    EXPECT_EQ(rig.unit.FrameMax, 1000 + 3 * 319 + 5 * (c.height - 1));
  }
}

TEST(LptCamera, AZeroReadingRepeatsThePixelBeforeIt) {
  sim::LptCameraConfig config;
  config.width = 8;
  config.word = [](int, int y, int x) -> std::uint16_t {
    if ((y == 0 && x == 0) || (y == 3 && (x == 4 || x == 5)) || (y == 5 && x == 0))
      return 0;
    return static_cast<std::uint16_t>(100 * y + x + 1);
  };
  LptRig rig(config);
  std::int32_t rows = 0;
  ASSERT_EQ(rig.Grab16(rows).Kind, 0);
  EXPECT_EQ(rig.Pixel(0, 0), 0); // nothing before the first pixel
  EXPECT_EQ(rig.Pixel(3, 4), 304);
  EXPECT_EQ(rig.Pixel(3, 5), 304);
  EXPECT_EQ(rig.Pixel(3, 6), 307);
  EXPECT_EQ(rig.Pixel(5, 0), rig.Pixel(4, 7)); // across the line
  EXPECT_EQ(rig.unit.FrameMin, 0);
}

TEST(LptCamera, EveryHandshakeTimeOutEndsWithItsCode) {
  struct Case {
    int type;
    std::uint8_t silence;
    std::uint8_t speed;
    std::int32_t kind;
    std::uint8_t error;
  };
  for (const Case c : {Case{16, kLptErrorStrobe, 2, kLptErrorStrobe, kLptErrorStrobe},
                       Case{16, kLptErrorStrobe, 0, 0, 0}, // speed 0 waits for no strobe
                       Case{16, kLptErrorReady, 2, kLptErrorReady, kLptErrorReady},
                       Case{16, kLptErrorCommand, 2, kLptErrorCommand, kLptErrorCommand},
                       Case{8, kLptErrorLevelAck, 2, kLptErrorLevelAck, kLptErrorLevelAck}}) {
    sim::LptCameraConfig config = c.type == 8 ? Type8() : sim::LptCameraConfig{};
    config.silence = c.silence;
    LptRig rig(config);
    rig.unit.Speed = c.speed;
    std::int32_t rows = 0;
    const std::int64_t start = rig.camera.Now();
    const TFrameResult result = c.type == 8 ? rig.Grab8(rows) : rig.Grab16(rows);
    SCOPED_TRACE(testing::Message() << "type " << c.type << " silence 0x" << std::hex << int(c.silence));
    EXPECT_EQ(result.Kind, c.kind);
    EXPECT_EQ(rig.unit.LptErrorCode, c.error);
    if (c.kind != 0) {
      // One wait gave up after its 2000 ms, and nothing waited longer.
      EXPECT_GE(rig.camera.Now() - start, kLptTimeoutMs);
      EXPECT_LT(rig.camera.Now() - start, kLptTimeoutMs + 200);
    }
  }
  // A silent sample reads 0x80 and the frame goes on (each sample then waits out its time-out, so the
  // frame is kept tiny).
  sim::LptCameraConfig config = Type8();
  config.width = 2;
  config.silence = kLptErrorSample;
  LptRig rig(config);
  rig.unit.FrameHeight = 2;
  rig.unit.VirtualZero = 0;
  std::int32_t rows = 0;
  ASSERT_EQ(rig.Grab8(rows).Kind, 0);
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(rig.unit.BodyTemperatureRaw, kLptSampleTimeoutValue);
}

TEST(LptCamera, Type8FrameTracksTheConvertersAndScalesTheSamples) {
  sim::LptCameraConfig config = Type8();
  config.channel[0] = 100;  // zero reference
  config.channel[1] = 0xD0; // blind too bright: BlindLevel steps down
  config.channel[2] = 150;
  LptRig rig(config);
  rig.unit.VirtualZero = 3000;
  rig.unit.Level = 190;
  rig.unit.Range = 40;
  rig.unit.BlindLevel = 200;
  rig.unit.BlindRange = 20;
  std::int32_t rows = 0;
  ASSERT_EQ(rig.Grab8(rows).Kind, 0);
  EXPECT_EQ(rows, 120);
  EXPECT_EQ(rig.unit.Speed, 2);
  EXPECT_EQ(rig.unit.BlindLevel, 199);
  // Blind: Trunc((208 + 16 x 199 - 3000) x 255 / 20) - 3000, with the zero before this frame's update.
  EXPECT_EQ(rig.unit.BlindSignal, ((208 + 16 * 199 - 3000) * 255) / 20 - 3000);
  EXPECT_EQ(rig.unit.BodyTemperatureRaw, 150);
  EXPECT_FLOAT_EQ(rig.unit.CameraTemperature, 150 * 0.25f - 10.0f);
  EXPECT_EQ(rig.unit.VirtualZero, 16 * 10 + 100);
  EXPECT_EQ(rig.unit.VirLev, 10);
  EXPECT_EQ(rig.camera.LevelDac(), 190);
  EXPECT_EQ(rig.camera.RangeDac(), 40);
  // Pixel: Trunc((v + 190 x 16 - 260) x 255 / 40) - 260.
  const auto expected = [](int v) { return ((v + 3040 - 260) * 255) / 40 - 260; };
  EXPECT_EQ(rig.Pixel(0, 0), expected(40));
  EXPECT_EQ(rig.Pixel(10, 20), expected(40 + (20 + 20) % 150));
  // The working offset follows the new virtual zero.
  rig.unit.Signal0 = 2.0;
  ASSERT_EQ(rig.Grab8(rows).Kind, 0);
  EXPECT_DOUBLE_EQ(rig.unit.CurSignal0, 2.0 * 256 - rig.unit.VirtualZero);

  // Range 1: samples x 257, the blind from channel 3, the zero left alone.
  LptRig one(config);
  one.unit.CalibrationRange = 1;
  one.unit.VirtualZero = 1234;
  ASSERT_EQ(one.Grab8(rows).Kind, 0);
  EXPECT_EQ(one.Pixel(0, 5), (40 + 5) * 257);
  EXPECT_EQ(one.unit.BlindSignal, 90 * 256);
  EXPECT_EQ(one.unit.VirtualZero, 1234);
}

TEST(LptCamera, Type8SignalsAndConvertersStayInRange) {
  sim::LptCameraConfig config = Type8();
  config.sample = [](int, int y, int, std::uint8_t, std::uint8_t) -> std::uint8_t {
    return y == 0 ? 255 : 0;
  };
  config.channel[0] = 0x05; // zero reference too low: VirLev steps up
  config.channel[1] = 0x10; // blind too dark: BlindLevel steps up
  std::int32_t rows = 0;

  LptRig bright(config);
  bright.unit.Level = 255; // (v + 4080 - 5) x 255 / 3 - 5 passes 16 bits
  bright.unit.Range = 3;
  bright.unit.VirLev = 0;
  ASSERT_EQ(bright.Grab8(rows).Kind, 0);
  EXPECT_EQ(bright.Pixel(0, 3), 65535);
  EXPECT_EQ(bright.Pixel(1, 3), 65535);
  EXPECT_EQ(bright.unit.VirLev, 1);

  LptRig dark(config);
  dark.unit.Level = 0; // (v - 4085) x 255 / 3 - 4085 is below 0
  dark.unit.Range = 3;
  dark.unit.VirLev = 255;
  dark.unit.BlindLevel = 255;
  dark.unit.VirtualZero = 40000; // a blind far below zero
  ASSERT_EQ(dark.Grab8(rows).Kind, 0);
  EXPECT_EQ(dark.Pixel(0, 3), 0);
  EXPECT_EQ(dark.Pixel(1, 3), 0);
  EXPECT_EQ(dark.unit.BlindSignal, 0);
  EXPECT_EQ(dark.unit.VirLev, 255); // the steps stop at the converter's ends
  EXPECT_EQ(dark.unit.BlindLevel, 255);
}

TEST(LptCamera, AutomaticLevelAndRangeTable) {
  struct Case {
    std::uint8_t lo, hi, range, level;
    std::int32_t virtualZero;
    std::uint8_t wantRange, wantLevel;
  };
  // K = 16; level and range before: 100 and 40 unless the case says otherwise.
  for (const Case c : {
           Case{70, 200, 40, 100, 0, 71, 184},   // normal: range 40 x 256 / 130 less a tenth
           Case{2, 255, 40, 100, 0, 20, 46},     // both ends clipped
           Case{1, 4, 40, 100, 0, 16, 198},      // all dark
           Case{254, 255, 40, 100, 0, 16, 198},  // all bright
           Case{3, 100, 40, 100, 0, 20, 38},     // dark end clipped
           Case{3, 100, 40, 100, -100, 20, 35},  // ... with a virtual zero
           Case{50, 254, 40, 100, 0, 20, 51},    // bright end clipped
           Case{10, 220, 40, 100, 0, 40, 100},   // wide but unclipped: kept
           Case{70, 200, 2, 100, 0, 3, 100},     // a range below 3 is lifted to 3
           Case{2, 255, 5, 100, 0, 3, 57},       // halving stops at 3
           Case{70, 200, 253, 100, 0, 253, 100}, // a range too wide for the normal case: kept
       }) {
    TScanUnit u;
    u.KLevel = 16.0;
    u.Range = c.range;
    u.Level = c.level;
    u.VirtualZero = c.virtualZero;
    AutoLevelRange(u, c.lo, c.hi);
    SCOPED_TRACE(testing::Message() << "lo " << int(c.lo) << " hi " << int(c.hi) << " R " << int(c.range));
    EXPECT_EQ(u.Range, c.wantRange);
    EXPECT_EQ(u.Level, c.wantLevel);
  }
  TScanUnit none;
  none.KLevel = 0.0;
  AutoLevelRange(none, 1, 4);
  EXPECT_EQ(none.Range, 40);
  EXPECT_EQ(none.Level, 190);
}

TEST(LptCamera, ADarkFrameResetsLevelAndRangeWhenAutomatic) {
  sim::LptCameraConfig config = Type8();
  config.sample = [](int, int, int x, std::uint8_t, std::uint8_t) {
    return static_cast<std::uint8_t>(x % 6);
  };
  for (const bool automatic : {true, false}) {
    LptRig rig(config);
    std::int32_t rows = 0;
    ASSERT_EQ(rig.Grab8(rows, automatic).Kind, 0);
    EXPECT_EQ(rig.unit.Level, automatic ? 198 : 190);
    EXPECT_EQ(rig.unit.Range, automatic ? 16 : 40);
    if (automatic) {
      ASSERT_EQ(rig.Grab8(rows, true).Kind, 0); // the next frame sets the converters so
      EXPECT_EQ(rig.camera.LevelDac(), 198);
      EXPECT_EQ(rig.camera.RangeDac(), 16);
    }
  }
  LptRig one(config);
  one.unit.CalibrationRange = 1; // range 1 is never adjusted
  std::int32_t rows = 0;
  ASSERT_EQ(one.Grab8(rows, true).Kind, 0);
  EXPECT_EQ(one.unit.Level, 190);
}

TEST(LptCamera, SettingsThatWouldDivideByZeroAreRefusedBeforeThePortIsTouched) {
  for (int which = 0; which < 5; ++which) {
    LptRig rig(Type8());
    if (which == 0)
      rig.unit.KLevel = 0.0;
    if (which == 1)
      rig.unit.Range = 0;
    if (which == 2)
      rig.unit.BlindRange = 0;
    if (which == 3)
      rig.unit.FrameWidth = 0;
    if (which == 4)
      rig.unit.KLevel = std::numeric_limits<double>::quiet_NaN();
    std::int32_t rows = 0;
    EXPECT_EQ(rig.Grab8(rows).Kind, kLptCodeRefused) << which;
    EXPECT_EQ(rig.camera.Writes(), 0u) << which;
  }
  LptRig narrow;
  narrow.unit.FrameWidth = 0;
  std::int32_t rows = 0;
  EXPECT_EQ(narrow.Grab16(rows).Kind, kLptCodeRefused);
}

TEST(LptCamera, ASkippedFrameEndsAtOnce) {
  LptRig rig(Type8());
  rig.requests.FSkipNextFrame.Set(true);
  std::int32_t rows = -1;
  const TFrameResult result = rig.Grab8(rows);
  EXPECT_EQ(result.Kind, 0);
  EXPECT_EQ(rows, 0);
  EXPECT_TRUE(rig.requests.FSkipNextFrame.Get()); // the thread clears it when it drops the frame
}

TEST(LptCamera, LevelAndRangeRequestsOfTheWindow) {
  TLptRequests requests;
  TScanUnit unit;
  EXPECT_FALSE(RequestLptLevelRange(requests, 100, 0));
  EXPECT_FALSE(RequestLptLevelRange(requests, 256, 10));
  EXPECT_FALSE(RequestLptLevelRange(requests, -1, 10));
  ApplyLptRequests(unit, requests);
  EXPECT_EQ(unit.Level, 190);
  EXPECT_EQ(unit.Range, 40);
  EXPECT_TRUE(RequestLptLevelRange(requests, 120, 30));
  ApplyLptRequests(unit, requests);
  EXPECT_EQ(unit.Level, 120);
  EXPECT_EQ(unit.Range, 30);
  unit.Level = 1;
  ApplyLptRequests(unit, requests); // taken once
  EXPECT_EQ(unit.Level, 1);
}

TEST(LptCamera, EndOfAcquisition) {
  LptRig rig;
  rig.unit.Speed = 1;
  rig.requests.LaserOn.Set(true);
  EXPECT_TRUE(rig.link.CloseLpt(rig.unit, rig.requests));
  EXPECT_FALSE(rig.requests.LaserOn.Get());
  ASSERT_EQ(rig.camera.Commands().size(), 1u);
  EXPECT_EQ(rig.camera.Commands()[0], 1 | 4);
  EXPECT_EQ(rig.unit.BodyTemperatureRaw, 23 * 256 + 64);

  sim::LptCameraConfig silent;
  silent.silence = kLptErrorReady;
  LptRig deaf(silent);
  EXPECT_FALSE(deaf.link.CloseLpt(deaf.unit, deaf.requests));

  LptRig level(Type8());
  EXPECT_TRUE(level.link.CloseLptLevel(level.unit));
  using Write = std::pair<std::uint16_t, std::uint8_t>;
  EXPECT_EQ(level.camera.OtherWrites(),
            (std::vector<Write>{{0x378 + 0x402, 5}, {0x378 + 0x401, 0xFF}, {0x378 + 0x400, 4}, {0x379, 7}}));

  sim::LptCameraConfig high = Type8();
  high.base = 0xE000;
  LptRig far(high);
  far.unit.LptPortBase = 0xE000;
  far.unit.LptDataPort = 0xE000;
  far.unit.LptStatusPort = 0xE001;
  far.unit.LptControlPort = 0xE002;
  EXPECT_TRUE(far.link.CloseLptLevel(far.unit));
  EXPECT_EQ(far.camera.OtherWrites(), (std::vector<Write>{{0xE001, 7}}));
}

TEST(ParallelPort, DevicesOfThePortBases) {
  EXPECT_EQ(DefaultParallelDevice(0x378), "/dev/parport0");
  EXPECT_EQ(DefaultParallelDevice(0x278), "/dev/parport1");
  EXPECT_EQ(DefaultParallelDevice(0x3BC), "/dev/parport2");
  EXPECT_EQ(DefaultParallelDevice(0x1234), "");

  test::TempDir dir;
  test::WriteText(dir.file("a.ini"), "[CAMERA PARAMETERS]\nPortBase=378\nPortDevice=/dev/parport3\n");
  EXPECT_EQ(ParallelDeviceFromSettings(IniFile(dir.file("a.ini")), 0x378), "/dev/parport3");
  test::WriteText(dir.file("b.ini"), "[CAMERA PARAMETERS]\nPortBase=278\n");
  EXPECT_EQ(ParallelDeviceFromSettings(IniFile(dir.file("b.ini")), 0x278), "/dev/parport1");

  TPpdevPort port;
  QString error;
  EXPECT_FALSE(port.Open(dir.file("no-such-port").string(), 0x378, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(port.Open("", 0x1234, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("PortDevice")));
  // A file that is no parallel port is not claimed.
  test::WriteText(dir.file("plain"), "x");
  EXPECT_FALSE(port.Open(dir.file("plain").string(), 0x378, &error));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.PortIn(0x379), 0xFF); // closed: reads float high, writes go nowhere
  port.PortOut(0x378, 1);
}

} // namespace
} // namespace calidarix
