#pragma once
// The side file-list window "Open": a drive box, a filter box and the list box FilesLB, which the main
// window's file-list rebuild keeps filled (subfolders first, then the listed files). It is created
// with the other windows and no command shows it; when it is shown it makes sure the list has
// something in it and docks at the left edge of the main window.

#include "platform/path_text.h"

#include <QWidget>

class QComboBox;
class QListWidget;

namespace calidarix {

class TOpenForm : public QWidget {
public:
  explicit TOpenForm(QWidget *parent = nullptr);

  // Refills FilesLB with the items of folder and mask (see SideListItems).
  void FillFilesList(const QString &folder, const QString &mask);

  QComboBox *DriveCB;
  QComboBox *FilterCB;
  QListWidget *FilesLB;
  // The folder the window looks at.
  QString FFolder = LocalPathText(QStringLiteral("C:\\"));

protected:
  void showEvent(QShowEvent *event) override;

private:
  void FormShow();
};

extern TOpenForm *OpenForm;

} // namespace calidarix
