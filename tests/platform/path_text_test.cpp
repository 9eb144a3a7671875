#include "platform/path_text.h"

#include "tests/support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

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

  // Names that are UTF-8 pass as they are; a missing file whose name is not cannot be reached.
  EXPECT_EQ(OpenablePathText(QStringLiteral("/data/a.dtv")), QStringLiteral("/data/a.dtv"));
  EXPECT_FALSE(
      OpenablePathText(PathTextFromNative(QByteArray::fromStdString((folder / "\xE9.dtv").string()))));
  EXPECT_FALSE(OpenablePathText(PathTextFromNative("/no such folder \xE9/x.dtv")));
}

// Linux names are bytes: a file whose own name is not UTF-8 opens through an alias Qt can spell, with
// its companions beside it, and the user is shown its real name.
TEST(PathText, AFileWhoseOwnNameIsNotUtf8OpensThroughAnAlias) {
  test::TempDir dir;
  const std::string latin1 = "caf\xE9";
  test::WriteText(dir.path() / (latin1 + ".dtv"), "thermogram");
  test::WriteText(dir.path() / (latin1 + ".ABC"), "overlay");
  test::WriteText(dir.path() / "100%.dtv", "percent");
  test::WriteText(dir.path() / "100\xFF%.dtv", "percent and a byte");
  const QString text =
      PathTextFromNative(QByteArray::fromStdString((dir.path() / (latin1 + ".dtv")).string()));

  const std::optional<QString> openable = OpenablePathText(text);
  ASSERT_TRUE(openable.has_value());
  EXPECT_TRUE(openable->endsWith("/caf%E9.dtv")) << openable->toStdString();
  QFile file(*openable);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << openable->toStdString();
  EXPECT_EQ(file.readAll(), "thermogram");
  const QString folder = QFileInfo(*openable).absolutePath();
  EXPECT_TRUE(QFileInfo(folder + "/caf%E9.ABC").isFile()) << "its companion is beside it";
  EXPECT_FALSE(QFileInfo::exists(folder + "/100%.dtv")) << "only the names Qt cannot spell";
  QFile percent(*OpenablePathText(
      PathTextFromNative(QByteArray::fromStdString((dir.path() / "100\xFF%.dtv").string()))));
  ASSERT_TRUE(percent.open(QIODevice::ReadOnly)) << percent.fileName().toStdString();
  EXPECT_EQ(percent.readAll(), "percent and a byte");

  // Back to the real name, for the user and for names kept for later.
  EXPECT_EQ(NativePathOf(*openable).toStdString(), (dir.path() / (latin1 + ".dtv")).string());
  EXPECT_EQ(NativePathOf(percent.fileName()).toStdString(), (dir.path() / "100\xFF%.dtv").string());
  EXPECT_EQ(DisplayPathText(*openable),
            QString::fromUtf8(dir.path().string()) + QStringLiteral("/caf\uFFFD.dtv"));
  EXPECT_EQ(ListableFolderText(folder), QString::fromStdString(dir.path().string()));
  EXPECT_EQ(ListableFolderText(QStringLiteral("/data")), QStringLiteral("/data"));
  // Nothing meant for the real folder is written into the alias folder.
  QFile sidecar(folder + "/caf%E9.dti");
  if (::geteuid() != 0) {
    EXPECT_FALSE(sidecar.open(QIODevice::WriteOnly));
  }
}

} // namespace
} // namespace calidarix
