// Fuzz target of the ".dat" reader with and without its ".STD" companion: after the steering byte,
// bit 3 of which asks for a companion, one byte gives the companion's length (its bytes follow), and
// the rest is the ".dat" file.

#include "fuzz/fuzz_input.h"
#include "thermogram/tdtv.h"

#include <algorithm>
#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  calidarix::fuzz::FuzzInput input = calidarix::fuzz::SplitInput(data, size, 128 * 128);
  const bool companion = size > 0 && (data[0] & 8) != 0 && !input.File.empty();
  std::vector<std::uint8_t> companionBytes;
  if (companion) {
    const std::size_t length = std::min<std::size_t>(input.File[0], input.File.size() - 1);
    companionBytes.assign(input.File.begin() + 1,
                          input.File.begin() + 1 + static_cast<std::ptrdiff_t>(length));
    input.File.erase(input.File.begin(), input.File.begin() + 1 + static_cast<std::ptrdiff_t>(length));
  }
  const QString stdName = calidarix::fuzz::WriteInputFile("input.STD", companionBytes);
  if (!companion) {
    std::filesystem::remove(stdName.toStdString());
  }
  const QString name = calidarix::fuzz::WriteInputFile("input.dat", input.File);
  calidarix::TDTV dtv;
  (void)dtv.LoadDAT(name, input.Frame);
  return 0;
}
