#include "platform/companion_files.h"

#include "platform/paths.h"

#include <sys/stat.h>

namespace calidarix {
namespace fs = std::filesystem;

namespace {

bool Before(const timespec &a, const timespec &b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

bool Equal(const timespec &a, const timespec &b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

bool CompanionFiles::StillHolds(const fs::path &file) {
  fs::path folder = file.parent_path();
  if (folder.empty())
    folder = ".";
  // The clock that stamps file times; read before the folder, so that a change after this moment
  // gets a later time than any the folder shows now.
  timespec now{};
  clock_gettime(CLOCK_REALTIME_COARSE, &now);
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) {
    Forget();
    return false;
  }
  const FolderState state{st.st_dev, st.st_ino, st.st_mtim};
  const bool same = folder_ && file == file_ && folder_->Device == state.Device &&
                    folder_->Inode == state.Inode && Equal(folder_->Modified, state.Modified);
  // A folder changed in the tick of the lookups is looked up again in a later tick, not on every call
  // of this one: what the lookups found is never older than the tick.
  if (same && (trusted_ || Equal(now, tick_)))
    return true;
  found_.clear();
  file_ = file;
  folder_ = state;
  tick_ = now;
  trusted_ = Before(state.Modified, now);
  return false;
}

std::optional<fs::path> CompanionFiles::Find(const fs::path &file, std::string_view extension) {
  if (StillHolds(file)) {
    for (const auto &[wanted, path] : found_)
      if (wanted == extension)
        return path;
  }
  std::optional<fs::path> path = FindCompanionFile(file, extension);
  if (folder_)
    found_.emplace_back(std::string(extension), path);
  return path;
}

void CompanionFiles::Forget() {
  file_.clear();
  folder_.reset();
  tick_ = {};
  trusted_ = false;
  found_.clear();
}

} // namespace calidarix
