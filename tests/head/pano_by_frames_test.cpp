// The panorama-by-frames sequence: the order of the cells and their head targets, the end of the grid,
// running it again, and what the menu switches make of the end.

#include "head/pano_by_frames.h"

#include <gtest/gtest.h>

#include <vector>

namespace calidarix {
namespace {

TPanoGrid Grid(int cols, int rows, int rise = 0, bool halfShift = false) {
  return TPanoGrid{cols - 1, rows - 1, rise, halfShift, 197, 123};
}

std::vector<TPanoTarget> Visit(TPanoByFrames &seq, const TPanoGrid &grid) {
  std::vector<TPanoTarget> targets;
  for (auto t = seq.Start(grid); t; t = seq.Advance())
    targets.push_back(*t);
  return targets;
}

TEST(PanoByFrames, ThreeColumnsOfTwoRowsVisitEachColumnTopDownFromLeftToRight) {
  TPanoByFrames seq;
  const std::vector<TPanoTarget> expected{{-197, 123}, {-197, 0}, {0, 123}, {0, 0}, {197, 123}, {197, 0}};
  EXPECT_EQ(Visit(seq, Grid(3, 2)), expected);
  EXPECT_FALSE(seq.Active());
  EXPECT_EQ(seq.CellsDone(), 6);
  // Done: a further frame moves nothing.
  EXPECT_FALSE(seq.Advance());
  EXPECT_EQ(seq.CellsDone(), 6);
}

TEST(PanoByFrames, CellTargetsFollowRiseHalfRowShiftAndEvenColumnCounts) {
  struct Case {
    TPanoGrid grid;
    int col, row;
    TPanoTarget target;
  };
  const Case cases[] = {
      {Grid(3, 2, 0, true), 0, 1, {-197, 61}}, // half a step of 123 is 61.5, cut towards zero
      {Grid(3, 2, 0, true), 0, 0, {-197, -61}},
      {Grid(1, 3, 1), 0, 1, {0, 0}}, // the row of the rise lies on the horizon
      {Grid(1, 3, 1), 0, 0, {0, -123}},
      {Grid(1, 3, -1), 0, 0, {0, 123}},
      {Grid(2, 1), 0, 0, {-98, 0}}, // two columns straddle the head's zero: half a step each way
      {Grid(2, 1), 1, 0, {98, 0}},
      {Grid(4, 1), 0, 0, {-295, 0}},
  };
  for (const Case &c : cases)
    EXPECT_EQ(PanoCellTarget(c.grid, c.col, c.row), c.target) << c.col << "," << c.row;
}

TEST(PanoByFrames, FirstCellAndRestartArmTheSameGridAgain) {
  TPanoByFrames seq;
  ASSERT_EQ(seq.Start(Grid(2, 3)), (TPanoTarget{-98, 246}));
  EXPECT_TRUE(seq.FirstCell());
  EXPECT_EQ(seq.Advance(), (TPanoTarget{-98, 123}));
  EXPECT_FALSE(seq.FirstCell());
  EXPECT_EQ(seq.Col(), 0);
  EXPECT_EQ(seq.Row(), 1);
  while (seq.Advance()) {
  }
  ASSERT_FALSE(seq.Active());
  EXPECT_EQ(seq.Restart(), (TPanoTarget{-98, 246}));
  EXPECT_TRUE(seq.Active());
  EXPECT_TRUE(seq.FirstCell());
  EXPECT_EQ(seq.CellsDone(), 0);
  seq.Stop();
  EXPECT_FALSE(seq.Active());
  EXPECT_FALSE(seq.Advance());
}

TEST(PanoByFrames, AGridWithoutCellsIsNotStarted) {
  TPanoByFrames seq;
  EXPECT_FALSE(seq.Start(Grid(0, 2)));
  EXPECT_FALSE(seq.Active());
  EXPECT_FALSE(seq.Start(Grid(2, 0)));
  EXPECT_FALSE(seq.Active());
}

TEST(PanoByFrames, EndOfTheGridByMenuSwitches) {
  struct Case {
    bool autoStitch, keepOnPanning, interactive;
    TPanoEnd end;
  };
  const Case cases[] = {
      {true, false, false, {true, true, false}},  // stop and stitch
      {true, false, true, {true, false, false}},  // interactive: the views hold the panorama already
      {false, true, false, {false, false, true}}, // again, acquisition kept running
      {false, true, true, {false, false, true}},
      {false, false, false, {true, false, false}}, // neither: the acquisition is stopped all the same
  };
  for (const Case &c : cases)
    EXPECT_EQ(PanoEndActions(c.autoStitch, c.keepOnPanning, c.interactive), c.end)
        << c.autoStitch << c.keepOnPanning << c.interactive;
}

} // namespace
} // namespace calidarix
