#include "head/ui/qor_ctrl.h"

#include "head/head_globals.h"
#include "head/head_link.h"
#include "head/head_registers.h"
#include "mainwindow/ui/widget_names.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace calidarix {

bool PushToTrack = true;
std::uint16_t LastManualSpeeds = 0;
bool ReportLoopStopped = false;
TQorCtrl *QorCtrl = nullptr;

namespace {

constexpr int kPushToTrackItem = 16;
constexpr int kUpdateAllItem = 17;

QTableWidgetItem *ReadOnlyItem(const QString &text) {
  auto *item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

bool IsManualDriveKey(int key) {
  return key == Qt::Key_Backspace || key == Qt::Key_Shift || key == Qt::Key_Left || key == Qt::Key_Right ||
         key == Qt::Key_Up || key == Qt::Key_Down;
}

} // namespace

TQorCtrl::TQorCtrl(QWidget *parent) : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("QorCtrl"));
  setWindowTitle(QStringLiteral("Qor Ctrl Form"));
  auto *column = new QVBoxLayout(this);
  PageControl1 = Named(new QTabWidget(this), "PageControl1");
  column->addWidget(PageControl1, 1);
  StatusBar1 = Named(new QLabel(this), "StatusBar1");
  StatusBar1->setFrameShape(QFrame::StyledPanel);
  column->addWidget(StatusBar1);
  Timer1 = Named(new QTimer(this), "Timer1");
  Timer1->setInterval(500);
  connect(Timer1, &QTimer::timeout, this, &TQorCtrl::UpdateQorStateExecute);

  BuildStitchingPage();
  BuildValuesPage();
  BuildQorPage();

  FInputQuery = [this](const QString &title, const QString &prompt, const QString &proposed) {
    bool ok = false;
    const QString answer = QInputDialog::getText(this, title, prompt, QLineEdit::Normal, proposed, &ok);
    return ok ? std::optional<QString>(answer) : std::nullopt;
  };
  FShowError = [this](const QString &text) { QMessageBox::warning(this, windowTitle(), text); };

  // The creation handler.
  FFromSettings = true;
  FCamPosLimits = {-180, -90, 180, 90};
  FFrameCuts = {};
  RefreshTable();
  Qor_Status_CLB->item(kPushToTrackItem)->setCheckState(Qt::Checked);
  PushToTrack = true;
  resize(560, 520);
}

TQorCtrl::~TQorCtrl() {
  // A report loop still running ends with the form.
  ReportLoopStopped = true;
  if (QorCtrl == this)
    QorCtrl = nullptr;
}

void TQorCtrl::BuildStitchingPage() {
  auto *page = Named(new QWidget, "StitchingSettingsTS");
  PageControl1->addTab(page, QStringLiteral("Stitching Settings"));
  auto *layout = new QVBoxLayout(page);
  StitchingSettingsSG = Named(new QTableWidget(kSettingsRows, 3, page), "StitchingSettingsSG");
  StitchingSettingsSG->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StitchingSettingsSG->setSelectionMode(QAbstractItemView::SingleSelection);
  StitchingSettingsSG->horizontalHeader()->setVisible(false);
  StitchingSettingsSG->verticalHeader()->setVisible(false);
  StitchingSettingsSG->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  StitchingSettingsSG->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  StitchingSettingsSG->horizontalHeader()->setStretchLastSection(true);
  for (int row = 0; row < kSettingsRows; ++row) {
    StitchingSettingsSG->setItem(row, 0, ReadOnlyItem(SettingsCaption(row)));
    StitchingSettingsSG->setItem(row, 1, ReadOnlyItem(QString()));
    StitchingSettingsSG->setItem(row, 2, ReadOnlyItem(QString()));
  }
  StitchingSettingsSG->setCurrentCell(0, 2);
  StitchingSettingsSG->installEventFilter(this);
  // The value column is the one that is typed into, whichever cell was clicked.
  connect(StitchingSettingsSG, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
    FTypingRow = -1;
    if (row >= 0 && column != 2)
      StitchingSettingsSG->setCurrentCell(row, 2);
  });
  layout->addWidget(StitchingSettingsSG);
}

