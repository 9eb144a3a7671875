#pragma once
// Text of the event log: the time stamp of each line, the name of the saved log file and the writing.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>

namespace calidarix {

// "hh:nn:ss.zzz " (24-hour clock, milliseconds, one trailing blank), the same in every locale.
QString LogLineStamp(const QTime &time);

// "UserLog_" + "yyyy-mm-dd hh-nn-ss" + ".log": never contains "/" or ":", whatever the locale.
QString UserLogFileName(const QDateTime &when);

// The folder the log is saved in: "calidarix" in the user's data folder ($XDG_DATA_HOME).
QString DefaultLogFolder();

// Writes the lines, one per line, replacing the file whole (a temporary file renamed over it), creating the
// folder when missing. Returns an empty text on success, else the reason.
QString WriteLogFile(const QString &path, const QStringList &lines);

} // namespace calidarix
