// Fuzz target of the .is2 reader: any input is refused or read, never a crash or an out-of-bounds access.

#include "fuzz/fuzz_input.h"
#include "thermogram/tdtv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const calidarix::fuzz::FuzzInput input = calidarix::fuzz::SplitInput(data, size, 15986 + 320 * 240 * 2);
  const QString name = calidarix::fuzz::WriteInputFile("input.is2", input.File);
  calidarix::TDTV dtv;
  (void)dtv.LoadIS2(name);
  return 0;
}
