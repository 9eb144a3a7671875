#pragma once
// The one runtime layer for rounding and number text.
//
// Rounding is half-to-even. Every float-to-integer conversion is guarded: NaN gives 0, values beyond
// the target type saturate at its limits (infinities included), so no conversion is undefined
// behaviour. Number text never depends on the C locale: the decimal separator is an argument.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace calidarix {

// Nearest integer value, halves to the even neighbour (2.5 -> 2, 3.5 -> 4); NaN and infinities pass.
double RoundHalfEven(double v);

// Guarded conversions: NaN -> 0, out of range -> the nearest limit.
std::int32_t TruncToInt32(double v);
std::int64_t TruncToInt64(double v);
std::int32_t RoundToInt32(double v); // half-to-even
std::int64_t RoundToInt64(double v); // half-to-even

// Clamp a real value into 0..65535 after half-to-even rounding (raw thermogram samples).
std::uint16_t RoundToUInt16Clamped(double v);

// General float text with 15 significant digits, shortest form, trailing zeros dropped;
// scientific ("1.5E20", "1E-7") when the decimal exponent is >= 15 or < -5.
// A float 0.4f widened to double prints as "0.400000005960464".
std::string FloatToText(double v, char decimalSeparator = '.');

// Fixed notation with `decimals` digits after the separator (half-to-even on the exact binary value).
std::string FixedText(double v, int decimals, char decimalSeparator = '.');

// The first five characters of a text, as labels show numbers.
std::string Cut5(std::string_view text);

// Strict real parser: optional sign, digits with at most one `decimalSeparator`, optional exponent
// (e or E, optional sign, digits). Leading and trailing blanks are allowed; anything else
// (other separators, "inf", "nan", hex floats, trailing junk, empty text) gives nullopt.
std::optional<double> ParseFloat(std::string_view text, char decimalSeparator = '.');

// Integer parser: optional sign, decimal digits, or hexadecimal after "$", "0x" or "0X".
// Trims blanks; out-of-range or malformed text gives nullopt.
std::optional<std::int64_t> ParseInteger(std::string_view text);

} // namespace calidarix
