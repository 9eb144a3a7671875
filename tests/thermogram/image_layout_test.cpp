#include "thermogram/image_layout.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>

#include <limits>

namespace calidarix {
namespace {

constexpr double kDefaultAspect = 256.0 / 216.0;

TImageView Frame(int w, int h, double aspect = kDefaultAspect) {
  TImageView view;
  view.Width = w;
  view.Height = h;
  view.Aspect = aspect;
  return view;
}

TEST(FitImageLayoutTest, FitTable) {
  struct Case {
    int boxW, boxH;
    double zoom, offX, offY;
  };
  // 320 x 240 at the default display aspect: one image row is 1.125 columns high on screen.
  const Case cases[] = {
      {640, 480, 480.0 / 240.0 / 1.125, -20.0, 0.0},               // wider than the frame: height fit
      {480, 480, 1.5, 0.0, (240.0 - 480.0 / (1.5 * 1.125)) / 2.0}, // narrower: width fit
      {320, 270, 1.0, 0.0, 0.0},                                   // exactly the display shape
      {100, 1000, 100.0 / 320.0, 0.0, (240.0 - 1000.0 / (100.0 / 320.0 * 1.125)) / 2.0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.boxW << " x " << c.boxH);
    TImageView view = Frame(320, 240);
    view.Zoom = 7.0; // a forced fit ignores the zoom shown before
    bool fitted = false;
    ASSERT_TRUE(FitImageLayout(view, TRect{0, 0, c.boxW, c.boxH}, true, fitted));
    EXPECT_TRUE(fitted);
    EXPECT_DOUBLE_EQ(view.PixelAspect, 1.125);
    EXPECT_DOUBLE_EQ(view.Zoom, c.zoom);
    EXPECT_NEAR(view.ViewOffsetX, c.offX, 1e-9);
    EXPECT_NEAR(view.ViewOffsetY, c.offY, 1e-9);
  }
  TImageView view = Frame(320, 240);
  bool fitted = false;
  ASSERT_TRUE(FitImageLayout(view, TRect{0, 0, 480, 480}, true, fitted));
  EXPECT_NEAR(view.ViewOffsetY, -22.2222222, 1e-6);
}

TEST(FitImageLayoutTest, ZoomedViewKeepsZoomAndRecentresOnSizing) {
  TImageView view = Frame(320, 240);
  bool fitted = true;
  view.Zoom = 4.0; // zoomed in beyond any fit of the boxes below
  ASSERT_TRUE(FitImageLayout(view, TRect{10, 20, 650, 500}, false, fitted));
  EXPECT_FALSE(fitted);
  EXPECT_EQ(view.Zoom, 4.0);
  EXPECT_DOUBLE_EQ(view.ViewOffsetX, (320.0 - 640.0 / 4.0) / 2.0);
  EXPECT_DOUBLE_EQ(view.ViewOffsetY, (240.0 - 480.0 / (4.0 * 1.125)) / 2.0);

  ASSERT_TRUE(FitImageLayout(view, TRect{0, 0, 800, 600}, false, fitted));
  EXPECT_FALSE(fitted);
  EXPECT_EQ(view.Zoom, 4.0);
  EXPECT_DOUBLE_EQ(view.ViewOffsetX, (320.0 - 800.0 / 4.0) / 2.0);
}

TEST(FitImageLayoutTest, ViewSmallerThanTheFitIsFittedAgain) {
  TImageView view = Frame(320, 240);
  bool fitted = false;
  view.Zoom = 0.5;
  ASSERT_TRUE(FitImageLayout(view, TRect{0, 0, 480, 480}, false, fitted));
  EXPECT_TRUE(fitted);
  EXPECT_DOUBLE_EQ(view.Zoom, 1.5);

  // A fitted view follows the box: sizing with fit = the last fitted flag fits again, and a second
  // layout of the same box keeps the fitted state, also for boxes (1024 x 768, 700 x 500) where the
  // fit zoom multiplied back by the frame height comes out a hair above the box height.
  for (const TRect box : {TRect{0, 0, 640, 480}, TRect{0, 0, 641, 479}, TRect{0, 0, 333, 777},
                          TRect{0, 0, 1024, 768}, TRect{0, 0, 700, 500}}) {
    ASSERT_TRUE(FitImageLayout(view, box, fitted, fitted));
    EXPECT_TRUE(fitted);
    const TImageView first = view;
    ASSERT_TRUE(FitImageLayout(view, box, false, fitted));
    EXPECT_TRUE(fitted);
    EXPECT_EQ(view.Zoom, first.Zoom);
    EXPECT_EQ(view.ViewOffsetX, first.ViewOffsetX);
    EXPECT_EQ(view.ViewOffsetY, first.ViewOffsetY);
  }
}

TEST(FitImageLayoutTest, UnusableInputLeavesTheViewAlone) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char *what;
    TImageView view;
    TRect box;
  };
  const Case cases[] = {
      {"zero-width box", Frame(320, 240), TRect{5, 5, 5, 100}},
      {"zero-height box", Frame(320, 240), TRect{0, 0, 100, 0}},
      {"inverted box", Frame(320, 240), TRect{100, 100, 0, 0}},
      {"empty frame", Frame(0, 0), TRect{0, 0, 640, 480}},
      {"no rows", Frame(320, 0), TRect{0, 0, 640, 480}},
      {"zero aspect", Frame(320, 240, 0.0), TRect{0, 0, 640, 480}},
      {"NaN aspect", Frame(320, 240, nan), TRect{0, 0, 640, 480}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TImageView view = c.view;
    view.Zoom = 3.0;
    view.ViewOffsetX = 1.0;
    view.ViewOffsetY = 2.0;
    view.PixelAspect = 0.75;
    bool fitted = true;
    EXPECT_FALSE(FitImageLayout(view, c.box, true, fitted));
    EXPECT_TRUE(fitted);
    EXPECT_EQ(view.Zoom, 3.0);
    EXPECT_EQ(view.ViewOffsetX, 1.0);
    EXPECT_EQ(view.ViewOffsetY, 2.0);
    EXPECT_EQ(view.PixelAspect, 0.75);
  }
}

TEST(FitImageLayoutTest, BrokenKeptZoomIsReplacedByTheFit) {
  for (double zoom :
       {0.0, -2.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    TImageView view = Frame(320, 240);
    view.Zoom = zoom;
    bool fitted = false;
    ASSERT_TRUE(FitImageLayout(view, TRect{0, 0, 480, 480}, false, fitted));
    EXPECT_TRUE(fitted);
    EXPECT_DOUBLE_EQ(view.Zoom, 1.5);
  }
}

TEST(ZoomToImageRectTest, FillsTheViewAndCentresTheRectangle) {
  TImageView view = Frame(320, 240);
  view.PixelAspect = 1.125;
  view.Zoom = 1.0;
  // A 100 x 50 image rectangle into a 640 x 480 view: 640/480 <= 2 x aspect, so the height fills.
  ASSERT_TRUE(ZoomToImageRect(view, TRect{100, 60, 200, 110}, TRect{0, 0, 640, 480}, true));
  const double zoom = 480.0 / 50.0 / 1.125;
  EXPECT_DOUBLE_EQ(view.Zoom, zoom);
  EXPECT_DOUBLE_EQ(view.ViewOffsetX, 150 - 37);        // centre 150, half view 37.5 columns
  EXPECT_DOUBLE_EQ(view.ViewOffsetY, 85 - 28 / 1.125); // centre 85, half view 28.125 -> 28

  // A tall rectangle into a wide view: the width fills.
  ASSERT_TRUE(ZoomToImageRect(view, TRect{10, 0, 30, 200}, TRect{0, 0, 640, 480}, true));
  EXPECT_DOUBLE_EQ(view.Zoom, 32.0);
  EXPECT_DOUBLE_EQ(view.ViewOffsetX, 20 - 10);
  EXPECT_DOUBLE_EQ(view.ViewOffsetY, 100 - 7 / 1.125);

  // Without fitting the zoom stays, only the centre moves.
  view.Zoom = 2.0;
  ASSERT_TRUE(ZoomToImageRect(view, TRect{0, 0, 41, 41}, TRect{0, 0, 100, 60}, false));
  EXPECT_EQ(view.Zoom, 2.0);
  EXPECT_DOUBLE_EQ(view.ViewOffsetX, 20 - 25);
  EXPECT_DOUBLE_EQ(view.ViewOffsetY, 20 - 15 / 1.125);
}

TEST(ZoomToImageRectTest, CornerOrderDoesNotMoveTheCentre) {
  TImageView a = Frame(320, 240);
  a.PixelAspect = 1.125;
  TImageView b = a;
  ASSERT_TRUE(ZoomToImageRect(a, TRect{100, 60, 201, 111}, TRect{0, 0, 640, 480}, true));
  ASSERT_TRUE(ZoomToImageRect(b, TRect{201, 111, 100, 60}, TRect{640, 480, 0, 0}, true));
  EXPECT_EQ(a.Zoom, b.Zoom);
  EXPECT_EQ(a.ViewOffsetX, b.ViewOffsetX);
  EXPECT_EQ(a.ViewOffsetY, b.ViewOffsetY);
}

TEST(ZoomToImageRectTest, EmptyRectangleOrViewIsIgnored) {
  const TRect cases[][2] = {
      {TRect{10, 10, 10, 50}, TRect{0, 0, 640, 480}}, {TRect{10, 10, 50, 10}, TRect{0, 0, 640, 480}},
      {TRect{0, 0, 0, 0}, TRect{0, 0, 640, 480}},     {TRect{10, 10, 50, 50}, TRect{0, 0, 0, 480}},
      {TRect{10, 10, 50, 50}, TRect{0, 0, 640, 0}},
  };
  for (const auto &c : cases) {
    for (bool fitAspect : {true, false}) {
      TImageView view = Frame(320, 240);
      view.Zoom = 3.0;
      view.ViewOffsetX = 1.0;
      view.ViewOffsetY = 2.0;
      EXPECT_FALSE(ZoomToImageRect(view, c[0], c[1], fitAspect));
      EXPECT_EQ(view.Zoom, 3.0);
      EXPECT_EQ(view.ViewOffsetX, 1.0);
      EXPECT_EQ(view.ViewOffsetY, 2.0);
    }
  }
}

TEST(ImageViewTest, CopiesTheThermogramsViewFieldsBothWays) {
  ResetThermogramGlobals();
  TDTV dtv;
  dtv.FHeader.Width = 320;
  dtv.FHeader.Height = 240;
  dtv.FAspect = kDefaultAspect;
  TImageView view = ImageViewOf(dtv);
  EXPECT_EQ(view.Width, 320);
  EXPECT_EQ(view.Height, 240);
  EXPECT_EQ(view.Aspect, kDefaultAspect);
  bool fitted = false;
  ASSERT_TRUE(FitImageLayout(view, TRect{0, 0, 640, 480}, true, fitted));
  ApplyImageView(view, dtv);
  EXPECT_DOUBLE_EQ(dtv.FPixelAspect, 1.125);
  EXPECT_DOUBLE_EQ(dtv.FZoom, 480.0 / 240.0 / 1.125);
  EXPECT_DOUBLE_EQ(dtv.FViewOffsetX, -20.0);
  EXPECT_EQ(dtv.FViewOffsetY, 0.0);
}

} // namespace
} // namespace calidarix
