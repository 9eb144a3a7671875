#include "thermogram/formats/file_reading.h"

#include "tests/support/test_support.h"

#include <QFile>

#include <filesystem>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

// Positioned reads against the size taken when the file was opened: whole ranges or an error, and a file
// that shrinks afterwards gives an error, never a short buffer.
TEST(ReadRangeAt, ReadsWholeRangesWithinTheSizeTakenOnce) {
  test::TempDir dir;
  const std::filesystem::path path = dir.file("bytes.bin");
  std::vector<std::uint8_t> bytes(1000);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7);
  test::WriteFile(path, bytes);
  QFile file(QString::fromStdString(path.string()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
  const std::uint64_t size = 1000;

  struct Case {
    std::uint64_t offset;
    std::uint64_t count;
    bool ok;
  } cases[] = {{0, 1000, true},
               {990, 10, true},
               {500, 0, true},
               {1000, 0, true},
               {991, 10, false},
               {1001, 0, false},
               {0, ~std::uint64_t{0}, false}};
  for (const Case &c : cases) {
    std::vector<std::uint8_t> out(1000, 0xEE);
    const IoResult r = ReadRangeAt(file, size, c.offset, c.count, out.data());
    EXPECT_EQ(bool(r), c.ok) << c.offset << "+" << c.count;
    if (c.ok) {
      EXPECT_TRUE(std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(c.count),
                             bytes.begin() + static_cast<std::ptrdiff_t>(c.offset)));
    } else {
      EXPECT_EQ(r.message, QString::fromLatin1(kReadBeyondEnd));
    }
  }

  std::filesystem::resize_file(path, 600);
  std::vector<std::uint8_t> out(100);
  EXPECT_TRUE(ReadRangeAt(file, size, 500, 100, out.data()));
  const IoResult shrunk = ReadRangeAt(file, size, 550, 100, out.data());
  EXPECT_FALSE(shrunk);
  EXPECT_EQ(shrunk.message, QString::fromLatin1(kReadBeyondEnd));
}

} // namespace
} // namespace calidarix
