// Composing one frame into the panorama.
//
// Every used pixel of the frame is scattered to its place in a local box that covers the frame's
// extent in the panorama. The frame's outline, traced through the box, bounds the pixels that are
// composed; empty box pixels inside it are filled from their neighbours. Then the box goes into the
// panorama in the merge mode asked for: overwrite, the frame nearest its centre, a weighted blend, or
// an equal-weight running average. Empty pixels never replace data.

#include "head/panorama_stitcher.h"

#include "platform/numbers.h"
#include "thermogram/frame_size.h"

#include <algorithm>
#include <cmath>

namespace calidarix {

namespace {

constexpr std::uint8_t kBorderLevel = 255;
constexpr std::uint8_t kMaxLevel = 254;
constexpr std::uint16_t kBorderValue = 65535;

} // namespace

struct TFOV::Box {
  int x0 = 0; // panorama column and row of box pixel (0, 0)
  int y0 = 0;
  int bw = 0;
  int bh = 0;
  int pole = 0; // the frame reaches over a pole: its box is the whole turn
  std::int32_t minAz = 0;
  std::int32_t maxEl = 0;
  double pixelsPerUnit = 0.0; // 1 / (K x FPanoAnglePerPixel)
};

bool TFOV::ResetAccumulators(TDTV &pano) {
  try {
    const std::size_t n = static_cast<std::size_t>(FPanoWidth) * static_cast<std::size_t>(FPanoHeight);
    pano.FRaw.assign(n, 0);
    PanoWeightedSums.clear();
    PanoWeightTotals.clear();
    PanoMaxWeightMap.clear();
    FLevelMap.clear();
    if (FPointHitCounting)
      return true;
    if (FBlending) {
      FLevelMap.assign(n, 0);
    } else if (FMergeMode == 2) {
      PanoWeightedSums.assign(n, 0);
      PanoWeightTotals.assign(n, 0);
    } else if (FMergeMode == 1) {
      PanoMaxWeightMap.assign(n, 0);
    }
    return true;
  } catch (const std::bad_alloc &) {
  } catch (const std::length_error &) {
  }
  pano.FRaw.clear();
  FSizeError =
      QStringLiteral("not enough memory for a panorama of %1 x %2 pixels").arg(FPanoWidth).arg(FPanoHeight);
  return false;
}

void TFOV::FinishWeightedMerge(TDTV &pano) const {
  if (FMergeMode != 2 || FBlending || FPointHitCounting || PanoWeightTotals.size() != pano.FRaw.size())
    return;
  for (std::size_t q = 0; q < pano.FRaw.size(); ++q) {
    const std::uint32_t total = PanoWeightTotals[q];
    pano.FRaw[q] =
        total == 0 ? 0
                   : static_cast<std::uint16_t>(std::min<std::uint64_t>(PanoWeightedSums[q] / total, 65535));
  }
}

bool TFOV::ProjectPixel(const Box &box, std::size_t pixel, int &px, int &py) const {
  const std::int32_t az = FWorkAzimuth[pixel];
  const std::int32_t el = FWorkElevation[pixel];
  px = RoundToInt32(AzimuthDiff(az, box.minAz) * box.pixelsPerUnit);
  if (box.pole != 0)
    px %= box.bw;
  py = -RoundToInt32((el - box.maxEl) * box.pixelsPerUnit);
  if (py < 0)
    py = 0;
  return true;
}

void TFOV::UpdateSpans(const Box &box, int x, int y) {
  if (x < 0 || y < 0 || x >= box.bw || y >= box.bh)
    return;
  const std::size_t ux = static_cast<std::size_t>(x);
  const std::size_t uy = static_cast<std::size_t>(y);
  FRowMinX[uy] = std::min(FRowMinX[uy], x);
  FRowMaxX[uy] = std::max(FRowMaxX[uy], x);
  FColMinY[ux] = std::min(FColMinY[ux], y);
  FColMaxY[ux] = std::max(FColMaxY[ux], y);
}

void TFOV::TraceLine(const Box &box, int px, int py, int qx, int qy) {
  int dx = qx - px;
  const int dy = qy - py;
  // Round a pole the outline runs the short way across the seam of the turn.
  if (box.pole != 0) {
    if (dx > box.bw / 2)
      dx -= box.bw;
    else if (dx < -box.bw / 2)
      dx += box.bw;
  }
  const int m = std::max(std::abs(dx), std::abs(dy));
  if (m == 0)
    return;
  for (int j = 0; j <= m; ++j) {
    int x = RoundToInt32(static_cast<double>(dx) * j / m + px);
    const int y = RoundToInt32(static_cast<double>(dy) * j / m + py);
    if (box.pole != 0)
      x = ((x % box.bw) + box.bw) % box.bw;
    UpdateSpans(box, x, y);
  }
}

void TFOV::TraceOutline(const Box &box) {
  const std::size_t w = static_cast<std::size_t>(FFrameWidth);
  const auto edge = [&](int r0, int c0, int dr, int dc, int count) {
    int prevX = 0, prevY = 0;
    ProjectPixel(box, static_cast<std::size_t>(r0) * w + static_cast<std::size_t>(c0), prevX, prevY);
    for (int i = 0; i < count; ++i) {
      const int r = r0 + i * dr;
      const int c = c0 + i * dc;
      int x = 0, y = 0;
      ProjectPixel(box, static_cast<std::size_t>(r) * w + static_cast<std::size_t>(c), x, y);
      UpdateSpans(box, x, y);
      TraceLine(box, x, y, prevX, prevY);
      prevX = x;
      prevY = y;
    }
  };
  const TRect &u = FUsedRect;
  const int cols = u.Right - u.Left + 1;
  const int rows = u.Bottom - u.Top + 1;
  edge(u.Top, u.Left, 0, 1, cols);
  edge(u.Bottom, u.Left, 0, 1, cols);
  edge(u.Top, u.Left, 1, 0, rows);
  edge(u.Top, u.Right, 1, 0, rows);
}

void TFOV::FillHole(const Box &box, int lx, int ly) {
  std::int64_t valueSum = 0, weightSum = 0, kernelSum = 0;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (dx == 0 && dy == 0)
        continue;
      const int x = lx + dx;
      const int y = ly + dy;
      if (x < 0 || y < 0 || x >= box.bw || y >= box.bh)
        continue;
      const std::size_t b =
          static_cast<std::size_t>(y) * static_cast<std::size_t>(box.bw) + static_cast<std::size_t>(x);
      const std::uint16_t value = FBoxValues[b];
      if (value == 0)
        continue;
      const int kernel = (dx != 0 && dy != 0) ? 202 : 1024;
      valueSum += std::int64_t{value} * kernel;
      weightSum += std::int64_t{FBoxWeights[b]} * kernel;
      kernelSum += kernel;
    }
  }
  if (kernelSum == 0)
    return;
  const std::size_t b =
      static_cast<std::size_t>(ly) * static_cast<std::size_t>(box.bw) + static_cast<std::size_t>(lx);
  FBoxValues[b] = static_cast<std::uint16_t>(
      RoundToInt64(static_cast<double>(valueSum) / static_cast<double>(kernelSum)));
  FBoxWeights[b] = static_cast<std::uint8_t>(
      RoundToInt64(static_cast<double>(weightSum) / static_cast<double>(kernelSum)));
}

