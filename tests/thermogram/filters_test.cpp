#include "tests/support/thermogram_fixture.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace calidarix {
namespace {

class FiltersTest : public test::ThermogramTest {
protected:
  // A w x h thermogram whose pixel (x, y) holds value(x, y).
  static void Make(TDTV &t, int w, int h, const std::function<int(int, int)> &value) {
    test::SetFrame(t, w, h, value);
    t.FHeader.Scale = 0.01f;
  }
  static int At(const TDTV &t, int x, int y) { return t.FRaw[static_cast<std::size_t>(y) * t.Width() + x]; }
  static TRect Whole(const TDTV &t) { return TRect{0, 0, t.Width() - 1, t.Height() - 1}; }
};

TEST_F(FiltersTest, SmoothingSpreadsAnImpulseWithHalvesToEven) {
  struct Case {
    int impulse, centre, edge, diagonal;
  };
  // 8 / 16 = 0.5 -> 0, 24 / 16 = 1.5 -> 2, 40 / 16 = 2.5 -> 2.
  const Case cases[] = {{16, 4, 2, 1}, {8, 2, 1, 0}, {24, 6, 3, 2}, {40, 10, 5, 2}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.impulse);
    TDTV t;
    Make(t, 5, 5, [&](int x, int y) { return x == 2 && y == 2 ? c.impulse : 0; });
    t.SmoothRect(Whole(t));
    EXPECT_EQ(At(t, 2, 2), c.centre);
    EXPECT_EQ(At(t, 1, 2), c.edge);
    EXPECT_EQ(At(t, 2, 3), c.edge);
    EXPECT_EQ(At(t, 1, 1), c.diagonal);
    EXPECT_EQ(At(t, 3, 3), c.diagonal);
    // The border pixels next to the impulse are not interior and keep their values.
    EXPECT_EQ(At(t, 0, 2), 0);
  }
}

TEST_F(FiltersTest, SmoothingKeepsAConstantFrameAndStaysInsideItsRectangle) {
  TDTV flat;
  Make(flat, 6, 5, [](int, int) { return 777; });
  flat.SmoothRect(Whole(flat));
  for (const std::uint16_t raw : flat.FRaw) {
    EXPECT_EQ(raw, 777);
  }

  // A checkerboard changes wherever it is smoothed; a rectangle given with swapped corners and reaching
  // outside the frame still smooths only its part of the frame.
  TDTV t;
  Make(t, 8, 8, [](int x, int y) { return (x + y) % 2 == 0 ? 1000 : 3000; });
  const std::vector<std::uint16_t> before = t.FRaw;
  t.FIsoPoints = {0.1, 0.1, 0.2, 0.2};
  t.SmoothRect(TRect{20, 4, 3, -7}); // columns 3 .. 7, rows 0 .. 4 once ordered and clipped
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 3 && x <= 6 && y >= 1 && y <= 4; // interior part of the rectangle
      EXPECT_EQ(At(t, x, y) != before[static_cast<std::size_t>(y) * 8 + x], inside) << x << "," << y;
    }
  }
  EXPECT_TRUE(t.FIsoPoints.empty()); // contours of the old frame no longer fit
}

TEST_F(FiltersTest, IsothermBandIsInclusiveForSmoothingAndExclusiveForSharpening) {
  // 21845 = 85 x 257 lies on the band's upper edge; 30000 lies outside it.
  for (const int centre : {21845, 30000}) {
    SCOPED_TRACE(centre);
    TDTV smooth;
    Make(smooth, 3, 3, [&](int x, int y) { return x == 1 && y == 1 ? centre : 5000; });
    smooth.isIso = true;
    smooth.IsoBottom = 0;
    smooth.IsoTop = 85;
    TDTV sharp;
    Make(sharp, 3, 3, [&](int x, int y) { return x == 1 && y == 1 ? centre : 5000; });
    sharp.isIso = true;
    sharp.IsoBottom = 0;
    sharp.IsoTop = 85;

    smooth.SmoothRect(Whole(smooth));
    sharp.SharpenRect(Whole(sharp));
    EXPECT_EQ(At(smooth, 1, 1) != centre, centre == 21845);
    EXPECT_EQ(At(sharp, 1, 1), centre);
  }
}

