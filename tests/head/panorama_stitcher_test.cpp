// The stitching object's parameter file, frame list, temperature range, frame order and the outcomes
// of a run: nothing to do, cancelled, too large, several film frames.

#include "head/panorama_stitcher.h"
#include "tests/head/synthetic_panorama.h"
#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

using namespace test;

// A frame file of w x h with the given range; the pixels hold raw 1000.
void WriteFrame(const std::filesystem::path &file, int w, int h, float scale, float offset, int version = 3) {
  TDTV t;
  t.FHeader.Version = 3;
  t.FHeader.Width = static_cast<std::uint16_t>(w);
  t.FHeader.Height = static_cast<std::uint16_t>(h);
  t.FHeader.Scale = scale;
  t.FHeader.Offset = offset;
  t.FRaw.assign(static_cast<std::size_t>(w) * h, 1000);
  const IoResult written = version == 5 ? t.StartFilm(QPath(file)) : t.SaveDTV(QPath(file));
  ASSERT_TRUE(written) << written.message.toStdString();
}

void WriteParams(const std::filesystem::path &file, const std::string &params) {
  WriteText(file, "[HEAD]\nHdType=M\n[PARAMS]\n" + params);
}

const std::string kGoodParams = "RatioHor=36000\nRatioHorTurns=1\nRatioVer=36000\nRatioVerTurns=1\n"
                                "ScanArcH=3600\nScanArcV=2700\n";

TEST(PanoramaStitcher, ParameterFileIsReadOrRefusedAtItsFirstFault) {
  TempDir dir;
  const auto file = dir.file("p.ini");
  struct Case {
    std::string params;
    bool ok;
    const char *why;
  };
  const Case cases[] = {
      {kGoodParams, true, ""},
      {"RatioHorTurns=1\nRatioVer=1\nRatioVerTurns=1\nScanArcH=1\nScanArcV=1\n", false, "RatioHor"},
      {"RatioHor=5\nRatioVer=1\nRatioVerTurns=1\nScanArcH=1\nScanArcV=1\n", false, "RatioHorTurns"},
      {"RatioHor=5\nRatioHorTurns=99\nRatioVer=1\nRatioVerTurns=1\nScanArcH=1\nScanArcV=1\n", false,
       "RatioHorTurns"},
      {"RatioHor=5\nRatioHorTurns=0\nRatioVer=1\nRatioVerTurns=1\nScanArcH=1\nScanArcV=1\n", false,
       "RatioHorTurns"},
      {"RatioHor=5\nRatioHorTurns=1\nRatioVer=0\nRatioVerTurns=1\nScanArcH=1\nScanArcV=1\n", false,
       "RatioVer"},
      {"RatioHor=5\nRatioHorTurns=1\nRatioVer=5\nScanArcH=1\nScanArcV=1\n", false, "RatioVerTurns"},
      {"RatioHor=5\nRatioHorTurns=1\nRatioVer=5\nRatioVerTurns=1\nScanArcH=1\n", false, "ScanArcV"},
      {"RatioHor=5\nRatioHorTurns=1\nRatioVer=5\nRatioVerTurns=1\nScanArcV=1\n", false, "ScanArcH"},
      {"RatioHor=5\nRatioHorTurns=1\nRatioVer=5\nRatioVerTurns=1\nScanArcH=-5\nScanArcV=1\n", false,
       "ScanArcH"},
  };
  for (const Case &c : cases) {
    WriteParams(file, c.params);
    TFOV fov;
    EXPECT_EQ(fov.LoadPanoParams(QPath(file)), c.ok) << c.params;
    EXPECT_TRUE(fov.FParamsError.contains(QString::fromLatin1(c.why))) << fov.FParamsError.toStdString();
  }

  WriteParams(file,
              kGoodParams + "FrameTilt=90\nNonorthogonality=-180\nHorizonCorrection=-25\nLeftToRight=1\n");
  TFOV fov;
  ASSERT_TRUE(fov.LoadPanoParams(QPath(file)));
  EXPECT_DOUBLE_EQ(fov.FScanArcH, 20.0 * kDeg);
  EXPECT_DOUBLE_EQ(fov.FScanArcV, 15.0 * kDeg);
  EXPECT_NEAR(fov.FHorArc, 3600, 1);
  EXPECT_DOUBLE_EQ(fov.GetFrameTilt(), 0.5 * kDeg);
  EXPECT_DOUBLE_EQ(fov.GetNonorthogonality(), -1.0 * kDeg);
  EXPECT_EQ(fov.FHorizonCorrection, -25);
  EXPECT_TRUE(fov.FColumnPriority);
  EXPECT_TRUE(fov.FLeftToRight);
  EXPECT_FALSE(fov.FTopToBottom);

  // Keeping the caller's geometry: only the ratios come from the file.
  TFOV kept;
  kept.FKeepGeometry = true;
  kept.FHorArc = 1800;
  kept.FVerArc = 900;
  kept.FHorizonCorrection = 7;
  kept.SetFrameTilt(0.25);
  ASSERT_TRUE(kept.LoadPanoParams(QPath(file)));
  EXPECT_DOUBLE_EQ(kept.FScanArcH, 10.0 * kDeg);
  EXPECT_DOUBLE_EQ(kept.FScanArcV, 5.0 * kDeg);
  EXPECT_EQ(kept.FHorizonCorrection, 7);
  EXPECT_DOUBLE_EQ(kept.GetFrameTilt(), 0.25);
  EXPECT_EQ(kept.FRatioHor, 36000);
}

