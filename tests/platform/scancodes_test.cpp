#include "platform/scancodes.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

constexpr ScanCode E = kScanExtended;

// X key codes are the Linux input codes + 8.
constexpr std::uint32_t X(std::uint32_t linuxKey) {
  return linuxKey + 8;
}

// Qt names letter keys by their upper-case code point: the Cyrillic short I on the Q key.
constexpr int kCyrillicShortI = 0x0419;

TEST(KeyScanCode, NativeMainBlockCodesAreTheSet1Codes) {
  struct Case {
    std::uint32_t native;
    ScanCode code;
  } cases[] = {
      {9, 0x01},  // Esc
      {10, 0x02}, // 1
      {19, 0x0B}, // 0
      {22, 0x0E}, // Backspace
      {24, 0x10}, // Q
      {36, 0x1C}, // Enter
      {37, 0x1D}, // left Ctrl
      {49, 0x29}, // grave accent
      {52, 0x2C}, // Z
      {61, 0x35}, // slash
      {64, 0x38}, // left Alt
      {65, 0x39}, // Space
      {67, 0x3B}, // F1
      {76, 0x44}, // F10
      {79, 0x47}, // keypad 7
      {80, 0x48}, // keypad 8: same byte as Up, without the extended flag
      {91, 0x53}, // keypad decimal point
      {94, 0x56}, // the 102nd key
      {95, 0x57}, // F11
      {96, 0x58}, // F12
  };
  for (const Case &c : cases)
    EXPECT_EQ(KeyScanCode(c.native, 0, Qt::NoModifier), c.code) << "native " << c.native;
}

TEST(KeyScanCode, NativeExtendedKeysCarryTheFlag) {
  struct Case {
    std::uint32_t linuxKey;
    ScanCode code;
  } cases[] = {
      {96, E | 0x1C},  // keypad Enter
      {97, E | 0x1D},  // right Ctrl
      {98, E | 0x35},  // keypad slash
      {99, E | 0x37},  // Print Screen
      {100, E | 0x38}, // right Alt
      {102, E | 0x47}, // Home
      {103, E | 0x48}, // Up
      {104, E | 0x49}, // Page Up
      {105, E | 0x4B}, // Left
      {106, E | 0x4D}, // Right
      {107, E | 0x4F}, // End
      {108, E | 0x50}, // Down
      {109, E | 0x51}, // Page Down
      {110, E | 0x52}, // Insert
      {111, E | 0x53}, // Delete
      {125, E | 0x5B}, // left Windows
      {126, E | 0x5C}, // right Windows
      {127, E | 0x5D}, // Menu
  };
  for (const Case &c : cases) {
    EXPECT_EQ(ScanCodeFromLinuxKey(c.linuxKey), c.code) << "linux " << c.linuxKey;
    EXPECT_EQ(KeyScanCode(X(c.linuxKey), 0, Qt::NoModifier), c.code) << "linux " << c.linuxKey;
  }
  // Linux codes without a set-1 meaning here (84 unused, 89..95 Japanese keys, 113 Mute) give 0,
  // never the identity: 93 must not turn into the Menu key's byte.
  for (std::uint32_t linuxKey : {0u, 84u, 89u, 93u, 95u, 113u, 240u})
    EXPECT_EQ(ScanCodeFromLinuxKey(linuxKey), 0) << "linux " << linuxKey;
}

TEST(KeyScanCode, NativeCodeWinsOverTheLayoutsKey) {
  // The physical Q key under a Russian layout, and the physical A key of a French (AZERTY) layout.
  EXPECT_EQ(KeyScanCode(X(16), kCyrillicShortI, Qt::NoModifier), 0x10);
  EXPECT_EQ(KeyScanCode(X(30), Qt::Key_Q, Qt::NoModifier), 0x1E);
  // Without a native code, or with one that has no set-1 code, the Qt key decides.
  EXPECT_EQ(KeyScanCode(0, Qt::Key_F5, Qt::NoModifier), 0x3F);
  EXPECT_EQ(KeyScanCode(X(113), Qt::Key_VolumeMute, Qt::NoModifier), 0);
  EXPECT_EQ(KeyScanCode(X(240), Qt::Key_Up, Qt::NoModifier), E | 0x48);
  EXPECT_EQ(KeyScanCode(0, kCyrillicShortI, Qt::NoModifier), 0);
}

TEST(KeyScanCode, SyntheticLettersAndDigitsFollowTheUsLayout) {
  const char *rows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
  const ScanCode firsts[] = {0x10, 0x1E, 0x2C};
  for (int row = 0; row < 3; ++row)
    for (int i = 0; rows[row][i] != '\0'; ++i)
      EXPECT_EQ(ScanCodeFromQtKey(rows[row][i], Qt::NoModifier), firsts[row] + i) << rows[row][i];
  const char digits[] = "1234567890";
  const char shifted[] = "!@#$%^&*()";
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(ScanCodeFromQtKey(digits[i], Qt::NoModifier), 0x02 + i) << digits[i];
    EXPECT_EQ(ScanCodeFromQtKey(shifted[i], Qt::ShiftModifier), 0x02 + i) << shifted[i];
  }
}

