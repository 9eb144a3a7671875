#pragma once
// The state of the scanning cameras: interface types, geometry, calibration, blind (reference) and
// status values, frame buffers, and the requests through which the GUI thread steers the
// acquisition thread.
//
// Ownership between threads:
// - TScanUnit is plain data owned by one thread. The global ScanUnit is the GUI thread's; the
//   acquisition thread works on a copy of its own. What that thread produces reaches the GUI thread
//   only as an immutable frame value (camera_frame.h), which carries the working calibration the
//   thread used; the GUI takes from it only what the thread changed and the GUI did not.
// - TScanRequests holds what the two threads tell each other between frames (pending speed and
//   range, pause, skip, focus requests, mode flags). Each is an atomic written with release and read
//   with acquire order, so a value written before a flag is seen by whoever sees the flag. The
//   window's edits of the camera settings travel there too (camera_settings.h).

#include "acquisition/camera_settings.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace calidarix {

// Camera interface types (CameraInterfaceType).
enum : std::int32_t {
  CamIfLptLevel = 8,     // parallel port with level and range converters
  CamIfLpt = 16,         // parallel port (start-up default)
  CamIfLan = 32,         // UDP, frame request command 0
  CamIfLanDual = 64,     // UDP, two bands side by side
  CamIfUsb = 128,        // USB pipes, 256-byte blocks
  CamIfUsbVariant = 129, // accepted by a few USB routines; nothing sets it
  CamIfLan2 = 256,       // UDP, command 1 (5 in line mode)
  CamIfLan2Dual = 257,   // as 256, two bands
  CamIfLan3 = 512,       // UDP, command 8 with the width in the sector field
};

// The types the acquisition loop serves; any other type ends every frame with result 1000.
bool IsServedInterfaceType(std::int32_t type);
// Dual band means 64 or 257 throughout the program.
bool IsDualBandType(std::int32_t type);

// Camera serial numbers whose frame requests differ.
inline constexpr std::int32_t kCamera1002 = 1002;
inline constexpr std::int32_t kCamera339 = 339;
inline constexpr std::int32_t kCamera314 = 314;

// Sectors value that selects line mode.
inline constexpr std::int32_t kLineModeSectors = 255;
// A request value of 255 means "nothing asked".
inline constexpr std::uint8_t kNoRequest = 255;

// The absolute zero of every Kelvin conversion, held in single precision as the camera model has it.
inline constexpr float AbsoluteZero = -273.15f;

// Largest scan width or height taken from a camera or a set-up file.
inline constexpr std::int32_t kMaxScanSide = 8192;

// Battery words that bound the linear percentage mapping.
inline constexpr std::uint16_t BatteryRawEmpty = 765;
inline constexpr std::uint16_t BatteryRawFull = 905;

// Focus motor limits that every focus command sends.
inline constexpr std::uint16_t kFocusMotorMin = 9184;
inline constexpr std::uint16_t kFocusMotorMax = 9472;

// Full scale of the focus slider of the main window. It is a different quantity from the motor
// limit FocusMax and is kept apart from it.
inline constexpr std::uint16_t kFocusSliderMaxDefault = 162;

// Nine calibration values of one band: A and B of ranges 1 to 3, then the three signal offsets.
struct TCalibrationSet {
  double Exp1A = 0.0;
  double Exp1B = 0.0;
  double Exp2A = 0.0;
  double Exp2B = 0.0;
  double Exp3A = 0.0;
  double Exp3B = 0.0;
  double Signal10 = 0.0;
  double Signal20 = 0.0;
  double Signal30 = 0.0;
  bool operator==(const TCalibrationSet &) const = default;
};

struct TScanUnit {
  // ---- Identity and geometry ----
  std::int32_t CameraInterfaceType = CamIfLpt;
  std::int32_t CameraNo = 0;
  std::string CameraIP = "192.168.0.32";
  std::int32_t ScanWidth = 0; // pixels per scan line (set-up file or camera)
  std::int32_t ScanHeight = 0;
  std::int32_t FrameWidth = 256; // size of the frame being received
  std::int32_t FrameHeight = 124;
  std::int32_t Sectors = 0;         // mirror sectors per line; 255 line mode, 4 quarter mode
  std::int32_t SectorsExtended = 0; // entries of the default table after its middle was split
  std::int32_t Sinus = 0;           // 1 selects the sinusoidal sector table
  std::int32_t FrameMultiplier = 0;
  // Element 0 is in use; 1 and 2 are the values for speeds above 0 and speed 0 of cameras 339, 314.
  std::array<std::int32_t, 3> Delay{};
  std::array<std::int32_t, 3> Edge{};
  std::array<std::int32_t, 3> Center{};
  // Signal set-point of the reference; 1 and 2 are the two bands of a dual-band camera.
  std::array<std::uint16_t, 3> Set{2500, 0, 0};
  std::uint8_t Speed = 2;            // 0..3
  std::uint8_t CalibrationRange = 0; // 0..2
  std::uint16_t ScanArcH = 3600;     // 1/180 degree
  std::uint16_t ScanArcV = 3240;
  std::int32_t StripUp = 0;
  std::int32_t StripDown = 0;
  std::int32_t StripHiSpeed = 0;
  std::int32_t StripLoSpeed = 0;
  std::int32_t HorStep = 0;
  std::int32_t VerStep = 0;

