// Scan lines, strips and sweeps in the main window: WM_SCANLINE as each line of a frame arrives (the
// progress of a timed frame, the shaker's head swings, the live line profile) and the wait of a
// strip frame for its blind step.

#include "mainwindow/ui/main_window.h"

#include "acquisition/camera_state.h"
#include "acquisition/scan_lines.h"
#include "acquisition/scan_thread.h"
#include "acquisition/ui/acquisition_state.h"
#include "head/head_globals.h"
#include "head/head_link.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/placeholder_forms.h"
#include "mainwindow/ui/progress_form.h"
#include "platform/numbers.h"

#include <QApplication>
#include <QElapsedTimer>

namespace calidarix {

void TCalidarix::ScanLineMessage(const Message &message) {
  if (!Scan || message.LParam != Scan->AsLParam())
    return;
  TAcquisitionState &a = FAcquisition;
  a.ScanLineNumber = static_cast<std::int32_t>(message.WParam);
  const std::int32_t line = a.ScanLineNumber;
  if (MenuChecked("ProgressiveScan") && line == 0)
    NotAvailable(QStringLiteral("Progressive display of the scan lines"));
  if (ScanRequests.FrameTimingOn.Get() && ProgressForm && ProgressForm->isVisible() &&
      ScanUnit.DisplayFrameHeight > 0)
    ProgressForm->SetProgress(TruncToInt32(static_cast<double>(line) / ScanUnit.DisplayFrameHeight * 100.0));
  if (MenuChecked("ButterShaker"))
    if (const std::optional<std::int32_t> target = ShakerTarget(line); target && QorHead && HeadConnected)
      QorHead->TrackTo(*target, 0);
  if (FGraphShown && (ScanUnit.Speed == 0 || ScanUnit.Sectors == kLineModeSectors) &&
      !ScanRequests.SuppressLineMessages.Get()) {
    ScanRequests.SuppressLineMessages.Set(true);
    const TScanLineCopy copy = Scan->LineCopy(line);
    a.LiveProfile = LiveLineProfile(copy.Values, SpikeRepairOn);
    if (a.LiveProfile.size() > 1 && GraphForm)
      GraphForm->update();
    ScanRequests.SuppressLineMessages.Set(false);
  }
}

void TCalidarix::WaitForStripStep6() {
  TAcquisitionState &a = FAcquisition;
  // The head's step message moves the strip on; it reads the head's own copy of the step.
  FHeadState.StripScanning = true;
  FHeadState.StripStep = ScanRequests.StripStep.Get();
  a.StripWaiting = true;
  QElapsedTimer waited;
  waited.start();
  while (ScanRequests.StripStep.Get() == 5 && FHeadState.StripStep == 5) {
    if (!ScanRequests.ScanRunning.Get() || waited.elapsed() > a.StripWaitMs) {
      if (logger)
        logger->AppendLine(
            QStringLiteral("Strip: the blind step did not come; the strip frame is taken as it is"));
      break;
    }
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  if (FHeadState.StripStep == 6)
    ScanRequests.StripStep.Set(6);
  a.StripWaiting = false;
}

} // namespace calidarix
