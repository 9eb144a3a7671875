// One image frame of the USB thermal module through the driver's processing: the raw frame's header
// taken out, the image part stored, then the image pipeline (statistics, correction against the
// reference and gain frames with the flat field on, dead-pixel repair, median and smoothing filters).
// The goal is 5 ms or less per frame.

#include "acquisition/module_image.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace calidarix;

std::vector<std::uint16_t> Textured(std::uint16_t base, int spread) {
  std::vector<std::uint16_t> v(SeekImagePixels);
  for (int i = 0; i < SeekImagePixels; ++i)
    v[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(base + (i * 131) % spread);
  return v;
}

void BM_ModuleImageFrame(benchmark::State &state) {
  TModuleImage m;
  m.FFrameBuffers[1] = Textured(6000, 300);
  m.FFrameBuffers[4] = Textured(90, 40);
  m.FFrameBuffers[4][1234] = 3; // a dead pixel by its gain
  m.FFrameBuffers[6] = Textured(1, 10);
  m.FFrameBuffers[7] = Textured(1, 10);
  m.FFrameBuffers[9] = Textured(9000, 2000);
  m.FFrameBuffers[10] = Textured(6500, 200);
  m.ProcessFrameByType(4);
  m.StoreFlatField();
  m.FFlatFieldOn = true;
  m.FMedianFilterOn = true;

  std::vector<std::uint16_t> received(SeekRawWords);
  for (int i = 0; i < SeekRawWords; ++i)
    received[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(6800 + (i * 7907) % 900);
  received[10] = kModuleImageFrame;
  received[1] = 4000;
  std::vector<std::uint16_t> raw(SeekRawWords);
  for (auto _ : state) {
    raw = received;
    const TModuleFrameHeader header = TakeModuleFrameHeader(raw);
    m.FHeaderWord = header.HeaderWord;
    m.StoreRawFrame(header.Type, raw);
    m.ImagePipeline(false, false, {}, {});
    benchmark::DoNotOptimize(m.FImage.data());
  }
}
BENCHMARK(BM_ModuleImageFrame)->Unit(benchmark::kMillisecond);

} // namespace
