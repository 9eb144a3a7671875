#include "head/pano_by_frames.h"

#include "platform/numbers.h"

#include <cmath>

namespace calidarix {

TPanoTarget PanoCellTarget(const TPanoGrid &grid, std::int32_t col, std::int32_t row) {
  const double fromCentre = static_cast<double>(grid.LastCol) / 2.0 - col;
  const double rowsUp = static_cast<double>(row) - grid.Rise - (grid.HalfRowShift ? 0.5 : 0.0);
  return TPanoTarget{-TruncToInt32(fromCentre * grid.HorStep), TruncToInt32(rowsUp * grid.VerStep)};
}

TPanoEnd PanoEndActions(bool autoStitch, bool keepOnPanning, bool interactive) {
  TPanoEnd end;
  end.Stitch = autoStitch && !interactive;
  end.Restart = keepOnPanning;
  end.StopScan = !end.Restart;
  return end;
}

std::optional<TPanoTarget> TPanoByFrames::Start(const TPanoGrid &grid) {
  grid_ = grid;
  cellsDone_ = 0;
  if (grid.LastCol < 0 || grid.LastRow < 0) {
    active_ = false;
    return std::nullopt;
  }
  col_ = 0;
  row_ = grid.LastRow;
  active_ = true;
  return PanoCellTarget(grid_, col_, row_);
}

std::optional<TPanoTarget> TPanoByFrames::Advance() {
  if (!active_)
    return std::nullopt;
  ++cellsDone_;
  if (--row_ < 0) {
    row_ = grid_.LastRow;
    ++col_;
  }
  if (col_ > grid_.LastCol) {
    active_ = false;
    return std::nullopt;
  }
  return PanoCellTarget(grid_, col_, row_);
}

} // namespace calidarix
