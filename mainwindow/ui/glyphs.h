#pragma once
// Small pixel pictures and text helpers drawn on the image and on the composite snapshot: the
// program's three-colour emblem, its lettering, the badge (two lines of lettering between three
// rules), the shaded arrow head of marker labels and shadowed text.
//
// The glyphs are tables of codes, one byte per pixel, stored row by row:
//   MarkGlyph      22 x 25, code 0 not drawn, 1 red, 2 blue, 3 white
//   LetteringGlyph 40 x 5,  code 0 not drawn, 1 drawn in the caller's colour
//   BadgeGlyph     25 x 17, code 0 not drawn, 1 drawn in the caller's colour

#include <QColor>
#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>

class QPainter;

namespace calidarix {

template <int Columns, int Rows> struct TGlyph {
  static constexpr int kColumns = Columns;
  static constexpr int kRows = Rows;
  std::array<std::uint8_t, static_cast<std::size_t>(Columns *Rows)> Cells{};

  // The code of cell (c, r); 0 outside the table.
  int Code(int c, int r) const {
    if (c < 0 || r < 0 || c >= Columns || r >= Rows)
      return 0;
    return Cells[static_cast<std::size_t>(r * Columns + c)];
  }
};

extern const TGlyph<22, 25> MarkGlyph;
extern const TGlyph<40, 5> LetteringGlyph;
extern const TGlyph<25, 17> BadgeGlyph;

// The emblem with its top-left cell at p.
void DrawMarkGlyph(QPainter &painter, QPoint p);
// The lettering in `color` with its top-left cell at p.
void DrawLetteringGlyph(QPainter &painter, QPoint p, const QColor &color);
// The badge at (p + (7, 6)) inside an ellipse outline from p to p + (39, 29).
void DrawBadgeGlyph(QPainter &painter, QPoint p, const QColor &color);
// The badge at twice the size (2 x 2 blocks) inside three ellipse outlines.
void DrawBadgeLarge(QPainter &painter, QPoint p, const QColor &color);
// A shaded arrow head pointing at p; direction 0..3 gives the quadrant (+x +y, -x +y, -x -y, +x -y),
// any other value collapses it onto p. Its size follows the marker font size.
void DrawArrowMarker(QPainter &painter, QPoint p, int direction, int fontSize);
// Text whose top-left corner is at (x, y), in the painter's pen colour and font.
void TextOut(QPainter &painter, int x, int y, const QString &text);
// Text with a one-pixel shadow below right: the shadow black and the text in textColor, or the two
// colours exchanged when inverted.
void TextOutShadowed(QPainter &painter, int x, int y, const QString &text, const QColor &textColor,
                     bool inverted);

} // namespace calidarix
