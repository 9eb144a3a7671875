#pragma once
// The camera set-up and the six calibration sets in "Calidarix.ini", as the calibration form reads
// and writes them, and the export to and import from another INI file.
//
// Section "SETUP" holds the set-up keys and, per calibration set, its amplification, A, B and signal
// offset; section "CALIBRATION TABLE" + the set's suffix holds its point table. Values go through the
// project's INI class: integers in decimal, floats as 15-digit general text with ".", Booleans as 1
// and 0; a missing or unreadable value gives this reader's default. These defaults are the
// calibration form's own; the start-up settings loader keeps its own for the same keys.
//
// A missing or unreadable "CameraNo" or "CameraType" leaves the current camera number or type as it
// is, so that a later save never writes a made-up camera into the file. The point count read is
// capped at kMaxCalibrationPoints.
//
// Every operation does nothing when it is given no INI object. A write the file refuses ends the
// operation at that key (keys written before it stay written); the operation then returns false
// with the reason in `error`.

#include "acquisition/calibration_fit.h"
#include "acquisition/camera_protocol.h"
#include "acquisition/camera_state.h"
#include "platform/inifile.h"

#include <QString>

#include <string>

namespace calidarix {

inline constexpr const char *kSetupSection = "SETUP";
inline constexpr const char *kCalibrationTableSection = "CALIBRATION TABLE";

// Suffix of a set's keys and table section ("", "2", "3", "12", "22", "32").
std::string CalibrationSetSuffix(int set);

// The nine values of a band's three sets (band 0: sets 0 to 2, band 1: sets 3 to 5) from `section`
// under the sets' keys; a missing or unreadable key gives the value in `defaults`. The calibration
// form reads one set at a time with its own defaults (LoadCalibrData); the start-up settings read
// whole bands with theirs.
TCalibrationSet ReadBandCoefficients(const IniFile &ini, const char *section, int band,
                                     const TCalibrationSet &defaults);

// Set-up keys into the camera state.
void LoadParamsData(const IniFile *ini, TScanUnit &unit);
// Set `set`'s four keys into its camera-state values and the form's curve, and its point table.
void LoadCalibrData(const IniFile *ini, int set, TScanUnit &unit, TCalibrationTable &table);
// Set-up keys from the camera state; the five live values follow (and `liveValuesChanged` is
// cleared) when they moved since the last save.
bool SaveParamsData(IniFile *ini, const TScanUnit &unit, const TLiveValues &live, bool &liveValuesChanged,
                    QString *error = nullptr);
// The form's curve into set `set`'s camera-state values and keys, then the point table; the keys of
// points beyond the table are removed up to the first gap.
bool SaveCalibrData(IniFile *ini, int set, TScanUnit &unit, const TCalibrationTable &table,
                    QString *error = nullptr);
// The first band's three sets from the camera state (after a parameter read from the camera).
bool SaveRangeKeys(IniFile *ini, const TScanUnit &unit, QString *error = nullptr);

enum class TIniTransfer { Done, WrongDriver, WriteFailed };

// Copies the set-up and all six sets from the program's file into `chosen`, then reloads the set of
// `currentTab` from the program's file.
TIniTransfer ExportCalibration(IniFile &program, IniFile &chosen, int currentTab, TScanUnit &unit,
                               TCalibrationTable &table, const TLiveValues &live, bool &liveValuesChanged,
                               QString *error = nullptr);
// Copies the set-up and all six sets from `chosen` into the program's file, then reloads the set of
// `currentTab`. A file without "SETUP" "CameraNo" is refused ("Wrong Driver") and nothing changes.
TIniTransfer ImportCalibration(IniFile &program, const IniFile &chosen, int currentTab, TScanUnit &unit,
                               TCalibrationTable &table, const TLiveValues &live, bool &liveValuesChanged,
                               QString *error = nullptr);

} // namespace calidarix
