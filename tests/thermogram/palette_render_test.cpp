#include "platform/numbers.h"
#include "thermogram/palette_render.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <numeric>
#include <random>
#include <span>
#include <vector>

namespace calidarix {
namespace {

// A palette whose blue channel jumps between neighbours, so interpolation and truncation toward zero
// show: entry i = (i, 255 - i, (i x 37) mod 256).
TPaletteTable Distinct() {
  TPaletteTable t{};
  for (int i = 0; i < 256; ++i) {
    t[static_cast<std::size_t>(i)] = TRGB{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                          static_cast<std::uint8_t>((i * 37) & 255)};
  }
  return t;
}

// Isotherm palette: entry i = ((i x 53) mod 256, 128, 255 - i).
TPaletteTable IsoDistinct() {
  TPaletteTable t{};
  for (int i = 0; i < 256; ++i) {
    t[static_cast<std::size_t>(i)] =
        TRGB{static_cast<std::uint8_t>((i * 53) & 255), 128, static_cast<std::uint8_t>(255 - i)};
  }
  return t;
}

QRgb Rgb(const TRGB &c) {
  return qRgb(c.R, c.G, c.B);
}

constexpr QRgb kWhite = 0xffffffffu;
constexpr QRgb kBlack = 0xff000000u;

class PaletteRenderTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetThermogramGlobals();
    dtv.FPalette = Distinct();
    dtv.FIsoPalette = IsoDistinct();
  }
  void TearDown() override { ResetThermogramGlobals(); }

  // The frame as w x h values, drawn with square pixels.
  void SetFrame(int w, int h, std::vector<std::uint16_t> values) {
    dtv.FHeader.Width = static_cast<std::uint16_t>(w);
    dtv.FHeader.Height = static_cast<std::uint16_t>(h);
    dtv.FRaw = std::move(values);
    dtv.SetAspect(static_cast<double>(w) / h);
  }

  // Renders one row of values at zoom 1 and returns its colours.
  std::vector<QRgb> RenderValues(const std::vector<std::uint16_t> &values) {
    const int n = static_cast<int>(values.size());
    SetFrame(n, 1, values);
    dtv.RenderToBitmap(TRect{0, 0, n, 1}, 0, 0);
    return Row(0);
  }

  std::vector<QRgb> Row(int y) const {
    std::vector<QRgb> row;
    for (int x = 0; x < dtv.FBitmap.width(); ++x) {
      row.push_back(dtv.FBitmap.pixel(x, y));
    }
    return row;
  }

  TDTV dtv;
};

struct ValueCase {
  std::uint16_t raw;
  QRgb expected;
};

void ExpectColours(const std::vector<ValueCase> &cases, const std::vector<QRgb> &got, const char *what) {
  ASSERT_EQ(got.size(), cases.size()) << what;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(got[i], cases[i].expected) << what << ": raw " << cases[i].raw << " got " << std::hex << got[i];
  }
}

std::vector<std::uint16_t> Raws(const std::vector<ValueCase> &cases) {
  std::vector<std::uint16_t> raws;
  for (const ValueCase &c : cases) {
    raws.push_back(c.raw);
  }
  return raws;
}

TEST_F(PaletteRenderTest, BitmapTakesTheRectSizeAndTheRgb32Format) {
  SetFrame(2, 2, {1, 2, 3, 4});
  dtv.RenderToBitmap(TRect{100, 50, 107, 53}, 0, 0);
  EXPECT_EQ(dtv.FBitmap.format(), QImage::Format_RGB32);
  EXPECT_EQ(dtv.FBitmap.size(), QSize(7, 3));
  // An empty rect leaves the last rendering alone.
  const QImage before = dtv.FBitmap;
  dtv.RenderToBitmap(TRect{10, 10, 10, 20}, 0, 0);
  dtv.RenderToBitmap(TRect{10, 10, 5, 20}, 0, 0);
  EXPECT_EQ(dtv.FBitmap, before);
}

TEST_F(PaletteRenderTest, PaletteWindows) {
  const TPaletteTable p = Distinct();
  {
    SCOPED_TRACE("window 0 .. 255");
    const std::vector<ValueCase> cases = {
        {0, Rgb(p[0])},
        {256, Rgb(p[1])},
        {384, qRgb(1, 254, 55)},   // halfway between entries 1 and 2
        {1664, qRgb(6, 249, 113)}, // halfway between 6 (blue 222) and 7 (blue 3): 222 - 109, toward zero
        {65535, Rgb(p[255])},      // entry 255 is never mixed with the entry after it
    };
    ExpectColours(cases, RenderValues(Raws(cases)), "0..255");
  }
  {
    SCOPED_TRACE("window 10 .. 10: one count per entry");
    dtv.PalBottom = 10;
    dtv.PalTop = 10;
    const std::vector<ValueCase> cases = {
        {2559, Rgb(p[0])}, {2560, Rgb(p[0])}, {2561, Rgb(p[1])}, {2815, Rgb(p[255])}, {2816, Rgb(p[255])}};
    ExpectColours(cases, RenderValues(Raws(cases)), "10..10");
  }
  {
    SCOPED_TRACE("window 100 .. 200");
    dtv.PalBottom = 100;
    dtv.PalTop = 200;
    const std::vector<ValueCase> cases = {
        {100, Rgb(p[0])},     {25500, Rgb(p[0])},   {25599, Rgb(p[0])},
        {25600, Rgb(p[0])},   {25701, Rgb(p[1])},   {25752, qRgb(1, 254, 55)},
        {51455, Rgb(p[255])}, {51456, Rgb(p[255])}, {65535, Rgb(p[255])}};
    ExpectColours(cases, RenderValues(Raws(cases)), "100..200");
  }
  {
    SCOPED_TRACE("smoothing off");
    dtv.PalBottom = 0;
    dtv.PalTop = 255;
    dtv.FSmoothPalette = false;
    const std::vector<ValueCase> cases = {{384, Rgb(p[1])}, {1664, Rgb(p[6])}};
    ExpectColours(cases, RenderValues(Raws(cases)), "no smoothing");
  }
  {
    SCOPED_TRACE("an inverted window counts as the one step at its bottom");
    dtv.FSmoothPalette = true;
    dtv.PalBottom = 10;
    dtv.PalTop = 9;
    const std::vector<ValueCase> cases = {{2560, Rgb(p[0])}, {2561, Rgb(p[1])}, {2815, Rgb(p[255])}};
    ExpectColours(cases, RenderValues(Raws(cases)), "inverted");
  }
}

