#include "mainwindow/snapshot_layout.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kSilver = qRgb(192, 192, 192);

TEST(SnapshotLayout, BaseSizeKeepsTheLongSideAndFollowsTheAspect) {
  const struct {
    int w, h;
    double aspect;
    QSize expected;
  } cases[] = {
      {256, 248, 256.0 / 216.0, QSize(512, 432)}, // portrait-ish frame lifted to 432 rows
      {640, 480, 4.0 / 3.0, QSize(640, 480)},     // landscape frame keeps its width
      {320, 240, 4.0 / 3.0, QSize(512, 384)},     // narrow landscape widened to 512
      {100, 100, 1.0, QSize(432, 432)},           // square: height rules
      {120, 200, 0.6, QSize(259, 432)},           // 259.2
      {200, 100, 2.5, QSize(512, 205)},           // 204.8
      {0, 0, 1.0, QSize(512, 384)},               // no pixels: 4:3
      {640, 480, 0.0, QSize(640, 480)},           // unusable aspect: the frame's own
      {640, 480, 1e-9, QSize(640, 16384)},        // absurd aspect: bounded
  };
  for (const auto &c : cases)
    EXPECT_EQ(SnapshotBaseSize(c.w, c.h, c.aspect), c.expected) << c.w << "x" << c.h << " " << c.aspect;
}

TEST(SnapshotLayout, SizesOfEveryLayoutWithAndWithoutGraphPanes) {
  using L = TSnapshotLook;
  const QSize small(512, 432);
  const QSize wide(640, 480);
  const struct {
    L look;
    QSize base;
    bool thermo, time;
    QSize expected;
  } cases[] = {
      {L::ImageOnly, small, false, false, QSize(512, 432)},
      {L::ImageScale, small, false, false, QSize(576, 434)},
      {L::ImageScaleInfo, small, false, false, QSize(576, 434)},
      {L::ScaleOnly, small, false, false, QSize(64, 434)},
      {L::ImageOnly, wide, false, false, QSize(640, 480)},
      {L::ImageScale, wide, false, false, QSize(711, 482)}, // 482 x 64 / 434 = 71
      {L::ScaleOnly, wide, true, false, QSize(64, 635)},
      {L::ImageScale, small, true, true, QSize(576 + 266, 434 + 201)},
      {L::ImageOnly, small, false, true, QSize(512 + 266, 432)},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(SnapshotSize(c.look, c.base, c.thermo, c.time), c.expected);
    TSnapshotRequest request;
    request.Look = c.look;
    request.Base = c.base;
    request.ThermoProfilePane = c.thermo;
    request.TimeProfilePane = c.time;
    const QImage picture = ComposeSnapshot(request, {});
    EXPECT_EQ(picture.size(), c.expected);
    EXPECT_EQ(picture.format(), QImage::Format_RGB32);
  }
}

TEST(SnapshotLayout, LaysTheImageScalePaneAndGraphPanesOut) {
  TSnapshotRequest request;
  request.Look = TSnapshotLook::ImageScale;
  request.Base = QSize(512, 432);
  request.ThermoProfilePane = true;
  request.TimeProfilePane = true;
  QSize imageArea;
  TRect barRect;
  TRect scaleRect;
  QList<QSize> paneSizes;
  TSnapshotPainters painters;
  painters.Image = [&](QPainter &p, QSize area) {
    imageArea = area;
    p.fillRect(0, 0, area.width(), area.height(), Qt::red); // must stay inside its frame
    p.fillRect(-5, -5, 2000, 2000, Qt::red);
  };
  painters.PaletteBar = [&](QPainter &p, const TRect &r) {
    barRect = r;
    p.fillRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top, Qt::green);
  };
  painters.Scale = [&](QPainter &, const TRect &r) { scaleRect = r; };
  painters.GraphPane = [&](TGraphPane pane, QSize size) {
    paneSizes << size;
    QImage g(size, QImage::Format_RGB32);
    g.fill(pane == TGraphPane::ThermoProfile ? Qt::blue : Qt::yellow);
    return g;
  };
  const QImage s = ComposeSnapshot(request, painters);
  ASSERT_EQ(s.size(), QSize(842, 635));
  EXPECT_EQ(imageArea, QSize(510, 432));
  EXPECT_EQ(barRect, (TRect{1, 18, 15, 416}));
  EXPECT_EQ(scaleRect, (TRect{17, 17, 63, 417}));
  ASSERT_EQ(paneSizes.size(), 2);
  EXPECT_EQ(paneSizes[0], QSize(576, 201)); // below the image part, its whole width
  EXPECT_EQ(paneSizes[1], QSize(266, 434)); // beside the image part, its height

  // The image inside a frame: silver left and top edges, black right and bottom edges.
  EXPECT_EQ(s.pixel(0, 100), kSilver);
  EXPECT_EQ(s.pixel(100, 0), kSilver);
  EXPECT_EQ(s.pixel(511, 100), kBlack);
  EXPECT_EQ(s.pixel(100, 433), kBlack);
  EXPECT_EQ(s.pixel(1, 1), qRgb(255, 0, 0));
  EXPECT_EQ(s.pixel(510, 432), qRgb(255, 0, 0));
  // The scale pane stretched beside it, its palette bar showing.
  EXPECT_EQ(s.pixel(512 + 3, 200), qRgb(0, 255, 0));
  // The thermo profile below, the time profile at the right, the corner white.
  EXPECT_EQ(s.pixel(10, 500), qRgb(0, 0, 255));
  EXPECT_EQ(s.pixel(575, 634), qRgb(0, 0, 255));
  EXPECT_EQ(s.pixel(600, 10), qRgb(255, 255, 0));
  EXPECT_EQ(s.pixel(841, 433), qRgb(255, 255, 0));
  EXPECT_EQ(s.pixel(600, 500), kWhite);
  EXPECT_EQ(s.pixel(841, 634), kWhite);
}

