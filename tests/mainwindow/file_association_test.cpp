#include "mainwindow/file_association.h"

#include "mainwindow/registry_settings.h"
#include "tests/support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace calidarix {
namespace {
namespace fs = std::filesystem;

std::optional<std::string> ExecLine(const std::string &desktop) {
  std::istringstream in(desktop);
  for (std::string line; std::getline(in, line);)
    if (line.starts_with("Exec="))
      return line.substr(5);
  return std::nullopt;
}

// What a desktop reads back from an Exec value: string escapes undone, then the first quoted
// argument unquoted, "%%" turned into "%". Returns the program and the rest of the line.
std::pair<std::string, std::string> DecodeExec(const std::string &value) {
  std::string unescaped;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      const char next = value[++i];
      unescaped += next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next == 's' ? ' ' : next;
    } else {
      unescaped += value[i];
    }
  }
  EXPECT_EQ(unescaped.front(), '"');
  std::string program;
  std::size_t i = 1;
  for (; i < unescaped.size() && unescaped[i] != '"'; ++i) {
    if (unescaped[i] == '\\')
      ++i;
    if (unescaped[i] == '%' && i + 1 < unescaped.size() && unescaped[i + 1] == '%')
      ++i;
    program += unescaped[i];
  }
  return {program, unescaped.substr(i + 1)};
}

class FileAssociationTest : public testing::Test {
protected:
  std::vector<QString> log;
  SettingsLog logger = [this](const QString &t) { log.push_back(t); };
  test::TempDir dir;
  fs::path data = dir.path() / "data";
};

TEST_F(FileAssociationTest, WritesRegistryMimePackageAndDesktopEntry) {
  const fs::path program = "/opt/thermo tools/calidarix";
  Registry reg(dir.file("registry.txt"));
  const FileAssociationResult r = RegisterDtvFileType(reg, program, data, logger);
  EXPECT_TRUE(r.RegistryWritten);
  EXPECT_TRUE(r.MimePackageWritten);
  EXPECT_TRUE(r.DesktopEntryWritten);
  EXPECT_TRUE(r.DesktopFilesChanged);
  EXPECT_TRUE(log.empty());

  ASSERT_TRUE(reg.OpenKey("\\.dtv", false));
  EXPECT_EQ(reg.ReadString(""), "dtvimage");
  EXPECT_EQ(reg.ReadString("Content Type"), "IMAGE/DTV");
  ASSERT_TRUE(reg.OpenKey("\\dtvimage\\DefaultIcon", false));
  EXPECT_EQ(reg.ReadString(""), "\"/opt/thermo tools/calidarix\",0");
  ASSERT_TRUE(reg.OpenKey("\\dtvimage\\Shell\\Open\\Command", false));
  EXPECT_EQ(reg.ReadString(""), "\"/opt/thermo tools/calidarix\" \"%1\"");

  const std::string mime = test::ReadText(data / "mime" / "packages" / "calidarix-dtv.xml");
  EXPECT_NE(mime.find("<mime-type type=\"image/x-calidarix-dtv\">"), std::string::npos);
  EXPECT_NE(mime.find("<glob pattern=\"*.dtv\"/>"), std::string::npos);
  EXPECT_EQ(mime.find("case-sensitive"), std::string::npos) << "*.DTV must match too";

  const std::string desktop = test::ReadText(data / "applications" / "calidarix.desktop");
  EXPECT_TRUE(desktop.starts_with("[Desktop Entry]\n"));
  EXPECT_NE(desktop.find("\nType=Application\n"), std::string::npos);
  EXPECT_NE(desktop.find("\nMimeType=image/x-calidarix-dtv;\n"), std::string::npos);
  EXPECT_EQ(ExecLine(desktop), "\"/opt/thermo tools/calidarix\" %f");
}

