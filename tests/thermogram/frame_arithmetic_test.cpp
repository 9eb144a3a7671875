#include "tests/support/thermogram_fixture.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include "tests/support/memory_limited_child.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <QString>

#include <cmath>
#include <cstdint>
#include <functional>
#include <tuple>
#include <vector>

namespace calidarix {
namespace {

class FrameArithmeticTest : public test::ThermogramTest {
protected:
  // A w x h thermogram over low .. high degrees whose pixel (x, y) has the temperature temp(x, y)
  // (0 .. 65.535 gives a step of 0.001 degree).
  static void Make(TDTV &t, int w, int h, double low, double high,
                   const std::function<double(int, int)> &temp) {
    t.FHeader.Width = static_cast<std::uint16_t>(w);
    t.FHeader.Height = static_cast<std::uint16_t>(h);
    t.FHeader.Offset = static_cast<float>(low);
    t.FHeader.Scale = static_cast<float>((high - low) / 65535.0);
    t.FRaw.resize(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const double raw = std::round((temp(x, y) - low) / (high - low) * 65535.0);
        t.FRaw[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint16_t>(raw);
      }
    }
    t.SetAspect(static_cast<double>(w) / h); // square pixels
    t.UpdateStatistics();
  }

  static std::uint16_t Raw(const TDTV &t, int x, int y) {
    return t.FRaw[static_cast<std::size_t>(y) * t.Width() + x];
  }
};

TEST_F(FrameArithmeticTest, SummationShowsTheRunningMeanAndEndsAfterSumCountPlusOneFrames) {
  TDTV t;
  t.SumCount = 4;
  t.FSumming = true;
  std::vector<double> sums(2, 0.0);
  for (int call = 1; call <= 5; ++call) {
    SCOPED_TRACE(call);
    // Every camera frame arrives with its own quantization.
    const double a = 20.0 + call;
    const double b = 40.0 - 2.0 * call;
    Make(t, 2, 1, 10.0, 50.0, [&](int x, int) { return x == 0 ? a : b; });
    const std::vector<std::uint16_t> raw = t.FRaw;
    const float scale = t.FHeader.Scale;
    sums[0] += t.TemperatureAt(0, 0);
    sums[1] += t.TemperatureAt(1, 0);
    t.AccumulateFrame();
    if (call == 1) {
      // The first frame is only stored.
      EXPECT_EQ(t.FRaw, raw);
      EXPECT_EQ(t.FHeader.Scale, scale);
      EXPECT_EQ(t.FHeader.Offset, 10.0f);
    } else {
      // Quantized over the running range of all temperatures seen (21 .. 38 at most).
      const double step = (t.FSumMaxTemp - t.FSumMinTemp) / 65535.0 + 1e-4;
      EXPECT_NEAR(t.TemperatureAt(0, 0), sums[0] / call, step);
      EXPECT_NEAR(t.TemperatureAt(1, 0), sums[1] / call, step);
      EXPECT_NEAR(t.FHeader.Offset, t.FSumMinTemp, 1e-4);
    }
    EXPECT_EQ(t.FSumming, call < 5);
    EXPECT_EQ(t.FSumDone, call < 5 ? call : 0);
  }
  EXPECT_TRUE(t.FSumBuffer.empty());

  // The next call starts a new summation: its frame is only stored again.
  Make(t, 2, 1, 10.0, 50.0, [](int, int) { return 30.0; });
  const std::vector<std::uint16_t> raw = t.FRaw;
  t.AccumulateFrame();
  EXPECT_EQ(t.FRaw, raw);
  EXPECT_TRUE(t.FSumming);
  EXPECT_EQ(t.FSumDone, 1);
}

TEST_F(FrameArithmeticTest, SummationRestartsWhenTheFrameSizeChanges) {
  TDTV t;
  t.SumCount = 10;
  t.FSumming = true;
  for (int call = 0; call < 3; ++call) {
    Make(t, 2, 2, 0.0, 100.0, [](int x, int) { return 20.0 + x; });
    t.AccumulateFrame();
  }
  ASSERT_EQ(t.FSumDone, 3);
  Make(t, 3, 1, 0.0, 100.0, [](int x, int) { return 50.0 + x; });
  const std::vector<std::uint16_t> raw = t.FRaw;
  t.AccumulateFrame();
  EXPECT_EQ(t.FRaw, raw); // first frame of the new summation
  EXPECT_EQ(t.FSumDone, 1);
  ASSERT_EQ(t.FSumBuffer.size(), 3u);
  EXPECT_NEAR(t.FSumBuffer[2], 52.0, 1e-3);
  EXPECT_NEAR(t.FSumMinTemp, 50.0, 1e-3); // the old frames' 20 degrees are forgotten
}

TEST_F(FrameArithmeticTest, SummationOfOneTemperatureUsesAOneDegreeRangeAndNeverEndsWithoutSumCount) {
  TDTV t;
  t.SumCount = 0;
  t.FSumming = true;
  for (int call = 0; call < 10; ++call) {
    Make(t, 2, 2, 0.0, 100.0, [](int, int) { return 25.0; });
    t.AccumulateFrame();
  }
  EXPECT_TRUE(t.FSumming);
  EXPECT_EQ(t.FSumDone, 10);
  EXPECT_NEAR(t.FHeader.Offset, 25.0, 1e-3);
  EXPECT_NEAR(t.FHeader.Scale, 1.0 / 65535.0, 1e-9);
  for (const std::uint16_t raw : t.FRaw) {
    EXPECT_EQ(raw, 0);
  }
}

TEST_F(FrameArithmeticTest, JoiningChoosesTheCandidateClosestToTheViewShape) {
  struct Case {
    TRect view;
    bool right;
  };
  // Two equal squares: side by side or one above the other; a square view is a tie, which goes right.
  const Case cases[] = {
      {TRect{0, 0, 100, 100}, true}, {TRect{0, 0, 100, 200}, false}, {TRect{0, 0, 200, 100}, true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.right);
    TDTV t;
    Make(t, 4, 4, 10.0, 20.0, [](int, int) { return 12.0; });
    TDTV other;
    Make(other, 4, 4, 15.0, 25.0, [](int x, int y) { return 20.0 + 0.25 * x + y; });
    t.AppendImage(other, c.view);
    ASSERT_EQ(t.Width(), c.right ? 8 : 4);
    ASSERT_EQ(t.Height(), c.right ? 4 : 8);
    ASSERT_EQ(t.FRaw.size(), 32u);
    EXPECT_EQ(t.FAppendPos, (c.right ? TPoint{8, 0} : TPoint{4, 4}));
    EXPECT_DOUBLE_EQ(t.FAspect, c.right ? 2.0 : 0.5);
    // Both frames share the common range 10 .. 25 degrees.
    EXPECT_NEAR(t.RawToTemperature(0), 10.0, 1e-4);
    EXPECT_NEAR(t.RawToTemperature(65535), 25.0, 1e-3);
    const int ox = c.right ? 4 : 0;
    const int oy = c.right ? 0 : 4;
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        EXPECT_NEAR(t.TemperatureAt(x, y), 12.0, 1e-3);
        EXPECT_NEAR(t.TemperatureAt(ox + x, oy + y), 20.0 + 0.25 * x + y, 1e-3);
      }
    }
  }
}

