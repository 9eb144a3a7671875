#include "platform/scancodes.h"

#include <QKeyEvent>
#include <linux/input-event-codes.h>

namespace calidarix {
namespace {

constexpr ScanCode Ext(ScanCode code) {
  return static_cast<ScanCode>(code | kScanExtended);
}

// Set-1 codes of the letter rows, in the order of the Qt keys 'A'..'Z'.
constexpr ScanCode kLetterCodes[26] = {
    0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32, // A..M
    0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C  // N..Z
};

// The numeric pad with Num Lock on (digits) and off (navigation keys): non-extended codes.
ScanCode KeypadCode(int qtKey) {
  switch (qtKey) {
  case Qt::Key_7:
  case Qt::Key_Home:
    return 0x47;
  case Qt::Key_8:
  case Qt::Key_Up:
    return 0x48;
  case Qt::Key_9:
  case Qt::Key_PageUp:
    return 0x49;
  case Qt::Key_Minus:
    return 0x4A;
  case Qt::Key_4:
  case Qt::Key_Left:
    return 0x4B;
  case Qt::Key_5:
  case Qt::Key_Clear:
    return 0x4C;
  case Qt::Key_6:
  case Qt::Key_Right:
    return 0x4D;
  case Qt::Key_Plus:
    return 0x4E;
  case Qt::Key_1:
  case Qt::Key_End:
    return 0x4F;
  case Qt::Key_2:
  case Qt::Key_Down:
    return 0x50;
  case Qt::Key_3:
  case Qt::Key_PageDown:
    return 0x51;
  case Qt::Key_0:
  case Qt::Key_Insert:
    return 0x52;
  case Qt::Key_Period:
  case Qt::Key_Comma: // the decimal key of layouts with a decimal comma
  case Qt::Key_Delete:
    return 0x53;
  case Qt::Key_Asterisk:
    return 0x37;
  case Qt::Key_Slash:
    return Ext(0x35);
  case Qt::Key_Enter:
    return Ext(0x1C);
  default:
    return 0;
  }
}

} // namespace

ScanCode ScanCodeFromLinuxKey(std::uint32_t linuxKey) {
  // Esc (1) to keypad Del (83), the 102nd key, F11 and F12 keep their set-1 codes.
  if ((linuxKey >= KEY_ESC && linuxKey <= KEY_KPDOT) || linuxKey == KEY_102ND || linuxKey == KEY_F11 ||
      linuxKey == KEY_F12)
    return static_cast<ScanCode>(linuxKey);
  switch (linuxKey) {
  case KEY_KPENTER:
    return Ext(0x1C);
  case KEY_RIGHTCTRL:
    return Ext(0x1D);
  case KEY_KPSLASH:
    return Ext(0x35);
  case KEY_SYSRQ: // Print Screen
    return Ext(0x37);
  case KEY_RIGHTALT:
    return Ext(0x38);
  case KEY_HOME:
    return Ext(0x47);
  case KEY_UP:
    return Ext(0x48);
  case KEY_PAGEUP:
    return Ext(0x49);
  case KEY_LEFT:
    return Ext(0x4B);
  case KEY_RIGHT:
    return Ext(0x4D);
  case KEY_END:
    return Ext(0x4F);
  case KEY_DOWN:
    return Ext(0x50);
  case KEY_PAGEDOWN:
    return Ext(0x51);
  case KEY_INSERT:
    return Ext(0x52);
  case KEY_DELETE:
    return Ext(0x53);
  case KEY_LEFTMETA:
    return Ext(0x5B);
  case KEY_RIGHTMETA:
    return Ext(0x5C);
  case KEY_COMPOSE: // the Menu (Apps) key
    return Ext(0x5D);
  default:
    return 0;
  }
}

ScanCode ScanCodeFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers) {
  if (modifiers.testFlag(Qt::KeypadModifier)) {
    if (const ScanCode code = KeypadCode(qtKey))
      return code;
  }
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
    return kLetterCodes[qtKey - Qt::Key_A];
  if (qtKey >= Qt::Key_1 && qtKey <= Qt::Key_9)
    return static_cast<ScanCode>(qtKey - Qt::Key_1 + 0x02);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F10)
    return static_cast<ScanCode>(qtKey - Qt::Key_F1 + 0x3B);
  switch (qtKey) {
  case Qt::Key_Escape:
    return 0x01;
  // The digit row, shifted symbols included.
  case Qt::Key_Exclam:
    return 0x02;
  case Qt::Key_At:
    return 0x03;
  case Qt::Key_NumberSign:
    return 0x04;
  case Qt::Key_Dollar:
    return 0x05;
  case Qt::Key_Percent:
    return 0x06;
  case Qt::Key_AsciiCircum:
    return 0x07;
  case Qt::Key_Ampersand:
    return 0x08;
  case Qt::Key_Asterisk:
    return 0x09;
  case Qt::Key_ParenLeft:
    return 0x0A;
  case Qt::Key_0:
  case Qt::Key_ParenRight:
    return 0x0B;
  case Qt::Key_Minus:
  case Qt::Key_Underscore:
    return 0x0C;
  case Qt::Key_Equal:
  case Qt::Key_Plus:
    return 0x0D;
  case Qt::Key_Backspace:
    return 0x0E;
  case Qt::Key_Tab:
  case Qt::Key_Backtab:
    return 0x0F;
  case Qt::Key_BracketLeft:
  case Qt::Key_BraceLeft:
    return 0x1A;
  case Qt::Key_BracketRight:
  case Qt::Key_BraceRight:
    return 0x1B;
  case Qt::Key_Return:
    return 0x1C;
  case Qt::Key_Enter:
    return Ext(0x1C);
  case Qt::Key_Control:
    return 0x1D;
  case Qt::Key_Semicolon:
  case Qt::Key_Colon:
    return 0x27;
  case Qt::Key_Apostrophe:
  case Qt::Key_QuoteDbl:
    return 0x28;
  case Qt::Key_QuoteLeft:
  case Qt::Key_AsciiTilde:
    return 0x29;
  case Qt::Key_Shift:
    return 0x2A;
  case Qt::Key_Backslash:
  case Qt::Key_Bar:
    return 0x2B;
  case Qt::Key_Comma:
  case Qt::Key_Less:
    return 0x33;
  case Qt::Key_Period:
  case Qt::Key_Greater:
    return 0x34;
  case Qt::Key_Slash:
  case Qt::Key_Question:
    return 0x35;
  case Qt::Key_Alt:
    return 0x38;
  case Qt::Key_AltGr:
    return Ext(0x38);
  case Qt::Key_Space:
    return 0x39;
  case Qt::Key_CapsLock:
    return 0x3A;
  case Qt::Key_NumLock:
    return 0x45;
  case Qt::Key_ScrollLock:
    return 0x46;
  case Qt::Key_F11:
    return 0x57;
  case Qt::Key_F12:
    return 0x58;
  case Qt::Key_Print:
    return Ext(0x37);
  case Qt::Key_Home:
    return Ext(0x47);
  case Qt::Key_Up:
    return Ext(0x48);
  case Qt::Key_PageUp:
    return Ext(0x49);
  case Qt::Key_Left:
    return Ext(0x4B);
  case Qt::Key_Right:
    return Ext(0x4D);
  case Qt::Key_End:
    return Ext(0x4F);
  case Qt::Key_Down:
    return Ext(0x50);
  case Qt::Key_PageDown:
    return Ext(0x51);
  case Qt::Key_Insert:
    return Ext(0x52);
  case Qt::Key_Delete:
    return Ext(0x53);
  case Qt::Key_Meta:
  case Qt::Key_Super_L:
    return Ext(0x5B);
  case Qt::Key_Super_R:
    return Ext(0x5C);
  case Qt::Key_Menu:
    return Ext(0x5D);
  default:
    return 0;
  }
}

ScanCode KeyScanCode(std::uint32_t nativeScanCode, int qtKey, Qt::KeyboardModifiers modifiers) {
  constexpr std::uint32_t kXKeyCodeOffset = 8;
  if (nativeScanCode > kXKeyCodeOffset) {
    if (const ScanCode code = ScanCodeFromLinuxKey(nativeScanCode - kXKeyCodeOffset))
      return code;
  }
  return ScanCodeFromQtKey(qtKey, modifiers);
}

ScanCode KeyScanCode(const QKeyEvent &event) {
  return KeyScanCode(event.nativeScanCode(), event.key(), event.modifiers());
}

} // namespace calidarix
