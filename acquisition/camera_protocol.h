#pragma once
// Command blocks of the LAN and USB scanning cameras and the decoding of their replies.
//
// Every block is a fixed-size byte array whose first byte is the command code. Integers travel
// big-endian, calibration values as IEEE single-precision floats in little-endian byte order, and
// one-byte fields hold the low byte of their value. Each block is built from zero, so no byte of an
// earlier command is ever sent again.
//
// Replies are untrusted: a reply shorter than its block is refused, and the interface type, the
// scan geometry and every float are checked before anything of the reply reaches the camera state.

#include "acquisition/camera_state.h"
#include "acquisition/sector_tables.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace calidarix {

// Command codes (byte 0).
enum : std::uint8_t {
  CamCmdFrame = 0,     // frame request of types 32 and 64
  CamCmdFrame2 = 1,    // frame request of types 256, 257 and of the USB camera
  CamCmdWrite = 2,     // write parameters; byte 1 is the write kind
  CamCmdRead = 3,      // read a block; byte 1 is the read kind; also the strip step 3 request
  CamCmdFocus = 4,     // move the focus motor
  CamCmdFrameLine = 5, // frame request of types 256 and 257 in line mode
  CamCmdStop = 7,
  CamCmdFrame3 = 8, // frame request of type 512; also a bare command
};

// Write kinds (byte 1 of CamCmdWrite).
enum : std::uint8_t { CamWriteLive = 6, CamWriteLiveNumber = 8, CamWriteAll = 78 };
// Read kinds (byte 1 of CamCmdRead).
enum : std::uint8_t { CamReadLive = 6, CamReadParamsUsb = 65, CamReadParams = 80, CamReadDescriptor = 128 };

// Sizes on the wire.
inline constexpr std::size_t kLanCommandSize = 64;
inline constexpr std::size_t kLanParameterBlockSize = 80;
inline constexpr std::size_t kLongCommandSize = 256; // LAN read request, live number, every USB command
inline constexpr std::size_t kParameterReplyLanSize = 80;
inline constexpr std::size_t kParameterReplyUsbSize = 256;
inline constexpr std::size_t kDescriptorSize = 128;
inline constexpr std::size_t kLiveReplySize = 6;

// Sector entries a frame request can carry after its 10-byte head (18 for camera 1002).
inline constexpr std::int32_t kLanRequestEntries = 27;
inline constexpr std::int32_t kUsbRequestEntries = 123;
inline constexpr std::int32_t kCamera1002RequestEntries = 23;

using TCommandBlock = std::vector<std::uint8_t>;

// The six live values of the scanning mechanism, held by the calibration form's scroll bars.
struct TLiveValues {
  std::uint8_t Speed = 0;
  std::uint8_t Resonans = 0;
  std::uint8_t Amplitude = 0;
  std::uint8_t UKadr1 = 0;
  std::uint8_t UKadr2 = 0;
  std::uint8_t UKadr3 = 0;

  bool operator==(const TLiveValues &) const = default;
};

// A frame request, or the reason it was refused (its block is then empty). Building one fills the
// sector table and, for the default table, the unit's SectorsExtended.
struct TFrameRequest {
  TCommandBlock Block;
  std::int32_t Entries = 0;
  QString Error;

  bool Ok() const { return Error.isEmpty(); }
};

// Cameras 339 and 314 carry two geometries; element 0 takes the one of the current speed.
void SelectSpeedGeometry(TScanUnit &unit);

TFrameRequest BuildFrameRequestLan(TScanUnit &unit, const TFrameModes &modes, TSectorTable &table);
TFrameRequest BuildFrameRequest1002(TScanUnit &unit, TSectorTable &table);
TFrameRequest BuildFrameRequestUsb(TScanUnit &unit, const TFrameModes &modes, TSectorTable &table);
// Camera 1002 (dual band, type 64) has a request of its own.
bool UsesCamera1002Request(const TScanUnit &unit);