TEST_F(FrameArithmeticTest, FurtherJoinsStartANewRowOrContinueTheRow) {
  const TRect square{0, 0, 300, 300};
  TDTV t;
  Make(t, 4, 4, 0.0, 100.0, [](int, int) { return 10.0; });
  TDTV second;
  Make(second, 4, 4, 0.0, 100.0, [](int, int) { return 20.0; });
  t.AppendImage(second, square); // 8 x 4
  TDTV third;
  Make(third, 4, 4, 0.0, 100.0, [](int, int) { return 30.0; });
  t.AppendImage(third, square); // right: 12 x 4 (q = 3); below: 8 x 8 (q = 1)
  ASSERT_EQ(t.Width(), 8);
  ASSERT_EQ(t.Height(), 8);
  EXPECT_EQ(t.FAppendPos, (TPoint{4, 4}));
  EXPECT_NEAR(t.TemperatureAt(1, 5), 30.0, 1e-2);
  EXPECT_EQ(Raw(t, 6, 6), 0); // nothing joined there yet: empty
  TDTV fourth;
  Make(fourth, 4, 4, 0.0, 100.0, [](int, int) { return 40.0; });
  t.AppendImage(fourth, square); // right of the third: 8 x 8 (q = 1) against 8 x 12
  ASSERT_EQ(t.Width(), 8);
  ASSERT_EQ(t.Height(), 8);
  EXPECT_NEAR(t.TemperatureAt(6, 6), 40.0, 1e-2);
  EXPECT_NEAR(t.TemperatureAt(6, 1), 20.0, 1e-2);
  EXPECT_EQ(t.FAppendPos, (TPoint{8, 4}));
}

