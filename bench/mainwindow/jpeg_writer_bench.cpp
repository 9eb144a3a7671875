// Encoding one "Image+Scale" snapshot of a 640 x 480 frame (711 x 482) as a quality-100 JPEG, the
// encoder's share of a film export.

#include "mainwindow/jpeg_writer.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

void BM_EncodeSnapshotJpeg(benchmark::State &state) {
  QImage picture(711, 482, QImage::Format_RGB32);
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const int v = static_cast<int>(127.0 + 120.0 * std::sin(x / 40.0) * std::cos(y / 30.0));
      picture.setPixel(x, y, qRgb(v, 255 - v, (v * 3) % 256));
    }
  const int quality = static_cast<int>(state.range(0));
  std::size_t bytes = 0;
  for (auto _ : state) {
    const QByteArray jpeg = calidarix::EncodeJpeg(picture, quality);
    bytes = static_cast<std::size_t>(jpeg.size());
    benchmark::DoNotOptimize(jpeg.constData());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EncodeSnapshotJpeg)->Arg(100)->Arg(50)->Unit(benchmark::kMillisecond);

} // namespace
