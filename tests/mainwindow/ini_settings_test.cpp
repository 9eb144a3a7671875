#include "mainwindow/ini_settings.h"

#include "tests/support/test_support.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace calidarix {
namespace {
namespace fs = std::filesystem;

struct Fixture {
  const char *name;
  const char *ini; // nullptr: no INI file
  bool serviceMarker;
  bool result;
  std::function<void(const IniSettings &)> check;
};

const std::vector<Fixture> &Fixtures() {
  static const std::vector<Fixture> fixtures = {
      {"no file", nullptr, false, false,
       [](const IniSettings &s) {
         EXPECT_FALSE(s.FMetroMode);
         EXPECT_EQ(s.FDriveLetter, QString("C"));
         EXPECT_EQ(s.Head.StripUp, 300);
         EXPECT_EQ(s.Head.StripDown, -100);
         EXPECT_EQ(s.Head.HorStep, 120);
         EXPECT_EQ(s.Head.VerStep, 80);
         EXPECT_EQ(s.Camera.CameraInterfaceType, 0);
         EXPECT_EQ(s.Camera.CameraNo, 0);
         EXPECT_FALSE(s.Service.ServiceMode);
       }},
      {"service.mode with no INI", nullptr, true, false,
       [](const IniSettings &s) {
         EXPECT_TRUE(s.Service.ServiceMode);
         EXPECT_TRUE(s.Service.ServiceFunctionsVisible);
       }},
      {"METRO with keys but no MetroMode", "[METRO]\nAspectWidth=300\n[CAMERA PARAMETERS]\nScanWidth=320\n",
       false, true,
       [](const IniSettings &s) {
         EXPECT_TRUE(s.FMetroMode);
         EXPECT_EQ(s.AspectWidth, 300);
         EXPECT_EQ(s.AspectHeight, 216);
       }},
      {"METRO header without keys", "[METRO]\n[SETUP]\nDriveLetter=D\n", false, false,
       [](const IniSettings &s) {
         EXPECT_FALSE(s.FMetroMode);
         EXPECT_EQ(s.AspectWidth, 1) << "start value kept";
         EXPECT_EQ(s.FDriveLetter, QString("D"));
       }},
      {"METRO off, zero and negative aspects count as missing",
       "[METRO]\nMetroMode=256\nAspectWidth=0\nAspectHeight=-4\n[CAMERA PARAMETERS]\nScanWidth=320\n", false,
       true,
       [](const IniSettings &s) {
         EXPECT_FALSE(s.FMetroMode) << "only the low 8 bits count";
         EXPECT_EQ(s.AspectWidth, 256);
         EXPECT_EQ(s.AspectHeight, 216);
       }},
      {"minimal network camera", "[SETUP]\nCameraNo=7\nWidth=320\n", false, true,
       [](const IniSettings &s) {
         const IniCameraSettings &c = s.Camera;
         EXPECT_EQ(c.CameraInterfaceType, 32);
         EXPECT_EQ(c.CameraNo, 7);
         EXPECT_EQ(c.Speed, 2);
         EXPECT_EQ(c.Set[0], 2500);
         EXPECT_EQ(c.Amplification[0], 240);
         EXPECT_EQ(c.Amplification[1], 60);
         EXPECT_EQ(c.Amplification[2], 240);
         EXPECT_EQ(c.CurAmplification, 240);
         EXPECT_EQ(c.FrameWidth, 320);
         EXPECT_EQ(c.FrameHeight, 120);
         EXPECT_EQ(c.CurExpA, 60000000.0);
         EXPECT_EQ(c.Delay[0], 32);
         EXPECT_EQ(c.Edge[0], 18);
         EXPECT_EQ(c.Center[0], 9);
         EXPECT_FALSE(c.TwoCurves);
         EXPECT_FLOAT_EQ(c.TermoDelta, 0.4f);
         EXPECT_EQ(s.Head.StripUp, 250);
         EXPECT_EQ(s.Head.HorStep, 197);
         EXPECT_TRUE(s.ColumnPriority);
       }},
      {"network camera without Width", "[SETUP]\nCameraNo=7\nHeight=100\n", false, false,
       [](const IniSettings &s) { EXPECT_EQ(s.Camera.CameraInterfaceType, 32); }},
      {"network camera type 256 without Width", "[SETUP]\nCameraNo=7\nCameraType=256\n", false, true,
       [](const IniSettings &s) { EXPECT_EQ(s.Camera.ScanWidth, 320); }},
      {"network camera flags halve the scan only",
       "[SETUP]\nCameraNo=1\nWidth=320\nHeight=120\nFlags=$C2\nLimitOn=1\nLimit=12.5\n", false, true,
       [](const IniSettings &s) {
         EXPECT_EQ(s.Camera.ScanWidth, 160);
         EXPECT_EQ(s.Camera.ScanHeight, 60);
         EXPECT_EQ(s.Camera.FrameWidth, 320);
         EXPECT_EQ(s.Camera.FrameHeight, 120);
         EXPECT_TRUE(s.DoubleFrameWidth);
         EXPECT_EQ(s.IniFlags, 0xC2);
         EXPECT_TRUE(s.FLimitOn);
         EXPECT_EQ(s.FLimit, 12.5);
       }},
      {"a Limit written with a comma does not convert", "[SETUP]\nCameraNo=1\nWidth=320\nLimit=12,5\n", false,
       true, [](const IniSettings &s) { EXPECT_EQ(s.FLimit, 0.0); }},
      {"dual-band network camera",
       "[SETUP]\nCameraNo=2\nCameraType=64\nWidth=640\nSet=0x1000\nSet2=70000\nExp_A=1.5e7\nExp1_A2=2e7\n"
       "Signal302=9\nAmplification=200\nAmplification3=7\nAmplification12=100\nAmplification22=3\n"
       "Exp_AL=1\nExp_BL=2\nSignal0L=3\nDelay=5\nDelay2=6\n",
       false, true,
       [](const IniSettings &s) {
         const IniCameraSettings &c = s.Camera;
         EXPECT_EQ(c.Set[0], 0x1000);
         EXPECT_EQ(c.Set[1], 0x1000);
         EXPECT_EQ(c.Set[2], 70000 & 0xFFFF) << "16 bits kept";
         EXPECT_EQ(c.Band1Coefficients.Exp1A, 1.5e7);
         EXPECT_EQ(c.Band1Coefficients.Exp3B, 4000.0);
         EXPECT_EQ(c.Band2Coefficients.Exp1A, 2e7);
         EXPECT_EQ(c.Band2Coefficients.Exp3B, 3000.0);
         EXPECT_EQ(c.Band2Coefficients.Signal30, 9.0);
         EXPECT_EQ(c.CurBand1ExpA, 1.5e7);
         EXPECT_EQ(c.CurBand2ExpA, 2e7);
         EXPECT_EQ(c.Amplification, (std::array<std::uint8_t, 3>{200, 50, 7}));
         EXPECT_EQ(c.AmplificationBand1, c.Amplification);
         EXPECT_EQ(c.AmplificationBand2, (std::array<std::uint8_t, 3>{100, 3, 100}));
         EXPECT_EQ(c.CurAmplificationBand2, 100);
         EXPECT_TRUE(c.TwoCurves);
         EXPECT_EQ(c.CurExpAL, 1.0);
         EXPECT_EQ(c.CurSignal0L, 3.0);
         EXPECT_EQ(c.Delay, (std::array<std::int32_t, 3>{5, 5, 6}));
       }},
      {"parallel-port camera without ScanWidth",
       "[SETUP]\nHorStep=150\nStripUp=10\n[CAMERA PARAMETERS]\nScanHeight=99\n", false, false,
       [](const IniSettings &s) {
         EXPECT_EQ(s.Head.HorStep, 150);
         EXPECT_EQ(s.Head.StripUp, 10);
         EXPECT_EQ(s.Head.VerStep, 123);
         EXPECT_EQ(s.Camera.FrameHeight, 120) << "nothing of the camera read";
       }},
      {"parallel-port camera type 16",
       "[SETUP]\nCameraNo=0\n[CAMERA "
       "PARAMETERS]\nPortBase=278\nCameraNo=314\nScanWidth=256\nScanHeight=100\nLevel=300\n"
       "[TEMPERATURE MEASUREMENTS]\nSignal20=0.5\n",
       false, true,
       [](const IniSettings &s) {
         const IniCameraSettings &c = s.Camera;
         EXPECT_EQ(c.CameraInterfaceType, 16);
         EXPECT_EQ(c.CameraNo, 314);
         EXPECT_EQ(c.LptPortBase, 632);
         EXPECT_EQ(c.LptStatusPort, 633);
         EXPECT_EQ(c.LptControlPort, 634);
         EXPECT_EQ(c.FrameWidth, 256);
         EXPECT_EQ(c.FrameHeight, 100);
         EXPECT_EQ(c.Level, 44);
         EXPECT_EQ(c.Coefficients.Exp1A, 200000.0 * 256);
         EXPECT_EQ(c.Coefficients.Exp3A, 700.0 * 256);
         EXPECT_EQ(c.Coefficients.Signal10, -6.0 * 256);
         EXPECT_EQ(c.Coefficients.Signal20, 0.5 * 256);
         EXPECT_EQ(c.CurExpA, 200000.0 * 256);
         EXPECT_EQ(c.TermoDelta, -10.0f);
         EXPECT_EQ(s.IniFlags, 0);
       }},
      {"parallel-port camera type 8", "[CAMERA PARAMETERS]\nCameraType=8\nScanWidth=320\n", false, true,
       [](const IniSettings &s) {
         EXPECT_EQ(s.Camera.Coefficients.Exp2A, 500.0 * 256);
         EXPECT_EQ(s.Camera.Coefficients.Signal10, -6.0) << "signals unchanged for type 8";
         EXPECT_FLOAT_EQ(s.Camera.TermoDelta, 0.4f);
       }},
      {"frame width of 0", "[CAMERA PARAMETERS]\nScanWidth=0\n", false, false,
       [](const IniSettings &s) { EXPECT_EQ(s.Camera.FrameWidth, 320); }},
      {"negative frame height", "[CAMERA PARAMETERS]\nScanWidth=320\nScanHeight=-120\n", false, false,
       [](const IniSettings &s) { EXPECT_EQ(s.Camera.FrameHeight, 120); }},
      {"huge network width", "[SETUP]\nCameraNo=3\nWidth=$7FFFFFFF\n", false, false,
       [](const IniSettings &s) { EXPECT_EQ(s.Camera.ScanWidth, 320); }},
      {"width of 1 halved stays 1", "[SETUP]\nCameraNo=3\nWidth=1\nFlags=128\n", false, true,
       [](const IniSettings &s) { EXPECT_EQ(s.Camera.ScanWidth, 1); }},
      {"head turns of 0 and bad drive letter count as missing",
       "[SETUP]\nRatioHorTurns=0\nRatioVerTurns=2\nStripLinesCount=70000\nDriveLetter=DE\n"
       "[CAMERA PARAMETERS]\nScanWidth=320\n",
       true, true,
       [](const IniSettings &s) {
         EXPECT_EQ(s.Head.RatioHorTurns, 4);
         EXPECT_EQ(s.Head.RatioVerTurns, 2);
         EXPECT_EQ(s.Head.StripLinesCount, 2048);
         EXPECT_EQ(s.FDriveLetter, QString("C"));
         EXPECT_TRUE(s.Service.ServiceMode);
       }},
  };
  return fixtures;
}

TEST(IniSettings, FixtureTable) {
  for (const Fixture &f : Fixtures()) {
    SCOPED_TRACE(f.name);
    test::TempDir dir;
    if (f.ini) {
      std::ofstream(dir.file("Calidarix.ini"), std::ios::binary) << f.ini;
    }
    if (f.serviceMarker)
      std::ofstream(dir.file("service.mode")) << "";
    IniSettings s;
    s.AspectWidth = 1; // a start value that only a read "METRO" section replaces
    EXPECT_EQ(LoadIniSettings(dir.file("Calidarix.ini"), dir.path(), s), f.result);
    f.check(s);
  }
}

TEST(IniSettings, PortBaseSpellings) {
  const std::vector<std::pair<const char *, int>> cases = {
      {"378", 888}, {"$378", 888}, {"0x378", 888}, {"0X278", 632},     {"278", 632},   {"$3BC", 956},
      {"zz", 888},  {"", 888},     {"-$10", 888},  {"$FFFFFFFF", 888}, {"$FFFE", 888}, {"$FFFD", 0xFFFD}};
  for (const auto &[text, port] : cases) {
    SCOPED_TRACE(text);
    test::TempDir dir;
    std::ofstream(dir.file("Calidarix.ini"))
        << "[CAMERA PARAMETERS]\nPortBase=" << text << "\nScanWidth=320\n";
    IniSettings s;
    ASSERT_TRUE(LoadIniSettings(dir.file("Calidarix.ini"), dir.path(), s));
    EXPECT_EQ(s.Camera.LptPortBase, port);
    EXPECT_EQ(s.Camera.LptDataPort, port);
    EXPECT_EQ(s.Camera.LptControlPort, port + 2);
  }
}

TEST(IniSettings, ProgramFileIsFoundBesideTheProgram) {
  test::TempDir dir;
  test::ScopedEnv programDir("CALIDARIX_PROGRAM_DIR", dir.path().string());
  std::ofstream(dir.file("Calidarix.ini")) << "[SETUP]\nCameraNo=4\nWidth=200\n";
  std::ofstream(dir.file("service.mode")) << "anything";
  IniSettings s;
  EXPECT_TRUE(LoadIniSettings(s));
  EXPECT_EQ(s.Camera.ScanWidth, 200);
  EXPECT_TRUE(s.Service.ServiceMode);
}

} // namespace
} // namespace calidarix
