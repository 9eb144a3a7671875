#pragma once
// The ".dtv" file type registered with this program, written anew at every start so that it always
// names the program file that ran last.
//
// Three places hold it:
// - our registry store: "\.dtv" (default) "dtvimage" and "Content Type" "IMAGE/DTV",
//   "\dtvimage\DefaultIcon" and "\dtvimage\Shell\Open\Command" naming the program file;
// - a shared-mime-info package, $XDG_DATA_HOME/mime/packages/calidarix-dtv.xml, that gives "*.dtv"
//   (any letter case) the MIME type image/x-calidarix-dtv;
// - a desktop entry, $XDG_DATA_HOME/applications/calidarix.desktop, that opens that type with the
//   program.
// Each part is written on its own: a failure is logged and the other parts are still written; none
// of them stops the settings from being saved later. Files are only rewritten when their content
// changes, each whole to a temporary file that is renamed over the old one.

#include "mainwindow/registry_settings.h"
#include "platform/registry.h"

#include <filesystem>
#include <string>

namespace calidarix {

inline constexpr const char *kDtvMimeType = "image/x-calidarix-dtv";

struct FileAssociationResult {
  bool RegistryWritten = false;
  bool MimePackageWritten = false; // written or already up to date
  bool DesktopEntryWritten = false;
  // A desktop file changed: the desktop's caches need a refresh (RefreshDesktopDatabases).
  bool DesktopFilesChanged = false;
};

// The command that opens a file, as the registry stores it: the program path in double quotes, a
// blank, then "%1" in double quotes.
std::string RegistryOpenCommand(const std::filesystem::path &program);

// The program path quoted for the Exec key of a desktop entry (argument quoting, "%%" for a literal
// percent sign, then the escapes of a string value). Empty when the path cannot be an executable
// there (it contains "=" or is not UTF-8 text).
std::string DesktopExecProgram(const std::filesystem::path &program);

// Registers ".dtv" with `program` in all three places; `dataHome` is $XDG_DATA_HOME or its default.
FileAssociationResult RegisterDtvFileType(Registry &store, const std::filesystem::path &program,
                                          const std::filesystem::path &dataHome, const SettingsLog &log);

// $XDG_DATA_HOME when it is set to an absolute path, else ~/.local/share.
std::filesystem::path XdgDataHome();

// Starts update-mime-database and update-desktop-database on the user's folders when they are
// installed, without waiting for them. Returns false when neither could be started.
bool RefreshDesktopDatabases(const std::filesystem::path &dataHome);

} // namespace calidarix
