#include "thermogram/palette_files.h"

#include "tests/support/test_support.h"
#include "thermogram/builtin_palettes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace calidarix {
namespace {

using test::Bytes;
using test::QPath;
using test::TempDir;

bool SameColor(TRGB a, TRGB b) {
  return a.R == b.R && a.G == b.G && a.B == b.B;
}

// A ".IRP" record as the file holds it.
Bytes &Record(Bytes &b, std::uint8_t position, std::uint8_t shown, std::uint32_t color) {
  return b.u8(position).u8(shown).u32(color);
}

TEST(PaletteFilesTest, KindFollowsTheExtensionInAnyCase) {
  EXPECT_EQ(PaletteFileKindOf("/a/b.IRP"), PaletteFileKind::Irp);
  EXPECT_EQ(PaletteFileKindOf("b.irp"), PaletteFileKind::Irp);
  EXPECT_EQ(PaletteFileKindOf("b.Pal"), PaletteFileKind::Pal);
  EXPECT_EQ(PaletteFileKindOf("b.col"), PaletteFileKind::Col);
  EXPECT_EQ(PaletteFileKindOf("b.colx"), std::nullopt);
  EXPECT_EQ(PaletteFileKindOf("irp"), std::nullopt);
}

TEST(PaletteFilesTest, IrpRecordsReadAndWriteByteForByte) {
  TempDir dir;
  Bytes b;
  Record(b, 0, 1, 0x000000);
  Record(b, 100, 0, 0x0000ff);
  Record(b, 200, 7, 0x30201);
  for (int i = 3; i < 31; ++i)
    Record(b, 0, 0, 0);
  Record(b, 255, 1, 0xffffff);
  test::WriteFile(dir.file("n.IRP"), b.data());

  std::vector<TPaletteRecord> records;
  ASSERT_TRUE(ReadIrpFile(QPath(dir.file("n.IRP")), records));
  ASSERT_EQ(records.size(), 32u);
  EXPECT_EQ(records[1].Position, 100);
  EXPECT_FALSE(records[1].Visible);
  EXPECT_TRUE(SameColor(records[1].Color, TRGB{255, 0, 0}));
  EXPECT_TRUE(records[2].Visible); // any value other than 0 means shown
  EXPECT_TRUE(SameColor(records[2].Color, TRGB{1, 2, 3}));

  std::array<TPaletteRecord, kIrpRecordCount> all;
  std::copy(records.begin(), records.end(), all.begin());
  all[2].Visible = true;
  ASSERT_TRUE(WriteIrpFile(QPath(dir.file("copy.irp")), all));
  std::vector<std::uint8_t> expected = b.data();
  expected[13] = 1; // the shown flag is written as 1
  EXPECT_EQ(test::ReadFile(dir.file("copy.irp")), expected);
}

TEST(PaletteFilesTest, ShortIrpFileOfWholeRecordsIsRead) {
  TempDir dir;
  Bytes b;
  Record(Record(b, 0, 1, 0), 100, 1, 0xff);
  test::WriteFile(dir.file("two.irp"), b.data());
  std::vector<TPaletteRecord> records;
  ASSERT_TRUE(ReadIrpFile(QPath(dir.file("two.irp")), records));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].Position, 100);
}

// Files that cannot be a node list are refused with a message and leave the records as they were.
TEST(PaletteFilesTest, MalformedIrpFilesAreRefused) {
  TempDir dir;
  const auto full = [](int firstShown, int lastShown, std::uint32_t color) {
    Bytes b;
    Record(b, 0, static_cast<std::uint8_t>(firstShown), color);
    for (int i = 1; i < 31; ++i)
      Record(b, 0, 0, 0);
    Record(b, 255, static_cast<std::uint8_t>(lastShown), 0xffffff);
    return b.data();
  };
  std::vector<std::uint8_t> tooLong = full(1, 1, 0);
  tooLong.push_back(0);
  std::vector<std::uint8_t> oneRecord = Bytes().u8(0).u8(1).u32(0).data();
  std::vector<std::uint8_t> partial = oneRecord;
  partial.resize(9, 0);
  const struct {
    const char *name;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"one record", oneRecord},
      {"part of a record", partial},
      {"too long", tooLong},
      {"colour top byte", full(1, 1, 0x01000000)},
      {"first node hidden", full(0, 1, 0)},
      {"last node hidden", full(1, 0, 0)},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteFile(dir.file("bad.irp"), c.bytes);
    std::vector<TPaletteRecord> records(3);
    const IoResult result = ReadIrpFile(QPath(dir.file("bad.irp")), records);
    EXPECT_FALSE(result);
    EXPECT_FALSE(result.message.isEmpty());
    EXPECT_EQ(records.size(), 3u);
  }
  std::vector<TPaletteRecord> records;
  EXPECT_FALSE(ReadIrpFile(QPath(dir.file("missing.irp")), records));
}