TEST_F(PaletteRenderTest, IsothermBand) {
  const TPaletteTable p = Distinct();
  const TPaletteTable iso = IsoDistinct();
  dtv.isIso = true;
  {
    SCOPED_TRACE("band 0 .. 85 in white");
    const std::vector<ValueCase> cases = {
        {0, kWhite}, {22015, kWhite}, {22016, Rgb(p[86])}, {65535, Rgb(p[255])}};
    ExpectColours(cases, RenderValues(Raws(cases)), "white band");
  }
  {
    SCOPED_TRACE("band in the isotherm palette");
    dtv.isIsoColor = true;
    const std::vector<ValueCase> cases = {
        {0, Rgb(iso[0])}, {43, qRgb(26, 128, 255)}, {22015, Rgb(iso[255])}, {22016, Rgb(p[86])}};
    ExpectColours(cases, RenderValues(Raws(cases)), "colour band");
  }
  {
    SCOPED_TRACE("band 100 .. 100 over window 0 .. 255");
    dtv.IsoBottom = 100;
    dtv.IsoTop = 100;
    const std::vector<ValueCase> cases = {
        {25344, Rgb(p[99])}, {25600, Rgb(iso[0])}, {25855, Rgb(iso[255])}, {25856, Rgb(p[101])}};
    ExpectColours(cases, RenderValues(Raws(cases)), "narrow band");
  }
}

TEST_F(PaletteRenderTest, AutomaticIsothermBelowTheWindow) {
  const TPaletteTable p = Distinct();
  const TPaletteTable iso = IsoDistinct();
  dtv.isIsoAuto = true;
  dtv.PalBottom = 128;
  dtv.PalTop = 255;
  const std::vector<ValueCase> cases = {
      {0, Rgb(iso[0])},
      {16384, qRgb(101, 128, 128)}, // isotherm entry 127 mixed halfway toward 128
      {32767, Rgb(p[0])},           // within one step below the window: truncation toward zero
      {32768, Rgb(p[0])},
  };
  ExpectColours(cases, RenderValues(Raws(cases)), "auto");
  // The automatic isotherm mixes even with smoothing off.
  dtv.FSmoothPalette = false;
  ExpectColours(cases, RenderValues(Raws(cases)), "auto without smoothing");
  // Above the window: the last palette entry.
  dtv.PalBottom = 100;
  dtv.PalTop = 200;
  const std::vector<ValueCase> above = {{60000, Rgb(p[255])}};
  ExpectColours(above, RenderValues(Raws(above)), "above");
}

TEST_F(PaletteRenderTest, LockedRange) {
  const TPaletteTable p = Distinct();
  // T = raw / 64 - 10, both exact in single precision.
  dtv.FHeader.Scale = 1.0f / 64.0f;
  dtv.FHeader.Offset = -10.0f;
  dtv.FRangeLocked = true;
  dtv.LockMin = 0.0;
  dtv.LockMax = 100.0;
  const std::vector<ValueCase> cases = {
      {0, Rgb(p[0])},              // below the range
      {640, Rgb(p[0])},            // 0 degrees
      {1280, qRgb(25, 230, 179)},  // 10 degrees: Trunc(6553.5) = 6553, entry 25 + 0.598
      {3840, qRgb(127, 128, 127)}, // 50 degrees: 32767, entry 127 + 0.996
      {7040, Rgb(p[255])},         // 100 degrees
      {65535, Rgb(p[255])},        // above the range
  };
  ExpectColours(cases, RenderValues(Raws(cases)), "locked");

  // Without the lock the same values follow the raw scale.
  dtv.FRangeLocked = false;
  EXPECT_EQ(RenderValues({1280})[0], Rgb(p[5]));

  // A range of no width (fields set directly) is widened to one degree instead of dividing by zero.
  dtv.FRangeLocked = true;
  dtv.LockMin = 0.0;
  dtv.LockMax = 0.0;
  const std::vector<ValueCase> flat = {{640, Rgb(p[0])}, {672, qRgb(127, 128, 127)}, {704, Rgb(p[255])}};
  ExpectColours(flat, RenderValues(Raws(flat)), "flat lock");
  // An inverted one becomes the degree below its top.
  dtv.LockMin = 5.0;
  dtv.LockMax = 4.0;
  const std::vector<ValueCase> inverted = {{832, Rgb(p[0])}, {864, qRgb(127, 128, 127)}, {896, Rgb(p[255])}};
  ExpectColours(inverted, RenderValues(Raws(inverted)), "inverted lock");
}

// Colours are worked out once for all raw values and kept between renders; any change of a palette
// entry, of Scale or Offset under a lock, or of the overlay must show in the next render.
TEST_F(PaletteRenderTest, EveryRenderFollowsTheCurrentPaletteAndScale) {
  EXPECT_EQ(RenderValues({1280})[0], Rgb(Distinct()[5]));
  dtv.FPalette[5] = TRGB{9, 8, 7};
  EXPECT_EQ(RenderValues({1280})[0], qRgb(9, 8, 7));
  dtv.FIsoPalette[0] = TRGB{1, 1, 1};
  dtv.isIso = true;
  dtv.isIsoColor = true;
  EXPECT_EQ(RenderValues({0})[0], qRgb(1, 1, 1));
  dtv.isIso = false;

  dtv.FHeader.Scale = 1.0f / 64.0f;
  dtv.FRangeLocked = true;
  dtv.LockMin = 0.0;
  dtv.LockMax = 100.0;
  EXPECT_EQ(RenderValues({3200})[0], qRgb(127, 128, 127)); // 50 degrees
  dtv.FHeader.Offset = -50.0f;
  EXPECT_EQ(RenderValues({3200})[0], Rgb(Distinct()[0])); // now 0 degrees
  dtv.FHeader.Offset = 0.0f;
  dtv.LockMax = 50.0;
  EXPECT_EQ(RenderValues({3200})[0], Rgb(Distinct()[255]));
  // A palette change under an unchanged lock: the lock's conversion stays, the colours must not.
  dtv.FPalette[255] = TRGB{3, 2, 1};
  EXPECT_EQ(RenderValues({3200})[0], qRgb(3, 2, 1));
  dtv.FRangeLocked = false;

  // The same values on a thermogram with other palettes get that thermogram's colours.
  TDTV grey;
  grey.FHeader.Width = 1;
  grey.FHeader.Height = 1;
  grey.FRaw = {1280};
  grey.SetAspect(1.0);
  grey.RenderToBitmap(TRect{0, 0, 1, 1}, 0, 0);
  EXPECT_EQ(grey.FBitmap.pixel(0, 0), qRgb(5, 5, 5));
}

