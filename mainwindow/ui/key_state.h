#pragma once
// The main window's fields of the keyboard commands, held by TCalidarix as FKeys. The names are the
// design's own. State a key command only sets for another part lives with that part (the scan set,
// the pending merge and the panorama pause in FAcquisition, the relief's turn direction in FRelief).

#include "thermogram/rect.h"

#include <qnamespace.h>

#include <cstdint>

class QTimer;

namespace calidarix {

// Return or the keypad's Enter (Qt key codes).
inline bool IsEnter(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

struct TKeyState {
  // Alt was held when the key being carried out came (the key messages' bit 29).
  bool AltDown = false;
  // Arrow keys held to jog the head while the centre cross is shown (Up 1, Left 2, Right 4, Down 8),
  // and the set last sent to the head.
  std::uint8_t FJogKeys = 0;
  std::uint8_t FJogSent = 0;
  // Film playback: direction and speed step (0 stopped, 1 as fast as possible, 2 real time).
  bool FPlayForward = true;
  int FPlaySpeedStep = 0;
  QTimer *FilmTimer = nullptr;
  // Split view of the frame's halves (on from the first Alt+O to the end of the run) and its shifts.
  bool SplitMode = false;
  std::int32_t SplitHor = 0;
  std::int32_t SplitVer = 0;
  // The context-menu key stands for the right mouse button at the cursor, once per press.
  bool ContextKeyDown = false;
  TPoint ContextKeyPos;
  // The ".abc" overlay picture is drawn over the image until the frame is rendered again: the render
  // count it was shown at, -1 while it is not shown.
  int FOverlayShownAt = -1;
};

} // namespace calidarix
