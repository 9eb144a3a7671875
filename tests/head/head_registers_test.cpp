// The head's registers: records read, data written, day numbers, and the checked edits of the control
// form's value list.

#include "head/head_frame.h"
#include "head/head_registers.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

TQorRegisters Sample() {
  TQorRegisters r;
  r.FFrameTilt = 0x1234;
  r.FNonorthogonality = 0x0102;
  r.FStripHeel = 0x0A0B;
  r.FVerticalMax = 30000;
  r.FVerticalMin = 0x0C0D;
  r.FRatioHorClicks = 0x3DC964; // 4049252
  r.FRatioHorRevs = 4;
  r.FRatioVerClicks = 0x3DC8DD; // 4049117
  r.FRatioVerRevs = 5;
  r.FQorType = 'M';
  r.FVoltageLimit = 110;
  r.FQorVersion = "27";
  r.FQorSerial = 0x1267;
  return r;
}

TEST(HeadRegisters, RecordsFillTheirFieldsAndOnlyTheirs) {
  TQorRegisters r;
  const std::uint8_t c[] = {'$', 'W', 'C', 0x34, 0x12, 0x02, 0x01, 0};
  const std::uint8_t f[] = {'$', 'W', 'F', 4, 0x64, 0xC9, 0x3D, 0};
  const std::uint8_t h[] = {'$', 'W', 'H', 'A', 110, 118, 0, 0};
  const std::uint8_t i[] = {'$', 'W', 'I', '3', 0, 0x67, 0x12, 0};
  const std::uint8_t j[] = {'$', 'W', 'J', 0x01, 0x02, 0x03, 0x04, 0};
  EXPECT_TRUE(ApplyRegisterRecord(c, 'C', r));
  EXPECT_TRUE(ApplyRegisterRecord(f, 'F', r));
  EXPECT_TRUE(ApplyRegisterRecord(h, 'H', r));
  EXPECT_TRUE(ApplyRegisterRecord(i, 'I', r));
  EXPECT_TRUE(ApplyRegisterRecord(j, 'J', r));
  EXPECT_FALSE(ApplyRegisterRecord(c, 'D', r)); // not the record expected: no effect
  EXPECT_EQ(r.FFrameTilt, 0x1234);
  EXPECT_EQ(r.FNonorthogonality, 0x0102);
  EXPECT_EQ(r.FStripHeel, 0);
  EXPECT_EQ(r.FRatioHorRevs, 4);
  EXPECT_EQ(r.FRatioHorClicks, 4049252u);
  EXPECT_EQ(r.FQorType, 'A');
  EXPECT_EQ(r.FVoltageLimit, 110);
  EXPECT_EQ(r.FVoltageLastPowerOff, 118);
  EXPECT_EQ(r.FQorVersion, "3"); // a zero byte is a missing character
  EXPECT_EQ(r.FQorSerial, 0x1267);
  EXPECT_EQ(r.FRestartCount, 0x04030201u);

  const std::uint8_t moto[] = {'$', '?', 0x12, 0x10, 0x0E, 0, 0, 0};
  const std::uint8_t date[] = {'$', '?', 0x14, 0x48, 0x23, 0x0B, 0, 0};
  EXPECT_TRUE(ApplyRegisterReply(moto, 0x12, r));
  EXPECT_FALSE(ApplyRegisterReply(moto, 0x14, r));
  EXPECT_TRUE(ApplyRegisterReply(date, 0x14, r));
  EXPECT_EQ(r.FMotoSeconds, 3600u);
  EXPECT_EQ(r.FProgrammedDate, 729928u);
}

TEST(HeadRegisters, WritesCarryTheirFourBytesInTheWriteLayout) {
  const TQorRegisters r = Sample();
  using D = std::array<std::uint8_t, 4>;
  EXPECT_EQ(RegisterWriteData(r, 0x03, 0), (D{0x34, 0x12, 0x02, 0x01}));
  EXPECT_EQ(RegisterWriteData(r, 0x05, 0), (D{0x0B, 0x0A, 0x30, 0x75}));
  EXPECT_EQ(RegisterWriteData(r, 0x07, 0), (D{0x0D, 0x0C, 4, 0x64}));
  EXPECT_EQ(RegisterWriteData(r, 0x09, 0), (D{0xC9, 0x3D, 5, 0xDD}));
  EXPECT_EQ(RegisterWriteData(r, 0x0B, 0), (D{0xC8, 0x3D, 'M', 110}));
  EXPECT_EQ(RegisterWriteData(r, 0x0D, 0), (D{'2', '7', 0x67, 0x12}));
  EXPECT_EQ(RegisterWriteData(r, 0x14, 730120), (D{0x08, 0x24, 0x0B, 0x00}));
  TQorRegisters shortVersion = r;
  shortVersion.FQorVersion = "9";
  EXPECT_EQ(RegisterWriteData(shortVersion, 0x0D, 0), (D{'9', 0, 0x67, 0x12}));
}

