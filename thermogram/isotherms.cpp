// Isotherm contours: a marching-squares trace of one raw level with linear interpolation along the
// cell edges, the contours of every whole degree, and a contour burnt into the frame. The trace runs
// on a smoothed copy of the frame so that sensor noise does not break the line into fragments.

#include "thermogram/tdtv.h"

#include "platform/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
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

// Appends the contour segments of `level` over the smoothed frame v (w x h) to points, as
// x1, y1, x2, y2 in fractions of the frame width and height.
void TraceLevel(const std::vector<std::uint16_t> &v, int w, int h, int level, std::vector<double> &points) {
  if (level < 1 || level > kFullScaleRaw || w < 2 || h < 2) {
    return; // every smoothed value lies on one side of such a level
  }
  const double fw = w;
  const double fh = h;
  const std::size_t stride = static_cast<std::size_t>(w);
  for (int r = 1; r < h; ++r) {
    const std::uint16_t *above = v.data() + static_cast<std::size_t>(r - 1) * stride;
    const std::uint16_t *below = above + stride;
    for (int c = 1; c < w; ++c) {
      const int vA = above[c - 1];
      const int vB = above[c];
      const int vC = below[c - 1];
      const int vD = below[c];
      const bool mA = vA >= level;
      const bool mB = vB >= level;
      const bool mC = vC >= level;
      const bool mD = vD >= level;
      if (mA == mB && mA == mC && mA == mD) {
        continue;
      }
      const std::size_t first = points.size();
      auto fraction = [level](int from, int to) {
        return static_cast<double>(level - from) / static_cast<double>(to - from);
      };
      if (mA != mB) { // top edge
        points.push_back((c - 1 + fraction(vA, vB)) / fw);
        points.push_back((r - 1) / fh);
      }
      if (mB != mD) { // right edge
        points.push_back(c / fw);
        points.push_back((r - 1 + fraction(vB, vD)) / fh);
      }
      if (mC != mD) { // bottom edge
        points.push_back((c - 1 + fraction(vC, vD)) / fw);
        points.push_back(r / fh);
      }
      if (mA != mC) { // left edge
        points.push_back((c - 1) / fw);
        points.push_back((r - 1 + fraction(vA, vC)) / fh);
      }
      // A saddle cell has four points; above the cell mean they pair top with left and bottom with
      // right instead of top with right and bottom with left.
      if (points.size() - first == 8) {
        const double mean = (static_cast<double>(vA) + vB + vC + vD) / 4.0;
        if (level > mean) {
          std::swap(points[first + 2], points[first + 6]);
          std::swap(points[first + 3], points[first + 7]);
        }
      }
    }
  }
}

} // namespace

void TDTV::AddIsothermLevel(int level) {
  if (level < 1 || level > kFullScaleRaw || Width() < 2 || Height() < 2) {
    return;
  }
  TraceLevel(SmoothedCopy(*this), Width(), Height(), level, FIsoPoints);
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
  if (last - first > rawHigh - rawLow + 1) {
    for (int level = rawLow; level <= rawHigh; ++level) {
      TraceLevel(smoothed, Width(), Height(), level, FIsoPoints);
    }
    return;
  }
  int previous = -1;
  for (double t = first; t <= last; t += 1.0) {
    const int level = RoundToInt32((t - offset) / scale);
    if (level == previous) {
      continue;
    }
    previous = level;
    TraceLevel(smoothed, Width(), Height(), level, FIsoPoints);
  }
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
