#include "acquisition/lan_reception.h"
#include "tests/acquisition/camera_log_capture.h"
#include "tests/acquisition/lan_camera_rig.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>

namespace calidarix {
namespace {

using test::CameraLogCapture;
using test::LanRig;
using test::RampPixel;

// The picture a ramp frame gives after reception, before the drift correction: the line repairs
// replace pixel 0 and, in quarter mode, the phase marker pixels of the first line.
std::vector<std::uint16_t> ExpectedRamp(const TScanUnit &unit, int frame) {
  const int w = unit.FrameWidth;
  const int h = unit.FrameHeight;
  std::vector<std::uint16_t> p(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      p[static_cast<std::size_t>(y) * w + x] = RampPixel(x, y, frame);
  p[0] = p[1];
  if (unit.Sectors == kQuarterSectors) {
    const int sw = unit.ScanWidth;
    p[sw - 2] = p[sw - 3];
    p[sw - 1] = p[sw - 4];
    if (unit.CameraInterfaceType == CamIfLan2Dual) {
      p[2 * sw - 2] = p[2 * sw - 3];
      p[2 * sw - 1] = p[2 * sw - 4];
    }
  }
  return p;
}

// The ramp of frame 0 in every frame, for tests that cannot know which frame the camera is at.
std::uint16_t StillRamp(int x, int y, int) {
  return RampPixel(x, y, 0);
}

struct InterfaceCase {
  const char *name;
  std::int32_t type;
  std::int32_t width;
  std::int32_t cameraNo;
  bool bigEndian;
  bool quarter;
  bool lineMode;
  std::int32_t frameHeight; // with a scan height of 16 at speed 2
};

void PrintTo(const InterfaceCase &c, std::ostream *out) {
  *out << c.name;
}

class EveryInterface : public ::testing::TestWithParam<InterfaceCase> {};

// Two frames from a camera of case `c`, whole and with the status line decoded.
void ReceiveEveryInterfaceCase(const InterfaceCase &c, bool shortLast) {
  sim::LanCameraConfig config;
  config.shortLastDatagram = shortLast;
  config.interfaceType = c.type;
  config.scanWidth = c.width;
  config.cameraNo = c.cameraNo;
  config.bigEndian = c.bigEndian;
  config.quarterMode = c.quarter;
  config.lineMode = c.lineMode;
  config.bodyTemperatureRaw = 25 * 256 + 128;
  config.battery = 835;
  LanRig rig(config);
  rig.requests.BlindCorrectionOn.Set(false);

  for (int frame = 0; frame < 2; ++frame) {
    const TFrameResult result = rig.Frame();
    ASSERT_EQ(result.Kind, kFrameComplete) << "code " << result.Code << " line " << result.Line;
    EXPECT_EQ(rig.unit.FrameHeight, c.frameHeight);
    EXPECT_EQ(rig.state.ReceivedRows, c.frameHeight);
    EXPECT_EQ(rig.state.LineNumber.load(), 0);
    EXPECT_EQ(rig.unit.FrameBuffer, ExpectedRamp(rig.unit, frame));
    EXPECT_EQ(rig.headSteps, 1);
    EXPECT_EQ(rig.lines.size(), static_cast<std::size_t>(c.frameHeight));
  }
  EXPECT_EQ(rig.unit.PixelsBigEndian, c.bigEndian);
  EXPECT_FLOAT_EQ(rig.unit.CameraTemperature, 25.5f);
  EXPECT_EQ(rig.unit.CameraBatteryPercent, 50);
  if (c.quarter) {
    EXPECT_TRUE(rig.unit.QuarterPhase);
  }
  if (IsDualBandType(c.type)) {
    EXPECT_EQ(rig.unit.BandReference1, config.reference1);
    EXPECT_EQ(rig.unit.BandReference2, config.reference2);
    EXPECT_EQ(rig.unit.BlindSignalBand2, config.blind2);
  }
  // Every request asked for the frame the camera sent.
  for (const sim::LanCameraRequest &request : rig.camera.Requests())
    EXPECT_EQ(request.speed, 2);
}

TEST_P(EveryInterface, FramesArriveWholeWithTheirStatusLineDecoded) {
  const InterfaceCase &c = GetParam();
  // A line's last datagram padded to full size, and cut to the rest of the line.
  for (const bool shortLast : {false, true}) {
    SCOPED_TRACE(shortLast ? "short last datagram" : "full-size last datagram");
    ReceiveEveryInterfaceCase(c, shortLast);
  }
}

INSTANTIATE_TEST_SUITE_P(
    LanCamera, EveryInterface,
    ::testing::Values(InterfaceCase{"Type32", 32, 320, 0, true, false, false, 16},
                      InterfaceCase{"Type64DualBand", 64, 320, 0, true, false, false, 16},
                      InterfaceCase{"Type256LowByteFirst", 256, 320, 0, false, false, false, 16},
                      InterfaceCase{"Type256Quarter", 256, 320, 0, true, true, false, 64},
                      InterfaceCase{"Type257DualQuarter", 257, 320, 0, true, true, false, 64},
                      InterfaceCase{"Type512", 512, 320, 0, true, false, false, 16},
                      InterfaceCase{"Type256LineMode", 256, 320, 0, true, false, true, 32},
                      InterfaceCase{"LineModeTwoDatagramsPerLine", 256, 1000, 0, true, false, true, 32},
                      InterfaceCase{"Camera1002", 64, 320, 1002, true, false, false, 16},
                      InterfaceCase{"TwoDatagramsPerLine", 256, 1024, 0, true, false, false, 16},
                      InterfaceCase{"QuarterTwoDatagramsPerLine", 512, 900, 0, true, true, false, 64},
                      InterfaceCase{"DualBandThreeDatagrams", 257, 1024, 0, false, false, false, 16}),
    [](const ::testing::TestParamInfo<InterfaceCase> &info) { return std::string(info.param.name); });

TEST(LanReception, DriftCorrectionMovesEachBandToItsSetPoint) {
  sim::LanCameraConfig single;
  single.blind = 3000;
  single.reference1 = 3000;
  LanRig rig(single);
  ASSERT_EQ(rig.Frame().Kind, kFrameComplete);
  // The blind read 3000 against a set-point of 2500: every pixel is 500 lower.
  std::vector<std::uint16_t> expected = ExpectedRamp(rig.unit, 0);
  for (std::uint16_t &p : expected)
    p = static_cast<std::uint16_t>(p - 500);
  EXPECT_EQ(rig.unit.FrameBuffer, expected);
  EXPECT_EQ(rig.unit.BlindSignal, 2500); // the corrected frame's blind is the set-point
  EXPECT_EQ(rig.unit.FrameMin, *std::min_element(expected.begin(), expected.end()));
  EXPECT_EQ(rig.unit.FrameMax, expected.back());

  sim::LanCameraConfig dual;
  dual.interfaceType = 257;
  dual.blind = 3050;
  dual.blind2 = 3200;
  dual.reference1 = 3050;
  dual.reference2 = 3200;
  LanRig bands(dual);
  bands.unit.Set = {2500, 3000, 3100};
  ASSERT_EQ(bands.Frame().Kind, kFrameComplete);
  const std::vector<std::uint16_t> raw = ExpectedRamp(bands.unit, 0);
  const int w = bands.unit.FrameWidth;
  for (int x : {1, 100, 319, 320, 500, 639}) {
    // The first band sits 50 above its set-point of 3000, the second 100 above 3100.
    const int shift = x < w / 2 ? -50 : -100;
    EXPECT_EQ(bands.unit.FrameBuffer[static_cast<std::size_t>(w + x)],
              raw[static_cast<std::size_t>(w + x)] + shift)
        << x;
  }
  EXPECT_EQ(bands.unit.FrameMinBand2, raw[320] - 100);
}

TEST(LanReception, StatusLineWords) {
  sim::LanCameraConfig config;
  config.bodyTemperatureRaw = -5 * 256 + 64;
  config.battery = 60;
  config.blind = 400;
  config.reference1 = 400;
  LanRig rig(config);
  ASSERT_EQ(rig.Frame().Kind, kFrameComplete);
  EXPECT_FLOAT_EQ(rig.unit.CameraTemperature, -4.75f);
  EXPECT_EQ(rig.unit.BodyTemperatureRaw, -5 * 256 + 64);
  EXPECT_EQ(rig.unit.BatteryRaw, 60);
  EXPECT_EQ(rig.unit.CameraBatteryPercent, 60);
  EXPECT_EQ(rig.unit.StatusWords[1], 60);
  EXPECT_TRUE(rig.unit.BlindLow);

  // At speed 0 the blind is the set-point itself.
  rig.unit.Speed = 0;
  rig.unit.ScanHeight = 8;
  ASSERT_EQ(rig.Frame().Kind, kFrameComplete);
  EXPECT_EQ(rig.unit.FrameHeight, 16);
  EXPECT_FALSE(rig.unit.BlindLow);
}

TEST(LanReception, BatteryWords) {
  const std::pair<std::uint16_t, int> cases[] = {{835, 50}, {766, 1},   {905, 100}, {60, 60},
                                                 {0, 0},    {765, 100}, {904, 99},  {2000, 100}};
  for (auto [raw, percent] : cases)
    EXPECT_EQ(BatteryPercent(raw), percent) << raw;
}

TEST(LanReception, UnmarkedStatusLineIsDrainedAndTheNextFrameIsClean) {
  sim::LanCameraConfig config;
  config.statusFlags = 0x80;
  LanRig rig(config);
  rig.requests.BlindCorrectionOn.Set(false);
  CameraLogCapture log;
  const TFrameResult result = rig.Frame();
  EXPECT_EQ(result.Kind, kFrameLinkFailure);
  EXPECT_EQ(result.Code, kCodeBlindNotMarked);
  EXPECT_EQ(rig.state.LineNumber.load(), -1);
  EXPECT_TRUE(log.Lines().contains("ERROR: Blind not maked"));

  config.statusFlags = 0x40;
  rig.camera.SetConfig(config);
  ASSERT_EQ(rig.Frame().Kind, kFrameComplete);
  EXPECT_EQ(rig.unit.FrameBuffer, ExpectedRamp(rig.unit, 1));
}

struct LossCase {
  const char *name;
  sim::LanCameraFaults faults;
  std::int32_t code;
  std::int32_t line;
  std::int32_t rows; // received rows
};

sim::LanCameraFaults Faults(void (*set)(sim::LanCameraFaults &)) {
  sim::LanCameraFaults f;
  set(f);
  return f;
}

void PrintTo(const LossCase &c, std::ostream *out) {
  *out << c.name;
}

class LossRules : public ::testing::TestWithParam<LossCase> {};

TEST_P(LossRules, LossEndsTheFrameWithItsRowsAndLeavesNothingForTheNext) {
  const LossCase &c = GetParam();
  sim::LanCameraConfig config;
  config.scanWidth = 1024; // two datagrams per line: 1472 bytes and 578 + 2
  // Sizes alone tell these faults apart only when the last datagram is cut to the rest of its line.
  config.shortLastDatagram = true;
  LanRig rig(config);
  rig.timings.FrameTimeoutMs = 150;
  rig.requests.BlindCorrectionOn.Set(false);
  rig.camera.SetFaults(c.faults);

  const TFrameResult lost = rig.Frame();
  EXPECT_EQ(lost.Kind, kFrameLinkFailure);
  EXPECT_NE(lost.Kind, kFrameMarked);
  EXPECT_EQ(lost.Code, c.code);
  EXPECT_EQ(lost.Line, c.line);
  EXPECT_EQ(rig.state.ReceivedRows, c.rows);
  EXPECT_EQ(rig.state.LineNumber.load(), 0);
  // The rows that arrived are whole; the rest stay empty, and the range is of the rows received.
  const std::vector<std::uint16_t> expected = ExpectedRamp(rig.unit, 0);
  const std::size_t received = static_cast<std::size_t>(c.rows) * 1024;
  for (std::size_t i = 0; i < rig.unit.FrameBuffer.size(); ++i)
    ASSERT_EQ(rig.unit.FrameBuffer[i], i < received ? expected[i] : 0) << i;
  if (c.rows > 0) {
    const auto [lo, hi] =
        std::minmax_element(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(received));
    EXPECT_EQ(rig.unit.FrameMin, *lo);
    EXPECT_EQ(rig.unit.FrameMax, *hi);
  }

  // No datagram of the broken frame reaches the next one.
  rig.camera.SetFaults({});
  const int next = rig.camera.FramesSent();
  ASSERT_EQ(rig.Frame().Kind, kFrameComplete);
  EXPECT_EQ(rig.unit.FrameBuffer, ExpectedRamp(rig.unit, next));
}

INSTANTIATE_TEST_SUITE_P(
    LanCamera, LossRules,
    ::testing::Values(
        LossCase{"StatusDatagramLost", Faults([](auto &f) { f.dropRow = 0; }), kCodeBlindLost, 0, 0},
        LossCase{"FirstLineLost", Faults([](auto &f) { f.dropRow = 1, f.dropDatagram = 1; }),
                 kCodeFirstLineLost, 0, 0},
        // A datagram of line 1 lost: a failure, never the marked frame.
        LossCase{"LineOneLost", Faults([](auto &f) { f.dropRow = 2; }), 1, 1, 1},
        LossCase{"LineFiveLost", Faults([](auto &f) { f.dropRow = 6, f.dropDatagram = 1; }), 5, 5, 5},
        LossCase{"ShortFullDatagram", Faults([](auto &f) { f.shortRow = 3; }), 2, 2, 2},
        LossCase{"LastDatagramShort", Faults([](auto &f) { f.shortRow = 3, f.shortDatagram = 1; }), 2, 2, 2},
        LossCase{"EmptyDatagram", Faults([](auto &f) { f.emptyRow = 4; }), 3, 3, 3},
        LossCase{"OversizedDatagram", Faults([](auto &f) { f.oversizedRow = 4; }), 3, 3, 3},
        LossCase{"Reordered", Faults([](auto &f) { f.reorderRow = 5; }), 4, 4, 4},
        LossCase{"Duplicated", Faults([](auto &f) { f.duplicateRow = 5, f.duplicateDatagram = 1; }), 5, 5, 5},
        LossCase{"CameraStopsMidFrame", Faults([](auto &f) { f.stopAfterRow = 8; }), 8, 8, 8}),
    [](const ::testing::TestParamInfo<LossCase> &info) { return std::string(info.param.name); });

// Full-size datagrams cannot be told apart by their size, so a lost one shifts the rest of the frame
// and shows when the frame runs out. Such a frame is never taken as complete, and the next is whole.
TEST(LanReception, FullSizeDatagramLostEndsTheFrameAsLostAndTheNextIsWhole) {
  struct Case {
    const char *what;
    int row, datagram;
  };
  const Case cases[] = {
      {"status line", 0, 0}, {"first line", 1, 0}, {"last of line 4", 5, 1}, {"last line", 16, 1}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    sim::LanCameraConfig config;
    config.scanWidth = 1024;
    config.pixel = StillRamp;
    LanRig rig(config);
    rig.timings.FrameTimeoutMs = 150;
    rig.requests.BlindCorrectionOn.Set(false);
    sim::LanCameraFaults faults;
    faults.dropRow = c.row;
    faults.dropDatagram = c.datagram;
    rig.camera.SetFaults(faults);
    EXPECT_EQ(rig.Frame().Kind, kFrameLinkFailure);

    rig.camera.SetFaults({});
    ASSERT_EQ(rig.Frame().Kind, kFrameComplete);
    EXPECT_EQ(rig.unit.FrameBuffer, ExpectedRamp(rig.unit, 0));
  }
}

// Every line length the datagram scheme can carry arrives whole, single band and dual band, with the
// last datagram of a line full-size or short; the lengths it cannot carry are refused before a request.
TEST(LanReception, EveryLineLengthArrivesWholeInBothDatagramForms) {
  std::vector<std::int32_t> widths{kMinScanWidth, 9, 100, 320, 1000, kMaxScanSide};
  // Around every length where the datagram count steps or the last datagram fills up.
  for (std::int32_t count = 1; count <= 12; ++count)
    for (const std::int32_t bytes : {1470 * count, 1472 * count})
      for (const std::int32_t delta : {-2, 0, 2})
        widths.push_back((bytes + delta) / 2);
  int received = 0;
  for (const bool shortLast : {false, true}) {
    for (const std::int32_t type : {CamIfLan2, CamIfLan2Dual}) {
      sim::LanCameraConfig config;
      config.interfaceType = type;
      config.shortLastDatagram = shortLast;
      config.pixel = StillRamp;
      LanRig rig(config, 2);
      rig.requests.BlindCorrectionOn.Set(false);
      for (const std::int32_t width : widths) {
        const bool dual = type == CamIfLan2Dual;
        const std::int32_t scanWidth = dual ? width / 2 : width;
        if (scanWidth < kMinScanWidth || scanWidth > kMaxScanSide || (dual && width % 2 != 0))
          continue;
        SCOPED_TRACE(testing::Message()
                     << (shortLast ? "short" : "full") << " type " << type << " width " << width);
        config.scanWidth = scanWidth;
        rig.camera.SetConfig(config);
        rig.unit.ScanWidth = scanWidth;
        const std::size_t requests = rig.camera.Requests().size();
        const TFrameResult result = rig.Frame();
        if (!LineFitsDatagrams(2 * static_cast<std::size_t>(width))) {
          EXPECT_EQ(result.Kind, kFrameBadGeometry);
          EXPECT_EQ(rig.camera.Requests().size(), requests);
          continue;
        }
        ASSERT_EQ(result.Kind, kFrameComplete) << "code " << result.Code << " line " << result.Line;
        ASSERT_EQ(rig.unit.FrameWidth, width);
        EXPECT_EQ(rig.unit.FrameBuffer, ExpectedRamp(rig.unit, 0));
        ++received;
      }
    }
  }
  EXPECT_GT(received, 150);
}

TEST(LanReception, LineModeDropsCopiesAndEndsEarlyOnALoss) {
  sim::LanCameraConfig config;
  config.lineMode = true;
  LanRig rig(config);
  rig.timings.FrameTimeoutMs = 150;
  rig.requests.BlindCorrectionOn.Set(false);
  CameraLogCapture log;

  // The original of line 2's datagram is lost; its copy (numbered 7) stands in for it.
  sim::LanCameraFaults faults;
  faults.dropRow = 3;
  rig.camera.SetFaults(faults);
  ASSERT_EQ(rig.Frame().Kind, kFrameComplete);
  EXPECT_EQ(rig.state.ReceivedRows, 32);
  EXPECT_TRUE(log.Lines().contains("Packet 7 at line 2 is lost")) << log.Lines().join('\n').toStdString();
  EXPECT_EQ(rig.unit.FrameBuffer, ExpectedRamp(rig.unit, 0));

  // A camera that stops: the frame ends early with the lines it has, as a good frame.
  faults = {};
  faults.stopAfterRow = 10;
  rig.camera.SetFaults(faults);
  const TFrameResult early = rig.Frame();
  EXPECT_EQ(early.Kind, kFrameComplete);
  EXPECT_EQ(rig.state.ReceivedRows, 10);
}

TEST(LanReception, LinePacketNumbers) {
  CameraLogCapture log;
  std::uint16_t expected = 2;
  EXPECT_FALSE(CheckLinePacket(3, expected, QStringLiteral("line 5")));
  EXPECT_EQ(expected, 4);
  expected = 4;
  EXPECT_FALSE(CheckLinePacket(9, expected, QStringLiteral("line 5")));
  EXPECT_EQ(expected, 10);
  expected = 0;
  EXPECT_TRUE(CheckLinePacket(0, expected, QStringLiteral("blind line")));
  EXPECT_EQ(expected, 2);
  EXPECT_EQ(log.Lines(), (QStringList{"Packet 3 at line 5 is lost", "5 packets at 9 at line 5 are lost"}));
}

TEST(LanReception, EndMarkerMarksTheFrameAndIsRepaired) {
  sim::LanCameraConfig config;
  config.endMarker = true;
  LanRig rig(config);
  rig.requests.BlindCorrectionOn.Set(false);
  ASSERT_EQ(rig.Frame().Kind, kFrameComplete);
  EXPECT_TRUE(rig.state.FrameMarked);
  const std::vector<std::uint16_t> &p = rig.unit.FrameBuffer;
  const std::size_t n = p.size();
  EXPECT_EQ(p[n - 2], p[n - 3]);
  EXPECT_EQ(p[n - 1], p[n - 4]);
  // The marker's 65535 is gone from the range.
  std::vector<std::uint16_t> expected = ExpectedRamp(rig.unit, 0);
  expected[n - 2] = expected[n - 3];
  expected[n - 1] = expected[n - 4];
  EXPECT_EQ(p, expected);
  EXPECT_EQ(rig.unit.FrameMax, *std::max_element(expected.begin(), expected.end()));
}

TEST(LanReception, CameraSizesAreCheckedBeforeAnythingIsRequested) {
  struct Case {
    std::int32_t width;
    std::int32_t height;
  };
  for (const Case c : {Case{0, 16}, Case{7, 16}, Case{1471, 16}, Case{320, 8192}, Case{320, 0}}) {
    sim::LanCameraConfig config;
    LanRig rig(config);
    rig.unit.ScanWidth = c.width;
    rig.unit.ScanHeight = c.height;
    EXPECT_EQ(rig.Frame().Kind, kFrameBadGeometry) << c.width << " x " << c.height;
    EXPECT_TRUE(rig.camera.Requests().empty());
  }
}

TEST(LanReception, PixelRepairs) {
  struct Case {
    std::vector<std::uint16_t> in, out;
  };
  const Case cases[] = {
      // One, two or three junk pixels at the start of the line.
      {{9000, 100, 110, 120, 130, 140}, {100, 100, 110, 120, 130, 140}},
      {{9000, 9100, 110, 120, 130, 140}, {110, 120, 110, 120, 130, 140}},
      {{9000, 9100, 9200, 120, 130, 140}, {120, 130, 140, 120, 130, 140}},
      {{100, 110, 120, 130, 140, 150}, {100, 110, 120, 130, 140, 150}},
  };
  for (bool be : {true, false}) {
    for (const Case &c : cases) {
      std::vector<std::uint8_t> line(2 * c.in.size());
      for (std::size_t i = 0; i < c.in.size(); ++i) {
        line[2 * i] = static_cast<std::uint8_t>(be ? c.in[i] >> 8 : c.in[i] & 0xFF);
        line[2 * i + 1] = static_cast<std::uint8_t>(be ? c.in[i] & 0xFF : c.in[i] >> 8);
      }
      RepairLineSpikes(line, be);
      for (std::size_t i = 0; i < c.out.size(); ++i)
        EXPECT_EQ(LineWord(line, i, be), c.out[i]) << i;
    }
  }
}

TEST(LanReception, DriftCorrectionIsLimitedToTheScale) {
  TScanUnit unit;
  unit.CameraInterfaceType = CamIfLan2;
  unit.FrameWidth = 4;
  unit.FrameHeight = 1;
  unit.PixelsBigEndian = false;
  unit.Set = {2500, 0, 0};
  unit.BlindSignal = 3000;
  unit.FrameBuffer = {100, 100, 65500, 3000};
  EXPECT_FALSE(FinishFrame(unit, 1, true, true));
  EXPECT_EQ(unit.FrameBuffer, (std::vector<std::uint16_t>{0, 0, 65000, 2500}));
  EXPECT_EQ(unit.FrameMin, 0);
  EXPECT_EQ(unit.FrameMax, 65000);

  unit.BlindSignal = 1000; // a blind far below the set-point pushes pixels past the top
  unit.FrameBuffer = {65000, 65000, 100, 200};
  FinishFrame(unit, 1, true, false);
  EXPECT_EQ(unit.FrameBuffer[0], 65535);

  // A frame of one value gets a range of one count.
  unit.FrameBuffer = {7, 7, 7, 7};
  FinishFrame(unit, 1, false, false);
  EXPECT_EQ(unit.FrameMin, 7);
  EXPECT_EQ(unit.FrameMax, 8);
}

TEST(LanReception, SharpestLine) {
  TScanUnit unit;
  unit.FrameWidth = 8;
  unit.FrameHeight = 3;
  unit.FrameBuffer = {0, 0, 0,   0, 0, 0, 0, 0,  // flat
                      0, 9, 0,   9, 0, 0, 0, 0,  // four steps of 9
                      0, 0, 100, 0, 0, 0, 0, 0}; // two steps of 100 beat them
  EXPECT_EQ(FindSharpestLine(unit, 0, 0, 8, 3), 2);
  EXPECT_EQ(FindSharpestLine(unit, 0, 0, 8, 2), 1);
  EXPECT_EQ(FindSharpestLine(unit, 0, 0, 8, 1), 0);
}

TEST(LanReception, GeometryBySpeedAndStripStep) {
  TScanUnit unit;
  unit.ScanWidth = 320;
  unit.ScanHeight = 100;
  unit.FrameHeight = 77;
  struct Case {
    std::uint8_t speed;
    bool strip;
    std::uint8_t step;
    std::int32_t height;
    int timeout;
  };
  const Case cases[] = {{1, false, 0, 200, 8000},  {2, false, 0, 100, 5000},  {3, false, 0, 50, 3000},
                        {4, false, 0, 100, 10000}, {0, false, 0, 200, 10000}, {0, true, 2, 32, 2000},
                        {0, true, 3, 600, 10000},  {0, true, 5, 77, 0}};
  for (const Case &c : cases) {
    unit.Speed = c.speed;
    const TLanFrameGeometry g = LanFrameGeometry(unit, c.strip, c.step, 600);
    EXPECT_EQ(g.FrameHeight, c.height) << int(c.speed) << " " << int(c.step);
    EXPECT_EQ(g.TimeoutMs, c.timeout) << int(c.speed) << " " << int(c.step);
    EXPECT_EQ(g.FrameWidth, 320);
  }
  unit.CameraInterfaceType = CamIfLan2Dual;
  unit.Sectors = kQuarterSectors;
  unit.Speed = 0;
  const TLanFrameGeometry quarter = LanFrameGeometry(unit, true, 3, 600);
  EXPECT_EQ(quarter.FrameHeight, 150);
  EXPECT_EQ(quarter.FrameWidth, 640);

  EXPECT_EQ(DatagramsPerLine(640), 1);
  EXPECT_EQ(DatagramsPerLine(2048), 2);
  EXPECT_TRUE(LineFitsDatagrams(2048));
  EXPECT_FALSE(LineFitsDatagrams(2942));
}

} // namespace
} // namespace calidarix
