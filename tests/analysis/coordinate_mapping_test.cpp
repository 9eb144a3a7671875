#include "analysis/coordinate_mapping.h"

#include <gtest/gtest.h>

#include <limits>

namespace calidarix {
namespace {

TImageView View(int w, int h, double zoom, double offX = 0.0, double offY = 0.0, double pixelAspect = 1.0) {
  TImageView view;
  view.Width = w;
  view.Height = h;
  view.Zoom = zoom;
  view.ViewOffsetX = offX;
  view.ViewOffsetY = offY;
  view.PixelAspect = pixelAspect;
  return view;
}

TEST(CoordinateMappingTest, IdentityView) {
  const TImageView view = View(10, 8, 1.0);
  for (int v = -3; v <= 12; ++v) {
    EXPECT_EQ(GetRealXPure(view, v), v);
    EXPECT_EQ(GetRealYPure(view, v), v);
    EXPECT_EQ(GetScreenX(view, v), v);
    EXPECT_EQ(GetScreenY(view, v), v);
  }
  for (const TRect r : {TRect{1, 2, 3, 4}, TRect{0, 0, 9, 7}, TRect{4, 4, 4, 4}}) {
    EXPECT_EQ(GetScreenRect(view, r), r);
    EXPECT_EQ(GetRealRect(view, r), r); // the frame's last column and row survive
  }
}

TEST(CoordinateMappingTest, PointConversions) {
  struct Case {
    const char *what;
    TImageView view;
    int in;
    int realXPure, realYPure, realX, realY, screenX, screenY;
  };
  const Case cases[] = {
      {"2.5 rounds to 2", View(100, 100, 2.0), 5, 2, 2, 2, 2, 10, 10},
      {"3.5 rounds to 4", View(100, 100, 2.0), 7, 4, 4, 4, 4, 14, 14},
      {"left of the image", View(100, 100, 2.0), -3, -2, -2, 0, 0, -6, -6},
      {"right of the image", View(100, 50, 2.0), 1000, 500, 500, 99, 49, 2000, 2000},
      // Rows are stretched: 2 x 1.125 box pixels per row, the view starting 22.5 rows above the image.
      {"stretched rows", View(320, 240, 2.0, -20.0, -22.5, 1.125), 51, 6, 0, 6, 0, 142, 165},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(GetRealXPure(c.view, c.in), c.realXPure);
    EXPECT_EQ(GetRealYPure(c.view, c.in), c.realYPure);
    EXPECT_EQ(GetRealX(c.view, c.in), c.realX);
    EXPECT_EQ(GetRealY(c.view, c.in), c.realY);
    EXPECT_EQ(GetScreenX(c.view, c.in), c.screenX);
    EXPECT_EQ(GetScreenY(c.view, c.in), c.screenY);
    EXPECT_EQ(GetRealPoint(c.view, TPoint{c.in, c.in}), (TPoint{c.realX, c.realY}));
    EXPECT_EQ(GetScreenPoint(c.view, TPoint{c.in, c.in}), (TPoint{c.screenX, c.screenY}));
  }
}

TEST(CoordinateMappingTest, ZoomedPixelIsCoveredWhole) {
  EXPECT_EQ(GetScreenRect(View(10, 10, 4.0), TRect{3, 3, 3, 3}), (TRect{12, 12, 15, 15}));
  EXPECT_EQ(GetRealRect(View(10, 10, 4.0), TRect{12, 12, 15, 15}), (TRect{3, 3, 3, 3}));
  // A paint-box rectangle reaching beyond the frame is clamped into it.
  EXPECT_EQ(GetRealRect(View(10, 10, 4.0), TRect{-20, -1, 400, 39}), (TRect{0, 0, 9, 9}));
}

TEST(CoordinateMappingTest, ScreenRoundTripKeepsAreasAtTheFrameEdge) {
  // Fitted and zoomed-in views of a 320 x 240 frame; every rectangle touching an edge of the frame
  // comes back unchanged after drawing it and reading it back from the screen.
  const TImageView views[] = {View(320, 240, 480.0 / 240.0 / 1.125, -20.0, 0.0, 1.125),
                              View(320, 240, 1.5, 0.0, -22.2222222222, 1.125), View(320, 240, 3.0, 17.0, 9.5),
                              View(320, 240, 1.0)};
  const int lows[] = {0, 1, 100};
  const int highXs[] = {100, 318, 319};
  const int highYs[] = {100, 238, 239};
  for (const TImageView &view : views) {
    for (int left : lows) {
      for (int top : lows) {
        for (int right : highXs) {
          for (int bottom : highYs) {
            const TRect r{left, top, right, bottom};
            EXPECT_EQ(GetRealRect(view, GetScreenRect(view, r)), r)
                << view.Zoom << ": " << left << " " << top << " " << right << " " << bottom;
          }
        }
      }
    }
  }
}

TEST(CoordinateMappingTest, DegenerateViewsGiveDefinedResults) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // An empty frame has no pixel to clamp to but column and row 0.
  EXPECT_EQ(GetRealX(View(0, 0, 1.0), 50), 0);
  EXPECT_EQ(GetRealY(View(0, 0, 1.0), -50), 0);
  // A zero zoom (never set by the layout) saturates instead of overflowing.
  const TImageView zero = View(10, 10, 0.0);
  EXPECT_EQ(GetRealXPure(zero, 5), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(GetRealX(zero, 5), 9);
  EXPECT_EQ(GetRealX(zero, -5), 0);
  EXPECT_EQ(GetRealX(View(10, 10, nan), 5), 0);
  // Huge positions saturate as well.
  const int maxInt = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(GetScreenX(View(10, 10, 4.0), maxInt), maxInt);
  EXPECT_EQ(GetScreenRect(View(10, 10, 4.0), TRect{0, 0, maxInt, maxInt}).Right, maxInt);
  EXPECT_EQ(GetRealRect(View(10, 10, 1.0), TRect{maxInt, maxInt, maxInt, maxInt}), (TRect{9, 9, 9, 9}));
}

} // namespace
} // namespace calidarix