TEST(PaletteFilesTest, PalFileOfTheGreyRampHasTheRiffLayout) {
  TempDir dir;
  ASSERT_TRUE(WritePalFile(QPath(dir.file("g.PAL")), GreyRamp()));
  const std::vector<std::uint8_t> bytes = test::ReadFile(dir.file("g.PAL"));
  Bytes header;
  header.text("RIFF", 4).u32(1040).text("PAL data", 8).u32(1028).u16(0x0300).u16(256);
  ASSERT_EQ(bytes.size(), 1048u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 24), header.data());
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.end() - 4, bytes.end()),
            (std::vector<std::uint8_t>{255, 255, 255, 0}));
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 24 + 4 * 7, bytes.begin() + 24 + 4 * 8),
            (std::vector<std::uint8_t>{7, 7, 7, 0}));

  TPaletteTable table{};
  ASSERT_TRUE(ReadPalFile(QPath(dir.file("g.PAL")), table));
  EXPECT_EQ(table, GreyRamp());
}

TEST(PaletteFilesTest, MalformedPalFilesAreRefused) {
  TempDir dir;
  const std::vector<std::uint8_t> good = PalFileBytes(GreyRamp());
  const auto changed = [&](std::size_t at, std::uint8_t value) {
    std::vector<std::uint8_t> b = good;
    b[at] = value;
    return b;
  };
  std::vector<std::uint8_t> shorter(good.begin(), good.end() - 1);
  std::vector<std::uint8_t> longer = good;
  longer.push_back(0);
  const struct {
    const char *name;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"short", shorter},
      {"long", longer},
      {"not RIFF", changed(0, 'X')},
      {"riff size", changed(4, 0)},
      {"form", changed(8, 'X')},
      {"chunk", changed(12, 'X')},
      {"data size", changed(16, 0)},
      {"version", changed(21, 1)},
      {"entries", changed(23, 0)},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteFile(dir.file("bad.pal"), c.bytes);
    TPaletteTable table{};
    const IoResult result = ReadPalFile(QPath(dir.file("bad.pal")), table);
    EXPECT_FALSE(result);
    EXPECT_FALSE(result.message.isEmpty());
    EXPECT_EQ(table, TPaletteTable{});
  }
}

TEST(PaletteFilesTest, ColFileIsTheRawTriples) {
  TempDir dir;
  TPaletteTable table = GreyRamp();
  table[1] = TRGB{10, 20, 30};
  ASSERT_TRUE(WriteColFile(QPath(dir.file("c.col")), table));
  const std::vector<std::uint8_t> bytes = test::ReadFile(dir.file("c.col"));
  ASSERT_EQ(bytes.size(), 768u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 6),
            (std::vector<std::uint8_t>{0, 0, 0, 10, 20, 30}));
  TPaletteTable read{};
  ASSERT_TRUE(ReadColFile(QPath(dir.file("c.col")), read));
  EXPECT_EQ(read, table);

  for (std::size_t size : {767u, 769u, 0u}) {
    SCOPED_TRACE(size);
    test::WriteFile(dir.file("bad.COL"), std::vector<std::uint8_t>(size, 9));
    TPaletteTable untouched{};
    EXPECT_FALSE(ReadColFile(QPath(dir.file("bad.COL")), untouched));
    EXPECT_EQ(untouched, TPaletteTable{});
  }
}

// A write that cannot complete is reported and leaves the old file as it was.
TEST(PaletteFilesTest, FailedWriteIsReportedAndKeepsTheOldFile) {
  TempDir dir;
  const IoResult noFolder = WriteColFile(QPath(dir.file("missing/c.col")), GreyRamp());
  EXPECT_FALSE(noFolder);
  EXPECT_FALSE(noFolder.message.isEmpty());

  test::WriteFile(dir.file("old.col"), {1, 2, 3});
  ASSERT_TRUE(WriteColFile(QPath(dir.file("old.col")), GreyRamp()));
  EXPECT_EQ(test::ReadFile(dir.file("old.col")).size(), 768u); // an existing file is replaced
}

} // namespace
} // namespace calidarix
