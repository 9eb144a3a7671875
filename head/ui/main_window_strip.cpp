// Strip scanning in the main window: "Start Strip" and its repetition with "Keep on stripping", the
// columns of a panorama of strips ("Pan by Strips"), the window's side of the sequence (the head link,
// the step shared with the acquisition thread, the progress window and the event queue) and the
// shaping, saving and signalling of the finished strip frame. The sequence itself and its arithmetic
// are headless (head/strip_scan.h).

#include "acquisition/camera_state.h"
#include "acquisition/scan_thread.h"
#include "acquisition/sector_tables.h"
#include "acquisition/ui/acquisition_state.h"
#include "head/head_globals.h"
#include "head/head_link.h"
#include "head/strip_scan.h"
#include "mainwindow/tone.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/progress_form.h"
#include "platform/numbers.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QThread>

#include <algorithm>
#include <limits>

namespace calidarix {

namespace {

constexpr double kStripSavedLowHz = 250.0;
constexpr double kStripSavedHighHz = 500.0;
constexpr int kStripSavedToneMs = 200;

// Four request lines per line on these network cameras when they run with four sectors.
bool QuarterLines(const TScanUnit &unit) {
  const std::int32_t type = unit.CameraInterfaceType;
  return (type == CamIfLan2 || type == CamIfLan2Dual || type == CamIfLan3) && unit.Sectors == kQuarterSectors;
}

// The window, the head link and the acquisition as the strip sequence sees them. The step lives twice:
// in the requests the acquisition thread advances and in the head fields the head step message
// advances; each read takes the later of the two and writes it to both.
class WindowStripActor final : public TStripActor {
public:
  WindowStripActor(TCalidarix &window, tQor &head) : w_(window), head_(head) { clock_.start(); }

  std::int64_t NowMs() override { return clock_.elapsed(); }
  void ProcessEvents() override {
    Step();
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    // Nothing was waiting: give the processor back for a moment rather than spin.
    QThread::msleep(2);
    Step();
  }
  bool CancelPressed() override { return ProgressForm && ProgressForm->Cancelled(); }
  void ShowProgress(int percent) override {
    if (!ProgressForm)
      return;
    if (percent < 0) {
      ProgressForm->hide();
      return;
    }
    ProgressForm->SetProgress(percent);
    if (!ProgressForm->isVisible())
      ProgressForm->show();
  }

  std::uint8_t Step() override {
    const std::uint8_t step = std::max(ScanRequests.StripStep.Get(), w_.FHeadState.StripStep);
    SetStep(step);
    return step;
  }
  void SetStep(std::uint8_t step) override {
    ScanRequests.StripStep.Set(step);
    w_.FHeadState.StripStep = step;
  }
  bool Scanning() override { return ScanRequests.StripScanning.Get(); }
  void SetScanning(bool on) override {
    ScanRequests.StripScanning.Set(on);
  }
  void SetLineCount(std::int32_t lines) override { ScanRequests.StripLineCount.Set(lines); }
  void RequestCameraSpeed(std::uint8_t speed) override { ScanRequests.PendingSpeed.Set(speed); }
  std::int32_t ScanLineNumber() override { return w_.FAcquisition.ScanLineNumber; }
  bool ScanRunning() override { return ScanRequests.ScanRunning.Get(); }
  void StopScan() override { w_.StopScan(); }

  bool HeadIdentify() override { return head_.Identify(); }
  void HeadPurge() override { head_.PurgeInput(); }
  void HeadSendVerTarget(std::int32_t target) override { head_.SendVerTarget(target); }
  void HeadSend(const QorCommand &command) override { head_.SendCommand(command, true); }
  bool HeadCheckDone() override { return head_.CheckDone(); }
  std::int32_t HeadHorCounter(bool request) override {
    if (request)
      head_.RequestCounters(false);
    return head_.FHorCounter;
  }
  std::int32_t HeadVerCounter() override { return head_.FVerCounter; }
  std::optional<TStripReply> HeadReadReply() override {
    if (!head_.ReceiveFrame() || head_.FBadFrame || head_.FNoData)
      return std::nullopt;
    return TStripReply{static_cast<char>(head_.FRxFrame[1]),
                       static_cast<std::int32_t>(QorLE24(head_.FRxFrame.data() + 4))};
  }
  void HeadStop() override { head_.StopHead(); }
  bool HeadWaitDone(int timeoutMs) override { return head_.WaitDone(timeoutMs); }

