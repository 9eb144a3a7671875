#pragma once
// The focus slider of the main window: a horizontal track with a 16-pixel marker for the focus
// position 0 .. FocusMax. The marker is dragged with the left button, put under the pointer with the
// right button, or stepped towards a left click beside it: one step at once, then one every 500 ms,
// then every 100 ms, until it reaches or passes the click, reaches the end of the track, or the button
// is released.
//
// The track runs from x = 8 to x = width - 8. A slider no wider than the marker has no track: its
// marker stays at the left and pointing does not move it.

#include "acquisition/camera_state.h"

#include <QWidget>

class QTimer;

namespace calidarix {

class TFocusSlider : public QWidget {
public:
  explicit TFocusSlider(QWidget *parent = nullptr);

  // Position of the marker, 0 .. FocusMax.
  int FocusPosition = 0;
  // Full scale of the track.
  int FocusMax = kFocusSliderMaxDefault;
  // x of the last click on the slider; stepping stops when the marker gets there.
  int FocusTargetX = 0;
  // Stepping direction: true towards FocusMax.
  bool FocusStepUp = false;
  // Marker's left edge minus the grab point, less 8, while the marker is dragged.
  int FocusDragOffset = 0;
  bool FocusDragging = false;
  QTimer *FocusTimer = nullptr;

  // Left edge of the marker.
  int MarkerLeft() const;
  // One step of the timer.
  void FocusTimerTimer();
  // Sets the position within 0 .. FocusMax and repaints when it changed.
  void SetFocusPosition(int position);

protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  int TrackWidth() const;
  // The position for a track pixel (x - 8 for the pointer); the current one when there is no track.
  int PositionAtTrack(int trackX) const;
  // Moves one step in the stepping direction; false at the end of the track.
  bool Step();
  // The marker has got to the click, or past it in the stepping direction.
  bool TargetReached() const;
};

} // namespace calidarix