TEST_F(FiltersTest, SharpeningResults) {
  struct Case {
    int centre, ring, expected;
  };
  // 32 x 65535 / 16 = 131070 is clamped; 0 - 2 x 8 x 65535 / 16 is clamped to 0; (3200 - 800) / 16 = 150.
  const Case cases[] = {{65535, 0, 65535}, {0, 65535, 0}, {100, 50, 150}, {1000, 1000, 1000}};
  for (const Case &c : cases) {
    TDTV t;
    Make(t, 3, 3, [&](int x, int y) { return x == 1 && y == 1 ? c.centre : c.ring; });
    t.SharpenRect(Whole(t));
    EXPECT_EQ(At(t, 1, 1), c.expected) << c.centre << " in " << c.ring;
  }
}

TEST_F(FiltersTest, UnsharpMaskingPushesEveryRowOfTheRectangleAwayFromItsBlur) {
  TDTV t;
  Make(t, 10, 10, [](int x, int y) { return (x + y) % 2 == 0 ? 1000 : 3000; });
  const std::vector<std::uint16_t> before = t.FRaw;
  t.UnsharpMaskRect(TRect{2, 2, 7, 6});
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const int old = before[static_cast<std::size_t>(y) * 10 + x];
      if (x >= 2 && x <= 7 && y >= 2 && y <= 6) {
        // The blurred copy lies between the two values, so each pixel moves away from it.
        if (old == 3000) {
          EXPECT_GT(At(t, x, y), 3000) << x << "," << y;
        } else {
          EXPECT_LT(At(t, x, y), 1000) << x << "," << y;
        }
      } else {
        EXPECT_EQ(At(t, x, y), old) << x << "," << y;
      }
    }
  }

  // Results are clamped to the raw range.
  TDTV extreme;
  Make(extreme, 5, 5, [](int x, int y) { return (x + y) % 2 == 0 ? 0 : 65535; });
  extreme.UnsharpMaskRect(Whole(extreme));
  EXPECT_EQ(At(extreme, 2, 2), 0);
  EXPECT_EQ(At(extreme, 2, 1), 65535);
}

TEST_F(FiltersTest, EdgeImage) {
  TDTV flat;
  Make(flat, 5, 4, [](int, int) { return 4000; });
  flat.EdgeDetect(Whole(flat));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      const bool border = x == 0 || y == 0 || x == 4 || y == 3;
      EXPECT_EQ(At(flat, x, y), border ? 4000 : 0);
    }
  }

  // A vertical step from 0 to 100 between columns 2 and 3: K1 = 0, K2 = K3 = 300, K4 = 400 on both sides.
  TDTV step;
  Make(step, 6, 4, [](int x, int) { return x < 3 ? 0 : 100; });
  step.EdgeDetect(Whole(step));
  for (int y = 1; y <= 2; ++y) {
    EXPECT_EQ(At(step, 1, y), 0);
    EXPECT_EQ(At(step, 2, y), 583);
    EXPECT_EQ(At(step, 3, y), 583);
    EXPECT_EQ(At(step, 4, y), 0);
  }
  EXPECT_EQ(At(step, 5, 1), 100); // border kept

  // The magnitude saturates: a 0 / 65535 step gives sqrt(34) x 65535 before the clamp.
  TDTV hard;
  Make(hard, 4, 3, [](int x, int) { return x < 2 ? 0 : 65535; });
  hard.EdgeDetect(Whole(hard));
  EXPECT_EQ(At(hard, 1, 1), 65535);
}

