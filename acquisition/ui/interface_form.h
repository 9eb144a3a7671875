#pragma once
// The camera-type dialog: LAN or USB. It only collects the choice; the caller preselects a button, shows
// the dialog modally and turns the checked button into the camera interface type.

#include <QDialog>

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace calidarix {

class TInterfaceForm : public QDialog {
  Q_OBJECT
public:
  // `mainWindow` is the window the dialog centres itself on when shown (none: it stays where it is).
  explicit TInterfaceForm(QWidget *mainWindow = nullptr);

  QGroupBox *GroupBox1;
  QRadioButton *LanRB;
  QRadioButton *USBRB;
  QPushButton *OkBtn;

protected:
  void showEvent(QShowEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  QWidget *FMainWindow;
};

// Top-left that centres a window of `size` on `outer`, halves rounded toward zero (so a dialog wider than
// the main window lies left of it by half the difference).
QPoint CentreOn(const QRect &outer, const QSize &size);

extern TInterfaceForm *InterfaceForm;

} // namespace calidarix
