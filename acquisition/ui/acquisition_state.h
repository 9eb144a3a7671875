#pragma once
// The main window's fields for acquisition: start and stop, the frame handler's state carried from
// frame to frame, film recording, the scan lines and the live profile.

#include "acquisition/frame_arrival.h"
#include "platform/messages.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace calidarix {

class FilmRecordingLock;
class TScan;

struct TAcquisitionState {
  TAcquisitionState();
  ~TAcquisitionState();
  TAcquisitionState(const TAcquisitionState &) = delete;
  TAcquisitionState &operator=(const TAcquisitionState &) = delete;

  // Start and stop.
  bool FScanStarting = false;
  bool FScanStopping = false;
  // The next good frame is the first of a series: it re-fits the layout.
  bool FFirstFrame = false;
  // How long the stop's pause handshake waits beyond the longest receive time-out.
  int StopMarginMs = 2000;
  // The stop's handshake ran out: the thread did not answer in time.
  bool StopTimedOut = false;

  // Frame handler.
  std::int64_t FLastFrameTicks = 0;
  std::uint8_t LastDisplaySpeed = 0;
  TBandBlindValues Bands;
  std::uint16_t BlindSignalShown = 0;
  // The second scan geometry set is in use (F6); the next frame applies the aspect of the set chosen.
  bool FScanSet2 = false;
  bool FScanSetChanged = false;
  bool FVideoDisabled = false;
  bool FSeekFrameBusy = false;
  bool FSeekStarted = false;
  bool FSumReady = false;
  bool LineSweepRequest = false;
  // The status of a lost frame while no good one follows (the camera may be reconnecting).
  QString LostNotice;
  // The temperature alarm is raised.
  bool AlarmOn = false;
  // Sweeps of a frame-timing run (nothing counts them yet).
  int SweepCount = 0;
  // The head counters of the current panorama frame, as their 24-bit wire values.
  std::int32_t StripHorCounterRaw = 0;
  std::int32_t StripVerCounterRaw = 0;
  // The texts drawn over the live image after the last frame.
  std::vector<TOverlayText> Overlay;
  // "DTV FILM SAVED..." and the film's name, drawn until the view changes.
  QString FilmSavedName;
  // Frames handled and lost, for the log and tests.
  int FramesShown = 0;
  int FramesLost = 0;

  // Film recording: the locks of the temporary films while they are written.
  std::unique_ptr<FilmRecordingLock> FilmLock;
  std::unique_ptr<FilmRecordingLock> FilmLock812;
  QString FTcpFileName;
  // Ctrl+F during a speed-0 scan: the scans are merged once the film they go into is finished.
  bool FMergeScansPending = false;

  // Scan lines and the live profile.
  std::int32_t ScanLineNumber = 0;
  std::vector<double> LiveProfile;
  // Panorama by frames is paused (Space).
  bool PanoPaused = false;
  // The strip wait of a frame message ends when acquisition stops or after this long.
  int StripWaitMs = 30000;
  bool StripWaiting = false;

  // The window handle the acquisition thread posts to.
  WindowHandle OwnerHandle = 0;
  // The acquisition thread this window started (the harness), if any.
  std::unique_ptr<TScan> OwnedScan;
};

} // namespace calidarix