TEST_F(FiltersTest, EmbossComparesWithTheNeighbourOfEachDirection) {
  struct Case {
    int direction, dx, dy;
  };
  const Case cases[] = {{0, -1, -1}, {1, 0, -1}, {2, 1, -1}, {3, 1, 0},
                        {4, 1, 1},   {5, 0, 1},  {6, -1, 1}, {7, -1, 0}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.direction);
    TDTV t;
    Make(t, 5, 4, [](int x, int y) { return 1000 + x + 10 * y; });
    t.Emboss(c.direction);
    // Interior: raw - neighbour + 32767 = 32767 - (dx + 10 dy); the border compares with itself.
    EXPECT_EQ(At(t, 2, 1), 32767 - (c.dx + 10 * c.dy));
    EXPECT_EQ(At(t, 3, 2), 32767 - (c.dx + 10 * c.dy));
    EXPECT_EQ(At(t, 0, 0), 32767);
    EXPECT_EQ(At(t, 4, 3), 32767);
  }

  for (const int direction : {-1, 8}) {
    TDTV t;
    Make(t, 4, 4, [](int x, int y) { return 1000 + x + 10 * y; });
    t.Emboss(direction);
    for (const std::uint16_t raw : t.FRaw) {
      EXPECT_EQ(raw, 32767) << direction;
    }
  }

  // |raw - n + 32767| folds below 0 and is limited to 65535 above.
  TDTV t;
  Make(t, 3, 3, [](int x, int y) { return x == 1 && y == 1 ? 0 : 65535; });
  t.Emboss(4);
  EXPECT_EQ(At(t, 1, 1), 32768);
  TDTV u;
  Make(u, 3, 3, [](int x, int y) { return x == 1 && y == 1 ? 65535 : 0; });
  u.Emboss(4);
  EXPECT_EQ(At(u, 1, 1), 65535);
}

TEST_F(FiltersTest, DestripingAlignsEveryRowWithTheFirst) {
  // Rows differ only by constant offsets; the frame is wider than 16 columns.
  const int offsets[] = {0, 50, -30, 400};
  TDTV t;
  Make(t, 20, 4, [&](int x, int y) { return 1000 + 7 * x + offsets[y]; });
  t.Destripe();
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 20; ++x) {
      EXPECT_EQ(At(t, x, y), 1000 + 7 * x) << x << "," << y;
    }
  }

  // A frame narrower than 16 columns uses the columns it has; results are clamped to the raw range.
  TDTV narrow;
  Make(narrow, 3, 3, [](int x, int y) { return y == 0 ? 100 + x : (y == 1 ? 65000 + x : 10 + x); });
  narrow.Destripe();
  for (int x = 0; x < 3; ++x) {
    EXPECT_EQ(At(narrow, x, 0), 100 + x);
    EXPECT_EQ(At(narrow, x, 1), 100 + x);
  }
  // Row 2 has mean 11, row 0 mean 101: +90 on every pixel.
  EXPECT_EQ(At(narrow, 0, 2), 100);

  TDTV clamp;
  Make(clamp, 2, 2, [](int x, int y) { return y == 0 ? 60000 : (x == 0 ? 0 : 65535); });
  clamp.Destripe(); // row 1 mean 32767 -> shift +27233
  EXPECT_EQ(At(clamp, 0, 1), 27233);
  EXPECT_EQ(At(clamp, 1, 1), 65535);
}

TEST_F(FiltersTest, RepairFillsEmptyPixelsFromWeightedNeighbours) {
  TDTV single;
  Make(single, 5, 5, [](int x, int y) { return x == 2 && y == 2 ? 0 : 1000; });
  single.FillZeroPixels(false);
  EXPECT_EQ(At(single, 2, 2), 1000);

  // Edge neighbours weigh 1024, diagonal ones 202: (1000 x 1024 + 2000 x 202) / 1226 = 1164.76.
  TDTV weighted;
  Make(weighted, 3, 3, [](int x, int y) {
    if (x == 0 && y == 1) {
      return 1000;
    }
    return x == 0 && y == 0 ? 2000 : 0;
  });
  weighted.FillZeroPixels(false);
  EXPECT_EQ(At(weighted, 1, 1), 1165);
  EXPECT_EQ(At(weighted, 1, 0), 1835); // (2000 x 1024 + 1000 x 202) / 1226 = 1835.2
  EXPECT_EQ(At(weighted, 2, 2), 0);    // no non-empty neighbour at the start of the pass

  // An empty 3 x 3 block keeps its centre after one pass and closes with the second.
  for (const bool twice : {false, true}) {
    TDTV block;
    Make(block, 7, 7, [](int x, int y) { return x >= 2 && x <= 4 && y >= 2 && y <= 4 ? 0 : 1000; });
    block.FillZeroPixels(twice);
    EXPECT_EQ(At(block, 2, 2), 1000);
    EXPECT_EQ(At(block, 3, 2), 1000);
    EXPECT_EQ(At(block, 3, 3), twice ? 1000 : 0);
  }
}

} // namespace
} // namespace calidarix
