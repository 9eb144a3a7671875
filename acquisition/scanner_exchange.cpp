#include "acquisition/scanner_exchange.h"

#include "acquisition/camera_ini.h"
#include "acquisition/camera_log.h"
#include "acquisition/usb_camera_link.h"

#include <algorithm>
#include <vector>

namespace calidarix {

QString ExchangeOutcomeText(TExchangeOutcome outcome) {
  switch (outcome) {
  case TExchangeOutcome::Done:
    return QStringLiteral("Done");
  case TExchangeOutcome::Failed:
    return QStringLiteral("The camera did not answer");
  case TExchangeOutcome::NotConnected:
    return QStringLiteral("Not connected: press \"Connect CAM\" first");
  case TExchangeOutcome::Busy:
    return QStringLiteral("Another exchange with the camera is under way");
  case TExchangeOutcome::ScanRunning:
    return QStringLiteral("Not while the camera is scanning");
  case TExchangeOutcome::NoLink:
    return QStringLiteral("No link to the camera");
  }
  return {};
}

TScannerExchange::TScannerExchange(TScanUnit &unit, TScanRequests &requests, TExchangeLanHost *lan,
                                   std::shared_ptr<TUsbBackend> usb)
    : unit_(unit), requests_(requests), lan_(lan), usb_(std::move(usb)) {}

bool TScannerExchange::IsUsb() const {
  return unit_.CameraInterfaceType == CamIfUsb;
}

bool TScannerExchange::IsLan() const {
  const std::int32_t t = unit_.CameraInterfaceType;
  return t == CamIfLan2 || t == CamIfLan2Dual || t == CamIfLan3;
}

// The scanner's geometry goes to a running acquisition at once, so that its next request carries it.
void TScannerExchange::SetDelay(std::int32_t v) {
  unit_.Delay[0] = std::clamp(v, 0, 255);
  requests_.CameraSettings.Publish(unit_);
}

void TScannerExchange::SetEdge(std::int32_t v) {
  unit_.Edge[0] = std::clamp(v, 0, 255);
  requests_.CameraSettings.Publish(unit_);
}

void TScannerExchange::SetCenter(std::int32_t v) {
  unit_.Center[0] = std::clamp(v, 0, 255);
  requests_.CameraSettings.Publish(unit_);
}

std::int32_t TScannerExchange::SetSectors(std::int32_t v) {
  unit_.Sectors = std::clamp(v, kMinSectors, kMaxSectors);
  requests_.CameraSettings.Publish(unit_);
  return unit_.Sectors;
}

std::uint8_t TScannerExchange::LiveValue(TLiveBar bar) const {
  switch (bar) {
  case TLiveBar::Speed:
    return Live.Speed;
  case TLiveBar::Resonans:
    return Live.Resonans;
  case TLiveBar::Amplitude:
    return Live.Amplitude;
  case TLiveBar::UKadr1:
    return Live.UKadr1;
  case TLiveBar::UKadr2:
    return Live.UKadr2;
  case TLiveBar::UKadr3:
    return Live.UKadr3;
  }
  return 0;
}

void TScannerExchange::SetLive(TLiveBar bar, std::uint8_t position) {
  switch (bar) {
  case TLiveBar::Speed:
    Live.Speed = position;
    break;
  case TLiveBar::Resonans:
    Live.Resonans = position;
    break;
  case TLiveBar::Amplitude:
    Live.Amplitude = position;
    break;
  case TLiveBar::UKadr1:
    Live.UKadr1 = position;
    break;
  case TLiveBar::UKadr2:
    Live.UKadr2 = position;
    break;
  case TLiveBar::UKadr3:
    Live.UKadr3 = position;
    break;
  }
}

void TScannerExchange::LiveBarChanged(TLiveBar bar, std::uint8_t position) {
  if (bar == TLiveBar::Speed)
    position = std::min<std::uint8_t>(position, 3);
  if (LiveValue(bar) == position)
    return;
  SetLive(bar, position);
  if (!AcquisitionRunning() && !CalibrConnecting && !applyingReply_) {
    // A frame value belongs to its speed: moving it shows that speed on the camera.
    if (bar == TLiveBar::UKadr1)
      LiveBarChanged(TLiveBar::Speed, 1);
    else if (bar == TLiveBar::UKadr2)
      LiveBarChanged(TLiveBar::Speed, 2);
    else if (bar == TLiveBar::UKadr3)
      LiveBarChanged(TLiveBar::Speed, 3);
    TimerOn = true;
  }
  if (bar != TLiveBar::Speed)
    LiveValuesChanged = true;
}

TExchangeOutcome TScannerExchange::TimerTick() {
  TimerOn = false;
  if (AcquisitionRunning())
    return TExchangeOutcome::ScanRunning;
  if (CalibrExchangeBusy)
    return TExchangeOutcome::Busy;
  CalibrExchangeBusy = true;
  TExchangeOutcome outcome = TExchangeOutcome::NoLink;
  if (IsUsb()) {
    if (CalibrUsbPipe) {
      const TCommandBlock block = BuildLiveBlock(Live, kLongCommandSize);
      std::size_t written = 0;
      const int status = CalibrUsbPipe->WritePipe(block, written);
      outcome =
          status == kUsbPipeOk && written == block.size() ? TExchangeOutcome::Done : TExchangeOutcome::Failed;
    }
  } else if (IsLan()) {
    if (TCameraCommandLink *link = Lan())
      outcome = link->Send(BuildLiveBlock(Live, kLanCommandSize)) ? TExchangeOutcome::Done
                                                                  : TExchangeOutcome::Failed;
  }
  CalibrExchangeBusy = false;
  return outcome;
}

void TScannerExchange::ApplyReply(const TLiveValues &values) {
  applyingReply_ = true;
  LiveBarChanged(TLiveBar::Resonans, values.Resonans);
  LiveBarChanged(TLiveBar::Amplitude, values.Amplitude);
  LiveBarChanged(TLiveBar::UKadr1, values.UKadr1);
  LiveBarChanged(TLiveBar::UKadr2, values.UKadr2);
  LiveBarChanged(TLiveBar::UKadr3, values.UKadr3);
  LiveBarChanged(TLiveBar::Speed, values.Speed);
  applyingReply_ = false;
}

bool TScannerExchange::LoadParamsCAM() {
  TimerOn = false;
  if (IsUsb()) {
    if (!CalibrUsbPipe)
      return false;
    const TCommandBlock request = BuildReadRequest(CamReadLive, kLongCommandSize);
    std::size_t written = 0;
    if (CalibrUsbPipe->WritePipe(request, written) != kUsbPipeOk || written != request.size())
      return false;
    std::vector<std::uint8_t> reply(kLongCommandSize, 0);
    if (CalibrUsbPipe->ReadPipe(reply) != kUsbPipeOk)
      return false;
    const std::optional<TLiveValues> values = DecodeLiveReply(reply);
    if (!values)
      return false;
    ApplyReply(*values);
    return true;
  }
  if (!IsLan())
    return true;
  TCameraCommandLink *link = Lan();
  if (!link)
    return true; // nothing to ask
  if (!link->Send(BuildReadRequest(CamReadLive, kLanCommandSize)))
    return false;
  std::vector<std::uint8_t> reply(kLiveReplyCapacity, 0);
  const std::optional<std::size_t> received = link->Receive(reply, kLiveReplyTimeoutMs);
  if (!received)
    return false;
  reply.resize(std::min(*received, reply.size()));
  const std::optional<TLiveValues> values = DecodeLiveReply(reply);
  if (!values) {
    CameraLog(QStringLiteral("Live values: a reply of %1 bytes is too short").arg(reply.size()));
    return false;
  }
  ApplyReply(*values);
  return true;
}

void TScannerExchange::Activate() {
  Connected = false;
  LiveControlsEnabled = false;
}

void TScannerExchange::Connect(bool down) {
  Connected = down;
  CalibrConnecting = true;
  if (!AcquisitionRunning()) {
    AutoSave = false;
    if (down && IsUsb()) {
      CalibrUsbPipe = std::make_unique<TUSBPipe>(usb_);
      std::vector<std::string> devices;
      if (CalibrUsbPipe->EnumUSBDevices(devices) > 0) {
        const int status = CalibrUsbPipe->OpenPipes(devices.front());
        if (status == kUsbPipeOk) {
          LoadParamsCAM();
          ConnectLabel = QStringLiteral("USB Connected");
        } else {
          CameraLog(QString::fromStdString("USB camera: " + devices.front() + " not opened, " +
                                           UsbStatusText(status)));
          CalibrUsbPipe.reset();
          Connected = false;
        }
      } else {
        CalibrUsbPipe->ClosePipes();
        ConnectLabel = QStringLiteral("Connect USB");
      }
    } else if (down && IsLan()) {
      if (lan_)
        lan_->EnsureLanLink(unit_.CameraIP);
      if (!LoadParamsCAM() || !lan_)
        Connected = false;
    }
  }
  LiveControlsEnabled = Connected;
  CalibrConnecting = false;
}

TExchangeOutcome TScannerExchange::BeginExchange() {
  if (!Connected)
    return TExchangeOutcome::NotConnected;
  if (TimerOn)
    TimerTick(); // the pending live values go first, as the timer would have sent them
  if (AcquisitionRunning())
    return TExchangeOutcome::ScanRunning;
  if (CalibrExchangeBusy)
    return TExchangeOutcome::Busy;
  CalibrExchangeBusy = true;
  return TExchangeOutcome::Done;
}

TExchangeOutcome TScannerExchange::Read(IniFile *ini) {
  const TExchangeOutcome begun = BeginExchange();
  if (begun != TExchangeOutcome::Done)
    return begun;
  TExchangeOutcome outcome = TExchangeOutcome::NoLink;
  TLiveValues read = Live;
  if (IsUsb() || unit_.CameraInterfaceType == CamIfUsbVariant) {
    if (CalibrUsbPipe && CalibrUsbPipe->IsOpen()) {
      TUsbCameraLink link(*CalibrUsbPipe, UsbSleep);
      outcome = ReadCameraParametersUsb(unit_, link, &read) == 0 ? TExchangeOutcome::Done
                                                                 : TExchangeOutcome::Failed;
    }
  } else if (TCameraCommandLink *link = Lan()) {
    outcome =
        ReadCameraParameters(unit_, *link, &read) == 0 ? TExchangeOutcome::Done : TExchangeOutcome::Failed;
  }
  if (outcome == TExchangeOutcome::Done)
    ApplyReply(read);
  if (outcome == TExchangeOutcome::Done && ini) {
    QString error;
    if (!SaveRangeKeys(ini, unit_, &error))
      CameraLog(error);
  }
  CalibrExchangeBusy = false;
  return outcome;
}

TExchangeOutcome TScannerExchange::Write() {
  const TExchangeOutcome begun = BeginExchange();
  if (begun != TExchangeOutcome::Done)
    return begun;
  TExchangeOutcome outcome = TExchangeOutcome::NoLink;
  if (IsUsb() || unit_.CameraInterfaceType == CamIfUsbVariant) {
    if (CalibrUsbPipe) {
      TUsbCameraLink link(*CalibrUsbPipe, UsbSleep);
      outcome =
          WriteParametersUsb(unit_, Live, link) == 0 ? TExchangeOutcome::Done : TExchangeOutcome::Failed;
    }
  } else if (TCameraCommandLink *link = Lan()) {
    outcome = WriteParametersLan(unit_, Live, *link) == 0 ? TExchangeOutcome::Done : TExchangeOutcome::Failed;
  }
  CalibrExchangeBusy = false;
  return outcome;
}

TExchangeOutcome TScannerExchange::WriteShort() {
  const TExchangeOutcome begun = BeginExchange();
  if (begun != TExchangeOutcome::Done)
    return begun;
  TExchangeOutcome outcome = TExchangeOutcome::NoLink;
  if (TCameraCommandLink *link = Lan())
    outcome = WriteLiveParamsWithNumber(unit_, Live, *link) == 0 ? TExchangeOutcome::Done
                                                                 : TExchangeOutcome::Failed;
  CalibrExchangeBusy = false;
  return outcome;
}

} // namespace calidarix
