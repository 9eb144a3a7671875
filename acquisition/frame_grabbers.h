#pragma once
// The frame sources of the USB camera (interface type 128) and the parallel-port cameras (types 16
// and 8) for the acquisition thread (TScan::OtherLink).
//
// Each grabber opens its link on the first Grab and closes it in Close, which the thread calls when
// it ends. The links report their own numbers (USB 1, 2, 4, 5, 22; parallel port 0x51, 0x52, 0xA1,
// 0xA2, 0xA3, 0x50); the grabbers hand them over as the thread's frame results: a complete frame, or
// a link failure whose Code is the link's number, so that no link number can be read as another kind
// of result. A link that cannot be opened gives a link failure with kCodeLinkNotOpened and is tried
// again on the next Grab.
//
// The backends are injected: the running program uses libusb and the ppdev port of its settings
// (ProgramFrameGrabberBackends), the tests the simulated cameras.

#include "acquisition/lpt_camera_link.h"
#include "acquisition/parallel_port.h"
#include "acquisition/scan_thread.h"
#include "acquisition/sector_tables.h"
#include "acquisition/usb_camera_link.h"
#include "acquisition/usb_pipe.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace calidarix {

class IniFile;

// The link of the camera could not be opened (no camera listed, the port refused).
inline constexpr std::int32_t kCodeLinkNotOpened = -20;

// The frame result of the thread for a link's own number (0 complete, else its failure code).
TFrameResult FrameResultOfLink(const TFrameResult &link);

class TUsbFrameGrabber : public TFrameGrabber {
public:
  // timeoutMs: time-out of one pipe transfer (0 keeps the pipe's own); sleep: the pause after a
  // request that was not written (empty: the thread sleeps).
  explicit TUsbFrameGrabber(std::shared_ptr<TUsbBackend> backend, int timeoutMs = 0,
                            TUsbCameraLink::Sleeper sleep = {});
  ~TUsbFrameGrabber() override;

  TFrameResult Grab(TScanUnit &unit, TScanRequests &requests, std::int32_t &rows) override;
  void Close(TScanUnit &unit, TScanRequests &requests) override;
  bool Connected() const override { return connection_.FUsbConnected; }
  // The camera's stop command through the open pipe, while the thread is held in its pause: 0 sent,
  // 1 not written, -1 no pipe open.
  int SendStop(const TScanUnit &unit);

private:
  std::shared_ptr<TUsbBackend> backend_;
  int timeoutMs_;
  TUsbCameraLink::Sleeper sleep_;
  TUsbConnection connection_;
  std::unique_ptr<TUsbCameraLink> link_;
  TSectorTable table_{};
  bool failureLogged_ = false;
};

class TLptFrameGrabber : public TFrameGrabber {
public:
  // Opens the port of the camera at unit.LptPortBase; null, with the reason, when it cannot.
  using PortOpener = std::function<std::shared_ptr<TParallelPortIo>(const TScanUnit &unit, QString &error)>;

  // type: CamIfLpt or CamIfLptLevel. autoRange: whether a type-8 frame adjusts level and range
  // (empty: always).
  TLptFrameGrabber(std::int32_t type, PortOpener open, TLptClock clock = SteadyLptClock(),
                   std::function<bool()> autoRange = {});
  ~TLptFrameGrabber() override;

  TFrameResult Grab(TScanUnit &unit, TScanRequests &requests, std::int32_t &rows) override;
  void Close(TScanUnit &unit, TScanRequests &requests) override;
  bool Connected() const override { return camera_ != nullptr; }

  // Level and range asked of a type-8 camera by the GUI thread; applied before the next frame.
  TLptRequests &LevelRequests() { return levelRequests_; }

private:
  std::int32_t type_;
  PortOpener open_;
  TLptClock clock_;
  std::function<bool()> autoRange_;
  TLptRequests levelRequests_;
  std::shared_ptr<TParallelPortIo> port_;
  std::unique_ptr<TLptCamera> camera_;
  bool failureLogged_ = false;
};

// What the grabbers are built with.
struct TFrameGrabberBackends {
  std::shared_ptr<TUsbBackend> Usb; // null: DefaultUsbBackend()
  int UsbTimeoutMs = 0;
  TUsbCameraLink::Sleeper UsbSleep;
  TLptFrameGrabber::PortOpener OpenPort; // null: the parallel-port cameras cannot be reached
  TLptClock LptClock;                    // null: the steady clock
  std::function<bool()> AutoRange;       // null: always on
};

// The grabber for the unit's CameraInterfaceType: USB for 128, parallel port for 16 and 8; null for
// the network types and the types no link serves.
std::unique_ptr<TFrameGrabber> MakeFrameGrabber(const TScanUnit &unit, TFrameGrabberBackends backends);

// The running program's backends: libusb, and the ppdev port configured for the unit's port base.
TFrameGrabberBackends ProgramFrameGrabberBackends(const TScanUnit &unit, const IniFile &ini);

} // namespace calidarix
