#include "acquisition/frame_grabbers.h"

#include "acquisition/camera_log.h"
#include "platform/inifile.h"

#include <utility>

namespace calidarix {

TFrameResult FrameResultOfLink(const TFrameResult &link) {
  if (link.Kind == 0)
    return TFrameResult{kFrameComplete, 0, 0};
  return TFrameResult{kFrameLinkFailure, link.Line, link.Kind};
}

namespace {

TFrameResult NotOpened() {
  return TFrameResult{kFrameLinkFailure, 0, kCodeLinkNotOpened};
}

} // namespace

// ---- USB ----

TUsbFrameGrabber::TUsbFrameGrabber(std::shared_ptr<TUsbBackend> backend, int timeoutMs,
                                   TUsbCameraLink::Sleeper sleep)
    : backend_(backend ? std::move(backend) : DefaultUsbBackend()), timeoutMs_(timeoutMs),
      sleep_(std::move(sleep)) {}

TUsbFrameGrabber::~TUsbFrameGrabber() {
  link_.reset();
  CameraUsbDisconnect(connection_);
}

TFrameResult TUsbFrameGrabber::Grab(TScanUnit &unit, TScanRequests &requests, std::int32_t &rows) {
  rows = 0;
  if (!connection_.FUsbConnected) {
    if (!CameraUsbConnect(connection_, backend_)) {
      if (!failureLogged_)
        CameraLog(QStringLiteral("USB camera: no camera could be opened"));
      failureLogged_ = true;
      return NotOpened();
    }
    failureLogged_ = false;
    if (timeoutMs_ > 0)
      connection_.FUsbPipe->SetTimeoutMs(timeoutMs_);
    link_ = std::make_unique<TUsbCameraLink>(*connection_.FUsbPipe, sleep_);
  }
  return FrameResultOfLink(ReceiveUsbFrame(unit, requests, table_, *link_, rows));
}

int TUsbFrameGrabber::SendStop(const TScanUnit &unit) {
  if (!connection_.FUsbConnected || !link_)
    return -1;
  return SendStopCommand(unit, *link_);
}

void TUsbFrameGrabber::Close(TScanUnit & /*unit*/, TScanRequests & /*requests*/) {
  link_.reset();
  CameraUsbDisconnect(connection_);
}

// ---- Parallel port ----

TLptFrameGrabber::TLptFrameGrabber(std::int32_t type, PortOpener open, TLptClock clock,
                                   std::function<bool()> autoRange)
    : type_(type), open_(std::move(open)), clock_(clock ? std::move(clock) : SteadyLptClock()),
      autoRange_(std::move(autoRange)) {}

TLptFrameGrabber::~TLptFrameGrabber() = default;

TFrameResult TLptFrameGrabber::Grab(TScanUnit &unit, TScanRequests &requests, std::int32_t &rows) {
  rows = 0;
  if (!camera_) {
    QString error = QStringLiteral("no port access in this build");
    port_ = open_ ? open_(unit, error) : nullptr;
    if (!port_) {
      // Logged once: the thread tries again every pass.
      if (!failureLogged_)
        CameraLog(QStringLiteral("Parallel-port camera: the port at %1 could not be opened: %2")
                      .arg(unit.LptPortBase)
                      .arg(error));
      failureLogged_ = true;
      return NotOpened();
    }
    failureLogged_ = false;
    camera_ = std::make_unique<TLptCamera>(*port_, clock_);
  }
  if (type_ == CamIfLptLevel) {
    ApplyLptRequests(unit, levelRequests_);
    const bool autoRange = autoRange_ ? autoRange_() : true;
    return FrameResultOfLink(camera_->GrabFrameLptLevel(unit, requests, autoRange, rows));
  }
  return FrameResultOfLink(camera_->GrabFrameLpt(unit, requests, rows));
}

void TLptFrameGrabber::Close(TScanUnit &unit, TScanRequests &requests) {
  if (!camera_)
    return;
  if (type_ == CamIfLptLevel)
    camera_->CloseLptLevel(unit);
  else if (!camera_->CloseLpt(unit, requests))
    CameraLog(QStringLiteral("Parallel-port camera: the closing command was not acknowledged (code 0x%1)")
                  .arg(unit.LptErrorCode, 0, 16));
  camera_.reset();
  port_.reset();
}

// ---- Choice ----

std::unique_ptr<TFrameGrabber> MakeFrameGrabber(const TScanUnit &unit, TFrameGrabberBackends backends) {
  switch (unit.CameraInterfaceType) {
  case CamIfUsb:
    return std::make_unique<TUsbFrameGrabber>(std::move(backends.Usb), backends.UsbTimeoutMs,
                                              std::move(backends.UsbSleep));
  case CamIfLpt:
  case CamIfLptLevel:
    return std::make_unique<TLptFrameGrabber>(unit.CameraInterfaceType, std::move(backends.OpenPort),
                                              std::move(backends.LptClock), std::move(backends.AutoRange));
  default:
    return nullptr;
  }
}

TFrameGrabberBackends ProgramFrameGrabberBackends(const TScanUnit &unit, const IniFile &ini) {
  TFrameGrabberBackends backends;
  backends.Usb = DefaultUsbBackend();
  const std::string device = ParallelDeviceFromSettings(ini, unit.LptPortBase);
  backends.OpenPort = [device](const TScanUnit &u, QString &error) -> std::shared_ptr<TParallelPortIo> {
    if (device.empty()) {
      error = QStringLiteral("no port device is configured for this base");
      return nullptr;
    }
    auto port = std::make_shared<TParallelPortSet>();
    if (!port->Open(device, u.LptPortBase, &error))
      return nullptr;
    return port;
  };
  return backends;
}

} // namespace calidarix