void TFOV::BlendPanoFrame(int index, TDTV &pano, const TRect &panoRect) {
  if (Cancelled())
    return;
  const TPanoFrame &f = FFrames[static_cast<std::size_t>(index)];
  if (!f.InLimits || !FFrameLoader || FPanoAnglePerPixel <= 0.0)
    return;
  const int pw = panoRect.Right - panoRect.Left;
  const int ph = panoRect.Bottom - panoRect.Top;
  if (pw <= 0 || ph <= 0 || pano.FRaw.size() < static_cast<std::size_t>(pw) * static_cast<std::size_t>(ph))
    return;
  Box box;
  box.pole = f.Pole;
  box.minAz = f.MinAz;
  box.maxEl = f.MaxEl;
  box.pixelsPerUnit = 1.0 / (kPanoK * FPanoAnglePerPixel);
  box.x0 = RoundToInt32((f.MinAz - FLeftAz) * box.pixelsPerUnit);
  const int x1 = RoundToInt32((f.MaxAz - FLeftAz) * box.pixelsPerUnit);
  box.y0 = -RoundToInt32((f.MaxEl - FTopLimit) * box.pixelsPerUnit);
  const int y1 = -RoundToInt32((f.MinEl - FTopLimit) * box.pixelsPerUnit);
  // Pixels are placed from the frame's own corner (MinAz, MaxEl), and the far edge rounds from there
  // to its whole span. The difference of the two edges rounded from the panorama's corner can be one
  // short of that, and a box row or column that loses its edge is never composed.
  const int spanX = RoundToInt32((f.MaxAz - f.MinAz) * box.pixelsPerUnit);
  const int spanY = RoundToInt32((f.MaxEl - f.MinEl) * box.pixelsPerUnit);
  box.bw = f.Pole != 0 ? pw : std::max(x1 - box.x0, spanX) + 1;
  box.bh = std::max(y1 - box.y0, spanY) + 1;
  // A frame whose extent was never measured, or lies beyond any sensible size, contributes nothing.
  if (box.bw < 1 || box.bh < 1 || box.bw > 2 * pw + 2 || box.bh > 2 * ph + 2)
    return;
  const std::size_t bw = static_cast<std::size_t>(box.bw);
  const std::size_t bh = static_cast<std::size_t>(box.bh);
  // Spans start empty: minimum beyond the box, maximum before it.
  FRowMinX.assign(bh, box.bw);
  FRowMaxX.assign(bh, -1);
  FColMinY.assign(bw, box.bh);
  FColMaxY.assign(bw, -1);
  FBoxValues.assign(bw * bh, 0);
  FBoxWeights.assign(bw * bh, 0);

  const TDTV &frame = *FFrameLoader;
  const int srcW = frame.Width();
  const int srcH = frame.Height();
  if (srcW < 1 || srcH < 1 ||
      frame.FRaw.size() < static_cast<std::size_t>(srcW) * static_cast<std::size_t>(srcH))
    return;
  const std::size_t fw = static_cast<std::size_t>(FFrameWidth);
  const TRect &u = FUsedRect;
  const bool weighted = FMergeMode != 0 && FWeightMap.size() == FDirTable.size();
  const auto panoIndex = [&](int px, int py, std::size_t &q) {
    int x = box.x0 + px;
    if (x >= pw)
      x -= pw;
    const int y = box.y0 + py;
    if (x < 0 || x >= pw || y < 0 || y >= ph)
      return false;
    q = static_cast<std::size_t>(y) * static_cast<std::size_t>(pw) + static_cast<std::size_t>(x);
    return true;
  };

  // Scatter.
  std::vector<int> srcColumn(static_cast<std::size_t>(u.Right - u.Left + 1));
  for (int c = u.Left; c <= u.Right; ++c)
    srcColumn[static_cast<std::size_t>(c - u.Left)] =
        std::min(srcW - 1, TruncToInt32(static_cast<double>(c) / FFrameWidth * srcW));
  for (int r = u.Top; r <= u.Bottom; ++r) {
    const int srcRow =
        std::clamp(srcH - 1 - TruncToInt32(static_cast<double>(r) / FFrameHeight * srcH), 0, srcH - 1);
    const std::uint16_t *source =
        &frame.FRaw[static_cast<std::size_t>(srcRow) * static_cast<std::size_t>(srcW)];
    const std::size_t row = static_cast<std::size_t>(r) * fw;
    for (int c = u.Left; c <= u.Right; ++c) {
      int px = 0, py = 0;
      ProjectPixel(box, row + static_cast<std::size_t>(c), px, py);
      if (px < 0 || px >= box.bw || py < 0 || py >= box.bh)
        continue;
      if (FPointHitCounting) {
        std::size_t q = 0;
        if (panoIndex(px, py, q) && pano.FRaw[q] < 65535)
          ++pano.FRaw[q];
        continue;
      }
      const std::size_t b = static_cast<std::size_t>(py) * bw + static_cast<std::size_t>(px);
      if (weighted)
        FBoxWeights[b] = FWeightMap[row + static_cast<std::size_t>(c)];
      FBoxValues[b] = source[srcColumn[static_cast<std::size_t>(c - u.Left)]];
      if (FDrawFrameBorders && (c == u.Left || c == u.Right || r == u.Top || r == u.Bottom)) {
        FBoxValues[b] = kBorderValue;
        std::size_t q = 0;
        if (FBlending && panoIndex(px, py, q) && q < FLevelMap.size())
          FLevelMap[q] = kBorderLevel;
      }
    }
  }
  if (FPointHitCounting)
    return;

  TraceOutline(box);

  // Over a pole every row of the box is a circle of latitude: an empty run is carried round from the
  // last pixel before it, which fills the sparse rows near the pole.
  const auto inside = [&](int lx, int ly) {
    const std::size_t ux = static_cast<std::size_t>(lx);
    if (box.pole > 0)
      return ly < FColMaxY[ux];
    if (box.pole < 0)
      return FColMinY[ux] < ly;
    return FColMinY[ux] < ly && ly < FColMaxY[ux];
  };
  if (box.pole != 0) {
    for (int ly = 0; ly < box.bh; ++ly) {
      std::uint16_t carry = 0;
      std::uint8_t carryWeight = 0;
      const std::size_t row = static_cast<std::size_t>(ly) * bw;
      for (int pass = 0; pass < 2; ++pass) {
        for (int lx = 0; lx < box.bw; ++lx) {
          if (!inside(lx, ly)) {
            carry = 0;
            continue;
          }
          const std::size_t b = row + static_cast<std::size_t>(lx);
          if (FBoxValues[b] != 0) {
            carry = FBoxValues[b];
            carryWeight = FBoxWeights[b];
          } else if (carry != 0) {
            FBoxValues[b] = carry;
            FBoxWeights[b] = carryWeight;
          }
        }
      }
    }
  }

  // Compose.
  std::uint16_t *raw = pano.FRaw.data();
  for (int ly = 0; ly < box.bh; ++ly) {
    int from = 0;
    int to = box.bw - 1;
    if (box.pole == 0) {
      from = std::max(0, FRowMinX[static_cast<std::size_t>(ly)]);
      to = std::min(box.bw - 1, FRowMaxX[static_cast<std::size_t>(ly)]);
    }
    for (int lx = from; lx <= to; ++lx) {
      if (!inside(lx, ly))
        continue;
      const std::size_t b = static_cast<std::size_t>(ly) * bw + static_cast<std::size_t>(lx);
      if (FBoxValues[b] == 0)
        FillHole(box, lx, ly);
      const std::uint16_t value = FBoxValues[b];
      if (value == 0)
        continue;
      std::size_t q = 0;
      if (!panoIndex(lx, ly, q))
        continue;
      if (FBlending) {
        std::uint8_t &level = FLevelMap[q];
        if (level == kBorderLevel) {
          raw[q] = kBorderValue;
        } else {
          raw[q] = static_cast<std::uint16_t>(
              RoundToInt32((static_cast<double>(raw[q]) * level + value) / (level + 1.0)));
          // The count stops below the border mark.
          if (level < kMaxLevel)
            ++level;
        }
      } else if (FMergeMode == 1) {
        const std::uint8_t weight = FBoxWeights[b];
        if (PanoMaxWeightMap[q] < weight) {
          raw[q] = value;
          PanoMaxWeightMap[q] = weight;
        }
      } else if (FMergeMode == 2) {
        const std::uint8_t weight = FBoxWeights[b];
        PanoWeightedSums[q] += std::uint64_t{value} * weight;
        PanoWeightTotals[q] += weight;
      } else {
        raw[q] = value;
      }
    }
  }
}

} // namespace calidarix
