#pragma once
// The panorama-by-frames dialog: the user plans a grid of head positions over a fixed net of cells,
// its rise against the horizon, the frame speed and the frames summed per position, and reads an
// estimate of the duration and of the area covered 50 metres away. A click into the net chooses a
// cell; "GOTO" drives the head there. The plan itself is headless (head/panorama_plan.h); the dialog
// shows it and turns keys, clicks and the head's counters into plan changes.
//
// Keys: the arrows by their hardware scan code (Shift with Up/Down moves the grid by half rows, Ctrl
// with Left/Right changes the summation), F9 / F10 / F11 the fast, standard and slow speeds, Enter Ok,
// Esc Cancel; Alt alone does nothing (it does not open a menu).

#include "head/panorama_plan.h"
#include "thermogram/rect.h"

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;
class QTimer;
class QToolButton;

namespace calidarix {

class TPaintBox;

class TPanoScanDialog : public QDialog, public TPanoPlan {
public:
  explicit TPanoScanDialog(QWidget *parent = nullptr);

  // Actions (each repaints the net and recomputes the estimate).
  void LeftAction();
  void RightAction();
  void UpAction();
  void DownAction();
  void ShiftUpAction();
  void ShiftDownAction();
  void CtrlRightAction();
  void CtrlLeftAction();
  void F9Action();
  void F10Action();
  void F11Action();
  void F12Action(); // bound to no key: thermo profile
  void SpeedUpAction();
  void SpeedDownAction();
  void EnterAction();
  void EscAction();

  // The estimate into the comment label.
  void PanChanged();
  // The net into NetPB's picture, and the three geometry labels.
  void NetPBPaint();
  void NetPBMouseDown(int x, int y);
  void GotoPanelClick();
  void CancelPanelClick();
  void GoingToTimerTimer();
  // Everything a show sets: captions, the sum reset to 1, the estimate and the head's cell.
  void FormShow();

  // The head's step between frames in head target units (counter / 256); the main window sets them.
  int FHorStep = 197;
  int FVerStep = 123;
  TPoint FGotoCell{-1, -1};
  TPoint FHeadCell;
  bool FGoingTo = false;

  TPaintBox *NetPB;
  QLabel *HorizontalLabel, *VerticalLabel, *RiseLabel, *SpeedLabel, *SumLabel, *Comments;
  QPushButton *OkBtn, *CancelBtn, *GotoPanel, *CancelPanel;
  // Image1 Right, Image2 ShiftUp, Image3 ShiftDown, Image4 CtrlLeft, Image5 CtrlRight, Image6 Left,
  // Image7 SpeedDown, Image8 SpeedUp, Image9 Up, Image10 Down.
  std::array<QToolButton *, 10> Images{};
  QTimer *GoingToTimer;
  // Why a go-to did nothing (no head); shown under the net.
  QLabel *NoticeLabel;

protected:
  void showEvent(QShowEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

private:
  void GridChanged();
  void SpeedChosen(TSpeedTextSource source);
  void SumChanged();
  void ReadHeadCell();
  QString Text(const char *english, const char *russian) const;
  bool FTicking = false;
};

extern TPanoScanDialog *PanoScanDialog;

} // namespace calidarix
