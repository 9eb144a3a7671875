#include "mainwindow/setup_values.h"

#include "platform/numbers.h"

#include <cmath>
#include <limits>
#include <utility>

namespace calidarix {

namespace {

constexpr std::int64_t kMaxFilmFrames = 65535;

struct IntegerRule {
  SetupField Field;
  const QString *Text;
  std::int64_t Min;
  std::int64_t Max;
  std::int32_t *Out;
};

QString Quoted(const QString &text) {
  return QLatin1Char('\'') + text + QLatin1Char('\'');
}

std::optional<std::int64_t> Integer(const QString &text) {
  // Blanks around a typed number are forgiven; signs and "$" hexadecimal are the runtime's integer
  // syntax.
  return ParseInteger(text.trimmed().toStdString());
}

} // namespace

SetupTexts SetupTextsFor(const SetupNumbers &v) {
  const auto number = [](double x) { return QString::fromStdString(FloatToText(x, '.')); };
  return SetupTexts{QString::number(v.FilmFrames),
                    QString::number(v.FrameTime),
                    QString::number(v.SumCount),
                    number(v.FixedMin),
                    number(v.FixedMax),
                    number(v.FLimit)};
}

SetupCheck CheckSetupTexts(const SetupTexts &texts) {
  SetupNumbers v;
  SetupCheck check;
  const IntegerRule integers[] = {
      // 0 frames is a film without a length limit; the recording stops only when told.
      {SetupField::FilmFrames, &texts.FilmFrames, 0, kMaxFilmFrames, &v.FilmFrames},
      {SetupField::FrameTime, &texts.FrameTime, 0, std::numeric_limits<std::int32_t>::max(), &v.FrameTime},
      {SetupField::SumCount, &texts.SumCount, 1, std::numeric_limits<std::int32_t>::max(), &v.SumCount},
  };
  for (const IntegerRule &rule : integers) {
    const std::optional<std::int64_t> value = Integer(*rule.Text);
    check.Field = rule.Field;
    if (!value || *value < std::numeric_limits<std::int32_t>::min() ||
        *value > std::numeric_limits<std::int32_t>::max()) {
      check.Error = QStringLiteral("%1 is not a valid integer value").arg(Quoted(*rule.Text));
      return check;
    }
    if (*value < rule.Min || *value > rule.Max) {
      check.Error =
          rule.Max == std::numeric_limits<std::int32_t>::max()
              ? QStringLiteral("%1 is below %2").arg(*value).arg(rule.Min)
              : QStringLiteral("%1 is not between %2 and %3").arg(*value).arg(rule.Min).arg(rule.Max);
      return check;
    }
    *rule.Out = static_cast<std::int32_t>(*value);
  }

  const std::pair<SetupField, const QString *> reals[] = {{SetupField::FixedMin, &texts.FixedMin},
                                                          {SetupField::FixedMax, &texts.FixedMax},
                                                          {SetupField::Limit, &texts.Limit}};
  double *const outs[] = {&v.FixedMin, &v.FixedMax, &v.FLimit};
  for (std::size_t i = 0; i < std::size(reals); ++i) {
    const auto [field, text] = reals[i];
    // The strict parser already refuses "inf", "nan" and values beyond a double.
    const std::optional<double> value = ParseFloat(text->toStdString(), '.');
    check.Field = field;
    if (!value || !std::isfinite(*value)) {
      check.Error = QStringLiteral("%1 is not a valid floating point value").arg(Quoted(*text));
      return check;
    }
    *outs[i] = *value;
  }
  if (v.FixedMin == v.FixedMax)
    v.FixedMax = v.FixedMin + 1.0;
  if (v.FixedMax < v.FixedMin)
    std::swap(v.FixedMin, v.FixedMax);
  // A bound so large that adding 1 changes nothing would leave an empty range.
  if (!(v.FixedMax > v.FixedMin) || !std::isfinite(v.FixedMax)) {
    check.Field = SetupField::FixedMax;
    check.Error = QStringLiteral("the fixed range %1 .. %2 is empty").arg(texts.FixedMin, texts.FixedMax);
    return check;
  }
  v.FLimitOn = v.FLimit != 0.0;
  check.Values = v;
  check.Error.clear();
  return check;
}

QString FixedLevelStep(const QString &text, int tag) {
  if (tag != 1 && tag != 2)
    return text;
  const std::optional<double> typed = ParseFloat(text.toStdString(), '.');
  double v = typed && std::isfinite(*typed) ? *typed : 4.0;
  if (tag == 1)
    v += 1.0;
  else if (v >= 1.0)
    v -= 1.0;
  return QString::fromStdString(FixedText(v, 2, '.'));
}

} // namespace calidarix
