#pragma once
// Whole-file writes that never leave a half-written file behind.
//
// The content goes to "<target>.tmp" beside the target, is flushed to disk and then renamed over the
// target, so the target is always either the old file or the new one. Every target has this one
// temporary name: a write killed half-way leaves at most one file behind, and the next write of the
// same target takes it over. While it writes, the writer holds a lock on the temporary file, so two
// writers of one target (two programs sharing the registry, say) take turns instead of writing into
// each other's file.
//
// Files that only this program writes, one write at a time (exported pictures, written by the hundred
// for a film), may skip the lock and its checks: the target is still always the old file or the whole
// new one, and every failure is still reported.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace calidarix {

// The temporary file a write of `target` goes through.
std::filesystem::path TemporaryFileFor(const std::filesystem::path &target);

// Whether another program (or thread) may write the same target at the same time. With None the
// writer takes no lock: two such writers of one target would share its temporary file.
enum class OtherWriters { MayExist, None };

// One whole-file write, for content produced piece by piece. Open, Write as often as needed, Commit.
// A writer destroyed without a successful Commit removes its temporary file and leaves the target
// as it was.
class AtomicFileWriter {
public:
  explicit AtomicFileWriter(std::filesystem::path target, OtherWriters others = OtherWriters::MayExist);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter &) = delete;
  AtomicFileWriter &operator=(const AtomicFileWriter &) = delete;

  // Takes the target's temporary file, waiting a few seconds at most for another writer of the
  // same target (unless there can be none). The folder must exist.
  bool Open();
  // After a failure the later writes do nothing and Commit fails.
  bool Write(const void *data, std::size_t size);
  // Flushes the content to disk and renames it over the target. An existing target keeps its
  // permission bits; a new one gets 0666 less the umask. Without syncToDisk the data is left to the
  // system's write-back: the name never shows half a file, but a power cut may lose what was just
  // written (for files that can be made again and are written by the hundred, such as exported pictures).
  bool Commit(bool syncToDisk = true);

  // Why the last step failed; empty while nothing failed.
  const std::string &Error() const { return error_; }

private:
  bool Fail(const std::string &what, int code);
  bool OpenUnshared();
  void KeepTargetPermissions();
  void Abandon();

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  OtherWriters others_;
  int fd_ = -1;
  std::string error_;
};

// Writes `content` to `target` through an AtomicFileWriter. On failure the target is untouched, no
// temporary file is left, false is returned and `error` (when given) says why.
bool WriteFileAtomically(const std::filesystem::path &target, std::string_view content,
                         std::string *error = nullptr, bool syncToDisk = true,
                         OtherWriters others = OtherWriters::MayExist);

} // namespace calidarix
