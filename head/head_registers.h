#pragma once
// The head's registers: the values the handshake reads from the head, the control form shows and
// edits, and the register write sends back.
//
// Reading: the ten records of "$RVFull" ('W' + 'A' .. 'J' in bytes 1 and 2) and the single registers
// 0x12 and 0x14 ('?' + register). Writing: seven registers of four data bytes each, whose layout differs
// from the records'. Edits typed into the control form are checked against the registers' ranges
// before anything is stored, so that a typing error never reaches the head.

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace calidarix {

struct TQorRegisters {
  std::uint16_t FFrameTilt = 0;        // degrees x 180
  std::uint16_t FNonorthogonality = 0; // degrees x 180
  std::uint16_t FStripHeel = 0;        // degrees x 180
  std::uint16_t FVerticalMax = 0;
  std::uint16_t FVerticalMin = 0;
  std::uint32_t FRatioHorClicks = 0; // pan counter clicks per FRatioHorRevs turns (24 bits)
  std::uint8_t FRatioHorRevs = 0;
  std::uint32_t FRatioVerClicks = 0; // tilt counter clicks per FRatioVerRevs turns (24 bits)
  std::uint8_t FRatioVerRevs = 0;
  char FQorType = 0; // 'A': 8-byte frames
  std::uint8_t FVoltageLimit = 0;
  std::uint8_t FVoltageLastPowerOff = 0; // read only
  std::string FQorVersion;               // up to 2 characters
  std::uint16_t FQorSerial = 0;
  std::uint32_t FProgrammedDate = 0; // day number: 1 January of year 1 is day 1
  std::uint32_t FMotoSeconds = 0;    // read only
  std::uint32_t FRestartCount = 0;   // read only

  friend bool operator==(const TQorRegisters &, const TQorRegisters &) = default;
};

// The registers written back, in this order.
inline constexpr std::array<std::uint8_t, 7> kQorWriteRegisters = {0x03, 0x05, 0x07, 0x09, 0x0B, 0x0D, 0x14};
inline constexpr std::uint8_t kQorRegMotoSeconds = 0x12;
inline constexpr std::uint8_t kQorRegProgrammedDate = 0x14;

// Applies a register record 'C' .. 'J' (byte 1 'W', byte 2 the letter) to the registers. Records 'A' and
// 'B' carry counters, not registers. False when the frame is not the record `letter`.
bool ApplyRegisterRecord(const std::uint8_t *frame, char letter, TQorRegisters &registers);

// Applies a single-register reply ('?' in byte 1, the register in byte 2, LE32 in bytes 3..6) when it
// answers `reg`; false otherwise.
bool ApplyRegisterReply(const std::uint8_t *frame, std::uint8_t reg, TQorRegisters &registers);

// The four data bytes written to `reg`; register 0x14 takes `today` (a day number).
std::array<std::uint8_t, 4> RegisterWriteData(const TQorRegisters &registers, std::uint8_t reg,
                                              std::uint32_t today);

// Day numbers as the head keeps them.
std::uint32_t QorDayNumber(const QDate &date);
QDate QorDate(std::uint32_t dayNumber);

// Why a set of registers must not be written (empty when it may): the 24-bit click counts, turn counts
// of 0, or a type letter or version that is not printable ASCII.
QString CheckRegisterValues(const TQorRegisters &registers);

// The value list of the control form: 17 texts for "FrameTilt=" .. "MotoSeconds=".
inline constexpr int kRegisterRows = 17;
QStringList RegisterKeys();
QStringList RegisterValueTexts(const TQorRegisters &registers);

// Takes the edited value list back (rows FrameTilt .. QorSerial; the read-only rows are ignored) into
// a copy of `current`. Every row is checked first; on any error nothing is taken and `error` says which
// row and why.
struct RegisterEdits {
  TQorRegisters values;
  QString error; // empty when the edits were taken
};
RegisterEdits ParseRegisterEdits(const QStringList &texts, const TQorRegisters &current);

} // namespace calidarix
