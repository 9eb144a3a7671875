#pragma once
// Saving chosen frames of a film under a new name (Save As of a film), without the window.
//
// The new film is put together in a temporary file beside the target and renamed over it only when
// every frame was written, so a failure leaves neither a half film nor a damaged old file, and saving a
// film over its own file is safe whatever name reaches that file: the file system, not the spelling of
// the names, decides whether two names are one file. The frames keep their time stamps, and the new
// file's modification time is moved back by the frames of the source that follow the last frame kept,
// so the view dates every frame as before.

#include "thermogram/io_result.h"
#include "thermogram/tdtv.h"

#include <QDateTime>
#include <QString>

#include <vector>

namespace calidarix {

struct TPartialFilmRequest {
  QString Source;          // the film read from
  QString Target;          // the name chosen
  std::vector<int> Frames; // 1-based frame numbers of the source, in the order the new film holds them
  QString Comment;         // written into the new film's header instead of the stored one
};

struct TPartialFilmResult {
  IoResult Result;
  QString FileName; // the file written (the target, or the file it links to)
};

// The file a save to `target` should replace: an existing target is followed to the file it names (a
// link to the source film is the source itself), a new one is taken as it is.
QString SaveTargetFile(const QString &target);

// The modification time of a file made from frames of a film: the source's time moved back by
// (frameCount - lastFrame) x interval seconds. A negative or non-finite interval counts as 0.
QDateTime KeptFramesFileTime(const QDateTime &sourceTime, int frameCount, int lastFrame, double interval);

// Sets a file's modification time; false when the file system refuses.
bool SetFileModificationTime(const QString &fileName, const QDateTime &time);

TPartialFilmResult WritePartialFilm(const TPartialFilmRequest &request);

} // namespace calidarix
