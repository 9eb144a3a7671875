#include "mainwindow/auto_save.h"

#include "platform/datetime.h"
#include "thermogram/formats/dtv_format.h"
#include "thermogram/thermogram_globals.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace calidarix {
namespace {

using test::QPath;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

// A w x h thermogram whose pixels count up from first.
void MakeFrame(TDTV &t, int w, int h, std::uint16_t first, float scale = 0.001f, float offset = 10.0f) {
  t.ResetHeader();
  t.FHeader.Width = static_cast<std::uint16_t>(w);
  t.FHeader.Height = static_cast<std::uint16_t>(h);
  t.FHeader.Scale = scale;
  t.FHeader.Offset = offset;
  t.FRaw.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (std::size_t i = 0; i < t.FRaw.size(); ++i) {
    t.FRaw[i] = static_cast<std::uint16_t>(first + i);
  }
  t.UpdateStatistics();
}

std::uint16_t FrameCountOf(const fs::path &file) {
  const std::vector<std::uint8_t> bytes = ReadFile(file);
  return static_cast<std::uint16_t>(bytes.at(16) | (bytes.at(17) << 8));
}

class AutoSaveTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetThermogramGlobals();
    setenv("CALIDARIX_DRIVE_C", dir.path().c_str(), 1);
    SetClockForTests(QDateTime(QDate(2024, 5, 31), QTime(9, 5, 7)));
    MakeFrame(current, 4, 3, 1000);
  }
  void TearDown() override {
    unsetenv("CALIDARIX_DRIVE_C");
    ResetClock();
    ResetThermogramGlobals();
  }

  AutoSaveResult Save(const AutoSaveContext &context) {
    return SaveDTVAuto(AutoSaveThermograms{&current, &band35, &band812}, context, state, Now());
  }

  fs::path Day() const { return dir.path() / "DATABASE.KVD" / "24-05-31.KVD"; }

  TempDir dir;
  TDTV current;
  TDTV band35;
  TDTV band812;
  AutoSaveState state;
};

TEST_F(AutoSaveTest, SavesIntoTheDayFolderUnderTheTimeOfDay) {
  const AutoSaveResult r = Save(AutoSaveContext{});
  ASSERT_TRUE(r.Result) << r.Result.message.toStdString();
  const fs::path expected = Day() / "09_05_07.dtv";
  EXPECT_EQ(r.FileName, QPath(expected));
  EXPECT_EQ(r.DayFolder, QPath(Day()) + QLatin1Char('/'));
  EXPECT_TRUE(fs::is_regular_file(expected));
  EXPECT_EQ(current.FFileName, QPath(expected));
  EXPECT_FALSE(r.ShowDayFolder);
  EXPECT_TRUE(r.HeadIniFile.isEmpty());
  EXPECT_TRUE(r.VideoFrameFile.isEmpty());

  TDTV back;
  ASSERT_TRUE(back.LoadDTV(QPath(expected), 1));
  EXPECT_EQ(back.FRaw, current.FRaw);
}

TEST_F(AutoSaveTest, OnlyAFrameFromTheCameraIsStampedWithTheCameraValues) {
  struct Case {
    const char *name;
    bool scanning;
    int model; // written as ModelHigh * 100 + ModelLow
    float cameraTemp;
  };
  const Case cases[] = {
      {"opened from a file: its own header", false, 4711, 31.5f},
      {"delivered by the camera: the camera's", true, 1234, 28.25f},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir.path() / "DATABASE.KVD");
    MakeFrame(current, 4, 3, 1000);
    current.FHeader.ModelHigh = 47;
    current.FHeader.ModelLow = 11;
    current.FHeader.CameraTemp = 31.5f;
    AutoSaveContext context;
    context.ScanRunning = c.scanning;
    context.CameraNo = 1234;
    context.CameraTemperature = 28.25;
    const AutoSaveResult r = Save(context);
    ASSERT_TRUE(r.Result) << r.Result.message.toStdString();
    TDTV back;
    ASSERT_TRUE(back.LoadDTV(r.FileName, 1));
    EXPECT_EQ(back.FHeader.ModelHigh * 100 + back.FHeader.ModelLow, c.model);
    EXPECT_FLOAT_EQ(back.FHeader.CameraTemp, c.cameraTemp);
  }
}

TEST_F(AutoSaveTest, ASecondSaveWithinTheSameSecondGetsItsOwnName) {
  ASSERT_TRUE(Save(AutoSaveContext{}).Result);
  const std::vector<std::uint8_t> first = ReadFile(Day() / "09_05_07.dtv");
  MakeFrame(current, 4, 3, 5000);
  AutoSaveContext context;
  context.VideoOn = true;
  const AutoSaveResult r = Save(context);
  ASSERT_TRUE(r.Result);
  EXPECT_EQ(r.FileName, QPath(Day() / "09_05_07_2.dtv"));
  EXPECT_EQ(r.VideoFrameFile, QPath(Day() / "09_05_07_2.jpg"));
  EXPECT_EQ(ReadFile(Day() / "09_05_07.dtv"), first);
  TDTV back;
  ASSERT_TRUE(back.LoadDTV(r.FileName, 1));
  EXPECT_EQ(back.FRaw[0], 5000);
}

