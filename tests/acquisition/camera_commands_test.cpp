#include "acquisition/camera_commands.h"

#include "acquisition/camera_log.h"
#include "acquisition/camera_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <optional>
#include <vector>

namespace calidarix {
namespace {

using Block = std::vector<std::uint8_t>;

// A link that records what is sent and answers from a script.
class ScriptedLink : public TCameraCommandLink {
public:
  bool connected = true;
  bool sendWorks = true;
  std::vector<Block> sent;
  std::deque<std::optional<Block>> replies;
  std::vector<int> pauses;
  std::vector<int> timeouts;

  bool Connected() const override { return connected; }
  bool Send(std::span<const std::uint8_t> block) override {
    sent.emplace_back(block.begin(), block.end());
    return sendWorks;
  }
  std::optional<std::size_t> Receive(std::span<std::uint8_t> buffer, int timeoutMs) override {
    timeouts.push_back(timeoutMs);
    if (replies.empty() || !replies.front()) {
      if (!replies.empty())
        replies.pop_front();
      return std::nullopt;
    }
    const Block reply = *replies.front();
    replies.pop_front();
    const std::size_t n = std::min(reply.size(), buffer.size());
    std::copy_n(reply.begin(), n, buffer.begin());
    return n;
  }
  void Pause(int ms) override { pauses.push_back(ms); }
};

class CameraCommands : public ::testing::Test {
protected:
  void SetUp() override {
    ResetCameraState();
    SetCameraLogSink([this](const QString &text) { log.push_back(text); });
    u.ScanWidth = 320;
    u.ScanHeight = 120;
    u.FrameHeight = 240;
    u.Sectors = 16;
    u.Edge = {16, 0, 0};
    u.Center = {4, 0, 0};
    u.Exp_A = 1.0;
    u.Exp2_A = 2.0;
    u.Exp3_A = 3.0;
    u.Amplification = {10, 20, 30};
  }
  void TearDown() override { ResetCameraState(); }

  // A LAN parameter reply made from the unit's own block, so its values are known.
  Block ParameterReply(const TScanUnit &from, std::size_t size) {
    const Block block = BuildParameterBlock(from, TLiveValues{3, 1, 2, 4, 5, 6}, 256);
    Block reply(block.begin() + 2, block.end());
    reply.resize(size, 0);
    return reply;
  }

