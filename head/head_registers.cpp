#include "head/head_registers.h"

#include "head/head_frame.h"
#include "platform/datetime.h"
#include "platform/numbers.h"

#include <QLocale>
#include <QTime>

#include <cmath>

namespace calidarix {

namespace {

constexpr std::uint32_t kMax24 = 0xFFFFFF;

bool Printable(char c) {
  return c >= 0x21 && c <= 0x7E;
}

bool Printable(QChar c) {
  return c.unicode() >= 0x21 && c.unicode() <= 0x7E;
}

std::array<std::uint8_t, 4> Le16Pair(std::uint16_t a, std::uint16_t b) {
  return {static_cast<std::uint8_t>(a & 0xFF), static_cast<std::uint8_t>(a >> 8),
          static_cast<std::uint8_t>(b & 0xFF), static_cast<std::uint8_t>(b >> 8)};
}

std::uint8_t Byte(std::uint32_t value, int index) {
  return static_cast<std::uint8_t>((value >> (8 * index)) & 0xFF);
}

} // namespace

bool ApplyRegisterRecord(const std::uint8_t *frame, char letter, TQorRegisters &r) {
  if (frame[1] != 'W' || frame[2] != static_cast<std::uint8_t>(letter))
    return false;
  switch (letter) {
  case 'C':
    r.FFrameTilt = QorLE16(frame + 3);
    r.FNonorthogonality = QorLE16(frame + 5);
    return true;
  case 'D':
    r.FStripHeel = QorLE16(frame + 3);
    return true;
  case 'E':
    r.FVerticalMax = QorLE16(frame + 3);
    r.FVerticalMin = QorLE16(frame + 5);
    return true;
  case 'F':
    r.FRatioHorRevs = frame[3];
    r.FRatioHorClicks = QorLE24(frame + 4);
    return true;
  case 'G':
    r.FRatioVerRevs = frame[3];
    r.FRatioVerClicks = QorLE24(frame + 4);
    return true;
  case 'H':
    r.FQorType = static_cast<char>(frame[3]);
    r.FVoltageLimit = frame[4];
    r.FVoltageLastPowerOff = frame[5];
    return true;
  case 'I': {
    std::string version;
    for (int i : {3, 4})
      if (frame[i] != 0)
        version.push_back(static_cast<char>(frame[i]));
    r.FQorVersion = version;
    r.FQorSerial = QorLE16(frame + 5);
    return true;
  }
  case 'J':
    r.FRestartCount = QorLE32(frame + 3);
    return true;
  default:
    return false;
  }
}

bool ApplyRegisterReply(const std::uint8_t *frame, std::uint8_t reg, TQorRegisters &r) {
  if (frame[1] != '?' || frame[2] != reg)
    return false;
  const std::uint32_t value = QorLE32(frame + 3);
  if (reg == kQorRegMotoSeconds)
    r.FMotoSeconds = value;
  else if (reg == kQorRegProgrammedDate)
    r.FProgrammedDate = value;
  else
    return false;
  return true;
}

std::array<std::uint8_t, 4> RegisterWriteData(const TQorRegisters &r, std::uint8_t reg, std::uint32_t today) {
  switch (reg) {
  case 0x03:
    return Le16Pair(r.FFrameTilt, r.FNonorthogonality);
  case 0x05:
    return Le16Pair(r.FStripHeel, r.FVerticalMax);
  case 0x07:
    return {Byte(r.FVerticalMin, 0), Byte(r.FVerticalMin, 1), r.FRatioHorRevs, Byte(r.FRatioHorClicks, 0)};
  case 0x09:
    return {Byte(r.FRatioHorClicks, 1), Byte(r.FRatioHorClicks, 2), r.FRatioVerRevs,
            Byte(r.FRatioVerClicks, 0)};
  case 0x0B:
    return {Byte(r.FRatioVerClicks, 1), Byte(r.FRatioVerClicks, 2), static_cast<std::uint8_t>(r.FQorType),
            r.FVoltageLimit};
  case 0x0D: {
    const auto character = [&](std::size_t i) {
      return i < r.FQorVersion.size() ? static_cast<std::uint8_t>(r.FQorVersion[i]) : std::uint8_t{0};
    };
    return {character(0), character(1), Byte(r.FQorSerial, 0), Byte(r.FQorSerial, 1)};
  }
  case 0x14:
    return {Byte(today, 0), Byte(today, 1), Byte(today, 2), Byte(today, 3)};
  default:
    return {};
  }
}

std::uint32_t QorDayNumber(const QDate &date) {
  return static_cast<std::uint32_t>(QDate(1, 1, 1).daysTo(date) + 1);
}

QDate QorDate(std::uint32_t dayNumber) {
  return QDate(1, 1, 1).addDays(static_cast<qint64>(dayNumber) - 1);
}

QString CheckRegisterValues(const TQorRegisters &r) {
  if (r.FRatioHorClicks < 1 || r.FRatioHorClicks > kMax24 || r.FRatioVerClicks < 1 ||
      r.FRatioVerClicks > kMax24)
    return QStringLiteral("the click counts must lie in 1 .. 16777215");
  if (r.FRatioHorRevs < 1 || r.FRatioVerRevs < 1)
    return QStringLiteral("the turn counts must lie in 1 .. 255");
  if (!Printable(r.FQorType))
    return QStringLiteral("the head type must be one printable character");
  for (char c : r.FQorVersion)
    if (!Printable(c))
      return QStringLiteral("the version must be printable characters");
  if (r.FQorVersion.size() > 2)
    return QStringLiteral("the version has at most two characters");
  return {};
}

QStringList RegisterKeys() {
  return {QStringLiteral("FrameTilt"),
          QStringLiteral("Nonorthogonality"),
          QStringLiteral("StripHeel"),
          QStringLiteral("VerticalMax"),
          QStringLiteral("VerticalMin"),
          QStringLiteral("RatioHorClicks"),
          QStringLiteral("RatioHorRevs"),
          QStringLiteral("RatioVerClicks"),
          QStringLiteral("RatioVerRevs"),
          QStringLiteral("VoltageLimit"),
          QStringLiteral("VoltageLastPowerOff"),
          QStringLiteral("Qor restarted"),
          QStringLiteral("QorType"),
          QStringLiteral("QorVersion"),
          QStringLiteral("QorSerial"),
          QStringLiteral("ProgrammedDate"),
          QStringLiteral("MotoSeconds")};
}

QStringList RegisterValueTexts(const TQorRegisters &r) {
  const auto degrees = [](std::uint16_t v) { return QString::fromStdString(FloatToText(v / 180.0)); };
  QStringList texts;
  texts << degrees(r.FFrameTilt) << degrees(r.FNonorthogonality) << degrees(r.FStripHeel);
  for (std::uint32_t v :
       {std::uint32_t{r.FVerticalMax}, std::uint32_t{r.FVerticalMin}, r.FRatioHorClicks,
        std::uint32_t{r.FRatioHorRevs}, r.FRatioVerClicks, std::uint32_t{r.FRatioVerRevs},
        std::uint32_t{r.FVoltageLimit}, std::uint32_t{r.FVoltageLastPowerOff}, r.FRestartCount})
    texts << QString::number(v);
  texts << (r.FQorType != 0 ? QString(QLatin1Char(r.FQorType)) : QString());
  texts << QString::fromLatin1(r.FQorVersion.data(), static_cast<qsizetype>(r.FQorVersion.size()));
  texts << QString::number(r.FQorSerial);
  texts << (r.FProgrammedDate > 0 ? QLocale().toString(QorDate(r.FProgrammedDate), QLocale::ShortFormat)
                                  : QString());
  // Only the time of day of the running time is shown; whole days are not.
  const QTime running = QTime(0, 0).addSecs(static_cast<int>(r.FMotoSeconds % 86400));
  texts << FormatDateTime(QStringLiteral("hh:nn:ss"), QDateTime(QDate(2000, 1, 1), running));
  return texts;
}

RegisterEdits ParseRegisterEdits(const QStringList &texts, const TQorRegisters &current) {
  RegisterEdits result{current, {}};
  if (texts.size() < 15) {
    result.error = QStringLiteral("The value list is incomplete");
    return result;
  }
  const QStringList keys = RegisterKeys();
  TQorRegisters &v = result.values;
  const auto integer = [&](int row, std::int64_t lo, std::int64_t hi) -> std::optional<std::int64_t> {
    const std::optional<std::int64_t> n = ParseInteger(texts[row].toStdString());
    if (!n || *n < lo || *n > hi) {
      result.error = QStringLiteral("%1: '%2' is not a whole number in %3 .. %4")
                         .arg(keys[row], texts[row].trimmed())
                         .arg(lo)
                         .arg(hi);
      return std::nullopt;
    }
    return n;
  };
  const auto angle = [&](int row) -> std::optional<std::uint16_t> {
    const std::optional<double> degrees = ParseFloat(texts[row].toStdString(), '.');
    const double scaled = degrees ? RoundHalfEven(*degrees * 180.0) : -1.0;
    if (!degrees || scaled < 0.0 || scaled > 65535.0) {
      result.error =
          QStringLiteral("%1: '%2' is not an angle in 0 .. %3")
              .arg(keys[row], texts[row].trimmed(), QString::fromStdString(FixedText(65535 / 180.0, 2)));
      return std::nullopt;
    }
    return static_cast<std::uint16_t>(scaled);
  };

  std::optional<std::uint16_t> tilt = angle(0);
  std::optional<std::uint16_t> nonorthogonality = tilt ? angle(1) : std::nullopt;
  std::optional<std::uint16_t> heel = nonorthogonality ? angle(2) : std::nullopt;
  if (!heel)
    return result;
  std::optional<std::int64_t> numbers[7];
  const std::int64_t limits[7][2] = {{0, 65535},  {0, 65535}, {1, kMax24}, {1, 255},
                                     {1, kMax24}, {1, 255},   {0, 255}};
  for (int i = 0; i < 7; ++i) {
    numbers[i] = integer(3 + i, limits[i][0], limits[i][1]);
    if (!numbers[i])
      return result;
  }
  const QString type = texts[12].trimmed();
  const QString version = texts[13].trimmed();
  if (!type.isEmpty() && !Printable(type.at(0))) {
    result.error = QStringLiteral("QorType: '%1' does not start with a printable ASCII character").arg(type);
    return result;
  }
  for (int i = 0; i < version.size() && i < 2; ++i)
    if (!Printable(version.at(i))) {
      result.error = QStringLiteral("QorVersion: '%1' is not printable ASCII").arg(version);
      return result;
    }
  const std::optional<std::int64_t> serial = integer(14, 0, 65535);
  if (!serial)
    return result;

  v.FFrameTilt = *tilt;
  v.FNonorthogonality = *nonorthogonality;
  v.FStripHeel = *heel;
  v.FVerticalMax = static_cast<std::uint16_t>(*numbers[0]);
  v.FVerticalMin = static_cast<std::uint16_t>(*numbers[1]);
  v.FRatioHorClicks = static_cast<std::uint32_t>(*numbers[2]);
  v.FRatioHorRevs = static_cast<std::uint8_t>(*numbers[3]);
  v.FRatioVerClicks = static_cast<std::uint32_t>(*numbers[4]);
  v.FRatioVerRevs = static_cast<std::uint8_t>(*numbers[5]);
  v.FVoltageLimit = static_cast<std::uint8_t>(*numbers[6]);
  // An empty type keeps the head's type: it decides the frame length.
  if (!type.isEmpty())
    v.FQorType = type.at(0).toLatin1();
  v.FQorVersion = version.left(2).toLatin1().toStdString();
  v.FQorSerial = static_cast<std::uint16_t>(*serial);
  return result;
}

} // namespace calidarix