TEST_F(PaletteRenderTest, OverlayShowsOutsideTheWindowUnlessTheBandIsOn) {
  const TPaletteTable p = Distinct();
  dtv.PalBottom = 10;
  dtv.PalTop = 20;
  // Twice the frame's size in another pixel format: column Trunc(6 x x / 3), row Trunc(2 x y / 1).
  dtv.FOverlay = QImage(6, 2, QImage::Format_RGB888);
  dtv.FOverlay.fill(Qt::black);
  dtv.FOverlay.setPixel(0, 0, qRgb(200, 0, 0));
  dtv.FOverlay.setPixel(2, 0, qRgb(0, 200, 0));
  dtv.FOverlay.setPixel(4, 0, qRgb(0, 0, 200));
  const std::vector<std::uint16_t> values = {0, 3000, 60000};
  std::vector<QRgb> got = RenderValues(values);
  EXPECT_EQ(got[0], qRgb(200, 0, 0));
  EXPECT_EQ(got[1], Rgb(p[(3000 - 2560) / 11]));
  EXPECT_EQ(got[2], qRgb(0, 0, 200));

  dtv.isIso = true;
  dtv.IsoBottom = 250;
  dtv.IsoTop = 250;
  got = RenderValues(values);
  EXPECT_EQ(got[0], Rgb(p[0]));
  EXPECT_EQ(got[2], Rgb(p[255]));
}

TEST_F(PaletteRenderTest, ViewOffsetsDrawAWhiteEdgeTwoImagePixelsWide) {
  const TPaletteTable p = Distinct();
  SetFrame(4, 2, {0, 256, 512, 768, 1024, 1280, 1536, 1792});
  dtv.FViewOffsetX = -1.0;
  dtv.RenderToBitmap(TRect{0, 0, 3, 2}, 0, 0);
  EXPECT_EQ(Row(0), (std::vector<QRgb>{kWhite, Rgb(p[0]), Rgb(p[1])}));

  dtv.FViewOffsetX = -3.0;
  dtv.FViewOffsetY = -1.0;
  dtv.RenderToBitmap(TRect{0, 0, 10, 6}, 0, 0);
  // x = -3, -2 black; -1 white; 0 .. 3 the image; 4, 5 white; 6 black.
  EXPECT_EQ(Row(1), (std::vector<QRgb>{kBlack, kBlack, kWhite, Rgb(p[0]), Rgb(p[1]), Rgb(p[2]), Rgb(p[3]),
                                       kWhite, kWhite, kBlack}));
  EXPECT_EQ(Row(2)[3], Rgb(p[4]));
  // y = -1 white, y = 2, 3 white, y = 4 black: whole rows.
  EXPECT_EQ(Row(0), std::vector<QRgb>(10, kWhite));
  EXPECT_EQ(Row(3), std::vector<QRgb>(10, kWhite));
  EXPECT_EQ(Row(4), std::vector<QRgb>(10, kWhite));
  EXPECT_EQ(Row(5), std::vector<QRgb>(10, kBlack));
}

// Zoomed and offset views sample between pixels; the renderer's colours must be those of
// SampleBilinear's values, with and without the skew correction of bidirectional scans.
TEST_F(PaletteRenderTest, FractionalViewsMatchTheSampler) {
  // Window 0 .. 0 gives every raw value 0 .. 255 its own entry, so an off-by-one sample shows.
  dtv.PalBottom = 0;
  dtv.PalTop = 0;
  std::vector<std::uint16_t> values;
  for (int i = 0; i < 20; ++i) {
    values.push_back(static_cast<std::uint16_t>((i * 97 + 13) % 256));
  }
  for (const bool skew : {false, true}) {
    SCOPED_TRACE(skew ? "skew correction" : "plain");
    SetFrame(5, 4, values);
    dtv.FSkewCorrect = skew;
    dtv.FSkewOffset = 0.25;
    dtv.FSkewSlope = 0.5 / 4;
    dtv.FZoom = 2.5;
    dtv.FPixelAspect = 1.3;
    dtv.FViewOffsetX = 0.3;
    dtv.FViewOffsetY = 0.7;
    const int bw = 11; // x = c / 2.5 + 0.3 stays below 5
    const int bh = 10; // y = r / 2.5 / 1.3 + 0.7 stays below 4
    dtv.RenderToBitmap(TRect{0, 0, bw, bh}, 0, 0);
    const QImage zoomed = dtv.FBitmap;

    TDTV reference;
    reference.FPalette = dtv.FPalette;
    reference.PalBottom = 0;
    reference.PalTop = 0;
    std::vector<std::uint16_t> samples;
    for (int r = 0; r < bh; ++r) {
      for (int c = 0; c < bw; ++c) {
        samples.push_back(dtv.SampleBilinear(c / 2.5 + 0.3, r / 2.5 / 1.3 + 0.7));
      }
    }
    reference.FHeader.Width = bw;
    reference.FHeader.Height = bh;
    reference.FRaw = samples;
    reference.SetAspect(static_cast<double>(bw) / bh);
    reference.RenderToBitmap(TRect{0, 0, bw, bh}, 0, 0);
    EXPECT_EQ(zoomed, reference.FBitmap);
  }
}

