#pragma once
// The camera commands as exchanges over a link: frame requests, parameter reads and writes, focus
// moves and stops. The UDP and USB links implement TCameraCommandLink; tests use a scripted one.
//
// Results follow the camera routines' convention: 0 success, 1 failure (the focus routines return
// true when the command went out). A write that does not go out is a failure, never reported as
// success.

#include "acquisition/camera_protocol.h"
#include "acquisition/camera_state.h"
#include "acquisition/sector_tables.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace calidarix {

class TCameraCommandLink {
public:
  virtual ~TCameraCommandLink() = default;
  virtual bool Connected() const = 0;
  // True when every byte of the block went out.
  virtual bool Send(std::span<const std::uint8_t> block) = 0;
  // One reply of at most buffer.size() bytes within timeoutMs: the bytes read, or nullopt.
  virtual std::optional<std::size_t> Receive(std::span<std::uint8_t> buffer, int timeoutMs) = 0;
  // Gives the camera time before its reply is read.
  virtual void Pause(int ms) = 0;
};

// Waits and time-outs of the exchanges, in milliseconds.
inline constexpr int kParameterReadPauseMs = 500;
inline constexpr int kParameterReadTimeoutMs = 2000;
inline constexpr int kDescriptorPauseMs = 200;
inline constexpr int kDescriptorTimeoutMs = 1000;
inline constexpr int kUsbReplyPauseMs = 100;
inline constexpr int kUsbRetryPauseMs = 100;
// Largest datagram the LAN link reads at once.
inline constexpr std::size_t kLanDatagramSize = 1472;

// Frame requests: the LAN request (or camera 1002's), then the USB request. A request whose sector
// entries do not fit its block is refused and logged.
int SendFrameRequest(TScanUnit &unit, const TFrameModes &modes, TSectorTable &table,
                     TCameraCommandLink &link);
int SendFrameRequestUsb(TScanUnit &unit, const TFrameModes &modes, TSectorTable &table,
                        TCameraCommandLink &link);

int WriteParametersLan(const TScanUnit &unit, const TLiveValues &live, TCameraCommandLink &link);
int WriteParametersUsb(const TScanUnit &unit, const TLiveValues &live, TCameraCommandLink &link);
int WriteLiveParamsWithNumber(const TScanUnit &unit, const TLiveValues &live, TCameraCommandLink &link);

// Parameter and descriptor reads. A missing, short or refused reply changes nothing and is logged.
// `live` (when given) receives the six live values of the reply.
int ReadCameraParameters(TScanUnit &unit, TCameraCommandLink &link, TLiveValues *live = nullptr);
int ReadCameraDescriptor(TScanUnit &unit, TCameraCommandLink &link);
int ReadCameraParametersUsb(TScanUnit &unit, TCameraCommandLink &link, TLiveValues *live = nullptr);

// The lines the detailed log gets after a LAN parameter read, label then value.
QStringList ParameterLogLines(const TCameraParameters &parameters);

// Focus motor. Every focus routine first sets FocusMin and FocusMax to the motor's limits.
bool SendFocusCommand(TScanUnit &unit, TCameraCommandLink &link, std::uint16_t target, std::uint8_t step,
                      std::uint8_t flag);
bool FocusToMin(TScanUnit &unit, TCameraCommandLink &link);
bool FocusToFraction(TScanUnit &unit, TCameraCommandLink &link, double fraction);
bool StartAutoFocus(TScanUnit &unit, TCameraCommandLink &link);
// GUI side: asks the acquisition thread to move the focus before its next frame request.
void RequestFocusPosition(TScanRequests &requests, double fraction);

int SendStopCommand(const TScanUnit &unit, TCameraCommandLink &link);
int SendCommand8(const TScanUnit &unit, TCameraCommandLink &link);

} // namespace calidarix
