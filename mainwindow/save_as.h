#pragma once
// Helpers of Save As that need no window: the base of later generated names, and the voice comment
// recorded by the comment dialog, which follows the thermogram it was recorded for.

#include "thermogram/io_result.h"

#include <QString>

namespace calidarix {

// The base of the automatic names after a Save As: the chosen file's name without folder and
// extension, with its trailing digits removed while more than one character remains; "kvd" when
// nothing is left ("img0042.dtv" -> "img", "123.dtv" -> "1").
QString SaveNameBaseOf(const QString &chosen);

// The voice comment the comment dialog records: "c:\IRSound.wav" as the drive mapping places it.
QString RecordedVoiceComment();

// Moves the recorded voice comment beside `thermogram` (its extension replaced by ".wav"), replacing
// the voice comment of an older file of that name. Nothing to do when no recording exists.
IoResult MoveVoiceComment(const QString &recording, const QString &thermogram);

} // namespace calidarix
