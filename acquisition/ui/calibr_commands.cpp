// The calibration form's commands: editing the point table, the signal offset, the two value
// lists, switching the set, copying the table and the emissivity and ambient corrections.

#include "acquisition/ui/calibr_form.h"

#include "acquisition/calibration_sets.h"
#include "acquisition/camera_ini.h"
#include "acquisition/camera_state.h"
#include "platform/numbers.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

namespace calidarix {

namespace {

std::optional<double> NumberOf(const QString &text) {
  return ParseFloat(text.toStdString());
}

std::optional<std::int64_t> IntegerOf(const QString &text) {
  return ParseInteger(text.trimmed().toStdString());
}

QString NotANumber(const QString &text) {
  return QStringLiteral("'%1' is not a valid number").arg(text);
}

// The curve list takes digits only: every other printable key is dropped.
class TDigitsDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                        const QModelIndex &index) const override {
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    editor->installEventFilter(const_cast<TDigitsDelegate *>(this));
    return editor;
  }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto *key = static_cast<QKeyEvent *>(event);
      const QString text = key->text();
      const bool passes = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Return ||
                          key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape ||
                          (text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9'));
      if (!passes && !text.isEmpty() && text[0].isPrint())
        return true;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
  }
};

QString Cell(const QTableWidget *list, int row) {
  const QTableWidgetItem *item = list->item(row, 1);
  return item ? item->text() : QString();
}

} // namespace

// ---- Actions of the form ----

void TCalibrForm::BuildCommandHandlers() {
  struct Key {
    const char *name;
    QKeySequence keys;
    int step;
    bool up;
  };
  const Key keys[] = {{"AltDown", QKeySequence(Qt::ALT | Qt::Key_Down), 100, false},
                      {"CtrlAltDown", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Down), 1, false},
                      {"AltUp", QKeySequence(Qt::ALT | Qt::Key_Up), 100, true},
                      {"CtrlAltUp", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Up), 1, true}};
  for (const Key &k : keys) {
    auto *action = new QAction(this);
    action->setObjectName(QString::fromLatin1(k.name));
    action->setShortcut(k.keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, step = k.step, up = k.up] { OffsetKey(step, up); });
    addAction(action);
  }
  ExpLE->setItemDelegateForColumn(1, new TDigitsDelegate(ExpLE));
}

// ---- The point grid ----

void TCalibrForm::BeginTemperatureEdit(int row) {
  if (FTable.FPointCount == 0)
    return;
  const int r = row > 0 ? std::min(row, FTable.FPointCount) - 1 : std::max(CalibrSG->currentRow(), 0);
  CalibrSG->setSelectionBehavior(QAbstractItemView::SelectItems);
  CalibrSG->setFocus();
  CalibrSG->setCurrentCell(r, 3);
  QApplication::processEvents();
  CalibrSG->setEditTriggers(QAbstractItemView::AllEditTriggers);
  CalibrSG->editItem(CalibrSG->item(r, 3));
}

void TCalibrForm::GridEditClosed(QAbstractItemDelegate::EndEditHint hint) {
  RowSelection();
  if (hint == QAbstractItemDelegate::RevertModelCache) {
    UpDateAll();
    return;
  }
  TakeEditedTemperature();
}

void TCalibrForm::CommitPendingEdit() {
  CalibrSG->CommitOpenEdit();
}

void TCalibrForm::TakeEditedTemperature() {
  const int row = CalibrSG->currentRow() + 1;
  if (row < 1 || row > FTable.FPointCount) {
    UpDateAll();
    return;
  }
  const QString text = CalibrSG->item(row - 1, 3) ? CalibrSG->item(row - 1, 3)->text() : QString();
  const std::optional<double> t = NumberOf(text);
  if (!t) {
    // The grid goes back to what the table holds.
    UpDateAll();
    ShowError(NotANumber(text));
    return;
  }
  FTable.FCalibrPoints[static_cast<std::size_t>(row)].Temperature = *t;
  // Two points at one temperature cannot both stand: the other one goes.
  int kept = row;
  for (int i = FTable.FPointCount; i >= 1; --i)
    if (i != kept && FTable.FCalibrPoints[static_cast<std::size_t>(i)].Temperature == *t) {
      FTable.DeleteCalibr(i);
      if (i < kept)
        --kept;
    }
  UpDateAll();
  CalibrSG->setCurrentCell(kept - 1, 0);
}

