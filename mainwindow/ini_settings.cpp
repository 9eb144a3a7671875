#include "mainwindow/ini_settings.h"

#include "acquisition/camera_ini.h"
#include "platform/numbers.h"
#include "platform/paths.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

namespace calidarix {
namespace fs = std::filesystem;

namespace {

constexpr const char *kMetro = "METRO";
constexpr const char *kSetup = "SETUP";
constexpr const char *kCameraParameters = "CAMERA PARAMETERS";
constexpr const char *kTemperatureMeasurements = "TEMPERATURE MEASUREMENTS";

// The start-up defaults of the curves (A and B of ranges 1 to 3, then the offsets), which are not the
// calibration form's.
constexpr TCalibrationSet kParallelPortCurves{.Exp1A = 200000.0,
                                              .Exp1B = 3000.0,
                                              .Exp2A = 500.0,
                                              .Exp2B = 3000.0,
                                              .Exp3A = 700.0,
                                              .Exp3B = 3000.0,
                                              .Signal10 = -6.0,
                                              .Signal20 = -0.1,
                                              .Signal30 = 3.0};
constexpr TCalibrationSet kNetworkCurves{.Exp1A = 60000000.0,
                                         .Exp1B = 3000.0,
                                         .Exp2A = 400000.0,
                                         .Exp2B = 3000.0,
                                         .Exp3A = 150000.0,
                                         .Exp3B = 4000.0,
                                         .Signal10 = 500.0,
                                         .Signal20 = 2000.0,
                                         .Signal30 = 2400.0};

bool IsDualBand(std::int32_t type) {
  return type == 64 || type == 257;
}

// A real narrowed to single precision; values beyond its range stay at its largest value instead
// of becoming undefined.
float NarrowToFloat(double v) {
  constexpr double limit = std::numeric_limits<float>::max();
  if (v > limit)
    return std::numeric_limits<float>::max();
  if (v < -limit)
    return -std::numeric_limits<float>::max();
  return static_cast<float>(v);
}

// Reads INI values and remembers whether a value was out of its allowed range.
class Reader {
public:
  explicit Reader(const IniFile &ini) : ini_(ini) {}

  std::int32_t Int(const char *section, const char *key, std::int32_t fallback) const {
    return ini_.ReadInteger(section, key, fallback);
  }
  std::uint8_t Byte(const char *section, const char *key, std::int32_t fallback) const {
    return static_cast<std::uint8_t>(ini_.ReadInteger(section, key, fallback)); // low 8 bits kept
  }
  std::uint16_t Word(const char *section, const char *key, std::int32_t fallback) const {
    return static_cast<std::uint16_t>(ini_.ReadInteger(section, key, fallback)); // low 16 bits kept
  }
  std::string Text(const char *section, const char *key, const char *fallback) const {
    return ini_.ReadString(section, key, fallback);
  }
  bool Bool(const char *section, const char *key, bool fallback) const {
    return ini_.ReadBool(section, key, fallback);
  }
  double Real(const char *section, const char *key, double fallback) const {
    return ini_.ReadFloat(section, key, fallback);
  }

  // An integer that must lie in min .. max; a value outside (or one that does not convert) counts
  // as missing and gives the default.
  std::int32_t Bounded(const char *section, const char *key, std::int32_t fallback, std::int64_t min,
                       std::int64_t max, bool *bad = nullptr) const {
    if (!ini_.ValueExists(section, key))
      return fallback;
    const auto value = ParseInteger(ini_.ReadString(section, key, ""));
    if (value && *value >= min && *value <= max)
      return static_cast<std::int32_t>(*value);
    if (bad)
      *bad = true;
    return fallback;
  }

  // A frame size: out of range makes the camera settings unusable.
  std::int32_t FrameSide(const char *section, const char *key, std::int32_t fallback) {
    return Bounded(section, key, fallback, 1, kMaxFrameSide, &badFrameSize_);
  }

