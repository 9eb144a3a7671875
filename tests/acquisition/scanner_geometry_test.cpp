// The sector geometry preview: how its bars start, follow each other and the form's Edge and Center,
// and the lines of its two boxes.

#include "acquisition/scanner_geometry.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(ScannerGeometry, BarsStartFromTheFrameAndTheGeometry) {
  TGeometryPreview g;
  g.Init(256, 40, 100);
  EXPECT_EQ(g.BLeftSB.Max, 128);
  EXPECT_EQ(g.BLeftSB.Position, 64);
  EXPECT_EQ(g.BRightSB.Max, 128);
  EXPECT_EQ(g.BRightSB.Position, 64);
  EXPECT_EQ(g.LeftSB.Position, 215);
  EXPECT_EQ(g.RightSB.Position, 215);
  EXPECT_EQ(g.CentSB.Position, 155);
}

TEST(ScannerGeometry, BarsFollowEachOtherUnderTheLocks) {
  TGeometryPreview g;
  g.Init(256, 40, 100);
  g.ShowGeo = true;
  // The form's Edge at 40 puts the left bar at 215 and, through its link, the right one too.
  g.LeftSB.Position = 0;
  g.RightSB.Position = 0;
  g.EdgeChanged(40);
  EXPECT_EQ(g.LeftSB.Position, 215);
  EXPECT_EQ(g.RightSB.Position, 215);

  auto linked = g.BarChanged(3, 200);
  EXPECT_EQ(g.LeftSB.Position, 200);
  EXPECT_EQ(linked.Edge, 55);
  linked = g.BarChanged(0, 100);
  EXPECT_EQ(g.BRightSB.Position, 28);
  EXPECT_FALSE(linked.Edge);
  linked = g.BarChanged(4, 55);
  EXPECT_EQ(linked.Center, 200);
  g.CenterChanged(10);
  EXPECT_EQ(g.CentSB.Position, 245);

  g.SetLockCenter(false);
  g.BarChanged(1, 5);
  EXPECT_EQ(g.BLeftSB.Position, 100);
  g.SetLockCenter(true); // applies the bottom rule at once
  EXPECT_EQ(g.BRightSB.Position, 28);

  g.SetLockEdge(false);
  linked = g.BarChanged(2, 10);
  EXPECT_EQ(g.RightSB.Position, 200);
  EXPECT_FALSE(linked.Edge);
  g.EdgeChanged(99); // without the lock the preview stays
  EXPECT_EQ(g.LeftSB.Position, 10);
  g.SetLockEdge(true);
  EXPECT_EQ(g.RightSB.Position, 10);

  g.ShowGeo = false;
  g.EdgeChanged(0);
  EXPECT_EQ(g.LeftSB.Position, 10);
  g.BarChanged(7, 1); // no such bar
  g.BarChanged(0, 1000);
  EXPECT_EQ(g.BLeftSB.Position, 128);
}

TEST(ScannerGeometry, TheBoxesLines) {
  TGeometryPreview g;
  g.Init(256, 55, 55); // side and middle bars at 200 of 255
  g.BLeftSB.Position = 64;
  g.BRightSB.Position = 64;
  const TGeometryLines left = g.LeftBox(100, 51, 4); // two sectors a side
  ASSERT_EQ(left.Grey.size(), 3u);
  EXPECT_EQ(left.Grey[0], QLine(0, 0, 0, 51));
  EXPECT_EQ(left.Grey[1], QLine(25, 0, 25, 51)); // 100 x 64 / 128 x 1 / 2
  EXPECT_EQ(left.Grey[2], QLine(50, 0, 50, 51));
  ASSERT_EQ(left.Red.size(), 2u);
  EXPECT_EQ(left.Red[0], QLine(100, 40, 50, 40)); // 200 / 255 x 51 = 40
  EXPECT_EQ(left.Red[1], QLine(50, 40, 0, 40));

  const TGeometryLines right = g.RightBox(100, 51, 4);
  ASSERT_EQ(right.Grey.size(), 3u);
  EXPECT_EQ(right.Grey[0], QLine(100, 0, 100, 51));
  EXPECT_EQ(right.Grey[2], QLine(50, 0, 50, 51));
  EXPECT_EQ(right.Red[0], QLine(0, 40, 50, 40));
  EXPECT_EQ(right.Red[1], QLine(50, 40, 100, 40));

  EXPECT_TRUE(g.LeftBox(100, 51, 1).Grey.empty());
  TGeometryPreview narrow;
  narrow.Init(1, 0, 0); // no room below: no division by zero
  EXPECT_TRUE(narrow.LeftBox(100, 50, 10).Grey.empty());
  EXPECT_EQ(narrow.RightBox(100, 50, 10).Red.size(), 2u);

  QImage image(100, 51, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PaintGeometryBox(painter, left);
  painter.end();
  EXPECT_EQ(image.pixelColor(25, 10), QColor(0x80, 0x80, 0x80));
  EXPECT_EQ(image.pixelColor(75, 40), QColor(Qt::red));
  EXPECT_EQ(image.pixelColor(75, 10), QColor(Qt::white));
}

TEST(ScannerGeometry, BoxWidthsShareWhatTheBarsLeave) {
  EXPECT_EQ(GeometryBoxWidths(500, 100, 17, 17), (std::pair<int, int>(175, 175)));
  EXPECT_EQ(GeometryBoxWidths(501, 100, 17, 17), (std::pair<int, int>(175, 176)));
  EXPECT_EQ(GeometryBoxWidths(50, 100, 17, 17), (std::pair<int, int>(0, 0)));
}

} // namespace
} // namespace calidarix