void TQorCtrl::BuildValuesPage() {
  auto *page = Named(new QWidget, "QorValuesTS");
  PageControl1->addTab(page, QStringLiteral("Qor values"));
  auto *layout = new QVBoxLayout(page);
  VLE = Named(new QTableWidget(kRegisterRows, 2, page), "VLE");
  VLE->setHorizontalHeaderLabels({QStringLiteral("Key"), QStringLiteral("Value")});
  VLE->verticalHeader()->setVisible(false);
  VLE->horizontalHeader()->setStretchLastSection(true);
  VLE->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                       QAbstractItemView::AnyKeyPressed);
  const QStringList keys = RegisterKeys();
  for (int row = 0; row < kRegisterRows; ++row) {
    VLE->setItem(row, 0, ReadOnlyItem(keys[row]));
    VLE->setItem(row, 1, new QTableWidgetItem(QString()));
  }
  layout->addWidget(VLE);

  VLEPopup = Named(new QMenu(this), "VLEPopup");
  Refrsh_Qor_Values = Named(VLEPopup->addAction(QStringLiteral("Refresh Qor Values")), "Refrsh_Qor_Values");
  PreWrite_Qor_Values =
      Named(VLEPopup->addAction(QStringLiteral("PreWrite Qor Values")), "PreWrite_Qor_Values");
  Write_Qor_Values = Named(VLEPopup->addAction(QStringLiteral("Write Qor Values")), "Write_Qor_Values");
  RewriteBTname = Named(VLEPopup->addAction(QStringLiteral("Rewrite BT name")), "RewriteBTname");
  PreWrite_Qor_Values->setEnabled(false);
  Write_Qor_Values->setEnabled(false);
  RewriteBTname->setVisible(false);
  connect(Refrsh_Qor_Values, &QAction::triggered, this, &TQorCtrl::Refrsh_Qor_ValuesExecute);
  connect(PreWrite_Qor_Values, &QAction::triggered, this, &TQorCtrl::PreWrite_Qor_ValuesExecute);
  connect(Write_Qor_Values, &QAction::triggered, this, &TQorCtrl::WriteQorValues1Click);
  VLE->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(VLE, &QWidget::customContextMenuRequested, this,
          [this](const QPoint &at) { VLEPopup->popup(VLE->viewport()->mapToGlobal(at)); });
}

