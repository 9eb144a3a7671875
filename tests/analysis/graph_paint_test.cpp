#include "analysis/graph_paint.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace calidarix {
namespace {

const QRgb kGrey = qRgb(0x80, 0x80, 0x80);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kNavy = qRgb(0, 0, 0x80);

// A graph without grid lines, so that every pixel is background, curve, bar or cursor.
TGraphState Plain(int tag) {
  TGraphState g;
  g.Tag = tag;
  g.FHorLines = false;
  g.FVerLines = false;
  return g;
}

QImage Paint(const TGraphState &g, const TGraphLook &look = {}, QSize size = QSize(201, 101)) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::magenta);
  QPainter painter(&image);
  PaintGraph(painter, TRect{0, 0, size.width() - 1, size.height() - 1}, g, look);
  return image;
}

TEST(GraphPaint, CurvesFillTheHeightWithTheVisibleSubRange) {
  TGraphState g = Plain(0);
  g.SetRange(MakeRange(0.0, 100.0));
  g.FProfiles = {{0.0f, 100.0f}, {50.0f, 50.0f}, {}};
  g.FCursor.X = 1;
  const QImage full = Paint(g);
  // The live curve runs from the bottom left to the top right, grey; stored profile 1 is red.
  EXPECT_EQ(full.pixel(40, 80), kGrey);
  EXPECT_EQ(full.pixel(20, 50), kRed);
  EXPECT_EQ(full.pixel(180, 50), kRed);
  EXPECT_EQ(full.pixel(20, 10), qRgb(255, 255, 255)) << "background";
  // The cursor at sample 1 of 2 stands in the middle.
  EXPECT_EQ(full.pixel(100, 95), kNavy);

  // The upper half of the range fills the height: the stored profile at 50 runs along the bottom.
  g.FPalLow = 127;
  g.FPalHigh = 255;
  const QImage upper = Paint(g);
  EXPECT_EQ(upper.pixel(20, 99), kRed);
  EXPECT_NE(upper.pixel(20, 50), kRed);

  g.FInvertBackground = true;
  EXPECT_EQ(Paint(g).pixel(20, 10), qRgb(0, 0, 0));
}

TEST(GraphPaint, HistogramBarsUseTheCountRangeAndOptionallyThePalette) {
  TGraphState g = Plain(2);
  g.FProfiles[0] = TProfile(100, 0.0f);
  g.FProfiles[0][49] = 10.0f;
  g.FProfiles[0][50] = 5.0f;
  g.UpdateRange();
  g.FPalHigh = 10; // the bars ignore the sub-range
  g.FCursor.X = 0;
  const QImage bars = Paint(g, {}, QSize(199, 101)); // 198 pixels: two per bar
  EXPECT_EQ(bars.pixel(99, 1), kGrey) << "bin 49 reaches the top";
  EXPECT_EQ(bars.pixel(101, 60), kGrey) << "bin 50 half way";
  EXPECT_EQ(bars.pixel(101, 40), qRgb(255, 255, 255));
  EXPECT_EQ(bars.pixel(120, 99), qRgb(255, 255, 255)) << "empty bins have no bar";

  TGraphLook look;
  look.PaletteBars = true;
  for (int i = 0; i < 256; ++i)
    look.Palette[i] = TRGB{static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(255 - i)};
  const QImage coloured = Paint(g, look, QSize(199, 101));
  EXPECT_EQ(coloured.pixel(99, 50), qRgb(124, 0, 131)) << "bin 49 takes palette entry trunc(49 / 100 x 255)";
}

TEST(GraphPaint, SubRangeBarIsWhiteOverTheVisiblePart) {
  TGraphState g;
  g.FPalLow = 10;
  g.FPalHigh = 20;
  const QImage bar = SubRangeBar(g);
  ASSERT_EQ(bar.size(), QSize(2, 256));
  for (auto [index, white] : {std::pair{9, false}, {10, true}, {20, true}, {21, false}})
    EXPECT_EQ(bar.pixel(1, 255 - index), white ? qRgb(255, 255, 255) : qRgb(0, 0, 0)) << index;
}

TEST(GraphPaint, ThePictureHasTheGraphTheScaleAndAFrame) {
  TGraphState g = Plain(0);
  g.SetRange(MakeRange(0.0, 100.0));
  g.FProfiles = {{0.0f, 100.0f}, {}};
  const QImage picture = GraphPicture(QSize(576, 201), g, {}, GraphFont(), "0", "0.00");
  ASSERT_EQ(picture.size(), QSize(576, 201));
  for (QPoint corner : {QPoint(0, 0), QPoint(575, 0), QPoint(0, 200), QPoint(575, 200), QPoint(300, 200)})
    EXPECT_EQ(picture.pixel(corner), qRgb(0, 0, 0)) << corner.x() << "," << corner.y();
  // The graph fills (1, 0) .. (511, 200): its curve crosses the middle; the scale's ticks start at 511.
  EXPECT_EQ(picture.pixel(256, 100), kGrey);
  EXPECT_EQ(picture.pixel(511, 101), qRgb(0, 0, 0)) << "a scale tick every other row";
  EXPECT_EQ(picture.pixel(540, 109), qRgb(255, 255, 255));
  EXPECT_TRUE(GraphPicture(QSize(0, 201), g, {}, GraphFont(), "", "").isNull());
}

TEST(GraphPaint, RangeEndsShowOneDecimalOnProfilesAndNoneOnTheHistogram) {
  EXPECT_EQ(RangeEndText(36.46, 0, false), "36.5");
  EXPECT_EQ(RangeEndText(36.46, 0, true), "36");
  EXPECT_EQ(RangeEndText(12.0, 2, false), "12");
}

} // namespace
} // namespace calidarix
