#include "mainwindow/ui/progress_form.h"

#include <QGuiApplication>
#include <QHideEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

namespace calidarix {

TProgressForm *ProgressForm = nullptr;

TProgressForm::TProgressForm(QWidget *parent) : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
  setObjectName("ProgressForm");
  setWindowTitle("Progress");
  setFont(QFont("DejaVu Sans", 8));
  setFixedSize(417, 43);
  Bar = new QProgressBar(this);
  Bar->setObjectName("Bar");
  Bar->setGeometry(8, 8, 305, 26);
  Bar->setRange(0, 100);
  Bar->setValue(0);
  CancelBtn = new QPushButton("Cancel", this);
  CancelBtn->setObjectName("CancelBtn");
  CancelBtn->setGeometry(319, 8, 90, 26);
  connect(CancelBtn, &QPushButton::clicked, this, &TProgressForm::CancelBtnClick);
}

void TProgressForm::SetProgress(int position) {
  FPosition = position;
  // The bar cannot show a position outside its range; the caption still tells the true percentage.
  Bar->setValue(std::clamp(position, Bar->minimum(), Bar->maximum()));
  setWindowTitle(ProgressCaption(FPrefix, position, Bar->minimum(), Bar->maximum()));
}

void TProgressForm::CancelBtnClick() {
  FCancelled = true;
  FModalResult = mrCancel;
  close();
}

void TProgressForm::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (!event->spontaneous())
    FormShow();
}

void TProgressForm::hideEvent(QHideEvent *event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous())
    FormHide();
}

void TProgressForm::FormShow() {
  Tag = 1;
  FCancelled = false;
  FModalResult = mrNone;
  if (const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen())
    move(s->geometry().center() - rect().center());
}

void TProgressForm::FormHide() {
  Tag = 0;
  Bar->setMaximum(100);
  FPrefix.clear();
}

} // namespace calidarix
