#pragma once
// The file dialogs and message boxes of the document commands, behind one small interface so that
// tests can answer them: QtUserDialogs shows the real ones, ScriptedDialogs answers from a script and
// records every message it was asked to show.

#include "mainwindow/frame_selection.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

class QPrinter;
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

// What a save dialog is asked for; the filter is written as for the open dialog. FilterIndex (1-based)
// is the file type the dialog starts on.
struct SaveDialogRequest {
  QString Title;
  QString Folder;
  QString FileName;
  QString Filter;
  int FilterIndex = 1;
  QString DefaultSuffix; // of the first type; the dialog follows the type the user picks
};

// The chosen file and the file type it was chosen under; an empty FileName means cancelled.
struct SaveDialogAnswer {
  QString FileName;
  int FilterIndex = 1;
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
  // The save dialog; it asks before an existing file is replaced.
  virtual SaveDialogAnswer SaveFile(QWidget *parent, const SaveDialogRequest &request) = 0;
  // "Frames to Save": the frames of a film to save or export; nullopt when cancelled.
  virtual std::optional<TFramesChoice> ChooseFilmFrames(QWidget *parent) = 0;
  // The print dialog over `printer`; false when cancelled.
  virtual bool ConfirmPrint(QWidget *parent, QPrinter &printer) = 0;
  // A question with the buttons Yes and No; true only for Yes.
  virtual bool Confirm(QWidget *parent, const QString &text) = 0;
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
  SaveDialogAnswer SaveFile(QWidget *parent, const SaveDialogRequest &request) override;
  std::optional<TFramesChoice> ChooseFilmFrames(QWidget *parent) override;
  bool ConfirmPrint(QWidget *parent, QPrinter &printer) override;
  bool Confirm(QWidget *parent, const QString &text) override;
};

// Answers open dialogs from a queue (an empty queue answers "cancelled") and keeps what was asked.
class ScriptedDialogs : public UserDialogs {
public:
  QStringList OpenFiles(QWidget *parent, const OpenDialogRequest &request) override;
  void ShowMessage(QWidget *parent, const QString &text) override;
  void ShowError(QWidget *parent, const QString &text) override;
  SaveDialogAnswer SaveFile(QWidget *parent, const SaveDialogRequest &request) override;
  std::optional<TFramesChoice> ChooseFilmFrames(QWidget *parent) override;
  // Prints to the PDF file of the next print answer, in its orientation; an answer without a file (or
  // none left) cancels.
  bool ConfirmPrint(QWidget *parent, QPrinter &printer) override;
  // Answers from ConfirmAnswers (an empty queue answers No) and keeps the questions.
  bool Confirm(QWidget *parent, const QString &text) override;

  struct PrintAnswer {
    QString PdfFile;
    bool Landscape = false;
  };

  std::deque<SaveDialogAnswer> SaveAnswers;
  QList<SaveDialogRequest> SaveRequests;
  std::deque<std::optional<TFramesChoice>> FramesAnswers;
  int FramesAsked = 0;
  std::deque<PrintAnswer> PrintAnswers;
  int PrintsAsked = 0;
  std::deque<QStringList> OpenAnswers;
  QList<OpenDialogRequest> OpenRequests;
  QStringList Messages;
  QStringList Errors;
  std::deque<bool> ConfirmAnswers;
  QStringList Questions;
};

} // namespace calidarix
