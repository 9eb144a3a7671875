#include "platform/registry.h"

#include "tests/support/test_support.h"

#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <sstream>
#include <thread>

namespace calidarix {
namespace {
namespace fs = std::filesystem;

// Collects what the registry reports instead of printing it.
class RegistryTest : public testing::Test {
protected:
  void SetUp() override {
    SetRegistryProblemHandler([this](const std::string &message) { problems.push_back(message); });
  }
  void TearDown() override { SetRegistryProblemHandler({}); }

  test::TempDir dir;
  fs::path file = dir.file("registry.txt");
  std::vector<std::string> problems;
};

TEST_F(RegistryTest, ValuesOfEveryTypeSurviveTheFile) {
  const std::string awkward = "C:\\DATA\\ \"quoted\"\nline2\ttab \x01 Снимок";
  {
    Registry reg(file);
    ASSERT_TRUE(reg.OpenKey("\\dtvimage\\Setup", true));
    EXPECT_TRUE(reg.WriteInteger("Language", -5));
    EXPECT_TRUE(reg.WriteBool("isAutoSave", true));
    EXPECT_TRUE(reg.WriteString("OpenDirectory", awkward));
    EXPECT_TRUE(reg.WriteString("", "default value"));
    EXPECT_TRUE(reg.WriteBinaryData("Blob", {0x00, 0xFF, 0x10}));
    EXPECT_TRUE(reg.WriteBinaryData("Empty", {}));
    EXPECT_TRUE(reg.WriteFloat("FixedMin", 20.0));
  }
  Registry reg(file); // a fresh object reads only what the file holds
  ASSERT_TRUE(reg.OpenKey("\\DTVIMAGE\\setup", false));
  EXPECT_EQ(reg.CurrentPath(), "\\dtvimage\\Setup");
  EXPECT_EQ(reg.ReadInteger("language"), -5);
  EXPECT_EQ(reg.ReadBool("isAutoSave"), true);
  EXPECT_EQ(reg.ReadString("OpenDirectory"), awkward);
  EXPECT_EQ(reg.ReadString(""), "default value");
  EXPECT_EQ(reg.ReadBinaryData("Blob"), (std::vector<std::uint8_t>{0x00, 0xFF, 0x10}));
  EXPECT_EQ(reg.ReadBinaryData("Empty"), std::vector<std::uint8_t>{});
  EXPECT_EQ(reg.ReadFloat("FixedMin"), 20.0);
  EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"Language", "isAutoSave", "OpenDirectory", "",
                                                           "Blob", "Empty", "FixedMin"}));
  EXPECT_TRUE(problems.empty());

  // The documented text form: one line per value, doubles little-endian.
  const std::string text = test::ReadText(file);
  EXPECT_EQ(text.rfind("Calidarix registry 1\n", 0), 0u);
  EXPECT_NE(text.find("[\\dtvimage\\Setup]\n"), std::string::npos);
  EXPECT_NE(text.find("\"Language\"=dword:FFFFFFFB\n"), std::string::npos);
  EXPECT_NE(text.find("\"FixedMin\"=hex:00,00,00,00,00,00,34,40\n"), std::string::npos);
  EXPECT_NE(text.find("@=\"default value\"\n"), std::string::npos);
  EXPECT_NE(text.find("\"OpenDirectory\"=\"C:\\\\DATA\\\\ \\\"quoted\\\"\\nline2\\ttab \\x01 Снимок\"\n"),
            std::string::npos);
  EXPECT_TRUE(text.ends_with("End of registry\n"));
}

TEST_F(RegistryTest, DoublesAreBitExact) {
  const double values[] = {0.1,
                           -0.0,
                           1.0 / 3.0,
                           std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::max(),
                           -std::numeric_limits<double>::infinity(),
                           std::bit_cast<double>(std::uint64_t{0x7FF8DEADBEEF0001})}; // NaN with payload
  {
    Registry reg(file);
    ASSERT_TRUE(reg.OpenKey("\\k", true));
    for (std::size_t i = 0; i < std::size(values); ++i)
      ASSERT_TRUE(reg.WriteFloat("v" + std::to_string(i), values[i]));
  }
  Registry reg(file);
  ASSERT_TRUE(reg.OpenKey("\\k", false));
  for (std::size_t i = 0; i < std::size(values); ++i) {
    const auto read = reg.ReadFloat("v" + std::to_string(i));
    ASSERT_TRUE(read.has_value()) << i;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*read), std::bit_cast<std::uint64_t>(values[i])) << i;
  }
}

