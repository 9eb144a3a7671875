#pragma once
// Installation settings from "Calidarix.ini": metro mode and display aspect, the drive for films,
// the pan/tilt head geometry, the camera and its calibration, and service mode.
//
// The file is the one ProgramIniPath() finds (beside the program, else in the configuration
// folder); the marker file "service.mode" is looked for in the program folder only, and only its
// existence counts. The main window copies the result into its fields and the globals of the
// thermogram, acquisition and head modules; the struct's initial values are the start values those
// have before the file is read.
//
// Values are read with the INI rules of platform/inifile.h (integers decimal or "$", "0x", "0X"
// hexadecimal, reals with "." whatever the locale, a missing or unconvertible value gives the
// default). On top of that, values that would break the program count as missing: frame sizes
// outside 1 .. kMaxFrameSide or not a number (and then the loader returns false: the camera cannot
// be used), a drive letter that is not one letter, an aspect width or height below 1, head turn
// counts below 1, strip line counts outside 1 .. 65535 and port bases outside 0 .. 0xFFFD.

#include "acquisition/camera_state.h"
#include "platform/inifile.h"

#include <QString>

#include <array>
#include <cstdint>
#include <filesystem>

namespace calidarix {

inline constexpr std::int32_t kMaxFrameSide = 8192;

// Head and panorama geometry (head module globals).
struct IniHeadGeometry {
  std::uint16_t ScanArcH = 3600; // 1/180 degree
  std::uint16_t ScanArcV = 3240;
  std::int32_t RatioHor = 4049252;
  std::int32_t RatioHorTurns = 4;
  std::int32_t RatioVer = 4049117;
  std::int32_t RatioVerTurns = 4;
  std::int32_t HorizonCorrection = 3000;
  std::int32_t FrameTilt = 0;
  std::int32_t Nonorthogonality = 0;
  std::int32_t StripHeel = 0;
  std::int32_t StripUp = 250;
  std::int32_t StripDown = -250;
  std::int32_t StripLinesCount = 2048;
  std::int32_t StripHiSpeed = 127;
  std::int32_t StripLoSpeed = 65;
  std::int32_t HorStep = 197;
  std::int32_t VerStep = 123;
};

// Camera state (acquisition module globals).
struct IniCameraSettings {
  std::int32_t CameraInterfaceType = 16;
  std::int32_t CameraNo = 0;

  // Parallel-port camera
  std::uint16_t LptPortBase = 888;
  std::uint16_t LptDataPort = 888;
  std::uint16_t LptStatusPort = 889;
  std::uint16_t LptControlPort = 890;
  std::uint8_t BlindLevel = 200;
  std::uint8_t BlindRange = 20;
  std::uint8_t Level = 190;
  std::uint8_t Range = 40;
  std::uint8_t VirLev = 208;
  double KLevel = 16.0;
  double Termo_A = 0.196;
  double Termo_B = -10.0;

  // Frame buffer size, and the scan size of a network camera
  std::int32_t FrameWidth = 320;
  std::int32_t FrameHeight = 120;
  std::int32_t ScanWidth = 320;
  std::int32_t ScanHeight = 120;

  // Network camera
  std::uint8_t Speed = 2;
  std::array<std::uint16_t, 3> Set{2500, 0, 0};
  std::int32_t Sinus = 0;
  std::int32_t Sectors = 15;
  std::array<std::int32_t, 3> Delay{};
  std::array<std::int32_t, 3> Edge{};
  std::array<std::int32_t, 3> Center{};
  double Emissivity = 1.0;
  std::int32_t ScanPriority = 0;
  float TermoDelta = 0.4f;
  std::array<std::uint8_t, 3> Amplification{};
  std::array<std::uint8_t, 3> AmplificationBand1{};
  std::array<std::uint8_t, 3> AmplificationBand2{};
  std::uint8_t CurAmplification = 0;
  std::uint8_t CurAmplificationBand1 = 0;
  std::uint8_t CurAmplificationBand2 = 0;

  // Calibration curves of ranges 1 to 3, of a single-band camera and of each band of a dual-band one
  TCalibrationSet Coefficients;
  double Exp_AL = 0.0; // second, low-signal curve of range 1 (0 = none)
  double Exp_BL = 0.0;
  double Signal0L = 0.0;
  TCalibrationSet Band1Coefficients;
  TCalibrationSet Band2Coefficients;

  // Curves in use
  double CurExpA = 0.0;
  double CurExpB = 0.0;
  double CurSignal0 = 0.0;
  bool TwoCurves = false;
  double CurExpAL = 0.0;
  double CurExpBL = 0.0;
  double CurSignal0L = 0.0;
  double CurBand1ExpA = 0.0;
  double CurBand1ExpB = 0.0;
  double CurBand1Signal0 = 0.0;
  double CurBand2ExpA = 0.0;
  double CurBand2ExpB = 0.0;
  double CurBand2Signal0 = 0.0;
};

// What service mode switches on: the mode flag and the visible "Service Functions" menu.
struct ServiceModeState {
  bool ServiceMode = false;
  bool ServiceFunctionsVisible = false;
};
void StartServiceMode(ServiceModeState &state);

struct IniSettings {
  // Main window
  bool FMetroMode = false;
  QString FDriveLetter = QStringLiteral("C");
  bool FLimitOn = false;
  double FLimit = 0.0; // degrees Celsius

  // Globals of the main window's unit
  bool ColumnPriority = true;
  bool LeftToRight = false;
  bool TopToBottom = false;
  std::int32_t IniFlags = 0;
  bool DoubleFrameWidth = false;

  // Display aspect of every thermogram created later (thermogram module globals)
  std::int32_t AspectWidth = 256;
  std::int32_t AspectHeight = 216;

  IniHeadGeometry Head;
  IniCameraSettings Camera;
  ServiceModeState Service;
};

// Reads `iniFile` into `settings`; enters service mode when `programDir` holds "service.mode"
// (whether or not the INI file exists). Returns true when the camera settings were found; false
// when the file is missing, lacks the camera's width key or holds a frame size out of range.
bool LoadIniSettings(const std::filesystem::path &iniFile, const std::filesystem::path &programDir,
                     IniSettings &settings);

// The same with the program's own "Calidarix.ini" and folder.
bool LoadIniSettings(IniSettings &settings);

bool ServiceModeMarkerExists(const std::filesystem::path &programDir);

} // namespace calidarix
