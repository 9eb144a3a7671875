#include "platform/codepage.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

std::string Chars(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

const QString kCyrillicSample = QString::fromUtf8("АаЁёЯя№");

TEST(CodePage, KnownBytesOfBothCodePages) {
  const std::string ansi = Chars({0xC0, 0xE0, 0xA8, 0xB8, 0xDF, 0xFF, 0xB9});
  const std::string oem = Chars({0x80, 0xA0, 0xF0, 0xF1, 0x9F, 0xEF, 0xFC});
  EXPECT_EQ(Cp1251ToString(ansi), kCyrillicSample);
  EXPECT_EQ(StringToCp1251(kCyrillicSample), ansi);
  EXPECT_EQ(Cp866ToString(oem), kCyrillicSample);
  EXPECT_EQ(StringToCp866(kCyrillicSample), oem);
  EXPECT_EQ(Cp1251ToString("Tab\t1.5 C"), "Tab\t1.5 C");
}

TEST(CodePage, CyrillicRoundTripsThroughBoth) {
  QString alphabet = QString::fromUtf8("Ёё ");
  for (char16_t c = u'А'; c <= u'я'; ++c)
    alphabet += QChar(c);
  const std::string ansi = StringToCp1251(alphabet);
  const std::string oem = StringToCp866(alphabet);
  ASSERT_EQ(ansi.size(), static_cast<std::size_t>(alphabet.size()));
  ASSERT_EQ(oem.size(), static_cast<std::size_t>(alphabet.size()));
  EXPECT_EQ(ansi.find('?'), std::string::npos);
  EXPECT_EQ(oem.find('?'), std::string::npos);
  EXPECT_EQ(Cp1251ToString(ansi), alphabet);
  EXPECT_EQ(Cp866ToString(oem), alphabet);
}

TEST(CodePage, EveryDefinedByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b)
    all += static_cast<char>(b);
  EXPECT_EQ(StringToCp866(Cp866ToString(all)), all);
  // 0x98 is the one byte Windows-1251 leaves undefined; it reads as '?'.
  const QString ansiText = Cp1251ToString(all);
  EXPECT_EQ(ansiText[0x98], u'?');
  std::string expected = all;
  expected[0x98] = '?';
  EXPECT_EQ(StringToCp1251(ansiText), expected);
}

TEST(CodePage, CharactersMissingFromTheTargetBecomeQuestionMarks) {
  struct Case {
    const char *utf8;
    std::string ansi, oem;
  } cases[] = {
      {"€", Chars({0x88}), "?"}, // only in Windows-1251
      {"╬", "?", Chars({0xCE})}, // only in OEM 866
      {"中", "?", "?"},          // in neither
      {"a😀b", "a?b", "a?b"},     // one character outside the BMP is one '?'
      {"é", "?", "?"},           // no best-fit replacement
  };
  for (const auto &c : cases) {
    EXPECT_EQ(StringToCp1251(QString::fromUtf8(c.utf8)), c.ansi) << c.utf8;
    EXPECT_EQ(StringToCp866(QString::fromUtf8(c.utf8)), c.oem) << c.utf8;
  }
  const QString loneSurrogate = QString(QChar(u'x')) + QChar(char16_t(0xD800)) + QChar(u'y');
  EXPECT_EQ(StringToCp1251(loneSurrogate), "x?y");
}

TEST(CodePage, ZeroBytesAreKept) {
  const std::string withZero("a\0b", 3);
  EXPECT_EQ(Cp1251ToString(withZero).size(), 3);
  EXPECT_EQ(StringToCp866(Cp866ToString(withZero)), withZero);
}

TEST(OemToAnsiField, ConvertsUpToTheFirstZeroAndPadsWithZeros) {
  // "Тест ░1" in OEM 866, a zero, then stale bytes that must not survive.
  test::Bytes field;
  field.raw({0x92, 0xA5, 0xE1, 0xE2, 0x20, 0xB0, 0x31, 0x00}).raw(std::vector<std::uint8_t>(56, 0x41));
  ASSERT_EQ(field.size(), 64u);
  const auto ansi = OemToAnsiField(field.data());
  std::vector<std::uint8_t> expected = {0xD2, 0xE5, 0xF1, 0xF2, 0x20, '?', 0x31};
  expected.resize(64, 0);
  EXPECT_EQ(ansi, expected);
}

TEST(OemToAnsiField, FullFieldWithoutTerminatorAndEmptyField) {
  std::vector<std::uint8_t> full(64, 0x80); // 64 x 'А'
  EXPECT_EQ(OemToAnsiField(full), std::vector<std::uint8_t>(64, 0xC0));
  EXPECT_EQ(OemToAnsiField(std::vector<std::uint8_t>(64, 0)), std::vector<std::uint8_t>(64, 0));
  EXPECT_TRUE(OemToAnsiField({}).empty());
}

} // namespace
} // namespace calidarix
