#include "acquisition/camera_ini.h"

#include "acquisition/calibration_sets.h"
#include "acquisition/camera_log.h"
#include "acquisition/narrow_float.h"

#include <algorithm>
#include <cstdint>

namespace calidarix {

namespace {

struct SetKeys {
  const char *Suffix;
  const char *Amplification;
  std::int32_t AmplificationDefault;
  const char *ExpA;
  const char *ExpB;
  const char *Signal0;
};

constexpr SetKeys kSetKeys[kCalibrationSetCount] = {
    {"", "Amplification", 250, "Exp_A", "Exp_B", "Signal0"},
    {"2", "Amplification2", 50, "Exp2_A", "Exp2_B", "Signal20"},
    {"3", "Amplification3", 250, "Exp3_A", "Exp3_B", "Signal30"},
    {"12", "Amplification12", 250, "Exp1_A2", "Exp1_B2", "Signal102"},
    {"22", "Amplification22", 50, "Exp2_A2", "Exp2_B2", "Signal202"},
    {"32", "Amplification32", 250, "Exp3_A2", "Exp3_B2", "Signal302"},
};

constexpr double kExpADefault = 40000000.0;
constexpr double kExpBDefault = 3000.0;
constexpr double kSignal0Default = 1000.0;

constexpr std::int32_t kRawDefault = 2500;
constexpr double kNetDefault = 1500.0;
constexpr double kTemperatureDefault = 20.0;
constexpr double kBodyTemperatureDefault = 20.0;

std::string TableSection(int set) {
  return std::string(kCalibrationTableSection) + CalibrationSetSuffix(set);
}

std::string PointKey(const char *field, std::int32_t index) {
  return field + std::to_string(index);
}

// A run of writes that stops at the first refused one and remembers why.
class Writer {
public:
  Writer(IniFile &ini, QString *error) : ini_(ini), error_(error) {}

  bool Integer(const std::string &section, const std::string &key, std::int32_t v) {
    return ok_ && Check(ini_.WriteInteger(section, key, v), section, key);
  }
  bool Float(const std::string &section, const std::string &key, double v) {
    return ok_ && Check(ini_.WriteFloat(section, key, v), section, key);
  }
  bool Bool(const std::string &section, const std::string &key, bool v) {
    return ok_ && Check(ini_.WriteBool(section, key, v), section, key);
  }
  bool Delete(const std::string &section, const std::string &key) {
    return ok_ && Check(ini_.DeleteKey(section, key), section, key);
  }
  bool Ok() const { return ok_; }

private:
  bool Check(bool written, const std::string &section, const std::string &key) {
    if (!written) {
      ok_ = false;
      const QString text = QStringLiteral("Cannot write [%1] %2 to %3")
                               .arg(QString::fromStdString(section), QString::fromStdString(key),
                                    QString::fromStdString(ini_.FileName().string()));
      CameraLog(text);
      if (error_)
        *error_ = text;
    }
    return written;
  }

