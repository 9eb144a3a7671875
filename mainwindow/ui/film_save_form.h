#pragma once
// "Frames to Save": the modal dialog in which the user chooses which frames of a film a Save As or a
// picture export takes. It only keeps the edits of the chosen option enabled; the commands read its
// choice (Choice) after it closes and apply it with SelectFilmFrames. Created once, so the option and
// the texts stay as the user left them from one use to the next.

#include "mainwindow/frame_selection.h"

#include <QDialog>

#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace calidarix {

class TFilmSaveForm : public QDialog {
  Q_OBJECT
public:
  explicit TFilmSaveForm(QWidget *parent = nullptr);

  // Shows the dialog modally; the choice when it was closed with OK, nullopt otherwise.
  std::optional<TFramesChoice> Execute(QWidget *parent);
  // The option checked and the texts of the edits as they stand.
  TFramesChoice Choice() const;

  void AllRBEnter();
  void CurrentRBEnter();
  void NumbersRBEnter();
  void FramesStrRBEnter();
  void EveryRBClick();

  QGroupBox *GroupBox1;
  QRadioButton *AllRB, *CurrentRB, *NumbersRB, *FramesStrRB, *EveryRB;
  QLineEdit *NumbersEdit1, *NumbersEdit2, *FramesStrEdit, *EveryEdit1, *EveryEdit2;
  QLabel *Label1, *Label2;
  QPushButton *Button1, *Button2;

private:
  void EnableEdits(bool numbers, bool framesList, bool every);
};

extern TFilmSaveForm *FilmSaveForm;

} // namespace calidarix
