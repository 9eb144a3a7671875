#pragma once
// Joining several thermogram files into one film, and joining a second thermogram into the current
// one as a mosaic.
//
// The film join reads every frame of every file in turn (films frame by frame, files in the order
// given) and writes them as one film; each frame keeps its own temperature scale. The common range of
// all frames, lowest Offset .. highest Scale x 65536 + Offset, becomes the locked range of the
// thermogram that ends holding the last frame, so the joined frames can be viewed on one scale.
// Scale and Offset come from each loaded frame, so foreign formats and old 8-bit files count with
// their real temperatures; frames whose values are not finite do not count.
//
// The film is written to a temporary file beside the target and renamed into place only when every
// frame is in it, so a failed or cancelled join leaves the old target as it was, and a chosen file that
// is the target itself is read whole before it is replaced.

#include "thermogram/io_result.h"
#include "thermogram/rect.h"
#include "thermogram/tdtv.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace calidarix {

// The fixed target of a join: "C:\tempdtv.dtv" through the drive mapping.
QString JoinedFilmFileName();

// Progress of a long job: percent done (0 .. 100); returns false to cancel.
using JoinProgress = std::function<bool(int percent)>;

struct JoinRange {
  double Low = 10000.0;
  double High = kAbsoluteZero;
  bool Valid() const { return Low <= High; }
};

// Widens range by one loaded frame (Offset, Scale x 65536 + Offset); non-finite values are skipped.
void WidenJoinRange(JoinRange &range, const TDTV &frame);

struct JoinResult {
  IoResult Result;
  bool Cancelled = false;
  int FramesWritten = 0;
  JoinRange Range;
};

// Joins files into the film target. `work` is the thermogram the frames are loaded into (the current
// thermogram, so its load options apply); on success it holds the last frame, named target, with its
// locked range (LockMin, LockMax) set to the common range. A file that does not exist or cannot be
// read, and a frame of another size than the first, stop the join with a message; the target is then
// untouched and `work` holds the last frame read, so the caller reloads what it showed.
JoinResult JoinFilesToFilm(const QStringList &files, const QString &target, TDTV &work,
                           const JoinProgress &progress = {});

// Joins frame 1 of fileName into current as a mosaic on a common temperature scale, placed to suit
// the view rectangle. A file that does not exist or cannot be read, or a join that would make too
// large a picture, is reported and nothing changes.
IoResult AppendDTVFile(TDTV &current, const QString &fileName, const TRect &view);

} // namespace calidarix
