#pragma once
// The head control form: three tab pages.
//   "Stitching Settings": the settings a re-stitch of a panorama folder takes, edited in a grid with
//     the keyboard (digits, Enter stores, Ctrl+Enter also re-stitches, minus negates, Left/Right step or
//     toggle, Escape hides the form).
//   "Qor values": the head's registers, read, edited and written back through a popup menu.
//   "Qor": the head's live state (angles, counters, speeds, status bits), a refresh timer, and manual
//     driving with the arrow keys.
// The work is done by the headless head library (head_control.h, head_registers.h, the link); the form
// gathers, calls and shows.

#include "head/head_control.h"
#include "platform/messages.h"

#include <QSet>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QScrollBar;
class QTabWidget;
class QTableWidget;
class QTimer;

namespace calidarix {

class TQorCtrl : public QWidget, public TQorCtrlSettings {
  Q_OBJECT
public:
  explicit TQorCtrl(QWidget *parent = nullptr);
  ~TQorCtrl() override;

  // Columns 1 and 2 of all rows from the fields.
  void RefreshTable();
  // Stores column 2 of the current row (Enter).
  void UpdateValue();
  // The grid's keys; key is a Qt key code.
  void GridKey(int key, Qt::KeyboardModifiers modifiers, const QString &text);

  void Refrsh_Qor_ValuesExecute();
  void PreWrite_Qor_ValuesExecute();
  void WriteQorValues1Click();

  void FormShow();
  void UpdateQorStateExecute();
  // The check list's items 16 and 17 as the user left them.
  void Qor_Status_CLBClickCheck();
  // Keys on the check list: down (true) and up.
  void StatusListKey(int key, Qt::KeyboardModifiers modifiers, bool down);
  void SendManualSpeeds();
  void rackTo1Click();
  void urnDownReprtng1Click();

  WindowHandle FNotifyWnd = 0;
  bool FFromSettings = true;

  QTabWidget *PageControl1;
  QTableWidget *StitchingSettingsSG;
  QTableWidget *VLE;
  QMenu *VLEPopup;
  QAction *Refrsh_Qor_Values, *PreWrite_Qor_Values, *Write_Qor_Values, *RewriteBTname;
  QListWidget *Qor_Status_CLB;
  QLabel *QorStatusBar1, *QorStatusBar2, *QorStatusBar3;
  QScrollBar *HorSpeedSB, *VerSpeedSB;
  QCheckBox *FixThermoD;
  QMenu *QorPopup;
  QAction *UpdateQorState, *TrackTo, *TurnDownReprtng;
  QLabel *StatusBar1;
  QTimer *Timer1;

  // Asks for a value (title, prompt, proposed text); nothing when cancelled. Tests answer it.
  std::function<std::optional<QString>(const QString &, const QString &, const QString &)> FInputQuery;
  // Shows why an edit was refused. Tests read it.
  std::function<void(const QString &)> FShowError;

protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void BuildStitchingPage();
  void BuildValuesPage();
  void BuildQorPage();
  bool HeadConnected() const;
  void SayNotConnected();

  // Typing into column 2 of the current row: the first digit replaces the cell, later ones append.
  int FTypingRow = -1;
  QSet<int> FKeysHeld;
  bool FStateUpdating = false;
};

// Unit switches of the form.
extern bool PushToTrack;
extern std::uint16_t LastManualSpeeds;
extern bool ReportLoopStopped;

// The form of the run (the second window), or nullptr.
extern TQorCtrl *QorCtrl;

} // namespace calidarix
