#pragma once
// Signal-to-temperature model of the scanning cameras and the display look-up table.
//
// One calibration range follows the exponential curve S = A x exp(-B / (T - AbsoluteZero)), where S
// is the net signal (raw signal minus the range's offset, plus a drift correction from the blind
// line when asked) and T is in degrees Celsius; inversely T = B / ln(A / S) + AbsoluteZero. A camera
// with TwoCurves has, in range 0, a second curve for signals below Set[0].
//
// Net signals at or below 0 are taken as 1e-5. Where the curve has no answer the result is 0 instead
// of NaN or infinity: an A of 0 or below, a net signal equal to A (ln 1 = 0) and a temperature at or
// below absolute zero.
//
// The routines work on the TScanUnit they are given: the GUI thread passes ScanUnit, the acquisition
// thread its own copy.

#include "acquisition/camera_state.h"

#include <cstdint>

namespace calidarix {

class TDTV;
struct TScanRequests;

inline constexpr double kNetSignalFloor = 1.0e-5;
// Scale given to a linearized thermogram whose temperature span came out negative.
inline constexpr float kFallbackScale = 1.5258789e-5f;

// The curve itself, shared with the calibration form's own curve.
double CurveTemperatureToSignal(double a, double b, double temperature);
double CurveSignalToTemperature(double a, double b, double netSignal);

double NetSignalMain(const TScanUnit &unit, bool withCorrection, double signal);
double NetSignalLow(const TScanUnit &unit, bool withCorrection, double signal);
double NetSignal(const TScanUnit &unit, bool withCorrection, double signal);

double TemperatureToSignal(const TScanUnit &unit, double temperature);
double TemperatureToSignalMain(const TScanUnit &unit, double temperature);
double TemperatureToSignalLow(const TScanUnit &unit, double temperature);
double SignalToTemperature(const TScanUnit &unit, double netSignal);
double SignalToTemperatureMain(const TScanUnit &unit, double netSignal);
double SignalToTemperatureLow(const TScanUnit &unit, double netSignal);

// Temperature of a raw signal with the drift correction, the curve chosen against Set[0] as the
// look-up table does.
double TemperatureOfRawSignal(const TScanUnit &unit, double signal);

// Converter values of the parallel-port camera with level and range converters.
std::uint8_t LptRangeForSpan(const TScanUnit &unit, std::uint8_t lo, std::uint8_t hi, double t1, double t2);
std::uint8_t LptLevelForTemperature(const TScanUnit &unit, std::uint8_t range, std::uint8_t out,
                                    double temperature);
std::uint8_t LptRangeForTemperature(const TScanUnit &unit, std::uint8_t level, std::uint8_t out,
                                    double temperature);

// SignalLut[lo..hi] := signals mapped linearly onto 0..65535; other entries keep their values.
void BuildLinearLut(TScanUnit &unit, std::int32_t lo, std::int32_t hi);
// The whole SignalLut: 0 up to lo, 65535 from hi, linear in temperature between.
void BuildTemperatureLut(TScanUnit &unit, std::int32_t lo, std::int32_t hi);
// Remaps the thermogram's raw frame through the table and sets its Scale and Offset. With `correct`
// the blind drift correction is computed and the frame becomes linear in temperature; without it
// the shown temperature is the raw signal itself.
void LinearizeThermogram(TScanUnit &unit, TDTV &thermogram, bool correct);

// Makes range r (0..2) current; 255 changes nothing, other values only set CalibrationRange.
void SelectCalibrationRange(TScanUnit &unit, std::uint8_t range);
void ApplySpeed(TScanUnit &unit, std::uint8_t speed);
// Takes the pending speed and range requests (leaving "no request") and applies them.
void ApplyPendingRequests(TScanUnit &unit, TScanRequests &requests);

} // namespace calidarix