TEST_F(PaletteRenderTest, RowRangeRendersOnlyThoseRows) {
  const TPaletteTable p = Distinct();
  SetFrame(2, 3, {0, 0, 256, 256, 512, 512});
  dtv.RenderToBitmap(TRect{0, 0, 2, 3}, 0, 0);
  dtv.FRaw = {2560, 2560, 2816, 2816, 3072, 3072};
  dtv.RenderToBitmap(TRect{0, 0, 2, 3}, 1, 1);
  EXPECT_EQ(Row(0)[0], Rgb(p[0]));
  EXPECT_EQ(Row(1)[0], Rgb(p[11]));
  EXPECT_EQ(Row(2)[0], Rgb(p[2]));
  // Rows beyond the frame are clamped to its last row; a reversed range renders nothing.
  dtv.RenderToBitmap(TRect{0, 0, 2, 3}, 5, 9);
  EXPECT_EQ(Row(2)[0], Rgb(p[12]));
  dtv.FRaw.assign(6, 0);
  dtv.RenderToBitmap(TRect{0, 0, 2, 3}, 2, 1);
  EXPECT_EQ(Row(1)[0], Rgb(p[11]));
  EXPECT_EQ(Row(2)[0], Rgb(p[12]));
  // A resized bitmap starts black, so rows not rendered show nothing old.
  dtv.FBitmap.fill(Qt::white);
  dtv.RenderToBitmap(TRect{0, 0, 3, 3}, 1, 1);
  EXPECT_EQ(Row(0), std::vector<QRgb>(3, kBlack));
  EXPECT_EQ(Row(1)[0], Rgb(p[0]));
}

TEST_F(PaletteRenderTest, DegenerateViewsAndFramesRenderWithoutFaults) {
  SetFrame(2, 2, {768, 2000, 3000, 4000});
  // No zoom at all puts every column at 0 / 0 or beyond the frame: black, never a sample.
  for (const double zoom : {0.0, -0.0, std::numeric_limits<double>::quiet_NaN()}) {
    dtv.FZoom = zoom;
    dtv.RenderToBitmap(TRect{0, 0, 3, 3}, 0, 0);
    EXPECT_EQ(dtv.FBitmap.pixel(1, 1), kBlack) << zoom;
  }
  // An infinite zoom shows the top-left pixel everywhere.
  dtv.FZoom = std::numeric_limits<double>::infinity();
  dtv.RenderToBitmap(TRect{0, 0, 3, 3}, 0, 0);
  EXPECT_EQ(dtv.FBitmap.pixel(2, 2), dtv.FBitmap.pixel(0, 0));
  EXPECT_EQ(dtv.FBitmap.pixel(0, 0), Rgb(Distinct()[3]));
  dtv.FZoom = 1.0;
  dtv.FPixelAspect = 0.0;
  dtv.RenderToBitmap(TRect{0, 0, 3, 3}, 0, 0);
  EXPECT_EQ(dtv.FBitmap.pixel(1, 1), kBlack);
  dtv.RenderToBitmap(TRect{0, 0, 3, 3}, 0, 1);
  EXPECT_EQ(dtv.FBitmap.size(), QSize(3, 3));

  // An empty frame, and one whose pixels do not match its size, show only the edge.
  const std::vector<QRgb> edge = {kWhite, kWhite, kBlack};
  dtv.FPixelAspect = 1.0;
  dtv.FHeader.Width = 0;
  dtv.FHeader.Height = 0;
  dtv.FRaw.clear();
  dtv.RenderToBitmap(TRect{0, 0, 3, 3}, 0, 0);
  EXPECT_EQ(Row(2), std::vector<QRgb>(3, kBlack));
  EXPECT_EQ(Row(0), std::vector<QRgb>(3, kWhite));
  dtv.FHeader.Width = 2;
  dtv.FHeader.Height = 2;
  dtv.FRaw = {1, 2, 3};
  dtv.RenderToBitmap(TRect{0, 0, 3, 3}, 0, 0);
  EXPECT_EQ(Row(2), std::vector<QRgb>(3, kBlack));
  dtv.RenderToBitmap(TRect{0, 0, 3, 3}, 1, 1); // a row range on it renders nothing
  EXPECT_EQ(Row(2), std::vector<QRgb>(3, kBlack));
}

TEST_F(PaletteRenderTest, Anaglyph) {
  // One row: 0x0000 (no shift), 0x4000 (shift 2, not room), 0x2100 (shift 1), 0x1000 (no shift).
  SetFrame(4, 1, {0x0000, 0x4000, 0x2100, 0x1000});
  dtv.RenderAnaglyph();
  ASSERT_EQ(dtv.FBitmap.size(), QSize(4, 1));
  EXPECT_EQ(dtv.FBitmap.format(), QImage::Format_RGB32);
  // Column 0 is never written (black in a new bitmap); column 3's red comes from 0x2100 shifted
  // right, column 2's red from its ramp toward 0x4000.
  EXPECT_EQ(Row(0), (std::vector<QRgb>{kBlack, qRgb(0, 33, 33), qRgb(64, 33, 16), qRgb(33, 16, 16)}));

  // Two rows: 0x4000 at the end of row 0 ramps toward the first pixel of row 1 across three
  // columns; the frame's last pixel ramps toward itself.
  SetFrame(4, 2, {0, 0, 0, 0x4000, 0x1000, 0x6000, 0, 0x2100});
  dtv.RenderAnaglyph();
  EXPECT_EQ(Row(0), (std::vector<QRgb>{kBlack, qRgb(0, 64, 64), qRgb(0, 64, 40), qRgb(0, 64, 16)}));
  EXPECT_EQ(Row(1), (std::vector<QRgb>{kBlack, kBlack, qRgb(0, 33, 33), qRgb(0, 33, 33)}));

  // A bitmap of the same size keeps what no pass writes.
  dtv.FBitmap.fill(qRgb(1, 2, 3));
  dtv.RenderAnaglyph();
  EXPECT_EQ(Row(0)[0], qRgb(1, 2, 3));
  EXPECT_EQ(Row(1)[1], qRgb(1, 2, 3));

  // An empty frame leaves the bitmap alone.
  const QImage before = dtv.FBitmap;
  SetFrame(0, 0, {});
  dtv.RenderAnaglyph();
  EXPECT_EQ(dtv.FBitmap, before);
}

