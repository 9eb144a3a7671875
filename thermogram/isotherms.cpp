// Isotherm contours: a marching-squares trace of one raw level with linear interpolation along the
// cell edges, the contours of every whole degree, and a contour burnt into the frame. The trace runs
// on a smoothed copy of the frame so that sensor noise does not break the line into fragments.

#include "thermogram/isotherms.h"

#include "platform/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

namespace calidarix {

namespace {

constexpr int kSmoothingPasses = 3;

// The frame smoothed three times over every interior pixel (the copy has the isotherm band off).
std::vector<std::uint16_t> SmoothedCopy(const TDTV &t) {
  TDTV copy;
  copy.Assign(t);
  const TRect whole{0, 0, t.Width() - 1, t.Height() - 1};
  for (int pass = 0; pass < kSmoothingPasses; ++pass) {
    copy.SmoothRect(whole);
  }
  return std::move(copy.FRaw);
}

// Positions in fractions of the frame width and height: k / W and k / H for every whole column and
// row k, worked out once rather than for every point (the same divisions, so the same values).
struct GridFractions {
  GridFractions(int w, int h)
      : fw(w), fh(h), columns(static_cast<std::size_t>(w) + 1), rows(static_cast<std::size_t>(h) + 1) {
    for (std::size_t k = 0; k < columns.size(); ++k) {
      columns[k] = static_cast<double>(k) / fw;
    }
    for (std::size_t k = 0; k < rows.size(); ++k) {
      rows[k] = static_cast<double>(k) / fh;
    }
  }
  double Column(int k) const { return columns[static_cast<std::size_t>(k)]; }
  double Row(int k) const { return rows[static_cast<std::size_t>(k)]; }

