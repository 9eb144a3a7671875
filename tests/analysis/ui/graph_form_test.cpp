#include "analysis/ui/graph_form.h"

#include "analysis/coordinate_mapping.h"
#include "analysis/graph_data.h"
#include "analysis/graph_export.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/view_texts.h"
#include "tests/analysis/dtv_file_fixture.h"
#include "tests/mainwindow/ui/file_window_fixture.h"
#include "thermogram/image_layout.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QToolButton>
#include <gtest/gtest.h>

#include <numeric>

namespace calidarix {
namespace {

// The main window with its three graph windows, as the program creates them.
class GraphWindows : public test::FileWindow {
protected:
  void TearDown() override {
    for (TGraphForm *form : {GraphForm, TimeProfileForm, HistogramForm})
      if (form)
        form->hide();
    GraphForm = TimeProfileForm = HistogramForm = nullptr;
    forms.clear();
    test::FileWindow::TearDown();
  }

  TCalidarix &StartWithGraphs() {
    TCalidarix &w = Start();
    for (int tag = 0; tag < 3; ++tag) {
      forms.push_back(std::make_unique<TGraphForm>());
      forms.back()->Tag = tag;
    }
    GraphForm = forms[0].get();
    TimeProfileForm = forms[1].get();
    HistogramForm = forms[2].get();
    GraphForm->setWindowTitle("Thermo Profile");
    TimeProfileForm->setWindowTitle("Time Profile");
    HistogramForm->setWindowTitle("Histogram");
    w.move(40, 30);
    Settle();
    return w;
  }

  void Settle() {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 60)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
  }

  QToolButton *Button(const char *name) { return window->findChild<QToolButton *>(name); }

