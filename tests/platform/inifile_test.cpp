#include "platform/inifile.h"

#include "tests/support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>

namespace calidarix {
namespace {
namespace fs = std::filesystem;

const char kSample[] = "; installation settings\n"
                       "top=outside any section\n"
                       "[SETUP]\n"
                       "  CameraNo = 3  \n"
                       "Width=320\n"
                       "width=999\n"
                       "Quoted=\" padded \"\n"
                       "Empty=\n"
                       ";Width=1\n"
                       "no equals sign here\n"
                       "\n"
                       "[Metro]\n"
                       "[setup]\n"
                       "Height=120\n"
                       "[ONLY COMMENTS]\n"
                       "; nothing=here\n";

TEST(IniFile, ReadsWithWindowsProfileRules) {
  test::TempDir dir;
  for (const bool crlf : {false, true}) {
    std::string text = kSample;
    if (crlf)
      for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
        text.replace(at, 1, "\r\n");
    const fs::path file = dir.file(crlf ? "crlf.ini" : "lf.ini");
    test::WriteText(file, text);
    const IniFile ini(file);
    SCOPED_TRACE(crlf ? "CR LF" : "LF");

    EXPECT_EQ(ini.ReadInteger("setup", "cameraNO", -1), 3);
    EXPECT_EQ(ini.ReadString("SETUP", "CameraNo", "-"), "3");
    EXPECT_EQ(ini.ReadInteger("SETUP", "WIDTH", 0), 320);          // first key wins
    EXPECT_EQ(ini.ReadInteger("SETUP", "Height", 0), 0);           // only in the second [setup]: not seen
    EXPECT_EQ(ini.ReadString("SETUP", "Quoted", "-"), " padded "); // one pair of quotes goes
    EXPECT_EQ(ini.ReadString("SETUP", "Empty", "default"), "");    // present but empty
    EXPECT_EQ(ini.ReadInteger("SETUP", "Empty", 7), 7);
    EXPECT_EQ(ini.ReadString("SETUP", "Missing", "default"), "default");
    EXPECT_EQ(ini.ReadString("NOSECTION", "Width", "default"), "default");
    EXPECT_FALSE(ini.ValueExists("", "top"));

    EXPECT_TRUE(ini.SectionExists("setup"));
    EXPECT_FALSE(ini.SectionExists("METRO"));         // a header without keys
    EXPECT_FALSE(ini.SectionExists("ONLY COMMENTS")); // comments are no keys
    EXPECT_FALSE(ini.SectionExists("CAMERA PARAMETERS"));
    EXPECT_TRUE(ini.ValueExists("SETUP", "width"));
    EXPECT_FALSE(ini.ValueExists("SETUP", "ScanWidth"));

    EXPECT_EQ(ini.ReadSection("Setup"),
              (std::vector<std::string>{"CameraNo", "Width", "width", "Quoted", "Empty"}));
    const auto values = ini.ReadSectionValues("Setup");
    ASSERT_EQ(values.size(), 5u);
    EXPECT_EQ(values[0], (std::pair<std::string, std::string>{"CameraNo", "3"}));
    EXPECT_EQ(values[3], (std::pair<std::string, std::string>{"Quoted", " padded "}));
  }
  const IniFile missing(dir.file("none.ini"));
  EXPECT_EQ(missing.ReadInteger("SETUP", "Width", 320), 320);
  EXPECT_FALSE(missing.SectionExists("SETUP"));
}

TEST(IniFile, NumbersConvertOrFallBackToTheDefault) {
  test::TempDir dir;
  const fs::path file = dir.file("n.ini");
  struct IntCase {
    const char *text;
    std::int32_t expected;
  } ints[] = {{"42", 42},         {" -7 ", -7},       {"$1F", 31},
              {"0x1f", 31},       {"0X1F", 31},       {"$378", 888},
              {"-$10", -16},      {"$FFFFFFFF", -1},  {"2147483647", 2147483647},
              {"2147483648", 99}, {"$100000000", 99}, {"12abc", 99},
              {"1.5", 99},        {"0x", 99},         {"$", 99},
              {"", 99},           {"- 5", 99},        {"5 5", 99}};
  for (const auto &c : ints) {
    test::WriteText(file, std::string("[S]\nk=") + c.text + "\n");
    EXPECT_EQ(IniFile(file).ReadInteger("S", "k", 99), c.expected) << '"' << c.text << '"';
  }
  struct FloatCase {
    const char *text;
    double expected;
  } floats[] = {{"1.5", 1.5},    {"-2e3", -2000.0}, {" .25 ", 0.25}, {"7", 7.0},     {"+3.", 3.0},
                {"1,5", -1.0},   {"inf", -1.0},     {"nan", -1.0},   {"0x10", -1.0}, {"1e", -1.0},
                {"1.5 C", -1.0}, {"", -1.0},        {".", -1.0}};
  for (const auto &c : floats) {
    test::WriteText(file, std::string("[S]\nk=") + c.text + "\n");
    EXPECT_EQ(IniFile(file).ReadFloat("S", "k", -1.0), c.expected) << '"' << c.text << '"';
  }
  struct BoolCase {
    const char *text;
    bool defaultValue, expected;
  } bools[] = {
      {"1", false, true}, {"0", true, false}, {"2", false, true}, {"yes", true, true}, {"yes", false, false}};
  for (const auto &c : bools) {
    test::WriteText(file, std::string("[S]\nk=") + c.text + "\n");
    EXPECT_EQ(IniFile(file).ReadBool("S", "k", c.defaultValue), c.expected) << '"' << c.text << '"';
  }
}

TEST(IniFile, WritesChangeOnlyTheirLines) {
  test::TempDir dir;
  const fs::path file = dir.file("w.ini");
  test::WriteText(file, "; keep me\n"
                        "[SETUP]\n"
                        "Width = 320 ; not a comment for Windows\n"
                        "; calibration follows\n"
                        "Unknown=kept\n"
                        "\n"
                        "[OTHER]\n"
                        "a=1\n");
  IniFile ini(file);
  ASSERT_TRUE(ini.WriteInteger("setup", "WIDTH", 640)); // the stored spelling of the key stays
  ASSERT_TRUE(ini.WriteString("SETUP", "Height", "240"));
  ASSERT_TRUE(ini.WriteBool("NEW", "Flag", true));
  ASSERT_TRUE(ini.WriteFloat("NEW", "Limit", 36.6));
  EXPECT_EQ(test::ReadText(file), "; keep me\n"
                                  "[SETUP]\n"
                                  "Width=640\n"
                                  "; calibration follows\n"
                                  "Unknown=kept\n"
                                  "Height=240\n"
                                  "\n"
                                  "[OTHER]\n"
                                  "a=1\n"
                                  "[NEW]\n"
                                  "Flag=1\n"
                                  "Limit=36.6\n");
  EXPECT_EQ(ini.ReadFloat("NEW", "Limit", 0.0), 36.6);
  EXPECT_EQ(ini.ReadInteger("SETUP", "Width", 0), 640);

  ASSERT_TRUE(ini.DeleteKey("SETUP", "unknown"));
  ASSERT_TRUE(ini.EraseSection("other"));
  ASSERT_TRUE(ini.DeleteKey("NOSUCH", "x"));
  EXPECT_EQ(test::ReadText(file), "; keep me\n"
                                  "[SETUP]\n"
                                  "Width=640\n"
                                  "; calibration follows\n"
                                  "Height=240\n"
                                  "\n"
                                  "[NEW]\n"
                                  "Flag=1\n"
                                  "Limit=36.6\n");

  // Nothing but the file itself is left in the folder: the temporary file was renamed.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

  // The temporary file of a write that was killed half-way is taken over by the next write.
  test::WriteText(dir.path() / (file.filename().string() + ".tmp"), "[SETUP]\nCam");
  ASSERT_TRUE(ini.WriteInteger("NEW", "Flag", 0));
  EXPECT_EQ(ini.ReadInteger("NEW", "Flag", -1), 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(IniFile, WritesKeepTheLineEndStyleAndTheLastLine) {
  test::TempDir dir;
  const fs::path file = dir.file("crlf.ini");
  test::WriteText(file, "\xEF\xBB\xBF[A]\r\nx=1\r\n[B]\r\ny=2");
  IniFile ini(file);
  EXPECT_EQ(ini.ReadInteger("A", "x", 0), 1); // the byte order mark is not part of the name
  ASSERT_TRUE(ini.WriteString("A", "z", "3"));
  ASSERT_TRUE(ini.WriteString("B", "w", "4"));
  EXPECT_EQ(test::ReadText(file), "\xEF\xBB\xBF[A]\r\nx=1\r\nz=3\r\n[B]\r\ny=2\r\nw=4\r\n");

  const fs::path fresh = dir.file("sub/new.ini"); // the folder is made on the first write
  ASSERT_TRUE(IniFile(fresh).WriteString("S", "k", "v"));
  EXPECT_EQ(test::ReadText(fresh), "[S]\nk=v\n");
}

TEST(IniFile, NamesAndValuesThatWouldBreakTheFileAreRefused) {
  test::TempDir dir;
  const fs::path file = dir.file("r.ini");
  test::WriteText(file, "[S]\nk=v\n");
  IniFile ini(file);
  EXPECT_FALSE(ini.WriteString("S", "k", "two\nlines"));
  EXPECT_FALSE(ini.WriteString("S", "a=b", "v"));
  EXPECT_FALSE(ini.WriteString("S", ";k", "v"));
  EXPECT_FALSE(ini.WriteString("S", " ", "v"));
  EXPECT_FALSE(ini.WriteString("S]", "k", "v"));
  EXPECT_FALSE(ini.WriteString("", "k", "v"));
  EXPECT_EQ(test::ReadText(file), "[S]\nk=v\n");
}

// A batch changes the text in memory, where its own reads see it, and writes the file once on commit,
// with the same bytes the writes one by one give; an abandoned batch or a failed commit leaves the file
// as it was.
TEST(IniFile, BatchWritesTheFileOnceWithAllItsKeys) {
  test::TempDir dir;
  const std::string start = "; keep me\r\n[SETUP]\r\nWidth=320\r\nOld=1\r\n[GONE]\r\nx=1\r\n";
  const fs::path one = dir.file("one.ini");
  const fs::path batched = dir.file("batched.ini");
  test::WriteText(one, start);
  test::WriteText(batched, start);
  const auto edit = [](IniFile &ini) {
    EXPECT_TRUE(ini.WriteInteger("setup", "WIDTH", 640));
    for (int i = 1; i <= 50; ++i)
      EXPECT_TRUE(ini.WriteFloat("TABLE", "T" + std::to_string(i), i * 0.5));
    EXPECT_TRUE(ini.DeleteKey("SETUP", "old"));
    EXPECT_TRUE(ini.EraseSection("gone"));
    EXPECT_FALSE(ini.WriteString("TABLE", "bad=key", "1")); // refused in a batch too
  };
  IniFile single(one);
  edit(single);

  IniFile ini(batched);
  ASSERT_TRUE(ini.BeginBatch());
  EXPECT_FALSE(ini.BeginBatch()) << "batches do not nest";
  edit(ini);
  EXPECT_EQ(test::ReadText(batched), start) << "nothing reaches the file before the commit";
  EXPECT_EQ(ini.ReadInteger("SETUP", "Width", 0), 640);
  EXPECT_EQ(ini.ReadSection("TABLE").size(), 50u);
  EXPECT_FALSE(ini.ValueExists("SETUP", "Old"));
  EXPECT_FALSE(IniFile(ini).InBatch()) << "a copy starts without the batch";
  EXPECT_EQ(IniFile(batched).ReadInteger("SETUP", "Width", 0), 320);
  ASSERT_TRUE(ini.CommitBatch());
  EXPECT_FALSE(ini.InBatch());
  EXPECT_EQ(test::ReadText(batched), test::ReadText(one));

  // Abandoned, by hand or by a scope that does not commit: the file stays.
  const std::string committed = test::ReadText(batched);
  ASSERT_TRUE(ini.BeginBatch());
  EXPECT_TRUE(ini.WriteInteger("SETUP", "Width", 1));
  ini.AbandonBatch();
  {
    IniBatch scope(ini);
    ASSERT_TRUE(scope.Began());
    EXPECT_TRUE(ini.WriteInteger("SETUP", "Width", 2));
  }
  EXPECT_EQ(test::ReadText(batched), committed);
  EXPECT_EQ(ini.ReadInteger("SETUP", "Width", 0), 640);

  // A commit that cannot write (the temporary file's name is taken by a folder) fails and changes nothing.
  fs::create_directory(dir.file("batched.ini.tmp"));
  IniBatch failing(ini);
  ASSERT_TRUE(failing.Began());
  EXPECT_TRUE(ini.WriteInteger("SETUP", "Width", 3));
  EXPECT_FALSE(failing.Commit());
  EXPECT_FALSE(ini.InBatch());
  EXPECT_EQ(test::ReadText(batched), committed);
}

TEST(IniFile, ProgramIniIsFoundBesideTheProgramElseInTheConfigurationFolder) {
  test::TempDir dir;
  const fs::path program = dir.path() / "bin";
  const fs::path config = dir.path() / "config";
  fs::create_directories(program);
  test::ScopedEnv programDir("CALIDARIX_PROGRAM_DIR", program.string());
  test::ScopedEnv xdg("XDG_CONFIG_HOME", config.string());

  const fs::path inConfig = config / "calidarix" / "Calidarix.ini";
  EXPECT_EQ(ProgramIniPath(), inConfig);
  IniFile(ProgramIniPath()).WriteString("SETUP", "DriveLetter", "D");
  EXPECT_EQ(IniFile(inConfig).ReadString("SETUP", "DriveLetter", ""), "D");

  test::WriteText(program / "Calidarix.ini", "[SETUP]\nDriveLetter=E\n");
  EXPECT_EQ(ProgramIniPath(), program / "Calidarix.ini");
  IniFile ini(ProgramIniPath());
  EXPECT_EQ(ini.ReadString("SETUP", "DriveLetter", ""), "E");
  ASSERT_TRUE(ini.WriteInteger("SETUP", "CameraNo", 1));
  EXPECT_EQ(test::ReadText(program / "Calidarix.ini"), "[SETUP]\nDriveLetter=E\nCameraNo=1\n");
  EXPECT_EQ(IniFile(inConfig).ReadInteger("SETUP", "CameraNo", -1), -1);
}

} // namespace
} // namespace calidarix
