#include "mainwindow/thumbnail_paging.h"

#include "platform/numbers.h"

#include <algorithm>
#include <cmath>

namespace calidarix {

namespace {

int Columns(const TThumbGrid &grid) {
  return std::clamp(grid.FThumbColumns, 1, kMaxThumbColumns);
}

// There are rows below the page.
bool MoreBelow(const TThumbGrid &grid, int count) {
  const int c = Columns(grid);
  return count - c * c > grid.FThumbTopRow * c;
}

bool StepUp(TThumbGrid &grid) {
  if (grid.FocusRow > 0) {
    --grid.FocusRow;
    return true;
  }
  if (grid.FThumbTopRow > 0) {
    --grid.FThumbTopRow;
    return true;
  }
  return false;
}

bool StepDown(TThumbGrid &grid, int count) {
  if (grid.FocusRow < Columns(grid) - 1) {
    ++grid.FocusRow;
    return true;
  }
  if (MoreBelow(grid, count)) {
    ++grid.FThumbTopRow;
    return true;
  }
  return false;
}

} // namespace

int ThumbEntry(const TThumbGrid &grid, int column, int row) {
  const int c = Columns(grid);
  return row * c + column + grid.FThumbTopRow * c;
}

int FocusedThumbEntry(const TThumbGrid &grid) {
  return ThumbEntry(grid, grid.FocusColumn, grid.FocusRow);
}

int LastThumbTopRow(int count, int columns) {
  const int c = std::max(columns, 1);
  const int rows = count / c + (count % c != 0 ? 1 : 0);
  return std::max(rows - c, 0);
}

TThumbKeyResult ThumbKeyDown(TThumbGrid &grid, TThumbKey key, int count) {
  TThumbKeyResult result;
  const int c = Columns(grid);
  const int k = FocusedThumbEntry(grid);
  switch (key) {
  case TThumbKey::Enter:
  case TThumbKey::Escape:
    result.Command = TThumbCommand::Leave;
    break;
  case TThumbKey::Space:
    if (k < count)
      result.Command = TThumbCommand::ToggleMark;
    break;
  case TThumbKey::Delete:
    if (k < count)
      result.Command = TThumbCommand::DeleteMarked;
    break;
  case TThumbKey::AltX:
    result.Command = TThumbCommand::CloseWindow;
    break;
  case TThumbKey::PageUp:
    if (grid.FThumbTopRow > 0) {
      grid.FThumbTopRow = grid.FThumbTopRow < c ? 0 : grid.FThumbTopRow - c;
      result.Changed = true;
    }
    break;
  case TThumbKey::PageDown: {
    const int before = grid.FThumbTopRow;
    if (count - c * c > (grid.FThumbTopRow + c) * c)
      grid.FThumbTopRow += c;
    else
      grid.FThumbTopRow = LastThumbTopRow(count, c);
    result.Changed = grid.FThumbTopRow != before;
    break;
  }
  case TThumbKey::Left:
    if (grid.FocusColumn == 0) {
      grid.FThumbKeyDown = true;
    } else {
      --grid.FocusColumn;
      result.Changed = true;
    }
    break;
  case TThumbKey::Right:
    if (grid.FocusColumn >= c - 1) {
      grid.FThumbKeyDown = true;
    } else {
      ++grid.FocusColumn;
      result.Changed = true;
    }
    break;
  case TThumbKey::Up:
    result.Changed = StepUp(grid);
    break;
  case TThumbKey::Down:
    result.Changed = StepDown(grid, count);
    break;
  case TThumbKey::Plus:
    result.Changed = c < kMaxThumbColumns && SetThumbColumns(grid, c + 1);
    break;
  case TThumbKey::Minus:
    result.Changed = c > kMinThumbColumns && SetThumbColumns(grid, c - 1);
    break;
  case TThumbKey::Other:
    break;
  }
  return result;
}

bool ThumbKeyUp(TThumbGrid &grid, TThumbKey key) {
  if (!grid.FThumbKeyDown || (key != TThumbKey::Left && key != TThumbKey::Right))
    return false;
  grid.FThumbKeyDown = false;
  const int c = Columns(grid);
  if (key == TThumbKey::Left) {
    grid.FocusColumn = c - 1;
    grid.FocusRow = grid.FocusRow == 0 ? c - 1 : grid.FocusRow - 1;
  } else {
    grid.FocusColumn = 0;
    grid.FocusRow = grid.FocusRow >= c - 1 ? 0 : grid.FocusRow + 1;
  }
  return true;
}

bool ThumbWheel(TThumbGrid &grid, bool up, int count) {
  return up ? StepUp(grid) : StepDown(grid, count);
}

bool SetThumbColumns(TThumbGrid &grid, int columns) {
  if (columns < kMinThumbColumns || columns > kMaxThumbColumns)
    return false;
  const int p = grid.FocusRow * Columns(grid) + grid.FocusColumn;
  grid.FThumbTopRow = 0;
  grid.FThumbColumns = columns;
  if (columns * columns > p) {
    grid.FocusRow = p / columns;
    grid.FocusColumn = p % columns;
  } else {
    grid.FocusRow = columns - 1;
    grid.FocusColumn = columns - 1;
  }
  return true;
}

std::optional<TThumbCell> ThumbCellAt(const TThumbGrid &grid, int x, int y, int cellWidth, int cellHeight) {
  if (x < 0 || y < 0 || cellWidth < 1 || cellHeight < 1)
    return std::nullopt;
  const TThumbCell cell{x / cellWidth, y / cellHeight};
  const int c = Columns(grid);
  if (cell.Column >= c || cell.Row >= c)
    return std::nullopt;
  return cell;
}

int ThumbCellExtent(int extent, int columns) {
  return std::max(extent / std::max(columns, 1), 1);
}

TRect FitThumbPicture(const TRect &r, double aspect, bool towardZero) {
  if (!(aspect > 0.0) || !std::isfinite(aspect))
    return r;
  const double w = r.Right - r.Left;
  const double h = r.Bottom - r.Top;
  const auto half = [towardZero](double difference) {
    return towardZero ? TruncToInt32(difference / 2.0) : RoundToInt32(difference / 2.0);
  };
  TRect fitted = r;
  if (h < w / aspect) {
    const int d = half(w - h * aspect);
    fitted.Left += d;
    fitted.Right -= d;
  } else {
    const int d = half(h - w / aspect);
    fitted.Top += d;
    fitted.Bottom -= d;
  }
  return fitted;
}

} // namespace calidarix
