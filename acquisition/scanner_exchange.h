#pragma once
// The calibration form's exchange with the camera, without the window: the scanner geometry values,
// the six live values of the scanning mechanism that follow the form's scroll bars, the Connect
// button, the 100 ms live-value timer, and Read, Write and Write-short of the parameter block.
//
// The USB camera (type 128) is reached through a pipe of the form's own (CalibrUsbPipe); the network
// cameras (256, 257, 512) through the LAN link of the acquisition thread object, which Connect
// creates (suspended) when there is none. TExchangeLanHost stands for that object.
//
// The window calls these functions from its controls and shows the state they leave: Live holds the
// six scroll bars' positions, Connected the Connect button, LiveControlsEnabled the enabled state of
// Read, Write, Write-short and the live bars, ConnectLabel the button's caption, TimerOn the timer.
// StartTimer / the timer's tick are the window's; everything runs on the GUI thread.
//
// Behaviour kept safe beyond the form's own rules:
// - the live-value reply must hold at least its six bytes, and the receive is given the capacity of
//   the buffer it fills;
// - the sector count is limited to 2..255;
// - Read, Write, Write-short and the timer's send are refused while acquisition runs;
// - values read from the camera are put into the bars with their sending muted by a guard of the
//   exchange's own, never by a flag the acquisition thread reads;
// - Read on a USB camera reads its parameter block through the form's pipe (the network read has no
//   USB counterpart in the form, which left the button without effect).

#include "acquisition/camera_commands.h"
#include "acquisition/camera_protocol.h"
#include "acquisition/camera_state.h"
#include "acquisition/usb_pipe.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace calidarix {

class IniFile;

inline constexpr int kLiveTimerMs = 100;
inline constexpr int kLiveReplyTimeoutMs = 1000;
inline constexpr std::size_t kLiveReplyCapacity = 1280;
inline constexpr std::int32_t kMinSectors = 2;
inline constexpr std::int32_t kMaxSectors = 255;

enum class TLiveBar { Speed, Resonans, Amplitude, UKadr1, UKadr2, UKadr3 };

// The acquisition thread object as the exchange needs it.
class TExchangeLanHost {
public:
  virtual ~TExchangeLanHost() = default;
  // The thread object's LAN link, or null when there is no thread object.
  virtual TCameraCommandLink *LanLink() = 0;
  // Creates the thread object (suspended) when there is none and opens its link to `address` when it
  // is not open. The link (open or not), or null when no thread object could be made.
  virtual TCameraCommandLink *EnsureLanLink(const std::string &address) = 0;
};

enum class TExchangeOutcome {
  Done,
  Failed,       // the camera did not answer, or refused the block
  NotConnected, // the Connect button is up
  Busy,         // another exchange is under way
  ScanRunning,  // refused while acquisition runs
  NoLink,       // no pipe or thread object to talk through
};
QString ExchangeOutcomeText(TExchangeOutcome outcome);

class TScannerExchange {
public:
  // `unit` is the scanning unit the form edits (the GUI thread's), `requests` the shared requests
  // (for ScanRunning). `lan` may be null: the network cameras then cannot be reached.
  TScannerExchange(TScanUnit &unit, TScanRequests &requests, TExchangeLanHost *lan,
                   std::shared_ptr<TUsbBackend> usb = DefaultUsbBackend());
  // The window that owns the acquisition thread object hands itself over once it exists.
  void SetLanHost(TExchangeLanHost *lan) { lan_ = lan; }

  // ---- Scanner geometry (the globals; sent only with the frame requests) ----
  void SetDelay(std::int32_t v);
  void SetEdge(std::int32_t v);
  void SetCenter(std::int32_t v);
  // Limited to 2..255; returns the value stored.
  std::int32_t SetSectors(std::int32_t v);

  // ---- Live values ----
  // A live scroll bar moved to `position` (by the user or by code); nothing happens when it is where
  // it was. Unless acquisition runs or Connect is under way, a UKadr bar first moves the speed bar to
  // 1, 2 or 3, and the timer is started; every bar but the speed bar marks the values as changed.
  void LiveBarChanged(TLiveBar bar, std::uint8_t position);
  // The timer's tick: it stops, and the live values go to the camera unless an exchange is under way.
  TExchangeOutcome TimerTick();
  // The live values from the camera into the bars; false when the camera did not answer.
  bool LoadParamsCAM();

  // ---- Buttons ----
  // The form was shown: the Connect button is released and the live bars disabled; nothing closes.
  void Activate();
  // The Connect button changed to `down`.
  void Connect(bool down);
  // Read: the parameter block from the camera into the unit, then the first band's sets into the
  // form's INI file (when given).
  TExchangeOutcome Read(IniFile *ini);
  TExchangeOutcome Write();
  TExchangeOutcome WriteShort();

  // ---- The form's state ----
  TLiveValues Live;
  bool Connected = false;
  bool LiveControlsEnabled = false;
  bool TimerOn = false;
  bool AutoSave = true; // the form's "AutoSave"; Connect unchecks it
  QString ConnectLabel = QStringLiteral("Connect CAM");
  std::unique_ptr<TUSBPipe> CalibrUsbPipe;
  bool CalibrExchangeBusy = false;
  bool LiveValuesChanged = false;
  bool CalibrConnecting = false;
  // How the USB exchanges wait for the camera's reply (tests make it instant).
  std::function<void(int ms)> UsbSleep;

  std::uint8_t LiveValue(TLiveBar bar) const;

private:
  bool IsUsb() const;
  bool IsLan() const;
  bool AcquisitionRunning() const { return requests_.ScanRunning.Get(); }
  // Settles a pending timer tick, checks the button and the running acquisition, and marks the
  // exchange busy; Done when the caller may go on.
  TExchangeOutcome BeginExchange();
  void SetLive(TLiveBar bar, std::uint8_t position);
  void ApplyReply(const TLiveValues &values);
  TCameraCommandLink *Lan() const { return lan_ ? lan_->LanLink() : nullptr; }

  TScanUnit &unit_;
  TScanRequests &requests_;
  TExchangeLanHost *lan_;
  std::shared_ptr<TUsbBackend> usb_;
  bool applyingReply_ = false;
};

} // namespace calidarix
