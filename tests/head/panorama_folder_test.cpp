// Frame names, folder listing and the parameter file of a panorama folder.

#include "head/panorama_folder.h"
#include "platform/inifile.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

using test::QPath;

TEST(PanoramaFolder, FrameNamesCarryTheCountersWithTheirOffset) {
  EXPECT_EQ(PanoFrameName(0, 0), "PF_800080_800080.dtv");
  EXPECT_EQ(PanoFrameName(-128, 256), "PF_800000_800180.dtv");
  // The head's counters are 24 bits wide; a field never grows beyond six digits.
  EXPECT_EQ(PanoFrameName(0x7FFF80, 0), "PF_000000_800080.dtv");

  struct Case {
    const char *name;
    std::optional<TPanoCounters> counters;
  };
  const Case cases[] = {
      {"PF_800080_800080.dtv", TPanoCounters{0, 0}},
      {"PF_800000_800180.dtv", TPanoCounters{-128, 256}},
      {"pf_80008a_80008A.DTV", TPanoCounters{10, 10}},
      {"PF_000000_FFFFFF.dtv", TPanoCounters{-0x800080, 0xFFFFFF - 0x800080}},
      {"PF_80008G_800080.dtv", std::nullopt},
      {"PF_800080-800080.dtv", std::nullopt},
      {"PF_80080_800080.dtv", std::nullopt},
      {"PF_800080_800080.dtv.bak", std::nullopt},
      {"PF_800080_800080.png", std::nullopt},
      {"PF_+80080_800080.dtv", std::nullopt},
      {"XF_800080_800080.dtv", std::nullopt},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ParsePanoFrameName(QString::fromLatin1(c.name)), c.counters) << c.name;
}

TEST(PanoramaFolder, ListingIsByNameAndMatchesWithoutRegardToCase) {
  test::TempDir dir;
  for (const char *name : {"b.ini", "a.INI", "PF_800100_800000.dtv", "pf_800000_800000.DTV", "PF_oops.dtv",
                           "PF_800080_800080.txt", "other.dtv"})
    test::WriteText(dir.file(name), "x");
  std::filesystem::create_directory(dir.file("PF_800080_800080.dtv")); // a folder is no frame

  const TPanoFolderListing listing = ListPanoFolder(QPath(dir.path()));
  EXPECT_EQ(listing.ParameterFile, QPath(dir.file("a.INI")));
  EXPECT_EQ(listing.FrameFiles,
            (QStringList{QPath(dir.file("PF_800100_800000.dtv")), QPath(dir.file("pf_800000_800000.DTV"))}));
  EXPECT_EQ(listing.Skipped, QStringList{"PF_oops.dtv"});

  const TPanoFolderListing missing = ListPanoFolder(QPath(dir.file("none")));
  EXPECT_TRUE(missing.ParameterFile.isEmpty());
  EXPECT_TRUE(missing.FrameFiles.isEmpty());
}

TEST(PanoramaFolder, ParameterFileHoldsBothSectionsInOrderAndKeepsOtherKeys) {
  test::TempDir dir;
  const auto file = dir.file("IRPano-09_05_07-0Cx03.ini");
  test::WriteText(file, "[PARAMS]\nNote=kept\nScanArcH=1\n");
  TPanoHeadIniValues v;
  v.HdType = 'M';
  v.HdVersion = std::string("7\0", 2);
  v.HdSerial = 513;
  v.TheDay = 738000;
  v.RN = 4000000000;
  v.RS = 12;
  v.RatioHor = 4049252;
  v.RatioHorTurns = 4;
  v.RatioVer = 4049117;
  v.RatioVerTurns = 4;
  v.HorizonCorrection = -3000;
  v.FrameTilt = 90;
  v.Nonorthogonality = -5;
  v.StripHeel = 7;
  v.ScanArcH = 3600;
  v.ScanArcV = 65535;
  v.ColumnPriority = true;
  v.LeftToRight = false;
  v.TopToBottom = true;
  ASSERT_TRUE(WritePanoParameterFile(QPath(file), v));

  const IniFile ini(file);
  EXPECT_EQ(ini.ReadSection("HEAD"),
            (std::vector<std::string>{"HdType", "HdVersion", "HdSerial", "TheDay", "RN", "RS"}));
  EXPECT_EQ(ini.ReadString("HEAD", "HdType", ""), "M");
  EXPECT_EQ(ini.ReadString("HEAD", "HdVersion", ""), "7");
  EXPECT_EQ(ini.ReadString("HEAD", "RN", ""), "4000000000");
  EXPECT_EQ(ini.ReadString("PARAMS", "Note", ""), "kept");
  EXPECT_EQ(ini.ReadInteger("PARAMS", "ScanArcH", 0), 3600);
  EXPECT_EQ(ini.ReadInteger("PARAMS", "ScanArcV", 0), 65535);
  EXPECT_EQ(ini.ReadInteger("PARAMS", "HorizonCorrection", 0), -3000);
  EXPECT_EQ(ini.ReadString("PARAMS", "ColumnPriority", ""), "1");
  EXPECT_EQ(ini.ReadString("PARAMS", "LeftToRight", ""), "0");
  EXPECT_EQ(ini.ReadString("PARAMS", "TopToBottom", ""), "1");
  const std::vector<std::string> params = ini.ReadSection("PARAMS");
  const std::vector<std::string> order{
      "Note",          "ScanArcH",          "RatioHor",    "RatioHorTurns",    "RatioVer",
      "RatioVerTurns", "HorizonCorrection", "FrameTilt",   "Nonorthogonality", "StripHeel",
      "ScanArcV",      "ColumnPriority",    "LeftToRight", "TopToBottom"};
  EXPECT_EQ(params, order);

  // A file where the folder should be: an error that names the file.
  test::WriteText(dir.file("plain"), "x");
  const IoResult refused = WritePanoParameterFile(QPath(dir.file("plain/p.ini")), v);
  EXPECT_FALSE(refused);
  EXPECT_TRUE(refused.message.contains("p.ini"));
}

} // namespace
} // namespace calidarix