  IniFile &ini_;
  QString *error_;
  bool ok_ = true;
};

// A scan side outside 1..kMaxScanSide would break the frame buffers; it counts as missing.
std::int32_t ReadScanSide(const IniFile &ini, const char *key, std::int32_t fallback) {
  const std::int32_t v = ini.ReadInteger(kSetupSection, key, fallback);
  return v >= 1 && v <= kMaxScanSide ? v : fallback;
}

// An integer that only replaces the current value when the file holds one.
void ReadIfPresent(const IniFile &ini, const char *key, std::int32_t &value) {
  if (!ini.ValueExists(kSetupSection, key))
    return;
  // Two reads with different defaults agree only when the stored text converts.
  const std::int32_t a = ini.ReadInteger(kSetupSection, key, 0);
  const std::int32_t b = ini.ReadInteger(kSetupSection, key, 1);
  if (a == b)
    value = a;
}

void LoadSetValues(const IniFile &ini, int set, TScanUnit &unit) {
  const SetKeys &k = kSetKeys[set];
  TCalibrationSetValues values = CalibrationSetValues(unit, set);
  values.Amplification =
      static_cast<std::uint8_t>(ini.ReadInteger(kSetupSection, k.Amplification, k.AmplificationDefault));
  values.ExpA = ini.ReadFloat(kSetupSection, k.ExpA, kExpADefault);
  values.ExpB = ini.ReadFloat(kSetupSection, k.ExpB, kExpBDefault);
  values.Signal0 = ini.ReadFloat(kSetupSection, k.Signal0, kSignal0Default);
}

bool SaveSetValues(Writer &w, int set, const TScanUnit &unit) {
  const SetKeys &k = kSetKeys[set];
  const TCalibrationSetData values = CalibrationSetData(unit, set);
  return w.Integer(kSetupSection, k.Amplification, values.Amplification) &&
         w.Float(kSetupSection, k.ExpA, values.ExpA) && w.Float(kSetupSection, k.ExpB, values.ExpB) &&
         w.Float(kSetupSection, k.Signal0, values.Signal0);
}

} // namespace

std::string CalibrationSetSuffix(int set) {
  return IsCalibrationSet(set) ? kSetKeys[set].Suffix : "";
}

TCalibrationSet ReadBandCoefficients(const IniFile &ini, const char *section, int band,
                                     const TCalibrationSet &defaults) {
  const SetKeys *k = &kSetKeys[band == 1 ? 3 : 0];
  TCalibrationSet c;
  c.Exp1A = ini.ReadFloat(section, k[0].ExpA, defaults.Exp1A);
  c.Exp1B = ini.ReadFloat(section, k[0].ExpB, defaults.Exp1B);
  c.Signal10 = ini.ReadFloat(section, k[0].Signal0, defaults.Signal10);
  c.Exp2A = ini.ReadFloat(section, k[1].ExpA, defaults.Exp2A);
  c.Exp2B = ini.ReadFloat(section, k[1].ExpB, defaults.Exp2B);
  c.Signal20 = ini.ReadFloat(section, k[1].Signal0, defaults.Signal20);
  c.Exp3A = ini.ReadFloat(section, k[2].ExpA, defaults.Exp3A);
  c.Exp3B = ini.ReadFloat(section, k[2].ExpB, defaults.Exp3B);
  c.Signal30 = ini.ReadFloat(section, k[2].Signal0, defaults.Signal30);
  return c;
}

void LoadParamsData(const IniFile *ini, TScanUnit &unit) {
  if (!ini)
    return;
  const char *s = kSetupSection;
  ReadIfPresent(*ini, "CameraNo", unit.CameraNo);
  ReadIfPresent(*ini, "CameraType", unit.CameraInterfaceType);
  unit.Speed = static_cast<std::uint8_t>(ini->ReadInteger(s, "Speed", 2));
  unit.ScanWidth = ReadScanSide(*ini, "Width", 320);
  unit.ScanHeight = ReadScanSide(*ini, "Height", 120);
  unit.Set[0] = static_cast<std::uint16_t>(ini->ReadInteger(s, "Set", 2500));
  unit.Sectors = ini->ReadInteger(s, "Sectors", 16);
  unit.Delay[0] = ini->ReadInteger(s, "Delay", 16);
  unit.Edge[0] = ini->ReadInteger(s, "Edge", 16);
  unit.Center[0] = ini->ReadInteger(s, "Center", 4);
  unit.TermoDelta = NarrowToFloat(ini->ReadFloat(s, "TermoDelta", 0.0));
  unit.RefPoint = ini->ReadFloat(s, "RefPoint", -100.0);
  unit.isRefPoint = ini->ReadBool(s, "isRefPoint", false);
  unit.Emissivity = ini->ReadFloat(s, "Emissivity", 1.0);
  unit.Ambient = ini->ReadFloat(s, "Ambient", 25.0);
}

void LoadCalibrData(const IniFile *ini, int set, TScanUnit &unit, TCalibrationTable &table) {
  if (!ini || !IsCalibrationSet(set))
    return;
  LoadSetValues(*ini, set, unit);
  const TCalibrationSetValues values = CalibrationSetValues(unit, set);
  CalibrAmplification = values.Amplification;
  CalibrExpA = values.ExpA;
  CalibrExpB = values.ExpB;
  CalibrSignal0 = values.Signal0;

  const std::string section = TableSection(set);
  const std::string countKey = "NumPoints" + CalibrationSetSuffix(set);
  const std::int32_t stored = ini->ReadInteger(section, countKey, 0);
  if (stored > kMaxCalibrationPoints) {
    CameraLog(QStringLiteral("Calibration table %1 holds %2 points; the first %3 are read")
                  .arg(QString::fromStdString(section))
                  .arg(stored)
                  .arg(kMaxCalibrationPoints));
  }
  table.Resize(stored);
  for (std::int32_t i = 1; i <= table.FPointCount; ++i) {
    TCalibrPoint &p = table.FCalibrPoints[i];
    p.RawSignal = ini->ReadInteger(section, PointKey("D", i), kRawDefault);
    p.NetSignal = ini->ReadFloat(section, PointKey("S", i), kNetDefault);
    p.Temperature = ini->ReadFloat(section, PointKey("T", i), kTemperatureDefault);
    p.BodyTemperature = ini->ReadFloat(section, PointKey("TD", i), kBodyTemperatureDefault);
  }
}

bool SaveParamsData(IniFile *ini, const TScanUnit &unit, const TLiveValues &live, bool &liveValuesChanged,
                    QString *error) {
  if (!ini)
    return true;
  Writer w(*ini, error);
  const char *s = kSetupSection;
  w.Integer(s, "CameraNo", unit.CameraNo);
  w.Integer(s, "CameraType", unit.CameraInterfaceType);
  w.Integer(s, "Speed", unit.Speed);
  w.Integer(s, "Width", unit.ScanWidth);
  w.Integer(s, "Height", unit.ScanHeight);
  w.Integer(s, "Set", unit.Set[0]);
  w.Integer(s, "Sectors", unit.Sectors);
  w.Integer(s, "Delay", unit.Delay[0]);
  w.Integer(s, "Edge", unit.Edge[0]);
  w.Integer(s, "Center", unit.Center[0]);
  w.Float(s, "TermoDelta", unit.TermoDelta); // the single-precision value, as it is held
  w.Float(s, "RefPoint", unit.RefPoint);
  w.Bool(s, "isRefPoint", unit.isRefPoint);
  w.Float(s, "Emissivity", unit.Emissivity);
  w.Float(s, "Ambient", unit.Ambient);
  if (w.Ok() && liveValuesChanged) {
    liveValuesChanged = false;
    w.Integer(s, "Resonans", live.Resonans);
    w.Integer(s, "Amplitude", live.Amplitude);
    w.Integer(s, "UKadr1", live.UKadr1);
    w.Integer(s, "UKadr2", live.UKadr2);
    w.Integer(s, "UKadr3", live.UKadr3);
  }
  return w.Ok();
}

bool SaveCalibrData(IniFile *ini, int set, TScanUnit &unit, const TCalibrationTable &table, QString *error) {
  if (!ini || !IsCalibrationSet(set))
    return true;
  TCalibrationSetValues values = CalibrationSetValues(unit, set);
  values.Amplification = CalibrAmplification;
  values.ExpA = CalibrExpA;
  values.ExpB = CalibrExpB;
  values.Signal0 = CalibrSignal0;

  // Hundreds of keys: written in one go, so that the file is written once, and a save that fails
  // leaves the file as it was.
  IniBatch batch(*ini);
  if (!batch.Began()) {
    const QString text = QStringLiteral("Cannot read %1 to save the calibration")
                             .arg(QString::fromStdString(ini->FileName().string()));
    CameraLog(text);
    if (error)
      *error = text;
    return false;
  }
  Writer w(*ini, error);
  if (!SaveSetValues(w, set, unit))
    return false;
  const std::string section = TableSection(set);
  const std::int32_t count =
      std::clamp(table.FPointCount, 0, static_cast<std::int32_t>(table.FCalibrPoints.size()) - 1);
  if (!w.Integer(section, "NumPoints" + CalibrationSetSuffix(set), count))
    return false;
  for (std::int32_t i = 1; i <= count; ++i) {
    const TCalibrPoint &p = table.FCalibrPoints[i];
    if (!w.Integer(section, PointKey("D", i), p.RawSignal) ||
        !w.Float(section, PointKey("S", i), p.NetSignal) ||
        !w.Float(section, PointKey("T", i), p.Temperature) ||
        !w.Float(section, PointKey("TD", i), p.BodyTemperature))
      return false;
  }
  // Points the table no longer has, up to the first gap in the stored numbering.
  for (std::int32_t i = count + 1; ini->ValueExists(section, PointKey("D", i)); ++i) {
    if (!w.Delete(section, PointKey("D", i)) || !w.Delete(section, PointKey("S", i)) ||
        !w.Delete(section, PointKey("T", i)) || !w.Delete(section, PointKey("TD", i)))
      return false;
  }
  if (!batch.Commit()) {
    const QString text =
        QStringLiteral("Cannot write [%1] to %2")
            .arg(QString::fromStdString(section), QString::fromStdString(ini->FileName().string()));
    CameraLog(text);
    if (error)
      *error = text;
    return false;
  }
  return true;
}

bool SaveRangeKeys(IniFile *ini, const TScanUnit &unit, QString *error) {
  if (!ini)
    return true;
  Writer w(*ini, error);
  for (int set = 0; set < 3; ++set) {
    if (!SaveSetValues(w, set, unit))
      return false;
  }
  return true;
}

TIniTransfer ExportCalibration(IniFile &program, IniFile &chosen, int currentTab, TScanUnit &unit,
                               TCalibrationTable &table, const TLiveValues &live, bool &liveValuesChanged,
                               QString *error) {
  TIniTransfer result = TIniTransfer::Done;
  if (!SaveParamsData(&chosen, unit, live, liveValuesChanged, error)) {
    result = TIniTransfer::WriteFailed;
  } else {
    for (int set = 0; set < kCalibrationSetCount; ++set) {
      LoadCalibrData(&program, set, unit, table);
      if (!SaveCalibrData(&chosen, set, unit, table, error)) {
        result = TIniTransfer::WriteFailed;
        break;
      }
    }
  }
  LoadCalibrData(&program, currentTab, unit, table);
  return result;
}

TIniTransfer ImportCalibration(IniFile &program, const IniFile &chosen, int currentTab, TScanUnit &unit,
                               TCalibrationTable &table, const TLiveValues &live, bool &liveValuesChanged,
                               QString *error) {
  if (chosen.ReadInteger(kSetupSection, "CameraNo", -1) == -1) {
    if (error)
      *error = QStringLiteral("Wrong Driver");
    return TIniTransfer::WrongDriver;
  }
  TIniTransfer result = TIniTransfer::Done;
  LoadParamsData(&chosen, unit);
  if (!SaveParamsData(&program, unit, live, liveValuesChanged, error)) {
    result = TIniTransfer::WriteFailed;
  } else {
    for (int set = 0; set < kCalibrationSetCount; ++set) {
      LoadCalibrData(&chosen, set, unit, table);
      if (!SaveCalibrData(&program, set, unit, table, error)) {
        result = TIniTransfer::WriteFailed;
        break;
      }
    }
  }
  LoadCalibrData(&program, currentTab, unit, table);
  return result;
}

} // namespace calidarix
