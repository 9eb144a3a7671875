#pragma once
// The progress window of long jobs: a bar, a caption with the percentage and a Cancel button that the
// running job polls. Not modal: the job runs on the GUI thread while the window is shown.

#include "mainwindow/progress.h"

#include <QWidget>

class QProgressBar;
class QPushButton;

namespace calidarix {

class TProgressForm : public QWidget, public Progress {
  Q_OBJECT
public:
  enum ModalResult { mrNone = 0, mrCancel = 2 };

  explicit TProgressForm(QWidget *parent = nullptr);

  void SetProgressPrefix(const QString &prefix) override { FPrefix = prefix; }
  void SetProgress(int position) override;
  void Show() override { show(); }
  void Hide() override { hide(); }
  bool Cancelled() const override { return FCancelled; }

  void CancelBtnClick();

  QProgressBar *Bar;
  QPushButton *CancelBtn;
  int FPosition = 0;
  QString FPrefix;
  bool FCancelled = false;
  int Tag = 0;                       // 1 while shown
  ModalResult FModalResult = mrNone; // cancel after the Cancel button

protected:
  void showEvent(QShowEvent *event) override;
  void hideEvent(QHideEvent *event) override;

private:
  void FormShow();
  void FormHide();
};

extern TProgressForm *ProgressForm;

} // namespace calidarix
