#pragma once
// Turning the thermograms of a folder list into something else: one film of their first frames, or a
// single thermogram holding each pixel's highest temperature over all of them. (The third conversion,
// one JPEG picture per file, needs the window's snapshot and lives with the window.)
//
// The files are read into a thermogram of the job's own with the load options of the one on screen.
// A file that is missing, cannot be read or has another frame size than the first one read is
// skipped with a line in the log, and its name and reason are handed back for the window's message.

#include "mainwindow/progress.h"
#include "thermogram/io_result.h"
#include "thermogram/tdtv.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace calidarix {

// The film a folder becomes: the folder + the folder's own name + ".dtv" (a/b/run1/x.img gives
// a/b/run1/run1.dtv). The film is always written in the ".dtv" format, so it always has its extension.
QString FolderFilmName(const QString &currentFile);

// The picture of one file of the folder: the folder + "Auto_" + the file's name without its extension
// + ".jpg".
QString FolderPictureName(const QString &fileName);

// A file a conversion left out, and why ("no longer exists", "holds 320 x 240 pixels, not 640 x 480").
struct TSkippedFile {
  QString FileName;
  QString Reason;
};

// Reads frame 1 of a listed file into `scratch`; why it cannot be used (also logged), or nullopt when it
// was read.
std::optional<QString> ReadListedFile(TDTV &scratch, const QString &fileName);

// The end of a conversion's message that names the files left out: ", 2 files skipped: a.img (no
// longer exists), b.img (...)", the first three by name and then how many more; empty when none was.
QString SkippedFilesText(const std::vector<TSkippedFile> &skipped);

struct TFolderFilmResult {
  IoResult Result;
  bool Cancelled = false;
  int FramesWritten = 0;
  std::vector<TSkippedFile> Skipped;
};

// Frame 1 of every file, in list order, into the film `film`; the film itself is left out when it is
// among the files. The film is put together beside its final name and renamed into place at the end,
// also after a cancel (with the frames written so far). Nothing is written when no file could be read.
// letEventsRun runs once per file, so that the progress window can take a Cancel.
TFolderFilmResult FolderToFilm(const QStringList &files, const QString &film, const TDTV &loadOptions,
                               Progress &progress, const std::function<void()> &letEventsRun = {});

struct TMaxOverFilesResult {
  IoResult Result;
  int FilesUsed = 0;
};

// Each pixel's highest temperature over frame 1 of every file, as an unnamed single thermogram in
// `result` (frame size, aspect and header of the first file read). When every maximum is the same
// temperature the picture is flat at that temperature. An empty list, or one with no readable file,
// changes nothing and gives an error.
TMaxOverFilesResult MaxOverFiles(const QStringList &files, const TDTV &loadOptions, TDTV &result);

} // namespace calidarix