TEST_F(PaletteRenderTest, PalettedBitmapHasEvenRowsAndTheLogicalPalette) {
  SetFrame(5, 3, {0, 256, 257, 514, 9, 65534, 65535, 1000, 2000, 9, 3, 4, 5, 6, 9});
  dtv.PalBottom = 100;
  dtv.PalTop = 200;
  dtv.RenderPalettedBitmap();
  ASSERT_EQ(dtv.FBitmap.size(), QSize(4, 3));
  ASSERT_EQ(dtv.FBitmap.format(), QImage::Format_Indexed8);
  EXPECT_EQ(dtv.FBitmap.pixelIndex(0, 0), 0);
  EXPECT_EQ(dtv.FBitmap.pixelIndex(1, 0), 0);
  EXPECT_EQ(dtv.FBitmap.pixelIndex(2, 0), 1);
  EXPECT_EQ(dtv.FBitmap.pixelIndex(3, 0), 2);
  EXPECT_EQ(dtv.FBitmap.pixelIndex(0, 1), 254);
  EXPECT_EQ(dtv.FBitmap.pixelIndex(1, 1), 255);
  EXPECT_EQ(dtv.FBitmap.colorTable(),
            MakeLogicalPalette(Distinct(), IsoDistinct(), 100, 200, 0, 85, false, false, false));
  EXPECT_EQ(dtv.FBitmap.color(150), Rgb(Distinct()[128]));

  // A frame one pixel wide has no even row to show: the last picture stays.
  const QImage before = dtv.FBitmap;
  SetFrame(1, 3, {1, 2, 3});
  dtv.RenderPalettedBitmap();
  EXPECT_EQ(dtv.FBitmap, before);
}

TEST_F(PaletteRenderTest, RawBitmapCarriesTheValueInBlueAndGreen) {
  SetFrame(3, 1, {0x1234, 0xff00, 0x00ff});
  dtv.RenderRawBitmap();
  ASSERT_EQ(dtv.FBitmap.size(), QSize(3, 1));
  EXPECT_EQ(Row(0), (std::vector<QRgb>{qRgb(0, 0x34, 0x12), qRgb(0, 0x00, 0xff), qRgb(0, 0xff, 0x00)}));
}

TEST(MakeLogicalPaletteTest, WindowsBandsAndAutomaticIsotherm) {
  const TPaletteTable p = Distinct();
  const TPaletteTable iso = IsoDistinct();
  {
    // A one-step window at the very top becomes 254 .. 255.
    const QList<QRgb> t = MakeLogicalPalette(p, iso, 255, 255, 0, 85, false, false, false);
    ASSERT_EQ(t.size(), 256);
    for (int i = 0; i <= 254; ++i) {
      ASSERT_EQ(t[i], Rgb(p[0])) << i;
    }
    EXPECT_EQ(t[255], Rgb(p[255]));
  }
  {
    const QList<QRgb> t = MakeLogicalPalette(p, iso, 100, 200, 0, 85, false, false, false);
    EXPECT_EQ(t[0], Rgb(p[0]));
    EXPECT_EQ(t[99], Rgb(p[0]));
    EXPECT_EQ(t[100], Rgb(p[0]));
    EXPECT_EQ(t[101], Rgb(p[3]));   // Round(2.55)
    EXPECT_EQ(t[150], Rgb(p[128])); // Round(127.5), halves to even
    EXPECT_EQ(t[200], Rgb(p[255]));
    EXPECT_EQ(t[255], Rgb(p[255]));
  }
  {
    const QList<QRgb> t = MakeLogicalPalette(p, iso, 100, 200, 0, 85, false, false, true);
    EXPECT_EQ(t[0], Rgb(iso[0]));
    EXPECT_EQ(t[50], Rgb(iso[129])); // Round(128.79)
    EXPECT_EQ(t[99], Rgb(iso[255]));
    EXPECT_EQ(t[100], Rgb(p[0]));
    const QList<QRgb> one = MakeLogicalPalette(p, iso, 1, 200, 0, 85, false, false, true);
    EXPECT_EQ(one[0], Rgb(iso[0]));
  }
  {
    const QList<QRgb> white = MakeLogicalPalette(p, iso, 0, 255, 10, 20, true, false, false);
    EXPECT_EQ(white[9], Rgb(p[9]));
    EXPECT_EQ(white[10], 0xffffffffu);
    EXPECT_EQ(white[20], 0xffffffffu);
    EXPECT_EQ(white[21], Rgb(p[21]));
    const QList<QRgb> colour = MakeLogicalPalette(p, iso, 0, 255, 10, 20, true, true, false);
    EXPECT_EQ(colour[15], Rgb(iso[127])); // Trunc(127.5)
    EXPECT_EQ(colour[20], Rgb(iso[255]));
    const QList<QRgb> narrow = MakeLogicalPalette(p, iso, 0, 255, 30, 30, true, true, false);
    EXPECT_EQ(narrow[30], Rgb(iso[0]));
    EXPECT_EQ(narrow[31], Rgb(iso[255]));
    EXPECT_EQ(narrow[32], Rgb(p[32]));
  }
}

TEST(InterpolatePaletteTest, TruncatesTowardZeroAndNeverReadsPastTheLastEntry) {
  const TPaletteTable p = Distinct();
  EXPECT_EQ(InterpolatePalette(p, 6, 0.5), (TRGB{6, 249, 113}));
  EXPECT_EQ(InterpolatePalette(p, 1, 0.0), p[1]);
  EXPECT_EQ(InterpolatePalette(p, 255, 0.9), p[255]);
  EXPECT_EQ(InterpolatePalette(p, 300, 0.5), p[255]);
  EXPECT_EQ(InterpolatePalette(p, -4, 0.5), InterpolatePalette(p, 0, 0.5));
  EXPECT_EQ(InterpolatePalette(p, 3, std::numeric_limits<double>::quiet_NaN()), p[3]);
}

