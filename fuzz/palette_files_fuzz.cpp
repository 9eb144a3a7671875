// Fuzz target of the palette file readers: any bytes are read or refused, never a crash; a refused file
// leaves the output as it was, and node lists that are read load into the editor's nodes.

#include "fuzz/fuzz_input.h"
#include "thermogram/palette_files.h"
#include "thermogram/palette_nodes.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const calidarix::fuzz::FuzzInput input = calidarix::fuzz::SplitInput(data, size, calidarix::kPalFileSize);
  const QString name = calidarix::fuzz::WriteInputFile("palette.bin", input.File);

  std::vector<calidarix::TPaletteRecord> records;
  if (calidarix::ReadIrpFile(name, records)) {
    if (records.size() < 2 || records.size() > calidarix::kIrpRecordCount)
      std::abort();
    calidarix::TPaletteNodes nodes;
    if (!nodes.LoadRecords(records) || !nodes.Visible(1) || !nodes.Visible(32))
      std::abort();
  } else if (!records.empty()) {
    std::abort();
  }

  const calidarix::TPaletteTable untouched{};
  calidarix::TPaletteTable table{};
  if (!calidarix::ReadPalFile(name, table) && table != untouched)
    std::abort();
  table = untouched;
  if (!calidarix::ReadColFile(name, table) && table != untouched)
    std::abort();
  return 0;
}