TEST_F(FileAssociationTest, ExecQuotingSurvivesAwkwardProgramPaths) {
  EXPECT_EQ(DesktopExecProgram("/usr/bin/calidarix"), "\"/usr/bin/calidarix\"");
  EXPECT_EQ(DesktopExecProgram("/a/$HOME"), "\"/a/\\\\$HOME\"");
  EXPECT_EQ(DesktopExecProgram("/a/100%"), "\"/a/100%%\"");
  for (const std::string path : {"/opt/my apps/calidarix", "/a/$HOME/`x`/\"q\"", "/a\\b/c\\\\d", "/a/100%/%f",
                                 "/a/tab\there", "/a/new\nline", "/a/it's (1) & <2>;#~|*?", "/a/тепло/x"}) {
    SCOPED_TRACE(path);
    const std::string exec = DesktopExecProgram(path);
    ASSERT_FALSE(exec.empty());
    EXPECT_EQ(exec.find('\n'), std::string::npos) << "one line";
    const auto [program, rest] = DecodeExec(exec);
    EXPECT_EQ(program, path);
    EXPECT_EQ(rest, "");
  }
  EXPECT_EQ(DesktopExecProgram("/opt/a=b/calidarix"), "") << "an executable path may not hold '='";
  EXPECT_EQ(DesktopExecProgram(std::string("/opt/\xff\xfe/calidarix")), "") << "not UTF-8";
}

TEST_F(FileAssociationTest, RewritesOnlyWhenTheProgramMoved) {
  Registry reg(dir.file("registry.txt"));
  ASSERT_TRUE(RegisterDtvFileType(reg, "/opt/a/calidarix", data, logger).DesktopFilesChanged);
  EXPECT_FALSE(RegisterDtvFileType(reg, "/opt/a/calidarix", data, logger).DesktopFilesChanged);
  const FileAssociationResult moved = RegisterDtvFileType(reg, "/opt/b/calidarix", data, logger);
  EXPECT_TRUE(moved.DesktopFilesChanged);
  EXPECT_EQ(ExecLine(test::ReadText(data / "applications" / "calidarix.desktop")), "\"/opt/b/calidarix\" %f");
  ASSERT_TRUE(reg.OpenKey("\\dtvimage\\Shell\\Open\\Command", false));
  EXPECT_EQ(reg.ReadString(""), "\"/opt/b/calidarix\" \"%1\"");
  EXPECT_TRUE(log.empty());
}

TEST_F(FileAssociationTest, FailuresAreLoggedAndDoNotStopTheOtherPartsOrLaterSettingsWrites) {
  // A data folder that cannot be created: its parent is a file.
  test::WriteFile(dir.file("plain-file"), {'x'});
  Registry reg(dir.file("registry.txt"));
  const FileAssociationResult r =
      RegisterDtvFileType(reg, "/opt/a/calidarix", dir.file("plain-file"), logger);
  EXPECT_TRUE(r.RegistryWritten);
  EXPECT_FALSE(r.MimePackageWritten);
  EXPECT_FALSE(r.DesktopEntryWritten);
  EXPECT_EQ(log.size(), 2u);

  RegistrySettings settings;
  EXPECT_FALSE(settings.FRegistryFailed);
  EXPECT_TRUE(WriteRegistrySettings(reg, settings, logger));

  // A registry that cannot be written: the desktop files are still written.
  log.clear();
  Registry broken(dir.file("plain-file") / "registry.txt");
  const FileAssociationResult r2 = RegisterDtvFileType(broken, "/opt/a/calidarix", data, logger);
  EXPECT_FALSE(r2.RegistryWritten);
  EXPECT_TRUE(r2.MimePackageWritten);
  EXPECT_TRUE(r2.DesktopEntryWritten);
  EXPECT_FALSE(log.empty());
}

TEST_F(FileAssociationTest, ProgramPathThatCannotBeExecutedSkipsOnlyTheDesktopEntry) {
  Registry reg(dir.file("registry.txt"));
  const FileAssociationResult r = RegisterDtvFileType(reg, "/opt/a=b/calidarix", data, logger);
  EXPECT_TRUE(r.RegistryWritten);
  EXPECT_TRUE(r.MimePackageWritten);
  EXPECT_FALSE(r.DesktopEntryWritten);
  EXPECT_FALSE(fs::exists(data / "applications" / "calidarix.desktop"));
  EXPECT_EQ(log.size(), 1u);
}

TEST(FileAssociation, DataHomeFollowsXdgDataHome) {
  test::ScopedEnv dataHome("XDG_DATA_HOME", "/tmp/calidarix-xdg-data");
  EXPECT_EQ(XdgDataHome(), fs::path("/tmp/calidarix-xdg-data"));
}

} // namespace
} // namespace calidarix
