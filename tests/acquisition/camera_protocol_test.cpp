#include "acquisition/camera_protocol.h"

#include "acquisition/camera_state.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace calidarix {
namespace {

using Block = std::vector<std::uint8_t>;

// Expected blocks are spelled out byte by byte and padded with zeros to the wire size.
Block Padded(Block head, std::size_t size) {
  head.resize(size, 0);
  return head;
}

class CameraProtocol : public ::testing::Test {
protected:
  void SetUp() override {
    ResetCameraState();
    u.ScanWidth = 320;
    u.FrameHeight = 240;
    u.Sectors = 16;
    u.Delay = {32, 0, 0};
    u.Edge = {16, 0, 0};
    u.Center = {4, 0, 0};
    u.Set = {2500, 3000, 15000};
  }
  void TearDown() override { ResetCameraState(); }

  TScanUnit u;
  TFrameModes modes;
  TSectorTable table{};
};

// The default 16-sector table of a 320-pixel line at edge 16 and centre 4, as (Count, Delay) bytes.
const Block kDefault16 = {2,   16, 6,  13, 11, 11, 14, 8, 18, 7, 20, 5,  22, 4,  23, 4,
                          111, 4,  22, 4,  20, 5,  18, 7, 14, 8, 11, 11, 6,  13, 2,  15};

TEST_F(CameraProtocol, LanFrameRequestBytes) {
  u.CameraInterfaceType = CamIfLan2;
  u.Speed = 1;
  u.FrameHeight = 300;
  u.CalibrationRange = 2;
  u.CurAmplification = 50;
  modes.LaserOn = true;
  modes.FixedLinePosition = 5; // only sent at speed 0
  const TFrameRequest r = BuildFrameRequestLan(u, modes, table);
  ASSERT_TRUE(r.Ok()) << r.Error.toStdString();
  Block head = {1, 50, 1, 1, 0x09, 0xC4, 32, 16, 44, 5}; // 300 lines: low byte 44, bits 8.. in byte 9
  head.insert(head.end(), kDefault16.begin(), kDefault16.end());
  EXPECT_EQ(r.Block, Padded(head, 64));
  EXPECT_EQ(r.Entries, 16);
}

TEST_F(CameraProtocol, FrameRequestCommandAndModeBytes) {
  struct Case {
    const char *what;
    std::int32_t type;
    std::int32_t cameraNo;
    std::uint8_t speed;
    bool lineModeFrame;
    TFrameModes modes;
    Block head; // bytes 0..9
  } cases[] = {
      {"type 32", CamIfLan, 0, 2, false, {}, {0, 9, 0, 0, 0x09, 0xC4, 32, 16, 240, 2}},
      {"strip step 3",
       CamIfLan,
       0,
       2,
       false,
       {false, false, 0, true, true, 3},
       {3, 9, 0, 0, 0x09, 0xC4, 32, 16, 240, 2}},
      {"line mode frame of type 256", CamIfLan2, 0, 2, true, {}, {5, 9, 0, 0, 0x09, 0xC4, 32, 16, 240, 2}},
      {"speed 0 with fixed column and laser",
       CamIfLan,
       0,
       0,
       false,
       {true, true, 5, false, false, 0},
       {0, 9, 11, 0, 0x09, 0xC4, 32, 16, 240, 128}},
      {"camera 339 at speed 0", CamIfLan, 339, 0, false, {}, {0, 9, 0, 0, 0x09, 0xC4, 32, 16, 240, 1}},
  };
  for (const Case &c : cases) {
    u.CameraInterfaceType = c.type;
    u.CameraNo = c.cameraNo;
    u.Speed = c.speed;
    u.LineModeFrame = c.lineModeFrame;
    u.CurAmplification = 9;
    const TFrameRequest r = BuildFrameRequestLan(u, c.modes, table);
    ASSERT_TRUE(r.Ok()) << c.what;
    EXPECT_EQ(Block(r.Block.begin(), r.Block.begin() + 10), c.head) << c.what;
  }
}

TEST_F(CameraProtocol, DualBandRequestCarriesBothAmplifications) {
  u.CameraInterfaceType = CamIfLan2Dual;
  u.CurAmplification = 1;
  u.CurAmplificationBand1 = 60;
  u.CurAmplificationBand2 = 0x81; // bit 0 is the range flag's
  u.CalibrationRange = 2;
  const TFrameRequest r = BuildFrameRequestLan(u, modes, table);
  ASSERT_TRUE(r.Ok());
  EXPECT_EQ(r.Block[1], 60);
  EXPECT_EQ(r.Block[3], 0x81);
  u.CalibrationRange = 0;
  EXPECT_EQ(BuildFrameRequestLan(u, modes, table).Block[3], 0x80);
}

TEST_F(CameraProtocol, SpecialSectorFields) {
  // Line mode: ceil(320 / 128) entries at the edge delay.
  u.CameraInterfaceType = CamIfLan2;
  u.Sectors = kLineModeSectors;
  TFrameRequest r = BuildFrameRequestLan(u, modes, table);
  EXPECT_EQ(Block(r.Block.begin() + 7, r.Block.begin() + 17),
            (Block{3, 240, 2, 128, 16, 128, 16, 64, 16, 0}));

  // Type 512: FF 00, then the width as four big-endian bytes.
  u.CameraInterfaceType = CamIfLan3;
  u.Sectors = 16;
  r = BuildFrameRequestLan(u, modes, table);
  EXPECT_EQ(r.Block[0], 8);
  EXPECT_EQ(Block(r.Block.begin() + 7, r.Block.begin() + 17), (Block{3, 240, 2, 255, 0, 0, 0, 1, 64, 0}));

  // Quarter mode at delay 0: the first three delays carry edge, centre and the frame multiplier.
  u.CameraInterfaceType = CamIfLan2;
  u.Sectors = 4;
  u.ScanWidth = 321;
  u.Delay[0] = 0;
  u.Edge[0] = 20;
  u.Center[0] = 9;
  u.FrameMultiplier = 3;
  r = BuildFrameRequestLan(u, modes, table);
  EXPECT_EQ(Block(r.Block.begin() + 6, r.Block.begin() + 19),
            (Block{0, 4, 240, 2, 80, 20, 80, 9, 80, 3, 81, 0, 0}));

  // A split default table sends its extended count.
  u.CameraInterfaceType = CamIfLan;
  u.Sectors = 16;
  u.ScanWidth = 1838;
  u.Delay[0] = 32;
  r = BuildFrameRequestLan(u, modes, table);
  EXPECT_EQ(r.Block[7], 18);
  EXPECT_EQ(u.SectorsExtended, 18);
}

TEST_F(CameraProtocol, RequestsRefuseSectorCountsTheirBlockCannotHold) {
  u.CameraInterfaceType = CamIfLan;
  for (const auto &[sectors, ok] : std::vector<std::pair<int, bool>>{{27, true}, {28, false}, {200, false}}) {
    u.Sectors = sectors;
    const TFrameRequest r = BuildFrameRequestLan(u, modes, table);
    EXPECT_EQ(r.Ok(), ok) << sectors;
    EXPECT_EQ(r.Block.empty(), !ok) << sectors;
  }
  // A line too wide for 27 line-mode entries.
  u.Sectors = kLineModeSectors;
  u.ScanWidth = 28 * 128;
  EXPECT_FALSE(BuildFrameRequestLan(u, modes, table).Ok());

  u.CameraInterfaceType = CamIfUsb;
  u.ScanWidth = 320;
  for (const auto &[sectors, ok] : std::vector<std::pair<int, bool>>{{123, true}, {124, false}}) {
    u.Sectors = sectors;
    EXPECT_EQ(BuildFrameRequestUsb(u, modes, table).Ok(), ok) << sectors;
  }

  u.CameraInterfaceType = CamIfLanDual;
  u.CameraNo = kCamera1002;
  u.Sectors = 24;
  EXPECT_FALSE(BuildFrameRequest1002(u, table).Ok());
}

TEST_F(CameraProtocol, UsbFrameRequestBytes) {
  u.CameraInterfaceType = CamIfUsb;
  u.Speed = 0;
  u.CurAmplification = 70;
  u.Sectors = 4;
  u.Delay[0] = 0;
  u.Edge[0] = 20;
  u.Center[0] = 9;
  modes.LaserOn = true;
  modes.FixedLinePosition = 5; // the USB request has no fixed-column position
  modes.FixedLineMode = true;
  const TFrameRequest r = BuildFrameRequestUsb(u, modes, table);
  ASSERT_TRUE(r.Ok());
  EXPECT_EQ(r.Block, Padded({1, 70, 1, 0, 0x09, 0xC4, 0, 4, 240, 0, 80, 20, 80, 9, 80, 0, 80, 0}, 256));
}

TEST_F(CameraProtocol, Camera1002RequestBytes) {
  u.CameraInterfaceType = CamIfLanDual;
  u.CameraNo = kCamera1002;
  u.Amplification = {1, 2, 7};
  u.Delay[0] = 9;
  u.Speed = 1;
  u.CalibrationRange = 1;
  ASSERT_TRUE(UsesCamera1002Request(u));
  const TFrameRequest r = BuildFrameRequest1002(u, table);
  ASSERT_TRUE(r.Ok());
  Block head = {0, 7, 0x0B, 0xB8, 0, 7, 0x3A, 0x98, 0, 7, 0x3A, 0x98, 9, 16, 240, 2, 3, 1};
  const Block entries = {2,  17, 7,  15, 11, 11, 15, 9, 18, 7, 21, 7,  23, 5,  105, 5,
                         23, 5,  23, 5,  21, 7,  18, 7, 15, 9, 11, 11, 7,  15, 2,   17};
  head.insert(head.end(), entries.begin(), entries.end());
  EXPECT_EQ(r.Block, Padded(head, 64));

  // Its speed numbering.
  for (const auto &[speed, code] : std::vector<std::pair<int, int>>{{0, 0}, {1, 2}, {2, 3}, {3, 1}}) {
    u.Speed = static_cast<std::uint8_t>(speed);
    EXPECT_EQ(BuildFrameRequest1002(u, table).Block[15], code) << speed;
  }
}

TEST_F(CameraProtocol, Cameras339And314TakeTheGeometryOfTheirSpeed) {
  u.Delay = {1, 21, 31};
  u.Edge = {2, 22, 32};
  u.Center = {3, 23, 33};
  u.CameraNo = kCamera314;
  u.Speed = 0;
  SelectSpeedGeometry(u);
  EXPECT_EQ(u.Delay[0], 31);
  EXPECT_EQ(u.Edge[0], 32);
  EXPECT_EQ(u.Center[0], 33);
  u.Speed = 2;
  SelectSpeedGeometry(u);
  EXPECT_EQ(u.Delay[0], 21);
  u.CameraNo = 5;
  u.Speed = 0;
  SelectSpeedGeometry(u);
  EXPECT_EQ(u.Delay[0], 21);
}

// Float bytes as they lie in memory on a little-endian machine.
Block F(float v) {
  return test::Bytes().f32(v).data();
}

Block ParameterBlockExpected(bool twoCurves) {
  Block b = {2, 78, 3, 10, 20, 30, 40, 50, 0x01, 0x02, 0x01, 0x40, 0x00, 0x78, 16, 32, 16, 4, 0x09, 0xC4};
  const auto add = [&b](const Block &more) { b.insert(b.end(), more.begin(), more.end()); };
  add(F(0.4f));
  add({250});
  add(F(6.0e7f)), add(F(3000.0f)), add(F(1000.0f)), add({0});
  add({50});
  add(F(4.0e5f)), add(F(3100.0f)), add(F(2000.0f)), add({0});
  add({251});
  add(F(1.5e5f)), add(F(4000.0f)), add(F(2400.5f)), add({0});
  if (twoCurves) {
    add({127});
    add(F(7.0e6f)), add(F(2500.0f)), add(F(-300.0f));
  } else {
    add({0});
    add(Block(12, 0));
  }
  add({0});
  return b;
}

void SetParameterValues(TScanUnit &u) {
  u.CameraNo = 258;
  u.ScanWidth = 320;
  u.ScanHeight = 120;
  u.Sectors = 16;
  u.Delay[0] = 32;
  u.Edge[0] = 16;
  u.Center[0] = 4;
  u.Set[0] = 2500;
  u.TermoDelta = 0.4f;
  u.Amplification = {250, 50, 251};
  u.Exp_A = 6.0e7;
  u.Exp_B = 3000.0;
  u.Signal0 = 1000.0;
  u.Exp2_A = 4.0e5;
  u.Exp2_B = 3100.0;
  u.Signal20 = 2000.0;
  u.Exp3_A = 1.5e5;
  u.Exp3_B = 4000.0;
  u.Signal30 = 2400.5;
  u.Exp_AL = 7.0e6;
  u.Exp_BL = 2500.0;
  u.Signal0L = -300.0;
}

const TLiveValues kLive{3, 10, 20, 30, 40, 50};

TEST_F(CameraProtocol, ParameterBlockBytes) {
  SetParameterValues(u);
  EXPECT_EQ(BuildParameterBlock(u, kLive), ParameterBlockExpected(false));
  u.TwoCurves = true;
  EXPECT_EQ(BuildParameterBlock(u, kLive), ParameterBlockExpected(true));
  // The USB form is the same 80 bytes in a zeroed 256-byte block.
  EXPECT_EQ(BuildParameterBlock(u, kLive, 256), Padded(ParameterBlockExpected(true), 256));
}

TEST_F(CameraProtocol, ShortCommandBytes) {
  u.CameraNo = 0x1234;
  EXPECT_EQ(BuildLiveBlock({1, 2, 3, 4, 140, 6}, 64), Padded({2, 6, 1, 2, 3, 4, 140, 6}, 64));
  EXPECT_EQ(BuildLiveBlock(kLive, 256).size(), 256u);
  EXPECT_EQ(BuildLiveNumberBlock(u, kLive), Padded({2, 8, 3, 10, 20, 30, 40, 50, 0x12, 0x34}, 256));
  EXPECT_EQ(BuildReadRequest(CamReadParams, 256), Padded({3, 80}, 256));
  EXPECT_EQ(BuildReadRequest(CamReadDescriptor, 64), Padded({3, 128}, 64));
  EXPECT_EQ(BuildReadRequest(CamReadParamsUsb, 256), Padded({3, 65}, 256));
  EXPECT_EQ(BuildReadRequest(CamReadLive, 64), Padded({3, 6}, 64));
  EXPECT_EQ(BuildFocusCommand(9184, 9472, 9328, 2, 1),
            Padded({4, 0x23, 0xE0, 0x25, 0x00, 0x24, 0x70, 2, 1}, 64));
  EXPECT_EQ(BuildStopCommand(64), Padded({7, 0}, 64));
  EXPECT_EQ(BuildStopCommand(256), Padded({7, 0}, 256));
  EXPECT_EQ(BuildCommand8(256), Padded({8, 0}, 256));
}

TEST_F(CameraProtocol, ParameterBlockDecodesBackToItsValues) {
  SetParameterValues(u);
  for (const bool twoCurves : {false, true}) {
    u.TwoCurves = twoCurves;
    const Block block = BuildParameterBlock(u, kLive);
    const std::optional<TCameraParameters> p = DecodeParameterReplyLan(std::span(block).subspan(2));
    ASSERT_FALSE(p) << "a reply of 78 bytes is short"; // the block without its head is 78 bytes
    Block reply(block.begin() + 2, block.end());
    reply.resize(80, 0);
    const std::optional<TCameraParameters> q = DecodeParameterReplyLan(reply);
    ASSERT_TRUE(q);
    EXPECT_EQ(q->Live, kLive);
    EXPECT_EQ(q->CameraNo, 258);
    EXPECT_EQ(q->ScanWidth, 320);
    EXPECT_EQ(q->ScanHeight, 120);
    EXPECT_EQ(q->Sectors, 16);
    EXPECT_EQ(q->Delay, 32);
    EXPECT_EQ(q->Edge, 16);
    EXPECT_EQ(q->Center, 4);
    EXPECT_EQ(q->Set, 2500);
    EXPECT_EQ(q->TermoDelta, 0.4f);
    EXPECT_EQ(q->Amplification, (std::array<std::uint8_t, 3>{250, 50, 251}));
    EXPECT_EQ(q->Exp_A, 6.0e7);
    EXPECT_EQ(q->Exp2_B, 3100.0);
    EXPECT_EQ(q->Signal30, 2400.5);
    EXPECT_EQ(q->TwoCurves, twoCurves);
    EXPECT_EQ(q->Exp_AL, twoCurves ? 7.0e6 : 0.0);
    EXPECT_EQ(q->Signal0L, twoCurves ? -300.0 : 0.0);
  }
}

TEST_F(CameraProtocol, PackedLanReplyNeverTakesTheLowCurve) {
  // No separator at byte 35: the ranges follow one another and the marker byte comes early.
  test::Bytes b;
  b.zeros(35);
  b.u8(60).f32(1.0f).f32(2.0f).f32(3.0f); // range 2
  b.u8(70).f32(4.0f).f32(5.0f).f32(6.0f); // range 3
  b.u8(0).u8(127);                        // marker, without effect in a packed reply
  b.f32(9.0f).f32(9.0f).f32(9.0f);
  Block reply = b.data();
  reply[8] = 0x01; // width 320
  reply[9] = 0x40;
  reply[11] = 120;
  reply.resize(80, 0);
  const std::optional<TCameraParameters> p = DecodeParameterReplyLan(reply);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->Amplification[1], 60);
  EXPECT_EQ(p->Exp2_A, 1.0);
  EXPECT_EQ(p->Signal20, 3.0);
  EXPECT_EQ(p->Amplification[2], 70);
  EXPECT_EQ(p->Signal30, 6.0);
  EXPECT_FALSE(p->TwoCurves);
  EXPECT_EQ(p->Exp_AL, 0.0);
}

