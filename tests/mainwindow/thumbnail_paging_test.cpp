#include "mainwindow/thumbnail_paging.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

TThumbGrid Grid(int columns, int top, int column, int row) {
  TThumbGrid g;
  g.FThumbColumns = columns;
  g.FThumbTopRow = top;
  g.FocusColumn = column;
  g.FocusRow = row;
  return g;
}

TEST(ThumbPaging, PageKeys) {
  struct Case {
    int count, columns, top;
    TThumbKey key;
    int expectedTop;
  } cases[] = {
      {17, 4, 0, TThumbKey::PageDown, 1},  // 17 - 16 = 1 is not more than 16: 17 div 4 - 4 + 1
      {16, 4, 0, TThumbKey::PageDown, 0},  // a full page has nothing below
      {3, 4, 0, TThumbKey::PageDown, 0},   // less than a page
      {100, 4, 0, TThumbKey::PageDown, 4}, // 84 > 16: one page on
      {100, 4, 20, TThumbKey::PageDown, 21},
      {100, 4, 21, TThumbKey::PageDown, 21},
      {100, 4, 21, TThumbKey::PageUp, 17},
      {100, 4, 3, TThumbKey::PageUp, 0}, // less than a page from the top
      {100, 4, 0, TThumbKey::PageUp, 0},
  };
  for (const Case &c : cases) {
    TThumbGrid g = Grid(c.columns, c.top, 1, 1);
    ThumbKeyDown(g, c.key, c.count);
    EXPECT_EQ(g.FThumbTopRow, c.expectedTop) << c.count << " files, top " << c.top;
    EXPECT_EQ(g.FocusColumn, 1);
    EXPECT_EQ(g.FocusRow, 1);
  }
}

TEST(ThumbPaging, ArrowsMoveTheFocusAndScrollAtTheEdges) {
  struct Case {
    int top, column, row;
    TThumbKey key;
    int count;
    int expectedTop, expectedColumn, expectedRow;
    bool changed;
  } cases[] = {
      {0, 1, 1, TThumbKey::Up, 40, 0, 1, 0, true},
      {2, 1, 0, TThumbKey::Up, 40, 1, 1, 0, true},    // first row: scroll up
      {0, 1, 0, TThumbKey::Up, 40, 0, 1, 0, false},   // nothing above
      {0, 1, 3, TThumbKey::Down, 40, 1, 1, 3, true},  // last row: 40 - 16 > 0
      {6, 1, 3, TThumbKey::Down, 40, 6, 1, 3, false}, // 24 > 24 is false: the end
      {0, 1, 3, TThumbKey::Down, 16, 0, 1, 3, false},
      {0, 2, 1, TThumbKey::Left, 40, 0, 1, 1, true},
      {0, 2, 1, TThumbKey::Right, 40, 0, 3, 1, true},
  };
  for (const Case &c : cases) {
    TThumbGrid g = Grid(4, c.top, c.column, c.row);
    const TThumbKeyResult result = ThumbKeyDown(g, c.key, c.count);
    EXPECT_EQ(result.Changed, c.changed);
    EXPECT_EQ(g.FThumbTopRow, c.expectedTop);
    EXPECT_EQ(g.FocusColumn, c.expectedColumn);
    EXPECT_EQ(g.FocusRow, c.expectedRow);
    // The wheel moves the same way as Up and Down.
    if (c.key == TThumbKey::Up || c.key == TThumbKey::Down) {
      TThumbGrid w = Grid(4, c.top, c.column, c.row);
      EXPECT_EQ(ThumbWheel(w, c.key == TThumbKey::Up, c.count), c.changed);
      EXPECT_EQ(w.FThumbTopRow, c.expectedTop);
      EXPECT_EQ(w.FocusRow, c.expectedRow);
    }
  }
}

TEST(ThumbPaging, LeftAndRightOnTheEdgeWrapWhenTheKeyGoesUp) {
  TThumbGrid g = Grid(4, 0, 0, 0);
  EXPECT_FALSE(ThumbKeyDown(g, TThumbKey::Left, 40).Changed);
  EXPECT_TRUE(g.FThumbKeyDown);
  EXPECT_TRUE(ThumbKeyUp(g, TThumbKey::Left));
  EXPECT_EQ(g.FocusColumn, 3);
  EXPECT_EQ(g.FocusRow, 3); // from row 0 to the last row
  EXPECT_FALSE(g.FThumbKeyDown);
  ThumbKeyDown(g, TThumbKey::Right, 40);
  EXPECT_TRUE(ThumbKeyUp(g, TThumbKey::Right));
  EXPECT_EQ(g.FocusColumn, 0);
  EXPECT_EQ(g.FocusRow, 0);                      // from the last row to row 0
  EXPECT_FALSE(ThumbKeyUp(g, TThumbKey::Right)); // nothing pending
  g = Grid(4, 0, 0, 2);
  ThumbKeyDown(g, TThumbKey::Left, 40);
  ThumbKeyUp(g, TThumbKey::Left);
  EXPECT_EQ(g.FocusRow, 1);
}

