#pragma once
// The calibration and service window: one calibration set at a time, its point table in a grid,
// the form's curve and the points in a chart, the curve's values and the camera set-up in two
// editable lists, and the scanner controls with the camera exchange.
//
// The window is created hidden with the other windows and shown modally by the main window's
// calibration hotkeys (main_window_calibration.cpp), which hand it the program's INI file and pick
// the set. The fit, the INI reading and writing and the exchange with the camera are headless
// (calibration_fit.h, camera_ini.h, scanner_exchange.h); this class only gathers input and shows.
//
// Texts that do not read as numbers, and set-up values the camera cannot take, are told in a
// message box and change nothing: a list is read back whole or not at all.

#include "acquisition/calibration_fit.h"
#include "acquisition/scanner_exchange.h"
#include "platform/inifile.h"

#include <QAbstractItemDelegate>
#include <QPointF>
#include <QTableWidget>
#include <QWidget>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QCheckBox;
class QEventLoop;
class QGridLayout;
class QLabel;
class QPushButton;
class QScrollBar;
class QSpinBox;
class QTabBar;
class QTimer;

namespace calidarix {

class TCalibrGeometryPanel;

// A table whose end of an edit is reported, and whose open edit can be committed from outside.
class TFormGrid : public QTableWidget {
  Q_OBJECT
public:
  using QTableWidget::QTableWidget;
  bool Editing() const { return state() == QAbstractItemView::EditingState; }
  // Commits and closes the open editor, if any (its end is reported as a commit).
  void CommitOpenEdit();
  // The editor closed: `hint` RevertModelCache when it was cancelled with Escape.
  std::function<void(QAbstractItemDelegate::EndEditHint hint)> OnEditClosed;

protected:
  void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
};

// The chart: the form's curve as a red line with small dots, the points as blue circles; x is the
// temperature, y the net signal.
class TCalibrChart : public QWidget {
public:
  explicit TCalibrChart(QWidget *parent);
  std::vector<QPointF> CurveSeries;
  std::vector<QPointF> PointSeries;

protected:
  void paintEvent(QPaintEvent *event) override;
};

class TCalibrForm : public QWidget {
  Q_OBJECT
public:
  explicit TCalibrForm(QWidget *parent = nullptr);
  ~TCalibrForm() override;

  // ---- State ----
  TCalibrationTable FTable;
  std::unique_ptr<IniFile> FIniFile; // the program's "Calidarix.ini"; none: loads and saves do nothing
  int FLoadedTab = 0;                // the set whose values are loaded in the form

  // ---- Refresh ----
  void UpDateAll();
  void UpDateScreen();
  void ShowCurveValues();
  void ShowParamsValues();
  void FillCalibrGrid();
  void DrawCalibrChart();

  // ---- What the hotkeys use ----
  // Shows set `set` (0..5) on the tab control and as the loaded set, without saving or loading.
  void SelectSet(int set);
  void LoadParams();
  void LoadSet(int set);
  // Opens the editor on the "T°C" cell of `row` (1-based point number; the current row when 0).
  void BeginTemperatureEdit(int row = 0);
  // Shows the window modally and returns when it is closed. Tests replace the wait with ModalHook.
  void ShowModal();
  std::function<void()> ModalHook;

  // ---- Commands ----
  // Commits an open edit of the grid (the temperature is taken, equal temperatures removed).
  void CommitPendingEdit();
  void DeleteSelectedPoint();
  // Offset keys: step 100 (Alt) or 1 (Ctrl+Alt), up or down.
  void OffsetKey(int step, bool up);
  void ChartSBChange();
  void ApplyCurveValues();
  void ApplyParamsValues();
  void TabClicked(int index);
  void NextTab();
  void CopyTable();
  void EmissivityClick(bool altHeld);
  void AmbientClick();
  void RefCBClick();
  // Read: the camera's parameter block into the camera state and the first band's sets, and the
  // set on show (when it is one of those) into the form's curve.
  void ReadBtnClick();
  int FOffsetKeyPauseMs = 100; // key-repeat throttle of the offset keys

  // Message boxes, replaceable by tests.
  std::function<void(const QString &text)> ShowError;
  std::function<bool(const QString &question)> Ask;

  // ---- Components (objectName = member name) ----
  QTabBar *ExpTC;
  TFormGrid *CalibrSG;
  TFormGrid *ExpLE;
  TFormGrid *ParamsLE;
  QCheckBox *RefCB, *AmbientCB, *AutoSaveCB, *ShowGeoCB;
  QPushButton *EmissivityBtn, *AmbientBtn;
  TCalibrChart *CalChart;
  QScrollBar *ChartSB;
  int ChartSBTag = 0; // 1 while the refresh itself moves the bar
  // The sector geometry preview, shown by ShowGeoCB in place of the chart and its bar.
  TCalibrGeometryPanel *GeomPanel;
  QLabel *OrvantPanel;
  QWidget *GamePB;
  QPushButton *ConnectBtn, *ReadBtn, *WriteBtn, *WriteShortBtn;
  std::vector<QScrollBar *> LiveBars; // in the order of TLiveBar
  QWidget *LivePanel = nullptr;       // the live bars with their captions and values
  QSpinBox *MinBatSE, *LimBatSE, *MaxBatSE;
  QScrollBar *DelaySB = nullptr, *EdgeSB = nullptr, *CenterSB = nullptr;
  QSpinBox *SectorsSE;
  QPushButton *CalibrSaveBB, *CalibrLoadBB;
  QTimer *LiveTimer;
  TScannerExchange FExchange;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void changeEvent(QEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void hideEvent(QHideEvent *event) override;

private:
  QWidget *BuildLeftHalf();
  QWidget *BuildRightHalf();
  // The offset keys and the curve list's digit filter.
  void BuildCommandHandlers();
  void InitCalibrGrid();
  void GridEditClosed(QAbstractItemDelegate::EndEditHint hint);
  void TakeEditedTemperature();
  void RowSelection();
  void FormActivated();
  bool SaveLoadedSet();
  void ReportExchange(TExchangeOutcome outcome);
  void SyncLiveBars();
  void BuildGeometryLinks();
  // A row of `grid`: the caption, the bar named `name` (0 .. max) and a label with its position.
  QScrollBar *AddBarRow(QGridLayout *grid, const QString &name, const QString &caption, int max);
  void ShowBarValues();
  // Sizes the grid's columns to their texts at the grid's font, never below their design widths.
  void FitGridColumns();

  bool FChangingTab = false;
  QEventLoop *FModalLoop = nullptr; // the wait of a modal showing
  std::vector<std::pair<QScrollBar *, QLabel *>> FBarLabels;
  bool FEmissivityUsed = false;
};

extern TCalibrForm *CalibrForm;

// The values of the set in use (by range and band) become the working calibration, both the
// single-band values and the matching band's, so that the next frame of either kind uses them.
// Other range or band values change nothing.
void SelectCurrentCalibration(TScanUnit &unit);

} // namespace calidarix
