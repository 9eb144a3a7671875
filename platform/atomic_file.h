#pragma once
// Whole-file writes that never leave a half-written file behind.

#include <filesystem>
#include <string>
#include <string_view>

namespace calidarix {

// Writes `content` to a new temporary file in the folder of `target`, flushes it to disk and renames
// it over `target`. The folder must exist. An existing target keeps its permission bits; a new one
// gets 0666 less the umask. On failure the target is untouched, the temporary file is removed, false
// is returned and `error` (when given) says why.
bool WriteFileAtomically(const std::filesystem::path &target, std::string_view content,
                         std::string *error = nullptr);

} // namespace calidarix
