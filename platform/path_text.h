#pragma once
// File names as the program's text.
//
// Linux file names are bytes; the program keeps names in QString. Qt decodes bytes that are not UTF-8
// to U+FFFD, which names another file or none, and its folder listings leave such names out. A path
// given as bytes (the command line, a registry value) is therefore taken in without loss: every byte
// of a sequence that is not UTF-8 becomes the code unit U+DC80 + (byte - 0x80), a lone surrogate that
// valid text never holds, and goes back to the same byte on the way out. Such text only carries the
// name; OpenablePathText turns it into a name Qt's file classes can open.
//
// A file whose folder is not UTF-8 is opened through a handle of that folder kept open for the rest
// of the run: "/proc/self/fd/<n>/<file name>". Its companions, sidecar and the other files of the
// folder are found beside it under the same prefix, and the folder's own name is shown to the user
// (DisplayPathText) and stored for the next run (NativePathOf).
//
// A file whose own name is not UTF-8 is opened through an alias: a symbolic link in a private folder
// of the run, named with each byte that is not UTF-8 (and each "%") as "%" and two hex digits
// ("caf%E9.dtv"). The folder holds such a link for every name of the real folder that is not UTF-8, so
// the file's companions are found beside it. It is read-only: a sidecar or a picture meant for the
// real folder fails there with an error instead of landing in a folder that goes when the run ends.
// The user is shown the real name (DisplayPathText).

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <optional>

namespace calidarix {

// The text of a native path, without loss.
QString PathTextFromNative(const QByteArray &native);
// The native bytes of such text; text without escaped bytes gives its UTF-8.
QByteArray NativeFromPathText(const QString &text);

// A name that Qt's file classes open as the file `text` names: the text itself when its bytes are
// UTF-8; otherwise the path through a handle of its folder, or of the path itself when it is a
// folder. nullopt when a name that is not UTF-8 remains below the handle (the file's own name) or the
// folder cannot be opened.
std::optional<QString> OpenablePathText(const QString &text);

// The native path behind a name that OpenablePathText or PathTextFromNative gave: a folder handle or an
// alias folder is replaced by the folder's own path, an alias by the name it stands for. For names that
// must outlive the run.
QByteArray NativePathOf(const QString &path);

// The folder to list for `folder`: the folder an alias folder stands for (as OpenablePathText gives
// it), so that the list holds every file of it; any other folder as it is.
QString ListableFolderText(const QString &folder);

// The path Qt's file classes would use for a name (its bytes in the file-name encoding), for the
// standard library's file operations.
std::filesystem::path QtFileSystemPath(const QString &name);
// The other way: a standard library path as Qt names it.
QString QtPathText(const std::filesystem::path &path);

// What the user is shown for such a name: its native path, with bytes that are not UTF-8 as U+FFFD.
QString DisplayPathText(const QString &path);

// A stored path as local path text, through the drive mapping of LocalPathFromWindows ("C:\" is the
// folder of drive C:, "D:\DATABASE.KVD\" that of drive D: and its subfolder); a local path comes back
// unchanged and bytes that are not UTF-8 are kept. Empty for an empty or unusable path (UNC, bad drive).
QString LocalPathText(const QString &stored);

} // namespace calidarix
