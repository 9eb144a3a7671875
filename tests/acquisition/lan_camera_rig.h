#pragma once
// A network camera on loopback and the program's reception pointed at it: the simulator, a link, a
// camera state that matches the simulator's configuration, and the reception's state.

#include "acquisition/camera_state.h"
#include "acquisition/lan_link.h"
#include "acquisition/lan_reception.h"
#include "tests/sim/lan_camera_simulator.h"

#include <cstdint>
#include <vector>

namespace calidarix::test {

// The simulator's default scene: a ramp that changes from frame to frame.
inline std::uint16_t RampPixel(int x, int y, int frame) {
  return static_cast<std::uint16_t>(3000 + x * 4 + y * 2 + frame);
}

// The camera state of a camera configured as `config`.
inline TScanUnit UnitFor(const sim::LanCameraConfig &config, std::int32_t scanHeight) {
  TScanUnit unit;
  unit.CameraInterfaceType = config.interfaceType;
  unit.CameraNo = config.cameraNo;
  unit.CameraIP = "127.0.0.1";
  unit.ScanWidth = config.scanWidth;
  unit.ScanHeight = scanHeight;
  unit.Speed = 2;
  unit.Sectors = config.lineMode ? kLineModeSectors : config.quarterMode ? kQuarterSectors : 15;
  unit.Set = {2500, config.blind, config.blind2};
  return unit;
}

struct LanRig {
  explicit LanRig(const sim::LanCameraConfig &config, std::int32_t scanHeight = 16)
      : camera(config), unit(UnitFor(config, scanHeight)) {
    port = camera.Open().value_or(0);
    camera.Start();
    link.Connect("127.0.0.1", port);
    timings.FrameTimeoutMs = 2000;
    timings.BlindDrainMs = 50;
  }

  TFrameResult Frame() {
    lines.clear();
    headSteps = 0;
    TLanFrameContext context{unit, requests, link, state, timings, {}, {}};
    context.OnHeadStep = [this] { ++headSteps; };
    context.OnLine = [this](std::int32_t line, std::span<const std::uint16_t>) { lines.push_back(line); };
    return ReceiveLanFrame(context);
  }

  sim::LanCameraSimulator camera;
  std::uint16_t port = 0;
  TScanUnit unit;
  TScanRequests requests;
  TLanLink link;
  TLanReceptionState state;
  TLanTimings timings;
  std::vector<std::int32_t> lines;
  int headSteps = 0;
};

} // namespace calidarix::test
