#pragma once
// The zero-position dialog: it tells the user how to set the head's zero position with the arrow keys
// while the camera scans, or to start scanning first. The program creates it at start-up and keeps it;
// no command shows it.

#include <QDialog>

class QLabel;
class QPushButton;

namespace calidarix {

class TSet0Dialog : public QDialog {
public:
  explicit TSet0Dialog(QWidget *parent = nullptr);

  // The texts and the Ok button for the moment it is shown: scanning or not, English or Russian.
  void FormShow(bool scanRunning, bool russian);

  QLabel *InfoLabel;
  QPushButton *OkBtn;
  QPushButton *CancelBtn;

protected:
  void showEvent(QShowEvent *event) override;
};

extern TSet0Dialog *Set0Dialog;

} // namespace calidarix
