#include "analysis/relief_render.h"

#include "platform/numbers.h"
#include "thermogram/palette_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace calidarix {

namespace {

constexpr int kHalfWidth = kReliefWidth / 2;
constexpr int kHalfHeight = kReliefHeight / 2;

std::array<double, 361> MakeTable(bool sine) {
  std::array<double, 361> table{};
  for (int i = 0; i <= 360; ++i) {
    const double a = i * std::numbers::pi / 180.0;
    table[static_cast<std::size_t>(i)] = sine ? std::sin(a) : std::cos(a);
  }
  return table;
}

struct TCorner {
  int X = 0;
  int Y = 0;
};

bool Inside(const TCorner &p) {
  return p.X > -kHalfWidth && p.X < kHalfWidth && p.Y > -kHalfHeight && p.Y < kHalfHeight;
}

// The projection of grid points with everything that does not change over a paint worked out once.
class TReliefProjector {
public:
  TReliefProjector(const TDTV &dtv, const TReliefParams &p) : FDtv(dtv), FParams(p) {
    const int az = std::clamp(p.Azimuth, 0, 359);
    const int tilt = std::clamp(p.Tilt, 0, 359);
    FSinAz = ReliefSinTable()[static_cast<std::size_t>(az)];
    FCosAz = ReliefCosTable()[static_cast<std::size_t>(az)];
    FSinT = ReliefSinTable()[static_cast<std::size_t>(tilt)];
    FCosT = ReliefCosTable()[static_cast<std::size_t>(tilt)];
    FCx = dtv.Width() / 2.0;
    FPixelAspect = dtv.FPixelAspect;
    FCy = dtv.Height() / 2.0 * FPixelAspect;
    FCz = p.Depth / 2.0;
  }

  // The row terms of row r: (yr - cy) cos(az) and (yr - cy) sin(az) cos(t).
  std::array<double, 2> RowTerms(int r) const {
    const double d = r * FPixelAspect - FCy;
    return {d * FCosAz, d * FSinAz * FCosT};
  }

  TCorner Project(int c, const std::array<double, 2> &row, std::uint8_t level, bool wholeHeight) const {
    const double h = wholeHeight ? static_cast<double>(level * FParams.Depth / 256)
                                 : static_cast<double>(level) * FParams.Depth / 256.0;
    const double dc = FCx - c;
    const double x = (dc * FSinAz + row[0]) * FParams.Scale;
    const double y = (dc * FCosAz * FCosT - row[1] + (h - FCz) * FSinT) * FParams.Scale;
    return TCorner{RoundToInt32(x), RoundToInt32(y)};
  }

  std::uint8_t Level(int c, int r) const {
    return ReliefLevel(FDtv, static_cast<std::size_t>(r) * static_cast<std::size_t>(FDtv.Width()) +
                                 static_cast<std::size_t>(c));
  }

private:
  const TDTV &FDtv;
  TReliefParams FParams;
  double FSinAz = 0.0, FCosAz = 0.0, FSinT = 0.0, FCosT = 0.0;
  double FCx = 0.0, FCy = 0.0, FCz = 0.0, FPixelAspect = 0.0;
};

} // namespace

const std::array<double, 361> &ReliefSinTable() {
  static const std::array<double, 361> table = MakeTable(true);
  return table;
}

const std::array<double, 361> &ReliefCosTable() {
  static const std::array<double, 361> table = MakeTable(false);
  return table;
}

std::uint8_t ReliefLevel(const TDTV &dtv, std::size_t index) {
  if (index >= dtv.FRaw.size())
    return 0;
  const int raw = dtv.FRaw[index];
  if (!dtv.FRangeLocked && !dtv.FFilmRangeLock)
    return static_cast<std::uint8_t>(raw >> 8);
  const double t = raw * static_cast<double>(dtv.FHeader.Scale) + dtv.FHeader.Offset;
  const std::int32_t level = TruncToInt32((t - dtv.LockMin) / (dtv.LockMax - dtv.LockMin) * 255.0);
  return static_cast<std::uint8_t>(std::clamp(level, 0, 255));
}

TReliefCanvas::TReliefCanvas()
    : FBytes(static_cast<std::size_t>(kReliefWidth + 1) * (kReliefHeight + 1), 0) {}

void TReliefCanvas::FillReliefSpan(int xa, int y, int xb, std::uint8_t level) {
  if (y < 0 || y >= kReliefHeight)
    return;
  if (xa > xb)
    std::swap(xa, xb);
  xa = std::max(xa, 0);
  xb = std::min(xb, kReliefWidth - 1);
  if (xa > xb)
    return;
  std::memset(FBytes.data() + static_cast<std::size_t>(y) * kReliefWidth + xa, level,
              static_cast<std::size_t>(xb - xa + 1));
}

