// Panorama by frames in the main window: the commands that start it ("Pano (P)", "Start Panoram"), the
// step from one finished cell to the next, and the menu switches that decide the end of a grid. The
// order of the cells and the end decisions are headless (head/pano_by_frames.h); the camera side
// (acquisition/ui/main_window_frames.cpp) marks a cell's frame complete and calls NextPanoFrame.

#include "acquisition/camera_state.h"
#include "acquisition/scan_thread.h"
#include "acquisition/ui/acquisition_state.h"
#include "head/head_globals.h"
#include "head/head_link.h"
#include "head/ui/pano_scan_dialog.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "platform/numbers.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QFrame>
#include <QMenu>
#include <QToolButton>

namespace calidarix {

namespace {

// Clears the busy mark however the command ends.
class SequenceBusy {
public:
  explicit SequenceBusy(bool &busy) : busy_(busy) { busy_ = true; }
  ~SequenceBusy() { busy_ = false; }
  SequenceBusy(const SequenceBusy &) = delete;
  SequenceBusy &operator=(const SequenceBusy &) = delete;

private:
  bool &busy_;
};

} // namespace

void TCalidarix::ConnectPanoSequenceCommands() {
  const auto item = [this](const char *name) { return findChild<QAction *>(QString::fromLatin1(name)); };
  if (QAction *frames = item("PanByFrames"))
    connect(frames, &QAction::triggered, this, &TCalidarix::PanByFramesClick);
  if (QAction *strip = item("Strip1"))
    connect(strip, &QAction::triggered, this, &TCalidarix::Strip1Click);
  if (QAction *byStrips = item("PanByStrips"))
    connect(byStrips, &QAction::triggered, this, &TCalidarix::PanByStripsClick);
  // What follows a finished panorama: stitch it, scan it again, or (for strips) keep on stripping.
  auto *ends = new QActionGroup(this);
  for (const char *name : {"AutoStitch", "KeepOnPanning", "KeepOnStripping"}) {
    QAction *action = item(name);
    if (!action)
      continue;
    action->setCheckable(true);
    ends->addAction(action);
  }
  if (QAction *autoStitch = item("AutoStitch"))
    autoStitch->setChecked(true);
  if (QAction *interactive = item("PanoInteractive"))
    connect(interactive, &QAction::toggled, this, [](bool on) {
      if (logger)
        logger->AppendLine(on ? QStringLiteral("Pano Interactive on")
                              : QStringLiteral("Pano Interactive off"));
    });
  FPanoSequence.FRunPanoDialog = [] { return PanoScanDialog && PanoScanDialog->exec() == QDialog::Accepted; };
}

void TCalidarix::PanoPanelClick() {
  if (ScanToolPanel && ScanToolPanel->isVisible())
    ScanToolPanel->hide();
  if (PalToolPanel && PalToolPanel->isVisible())
    PalToolPanel->hide();
  if (!QorHead)
    return HeadNotice(QStringLiteral("Start Panoram: no head link"));
  if (!HeadConnected)
    ScanforPanHead1Click();
  HeadConnected = QorHead->FConnected;
  if (HeadConnected)
    PanByFramesClick();
}

void TCalidarix::PanByFramesClick() {
  if (FPanoSequence.Busy)
    return HeadNotice(QStringLiteral("Start Panoram: a panorama or strip is being started"));
  if (!Scan || !ScanRequests.ScanRunning.Get() || ScanRequests.FilmRecording.Get())
    return ScanOnlyNotice(QStringLiteral("Start Panoram"));
  auto *menu = findChild<QMenu *>(QStringLiteral("Panoram1"));
  if (menu)
    menu->setEnabled(false);
  StartPanByFrames();
  if (menu)
    menu->setEnabled(true);
}

void TCalidarix::HeadLostForSequence() {
  HeadConnected = false;
  ScanRequests.HeadConnected.Set(false);
  SetHeadMenuItems();
  HeadNotice(QStringLiteral("The panorama head does not answer"));
}

void TCalidarix::StartPanByFrames() {
  if (!PanoScanDialog || !FPanoSequence.FRunPanoDialog)
    return NotAvailable(QStringLiteral("Start Panoram"));
  const IniHeadGeometry &head = FIniSettings.Head;
  bool accepted = false;
  {
    SequenceBusy busy(FPanoSequence.Busy);
    if (MenuChecked("PanoInteractive") && !FPanorama.PanoFov)
      CreateaDTVandappendDTV1Click();
    FillPanDialog();
    accepted = FPanoSequence.FRunPanoDialog();
  }
  if (!accepted)
    return;
  const TPanoScanDialog &d = *PanoScanDialog;
  if (UserLogOn())
    logger->AppendLine(QStringLiteral("Pan request:%1x%2").arg(d.FCols).arg(d.FRows));
  if (!QorHead || !QorHead->Identify())
    return HeadLostForSequence();
  ScanRequests.HeadConnected.Set(true);

  if (d.FSpeed == 0) {
    // Thermo profile: one strip over the grid's height instead of frames. h is half a frame's height in
    // head target units.
    const double clicks = head.RatioVerTurns != 0
                              ? head.ScanArcV * 0.5 / 360.0 / 180.0 * head.RatioVer / head.RatioVerTurns
                              : 0.0;
    const std::int32_t h = TruncToInt32(clicks) >> 8;
    FIniSettings.Head.StripUp = h + ((d.FRows - d.FRise) - 1) * head.VerStep;
    FIniSettings.Head.StripDown = -d.FRise * head.VerStep - h;
    return Strip1Click();
  }

  TPanoGrid grid;
  grid.LastCol = d.FCols - 1;
  grid.LastRow = d.FRows - 1;
  grid.Rise = d.FRise;
  grid.HalfRowShift = d.FHalfRowShift;
  grid.HorStep = head.HorStep;
  grid.VerStep = head.VerStep;
  const std::optional<TPanoTarget> first = FPanoSequence.Sequence.Start(grid);
  if (!first)
    return;
  QorHead->TrackTo(first->Hor, first->Ver);
  ScanRequests.PanHeadSettled.Set(false);
  ScanRequests.PanFrameReady.Set(false);
  ScanRequests.PanByFramesActive.Set(true);
}

void TCalidarix::NextPanoFrame() {
  TPanoByFrames &seq = FPanoSequence.Sequence;
  if (!ScanRequests.PanByFramesActive.Get() || !seq.Active() || !CurrentDTV)
    return;
  const IniHeadGeometry &head = FIniSettings.Head;
  TDTV &cur = *CurrentDTV;
  // A plain frame: the stitching places it by the head's counters in its name.
  cur.FHeader.Version = 3;
  cur.FHeader.HorzExtent = head.ScanArcH;
  cur.FHeader.VertExtent = head.ScanArcV;
  cur.FHeader.Elevation = TDTVHeader::kElevationNotSet;
  SaveDTVAuto();
  cur.FSumming = false;
  cur.FSumDone = 0;
  if (MenuChecked("PanoInteractive"))
    ChangeDTV(false);
  ScanRequests.PanFrameReady.Set(false);

  const bool linked = QorHead && HeadConnected;
  if (const std::optional<TPanoTarget> next = seq.Advance()) {
    if (linked)
      QorHead->TrackTo(next->Hor, next->Ver);
    if (Scan)
      Scan->FAutoRange.store(true);
    if (LockSB && LockSB->isChecked()) {
      LockSB->setChecked(false);
      LockSBClick();
    }
    return;
  }

  // The grid is done: the head goes home, then the switches decide.
  ScanRequests.PanByFramesActive.Set(false);
  if (linked)
    QorHead->TrackTo(0, 0);
  const TPanoEnd end =
      PanoEndActions(MenuChecked("AutoStitch"), MenuChecked("KeepOnPanning"), MenuChecked("PanoInteractive"));
  if (logger)
    logger->AppendLine(QStringLiteral("Panorama done: %1 frames").arg(seq.CellsDone()));
  if (end.StopScan && ScanRequests.ScanRunning.Get())
    StopScan();
  if (end.Stitch && !FRegistrySettings.LastPanoPath.isEmpty())
    ProcessPanFolder(FRegistrySettings.LastPanoPath, false);
  if (end.Restart && ScanRequests.ScanRunning.Get()) {
    const std::optional<TPanoTarget> first = seq.Restart();
    if (!first)
      return;
    if (linked)
      QorHead->TrackTo(first->Hor, first->Ver);
    ScanRequests.PanHeadSettled.Set(false);
    ScanRequests.PanFrameReady.Set(false);
    ScanRequests.PanByFramesActive.Set(true);
  }
}

} // namespace calidarix