// The full parameter block (CamWriteAll): 80 bytes, or the same 80 in a block of `size` bytes.
TCommandBlock BuildParameterBlock(const TScanUnit &unit, const TLiveValues &live,
                                  std::size_t size = kLanParameterBlockSize);
// The live values alone (CamWriteLive), 64 bytes on LAN, 256 on USB.
TCommandBlock BuildLiveBlock(const TLiveValues &live, std::size_t size);
// The live values and the camera number (CamWriteLiveNumber), 256 bytes.
TCommandBlock BuildLiveNumberBlock(const TScanUnit &unit, const TLiveValues &live);
TCommandBlock BuildReadRequest(std::uint8_t kind, std::size_t size);
TCommandBlock BuildFocusCommand(std::uint16_t focusMin, std::uint16_t focusMax, std::uint16_t target,
                                std::uint8_t step, std::uint8_t flag);
TCommandBlock BuildStopCommand(std::size_t size);
TCommandBlock BuildCommand8(std::size_t size);

// Content of a parameter reply (the parameter block without its two head bytes).
struct TCameraParameters {
  TLiveValues Live;
  std::int32_t CameraNo = 0;
  std::int32_t ScanWidth = 0;
  std::int32_t ScanHeight = 0;
  std::int32_t Sectors = 0;
  std::int32_t Delay = 0;
  std::int32_t Edge = 0;
  std::int32_t Center = 0;
  std::uint16_t Set = 0;
  float TermoDelta = 0.0f;
  std::array<std::uint8_t, 3> Amplification{};
  double Exp_A = 0.0;
  double Exp_B = 0.0;
  double Signal0 = 0.0;
  double Exp2_A = 0.0;
  double Exp2_B = 0.0;
  double Signal20 = 0.0;
  double Exp3_A = 0.0;
  double Exp3_B = 0.0;
  double Signal30 = 0.0;
  // Only the LAN reply speaks of the low-signal curve; the USB reply leaves it as it is.
  bool HasCurveMarker = false;
  bool TwoCurves = false;
  double Exp_AL = 0.0;
  double Exp_BL = 0.0;
  double Signal0L = 0.0;
};

// nullopt (and the reason in `error`) for a refused reply.
std::optional<TCameraParameters> DecodeParameterReplyLan(std::span<const std::uint8_t> reply,
                                                         QString *error = nullptr);
std::optional<TCameraParameters> DecodeParameterReplyUsb(std::span<const std::uint8_t> reply,
                                                         QString *error = nullptr);
// Stores a decoded reply and makes the selected range's values the working ones.
void ApplyCameraParameters(TScanUnit &unit, const TCameraParameters &parameters);

struct TCameraDescriptor {
  std::int32_t CameraNo = 0;
  std::int32_t CameraInterfaceType = 0;
  std::int32_t ScanWidth = 0;
  std::int32_t ScanHeight = 0;
  std::int32_t Sectors = 0;
  std::int32_t Delay = 0;
  std::int32_t Edge = 0;
  std::int32_t Center = 0;
  std::uint16_t Set1 = 0;
  std::uint16_t Set2 = 0;
  float TermoDelta = 0.0f;
  TCalibrationSet Band1;
  TCalibrationSet Band2;
  std::array<std::uint8_t, 3> AmplificationBand1{};
  std::array<std::uint8_t, 3> AmplificationBand2{};
};

std::optional<TCameraDescriptor> DecodeCameraDescriptor(std::span<const std::uint8_t> reply,
                                                        QString *error = nullptr);
// Stores a descriptor: band 1 becomes the single-band calibration, range 1 the working curve, and
// the low-signal curve is dropped.
void ApplyCameraDescriptor(TScanUnit &unit, const TCameraDescriptor &descriptor);

// Reply to the live-value request: Speed, Resonans, Amplitude, UKadr1, UKadr2, UKadr3.
std::optional<TLiveValues> DecodeLiveReply(std::span<const std::uint8_t> reply);

} // namespace calidarix
