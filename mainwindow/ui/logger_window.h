#pragma once
// The event log window: time-stamped diagnostic lines from every subsystem. Hidden until the service
// command "LogMemo" shows it; lines accumulate whether it is shown or not.

#include <QMainWindow>
#include <QString>
#include <QStringList>

class QAction;
class QMenu;
class QPlainTextEdit;

namespace calidarix {

class Tlogger : public QMainWindow {
  Q_OBJECT
public:
  explicit Tlogger(QWidget *owner = nullptr);
  ~Tlogger() override;

  // Appends "hh:nn:ss.zzz " + text as a new last line, whether logging is on or not. Safe from any thread:
  // the time is taken at the call, the line is added on the GUI thread.
  void AppendLine(const QString &text);

  // Writes all lines to FLogFolder/FLogFileName when logging is on; the first save of a run names the
  // file, later saves rewrite the same file. Returns true when the file was written; false with an empty
  // `error` when logging is off, or with the reason when writing failed.
  bool SaveLog(QString *error = nullptr);

  QStringList Lines() const;

  bool FUserLog = false; // logging on: callers add optional lines, SaveLog writes
  QString FLogFolder;    // the program's data folder unless set otherwise
  QString FLogFileName;  // empty until the first save

  QPlainTextEdit *Memo;
  QMenu *Eiit1;
  QAction *AlwaysOnTopItem;
  QAction *AutoSave1;
  QAction *SaveLogMenuItem;
  QAction *ExitItem;

private:
  void AddLine(const QString &line);
  void AlwaysOnTopItemClick();
  void SaveLogMenuItemClick();
};

// The one log window of the run (made by the main window's creation handler), or nullptr.
extern Tlogger *logger;

// A line in the log window, when there is one.
inline void LogLine(const QString &text) {
  if (logger)
    logger->AppendLine(text);
}

// The user switched the log on: optional lines are wanted.
inline bool UserLogOn() {
  return logger && logger->FUserLog;
}

} // namespace calidarix