// A join whose mosaic would be wider or taller than 65535 pixels is refused before anything changes:
// neither thermogram is re-quantized or resampled, and the join position stays.
TEST_F(FrameArithmeticTest, RefusedJoinChangesNothingAndSaysSo) {
  TDTV t;
  Make(t, 65000, 1, 10.0, 20.0, [](int x, int) { return 10.0 + (x % 100) * 0.1; });
  TDTV other;
  Make(other, 1000, 1, 0.0, 40.0, [](int x, int) { return 35.0 - (x % 7); });
  t.FAppendPos = TPoint{65000, 0}; // as after an earlier join
  const auto state = [](const TDTV &d) {
    return std::tuple(d.FRaw, d.Width(), d.Height(), d.FHeader.Scale, d.FHeader.Offset, d.FAspect,
                      d.FAppendPos.X, d.FAppendPos.Y);
  };
  const auto before = state(t);
  const auto otherBefore = state(other);
  // A very wide view: joining to the right (65000 + 1000 wide) fits it best, and is too wide.
  const IoResult result = t.AppendImage(other, TRect{0, 0, 1000000, 1});
  EXPECT_FALSE(result);
  EXPECT_FALSE(result.message.isEmpty());
  EXPECT_TRUE(state(t) == before);
  EXPECT_TRUE(state(other) == otherBefore);

  // A join that fits reports success.
  TDTV small;
  Make(small, 4, 4, 10.0, 20.0, [](int, int) { return 12.0; });
  TDTV second;
  Make(second, 4, 4, 10.0, 20.0, [](int, int) { return 15.0; });
  EXPECT_TRUE(small.AppendImage(second, TRect{0, 0, 100, 100}));
}

TEST_F(FrameArithmeticTest, AbsoluteDifference) {
  TDTV self;
  Make(self, 3, 2, 0.0, 65.535, [](int x, int y) { return 10.0 + x + 5 * y; });
  TDTV copy;
  copy.Assign(self);
  self.MakeAbsDifference(copy);
  EXPECT_EQ(self.FHeader.Offset, 0.0f);
  EXPECT_FLOAT_EQ(self.FHeader.Scale, static_cast<float>(1.0 / 65535.0));
  for (const std::uint16_t raw : self.FRaw) {
    EXPECT_EQ(raw, 0);
  }

  // Only pixels present in both frames are compared; the rest become empty.
  TDTV t;
  Make(t, 3, 2, 0.0, 65.535, [](int x, int y) { return 10.0 + x + 5 * y; });
  TDTV other;
  Make(other, 2, 3, 0.0, 65.535, [](int x, int) { return 12.0 + 4 * x; });
  t.MakeAbsDifference(other);
  // Differences: row 0: 2, 5; row 1: 3, 0.
  EXPECT_NEAR(t.RawToTemperature(0), 0.0, 1e-6);
  EXPECT_NEAR(t.RawToTemperature(65535), 5.0, 1e-4);
  EXPECT_NEAR(t.TemperatureAt(0, 0), 2.0, 1e-3);
  EXPECT_NEAR(t.TemperatureAt(1, 0), 5.0, 1e-3);
  EXPECT_NEAR(t.TemperatureAt(0, 1), 3.0, 1e-3);
  EXPECT_EQ(Raw(t, 1, 1), 0);
  EXPECT_EQ(Raw(t, 2, 0), 0);
  EXPECT_EQ(Raw(t, 2, 1), 0);
  EXPECT_EQ(t.FRawMax, 65535); // statistics follow the new frame
}

