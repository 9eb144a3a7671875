#pragma once
// The computations behind the main window's head commands: jogging the head with the joystick, the
// plane directions of the Projection menu, the automatic aspect and the arctangent check table.

#include "head/head_frame.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace calidarix {

// Jog bits: one jog at a time.
inline constexpr std::uint8_t kJogLeft = 1;
inline constexpr std::uint8_t kJogRight = 2;
inline constexpr std::uint8_t kJogUp = 4;
inline constexpr std::uint8_t kJogDown = 8;

// The stick's dead zone lies strictly between these on both axes (positions 0 .. 65535).
inline constexpr int kJoyDeadLow = 24575;
inline constexpr int kJoyDeadHigh = 40959;

struct JoyJogStep {
  enum class Action { None, Stop, Jog };
  Action action = Action::None;
  std::uint8_t bits = 0; // the jog running after this move
  QorCommand command;    // Jog: the manual-speed command to send
};

// One stick move. In the dead zone a running jog ends (Stop); outside it a new jog starts only when
// none runs: left, right, up, down, the first that holds. A position exactly on a zone edge neither
// starts nor ends a jog.
JoyJogStep JoyJog(std::uint8_t bits, int x, int y);

// View directions of the plane projection, 1/180 degree (Left as the projection has always read it).
inline constexpr std::uint16_t kPlaneFront = 0;
inline constexpr std::uint16_t kPlaneRight = 16200;
inline constexpr std::uint16_t kPlaneRear = 32400;
inline constexpr std::uint16_t kPlaneLeft = 49336;

// Projection kinds (the Tags of the Projection menu).
inline constexpr int kProjectionPlane = 4;

// Extents for showing a frame as a full circle: 360 degrees across, the height in proportion. Nothing
// for a frame without width or one so tall that its vertical extent does not fit 16 bits.
struct AutoAspect {
  std::uint16_t horzExtent = 0;
  std::uint16_t vertExtent = 0;
  std::int16_t elevation = 0;
  double aspect = 0.0;
};
std::optional<AutoAspect> AutoAspectFor(int width, int height);

// The service check of the arctangent: one line per whole degree 0 .. 360.
QStringList TanTableLines();

// The vertical sweep of a strip scan down to `stripDown` (target units): heads of type 'A' take the
// reporting sweep ("$TVRH" at half speed, else "$TVRn"), the others a plain vertical target ("$TVer").
QorCommand StripSweepCommand(char headType, bool halfSpeed, std::int32_t stripDown);

} // namespace calidarix
