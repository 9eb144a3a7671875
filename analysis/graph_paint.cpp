#include "analysis/graph_paint.h"

#include "analysis/graph_export.h"
#include "platform/numbers.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace calidarix {

namespace {

const QColor kGrey(0x80, 0x80, 0x80);
const QColor kLightGrey(0xC0, 0xC0, 0xC0);
const QColor kNavy(0, 0, 0x80);

QColor Colour(const TRGB &c) {
  return QColor(c.R, c.G, c.B);
}

QColor SlotColour(std::size_t p) {
  return p == 0 ? kGrey : Colour(ProfileColour(static_cast<int>(p)));
}

// Far outside values (a narrow sub-range) are kept to coordinates the painter can handle; the part that
// shows keeps its slope.
int ClampCoordinate(double v) {
  return TruncToInt32(std::clamp(v, -1.0e6, 1.0e6));
}

void Text(QPainter &painter, int x, int y, const QString &text) {
  painter.drawText(QRect(x, y, 4096, 4096), Qt::AlignLeft | Qt::AlignTop, text);
}

} // namespace

QFont GraphFont() {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(10);
  return font;
}

void PaintGraph(QPainter &painter, const TRect &r, const TGraphState &graph, const TGraphLook &look) {
  const int L = r.Left;
  const int T = r.Top;
  const int R = r.Right;
  const int B = r.Bottom;
  painter.save();
  // The background covers the rectangle without its right column and bottom row; lines may reach them.
  painter.setClipRect(QRect(QPoint(L, T), QPoint(R, B)));
  painter.fillRect(QRect(L, T, R - L, B - T), graph.FInvertBackground ? Qt::black : Qt::white);

  painter.setPen(QPen(kLightGrey, 1));
  if (graph.FHorLines) {
    for (int k = 0; k <= B / 20; ++k)
      painter.drawLine(0, B - 20 * k + 10, R, B - 20 * k + 10);
    painter.setPen(QPen(kGrey, 1));
    for (int k = 0; k <= B / 20; ++k)
      painter.drawLine(0, B - 20 * k, R, B - 20 * k);
  }
  if (graph.FVerLines) {
    painter.setPen(QPen(kLightGrey, 1));
    for (int k = 0; k < R / 20; ++k)
      painter.drawLine(20 * k + 10, 0, 20 * k + 10, B);
    painter.setPen(QPen(kGrey, 1));
    for (int k = 0; k <= R / 20; ++k)
      painter.drawLine(20 * k, 0, 20 * k, B);
  }

  const std::vector<TProfile> &profiles = graph.FProfiles;
  const std::size_t drawn = profiles.empty() ? 0 : profiles.size() - 1; // the last slot is always empty
  bool curves = false;
  for (std::size_t p = 0; p < drawn; ++p) {
    const TProfile &slot = profiles[p];
    const std::size_t n = slot.size();
    if (n < 2)
      continue;
    if (graph.Tag != 2) {
      // The sub-range FPalLow .. FPalHigh of the full range fills the height.
      const double stretch = 255.0 / (graph.FPalHigh - graph.FPalLow);
      QPolygon line(static_cast<int>(n));
      for (std::size_t i = 0; i < n; ++i) {
        const double u = (slot[i] - graph.FMin) / graph.FSpan;
        const int x = TruncToInt32(static_cast<double>(i) / static_cast<double>(n - 1) * R);
        const int y = B - ClampCoordinate(B * (u - graph.FPalLow / 255.0) * stretch);
        line.setPoint(static_cast<int>(i), x, y);
      }
      painter.setPen(QPen(SlotColour(p), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      painter.drawPolyline(line);
      curves = true;
    } else {
      // Bars use the full count range.
      for (std::size_t i = 0; i < n; ++i) {
        QColor colour = SlotColour(p);
        if (look.PaletteBars)
          colour = Colour(look.Palette[static_cast<std::size_t>(
              std::clamp(TruncToInt32(static_cast<double>(i) / kHistogramBins * 255.0), 0, 255))]);
        const double u = (slot[i] - graph.FMin) / graph.FSpan;
        const double step = static_cast<double>(R - L) / static_cast<double>(n - 1);
        const int x0 = TruncToInt32(static_cast<double>(i) * step + L);
        const int x1 = TruncToInt32(static_cast<double>(i + 1) * step + L);
        const int y0 = B - ClampCoordinate(u * (B - T) + T);
        if (x1 > x0 && B > y0)
          painter.fillRect(QRect(x0, y0, x1 - x0, B - y0), colour);
      }
    }
  }

  const int n = graph.SampleCount();
  const int x = n == 0 ? 0 : TruncToInt32(static_cast<double>(graph.CursorIndex()) / n * (R - L) + L);
  painter.setPen(QPen(kNavy, curves ? 3 : 1, Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(x, 0, x, B);
  painter.restore();
}

void PaintValueScale(QPainter &painter, const TRect &r, double hi, double lo, int tag, bool wholeDegrees) {
  const int L = r.Left;
  const int B = r.Bottom;
  const int h = r.Bottom - r.Top;
  const int decimals = tag == 2 || wholeDegrees ? 0 : 1;
  const int fontHeight = QFontMetrics(painter.font()).height();
  painter.save();
  painter.setPen(QPen(Qt::black, 1));
  for (int i = 0; i <= h; i += 2) {
    const int y = B - i;
    const int length = i % 20 == 0 ? 6 : i % 10 == 0 ? 4 : 2;
    painter.drawLine(L, y, L + length - 1, y);
    if (i % 20 == 0 && i > 10 && i < h - 16) {
      const double v = lo + static_cast<double>(i) / h * (hi - lo);
      Text(painter, L + 10, y - fontHeight / 2 - 2, QString::fromStdString(FixedText(v, decimals)));
    }
  }
  painter.restore();
}

QString RangeEndText(double v, int tag, bool wholeDegrees) {
  if (wholeDegrees)
    return QString::fromStdString(FixedText(RoundHalfEven(v), 0));
  return QString::fromStdString(FixedText(v, tag == 2 ? 0 : 1));
}

QImage SubRangeBar(const TGraphState &graph) {
  QImage bar(2, 256, QImage::Format_RGB32);
  for (int i = 0; i < 256; ++i) {
    const QRgb c = graph.FPalLow <= i && i <= graph.FPalHigh ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    auto *row = reinterpret_cast<QRgb *>(bar.scanLine(255 - i));
    row[0] = row[1] = c;
  }
  return bar;
}

void PaintRuler(QPainter &painter, int width) {
  painter.save();
  painter.setPen(QPen(Qt::black, 1));
  for (int x = 0; x <= width; x += 2)
    painter.drawLine(x, 0, x, (x % 20 == 0 ? 6 : x % 10 == 0 ? 4 : 2) - 1);
  painter.restore();
}

QImage GraphPicture(QSize size, const TGraphState &graph, const TGraphLook &look, const QFont &font,
                    const QString &readout0, const QString &readout1) {
  const int w = size.width();
  const int h = size.height();
  if (w <= 0 || h <= 0)
    return QImage();
  QImage picture(size, QImage::Format_RGB32);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  painter.setFont(font);

  painter.setPen(kLightGrey);
  Text(painter, w - 58, 2, QStringLiteral("Max:"));
  Text(painter, w - 58, h - 14, QStringLiteral("Min:"));
  painter.setPen(Qt::black);
  painter.drawLine(w - 65, 0, w - 30, 0);
  painter.drawLine(w - 65, h - 1, w - 30, h - 1);

  const double hi = graph.ScaleHigh(look.WholeDegrees);
  const double lo = graph.ScaleLow(look.WholeDegrees);
  const auto end = [&](double v) {
    if (graph.Tag == 2)
      return SignificantFixedText(v, 7, 2);
    return QString::fromStdString(FloatToText(look.WholeDegrees ? v : RoundHalfEven(v * 100.0) / 100.0));
  };
  QFont bold = font;
  bold.setBold(true);
  painter.setFont(bold);
  Text(painter, w - 32, 2, end(graph.Tag == 2 ? graph.FMax : hi));
  Text(painter, w - 32, h - 14, end(graph.Tag == 2 ? graph.FMin : lo));
  painter.setFont(font);

  PaintValueScale(painter, TRect{w - 65, 1, w - 1, h}, hi, lo, graph.Tag, look.WholeDegrees);
  PaintGraph(painter, TRect{1, 0, w - 65, h - 1}, graph, look);

  // The read-outs on a background of their own, so they stay legible over the curves.
  painter.setBackgroundMode(Qt::OpaqueMode);
  painter.setBackground(graph.FInvertBackground ? Qt::black : Qt::white);
  painter.setPen(graph.FInvertBackground ? Qt::white : Qt::black);
  painter.setFont(bold);
  Text(painter, 4, 4, readout0);
  painter.setFont(font);
  Text(painter, 4, 16, readout1);
  painter.setBackgroundMode(Qt::TransparentMode);

  painter.setPen(Qt::black);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(0, 0, w - 1, h - 1);
  painter.end();
  return picture;
}

} // namespace calidarix
