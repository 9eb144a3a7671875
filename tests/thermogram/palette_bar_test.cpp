#include "thermogram/palette_bar.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

TPaletteBytes BarBytes(int palBottom, int palTop, int isoBottom = 0, int isoTop = 85) {
  return {static_cast<std::uint8_t>(palBottom), static_cast<std::uint8_t>(palTop),
          static_cast<std::uint8_t>(isoBottom), static_cast<std::uint8_t>(isoTop)};
}

TEST(PaletteBarTest, WindowLines) {
  struct Case {
    TRect bar;
    TPaletteBytes bytes;
    bool isIso;
    bool hasLower;
    int lowerY;
    bool hasUpper;
    int upperY;
  };
  const Case cases[] = {
      {TRect{0, 0, 20, 256}, BarBytes(0, 255), false, false, 255, false, 0}, // full window: no lines
      {TRect{0, 0, 20, 256}, BarBytes(64, 191), false, true, 191, true, 64},
      {TRect{0, 0, 20, 300}, BarBytes(64, 191), false, true, 224, true, 75},
      {TRect{0, 10, 20, 310}, BarBytes(0, 191), false, false, 309, true, 85},
      {TRect{0, 0, 20, 2}, BarBytes(64, 191), false, true, 1, true, 0},            // 0.5 -> 0 and 1.5 -> 2
      {TRect{0, 0, 20, 256}, BarBytes(64, 191, 0, 255), true, true, 255, true, 0}, // the band's lines always
      {TRect{0, 0, 20, 256}, BarBytes(64, 191, 10, 40), true, true, 245, true, 215},
  };
  for (const Case &c : cases) {
    const TPaletteLines lines = PaletteWindowLines(c.bar, c.bytes, c.isIso);
    EXPECT_EQ(lines.HasLower, c.hasLower);
    EXPECT_EQ(lines.HasUpper, c.hasUpper);
    if (c.hasLower) {
      EXPECT_EQ(lines.LowerY, c.lowerY);
    }
    if (c.hasUpper) {
      EXPECT_EQ(lines.UpperY, c.upperY);
    }
  }
}

TEST(PaletteBarTest, LimitTexts) {
  ResetThermogramGlobals();
  TDTV dtv;
  dtv.FHeader.Scale = 0.01f;
  dtv.FHeader.Offset = -20.0f;
  EXPECT_EQ(PaletteLimitText(dtv, 0), "-20");
  EXPECT_EQ(PaletteLimitText(dtv, 255), "635.3"); // 635.35 in float arithmetic is 635.3499...
  EXPECT_EQ(PaletteLimitText(dtv, 10), "5.7");    // 10 x 257 x 0.01 - 20
  dtv.FRangeLocked = true;
  dtv.LockMin = 15.0;
  dtv.LockMax = 35.0;
  EXPECT_EQ(PaletteLimitText(dtv, 0), "15");
  EXPECT_EQ(PaletteLimitText(dtv, 51), "19");
  EXPECT_EQ(PaletteLimitText(dtv, 128), "25.04");
  EXPECT_EQ(PaletteLimitText(dtv, 255), "35");
  dtv.LockMin = 123.456; // rounded to the one decimal that fits, not cut to "123.4"
  EXPECT_EQ(PaletteLimitText(dtv, 0), "123.5");
}

TEST(PaletteBarTest, CursorPolyline) {
  const auto half = PaletteCursorPolyline(TRect{0, 0, 20, 256}, 0.5);
  EXPECT_EQ(half, (std::array<TPoint, 5>{TPoint{0, 128}, TPoint{20, 128}, TPoint{13, 125}, TPoint{13, 131},
                                         TPoint{20, 128}}));
  EXPECT_EQ(PaletteCursorPolyline(TRect{5, 10, 25, 110}, 1.0)[0], (TPoint{5, 10}));
  EXPECT_EQ(PaletteCursorPolyline(TRect{5, 10, 25, 110}, 0.125)[0], (TPoint{5, 98})); // 12.5 -> 12
}