void TQorCtrl::BuildQorPage() {
  auto *page = Named(new QWidget, "QorTS");
  PageControl1->addTab(page, QStringLiteral("Qor"));
  auto *grid = new QGridLayout(page);
  int row = 0;
  for (const char *text : {"[K] - toggles PushToTrack", "[BkSps] stops turning", "[R] restarts Qor",
                           "[A] toggles Autotrack mode", "[T] tracks to...", "[U] starts update"})
    grid->addWidget(new QLabel(QString::fromLatin1(text), page), row++, 0);
  Qor_Status_CLB = Named(new QListWidget(page), "Qor_Status_CLB");
  const QStringList names = QorStatusItemNames();
  for (int i = 0; i < names.size(); ++i) {
    auto *item = new QListWidgetItem(names[i], Qor_Status_CLB);
    item->setCheckState(Qt::Unchecked);
    // The status bits are shown, not set: only the last two items are the user's.
    item->setFlags(i < kPushToTrackItem ? Qt::ItemFlags(Qt::NoItemFlags)
                                        : Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
  }
  Qor_Status_CLB->installEventFilter(this);
  connect(Qor_Status_CLB, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
    if (Qor_Status_CLB->row(item) >= kPushToTrackItem)
      Qor_Status_CLBClickCheck();
  });
  grid->addWidget(Qor_Status_CLB, 0, 1, row + 2, 1);

  HorSpeedSB = Named(new QScrollBar(Qt::Horizontal, page), "HorSpeedSB");
  VerSpeedSB = Named(new QScrollBar(Qt::Vertical, page), "VerSpeedSB");
  for (QScrollBar *bar : {HorSpeedSB, VerSpeedSB}) {
    bar->setRange(-127, 127);
    bar->setValue(0);
    bar->setEnabled(false); // they show the speed; the keys set it
  }
  VerSpeedSB->setInvertedAppearance(true); // up is positive
  grid->addWidget(HorSpeedSB, row++, 0);
  grid->addWidget(VerSpeedSB, 0, 2, row + 1, 1);
  FixThermoD = Named(new QCheckBox(QStringLiteral("Fix ThermoD"), page), "FixThermoD");
  grid->addWidget(FixThermoD, row++, 0);
  QorStatusBar1 = Named(new QLabel(page), "QorStatusBar1");
  QorStatusBar2 = Named(new QLabel(page), "QorStatusBar2");
  QorStatusBar3 = Named(new QLabel(page), "QorStatusBar3");
  for (QLabel *bar : {QorStatusBar1, QorStatusBar2, QorStatusBar3}) {
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(bar, ++row, 0, 1, 3);
  }

  QorPopup = Named(new QMenu(this), "QorPopup");
  UpdateQorState = Named(QorPopup->addAction(QStringLiteral("Update Qor State")), "UpdateQorState");
  TrackTo = Named(QorPopup->addAction(QStringLiteral("Track To")), "TrackTo");
  TurnDownReprtng = Named(QorPopup->addAction(QStringLiteral("TurnDownReprtng")), "TurnDownReprtng");
  // Track To is reached with the key T; the menu item has no command of its own.
  TrackTo->setEnabled(false);
  connect(UpdateQorState, &QAction::triggered, this, &TQorCtrl::UpdateQorStateExecute);
  connect(TurnDownReprtng, &QAction::triggered, this, &TQorCtrl::urnDownReprtng1Click);
  page->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(page, &QWidget::customContextMenuRequested, this,
          [this, page](const QPoint &at) { QorPopup->popup(page->mapToGlobal(at)); });
  connect(PageControl1, &QTabWidget::currentChanged, this, [this, page](int index) {
    if (PageControl1->widget(index) == page)
      Qor_Status_CLB->setFocus();
  });
}

bool TQorCtrl::HeadConnected() const {
  return QorHead && QorHead->FConnected;
}

void TQorCtrl::SayNotConnected() {
  StatusBar1->setText(QStringLiteral("No head connected"));
}

// ---- Stitching settings ----

void TQorCtrl::RefreshTable() {
  for (int row = 0; row < kSettingsRows; ++row) {
    StitchingSettingsSG->item(row, 1)->setText(SettingsShownText(*this, row));
    StitchingSettingsSG->item(row, 2)->setText(SettingsRawText(*this, row));
  }
}

void TQorCtrl::UpdateValue() {
  const int row = StitchingSettingsSG->currentRow();
  FTypingRow = -1;
  if (row < 0)
    return;
  const QString problem = StoreSettingsText(*this, row, StitchingSettingsSG->item(row, 2)->text());
  RefreshTable();
  if (!problem.isEmpty() && FShowError)
    FShowError(problem);
}

