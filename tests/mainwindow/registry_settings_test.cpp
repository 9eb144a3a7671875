#include "mainwindow/registry_settings.h"

#include "platform/path_text.h"

#include "tests/support/test_support.h"

#include <QFileInfo>
#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace calidarix {
namespace {
namespace fs = std::filesystem;

std::string Text(bool v) {
  return v ? "true" : "false";
}
std::string Text(std::int32_t v) {
  return std::to_string(v);
}
std::string Text(std::uint8_t v) {
  return std::to_string(v);
}
std::string Text(double v) {
  return std::to_string(v);
}
std::string Text(const QString &v) {
  return "'" + v.toStdString() + "'";
}
std::string Text(const std::optional<bool> &v) {
  return v ? Text(*v) : "none";
}
std::string Text(const std::optional<std::int32_t> &v) {
  return v ? Text(*v) : "none";
}

// One registry value: how to store it, how to see its target, and what the target holds when the
// value is present, when only the value is missing and when its whole key is missing.
struct Row {
  const char *key;
  const char *name;
  std::function<void(Registry &, const char *)> put;
  std::function<std::string(const RegistrySettings &)> get;
  std::string present;
  std::string valueMissing;
  std::string keyMissing;
};

auto Dword(std::int32_t v) {
  return [v](Registry &r, const char *name) { ASSERT_TRUE(r.WriteInteger(name, v)); };
}
auto Real(double v) {
  return [v](Registry &r, const char *name) { ASSERT_TRUE(r.WriteFloat(name, v)); };
}
auto Sz(const char *v) {
  return [v](Registry &r, const char *name) { ASSERT_TRUE(r.WriteString(name, v)); };
}
auto Binary(std::vector<std::uint8_t> v) {
  return [v](Registry &r, const char *name) { ASSERT_TRUE(r.WriteBinaryData(name, v)); };
}

#define FIELD(f) [](const RegistrySettings &s) { return Text(s.f); }

// The state before the restore: values that no default equals, so "left unchanged" shows.
RegistrySettings StartState() {
  RegistrySettings s;
  s.isIso = true;
  s.isIsoInverted = false;
  s.isIsoRotated = true;
  s.isIsoColor = false;
  s.isIsoAuto = true;
  s.IsoNumber = s.IsoTop = s.IsoBottom = 7;
  s.isPalInverted = false;
  s.isPalRotated = true;
  s.PalNumber = s.PalTop = s.PalBottom = 7;
  s.isAutoSave = s.FIsInteger = s.FIsFixedRange = s.FIsBigButtons = s.FIsMenuVisible = true;
  s.FIsReadDTI = s.isSaveByF2 = s.FIsFullScreen = s.FIsNightMode = true;
  s.FIsShowMinMax = s.FIsDoubleMinMax = false;
  s.FLanguage = s.FontN = s.ArrayType = s.BMPLook = 5;
  s.InfoPanelLeft = false;
  s.FilmFrames = s.FrameTime = s.SumCount = 5;
  s.FixedMin = s.FixedMax = -1.0;
  s.FLimit = -1.0;
  s.FLimitOn = false;
  s.FOpenDirectory = s.FSaveDirectory = QString();
  s.FPalOpenDirectory = s.FPalSaveDirectory = s.LastSavedPalName = s.FSaveNameBase = "start";
  s.LastPanoPath = "start";
  return s;
}

const char *P = kPaletteKey;
const char *S = kSetupKey;
const char *N = kScanningKey;
const char *D = kDirectoryKey;
const char *Q = kQorKey;

const std::vector<Row> &Rows() {
  static const std::vector<Row> rows = {
      // Palette: a missing value or key leaves the field as it was.
      {P, "isIso", Dword(0), FIELD(isIso), "false", "true", "true"},
      {P, "isIsoInverted", Dword(2), FIELD(isIsoInverted), "true", "false", "false"},
      {P, "isIsoRotated", Dword(0), FIELD(isIsoRotated), "false", "true", "true"},
      {P, "isIsoColor", Dword(-1), FIELD(isIsoColor), "true", "false", "false"},
      {P, "isIsoAuto", Dword(0), FIELD(isIsoAuto), "false", "true", "true"},
      {P, "IsoNumber", Dword(2), FIELD(IsoNumber), "2", "7", "7"},
      {P, "IsoTop", Dword(-1), FIELD(IsoTop), "255", "7", "7"},
      {P, "IsoBottom", Dword(3), FIELD(IsoBottom), "3", "7", "7"},
      {P, "isPalInverted", Dword(1), FIELD(isPalInverted), "true", "false", "false"},
      {P, "isPalRotated", Dword(0), FIELD(isPalRotated), "false", "true", "true"},
      {P, "PalNumber", Dword(8), FIELD(PalNumber), "8", "7", "7"},
      {P, "PalTop", Dword(300), FIELD(PalTop), "44", "7", "7"},
      {P, "PalBottom", Dword(1), FIELD(PalBottom), "1", "7", "7"},
      // Setup
      {S, "isAutoSave", Dword(1), FIELD(isAutoSave), "true", "false", "false"},
      {S, "isInteger", Dword(1), FIELD(FIsInteger), "true", "false", "false"},
      {S, "isFixedRange", Dword(1), FIELD(FIsFixedRange), "true", "false", "false"},
      {S, "isBigButtons", Dword(1), FIELD(FIsBigButtons), "true", "false", "false"},
      {S, "isMenuVisible", Dword(1), FIELD(FIsMenuVisible), "true", "false", "false"},
      {S, "isReadDTI", Dword(1), FIELD(FIsReadDTI), "true", "false", "false"},
      {S, "isSaveByF2", Dword(1), FIELD(isSaveByF2), "true", "false", "false"},
      {S, "isFullScreen", Dword(1), FIELD(FIsFullScreen), "true", "false", "false"},
      {S, "isShowMinMax", Dword(0), FIELD(FIsShowMinMax), "false", "true", "false"},
      {S, "isDoubleMinMax", Dword(0), FIELD(FIsDoubleMinMax), "false", "true", "false"},
      {S, "isNightMode", Dword(7), FIELD(FIsNightMode), "true", "false", "false"},
      {S, "Language", Dword(1), FIELD(FLanguage), "1", "0", "0"},
      {S, "FontN", Dword(9), FIELD(FontN), "9", "14", "14"},
      {S, "ArrayType", Dword(1), FIELD(ArrayType), "1", "0", "0"},
      {S, "InfoPanelLeft", Dword(0), FIELD(InfoPanelLeft), "false", "true", "none"},
      {S, "BMPLook", Dword(3), FIELD(BMPLook), "3", "1", "1"},
      // Scanning
      {N, "FilmFrames", Dword(100), FIELD(FilmFrames), "100", "9999", "9999"},
      {N, "FrameTime", Dword(40), FIELD(FrameTime), "40", "0", "0"},
      {N, "SumCount", Dword(2), FIELD(SumCount), "2", "4", "4"},
      {N, "FixedMin", Real(10.5), FIELD(FixedMin), Text(10.5), Text(20.0), Text(36.0)},
      {N, "FixedMax", Real(50.25), FIELD(FixedMax), Text(50.25), Text(36.0), Text(20.0)},
      {N, "Limit", Real(42.5), FIELD(FLimit), Text(42.5), Text(0.0), Text(-1.0)},
      {N, "Limit", Real(42.5), FIELD(FLimitOn), "true", "false", "false"},
      // Directory: an empty open or save folder becomes the drive root, but only with the key.
      {D, "OpenDirectory", Sz("/data/in/"), FIELD(FOpenDirectory), "'/data/in/'", "'D:\\'", "''"},
      {D, "OpenDirectory", Sz(""), FIELD(FOpenDirectory), "'D:\\'", "'D:\\'", "''"},
      {D, "SaveDirectory", Sz("/data/out/"), FIELD(FSaveDirectory), "'/data/out/'", "'D:\\'", "''"},
      {D, "PalOpenDirectory", Sz("/pal/a/"), FIELD(FPalOpenDirectory), "'/pal/a/'", "'start'", "'start'"},
      {D, "PalSaveDirectory", Sz("/pal/b/"), FIELD(FPalSaveDirectory), "'/pal/b/'", "'start'", "'start'"},
      {D, "LastSavedPalName", Sz("/pal/x.pal"), FIELD(LastSavedPalName), "'/pal/x.pal'", "'start'",
       "'start'"},
      {D, "SaveNameBase", Sz("site"), FIELD(FSaveNameBase), "'site'", "'start'", "'start'"},
      // Qor
      {Q, "LastPanoPath", Sz("/pano/1"), FIELD(LastPanoPath), "'/pano/1'", "'start'", "'start'"},
      {Q, "HeadCom", Dword(3), FIELD(HeadCom), "3", "none", "none"},
      // A value of another type counts as missing.
      {S, "isShowMinMax", Sz("0"), FIELD(FIsShowMinMax), "true", "true", "false"},
      {S, "FontN", Real(9.0), FIELD(FontN), "14", "14", "14"},
      {N, "FixedMin", Binary({0, 0, 0x20, 0x41}), FIELD(FixedMin), Text(20.0), Text(20.0), Text(36.0)},
      {N, "FixedMax", Dword(50), FIELD(FixedMax), Text(36.0), Text(36.0), Text(20.0)},
      {N, "FixedMin", Real(std::numeric_limits<double>::quiet_NaN()), FIELD(FixedMin), Text(20.0), Text(20.0),
       Text(36.0)},
      {N, "Limit", Real(std::numeric_limits<double>::infinity()), FIELD(FLimitOn), "false", "false", "false"},
      {D, "SaveNameBase", Dword(1), FIELD(FSaveNameBase), "'start'", "'start'", "'start'"},
      {Q, "HeadCom", Sz("3"), FIELD(HeadCom), "none", "none", "none"},
  };
  return rows;
}

class RegistrySettingsTest : public testing::Test {
protected:
  void SetUp() override {
    SetRegistryProblemHandler([this](const std::string &m) { problems.push_back(m); });
  }
  void TearDown() override { SetRegistryProblemHandler({}); }

