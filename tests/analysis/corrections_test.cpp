#include "analysis/corrections.h"

#include "tests/support/test_support.h"
#include "tests/support/thermogram_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace calidarix {
namespace {

using test::Px;
using test::SetFrame;

class CorrectionsTest : public test::ThermogramTest {
protected:
  // A w x h frame at 0.01 degree per raw code from `offset` degrees.
  TDTV &Frame(int w, int h, const std::function<int(int, int)> &pixel, float offset = 0.0f) {
    t.ResetHeader();
    SetFrame(t, w, h, pixel);
    t.FHeader.Scale = 0.01f;
    t.FHeader.Offset = offset;
    t.UpdateStatistics();
    return t;
  }
  TDTV t;
};

TEST_F(CorrectionsTest, EmissivityLimitsAndTheGreyBodyRelation) {
  EXPECT_EQ(ClampEmissivity(0.0), 0.01);
  EXPECT_EQ(ClampEmissivity(1.5), 1.0);
  EXPECT_EQ(ClampAmbient(80.0), 50.0);
  EXPECT_EQ(ClampAmbient(-40.0), -30.0);
  // The corrected temperature is the real one of the grey body: measured^4 = E real^4 + (1 - E) ambient^4.
  const double real = CorrectedTemperature(50.0, 0.9, 20.0);
  const auto k4 = [](double c) { return std::pow(c + 273.15, 4); };
  EXPECT_NEAR((0.9 * k4(real) + 0.1 * k4(20.0)) / k4(50.0), 1.0, 1e-12);
  EXPECT_GT(real, 50.0);
  EXPECT_NEAR(CorrectedTemperature(37.5, 1.0, 10.0), 37.5, 1e-9);
}

TEST_F(CorrectionsTest, WholeFrameWithEmissivityOneKeepsEveryTemperature) {
  Frame(
      4, 3, [](int x, int y) { return 1000 + 700 * x + 300 * y; }, 5.0f);
  std::vector<double> before;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      before.push_back(t.TemperatureAt(x, y));
  ASSERT_TRUE(EmissivityCorrect(t, 1.0, 80.0, nullptr, 0, 0));
  EXPECT_EQ(t.FEmissivity, 1.0);
  EXPECT_EQ(t.FAmbientTemp, 50.0) << "stored as limited";
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_NEAR(t.TemperatureAt(x, y), before[static_cast<std::size_t>(y * 4 + x)], 1e-3);
  // The corrected range fills the raw scale.
  EXPECT_EQ(t.FRawMin, 0);
  EXPECT_EQ(t.FRawMax, 65535);
}

TEST_F(CorrectionsTest, UniformFrameAndEqualTemperaturesChangeNothing) {
  Frame(3, 3, [](int, int) { return 2000; });
  const std::vector<std::uint16_t> raw = t.FRaw;
  EXPECT_FALSE(EmissivityCorrect(t, 0.5, 20.0, nullptr, 0, 0));
  EXPECT_EQ(t.FRaw, raw);
  EXPECT_EQ(t.FHeader.Scale, 0.01f);
  EXPECT_EQ(t.FEmissivity, 1.0);

  EXPECT_FALSE(EmissivityFromRealTemperature(30.0, 20.0, 20.0).has_value()) << "real equals ambient";
  EXPECT_DOUBLE_EQ(*EmissivityFromRealTemperature(35.0, 35.0, 20.0), 1.0) << "real equals measured";
  EXPECT_LT(*EmissivityFromRealTemperature(35.0, 40.0, 20.0), 1.0);
}

TEST_F(CorrectionsTest, AreaCorrectionWidensTheScaleAndChangesOnlyTheArea) {
  Frame(
      6, 4, [](int x, int y) { return 3000 + 100 * x + 10 * y; }, 10.0f);
  TAreaRecord area;
  area.SetRect(TRect{1, 1, 3, 2});
  const double outside = t.TemperatureAt(5, 3);
  const double inside = t.TemperatureAt(2, 2);
  ASSERT_TRUE(EmissivityCorrect(t, 0.8, 20.0, &area, Px(t, 1, 1), Px(t, 3, 2)));
  EXPECT_NEAR(t.TemperatureAt(5, 3), outside, 0.01);
  EXPECT_NEAR(t.TemperatureAt(2, 2), CorrectedTemperature(inside, 0.8, 20.0), 0.01);
  EXPECT_GT(t.TemperatureAt(2, 2), inside);
}

TEST_F(CorrectionsTest, TwoAreaCorrectionRampsAndNeverWraps) {
  // Left area mean 1000, right area mean 1100: the left edge gains 50, the right loses about 50.
  Frame(10, 2, [](int x, int) { return x < 5 ? 1000 : 1100; });
  TAreaRecord left, right;
  left.SetRect(TRect{0, 0, 1, 1});
  right.SetRect(TRect{8, 0, 9, 1});
  ASSERT_TRUE(TwoAreaCorrection(t, left, right));
  EXPECT_EQ(Px(t, 0, 0), 1050);
  EXPECT_EQ(Px(t, 9, 1), 1100 + 50 - 90);

  Frame(10, 2, [](int x, int) { return x < 5 ? 1000 : 1000; });
  const std::vector<std::uint16_t> flat = t.FRaw;
  EXPECT_FALSE(TwoAreaCorrection(t, left, right)) << "equal means";
  EXPECT_EQ(t.FRaw, flat);
  TAreaRecord outside;
  outside.SetRect(TRect{50, 50, 60, 60});
  EXPECT_FALSE(TwoAreaCorrection(t, left, outside)) << "an area without pixels";
  EXPECT_EQ(t.FRaw, flat);

  // A hot and a cold pixel off the ramp stop at 65535 and 0 instead of wrapping round. Means 0 and
  // 65000: d = 65000, so pixel x gains 32500 - Round(x / 10 x 65000).
  Frame(10, 1, [](int x, int) { return x == 0 ? 65535 : (x < 5 || x == 6 ? 0 : 65000); });
  left.SetRect(TRect{1, 0, 2, 0});
  right.SetRect(TRect{8, 0, 9, 0});
  ASSERT_TRUE(TwoAreaCorrection(t, left, right));
  EXPECT_EQ(Px(t, 0, 0), 65535);
  EXPECT_EQ(Px(t, 6, 0), 0);
  EXPECT_EQ(Px(t, 9, 0), 65000 + 32500 - 58500);
}

TEST_F(CorrectionsTest, ColumnLevelCorrection) {
  TAreaRecord area;
  area.SetRect(TRect{0, 0, 4, 1});
  // Steps of at most 50 change nothing.
  Frame(5, 3, [](int x, int) { return 1000 + 50 * x; });
  std::vector<std::uint16_t> before = t.FRaw;
  EXPECT_FALSE(ColumnLevelCorrection(t, area));
  EXPECT_EQ(t.FRaw, before);

  // Two columns: only the right one, over the whole frame height.
  Frame(5, 3, [](int x, int) { return x == 1 ? 1200 : 1000; });
  area.SetRect(TRect{0, 0, 1, 1});
  ASSERT_TRUE(ColumnLevelCorrection(t, area));
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(Px(t, 0, y), 1000);
    EXPECT_EQ(Px(t, 1, y), 1200 + 150);
    EXPECT_EQ(Px(t, 2, y), 1000);
  }
  // A step near the top of the scale stops at 65535.
  Frame(3, 2, [](int x, int) { return x == 0 ? 1000 : 65000; });
  area.SetRect(TRect{0, 0, 1, 1});
  ColumnLevelCorrection(t, area);
  EXPECT_EQ(Px(t, 1, 0), 65535);
  TAreaRecord none;
  EXPECT_FALSE(ColumnLevelCorrection(t, none));
}

