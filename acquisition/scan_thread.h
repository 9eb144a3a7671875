#pragma once
// TScan, the acquisition thread of the scanning cameras.
//
// Once running it grabs one frame after another through the link of CameraInterfaceType, hands each
// frame to the GUI thread as an immutable value (camera_frame.h) and posts WM_FRAMEDONE with that
// value's serial number, and applies the speed and range requests of the GUI thread between frames.
// The thread works on its own copy of the camera state, taken when it is created; before each frame
// request it takes the settings the window changed since (camera_settings.h).
//
// Suspend, resume and pause are cooperative: the thread parks on a condition variable at the head
// of its loop (suspended), or in the pause loop while FPauseRequest is set, acknowledging the pause
// with FPostEnabled. Waits block; none of them spins.
//
// Messages (to the poster given at creation; lParam is always the thread object):
//   WM_FRAMEDONE  wParam = serial number of the frame in Frames
//   WM_HEADSTEP   wParam = the strip step at that line, once per network frame after its first scan line
//   WM_SCANLINE   wParam = line number; the line itself is in LatestLine()

#include "acquisition/camera_frame.h"
#include "acquisition/camera_state.h"
#include "acquisition/lan_link.h"
#include "acquisition/lan_reception.h"
#include "platform/messages.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace calidarix {

// A frame source other than the network camera (the parallel-port and USB cameras plug in here).
class TFrameGrabber {
public:
  virtual ~TFrameGrabber() = default;
  // Grabs one frame into unit.FrameBuffer; `rows` receives the rows that arrived.
  virtual TFrameResult Grab(TScanUnit &unit, TScanRequests &requests, std::int32_t &rows) = 0;
  // Ends the camera's acquisition and closes the link; the thread calls it as it ends.
  virtual void Close(TScanUnit &unit, TScanRequests &requests) = 0;
  // The link is open. A pass whose link is not open waits a while before the next try.
  virtual bool Connected() const = 0;
};

// The last scan line as the thread copied it, for the live line profile.
struct TScanLineCopy {
  std::int32_t Line = -1;
  std::vector<std::uint16_t> Values; // as stored, before the frame's byte order is applied
};

class TScan {
public:
  using Poster = std::function<void(MessageId msg, WPARAM wParam, LPARAM lParam)>;

  // Created suspended, with a copy of `unit` as its camera state.
  TScan(Poster post, TScanRequests &requests, const TScanUnit &unit);
  ~TScan(); // ends the thread and waits for it
  TScan(const TScan &) = delete;
  TScan &operator=(const TScan &) = delete;

  // Starts the thread the first time; later continues a suspended one where it parked.
  void Resume();
  // The thread parks at the head of its next pass.
  void Suspend();
  bool Suspended() const { return suspended_.load(std::memory_order_acquire); }
  // Asks for the end after the current pass; WaitFor joins.
  void Terminate();
  void WaitFor();
  bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
  bool Started() const { return started_; }

  // Sets FPauseRequest and wakes the thread so it sees it at once.
  void SetPause(bool pause);
  // Wakes a waiting thread to look at its requests again.
  void Wake();

  // The longest a pass can wait for a datagram, so a pause handshake knows how long to wait.
  int LongestReceiveTimeoutMs() const;

  // The latest line copied during reception.
  TScanLineCopy LatestLine() const;
  // The copy of line `line` while it is among the last few received, else the latest.
  TScanLineCopy LineCopy(std::int32_t line) const;
  LPARAM AsLParam() const { return reinterpret_cast<LPARAM>(this); }
  // The window calls this for each WM_SCANLINE it takes. Line messages are posted for every line while
  // the window keeps up; a window that falls behind gets at most kMaxQueuedLineMessages of them
  // waiting, so its frame messages, queued behind them, are never held back by an ever longer queue.
  void LineMessageTaken() { queuedLines_.fetch_sub(1, std::memory_order_relaxed); }
  static constexpr std::int32_t kMaxQueuedLineMessages = 64;

  // ---- Set before Resume; the thread owns them afterwards ----
  TScanUnit FUnit;
  TLanTimings Timings;
  std::uint16_t CameraPort = kCameraPort;
  std::unique_ptr<TFrameGrabber> OtherLink; // for interface types 8, 16 and 128
  // The network link. Before the thread starts the calibration form may use it for its exchange.
  TLanLink &Link() { return link_; }

  // ---- Shared with the GUI thread ----
  TFrameMailbox Frames;
  std::atomic<bool> FAutoRange{true};
  std::atomic<bool> FLanConnected{false};
  std::atomic<bool> FUsbConnected{false};
  std::atomic<std::int32_t> FramesPosted{0};
  std::atomic<std::int32_t> PassesDone{0};

  std::int32_t LineNumber() const { return reception_.LineNumber.load(std::memory_order_acquire); }

private:
  void Execute();
  // The settings the window published since the last look, merged into FUnit.
  void TakeWindowSettings();
  TFrameResult GrabFrame(std::int32_t &rows, bool &wait);
  void Post(MessageId msg, WPARAM wParam) const;
  // Blocks until `done` holds, the thread is asked to end, or (when given) the time is up.
  void WaitUntil(const std::function<bool()> &done, int timeoutMs = -1);

  Poster post_;
  TScanRequests &requests_;
  TLanLink link_;
  TLanReceptionState reception_;
  // The window's settings as the thread last took them, and the publication they came with.
  std::shared_ptr<const TScanUnit> settingsTaken_;
  std::uint64_t settingsVersion_ = 0;
  bool started_ = false;
  bool usbFailed_ = false;
  std::atomic<bool> suspended_{true};
  std::atomic<bool> terminated_{false};
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<std::int32_t> queuedLines_{0};
  mutable std::mutex lineMutex_;
  std::deque<TScanLineCopy> recentLines_; // newest last
  std::thread thread_;
};

// The acquisition thread of the run, or nullptr.
extern TScan *Scan;

} // namespace calidarix
