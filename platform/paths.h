#pragma once
// Folders of the program and the mapping of Windows-style stored paths to local ones.
//
// Folders:
//   program folder        the folder of the running executable; CALIDARIX_PROGRAM_DIR overrides it.
//   configuration folder  $XDG_CONFIG_HOME/calidarix (XDG default: ~/.config/calidarix).
//   data folder           $XDG_DATA_HOME/calidarix (XDG default: ~/.local/share/calidarix).
//   XDG variables that are empty or not absolute are ignored, as the XDG rules ask.
//
// Drive letters: drive X: is the folder named by the variable CALIDARIX_DRIVE_X when it is set and not
// empty. Without the variable, drive C: is the home folder and every other drive is the folder
// ~/calidarix-drives/X (upper-case letter), so films sent to "D:\DATABASE.KVD" land in
// ~/calidarix-drives/D/DATABASE.KVD. The folders are not created here.
//
// Names keep their spelling everywhere: Linux file names are case-sensitive. Only extensions and
// companion files are matched without regard to case.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace calidarix {

std::filesystem::path HomeDir();
std::filesystem::path ProgramDir();
std::filesystem::path ConfigDir();
std::filesystem::path DataDir();

// The folder of a drive letter (either case); nullopt for a character that is not a letter A..Z.
std::optional<std::filesystem::path> DriveFolder(char letter);

// A stored Windows-style path as a local path:
//   "C:\DATABASE.KVD\x.dtv", "c:/x.dtv"  -> drive folder / "DATABASE.KVD" / "x.dtv"
//   "C:x.dtv"                            -> drive folder / "x.dtv" (no per-drive current folder here)
//   "\x.dtv"                             -> drive C: folder / "x.dtv"
//   "a\b.dtv"                            -> relative "a/b.dtv"
//   "/home/u/x.dtv"                      -> unchanged: already a local absolute path
// Both "\" and "/" separate names in a Windows-style path; empty names and "." are dropped, and ".."
// never climbs above a drive's root (as on Windows, "C:\..\x" is "C:\x"). UNC and device paths
// ("\\server\share", "//server/share", "\\?\C:\x"), an empty text, a text with a NUL character and a drive
// that is not a letter give nullopt.
std::optional<std::filesystem::path> LocalPathFromWindows(std::string_view stored);

// Lower-case extension with its dot (".DTV" -> ".dtv"), empty when the name has none.
std::string LowerExtension(const std::filesystem::path &name);

// Whether two names are equal without regard to case (Unicode case folding of UTF-8 text), the way
// Windows compares file, registry and INI names.
bool NamesEqualIgnoringCase(std::string_view a, std::string_view b);

// The existing file whose name is `base`'s file name + `extension`, in `base`'s folder, found
// whatever the case of the whole name ("dir/x.dtv" + ".sin" finds "dir/x.DTV.SIN"). An exact match is
// preferred; among several case variants the first in byte order is taken. nullopt when none exists.
std::optional<std::filesystem::path> FindFileWithExtension(const std::filesystem::path &base,
                                                           std::string_view extension);

// The companion of a file: its extension replaced by `extension` (".abc"), found whatever the case
// ("x.dtv" + ".abc" finds "x.ABC" or "X.abc").
std::optional<std::filesystem::path> FindCompanionFile(const std::filesystem::path &file,
                                                       std::string_view extension);

// Whether two paths name the same file, decided by the file system; false when either is missing.
bool SameFile(const std::filesystem::path &a, const std::filesystem::path &b);

} // namespace calidarix