TEST_F(CorrectionsTest, FrameRangesAndFilmAveraging) {
  const std::tuple<int, int, int, int> ranges[] = {{0, 0, 1, 2}, {12, 15, 9, 10}, {7, 3, 3, 7}, {4, 4, 4, 4}};
  for (auto [f1, f2, first, last] : ranges) {
    const TFrameRange r = FitFrameRange(f1, f2, 10);
    EXPECT_EQ(r.First, first) << f1 << " " << f2;
    EXPECT_EQ(r.Last, last) << f1 << " " << f2;
  }

  // Three frames, each with its own scale: 10, 20 and 60 degrees at every pixel.
  test::TempDir dir;
  const QString path = test::QPath(dir.file("film.dtv"));
  TDTV film;
  film.ResetHeader();
  SetFrame(film, 2, 2, [](int, int) { return 0; });
  for (const float offset : {10.0f, 20.0f, 60.0f}) {
    film.FHeader.Offset = offset;
    film.FHeader.Scale = 0.5f;
    ASSERT_TRUE(offset == 10.0f ? film.StartFilm(path) : film.AppendFilmFrame(path));
  }
  ASSERT_TRUE(t.LoadFromFile(path, 1));
  t.FFileName = path;
  ASSERT_EQ(t.FHeader.FrameCount, 3);
  ASSERT_TRUE(AverageFilmFrames(t, 1, 3));
  EXPECT_NEAR(t.TemperatureAt(1, 1), 30.0, 1e-3);
  EXPECT_EQ(t.FHeader.FrameCount, 1);
  EXPECT_EQ(t.FFrameIndex, 1);
  EXPECT_TRUE(t.FFileName.isEmpty());
  // A single frame cannot be averaged; it stays as it is.
  const std::vector<std::uint16_t> single = t.FRaw;
  EXPECT_FALSE(AverageFilmFrames(t, 1, 2));
  EXPECT_EQ(t.FRaw, single);
}

