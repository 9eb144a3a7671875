// Merging the frames of a multi-frame scan into one wide frame from the main window: the markers go,
// the progress window follows the steps, the picture is shown for a moment, and the merged frame is
// saved automatically and fitted to the image box. The merge itself is headless (head/merge_scans.h).

#include "head/merge_scans.h"
#include "mainwindow/ui/busy_job.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/progress_form.h"
#include "mainwindow/ui/sound_wait.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>

namespace calidarix {

namespace {

// How long the merged picture is shown before it is saved.
constexpr int kMergeShowMs = 1000;

void MergeProgress(int percent) {
  if (ProgressForm)
    ProgressForm->SetProgress(percent);
  QApplication::processEvents();
}

} // namespace

void TCalidarix::MergeMultiScan() {
  if (!CurrentDTV || CurrentDTV->FHeader.FrameCount < 2)
    return;
  if (RefusedWhileBusy(QStringLiteral("Merge scans")))
    return;
  TDTV &dtv = *CurrentDTV;
  const QString busyJob = QStringLiteral("Merge scans");
  IoResult merged;
  {
    // The steps let the event loop run: commands and camera frames that would work on the thermogram
    // wait meanwhile.
    TBusyJob busy(*this, busyJob);
    ClearAllMarkers();
    if (ProgressForm) {
      ProgressForm->SetProgress(0);
      ProgressForm->show();
    }
    QApplication::processEvents();
    merged = MergeScanFrames(dtv, [](int percent) {
      MergeProgress(percent);
      if (percent == 60)
        RunEventsFor(kMergeShowMs);
    });
  }
  if (!merged) {
    if (ProgressForm)
      ProgressForm->hide();
    return ShowViewNotice(merged.message, dtv.FFileName);
  }
  // The save is itself refused while a job runs; it lets no event run.
  SaveDTVAuto();
  {
    TBusyJob busy(*this, busyJob);
    MergeProgress(80);
    FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, true);
    MergeProgress(100);
  }
  // The picture, and the labels that still count the film's frames and give its statistics. A fresh
  // view clears the notices over the image; the name the merged frame was saved under stays.
  const QString savedAs = FSavedNotice;
  ChangeDTV(false);
  FSavedNotice = savedAs;
  ImagePB->update();
  if (ProgressForm)
    ProgressForm->hide();
}

} // namespace calidarix
