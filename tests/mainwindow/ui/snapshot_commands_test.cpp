// The composite snapshot through the window: its size for every layout, the view left as it was, and
// the copy commands' clipboard contents.

#include "mainwindow/ui/print_form.h"
#include "tests/mainwindow/ui/file_window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolButton>

namespace calidarix {
namespace {

using test::FileWindow;

TEST_F(FileWindow, SnapshotSizesForEveryLayout) {
  TCalidarix &w = Start();
  const QString wide = Thermogram("wide.dtv", 20.0f, 640, 480);
  const struct {
    bool wideFile;
    int look;
    bool thermo, time;
    QSize size;
  } cases[] = {
      {false, 0, false, false, QSize(512, 432)},
      {false, 1, false, false, QSize(576, 434)},
      {false, 2, false, false, QSize(576, 434)},
      {false, 3, false, false, QSize(64, 434)},
      {false, 3, true, false, QSize(64, 635)},
      {false, 1, true, true, QSize(842, 635)},
      // A 640 x 480 film frame is shown at 32:27: 640 x 540, and a scale pane 542 x 64 / 434 = 79 wide.
      {true, 0, false, false, QSize(640, 540)},
      {true, 2, false, false, QSize(719, 542)},
  };
  for (const auto &c : cases) {
    if (c.wideFile != (CurrentDTV->FFileName == wide)) {
      CurrentDTV->FFileName = c.wideFile ? wide : QString();
      w.ChangeDTV(true);
    }
    w.BMPLook = c.look;
    w.FGraphShown = c.thermo;
    w.FTimeGraphShown = c.time;
    const QImage snapshot = w.BuildSnapshot();
    EXPECT_EQ(snapshot.size(), c.size) << c.look << " " << c.wideFile;
  }
  w.FGraphShown = w.FTimeGraphShown = false;
}

TEST_F(FileWindow, TheSnapshotShowsTheViewAndLeavesItAsItWas) {
  TCalidarix &w = Start();
  w.BMPLook = 0;
  TDTV &dtv = *CurrentDTV;
  // Zoomed into the upper left quarter of the demo image.
  w.ZoomToImageRect(TRect{0, 0, 127, 123}, TRect{0, 0, w.ImagePB->width(), w.ImagePB->height()}, true);
  const double zoom = dtv.FZoom;
  const double x = dtv.FViewOffsetX;
  const double y = dtv.FViewOffsetY;
  const QSize bitmap = dtv.FBitmap.size();
  const QImage zoomed = w.BuildSnapshot();
  EXPECT_EQ(dtv.FZoom, zoom);
  EXPECT_EQ(dtv.FViewOffsetX, x);
  EXPECT_EQ(dtv.FViewOffsetY, y);
  EXPECT_EQ(dtv.FBitmap.size(), bitmap);
  // The demo dome is hottest in the middle: the whole image has bright centre and dark corners, the
  // zoomed one shows only the cooler quarter around its middle.
  w.FitImageLayout(TRect{0, 0, w.ImagePB->width(), w.ImagePB->height()}, true);
  const QImage whole = w.BuildSnapshot();
  ASSERT_EQ(whole.size(), QSize(512, 432));
  EXPECT_NE(whole.pixel(256, 216), whole.pixel(5, 5));
  EXPECT_NE(zoomed.pixel(256, 216), whole.pixel(256, 216));
}

TEST_F(FileWindow, CopyPutsTheSnapshotOnTheClipboardUnlessThePrintCommentHasTheFocus) {
  TCalidarix &w = Start();
  w.BMPLook = 1;
  QClipboard *clipboard = QGuiApplication::clipboard();
  clipboard->setText(QStringLiteral("before"));
  w.findChild<QToolButton *>(QStringLiteral("CopySB"))->click();
  EXPECT_EQ(clipboard->image().size(), QSize(576, 434));

  clipboard->setText(QStringLiteral("before"));
  w.findChild<QAction *>(QStringLiteral("CtrlInsert"))->trigger();
  EXPECT_EQ(clipboard->image().size(), QSize(576, 434));

  TPrintForm form;
  PrintForm = &form;
  form.show();
  form.activateWindow();
  form.CommentCB->click();
  QApplication::processEvents();
  if (!form.RichEdit->hasFocus()) {
    PrintForm = nullptr;
    GTEST_SKIP() << "the window system did not give the print window the focus";
  }
  clipboard->setText(QStringLiteral("before"));
  w.CtrlCExecute();
  EXPECT_EQ(clipboard->text(), QStringLiteral("before"));
  PrintForm = nullptr;
}

TEST_F(FileWindow, CopyInfoPutsTheCommentAsText) {
  TCalidarix &w = Start();
  QClipboard *clipboard = QGuiApplication::clipboard();
  CurrentDTV->SetCommentText(QStringLiteral("Насос 3, east side"));
  w.findChild<QToolButton *>(QStringLiteral("CopyInfoSB"))->click();
  EXPECT_EQ(clipboard->text(), QStringLiteral("Насос 3, east side"));
  CurrentDTV->SetCommentText(QString());
  w.findChild<QAction *>(QStringLiteral("CopyInfo1"))->trigger();
  EXPECT_EQ(clipboard->text(), QString());
}

TEST_F(FileWindow, ImageTypeItemsChooseTheLayoutAndShowIt) {
  TCalidarix &w = Start();
  w.findChild<QAction *>(QStringLiteral("ImageOnly7"))->trigger();
  EXPECT_EQ(w.BMPLook, 3);
  EXPECT_TRUE(w.findChild<QAction *>(QStringLiteral("ScaleOnly1"))->isChecked());
  EXPECT_FALSE(w.findChild<QAction *>(QStringLiteral("ImageOnly2"))->isChecked());
  w.findChild<QAction *>(QStringLiteral("ImageOnly1"))->trigger();
  EXPECT_EQ(w.BMPLook, 0);
  EXPECT_TRUE(w.findChild<QAction *>(QStringLiteral("ImageOnly4"))->isChecked());
  EXPECT_EQ(w.BuildSnapshot().size(), QSize(512, 432));
  // The button opens the menu just right of itself.
  auto *button = w.findChild<QToolButton *>(QStringLiteral("BMPFrameSB"));
  button->click();
  QApplication::processEvents();
  EXPECT_TRUE(w.ImageWithScalePopupMenu->isVisible());
  EXPECT_EQ(w.ImageWithScalePopupMenu->pos().x(), button->mapToGlobal(QPoint(button->width() + 1, 0)).x());
  w.ImageWithScalePopupMenu->hide();
}

} // namespace
} // namespace calidarix