  // ---- Calibration ----
  // Ranges 1 to 3 of a single-band camera.
  double Exp_A = 0.0;
  double Exp_B = 0.0;
  double Signal0 = 0.0;
  double Exp2_A = 0.0;
  double Exp2_B = 0.0;
  double Signal20 = 0.0;
  double Exp3_A = 0.0;
  double Exp3_B = 0.0;
  double Signal30 = 0.0;
  std::array<std::uint8_t, 3> Amplification{};
  // Low-signal curve of range 1, in use below Set[0] when TwoCurves is set.
  double Exp_AL = 0.0;
  double Exp_BL = 0.0;
  double Signal0L = 0.0;
  bool TwoCurves = false;
  // Dual band.
  TCalibrationSet Band1Coefficients;
  TCalibrationSet Band2Coefficients;
  std::array<std::uint8_t, 3> AmplificationBand1{};
  std::array<std::uint8_t, 3> AmplificationBand2{};
  // Working values of the selected range.
  double CurExpA = 6.0e7;
  double CurExpB = 3000.0;
  double CurSignal0 = 1000.0;
  double CurExpAL = 0.0;
  double CurExpBL = 0.0;
  double CurSignal0L = 0.0;
  std::uint8_t CurAmplification = 0;
  double CurBand1ExpA = 0.0;
  double CurBand1ExpB = 0.0;
  double CurBand1Signal0 = 0.0;
  double CurBand2ExpA = 0.0;
  double CurBand2ExpB = 0.0;
  double CurBand2Signal0 = 0.0;
  std::uint8_t CurAmplificationBand1 = 0;
  std::uint8_t CurAmplificationBand2 = 0;
  std::uint8_t CalibrationBand = 0; // band whose coefficients the calibration form edits
  // Calibration conditions kept for the calibration form.
  double Emissivity = 0.0;
  double Ambient = 0.0;
  double RefPoint = 0.0;
  bool isRefPoint = false;

  // ---- Reference (blind) and drift correction ----
  bool AddTermoDelta = true;
  float TermoDelta = 0.0f; // degrees Celsius added to the body temperature
  std::uint16_t BlindSignal = 0;
  std::uint16_t BlindSignalBand1 = 0;
  std::uint16_t BlindSignalBand2 = 0;
  bool BlindLow = false;
  double BlindNetSignal = 0.0;
  double BlindExpectedSignal = 0.0;
  float BlindTemperature = 0.0f;
  double BlindCorrection = 0.0;
  double BlindCorrectionMain = 0.0;
  double BlindCorrectionLow = 0.0;
  std::uint16_t BandReference1 = 0;
  std::uint16_t BandReference2 = 0;
  std::uint16_t StripStartBlind = 0;
  std::uint16_t StripStartBand1 = 0;
  std::uint16_t StripStartBand2 = 0;

  // ---- Status decoded from the camera ----
  std::array<std::uint16_t, 7> StatusWords{};
  std::int16_t BodyTemperatureRaw = 0; // 1/256 degree Celsius
  float CameraTemperature = 20.0f;
  std::uint16_t BatteryRaw = 0;
  std::uint8_t CameraBatteryPercent = 0; // 1..100, 0 = no value

  // ---- Frames ----
  std::vector<std::uint16_t> FrameBuffer;
  std::vector<std::uint16_t> DisplayFrame;
  std::int32_t DisplayFrameWidth = 0;
  std::int32_t DisplayFrameHeight = 0;
  std::uint8_t DisplaySpeed = 0;
  std::uint8_t DisplayRange = 0;
  std::int32_t FrameMin = 0;
  std::int32_t FrameMax = 0;
  std::int32_t FrameMinBand1 = 0;
  std::int32_t FrameMaxBand1 = 0;
  std::int32_t FrameMinBand2 = 0;
  std::int32_t FrameMaxBand2 = 0;
  std::int32_t DisplayFrameMin = 0;
  std::int32_t DisplayFrameMax = 0;
  std::int32_t DisplayFrameMinBand1 = 0;
  std::int32_t DisplayFrameMaxBand1 = 0;
  std::int32_t DisplayFrameMinBand2 = 0;
  std::int32_t DisplayFrameMaxBand2 = 0;
  std::vector<std::uint16_t> SignalLut = std::vector<std::uint16_t>(65536, 0);
  double LineRate = 0.0;

