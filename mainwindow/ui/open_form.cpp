#include "mainwindow/ui/open_form.h"

#include "mainwindow/file_list.h"
#include "mainwindow/ui/main_window.h"
#include "platform/path_text.h"
#include "thermogram/thermogram_globals.h"

#include <QComboBox>
#include <QFileInfo>
#include <QListWidget>
#include <QShowEvent>
#include <QVBoxLayout>

namespace calidarix {

TOpenForm *OpenForm = nullptr;

TOpenForm::TOpenForm(QWidget *parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("OpenForm"));
  setWindowTitle(QStringLiteral("Open"));
  auto *column = new QVBoxLayout(this);
  DriveCB = new QComboBox(this);
  DriveCB->setObjectName(QStringLiteral("DriveCB"));
  // The drive box names the folder drive C: maps to, not the letter.
  DriveCB->addItem(DisplayPathText(LocalPathText(QStringLiteral("C:\\"))));
  FilterCB = new QComboBox(this);
  FilterCB->setObjectName(QStringLiteral("FilterCB"));
  FilterCB->addItem(QStringLiteral("DTV files (*.dtv)"), QStringLiteral("*.dtv"));
  FilesLB = new QListWidget(this);
  FilesLB->setObjectName(QStringLiteral("FilesLB"));
  column->addWidget(DriveCB);
  column->addWidget(FilesLB, 1);
  column->addWidget(FilterCB);
  resize(160, 400);
}

void TOpenForm::FillFilesList(const QString &folder, const QString &mask) {
  FilesLB->clear();
  // Already in the order of a sorted list box: folders first, then files, without regard to case.
  FilesLB->addItems(SideListItems(folder, mask));
}

void TOpenForm::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (!event->spontaneous())
    FormShow();
}

void TOpenForm::FormShow() {
  TCalidarix *main = Calidarix;
  if (!main)
    return;
  if (FileList.size() < 2) {
    QString folder;
    if (CurrentDTV && !CurrentDTV->FFileName.isEmpty())
      folder = QFileInfo(CurrentDTV->FFileName).absolutePath();
    else
      folder = LocalPathText(QStringLiteral("C:\\"));
    main->UpDateFilesList(folder);
  }
  const QRect bounds = main->frameGeometry();
  const SideListDock dock = DockSideList(bounds.left(), frameGeometry().width());
  if (dock.MainLeft != bounds.left())
    main->move(dock.MainLeft, bounds.top());
  move(dock.SideLeft, bounds.top());
}

} // namespace calidarix
