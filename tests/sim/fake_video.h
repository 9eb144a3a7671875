#pragma once
// A video backend without hardware: named devices with their formats and controls, and frames made
// on request. The tests and benchmarks drive the video routines and the video panel with it.

#include "acquisition/video_capture.h"

#include <QColor>

#include <functional>
#include <map>

namespace calidarix::sim {

struct FakeVideoState {
  QStringList Devices;
  std::vector<VideoFormat> Formats;
  std::vector<VideoControl> Controls;
  // Makes the frame of a format; a solid colour by default.
  std::function<QImage(int width, int height, int frameNumber)> MakeFrame;
  QColor Colour = QColor(255, 255, 255);
  bool FailOpen = false;
  bool FailSetFormat = false;
  bool DeliverFrames = true;
  // What was asked of the backend.
  int OpenedIndex = -1;
  int OpenCount = 0;
  int CloseCount = 0;
  std::vector<VideoFormat> FormatsSet;
  std::map<std::uint32_t, int> ControlsSet;
  int FramesGiven = 0;
  int Width = 640; // the running format
  int Height = 480;
};

class FakeVideoBackend : public VideoBackend {
public:
  // The state is the test's: it stays readable after the backend was handed over.
  explicit FakeVideoBackend(std::shared_ptr<FakeVideoState> state) : state_(std::move(state)) {}

  QStringList DeviceNames() override;
  bool Open(int deviceIndex, QString *error) override;
  void Close() override;
  std::vector<VideoFormat> Formats() override;
  bool SetFormat(const VideoFormat &format, QString *error) override;
  bool LatestFrame(QImage &frame) override;
  std::vector<VideoControl> Controls() override;
  bool SetControl(std::uint32_t id, int value) override;

private:
  std::shared_ptr<FakeVideoState> state_;
  bool open_ = false;
};

// A format of the fake devices: w x h at the given rate, of bpp bits per pixel.
VideoFormat FakeFormat(int w, int h, int bpp, int fps);

} // namespace calidarix::sim