TEST(SnapshotLayout, GraphPanesWithoutPicturesStayWhite) {
  TSnapshotRequest request;
  request.Look = TSnapshotLook::ScaleOnly;
  request.Base = QSize(640, 480);
  request.ThermoProfilePane = true;
  QSize asked;
  TSnapshotPainters painters;
  painters.GraphPane = [&](TGraphPane, QSize size) {
    asked = size;
    return QImage();
  };
  const QImage s = ComposeSnapshot(request, painters);
  ASSERT_EQ(s.size(), QSize(64, 635));
  EXPECT_EQ(asked, QSize(64, 201));
  for (int y = 434; y < 635; y += 7)
    for (int x = 0; x < 64; x += 7)
      ASSERT_EQ(s.pixel(x, y), kWhite) << x << "," << y;
}

TEST(SnapshotLayout, InfoLinesAndBadgeGoToTheirLayoutsOnly) {
  int badges = 0;
  TSnapshotPainters painters;
  painters.Badge = [&](QPainter &, QPoint, const QColor &) { ++badges; };
  TSnapshotRequest request;
  request.Base = QSize(512, 432);
  request.InfoLines = {QStringLiteral("Name: x")};
  request.Look = TSnapshotLook::ImageScale;
  const QImage plain = ComposeSnapshot(request, painters);
  EXPECT_EQ(badges, 2); // black, then white
  request.Look = TSnapshotLook::ImageScaleInfo;
  const QImage info = ComposeSnapshot(request, painters);
  EXPECT_EQ(badges, 2);
  EXPECT_NE(plain.copy(0, 0, 200, 40), info.copy(0, 0, 200, 40));
  request.Look = TSnapshotLook::ImageOnly;
  ComposeSnapshot(request, painters);
  EXPECT_EQ(badges, 2);
}

TEST(SnapshotLayout, ScalePaneFramesAndTexts) {
  TSnapshotRequest request;
  request.MaxLabel = QStringLiteral("Max");
  request.MinLabel = QStringLiteral("Min");
  request.UpperValue = QStringLiteral("36");
  request.LowerValue = QStringLiteral("20");
  const QImage pane = ComposeScalePane(request, {});
  ASSERT_EQ(pane.size(), QSize(64, 434));
  EXPECT_EQ(pane.pixel(0, 17), kSilver);  // the bar's frame
  EXPECT_EQ(pane.pixel(15, 416), kBlack); // its inclusive corner
  EXPECT_EQ(pane.pixel(5, 200), kWhite);  // the bar itself, not filled
  EXPECT_EQ(pane.pixel(63, 8), kBlack);   // the upper box's right edge
  EXPECT_EQ(pane.pixel(63, 433), kBlack); // the lower box's corner
  // The values are drawn in black inside their boxes.
  const auto hasBlackIn = [&](QRect r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        if (pane.pixel(x, y) == kBlack)
          return true;
    return false;
  };
  EXPECT_TRUE(hasBlackIn(QRect(30, 1, 30, 15)));
  EXPECT_TRUE(hasBlackIn(QRect(30, 418, 30, 15)));
}

