#include "platform/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace calidarix {

namespace {

// The text of NaN and the infinities, shared by both float-to-text forms.
std::optional<std::string> NonFiniteText(double v) {
  if (std::isnan(v))
    return "NAN";
  if (std::isinf(v))
    return v < 0 ? "-INF" : "INF";
  return std::nullopt;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

} // namespace

std::string FloatToText(double v, char decimalSeparator) {
  if (auto special = NonFiniteText(v))
    return *special;
  if (v == 0.0)
    return "0";

  // d.dddddddddddddde[+-]x: the 15 significant digits, correctly rounded, and the decimal exponent.
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
  const std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
  const bool negative = sci.front() == '-';
  const std::size_t e = sci.find('e');
  std::string digits;
  for (char c : sci.substr(negative ? 1 : 0, e - (negative ? 1 : 0)))
    if (IsDigit(c))
      digits += c;
  while (digits.size() > 1 && digits.back() == '0')
    digits.pop_back();
  const bool negativeExponent = sci[e + 1] == '-';
  int exponent = 0;
  std::from_chars(sci.data() + e + 2, sci.data() + sci.size(), exponent);
  if (negativeExponent)
    exponent = -exponent;

  std::string out = negative ? "-" : "";
  if (exponent >= 15 || exponent < -4) {
    out += digits.front();
    if (digits.size() > 1)
      out += decimalSeparator + digits.substr(1);
    out += 'E' + std::to_string(exponent);
  } else if (exponent < 0) {
    out += '0';
    out += decimalSeparator;
    out += std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  } else {
    const auto intDigits = static_cast<std::size_t>(exponent + 1);
    if (digits.size() <= intDigits) {
      out += digits + std::string(intDigits - digits.size(), '0');
    } else {
      out += digits.substr(0, intDigits);
      out += decimalSeparator;
      out += digits.substr(intDigits);
    }
  }
  return out;
}

std::string FixedText(double v, int decimals, char decimalSeparator) {
  if (auto special = NonFiniteText(v))
    return *special;
  decimals = std::clamp(decimals, 0, 18);
  // The largest double has 309 integer digits.
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  std::string out(buf, res.ptr);
  if (out.front() == '-' && out.find_first_not_of("-0.") == std::string::npos)
    out.erase(0, 1);
  std::replace(out.begin(), out.end(), '.', decimalSeparator);
  return out;
}

std::string Cut5(std::string_view text) {
  return std::string(text.substr(0, 5));
}

double RoundToSignificant(double v, int digits) {
  if (!std::isfinite(v) || v == 0.0)
    return v;
  digits = std::clamp(digits, 1, 17);
  char buf[64];
  const auto printed = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, digits - 1);
  double rounded = v;
  std::from_chars(buf, printed.ptr, rounded);
  return rounded;
}

std::string FixedTextInWidth(double v, int maxDecimals, int width, char decimalSeparator) {
  // Fewer decimals until the text fits; rounding to fewer decimals never makes the whole part longer
  // than rounding to none does, so the last try is the whole value.
  for (int decimals = std::clamp(maxDecimals, 0, 18); decimals > 0; --decimals) {
    std::string text = FixedText(v, decimals, decimalSeparator);
    if (static_cast<int>(text.size()) <= width)
      return text;
  }
  return FixedText(v, 0, decimalSeparator);
}

std::string GeneralTextInWidth(double v, int width, int maxDecimals, char decimalSeparator) {
  std::string text = FixedTextInWidth(v, maxDecimals, width, decimalSeparator);
  if (text.find(decimalSeparator) != std::string::npos && !NonFiniteText(v)) {
    while (text.back() == '0')
      text.pop_back();
    if (text.back() == decimalSeparator)
      text.pop_back();
  }
  return text;
}

std::optional<double> ParseFloat(std::string_view text, char decimalSeparator) {
  text = TrimBlanks(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    negative = text[i++] == '-';

  // Rewrite the number into the plain form that from_chars reads ('.' as separator, no sign), and
  // note the decimal position of its first significant digit, which tells underflow from overflow.
  std::string plain;
  int digitCount = 0;
  bool seenSeparator = false;
  bool seenSignificant = false;
  long integerDigits = 0; // significant digits before the separator
  long fractionZeros = 0; // zeros after the separator before the first significant digit
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      ++digitCount;
      seenSignificant = seenSignificant || c != '0';
      if (!seenSeparator && seenSignificant)
        ++integerDigits;
      if (seenSeparator && !seenSignificant)
        ++fractionZeros;
      plain += c;
    } else if (c == decimalSeparator && !seenSeparator) {
      seenSeparator = true;
      plain += '.';
    } else {
      break;
    }
  }
  if (digitCount == 0)
    return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    plain += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
      plain += text[i++];
    const std::size_t expStart = i;
    while (i < text.size() && IsDigit(text[i]))
      plain += text[i++];
    if (i == expStart)
      return std::nullopt;
  }
  if (i != text.size())
    return std::nullopt;

  double value = 0.0;
  const auto res =
      std::from_chars(plain.data(), plain.data() + plain.size(), value, std::chars_format::general);
  if (res.ptr != plain.data() + plain.size())
    return std::nullopt;
  if (res.ec == std::errc::result_out_of_range) {
    // Out of range either way: a huge value is refused, a tiny one is zero. The magnitude is about
    // 10^(position of the first significant digit + exponent).
    long exponent = 0;
    const std::size_t e = plain.find('e');
    if (e != std::string::npos) {
      std::string_view expText(plain.data() + e + 1, plain.size() - e - 1);
      const bool expNegative = !expText.empty() && expText.front() == '-';
      if (!expText.empty() && (expText.front() == '-' || expText.front() == '+'))
        expText.remove_prefix(1);
      if (std::from_chars(expText.data(), expText.data() + expText.size(), exponent).ec != std::errc())
        exponent = std::numeric_limits<long>::max() / 2; // more exponent digits than a long holds
      if (expNegative)
        exponent = -exponent;
    }
    const long magnitude = (integerDigits > 0 ? integerDigits - 1 : -(fractionZeros + 1)) + exponent;
    if (magnitude > 0)
      return std::nullopt;
    value = 0.0;
  } else if (res.ec != std::errc()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.starts_with('$')) {
    base = 16;
    text.remove_prefix(1);
  } else if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  }
  // from_chars takes no sign of its own for unsigned types, so "--5" and "$-5" fail here.
  std::uint64_t magnitude = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (text.empty() || res.ec != std::errc() || res.ptr != text.data() + text.size())
    return std::nullopt;
  constexpr auto maxPositive = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (negative) {
    if (magnitude > maxPositive + 1)
      return std::nullopt;
    // -(2^63) is representable although its magnitude is not.
    return magnitude == maxPositive + 1 ? std::numeric_limits<std::int64_t>::min()
                                        : -static_cast<std::int64_t>(magnitude);
  }
  if (magnitude > maxPositive)
    return std::nullopt;
  return static_cast<std::int64_t>(magnitude);
}

} // namespace calidarix
