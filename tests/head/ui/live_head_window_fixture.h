#pragma once
// The real main window fed by the real acquisition thread from the simulated network camera
// (LiveWindow), with the real head link driving the simulated head on a pseudo-terminal: the harness of
// the panorama and strip sequences.

#include "head/head_globals.h"
#include "head/head_link.h"
#include "head/ui/head_service.h"
#include "tests/acquisition/ui/live_window_fixture.h"
#include "tests/head/head_sim_fixture.h"

#include <cstdint>
#include <memory>

namespace calidarix::test {

class LiveHeadWindow : public LiveWindow {
protected:
  void SetUp() override {
    LiveWindow::SetUp();
    ASSERT_TRUE(pty.Start(100));
    head = pty.head.get();
    fakes.services.head = std::make_unique<QorHeadLink>();
    fakes.head = nullptr;
  }
  void TearDown() override {
    LiveWindow::TearDown();
    pty.Stop();
    ResetHeadGlobals();
  }

  // The window with the head found and a strip marked as running, for the head step message.
  TCalidarix &OpenStripping(std::int32_t stripDown) {
    TCalidarix &w = Open();
    w.ScanforPanHead1Click();
    w.FIniSettings.Head.StripDown = stripDown;
    ScanRequests.StripScanning.Set(true);
    return w;
  }

  ScopedEnv network{"CALIDARIX_NETWORK", "loopback"};
  PtyHead pty;
  sim::HeadSimulator *head = nullptr;
};

} // namespace calidarix::test
