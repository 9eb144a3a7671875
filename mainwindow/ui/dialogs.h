#pragma once
// The file dialogs and message boxes of the document commands, behind one small interface so that
// tests can answer them: QtUserDialogs shows the real ones, ScriptedDialogs answers from a script and
// records every message it was asked to show.

#include <QString>
#include <QStringList>

#include <deque>

class QWidget;

namespace calidarix {

// What an open dialog is asked for. The filter is written as pairs "text|pattern|text|pattern...",
// the first pair being the one the dialog starts on.
struct OpenDialogRequest {
  QString Title;
  QString Folder;        // initial folder; empty: the dialog's own choice
  QString FileName;      // proposed name; empty: none
  QString Filter;        // "DTV - files|*.dtv|IMG - files|*.img"
  QString DefaultSuffix; // without the dot
  bool Multiple = false; // several files may be chosen
};

class UserDialogs {
public:
  virtual ~UserDialogs() = default;
  // The chosen files as full names, in the order the dialog lists them; empty when cancelled.
  virtual QStringList OpenFiles(QWidget *parent, const OpenDialogRequest &request) = 0;
  // A plain message with an OK button.
  virtual void ShowMessage(QWidget *parent, const QString &text) = 0;
  // A failed command: the error text and an OK button.
  virtual void ShowError(QWidget *parent, const QString &text) = 0;
};

// The filter of an open dialog in Qt's form: "DTV - files (*.dtv *.DTV);;IMG - files (*.img *.IMG)".
// Each pattern is given in lower and upper case as well, since file names here are case-sensitive and
// thermograms from other systems often carry upper-case extensions.
QString QtNameFilters(const QString &filter);

class QtUserDialogs : public UserDialogs {
public:
  QStringList OpenFiles(QWidget *parent, const OpenDialogRequest &request) override;
  void ShowMessage(QWidget *parent, const QString &text) override;
  void ShowError(QWidget *parent, const QString &text) override;
};

// Answers open dialogs from a queue (an empty queue answers "cancelled") and keeps what was asked.
class ScriptedDialogs : public UserDialogs {
public:
  QStringList OpenFiles(QWidget *parent, const OpenDialogRequest &request) override;
  void ShowMessage(QWidget *parent, const QString &text) override;
  void ShowError(QWidget *parent, const QString &text) override;

  std::deque<QStringList> OpenAnswers;
  QList<OpenDialogRequest> OpenRequests;
  QStringList Messages;
  QStringList Errors;
};

} // namespace calidarix