TEST(PanoramaStitcher, QuietListingGivesAnglesLimitsRangeAndOrder) {
  TempDir dir;
  WriteParams(dir.file("p.ini"), "RatioHor=40000\nRatioHorTurns=1\nRatioVer=36000\nRatioVerTurns=1\n"
                                 "ScanArcH=3600\nScanArcV=2700\nHorizonCorrection=0\n");
  // Listed in name order; stitching orders them column by column, each column from the top.
  WriteFrame(dir.file("PF_800100_800000.dtv"), 512, 32, 40.0f / 65535, 0.0f);
  WriteFrame(dir.file("PF_800000_800100.dtv"), 512, 32, 50.0f / 65535, 10.0f);
  WriteFrame(dir.file("PF_800000_800000.dtv"), 512, 32, 40.0f / 65535, 0.0f);
  for (const int counter : {10000, 20000, -20000}) // 90, 180 and -180 degrees
    WriteFrame(dir.file(PanoFrameName(counter, 0).toStdString()), 512, 32, 40.0f / 65535, 0.0f);
  WriteText(dir.file("PF_broken.dtv"), "x");
  WriteText(dir.file("PF_800080_800081.dtv"), "too short for a header");

  RecordingProgress progress;
  TFOV fov;
  fov.FProgress = &progress;
  const TStitchResult r = fov.ProcessPanoFolder(QPath(dir.path()), 9999, true);
  EXPECT_EQ(r.Outcome, TStitchOutcome::Listed);
  EXPECT_EQ(progress.shown, 0);
  EXPECT_FALSE(std::filesystem::exists(QPath(dir.path()).toStdString() + ".dtv"));
  EXPECT_EQ(r.Warnings.size(), 2);
  EXPECT_TRUE(r.Warnings.join(' ').contains("PF_broken.dtv"));
  EXPECT_TRUE(r.Warnings.join(' ').contains("PF_800080_800081.dtv"));

  ASSERT_EQ(fov.FFrames.size(), 6u);
  // Pixel doubling of the elongated frames.
  EXPECT_EQ(fov.GetFrameWidth(), 512);
  EXPECT_EQ(fov.GetFrameHeight(), 64);
  EXPECT_DOUBLE_EQ(fov.FVerAnglePerPixel, fov.FScanArcV / 64);
  // The plain union of the ranges.
  EXPECT_NEAR(fov.FMaxTemp, 60.0, 1e-4);
  EXPECT_DOUBLE_EQ(fov.FMinTemp, 0.0);

  std::vector<std::pair<int, int>> ordered;
  for (int i : fov.FSortIndex)
    ordered.emplace_back(fov.FFrames[static_cast<std::size_t>(i)].HorCounter,
                         fov.FFrames[static_cast<std::size_t>(i)].VerCounter);
  const std::vector<std::pair<int, int>> expected{{-20000, 0}, {-128, 128}, {-128, -128},
                                                  {128, -128}, {10000, 0},  {20000, 0}};
  EXPECT_EQ(ordered, expected);

  for (const TPanoFrame &f : fov.FFrames) {
    if (f.HorCounter == 10000) {
      EXPECT_EQ(f.HorDeg, 90);
      EXPECT_TRUE(f.InLimits);
    }
    if (f.HorCounter == 20000) { // 180 degrees: the right edge of the limits is left out
      EXPECT_EQ(f.HorDeg, 180);
      EXPECT_FALSE(f.InLimits);
    }
    if (f.HorCounter == -20000) {
      EXPECT_EQ(f.HorDeg, -180);
      EXPECT_TRUE(f.InLimits);
    }
  }
}

