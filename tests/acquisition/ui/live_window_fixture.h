#pragma once
// The real main window fed by the real acquisition thread, which receives from a simulated network
// camera on loopback: the harness that starts acquisition, as no command of the program does.

#include "acquisition/camera_state.h"
#include "acquisition/film_recording.h"
#include "acquisition/lan_reception.h"
#include "acquisition/scan_thread.h"
#include "acquisition/ui/camera_acquisition.h"
#include "mainwindow/ui/dialogs.h"
#include "mainwindow/ui/logger_window.h"
#include "tests/acquisition/lan_camera_rig.h"
#include "tests/mainwindow/ui/real_view_fixture.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>
#include <memory>

namespace calidarix::test {

class LiveWindow : public RealViewWindow {
protected:
  void SetUp() override {
    RealViewWindow::SetUp();
    fakes.services.acquisition = std::make_unique<TCameraAcquisition>();
    ResetCameraState();
    drive = std::make_unique<ScopedEnv>("CALIDARIX_DRIVE_C", driveDir.path().string());
  }
  void TearDown() override {
    if (window)
      window->StopAcquisitionThread();
    if (camera)
      camera->Stop();
    RealViewWindow::TearDown();
    ResetCameraState();
    FilmRolloverBytes = kFilmRolloverBytes;
  }

  TCalidarix &Open() {
    CreateWindow();
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    window->SetDialogs(std::move(scripted));
    window->resize(900, 700);
    ShowWindow();
    return *window;
  }

  // Starts the acquisition thread against a camera configured as `config`.
  TScan &Start(const sim::LanCameraConfig &config, std::int32_t scanHeight = 16) {
    camera = std::make_unique<sim::LanCameraSimulator>(config);
    const std::uint16_t port = camera->Open().value_or(0);
    camera->Start();
    const TScanUnit unit = UnitFor(config, scanHeight);
    ScanUnit.CameraInterfaceType = unit.CameraInterfaceType;
    ScanUnit.CameraNo = unit.CameraNo;
    ScanUnit.ScanWidth = unit.ScanWidth;
    ScanUnit.ScanHeight = unit.ScanHeight;
    ScanUnit.Sectors = unit.Sectors;
    ScanUnit.Set = unit.Set;
    TLanTimings timings;
    timings.FrameTimeoutMs = 2000;
    timings.BlindDrainMs = 50;
    return window->StartAcquisitionThread(unit, port, timings);
  }

  // Lets the window run until `done` holds (at most 20 s, for a loaded machine).
  static bool WaitUntil(const std::function<bool()> &done, int limitMs = 20000) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
      if (waited.elapsed() > limitMs)
        return done();
      QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
  }
  bool WaitForShownFrames(int n) {
    const int target = window->FAcquisition.FramesShown + n;
    const bool shown = WaitUntil([&] { return window->FAcquisition.FramesShown >= target; });
    if (!shown)
      DumpLog("frames not shown");
    return shown;
  }
  // What the window logged, for a wait that failed on a loaded machine.
  void DumpLog(const char *why) const {
    std::fprintf(stderr, "%s: shown %d, lost %d\n", why, window->FAcquisition.FramesShown,
                 window->FAcquisition.FramesLost);
    if (logger)
      for (const QString &line : logger->Lines())
        std::fprintf(stderr, "  log: %s\n", qPrintable(line));
  }
  bool WaitForLostFrames(int n) {
    const int target = window->FAcquisition.FramesLost + n;
    return WaitUntil([&] { return window->FAcquisition.FramesLost >= target; });
  }

  // The log window holds `text` (its lines begin with the time).
  static bool Logged(const QString &text) {
    if (!logger)
      return false;
    for (const QString &line : logger->Lines())
      if (line.endsWith(text))
        return true;
    return false;
  }

  TempDir driveDir;
  std::unique_ptr<ScopedEnv> drive;
  std::unique_ptr<sim::LanCameraSimulator> camera;
  ScriptedDialogs *dialogs = nullptr;
};

} // namespace calidarix::test
