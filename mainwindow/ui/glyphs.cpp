#include "mainwindow/ui/glyphs.h"

#include "platform/numbers.h"

#include <QPainter>
#include <QPolygon>

#include <string_view>

namespace calidarix {

namespace {

// Builds a table from rows of characters: '.' is code 0, and the position of any other character in
// `codes` (plus one) is its code.
template <int Columns, int Rows>
constexpr TGlyph<Columns, Rows> MakeGlyph(const std::array<std::string_view, Rows> &rows,
                                          std::string_view codes) {
  TGlyph<Columns, Rows> glyph;
  for (int r = 0; r < Rows; ++r) {
    for (int c = 0; c < Columns; ++c) {
      const char ch = rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
      const std::size_t code = codes.find(ch);
      glyph.Cells[static_cast<std::size_t>(r * Columns + c)] =
          code == std::string_view::npos ? std::uint8_t{0} : static_cast<std::uint8_t>(code + 1);
    }
  }
  return glyph;
}

// A shield in red over blue with a white rim, crossed by a white thermometer.
constexpr std::array<std::string_view, 25> kMarkRows = {
    "wwwwwwwwwwwwwwwwwwwwww", "wrrrrrrrrrrrrrrrrrrrrw", "wrrrrrrrrrwwrrrrrrrrrw", "wrrrrrrrrrwwrrrrrrrrrw",
    "wrrrrrrrrrwwrrrrrrrrrw", "wrrrrrrrrrwwrrrrrrrrrw", "wrrrrrrrrrwwrrrrrrrrrw", "wrrrrrrrrrwwrrrrrrrrrw",
    "wwwwwwwwwwwwwwwwwwwwww", "wbbbbbbbbbwwbbbbbbbbbw", "wbbbbbbbbbwwbbbbbbbbbw", "wbbbbbbbbbwwbbbbbbbbbw",
    "wbbbbbbbbbwwbbbbbbbbbw", "wbbbbbbbbbwwbbbbbbbbbw", "wbbbbbbbbbwwbbbbbbbbbw", "wbbbbbbbbwwwwbbbbbbbbw",
    ".wbbbbbbbwwwwbbbbbbbw.", "..wbbbbbbbwwbbbbbbbw..", "....wbbbbbbbbbbbbw....", ".....wbbbbbbbbbbw.....",
    "......wbbbbbbbbw......", "........wbbbbw........", ".........wbbw.........", "..........ww..........",
    "..........ww..........",
};

// "CALIDARIX" in a 3 x 5 pixel face.
constexpr std::array<std::string_view, 5> kLetteringRows = {
    "..###..#..#...###.##...#..##..###.#.#...", "..#...#.#.#....#..#.#.#.#.#.#..#..#.#...",
    "..#...###.#....#..#.#.###.##...#...#....", "..#...#.#.#....#..#.#.#.#.#.#..#..#.#...",
    "..###.#.#.###.###.##..#.#.#.#.###.#.#...",
};

// "CALID" over "ARIX" between three rules.
constexpr std::array<std::string_view, 17> kBadgeRows = {
    "#########################", ".........................", "...###..#..#...###.##....",
    "...#...#.#.#....#..#.#...", "...#...###.#....#..#.#...", "...#...#.#.#....#..#.#...",
    "...###.#.#.###.###.##....", ".........................", "#########################",
    ".........................", "......#..##..###.#.#.....", ".....#.#.#.#..#..#.#.....",
    ".....###.##...#...#......", ".....#.#.#.#..#..#.#.....", ".....#.#.#.#.###.#.#.....",
    ".........................", "#########################",
};

void SetPixel(QPainter &painter, int x, int y, const QColor &color) {
  painter.fillRect(x, y, 1, 1, color);
}

// The outline of the ellipse inside the rectangle from (x1, y1) to (x2, y2), right and bottom
// edges excluded.
void EllipseInside(QPainter &painter, int x1, int y1, int x2, int y2) {
  painter.drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

template <int Columns, int Rows>
void DrawCells(QPainter &painter, const TGlyph<Columns, Rows> &glyph, QPoint origin, int cellSize,
               const QColor &color) {
  for (int r = 0; r < Rows; ++r)
    for (int c = 0; c < Columns; ++c)
      if (glyph.Code(c, r) == 1)
        painter.fillRect(origin.x() + cellSize * c, origin.y() + cellSize * r, cellSize, cellSize, color);
}

} // namespace

const TGlyph<22, 25> MarkGlyph = MakeGlyph<22, 25>(kMarkRows, "rbw");
const TGlyph<40, 5> LetteringGlyph = MakeGlyph<40, 5>(kLetteringRows, "#");
const TGlyph<25, 17> BadgeGlyph = MakeGlyph<25, 17>(kBadgeRows, "#");

void DrawMarkGlyph(QPainter &painter, QPoint p) {
  const QColor colours[] = {QColor(255, 0, 0), QColor(0, 0, 255), QColor(255, 255, 255)};
  for (int r = 0; r < MarkGlyph.kRows; ++r)
    for (int c = 0; c < MarkGlyph.kColumns; ++c)
      if (const int code = MarkGlyph.Code(c, r); code >= 1 && code <= 3)
        SetPixel(painter, p.x() + c, p.y() + r, colours[code - 1]);
}

void DrawLetteringGlyph(QPainter &painter, QPoint p, const QColor &color) {
  DrawCells(painter, LetteringGlyph, p, 1, color);
}

void DrawBadgeGlyph(QPainter &painter, QPoint p, const QColor &color) {
  DrawCells(painter, BadgeGlyph, p + QPoint(7, 6), 1, color);
  painter.save();
  painter.setPen(QPen(color, 0));
  painter.setBrush(Qt::NoBrush);
  EllipseInside(painter, p.x(), p.y(), p.x() + 39, p.y() + 29);
  painter.restore();
}

void DrawBadgeLarge(QPainter &painter, QPoint p, const QColor &color) {
  DrawCells(painter, BadgeGlyph, p + QPoint(7, 6), 2, color);
  painter.save();
  painter.setPen(QPen(color, 0));
  painter.setBrush(Qt::NoBrush);
  EllipseInside(painter, p.x() - 7, p.y() - 2, p.x() + 71, p.y() + 48);
  EllipseInside(painter, p.x() - 8, p.y() - 2, p.x() + 72, p.y() + 48);
  EllipseInside(painter, p.x() - 9, p.y() - 2, p.x() + 73, p.y() + 48);
  painter.restore();
}

void DrawArrowMarker(QPainter &painter, QPoint p, int direction, int fontSize) {
  const int s = RoundToInt32(fontSize / 6.0);
  int dx = 0;
  int dy = 0;
  switch (direction) {
  case 0:
    dx = 1, dy = 1;
    break;
  case 1:
    dx = -1, dy = 1;
    break;
  case 2:
    dx = -1, dy = -1;
    break;
  case 3:
    dx = 1, dy = -1;
    break;
  default:
    break;
  }
  const QPoint a(p.x() + 3 * s * dx, p.y() + s * dy);
  const QPoint b(p.x() + s * dx, p.y() + 3 * s * dy);
  const QPoint c(p.x() + TruncToInt32(1.5 * s * dx), p.y() + TruncToInt32(1.5 * s * dy));
  painter.save();
  painter.setPen(QPen(Qt::black, 0));
  painter.setBrush(Qt::white);
  painter.drawPolygon(QPolygon({p, a, b}));
  painter.setBrush(QColor(192, 192, 192));
  painter.drawPolygon(QPolygon({p, a, c}));
  painter.setBrush(QColor(128, 128, 128));
  painter.drawPolygon(QPolygon({a, b, c}));
  painter.restore();
}

void TextOut(QPainter &painter, int x, int y, const QString &text) {
  painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

void TextOutShadowed(QPainter &painter, int x, int y, const QString &text, const QColor &textColor,
                     bool inverted) {
  painter.save();
  painter.setPen(inverted ? textColor : QColor(Qt::black));
  TextOut(painter, x + 1, y + 1, text);
  painter.setPen(inverted ? QColor(Qt::black) : textColor);
  TextOut(painter, x, y, text);
  painter.restore();
}

} // namespace calidarix