TEST_F(FrameArithmeticTest, HeatMap) {
  struct Case {
    double reference0, reference1; // reference temperatures of the two columns; the frame is 20 degrees
    double low, high;              // expected range of the map
  };
  // 1200 kg/m3 x 0.004 m x 1200 J/(kg K) x 0.01 m2 = 57.6 J per degree.
  const Case cases[] = {{22.0, 23.0, -172.8, 0.0}, {18.0, 17.0, 115.2, 172.8}, {20.0, 20.0, 0.0, 1.0}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.reference0);
    TDTV t;
    Make(t, 2, 2, 0.0, 65.535, [](int, int) { return 20.0; });
    t.FDensity = 1200;
    t.FThickness = 0.004;
    t.FSpecificHeat = 1200;
    t.FPixelArea = 0.01;
    TDTV reference;
    Make(reference, 2, 2, 0.0, 65.535, [&](int x, int) { return x == 0 ? c.reference0 : c.reference1; });
    t.MakeHeatMap(reference, TRect{0, 0, 2, 2});
    EXPECT_NEAR(t.FRectArea, 0.04, 1e-12);
    EXPECT_NEAR(t.RawToTemperature(0), c.low, 1e-3);
    EXPECT_NEAR(t.RawToTemperature(65535), c.high, 2e-3);
    EXPECT_NEAR(t.TemperatureAt(0, 1), (20.0 - c.reference0) * 57.6, 5e-3);
    EXPECT_NEAR(t.TemperatureAt(1, 0), (20.0 - c.reference1) * 57.6, 5e-3);
  }
}

TEST_F(FrameArithmeticTest, HeatMapReadsOnlyWhereBothFramesAndTheRectangleHavePixels) {
  TDTV t;
  Make(t, 3, 2, 0.0, 65.535, [](int, int) { return 20.0; });
  t.FDensity = 1;
  t.FThickness = 1;
  t.FSpecificHeat = 1;
  t.FPixelArea = 1;
  TDTV reference; // one column narrower
  Make(reference, 2, 2, 0.0, 65.535, [](int x, int) { return 18.0 - x; });
  t.MakeHeatMap(reference, TRect{5, 9, -1, -3}); // corners swapped and outside the frame
  EXPECT_NEAR(t.FRectArea, 4.0, 1e-12);
  EXPECT_NEAR(t.TemperatureAt(0, 0), 2.0, 1e-3);
  EXPECT_NEAR(t.TemperatureAt(1, 1), 3.0, 1e-3);
  EXPECT_EQ(Raw(t, 2, 0), 0);
  EXPECT_EQ(Raw(t, 2, 1), 0);
}

// ---- Film stacking ----

// A version-5 film of `frames` frames of w x h; frame k (1-based) covers low_k .. high_k degrees and its
// pixel (x, y) holds raw (x + y + k) x 100.
test::Bytes FilmBytes(int w, int h, const std::vector<std::pair<double, double>> &ranges) {
  double filmLow = ranges[0].first;
  double filmHigh = ranges[0].second;
  for (const auto &[low, high] : ranges) {
    filmLow = std::min(filmLow, low);
    filmHigh = std::max(filmHigh, high);
  }
  test::Bytes b;
  const float offset = static_cast<float>(filmLow);
  b.u8(110).u8(5).u16(0).u8(44).u8(18).u16(0).u16(0);
  b.u16(static_cast<std::uint16_t>(w)).u16(static_cast<std::uint16_t>(h)).u16(0);
  b.u16(static_cast<std::uint16_t>(ranges.size())).u16(0).u8(0).u8(0);
  b.f32(25.0f).u16(0).u16(0).f32(0.04f);
  b.f32(static_cast<float>((filmHigh - filmLow) / 65535.0)).f32(offset);
  b.zeros(2).i16(-32768).text("film", 64);
  for (std::size_t k = 1; k <= ranges.size(); ++k) {
    b.f64(ranges[k - 1].first).f64(ranges[k - 1].second).f64(25.0).zeros(12).u32(0x05009A98u);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        b.u16(static_cast<std::uint16_t>((x + y + static_cast<int>(k)) * 100 % 65536));
      }
    }
  }
  return b;
}

TEST_F(FrameArithmeticTest, StackingAMissingOrEmptySelectionIsAnErrorAndChangesNothing) {
  test::TempDir dir;
  test::WriteFile(dir.file("film.dtv"), FilmBytes(4, 2, {{20, 30}, {18, 25}}).data());
  struct Case {
    QString file;
    int first, last;
  };
  const QString film = QString::fromStdString(dir.file("film.dtv").string());
  const Case cases[] = {{QString(), 1, 2},
                        {QString::fromStdString(dir.file("missing.dtv").string()), 1, 2},
                        {QString::fromStdString(dir.path().string()), 1, 1}, // a folder, not a film
                        {film, 0, 2},
                        {film, 2, 1}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file.toStdString());
    TDTV t;
    Make(t, 4, 2, 0.0, 100.0, [](int x, int) { return 30.0 + x; });
    t.FFileName = c.file;
    const std::vector<std::uint16_t> raw = t.FRaw;
    const IoResult result = t.StackFilmFrames(c.first, c.last);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.message.isEmpty());
    EXPECT_EQ(t.FRaw, raw);
    EXPECT_EQ(t.Height(), 2);
  }
}