TEST(HeadRegisters, DayNumbersCountFromTheFirstOfJanuaryOfYearOne) {
  EXPECT_EQ(QorDayNumber(QDate(1, 1, 1)), 1u);
  EXPECT_EQ(QorDayNumber(QDate(1899, 12, 30)), 693594u);
  EXPECT_EQ(QorDayNumber(QDate(2000, 1, 1)), 730120u);
  EXPECT_EQ(QorDate(730120), QDate(2000, 1, 1));
}

TEST(HeadRegisters, TheValueListShowsEveryRegister) {
  TQorRegisters r = Sample();
  r.FVoltageLastPowerOff = 118;
  r.FRestartCount = 12;
  r.FMotoSeconds = 2 * 86400 + 3725; // whole days are not shown
  r.FFrameTilt = 90;
  const QStringList texts = RegisterValueTexts(r);
  ASSERT_EQ(texts.size(), kRegisterRows);
  EXPECT_EQ(RegisterKeys().size(), kRegisterRows);
  EXPECT_EQ(texts[0], "0.5");
  EXPECT_EQ(texts[5], "4049252");
  EXPECT_EQ(texts[10], "118");
  EXPECT_EQ(texts[11], "12");
  EXPECT_EQ(texts[12], "M");
  EXPECT_EQ(texts[13], "27");
  EXPECT_EQ(texts[14], "4711");
  EXPECT_EQ(texts[15], ""); // never programmed
  EXPECT_EQ(texts[16], "01:02:05");
}

TEST(HeadRegisters, EditsAreTakenOnlyWhenEveryRowFitsItsRegister) {
  const TQorRegisters current = Sample();
  QStringList texts = RegisterValueTexts(current);
  texts[0] = "1.5";
  texts[5] = "16777215";
  texts[12] = "S";
  texts[13] = "4";
  texts[14] = "65535";
  texts[10] = "not taken";
  const RegisterEdits ok = ParseRegisterEdits(texts, current);
  ASSERT_TRUE(ok.error.isEmpty()) << ok.error.toStdString();
  EXPECT_EQ(ok.values.FFrameTilt, 270);
  EXPECT_EQ(ok.values.FRatioHorClicks, 16777215u);
  EXPECT_EQ(ok.values.FQorType, 'S');
  EXPECT_EQ(ok.values.FQorVersion, "4");
  EXPECT_EQ(ok.values.FQorSerial, 65535);
  EXPECT_TRUE(CheckRegisterValues(ok.values).isEmpty());

  struct Bad {
    int row;
    const char *text;
    const char *key;
  } bad[] = {
      {0, "-0.1", "FrameTilt"},   {1, "364.1", "Nonorthogonality"},
      {2, "1,5", "StripHeel"},    {3, "65536", "VerticalMax"},
      {4, "-1", "VerticalMin"},   {5, "16777216", "RatioHorClicks"},
      {6, "0", "RatioHorRevs"},   {7, "0", "RatioVerClicks"},
      {8, "256", "RatioVerRevs"}, {9, "300", "VoltageLimit"},
      {12, "\u00E9", "QorType"},  {13, "a b", "QorVersion"},
      {14, "70000", "QorSerial"}, {14, "", "QorSerial"},
  };
  for (const Bad &b : bad) {
    SCOPED_TRACE(b.key);
    QStringList edited = RegisterValueTexts(current);
    edited[0] = "2"; // a good change that must not be taken either
    edited[b.row] = QString::fromUtf8(b.text);
    const RegisterEdits result = ParseRegisterEdits(edited, current);
    EXPECT_TRUE(result.error.startsWith(b.key)) << result.error.toStdString();
    EXPECT_EQ(result.values, current);
  }
  // An empty type keeps the head's own.
  QStringList noType = RegisterValueTexts(current);
  noType[12] = "";
  EXPECT_EQ(ParseRegisterEdits(noType, current).values.FQorType, 'M');
}

} // namespace
} // namespace calidarix
