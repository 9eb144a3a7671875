#include "mainwindow/print_layout.h"

#include "tests/mainwindow/external_tools.h"
#include "tests/support/test_support.h"

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

// Cells in tenths of a millimetre on a page of ten pixels per millimetre: left, top, right, bottom
// (right and bottom exclusive).
std::vector<std::array<int, 4>> Tenths(const TPrintLayout &layout) {
  std::vector<std::array<int, 4>> out;
  for (const QRect &r : layout.Cells)
    out.push_back({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
  return out;
}

TEST(PrintLayout, UprightPageWithCommentsInMillimetres) {
  const int w = 2100;
  const int h = 2970;
  using Cells = std::vector<std::array<int, 4>>;
  const TPrintLayout one = ComputePrintLayout(true, false, w, h, 1);
  EXPECT_FALSE(one.Sideways);
  EXPECT_EQ(Tenths(one), (Cells{{125, 50, 1975, 1460}}));
  EXPECT_EQ(one.CommentAt, QPoint(50, 1535));
  EXPECT_EQ(one.CommentPoints, 2100 / 76);
  EXPECT_EQ(one.Capacity, 9);

  const TPrintLayout four = ComputePrintLayout(true, false, w, h, 3);
  EXPECT_EQ(
      Tenths(four),
      (Cells{{125, 50, 1025, 730}, {1075, 50, 1975, 730}, {125, 780, 1025, 1460}, {1075, 780, 1975, 1460}}));

  const TPrintLayout nine = ComputePrintLayout(true, false, w, h, 9);
  const std::array<std::pair<int, int>, 3> columns = {{{125, 710}, {760, 1340}, {1390, 1975}}};
  const std::array<std::pair<int, int>, 3> rows = {{{50, 487}, {537, 972}, {1022, 1460}}};
  ASSERT_EQ(nine.Cells.size(), 9u);
  for (int i = 0; i < 9; ++i) {
    const auto cell = Tenths(nine)[static_cast<std::size_t>(i)];
    EXPECT_EQ(cell[0], columns[static_cast<std::size_t>(i % 3)].first) << i;
    EXPECT_EQ(cell[2], columns[static_cast<std::size_t>(i % 3)].second) << i;
    // 48.75 and 97.25 mm land on 487.5 and 972.5 tenths, truncated.
    EXPECT_EQ(cell[1], rows[static_cast<std::size_t>(i / 3)].first) << i;
    EXPECT_EQ(cell[3], rows[static_cast<std::size_t>(i / 3)].second) << i;
  }
}

TEST(PrintLayout, SidewaysPageWithCommentsHoldsEightPictures) {
  const TPrintLayout layout = ComputePrintLayout(true, true, 2970, 2100, 9);
  EXPECT_TRUE(layout.Sideways);
  EXPECT_EQ(layout.Capacity, 8);
  ASSERT_EQ(layout.Cells.size(), 8u);
  EXPECT_EQ(layout.Cells[0].topLeft(), QPoint(120, 50));
  EXPECT_EQ(layout.Cells[1].right() + 1, 1485 - 25 - 70); // the left half, less the gap
  EXPECT_EQ(layout.Cells[7].bottom() + 1, 2100 - 50);
  EXPECT_EQ(layout.CommentAt, QPoint(1485 + 50, 50));
  EXPECT_EQ(layout.CommentPoints, 2970 / 159);
  const TPrintLayout two = ComputePrintLayout(true, true, 2970, 2100, 2);
  ASSERT_EQ(two.Cells.size(), 2u);
  EXPECT_EQ(two.Cells[0].left(), two.Cells[1].left()); // one column
}

TEST(PrintLayout, WithoutCommentsTheImageHalfFillsTheSheetAndTheCommentsFallOff) {
  const struct {
    bool landscape;
    int w, h, count;
    std::size_t cells;
  } cases[] = {{false, 2100, 2970, 8, 8},
               {false, 2100, 2970, 4, 8},
               {true, 2970, 2100, 9, 9},
               {true, 2970, 2100, 1, 1}};
  for (const auto &c : cases) {
    const TPrintLayout layout = ComputePrintLayout(false, c.landscape, c.w, c.h, c.count);
    ASSERT_EQ(layout.Cells.size(), c.cells);
    const QRect page(0, 0, c.w, c.h);
    for (const QRect &cell : layout.Cells)
      EXPECT_TRUE(page.contains(cell)) << c.landscape << " " << c.count;
    EXPECT_FALSE(page.contains(layout.CommentAt)) << c.landscape;
    // The pictures reach well into the sheet's far half.
    const QRect last = layout.Cells.back();
    EXPECT_GT(c.landscape ? last.bottom() : last.right(), (c.landscape ? c.h : c.w) * 4 / 5) << c.landscape;
  }
  // Four pictures on a portrait sheet without comments fill its upper half.
  const TPrintLayout four = ComputePrintLayout(false, false, 2100, 2970, 4);
  EXPECT_LT(four.Cells[3].bottom(), 2970 / 2);
}

TEST(PrintLayout, CommentCharacterHeight) {
  EXPECT_EQ(CommentCharHeight(27, 96.0), 36);
  EXPECT_EQ(CommentCharHeight(10, 96.0), 13); // 13.33
  EXPECT_EQ(CommentCharHeight(0, 96.0), 0);
}

TEST(PrintLayout, PrintsTwoPicturesToAOnePagePdf) {
  test::TempDir dir;
  const QString pdf = test::QPath(dir.file("page.pdf"));
  {
    QPdfWriter writer(pdf);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(150);
    QPainter painter(&writer);
    QImage red(576, 434, QImage::Format_RGB32);
    red.fill(Qt::red);
    QImage blue(576, 434, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    const TPrintLayout layout = ComputePrintLayout(true, false, writer.width(), writer.height(), 2);
    PaintPrintPage(painter, layout, {red, blue}, {QStringLiteral("Pump 3, east side")}, 96.0);
  }
  const test::ToolRun info = test::RunTool(QStringLiteral("pdfinfo"), {pdf});
  if (!info.Installed)
    GTEST_SKIP() << "pdfinfo is not installed";
  EXPECT_TRUE(info.Output.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))))
      << info.Output.toStdString();
  const QString png = test::QPath(dir.file("page"));
  const test::ToolRun render = test::RunTool(
      QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"),
                                   QStringLiteral("-singlefile"), pdf, png});
  ASSERT_EQ(render.ExitCode, 0) << render.Output.toStdString();
  const QImage page(png + QStringLiteral(".png"));
  ASSERT_FALSE(page.isNull());
  // At 20 dpi an A4 page is about 165 x 234 pixels; the two cells' centres in millimetres are
  // (57.5, 39) and (152.5, 39).
  const auto at = [&](double xmm, double ymm) {
    return page.pixelColor(static_cast<int>(xmm / 210.0 * page.width()),
                           static_cast<int>(ymm / 297.0 * page.height()));
  };
  EXPECT_GT(at(57.5, 39).red(), 200);
  EXPECT_LT(at(57.5, 39).blue(), 60);
  EXPECT_GT(at(152.5, 39).blue(), 200);
  EXPECT_LT(at(152.5, 39).red(), 60);
  EXPECT_EQ(at(100, 250), QColor(Qt::white)); // nothing in the lower half but the comment line
}

} // namespace
} // namespace calidarix