TEST_F(AutoSaveTest, TwoWindowSuffixesCarryTheFrameMaximumAndLastOnce) {
  // Maximum raw 1011 at Scale 0.001 and Offset 10: 11.011 degrees.
  AutoSaveContext left;
  left.PolyFormLeft = true;
  EXPECT_EQ(Save(left).FileName, QPath(Day() / "09_05_07_L_11.0.dtv"));
  AutoSaveContext both = left;
  both.PolyFormRight = true;
  EXPECT_EQ(Save(both).FileName, QPath(Day() / "09_05_07_R_11.0.dtv"));

  // A suffix set by the frame handler is used by the next save only.
  state.SaveNameSuffix = QStringLiteral("_3");
  EXPECT_EQ(Save(AutoSaveContext{}).FileName, QPath(Day() / "09_05_07_3.dtv"));
  EXPECT_TRUE(state.SaveNameSuffix.isEmpty());
}

TEST_F(AutoSaveTest, PanoramaCellsGoIntoThePanoramaFolderAndARepeatedCellIsReported) {
  AutoSaveContext context;
  context.HeadConnected = true;
  context.PanByFramesActive = true;
  context.PanoLastCol = 15;
  context.PanoLastRow = 2;
  context.PanoCol = 0;
  context.PanoRow = 2; // the first cell
  context.StripHorCounterRaw = 0xFF123456u;
  context.StripVerCounterRaw = 0xABCDu;
  const AutoSaveResult r = Save(context);
  ASSERT_TRUE(r.Result) << r.Result.message.toStdString();
  const fs::path folder = Day() / "IRPano-09_05_07-10x03";
  EXPECT_EQ(r.FileName, QPath(folder / "PF_123456_00ABCD.dtv"));
  EXPECT_EQ(r.HeadIniFile, QPath(folder / "IRPano-09_05_07-10x03.ini"));
  EXPECT_EQ(state.PanoStartStamp, QStringLiteral("09_05_07"));
  EXPECT_EQ(state.LastPanoPath, QPath(folder) + QLatin1Char('/'));
  EXPECT_TRUE(fs::is_regular_file(folder / "PF_123456_00ABCD.dtv"));

  // A later cell, a minute on, lands in the same folder; no parameters file is asked for.
  SetClockForTests(QDateTime(QDate(2024, 5, 31), QTime(9, 6, 0)));
  context.PanoCol = 1;
  context.StripHorCounterRaw = 0x123457u;
  const AutoSaveResult next = Save(context);
  ASSERT_TRUE(next.Result);
  EXPECT_EQ(next.FileName, QPath(folder / "PF_123457_00ABCD.dtv"));
  EXPECT_TRUE(next.HeadIniFile.isEmpty());

  // The same head position again: the first file stays, and the save says it wrote nothing.
  const std::vector<std::uint8_t> before = ReadFile(folder / "PF_123457_00ABCD.dtv");
  MakeFrame(current, 4, 3, 9000);
  const AutoSaveResult again = Save(context);
  EXPECT_FALSE(again.Result);
  EXPECT_FALSE(again.Result.message.isEmpty());
  EXPECT_EQ(ReadFile(folder / "PF_123457_00ABCD.dtv"), before);

  EXPECT_EQ(PanoramaFolderName(QStringLiteral("09_05_07"), 255, 0), QStringLiteral("IRPano-09_05_07-00x01"));
}

TEST_F(AutoSaveTest, StripScanFramesAppendTheHeadCounters) {
  AutoSaveContext context;
  context.HeadConnected = true;
  context.StripScanning = true;
  context.StripHorCounterRaw = 0x10;
  context.StripVerCounterRaw = 0x2000000; // only the low 24 bits count
  const AutoSaveResult r = Save(context);
  ASSERT_TRUE(r.Result);
  EXPECT_EQ(r.FileName, QPath(Day() / "09_05_07R_000010_000000.dtv"));
  EXPECT_TRUE(r.ShowDayFolder);
}

TEST_F(AutoSaveTest, AFrameOfAnOpenFilmIsSavedAloneAndTheFilmStaysOpen) {
  const QString film = QPath(dir.file("film.dtv"));
  TDTV writer;
  for (int f = 0; f < 3; ++f) {
    MakeFrame(writer, 4, 3, static_cast<std::uint16_t>(100 * (f + 1)));
    ASSERT_TRUE(f == 0 ? writer.StartFilm(film) : writer.AppendFilmFrame(film));
  }
  ASSERT_TRUE(current.LoadDTV(film, 2));
  const AutoSaveResult r = Save(AutoSaveContext{});
  ASSERT_TRUE(r.Result);
  EXPECT_EQ(current.FFileName, film);
  EXPECT_EQ(current.FFrameIndex, 2);
  EXPECT_EQ(current.FHeader.FrameCount, 3);
  EXPECT_EQ(current.FHeader.Version, 5);

  TDTV back;
  ASSERT_TRUE(back.LoadDTV(r.FileName, 1));
  EXPECT_EQ(back.FHeader.Version, 3);
  EXPECT_EQ(back.FHeader.FrameCount, 1);
  EXPECT_EQ(back.FRaw[0], 200);
}