TEST_F(CameraProtocol, UsbReplyLeavesTheLowCurveAlone) {
  SetParameterValues(u);
  u.TwoCurves = true;
  const Block block = BuildParameterBlock(u, kLive, 256);
  Block reply(block.begin() + 2, block.end());
  reply.resize(256, 0);
  const std::optional<TCameraParameters> p = DecodeParameterReplyUsb(reply);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->Exp3_A, 1.5e5);
  EXPECT_FALSE(p->HasCurveMarker);

  TScanUnit target;
  target.TwoCurves = true;
  target.Exp_AL = 5.0;
  target.CalibrationRange = 2;
  ApplyCameraParameters(target, *p);
  EXPECT_TRUE(target.TwoCurves);
  EXPECT_EQ(target.Exp_AL, 5.0);
  EXPECT_EQ(target.CurExpA, 1.5e5); // the working curve of the selected range
  EXPECT_EQ(target.CurSignal0, 2400.5);
  EXPECT_EQ(target.CurAmplification, 251);
}

TEST_F(CameraProtocol, HostileParameterRepliesAreRefused) {
  SetParameterValues(u);
  const Block block = BuildParameterBlock(u, kLive, 256);
  const Block good(block.begin() + 2, block.end()); // 254 bytes: long enough for LAN, short for USB
  ASSERT_TRUE(DecodeParameterReplyLan(good));
  struct Case {
    const char *what;
    std::size_t at;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"zero width", 8, {0, 0}},
      {"zero height", 10, {0, 0}},
      {"width beyond any scanner", 8, {0xFF, 0xFF}},
      {"NaN amplitude A", 23, {0x00, 0x00, 0xC0, 0x7F}},
      {"infinite offset of range 3", 59, {0x00, 0x00, 0x80, 0x7F}},
      {"infinite TermoDelta", 18, {0x00, 0x00, 0x80, 0xFF}},
  };
  for (const Case &c : cases) {
    Block reply = good;
    std::copy(c.bytes.begin(), c.bytes.end(), reply.begin() + c.at);
    QString error;
    EXPECT_FALSE(DecodeParameterReplyLan(reply, &error)) << c.what;
    EXPECT_FALSE(error.isEmpty()) << c.what;
  }
  QString error;
  EXPECT_FALSE(DecodeParameterReplyLan(std::span(good).first(79), &error));
  EXPECT_TRUE(error.contains(QStringLiteral("79 bytes")));
  EXPECT_FALSE(DecodeParameterReplyUsb(good));
  EXPECT_FALSE(DecodeParameterReplyLan({}));
}

