#pragma once
// Shared by the reader fuzz targets: the first input byte steers the run, the rest is the file.
//   bit 0: pad the file with zero bytes to the format's smallest complete size, so that the fuzzer
//          reaches the decoding of fixed-size formats without growing inputs of hundreds of KiB;
//   bits 1-2: the frame number less one, for the readers that take one.
// Each process writes its files into one temporary folder, reused for every input.

#include "tests/support/test_support.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace calidarix::fuzz {

struct FuzzInput {
  std::vector<std::uint8_t> File;
  int Frame = 1;
};

inline FuzzInput SplitInput(const std::uint8_t *data, std::size_t size, std::size_t paddedSize) {
  FuzzInput input;
  if (size == 0) {
    return input;
  }
  input.File.assign(data + 1, data + size);
  input.Frame = 1 + ((data[0] >> 1) & 3);
  if ((data[0] & 1) != 0 && input.File.size() < paddedSize) {
    input.File.resize(paddedSize, 0);
  }
  return input;
}

inline QString WriteInputFile(const std::string &name, const std::vector<std::uint8_t> &bytes) {
  static test::TempDir dir;
  test::WriteFile(dir.file(name), bytes);
  return QString::fromStdString(dir.file(name).string());
}

} // namespace calidarix::fuzz