  void Log(const QString &line, bool service) override {
    if (logger && (!service || w_.ServiceMode))
      logger->AppendLine(line);
  }

private:
  TCalidarix &w_;
  tQor &head_;
  QElapsedTimer clock_;
};

// Clears the busy mark however the command ends.
class StripBusy {
public:
  explicit StripBusy(bool &busy) : busy_(busy) { busy_ = true; }
  ~StripBusy() { busy_ = false; }
  StripBusy(const StripBusy &) = delete;
  StripBusy &operator=(const StripBusy &) = delete;

private:
  bool &busy_;
};

// The strip frame's header and height; the extents were checked by the caller.
void ShapeStrip(TDTV &dtv, const TStripExtents &extents, std::uint16_t scanArcH, std::int32_t height) {
  dtv.FHeader.VertExtent = extents.VertExtent;
  dtv.FHeader.HorzExtent = scanArcH;
  dtv.FHeader.Elevation = extents.Elevation;
  const std::int32_t rows = std::clamp<std::int32_t>(height, 1, std::numeric_limits<std::uint16_t>::max());
  dtv.FHeader.Height = static_cast<std::uint16_t>(rows);
  dtv.FRaw.resize(static_cast<std::size_t>(dtv.FHeader.Width) * static_cast<std::size_t>(rows), 0);
  dtv.FHeader.Version = 4;
}

// A saved strip sounds a low tone and a high one, unlike every other save. Without a sound device the
// plain beep still says that something was saved.
void SignalStripSaved(SoundDevice &sound) {
  for (const double hz : {kStripSavedLowHz, kStripSavedHighHz}) {
    QString error;
    if (!PlayTone(sound, hz, kStripSavedToneMs, error)) {
      QApplication::beep();
      return;
    }
  }
}

void ResetStripHeader(TDTV &dtv, const IniHeadGeometry &head) {
  dtv.FHeader.Version = 3;
  dtv.FHeader.HorzExtent = head.ScanArcH;
  dtv.FHeader.VertExtent = head.ScanArcV;
  dtv.FHeader.Elevation = TDTVHeader::kElevationNotSet;
}

} // namespace

void TCalidarix::Strip1Click() {
  if (FPanoSequence.Busy)
    return HeadNotice(QStringLiteral("Start Strip: a strip is running"));
  if (ScanToolPanel && ScanToolPanel->isVisible())
    ScanToolPanel->hide();
  if (PalToolPanel && PalToolPanel->isVisible())
    PalToolPanel->hide();
  const IniHeadGeometry &head = FIniSettings.Head;
  do {
    if (!ScanRequests.ScanRunning.Get() || ScanRequests.FilmRecording.Get())
      return ScanOnlyNotice(QStringLiteral("Start Strip"));
    TStripRequest request;
    request.StripUp = head.StripUp;
    request.StripDown = head.StripDown;
    request.LineRate = ScanUnit.LineRate;
    request.CounterRate = StripCounterRate;
    request.UdpLink = QorHead && QorHead->FUseUdp;
    request.QuarterLines = QuarterLines(ScanUnit);
    const TStripLineCount lines = StripLineCountFor(request);
    if (!lines.Ok)
      return HeadNotice(QStringLiteral("Start Strip refused: ") + lines.Message);
    if (UserLogOn())
      logger->AppendLine(QString::asprintf("Rqst_ScanLinesCount: %d; DefRate %f; StripCounterRate %f",
                                           lines.Count, request.LineRate,
                                           static_cast<double>(StripCounterRate)));
    StripActionExecute(lines);
    FAcquisition.FFirstFrame = true;
  } while (MenuChecked("KeepOnStripping") && ScanRequests.ScanRunning.Get() &&
           ScanRequests.StripScanning.Get());
  if (HeadConnected && QorHead) {
    QorHead->SendCommand(QorCmdSetSpeedLimit(static_cast<std::uint8_t>(head.StripHiSpeed & 0xFF)), true);
    QorHead->SendVerTarget(0);
  }
}

void TCalidarix::PanByStripsClick() {
  FPanoSequence.Sequence.PlanStripColumns(3);
  // The strips come from a running acquisition; a film being recorded keeps the camera for itself.
  if (!Scan || ScanRequests.FilmRecording.Get())
    return ScanOnlyNotice(QStringLiteral("Pan by Strips"));
  OpenValue2Panel(6, QStringLiteral("Hor:"), QStringLiteral("Lns:"),
                  QString::number(FPanoSequence.Sequence.Grid().LastCol + 1),
                  QString::number(ScanRequests.StripLineCount.Get()));
}

void TCalidarix::StripActionExecute(const TStripLineCount &lines) {
  if (!HeadConnected || !QorHead)
    return;
  const IniHeadGeometry &head = FIniSettings.Head;
  TStripSetup setup;
  setup.StripUp = head.StripUp;
  setup.StripDown = head.StripDown;
  setup.LineCount = lines.Count;
  setup.InterfaceType = ScanUnit.CameraInterfaceType;
  setup.UdpLink = QorHead->FUseUdp;
  setup.CounterRate = StripCounterRate;
  setup.HiSpeed = static_cast<std::uint8_t>(head.StripHiSpeed & 0xFF);
  setup.KeepOnStripping = MenuChecked("KeepOnStripping");
  setup.ReplyMs = FPanoSequence.StripReplyMs;
  setup.WaitMs = StripWaitMs(lines.SweepMs, FPanoSequence.StripReplyMs, FPanoSequence.StripMarginMs);

  TStripOutcome out;
  {
    StripBusy busy(FPanoSequence.Busy);
    WindowStripActor actor(*this, *QorHead);
    out = RunStripSequence(setup, actor);
    if (out.End == TStripEnd::NoHead) {
      HeadLostForSequence();
      ScanforPanHead1Click();
      if (HeadConnected && QorHead)
        out = RunStripSequence(setup, actor);
    }
  }
  FPanoSequence.LastStrip = out;
  if (out.End != TStripEnd::Done) {
    if (out.End != TStripEnd::NoHead)
      HeadNotice(out.Message);
    return;
  }

  const std::optional<TStripExtents> extents =
      StripExtents(out.StartVerRaw, out.EndVerRaw, head.RatioVer, head.RatioVerTurns);
  if (!extents || !CurrentDTV) {
    ScanRequests.StripScanning.Set(false);
    FPanoSequence.LastStrip.End = TStripEnd::Ended;
    FPanoSequence.LastStrip.Message =
        QStringLiteral("Strip not saved: the head's counters give no vertical extent");
    return HeadNotice(FPanoSequence.LastStrip.Message);
  }
  const std::int32_t type = ScanUnit.CameraInterfaceType;
  const bool tripled = (type == 128 || type == 256 || type == 257 || type == 512) &&
                       ScanUnit.Sectors == kQuarterSectors && !MenuChecked("PureData1");
  const std::int32_t height = out.Lines() * (tripled ? 3 : 1);
  const bool dual = IsDualBandType(type);
  ShapeStrip(*CurrentDTV, *extents, head.ScanArcH, height);
  if (dual)
    for (TDTV *band : {BandDTV35.get(), BandDTV812.get()})
      if (band)
        ShapeStrip(*band, *extents, head.ScanArcH, height);

  FAcquisition.StripHorCounterRaw = out.HorRaw;
  FAcquisition.StripVerCounterRaw = out.VerRaw;
  SaveDTVAuto();
  SignalStripSaved(SoundOutput());

  ResetStripHeader(*CurrentDTV, head);
  if (dual)
    for (TDTV *band : {BandDTV35.get(), BandDTV812.get()})
      if (band)
        ResetStripHeader(*band, head);
  // Saved: the next frame ends the sequence. The frame handling may have got there first.
  ScanRequests.StripStep.Set(7);
  FHeadState.StripStep = 7;
  ChangeDTV(true);
}

} // namespace calidarix