TEST_F(CorrectionsTest, RowShiftRoundTripsAndSkew) {
  Frame(5, 5, [](int x, int y) { return 100 * y + x; });
  const std::vector<int> row3{Px(t, 0, 3), Px(t, 1, 3), Px(t, 2, 3), Px(t, 3, 3), Px(t, 4, 3)};
  ShiftImageRow(t, 3, false);
  EXPECT_EQ(Px(t, 0, 3), row3[1]);
  EXPECT_EQ(Px(t, 4, 3), row3[0]);
  EXPECT_EQ(Px(t, 0, 2), (Px(t, 0, 1) + Px(t, 0, 3)) / 2) << "the row above is interpolated anew";
  ShiftImageRow(t, 3, true);
  for (int x = 0; x < 5; ++x)
    EXPECT_EQ(Px(t, x, 3), row3[static_cast<std::size_t>(x)]);
  ShiftImageRow(t, 9, true); // no such row: nothing

  SetSkewFromPosition(t, 25);
  EXPECT_DOUBLE_EQ(t.FSkewOffset, 0.25);
  EXPECT_DOUBLE_EQ(t.FSkewSlope, 0.5 / 4);
}

TEST_F(CorrectionsTest, PaletteWindowOfARegion) {
  struct Case {
    double tmin, tmax;
    bool locked;
    int bottom, top;
  };
  // Unlocked: the full scale 0 .. 100 degrees; locked: 20 .. 30 degrees.
  const Case cases[] = {
      {40.0, 60.0, false, 102, 153}, {50.0, 50.0, false, 128, 129}, // one step wide at least
      {0.0, 99.3, false, 0, 255},                                   // 253 counts as the top
      {35.0, 40.0, true, 254, 255},  {0.0, 10.0, true, 0, 1},       {22.0, 28.0, true, 51, 204},
  };
  for (const Case &c : cases) {
    const TPaletteWindow w = FitPaletteWindow(c.tmin, c.tmax, c.locked, 20.0, 30.0, 0.0, 100.0);
    EXPECT_EQ(w.Bottom, c.bottom) << c.tmin << " " << c.tmax << " " << c.locked;
    EXPECT_EQ(w.Top, c.top) << c.tmin << " " << c.tmax << " " << c.locked;
  }
}

} // namespace
} // namespace calidarix
