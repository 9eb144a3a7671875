#pragma once
// The arithmetic of the keyboard commands, apart from the window: the palette window steps, the range
// steps of a live scan, film playback speeds, rotation angles, panning, the aspect keys, the fixed scan
// line and the head's jog commands.

#include <cstdint>

namespace calidarix {

// ---- Palette window (keys A, S, Z, X and Q) ----

// One step of the palette window, or of the isotherm band, bottom..top within 0..255. key is 'A' (the
// window moves up, narrowing from below at the top end), 'S' (the top rises), 'Z' (the window moves
// down) or 'X' (the top falls, staying above the bottom). Another key changes nothing.
void StepPaletteWindow(char key, std::uint8_t &bottom, std::uint8_t &top);

// ---- Display range of a live scan (arrow keys) ----

// Whole degrees the range may reach: at least absolute zero, at most kRangeStepCeiling, and the upper
// end always above the lower one.
inline constexpr double kRangeStepCeiling = 2000.0;

enum class RangeStep : std::uint8_t { Narrow, Widen, ShiftDown, ShiftUp };

// One step of a locked range [lockMin, lockMax]: each end becomes the whole part of its old value plus
// or minus one. A step that would leave the range empty, inverted, below absolute zero or above the
// ceiling is taken back (a widening keeps the end that stays inside). Returns whether anything changed.
bool StepLockedRange(RangeStep step, double &lockMin, double &lockMax);

// ---- Film playback (Alt+Left, Alt+Right) ----

struct PlaybackState {
  bool forward = true; // FPlayForward
  int speedStep = 0;   // FPlaySpeedStep: 0 stopped, 1 as fast as possible, 2 real time
};

// A key in the current direction advances the speed 0 -> 1 -> 2 -> 0; a key in the other direction
// turns the playback round and stops it.
PlaybackState NextPlayback(PlaybackState state, bool forwardKey);

// The film timer's interval for a speed step, in milliseconds; 0 means the timer stops. Real time
// follows the film's frame interval (seconds), limited to 1 ms .. 1 min; a film without a usable
// interval plays at 10 frames a second.
int PlaybackIntervalMs(int speedStep, double frameIntervalSeconds);

// ---- Rotation (Ctrl+R, Ctrl+Alt+R, the Alt+R of a stale Ctrl) ----

// The angle brought into [0, 360) degrees; a value that is not finite becomes 0.
float WrapDegrees(double angle);

// ---- Panning a zoomed view (Ctrl and an arrow) ----

struct PanLimits {
  int frameWidth = 0;
  int frameHeight = 0;
  int boxWidth = 0;
  int boxHeight = 0;
  double zoom = 1.0;
  double pixelAspect = 1.0;
};

// The view offset after one pan of 10 image pixels in the arrow's direction (scan code 72, 75, 77 or
// 80), kept within the frame; the other offset is unchanged.
void PanView(int arrowScan, const PanLimits &limits, double &offsetX, double &offsetY);

// ---- Aspect keys (Alt+Up, Alt+Down) ----

// The horizontal extent (1/180 degree) matching an aspect at a vertical extent of 180, within the
// 16-bit field.
std::uint16_t HorzExtentForAspect(double aspect);

// ---- Fixed scan line from the mouse (Alt+F12) ----

// The scan line (1 .. 119 of 120) at box row y of a box of the given height.
std::int32_t FixedLineFromRow(int y, int boxHeight);

// ---- Head jog (arrows while the centre cross is shown) ----

// The arrow's bit in the jog set: Up 1, Left 2, Right 4, Down 8; 0 for another scan code.
std::uint8_t JogBit(int arrowScan);
// The pan and tilt speed bytes of the head's manual-speed command for the arrow.
struct JogSpeeds {
  std::uint8_t pan = 0;
  std::uint8_t tilt = 0;
};
JogSpeeds JogSpeedsFor(int arrowScan);
// "Up", "Left", "Right", "Down".
const char *ArrowName(int arrowScan);

} // namespace calidarix