TEST(PanoramaStitcher, EightOrdersWhenAskedOtherwiseTheFixedOne) {
  TFOV fov;
  for (auto [h, v] : {std::pair{0, 0}, {0, 100}, {100, 0}, {100, 100}}) {
    TPanoFrame f;
    f.HorCounter = h;
    f.VerCounter = v;
    fov.FFrames.push_back(f);
  }
  const auto order = [&fov] {
    std::vector<int> o;
    for (int i : fov.FSortIndex)
      o.push_back(i);
    return o;
  };
  // Switches a caller set do not change the fixed order ...
  fov.FLeftToRight = false;
  fov.SortPanoFrames();
  EXPECT_EQ(order(), (std::vector<int>{1, 0, 3, 2}));
  EXPECT_TRUE(fov.FLeftToRight);
  // ... unless the order is asked for.
  fov.FApplyOrderSwitches = true;
  struct Case {
    bool columns, toRight, toBottom;
    std::vector<int> order;
  };
  const Case cases[] = {
      {true, true, true, {1, 0, 3, 2}},   {true, true, false, {0, 1, 2, 3}},
      {true, false, true, {3, 2, 1, 0}},  {true, false, false, {2, 3, 0, 1}},
      {false, true, true, {1, 3, 0, 2}},  {false, true, false, {0, 2, 1, 3}},
      {false, false, true, {3, 1, 2, 0}}, {false, false, false, {2, 0, 3, 1}},
  };
  for (const Case &c : cases) {
    fov.FColumnPriority = c.columns;
    fov.FLeftToRight = c.toRight;
    fov.FTopToBottom = c.toBottom;
    fov.SortPanoFrames();
    EXPECT_EQ(order(), c.order) << c.columns << c.toRight << c.toBottom;
  }
}

TEST(PanoramaStitcher, RunsThatWriteNothingSayWhy) {
  TempDir dir;
  const auto folder = dir.path() / "IRPano-x";
  std::filesystem::create_directories(folder);
  RecordingProgress progress;
  const auto run = [&] {
    TFOV fov;
    fov.FProgress = &progress;
    return fov.ProcessPanoFolder(QPath(folder) + "/", 9999, false);
  };
  TStitchResult r = run();
  EXPECT_EQ(r.Outcome, TStitchOutcome::NoParameterFile);
  EXPECT_EQ(progress.shown, 0);
  EXPECT_EQ(r.OutputFile, QPath(dir.file("IRPano-x.dtv")));

  WriteParams(folder / "p.ini", "RatioHor=0\n");
  r = run();
  EXPECT_EQ(r.Outcome, TStitchOutcome::BadParameterFile);
  EXPECT_TRUE(r.Message.contains("RatioHor"));

  WriteParams(folder / "p.ini", kGoodParams);
  r = run();
  EXPECT_EQ(r.Outcome, TStitchOutcome::NoFrames);
  EXPECT_EQ(progress.shown, 1);
  EXPECT_EQ(progress.hidden, 1);

  // 100 degrees of tilt lies beyond the limits.
  WriteFrame(folder / PanoFrameName(0, 10000).toStdString(), 32, 24, 0.01f, 0.0f);
  r = run();
  EXPECT_EQ(r.Outcome, TStitchOutcome::NothingInLimits);
  EXPECT_FALSE(std::filesystem::exists(dir.file("IRPano-x.dtv")));
  EXPECT_EQ(progress.hidden, 2);
}

