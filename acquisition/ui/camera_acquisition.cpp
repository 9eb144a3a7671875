#include "acquisition/ui/camera_acquisition.h"

#include "acquisition/camera_state.h"
#include "acquisition/scan_thread.h"
#include "acquisition/signal_model.h"
#include "mainwindow/ini_settings.h"
#include "mainwindow/ui/main_window.h"

#include <algorithm>

namespace calidarix {

void ApplyIniCameraSettings(const IniCameraSettings &ini, TScanUnit &u) {
  u.CameraInterfaceType = ini.CameraInterfaceType;
  u.CameraNo = ini.CameraNo;
  u.LptPortBase = ini.LptPortBase;
  u.LptDataPort = ini.LptDataPort;
  u.LptStatusPort = ini.LptStatusPort;
  u.LptControlPort = ini.LptControlPort;
  u.BlindLevel = ini.BlindLevel;
  u.BlindRange = ini.BlindRange;
  u.Level = ini.Level;
  u.Range = ini.Range;
  u.VirLev = ini.VirLev;
  u.KLevel = ini.KLevel;
  u.Termo_A = ini.Termo_A;
  u.Termo_B = ini.Termo_B;
  u.FrameWidth = ini.FrameWidth;
  u.FrameHeight = ini.FrameHeight;
  u.ScanWidth = ini.ScanWidth;
  u.ScanHeight = ini.ScanHeight;
  u.Speed = ini.Speed;
  u.Set = ini.Set;
  u.Sinus = ini.Sinus;
  u.Sectors = ini.Sectors;
  u.Delay = ini.Delay;
  u.Edge = ini.Edge;
  u.Center = ini.Center;
  u.Emissivity = ini.Emissivity;
  u.ScanPriority = ini.ScanPriority;
  u.TermoDelta = ini.TermoDelta;
  u.Amplification = ini.Amplification;
  u.AmplificationBand1 = ini.AmplificationBand1;
  u.AmplificationBand2 = ini.AmplificationBand2;
  u.CurAmplification = ini.CurAmplification;
  u.CurAmplificationBand1 = ini.CurAmplificationBand1;
  u.CurAmplificationBand2 = ini.CurAmplificationBand2;
  SetSingleBandCoefficients(u, ini.Coefficients);
  u.Exp_AL = ini.Exp_AL;
  u.Exp_BL = ini.Exp_BL;
  u.Signal0L = ini.Signal0L;
  u.Band1Coefficients = ini.Band1Coefficients;
  u.Band2Coefficients = ini.Band2Coefficients;
  u.CurExpA = ini.CurExpA;
  u.CurExpB = ini.CurExpB;
  u.CurSignal0 = ini.CurSignal0;
  u.TwoCurves = ini.TwoCurves;
  u.CurExpAL = ini.CurExpAL;
  u.CurExpBL = ini.CurExpBL;
  u.CurSignal0L = ini.CurSignal0L;
  u.CurBand1ExpA = ini.CurBand1ExpA;
  u.CurBand1ExpB = ini.CurBand1ExpB;
  u.CurBand1Signal0 = ini.CurBand1Signal0;
  u.CurBand2ExpA = ini.CurBand2ExpA;
  u.CurBand2ExpB = ini.CurBand2ExpB;
  u.CurBand2Signal0 = ini.CurBand2Signal0;
}

int TCameraAcquisition::CameraInterfaceType() const {
  return ScanUnit.CameraInterfaceType;
}

void TCameraAcquisition::SetCameraInterfaceType(int type) {
  ScanUnit.CameraInterfaceType = type;
}

void TCameraAcquisition::SetCameraIP(const QString &address) {
  ScanUnit.CameraIP = address.toStdString();
}

ServiceStatus TCameraAcquisition::ScanSBClick() {
  if (!window_)
    return ServiceStatus::NotAvailable;
  window_->ScanSBClick();
  return ServiceStatus::Done;
}

ServiceStatus TCameraAcquisition::StopScan() {
  if (!window_)
    return ServiceStatus::NotAvailable;
  window_->StopScan();
  return ServiceStatus::Done;
}

bool TCameraAcquisition::ScanRunning() const {
  return ScanRequests.ScanRunning.Get();
}

bool TCameraAcquisition::FrameTimingOn() const {
  return ScanRequests.FrameTimingOn.Get();
}

bool TCameraAcquisition::ScanStopping() const {
  return window_ && window_->FAcquisition.FScanStopping;
}

bool TCameraAcquisition::FilmRecording() const {
  return ScanRequests.FilmRecording.Get();
}

int TCameraAcquisition::CameraNo() const {
  return ScanUnit.CameraNo;
}

double TCameraAcquisition::CameraTemperature() const {
  return ScanUnit.CameraTemperature;
}

ServiceStatus TCameraAcquisition::RequestRange(int range) {
  if (range < 0 || range > 2)
    return ServiceStatus::Failed;
  ScanRequests.PendingRange.Set(static_cast<std::uint8_t>(range));
  return ServiceStatus::Done;
}

ServiceStatus TCameraAcquisition::RequestFilmStart() {
  ScanRequests.GrabFrameRequest.Set(true);
  return ServiceStatus::Done;
}

ServiceStatus TCameraAcquisition::RequestSpeedStep(int step) {
  if (ScanRequests.FilmRecording.Get())
    return ServiceStatus::Done;
  const int speed = ScanUnit.Speed + step;
  if (speed >= 0 && speed <= 3)
    ScanRequests.PendingSpeed.Set(static_cast<std::uint8_t>(speed));
  return ServiceStatus::Done;
}

void TCameraAcquisition::SetAutoRange(bool on) {
  if (Scan)
    Scan->FAutoRange.store(on);
}

void TCameraAcquisition::TakeIniCameraSettings(const IniCameraSettings &ini) {
  ApplyIniCameraSettings(ini, ScanUnit);
}

} // namespace calidarix