Block DescriptorReply() {
  test::Bytes b;
  b.zeros(8);
  b.u8(0x03).u8(0xEA); // camera 1002
  b.u8(0x01).u8(0x01); // type 257
  b.zeros(4);
  b.u8(0x01).u8(0x40); // width 320
  b.u8(0x00).u8(0x78); // height 120
  b.u8(16).u8(32).u8(18).u8(9);
  b.u8(0x0B).u8(0xB8); // Set[1] 3000
  b.u8(0x3A).u8(0x98); // Set[2] 15000
  b.f32(0.25f);
  for (int band = 0; band < 2; ++band) {
    for (int range = 0; range < 3; ++range) {
      const float base = 100.0f * (band + 1) + 10.0f * (range + 1);
      b.u8(static_cast<std::uint8_t>(base)).u8(0xEE);
      b.f32(base + 1).f32(base + 2).f32(base + 3);
      b.u8(0xEE).u8(0xEE);
    }
  }
  return b.data();
}

TEST_F(CameraProtocol, DescriptorMakesBandOneTheCameraCalibration) {
  const Block reply = DescriptorReply();
  ASSERT_EQ(reply.size(), 128u);
  const std::optional<TCameraDescriptor> d = DecodeCameraDescriptor(reply);
  ASSERT_TRUE(d);
  TScanUnit target;
  target.TwoCurves = true;
  target.CurExpAL = 3.0;
  ApplyCameraDescriptor(target, *d);
  EXPECT_EQ(target.CameraNo, 1002);
  EXPECT_EQ(target.CameraInterfaceType, CamIfLan2Dual);
  EXPECT_EQ(target.ScanWidth, 320);
  EXPECT_EQ(target.ScanHeight, 120);
  EXPECT_EQ(target.Sectors, 16);
  EXPECT_EQ(target.Delay[0], 32);
  EXPECT_EQ(target.Edge[0], 18);
  EXPECT_EQ(target.Center[0], 9);
  EXPECT_EQ(target.Set, (std::array<std::uint16_t, 3>{3000, 3000, 15000}));
  EXPECT_EQ(target.TermoDelta, 0.25f);
  EXPECT_EQ(target.AmplificationBand1, (std::array<std::uint8_t, 3>{110, 120, 130}));
  EXPECT_EQ(target.AmplificationBand2, (std::array<std::uint8_t, 3>{210, 220, 230}));
  EXPECT_EQ(target.Band1Coefficients.Exp2A, 121.0);
  EXPECT_EQ(target.Band1Coefficients.Signal30, 133.0);
  EXPECT_EQ(target.Band2Coefficients.Exp1B, 212.0);
  EXPECT_EQ(target.Exp3_B, 132.0);
  EXPECT_EQ(target.Signal0, 113.0);
  EXPECT_EQ(target.Amplification, target.AmplificationBand1);
  EXPECT_EQ(target.CurExpA, 111.0);
  EXPECT_EQ(target.CurSignal0, 113.0);
  EXPECT_EQ(target.CurAmplification, 110);
  EXPECT_EQ(target.CurBand2ExpA, 211.0);
  EXPECT_EQ(target.CurBand2Signal0, 213.0);
  EXPECT_EQ(target.CurAmplificationBand2, 210);
  EXPECT_FALSE(target.TwoCurves);
  EXPECT_EQ(target.CurExpAL, 0.0);
}