TEST(PanoramaStitcher, CancelOrFailureLeavesTheOldPanoramaAlone) {
  TempDir dir;
  const SynthCamera cam{64, 48, 20.0, 15.0, 0.0};
  const auto folder = MakeSynthFolder(dir.path(), "IRPano-c", cam, {{-10.0, 0.0}, {10.0, 0.0}},
                                      [](double, double) { return 30.0; });
  WriteText(dir.file("IRPano-c.dtv"), "old panorama");

  RecordingProgress progress;
  progress.cancelAfter = 1;
  const Stitched cancelled = Stitch(folder, {}, &progress);
  EXPECT_EQ(cancelled.result.Outcome, TStitchOutcome::Cancelled);
  EXPECT_EQ(ReadText(dir.file("IRPano-c.dtv")), "old panorama");
  EXPECT_EQ(progress.hidden, 1);

  // A panorama beyond what a thermogram may hold is refused before anything is allocated.
  const std::uint64_t budget = FramePixelBudget;
  FramePixelBudget = 1000;
  const Stitched tooLarge = Stitch(folder);
  FramePixelBudget = budget;
  EXPECT_EQ(tooLarge.result.Outcome, TStitchOutcome::Failed);
  EXPECT_TRUE(tooLarge.result.Message.contains("more than a thermogram can hold"));
  EXPECT_EQ(ReadText(dir.file("IRPano-c.dtv")), "old panorama");

  const Stitched done = Stitch(folder);
  ASSERT_TRUE(done.result.Written());
  EXPECT_NE(ReadText(dir.file("IRPano-c.dtv")), "old panorama");
}

TEST(PanoramaStitcher, EachFilmFrameIsStitchedFromClearedAccumulators) {
  TempDir dir;
  const SynthCamera cam{64, 48, 20.0, 15.0, 0.0};
  // Film frame 2 of every file is 10 degrees warmer than film frame 1.
  const auto folder = MakeSynthFolder(
      dir.path(), "IRPano-film", cam, {{-8.0, 0.0, 2}, {8.0, 0.0, 2}}, [](double, double) { return 30.0; },
      10.0);
  for (const std::uint8_t mode : {std::uint8_t{1}, std::uint8_t{2}}) {
    const Stitched s = Stitch(folder, [mode](TFOV &f) { f.FMergeMode = mode; });
    ASSERT_TRUE(s.result.Written()) << s.result.Message.toStdString();
    EXPECT_EQ(s.result.FilmFrames, 2);
    TDTV film;
    ASSERT_TRUE(film.LoadDTV(s.result.OutputFile, 2));
    EXPECT_EQ(film.FHeader.FrameCount, 2);
    EXPECT_FALSE(std::filesystem::exists(s.result.OutputFile.toStdString() + ".stitching"));
    const PanoPosition centre = PanoPositionOf(*s.fov, 0.0, 0.0);
    const std::size_t q = static_cast<std::size_t>(std::lround(centre.y)) * film.Width() +
                          static_cast<std::size_t>(std::lround(centre.x));
    EXPECT_NEAR(film.RawToTemperature(film.FRaw[q]), 40.0, 0.05) << int(mode);
    TDTV first;
    ASSERT_TRUE(first.LoadDTV(s.result.OutputFile, 1));
    EXPECT_NEAR(first.RawToTemperature(first.FRaw[q]), 30.0, 0.05) << int(mode);
  }
}

TEST(PanoramaStitcher, TemperatureRangeOfFilmsAndTheCommonScale) {
  TempDir dir;
  WriteParams(dir.file("p.ini"), kGoodParams);
  WriteFrame(dir.file(PanoFrameName(0, 0).toStdString()), 32, 24, 40.0f / 65535, 0.0f);
  WriteFrame(dir.file(PanoFrameName(500, 0).toStdString()), 32, 24, 50.0f / 65535, 10.0f, 5);
  TFOV listed;
  listed.ProcessPanoFolder(QPath(dir.path()), 9999, true);
  // A film's maximum is its full 16-bit scale too.
  EXPECT_NEAR(listed.FMaxTemp, 60.0, 1e-4);
  const Stitched s = Stitch(dir.path());
  ASSERT_TRUE(s.result.Written()) << s.result.Message.toStdString();
  // Raw 0 stays one step below every frame's data.
  EXPECT_NEAR(s.fov->FMinTemp, 0.0 - 60.0 / 65535, 1e-6);
  EXPECT_NEAR(s.pano().FHeader.Offset, s.fov->FMinTemp, 1e-6);
  EXPECT_NEAR(s.pano().FHeader.Scale, (60.0 - s.fov->FMinTemp) / 65535, 1e-9);
}

} // namespace
} // namespace calidarix
