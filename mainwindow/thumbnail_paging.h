#pragma once
// Paging, focus and marking in the thumbnail grid: a square grid of c x c cells over the files of the
// folder list, scrolled by whole rows. The list entry of the cell (column, row) is
// row x c + column + top row x c. Keys, the wheel and the right mouse button act on this state; the
// window draws it.

#include "thermogram/rect.h"

#include <optional>

namespace calidarix {

struct TThumbGrid {
  int FThumbColumns = 4; // cells per row and rows per page, 2 .. 10
  int FThumbTopRow = 0;  // the first list row shown
  int FocusColumn = 0;   // the focused cell on the page
  int FocusRow = 0;
  bool FThumbKeyDown = false; // Left or Right went down on the edge column: the key-up wraps the focus
};

inline constexpr int kMinThumbColumns = 2;
inline constexpr int kMaxThumbColumns = 10;

// The list entry of a cell of the page, and of the focused cell.
int ThumbEntry(const TThumbGrid &grid, int column, int row);
int FocusedThumbEntry(const TThumbGrid &grid);

// The last top row that still fills the page's bottom row: n div c - c, plus one for a part row,
// never below 0.
int LastThumbTopRow(int count, int columns);

enum class TThumbKey {
  Enter,
  Escape,
  Space,
  PageUp,
  PageDown,
  Left,
  Right,
  Up,
  Down,
  Delete,
  AltX,
  Plus,
  Minus,
  Other
};

enum class TThumbCommand {
  None,
  Leave,        // hide the grid and show the focused file
  ToggleMark,   // of the focused entry
  DeleteMarked, // delete the marked files (or the focused one)
  CloseWindow,
};

struct TThumbKeyResult {
  TThumbCommand Command = TThumbCommand::None;
  bool Changed = false; // the page or the focus moved, or the column count changed: repaint
};

// A key going down in the grid; count is the number of listed files.
TThumbKeyResult ThumbKeyDown(TThumbGrid &grid, TThumbKey key, int count);
// A key going up: while a Left or Right on the edge column is pending, the focus wraps to the other
// end of the previous or next row. True when the focus moved.
bool ThumbKeyUp(TThumbGrid &grid, TThumbKey key);
// The wheel moves the focus a row; on the first or last row it scrolls when there is more. True when
// something changed.
bool ThumbWheel(TThumbGrid &grid, bool up, int count);
// A new column count (2 .. 10; others are refused): the page starts from the top and the focus keeps
// its place in reading order when the new page has it, else goes to the last cell.
bool SetThumbColumns(TThumbGrid &grid, int columns);
// The cell under a point of the grid (cells of cellWidth x cellHeight), nullopt outside the page.
struct TThumbCell {
  int Column = 0;
  int Row = 0;
};
std::optional<TThumbCell> ThumbCellAt(const TThumbGrid &grid, int x, int y, int cellWidth, int cellHeight);

// Cell size along one side: the grid's extent divided among the columns, at least 1 pixel.
int ThumbCellExtent(int extent, int columns);

// A picture of display aspect `aspect` (width / height) fitted into r, centred; the half difference is
// rounded to nearest (thumbnails) or toward zero (the focused cell). r itself when aspect is unusable.
TRect FitThumbPicture(const TRect &r, double aspect, bool towardZero);

} // namespace calidarix