TEST_F(CameraProtocol, HostileDescriptorsAreRefused) {
  const Block good = DescriptorReply();
  struct Case {
    const char *what;
    std::size_t at;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"unknown interface type", 10, {0x03, 0xE7}},
      {"type 130", 10, {0x00, 0x82}},
      {"zero height", 18, {0, 0}},
      {"NaN in band 2", 118, {0x01, 0x00, 0xC0, 0x7F}},
  };
  for (const Case &c : cases) {
    Block reply = good;
    std::copy(c.bytes.begin(), c.bytes.end(), reply.begin() + c.at);
    EXPECT_FALSE(DecodeCameraDescriptor(reply)) << c.what;
  }
  EXPECT_FALSE(DecodeCameraDescriptor(std::span(good).first(127)));
}

TEST_F(CameraProtocol, DescriptorOfTheUsbVariantTypeIsTaken) {
  // 129 is no type the acquisition serves, but the registry and the camera may hold it.
  Block reply = DescriptorReply();
  reply[10] = 0x00;
  reply[11] = 0x81;
  const std::optional<TCameraDescriptor> d = DecodeCameraDescriptor(reply);
  ASSERT_TRUE(d);
  TScanUnit target;
  ApplyCameraDescriptor(target, *d);
  EXPECT_EQ(target.CameraInterfaceType, CamIfUsbVariant);
  EXPECT_EQ(target.ScanWidth, 320);
}

TEST_F(CameraProtocol, LiveReply) {
  EXPECT_EQ(DecodeLiveReply(Block{1, 2, 3, 4, 5, 6, 7}), (TLiveValues{1, 2, 3, 4, 5, 6}));
  EXPECT_FALSE(DecodeLiveReply(Block{1, 2, 3, 4, 5}));
}

} // namespace
} // namespace calidarix
