#pragma once
// The film review window: one row per processed frame of the film (time, route position, lowest,
// highest and mean temperature, a viewed/safe status and a comment), a lower and an upper alarm
// temperature, a filter down to the frames that break an alarm, counters, and a "safe" button the
// operator confirms by clicking it twice within three seconds. Picking a row shows its frame in the
// main window; stepping frames in the main window moves the current row along.
//
// Rows are numbered as the operator sees them: row 0 is the header, rows 1 .. N the frames shown. A
// row finds its record through the frame number in column 0, since a filtered table does not keep
// the records' places. The records belong to one film, named when the table is filled; a row picks a
// frame only of that film.
//
// Apart from the caption, every text of this window is Russian, whatever the program's language.

#include "mainwindow/film_alarms.h"
#include "thermogram/tdtv.h"

#include <QWidget>

#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QTableWidget;
class QTimer;

namespace calidarix {

class TFilmProcessForm : public QWidget {
  Q_OBJECT
public:
  explicit TFilmProcessForm(QWidget *parent = nullptr);

  // Rebuilds the rows from the records by the filter chosen, then the counters.
  void TableFill();
  void StatsUpdate();
  // Writes the eight cells of grid row `row` (1-based) from record `record`.
  void FillFilmRow(int row, int record);

  // The records shown: the processing table of the current thermogram.
  std::vector<TFilmProcessTable> &Records() const;
  TFilmAlarms Alarms() const { return TFilmAlarms{FMinAlarm, FMaxAlarm, FMinAlarmOn, FMaxAlarmOn}; }

  // The grid as the main window's frame stepping uses it: row count with the header row, the current
  // row (0 when none), a cell's text, and moving the current row (which runs the row pick).
  int RowCount() const;
  int CurrentRow() const;
  QString CellText(int column, int row) const;
  void SetCurrentRow(int row);
  // The record index named by column 0 of a row; -1 for the header, rows beyond the table and rows
  // whose number names no record.
  int RecordOfRow(int row) const;

  // Handlers. Keys are Qt key codes.
  void MinEditKeyDown(int key);
  void MaxEditKeyDown(int key);
  void FilterCBChange();
  void MinMaxCBClick();
  void FilmProcessGridSelectCell(int row);
  void FilmProcessGridDblClick();
  void FilmProcessGridKeyDown(int key);
  void FilmProcessGridSetEditText(int row, const QString &text);
  void EnterExecute();
  void EscapeExecute();
  void SafeBtnClick();
  void SafeTimerTimer();
  bool Editing() const { return FEditing; }

  double FMinAlarm = 0.0;
  double FMaxAlarm = 0.0;
  bool FMinAlarmOn = false;
  bool FMaxAlarmOn = false;
  int FSafeCountdown = 0;
  bool FRowFromViewer = false;
  // The film the records were made from.
  QString FFilmFileName;

  QFrame *Panel1 = nullptr;
  QFrame *Panel2 = nullptr;
  QLineEdit *MinEdit = nullptr;
  QLineEdit *MaxEdit = nullptr;
  QCheckBox *MinCB = nullptr;
  QCheckBox *MaxCB = nullptr;
  QComboBox *FilterCB = nullptr;
  // A panel that serves as a button: idle, counting down, or hidden.
  QLabel *SafeBtn = nullptr;
  QLabel *FramesLabel = nullptr;
  QLabel *AlarmsLabel = nullptr;
  QLabel *AlMaxLabel = nullptr;
  QLabel *AlMinLabel = nullptr;
  QLabel *AlUnattended = nullptr;
  QTableWidget *FilmProcessGrid = nullptr;
  QTimer *SafeTimer = nullptr;
  QAction *Enter = nullptr;
  QAction *Escape = nullptr;

protected:
  void showEvent(QShowEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void AlarmEditEnter(QLineEdit *edit, bool lower);
  void SetSafeLook(bool counting);
  void SetRowSelection(bool wholeRow);
  void CloseEditor();

  bool FEditing = false;
};

extern TFilmProcessForm *FilmProcessForm;

} // namespace calidarix
