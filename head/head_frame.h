#pragma once
// The pan/tilt head's frames: the commands the program sends, how they are framed on the wire, how a
// reply frame is checked, and the encodings of counters, targets and speeds inside them.
//
// A command is 7 bytes starting with '$' (the register write carries an eighth, CR). Heads of type 'A'
// take 8-byte frames: the command as it stands, a 7-byte command followed by a zero byte. Every other
// head takes 9-byte frames: the first 7 command bytes, their 8-bit sum, CR.
//
// A reply is '$', a type letter, 5 payload bytes and byte 7: the sum of bytes 0..6 (9-byte heads, which
// then send one more byte, CR) or CR (8-byte heads, which may also send the sum there).

#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace calidarix {

using QorCommand = std::string; // raw bytes; 7, or 8 for a register write

inline constexpr std::uint8_t kQorFrameStart = '$';
inline constexpr std::uint8_t kQorCR = 0x0D;
inline constexpr std::int32_t kQorCounterOffset = 0x800080;

// Fixed commands.
inline const QorCommand QorCmdIdentify = "$WRUman";
inline const QorCommand QorCmdReadAllRegisters = "$RVFull";
inline const QorCommand QorCmdRestart = "$XRStrt";
inline const QorCommand QorCmdReset = "$XReset";
inline const QorCommand QorCmdStop = "$Stoppp";
inline const QorCommand QorCmdAutotrackOn = "$TASnnn";
inline const QorCommand QorCmdAutotrackOff = "$TAmoff";
inline const QorCommand QorCmdAutotrackSet = "$TASett";
inline const QorCommand QorCmdRequestCounters = "$RCntrs";
inline const QorCommand QorCmdRequestCountersRaw = "$RChvnn";
inline const QorCommand QorCmdRequestSpeeds = "$RSpdss";
inline const QorCommand QorCmdRequestValues = "$RValus";
inline const QorCommand QorCmdRequestStatus = "$WIStts";

// Commands with arguments.
QorCommand QorCmdReadRegister(std::uint8_t reg);                                           // "$?" reg "read"
QorCommand QorCmdWriteRegister(std::uint8_t reg, const std::array<std::uint8_t, 4> &data); // "$@" reg data CR
QorCommand QorCmdTrackHor(std::int32_t target);                                            // "$THor" lo hi
QorCommand QorCmdTrackVer(std::int32_t target);                                            // "$TVer" lo hi
QorCommand QorCmdSetSpeedLimit(std::uint8_t limit);                                        // "$XSLmt" limit
QorCommand QorCmdManualSpeeds(std::uint8_t pan, std::uint8_t tilt); // "$TB" pan tilt "hv"
QorCommand QorCmdTurnDownReporting();                               // "$TVRH" 0x00 0x80

// The 8-bit sum of bytes 0..6.
std::uint8_t QorSum(const std::uint8_t *bytes);

// The 9-byte frame of a command of 7 or more bytes: its first 7 bytes, their sum, CR.
std::array<std::uint8_t, 9> AddQorChecksum(const QorCommand &command);

// The bytes on the wire for a head whose frames are `frameLength` (8 or 9) bytes long; empty for a
// command shorter than 7 bytes or another frame length.
std::vector<std::uint8_t> FrameQorCommand(const QorCommand &command, int frameLength);

// Whether the first 8 bytes of a received frame are good: '$' first, then byte 7 the sum of bytes
// 0..6, or (8-byte heads) CR.
bool QorReplyGood(const std::uint8_t *frame, int frameLength);

// Counters: 3 bytes little-endian on the wire, less 0x800080 in the program.
std::int32_t DecodeQorCounter(const std::uint8_t *bytes);
std::array<std::uint8_t, 3> EncodeQorCounter(std::int32_t counter);

// Targets, in units of 256 counter clicks: (target + 0x8000) modulo 65536, low byte first.
std::array<std::uint8_t, 2> EncodeQorTarget(std::int32_t target);
// The position of a counter in target units: the counter shifted right 8 bits as a signed 16-bit value.
std::int16_t QorTargetUnits(std::int32_t counter);

// Speeds are sign and magnitude: bit 7 set for negative, bits 0..6 the magnitude (at most 127).
std::uint8_t QorSpeedByte(int speed);
// A signed speed byte of a reply in sign-magnitude form (a negative value v becomes -v with bit 7 set).
std::uint16_t QorSpeedFromReply(std::uint8_t signedByte);

// Little-endian fields of a frame.
std::uint16_t QorLE16(const std::uint8_t *bytes);
std::uint32_t QorLE24(const std::uint8_t *bytes);
std::uint32_t QorLE32(const std::uint8_t *bytes);

// The text form of a received frame for the log: each byte as "<c-HH>" (printable) or "<_-HH>", then
// "--____--", then bytes 0 .. length-2 as characters (control bytes as '.', so that a log line never
// carries a NUL or a line break).
QString FormatFrameDump(const std::uint8_t *bytes, int length);

} // namespace calidarix