TEST(PaletteBarTest, RightClick) {
  struct Case {
    const char *what;
    TPaletteBytes before;
    bool isIso;
    bool locked;
    TPaletteRightClick result;
    TPaletteBytes after;
  };
  const Case cases[] = {
      {"band below the window ends at its bottom", BarBytes(50, 200, 10, 40), true, false,
       TPaletteRightClick::Repaint, BarBytes(50, 200, 10, 50)},
      {"band above the window begins at its top", BarBytes(50, 200, 210, 250), true, false,
       TPaletteRightClick::Repaint, BarBytes(50, 200, 200, 250)},
      {"band inside the window stays", BarBytes(50, 200, 60, 100), true, true, TPaletteRightClick::Repaint,
       BarBytes(50, 200, 60, 100)},
      {"window reset", BarBytes(30, 220, 5, 6), false, false, TPaletteRightClick::Repaint,
       BarBytes(0, 255, 5, 6)},
      {"window reset with a locked range", BarBytes(0, 254), false, true, TPaletteRightClick::Repaint,
       BarBytes(0, 255)},
      {"full window unlocks the range", BarBytes(0, 255), false, true, TPaletteRightClick::UnlockRange,
       BarBytes(0, 255)},
      {"full window without a lock", BarBytes(0, 255), false, false, TPaletteRightClick::Nothing,
       BarBytes(0, 255)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TPaletteBytes bytes = c.before;
    EXPECT_EQ(PaletteRightClick(bytes, c.isIso, c.locked), c.result);
    EXPECT_EQ(bytes, c.after);
  }
}

TEST(PaletteBarTest, LeftDragMovesAndStretchesTheWindow) {
  struct Case {
    const char *what;
    TPaletteBytes before;
    TPoint from, to;
    int barHeight;
    TPaletteBytes after;
  };
  const Case cases[] = {
      {"half the bar upwards, ties to even", BarBytes(0, 100), {5, 200}, {5, 72}, 256, BarBytes(128, 228)},
      {"left raises only the top", BarBytes(0, 100), {20, 50}, {0, 50}, 255, BarBytes(0, 120)},
      {"right lowers only the top", BarBytes(40, 100), {0, 50}, {30, 50}, 255, BarBytes(40, 70)},
      {"bottom at most 246", BarBytes(240, 250), {0, 50}, {0, 40}, 255, BarBytes(246, 255)},
      {"top at least bottom + 8", BarBytes(246, 255), {0, 50}, {50, 50}, 255, BarBytes(246, 254)},
      {"bottom at least 0", BarBytes(10, 100), {0, 50}, {0, 100}, 255, BarBytes(0, 50)},
      {"narrow window kept 8 wide", BarBytes(100, 120), {0, 50}, {100, 50}, 255, BarBytes(100, 108)},
      {"far beyond the bar", BarBytes(0, 100), {0, 0}, {0, -100000}, 255, BarBytes(246, 255)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TPaletteBytes bytes = c.before;
    EXPECT_EQ(PaletteBarDrag(bytes, false, true, false, false, c.from, c.to, c.barHeight),
              TPaletteDrag::Window);
    EXPECT_EQ(bytes, c.after);
  }

  // With the isotherm on, the band moves and the window stays.
  TPaletteBytes bytes = BarBytes(20, 200, 0, 100);
  EXPECT_EQ(PaletteBarDrag(bytes, true, true, true, true, {5, 200}, {5, 72}, 256), TPaletteDrag::Window);
  EXPECT_EQ(bytes, BarBytes(20, 200, 128, 228));
}

TEST(PaletteBarTest, CtrlRightDragMovesTheBoundary) {
  struct Case {
    const char *what;
    TPaletteBytes before;
    int dy; // upwards, pixels of a 255-pixel bar
    TPaletteBytes after;
  };
  const Case cases[] = {
      {"boundary up", BarBytes(100, 200, 20, 100), 30, BarBytes(130, 200, 20, 130)},
      {"at most 4 below the window's top", BarBytes(100, 200, 20, 100), 200, BarBytes(196, 200, 20, 196)},
      {"at least 4 above the band's bottom", BarBytes(100, 200, 20, 100), -200, BarBytes(24, 200, 20, 24)},
      // Where the two limits conflict the window still ends no higher than its top.
      {"window top near 0", BarBytes(0, 2, 0, 0), 10, BarBytes(2, 2, 0, 2)},
      {"band bottom near 255", BarBytes(250, 255, 253, 250), 0, BarBytes(255, 255, 253, 255)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TPaletteBytes bytes = c.before;
    EXPECT_EQ(PaletteBarDrag(bytes, false, false, true, true, {0, 100}, {0, 100 - c.dy}, 255),
              TPaletteDrag::Boundary);
    EXPECT_EQ(bytes, c.after);
  }

  // Whatever the start, the window stays ordered inside 0..255 and only its bottom and the band's
  // top move.
  for (int palTop = 0; palTop <= 255; palTop += 5) {
    for (int isoBottom = 0; isoBottom <= 255; isoBottom += 5) {
      for (int dy : {-1000, -37, 0, 41, 1000}) {
        TPaletteBytes bytes = BarBytes(0, palTop, isoBottom, 0);
        PaletteBarDrag(bytes, true, false, true, true, {0, 0}, {0, -dy}, 255);
        ASSERT_LE(bytes.PalBottom, bytes.PalTop) << palTop << " " << isoBottom << " " << dy;
        ASSERT_EQ(bytes.PalTop, palTop);
        ASSERT_EQ(bytes.IsoBottom, isoBottom);
        ASSERT_EQ(bytes.IsoTop, bytes.PalBottom);
      }
    }
  }
}

TEST(PaletteBarTest, MovesThatChangeNothing) {
  const TPaletteBytes start = BarBytes(10, 100, 20, 30);
  struct Case {
    const char *what;
    bool left, right, ctrl;
    int barHeight;
  };
  const Case cases[] = {
      {"no button", false, false, true, 255},
      {"right without Ctrl", false, true, false, 255},
      {"bar without height", true, false, false, 0},
      {"negative height", false, true, true, -5},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    TPaletteBytes bytes = start;
    EXPECT_EQ(PaletteBarDrag(bytes, false, c.left, c.right, c.ctrl, {0, 100}, {30, 10}, c.barHeight),
              TPaletteDrag::None);
    EXPECT_EQ(bytes, start);
  }
}

TEST(PaletteBarTest, BytesOfAndApplyRoundTrip) {
  ResetThermogramGlobals();
  TDTV dtv;
  const TPaletteBytes bytes = BarBytes(1, 2, 3, 4);
  ApplyPaletteBytes(bytes, dtv);
  EXPECT_EQ(dtv.PalBottom, 1);
  EXPECT_EQ(dtv.IsoTop, 4);
  EXPECT_EQ(PaletteBytesOf(dtv), bytes);
}

} // namespace
} // namespace calidarix