TEST_F(RegistryTest, AValueOfAnotherTypeReadsAsMissing) {
  Registry reg(file);
  ASSERT_TRUE(reg.OpenKey("\\dtvimage\\Scanning", true));
  ASSERT_TRUE(reg.WriteString("Text", "12"));
  ASSERT_TRUE(reg.WriteInteger("Number", 7));
  ASSERT_TRUE(reg.WriteBinaryData("Short", {1, 2, 3, 4}));
  ASSERT_TRUE(reg.WriteFloat("Real", 36.0));

  EXPECT_TRUE(reg.ValueExists("Text"));
  EXPECT_EQ(reg.ReadInteger("Text"), std::nullopt);
  EXPECT_EQ(reg.ReadBool("Text"), std::nullopt);
  EXPECT_EQ(reg.ReadFloat("Text"), std::nullopt);
  EXPECT_EQ(reg.ReadString("Number"), std::nullopt);
  EXPECT_EQ(reg.ReadFloat("Number"), std::nullopt);
  EXPECT_EQ(reg.ReadBool("Number"), true);         // any non-zero DWORD is true
  EXPECT_EQ(reg.ReadFloat("Short"), std::nullopt); // binary, but not 8 bytes
  EXPECT_EQ(reg.ReadInteger("Real"), std::nullopt);
  EXPECT_EQ(reg.GetDataType("Real"), RegDataType::Binary);
  EXPECT_EQ(reg.GetDataType("Missing"), std::nullopt);
  EXPECT_EQ(reg.ReadString("Missing"), std::nullopt);

  // Rewriting with another type replaces the value and keeps the first spelling of its name.
  ASSERT_TRUE(reg.WriteInteger("TEXT", 3));
  EXPECT_EQ(reg.ReadInteger("Text"), 3);
  EXPECT_EQ(reg.ReadString("Text"), std::nullopt);
  EXPECT_EQ(reg.GetValueNames().front(), "Text");
}

TEST_F(RegistryTest, KeysOpenCreateAndDelete) {
  Registry reg(file);
  EXPECT_FALSE(reg.OpenKey("\\dtvimage\\Setup", false));
  EXPECT_FALSE(fs::exists(file)) << "opening without create must not write";
  EXPECT_EQ(reg.CurrentPath(), "\\");

  ASSERT_TRUE(reg.OpenKey("\\dtvimage", true));
  ASSERT_TRUE(reg.OpenKey("Shell\\Open\\Command", true)); // relative to the current key
  EXPECT_EQ(reg.CurrentPath(), "\\dtvimage\\Shell\\Open\\Command");
  EXPECT_FALSE(reg.OpenKey("\\bad\x01name", true));
  std::string tooDeep;
  for (int i = 0; i < 513; ++i)
    tooDeep += "\\k";
  EXPECT_FALSE(reg.OpenKey(tooDeep, true));
  EXPECT_EQ(reg.CurrentPath(), "\\dtvimage\\Shell\\Open\\Command");

  reg.CloseKey();
  ASSERT_TRUE(reg.OpenKey("dtvimage\\Calidarix_Interface", true)); // from the root after CloseKey
  ASSERT_TRUE(reg.OpenKey("\\.dtv", true));
  reg.CloseKey();
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"dtvimage", ".dtv"}));
  ASSERT_TRUE(reg.OpenKey("\\dtvimage", false));
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"Shell", "Calidarix_Interface"}));

  ASSERT_TRUE(reg.OpenKey("\\dtvimage\\Shell\\Open\\Command", false));
  ASSERT_TRUE(reg.WriteString("", "x"));
  EXPECT_TRUE(reg.DeleteValue(""));
  EXPECT_FALSE(reg.DeleteValue(""));
  EXPECT_FALSE(reg.ValueExists(""));

  EXPECT_TRUE(reg.DeleteKey("\\DTVIMAGE\\shell")); // with its subkeys
  EXPECT_FALSE(reg.KeyExists("\\dtvimage\\Shell\\Open"));
  EXPECT_TRUE(reg.KeyExists("\\dtvimage\\Calidarix_Interface"));
  EXPECT_FALSE(reg.DeleteKey("\\dtvimage\\Shell"));
  EXPECT_FALSE(reg.DeleteKey("\\"));
  // The current key is gone: reads find nothing and writes fail rather than resurrect it.
  EXPECT_FALSE(reg.WriteInteger("x", 1));
  EXPECT_TRUE(reg.GetValueNames().empty());
  EXPECT_FALSE(Registry(file).KeyExists("\\dtvimage\\Shell"));
}