TEST_F(AutoSaveTest, TwoBandCamerasWriteAFilmOfBothBands) {
  MakeFrame(band35, 4, 3, 300, 0.002f, 5.0f);
  MakeFrame(band812, 4, 3, 800, 0.001f, 20.0f);
  AutoSaveContext context;
  context.CameraInterfaceType = 64;
  const AutoSaveResult r = Save(context);
  ASSERT_TRUE(r.Result) << r.Result.message.toStdString();
  const fs::path file = Day() / "09_05_07.dtv";
  EXPECT_EQ(FrameCountOf(file), 2);
  TDTV back;
  ASSERT_TRUE(back.LoadDTV(QPath(file), 1));
  EXPECT_EQ(back.FRaw[0], 300);
  ASSERT_TRUE(back.LoadDTV(QPath(file), 2));
  EXPECT_EQ(back.FRaw[0], 800);
  EXPECT_NEAR(back.FFilmMin, 5.0, 1e-6);
  EXPECT_NEAR(back.FFilmMax, 0.002 * 65535 + 5.0, 1e-3); // the wider of the two bands
  // Nothing but the film is left in the day folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(Day()), fs::directory_iterator()), 1);

  // Missing band thermograms are reported, not skipped silently.
  const AutoSaveResult missing =
      SaveDTVAuto(AutoSaveThermograms{&current, nullptr, nullptr}, context, state, Now());
  EXPECT_FALSE(missing.Result);
}

TEST_F(AutoSaveTest, NothingHappensWhileAFilmIsRecorded) {
  AutoSaveContext context;
  context.ScanRunning = true;
  context.FilmRecording = true;
  const AutoSaveResult r = Save(context);
  EXPECT_TRUE(r.Skipped);
  EXPECT_FALSE(fs::exists(dir.path() / "DATABASE.KVD"));
}

TEST_F(AutoSaveTest, FailuresAreReturnedAndNothingIsClaimed) {
  // The database folder's name is taken by a file: no folder, no save.
  WriteFile(dir.path() / "DATABASE.KVD", {1});
  const AutoSaveResult r = Save(AutoSaveContext{});
  EXPECT_FALSE(r.Result);
  EXPECT_FALSE(r.Result.message.isEmpty());
  EXPECT_TRUE(current.FFileName.isEmpty());

  // A thermogram whose frame does not match its size cannot be written: the writer's error comes back.
  fs::remove(dir.path() / "DATABASE.KVD");
  current.FRaw.pop_back();
  const AutoSaveResult bad = Save(AutoSaveContext{});
  EXPECT_FALSE(bad.Result);
  EXPECT_FALSE(fs::exists(Day() / "09_05_07.dtv"));
}

TEST(SaveWithCommentTest, SuspendsTheScanAroundTheDialogAndResumesWhateverHappens) {
  struct Case {
    const char *what;
    bool scanRunning;
    bool filmRecording;
    bool confirm;
    bool saveOk;
    SaveWithCommentOutcome outcome;
    std::string calls;
  };
  const std::vector<Case> cases = {
      {"recording: nothing", true, true, true, true, SaveWithCommentOutcome::Skipped, ""},
      {"no scan, saved", false, false, true, true, SaveWithCommentOutcome::Saved, "ask save "},
      {"scan, cancelled", true, false, false, true, SaveWithCommentOutcome::Cancelled, "suspend ask resume "},
      {"scan, saved", true, false, true, true, SaveWithCommentOutcome::Saved, "suspend ask save resume "},
      {"scan, save failed", true, false, true, false, SaveWithCommentOutcome::Failed,
       "suspend ask save resume "},
  };
  for (const Case &c : cases) {
    std::string calls;
    SaveWithCommentSteps steps;
    steps.SuspendScan = [&] { calls += "suspend "; };
    steps.ResumeScan = [&] { calls += "resume "; };
    steps.AskComment = [&] {
      calls += "ask ";
      return c.confirm;
    };
    steps.SaveAs = [&] {
      calls += "save ";
      return c.saveOk ? IoResult::Ok() : IoResult::Error(QStringLiteral("disk full"));
    };
    const SaveWithCommentResult r = SaveWithComment(c.scanRunning, c.filmRecording, steps);
    EXPECT_EQ(r.Outcome, c.outcome) << c.what;
    EXPECT_EQ(calls, c.calls) << c.what;
    EXPECT_EQ(static_cast<bool>(r.Result), c.outcome != SaveWithCommentOutcome::Failed) << c.what;
  }
}

} // namespace
} // namespace calidarix
