#pragma once
// The two shortcuts the program puts on the user's desktop at start-up: one to the thermogram
// database folder ("C:\DATABASE.KVD", that is the drive C folder's "DATABASE.KVD") and one to the
// program. They are freedesktop desktop entries ("DATABASE.desktop", a link to the folder, and
// "Calidarix.desktop", a launcher), executable so that desktops trust them.
//
// The desktop folder is remembered in the registry value "DesktopPath" of "\dtvimage\Directory"
// (written with a trailing "/" when missing). While the value is missing the shortcut is written
// whether or not one exists, and the value is stored; once it is there, a shortcut is written only
// when its file is missing, so a shortcut the user deleted comes back at the next start and one the
// user edited is left alone. A missing target, or a desktop folder that does not exist, makes no
// shortcut; the desktop folder is never created.

#include "platform/registry.h"

#include <QString>

#include <filesystem>

namespace calidarix {

inline constexpr const char *kDesktopPathKey = "\\dtvimage\\Directory";
inline constexpr const char *kDesktopPathValue = "DesktopPath";

struct DesktopShortcut {
  std::filesystem::path Target; // the folder or program the shortcut opens
  bool TargetIsFolder = false;
  QString LinkName; // file name on the desktop
  QString Title;    // name the desktop shows
};

enum class ShortcutOutcome { NoTarget, Kept, Written, Failed };

// The database folder's shortcut and the program's.
DesktopShortcut DatabaseShortcut();
DesktopShortcut ProgramShortcut(const std::filesystem::path &programFile);

// The user's desktop folder: XDG_DESKTOP_DIR of the user's "user-dirs.dirs", else ~/Desktop.
std::filesystem::path UserDesktopFolder();

// The text of the desktop entry.
QString DesktopEntryText(const DesktopShortcut &shortcut);

// Makes one shortcut as described above; `userDesktop` is the folder used while the registry has
// none. `error` (when given) says why a shortcut failed.
ShortcutOutcome CreateDesktopShortcut(Registry &registry, const DesktopShortcut &shortcut,
                                      const std::filesystem::path &userDesktop, QString *error = nullptr);

} // namespace calidarix