TEST(KeyScanCode, SyntheticOtherKeys) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    ScanCode code;
  } cases[] = {
      {Qt::Key_Escape, Qt::NoModifier, 0x01},
      {Qt::Key_Minus, Qt::NoModifier, 0x0C},
      {Qt::Key_Plus, Qt::ShiftModifier, 0x0D},
      {Qt::Key_Backspace, Qt::NoModifier, 0x0E},
      {Qt::Key_Backtab, Qt::ShiftModifier, 0x0F},
      {Qt::Key_BraceLeft, Qt::ShiftModifier, 0x1A},
      {Qt::Key_Return, Qt::NoModifier, 0x1C},
      {Qt::Key_Control, Qt::ControlModifier, 0x1D},
      {Qt::Key_Colon, Qt::ShiftModifier, 0x27},
      {Qt::Key_QuoteLeft, Qt::NoModifier, 0x29},
      {Qt::Key_AsciiTilde, Qt::NoModifier, 0x29},
      {Qt::Key_Shift, Qt::ShiftModifier, 0x2A},
      {Qt::Key_Bar, Qt::ShiftModifier, 0x2B},
      {Qt::Key_Comma, Qt::NoModifier, 0x33},
      {Qt::Key_Period, Qt::NoModifier, 0x34},
      {Qt::Key_Slash, Qt::NoModifier, 0x35},
      {Qt::Key_Question, Qt::ShiftModifier, 0x35},
      {Qt::Key_Alt, Qt::AltModifier, 0x38},
      {Qt::Key_Space, Qt::NoModifier, 0x39},
      {Qt::Key_F1, Qt::NoModifier, 0x3B},
      {Qt::Key_F8, Qt::NoModifier, 0x42},
      {Qt::Key_F11, Qt::NoModifier, 0x57},
      {Qt::Key_F12, Qt::AltModifier, 0x58},
      {Qt::Key_Asterisk, Qt::ShiftModifier, 0x09},
      // Editing and navigation keys are extended; on the numeric pad they are not.
      {Qt::Key_Up, Qt::NoModifier, E | 0x48},
      {Qt::Key_Up, Qt::KeypadModifier, 0x48},
      {Qt::Key_8, Qt::KeypadModifier, 0x48},
      {Qt::Key_Home, Qt::NoModifier, E | 0x47},
      {Qt::Key_PageUp, Qt::NoModifier, E | 0x49},
      {Qt::Key_Left, Qt::NoModifier, E | 0x4B},
      {Qt::Key_Right, Qt::NoModifier, E | 0x4D},
      {Qt::Key_End, Qt::NoModifier, E | 0x4F},
      {Qt::Key_Down, Qt::NoModifier, E | 0x50},
      {Qt::Key_PageDown, Qt::NoModifier, E | 0x51},
      {Qt::Key_Insert, Qt::NoModifier, E | 0x52},
      {Qt::Key_Insert, Qt::KeypadModifier, 0x52},
      {Qt::Key_Delete, Qt::NoModifier, E | 0x53},
      {Qt::Key_Period, Qt::KeypadModifier, 0x53},
      {Qt::Key_Comma, Qt::KeypadModifier, 0x53},
      {Qt::Key_0, Qt::KeypadModifier, 0x52},
      {Qt::Key_Clear, Qt::KeypadModifier, 0x4C},
      {Qt::Key_Minus, Qt::KeypadModifier, 0x4A},
      {Qt::Key_Plus, Qt::KeypadModifier, 0x4E},
      {Qt::Key_Asterisk, Qt::KeypadModifier, 0x37},
      {Qt::Key_Slash, Qt::KeypadModifier, E | 0x35},
      {Qt::Key_Enter, Qt::KeypadModifier, E | 0x1C},
      {Qt::Key_AltGr, Qt::NoModifier, E | 0x38},
      {Qt::Key_Menu, Qt::NoModifier, E | 0x5D},
      {Qt::Key_Super_L, Qt::NoModifier, E | 0x5B},
      {Qt::Key_Super_R, Qt::NoModifier, E | 0x5C},
      {Qt::Key_Print, Qt::NoModifier, E | 0x37},
      {Qt::Key_VolumeUp, Qt::NoModifier, 0},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ScanCodeFromQtKey(c.key, c.modifiers), c.code) << "Qt key 0x" << std::hex << c.key;
}

TEST(KeyScanCode, KeyEventOverloadReadsNativeCodeKeyAndModifiers) {
  const QKeyEvent fromX11(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, X(103), 0, 0);
  EXPECT_EQ(KeyScanCode(fromX11), E | 0x48);
  const QKeyEvent synthetic(QEvent::KeyPress, Qt::Key_8, Qt::KeypadModifier);
  EXPECT_EQ(KeyScanCode(synthetic), 0x48);
  const QKeyEvent russianQ(QEvent::KeyRelease, kCyrillicShortI, Qt::NoModifier, X(16), 0, 0);
  EXPECT_EQ(KeyScanCode(russianQ), 0x10);
}

} // namespace
} // namespace calidarix
