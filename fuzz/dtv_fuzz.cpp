// Fuzz target of the .dtv reader (thermograms of every version and films): any input is refused or
// read, never a crash, an out-of-bounds access or an allocation sized by unchecked header fields.

#include "fuzz/fuzz_input.h"
#include "thermogram/tdtv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const calidarix::fuzz::FuzzInput input = calidarix::fuzz::SplitInput(data, size, 110);
  const QString name = calidarix::fuzz::WriteInputFile("input.dtv", input.File);
  calidarix::TDTV dtv;
  (void)dtv.LoadDTV(name, input.Frame);
  return 0;
}
