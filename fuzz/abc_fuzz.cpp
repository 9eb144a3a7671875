// Fuzz target of the ".abc" companion: a valid thermogram opens whatever its overlay picture holds.

#include "fuzz/fuzz_input.h"
#include "thermogram/tdtv.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const QString image = [] {
    calidarix::TDTV source;
    source.ResetHeader();
    source.FHeader.Width = 4;
    source.FHeader.Height = 3;
    source.FRaw.assign(12, 1000);
    const QString name = calidarix::fuzz::WriteInputFile("scene.dtv", {});
    if (!source.SaveDTV(name))
      std::abort();
    return name;
  }();
  const calidarix::fuzz::FuzzInput input = calidarix::fuzz::SplitInput(data, size, 0);
  (void)calidarix::fuzz::WriteInputFile("scene.abc", input.File);
  calidarix::TDTV dtv;
  if (!dtv.LoadFromFile(image, 1))
    std::abort(); // a broken companion must never keep the thermogram from opening
  return 0;
}
