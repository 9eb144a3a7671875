// The computations of the main window's head commands: the joystick jog, the automatic aspect, the
// arctangent table and the strip sweep command.

#include "head/head_menu_commands.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(JoystickJog, OneJogAtATimeEndedInTheDeadZone) {
  using A = JoyJogStep::Action;
  struct Move {
    int x, y;
    A action;
    std::uint8_t bits;
    QorCommand command;
  } moves[] = {
      {0, 32768, A::Jog, kJogLeft, QorCmdManualSpeeds(0xFF, 0x00)},
      {65535, 32768, A::None, kJogLeft, {}}, // a jog runs: nothing more
      {32768, 32768, A::Stop, 0, {}},
      {32768, 32768, A::None, 0, {}},                                // nothing runs: nothing to stop
      {65535, 0, A::Jog, kJogRight, QorCmdManualSpeeds(0x7F, 0x00)}, // right is tested before up
      {32768, 32768, A::Stop, 0, {}},
      {32768, 100, A::Jog, kJogUp, QorCmdManualSpeeds(0x00, 0x7F)},
      {30000, 30000, A::Stop, 0, {}},
      {32768, 65535, A::Jog, kJogDown, QorCmdManualSpeeds(0x00, 0xFF)},
      {24575, 32768, A::None, kJogDown, {}}, // on the edge: neither ends nor starts
      {40959, 40959, A::None, kJogDown, {}},
      {24576, 40958, A::Stop, 0, {}},
      {24575, 32768, A::None, 0, {}},
  };
  std::uint8_t bits = 0;
  for (const Move &m : moves) {
    SCOPED_TRACE(testing::Message() << m.x << "," << m.y);
    const JoyJogStep step = JoyJog(bits, m.x, m.y);
    EXPECT_EQ(step.action, m.action);
    EXPECT_EQ(step.bits, m.bits);
    EXPECT_EQ(step.command, m.command);
    bits = step.bits;
  }
}

TEST(AutoAspect, AFullCircleAcrossAndTheHeightInProportion) {
  const std::optional<AutoAspect> a = AutoAspectFor(320, 240);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->horzExtent, 64800);
  EXPECT_EQ(a->vertExtent, 48600);
  EXPECT_EQ(a->elevation, 24300);
  EXPECT_DOUBLE_EQ(a->aspect, 64800.0 / 48600.0);
  EXPECT_EQ(AutoAspectFor(3, 1)->vertExtent, 21600);
  EXPECT_EQ(AutoAspectFor(7, 3)->vertExtent, 27771); // truncated
  // Taller than about 1.01 times the width does not fit 16 bits; no width is nothing to divide by.
  EXPECT_TRUE(AutoAspectFor(64, 64));
  EXPECT_FALSE(AutoAspectFor(240, 320));
  EXPECT_FALSE(AutoAspectFor(0, 10));
}

TEST(TanTable, EveryDegreeWithTheInfiniteQuotientAtNinetyAndTwoSeventy) {
  const QStringList lines = TanTableLines();
  ASSERT_EQ(lines.size(), 361);
  EXPECT_EQ(lines[0], "angle 0 x 32768 y 0 arctan 0.000000 arctan2 0.000000");
  EXPECT_EQ(lines[45], "angle 45 x 23170 y 23170 arctan 45.000000 arctan2 45.000000");
  EXPECT_EQ(lines[90], "angle 90 x 0 y 32768 arctan 90.000000 arctan2 90.000000");
  EXPECT_EQ(lines[270], "angle 270 x 0 y -32768 arctan -90.000000 arctan2 -90.000000");
}

TEST(StripSweep, TheCommandDependsOnTheHeadType) {
  EXPECT_EQ(StripSweepCommand('M', false, -250), std::string("$TVer\x06\x7F", 7));
  EXPECT_EQ(StripSweepCommand('A', false, -250), std::string("$TVRn\x06\x7F", 7));
  EXPECT_EQ(StripSweepCommand('A', true, 0), std::string("$TVRH\x00\x80", 7));
}

} // namespace
} // namespace calidarix
