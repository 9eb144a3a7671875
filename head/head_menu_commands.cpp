#include "head/head_menu_commands.h"

#include "platform/numbers.h"

#include <cmath>
#include <numbers>

namespace calidarix {

JoyJogStep JoyJog(std::uint8_t bits, int x, int y) {
  JoyJogStep step;
  step.bits = bits;
  const bool deadX = x > kJoyDeadLow && x < kJoyDeadHigh;
  const bool deadY = y > kJoyDeadLow && y < kJoyDeadHigh;
  if (deadX && deadY) {
    if (bits != 0) {
      step.action = JoyJogStep::Action::Stop;
      step.bits = 0;
    }
    return step;
  }
  if (bits != 0)
    return step;
  struct Jog {
    bool holds;
    std::uint8_t bit;
    std::uint8_t pan;
    std::uint8_t tilt;
  };
  // 0xFF is -127 and 0x7F is +127 in sign-magnitude form.
  const Jog jogs[] = {{x < kJoyDeadLow, kJogLeft, 0xFF, 0x00},
                      {x > kJoyDeadHigh, kJogRight, 0x7F, 0x00},
                      {y < kJoyDeadLow, kJogUp, 0x00, 0x7F},
                      {y > kJoyDeadHigh, kJogDown, 0x00, 0xFF}};
  for (const Jog &jog : jogs) {
    if (jog.holds) {
      step.action = JoyJogStep::Action::Jog;
      step.bits = jog.bit;
      step.command = QorCmdManualSpeeds(jog.pan, jog.tilt);
      break;
    }
  }
  return step;
}

std::optional<AutoAspect> AutoAspectFor(int width, int height) {
  if (width <= 0 || height <= 0)
    return std::nullopt;
  const double vert = std::trunc(static_cast<double>(height) / width * 64800.0);
  if (vert < 1.0 || vert > 65535.0)
    return std::nullopt;
  AutoAspect a;
  a.horzExtent = 64800;
  a.vertExtent = static_cast<std::uint16_t>(vert);
  a.elevation = static_cast<std::int16_t>(a.vertExtent / 2);
  a.aspect = static_cast<double>(a.horzExtent) / a.vertExtent;
  return a;
}

QorCommand StripSweepCommand(char headType, bool halfSpeed, std::int32_t stripDown) {
  const char *name = headType != 'A' ? "$TVer" : halfSpeed ? "$TVRH" : "$TVRn";
  const std::array<std::uint8_t, 2> t = EncodeQorTarget(stripDown);
  return QorCommand(name) + static_cast<char>(t[0]) + static_cast<char>(t[1]);
}

QStringList TanTableLines() {
  QStringList lines;
  constexpr double toRadians = std::numbers::pi / 180.0;
  constexpr double toDegrees = 180.0 / std::numbers::pi;
  for (int a = 0; a <= 360; ++a) {
    const int x = RoundToInt32(std::cos(a * toRadians) * 32768.0);
    const int y = RoundToInt32(std::sin(a * toRadians) * 32768.0);
    // Where x is 0 the quotient is infinite and the arctangent is +-90 degrees.
    const double arctan = std::atan(static_cast<double>(y) / x) * toDegrees;
    const double arctan2 = std::atan2(static_cast<double>(y), static_cast<double>(x)) * toDegrees;
    lines << QString::asprintf("angle %d x %d y %d arctan %f arctan2 %f", a, x, y, arctan, arctan2);
  }
  return lines;
}

} // namespace calidarix
