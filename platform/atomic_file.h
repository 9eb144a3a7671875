#pragma once
// Whole-file writes that never leave a half-written file behind.

#include <filesystem>
#include <string>
#include <string_view>

namespace calidarix {

// Writes `content` to a new temporary file in the folder of `target`, flushes it to disk and renames
// it over `target`. The folder must exist. An existing target keeps its permission bits; a new one
// gets 0666 less the umask. On failure the target is untouched, the temporary file is removed, false
// is returned and `error` (when given) says why. Without syncToDisk the data is left to the system's
// write-back: the name never shows half a file, but a power cut may lose what was just written (for
// files that can be made again, written by the hundred, such as exported pictures).
bool WriteFileAtomically(const std::filesystem::path &target, std::string_view content,
                         std::string *error = nullptr, bool syncToDisk = true);

} // namespace calidarix
