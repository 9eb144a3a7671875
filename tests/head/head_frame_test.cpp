// The head's frames: golden bytes of the commands in both framings, the reply check, and the encodings
// of counters, targets and speeds.

#include "head/head_frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace calidarix {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(HeadFrame, CommandsGoOutWithTheirSumOrTheirEndByte) {
  struct Case {
    const char *what;
    QorCommand command;
    Bytes nine;  // heads with 9-byte frames
    Bytes eight; // heads of type 'A'
  } cases[] = {
      {"identify",
       QorCmdIdentify,
       {0x24, 0x57, 0x52, 0x55, 0x6D, 0x61, 0x6E, 0x5E, 0x0D},
       {0x24, 0x57, 0x52, 0x55, 0x6D, 0x61, 0x6E, 0x00}},
      {"stop",
       QorCmdStop,
       {'$', 'S', 't', 'o', 'p', 'p', 'p', 0xAA, 0x0D},
       {'$', 'S', 't', 'o', 'p', 'p', 'p', 0}},
      // The register write's CR gives way to the sum on 9-byte heads; 8-byte heads get it as it is.
      {"write register",
       QorCmdWriteRegister(0x03, {0x5A, 0x00, 0x12, 0x00}),
       {0x24, 0x40, 0x03, 0x5A, 0x00, 0x12, 0x00, 0xD3, 0x0D},
       {0x24, 0x40, 0x03, 0x5A, 0x00, 0x12, 0x00, 0x0D}},
      {"track hor 0",
       QorCmdTrackHor(0),
       {'$', 'T', 'H', 'o', 'r', 0x00, 0x80, 0x21, 0x0D},
       {'$', 'T', 'H', 'o', 'r', 0x00, 0x80, 0x00}},
      {"track ver -1",
       QorCmdTrackVer(-1),
       {'$', 'T', 'V', 'e', 'r', 0xFF, 0x7F, 0x23, 0x0D},
       {'$', 'T', 'V', 'e', 'r', 0xFF, 0x7F, 0x00}},
      {"jog left",
       QorCmdManualSpeeds(0xFF, 0x00),
       {'$', 'T', 'B', 0xFF, 0x00, 'h', 'v', 0x97, 0x0D},
       {'$', 'T', 'B', 0xFF, 0x00, 'h', 'v', 0x00}},
      {"turn down reporting",
       QorCmdTurnDownReporting(),
       {'$', 'T', 'V', 'R', 'H', 0x00, 0x80, 0xE8, 0x0D},
       {'$', 'T', 'V', 'R', 'H', 0x00, 0x80, 0x00}},
      {"read register",
       QorCmdReadRegister(0x12),
       {'$', '?', 0x12, 'r', 'e', 'a', 'd', 0x11, 0x0D},
       {'$', '?', 0x12, 'r', 'e', 'a', 'd', 0x00}},
      {"speed limit",
       QorCmdSetSpeedLimit(255),
       {'$', 'X', 'S', 'L', 'm', 't', 0xFF, 0xFB, 0x0D},
       {'$', 'X', 'S', 'L', 'm', 't', 0xFF, 0x00}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FrameQorCommand(c.command, 9), c.nine);
    EXPECT_EQ(FrameQorCommand(c.command, 8), c.eight);
  }
  EXPECT_TRUE(FrameQorCommand("$abc", 9).empty());
  EXPECT_TRUE(FrameQorCommand(QorCmdStop, 7).empty());
}

TEST(HeadFrame, RepliesAreCheckedBySumOrByTheEndByteOfAnEightByteHead) {
  Bytes good = {'$', 'H', 'c', 'n', 0x80, 0x00, 0x80, 0};
  good[7] = QorSum(good.data());
  Bytes wrongSum = good;
  ++wrongSum[7];
  const Bytes carriageReturn = {'$', 'd', 'o', 'n', 'e', 'O', 'k', 0x0D};
  Bytes noDollar = good;
  noDollar[0] = '#';
  noDollar[7] = QorSum(noDollar.data());
  struct Case {
    const char *what;
    const Bytes &frame;
    bool nine;
    bool eight;
  } cases[] = {{"sum right", good, true, true},
               {"sum wrong", wrongSum, false, false},
               {"CR in place of the sum", carriageReturn, false, true},
               {"no '$'", noDollar, false, false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(QorReplyGood(c.frame.data(), 9), c.nine);
    EXPECT_EQ(QorReplyGood(c.frame.data(), 8), c.eight);
  }
}

TEST(HeadFrame, CountersTargetsAndSpeeds) {
  const std::uint8_t zero[] = {0x80, 0x00, 0x80};
  const std::uint8_t none[] = {0x00, 0x00, 0x00};
  const std::uint8_t full[] = {0xFF, 0xFF, 0xFF};
  EXPECT_EQ(DecodeQorCounter(zero), 0);
  EXPECT_EQ(DecodeQorCounter(none), -8388736);
  EXPECT_EQ(DecodeQorCounter(full), 0xFFFFFF - 0x800080);
  for (std::int32_t c : {0, 1, -1, 256 * 23040, -8388736, 0xFFFFFF - 0x800080}) {
    const auto wire = EncodeQorCounter(c);
    EXPECT_EQ(DecodeQorCounter(wire.data()), c) << c;
  }

  struct Target {
    std::int32_t target;
    std::array<std::uint8_t, 2> wire;
  } targets[] = {{0, {0x00, 0x80}},
                 {-1, {0xFF, 0x7F}},
                 {5, {0x05, 0x80}},
                 {23040, {0x00, 0xDA}},
                 {-32768, {0x00, 0x00}}};
  for (const Target &t : targets)
    EXPECT_EQ(EncodeQorTarget(t.target), t.wire) << t.target;

  // Counters in target units: 256 clicks each, rounded down, as a signed 16-bit value.
  EXPECT_EQ(QorTargetUnits(0), 0);
  EXPECT_EQ(QorTargetUnits(255), 0);
  EXPECT_EQ(QorTargetUnits(-1), -1);
  EXPECT_EQ(QorTargetUnits(23040 * 256 + 17), 23040);
  EXPECT_EQ(QorTargetUnits(-23040 * 256), -23040);

  EXPECT_EQ(QorSpeedByte(127), 0x7F);
  EXPECT_EQ(QorSpeedByte(-127), 0xFF);
  EXPECT_EQ(QorSpeedByte(-16), 0x90);
  EXPECT_EQ(QorSpeedByte(28), 0x1C);
  EXPECT_EQ(QorSpeedByte(300), 0x7F);
  EXPECT_EQ(QorSpeedFromReply(0x10), 16);
  EXPECT_EQ(QorSpeedFromReply(0xF0), 0x90); // -16
  EXPECT_EQ(QorSpeedFromReply(0x81), 0xFF); // -127
}

TEST(HeadFrame, DumpShowsEveryByteAndTheTextWithoutControlBytes) {
  const std::uint8_t frame[] = {'$', 'H', 0x00, 0x0D, 0x41, 0xFF, 'z', 0x31, 0x0D};
  EXPECT_EQ(FormatFrameDump(frame, 9),
            QString::fromUtf8("<$-24><H-48><_-00><_-0D><A-41><\u00FF-FF><z-7A><1-31><_-0D>"
                              "--____--$H..A\u00FFz1"));
  EXPECT_EQ(FormatFrameDump(frame, 8).right(15), QString::fromUtf8("--____--$H..A\u00FFz"));
}

} // namespace
} // namespace calidarix