  TScanUnit u;
  ScriptedLink link;
  TSectorTable table{};
  QStringList log;
};

TEST_F(CameraCommands, ParameterReadSetsTheSelectedRangeAndLogsEveryValue) {
  TScanUnit camera = u;
  camera.CameraNo = 77;
  camera.Exp2_A = 4.0e5;
  camera.Exp2_B = 3100.0;
  camera.Signal20 = 2000.0;
  camera.Signal30 = 2400.0;
  camera.Amplification = {1, 2, 3};
  camera.TwoCurves = true;
  camera.Exp_AL = 9.0;
  link.replies.push_back(ParameterReply(camera, 80));
  u.CalibrationRange = 1;
  SetCameraUserLog(true);
  TLiveValues live;

  EXPECT_EQ(ReadCameraParameters(u, link, &live), 0);
  ASSERT_EQ(link.sent.size(), 1u);
  EXPECT_EQ(link.sent[0].size(), 256u);
  EXPECT_EQ(link.sent[0][0], 3);
  EXPECT_EQ(link.sent[0][1], 80);
  EXPECT_EQ(link.pauses, std::vector<int>{500});
  EXPECT_EQ(link.timeouts, std::vector<int>{2000});
  EXPECT_EQ(u.CameraNo, 77);
  EXPECT_EQ(u.CurExpA, 4.0e5);
  EXPECT_EQ(u.CurExpB, 3100.0);
  EXPECT_EQ(u.CurSignal0, 2000.0);
  EXPECT_EQ(u.CurAmplification, 2);
  EXPECT_TRUE(u.TwoCurves);
  EXPECT_EQ(u.CurExpAL, 9.0);
  EXPECT_EQ(live, (TLiveValues{3, 1, 2, 4, 5, 6}));
  ASSERT_EQ(log.size(), 31);
  EXPECT_EQ(log[0], QStringLiteral("ScanSpeed: 3"));
  EXPECT_EQ(log[6], QStringLiteral("CameraNo: 77"));
  EXPECT_EQ(log[26], QStringLiteral("Signal0: 2400")); // the third range's offset
  EXPECT_EQ(log[27], QStringLiteral("---"));
  EXPECT_EQ(log[28], QStringLiteral("Exp1_AL: 9"));

  // Without the detailed log nothing is written.
  log.clear();
  SetCameraUserLog(false);
  link.replies.push_back(ParameterReply(camera, 80));
  EXPECT_EQ(ReadCameraParameters(u, link), 0);
  EXPECT_TRUE(log.isEmpty());
}

TEST_F(CameraCommands, FailedReadsChangeNothing) {
  struct Case {
    const char *what;
    bool connected;
    bool sendWorks;
    std::optional<Block> reply;
  } cases[] = {
      {"link down", false, true, Block(80, 0)},      {"request not sent", true, false, Block(80, 0)},
      {"no reply", true, true, std::nullopt},        {"short reply", true, true, Block(79, 0)},
      {"zero-sized scan", true, true, Block(80, 0)},
  };
  for (const Case &c : cases) {
    ScriptedLink l;
    l.connected = c.connected;
    l.sendWorks = c.sendWorks;
    l.replies.push_back(c.reply);
    TScanUnit before = u;
    EXPECT_EQ(ReadCameraParameters(u, l), 1) << c.what;
    EXPECT_EQ(u.CameraNo, before.CameraNo) << c.what;
    EXPECT_EQ(u.CurExpA, before.CurExpA) << c.what;
    EXPECT_EQ(u.ScanWidth, before.ScanWidth) << c.what;
    if (!c.connected) {
      EXPECT_TRUE(l.sent.empty());
    }
  }
  EXPECT_FALSE(log.isEmpty()); // refusals are logged
}

TEST_F(CameraCommands, UsbParameterReadAndDescriptorRead) {
  TScanUnit camera = u;
  camera.Exp3_A = 1.5e5;
  link.replies.push_back(ParameterReply(camera, 256));
  u.CalibrationRange = 2;
  EXPECT_EQ(ReadCameraParametersUsb(u, link), 0);
  EXPECT_EQ(link.sent.back(), [] {
    Block b(256, 0);
    b[0] = 3;
    b[1] = 65;
    return b;
  }());
  EXPECT_EQ(u.CurExpA, 1.5e5);
  EXPECT_EQ(link.pauses.back(), 100);

  link.replies.push_back(ParameterReply(camera, 255)); // one byte short of the USB block
  EXPECT_EQ(ReadCameraParametersUsb(u, link), 1);

  link.replies.push_back(Block(128, 0)); // type 0 is no camera
  EXPECT_EQ(ReadCameraDescriptor(u, link), 1);
  EXPECT_EQ(link.sent.back().size(), 64u);
  EXPECT_EQ(link.sent.back()[1], 128);
  EXPECT_EQ(link.pauses.back(), 200);
  EXPECT_EQ(link.timeouts.back(), 1000);
  EXPECT_EQ(u.CameraInterfaceType, CamIfLpt);
}

TEST_F(CameraCommands, WritesReportFailures) {
  const TLiveValues live{1, 2, 3, 4, 5, 6};
  EXPECT_EQ(WriteParametersLan(u, live, link), 0);
  EXPECT_EQ(link.sent.back().size(), 80u);
  EXPECT_EQ(WriteParametersUsb(u, live, link), 0);
  EXPECT_EQ(link.sent.back().size(), 256u);
  EXPECT_EQ(WriteLiveParamsWithNumber(u, live, link), 0);
  EXPECT_EQ(link.sent.back()[1], 8);

  link.sendWorks = false;
  EXPECT_EQ(WriteParametersLan(u, live, link), 1); // a lost write is not a success
  EXPECT_EQ(WriteParametersUsb(u, live, link), 1);
  EXPECT_EQ(WriteLiveParamsWithNumber(u, live, link), 1);
  link.connected = false;
  const std::size_t sent = link.sent.size();
  EXPECT_EQ(WriteLiveParamsWithNumber(u, live, link), 1);
  EXPECT_EQ(link.sent.size(), sent);
}

TEST_F(CameraCommands, FrameRequestsGoOutOrAreRefusedWithALogLine) {
  u.CameraInterfaceType = CamIfLan;
  u.CameraNo = kCamera339;
  u.Speed = 0;
  u.Delay = {1, 21, 31};
  EXPECT_EQ(SendFrameRequest(u, TFrameModes{}, table, link), 0);
  EXPECT_EQ(link.sent.back().size(), 64u);
  EXPECT_EQ(link.sent.back()[6], 31); // camera 339 at speed 0 uses its second geometry

  u.CameraNo = 0;
  u.Sectors = 40;
  const std::size_t sent = link.sent.size();
  EXPECT_EQ(SendFrameRequest(u, TFrameModes{}, table, link), 1);
  EXPECT_EQ(link.sent.size(), sent);
  ASSERT_FALSE(log.isEmpty());
  EXPECT_TRUE(log.back().contains(QStringLiteral("40 sector entries")));

  u.CameraInterfaceType = CamIfUsb;
  u.Sectors = 16;
  link.sendWorks = false;
  EXPECT_EQ(SendFrameRequestUsb(u, TFrameModes{}, table, link), 1);
  EXPECT_EQ(link.sent.back().size(), 256u);
  EXPECT_EQ(link.pauses.back(), 100);
}

TEST_F(CameraCommands, FocusCommandsUseTheMotorLimits) {
  struct Case {
    double fraction;
    std::uint16_t target;
  } cases[] = {{0.5, 9328}, {0.0, 9184}, {1.0, 9472}, {2.0, 9472}, {-1.0, 9184}, {std::nan(""), 9184}};
  for (const Case &c : cases) {
    EXPECT_TRUE(FocusToFraction(u, link, c.fraction));
    const Block &b = link.sent.back();
    EXPECT_EQ((b[5] << 8) | b[6], c.target) << c.fraction;
    EXPECT_EQ((b[1] << 8) | b[2], 9184);
    EXPECT_EQ((b[3] << 8) | b[4], 9472);
  }
  EXPECT_EQ(u.FocusMin, 9184);
  EXPECT_EQ(u.FocusMax, 9472);

  EXPECT_TRUE(StartAutoFocus(u, link));
  EXPECT_EQ(u.AutoFocusStep, 2);
  EXPECT_EQ(Block(link.sent.back().begin(), link.sent.back().begin() + 9),
            (Block{4, 0x23, 0xE0, 0x25, 0, 0, 0, 2, 0}));
  EXPECT_TRUE(FocusToMin(u, link));
  EXPECT_EQ((link.sent.back()[5] << 8) | link.sent.back()[6], 9184);
  // The focus slider's scale is a separate value.
  EXPECT_EQ(FocusSliderMax, 162);

  link.sendWorks = false;
  EXPECT_FALSE(FocusToMin(u, link));

  RequestFocusPosition(ScanRequests, 0.25);
  EXPECT_TRUE(ScanRequests.FFocusRequest.Get());
  EXPECT_EQ(ScanRequests.FocusRequestFraction.Get(), 0.25);
}

TEST_F(CameraCommands, StopCommandsTakeTheSizeOfTheLink) {
  struct Case {
    std::int32_t type;
    std::size_t stopSize;
    std::size_t eightSize;
  } cases[] = {{CamIfLan, 64, 64}, {CamIfUsb, 256, 256}, {CamIfUsbVariant, 64, 256}};
  for (const Case &c : cases) {
    u.CameraInterfaceType = c.type;
    EXPECT_EQ(SendStopCommand(u, link), 0);
    EXPECT_EQ(link.sent.back().size(), c.stopSize) << c.type;
    EXPECT_EQ(link.sent.back()[0], 7);
    EXPECT_EQ(SendCommand8(u, link), 0);
    EXPECT_EQ(link.sent.back().size(), c.eightSize) << c.type;
    EXPECT_EQ(link.sent.back()[0], 8);
  }
  link.sendWorks = false;
  link.pauses.clear();
  u.CameraInterfaceType = CamIfUsb;
  EXPECT_EQ(SendStopCommand(u, link), 1);
  EXPECT_EQ(link.pauses, std::vector<int>{100});
  u.CameraInterfaceType = CamIfLan;
  EXPECT_EQ(SendStopCommand(u, link), 1);
  EXPECT_EQ(link.pauses, std::vector<int>{100}); // no wait on the LAN
}

} // namespace
} // namespace calidarix