TEST_F(PaletteRenderTest, SingleColoursUseThePreparedScaling) {
  const TPaletteTable p = Distinct();
  const TPaletteTable iso = IsoDistinct();
  // Never prepared: the thermogram's own windows are used rather than a zero step.
  EXPECT_EQ(Rgb(dtv.RawToColor(384)), qRgb(1, 254, 55)); // 384 / 257 = 1.494
  dtv.PreparePaletteScaling();
  EXPECT_EQ(PalRawBottom, 0);
  EXPECT_DOUBLE_EQ(PalRawStep, 257.0);
  EXPECT_DOUBLE_EQ(IsoRawStep, 22015.0 / 255.0);
  EXPECT_EQ(dtv.RawToColor(0), p[0]);
  EXPECT_EQ(dtv.RawToColor(65535), p[255]);
  EXPECT_EQ(dtv.RawToColor(22102), p[86]);
  dtv.FSmoothPalette = false;
  EXPECT_EQ(dtv.RawToColor(384), p[1]);
  dtv.FSmoothPalette = true;

  // The band uses the isotherm palette whatever isIsoColor says.
  dtv.isIso = true;
  EXPECT_EQ(dtv.RawToColor(0), iso[0]);
  EXPECT_EQ(dtv.RawToColor(22015), iso[255]);
  EXPECT_EQ(dtv.RawToColor(22016), iso[255]);
  EXPECT_EQ(dtv.RawToColor(22102), p[86]);
  dtv.isIso = false;

  // Window 10 .. 10: exactly one count per entry.
  dtv.PalBottom = 10;
  dtv.PalTop = 10;
  dtv.PreparePaletteScaling();
  EXPECT_EQ(PalRawBottom, 2560);
  EXPECT_EQ(dtv.RawToColor(2560), p[0]);
  EXPECT_EQ(dtv.RawToColor(2600), p[40]);
  EXPECT_EQ(dtv.RawToColor(2815), p[255]);
  EXPECT_EQ(dtv.RawToColor(100), p[0]);

  // Values already prepared belong to the thermogram that prepared them.
  TDTV other;
  other.FPalette = p;
  EXPECT_EQ(other.RawToColor(2600), p[40]);

  // The lock applies here too.
  dtv.PalBottom = 0;
  dtv.PalTop = 255;
  dtv.PreparePaletteScaling();
  dtv.FHeader.Scale = 1.0f / 64.0f;
  dtv.FHeader.Offset = -10.0f;
  dtv.FRangeLocked = true;
  dtv.LockMin = 0.0;
  dtv.LockMax = 100.0;
  EXPECT_EQ(dtv.RawToColor(640), p[0]);
  EXPECT_EQ(dtv.RawToColor(7040), p[255]);
}

TEST_F(PaletteRenderTest, RunsOfValuesGetTheColoursOfSingleValues) {
  struct Case {
    int bottom, top;
    bool smooth, iso, locked;
  };
  const Case cases[] = {{0, 255, true, false, false},  {0, 255, false, false, false},
                        {10, 10, true, false, false},  {37, 201, true, false, false},
                        {200, 40, true, false, false}, {0, 255, true, true, false},
                        {0, 255, true, false, true}};
  std::vector<std::uint16_t> raws(kWindowTableSize);
  std::iota(raws.begin(), raws.end(), std::uint16_t{0});
  std::vector<TRGB> colours(raws.size());
  dtv.FHeader.Scale = 1.0f / 64.0f;
  dtv.FHeader.Offset = -10.0f;
  dtv.LockMin = 0.0;
  dtv.LockMax = 100.0;
  for (const Case &c : cases) {
    dtv.PalBottom = c.bottom;
    dtv.PalTop = c.top;
    dtv.FSmoothPalette = c.smooth;
    dtv.isIso = c.iso;
    dtv.FRangeLocked = c.locked;
    dtv.PreparePaletteScaling();
    RawsToColors(dtv, raws, colours);
    int differing = 0;
    for (std::size_t v = 0; v < raws.size(); ++v)
      differing += colours[v] == dtv.RawToColor(raws[v]) ? 0 : 1;
    EXPECT_EQ(differing, 0) << "window " << c.bottom << ".." << c.top << " smooth " << c.smooth << " iso "
                            << c.iso << " locked " << c.locked;
  }
}

// One random view of a random frame: sizes, zooms (whole, reciprocal and odd), display aspects,
// whole and fractional offsets, palette windows, bands, locks, smooth or not, row ranges, overlays and
// skew correction now and then.
struct RandomView {
  explicit RandomView(std::mt19937 &random) : random_(random) {}

  int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool Chance(int percent) { return Int(1, 100) <= percent; }
  template <typename T> T Pick(std::initializer_list<T> values) {
    return *(values.begin() + Int(0, static_cast<int>(values.size()) - 1));
  }

  // Sets up dtv and returns the rect and row range to render; true when the view was made for the row
  // paths (every column on a whole frame column, no overlay, no skew correction).
  bool Make(TDTV &dtv, TRect &rect, int &firstRow, int &lastRow) {
    const int w = Int(1, 70);
    const int h = Int(1, 50);
    dtv.FHeader.Width = static_cast<std::uint16_t>(w);
    dtv.FHeader.Height = static_cast<std::uint16_t>(h);
    dtv.FHeader.Scale = static_cast<float>(Int(1, 400) / 65535.0);
    dtv.FHeader.Offset = static_cast<float>(Int(-40, 40));
    dtv.FRaw.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    const int spread = Pick({255, 4000, 65535});
    const int base = Int(0, 65535 - spread);
    for (std::uint16_t &v : dtv.FRaw) {
      v = static_cast<std::uint16_t>(Chance(3) ? Pick({0, 65535}) : base + Int(0, spread));
    }
    dtv.SetAspect(
        Pick({static_cast<double>(w) / h, 256.0 / 216.0, 32.0 / 27.0, 16.0 / 27.0, Int(50, 300) / 100.0}));
    // Most views are ones the row paths take: whole-column zooms on whole offsets; the rest anything.
    const bool rowPaths = Chance(70);
    const double zoom =
        rowPaths ? Pick({1.0, 1.0, 1.0, 0.5, 0.25}) : Pick({1.0, 1.0 / 3.0, 2.0, 1.5, Int(20, 400) / 100.0});
    dtv.FZoom = zoom;
    dtv.FViewOffsetX = rowPaths || Chance(50) ? Int(-3, 3) : Int(-300, 300) / 100.0;
    dtv.FViewOffsetY = Chance(70) ? Int(-3, 3) : Int(-300, 300) / 100.0;

    dtv.PalBottom = static_cast<std::uint8_t>(Int(0, 255));
    dtv.PalTop = static_cast<std::uint8_t>(Chance(80) ? Int(dtv.PalBottom, 255) : Int(0, 255));
    dtv.IsoBottom = static_cast<std::uint8_t>(Int(0, 255));
    dtv.IsoTop = static_cast<std::uint8_t>(Int(dtv.IsoBottom, 255));
    dtv.isIso = Chance(25);
    dtv.isIsoColor = Chance(50);
    dtv.isIsoAuto = Chance(25);
    dtv.FSmoothPalette = Chance(60);
    dtv.FRangeLocked = Chance(20);
    dtv.LockMin = Int(-40, 40);
    dtv.LockMax = dtv.LockMin + Int(1, 100);
    dtv.FSkewCorrect = !rowPaths && Chance(20);
    dtv.FSkewOffset = 0.25;
    dtv.FSkewSlope = w > 1 ? 0.5 / (w - 1) : 0.0;
    dtv.FOverlay = !rowPaths && Chance(20) ? QImage(Int(1, 20), Int(1, 20), QImage::Format_RGB32) : QImage();
    if (!dtv.FOverlay.isNull()) {
      dtv.FOverlay.fill(qRgb(Int(0, 255), 40, 90));
    }

    const int bitmapW = std::max(1, static_cast<int>(w * zoom) + Int(-3, 6));
    const int bitmapH = std::max(1, static_cast<int>(h * zoom * dtv.FPixelAspect) + Int(-3, 6));
    rect = TRect{Int(-5, 5), Int(-5, 5), 0, 0};
    rect.Right = rect.Left + bitmapW;
    rect.Bottom = rect.Top + bitmapH;
    firstRow = 0;
    lastRow = 0;
    if (Chance(15)) {
      firstRow = Int(-2, h + 2);
      lastRow = Int(-2, h + 2);
    }
    return rowPaths;
  }

private:
  std::mt19937 &random_;
};