TEST_F(RegistryTest, TwoObjectsOnOneFileKeepEachOthersWrites) {
  Registry a(file);
  Registry b(file);
  ASSERT_TRUE(a.OpenKey("\\dtvimage\\Setup", true));
  ASSERT_TRUE(b.OpenKey("\\dtvimage\\Setup", false)); // sees the key a created
  ASSERT_TRUE(a.WriteInteger("FontN", 14));
  ASSERT_TRUE(b.WriteInteger("BMPLook", 2)); // b's cached view is stale: it must re-read first
  ASSERT_TRUE(a.WriteString("Other", "a"));
  EXPECT_EQ(b.ReadString("Other"), "a");
  Registry c(file);
  ASSERT_TRUE(c.OpenKey("\\dtvimage\\Setup", false));
  EXPECT_EQ(c.ReadInteger("FontN"), 14);
  EXPECT_EQ(c.ReadInteger("BMPLook"), 2);

  // Many writers at once, each with its own object (its own lock descriptor).
  constexpr int kThreads = 4, kWrites = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      Registry writer(file);
      if (!writer.OpenKey("\\race", true))
        return;
      for (int i = 0; i < kWrites; ++i)
        writer.WriteInteger("t" + std::to_string(t) + "_" + std::to_string(i), i);
    });
  for (auto &thread : threads)
    thread.join();
  Registry check(file);
  ASSERT_TRUE(check.OpenKey("\\race", false));
  EXPECT_EQ(check.GetValueNames().size(), std::size_t{kThreads * kWrites});
  EXPECT_TRUE(problems.empty());
}

TEST_F(RegistryTest, ATruncatedFileKeepsWhatWasReadAndIsSetAsideBeforeTheNextWrite) {
  {
    Registry reg(file);
    ASSERT_TRUE(reg.OpenKey("\\dtvimage\\Setup", true));
    ASSERT_TRUE(reg.WriteInteger("FontN", 14));
    ASSERT_TRUE(reg.WriteString("Path", "abc"));
  }
  const std::string whole = test::ReadText(file);
  const std::size_t pathLineEnd = whole.find("\"Path\"=\"abc\"") + std::string("\"Path\"=\"abc\"").size();
  // Every cut short of the final line end loses data and must be seen as damage; the lines before the
  // cut are kept.
  for (std::size_t length = 0; length + 1 < whole.size(); ++length) {
    test::WriteText(file, whole.substr(0, length));
    problems.clear();
    Registry reg(file);
    EXPECT_EQ(reg.OpenKey("\\dtvimage\\Setup", false) && reg.ValueExists("Path"), length >= pathLineEnd)
        << length;
    EXPECT_EQ(problems.size(), 1u) << length;
  }
  test::WriteText(file, whole.substr(0, whole.size() - 1)); // only the last line end lost: nothing is missing
  problems.clear();
  {
    Registry reg(file);
    ASSERT_TRUE(reg.OpenKey("\\dtvimage\\Setup", false));
    EXPECT_EQ(reg.ReadString("Path"), "abc");
    EXPECT_TRUE(problems.empty());
  }

  // A file cut in the middle of its last value (under another name: the reports above were for the
  // first one).
  file = dir.file("second.txt");
  const std::string damaged = whole.substr(0, pathLineEnd - 2);
  test::WriteText(file, damaged);
  problems.clear();
  Registry reg(file);
  ASSERT_TRUE(reg.OpenKey("\\dtvimage\\Setup", false));
  EXPECT_EQ(reg.ReadInteger("FontN"), 14);
  EXPECT_FALSE(reg.ValueExists("Path"));
  EXPECT_TRUE(Registry(file).KeyExists("\\dtvimage")); // read again: reported only once
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("cut short"), std::string::npos) << problems[0];
  EXPECT_EQ(test::ReadText(file), damaged) << "reading must not touch the damaged file";

  ASSERT_TRUE(reg.WriteInteger("BMPLook", 1));
  EXPECT_EQ(test::ReadText(fs::path(file.string() + ".corrupt-1")), damaged);
  ASSERT_EQ(problems.size(), 2u); // and once more to say where the damaged file went
  EXPECT_NE(problems[1].find(".corrupt-1"), std::string::npos) << problems[1];
  Registry fresh(file);
  ASSERT_TRUE(fresh.OpenKey("\\dtvimage\\Setup", false));
  EXPECT_EQ(fresh.GetValueNames(), (std::vector<std::string>{"FontN", "BMPLook"}));
  EXPECT_EQ(problems.size(), 2u) << "the new file is whole";

  // A second damaged file takes the next free name.
  test::WriteText(file, "garbage\n");
  ASSERT_TRUE(Registry(file).OpenKey("\\x", true));
  EXPECT_EQ(test::ReadText(fs::path(file.string() + ".corrupt-2")), "garbage\n");
  EXPECT_EQ(test::ReadText(fs::path(file.string() + ".corrupt-1")), damaged);
}

