#pragma once
// The companion files of the file a thermogram was read from (".abc" overlay, ".wav" voice note),
// looked up once and kept while the file's folder stays as it was. Stepping through a film reads
// one frame after another from the same file; scanning its folder again for every frame would cost
// in proportion to everything else that lies in the folder.
//
// A lookup is kept while the folder is the same folder with the same modification time: creating,
// removing or renaming a file in it changes that time. The time only proves this when the folder
// was last changed before the clock tick (of the coarse real-time clock that stamps file times) in
// which the scan began; a folder changed within that tick could change again in the same tick without
// its time moving, so such a lookup is kept only for the rest of that tick and made again after it.
// Forget() drops every lookup (a file opened anew looks again).

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace calidarix {

class CompanionFiles {
public:
  // What FindCompanionFile(file, extension) gives, from the lookup before when it still holds.
  std::optional<std::filesystem::path> Find(const std::filesystem::path &file, std::string_view extension);

  void Forget();

private:
  struct FolderState {
    dev_t Device = 0;
    ino_t Inode = 0;
    timespec Modified{};
  };
  // Whether the lookups kept are those of `file` in its folder as it is now; refreshes the state
  // and drops the lookups when they are not.
  bool StillHolds(const std::filesystem::path &file);

  std::filesystem::path file_;
  std::optional<FolderState> folder_;
  timespec tick_{};      // the coarse clock when the folder was scanned
  bool trusted_ = false; // the folder was last changed before the tick of the lookups
  std::vector<std::pair<std::string, std::optional<std::filesystem::path>>> found_;
};

} // namespace calidarix
