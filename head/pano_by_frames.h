#pragma once
// Panorama by frames: the head visits the cells of a grid column by column from left to right, each
// column from its top row down, and one frame is saved at every cell. This is the sequence's state and
// its decisions without the window: the window reports the end of each cell and does what it is told
// (drive the head, stop the acquisition, stitch the folder, start again).
//
// Targets are in head target units (a head counter divided by 256). The grid is centred horizontally on
// the head's zero; its row `Rise` (unshifted) lies on the horizon, and a half-row shift lowers every row
// by half a vertical step.

#include <cstdint>
#include <optional>

namespace calidarix {

struct TPanoGrid {
  std::int32_t LastCol = 0; // columns - 1
  std::int32_t LastRow = 0; // rows - 1
  std::int32_t Rise = 0;    // rows the grid is lowered (negative: raised)
  bool HalfRowShift = false;
  std::int32_t HorStep = 0; // head target units between neighbouring columns / rows
  std::int32_t VerStep = 0;
};

struct TPanoTarget {
  std::int32_t Hor = 0;
  std::int32_t Ver = 0;
  friend bool operator==(const TPanoTarget &, const TPanoTarget &) = default;
};

// The head target of cell (col, row).
TPanoTarget PanoCellTarget(const TPanoGrid &grid, std::int32_t col, std::int32_t row);

// What the window does once the last cell of the grid is saved.
struct TPanoEnd {
  bool StopScan = false; // stop the acquisition
  bool Stitch = false;   // stitch the panorama folder
  bool Restart = false;  // run the same grid again from its first cell, acquisition still running
  friend bool operator==(const TPanoEnd &, const TPanoEnd &) = default;
};

// The menu switches "Auto stitch", "Keep on sanning" and "Pano Interactive" decide the end. Running the
// grid again keeps the acquisition going: the sequence needs live frames, so it is never left armed
// without them.
TPanoEnd PanoEndActions(bool autoStitch, bool keepOnPanning, bool interactive);

class TPanoByFrames {
public:
  // Arms the sequence on the grid's first cell (left column, top row) and returns its target. A grid
  // with no cells (a negative last column or row) is not started.
  std::optional<TPanoTarget> Start(const TPanoGrid &grid);
  // The frame of the current cell is saved: moves to the next cell and returns its target, or nothing
  // when the grid is done; the sequence is then inactive and the head belongs at home (0, 0). Nothing
  // either when the sequence was not active.
  std::optional<TPanoTarget> Advance();
  // Arms the same grid again from its first cell.
  std::optional<TPanoTarget> Restart() { return Start(grid_); }
  void Stop() { active_ = false; }
  // A panorama of strips: `lastCol` columns after the first, counted from the first cell. Nothing is
  // armed.
  void PlanStripColumns(std::int32_t lastCol) {
    grid_.LastCol = lastCol;
    col_ = 0;
    row_ = 0;
  }
  // The number of columns entered for it.
  void SetLastCol(std::int32_t lastCol) { grid_.LastCol = lastCol; }

  bool Active() const { return active_; }
  std::int32_t Col() const { return col_; }
  std::int32_t Row() const { return row_; }
  bool FirstCell() const { return col_ == 0 && row_ == grid_.LastRow; }
  const TPanoGrid &Grid() const { return grid_; }
  // Cells saved since the last start.
  std::int32_t CellsDone() const { return cellsDone_; }

private:
  TPanoGrid grid_;
  std::int32_t col_ = 0;
  std::int32_t row_ = 0;
  std::int32_t cellsDone_ = 0;
  bool active_ = false;
};

} // namespace calidarix
