#pragma once
// The file browser panel's model: a folder listing of sub-folders and thermograms of one type, and the
// steps into and out of folders. Folders are local paths; the panel starts on the drive C folder and
// the type "DTV". The panel itself stays hidden for the whole run; this model is what it would show.

#include <QString>

#include <vector>

namespace calidarix {

struct BrowseEntry {
  QString Name;
  bool IsFolder = false;
  bool operator==(const BrowseEntry &) const = default;
};

struct BrowseState {
  QString BrowseFolder;     // the folder shown
  QString BrowsePrevFolder; // the folder shown before the last change
  QString BrowseMask = QStringLiteral("DTV");
  std::vector<int> BrowseIndexStack; // list positions remembered when folders were entered

  // Both folders on the drive C folder, the mask "DTV", no positions.
  static BrowseState Initial();
};

// ".." (unless the folder is the file system's root), then the sub-folders, then the files whose
// extension is the mask (in any case), each group sorted by name. Hidden entries are left out. A
// folder that cannot be read lists only "..".
std::vector<BrowseEntry> ListBrowseFolder(const QString &folder, const QString &mask);

// Enters the entry at `index` of `entries`: a folder is entered and `index` remembered, ".." goes up
// and gives back the position remembered when the folder was entered (0 when none was). Returns the
// position to select in the new listing; -1 when the entry is a file or there is none (nothing
// changes).
int BrowseEnter(BrowseState &state, const std::vector<BrowseEntry> &entries, int index);

// The full name of a file entry in the current folder.
QString BrowseFileName(const BrowseState &state, const BrowseEntry &entry);

} // namespace calidarix
