#include "analysis/marker_geometry.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(MarkerGeometryTest, ArrowHeadIsNineAndAHalfPixelsLongAndEightWide) {
  const TArrowHead head = ArrowHead(TPoint{0, 0}, TPoint{100, 0});
  ASSERT_FALSE(head.Empty);
  EXPECT_EQ(head.Base, (TPoint{90, 0})); // 100 - 9.53
  EXPECT_EQ(head.Wing1, (TPoint{90, 4}));
  EXPECT_EQ(head.Wing2, (TPoint{90, -4}));
  EXPECT_TRUE(ArrowHead(TPoint{5, 5}, TPoint{5, 5}).Empty);
}

TEST(MarkerGeometryTest, BoundaryPointsOfEllipseAndRectangle) {
  const TRect r{0, 0, 20, 10}; // centre (10, 5), a = 10, b = 5
  // Straight above or below the centre: the top or bottom of the outline.
  EXPECT_EQ(EllipseBoundaryPoint(r, TPoint{10, -30}), (TPoint{10, 0}));
  EXPECT_EQ(EllipseBoundaryPoint(r, TPoint{10, 30}), (TPoint{10, 10}));
  // Along the axes and the diagonal slope 1 / 2 of the rectangle's corner.
  EXPECT_EQ(EllipseBoundaryPoint(r, TPoint{40, 5}), (TPoint{20, 5}));
  EXPECT_EQ(EllipseBoundaryPoint(r, TPoint{-40, 5}), (TPoint{0, 5}));
  EXPECT_EQ(RectBoundaryPoint(r, TPoint{40, 5}), (TPoint{20, 5}));
  EXPECT_EQ(RectBoundaryPoint(r, TPoint{30, 15}), (TPoint{20, 10})); // slope 1 / 2 hits the corner
  EXPECT_EQ(RectBoundaryPoint(r, TPoint{14, -15}), (TPoint{11, 0})); // steep: the top edge
  // k = 1: u = Round(sqrt(1 / (1/100 + 1/25))) = Round(4.47) = 4.
  EXPECT_EQ(EllipseBoundaryPoint(r, TPoint{0, -5}), (TPoint{6, 1}));
  EXPECT_EQ(AreaBoundaryPoint(r, TPoint{10, -30}, 1), EllipseBoundaryPoint(r, TPoint{10, -30}));
  EXPECT_EQ(AreaBoundaryPoint(r, TPoint{14, -15}, 0), RectBoundaryPoint(r, TPoint{14, -15}));
}

TEST(MarkerGeometryTest, LabelQuadrantsAndTextOffsets) {
  EXPECT_EQ(AreaLabelDirection(-3, -3), 2);
  EXPECT_EQ(AreaLabelDirection(0, 0), 2);
  EXPECT_EQ(AreaLabelDirection(-3, 4), 1);
  EXPECT_EQ(AreaLabelDirection(3, -4), 3);
  EXPECT_EQ(AreaLabelDirection(3, 4), 0);
  EXPECT_EQ(LabelTextOffset(0, 30, 12, 10), (TPoint{6, 2}));
  EXPECT_EQ(LabelTextOffset(1, 30, 12, 10), (TPoint{-36, 2}));
  EXPECT_EQ(LabelTextOffset(2, 30, 12, 10), (TPoint{-36, -12}));
  EXPECT_EQ(LabelTextOffset(3, 30, 12, 10), (TPoint{6, -14}));
}

} // namespace
} // namespace calidarix
