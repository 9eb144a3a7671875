#include "tests/support/thermogram_fixture.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

namespace calidarix {
namespace {

using test::Px;
using test::SetFrame;

// Distinct values everywhere, so that any misplaced pixel shows.
int Distinct(int x, int y) {
  return 1 + x + 100 * y;
}

class GeometryTest : public test::ThermogramTest {
protected:
};

TEST_F(GeometryTest, MirrorAndFlipReverseOnlyTheirRectangle) {
  TDTV t;
  SetFrame(t, 5, 3, Distinct);
  t.MirrorRect(TRect{1, 1, 3, 1});
  EXPECT_EQ(t.FRaw,
            (std::vector<std::uint16_t>{1, 2, 3, 4, 5, 101, 104, 103, 102, 105, 201, 202, 203, 204, 205}));

  TDTV f;
  SetFrame(f, 3, 3, Distinct);
  f.FlipRect(TRect{1, 0, 1, 2});
  EXPECT_EQ(f.FRaw, (std::vector<std::uint16_t>{1, 202, 3, 101, 102, 103, 201, 2, 203}));
}

TEST_F(GeometryTest, MirrorAndFlipTwiceRestoreTheFrame) {
  const TRect rects[] = {{0, 0, 6, 4}, {1, 1, 5, 3}, {2, 0, 2, 4}, {0, 2, 4, 2}};
  for (const TRect &r : rects) {
    TDTV t;
    SetFrame(t, 7, 5, Distinct);
    const std::vector<std::uint16_t> original = t.FRaw;
    t.MirrorRect(r);
    if (r.Left != r.Right) {
      EXPECT_NE(t.FRaw, original);
    }
    // The middle column of an odd width stays in place.
    const int middle = (r.Left + r.Right) / 2;
    EXPECT_EQ(Px(t, middle, r.Top), Distinct(middle, r.Top));
    t.MirrorRect(r);
    EXPECT_EQ(t.FRaw, original);
    t.FlipRect(r);
    const int middleRow = (r.Top + r.Bottom) / 2;
    EXPECT_EQ(Px(t, r.Left, middleRow), Distinct(r.Left, middleRow));
    t.FlipRect(r);
    EXPECT_EQ(t.FRaw, original);
  }
}

TEST_F(GeometryTest, MirrorAndFlipNormaliseAndClipRectangles) {
  struct Case {
    TRect given, same;
  };
  const Case cases[] = {
      {{3, 2, 1, 0}, {1, 0, 3, 2}},      // corners swapped
      {{-10, -3, 99, 40}, {0, 0, 4, 3}}, // beyond every edge: the whole frame
      {{3, 1, 10, 2}, {3, 1, 4, 2}},     // beyond the right edge
  };
  for (const Case &c : cases) {
    TDTV a;
    TDTV b;
    SetFrame(a, 5, 4, Distinct);
    SetFrame(b, 5, 4, Distinct);
    a.MirrorRect(c.given);
    b.MirrorRect(c.same);
    EXPECT_EQ(a.FRaw, b.FRaw);
    a.FlipRect(c.given);
    b.FlipRect(c.same);
    EXPECT_EQ(a.FRaw, b.FRaw);
  }
  TDTV t;
  SetFrame(t, 5, 4, Distinct);
  const std::vector<std::uint16_t> original = t.FRaw;
  t.MirrorRect(TRect{5, 0, 9, 3}); // wholly right of the frame
  t.FlipRect(TRect{0, -5, 4, -1}); // wholly above it
  EXPECT_EQ(t.FRaw, original);
}

TEST_F(GeometryTest, CropKeepsTheRectangleAndThePixelShape) {
  struct Case {
    TRect rect;
    int w, h, left, top;
  };
  const Case cases[] = {
      {{2, 1, 5, 4}, 3, 3, 2, 1},   // half-open: columns 2-4, rows 1-3
      {{5, 4, 2, 1}, 3, 3, 2, 1},   // swapped corners
      {{-3, -2, 3, 2}, 3, 2, 0, 0}, // clipped at the top-left
      {{4, 3, 20, 20}, 4, 3, 4, 3}, // clipped at the bottom-right
      {{0, 0, 8, 6}, 8, 6, 0, 0},   // the whole frame
  };
  for (const Case &c : cases) {
    TDTV t;
    SetFrame(t, 8, 6, Distinct);
    t.SetAspect(1.5);
    const double pixelAspect = t.FPixelAspect;
    t.CropToRect(c.rect);
    ASSERT_EQ(t.Width(), c.w);
    ASSERT_EQ(t.Height(), c.h);
    ASSERT_EQ(t.FRaw.size(), static_cast<std::size_t>(c.w * c.h));
    EXPECT_EQ(Px(t, 0, 0), Distinct(c.left, c.top));
    EXPECT_EQ(Px(t, c.w - 1, c.h - 1), Distinct(c.left + c.w - 1, c.top + c.h - 1));
    EXPECT_DOUBLE_EQ(t.FPixelAspect, pixelAspect);
    EXPECT_DOUBLE_EQ(t.FAspect, static_cast<double>(c.w) / c.h / pixelAspect);
  }
}

TEST_F(GeometryTest, CropToAnEmptyRectangleChangesNothing) {
  const TRect rects[] = {{2, 2, 2, 5}, {1, 3, 6, 3}, {8, 0, 12, 6}, {-5, -5, 0, 0}};
  for (const TRect &r : rects) {
    TDTV t;
    SetFrame(t, 8, 6, Distinct);
    t.SetAspect(1.5);
    const std::vector<std::uint16_t> original = t.FRaw;
    t.CropToRect(r);
    EXPECT_EQ(t.Width(), 8);
    EXPECT_EQ(t.Height(), 6);
    EXPECT_EQ(t.FRaw, original);
    EXPECT_EQ(t.FAspect, 1.5);
  }
}

TEST_F(GeometryTest, DoubleAndHalveWidth) {
  TDTV t;
  SetFrame(t, 3, 2, [](int x, int y) { return 10 * x + 1000 * y; });
  t.SetAspect(1.25);
  const double pixelAspect = t.FPixelAspect;
  t.DoubleWidth();
  ASSERT_EQ(t.Width(), 6);
  EXPECT_EQ(t.FRaw, (std::vector<std::uint16_t>{0, 5, 10, 15, 20, 20, 1000, 1005, 1010, 1015, 1020, 1020}));
  EXPECT_EQ(t.FAspect, 1.25);
  EXPECT_EQ(t.FPixelAspect, pixelAspect);
  t.HalveWidth();
  ASSERT_EQ(t.Width(), 3);
  EXPECT_EQ(t.FRaw, (std::vector<std::uint16_t>{2, 12, 20, 1002, 1012, 1020}));
  EXPECT_DOUBLE_EQ(t.FAspect, 256.0 / 216.0);
}

TEST_F(GeometryTest, HalveWidthDropsAnOddColumnAndMeansOfFullRange) {
  TDTV t;
  SetFrame(t, 5, 1, [](int x, int) { return x < 2 ? 65535 : 7; });
  t.SetAspect(3.0);
  t.HalveWidth();
  ASSERT_EQ(t.Width(), 2);
  EXPECT_EQ(t.FRaw, (std::vector<std::uint16_t>{65535, 7}));
  EXPECT_DOUBLE_EQ(t.FAspect, 1.185185185185185);
}

TEST_F(GeometryTest, DoubleAndHalveHeight) {
  TDTV t;
  SetFrame(t, 2, 3, [](int x, int y) { return 10 * y + 1000 * x; });
  t.SetAspect(1.25);
  t.DoubleHeight();
  ASSERT_EQ(t.Height(), 6);
  EXPECT_EQ(t.FRaw, (std::vector<std::uint16_t>{0, 1000, 5, 1005, 10, 1010, 15, 1015, 20, 1020, 20, 1020}));
  EXPECT_EQ(t.FAspect, 1.25);
  t.HalveHeight();
  ASSERT_EQ(t.Height(), 3);
  EXPECT_EQ(t.FRaw, (std::vector<std::uint16_t>{2, 1002, 12, 1012, 20, 1020}));
  EXPECT_EQ(t.FAspect, 1.25);
  t.HalveHeight(); // odd: the last row goes
  EXPECT_EQ(t.Height(), 1);
  EXPECT_EQ(t.FRaw, (std::vector<std::uint16_t>{7, 1007}));
}

TEST_F(GeometryTest, DoublingAndHalvingRefuseImpossibleSizes) {
  TDTV wide;
  SetFrame(wide, 40000, 1, [](int x, int) { return x % 100; });
  const std::vector<std::uint16_t> wideRaw = wide.FRaw;
  wide.DoubleWidth();
  EXPECT_EQ(wide.Width(), 40000);
  EXPECT_EQ(wide.FRaw, wideRaw);

  TDTV tall;
  SetFrame(tall, 1, 40000, [](int, int y) { return y % 100; });
  tall.DoubleHeight();
  EXPECT_EQ(tall.Height(), 40000);

  TDTV thin;
  SetFrame(thin, 1, 1, [](int, int) { return 9; });
  thin.SetAspect(2.0);
  thin.HalveWidth();
  thin.HalveHeight();
  EXPECT_EQ(thin.Width(), 1);
  EXPECT_EQ(thin.Height(), 1);
  EXPECT_EQ(thin.FAspect, 2.0);

  TDTV empty;
  empty.DoubleWidth();
  empty.DoubleHeight();
  empty.Rotate90(true);
  EXPECT_TRUE(empty.FRaw.empty());
}

TEST_F(GeometryTest, ResampleToAspect) {
  // Already square for 4/3: unchanged.
  TDTV same;
  SetFrame(same, 320, 240, Distinct);
  same.SetAspect(4.0 / 3.0);
  const std::vector<std::uint16_t> original = same.FRaw;
  same.ResampleToAspect();
  EXPECT_EQ(same.Width(), 320);
  EXPECT_EQ(same.FRaw, original);

  // Wider aspect: 360 columns, new column i from old column Trunc(i x 8 / 9).
  TDTV wider;
  SetFrame(wider, 320, 240, [](int x, int y) { return x + 1000 * (y % 2); });
  wider.SetAspect(1.5);
  wider.ResampleToAspect();
  ASSERT_EQ(wider.Width(), 360);
  ASSERT_EQ(wider.Height(), 240);
  for (int i = 0; i < 360; ++i) {
    ASSERT_EQ(Px(wider, i, 0), i * 8 / 9) << i;
    ASSERT_EQ(Px(wider, i, 1), 1000 + i * 8 / 9) << i;
  }
  EXPECT_DOUBLE_EQ(wider.FAspect, 1.5);

  // Narrower aspect: rows are repeated instead.
  TDTV taller;
  SetFrame(taller, 4, 2, Distinct);
  taller.SetAspect(1.0);
  taller.ResampleToAspect();
  ASSERT_EQ(taller.Width(), 4);
  ASSERT_EQ(taller.Height(), 4);
  EXPECT_EQ(Px(taller, 3, 1), Distinct(3, 0));
  EXPECT_EQ(Px(taller, 3, 2), Distinct(3, 1));
  EXPECT_DOUBLE_EQ(taller.FAspect, 1.0);
}

TEST_F(GeometryTest, ResampleToAspectRefusesUnusableAspects) {
  const double aspects[] = {-1.5, 1e-9, 1e9};
  for (const double aspect : aspects) {
    TDTV t;
    SetFrame(t, 64, 48, Distinct);
    t.SetAspect(aspect);
    t.ResampleToAspect();
    EXPECT_EQ(t.Width(), 64) << aspect;
    EXPECT_EQ(t.Height(), 48) << aspect;
    EXPECT_EQ(t.FAspect, aspect);
  }
}

TEST_F(GeometryTest, RotateByZeroKeepsTheFrame) {
  TDTV t;
  SetFrame(t, 7, 5, Distinct);
  const std::vector<std::uint16_t> original = t.FRaw;
  t.RotateByAngle(0);
  EXPECT_EQ(t.FRaw, original);
  t.RotateByAngle(std::numeric_limits<double>::quiet_NaN());
  t.RotateByAngle(std::numeric_limits<double>::infinity());
  EXPECT_EQ(t.FRaw, original);
}

// With centre (2, 2) the source pixel (x, y) lands on (4 - y, x) and also fills its right
// neighbour; later source rows win.
TEST_F(GeometryTest, RotateByNinetyDegreesForwardMaps) {
  TDTV t;
  SetFrame(t, 4, 4, Distinct);
  t.RotateByAngle(90);
  ASSERT_EQ(t.Width(), 4);
  ASSERT_EQ(t.Height(), 4);
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(Px(t, 0, r), 0) << r; // the top-left source pixel went to (4, 0), outside
    EXPECT_EQ(Px(t, 1, r), Distinct(r, 3)) << r;
    EXPECT_EQ(Px(t, 2, r), Distinct(r, 3)) << r;
    EXPECT_EQ(Px(t, 3, r), Distinct(r, 2)) << r;
  }
}

TEST_F(GeometryTest, RotateNinetyMovesPixelsExtentsAndAspect) {
  // a b c / d e f
  TDTV cw;
  SetFrame(cw, 3, 2, [](int x, int y) { return 'a' + x + 3 * y; });
  cw.FHeader.HorzExtent = 3600;
  cw.FHeader.VertExtent = 2400;
  cw.SetAspect(1.5);
  cw.Rotate90(true);
  ASSERT_EQ(cw.Width(), 2);
  ASSERT_EQ(cw.Height(), 3);
  EXPECT_EQ(cw.FRaw, (std::vector<std::uint16_t>{'d', 'a', 'e', 'b', 'f', 'c'}));
  EXPECT_EQ(cw.FHeader.HorzExtent, 2400);
  EXPECT_EQ(cw.FHeader.VertExtent, 3600);
  EXPECT_DOUBLE_EQ(cw.FAspect, 1.0 / 1.5);

  TDTV ccw;
  SetFrame(ccw, 3, 2, [](int x, int y) { return 'a' + x + 3 * y; });
  ccw.Rotate90(false);
  EXPECT_EQ(ccw.FRaw, (std::vector<std::uint16_t>{'c', 'f', 'b', 'e', 'a', 'd'}));
}

TEST_F(GeometryTest, RotateNinetyRoundTrips) {
  TDTV t;
  SetFrame(t, 5, 3, Distinct);
  t.SetAspect(2.0);
  const std::vector<std::uint16_t> original = t.FRaw;
  for (int i = 0; i < 4; ++i) {
    t.Rotate90(true);
  }
  EXPECT_EQ(t.Width(), 5);
  EXPECT_EQ(t.FRaw, original);
  EXPECT_DOUBLE_EQ(t.FAspect, 2.0);
  t.Rotate90(true);
  t.Rotate90(false);
  EXPECT_EQ(t.FRaw, original);
}

} // namespace
} // namespace calidarix
