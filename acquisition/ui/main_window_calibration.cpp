// The main window's calibration hotkeys, which open the calibration form on the set of the
// camera's current range and band (one of them first adds a point taken from the selected area),
// and the pause of acquisition while a range edit has the focus.

#include "mainwindow/ui/main_window.h"

#include "acquisition/camera_state.h"
#include "acquisition/scan_thread.h"
#include "acquisition/scanner_exchange.h"
#include "acquisition/ui/calibr_form.h"
#include "mainwindow/ui/event_hook.h"
#include "platform/inifile.h"
#include "platform/numbers.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QTableWidget>

#include <algorithm>
#include <cmath>
#include <system_error>

namespace calidarix {

namespace {

// The set of the current range and band, or -1 for a band the form has no tab for.
int CurrentCalibrationSet(const TScanUnit &unit) {
  if (unit.CalibrationBand > 1 || unit.CalibrationRange > 2)
    return -1;
  return unit.CalibrationRange + 3 * unit.CalibrationBand;
}

// The main window as the calibration form's way to the network camera.
class TCalibrLanHost : public TExchangeLanHost {
public:
  explicit TCalibrLanHost(TCalidarix &window) : window_(window) {}
  TCameraCommandLink *LanLink() override { return window_.CalibrationLanLink(nullptr); }
  TCameraCommandLink *EnsureLanLink(const std::string &address) override {
    return window_.CalibrationLanLink(&address);
  }

private:
  TCalidarix &window_;
};

// Hands the form the INI file and loads the set-up and the set of the current range and band.
void OpenOnCurrentSet(TCalibrForm &form, const std::filesystem::path &ini, TExchangeLanHost *lan) {
  form.FExchange.SetLanHost(lan);
  form.FIniFile = std::make_unique<IniFile>(ini);
  const int set = CurrentCalibrationSet(ScanUnit);
  if (set >= 0)
    form.SelectSet(set);
  form.LoadParams();
  form.LoadSet(form.FLoadedTab);
}

} // namespace

TCameraCommandLink *TCalidarix::CalibrationLanLink(const std::string *address) {
  if (!Scan && address) {
    // Made as the Scan command makes it, but left suspended: only its link is used.
    const WindowHandle owner = AcquisitionWindowHandle();
    FAcquisition.OwnedScan =
        std::make_unique<TScan>([owner](MessageId msg, WPARAM w, LPARAM l) { PostMessage(owner, msg, w, l); },
                                ScanRequests, ScanUnit);
    Scan = FAcquisition.OwnedScan.get();
  }
  if (!Scan || Scan->Started())
    return nullptr;
  TLanLink &link = Scan->Link();
  if (address && !link.Connected())
    link.Connect(*address, Scan->CameraPort);
  return &link;
}

TExchangeLanHost *TCalidarix::CalibrLanHost() {
  if (!FCalibrLanHost)
    FCalibrLanHost = std::make_shared<TCalibrLanHost>(*this);
  return FCalibrLanHost.get();
}

std::filesystem::path TCalidarix::CalibrationIniPath() const {
  return FIniFileName.empty() ? ProgramIniPath() : FIniFileName;
}

void TCalidarix::CtrlAltPointExecute() {
  const std::filesystem::path ini = CalibrationIniPath();
  std::error_code error;
  if (!std::filesystem::exists(ini, error))
    return;
  if (!CalibrForm) {
    NotAvailable(QStringLiteral("Calibration form [Ctrl+Alt+.]"));
    return;
  }
  OpenOnCurrentSet(*CalibrForm, ini, CalibrLanHost());
  CalibrForm->UpDateAll();
  QApplication::processEvents();
  CalibrForm->ShowModal();
  SelectCurrentCalibration(ScanUnit);
}

void TCalidarix::CtrlAltCommaExecute() {
  const std::filesystem::path ini = CalibrationIniPath();
  std::error_code error;
  TAreaRecord &area = FMarkers.FCurrentArea;
  if (!std::filesystem::exists(ini, error) || ScanRequests.BlindCorrectionOn.Get() || area.IsEmpty() ||
      !CurrentDTV)
    return;
  if (!CalibrForm) {
    NotAvailable(QStringLiteral("Calibration form [Ctrl+Alt+,]"));
    return;
  }
  TCalibrForm &form = *CalibrForm;
  OpenOnCurrentSet(form, ini, CalibrLanHost());

  CountArray(area, true);
  const double mean = RoundHalfEven(CurrentDTV->RawToTemperature(FMeasure.FAreaRawAvg));
  // The area's mean in the units of the thermogram in memory: counts of the camera.
  const auto signal = static_cast<std::int32_t>(std::clamp(mean, -2.0e9, 2.0e9));
  double net = signal - CalibrSignal0;
  if (net <= 0.0)
    net = 0.00001;
  else if (net > 65535.0)
    net = 65535.0;

  TCalibrationTable &table = form.FTable;
  std::int32_t k = 1;
  while (k <= table.FPointCount && table.FCalibrPoints[static_cast<std::size_t>(k)].RawSignal < signal)
    ++k;
  if (!table.InsertCalibr(k)) {
    ShowViewNotice(QStringLiteral("Calibration table is full (%1 points)").arg(kMaxCalibrationPoints));
    return;
  }
  TCalibrPoint &point = table.FCalibrPoints[static_cast<std::size_t>(k)];
  point.RawSignal = signal;
  point.NetSignal = net;
  // What the form's current curve gives for the signal; the user types the true value over it.
  point.Temperature = CalibrSignalToTemperature(net);
  point.BodyTemperature = ScanUnit.CameraTemperature;

  form.UpDateAll();
  form.BeginTemperatureEdit(k);
  form.ShowModal();
  SelectCurrentCalibration(ScanUnit);
}

// ---- Range edits ----

void TCalidarix::WatchRangeEditFocus() {
  auto *focus = new TEventHook(this, [this](QObject *watched, QEvent *event) {
    const bool in = event->type() == QEvent::FocusIn;
    if (!in && event->type() != QEvent::FocusOut)
      return false;
    if (watched == MaxEdit)
      in ? MaxEditEnter() : MaxEditExit();
    else
      in ? MinEditEnter() : MinEditExit();
    return false;
  });
  focus->Watch(MaxEdit);
  focus->Watch(MinEdit);
}

// The thread is asked to pause at its next safe point (between frames) and to drop the frame it was
// receiving, never stopped wherever it happens to be.
void TCalidarix::MaxEditEnter() {
  if (!Scan || !ScanRequests.ScanRunning.Get() || FRangeEditPaused)
    return;
  ScanRequests.FSkipNextFrame.Set(true);
  Scan->SetPause(true);
  FRangeEditPaused = true;
}

void TCalidarix::MinEditEnter() {
  MaxEditEnter();
}

// Only the pause this window asked for is released; a pause someone else asked for stays.
void TCalidarix::MaxEditExit() {
  if (!FRangeEditPaused)
    return;
  FRangeEditPaused = false;
  if (Scan)
    Scan->SetPause(false);
}

void TCalidarix::MinEditExit() {
  MaxEditExit();
}

} // namespace calidarix