  // ---- Frame state of the thread that owns this copy ----
  bool LineModeFrame = false;
  bool QuarterPhase = false;
  bool PixelsBigEndian = true;
  bool FrameTimed = false;
  std::int32_t FramePeriodMs = 0;
  std::uint16_t FocusMin = 0; // focus motor limits, set by every focus command
  std::uint16_t FocusMax = 0;
  std::int32_t AutoFocusStep = 0;
  std::int32_t ScanPriority = 0;

  // ---- Parallel port ----
  std::uint16_t LptPortBase = 888;
  std::uint16_t LptDataPort = 888;
  std::uint16_t LptStatusPort = 889;
  std::uint16_t LptControlPort = 890;
  std::uint8_t Level = 190;
  std::uint8_t Range = 40;
  std::uint8_t BlindLevel = 200;
  std::uint8_t BlindRange = 20;
  std::uint8_t VirLev = 0;
  std::int32_t VirtualZero = -2360;
  double KLevel = 0.0;
  double Termo_A = 0.0;
  double Termo_B = 0.0;
  std::uint8_t LptErrorCode = 0;
};

// A value shared by the GUI thread and the acquisition thread: written with release, read with
// acquire order.
template <typename T> class TShared {
public:
  constexpr explicit TShared(T initial = T{}) : value_(initial) {}
  TShared(const TShared &) = delete;
  TShared &operator=(const TShared &) = delete;

  T Get() const { return value_.load(std::memory_order_acquire); }
  void Set(T v) { value_.store(v, std::memory_order_release); }
  // Takes the value and leaves `replacement`, in one step, so that a request written meanwhile is
  // never lost.
  T Exchange(T replacement) { return value_.exchange(replacement, std::memory_order_acq_rel); }

private:
  std::atomic<T> value_;
};

struct TScanRequests {
  TShared<std::uint8_t> PendingSpeed{kNoRequest};
  TShared<std::uint8_t> PendingRange{kNoRequest};
  TShared<bool> BlindCorrectionOn{true};
  TShared<bool> LaserOn{false};
  TShared<bool> FixedLineMode{false};
  TShared<std::int32_t> FixedLinePosition{0}; // 1..119
  TShared<bool> LineModeShotRequest{false};
  TShared<bool> LineModeTimingRequest{false};
  TShared<bool> FrameTimingOn{false};
  TShared<bool> FilmRecording{false};
  TShared<bool> GrabFrameRequest{false};
  TShared<bool> VideoOn{false};
  TShared<bool> HeadConnected{false};
  TShared<bool> StripScanning{false};
  TShared<bool> PanByFramesActive{false};
  TShared<bool> PanHeadSettled{false};
  TShared<bool> PanFrameReady{false};
  TShared<bool> SuppressLineMessages{false};
  TShared<std::uint8_t> StripStep{0};
  TShared<std::int32_t> StripLineCount{0};
  TShared<bool> ScanRunning{false};
  // The acquisition thread's requests: pause (acknowledged by FPostEnabled), skip the next frame,
  // move the focus motor, run an auto-focus.
  TShared<bool> FPauseRequest{false};
  TShared<bool> FPostEnabled{false};
  TShared<bool> FSkipNextFrame{false};
  TShared<bool> FFocusRequest{false};
  TShared<bool> FAutoFocusRequest{false};
  TShared<double> FocusRequestFraction{0.0}; // 0..1, written before FFocusRequest
  // The window's camera settings, taken by the thread before its next frame request.
  TCameraSettingsChannel CameraSettings;

  void Reset();
};

// The mode flags a frame request reads, taken from the requests once per request.
struct TFrameModes {
  bool LaserOn = false;
  bool FixedLineMode = false;
  std::int32_t FixedLinePosition = 0;
  bool HeadConnected = false;
  bool StripScanning = false;
  std::uint8_t StripStep = 0;
};
TFrameModes SnapshotFrameModes(const TScanRequests &requests);

// A band's nine values become the single-band calibration of ranges 1 to 3 (Exp_A ... Signal30).
void SetSingleBandCoefficients(TScanUnit &unit, const TCalibrationSet &coefficients);

// The GUI thread's camera state and the shared requests.
extern TScanUnit ScanUnit;
extern TScanRequests ScanRequests;
// Full scale of the main window's focus slider (162 at start).
extern std::uint16_t FocusSliderMax;

// Back to the start-of-run state, log sink and detailed log off included (tests call this).
void ResetCameraState();

} // namespace calidarix
