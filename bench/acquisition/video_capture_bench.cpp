// One 640 x 480 video frame grabbed from the device and stretched into the image area, as the palette
// timer does 25 times a second while video is shown. The goal is 10 ms or less per frame.

#include "acquisition/video_capture.h"
#include "tests/sim/fake_video.h"

#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

using namespace calidarix;

void BM_VideoFrameIntoPanel(benchmark::State &state) {
  const int panelWidth = static_cast<int>(state.range(0));
  const int panelHeight = static_cast<int>(state.range(1));
  auto fake = std::make_shared<sim::FakeVideoState>();
  fake->Devices = {QStringLiteral("Camera")};
  QImage captured(640, 480, QImage::Format_RGB888);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      captured.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
  // A capture thread hands over a new frame each time: a deep copy, not a shared one.
  fake->MakeFrame = [&captured](int, int, int) { return captured.copy(); };
  UseVideoBackend(std::make_unique<sim::FakeVideoBackend>(fake));
  VideoStart(0);
  QImage panel(panelWidth, panelHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    GrabVideoFrame();
    QPainter painter(&panel);
    DrawVideoFrame(painter, panel.rect(), VideoFrameBitmap(), true);
    painter.end();
    benchmark::DoNotOptimize(panel.constBits());
  }
  ResetVideoCapture();
}
BENCHMARK(BM_VideoFrameIntoPanel)->Args({640, 540})->Args({1280, 960})->Unit(benchmark::kMillisecond);

} // namespace
