// Fuzz target of the .sit reader: any input is refused or read, never a crash or an out-of-bounds access.

#include "fuzz/fuzz_input.h"
#include "thermogram/tdtv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const calidarix::fuzz::FuzzInput input = calidarix::fuzz::SplitInput(data, size, 1025 + 320 * 240 * 2);
  const QString name = calidarix::fuzz::WriteInputFile("input.sit", input.File);
  calidarix::TDTV dtv;
  (void)dtv.LoadSIT(name, input.Frame);
  return 0;
}
