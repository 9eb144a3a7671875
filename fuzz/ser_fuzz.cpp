// Fuzz target of the .ser reader: any input is refused or read, never a crash or an out-of-bounds access.

#include "fuzz/fuzz_input.h"
#include "thermogram/tdtv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const calidarix::fuzz::FuzzInput input = calidarix::fuzz::SplitInput(data, size, 1024 + 640 * 512 * 2);
  const QString name = calidarix::fuzz::WriteInputFile("input.ser", input.File);
  calidarix::TDTV dtv;
  (void)dtv.LoadSER(name, input.Frame);
  return 0;
}
