#pragma once
// The list of thermogram files in the folder the main window is looking at, and the work behind
// stepping through it and finding the next free automatic save name.
//
// FileList is rebuilt whole, never edited in place; the current position is not stored but found
// again from the current file name at each use. Folder listings are matched against the mask and
// sorted without regard to case (ties in byte order), so the order does not depend on the order in
// which the file system happens to return its entries.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace calidarix {

// Full file names (folder + name) of the files of the current folder that match FileListMask.
extern QStringList FileList;
// The wildcard that selects the listed files: "*.dtv" at start, "*" + the extension of a file opened.
extern QString FileListMask;
// One byte per FileList entry: 1 = marked in the thumbnail grid. All 0 after every rebuild.
extern std::vector<std::uint8_t> FileMarks;

// Back to the start-of-run state: empty list, mask "*.dtv", no marks.
void ResetFileListGlobals();

// The folder with a final "/" (an empty folder stays empty).
QString WithFinalSeparator(const QString &folder);

// The files (not folders) of folder whose names match mask ("*.dtv", "*", "*.img"; "*" and "?"
// wildcards, without regard to case), as full names, sorted without regard to case. A file whose own
// name is not UTF-8 is listed by the alias that opens it (OpenablePathText), in the place of the name
// the user sees; an alias folder lists the folder it stands for. A folder that does not exist or
// cannot be read gives an empty list.
QStringList ListMatchingFiles(const QString &folder, const QString &mask);

// Rebuilds FileList from folder and FileListMask and re-creates FileMarks with all entries 0.
void UpDateFilesList(const QString &folder);

// The items of the side list window's list box for folder: every subfolder as the character with code
// 1 followed by its name in upper case (the code sorts folders before files), then every matching
// file name in lower case; sorted as a sorted list box sorts, without regard to case.
QStringList SideListItems(const QString &folder, const QString &mask);

// Where the side list window docks at the left edge of the main window: its left edge, and the main
// window's left edge, which moves right by the side window's width when there is no room for it.
struct SideListDock {
  int SideLeft = 0;
  int MainLeft = 0;
};
SideListDock DockSideList(int mainLeft, int sideWidth);

// Index of the current file in files: first the entry that is the same path (also through a link),
// then the first entry among all but the last whose bare name equals currentFileName's bare name
// without regard to case (so a thermogram from another folder continues from its namesake); when
// neither matches, the last index. -1 for an empty list.
int CurrentFileIndex(const QStringList &files, const QString &currentFileName);

// The index that "next" (next = true) or "previous" steps to from the current file; nullopt when the
// list is empty, the current file is the last (for next) or the first (for previous). No wrap-around.
std::optional<int> StepTargetIndex(const QStringList &files, const QString &currentFileName, bool next);

// The automatic save name of number n: base + n in at least five digits (zero-padded; six and more
// digits stay as they are) + extension (".dtv" or "_35.dtv").
QString SaveNameForNumber(const QString &base, std::int64_t n, const QString &extension);

// What NextFreeSaveName needs to know of the camera.
struct SaveNameCamera {
  int InterfaceType = 0;
  bool ScanRunning = false;
  bool FilmRecording = false;
};

// Whether a name (without folder) is taken in the folder being probed.
using NameTakenPredicate = std::function<bool(const QString &name)>;

// The first unused automatic file name, without the folder, counting n from 0. The probe name ends
// in "_35.dtv" for a two-band camera whose first band names the file (interface type 64, or 257 while
// a film is recorded during a scan); for interface types 64 and 257 the name returned always ends in
// ".dtv", since the caller adds the band suffixes itself.
QString NextFreeSaveName(const NameTakenPredicate &taken, const QString &base, const SaveNameCamera &camera);

// The same over a real folder: a name is taken when any entry of the folder (file or folder) has it
// without regard to case, so a save neither fails on a folder of that name nor makes a case twin of
// a file that the case-blind list matching would confuse with it.
QString NextFreeSaveName(const QString &folder, const QString &base, const SaveNameCamera &camera);

} // namespace calidarix
