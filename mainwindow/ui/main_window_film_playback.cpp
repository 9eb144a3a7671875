// Film playback from the keys: Alt+Right and Alt+Left choose the direction and step through the speeds
// (stopped, as fast as possible, real time); the film timer shows one frame per tick. While the software
// relief view is shown the same keys turn the relief instead.

#include "mainwindow/key_steps.h"
#include "mainwindow/ui/main_window.h"
#include "thermogram/thermogram_globals.h"

#include <QTimer>

namespace calidarix {

void TCalidarix::PlaybackKey(bool forward) {
  if (FRelief.FReliefView) {
    StartReliefRotation(forward);
    return;
  }
  if (FServices.acquisition->ScanRunning() || !CurrentDTV || CurrentDTV->FHeader.FrameCount < 2)
    return;
  const PlaybackState next = NextPlayback(PlaybackState{FKeys.FPlayForward, FKeys.FPlaySpeedStep}, forward);
  FKeys.FPlayForward = next.forward;
  FKeys.FPlaySpeedStep = next.speedStep;
  const int interval = PlaybackIntervalMs(next.speedStep, CurrentDTV->FHeader.FrameInterval);
  if (interval == 0) {
    FKeys.FilmTimer->stop();
    return;
  }
  FKeys.FilmTimer->setInterval(interval);
  FKeys.FilmTimer->start();
}

void TCalidarix::StepFilmFrame(bool forward) {
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  const int count = dtv.FHeader.FrameCount;
  if (count < 2) {
    FKeys.FilmTimer->stop();
    return;
  }
  int frame = dtv.FFrameIndex + (forward ? 1 : -1);
  if (frame > count)
    frame = 1;
  else if (frame < 1)
    frame = count;
  // A frame that cannot be read would be tried again on every tick: the playback stops on it.
  if (!ChangeFrame(frame)) {
    FKeys.FilmTimer->stop();
    FKeys.FPlaySpeedStep = 0;
  }
}

void TCalidarix::FilmTimerTimer() {
  // A job that works on the thermogram has it for now; playback goes on after it.
  if (!FBusyJob.isEmpty())
    return;
  StepFilmFrame(FKeys.FPlayForward);
}

} // namespace calidarix
