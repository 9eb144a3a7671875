// Fuzz target of the time profiles, which read a film again frame by frame from its file: whatever the
// file holds, and however much of it went missing after it was opened, the profiles end early or give
// nothing, never a crash or an access outside what was read.
//   first input byte: bits 0-2 as for the readers (padding, frame), bits 3-7 the number of bytes cut from
//   the end of the file after it was opened.

#include "analysis/graph_data.h"
#include "fuzz/fuzz_input.h"
#include "thermogram/tdtv.h"

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace calidarix;
  const fuzz::FuzzInput input = fuzz::SplitInput(data, size, 110);
  const QString name = fuzz::WriteInputFile("input.dtv", input.File);
  TDTV dtv;
  if (!dtv.LoadDTV(name, input.Frame))
    return 0;
  const std::size_t cut = size == 0 ? 0 : data[0] >> 3;
  if (cut > 0 && cut <= input.File.size())
    std::filesystem::resize_file(name.toStdString(), input.File.size() - cut);
  const TTimeProfileSource source = TimeProfileSourceOf(dtv);
  const int w = dtv.Width();
  const int h = dtv.Height();
  for (int statistic : {0, 3})
    (void)RegionTimeProfile(source, TRect{0, 0, w, h}, statistic);
  (void)RegionTimeProfile(source, TRect{w - 1, h - 1, w - 1, h - 1}, 1);
  (void)PointTimeProfile(source, w - 1, h - 1);
  (void)PointTimeProfile(source, 0, 0);
  (void)RegionHistogram(dtv, TRect{0, 0, w, h});
  return 0;
}
