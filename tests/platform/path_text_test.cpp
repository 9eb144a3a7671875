#include "platform/path_text.h"

#include "tests/support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <filesystem>

namespace calidarix {
namespace {

namespace fs = std::filesystem;

TEST(PathText, EveryByteSequenceComesBackUnchanged) {
  const QByteArray cases[] = {
      "/plain/ascii.dtv",
      "/data/caf\xC3\xA9/\xE2\x82\xAC.dtv", // UTF-8 stays UTF-8
      "/data/caf\xE9/x.dtv",                // Latin-1
      "\x80\xFF\xC0\xAF\xED\xA0\x80",       // stray continuation, overlong form, encoded surrogate
      "\xF0\x9F\x98\x80 \xF0\x9F\x98",      // a whole four-byte character, then a cut one
      "\xF4\x90\x80\x80",                   // above U+10FFFF
  };
  for (const QByteArray &native : cases) {
    SCOPED_TRACE(native.toHex().toStdString());
    const QString text = PathTextFromNative(native);
    EXPECT_EQ(NativeFromPathText(text), native);
    EXPECT_EQ(QString::fromUtf8(NativePathOf(text)), DisplayPathText(text));
  }
  EXPECT_EQ(PathTextFromNative("/data/caf\xC3\xA9"), QString::fromUtf8("/data/caf\xC3\xA9"));
  // Text that came in as Unicode goes out as UTF-8, a character beyond the first plane included.
  const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80/\xED\x9F\xBF");
  EXPECT_EQ(NativeFromPathText(emoji), QByteArray("\xF0\x9F\x98\x80/\xED\x9F\xBF"));
}

TEST(PathText, AFileInAFolderThatIsNotUtf8OpensThroughAHandleOfTheFolder) {
  test::TempDir dir;
  const fs::path folder = dir.path() / std::string("caf\xE9");
  fs::create_directory(folder);
  test::WriteText(folder / "x.dtv", "thermogram");
  test::WriteText(folder / "y.dtv", "other");
  const QString text = PathTextFromNative(QByteArray::fromStdString((folder / "x.dtv").string()));
  EXPECT_FALSE(QFileInfo::exists(QString::fromUtf8((folder / "x.dtv").string()))) << "Qt alone misses it";

  const std::optional<QString> openable = OpenablePathText(text);
  ASSERT_TRUE(openable.has_value());
  QFile file(*openable);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << openable->toStdString();
  EXPECT_EQ(file.readAll(), "thermogram");
  // The rest of the folder is found beside it.
  EXPECT_EQ(QDir(QFileInfo(*openable).absolutePath()).entryList({"*.dtv"}, QDir::Files, QDir::Name),
            QStringList({"x.dtv", "y.dtv"}));
  EXPECT_EQ(NativePathOf(*openable).toStdString(), (folder / "x.dtv").string());
  EXPECT_EQ(DisplayPathText(*openable),
            QString::fromUtf8(dir.path().string()) + QStringLiteral("/caf\uFFFD/x.dtv"));
  // One handle per folder, and the folder itself.
  EXPECT_EQ(QFileInfo(*OpenablePathText(text)).absolutePath(), QFileInfo(*openable).absolutePath());
  const std::optional<QString> folderText =
      OpenablePathText(PathTextFromNative(QByteArray::fromStdString(folder.string())));
  ASSERT_TRUE(folderText.has_value());
  EXPECT_TRUE(QFileInfo(*folderText + QStringLiteral("/y.dtv")).isFile());

  // Names that are UTF-8 pass as they are; a file whose own name is not cannot be reached.
  EXPECT_EQ(OpenablePathText(QStringLiteral("/data/a.dtv")), QStringLiteral("/data/a.dtv"));
  EXPECT_FALSE(
      OpenablePathText(PathTextFromNative(QByteArray::fromStdString((folder / "\xE9.dtv").string()))));
  EXPECT_FALSE(OpenablePathText(PathTextFromNative("/no such folder \xE9/x.dtv")));
}

} // namespace
} // namespace calidarix
