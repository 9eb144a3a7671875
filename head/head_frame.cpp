#include "head/head_frame.h"

#include <algorithm>
#include <cstdlib>

namespace calidarix {

namespace {

QorCommand Bytes(std::initializer_list<std::uint8_t> bytes) {
  QorCommand command;
  for (std::uint8_t b : bytes)
    command.push_back(static_cast<char>(b));
  return command;
}

QorCommand WithTarget(std::string_view prefix, std::int32_t target) {
  const std::array<std::uint8_t, 2> t = EncodeQorTarget(target);
  QorCommand command(prefix);
  command.push_back(static_cast<char>(t[0]));
  command.push_back(static_cast<char>(t[1]));
  return command;
}

} // namespace

QorCommand QorCmdReadRegister(std::uint8_t reg) {
  return QorCommand("$?") + static_cast<char>(reg) + "read";
}

QorCommand QorCmdWriteRegister(std::uint8_t reg, const std::array<std::uint8_t, 4> &data) {
  return Bytes({'$', '@', reg, data[0], data[1], data[2], data[3], kQorCR});
}

QorCommand QorCmdTrackHor(std::int32_t target) {
  return WithTarget("$THor", target);
}

QorCommand QorCmdTrackVer(std::int32_t target) {
  return WithTarget("$TVer", target);
}

QorCommand QorCmdSetSpeedLimit(std::uint8_t limit) {
  return QorCommand("$XSLmt") + static_cast<char>(limit);
}

QorCommand QorCmdManualSpeeds(std::uint8_t pan, std::uint8_t tilt) {
  return QorCommand("$TB") + static_cast<char>(pan) + static_cast<char>(tilt) + "hv";
}

QorCommand QorCmdTurnDownReporting() {
  return Bytes({'$', 'T', 'V', 'R', 'H', 0x00, 0x80});
}

std::uint8_t QorSum(const std::uint8_t *bytes) {
  unsigned sum = 0;
  for (int i = 0; i < 7; ++i)
    sum += bytes[i];
  return static_cast<std::uint8_t>(sum & 0xFF);
}

std::array<std::uint8_t, 9> AddQorChecksum(const QorCommand &command) {
  std::array<std::uint8_t, 9> frame{};
  for (std::size_t i = 0; i < 7 && i < command.size(); ++i)
    frame[i] = static_cast<std::uint8_t>(command[i]);
  frame[7] = QorSum(frame.data());
  frame[8] = kQorCR;
  return frame;
}

std::vector<std::uint8_t> FrameQorCommand(const QorCommand &command, int frameLength) {
  if (command.size() < 7)
    return {};
  if (frameLength == 9) {
    const std::array<std::uint8_t, 9> frame = AddQorChecksum(command);
    return {frame.begin(), frame.end()};
  }
  if (frameLength == 8) {
    // A 7-byte command goes out with the zero byte that ends it.
    std::vector<std::uint8_t> frame(8, 0);
    for (std::size_t i = 0; i < 8 && i < command.size(); ++i)
      frame[i] = static_cast<std::uint8_t>(command[i]);
    return frame;
  }
  return {};
}

bool QorReplyGood(const std::uint8_t *frame, int frameLength) {
  if (frame[0] != kQorFrameStart)
    return false;
  if (frame[7] == QorSum(frame))
    return true;
  return frameLength == 8 && frame[7] == kQorCR;
}

std::int32_t DecodeQorCounter(const std::uint8_t *bytes) {
  return static_cast<std::int32_t>(QorLE24(bytes)) - kQorCounterOffset;
}

std::array<std::uint8_t, 3> EncodeQorCounter(std::int32_t counter) {
  const auto wire = static_cast<std::uint32_t>(counter + kQorCounterOffset);
  return {static_cast<std::uint8_t>(wire & 0xFF), static_cast<std::uint8_t>((wire >> 8) & 0xFF),
          static_cast<std::uint8_t>((wire >> 16) & 0xFF)};
}

std::array<std::uint8_t, 2> EncodeQorTarget(std::int32_t target) {
  const auto wire = static_cast<std::uint16_t>(static_cast<std::uint32_t>(target) + 0x8000u);
  return {static_cast<std::uint8_t>(wire & 0xFF), static_cast<std::uint8_t>(wire >> 8)};
}

std::int16_t QorTargetUnits(std::int32_t counter) {
  return static_cast<std::int16_t>(counter >> 8);
}

std::uint8_t QorSpeedByte(int speed) {
  const int magnitude = std::min(std::abs(speed), 127);
  return static_cast<std::uint8_t>(speed < 0 ? (magnitude | 0x80) : magnitude);
}

std::uint16_t QorSpeedFromReply(std::uint8_t signedByte) {
  const int value = static_cast<std::int8_t>(signedByte);
  return value < 0 ? static_cast<std::uint16_t>(-value | 0x80) : static_cast<std::uint16_t>(value);
}

std::uint16_t QorLE16(const std::uint8_t *bytes) {
  return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t QorLE24(const std::uint8_t *bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16);
}

std::uint32_t QorLE32(const std::uint8_t *bytes) {
  return QorLE24(bytes) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

QString FormatFrameDump(const std::uint8_t *bytes, int length) {
  QString dump;
  for (int i = 0; i < length; ++i) {
    const QString hex = QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    if (bytes[i] > 31)
      dump += QLatin1Char('<') + QChar(QLatin1Char(static_cast<char>(bytes[i]))) + QLatin1Char('-') + hex +
              QLatin1Char('>');
    else
      dump += QStringLiteral("<_-") + hex + QLatin1Char('>');
  }
  dump += QStringLiteral("--____--");
  for (int i = 0; i + 1 < length; ++i)
    dump += bytes[i] > 31 ? QChar(QLatin1Char(static_cast<char>(bytes[i]))) : QChar(QLatin1Char('.'));
  return dump;
}

} // namespace calidarix
