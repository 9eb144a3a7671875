#pragma once
// Deleting one frame of a film, and deleting a thermogram with its companion files.
//
// A frame is deleted by writing the film without it to a temporary file beside it and renaming that
// over the film, so the film is never deleted first: whatever stops the program on the way leaves
// the old film or the new one, each whole. The frames keep their time stamps and the comment.

#include "thermogram/io_result.h"

#include <QString>
#include <QStringList>

namespace calidarix {

// Removes frame `frame` (1-based) from the ".dtv" film fileName. A film of fewer than two frames, a
// frame it does not hold, and a file of another format (whose frames could not be written back in
// its own format) are refused, and the file is left as it was.
IoResult DeleteFilmFrame(const QString &fileName, int frame);

// The files that belong to a thermogram and go with it: the sidecar (".dti", or the name with its
// last character replaced by "i"), the voice note ".wav" and the overlay ".abc", found whatever
// their case. Only files that exist, never the thermogram itself.
QStringList ThermogramCompanions(const QString &fileName);

// Deletes a thermogram and its companions. An error when the thermogram itself could not be deleted
// (its companions are then kept too); a companion that cannot be deleted is named in the message of
// an otherwise successful result.
IoResult DeleteThermogramFile(const QString &fileName);

} // namespace calidarix
