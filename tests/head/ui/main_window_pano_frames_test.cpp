// Panorama by frames and strips from the main window, with the real acquisition thread receiving from
// the simulated network camera and the real head link driving the simulated head: a 3 x 2 panorama run
// from "Start Panoram" to its stitched folder, the menu switches that decide the end of a grid, and the
// strip command's refusals.

#include "acquisition/scan_thread.h"
#include "head/head_globals.h"
#include "head/head_link.h"
#include "head/ui/head_service.h"
#include "head/ui/pano_scan_dialog.h"
#include "platform/messages.h"
#include "tests/head/ui/live_head_window_fixture.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace calidarix {
namespace {

class PanoSequenceWindow : public test::LiveHeadWindow {
protected:
  void SetUp() override {
    LiveHeadWindow::SetUp();
    PanoScanDialog = &dialog;
  }
  void TearDown() override {
    PanoScanDialog = nullptr;
    if (QorHead && normalPump)
      QorHead->FProcessMessages = normalPump;
    LiveHeadWindow::TearDown();
  }

  // The window with the head found and the camera running.
  TCalidarix &OpenLinked() {
    TCalidarix &w = Open();
    w.ScanforPanHead1Click();
    EXPECT_TRUE(w.HeadConnected);
    Start({});
    EXPECT_TRUE(WaitForShownFrames(2));
    return w;
  }

  // The dialog answers Ok with this plan.
  void PlanAnswer(TCalidarix &w, int cols, int rows, int rise = 0, bool halfShift = false) {
    w.FPanoSequence.FRunPanoDialog = [this, cols, rows, rise, halfShift] {
      ++dialogsShown;
      dialog.FCols = cols;
      dialog.FRows = rows;
      dialog.FRise = rise;
      dialog.FHalfRowShift = halfShift;
      dialog.FSpeed = 2;
      return true;
    };
  }

  // The (horizontal, vertical) targets the head was sent, in order: each track command sends the
  // vertical target and then the horizontal one.
  std::vector<std::pair<int, int>> Targets() const {
    std::vector<std::pair<int, int>> out;
    int ver = 0;
    for (const std::string &c : head->Commands()) {
      // The target goes on the wire offset by 0x8000, low byte first.
      const auto value = [&] {
        return (static_cast<std::uint8_t>(c[5]) | static_cast<std::uint8_t>(c[6]) << 8) - 0x8000;
      };
      if (c.rfind("$TVer", 0) == 0)
        ver = value();
      else if (c.rfind("$THor", 0) == 0)
        out.emplace_back(value(), ver);
    }
    return out;
  }

  QAction *Item(const char *name) { return window->findChild<QAction *>(name); }

  // A head that answers late: once a cell's frame is complete, each wait of the link lasts until the
  // camera has delivered one more frame, so that a frame message is handled inside the wait for the
  // head's counters, as it is whenever the head's answer takes longer than a frame.
  void SlowHead() {
    normalPump = QorHead->FProcessMessages;
    QorHead->FProcessMessages = [this] {
      if (inSlowWait || !ScanRequests.PanFrameReady.Get()) {
        QCoreApplication::processEvents();
        return;
      }
      inSlowWait = true;
      // Short: once the acquisition has stopped no frame comes.
      const int target = window->FAcquisition.FramesShown + 1;
      WaitUntil([&] { return window->FAcquisition.FramesShown >= target; }, 1000);
      inSlowWait = false;
    };
  }

  // The cell files of the 3 x 2 grid, named by the head's counters at the six cells: -197, 0 and 197
  // columns, 123 and 0 rows in target units of 256 counter clicks, each plus 0x800080.
  static std::string ThreeByTwoCellNames() {
    return "PF_7F3B80_800080.dtv PF_7F3B80_807B80.dtv PF_800080_800080.dtv PF_800080_807B80.dtv "
           "PF_80C580_800080.dtv PF_80C580_807B80.dtv";
  }

