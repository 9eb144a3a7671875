// Ctrl+F in the window on a film of several scans: one wide frame, saved at once and fitted to the
// image box; on a single frame nothing happens.

#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/progress_form.h"
#include "tests/acquisition/ui/live_window_fixture.h"
#include "tests/mainwindow/ui/file_window_fixture.h"
#include "tests/support/key_events.h"
#include "thermogram/thermogram_globals.h"

#include <QDirIterator>
#include <gtest/gtest.h>

#include <vector>

namespace calidarix {
namespace {

// The temperature of pixel (x, y) of frame k (1-based) of the scans written below.
double ScanTemperature(int k, int x, int y) {
  return 20.0 + k * 10.0 + y * 0.5 + x * 0.01;
}

// A film of `frames` scans of 6 x 80 pixels at `path`.
void WriteScans(const QString &path, int frames) {
  TDTV t;
  t.ResetHeader();
  t.FHeader.Width = 6;
  t.FHeader.Height = 80;
  t.FHeader.Scale = 0.01f;
  t.FHeader.Offset = 20.0f;
  t.FRaw.assign(6 * 80, 0);
  for (int k = 1; k <= frames; ++k) {
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 6; ++x)
        t.FRaw[static_cast<std::size_t>(y) * 6 + x] =
            static_cast<std::uint16_t>((ScanTemperature(k, x, y) - 20.0) / 0.01 + 0.5);
    EXPECT_TRUE(k == 1 ? t.StartFilm(path) : t.AppendFilmFrame(path));
  }
}

// The progress window, keeping every position it is given and whether it was shown then.
class MergeProgressRecorder : public TProgressForm {
public:
  void SetProgress(int position) override {
    Positions.push_back(position);
    ShownAt.push_back(isVisible() || position == 0);
    TProgressForm::SetProgress(position);
  }
  std::vector<int> Positions;
  std::vector<bool> ShownAt;
};

class MergeScansWindow : public test::FileWindow {
protected:
  void SetUp() override {
    FileWindow::SetUp();
    ProgressForm = &progress;
  }
  void TearDown() override {
    ProgressForm = nullptr;
    FileWindow::TearDown();
  }