  fs::path NewFile() { return dir.file("registry" + std::to_string(++files) + ".txt"); }

  test::TempDir dir;
  int files = 0;
  std::vector<std::string> problems;
};

TEST_F(RegistrySettingsTest, RestoreTableOverKeyMissingValueMissingAndPresent) {
  for (const Row &row : Rows()) {
    SCOPED_TRACE(std::string(row.key) + " " + row.name);
    {
      Registry reg(NewFile());
      RegistrySettings s = StartState();
      RestoreRegistrySettings(reg, s, "D");
      EXPECT_EQ(row.get(s), row.keyMissing) << "key missing";
    }
    {
      Registry reg(NewFile());
      ASSERT_TRUE(reg.OpenKey(row.key, true));
      ASSERT_TRUE(reg.WriteInteger("Unrelated", 1));
      RegistrySettings s = StartState();
      RestoreRegistrySettings(reg, s, "D");
      EXPECT_EQ(row.get(s), row.valueMissing) << "value missing";
    }
    {
      Registry reg(NewFile());
      ASSERT_TRUE(reg.OpenKey(row.key, true));
      row.put(reg, row.name);
      reg.CloseKey();
      RegistrySettings s = StartState();
      RestoreRegistrySettings(reg, s, "D");
      EXPECT_EQ(row.get(s), row.present) << "present";
    }
  }
  EXPECT_TRUE(problems.empty());
}

TEST_F(RegistrySettingsTest, FoldersWhoseNamesAreNotUtf8KeepTheirBytes) {
  const fs::path folder = dir.path() / std::string("caf\xE9");
  fs::create_directory(folder);
  const QString openable = *OpenablePathText(PathTextFromNative(QByteArray::fromStdString(folder.string())));
  const QByteArray gone("/gone/caf\xE9/");
  RegistrySettings out;
  out.FOpenDirectory = openable;                 // a folder opened in this run
  out.FSaveDirectory = PathTextFromNative(gone); // one that cannot be opened: kept as it came
  const fs::path file = NewFile();
  {
    Registry reg(file);
    ASSERT_TRUE(WriteRegistrySettings(reg, out, {}));
    ASSERT_TRUE(reg.OpenKey(kDirectoryKey, false));
    EXPECT_EQ(reg.ReadString("OpenDirectory"), folder.string());
    EXPECT_EQ(reg.ReadString("SaveDirectory"), gone.toStdString());
  }
  Registry reg(file);
  RegistrySettings in;
  RestoreRegistrySettings(reg, in, "C");
  EXPECT_TRUE(QFileInfo(in.FOpenDirectory).isDir()) << in.FOpenDirectory.toStdString();
  EXPECT_EQ(NativePathOf(in.FOpenDirectory).toStdString(), folder.string());
  EXPECT_EQ(NativePathOf(in.FSaveDirectory), gone);
}

TEST_F(RegistrySettingsTest, ZeroLimitKeepsTheAlarmSwitchOfTheIniFile) {
  Registry reg(NewFile());
  ASSERT_TRUE(reg.OpenKey(kScanningKey, true));
  ASSERT_TRUE(reg.WriteFloat("Limit", 0.0));
  RegistrySettings s;
  s.FLimitOn = true;
  s.FLimit = 55.0;
  RestoreRegistrySettings(reg, s, "C");
  EXPECT_TRUE(s.FLimitOn);
  EXPECT_EQ(s.FLimit, 0.0);
}

TEST_F(RegistrySettingsTest, WriteReadRoundTripIsExactAndTyped) {
  RegistrySettings out;
  out.isIso = true;
  out.isIsoRotated = true;
  out.isIsoAuto = true;
  out.IsoNumber = 4;
  out.IsoTop = 200;
  out.IsoBottom = 12;
  out.isPalRotated = true;
  out.PalNumber = 8;
  out.PalTop = 255;
  out.PalBottom = 1;
  out.FIsInteger = out.FIsReadDTI = out.FIsNightMode = true;
  out.FIsShowMinMax = false;
  out.FIsDoubleMinMax = true;
  out.FLanguage = 1;
  out.FontN = 11;
  out.ArrayType = 1;
  out.InfoPanelLeft = true;
  out.BMPLook = 2;
  out.FilmFrames = -3;
  out.FrameTime = 250;
  out.SumCount = 16;
  out.FixedMin = 0.1;                                               // not exact in binary
  out.FixedMax = std::nextafter(36.6, 100.0);                       // one ulp above
  out.FLimit = std::numeric_limits<double>::denorm_min() * 12345.0; // subnormal
  out.FOpenDirectory = QString::fromUtf8("/data/тепло/");           // non-ASCII text
  out.FSaveDirectory = "C:\\DATABASE.KVD\\";
  out.FPalOpenDirectory = "/pal/open/iron.pal";
  out.FPalSaveDirectory = "C:\\PAL\\rainbow.pal";
  out.LastSavedPalName = "/pal/open/iron.pal";
  out.FSaveNameBase = "Site \"A\"";
  out.LastPanoPath = "/pano/2024";

  const fs::path file = NewFile();
  {
    Registry reg(file);
    EXPECT_TRUE(WriteRegistrySettings(reg, out, {}));
  }
  Registry reg(file);
  for (const char *key : {kPaletteKey, kSetupKey, kScanningKey, kDirectoryKey, kQorKey})
    EXPECT_TRUE(reg.KeyExists(key)) << key;
  ASSERT_TRUE(reg.OpenKey(kScanningKey, false));
  EXPECT_EQ(reg.GetDataType("FixedMin"), RegDataType::Binary);
  EXPECT_EQ(reg.ReadBinaryData("FixedMin")->size(), 8u);
  EXPECT_EQ(reg.GetDataType("SumCount"), RegDataType::DWord);
  ASSERT_TRUE(reg.OpenKey(kSetupKey, false));
  EXPECT_EQ(reg.GetDataType("isReadDTI"), RegDataType::DWord);
  EXPECT_EQ(reg.ReadInteger("isReadDTI"), 1);
  ASSERT_TRUE(reg.OpenKey(kDirectoryKey, false));
  EXPECT_EQ(reg.GetDataType("OpenDirectory"), RegDataType::String);
  reg.CloseKey();

  RegistrySettings in;
  RestoreRegistrySettings(reg, in, "C");
  EXPECT_EQ(std::bit_cast<std::uint64_t>(in.FixedMin), std::bit_cast<std::uint64_t>(out.FixedMin));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(in.FixedMax), std::bit_cast<std::uint64_t>(out.FixedMax));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(in.FLimit), std::bit_cast<std::uint64_t>(out.FLimit));
  EXPECT_TRUE(in.FLimitOn);
  EXPECT_EQ(in.isIso, out.isIso);
  EXPECT_EQ(in.isIsoRotated, out.isIsoRotated);
  EXPECT_EQ(in.isIsoAuto, out.isIsoAuto);
  EXPECT_EQ(in.isIsoColor, out.isIsoColor);
  EXPECT_EQ(in.IsoNumber, out.IsoNumber);
  EXPECT_EQ(in.IsoTop, out.IsoTop);
  EXPECT_EQ(in.IsoBottom, out.IsoBottom);
  EXPECT_EQ(in.isPalRotated, out.isPalRotated);
  EXPECT_EQ(in.PalNumber, out.PalNumber);
  EXPECT_EQ(in.PalTop, out.PalTop);
  EXPECT_EQ(in.PalBottom, out.PalBottom);
  EXPECT_EQ(in.FIsInteger, true);
  EXPECT_EQ(in.FIsReadDTI, true);
  EXPECT_EQ(in.FIsNightMode, true);
  EXPECT_EQ(in.FIsShowMinMax, false);
  EXPECT_EQ(in.FIsDoubleMinMax, true);
  EXPECT_EQ(in.isAutoSave, false);
  EXPECT_EQ(in.FLanguage, 1);
  EXPECT_EQ(in.FontN, 11);
  EXPECT_EQ(in.ArrayType, 1);
  EXPECT_EQ(in.InfoPanelLeft, std::optional<bool>(true));
  EXPECT_EQ(in.BMPLook, 2);
  EXPECT_EQ(in.FilmFrames, -3);
  EXPECT_EQ(in.FrameTime, 250);
  EXPECT_EQ(in.SumCount, 16);
  EXPECT_EQ(in.FOpenDirectory, out.FOpenDirectory);
  EXPECT_EQ(in.FSaveDirectory, out.FSaveDirectory);
  // The palette folders are stored without their file names.
  EXPECT_EQ(in.FPalOpenDirectory, QString("/pal/open/"));
  EXPECT_EQ(in.FPalSaveDirectory, QString("C:\\PAL\\"));
  EXPECT_EQ(in.LastSavedPalName, out.LastSavedPalName);
  EXPECT_EQ(in.FSaveNameBase, out.FSaveNameBase);
  EXPECT_EQ(in.LastPanoPath, out.LastPanoPath);
  EXPECT_FALSE(in.HeadCom.has_value()); // never written by the settings writer
}