TEST(SnapshotLayout, DrawFrameBoxEdgesAndFill) {
  QImage image(8, 6, QImage::Format_RGB32);
  image.fill(Qt::red);
  {
    QPainter p(&image);
    DrawFrameBox(p, TRect{1, 1, 5, 4}, true);
  }
  EXPECT_EQ(image.pixel(1, 1), kSilver);
  EXPECT_EQ(image.pixel(1, 4), kSilver); // left edge down to B
  EXPECT_EQ(image.pixel(4, 1), kSilver); // top edge to R - 1
  EXPECT_EQ(image.pixel(5, 1), kBlack);  // right edge
  EXPECT_EQ(image.pixel(2, 4), kBlack);  // bottom edge from L + 1
  EXPECT_EQ(image.pixel(5, 4), kBlack);
  EXPECT_EQ(image.pixel(3, 2), kWhite);
  EXPECT_EQ(image.pixel(6, 2), qRgb(255, 0, 0)); // nothing outside
  EXPECT_EQ(image.pixel(3, 5), qRgb(255, 0, 0));
}

TEST(SnapshotLayout, ValueTexts) {
  const struct {
    double v;
    bool integer;
    const char *text;
  } cases[] = {{36.456, false, "36.46"}, {36.5, false, "36.5"},      {36.0, true, "36"}, {36.5, true, "36"},
               {37.5, true, "38"},       {-12.346, false, "-12.35"}, {20.0, false, "20"}};
  for (const auto &c : cases)
    EXPECT_EQ(ScalePaneValueText(c.v, c.integer), QString::fromLatin1(c.text)) << c.v;
}

TEST(SnapshotLayout, InfoLines) {
  EXPECT_EQ(SnapshotInfoLines(QStringLiteral("/data/day/img0042.dtv"), QStringLiteral("Pump 3"),
                              QStringLiteral("15.03.24"), QStringLiteral("09:05:07")),
            (QStringList{"Name: img0042", "Info: Pump 3", "Date: 15.03.24", "Time: 09:05:07"}));
  EXPECT_EQ(SnapshotInfoLines(QString(), QString(), QString(), QString()),
            (QStringList{"Name: ", "Info: ", "Date: ", "Time: "}));
}

TEST(SnapshotLayout, AFittedViewGivesTheWholeImageAroundTheSameCentre) {
  // A 256 x 248 frame fitted into a 400 x 300 box: zoom 300 / 248 x ... as the window lays it out.
  TImageView screen;
  screen.Width = 256;
  screen.Height = 248;
  screen.Aspect = 256.0 / 216.0;
  screen.PixelAspect = 256.0 / 248.0 / screen.Aspect;
  bool fitted = false;
  ASSERT_TRUE(FitImageLayout(screen, TRect{0, 0, 400, 300}, true, fitted));
  const TImageView s = SnapshotImageView(screen, QSize(400, 300), QSize(512, 432), false);
  // The whole frame spans the snapshot: column 0 at x 0, column 256 at x 512, row 248 at y 432.
  EXPECT_NEAR((0 - s.ViewOffsetX) * s.Zoom, 0.0, 1.5);
  EXPECT_NEAR((256 - s.ViewOffsetX) * s.Zoom, 512.0, 1.5);
  EXPECT_NEAR((248 - s.ViewOffsetY) * s.Zoom * s.PixelAspect, 432.0, 1.5);
}

TEST(SnapshotLayout, AZoomedViewKeepsItsCentreAndScalesTheBoxHeightOntoTheSnapshot) {
  TImageView screen;
  screen.Width = 640;
  screen.Height = 480;
  screen.Aspect = 4.0 / 3.0;
  screen.PixelAspect = 1.0;
  screen.Zoom = 3.0;
  screen.ViewOffsetX = 100.0;
  screen.ViewOffsetY = 50.0;
  // A box relatively wider than the snapshot: its visible height maps onto the snapshot's height.
  const TImageView s = SnapshotImageView(screen, QSize(900, 300), QSize(640, 480), false);
  EXPECT_DOUBLE_EQ(s.Zoom, 3.0 * 480 / 300);
  // The image point under the box centre (250, 100) lies under the snapshot centre.
  EXPECT_NEAR(s.ViewOffsetX + 320 / s.Zoom, 250.0, 1e-9);
  EXPECT_NEAR(s.ViewOffsetY + 240 / s.Zoom, 100.0, 1e-9);
}

TEST(SnapshotLayout, AViewWithoutABoxIsFittedToTheSnapshot) {
  TImageView screen;
  screen.Width = 640;
  screen.Height = 480;
  screen.Aspect = 4.0 / 3.0;
  screen.PixelAspect = 1.0;
  screen.Zoom = 0.0;
  const TImageView s = SnapshotImageView(screen, QSize(0, 0), QSize(642, 482), true);
  EXPECT_DOUBLE_EQ(s.Zoom, 1.0);
  EXPECT_NEAR(s.ViewOffsetX, 0.0, 1e-9);
}

} // namespace
} // namespace calidarix
