#include "mainwindow/print_layout.h"

#include "platform/numbers.h"

#include <QFont>
#include <QPainter>

#include <algorithm>

namespace calidarix {

namespace {

struct Sheet {
  double Wmm;
  double Hmm;
  int PW;
  int PH;
  int sx(double v) const { return TruncToInt32(PW / Wmm * v); }
  int sy(double v) const { return TruncToInt32(PH / Hmm * v); }
};

QRect Cell(int left, int right, int top, int bottom) {
  return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)); // right and bottom exclusive
}

void Grid(std::vector<QRect> &cells, const std::vector<std::pair<int, int>> &columns,
          const std::vector<std::pair<int, int>> &rows) {
  for (const auto &[top, bottom] : rows)
    for (const auto &[left, right] : columns)
      cells.push_back(Cell(left, right, top, bottom));
}

} // namespace

TPrintLayout ComputePrintLayout(bool comments, bool landscape, int pageW, int pageH, int count) {
  TPrintLayout layout;
  Sheet s{210.0, 297.0, pageW, pageH};
  if (comments) {
    layout.Sideways = landscape;
  } else if (!landscape) {
    layout.Sideways = true; // the sideways grid of a page twice as wide
    s.PW = 2 * pageW;
  } else {
    layout.Sideways = false; // the upright grid of a page about twice as high
    s.PH = 2 * pageH - TruncToInt32(pageH / 210.0 * 7.5);
  }
  if (layout.Sideways) {
    s.Wmm = 297.0;
    s.Hmm = 210.0;
  }
  layout.Width = s.PW;
  layout.Height = s.PH;
  const int a = s.PW / 2;
  const int b = s.PH / 2;
  if (!layout.Sideways) {
    layout.Capacity = 9;
    if (count <= 1) {
      Grid(layout.Cells, {{s.sx(12.5), s.PW - s.sx(12.5)}}, {{s.sy(5), b - s.sy(2.5)}});
    } else if (count <= 4) {
      Grid(layout.Cells, {{s.sx(12.5), a - s.sx(2.5)}, {a + s.sx(2.5), s.PW - s.sx(12.5)}},
           {{s.sy(5), s.sy(75.5) - s.sy(2.5)}, {s.sy(75.5) + s.sy(2.5), b - s.sy(2.5)}});
    } else {
      Grid(layout.Cells,
           {{s.sx(12.5), s.sx(73.5) - s.sx(2.5)},
            {s.sx(73.5) + s.sx(2.5), s.sx(136.5) - s.sx(2.5)},
            {s.sx(136.5) + s.sx(2.5), s.PW - s.sx(12.5)}},
           {{s.sy(5), s.sy(51.25) - s.sy(2.5)},
            {s.sy(51.25) + s.sy(2.5), s.sy(99.75) - s.sy(2.5)},
            {s.sy(99.75) + s.sy(2.5), b - s.sy(2.5)}});
    }
    layout.CommentPoints = s.PW / 76;
    layout.CommentAt = QPoint(s.sx(5), b + s.sy(5));
  } else {
    layout.Capacity = 8;
    const int right = a - s.sx(2.5) - s.sx(7);
    if (count <= 2) {
      Grid(layout.Cells, {{s.sx(12), right}}, {{s.sy(5), b - s.sy(2.5)}, {b + s.sy(2.5), s.PH - s.sy(5)}});
    } else {
      Grid(layout.Cells, {{s.sx(12), s.sx(75.5) - s.sx(2.5)}, {s.sx(75.5) + s.sx(2.5), right}},
           {{s.sy(5), s.sy(53.75) - s.sy(2.5)},
            {s.sy(53.75) + s.sy(2.5), b - s.sy(2.5)},
            {b + s.sy(2.5), s.sy(156.25) - s.sy(2.5)},
            {s.sy(156.25) + s.sy(2.5), s.PH - s.sy(5)}});
    }
    layout.CommentPoints = s.PW / 159;
    layout.CommentAt = QPoint(a + s.sx(5), s.sy(5));
  }
  return layout;
}

int CommentCharHeight(int points, double screenDpi) {
  return RoundToInt32(points * screenDpi / 72.0);
}

void PaintPrintPage(QPainter &painter, const TPrintLayout &layout, const std::vector<QImage> &pictures,
                    const QStringList &commentLines, double screenDpi) {
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  const std::size_t n = std::min(pictures.size(), layout.Cells.size());
  for (std::size_t i = 0; i < n; ++i)
    painter.drawImage(layout.Cells[i], pictures[i]);

  const int charHeight = CommentCharHeight(layout.CommentPoints, screenDpi);
  if (charHeight > 0 && !commentLines.isEmpty()) {
    // "Courier New" is mapped to the fixed-pitch face installed with the program.
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(charHeight);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    const int step = TruncToInt32(charHeight * 1.5);
    const int ascent = painter.fontMetrics().ascent();
    int y = layout.CommentAt.y();
    for (const QString &line : commentLines) {
      painter.drawText(layout.CommentAt.x(), y + ascent, line);
      y += step;
    }
  }
  painter.restore();
}

} // namespace calidarix