TEST_F(RegistrySettingsTest, EmptyPanoramaPathKeepsTheStoredOneAndHeadComIsNotRecreated) {
  Registry reg(NewFile());
  ASSERT_TRUE(StoreHeadComPort(reg, 4));
  RegistrySettings s;
  s.LastPanoPath = "/pano/old";
  ASSERT_TRUE(WriteRegistrySettings(reg, s, {}));
  EXPECT_TRUE(RemoveHeadComPort(reg));
  EXPECT_FALSE(RemoveHeadComPort(reg)); // nothing left to remove
  s.LastPanoPath.clear();
  ASSERT_TRUE(WriteRegistrySettings(reg, s, {}));

  RegistrySettings in;
  RestoreRegistrySettings(reg, in, "C");
  EXPECT_EQ(in.LastPanoPath, QString("/pano/old"));
  EXPECT_FALSE(in.HeadCom.has_value());

  ASSERT_TRUE(StoreHeadComPort(reg, 7));
  RestoreRegistrySettings(reg, in, "C");
  EXPECT_EQ(in.HeadCom, std::optional<std::int32_t>(7));
}

TEST_F(RegistrySettingsTest, RemovingTheHeadPortWithoutTheKeyCreatesNothing) {
  const fs::path file = NewFile();
  Registry reg(file);
  EXPECT_FALSE(RemoveHeadComPort(reg));
  EXPECT_FALSE(reg.KeyExists(kQorKey));
}