  QPoint Box(int x, int y) {
    const TImageView v = ImageViewOf(*CurrentDTV);
    return QPoint(GetScreenX(v, x), GetScreenY(v, y));
  }
  void Mouse(QWidget *target, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
             Qt::KeyboardModifiers mods = {}) {
    QMouseEvent e(type, at, target->mapToGlobal(at), button, held, mods);
    QApplication::sendEvent(target, &e);
  }
  void Drag(QPoint from, QPoint to) {
    QWidget *box = window->ImagePB;
    Mouse(box, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    Mouse(box, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    Mouse(box, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    Mouse(box, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  }
  void Key(QWidget *target, int qtKey, Qt::KeyboardModifiers mods = {}) {
    QKeyEvent e(QEvent::KeyPress, qtKey, mods);
    QApplication::sendEvent(target, &e);
  }

  // With CALIDARIX_SCREENSHOTS naming a folder, the main window and the shown graph windows are kept there.
  void Screenshot(const char *name) {
    const QString folder = qEnvironmentVariable("CALIDARIX_SCREENSHOTS");
    if (folder.isEmpty())
      return;
    Settle();
    QScreen *screen = window->screen();
    screen->grabWindow(0).save(QDir(folder).filePath(QString::fromLatin1(name) + ".png"));
  }

  // A 64 x 48 film of three frames: a warm spot that grows from frame to frame on a cool background.
  QString SpotFilm(float frameInterval = 0.5f) {
    test::DtvFileContent content;
    content.Version = 5;
    content.FrameInterval = frameInterval;
    content.Width = 64;
    content.Height = 48;
    content.Scale = static_cast<float>(100.0 / 65535.0);
    content.Offset = 0.0f;
    for (int f = 0; f < 3; ++f) {
      std::vector<std::uint16_t> frame;
      for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
          const int d2 = (x - 32) * (x - 32) + (y - 24) * (y - 24);
          frame.push_back(static_cast<std::uint16_t>(d2 < 100 * (f + 1) ? 50000 : 10000 + 100 * x));
        }
      content.Frames.push_back(frame);
      content.FrameRanges.push_back({10.0, 60.0});
    }
    test::WriteDtvFile(dir.file("spot.dtv"), content);
    return Path("spot.dtv");
  }

  std::vector<std::unique_ptr<TGraphForm>> forms;
};

TEST_F(GraphWindows, AProfileLineOnTheDemoImageFillsTheDockedThermoProfile) {
  TCalidarix &w = StartWithGraphs();
  Button("GraphSB")->click();
  Settle();
  EXPECT_TRUE(w.FGraphShown);
  EXPECT_TRUE(Button("GraphSB")->isChecked());
  ASSERT_TRUE(GraphForm->isVisible());
  const QRect m = w.frameGeometry();
  EXPECT_EQ(GraphForm->frameGeometry(), QRect(m.left(), m.bottom() + 1, m.width(), 225));

  Drag(Box(20, 30), Box(120, 90));
  const TLineRecord line = w.FMarkers.FProfileLine;
  EXPECT_EQ(line, (TLineRecord{20, 30, 120, 90}));
  EXPECT_EQ(GraphForm->FProfiles[0], ThermoProfile(*CurrentDTV, line));
  EXPECT_EQ(GraphForm->FProfiles[0].size(), 117u); // round(sqrt(100^2 + 60^2))
  EXPECT_EQ(GraphForm->FMin, CurrentDTV->RawToTemperature(0));
  EXPECT_EQ(GraphForm->DistancePanel->text(), "117");
  Screenshot("graph-thermo-profile");

  // Ctrl on the graph window keeps the profile and its line, which the image then shows in red.
  Key(GraphForm, Qt::Key_Control, Qt::ControlModifier);
  EXPECT_EQ(GraphForm->FStoredCount, 1);
  ASSERT_EQ(w.FMarkers.FProfileLines.size(), 2u);
  EXPECT_EQ(w.FMarkers.FProfileLines[1], line);
  Drag(Box(10, 100), Box(60, 100));
  EXPECT_EQ(GraphForm->FProfiles[0].size(), 50u);
  EXPECT_EQ(GraphForm->FProfiles[1].size(), 117u);

  // A click without a drag removes the line and the live profile.
  Mouse(w.ImagePB, QEvent::MouseButtonPress, Box(5, 5), Qt::LeftButton, Qt::LeftButton);
  Mouse(w.ImagePB, QEvent::MouseButtonRelease, Box(5, 5), Qt::LeftButton, Qt::NoButton);
  EXPECT_TRUE(w.FMarkers.FProfileLine.IsNone());
  EXPECT_TRUE(GraphForm->FProfiles[0].empty());

  Button("GraphSB")->click();
  EXPECT_FALSE(w.FGraphShown);
  EXPECT_FALSE(GraphForm->isVisible());
}

TEST_F(GraphWindows, TheCursorOnTheProfileMarksAPointOnTheImage) {
  TCalidarix &w = StartWithGraphs();
  w.GraphSBClick();
  Drag(Box(20, 30), Box(120, 30));
  ASSERT_EQ(GraphForm->SampleCount(), 100);
  QWidget *graph = GraphForm->GraphPB;
  const QPoint middle(graph->width() / 2, graph->height() / 2);
  Mouse(graph, QEvent::MouseButtonPress, middle, Qt::RightButton, Qt::RightButton);
  EXPECT_EQ(GraphForm->FCursor.X, 100 * middle.x() / graph->width());
  const QString value = GraphForm->MarkerLabel1->text();
  EXPECT_EQ(value, QString::number(GraphForm->FProfiles[0][GraphForm->FCursor.X], 'f', 2));
  Mouse(graph, QEvent::MouseButtonRelease, middle, Qt::RightButton, Qt::NoButton);
  ASSERT_EQ(w.FMarkers.FPoints.size(), 1u);
  EXPECT_EQ(w.FMarkers.FPoints[0].X, 20 + GraphForm->FCursor.X);
  EXPECT_EQ(w.FMarkers.FPoints[0].Y, 30);

  // The time profile's cursor is the frame shown; the mouse leaves it.
  w.TimeGraphSBClick();
  TimeProfileForm->FCursor.X = 0;
  Mouse(TimeProfileForm->GraphPB, QEvent::MouseButtonPress, QPoint(30, 10), Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(TimeProfileForm->FCursor.X, 0);
}

TEST_F(GraphWindows, TheHistogramCountsTheAreaOrTheWholeFrame) {
  TCalidarix &w = StartWithGraphs();
  const TDTV &dtv = *CurrentDTV;
  Button("HistogramSB")->click();
  Settle();
  ASSERT_TRUE(w.FHistogramShown);
  const QRect m = w.frameGeometry();
  EXPECT_EQ(HistogramForm->frameGeometry(), QRect(m.right() + 1, m.bottom() + 1, 255, 225));
  const auto total = [] {
    const TProfile &bins = HistogramForm->FProfiles[0];
    return std::accumulate(bins.begin(), bins.end(), 0.0);
  };
  EXPECT_EQ(total(), double(dtv.Width()) * dtv.Height());
  EXPECT_EQ(HistogramForm->FLowLimitTemp, dtv.MinTemperature());
  EXPECT_EQ(HistogramForm->FHighLimitTemp, dtv.MaxTemperature());
  EXPECT_GT(HistogramForm->FProfiles[0][99], 0.0f) << "the hottest pixel is in the last bin";

  Drag(Box(40, 30), Box(120, 110));
  EXPECT_EQ(total(), 80.0 * 80.0) << "the area without its last row and column";
  EXPECT_EQ(HistogramForm->FMax,
            *std::max_element(HistogramForm->FProfiles[0].begin(), HistogramForm->FProfiles[0].end()));
  Screenshot("graph-histogram");

  // Storing does nothing on the histogram.
  Key(HistogramForm, Qt::Key_Control, Qt::ControlModifier);
  EXPECT_EQ(HistogramForm->FStoredCount, 0);

  Mouse(w.ImagePB, QEvent::MouseButtonPress, Box(5, 5), Qt::LeftButton, Qt::LeftButton);
  Mouse(w.ImagePB, QEvent::MouseButtonRelease, Box(5, 5), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(total(), double(dtv.Width()) * dtv.Height());
}

TEST_F(GraphWindows, TheTimeProfileFollowsTheAreaThePixelUnderTheMouseAndTheFrameShown) {
  TCalidarix &w = StartWithGraphs();
  ASSERT_TRUE(w.OpenInView(SpotFilm()));
  Button("TimeGraphSB")->click();
  Settle();
  ASSERT_TRUE(w.FTimeGraphShown);
  const QRect m = w.frameGeometry();
  EXPECT_EQ(TimeProfileForm->frameGeometry(), QRect(m.right() + 1, m.top(), 255, m.height()));
  EXPECT_NEAR(TimeProfileForm->FMax, 100.0, 1e-4);

  // No area: the pixel under the mouse, in every frame.
  Mouse(w.ImagePB, QEvent::MouseMove, Box(32, 24), Qt::NoButton, Qt::NoButton);
  ASSERT_EQ(TimeProfileForm->FProfiles[0].size(), 3u);
  EXPECT_NEAR(TimeProfileForm->FProfiles[0][0], 50000 * 50.0 / 65535 + 10.0, 1e-3);

  // An area: its mean grows with the spot.
  Drag(Box(22, 14), Box(42, 34));
  const TProfile &mean = TimeProfileForm->FProfiles[0];
  ASSERT_EQ(mean.size(), 3u);
  EXPECT_LT(mean[0], mean[1]);
  EXPECT_LT(mean[1], mean[2]);
  // All: three curves.
  w.ArrayMenuItemClick(3);
  ASSERT_EQ(TimeProfileForm->FProfiles.size(), 4u);
  EXPECT_GT(TimeProfileForm->FProfiles[1][0], TimeProfileForm->FProfiles[0][0]);
  EXPECT_LT(TimeProfileForm->FProfiles[2][0], TimeProfileForm->FProfiles[0][0]);
  Screenshot("graph-time-profile");
  w.ArrayMenuItemClick(0);

  ASSERT_TRUE(w.ChangeFrame(3));
  EXPECT_EQ(TimeProfileForm->FCursor.X, 2);
  EXPECT_EQ(TimeProfileForm->FProfiles[0].size(), 3u) << "built at frame 1, kept while stepping";
}

// The file's time is that of the film's last frame; the time profile's clock read-out counts whole
// intervals back from it, one more than the frame's place from the end.
TEST_F(GraphWindows, TheTimeProfilesClockCountsBackFromTheFileTime) {
  TCalidarix &w = StartWithGraphs();
  const QString film = SpotFilm(2.0f);
  {
    QFile file(film);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        file.setFileTime(QDateTime(QDate(2024, 3, 15), QTime(12, 0, 0)), QFileDevice::FileModificationTime));
  }
  ASSERT_TRUE(w.OpenInView(film));
  Button("TimeGraphSB")->click();
  Drag(Box(22, 14), Box(42, 34));
  ASSERT_EQ(TimeProfileForm->FProfiles[0].size(), 3u);
  struct Case {
    int frame;
    QTime clock;
  };
  for (const Case c : {Case{3, QTime(11, 59, 58)}, Case{2, QTime(11, 59, 56)}, Case{1, QTime(11, 59, 54)}}) {
    SCOPED_TRACE(testing::Message() << "frame " << c.frame);
    ASSERT_TRUE(w.ChangeFrame(c.frame));
    Settle();
    EXPECT_EQ(TimeProfileForm->MarkerLabel0->text(), LongTimeText(c.clock));
  }
  Screenshot("graph-time-profile-clock");
}

TEST_F(GraphWindows, CopyExcelAndTheSnapshotTakeTheGraphFromItsData) {
  TCalidarix &w = StartWithGraphs();
  w.GraphSBClick();
  w.TimeGraphSBClick();
  Drag(Box(20, 30), Box(120, 90));
  QClipboard *clipboard = QGuiApplication::clipboard();
  clipboard->clear();

  GraphForm->GraphCopySB->click();
  const QImage copied = clipboard->image();
  EXPECT_EQ(copied.size(), QSize(576, 201)) << "whatever the window's size";
  EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32), GraphForm->Picture(QSize(576, 201)));

  GraphForm->SaveGraphSLKBtn->click();
  EXPECT_EQ(clipboard->text(), GraphClipboardText(TGraphExport{0, &GraphForm->FProfiles}));
  EXPECT_TRUE(clipboard->text().startsWith(
      QString::number(GraphForm->FProfiles[0][0], 'f', 2).replace('.', ',') + "\t\t"));

  // The snapshot draws both panes from the windows' pictures, never through the clipboard.
  clipboard->setText("kept");
  const QImage snapshot = w.BuildSnapshot();
  EXPECT_EQ(clipboard->text(), "kept");
  const QImage bottom = snapshot.copy(0, snapshot.height() - 201, snapshot.width() - 266, 201);
  EXPECT_EQ(bottom.convertToFormat(QImage::Format_RGB32),
            GraphForm->Picture(QSize(snapshot.width() - 266, 201)));
  const QString folder = qEnvironmentVariable("CALIDARIX_SCREENSHOTS");
  if (!folder.isEmpty()) {
    copied.save(QDir(folder).filePath("graph-copy.png"));
    snapshot.save(QDir(folder).filePath("graph-snapshot.png"));
  }
  const QImage right = snapshot.copy(snapshot.width() - 266, 0, 266, snapshot.height() - 201);
  EXPECT_EQ(right.convertToFormat(QImage::Format_RGB32),
            TimeProfileForm->Picture(QSize(266, snapshot.height() - 201)));

  // The histogram never joins the snapshot.
  w.HistogramSBClick();
  EXPECT_EQ(w.BuildSnapshot().size(), snapshot.size());
  Screenshot("graph-all-three");
}

TEST_F(GraphWindows, KeysOfTheGraphWindow) {
  TCalidarix &w = StartWithGraphs();
  w.GraphSBClick();
  Drag(Box(20, 30), Box(120, 30));
  GraphForm->activateWindow();
  Key(GraphForm, Qt::Key_Z);
  EXPECT_EQ(GraphForm->FPalHigh, 254);
  Key(GraphForm, Qt::Key_Q);
  EXPECT_EQ(GraphForm->FPalHigh, 255);

  // R three times along the profile: zero, minimum, maximum, then the ratio in the caption.
  for (int x : {10, 50, 90}) {
    GraphForm->FCursor.X = x;
    Key(GraphForm, Qt::Key_R);
  }
  EXPECT_TRUE(GraphForm->windowTitle().startsWith("Res: ")) << GraphForm->windowTitle().toStdString();

  // The length entry: 100 samples are 300 units.
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    {});
  QApplication::sendEvent(GraphForm->DistancePanel, &press);
  ASSERT_TRUE(GraphForm->DistanceEdit->isVisible());
  GraphForm->DistanceEdit->clear();
  for (int key : {Qt::Key_3, Qt::Key_A, Qt::Key_0, Qt::Key_0}) {
    QKeyEvent e(QEvent::KeyPress, key, {}, QString(QChar(key)).toLower());
    QApplication::sendEvent(GraphForm->DistanceEdit, &e);
  }
  EXPECT_EQ(GraphForm->DistanceEdit->text(), "300") << "digits only";
  Key(GraphForm->DistanceEdit, Qt::Key_Return);
  EXPECT_FALSE(GraphForm->DistanceEdit->isVisible());
  EXPECT_EQ(GraphForm->DistancePanel->text(), "300");
  QApplication::sendEvent(GraphForm->DistancePanel, &press);
  GraphForm->DistanceEdit->setText("0");
  Key(GraphForm->DistanceEdit, Qt::Key_Return);
  EXPECT_TRUE(GraphForm->DistanceEdit->isVisible()) << "a length of 0 is refused";
  EXPECT_EQ(GraphForm->FDistanceLength, 300);

  // Esc hides the entry first, then closes the window, which releases its button.
  Key(GraphForm, Qt::Key_Escape);
  EXPECT_FALSE(GraphForm->DistanceEdit->isVisible());
  EXPECT_TRUE(GraphForm->isVisible());
  Key(GraphForm, Qt::Key_Escape);
  EXPECT_FALSE(GraphForm->isVisible());
  EXPECT_FALSE(w.FGraphShown);
  EXPECT_FALSE(Button("GraphSB")->isChecked());
}

TEST_F(GraphWindows, DockingMakesRoomOnAScreenTheMainWindowFills) {
  TCalidarix &w = StartWithGraphs();
  const QRect s = w.screen()->availableGeometry();
  const QSize frame = w.frameGeometry().size() - w.size();
  // Maximised. Without a window manager the state holds only when set before the window is mapped,
  // and the window is given the screen by hand.
  w.hide();
  w.setWindowState(Qt::WindowMaximized);
  w.show();
  w.move(s.topLeft());
  w.resize(s.width() - frame.width(), s.height() - frame.height());
  Settle();
  ASSERT_TRUE(w.isMaximized());
  const int height = w.frameGeometry().height();
  w.GraphSBClick();
  Settle();
  EXPECT_EQ(w.frameGeometry().height(), height - 225);
  EXPECT_EQ(GraphForm->frameGeometry().top(), w.frameGeometry().bottom() + 1);
  EXPECT_EQ(GraphForm->frameGeometry().height(), 225);
  // Hiding it gives the room back.
  w.GraphSBClick();
  Settle();
  EXPECT_EQ(w.frameGeometry().height(), height);
}

TEST_F(GraphWindows, AWindowAtTheScreensCornerKeepsItsSizeWhenADockedGraphCloses) {
  TCalidarix &w = StartWithGraphs();
  w.move(w.screen()->availableGeometry().topLeft());
  w.resize(738, 662);
  Settle();
  ASSERT_FALSE(w.isMaximized());
  const QSize size = w.size();
  for (QToolButton *button : {Button("TimeGraphSB"), Button("GraphSB")}) {
    button->click();
    Settle();
  }
  ASSERT_EQ(w.size(), size) << "there was room for both";
  for (QToolButton *button : {Button("TimeGraphSB"), Button("GraphSB")}) {
    button->click();
    Settle();
    EXPECT_EQ(w.size(), size) << button->objectName().toStdString();
  }
}

TEST_F(GraphWindows, TheProfileScaleShowsTheRangeOfTheLineJustDrawn) {
  TCalidarix &w = StartWithGraphs();
  ASSERT_TRUE(w.OpenInView(SpotFilm()));
  Button("GraphSB")->click();
  Settle();
  Drag(Box(5, 24), Box(60, 30));
  ASSERT_FALSE(GraphForm->FProfiles[0].empty());
  const TGraphRange range = FullRawRange(*CurrentDTV);
  EXPECT_EQ(GraphForm->FMax, range.Max);
  ASSERT_GT(std::abs(range.Max - 100.0), 1.0) << "the film's range must differ from the empty window's";
  // What the scale and its two ends show is what they show when painted from the window's range now.
  const QImage scale = GraphForm->ScalePB->Picture;
  const QImage top = GraphForm->MaxPB->Picture;
  const QImage bottom = GraphForm->MinPB->Picture;
  GraphForm->ScalePBPaint();
  EXPECT_TRUE(GraphForm->ScalePB->Picture == scale) << "the scale";
  EXPECT_TRUE(GraphForm->MaxPB->Picture == top) << "the upper end";
  EXPECT_TRUE(GraphForm->MinPB->Picture == bottom) << "the lower end";
}

TEST_F(GraphWindows, AnotherFileLeavesNoCurveOfTheLastOneInAnyWindow) {
  TCalidarix &w = StartWithGraphs();
  ASSERT_TRUE(w.OpenInView(SpotFilm()));
  w.GraphSBClick();
  w.TimeGraphSBClick();
  w.HistogramSBClick();
  Drag(Box(5, 24), Box(60, 24));
  Key(GraphForm, Qt::Key_Control, Qt::ControlModifier); // a stored profile as well
  Mouse(w.ImagePB, QEvent::MouseMove, Box(32, 24), Qt::NoButton, Qt::NoButton);
  ASSERT_FALSE(GraphForm->FProfiles[0].empty());
  ASSERT_EQ(GraphForm->FStoredCount, 1);
  ASSERT_FALSE(TimeProfileForm->FProfiles[0].empty());
  // The thermo profile's window is closed meanwhile: it must not bring the film's curve back later.
  w.GraphSBClick();

  ASSERT_TRUE(w.OpenInView(Thermogram("single.dtv", 5.0f, 32, 24)));
  EXPECT_TRUE(TimeProfileForm->FProfiles[0].empty());
  EXPECT_EQ(TimeProfileForm->FStoredCount, 0);
  EXPECT_EQ(HistogramForm->FProfiles[0].size(), 100u) << "the histogram is the new image's";
  w.GraphSBClick();
  EXPECT_TRUE(GraphForm->FProfiles[0].empty());
  EXPECT_EQ(GraphForm->FStoredCount, 0);
  // The snapshot, which the picture export and the print draw, has no curve in either pane.
  for (TGraphPane pane : {TGraphPane::ThermoProfile, TGraphPane::TimeProfile}) {
    const TGraphForm *shown = pane == TGraphPane::ThermoProfile ? GraphForm : TimeProfileForm;
    TGraphForm empty;
    empty.Tag = shown->Tag;
    empty.ClearCurrentProfile();
    empty.SetRange(MakeRange(shown->FMin, shown->FMax));
    EXPECT_EQ(w.GraphPanePicture(pane, QSize(300, 120)), empty.Picture(QSize(300, 120)))
        << "pane " << static_cast<int>(pane);
  }
}

} // namespace
} // namespace calidarix
