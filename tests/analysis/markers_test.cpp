#include "analysis/markers.h"

#include <gtest/gtest.h>

#include <string>

namespace calidarix {
namespace {

TEST(MarkersTest, AddPointSkipsDuplicatesAndPointsOutsideTheFrame) {
  std::vector<TPointRecord> points;
  EXPECT_TRUE(AddPoint(points, 3, 4, 10, 8));
  EXPECT_FALSE(AddPoint(points, 3, 4, 10, 8)); // same place: nothing changes
  EXPECT_TRUE(AddPoint(points, 4, 3, 10, 8));
  for (const TPoint p : {TPoint{10, 0}, TPoint{0, 8}, TPoint{-1, 0}, TPoint{0, -1}}) {
    EXPECT_FALSE(AddPoint(points, p.X, p.Y, 10, 8)) << p.X << ", " << p.Y;
  }
  EXPECT_TRUE(AddPoint(points, 9, 7, 10, 8));
  EXPECT_FALSE(AddPoint(points, 0, 0, 0, 0)); // an empty frame takes no point
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[0], (TPointRecord{3, 4, 0, 0, 0, 1}));
  EXPECT_EQ(points[1], (TPointRecord{4, 3, 0, 0, 0, 2}));
  EXPECT_EQ(points[2], (TPointRecord{9, 7, 0, 0, 0, 3}));

  // A moved label does not make a point at the same place a different point.
  points[0].DX = 5;
  points[0].Direction = 2;
  EXPECT_FALSE(AddPoint(points, 3, 4, 10, 8));
}

TEST(MarkersTest, ClearEmptiesTheListsAndTheSelection) {
  TMarkerLists m;
  m.FPoints.push_back(TPointRecord{1, 1, 0, 0, 0, 1});
  m.FCurrentArea = TAreaRecord{1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 10, {1, 1}, {2, 2}};
  m.FAreas.push_back(m.FCurrentArea);
  m.FSavedArea.SetRect(TRect{4, 3, 2, 1});
  m.FFreePolygon = {{0, 0}, {1, 1}};
  m.FPolygons.push_back(m.FFreePolygon);
  m.FProfileLine = TLineRecord{1, 2, 3, 4};
  m.FProfileLines = {TLineRecord{}, TLineRecord{5, 6, 7, 8}};

  ClearMarkerLists(m);
  EXPECT_TRUE(m.FPoints.empty());
  EXPECT_TRUE(m.FAreas.empty());
  EXPECT_TRUE(m.FFreePolygon.empty());
  EXPECT_TRUE(m.FPolygons.empty());
  EXPECT_TRUE(m.FProfileLines.empty());
  EXPECT_TRUE(m.FProfileLine.IsNone());
  EXPECT_TRUE(m.FCurrentArea.IsAllZero());
  EXPECT_TRUE(m.FCurrentArea.IsEmpty());
  EXPECT_EQ(m.FCurrentArea.DX, 5); // only the rectangle is cleared
  EXPECT_EQ(m.FSavedArea.Rect(), (TRect{4, 3, 2, 1}));

  ClearMarkerLists(m); // and clearing an empty model keeps it empty
  EXPECT_TRUE(m.FPoints.empty());
  EXPECT_TRUE(m.FCurrentArea.IsAllZero());
}

TEST(MarkersTest, SelectionRoundTripCarriesOnlyTheRectangle) {
  TMarkerLists m;
  m.FCurrentArea = TAreaRecord{10, 20, 30, 40, 1, 2, 100, 200, 150, 3, 400, {11, 21}, {29, 39}};
  SaveSelectionRect(m);
  EXPECT_EQ(m.FSavedArea.Rect(), (TRect{10, 20, 30, 40}));
  EXPECT_EQ(m.FSavedArea.DX, 0);
  EXPECT_EQ(m.FSavedArea.Count, 0);

  m.FCurrentArea = TAreaRecord{};
  m.FCurrentArea.DX = 7;
  m.FCurrentArea.RawMax = 999;
  RestoreSelectionRect(m);
  EXPECT_EQ(m.FCurrentArea.Rect(), (TRect{10, 20, 30, 40}));
  EXPECT_EQ(m.FCurrentArea.DX, 7);
  EXPECT_EQ(m.FCurrentArea.RawMax, 999);
  EXPECT_EQ(m.FCurrentArea.Count, 0);
}

TEST(MarkersTest, EmptyAreas) {
  struct Case {
    TRect r;
    bool empty;
  };
  const Case cases[] = {{{0, 0, 0, 0}, true}, {{2, 2, 3, 2}, true},  {{2, 2, 2, 9}, true},
                        {{5, 5, 4, 9}, true}, {{2, 2, 3, 3}, false}, {{-5, -5, 0, 0}, false}};
  for (const Case &c : cases) {
    TAreaRecord area;
    area.SetRect(c.r);
    EXPECT_EQ(area.IsEmpty(), c.empty) << c.r.Left << " " << c.r.Top << " " << c.r.Right << " " << c.r.Bottom;
  }
}

TEST(MarkersTest, NormalizeRect) {
  EXPECT_EQ(NormalizeRect(TRect{5, 6, 1, 2}), (TRect{1, 2, 5, 6}));
  EXPECT_EQ(NormalizeRect(TRect{1, 6, 5, 2}), (TRect{1, 2, 5, 6}));
  EXPECT_EQ(NormalizeRect(TRect{1, 2, 5, 6}), (TRect{1, 2, 5, 6}));
}

// The pixels of a w x h neighbourhood that lie in the area, one text row per image row.
std::string Map(const TRect &r, std::int32_t arrayType, int w, int h) {
  std::string map;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      map += PtInArray(r, TPoint{x, y}, arrayType) ? '#' : '.';
    }
    map += '\n';
  }
  return map;
}