TEST_F(RegistrySettingsTest, FailedStartUpWriteStopsAllSettingsWrites) {
  const fs::path file = NewFile();
  Registry reg(file);
  RegistrySettings s;
  s.FRegistryFailed = true;
  std::vector<QString> log;
  EXPECT_FALSE(WriteRegistrySettings(reg, s, [&](const QString &t) { log.push_back(t); }));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(log.empty());
}

TEST_F(RegistrySettingsTest, UnwritableRegistryIsLoggedOncePerKeyAndDoesNotThrow) {
  test::WriteFile(dir.file("not-a-folder"), {'x'});
  Registry reg(dir.file("not-a-folder") / "registry.txt");
  RegistrySettings s;
  std::vector<QString> log;
  bool result = true;
  EXPECT_NO_THROW(result = WriteRegistrySettings(reg, s, [&](const QString &t) { log.push_back(t); }));
  EXPECT_FALSE(result);
  EXPECT_EQ(log.size(), 5u) << "one line per key";

  // A start-up restore from the same place is silent and gives the defaults.
  RegistrySettings in = StartState();
  RestoreRegistrySettings(reg, in, "C");
  EXPECT_EQ(in.FontN, 14);
  EXPECT_EQ(in.FixedMin, 36.0);
}

TEST(RegistrySettings, FixedRangeIsOrderedWhereApplied) {
  RegistrySettings s;
  s.FixedMin = 36.0;
  s.FixedMax = 20.0;
  EXPECT_EQ(OrderedFixedRange(s).Min, 20.0);
  EXPECT_EQ(OrderedFixedRange(s).Max, 36.0);
  EXPECT_EQ(s.FixedMin, 36.0) << "the stored pair stays as it was";
  s.FixedMin = -5.0;
  EXPECT_EQ(OrderedFixedRange(s).Min, -5.0);
  EXPECT_EQ(OrderedFixedRange(s).Max, 20.0);
}

} // namespace
} // namespace calidarix
