// Fuzz target of the metro pick file reader: any bytes are read as the report export reads
// "metropick.txt", and frames at rising times are looked up and their report strip made, never with a
// crash. A pick found for a frame does not lie after it.

#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_require.h"
#include "mainwindow/metro_report.h"

#include <cstdlib>

namespace {

using calidarix::fuzz::Require;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace calidarix;
  if (size == 0)
    return 0;
  const fuzz::FuzzInput input = fuzz::SplitInput(data, size, 0);
  TPickTrack track = ReadPickTrack(fuzz::WriteInputFile("metropick.txt", input.File));
  // 64 frames a little apart, from midnight on, their step set by the first byte.
  const int step = 1 + data[0] * 1000;
  for (int i = 0, t = 0; i < 64; ++i, t += step) {
    TMetroFrame frame;
    frame.Pick = track.PickFor(t);
    if (frame.Pick)
      Require(frame.Pick->TimeMs <= t);
    (void)MetroStripTexts(frame);
  }
  return 0;
}
