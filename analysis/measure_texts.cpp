#include "analysis/measure_texts.h"

#include "platform/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace calidarix {

namespace {

QString Text(const std::string &text) {
  return QString::fromStdString(text);
}

// v with `digits` significant digits in exponent notation: mantissa without trailing zeros, "E" and
// the exponent without a plus sign or leading zeros.
std::string ExponentText(double v, int digits, char decimalSeparator) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, digits - 1);
  std::string sci(buf, res.ptr);
  const std::size_t e = sci.find('e');
  std::string mantissa = sci.substr(0, e);
  if (mantissa.find('.') != std::string::npos) {
    while (mantissa.back() == '0')
      mantissa.pop_back();
    if (mantissa.back() == '.')
      mantissa.pop_back();
  }
  std::replace(mantissa.begin(), mantissa.end(), '.', decimalSeparator);
  int exponent = 0;
  const char *first = sci.data() + e + 1;
  if (*first == '+')
    ++first;
  std::from_chars(first, sci.data() + sci.size(), exponent);
  return mantissa + "E" + std::to_string(exponent);
}

} // namespace

QString ShortText(double v) {
  return Text(GeneralTextInWidth(v, 5));
}

QString FixedPrecisionText(double v, int decimals, int precision, char decimalSeparator) {
  if (std::isfinite(v) && std::fabs(v) >= std::pow(10.0, precision))
    return Text(ExponentText(v, precision, decimalSeparator));
  return Text(calidarix::FixedText(RoundToSignificant(v, precision), decimals, decimalSeparator));
}

QString Fixed2(double v, char decimalSeparator) {
  return FixedPrecisionText(v, 2, 7, decimalSeparator);
}

QString CursorTemperatureText(double t, bool wholeDegrees, bool differenceMode) {
  const int decimals = wholeDegrees ? 0 : 2;
  const bool plus = differenceMode && t > 0.0;
  // The plus sign is one of the five characters.
  const std::string text = FixedTextInWidth(t, decimals, plus ? 4 : 5);
  const bool zero = text.find_first_not_of("0.") == std::string::npos;
  return Text(plus && !zero ? "+" + text : text);
}

double PaletteCursorFraction(double t, bool locked, double lockMin, double lockMax, double offset,
                             double scale) {
  const double f = locked ? (t - lockMin) / (lockMax - lockMin) : (t - offset) / (65535.0 * scale);
  return std::isfinite(f) ? f : -1.0;
}

QString MarkerValueText(double v, bool wholeDegrees) {
  return Text(FloatToText(wholeDegrees ? RoundHalfEven(v) : RoundHalfEven(v * 100.0) / 100.0));
}

QString CameraTemperatureText(double camera, double frame, bool blindCorrection) {
  const auto rounded = [](double v, double step) {
    return Text(FloatToText(RoundHalfEven(v / step) * step));
  };
  if (blindCorrection)
    return rounded(frame, 0.01);
  return rounded(camera, 0.01) + QStringLiteral(" / ") + rounded(frame, 0.0001);
}

} // namespace calidarix