  double fw;
  double fh;
  std::vector<double> columns;
  std::vector<double> rows;
};

// Appends the contour points of `level` in cell (c, r) of the smoothed frame v (w columns): the cell
// with corners A (c-1, r-1), B (c, r-1), C (c-1, r), D (c, r). Points are x, y in fractions of the
// frame width and height, two per segment.
void TraceCell(const std::uint16_t *v, int w, const GridFractions &grid, int r, int c, int level,
               std::vector<double> &points) {
  const std::uint16_t *above = v + static_cast<std::size_t>(r - 1) * static_cast<std::size_t>(w);
  const std::uint16_t *below = above + w;
  const int vA = above[c - 1];
  const int vB = above[c];
  const int vC = below[c - 1];
  const int vD = below[c];
  const bool mA = vA >= level;
  const bool mB = vB >= level;
  const bool mC = vC >= level;
  const bool mD = vD >= level;
  const std::size_t first = points.size();
  auto fraction = [level](int from, int to) {
    return static_cast<double>(level - from) / static_cast<double>(to - from);
  };
  if (mA != mB) { // top edge
    points.push_back((c - 1 + fraction(vA, vB)) / grid.fw);
    points.push_back(grid.Row(r - 1));
  }
  if (mB != mD) { // right edge
    points.push_back(grid.Column(c));
    points.push_back((r - 1 + fraction(vB, vD)) / grid.fh);
  }
  if (mC != mD) { // bottom edge
    points.push_back((c - 1 + fraction(vC, vD)) / grid.fw);
    points.push_back(grid.Row(r));
  }
  if (mA != mC) { // left edge
    points.push_back(grid.Column(c - 1));
    points.push_back((r - 1 + fraction(vA, vC)) / grid.fh);
  }
  // A saddle cell has four points; above the cell mean they pair top with left and bottom with right
  // instead of top with right and bottom with left.
  if (points.size() - first == 8) {
    const double mean = (static_cast<double>(vA) + vB + vC + vD) / 4.0;
    if (level > mean) {
      std::swap(points[first + 2], points[first + 6]);
      std::swap(points[first + 3], points[first + 7]);
    }
  }
}

// Levels traced in one pass over the cells. Each level keeps a list of the cells that cross it, so
// the pass holds at most this many lists at once.
constexpr std::size_t kLevelsPerPass = 64;

} // namespace

// A cell crosses a level exactly when its corners are not all on one side of it: lowest corner < level
// <= highest corner. Rather than testing every cell against every level, one pass takes each cell's
// lowest and highest corner and finds the levels in that span from a table of how many levels lie at
// or below each raw value; the cells that cross nothing (nearly all of them) cost only that.
void TraceIsothermLevels(const std::vector<std::uint16_t> &v, int w, int h, const std::vector<int> &levels,
                         std::vector<double> &points) {
  if (w < 2 || h < 2) {
    return;
  }
  const auto stride = static_cast<std::size_t>(w);
  const auto cellsPerRow = static_cast<std::size_t>(w - 1);
  std::vector<std::uint16_t> columnLow(stride);
  std::vector<std::uint16_t> columnHigh(stride);
  std::vector<std::uint16_t> cellLow(cellsPerRow);
  std::vector<std::uint16_t> cellHigh(cellsPerRow);
  std::vector<std::uint16_t> levelsAtOrBelow; // sized by the first pass of more than one level
  const GridFractions grid(w, h);

  for (std::size_t start = 0; start < levels.size(); start += kLevelsPerPass) {
    const auto given = std::span(levels).subspan(start, std::min(kLevelsPerPass, levels.size() - start));
    // Levels outside 1 .. 65535 have every smoothed value on one side and cross no cell.
    std::vector<int> sorted;
    for (const int level : given) {
      if (level >= 1 && level <= kFullScaleRaw) {
        sorted.push_back(level);
      }
    }
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    std::vector<std::vector<std::uint32_t>> crossing(sorted.size());
    if (!sorted.empty()) {
      // A single level (AddIsothermLevel) is compared directly; the table would cost more than it saves.
      const bool single = sorted.size() == 1;
      const int only = sorted.front();
      if (!single) {
        levelsAtOrBelow.resize(static_cast<std::size_t>(kFullScaleRaw) + 1);
      }
      std::size_t below = 0;
      for (std::size_t value = 0; !single && value < levelsAtOrBelow.size(); ++value) {
        while (below < sorted.size() && static_cast<std::size_t>(sorted[below]) <= value) {
          ++below;
        }
        levelsAtOrBelow[value] = static_cast<std::uint16_t>(below);
      }
      for (int r = 1; r < h; ++r) {
        const std::uint16_t *above = v.data() + static_cast<std::size_t>(r - 1) * stride;
        const std::uint16_t *under = above + stride;
        for (std::size_t c = 0; c < stride; ++c) {
          columnLow[c] = std::min(above[c], under[c]);
          columnHigh[c] = std::max(above[c], under[c]);
        }
        for (std::size_t c = 0; c < cellsPerRow; ++c) {
          cellLow[c] = std::min(columnLow[c], columnLow[c + 1]);
          cellHigh[c] = std::max(columnHigh[c], columnHigh[c + 1]);
        }
        const std::uint32_t rowStart = static_cast<std::uint32_t>(r) * static_cast<std::uint32_t>(w);
        if (single) {
          for (std::size_t c = 0; c < cellsPerRow; ++c) {
            if (cellLow[c] < only && cellHigh[c] >= only) {
              crossing[0].push_back(rowStart + static_cast<std::uint32_t>(c + 1));
            }
          }
          continue;
        }
        for (std::size_t c = 0; c < cellsPerRow; ++c) {
          // The levels lo < level <= hi are those ranked from levelsAtOrBelow[lo] up to
          // levelsAtOrBelow[hi] - 1.
          const std::size_t from = levelsAtOrBelow[cellLow[c]];
          const std::size_t to = levelsAtOrBelow[cellHigh[c]];
          for (std::size_t k = from; k < to; ++k) {
            crossing[k].push_back(rowStart + static_cast<std::uint32_t>(c + 1));
          }
        }
      }
    }
    for (const int level : given) {
      const auto found = std::lower_bound(sorted.begin(), sorted.end(), level);
      if (found == sorted.end() || *found != level) {
        continue;
      }
      for (const std::uint32_t cell : crossing[static_cast<std::size_t>(found - sorted.begin())]) {
        TraceCell(v.data(), w, grid, static_cast<int>(cell / static_cast<std::uint32_t>(w)),
                  static_cast<int>(cell % static_cast<std::uint32_t>(w)), level, points);
      }
    }
  }
}

void TDTV::AddIsothermLevel(int level) {
  if (level < 1 || level > kFullScaleRaw || Width() < 2 || Height() < 2) {
    return;
  }
  TraceIsothermLevels(SmoothedCopy(*this), Width(), Height(), std::vector<int>{level}, FIsoPoints);
}

void TDTV::BuildIsotherms() {
  FIsoPoints.clear();
  FShowIsolines = true;
  UpdateStatistics(); // a filter may have changed the frame since the statistics were taken
  const double scale = FHeader.Scale;
  const double offset = FHeader.Offset;
  const double t0 = MinTemperature();
  const double t1 = MaxTemperature();
  if (Width() < 2 || Height() < 2 || scale == 0.0 || !std::isfinite(scale) || !std::isfinite(offset) ||
      !std::isfinite(t0) || !std::isfinite(t1) || t0 == t1) {
    return;
  }
  const std::vector<std::uint16_t> smoothed = SmoothedCopy(*this);
  // Each whole degree is traced at the raw value that stands for it under this frame's Scale and
  // Offset. Only levels between the frame's raw minimum and maximum can cross it, and no more than
  // one contour per raw level is useful, so the loop runs over that raw span when the frame covers
  // more degrees than it has raw steps.
  const int rawLow = std::max<int>(FRawMin, 1);
  const int rawHigh = FRawMax;
  const double first = std::trunc(std::min(t0, t1));
  const double last = std::trunc(std::max(t0, t1));
  std::vector<int> levels;
  if (last - first > rawHigh - rawLow + 1) {
    for (int level = rawLow; level <= rawHigh; ++level) {
      levels.push_back(level);
    }
  } else {
    int previous = -1;
    for (double t = first; t <= last; t += 1.0) {
      const int level = RoundToInt32((t - offset) / scale);
      if (level != previous) {
        levels.push_back(level);
      }
      previous = level;
    }
  }
  TraceIsothermLevels(smoothed, Width(), Height(), levels, FIsoPoints);
}

void TDTV::BurnIsoline(std::uint16_t level) {
  const int w = Width();
  const int h = Height();
  if (w < 2 || h < 2) {
    return; // no cells, no contour
  }
  const std::vector<std::uint16_t> smoothed = SmoothedCopy(*this);
  auto mask = [&](std::size_t i) { return smoothed[i] >= level; };
  const std::size_t stride = static_cast<std::size_t>(w);
  bool changed = false;
  // Both passes read the frame as they write it, so that the burnt line stays one pixel thick.
  for (int r = 1; r < h; ++r) {
    for (int c = 0; c < w; ++c) {
      const std::size_t i = static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(c);
      const std::size_t up = i - stride;
      if (FRaw[i] < kFullScaleRaw && FRaw[up] < kFullScaleRaw && mask(i) != mask(up)) {
        FRaw[i] = kFullScaleRaw;
        changed = true;
      }
    }
  }
  for (int r = 0; r < h; ++r) {
    for (int c = 1; c < w; ++c) {
      const std::size_t i = static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(c);
      if (FRaw[i] < kFullScaleRaw && FRaw[i - 1] < kFullScaleRaw && mask(i) != mask(i - 1)) {
        FRaw[i] = kFullScaleRaw;
        changed = true;
      }
    }
  }
  if (changed) {
    FIsoPoints.clear();
  }
}

} // namespace calidarix
