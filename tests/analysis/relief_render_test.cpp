#include "analysis/relief_render.h"

#include "tests/support/thermogram_fixture.h"
#include "thermogram/palette_render.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

class ReliefRenderTest : public test::ThermogramTest {
protected:
  // A w x h frame whose pixel (x, y) has level(x, y) as its raw high byte; square pixels.
  TDTV &Frame(int w, int h, const std::function<int(int, int)> &level) {
    t.ResetHeader();
    test::SetFrame(t, w, h, [&](int x, int y) { return level(x, y) << 8; });
    t.FPixelAspect = 1.0;
    return t;
  }
  TDTV t;
};

TEST_F(ReliefRenderTest, AThreeByThreeFrameGivesKnownBytes) {
  // Levels 10 .. 90 row after row. Seen from above (azimuth 0, tilt 0) at two pixels per unit, a pixel
  // (c, r) corner lands at buffer (253 + 2r, 219 - 2c); each cell fills its 3 x 3 square except for its
  // lowest row, where the fill's last horizontal edge leaves only the right-most byte, and later cells
  // paint over earlier ones.
  Frame(3, 3, [](int x, int y) { return 10 * (3 * y + x + 1); });
  const TReliefCanvas canvas = RenderRelief(t, TReliefParams{0, 0, 2.0, 256});
  const int expected[5][5] = {
      {20, 20, 50, 50, 50}, // row 215
      {20, 20, 50, 50, 50}, // row 216
      {10, 10, 40, 40, 50}, // row 217
      {10, 10, 40, 40, 40}, // row 218
      {0, 0, 10, 0, 40},    // row 219
  };
  int nonZero = 0;
  for (int y = 0; y < kReliefHeight; ++y)
    for (int x = 0; x < kReliefWidth; ++x) {
      const int byte = canvas.At(x, y);
      const bool block = x >= 253 && x <= 257 && y >= 215 && y <= 219;
      const int want = block ? expected[y - 215][x - 253] : 0;
      EXPECT_EQ(byte, want) << "byte (" << x << ", " << y << ")";
      nonZero += byte != 0;
    }
  EXPECT_EQ(nonZero, 22);
}

TEST_F(ReliefRenderTest, HeightsLiftThePixelsInASideView) {
  // Tilt 90: a side view in which only the height moves a point up and down.
  Frame(3, 3, [](int x, int y) { return x == 1 && y == 1 ? 255 : 0; });
  const TReliefCanvas flat = RenderRelief(t, TReliefParams{0, 90, 1.0, 0});
  const TReliefCanvas tall = RenderRelief(t, TReliefParams{0, 90, 1.0, 256});
  EXPECT_NE(flat.Bytes(), tall.Bytes());
}

TEST_F(ReliefRenderTest, QuadsOnOneRowAreFilledFromTheirSmallestToTheirLargestX) {
  TReliefCanvas canvas;
  canvas.FillReliefQuad({200, 100, 205, 100, 190, 100, 198, 100}, 7);
  for (int x = 185; x <= 210; ++x)
    EXPECT_EQ(canvas.At(x, 100), x >= 190 && x <= 205 ? 7 : 0) << x;
  EXPECT_EQ(canvas.At(195, 99), 0);
  canvas.FillReliefSpan(20, 5, 10, 3); // either order
  EXPECT_EQ(canvas.At(10, 5), 3);
  EXPECT_EQ(canvas.At(20, 5), 3);
  EXPECT_EQ(canvas.At(21, 5), 0);
}

TEST_F(ReliefRenderTest, CellsReachingOutOfThePictureAreSkippedWhole) {
  Frame(4, 4, [](int, int) { return 100; });
  // At 300 pixels per unit every cell has a corner outside: nothing is drawn, nothing is clipped.
  const TReliefCanvas canvas = RenderRelief(t, TReliefParams{0, 0, 300.0, 256});
  for (std::uint8_t byte : canvas.Bytes())
    ASSERT_EQ(byte, 0);
  // A frame narrower than two pixels has no cell at all.
  Frame(1, 5, [](int, int) { return 100; });
  const TReliefCanvas line = RenderRelief(t, TReliefParams{300, 320, 1.0, 256});
  for (std::uint8_t byte : line.Bytes())
    ASSERT_EQ(byte, 0);
}

TEST_F(ReliefRenderTest, ALockedRangeSpreadsItsTemperaturesOverTheLevels) {
  Frame(3, 1, [](int x, int) { return x * 100; });
  t.FHeader.Scale = 1.0f / 256; // raw (level << 8) is `level` degrees
  t.FHeader.Offset = 0.0f;
  EXPECT_EQ(ReliefLevel(t, 1), 100) << "unlocked: the raw high byte";
  t.FRangeLocked = true;
  t.LockMin = 50.0;
  t.LockMax = 150.0;
  EXPECT_EQ(ReliefLevel(t, 0), 0);   // below the range
  EXPECT_EQ(ReliefLevel(t, 1), 127); // Trunc(0.5 x 255)
  EXPECT_EQ(ReliefLevel(t, 2), 255); // above the range
  EXPECT_EQ(ReliefLevel(t, 99), 0) << "outside the frame";
  t.LockMax = t.LockMin; // an empty range gives a level, not a fault
  EXPECT_EQ(ReliefLevel(t, 2), 255);
}

TEST_F(ReliefRenderTest, ThePictureCarriesTheThermogramsColours) {
  Frame(3, 3, [](int, int) { return 50; });
  for (int i = 0; i < 256; ++i)
    t.FPalette[static_cast<std::size_t>(i)] = TRGB{static_cast<std::uint8_t>(i), 10, 20};
  t.PalBottom = 0;
  t.PalTop = 255;
  const TReliefCanvas canvas = RenderRelief(t, TReliefParams{300, 320, 20.0, 0});
  const QImage picture = ReliefPicture(canvas, t);
  EXPECT_EQ(picture.size(), QSize(kReliefWidth, kReliefHeight));
  EXPECT_EQ(picture.format(), QImage::Format_Indexed8);
  EXPECT_EQ(picture.colorTable(), MakeLogicalPalette(t.FPalette, t.FIsoPalette, 0, 255, t.IsoBottom, t.IsoTop,
                                                     false, false, false));
  int cells = 0;
  for (int y = 0; y < kReliefHeight; ++y)
    for (int x = 0; x < kReliefWidth; ++x)
      cells += picture.pixelIndex(x, y) == 50;
  EXPECT_GT(cells, 100);
}

} // namespace
} // namespace calidarix