void TQorCtrl::GridKey(int key, Qt::KeyboardModifiers modifiers, const QString &text) {
  const int row = StitchingSettingsSG->currentRow();
  if (row < 0)
    return;
  QTableWidgetItem *cell = StitchingSettingsSG->item(row, 2);
  const bool booleanRow = IsBooleanSettingsRow(row);
  switch (key) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
    if ((modifiers & Qt::ControlModifier) != 0 &&
        !(FNotifyWnd != 0 && PostMessage(FNotifyWnd, WM_RESTITCH, 0, reinterpret_cast<LPARAM>(this))))
      StatusBar1->setText(QStringLiteral("Re-stitching: the main window cannot be reached"));
    UpdateValue();
    return;
  case Qt::Key_Escape:
    hide();
    return;
  case Qt::Key_Minus:
    if (!booleanRow) {
      cell->setText(NegatedSettingsText(cell->text()));
      UpdateValue();
    }
    return;
  case Qt::Key_Left:
  case Qt::Key_Right:
    if (booleanRow) {
      ToggleSettingsRow(*this, row);
      RefreshTable();
    } else {
      const int step = (modifiers & Qt::ShiftModifier) != 0 ? 1 : 10;
      cell->setText(SteppedSettingsText(cell->text(), key == Qt::Key_Left ? -step : step));
      UpdateValue();
    }
    return;
  case Qt::Key_Delete:
    if (!booleanRow) {
      cell->setText(QString());
      FTypingRow = row;
    }
    return;
  default:
    break;
  }
  // Only digits are typed; a minus comes from the minus key, and true/false rows take no typing.
  if (booleanRow || text.size() != 1 || !text.at(0).isDigit() || text.at(0).unicode() > '9')
    return;
  cell->setText(FTypingRow == row ? cell->text() + text : text);
  FTypingRow = row;
}

// ---- Register values ----

void TQorCtrl::Refrsh_Qor_ValuesExecute() {
  if (!HeadConnected())
    return SayNotConnected();
  const QStringList texts = RegisterValueTexts(*QorHead);
  for (int row = 0; row < kRegisterRows; ++row)
    VLE->item(row, 1)->setText(texts[row]);
  Write_Qor_Values->setEnabled(false);
  RewriteBTname->setVisible(false);
  PreWrite_Qor_Values->setEnabled(true);
}

void TQorCtrl::PreWrite_Qor_ValuesExecute() {
  if (!HeadConnected())
    return SayNotConnected();
  QStringList texts;
  for (int row = 0; row < kRegisterRows; ++row)
    texts << VLE->item(row, 1)->text();
  const RegisterEdits edits = ParseRegisterEdits(texts, *QorHead);
  if (!edits.error.isEmpty()) {
    if (FShowError)
      FShowError(edits.error);
    return;
  }
  static_cast<TQorRegisters &>(*QorHead) = edits.values;
  if (Write_Qor_Values->isEnabled())
    RewriteBTname->setVisible(true);
  Write_Qor_Values->setEnabled(true);
}

void TQorCtrl::WriteQorValues1Click() {
  if (!HeadConnected())
    return SayNotConnected();
  // A refused write leaves the list as it was, so that nothing looks written that was not.
  if (!QorHead->WriteQorValues()) {
    StatusBar1->setText(QStringLiteral("The registers were not written (see the log)"));
    return;
  }
  for (int row = 0; row < 16; ++row)
    VLE->item(row, 1)->setText(QStringLiteral("updt"));
  Write_Qor_Values->setEnabled(false);
  PreWrite_Qor_Values->setEnabled(false);
  RewriteBTname->setVisible(false);
  QorHead->ReadQorValues();
}

// ---- Head state ----

void TQorCtrl::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  FormShow();
}

void TQorCtrl::closeEvent(QCloseEvent *event) {
  // Closing only hides the form; it is kept for the whole run.
  QWidget::closeEvent(event);
}