bool SameBytes(const QImage &a, const QImage &b) {
  if (a.size() != b.size() || a.format() != b.format()) {
    return false;
  }
  const auto rowBytes = static_cast<std::size_t>(a.width()) * 4;
  for (int y = 0; y < a.height(); ++y) {
    if (std::memcmp(a.constScanLine(y), b.constScanLine(y), rowBytes) != 0) {
      return false;
    }
  }
  return true;
}

// The straight runs and the mixed rows must give the general loop's bytes for every view they take.
TEST_F(PaletteRenderTest, RowPathsGiveTheGeneralLoopsBytes) {
  std::mt19937 random(20240613);
  RandomView views(random);
  int rowPathViews = 0;
  for (int i = 0; i < 200; ++i) {
    TDTV view;
    view.FPalette = Distinct();
    view.FIsoPalette = IsoDistinct();
    TRect rect;
    int firstRow = 0;
    int lastRow = 0;
    rowPathViews += views.Make(view, rect, firstRow, lastRow) ? 1 : 0;

    RenderToBitmapWith(view, rect, firstRow, lastRow, RenderPaths{true, 1});
    const QImage fast = view.FBitmap;
    view.FBitmap = QImage();
    RenderToBitmapWith(view, rect, firstRow, lastRow, RenderPaths{false, 1});
    ASSERT_TRUE(SameBytes(fast, view.FBitmap))
        << "view " << i << ": " << view.Width() << " x " << view.Height() << " zoom " << view.FZoom
        << " pixel aspect " << view.FPixelAspect << " offsets " << view.FViewOffsetX << ", "
        << view.FViewOffsetY;
  }
  // Most views must be ones the row paths take, or the comparison proves little.
  EXPECT_GE(rowPathViews, 120);
}

// A bitmap above a megapixel is shared among the pool's threads; the bands must join into the
// picture one thread draws, at the default aspect (mixed rows) and at a fractional zoom (general loop).
TEST_F(PaletteRenderTest, ThreadsShareLargeBitmapsWithoutChangingThem) {
  std::mt19937 random(7);
  const int w = 1100;
  const int h = 960;
  SetFrame(w, h, std::vector<std::uint16_t>(static_cast<std::size_t>(w) * h));
  for (std::uint16_t &v : dtv.FRaw) {
    v = static_cast<std::uint16_t>(std::uniform_int_distribution<int>(0, 65535)(random));
  }
  dtv.FSmoothPalette = true;
  struct Case {
    double zoom;
    double offsetX;
  };
  for (const Case &c : {Case{1.0, 0.0}, Case{1.25, 0.5}}) {
    SCOPED_TRACE(c.zoom);
    dtv.SetAspect(256.0 / 216.0);
    dtv.FZoom = c.zoom;
    dtv.FViewOffsetX = c.offsetX;
    const TRect rect{0, 0, static_cast<int>(w * c.zoom), static_cast<int>(h * c.zoom * dtv.FPixelAspect)};
    ASSERT_GT(std::int64_t{rect.Right} * rect.Bottom, kParallelRenderPixels);
    dtv.FBitmap = QImage();
    RenderToBitmapWith(dtv, rect, 0, 0, RenderPaths{true, 1});
    const QImage one = dtv.FBitmap;
    dtv.FBitmap = QImage();
    dtv.RenderToBitmap(rect, 0, 0);
    EXPECT_TRUE(SameBytes(one, dtv.FBitmap));
    dtv.FBitmap = QImage();
    RenderToBitmapWith(dtv, rect, 0, 0, RenderPaths{false, 0});
    EXPECT_TRUE(SameBytes(one, dtv.FBitmap));
  }
}

// The colour of value v by the windows, worked out on its own in double arithmetic, as the renderer
// did before it built its table per palette segment: the reference the table must match byte for byte.
QRgb ReferenceWindowColour(const TDTV &d, bool overlayPresent, int v) {
  const auto steps = [](int bottom, int top) { return std::max(top - bottom + 1, 1); };
  const int palBottom = 256 * d.PalBottom;
  const int palSteps = steps(d.PalBottom, d.PalTop);
  const double pf = static_cast<double>(v - palBottom) / palSteps;
  const int p = TruncToInt32(pf);
  double fp = pf - p;
  if (p < 0 || p >= 255 || fp < 0.0 || !d.FSmoothPalette) {
    fp = 0.0;
  }
  if (d.isIso) {
    const int isoBottom = 256 * d.IsoBottom;
    const double qf = static_cast<double>(v - isoBottom) / steps(d.IsoBottom, d.IsoTop);
    const int q = TruncToInt32(qf);
    double fq = qf - q;
    if (q < 0 || q >= 255 || fq < 0.0 || !d.FSmoothPalette) {
      fq = 0.0;
    }
    if (q >= 0 && q <= 255) {
      return d.isIsoColor ? Rgb(InterpolatePalette(d.FIsoPalette, q, fq)) : kWhite;
    }
  }
  if (p >= 0 && p <= 255) {
    return Rgb(InterpolatePalette(d.FPalette, p, fp));
  }
  if (overlayPresent && !d.isIso) {
    return 0u;
  }
  if (d.isIsoAuto) {
    if (p > 255) {
      return Rgb(d.FPalette[255]);
    }
    const double g = static_cast<double>(v) / palBottom * 255.0;
    const int k = std::clamp(TruncToInt32(g), 0, 254);
    return Rgb(InterpolatePalette(d.FIsoPalette, k, g - k));
  }
  return Rgb(d.FPalette[static_cast<std::size_t>(std::clamp(p, 0, 255))]);
}