TEST_F(RegistryTest, OneStrayLineCostsOnlyWhatItHeld) {
  const std::string head = "Calidarix registry 1\n";
  test::WriteText(
      file, head + "; a comment\n\n[\\a\\b]\n\"s\"=\"x\\x41\\\\y\"\n\"d\"=dword:0000002a\n\"h\"=hex:\nEnd "
                   "of registry\n");
  {
    Registry reg(file);
    EXPECT_TRUE(reg.KeyExists("\\a")); // implied by its subkey
    ASSERT_TRUE(reg.OpenKey("\\a\\b", false));
    EXPECT_EQ(reg.ReadString("s"), "xA\\y");
    EXPECT_EQ(reg.ReadInteger("d"), 42);
    EXPECT_EQ(reg.ReadBinaryData("h"), std::vector<std::uint8_t>{});
    EXPECT_TRUE(problems.empty());
  }
  // A damaged line, followed by the well-formed key \k with its value "g", which is always kept.
  struct Case {
    std::string body;              // after the header line
    std::vector<std::string> keys; // the keys below the root that are kept
  };
  std::string deep = "[";
  for (int i = 0; i < 513; ++i)
    deep += "\\a";
  const Case cases[] = {
      {"[\\a]\n\"s\"=\"unterminated\n", {"a", "k"}}, {"[\\a]\n\"s\"=\"bad escape \\q\"\n", {"a", "k"}},
      {"[\\a]\n\"d\"=dword:2a\n", {"a", "k"}},       {"[\\a]\n\"h\"=hex:1,02\n", {"a", "k"}},
      {"[\\a]\n\"h\"=hex:01,\n", {"a", "k"}},        {"\"s\"=\"value before any key\"\n", {"k"}},
      {"[a]\n\"lost\"=dword:00000001\n", {"k"}},     {"[\\a\\\\b]\n", {"k"}},
      {"[\\a]\nsomething else\n", {"a", "k"}},       {deep + "]\n", {"k"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.body.substr(0, 40));
    test::WriteText(file, head + c.body + "[\\k]\n\"g\"=dword:00000007\nEnd of registry\n");
    problems.clear();
    Registry reg(file);
    EXPECT_EQ(reg.GetKeyNames(), c.keys);
    ASSERT_TRUE(reg.OpenKey("\\k", false));
    EXPECT_EQ(reg.ReadInteger("g"), 7);
    EXPECT_EQ(problems.size(), 1u);
  }
  // Text after the end line, or a file without its header, is damage too, and is read all the same.
  for (const std::string &text : {head + "[\\a]\nEnd of registry\n[\\k]\n\"g\"=dword:00000007\n",
                                  std::string("[\\a]\n[\\k]\n\"g\"=dword:00000007\nEnd of registry\n")}) {
    test::WriteText(file, text);
    problems.clear();
    Registry reg(file);
    EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"a", "k"})) << text;
    EXPECT_EQ(problems.size(), 1u) << text;
  }
}

