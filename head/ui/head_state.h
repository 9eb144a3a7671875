#pragma once
// The head fields of the main window: the joystick jog, the strip and re-stitch requests the window
// procedure reads, and the service test that drives the head up and down.

#include <cstdint>

namespace calidarix {

struct THeadState {
  // The joystick jog in progress: 1 left, 2 right, 4 up, 8 down, one at a time; 0 none.
  std::uint8_t FJoyJogBits = 0;
  // The last stick position and buttons, written over the image after each move.
  int FJoyX = 32767;
  int FJoyY = 32767;
  std::uint32_t FJoyButtons = 0;
  bool FJoyShown = false;
  // The head's own copy of the strip step (whether a strip runs is the acquisition's request flag);
  // the strip runs at half speed.
  std::uint8_t StripStep = 0;
  bool HalfSpeedStrip = false;
  // A re-stitch of the last panorama folder was asked for.
  bool RestitchPending = false;
  // The up/down service test runs; a second click (or closing the program) ends it.
  bool UpDownTestRunning = false;
};

} // namespace calidarix
