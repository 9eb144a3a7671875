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
#include "mainwindow/ui/paint_boxes.h"
#include "mainwindow/ui/placeholder_forms.h"
#include "mainwindow/ui/progress_form.h"
#include "platform/numbers.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QProgressBar>

#include <algorithm>
#include <span>

namespace calidarix {

void TCalidarix::ScanLineMessage(const Message &message) {
  if (!Scan || message.LParam != Scan->AsLParam())
    return;
  Scan->LineMessageTaken();
  TAcquisitionState &a = FAcquisition;
  a.ScanLineNumber = static_cast<std::int32_t>(message.WParam);
  const std::int32_t line = a.ScanLineNumber;
  if (MenuChecked("ProgressiveScan"))
    ShowScanLineBMP(line);
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

void TCalidarix::ShowScanLineBMP(std::int32_t lineNo) {
  if (!Scan || !CurrentDTV || !ImagePB || ImagePB->Picture.isNull())
    return;
  // The thread keeps copies of the last lines it received; a line already dropped is not shown.
  const TScanLineCopy copy = Scan->LineCopy(lineNo);
  if (copy.Line != lineNo || copy.Values.empty())
    return;
  const std::size_t width =
      std::min(copy.Values.size(), static_cast<std::size_t>(std::max(0, ScanUnit.FrameWidth)));
  const std::span<const std::uint16_t> line(copy.Values.data(), width);
  const TAreaRecord &area = FMarkers.FCurrentArea;
  const bool whole = area.IsEmpty();
  const TScanLineColours row = ScanLineColours(line, ScanUnit.SignalLut, *CurrentDTV, whole ? 0 : area.Left,
                                               whole ? static_cast<std::int32_t>(width) - 1 : area.Right);
  QImage pixels(static_cast<int>(width), 1, QImage::Format_RGB32);
  for (std::size_t x = 0; x < width; ++x)
    pixels.setPixel(static_cast<int>(x), 0, qRgb(row.Colours[x].R, row.Colours[x].G, row.Colours[x].B));
  // The line is stretched over the image rows it covers, straight into the picture on the screen.
  const std::int32_t k = ScanLineDisplayRows(ScanUnit.Speed, ScanUnit.Sectors);
  const std::int32_t left = GetScreenX(0);
  const std::int32_t top = GetScreenY(lineNo * k);
  const QRect box(left, top, GetScreenX(static_cast<std::int32_t>(width)) - left,
                  GetScreenY((lineNo + 1) * k) - top);
  if (box.isValid()) {
    QPainter painter(&ImagePB->Picture);
    painter.drawImage(box, pixels);
    painter.end();
    ImagePB->update(box);
  }
  const std::optional<std::int32_t> noise = LineNoiseFigure(row.NoiseSum);
  if (noise && ProgressForm && ProgressForm->Tag == 1) {
    if (ProgressForm->Bar->maximum() < *noise)
      ProgressForm->Bar->setMaximum(*noise);
    ProgressForm->SetProgress(*noise);
  }
}

void TCalidarix::WaitForStripStep6() {
  TAcquisitionState &a = FAcquisition;
  // The head's step message moves the strip on; it reads the head's own copy of the step.
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