void TCalibrForm::DeleteSelectedPoint() {
  const int row = CalibrSG->currentRow() + 1;
  if (row < 1 || row > FTable.FPointCount)
    return;
  FTable.DeleteCalibr(row);
  UpDateAll();
  if (FTable.FPointCount > 0)
    CalibrSG->setCurrentCell(std::min(row, FTable.FPointCount) - 1, 0);
}

bool TCalibrForm::eventFilter(QObject *watched, QEvent *event) {
  if (watched == OrvantPanel && event->type() == QEvent::MouseButtonRelease) {
    CopyTable();
    return true;
  }
  if (event->type() != QEvent::KeyPress)
    return QWidget::eventFilter(watched, event);
  const auto *key = static_cast<QKeyEvent *>(event);
  if (watched == CalibrSG && !CalibrSG->Editing()) {
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      BeginTemperatureEdit();
      return true;
    case Qt::Key_Delete:
      DeleteSelectedPoint();
      return true;
    case Qt::Key_Tab:
      NextTab();
      return true;
    case Qt::Key_Escape:
      close();
      return true;
    default:
      break;
    }
  }
  if (watched == ExpLE && !ExpLE->Editing() &&
      (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
    ApplyCurveValues();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TCalibrForm::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

// ---- Signal offset ----

void TCalibrForm::ChartSBChange() {
  if (FTable.FPointCount <= 1)
    return;
  if (ChartSBTag == 0)
    CalibrSignal0 = ChartSB->value();
  RecomputeNetSignals(FTable);
  UpDateAll();
}

void TCalibrForm::OffsetKey(int step, bool up) {
  if (FTable.FPointCount <= 1)
    return;
  const double lowest = ChartSB->minimum();
  const double highest = ChartSB->maximum();
  double s0 = CalibrSignal0;
  if (!up) {
    const double floorMargin = step == 100 ? 101.0 : 1.0;
    s0 = lowest + floorMargin >= s0 ? lowest : s0 - step;
  } else {
    if (highest - step > s0)
      s0 += step;
    else
      s0 = step == 100 ? highest : 1.0;
    if (FTable.FCalibrPoints[1].RawSignal < s0)
      return;
  }
  CalibrSignal0 = s0;
  RecomputeNetSignals(FTable);
  const int before = ChartSB->value();
  ChartSB->setValue(static_cast<int>(std::trunc(s0)));
  // The bar's own handler refreshes when it moves; when it stays, the refresh is done here.
  if (ChartSB->value() == before)
    UpDateAll();
  QApplication::processEvents();
  if (FOffsetKeyPauseMs > 0)
    QThread::msleep(static_cast<unsigned long>(FOffsetKeyPauseMs));
}

// ---- Curve list ----

void TCalibrForm::ApplyCurveValues() {
  const QString texts[] = {Cell(ExpLE, 0), Cell(ExpLE, 1), Cell(ExpLE, 2), Cell(ExpLE, 3)};
  const std::optional<std::int64_t> amplification = IntegerOf(texts[0]);
  const std::optional<double> signal0 = NumberOf(texts[1]);
  const std::optional<double> expA = NumberOf(texts[2]);
  const std::optional<double> expB = NumberOf(texts[3]);
  const std::optional<double> *numbers[] = {nullptr, &signal0, &expA, &expB};
  if (!amplification) {
    ShowCurveValues();
    ShowError(NotANumber(texts[0]));
    return;
  }
  if (*amplification < 0 || *amplification > 255) {
    ShowCurveValues();
    ShowError(QStringLiteral("Amplification %1 is outside 0..255").arg(*amplification));
    return;
  }
  for (int i = 1; i < 4; ++i)
    if (!*numbers[i]) {
      ShowCurveValues();
      ShowError(NotANumber(texts[i]));
      return;
    }

  CalibrAmplification = static_cast<std::uint8_t>(*amplification);
  CalibrSignal0 = *signal0;
  CalibrExpA = *expA;
  CalibrExpB = *expB;
  TScanUnit &u = ScanUnit;
  const int tab = ExpTC->currentIndex();
  if (tab == u.CalibrationRange + 3 * u.CalibrationBand) {
    if (tab >= 3) {
      u.CurAmplificationBand2 = CalibrAmplification;
      u.CurBand2ExpA = CalibrExpA;
      u.CurBand2ExpB = CalibrExpB;
      u.CurBand2Signal0 = CalibrSignal0;
    } else {
      u.CurAmplificationBand1 = CalibrAmplification;
      u.CurBand1ExpA = CalibrExpA;
      u.CurBand1ExpB = CalibrExpB;
      u.CurBand1Signal0 = CalibrSignal0;
    }
  }
  if (IsCalibrationSet(tab)) {
    TCalibrationSetValues set = CalibrationSetValues(u, tab);
    set.Amplification = CalibrAmplification;
    set.ExpA = CalibrExpA;
    set.ExpB = CalibrExpB;
    set.Signal0 = CalibrSignal0;
  }
  RecomputeNetSignals(FTable);
  ChartSBTag = 1;
  ChartSB->setValue(static_cast<int>(std::clamp(std::trunc(CalibrSignal0), -2.0e9, 2.0e9)));
  ChartSBTag = 0;
  CalibrSG->setFocus();
  UpDateAll();
}

// ---- Parameter list ----

void TCalibrForm::ApplyParamsValues() {
  QString texts[10];
  for (int r = 0; r < 10; ++r)
    texts[r] = Cell(ParamsLE, r);
  const auto fail = [this](const QString &message) {
    ShowParamsValues();
    ShowError(message);
  };
  // Every row is read before any value is taken, so a bad row changes nothing.
  std::int64_t integers[5] = {};
  const int integerRows[5] = {0, 1, 3, 4, 5};
  for (int i = 0; i < 5; ++i) {
    const std::optional<std::int64_t> v = IntegerOf(texts[integerRows[i]]);
    if (!v)
      return fail(NotANumber(texts[integerRows[i]]));
    integers[i] = *v;
  }
  double reals[4] = {};
  for (int i = 0; i < 4; ++i) {
    const std::optional<double> v = NumberOf(texts[6 + i]);
    if (!v)
      return fail(NotANumber(texts[6 + i]));
    reals[i] = *v;
  }
  const auto fitsInt32 = [](std::int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; };
  if (!fitsInt32(integers[0]) || !fitsInt32(integers[1]))
    return fail(QStringLiteral("CameraNo and CameraType must be 32-bit integers"));
  if (integers[2] < 1 || integers[2] > kMaxScanSide || integers[3] < 1 || integers[3] > kMaxScanSide)
    return fail(QStringLiteral("Width and Height must lie in 1..%1").arg(kMaxScanSide));
  if (integers[4] < 0 || integers[4] > 65535)
    return fail(QStringLiteral("Set must lie in 0..65535"));

  TScanUnit &u = ScanUnit;
  u.CameraNo = static_cast<std::int32_t>(integers[0]);
  u.CameraInterfaceType = static_cast<std::int32_t>(integers[1]);
  u.ScanWidth = static_cast<std::int32_t>(integers[2]);
  u.ScanHeight = static_cast<std::int32_t>(integers[3]);
  u.Set[0] = static_cast<std::uint16_t>(integers[4]);
  u.TermoDelta = static_cast<float>(reals[0]);
  u.RefPoint = reals[1];
  u.Emissivity = reals[2];
  u.Ambient = reals[3];
  UpDateAll();
}

void TCalibrForm::RefCBClick() {
  ScanUnit.isRefPoint = RefCB->isChecked();
  UpDateAll();
}

// ---- Switching the set ----

void TCalibrForm::SelectSet(int set) {
  if (!IsCalibrationSet(set))
    return;
  FChangingTab = true;
  ExpTC->setCurrentIndex(set);
  FChangingTab = false;
  FLoadedTab = set;
}

void TCalibrForm::LoadParams() {
  LoadParamsData(FIniFile.get(), ScanUnit);
}

void TCalibrForm::LoadSet(int set) {
  LoadCalibrData(FIniFile.get(), set, ScanUnit, FTable);
}

bool TCalibrForm::SaveLoadedSet() {
  if (!FIniFile)
    return true;
  QString error;
  if (SaveCalibrData(FIniFile.get(), FLoadedTab, ScanUnit, FTable, &error))
    return true;
  ShowError(QStringLiteral("The set was not saved, so it stays open: ") + error);
  return false;
}

void TCalibrForm::TabClicked(int index) {
  if (FChangingTab)
    return;
  CommitPendingEdit();
  if (!SaveLoadedSet()) {
    SelectSet(FLoadedTab);
    return;
  }
  FLoadedTab = index;
  LoadSet(index);
  UpDateAll();
}

void TCalibrForm::NextTab() {
  if (!SaveLoadedSet())
    return;
  SelectSet((ExpTC->currentIndex() + 1) % kCalibrationSetCount);
  QApplication::processEvents();
  LoadSet(FLoadedTab);
  UpDateAll();
}

// ---- Copy, emissivity, ambient ----

void TCalibrForm::CopyTable() {
  QString text;
  for (int i = 1; i <= FTable.FPointCount; ++i) {
    const TCalibrPoint &p = FTable.FCalibrPoints[static_cast<std::size_t>(i)];
    text += QString::fromStdString(FixedText(p.Temperature, 2, ','));
    text += QLatin1Char('\t');
    text += QString::number(p.RawSignal);
    text += QLatin1Char('\r');
  }
  QApplication::clipboard()->setText(text);
}

namespace {

void UseUp(QPushButton *button) {
  button->setEnabled(false);
  QPalette p = button->palette();
  p.setColor(QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
  button->setPalette(p);
}

} // namespace

void TCalibrForm::EmissivityClick(bool altHeld) {
  if (!Ask(QStringLiteral("Proceed with Emissivity?")))
    return;
  if (const std::optional<QString> refused =
          ApplyEmissivity(FTable, !altHeld, ScanUnit.Ambient, ScanUnit.Emissivity)) {
    ShowError(*refused);
    return;
  }
  UpDateAll();
  UseUp(EmissivityBtn);
}

void TCalibrForm::AmbientClick() {
  if (!Ask(QStringLiteral("Proceed with Ambient?")))
    return;
  const std::optional<double> reference =
      AmbientCB->isChecked() ? std::optional<double>(ScanUnit.Ambient) : MeanBodyTemperature(FTable);
  // Without points there is no mean body temperature to refer to: nothing changes.
  if (!reference)
    return;
  ApplyAmbient(FTable, *reference);
  UpDateAll();
  UseUp(AmbientBtn);
}

// ---- After the form closes ----

void SelectCurrentCalibration(TScanUnit &unit) {
  if (unit.CalibrationRange > 2 || unit.CalibrationBand > 1)
    return;
  const TCalibrationSetData set = CalibrationSetData(unit, unit.CalibrationRange + 3 * unit.CalibrationBand);
  unit.CurAmplification = set.Amplification;
  unit.CurSignal0 = set.Signal0;
  unit.CurExpA = set.ExpA;
  unit.CurExpB = set.ExpB;
  if (unit.CalibrationBand == 0) {
    unit.CurAmplificationBand1 = set.Amplification;
    unit.CurBand1Signal0 = set.Signal0;
    unit.CurBand1ExpA = set.ExpA;
    unit.CurBand1ExpB = set.ExpB;
  } else {
    unit.CurAmplificationBand2 = set.Amplification;
    unit.CurBand2Signal0 = set.Signal0;
    unit.CurBand2ExpA = set.ExpA;
    unit.CurBand2ExpB = set.ExpB;
  }
}

} // namespace calidarix