void TQorCtrl::FormShow() {
  if (!HeadConnected())
    return SayNotConnected();
  const tQor &head = *QorHead;
  QString where;
  if (head.FUseUdp) {
    const HeadAddress address = HeadNetworkAddress();
    where = QStringLiteral(" found at ") + QString::fromStdString(address.host) + QLatin1Char(':') +
            QString::number(address.port);
  } else {
    where = QStringLiteral(" found on COM") + QString::number(head.FComPort);
  }
  StatusBar1->setText(
      QStringLiteral("Qor type  ") + (head.FQorType != 0 ? QString(QLatin1Char(head.FQorType)) : QString()) +
      QStringLiteral(", Ver.") + QString::fromLatin1(head.FQorVersion.c_str()) + QStringLiteral(", Ser#") +
      QString::asprintf("%5.0d", static_cast<int>(head.FQorSerial)) + where);
  UpdateQorStateExecute();
}

void TQorCtrl::UpdateQorStateExecute() {
  // The timer fires again inside the waits of an update; one update at a time.
  if (FStateUpdating || !HeadConnected())
    return;
  FStateUpdating = true;
  QorHead->PurgeInput();
  QorHead->RequestCounters(true);
  FStateUpdating = false;
  if (!QorHead)
    return;
  const QorStatusTexts texts = FormatQorStatus(*QorHead);
  QorStatusBar1->setText(texts.bar1);
  QorStatusBar2->setText(texts.bar2);
  QorStatusBar3->setText(texts.bar3);
  const QSignalBlocker quiet(Qor_Status_CLB);
  for (int bit = 0; bit < 16; ++bit) {
    const std::uint8_t status = bit < 8 ? QorHead->FStatus1 : QorHead->FStatus2;
    Qor_Status_CLB->item(bit)->setCheckState((status >> (bit % 8)) & 1 ? Qt::Checked : Qt::Unchecked);
  }
}

void TQorCtrl::Qor_Status_CLBClickCheck() {
  if (Qor_Status_CLB->item(kUpdateAllItem)->checkState() == Qt::Checked)
    Timer1->start();
  else
    Timer1->stop();
  PushToTrack = Qor_Status_CLB->item(kPushToTrackItem)->checkState() == Qt::Checked;
}

void TQorCtrl::StatusListKey(int key, Qt::KeyboardModifiers modifiers, bool down) {
  if (IsManualDriveKey(key)) {
    if (down)
      FKeysHeld.insert(key);
    else
      FKeysHeld.remove(key);
    if ((modifiers & Qt::ShiftModifier) != 0 && key != Qt::Key_Shift && down)
      FKeysHeld.insert(Qt::Key_Shift);
    else if ((modifiers & Qt::ShiftModifier) == 0 && key != Qt::Key_Shift)
      FKeysHeld.remove(Qt::Key_Shift);
    SendManualSpeeds();
    return;
  }
  if (!down)
    return;
  const auto toggle = [this](int item) {
    QListWidgetItem *it = Qor_Status_CLB->item(item);
    it->setCheckState(it->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  };
  switch (key) {
  case Qt::Key_A:
    if (QorHead)
      QorHead->SetTrackingMode(QorHead->FTrackingMode != 0 ? 0 : 3);
    break;
  case Qt::Key_K:
    toggle(kPushToTrackItem);
    break;
  case Qt::Key_R:
    if (QorHead)
      QorHead->SendCommand(QorCmdRestart, true);
    break;
  case Qt::Key_T:
    rackTo1Click();
    break;
  case Qt::Key_U:
    toggle(kUpdateAllItem);
    break;
  default:
    break;
  }
}

void TQorCtrl::SendManualSpeeds() {
  if (!QorHead || QorHead->FTrackingMode == 0)
    return;
  ManualKeys keys;
  keys.left = FKeysHeld.contains(Qt::Key_Left);
  keys.right = FKeysHeld.contains(Qt::Key_Right);
  keys.up = FKeysHeld.contains(Qt::Key_Up);
  keys.down = FKeysHeld.contains(Qt::Key_Down);
  keys.shift = FKeysHeld.contains(Qt::Key_Shift);
  keys.backspace = FKeysHeld.contains(Qt::Key_Backspace);
  const ManualBars bars = NextManualBars(keys, PushToTrack, {HorSpeedSB->value(), VerSpeedSB->value()});
  HorSpeedSB->setValue(bars.hor);
  VerSpeedSB->setValue(bars.ver);
  const std::uint16_t word = ManualSpeedsWord(bars);
  if (word == LastManualSpeeds)
    return;
  QorHead->SendCommand(
      QorCmdManualSpeeds(static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)), true);
  LastManualSpeeds = word;
}