  TPanoScanDialog dialog;
  int dialogsShown = 0;
  bool inSlowWait = false;
  std::function<void()> normalPump;
};

TEST_F(PanoSequenceWindow, AThreeByTwoPanoramaIsScannedSavedAndStitched) {
  TCalidarix &w = OpenLinked();
  PlanAnswer(w, 3, 2);
  head->ClearCommands();
  Item("PanByFrames")->trigger();
  EXPECT_EQ(dialogsShown, 1);
  ASSERT_TRUE(ScanRequests.PanByFramesActive.Get());
  // Every cell: the head settles, a complete frame follows, the frame is saved and the head moves on.
  ASSERT_TRUE(WaitUntil([&] { return !ScanRequests.PanByFramesActive.Get(); }, 60000));
  EXPECT_EQ(w.FPanoSequence.Sequence.CellsDone(), 6);
  const std::vector<std::pair<int, int>> expected{{-197, 123}, {-197, 0}, {0, 123}, {0, 0},
                                                  {197, 123},  {197, 0},  {0, 0}};
  EXPECT_EQ(Targets(), expected);

  // "Auto stitch": the acquisition stopped and the folder stitched.
  EXPECT_TRUE(WaitUntil([] { return !ScanRequests.ScanRunning.Get(); }));
  const QString folder = w.FRegistrySettings.LastPanoPath;
  ASSERT_FALSE(folder.isEmpty());
  const QStringList cells = QDir(folder).entryList({QStringLiteral("PF_*.dtv")}, QDir::Files, QDir::Name);
  EXPECT_EQ(cells.size(), 6) << cells.join(' ').toStdString();
  // Each cell is named by the head's counters where it stood: all six differ.
  EXPECT_EQ(QSet<QString>(cells.begin(), cells.end()).size(), 6);
  EXPECT_EQ(cells.join(' ').toStdString(), ThreeByTwoCellNames());
  EXPECT_TRUE(w.FPanorama.FLastResult.Written()) << w.FPanorama.FLastResult.Message.toStdString();
  EXPECT_TRUE(QFileInfo::exists(w.FPanorama.FLastResult.OutputFile));
}

TEST_F(PanoSequenceWindow, FramesThatArriveWhileACellIsSavedDoNotSaveItAgain) {
  TCalidarix &w = OpenLinked();
  PlanAnswer(w, 3, 2);
  SlowHead();
  head->ClearCommands();
  Item("PanByFrames")->trigger();
  ASSERT_TRUE(ScanRequests.PanByFramesActive.Get());
  ASSERT_TRUE(WaitUntil([&] { return !ScanRequests.PanByFramesActive.Get(); }, 60000));
  EXPECT_EQ(w.FPanoSequence.Sequence.CellsDone(), 6);
  const std::vector<std::pair<int, int>> expected{{-197, 123}, {-197, 0}, {0, 123}, {0, 0},
                                                  {197, 123},  {197, 0},  {0, 0}};
  EXPECT_EQ(Targets(), expected);
  EXPECT_TRUE(WaitUntil([] { return !ScanRequests.ScanRunning.Get(); }));
  // One file per cell, each taken where the head stood at that cell: a frame handled while the head
  // was asked for its counters neither saved the cell a second time nor sent the head past a cell.
  const QString folder = w.FRegistrySettings.LastPanoPath;
  ASSERT_FALSE(folder.isEmpty());
  const QStringList cells = QDir(folder).entryList({QStringLiteral("PF_*.dtv")}, QDir::Files, QDir::Name);
  EXPECT_EQ(cells.join(' ').toStdString(), ThreeByTwoCellNames());
  EXPECT_TRUE(w.FPanorama.FLastResult.Written()) << w.FPanorama.FLastResult.Message.toStdString();
}

TEST_F(PanoSequenceWindow, KeepOnPanningRunsTheGridAgainWithTheAcquisitionRunning) {
  TCalidarix &w = OpenLinked();
  Item("KeepOnPanning")->trigger();
  EXPECT_TRUE(Item("KeepOnPanning")->isChecked());
  EXPECT_FALSE(Item("AutoStitch")->isChecked()); // one end at a time
  PlanAnswer(w, 1, 2);
  Item("PanByFrames")->trigger();
  // Two cells, then the first cell again: the sequence is re-armed and the frames keep coming.
  ASSERT_TRUE(WaitUntil([&] { return Targets().size() >= 4; }, 60000));
  EXPECT_TRUE(ScanRequests.ScanRunning.Get());
  EXPECT_TRUE(ScanRequests.PanByFramesActive.Get());
  EXPECT_TRUE(w.FPanoSequence.Sequence.Active());
  const std::vector<std::pair<int, int>> first{{0, 123}, {0, 0}, {0, 0}, {0, 123}};
  const std::vector<std::pair<int, int>> got = Targets();
  const std::vector<std::pair<int, int>> firstFour(got.begin(), got.begin() + 4);
  EXPECT_EQ(firstFour, first);
  // Stopping the acquisition ends the panorama with it.
  w.StopScan();
  EXPECT_FALSE(ScanRequests.PanByFramesActive.Get());
}

TEST_F(PanoSequenceWindow, StartPanoramNeedsARunningAcquisitionAndAnAnsweringHead) {
  TCalidarix &w = Open();
  w.ScanforPanHead1Click();
  ASSERT_TRUE(w.HeadConnected);
  PlanAnswer(w, 3, 2);
  // No acquisition: the dialog does not even open.
  w.PanoPanelClick();
  EXPECT_EQ(dialogsShown, 0);
  EXPECT_FALSE(ScanRequests.PanByFramesActive.Get());
  EXPECT_TRUE(w.FStatusNotice.contains("Start Panoram")) << w.FStatusNotice.toStdString();

  // The head falls silent: after Ok nothing moves and the panorama items give way to the search.
  Start({});
  ASSERT_TRUE(WaitForShownFrames(1));
  head->SetFaults({.silence = true});
  head->ClearCommands();
  w.PanoPanelClick();
  EXPECT_EQ(dialogsShown, 1);
  EXPECT_FALSE(ScanRequests.PanByFramesActive.Get());
  EXPECT_FALSE(w.HeadConnected);
  EXPECT_FALSE(Item("PanByFrames")->isEnabled());
  EXPECT_FALSE(Item("Strip1")->isEnabled());
  EXPECT_TRUE(Item("ScanforPanHead1")->isEnabled());
  EXPECT_TRUE(Targets().empty());
}

TEST_F(PanoSequenceWindow, CancelInTheDialogStartsNothing) {
  TCalidarix &w = OpenLinked();
  w.FPanoSequence.FRunPanoDialog = [this] {
    ++dialogsShown;
    return false;
  };
  head->ClearCommands();
  Item("PanByFrames")->trigger();
  EXPECT_EQ(dialogsShown, 1);
  EXPECT_FALSE(ScanRequests.PanByFramesActive.Get());
  EXPECT_TRUE(Targets().empty());
  EXPECT_TRUE(Item("Panoram1") == nullptr || Item("Panoram1")->isEnabled());
}

TEST_F(PanoSequenceWindow, AStripWithAnUnknownRateOrNoSweepIsRefused) {
  TCalidarix &w = OpenLinked();
  struct Case {
    double lineRate;
    float counterRate;
    int up, down;
    const char *says;
  };
  const Case cases[] = {
      {0.0, 8.0f, 250, -250, "line rate"},
      {std::numeric_limits<double>::infinity(), 8.0f, 250, -250, "line rate"},
      {60.0, 0.0f, 250, -250, "sweep rate"},
      {60.0, 8.0f, -250, 250, "not above"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.says);
    ScanUnit.LineRate = c.lineRate;
    StripCounterRate = c.counterRate;
    w.FIniSettings.Head.StripUp = c.up;
    w.FIniSettings.Head.StripDown = c.down;
    head->ClearCommands();
    w.Strip1Click();
    EXPECT_TRUE(w.FStatusNotice.contains(QString::fromLatin1(c.says))) << w.FStatusNotice.toStdString();
    EXPECT_FALSE(ScanRequests.StripScanning.Get());
    EXPECT_EQ(ScanRequests.StripLineCount.Get(), 0);
    // Nothing was asked of the head but the return to its speed limit and the horizon.
    for (const std::string &command : head->Commands())
      EXPECT_TRUE(command.rfind("$XSLmt", 0) == 0 || command.rfind("$TVer", 0) == 0) << command;
  }
}

TEST_F(PanoSequenceWindow, TheHeadStepFollowsTheStepTheAcquisitionThreadSet) {
  TCalidarix &w = OpenStripping(-20);
  ASSERT_TRUE(w.HeadConnected);
  Message step{WM_HEADSTEP, 0, 0, 0};
  // The thread moved to step 2 after the window last looked: the sweep starts all the same.
  w.FHeadState.StripStep = 1;
  ScanRequests.StripStep.Set(2);
  head->ClearCommands();
  w.WndProc(step);
  EXPECT_TRUE(head->WaitForCommand("$TVer", 1000));
  EXPECT_EQ(Targets().size(), 0u); // a vertical target only
  // Step 3 becomes 4 for the thread too, which moves the strip on from there.
  ScanRequests.StripStep.Set(3);
  w.WndProc(step);
  EXPECT_EQ(w.FHeadState.StripStep, 4);
  EXPECT_EQ(ScanRequests.StripStep.Get(), 4);
  ScanRequests.StripScanning.Set(false);
}

TEST_F(PanoSequenceWindow, TheEndSwitchesAreOneRadioGroupWithAutoStitchFirst) {
  TCalidarix &w = Open();
  QAction *autoStitch = Item("AutoStitch");
  QAction *keepPanning = Item("KeepOnPanning");
  QAction *keepStripping = Item("KeepOnStripping");
  ASSERT_TRUE(autoStitch && keepPanning && keepStripping);
  EXPECT_TRUE(autoStitch->isChecked());
  EXPECT_EQ(keepPanning->text(), "Keep on sanning");
  EXPECT_EQ(keepStripping->text(), "Keep on stripping");
  ASSERT_TRUE(autoStitch->actionGroup());
  EXPECT_EQ(autoStitch->actionGroup(), keepPanning->actionGroup());
  EXPECT_EQ(autoStitch->actionGroup(), keepStripping->actionGroup());
  keepStripping->trigger();
  EXPECT_TRUE(w.MenuChecked("KeepOnStripping"));
  EXPECT_FALSE(w.MenuChecked("AutoStitch"));
  // None of them is a command that is not built.
  EXPECT_FALSE(w.FStatusNotice.contains("not available")) << w.FStatusNotice.toStdString();
}

} // namespace
} // namespace calidarix