TEST_F(RegistryTest, AWriteThatChangesNothingLeavesTheFileAlone) {
  // A hand-made comment shows whether the file was rewritten: a rewrite drops it.
  const std::string text = "Calidarix registry 1\n; kept by hand\n[\\.dtv]\n@=\"dtvimage\"\n"
                           "[\\dtvimage]\n[\\dtvimage\\Setup]\n\"FontN\"=dword:0000000E\n"
                           "\"FixedMin\"=hex:00,00,00,00,00,00,34,40\n\"Blob\"=hex:01,02\n"
                           "\"Path\"=\"C:\\\\DATA\"\nEnd of registry\n";
  test::WriteText(file, text);
  const std::pair<const char *, std::function<bool(Registry &)>> unchanged[] = {
      {"open an existing key", [](Registry &r) { return r.OpenKey("\\DTVIMAGE\\setup", true); }},
      {"same string", [](Registry &r) { return r.WriteString("Path", "C:\\DATA"); }},
      {"same integer, other case", [](Registry &r) { return r.WriteInteger("fontn", 14); }},
      {"same double", [](Registry &r) { return r.WriteFloat("FixedMin", 20.0); }},
      {"same bytes",
       [](Registry &r) {
         return r.WriteBinaryData("Blob", {1, 2});
       }},
      {"same default value",
       [](Registry &r) { return r.OpenKey("\\.dtv", false) && r.WriteString("", "dtvimage"); }},
  };
  for (const auto &[what, write] : unchanged) {
    Registry reg(file);
    ASSERT_TRUE(reg.OpenKey("\\dtvimage\\Setup", false)) << what;
    EXPECT_TRUE(write(reg)) << what;
    EXPECT_EQ(test::ReadText(file), text) << what;
  }

  // A value that does change is written, and another object sees it.
  Registry reg(file);
  ASSERT_TRUE(reg.OpenKey("\\dtvimage\\Setup", false));
  ASSERT_TRUE(reg.WriteInteger("FontN", 12));
  EXPECT_EQ(test::ReadText(file).find("; kept by hand"), std::string::npos);
  Registry other(file);
  ASSERT_TRUE(other.OpenKey("\\dtvimage\\Setup", false));
  EXPECT_EQ(other.ReadInteger("FontN"), 12);
  EXPECT_EQ(other.ReadString("Path"), "C:\\DATA");

  // A damaged file is still set aside on a write, even one that would change nothing of what was read.
  const std::string damaged = test::ReadText(file) + "stray line\n";
  test::WriteText(file, damaged);
  Registry again(file);
  ASSERT_TRUE(again.OpenKey("\\dtvimage\\Setup", false));
  ASSERT_TRUE(again.WriteInteger("FontN", 12));
  EXPECT_EQ(test::ReadText(fs::path(file.string() + ".corrupt-1")), damaged);
  EXPECT_EQ(Registry(file).KeyExists("\\dtvimage\\Setup"), true);
  EXPECT_EQ(problems.size(), 2u); // the damage, then where the damaged file went
}

TEST_F(RegistryTest, DefaultFileComesFromTheEnvironment) {
  {
    test::ScopedEnv registry("CALIDARIX_REGISTRY", file.string());
    EXPECT_EQ(RegistryFilePath(), file);
    Registry reg;
    EXPECT_EQ(reg.FileName(), file);
  }
  test::ScopedEnv registry("CALIDARIX_REGISTRY", "");
  test::ScopedEnv config("XDG_CONFIG_HOME", dir.path().string());
  EXPECT_EQ(RegistryFilePath(), dir.path() / "calidarix" / "registry.txt");
  // The configuration folder is made on the first write.
  Registry configured;
  EXPECT_TRUE(configured.OpenKey("\\dtvimage", true));
  EXPECT_TRUE(fs::exists(dir.path() / "calidarix" / "registry.txt"));
}

} // namespace
} // namespace calidarix