void TReliefCanvas::FillReliefQuad(const std::array<int, 8> &p, std::uint8_t level) {
  int minY = p[1], maxY = p[1];
  for (int k = 1; k < 4; ++k) {
    minY = std::min(minY, p[2 * k + 1]);
    maxY = std::max(maxY, p[2 * k + 1]);
  }
  // Every corner lies inside the picture; a quad that does not is left alone rather than written past
  // the row table.
  if (minY < 0 || maxY >= kReliefHeight)
    return;
  for (int k = 0; k < 4; ++k) {
    const int xa = p[2 * k], ya = p[2 * k + 1];
    const int xb = p[(2 * k + 2) % 8], yb = p[(2 * k + 3) % 8];
    if (ya == yb) {
      FLeft[static_cast<std::size_t>(ya)] = xa;
      continue;
    }
    auto &slot = ya < yb ? FRight : FLeft;
    const int step = ya < yb ? 1 : -1;
    for (int y = ya;; y += step) {
      slot[static_cast<std::size_t>(y)] = xa + (xb - xa) * (y - ya) / (yb - ya);
      if (y == yb)
        break;
    }
  }
  if (maxY > minY) {
    for (int y = minY; y <= maxY; ++y)
      FillReliefSpan(FLeft[static_cast<std::size_t>(y)], y, FRight[static_cast<std::size_t>(y)], level);
    return;
  }
  const int minX = std::min({p[0], p[2], p[4], p[6]});
  const int maxX = std::max({p[0], p[2], p[4], p[6]});
  FillReliefSpan(minX, minY, maxX, level);
}

TReliefCanvas RenderRelief(const TDTV &dtv, const TReliefParams &params) {
  TReliefCanvas canvas;
  const int w = dtv.Width();
  const int h = dtv.Height();
  if (w < 2 || h < 2 || dtv.FRaw.size() < static_cast<std::size_t>(w) * static_cast<std::size_t>(h))
    return canvas;
  const TReliefProjector projector(dtv, params);
  const bool azFront = params.Azimuth >= 0 && params.Azimuth <= 179;
  const bool tiltFront = params.Tilt >= 0 && params.Tilt <= 179;
  const bool reversed = (azFront && !tiltFront) || (!azFront && tiltFront);

  for (int i = 0; i <= h - 2; ++i) {
    const int r = reversed ? h - 2 - i : i;
    const auto row0 = projector.RowTerms(r);
    const auto row1 = projector.RowTerms(r + 1);
    TCorner p00, p10, p11, p01;
    for (int j = 0; j <= w - 2; ++j) {
      const int c = reversed ? w - 2 - j : j;
      if (j == 0) {
        p00 = projector.Project(c, row0, projector.Level(c, r), false);
        p10 = projector.Project(c + 1, row0, projector.Level(c + 1, r), false);
        p11 = projector.Project(c + 1, row1, projector.Level(c + 1, r + 1), false);
        // The first cell of a forward row takes this corner's height in whole units, as it always has.
        p01 = projector.Project(c, row1, projector.Level(c, r + 1), !reversed);
      } else if (!reversed) {
        p00 = p10;
        p01 = p11;
        p10 = projector.Project(c + 1, row0, projector.Level(c + 1, r), false);
        p11 = projector.Project(c + 1, row1, projector.Level(c + 1, r + 1), false);
      } else {
        p10 = p00;
        p11 = p01;
        p00 = projector.Project(c, row0, projector.Level(c, r), false);
        p01 = projector.Project(c, row1, projector.Level(c, r + 1), false);
      }
      if (!Inside(p00) || !Inside(p10) || !Inside(p11) || !Inside(p01))
        continue;
      canvas.FillReliefQuad({p00.X + kHalfWidth, p00.Y + kHalfHeight, p10.X + kHalfWidth, p10.Y + kHalfHeight,
                             p11.X + kHalfWidth, p11.Y + kHalfHeight, p01.X + kHalfWidth,
                             p01.Y + kHalfHeight},
                            projector.Level(c, r));
    }
  }
  return canvas;
}

QImage ReliefPicture(const TReliefCanvas &canvas, const TDTV &dtv) {
  QImage picture(kReliefWidth, kReliefHeight, QImage::Format_Indexed8);
  picture.setColorTable(MakeLogicalPalette(dtv.FPalette, dtv.FIsoPalette, dtv.PalBottom, dtv.PalTop,
                                           dtv.IsoBottom, dtv.IsoTop, dtv.isIso, dtv.isIsoColor,
                                           dtv.isIsoAuto));
  for (int y = 0; y < kReliefHeight; ++y)
    std::memcpy(picture.scanLine(y), canvas.Bytes().data() + static_cast<std::size_t>(y) * kReliefWidth,
                kReliefWidth);
  return picture;
}

} // namespace calidarix