TEST(ThumbPaging, ColumnCountKeepsTheFocusInReadingOrder) {
  TThumbGrid g = Grid(4, 3, 3, 3); // p = 15
  EXPECT_TRUE(ThumbKeyDown(g, TThumbKey::Plus, 100).Changed);
  EXPECT_EQ(g.FThumbColumns, 5);
  EXPECT_EQ(g.FThumbTopRow, 0);
  EXPECT_EQ(g.FocusRow, 3);
  EXPECT_EQ(g.FocusColumn, 0);
  g = Grid(4, 0, 3, 3);
  EXPECT_TRUE(ThumbKeyDown(g, TThumbKey::Minus, 100).Changed);
  EXPECT_EQ(g.FThumbColumns, 3);
  EXPECT_EQ(g.FocusRow, 2); // 9 <= 15: the last cell
  EXPECT_EQ(g.FocusColumn, 2);
  g = Grid(2, 0, 1, 1);
  EXPECT_FALSE(ThumbKeyDown(g, TThumbKey::Minus, 100).Changed);
  EXPECT_EQ(g.FThumbColumns, 2);
  g = Grid(10, 0, 1, 1);
  EXPECT_FALSE(ThumbKeyDown(g, TThumbKey::Plus, 100).Changed);
  EXPECT_EQ(g.FThumbColumns, 10);
}

TEST(ThumbPaging, CommandsOfTheKeys) {
  TThumbGrid g = Grid(4, 1, 2, 1); // entry 1 x 4 + 2 + 4 = 10
  EXPECT_EQ(FocusedThumbEntry(g), 10);
  EXPECT_EQ(ThumbKeyDown(g, TThumbKey::Enter, 20).Command, TThumbCommand::Leave);
  EXPECT_EQ(ThumbKeyDown(g, TThumbKey::Escape, 20).Command, TThumbCommand::Leave);
  EXPECT_EQ(ThumbKeyDown(g, TThumbKey::Space, 20).Command, TThumbCommand::ToggleMark);
  EXPECT_EQ(ThumbKeyDown(g, TThumbKey::Space, 10).Command, TThumbCommand::None); // an empty cell
  EXPECT_EQ(ThumbKeyDown(g, TThumbKey::Delete, 20).Command, TThumbCommand::DeleteMarked);
  EXPECT_EQ(ThumbKeyDown(g, TThumbKey::Delete, 10).Command, TThumbCommand::None);
  EXPECT_EQ(ThumbKeyDown(g, TThumbKey::AltX, 20).Command, TThumbCommand::CloseWindow);
}

TEST(ThumbPaging, CellsUnderThePointerAndTheirSizes) {
  const TThumbGrid g = Grid(4, 2, 0, 0);
  const auto cell = ThumbCellAt(g, 250, 130, 100, 60);
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->Column, 2);
  EXPECT_EQ(cell->Row, 2);
  EXPECT_EQ(ThumbEntry(g, cell->Column, cell->Row), 2 * 4 + 2 + 2 * 4);
  EXPECT_FALSE(ThumbCellAt(g, 400, 10, 100, 60)); // beyond the last column
  EXPECT_FALSE(ThumbCellAt(g, -1, 10, 100, 60));
  EXPECT_EQ(ThumbCellExtent(3, 4), 1); // never 0, even in a tiny window
  EXPECT_EQ(ThumbCellExtent(0, 4), 1);
  EXPECT_EQ(ThumbCellExtent(403, 4), 100);
}

TEST(ThumbPaging, PicturesFitByTheirAspect) {
  // 32/27 into 160 x 120: narrower than the cell, the sides move in.
  EXPECT_EQ(FitThumbPicture(TRect{0, 0, 160, 120}, 32.0 / 27.0, false), (TRect{9, 0, 151, 120}));
  // Wide into tall: top and bottom move in.
  EXPECT_EQ(FitThumbPicture(TRect{0, 0, 100, 100}, 2.0, false), (TRect{0, 25, 100, 75}));
  // Half a pixel: rounded to even for the thumbnails, toward zero for the focused cell.
  EXPECT_EQ(FitThumbPicture(TRect{0, 0, 101, 100}, 1.0 / 1.03, false).Left, 2); // (101 - 97.087) / 2 = 1.96
  EXPECT_EQ(FitThumbPicture(TRect{0, 0, 101, 100}, 1.0 / 1.03, true).Left, 1);
  EXPECT_EQ(FitThumbPicture(TRect{2, 2, 50, 50}, 0.0, true), (TRect{2, 2, 50, 50}));
}

} // namespace
} // namespace calidarix