TEST(MarkersTest, RectangleAndEllipseHitTests) {
  EXPECT_TRUE(PtInArray(TRect{2, 2, 5, 5}, TPoint{2, 2}, 0));
  EXPECT_FALSE(PtInArray(TRect{2, 2, 5, 5}, TPoint{5, 3}, 0));
  EXPECT_FALSE(PtInArray(TRect{2, 2, 5, 5}, TPoint{3, 5}, 0));

  EXPECT_EQ(Map(TRect{1, 1, 4, 3}, 0, 6, 4), "......\n"
                                             ".###..\n"
                                             ".###..\n"
                                             "......\n");
  // The ellipse inside the rectangle (0, 0, 8, 4): its right column and bottom row lie outside.
  const std::string ellipse = ".######..\n"
                              "########.\n"
                              "########.\n"
                              ".######..\n"
                              ".........\n";
  EXPECT_EQ(Map(TRect{0, 0, 8, 4}, 1, 9, 5), ellipse);
  EXPECT_EQ(Map(TRect{8, 4, 0, 0}, 1, 9, 5), ellipse); // either corner order
  EXPECT_EQ(Map(TRect{0, 0, 4, 4}, 1, 5, 5), ".##..\n"
                                             "####.\n"
                                             "####.\n"
                                             ".##..\n"
                                             ".....\n");
  EXPECT_EQ(Map(TRect{1, 1, 2, 2}, 1, 3, 3), "...\n"
                                             ".#.\n"
                                             "...\n");
  EXPECT_EQ(Map(TRect{1, 1, 1, 3}, 1, 3, 3), "...\n...\n...\n"); // an empty rectangle holds nothing

  // Coordinates near the 32-bit limits neither overflow nor misjudge.
  const TRect huge{-2000000000, -2000000000, 2000000000, 2000000000};
  EXPECT_TRUE(PtInEllipse(huge, TPoint{0, 0}));
  EXPECT_TRUE(PtInEllipse(huge, TPoint{-2000000000, 0}));
  EXPECT_TRUE(PtInEllipse(huge, TPoint{1999999999, -1}));
  EXPECT_FALSE(PtInEllipse(huge, TPoint{-2000000000, -2000000000}));
  EXPECT_FALSE(PtInEllipse(huge, TPoint{1999999999, 1999999999}));
  // On the diagonals the edge lies 2e9 / sqrt(2) = 1414213562.37 from the centre.
  EXPECT_TRUE(PtInEllipse(huge, TPoint{-1414213562, -1414213562}));
  EXPECT_FALSE(PtInEllipse(huge, TPoint{-1414213563, -1414213563}));
  EXPECT_TRUE(PtInEllipse(huge, TPoint{1414213561, 1414213561}));
  EXPECT_FALSE(PtInEllipse(huge, TPoint{1414213562, 1414213562}));
}

TEST(MarkersTest, PointInPolygon) {
  const TPolygon square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  struct Case {
    TPoint p;
    bool inside;
  };
  const Case squareCases[] = {{{5, 5}, true},   {{10, 5}, false}, {{0, 5}, true},
                              {{5, 10}, false}, {{5, 0}, true},   {{-1, 5}, false},
                              {{5, -1}, false}, {{0, 0}, true},   {{10, 10}, false}};
  for (const Case &c : squareCases) {
    EXPECT_EQ(PointInPolygon(c.p, square), c.inside) << c.p.X << ", " << c.p.Y;
  }
  // A concave L shape and a slanted triangle.
  const TPolygon ell = {{0, 0}, {10, 0}, {10, 5}, {5, 5}, {5, 10}, {0, 10}};
  EXPECT_TRUE(PointInPolygon(TPoint{2, 7}, ell));
  EXPECT_TRUE(PointInPolygon(TPoint{7, 2}, ell));
  EXPECT_FALSE(PointInPolygon(TPoint{7, 7}, ell));
  const TPolygon triangle = {{0, 0}, {10, 10}, {0, 10}};
  EXPECT_TRUE(PointInPolygon(TPoint{2, 5}, triangle));
  EXPECT_FALSE(PointInPolygon(TPoint{6, 5}, triangle));
  // Fewer than three vertices enclose nothing.
  EXPECT_FALSE(PointInPolygon(TPoint{0, 0}, TPolygon{}));
  EXPECT_FALSE(PointInPolygon(TPoint{0, 0}, TPolygon{{0, 0}}));
  EXPECT_FALSE(PointInPolygon(TPoint{1, 1}, TPolygon{{0, 0}, {5, 5}}));
}

TEST(MarkersTest, SettingsStartValues) {
  ArrayType = 1;
  ArrayStatistic = 7;
  FontN = 24;
  HeatMode = 1;
  TIn = 1.0;
  TOut = 2.0;
  AlphaIn = 3.0;
  AlphaOut = 4.0;
  SigmaRefValue = 5.0;
  SigmaRefSet = 1;
  ResetMarkerSettings();
  EXPECT_EQ(ArrayType, 0);
  EXPECT_EQ(ArrayStatistic, 0);
  EXPECT_EQ(FontN, 14);
  EXPECT_EQ(HeatMode, 0);
  EXPECT_EQ(TIn, 20.0);
  EXPECT_EQ(TOut, -20.0);
  EXPECT_EQ(AlphaIn, 8.7);
  EXPECT_EQ(AlphaOut, 23.0);
  EXPECT_EQ(SigmaRefValue, 0.0);
  EXPECT_EQ(SigmaRefSet, 0);
}

} // namespace
} // namespace calidarix
