#include "acquisition/camera_ini.h"

#include "acquisition/calibration_fit.h"
#include "acquisition/calibration_sets.h"
#include "acquisition/camera_log.h"
#include "acquisition/camera_state.h"
#include "tests/support/test_support.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace calidarix {
namespace {

class CameraIni : public ::testing::Test {
protected:
  void SetUp() override {
    ResetCameraState();
    ResetCalibrationCurve();
  }
  void TearDown() override {
    ResetCameraState();
    ResetCalibrationCurve();
  }

  IniFile File(const std::string &name, const std::string &text = {}) {
    if (!text.empty())
      test::WriteText(dir.file(name), text);
    return IniFile(dir.file(name));
  }
  std::string Text(const std::string &name) { return test::ReadText(dir.file(name)); }

  test::TempDir dir;
  TScanUnit u;
  TCalibrationTable table;
  TLiveValues live{2, 11, 12, 13, 14, 15};
  bool liveChanged = false;
};

void SetSetup(TScanUnit &u) {
  u.CameraNo = 339;
  u.CameraInterfaceType = CamIfLan2;
  u.Speed = 1;
  u.ScanWidth = 384;
  u.ScanHeight = 288;
  u.Set[0] = 3100;
  u.Sectors = 15;
  u.Delay[0] = 30;
  u.Edge[0] = 18;
  u.Center[0] = 9;
  u.TermoDelta = 0.4f;
  u.RefPoint = -95.5;
  u.isRefPoint = true;
  u.Emissivity = 0.95;
  u.Ambient = 22.25;
}

TEST_F(CameraIni, SetupKeysRoundTripWithTheirExactText) {
  SetSetup(u);
  IniFile ini = File("Calidarix.ini");
  liveChanged = true;
  ASSERT_TRUE(SaveParamsData(&ini, u, live, liveChanged));
  EXPECT_FALSE(liveChanged);
  EXPECT_EQ(Text("Calidarix.ini"), "[SETUP]\n"
                                   "CameraNo=339\n"
                                   "CameraType=256\n"
                                   "Speed=1\n"
                                   "Width=384\n"
                                   "Height=288\n"
                                   "Set=3100\n"
                                   "Sectors=15\n"
                                   "Delay=30\n"
                                   "Edge=18\n"
                                   "Center=9\n"
                                   "TermoDelta=0.400000005960464\n"
                                   "RefPoint=-95.5\n"
                                   "isRefPoint=1\n"
                                   "Emissivity=0.95\n"
                                   "Ambient=22.25\n"
                                   "Resonans=11\n"
                                   "Amplitude=12\n"
                                   "UKadr1=13\n"
                                   "UKadr2=14\n"
                                   "UKadr3=15\n");

  TScanUnit read;
  LoadParamsData(&ini, read);
  EXPECT_EQ(read.CameraNo, 339);
  EXPECT_EQ(read.CameraInterfaceType, CamIfLan2);
  EXPECT_EQ(read.Speed, 1);
  EXPECT_EQ(read.ScanWidth, 384);
  EXPECT_EQ(read.ScanHeight, 288);
  EXPECT_EQ(read.Set[0], 3100);
  EXPECT_EQ(read.Sectors, 15);
  EXPECT_EQ(read.Delay[0], 30);
  EXPECT_EQ(read.Edge[0], 18);
  EXPECT_EQ(read.Center[0], 9);
  EXPECT_EQ(read.TermoDelta, 0.4f);
  EXPECT_EQ(read.RefPoint, -95.5);
  EXPECT_TRUE(read.isRefPoint);
  EXPECT_EQ(read.Emissivity, 0.95);
  EXPECT_EQ(read.Ambient, 22.25);

  // The live values are written once after they moved.
  live.Resonans = 99;
  ASSERT_TRUE(SaveParamsData(&ini, u, live, liveChanged));
  EXPECT_EQ(ini.ReadInteger("SETUP", "Resonans", 0), 11);
}

TEST_F(CameraIni, MissingOrUnreadableKeysGiveThisReadersDefaults) {
  IniFile ini = File("Calidarix.ini", "[SETUP]\nEmissivity=1,5\nWidth=0\nHeight=99999\nSpeed=abc\nOther=1\n");
  u.CameraNo = 12;
  u.CameraInterfaceType = CamIfUsb;
  LoadParamsData(&ini, u);
  // The camera number and type stay as they are when the file does not name them.
  EXPECT_EQ(u.CameraNo, 12);
  EXPECT_EQ(u.CameraInterfaceType, CamIfUsb);
  EXPECT_EQ(u.Speed, 2);
  EXPECT_EQ(u.ScanWidth, 320);
  EXPECT_EQ(u.ScanHeight, 120);
  EXPECT_EQ(u.Set[0], 2500);
  EXPECT_EQ(u.Sectors, 16);
  EXPECT_EQ(u.Delay[0], 16);
  EXPECT_EQ(u.Edge[0], 16);
  EXPECT_EQ(u.Center[0], 4);
  EXPECT_EQ(u.TermoDelta, 0.0f);
  EXPECT_EQ(u.RefPoint, -100.0);
  EXPECT_FALSE(u.isRefPoint);
  EXPECT_EQ(u.Emissivity, 1.0);
  EXPECT_EQ(u.Ambient, 25.0);

  // A save after such a load writes the camera the program already had, not a made-up one.
  bool changed = false;
  ASSERT_TRUE(SaveParamsData(&ini, u, live, changed));
  EXPECT_EQ(ini.ReadInteger("SETUP", "CameraNo", -1), 12);
  EXPECT_EQ(ini.ReadInteger("SETUP", "CameraType", -1), CamIfUsb);
  EXPECT_EQ(ini.ReadString("SETUP", "Other", ""), "1");

  IniFile bad = File("bad.ini", "[SETUP]\nCameraNo=x\nCameraType=$100\n");
  LoadParamsData(&bad, u);
  EXPECT_EQ(u.CameraNo, 12);
  EXPECT_EQ(u.CameraInterfaceType, 256);
}

TEST_F(CameraIni, EachSetHasItsOwnKeysAndDefaults) {
  IniFile ini = File("Calidarix.ini", "[SETUP]\nCameraNo=1\n");
  const std::uint8_t amplifications[] = {250, 50, 250, 250, 50, 250};
  for (int set = 0; set < kCalibrationSetCount; ++set) {
    LoadCalibrData(&ini, set, u, table);
    EXPECT_EQ(CalibrAmplification, amplifications[set]) << set;
    EXPECT_EQ(CalibrExpA, 40000000.0) << set;
    EXPECT_EQ(CalibrExpB, 3000.0) << set;
    EXPECT_EQ(CalibrSignal0, 1000.0) << set;
    EXPECT_EQ(table.FPointCount, 0) << set;
    const TCalibrationSetData values = CalibrationSetData(u, set);
    EXPECT_EQ(values.Amplification, amplifications[set]) << set;
    EXPECT_EQ(values.ExpA, 40000000.0) << set;
  }

  // Set 4 is the second band's second range: keys with suffix 22.
  CalibrAmplification = 77;
  CalibrExpA = 1.5e6;
  CalibrExpB = 2950.125;
  CalibrSignal0 = 1234.5;
  table.Resize(2);
  table.FCalibrPoints[1] = TCalibrPoint{1500.5, 25.0, 2735, 21.5};
  table.FCalibrPoints[2] = TCalibrPoint{4000.0, 100.25, 5234, 0.1};
  ASSERT_TRUE(SaveCalibrData(&ini, 4, u, table));
  EXPECT_EQ(u.AmplificationBand2[1], 77);
  EXPECT_EQ(u.Band2Coefficients.Exp2A, 1.5e6);
  EXPECT_EQ(u.Band2Coefficients.Signal20, 1234.5);
  EXPECT_EQ(Text("Calidarix.ini"), "[SETUP]\n"
                                   "CameraNo=1\n"
                                   "Amplification22=77\n"
                                   "Exp2_A2=1500000\n"
                                   "Exp2_B2=2950.125\n"
                                   "Signal202=1234.5\n"
                                   "[CALIBRATION TABLE22]\n"
                                   "NumPoints22=2\n"
                                   "D1=2735\n"
                                   "S1=1500.5\n"
                                   "T1=25\n"
                                   "TD1=21.5\n"
                                   "D2=5234\n"
                                   "S2=4000\n"
                                   "T2=100.25\n"
                                   "TD2=0.1\n");

  ResetCalibrationCurve();
  TScanUnit other;
  TCalibrationTable read;
  LoadCalibrData(&ini, 4, other, read);
  EXPECT_EQ(CalibrAmplification, 77);
  EXPECT_EQ(CalibrExpB, 2950.125);
  EXPECT_EQ(other.Band2Coefficients.Exp2B, 2950.125);
  ASSERT_EQ(read.FPointCount, 2);
  EXPECT_EQ(read.FCalibrPoints[2].RawSignal, 5234);
  EXPECT_EQ(read.FCalibrPoints[2].NetSignal, 4000.0); // as stored, not recomputed
  EXPECT_EQ(read.FCalibrPoints[2].Temperature, 100.25);
  EXPECT_EQ(read.FCalibrPoints[1].BodyTemperature, 21.5);
}

// The start-up settings read a band's nine values under the keys the calibration form writes its sets
// with, each missing key giving the caller's default.
TEST_F(CameraIni, BandCoefficientsAreReadUnderTheSetsKeys) {
  IniFile ini = File("Calidarix.ini", "[SETUP]\nCameraNo=1\n");
  table.Resize(0);
  for (int set = 0; set < kCalibrationSetCount; ++set) {
    CalibrExpA = 1000.0 + set;
    CalibrExpB = 2000.0 + set;
    CalibrSignal0 = 3000.0 + set;
    ASSERT_TRUE(SaveCalibrData(&ini, set, u, table));
  }
  const TCalibrationSet none{};
  const TCalibrationSet band1 = ReadBandCoefficients(ini, kSetupSection, 0, none);
  const TCalibrationSet band2 = ReadBandCoefficients(ini, kSetupSection, 1, none);
  EXPECT_EQ(band1, (TCalibrationSet{1000, 2000, 1001, 2001, 1002, 2002, 3000, 3001, 3002}));
  EXPECT_EQ(band2, u.Band2Coefficients);
  EXPECT_EQ(band2.Exp3B, 2005.0);

  const TCalibrationSet defaults{1, 2, 3, 4, 5, 6, 7, 8, 9};
  IniFile sparse =
      File("sparse.ini", "[SETUP]\nExp_A=1.5e7\nSignal302=9.5\nExp2_B=oops\n[OTHER]\nExp3_A=4\n");
  EXPECT_EQ(ReadBandCoefficients(sparse, kSetupSection, 0, defaults),
            (TCalibrationSet{1.5e7, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(ReadBandCoefficients(sparse, kSetupSection, 1, defaults),
            (TCalibrationSet{1, 2, 3, 4, 5, 6, 7, 8, 9.5}));
  EXPECT_EQ(ReadBandCoefficients(sparse, "OTHER", 0, defaults).Exp3A, 4.0);
}

TEST_F(CameraIni, PointKeysDefaultAndTheCountIsCapped) {
  IniFile ini = File("Calidarix.ini", "[CALIBRATION TABLE]\nNumPoints=2\nD2=3000\n"
                                      "[CALIBRATION TABLE3]\nNumPoints3=100000\n"
                                      "[CALIBRATION TABLE2]\nNumPoints2=-4\n");
  LoadCalibrData(&ini, 0, u, table);
  ASSERT_EQ(table.FPointCount, 2);
  const TCalibrPoint &p = table.FCalibrPoints[1];
  EXPECT_EQ(p.RawSignal, 2500);
  EXPECT_EQ(p.NetSignal, 1500.0);
  EXPECT_EQ(p.Temperature, 20.0);
  EXPECT_EQ(p.BodyTemperature, 20.0);
  EXPECT_EQ(table.FCalibrPoints[2].RawSignal, 3000);

  QStringList log;
  SetCameraLogSink([&log](const QString &text) { log.push_back(text); });
  LoadCalibrData(&ini, 2, u, table);
  EXPECT_EQ(table.FPointCount, kMaxCalibrationPoints);
  EXPECT_EQ(table.FCalibrPoints.size(), static_cast<std::size_t>(kMaxCalibrationPoints) + 1);
  EXPECT_EQ(log.size(), 1);
  LoadCalibrData(&ini, 1, u, table);
  EXPECT_EQ(table.FPointCount, 0);
}

TEST_F(CameraIni, SavingFewerPointsRemovesTheStaleOnesUpToAGap) {
  std::string text = "[CALIBRATION TABLE]\nNumPoints=5\n";
  for (int i = 1; i <= 7; ++i) {
    if (i == 6)
      continue; // a gap: point 7 lies beyond it
    const std::string n = std::to_string(i);
    text += "D" + n + "=1\nS" + n + "=1\nT" + n + "=1\nTD" + n + "=1\n";
  }
  IniFile ini = File("Calidarix.ini", text);
  table.Resize(3);
  ASSERT_TRUE(SaveCalibrData(&ini, 0, u, table));
  for (const char *field : {"D", "S", "T", "TD"}) {
    for (int i = 1; i <= 3; ++i)
      EXPECT_TRUE(ini.ValueExists("CALIBRATION TABLE", field + std::to_string(i))) << field << i;
    for (int i = 4; i <= 5; ++i)
      EXPECT_FALSE(ini.ValueExists("CALIBRATION TABLE", field + std::to_string(i))) << field << i;
    EXPECT_TRUE(ini.ValueExists("CALIBRATION TABLE", field + std::string("7"))) << field;
  }
  EXPECT_EQ(ini.ReadInteger("CALIBRATION TABLE", "NumPoints", 0), 3);
}

TEST_F(CameraIni, RangeKeysWriteTheFirstBandFromTheCameraState) {
  IniFile ini = File("Calidarix.ini");
  u.Amplification = {240, 60, 200};
  u.Exp_A = 6.0e7;
  u.Exp2_B = 3100.5;
  u.Signal30 = 2400.0;
  ASSERT_TRUE(SaveRangeKeys(&ini, u));
  EXPECT_EQ(
      ini.ReadSection("SETUP"),
      (std::vector<std::string>{"Amplification", "Exp_A", "Exp_B", "Signal0", "Amplification2", "Exp2_A",
                                "Exp2_B", "Signal20", "Amplification3", "Exp3_A", "Exp3_B", "Signal30"}));
  EXPECT_EQ(ini.ReadString("SETUP", "Exp_A", ""), "60000000");
  EXPECT_EQ(ini.ReadString("SETUP", "Exp2_B", ""), "3100.5");
  EXPECT_EQ(ini.ReadInteger("SETUP", "Amplification3", 0), 200);
}

TEST_F(CameraIni, NoFileObjectDoesNothingAndARefusedWriteStopsWithAReason) {
  LoadParamsData(nullptr, u);
  LoadCalibrData(nullptr, 0, u, table);
  EXPECT_EQ(u.Sectors, 0);
  EXPECT_TRUE(SaveParamsData(nullptr, u, live, liveChanged));
  EXPECT_TRUE(SaveCalibrData(nullptr, 0, u, table));

  // A file where the folder should be: nothing can be written below it.
  test::WriteText(dir.file("not-a-folder"), "x");
  IniFile unwritable(dir.file("not-a-folder") / "Calidarix.ini");
  QString error;
  EXPECT_FALSE(SaveParamsData(&unwritable, u, live, liveChanged, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("CameraNo")));
  EXPECT_FALSE(SaveCalibrData(&unwritable, 0, u, table, &error));
}

// A table is saved in one write: a save that cannot write says so and leaves every key of the file as
// it was, the table saved before included.
TEST_F(CameraIni, AFailedTableSaveLeavesTheFileAsItWas) {
  IniFile ini = File("Calidarix.ini", "[SETUP]\nCameraNo=1\n");
  table.Resize(3);
  for (int i = 1; i <= 3; ++i)
    table.FCalibrPoints[static_cast<std::size_t>(i)] = TCalibrPoint{1000.0 * i, 10.0 * i, 2000 + i, 20.0};
  ASSERT_TRUE(SaveCalibrData(&ini, 0, u, table));
  const std::string saved = Text("Calidarix.ini");

  std::filesystem::create_directory(dir.file("Calidarix.ini.tmp")); // no temporary file can be made
  table.Resize(255);
  QString error;
  EXPECT_FALSE(SaveCalibrData(&ini, 0, u, table, &error));
  EXPECT_TRUE(error.contains("CALIBRATION TABLE")) << error.toStdString();
  EXPECT_EQ(Text("Calidarix.ini"), saved);
  EXPECT_FALSE(ini.InBatch());
}

TEST_F(CameraIni, ExportAndImportCopyEverySet) {
  IniFile program =
      File("Calidarix.ini", "[SETUP]\nCameraNo=7\nExp2_A=123\n"
                            "[CALIBRATION TABLE32]\nNumPoints32=1\nD1=4000\nS1=3000\nT1=50\nTD1=20\n");
  SetSetup(u);
  IniFile exported = File("export.ini");
  ASSERT_EQ(ExportCalibration(program, exported, 1, u, table, live, liveChanged), TIniTransfer::Done);
  const std::vector<std::string> keys = exported.ReadSection("SETUP");
  EXPECT_EQ(keys.size(), 15u + 24u);
  for (int set = 0; set < kCalibrationSetCount; ++set) {
    const std::string suffix = CalibrationSetSuffix(set);
    EXPECT_EQ(exported.ReadInteger("CALIBRATION TABLE" + suffix, "NumPoints" + suffix, -1), set == 5 ? 1 : 0);
  }
  EXPECT_EQ(exported.ReadString("CALIBRATION TABLE32", "T1", ""), "50");
  EXPECT_EQ(exported.ReadString("SETUP", "Exp2_A", ""), "123");
  // The form shows the current tab's set again.
  EXPECT_EQ(CalibrExpA, 123.0);

  // Import into a fresh program file.
  IniFile fresh = File("fresh.ini");
  TScanUnit other;
  ASSERT_EQ(ImportCalibration(fresh, exported, 5, other, table, live, liveChanged), TIniTransfer::Done);
  EXPECT_EQ(other.CameraNo, 339);
  EXPECT_EQ(fresh.ReadInteger("CALIBRATION TABLE32", "D1", 0), 4000);
  EXPECT_EQ(table.FPointCount, 1);
  EXPECT_EQ(fresh.ReadInteger("SETUP", "Width", 0), 384);

  // A file without a camera number is no camera file: nothing changes.
  IniFile foreign = File("foreign.ini", "[SETUP]\nWidth=100\n");
  const std::string before = Text("fresh.ini");
  QString error;
  EXPECT_EQ(ImportCalibration(fresh, foreign, 0, other, table, live, liveChanged, &error),
            TIniTransfer::WrongDriver);
  EXPECT_EQ(error, QStringLiteral("Wrong Driver"));
  EXPECT_EQ(other.ScanWidth, 384);
  EXPECT_EQ(Text("fresh.ini"), before);
}

} // namespace
} // namespace calidarix
