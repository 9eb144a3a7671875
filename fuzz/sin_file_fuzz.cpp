// Fuzz target of the ".sin" route file reader: any bytes are read line by line as film processing
// reads them, and frames at rising times are looked up, never with a crash. A line found for a frame
// was read whole and does not lie after the frame.

#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_require.h"
#include "mainwindow/film_processing.h"

#include <QFile>

#include <cstdlib>

namespace {

using calidarix::fuzz::Require;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace calidarix;
  if (size == 0)
    return 0;
  const fuzz::FuzzInput input = fuzz::SplitInput(data, size, 0);
  QFile file(fuzz::WriteInputFile("film.dtv.sin", input.File));
  Require(file.open(QIODevice::ReadOnly));
  TSinMatcher matcher([&file] { return ReadSinLine(file); }, [](const QString &) {});
  // 64 frames a little apart, from midnight on, their step set by the first byte.
  const std::int64_t step = 1 + std::int64_t{data[0]} * 1000;
  std::int64_t t = 0;
  for (int i = 0; i < 64; ++i, t += step) {
    const std::optional<TSinLine> line = matcher.Match(t);
    if (line)
      Require(line->Valid && line->TimeMs <= t);
  }
  return 0;
}