TEST_F(FrameArithmeticTest, StackingThreeFramesGivesOneTallFrameInTheFilmRange) {
  test::TempDir dir;
  const std::vector<std::pair<double, double>> ranges = {{20, 30}, {18, 25}, {22, 32}};
  test::WriteFile(dir.file("film.dtv"), FilmBytes(320, 240, ranges).data());
  const QString film = QString::fromStdString(dir.file("film.dtv").string());
  TDTV probe;
  const IoResult readable = probe.LoadFromFile(film, 1);
  if (!readable) {
    GTEST_SKIP() << "film frames cannot be read here: " << readable.message.toStdString();
  }

  TDTV t;
  ASSERT_TRUE(t.LoadFromFile(film, 2));
  t.FFileName = film;
  const double pixelAspect = t.FPixelAspect;
  t.FRangeLocked = true;
  const IoResult stacked = t.StackFilmFrames(1, 3);
  ASSERT_TRUE(stacked) << stacked.message.toStdString();
  EXPECT_EQ(t.Width(), 320);
  EXPECT_EQ(t.Height(), 720);
  EXPECT_EQ(t.FRaw.size(), 230400u);
  EXPECT_FALSE(t.FRangeLocked);
  EXPECT_NEAR(t.FPixelAspect, pixelAspect, 1e-9); // pixels keep their shape
  // Scale and Offset describe the film range 18 .. 32 that every frame was brought to.
  EXPECT_NEAR(t.RawToTemperature(0), 18.0, 1e-4);
  EXPECT_NEAR(t.RawToTemperature(65535), 32.0, 1e-3);
  for (int k = 1; k <= 3; ++k) {
    for (const auto &[x, y] : {std::pair{0, 0}, std::pair{17, 3}, std::pair{319, 239}}) {
      const double frameTemp =
          ranges[k - 1].first + (x + y + k) * 100 * (ranges[k - 1].second - ranges[k - 1].first) / 65535.0;
      EXPECT_NEAR(t.TemperatureAt(x, (k - 1) * 240 + y), frameTemp, 1e-3) << k << ":" << x << "," << y;
    }
  }
}

// A film whose damaged header claims far more frames than the file holds is refused before the
// stacked frame is made, and the thermogram stays as it was.
TEST_F(FrameArithmeticTest, StackingMoreFramesThanTheFilmHoldsIsRefusedFirst) {
  test::TempDir dir;
  const auto damaged = [&dir](const char *file, int w, int claimed) {
    std::vector<std::uint8_t> bytes = FilmBytes(w, 1, {{20, 30}, {18, 25}}).data();
    bytes[16] = static_cast<std::uint8_t>(claimed & 0xFF);
    bytes[17] = static_cast<std::uint8_t>(claimed >> 8);
    test::WriteFile(dir.file(file), bytes);
    return QString::fromStdString(dir.file(file).string());
  };

  const QString film = damaged("small.dtv", 300, 300);
  TDTV t;
  Make(t, 4, 2, 0.0, 100.0, [](int x, int) { return 30.0 + x; });
  t.FFileName = film;
  t.FRangeLocked = true;
  const std::vector<std::uint16_t> raw = t.FRaw;
  const IoResult result = t.StackFilmFrames(1, 300);
  EXPECT_FALSE(result);
  EXPECT_FALSE(result.message.isEmpty());
  EXPECT_EQ(t.FRaw, raw);
  EXPECT_TRUE(t.FRangeLocked);
  ASSERT_TRUE(t.StackFilmFrames(1, 2)) << "the frames it holds still stack";
  EXPECT_EQ(t.Height(), 2);

  // 65535 frames of 65535 x 1 would be 8.6 GB: refused without trying, in a child whose address
  // space could not hold them.
  if (!test::MemoryLimitedChildAvailable()) {
    GTEST_SKIP() << "the address sanitizer's reservations do not fit under the cap";
  }
  const QString huge = damaged("huge.dtv", 65535, 65535);
  const std::string outcome = test::RunInMemoryLimitedChild([&huge] {
    TDTV u;
    u.FFileName = huge;
    return !u.StackFilmFrames(1, 65535);
  });
  EXPECT_EQ(outcome, "passed");
}

} // namespace
} // namespace calidarix
