#pragma once
// Folders the benchmarks crowd with other files, to show what a folder's size costs a step.

#include <filesystem>
#include <fstream>
#include <string>

namespace calidarix::bench {

// Puts `count` small files named "other-<n>.dat" into `folder`, none of them a companion of anything
// the benchmarks read.
inline void AddOtherFiles(const std::filesystem::path &folder, int count) {
  for (int i = 0; i < count; ++i)
    std::ofstream(folder / ("other-" + std::to_string(i) + ".dat")) << i;
}

inline void RemoveOtherFiles(const std::filesystem::path &folder, int count) {
  std::error_code ignored;
  for (int i = 0; i < count; ++i)
    std::filesystem::remove(folder / ("other-" + std::to_string(i) + ".dat"), ignored);
}

} // namespace calidarix::bench