// A palette of random colours: neighbours differ by anything from 0 to 255 either way.
TPaletteTable RandomPalette(std::mt19937 &random) {
  std::uniform_int_distribution<int> byte(0, 255);
  TPaletteTable t{};
  for (TRGB &c : t) {
    c = TRGB{static_cast<std::uint8_t>(byte(random)), static_cast<std::uint8_t>(byte(random)),
             static_cast<std::uint8_t>(byte(random))};
  }
  return t;
}

// Counts the entries of the window table that differ from the reference and reports the first.
int WindowTableMismatches(const TDTV &d, bool overlayPresent) {
  std::vector<QRgb> table(kWindowTableSize);
  BuildWindowColourTable(d, overlayPresent,
                         std::span<QRgb, kWindowTableSize>(table.data(), kWindowTableSize));
  int mismatches = 0;
  for (int v = 0; v <= kFullScaleRaw; ++v) {
    const QRgb expected = ReferenceWindowColour(d, overlayPresent, v);
    if (table[static_cast<std::size_t>(v)] != expected && mismatches++ == 0) {
      ADD_FAILURE() << "window " << int{d.PalBottom} << ".." << int{d.PalTop} << ", band " << int{d.IsoBottom}
                    << ".." << int{d.IsoTop} << ": value " << v << " got " << std::hex
                    << table[static_cast<std::size_t>(v)] << " expected " << expected;
    }
  }
  return mismatches;
}

// All 65536 entries of the table, over windows of every width class (one step, powers of two, widths
// with odd factors, inverted, at both ends of the scale) and every switch that decides a colour, with
// ordered and random palettes: the segment-wise build gives the per-value computation's bytes.
TEST(WindowColourTableTest, EveryEntryMatchesThePerValueComputation) {
  struct Switches {
    bool smooth, iso, isoColor, isoAuto, overlay;
  };
  const Switches switches[] = {
      {true, false, false, false, false}, {false, false, false, false, false},
      {true, true, true, false, false},   {true, true, false, false, true},
      {true, false, false, true, false},  {false, false, false, true, false},
      {true, false, false, false, true},  {true, true, true, true, false},
  };
  const int ends[] = {0, 1, 2, 7, 100, 128, 170, 254, 255};
  std::mt19937 random(35);
  TDTV d;
  for (const Switches &sw : switches) {
    for (int round = 0; round < 2; ++round) {
      d.FPalette = round == 0 ? Distinct() : RandomPalette(random);
      d.FIsoPalette = round == 0 ? IsoDistinct() : RandomPalette(random);
      d.FSmoothPalette = sw.smooth;
      d.isIso = sw.iso;
      d.isIsoColor = sw.isoColor;
      d.isIsoAuto = sw.isoAuto;
      for (int bottom : ends) {
        for (int top : ends) {
          d.PalBottom = static_cast<std::uint8_t>(bottom);
          d.PalTop = static_cast<std::uint8_t>(top);
          d.IsoBottom = static_cast<std::uint8_t>(top / 2);
          d.IsoTop = static_cast<std::uint8_t>((bottom + 255) / 2);
          ASSERT_EQ(WindowTableMismatches(d, sw.overlay), 0);
        }
      }
    }
  }
}

// Under a locked range every raw value is converted to the range before the window table: the render
// of all 65536 values shows the per-value conversion (through RawToTemperature) for scales and offsets
// near each other and far apart in magnitude.
TEST_F(PaletteRenderTest, LockedRangeOfEveryRawValueMatchesThePerValueConversion) {
  std::vector<std::uint16_t> all(kWindowTableSize);
  for (std::size_t i = 0; i < all.size(); ++i) {
    all[i] = static_cast<std::uint16_t>(i);
  }
  SetFrame(256, 256, all);
  dtv.FSmoothPalette = true;
  dtv.PalBottom = 10;
  dtv.PalTop = 240;
  dtv.FRangeLocked = true;
  struct Lock {
    float scale, offset;
    double low, high;
  };
  const Lock locks[] = {
      {0.01f, -40.0f, -20.0, 120.0},
      {1.0f / 64.0f, -10.0f, 0.0, 100.0},
      {0.0123457f, 21.7f, 25.0, 26.5},
      {-0.02f, 300.0f, -500.0, 400.0},
      {1e-10f, 1e10f, 1e10, 1e10 + 1.0},
      {3e7f, 1e-30f, 0.0, 1e12},
      {0.037f, 0.0f, 3.0, 2.0},
      // 2^40 + raw x 2^-28 needs more bits than a long double has: for raw 32769 it rounds there to a
      // tie that a direct rounding to double would not see.
      {std::ldexp(1.0f, -28), std::ldexp(1.0f, 40), std::ldexp(1.0, 40) - 0.002, std::ldexp(1.0, 40) + 0.002},
  };
  for (const Lock &lock : locks) {
    dtv.FHeader.Scale = lock.scale;
    dtv.FHeader.Offset = lock.offset;
    dtv.LockMin = lock.low;
    dtv.LockMax = lock.high;
    dtv.RenderToBitmap(TRect{0, 0, 256, 256}, 0, 0);
    double low = lock.low;
    double high = lock.high;
    if (low > high) {
      low = high - 1.0;
    }
    if (low == high) {
      high = low + 1.0;
    }
    int mismatches = 0;
    for (int raw = 0; raw <= kFullScaleRaw; ++raw) {
      const double t = dtv.RawToTemperature(raw);
      const int v = std::clamp(TruncToInt32((t - low) / (high - low) * kFullScaleRaw), 0, kFullScaleRaw);
      const QRgb expected = ReferenceWindowColour(dtv, false, v);
      const QRgb got = dtv.FBitmap.pixel(raw % 256, raw / 256);
      if (got != expected && mismatches++ == 0) {
        ADD_FAILURE() << "scale " << lock.scale << " offset " << lock.offset << ": raw " << raw << " got "
                      << std::hex << got << " expected " << expected;
      }
    }
    EXPECT_EQ(mismatches, 0) << "scale " << lock.scale << " offset " << lock.offset;
  }
}

} // namespace
} // namespace calidarix
