#include "acquisition/scanner_geometry.h"

#include "platform/numbers.h"

#include <algorithm>

namespace calidarix {

namespace {

// position / max as a fraction; a bar without range counts as 0.
double Fraction(const TGeometryBar &bar) {
  return bar.Max > 0 ? static_cast<double>(bar.Position) / bar.Max : 0.0;
}

int Trunc(double v) {
  return TruncToInt32(v);
}

void Set(TGeometryBar &bar, std::int32_t position) {
  bar.Position = std::clamp(position, 0, std::max(bar.Max, 0));
}

} // namespace

void TGeometryPreview::Init(std::int32_t frameWidth, std::int32_t edge, std::int32_t center) {
  const std::int32_t half = std::max(frameWidth, 0) / 2;
  BLeftSB = {std::max(frameWidth, 0) / 4, half};
  BRightSB = BLeftSB;
  LeftSB = {std::clamp(255 - edge, 0, 255), 255};
  RightSB = LeftSB;
  CentSB = {std::clamp(255 - center, 0, 255), 255};
  LockCenter = true;
  LockEdge = true;
}

TGeometryPreview::TLinked TGeometryPreview::Apply(int tag) {
  TLinked linked;
  switch (tag) {
  case 0:
    if (LockCenter)
      Set(BRightSB, BLeftSB.Max - BLeftSB.Position);
    break;
  case 1:
    if (LockCenter)
      Set(BLeftSB, BRightSB.Max - BRightSB.Position);
    break;
  case 2:
    if (LockEdge) {
      Set(RightSB, LeftSB.Position);
      linked.Edge = LeftSB.Max - LeftSB.Position;
    }
    break;
  case 3:
    if (LockEdge) {
      Set(LeftSB, RightSB.Position);
      linked.Edge = RightSB.Max - RightSB.Position;
    }
    break;
  case 4:
    linked.Center = CentSB.Max - CentSB.Position;
    break;
  default:
    break;
  }
  return linked;
}

TGeometryPreview::TLinked TGeometryPreview::BarChanged(int tag, std::int32_t position) {
  TGeometryBar *bars[] = {&BLeftSB, &BRightSB, &LeftSB, &RightSB, &CentSB};
  if (tag < 0 || tag > 4)
    return {};
  Set(*bars[tag], position);
  return Apply(tag);
}

void TGeometryPreview::EdgeChanged(std::int32_t edge) {
  if (ShowGeo && LockEdge)
    BarChanged(2, LeftSB.Max - std::clamp(edge, 0, 255));
}

void TGeometryPreview::CenterChanged(std::int32_t center) {
  // The centre follows under the edge lock too, as the form always had it.
  if (ShowGeo && LockEdge)
    BarChanged(4, CentSB.Max - std::clamp(center, 0, 255));
}

void TGeometryPreview::SetLockCenter(bool on) {
  LockCenter = on;
  if (on)
    Apply(0);
}

void TGeometryPreview::SetLockEdge(bool on) {
  LockEdge = on;
  if (on)
    Set(RightSB, LeftSB.Position);
}

TGeometryLines TGeometryPreview::LeftBox(int width, int height, std::int32_t sectors) const {
  TGeometryLines lines;
  const int h = sectors / 2;
  if (h >= 1 && BLeftSB.Max > 0) {
    for (int k = 0; k <= h; ++k) {
      const int x = Trunc(static_cast<double>(width) * BLeftSB.Position / BLeftSB.Max * k / h);
      lines.Grey.emplace_back(x, 0, x, height);
    }
  }
  const int y = Trunc(Fraction(CentSB) * height);
  const QPoint middle(Trunc(Fraction(BLeftSB) * width), y);
  lines.Red.emplace_back(QPoint(width, y), middle);
  lines.Red.emplace_back(middle, QPoint(0, Trunc(Fraction(LeftSB) * height)));
  return lines;
}

TGeometryLines TGeometryPreview::RightBox(int width, int height, std::int32_t sectors) const {
  TGeometryLines lines;
  const int h = sectors / 2;
  if (h >= 1 && BRightSB.Max > 0) {
    for (int k = 0; k <= h; ++k) {
      const int x =
          Trunc(width - static_cast<double>(BRightSB.Max - BRightSB.Position) * width / BRightSB.Max * k / h);
      lines.Grey.emplace_back(x, 0, x, height);
    }
  }
  const int y = Trunc(Fraction(CentSB) * height);
  const QPoint middle(Trunc(Fraction(BRightSB) * width), y);
  lines.Red.emplace_back(QPoint(0, y), middle);
  lines.Red.emplace_back(middle, QPoint(width, Trunc(Fraction(RightSB) * height)));
  return lines;
}

std::pair<int, int> GeometryBoxWidths(int previewWidth, int valuePanelWidth, int leftBarWidth,
                                      int rightBarWidth) {
  const int both = std::max(previewWidth - valuePanelWidth - leftBarWidth - rightBarWidth - 16, 0);
  const int left = both / 2;
  return {left, both - left};
}

void PaintGeometryBox(QPainter &painter, const TGeometryLines &lines) {
  painter.setPen(QColor(0x80, 0x80, 0x80));
  for (const QLine &line : lines.Grey)
    painter.drawLine(line);
  painter.setPen(Qt::red);
  for (const QLine &line : lines.Red)
    painter.drawLine(line);
}

} // namespace calidarix