  QString Scans(int frames) {
    const QString path = Path("scans.dtv");
    WriteScans(path, frames);
    return path;
  }
  // The thermograms the automatic save wrote.
  QStringList Saved() const {
    QStringList files;
    QDirIterator it(Path("DATABASE.KVD"), {QStringLiteral("*.dtv")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
      files << it.next();
    return files;
  }
  static void CtrlF(TCalidarix &w) {
    test::PressKeyWithCode(w, Qt::Key_Control, 29, Qt::ControlModifier);
    test::PressKeyWithCode(w, Qt::Key_F, 33, Qt::ControlModifier);
  }
  MergeProgressRecorder progress;
};

TEST_F(MergeScansWindow, CtrlFOnAFilmOfScansMakesOneWideFrameSavedAtOnce) {
  TCalidarix &w = Start();
  ASSERT_TRUE(w.OpenInView(Scans(3)));
  ASSERT_EQ(CurrentDTV->FHeader.FrameCount, 3);
  ASSERT_TRUE(AddPoint(w.FMarkers.FPoints, 2, 40, 6, 80));

  CtrlF(w);

  EXPECT_FALSE(w.FStatusNotice.contains(QStringLiteral("not available"))) << w.FStatusNotice.toStdString();
  EXPECT_TRUE(w.FMarkers.FPoints.empty());
  const TDTV &dtv = *CurrentDTV;
  EXPECT_EQ(dtv.Width(), 240);
  EXPECT_EQ(dtv.Height(), 6);
  EXPECT_EQ(dtv.FHeader.FrameCount, 1);
  EXPECT_EQ(w.FramesLabel->text(), QStringLiteral("1"));
  // The progress window followed the steps, shown, and closed at the end.
  EXPECT_EQ(progress.Positions, (std::vector<int>{0, 20, 40, 60, 80, 100}));
  EXPECT_EQ(progress.ShownAt, std::vector<bool>(6, true));
  EXPECT_FALSE(progress.isVisible());
  // The layout was fitted to the merged frame.
  EXPECT_EQ(w.FLayoutFrameSize, QSize(240, 6));
  EXPECT_TRUE(w.FZoomFitted);

  const QStringList saved = Saved();
  ASSERT_EQ(saved.size(), 1) << saved.join(' ').toStdString();
  EXPECT_EQ(dtv.FFileName, saved.front());
  EXPECT_EQ(w.FSavedNotice, QFileInfo(saved.front()).fileName());
  TDTV read;
  ASSERT_TRUE(read.LoadDTV(saved.front(), 1));
  EXPECT_EQ(read.FHeader.FrameCount, 1);
  EXPECT_EQ(read.Width(), 240);
  EXPECT_EQ(read.Height(), 6);
  EXPECT_EQ(read.FHeader.HorzExtent, 1080);
  EXPECT_EQ(read.FHeader.VertExtent, 7200);
  EXPECT_EQ(read.FHeader.Elevation, 3600);
  // The scans side by side, each one's rows as columns, the first at the left.
  for (int k = 1; k <= 3; ++k)
    for (const auto &[x, y] : {std::pair{0, 0}, std::pair{5, 79}, std::pair{2, 40}}) {
      SCOPED_TRACE(testing::Message() << "scan " << k << " (" << x << ", " << y << ")");
      EXPECT_NEAR(read.RawToTemperature(read.FRaw[static_cast<std::size_t>(x) * 240 + (k - 1) * 80 + y]),
                  ScanTemperature(k, x, y), 0.011);
    }
}

TEST_F(MergeScansWindow, CtrlFOnASingleFrameDoesNothing) {
  TCalidarix &w = Start();
  ASSERT_TRUE(w.OpenInView(Thermogram("one.dtv", 20.0f, 6, 80)));
  ASSERT_TRUE(AddPoint(w.FMarkers.FPoints, 2, 40, 6, 80));
  const std::vector<std::uint16_t> raw = CurrentDTV->FRaw;
  w.FStatusNotice.clear();

  CtrlF(w);

  EXPECT_EQ(CurrentDTV->FRaw, raw);
  EXPECT_EQ(CurrentDTV->Width(), 6);
  EXPECT_EQ(CurrentDTV->FFileName, Path("one.dtv"));
  EXPECT_EQ(w.FMarkers.FPoints.size(), 1u);
  EXPECT_TRUE(w.FStatusNotice.isEmpty()) << w.FStatusNotice.toStdString();
  EXPECT_TRUE(Saved().isEmpty());
  EXPECT_TRUE(progress.Positions.empty());
}

using MergeScansLiveWindow = test::LiveWindow;

// Camera frames keep arriving while the merge lets the event loop run; none of them replaces the
// thermogram being merged.
TEST_F(MergeScansLiveWindow, FramesArrivingDuringTheMergeDoNotReplaceIt) {
  TCalidarix &w = Open();
  Start({});
  ASSERT_TRUE(WaitForShownFrames(2));
  const QString film = QString::fromStdString(driveDir.file("scans.dtv").string());
  WriteScans(film, 3);
  ASSERT_TRUE(CurrentDTV->LoadFromFile(film, 1));
  const int shown = w.FAcquisition.FramesShown;

  w.MergeMultiScan();

  EXPECT_EQ(w.FAcquisition.FramesShown, shown);
  EXPECT_EQ(CurrentDTV->Width(), 240);
  EXPECT_EQ(CurrentDTV->Height(), 6);
  EXPECT_EQ(CurrentDTV->FHeader.FrameCount, 1);
  TDTV saved;
  ASSERT_TRUE(saved.LoadDTV(CurrentDTV->FFileName, 1)) << w.FStatusNotice.toStdString();
  EXPECT_EQ(saved.FRaw, CurrentDTV->FRaw);
  // Afterwards the camera's frames are shown again.
  EXPECT_TRUE(WaitForShownFrames(1));
}

} // namespace
} // namespace calidarix
