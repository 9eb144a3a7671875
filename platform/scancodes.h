#pragma once
// Hardware scan codes of key events (PC scan code set 1), so that a command follows the physical key
// whatever the keyboard layout or language.
//
// The result encodes what a Windows key message carries in lParam bits 16 to 24:
//   bits 0-7  the set-1 make code (1 Esc, 2..11 the digit row, 16 Q, 28 Enter, 29 Ctrl, 72 Up ...),
//   bit 8     the extended-key flag (kScanExtended): the key is one of the duplicated editing,
//             navigation and control keys sent with the E0 prefix,
// so `code << 16` gives those lParam bits, and `code & 0xFF` the scan code a command table looks up
// (numeric-pad 8 and Up, 0x48 and 0x148, then give the same command). 0 means no known code.
//
// Where the code comes from:
// - A native scan code from X11 or Wayland is the X key code, the Linux input code + 8. The Linux code
//   equals the set-1 code for the main block (Esc to F12, the numeric pad included); the extended keys
//   have their own Linux codes and a table maps them.
// - An event without a usable native code (0 on the offscreen platform and for synthetic events) is
//   mapped from its Qt key as a US layout places it; Qt::KeypadModifier selects the numeric-pad key.
//   The key alone cannot tell left from right, so Ctrl, Shift and Alt give the left key's code.

#include <Qt>
#include <cstdint>

class QKeyEvent;

namespace calidarix {

using ScanCode = std::uint16_t;

inline constexpr ScanCode kScanExtended = 0x100;

// The set-1 code of a Linux input code (the native X or Wayland code minus 8), 0 when it has none.
ScanCode ScanCodeFromLinuxKey(std::uint32_t linuxKey);

// The set-1 code of a Qt key on a US layout, 0 when it has none.
ScanCode ScanCodeFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers);

// The native code when it maps, else the Qt key.
ScanCode KeyScanCode(std::uint32_t nativeScanCode, int qtKey, Qt::KeyboardModifiers modifiers);
ScanCode KeyScanCode(const QKeyEvent &event);

} // namespace calidarix
