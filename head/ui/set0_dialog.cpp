#include "head/ui/set0_dialog.h"

#include "mainwindow/ui/main_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace calidarix {

TSet0Dialog *Set0Dialog = nullptr;

TSet0Dialog::TSet0Dialog(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Set0Dialog"));
  setWindowTitle(QStringLiteral("Set >0< position"));
  auto *column = new QVBoxLayout(this);
  InfoLabel = new QLabel(this);
  InfoLabel->setObjectName(QStringLiteral("InfoLabel"));
  column->addWidget(InfoLabel);
  auto *buttons = new QHBoxLayout;
  OkBtn = new QPushButton(QStringLiteral("OK"), this);
  OkBtn->setObjectName(QStringLiteral("OkBtn"));
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  buttons->addStretch(1);
  buttons->addWidget(OkBtn);
  buttons->addWidget(CancelBtn);
  column->addLayout(buttons);
  connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TSet0Dialog::FormShow(bool scanRunning, bool russian) {
  if (scanRunning)
    InfoLabel->setText(russian ? QString::fromUtf8("Для настройки положения головки используйте клавиши со "
                                                   "стрелками\rНажмите ENTER для завершения настройки")
                               : QStringLiteral("To adjust head position use arrow keys\rPress ENTER key to "
                                                "finish adjustment"));
  else
    InfoLabel->setText(russian ? QString::fromUtf8("Пожалуйста, запустите сканирование")
                               : QStringLiteral("Please, start scanning"));
  OkBtn->setEnabled(scanRunning);
}

void TSet0Dialog::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  const bool scanning = Calidarix != nullptr && Calidarix->Services().acquisition->ScanRunning();
  FormShow(scanning, Calidarix != nullptr && Calidarix->FLanguage == 1);
}

} // namespace calidarix
