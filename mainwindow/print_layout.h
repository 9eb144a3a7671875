#pragma once
// One printed report page: up to nine snapshots in a fixed grid of cells measured in millimetres of an
// A4 sheet, and the comment lines beside or below them.
//
// The page is described on an A4 sheet, 210 x 297 mm upright or 297 x 210 mm sideways, mapped onto a
// pixel area PW x PH (sx(v) = PW / Wmm x v, sy(v) = PH / Hmm x v, each truncated). With comments the
// images take one half of the page and the comments the other; without, the layout is computed for a
// virtual page about twice the real one, so that its image half fills the real page and the comment
// half lies off the page.

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <vector>

class QPainter;

namespace calidarix {

struct TPrintLayout {
  bool Sideways = false;    // the 297 x 210 mm sheet
  int Width = 0;            // PW
  int Height = 0;           // PH
  std::vector<QRect> Cells; // in the order the pictures fill them
  int Capacity = 0;         // pictures the layout's grid holds: 9 upright, 8 sideways
  QPoint CommentAt;         // top-left corner of the first comment line
  int CommentPoints = 0;    // the comment font's size in points
};

// The layout for `count` pictures (1 .. 9) on a printable page of pageW x pageH pixels. Upright pages
// hold 1, 4 or 9 cells, sideways pages 2 or 8; `count` picks the grid, Cells holds every cell of it.
TPrintLayout ComputePrintLayout(bool comments, bool landscape, int pageW, int pageH, int count);

// The comment lines' character height in page pixels: the layout's points turned into pixels at the
// screen's resolution (points x dpi / 72, rounded), as the page was always laid out.
int CommentCharHeight(int points, double screenDpi);

// Paints the page onto a painter whose device is the printable page (PW x PH pixels or more): every
// picture stretched into its cell, then the comment lines in "Courier New" on an opaque white
// background, each 1.5 character heights below the one before. Pictures beyond the layout's cells are
// not painted; the caller tells the user about them before printing.
void PaintPrintPage(QPainter &painter, const TPrintLayout &layout, const std::vector<QImage> &pictures,
                    const QStringList &commentLines, double screenDpi);

} // namespace calidarix
