#include "analysis/figures.h"

#include "tests/support/thermogram_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace calidarix {
namespace {

using test::SetFrame;

TDTV &Frame(TDTV &t, int w, int h, const std::function<int(int, int)> &pixel, float scale = 0.01f,
            float offset = 0.0f) {
  t.ResetHeader();
  SetFrame(t, w, h, pixel);
  t.FHeader.Scale = scale;
  t.FHeader.Offset = offset;
  t.UpdateStatistics();
  return t;
}

TEST(FiguresTest, NoiseAgainstAReference) {
  TDTV a, b;
  Frame(a, 4, 4, [](int x, int y) { return 1000 + x * 7 + y * 3; });
  Frame(b, 4, 4, [](int x, int y) { return 1000 + x * 7 + y * 3; });
  std::optional<TNoiseFigure> f = NoiseAgainstReference(a, b, TRect{0, 0, 3, 3});
  ASSERT_TRUE(f);
  EXPECT_EQ(NoiseText(*f, 3), "S: 0.000 | U: 0.000");

  // Differences on the even rows only: row 0 differs by 1 and 3 degrees, row 2 by 1 and 3 too; the odd
  // rows' large differences are not looked at. Each frame uses its own scale.
  Frame(
      b, 2, 4, [](int x, int y) { return y % 2 ? 0 : (x == 0 ? 100 : 300); }, 0.01f, 0.0f);
  Frame(
      a, 2, 4, [](int, int y) { return y % 2 ? 60000 : 100; }, 0.02f, 0.0f);
  f = NoiseAgainstReference(a, b, TRect{0, 0, 1, 3});
  ASSERT_TRUE(f);
  // d = 2 - 1 = 1 and 2 - 3 = -1: mean 0, deviation 1.
  EXPECT_NEAR(f->S, 0.707, 1e-6);
  EXPECT_NEAR(f->U, 2.0, 1e-5);

  TDTV other;
  Frame(other, 3, 4, [](int, int) { return 0; });
  EXPECT_FALSE(NoiseAgainstReference(a, other, TRect{0, 0, 1, 1})) << "another size is refused";
  EXPECT_FALSE(NoiseAgainstReference(a, b, TRect{10, 10, 20, 20})) << "no pixel in the frame";
}

TEST(FiguresTest, RowNoiseNeedsTheRowTwoBelow) {
  TDTV t;
  Frame(t, 3, 5, [](int x, int y) { return y == 0 ? 100 * x : 50; });
  const std::optional<TNoiseFigure> f = RowNoiseFigure(t, 0);
  ASSERT_TRUE(f);
  // d = 0 - 0.5, 1 - 0.5, 2 - 0.5.
  EXPECT_NEAR(f->U, 2.0, 1e-6);
  EXPECT_NEAR(f->S, std::sqrt(2.0 / 3.0) * 0.707, 1e-6);
  EXPECT_EQ(NoiseText(*f, 5).left(10), "S: 0.57726");
  EXPECT_TRUE(RowNoiseFigure(t, 2));
  EXPECT_FALSE(RowNoiseFigure(t, 3)) << "the partner row would be row 5";
  EXPECT_FALSE(RowNoiseFigure(t, -1));
}

TEST(FiguresTest, ResolutionRatioAndBandDifference) {
  EXPECT_DOUBLE_EQ(*ResolutionRatio(30.0, 20.0, 28.0), 0.8);
  EXPECT_FALSE(ResolutionRatio(25.0, 25.0, 28.0)) << "no contrast between the first two areas";

  TDTV cur, band;
  Frame(cur, 3, 1, [](int x, int) { return 1000 + 100 * x; });
  Frame(band, 3, 1, [](int, int) { return 1000; });
  // Differences 0, 1 and 2 degrees: squares 0, 1 and 4.
  ASSERT_TRUE(BuildDifferenceImage(cur, band));
  EXPECT_EQ(cur.FRaw, (std::vector<std::uint16_t>{0, 16383, 65535}));
  EXPECT_FLOAT_EQ(cur.FHeader.Offset, 0.0f);
  EXPECT_NEAR(cur.RawToTemperature(65535), 4.0, 1e-4);
  TDTV small;
  Frame(small, 2, 1, [](int, int) { return 0; });
  EXPECT_FALSE(BuildDifferenceImage(cur, small));
}

} // namespace
} // namespace calidarix
