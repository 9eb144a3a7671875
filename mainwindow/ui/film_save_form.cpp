#include "mainwindow/ui/film_save_form.h"
#include "mainwindow/ui/widget_names.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace calidarix {

TFilmSaveForm *FilmSaveForm = nullptr;

namespace {

QLineEdit *Edit(QWidget *parent, const char *name, const char *text) {
  auto *edit = Named(new QLineEdit(QString::fromLatin1(text), parent), name);
  edit->setEnabled(false);
  edit->setMaximumWidth(64);
  return edit;
}

} // namespace

TFilmSaveForm::TFilmSaveForm(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FilmSaveForm"));
  setWindowTitle(QStringLiteral("Frames to Save"));
  setModal(true);
  GroupBox1 = Named(new QGroupBox(QStringLiteral("Frames"), this), "GroupBox1");
  AllRB = Named(new QRadioButton(QStringLiteral("All"), GroupBox1), "AllRB");
  CurrentRB = Named(new QRadioButton(QStringLiteral("Current"), GroupBox1), "CurrentRB");
  NumbersRB = Named(new QRadioButton(QStringLiteral("Frames from"), GroupBox1), "NumbersRB");
  FramesStrRB = Named(new QRadioButton(QStringLiteral("Frames"), GroupBox1), "FramesStrRB");
  EveryRB = Named(new QRadioButton(QStringLiteral("Every"), GroupBox1), "EveryRB");
  NumbersEdit1 = Edit(GroupBox1, "NumbersEdit1", "1");
  NumbersEdit2 = Edit(GroupBox1, "NumbersEdit2", "2");
  FramesStrEdit = Edit(GroupBox1, "FramesStrEdit", "1-10");
  FramesStrEdit->setMaximumWidth(QWIDGETSIZE_MAX);
  FramesStrEdit->setToolTip(QStringLiteral("Frame numbers and ranges separated by commas, e.g. 1-10,15"));
  EveryEdit1 = Edit(GroupBox1, "EveryEdit1", "2");
  EveryEdit2 = Edit(GroupBox1, "EveryEdit2", "1");
  Label1 = Named(new QLabel(QStringLiteral("from"), GroupBox1), "Label1");
  Label2 = Named(new QLabel(QStringLiteral("to:"), GroupBox1), "Label2");
  AllRB->setChecked(true);

  auto *grid = new QGridLayout(GroupBox1);
  grid->addWidget(AllRB, 0, 0);
  grid->addWidget(CurrentRB, 1, 0);
  grid->addWidget(NumbersRB, 2, 0);
  grid->addWidget(NumbersEdit1, 2, 1);
  grid->addWidget(Label2, 2, 2);
  grid->addWidget(NumbersEdit2, 2, 3);
  grid->addWidget(FramesStrRB, 3, 0);
  grid->addWidget(FramesStrEdit, 3, 1, 1, 3);
  grid->addWidget(EveryRB, 4, 0);
  grid->addWidget(EveryEdit1, 4, 1);
  grid->addWidget(Label1, 4, 2);
  grid->addWidget(EveryEdit2, 4, 3);

  Button1 = Named(new QPushButton(QStringLiteral("&Ok"), this), "Button1");
  Button2 = Named(new QPushButton(QStringLiteral("Cancel"), this), "Button2");
  Button1->setDefault(true);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto *column = new QVBoxLayout(this);
  column->addWidget(GroupBox1);
  column->addLayout(buttons);
  resize(293, 174);

  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
  const std::pair<QRadioButton *, void (TFilmSaveForm::*)()> handlers[] = {
      {AllRB, &TFilmSaveForm::AllRBEnter},         {CurrentRB, &TFilmSaveForm::CurrentRBEnter},
      {NumbersRB, &TFilmSaveForm::NumbersRBEnter}, {FramesStrRB, &TFilmSaveForm::FramesStrRBEnter},
      {EveryRB, &TFilmSaveForm::EveryRBClick},
  };
  for (auto [button, handler] : handlers)
    connect(button, &QRadioButton::toggled, this, [this, handler](bool on) {
      if (on)
        (this->*handler)();
    });
}

void TFilmSaveForm::EnableEdits(bool numbers, bool framesList, bool every) {
  NumbersEdit1->setEnabled(numbers);
  NumbersEdit2->setEnabled(numbers);
  FramesStrEdit->setEnabled(framesList);
  EveryEdit1->setEnabled(every);
  EveryEdit2->setEnabled(every);
}

void TFilmSaveForm::AllRBEnter() {
  EnableEdits(false, false, false);
}

void TFilmSaveForm::CurrentRBEnter() {
  EnableEdits(false, false, false);
}

void TFilmSaveForm::NumbersRBEnter() {
  EnableEdits(true, false, false);
}

void TFilmSaveForm::FramesStrRBEnter() {
  EnableEdits(false, true, false);
}

void TFilmSaveForm::EveryRBClick() {
  EnableEdits(false, false, true);
}

TFramesChoice TFilmSaveForm::Choice() const {
  TFramesChoice choice;
  if (CurrentRB->isChecked())
    choice.Option = TFramesOption::Current;
  else if (NumbersRB->isChecked())
    choice.Option = TFramesOption::Numbers;
  else if (FramesStrRB->isChecked())
    choice.Option = TFramesOption::FramesList;
  else if (EveryRB->isChecked())
    choice.Option = TFramesOption::Every;
  else
    choice.Option = TFramesOption::All;
  choice.NumbersFrom = NumbersEdit1->text();
  choice.NumbersTo = NumbersEdit2->text();
  choice.FramesList = FramesStrEdit->text();
  choice.EveryStep = EveryEdit1->text();
  choice.EveryFrom = EveryEdit2->text();
  return choice;
}

std::optional<TFramesChoice> TFilmSaveForm::Execute(QWidget *parent) {
  if (parent != nullptr && parentWidget() == nullptr)
    move(parent->geometry().center() - rect().center());
  if (exec() != QDialog::Accepted)
    return std::nullopt;
  return Choice();
}

} // namespace calidarix