void TQorCtrl::rackTo1Click() {
  if (!HeadConnected())
    return SayNotConnected();
  if (QorHead->FTrackingMode != 0)
    QorHead->SetTrackingMode(0);
  const auto ask = [this](const QString &title, std::int32_t counter) -> std::int32_t {
    const std::int16_t proposed = QorTargetUnits(counter);
    const std::optional<QString> answer =
        FInputQuery ? FInputQuery(title, QStringLiteral("Give counter reading to track to"),
                                  QString::number(proposed))
                    : std::nullopt;
    if (!answer)
      return proposed; // cancelled: the proposed value stands
    bool ok = false;
    const int value = answer->trimmed().toInt(&ok);
    // Targets are 16 bits on the wire; a larger number would wrap to some other place.
    return ok && value >= -32768 && value <= 32767 ? value : proposed;
  };
  QorHead->SetHorTarget(ask(QStringLiteral("Horizontal"), QorHead->FHorCounter));
  QorHead->SetVerTarget(ask(QStringLiteral("Vertical"), QorHead->FVerCounter));
  QorHead->TrackToTargets();
}

void TQorCtrl::urnDownReprtng1Click() {
  if (!ReportLoopStopped) {
    ReportLoopStopped = true;
    return;
  }
  if (!HeadConnected())
    return SayNotConnected();
  QorHead->SendCommand(QorCmdTurnDownReporting(), true);
  ReportLoopStopped = false;
  StatusBar1->setText(QStringLiteral("Reading head reports; choose TurnDownReprtng again to stop"));
  // Reads until a later click stops it, or the link goes, or the form or the program closes.
  while (!ReportLoopStopped && HeadConnected() && isVisible()) {
    QCoreApplication::processEvents();
    if (!HeadConnected())
      break;
    QorHead->ReceiveFrame();
    QCoreApplication::processEvents();
  }
  ReportLoopStopped = true;
  StatusBar1->setText(QString());
}

bool TQorCtrl::eventFilter(QObject *watched, QEvent *event) {
  const bool press = event->type() == QEvent::KeyPress;
  const bool release = event->type() == QEvent::KeyRelease;
  if (!press && !release)
    return QWidget::eventFilter(watched, event);
  auto *key = static_cast<QKeyEvent *>(event);
  if (watched == StitchingSettingsSG) {
    // Up, Down and paging move between rows as usual; everything else is the grid's editing.
    const int k = key->key();
    if (k == Qt::Key_Up || k == Qt::Key_Down || k == Qt::Key_PageUp || k == Qt::Key_PageDown ||
        k == Qt::Key_Tab || k == Qt::Key_Home || k == Qt::Key_End)
      return false;
    if (press)
      GridKey(k, key->modifiers(), key->text());
    return true;
  }
  if (watched == Qor_Status_CLB) {
    if (IsManualDriveKey(key->key())) {
      // A held key repeats its press (each repeat steps the speed); only the real release counts.
      if (press || !key->isAutoRepeat())
        StatusListKey(key->key(), key->modifiers(), press);
      return true;
    }
    if (key->text() == QStringLiteral(" "))
      return true;
    const int k = key->key();
    if (k == Qt::Key_A || k == Qt::Key_K || k == Qt::Key_R || k == Qt::Key_T || k == Qt::Key_U) {
      if (press && !key->isAutoRepeat())
        StatusListKey(k, key->modifiers(), true);
      return true;
    }
    return false;
  }
  return QWidget::eventFilter(watched, event);
}

} // namespace calidarix