  bool BadFrameSize() const { return badFrameSize_; }

private:
  const IniFile &ini_;
  bool badFrameSize_ = false;
};

// A drive is one letter; anything else would name no folder, so it counts as missing.
QString DriveLetter(const std::string &text) {
  if (text.size() == 1 && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z')))
    return QString::fromLatin1(text);
  return QStringLiteral("C");
}

void ReadMetro(const IniFile &ini, const Reader &r, IniSettings &s) {
  if (!ini.SectionExists(kMetro)) {
    s.FMetroMode = false;
    return;
  }
  s.FMetroMode = r.Byte(kMetro, "MetroMode", 1) != 0;
  s.AspectWidth = r.Bounded(kMetro, "AspectWidth", 256, 1, std::numeric_limits<std::int32_t>::max());
  s.AspectHeight = r.Bounded(kMetro, "AspectHeight", 216, 1, std::numeric_limits<std::int32_t>::max());
}

void ReadSetupCommon(const Reader &r, IniSettings &s) {
  IniHeadGeometry &h = s.Head;
  s.FDriveLetter = DriveLetter(r.Text(kSetup, "DriveLetter", "C"));
  h.ScanArcH = r.Word(kSetup, "ScanArcH", 3600);
  h.ScanArcV = r.Word(kSetup, "ScanArcV", 3240);
  h.RatioHor = r.Int(kSetup, "RatioHor", 4049252);
  h.RatioHorTurns = r.Bounded(kSetup, "RatioHorTurns", 4, 1, std::numeric_limits<std::int32_t>::max());
  h.RatioVer = r.Int(kSetup, "RatioVer", 4049117);
  h.RatioVerTurns = r.Bounded(kSetup, "RatioVerTurns", 4, 1, std::numeric_limits<std::int32_t>::max());
  h.HorizonCorrection = r.Int(kSetup, "HorizonCorrection", 3000);
  h.FrameTilt = r.Int(kSetup, "FrameTilt", 0);
  h.Nonorthogonality = r.Int(kSetup, "Nonorthogonality", 0);
  h.StripHeel = r.Int(kSetup, "StripHeel", 0);
  h.StripUp = r.Int(kSetup, "StripUp", 250);
  h.StripDown = r.Int(kSetup, "StripDown", -250);
  h.StripLinesCount = r.Bounded(kSetup, "StripLinesCount", 2048, 1, 65535);
  h.StripHiSpeed = r.Int(kSetup, "StripHiSpeed", 127);
  h.StripLoSpeed = r.Int(kSetup, "StripLoSpeed", 65);
  h.HorStep = r.Int(kSetup, "HorStep", 197);
  h.VerStep = r.Int(kSetup, "VerStep", 123);
  s.ColumnPriority = r.Bool(kSetup, "ColumnPriority", true);
  s.LeftToRight = r.Bool(kSetup, "LeftToRight", false);
  s.TopToBottom = r.Bool(kSetup, "TopToBottom", false);
  s.Camera.CameraNo = r.Int(kSetup, "CameraNo", 0);
}

// "PortBase" is hexadecimal text with or without its prefix: "378", "$378", "0x378" and "0X378"
// all name port 888.
std::uint16_t PortBase(const IniFile &ini) {
  std::string text = ini.ReadString(kCameraParameters, "PortBase", "$378");
  if (!text.starts_with('$') && !text.starts_with("0x") && !text.starts_with("0X"))
    text.insert(0, 1, '$');
  const auto value = ParseInteger(text);
  if (value && *value >= 0 && *value <= 0xFFFD) // the status and control ports follow the base
    return static_cast<std::uint16_t>(*value);
  return 888;
}

// Returns false when the camera settings are unusable.
bool ReadParallelPortCamera(const IniFile &ini, Reader &r, IniCameraSettings &c) {
  if (!ini.ValueExists(kCameraParameters, "ScanWidth"))
    return false;
  c.LptPortBase = PortBase(ini);
  c.LptDataPort = c.LptPortBase;
  c.LptStatusPort = static_cast<std::uint16_t>(c.LptPortBase + 1);
  c.LptControlPort = static_cast<std::uint16_t>(c.LptPortBase + 2);
  c.CameraNo = r.Int(kCameraParameters, "CameraNo", 0);
  c.CameraInterfaceType = r.Int(kCameraParameters, "CameraType", 16);
  c.FrameWidth = r.FrameSide(kCameraParameters, "ScanWidth", 320);
  c.FrameHeight = r.FrameSide(kCameraParameters, "ScanHeight", 120);
  c.BlindLevel = r.Byte(kCameraParameters, "BlindLevel", 200);
  c.BlindRange = r.Byte(kCameraParameters, "BlindRange", 20);
  c.Level = r.Byte(kCameraParameters, "Level", 190);
  c.Range = r.Byte(kCameraParameters, "Range", 40);
  c.VirLev = r.Byte(kCameraParameters, "VirLev", 208);

  const char *t = kTemperatureMeasurements;
  c.KLevel = r.Real(t, "KLevel", 16.0);
  TCalibrationSet &curves = c.Coefficients;
  curves = ReadBandCoefficients(ini, t, 0, kParallelPortCurves);
  c.Termo_A = r.Real(t, "Termo_A", 0.196);
  c.Termo_B = r.Real(t, "Termo_B", -10.0);

  // The converters of these cameras count in 1/256 steps.
  if (c.CameraInterfaceType == 8 || c.CameraInterfaceType == 16) {
    curves.Exp1A *= 256.0;
    curves.Exp2A *= 256.0;
    curves.Exp3A *= 256.0;
  }
  if (c.CameraInterfaceType == 16) {
    curves.Signal10 *= 256.0;
    curves.Signal20 *= 256.0;
    curves.Signal30 *= 256.0;
    c.TermoDelta = NarrowToFloat(c.Termo_B);
  }
  return true;
}

// An amplification of 0 for range 2 is a quarter of range 1's, for range 3 range 1's.
void FillAmplifications(std::array<std::uint8_t, 3> &a) {
  if (a[1] == 0)
    a[1] = static_cast<std::uint8_t>(a[0] / 4);
  if (a[2] == 0)
    a[2] = a[0];
}

// Returns false when the camera settings are unusable; `stop` tells that nothing more was read.
bool ReadNetworkCamera(const IniFile &ini, Reader &r, IniSettings &s, bool &stop) {
  IniCameraSettings &c = s.Camera;
  const char *k = kSetup;
  c.CameraInterfaceType = r.Int(k, "CameraType", 32);
  if (!ini.ValueExists(k, "Width") && c.CameraInterfaceType != 256) {
    stop = true;
    return false;
  }
  const bool dual = IsDualBand(c.CameraInterfaceType);
  c.CameraNo = r.Int(k, "CameraNo", 0);
  c.Speed = r.Byte(k, "Speed", 2);
  c.ScanWidth = r.FrameSide(k, "Width", 320);
  c.ScanHeight = r.FrameSide(k, "Height", 120);
  c.Set[0] = r.Word(k, "Set", 2500);
  if (dual) {
    c.Set[1] = c.Set[0];
    c.Set[2] = r.Word(k, "Set2", 15000);
  }
  c.Sinus = r.Int(k, "Sinus", 0);
  c.Sectors = r.Int(k, "Sectors", 15);
  c.Delay[1] = r.Int(k, "Delay", 32);
  c.Edge[1] = r.Int(k, "Edge", 18);
  c.Center[1] = r.Int(k, "Center", 9);
  c.Delay[2] = r.Int(k, "Delay2", 0);
  c.Edge[2] = r.Int(k, "Edge2", 0);
  c.Center[2] = r.Int(k, "Center2", 0);
  s.FLimitOn = r.Bool(k, "LimitOn", false);
  s.FLimit = r.Real(k, "Limit", 0.0);
  c.Coefficients = ReadBandCoefficients(ini, k, 0, kNetworkCurves);
  c.Exp_AL = r.Real(k, "Exp_AL", 0.0);
  c.Exp_BL = r.Real(k, "Exp_BL", 0.0);
  c.Signal0L = r.Real(k, "Signal0L", 0.0);
  c.Emissivity = r.Real(k, "Emissivity", 1.0);
  s.IniFlags = r.Int(k, "Flags", 0);
  c.ScanPriority = r.Int(k, "ScanPriority", 0);
  if (dual) {
    c.Band1Coefficients = c.Coefficients;
    TCalibrationSet band2Defaults = kNetworkCurves;
    band2Defaults.Exp3B = 3000.0;
    c.Band2Coefficients = ReadBandCoefficients(ini, k, 1, band2Defaults);
  }
  c.TermoDelta = NarrowToFloat(r.Real(k, "TermoDelta", 0.4));
  c.Amplification = {r.Byte(k, "Amplification", 240), r.Byte(k, "Amplification2", 0),
                     r.Byte(k, "Amplification3", 0)};
  FillAmplifications(c.Amplification);
  c.CurAmplification = c.Amplification[0];
  if (dual) {
    c.AmplificationBand1 = c.Amplification;
    c.AmplificationBand2 = {r.Byte(k, "Amplification12", 240), r.Byte(k, "Amplification22", 0),
                            r.Byte(k, "Amplification32", 0)};
    FillAmplifications(c.AmplificationBand2);
    c.CurAmplificationBand1 = c.AmplificationBand1[0];
    c.CurAmplificationBand2 = c.AmplificationBand2[0];
  }
  c.FrameWidth = c.ScanWidth;
  c.FrameHeight = c.ScanHeight;
  return true;
}

void ApplyCurvesAndFlags(IniSettings &s) {
  IniCameraSettings &c = s.Camera;
  c.CurExpA = c.Coefficients.Exp1A;
  c.CurExpB = c.Coefficients.Exp1B;
  c.CurSignal0 = c.Coefficients.Signal10;
  c.TwoCurves = c.Exp_AL != 0.0 && c.Exp_BL != 0.0 && c.Signal0L != 0.0;
  c.CurExpAL = c.TwoCurves ? c.Exp_AL : 0.0;
  c.CurExpBL = c.TwoCurves ? c.Exp_BL : 0.0;
  c.CurSignal0L = c.TwoCurves ? c.Signal0L : 0.0;
  c.CurBand1ExpA = c.Band1Coefficients.Exp1A;
  c.CurBand1ExpB = c.Band1Coefficients.Exp1B;
  c.CurBand1Signal0 = c.Band1Coefficients.Signal10;
  c.CurBand2ExpA = c.Band2Coefficients.Exp1A;
  c.CurBand2ExpB = c.Band2Coefficients.Exp1B;
  c.CurBand2Signal0 = c.Band2Coefficients.Signal10;
  c.Delay[0] = c.Delay[1];
  c.Edge[0] = c.Edge[1];
  c.Center[0] = c.Center[1];
  // The frame buffer keeps the full size; only the scan is halved. A side of 1 stays 1.
  if (s.IniFlags & 0x80)
    c.ScanWidth = std::max(1, c.ScanWidth / 2);
  if (s.IniFlags & 0x40)
    c.ScanHeight = std::max(1, c.ScanHeight / 2);
  if (s.IniFlags & 0x02)
    s.DoubleFrameWidth = true;
}

} // namespace

void StartServiceMode(ServiceModeState &state) {
  state.ServiceMode = true;
  state.ServiceFunctionsVisible = true;
}

bool ServiceModeMarkerExists(const fs::path &programDir) {
  std::error_code error;
  return fs::exists(programDir / "service.mode", error);
}

bool LoadIniSettings(const fs::path &iniFile, const fs::path &programDir, IniSettings &s) {
  IniCameraSettings &c = s.Camera;
  c.CameraInterfaceType = 0;
  c.CameraNo = 0;
  s.Head.StripUp = 300;
  s.Head.StripDown = -100;
  s.Head.HorStep = 120;
  s.Head.VerStep = 80;

  if (ServiceModeMarkerExists(programDir))
    StartServiceMode(s.Service);

  std::error_code error;
  if (!fs::is_regular_file(iniFile, error))
    return false;

  const IniFile ini(iniFile);
  Reader r(ini);
  ReadMetro(ini, r, s);
  ReadSetupCommon(r, s);

  bool result = true;
  if (c.CameraNo == 0) {
    if (!ReadParallelPortCamera(ini, r, c))
      return false;
  } else {
    bool stop = false;
    result = ReadNetworkCamera(ini, r, s, stop);
    if (stop)
      return false;
  }
  ApplyCurvesAndFlags(s);
  return result && !r.BadFrameSize();
}

bool LoadIniSettings(IniSettings &settings) {
  return LoadIniSettings(ProgramIniPath(), ProgramDir(), settings);
}

} // namespace calidarix
