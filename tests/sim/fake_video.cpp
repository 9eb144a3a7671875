#include "tests/sim/fake_video.h"

namespace calidarix::sim {

QStringList FakeVideoBackend::DeviceNames() {
  return state_->Devices;
}

bool FakeVideoBackend::Open(int deviceIndex, QString *error) {
  if (state_->FailOpen || deviceIndex < 0 || deviceIndex >= state_->Devices.size()) {
    if (error)
      *error = QStringLiteral("fake device %1 refuses to open").arg(deviceIndex);
    return false;
  }
  open_ = true;
  state_->OpenedIndex = deviceIndex;
  ++state_->OpenCount;
  return true;
}

void FakeVideoBackend::Close() {
  if (open_)
    ++state_->CloseCount;
  open_ = false;
}

std::vector<VideoFormat> FakeVideoBackend::Formats() {
  return open_ ? state_->Formats : std::vector<VideoFormat>{};
}

bool FakeVideoBackend::SetFormat(const VideoFormat &format, QString *error) {
  if (!open_ || state_->FailSetFormat) {
    if (error)
      *error = QStringLiteral("fake device refuses the format");
    return false;
  }
  state_->FormatsSet.push_back(format);
  state_->Width = format.Width;
  state_->Height = format.Height;
  return true;
}

bool FakeVideoBackend::LatestFrame(QImage &frame) {
  if (!open_ || !state_->DeliverFrames)
    return false;
  const int n = state_->FramesGiven++;
  if (state_->MakeFrame) {
    frame = state_->MakeFrame(state_->Width, state_->Height, n);
  } else {
    frame = QImage(state_->Width, state_->Height, QImage::Format_RGB888);
    frame.fill(state_->Colour);
  }
  return true;
}

std::vector<VideoControl> FakeVideoBackend::Controls() {
  std::vector<VideoControl> controls = open_ ? state_->Controls : std::vector<VideoControl>{};
  for (VideoControl &c : controls)
    if (auto it = state_->ControlsSet.find(c.Id); it != state_->ControlsSet.end())
      c.Value = it->second;
  return controls;
}

bool FakeVideoBackend::SetControl(std::uint32_t id, int value) {
  if (!open_)
    return false;
  state_->ControlsSet[id] = value;
  return true;
}

VideoFormat FakeFormat(int w, int h, int bpp, int fps) {
  VideoFormat f;
  f.Width = w;
  f.Height = h;
  f.BitsPerPixel = bpp;
  f.IntervalNumerator = 1;
  f.IntervalDenominator = static_cast<std::uint32_t>(fps);
  f.FrameTime100ns = fps > 0 ? 10000000 / fps : 0;
  return f;
}

} // namespace calidarix::sim
