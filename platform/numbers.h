#pragma once
// The one runtime layer for rounding and number text.
//
// Rounding is half-to-even. Every float-to-integer conversion is guarded: NaN gives 0, values beyond
// the target type saturate at its limits (infinities included), so no conversion is undefined
// behaviour. Number text never depends on the C locale: the decimal separator is an argument.

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace calidarix {

// The rounding and conversion helpers are inline: renderers and projections call them per pixel.

// Nearest integer value, halves to the even neighbour (2.5 -> 2, 3.5 -> 4); NaN and infinities pass.
// Adding and removing 2^52 leaves no fraction bits, so the addition itself rounds, half-to-even in the
// default rounding mode, which the program never changes. This is much faster than nearbyint, which
// saves and restores the floating-point environment on every call.
inline double RoundHalfEven(double v) {
  constexpr double kTwoPow52 = 4503599627370496.0;
  if (!(std::fabs(v) < kTwoPow52)) // already whole, or NaN
    return v;
  const double shift = std::copysign(kTwoPow52, v);
  return std::copysign((v + shift) - shift, v);
}

namespace detail {
template <typename Int> inline Int GuardedTrunc(double v) {
  if (std::isnan(v))
    return 0;
  // The limits of the integer type as doubles: the upper one is exact for 32 bits and rounds up to
  // 2^63 for 64 bits, so compare with >= to stay inside the type.
  constexpr double lo = static_cast<double>(std::numeric_limits<Int>::min());
  constexpr double hi = static_cast<double>(std::numeric_limits<Int>::max());
  if (v <= lo)
    return std::numeric_limits<Int>::min();
  if (v >= hi)
    return std::numeric_limits<Int>::max();
  return static_cast<Int>(v);
}
} // namespace detail

// Guarded conversions: NaN -> 0, out of range -> the nearest limit.
inline std::int32_t TruncToInt32(double v) {
  return detail::GuardedTrunc<std::int32_t>(v);
}
inline std::int64_t TruncToInt64(double v) {
  return detail::GuardedTrunc<std::int64_t>(v);
}
inline std::int32_t RoundToInt32(double v) {
  return detail::GuardedTrunc<std::int32_t>(RoundHalfEven(v));
}
inline std::int64_t RoundToInt64(double v) {
  return detail::GuardedTrunc<std::int64_t>(RoundHalfEven(v));
}

// Clamp a real value into 0..65535 after half-to-even rounding (raw thermogram samples).
inline std::uint16_t RoundToUInt16Clamped(double v) {
  if (!(v > 0.0)) // NaN and everything at or below 0
    return 0;
  const double r = RoundHalfEven(v);
  return r >= 65535.0 ? std::uint16_t{65535} : static_cast<std::uint16_t>(r);
}

// General float text: the value rounded to 15 significant digits, trailing zeros dropped, the
// separator only when a fraction remains. Scientific ("1.5E20", "1E-7", "1.23456789012346E17") when
// the decimal exponent of the rounded value is >= 15 or < -4, so 1e15 gives "1E15", 0.0001 gives
// "0.0001" and 0.00001 gives "1E-5". A float 0.4f widened to double prints as "0.400000005960464".
// NaN gives "NAN", infinities "INF" and "-INF"; zero (also negative zero) gives "0".
std::string FloatToText(double v, char decimalSeparator = '.');

// Fixed notation with `decimals` digits after the separator (0 .. 18, values outside are clamped),
// rounded half-to-even on the exact binary value. A result that rounds to zero carries no minus
// sign. NaN and infinities give "NAN", "INF" and "-INF".
std::string FixedText(double v, int decimals, char decimalSeparator = '.');

// The first five characters of a text.
std::string Cut5(std::string_view text);

// v rounded once, on its exact binary value, to `digits` significant digits (1 .. 17, clamped):
// 1234567.891 to seven digits is 1234568. Zero, NaN and infinities pass unchanged.
double RoundToSignificant(double v, int digits);

// A number on a label of `width` characters: fixed notation with at most `maxDecimals` decimals, as
// many as fit, the value rounded half-to-even to the decimals shown (83.4274 with 2 decimals in 5
// characters is "83.43", 123.456 is "123.5", 99.996 is "100.0"). A whole part wider than the label is
// written whole, never cut ("123457"). NaN and infinities give "NAN", "INF" and "-INF".
std::string FixedTextInWidth(double v, int maxDecimals, int width, char decimalSeparator = '.');

// The same without trailing zeros in the fraction, as the general text writes numbers: 83.398 in five
// characters is "83.4", 28.8286 is "28.83", -12.3456 is "-12.3", 1234.5 is "1234".
std::string GeneralTextInWidth(double v, int width, int maxDecimals = 15, char decimalSeparator = '.');

// Strict real parser: optional sign, digits with at most one `decimalSeparator` (at least one digit
// in all), optional exponent (e or E, optional sign, digits). Leading and trailing blanks (spaces,
// tabs, line ends) are allowed; anything else (other separators, "inf", "nan", hex floats, trailing
// junk, empty text) gives nullopt, and so does a value too large for a double. A value too small
// for a double reads as zero of its sign.
std::optional<double> ParseFloat(std::string_view text, char decimalSeparator = '.');

// Integer parser: optional sign, then decimal digits, or hexadecimal digits (either case) after "$",
// "0x" or "0X" ("-$FF" is -255). Trims blanks; text outside the 64-bit range or malformed text
// gives nullopt.
std::optional<std::int64_t> ParseInteger(std::string_view text);

} // namespace calidarix
