#include "mainwindow/ui/film_process_form.h"

#include "mainwindow/ui/glyphs.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/view_texts.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace calidarix {

TFilmProcessForm *FilmProcessForm = nullptr;

namespace {

constexpr int kColumns = 8;
constexpr int kCommentColumn = 7;
constexpr int kRowHeight = 16;

const QColor kIdleSafe(238, 255, 238);
const QColor kCountingSafe(255, 238, 238);
const QColor kMinColour(238, 238, 255);
const QColor kMaxColour(255, 238, 238);
const QString kSafeCaption = QStringLiteral("БЕЗОПАСНО");

void FillCell(QPainter &painter, const QRect &cell, const QColor &outline, const QColor &fill) {
  painter.setPen(outline);
  painter.setBrush(fill);
  painter.drawRect(cell.adjusted(0, 0, -1, -1));
}

void SetBaseColour(QWidget *widget, const QColor &colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, colour);
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

std::vector<TFilmProcessTable> &NoRecords() {
  static std::vector<TFilmProcessTable> none;
  none.clear();
  return none;
}

// The cells' colours over the text the view has drawn: alarms, the status and the temperature bar.
class TFilmCellDelegate : public QStyledItemDelegate {
public:
  explicit TFilmCellDelegate(TFilmProcessForm &form) : QStyledItemDelegate(&form), FForm(form) {}

  QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                        const QModelIndex &index) const override {
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    FEditor = editor;
    return editor;
  }

  void destroyEditor(QWidget *editor, const QModelIndex &index) const override {
    if (editor == FEditor)
      FEditor = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
  }

  // Closes the open editor, keeping what was typed.
  void CloseOpenEditor() {
    if (!FEditor)
      return;
    QWidget *editor = FEditor;
    emit commitData(editor);
    emit closeEditor(editor, QAbstractItemDelegate::NoHint);
  }

  void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
    const int record = FForm.RecordOfRow(index.row() + 1);
    const int column = index.column();
    if (record < 0 || column < 3) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    const TFilmProcessTable &row = FForm.Records()[static_cast<std::size_t>(record)];
    const TFilmAlarms alarms = FForm.Alarms();
    const QRect cell = option.rect;
    const QString text = index.data().toString();
    painter->save();
    if (column == 3 && BreaksMinAlarm(row, alarms)) {
      FillCell(*painter, cell, kMinColour, kMinColour);
      painter->setPen(QColor(0, 0, 255));
      TextOut(*painter, cell.left() + 2, cell.top() + 2, text);
    } else if (column == 4 && BreaksMaxAlarm(row, alarms)) {
      FillCell(*painter, cell, kMaxColour, kMaxColour);
      painter->setPen(QColor(255, 0, 0));
      TextOut(*painter, cell.left() + 2, cell.top() + 2, text);
    } else if (column == 6) {
      const QColor colour = row.MarkedSafe ? kIdleSafe
                            : row.Viewed   ? QColor(255, 204, 204)
                                           : QColor(255, 238, 238);
      FillCell(*painter, cell, colour, colour);
      if (row.MarkedSafe) {
        painter->setPen(Qt::black);
        TextOut(*painter, cell.left() + 2, cell.top() + 2, kSafeCaption);
      }
    } else if (column == kCommentColumn) {
      PaintTemperatureBar(*painter, cell, row);
      // The comment stays readable over its bar.
      painter->setPen(Qt::black);
      TextOut(*painter, cell.left() + 2, cell.top() + 2, text);
    } else {
      painter->restore();
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    if (option.state & QStyle::State_Selected) {
      painter->setPen(QPen(option.palette.color(QPalette::Highlight), 1, Qt::DotLine));
      painter->setBrush(Qt::NoBrush);
      painter->drawRect(cell.adjusted(0, 0, -1, -1));
    }
    painter->restore();
  }

private:
  void PaintTemperatureBar(QPainter &painter, const QRect &cell, const TFilmProcessTable &row) const {
    const double lo = CurrentDTV ? static_cast<float>(CurrentDTV->LockMin) : 0.0f;
    const double hi = CurrentDTV ? static_cast<float>(CurrentDTV->LockMax) : 0.0f;
    const int left = cell.left();
    const int right = cell.left() + cell.width();
    const std::optional<int> xMin = TemperatureBarX(row.MinTemp, lo, hi, left, right);
    const std::optional<int> xMean = TemperatureBarX(row.MeanTemp, lo, hi, left, right);
    const std::optional<int> xMax = TemperatureBarX(row.MaxTemp, lo, hi, left, right);
    if (!xMin || !xMean || !xMax) {
      // No locked range to measure against: the plain cell.
      FillCell(painter, cell, Qt::white, Qt::white);
      return;
    }
    const auto part = [&](int from, int to, const QColor &outline, const QColor &fill) {
      if (to > from)
        FillCell(painter, QRect(from, cell.top(), to - from, cell.height()), outline, fill);
    };
    part(left, *xMin, QColor(221, 221, 255), QColor(238, 238, 255));
    part(*xMin, *xMean, QColor(221, 255, 221), QColor(238, 255, 238));
    part(*xMean, *xMax, QColor(255, 255, 221), QColor(255, 255, 238));
    part(*xMax, right, QColor(255, 221, 221), QColor(255, 238, 238));
  }

  TFilmProcessForm &FForm;
  mutable QPointer<QWidget> FEditor;
};

TFilmCellDelegate *DelegateOf(QTableWidget *grid) {
  return static_cast<TFilmCellDelegate *>(grid->itemDelegate());
}

QLabel *ValueLabel(QWidget *parent, const char *name) {
  auto *label = new QLabel(QStringLiteral("000"), parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

void ShowConversionError(QWidget *parent, const QString &text) {
  const QString message = QStringLiteral("'%1' is not a valid floating point value").arg(text);
  if (Calidarix)
    Calidarix->Dialogs().ShowError(parent, message);
  else
    QMessageBox::critical(parent, QStringLiteral("Film Process"), message);
}

} // namespace

TFilmProcessForm::TFilmProcessForm(QWidget *parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("FilmProcessForm"));
  setWindowTitle(QStringLiteral("Film Process"));
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(11);
  setFont(font);
  resize(586, 480);

  auto *column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFixedHeight(32);
  auto *top = new QHBoxLayout(Panel1);
  top->setContentsMargins(6, 4, 6, 4);
  const auto addCheck = [this](const char *name) {
    auto *box = new QCheckBox(Panel1);
    box->setObjectName(QString::fromLatin1(name));
    box->setFixedSize(17, 17);
    box->setEnabled(false);
    return box;
  };
  const auto addEdit = [this](const char *name) {
    auto *edit = new QLineEdit(Panel1);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setFixedWidth(96);
    edit->installEventFilter(this);
    return edit;
  };
  top->addWidget(new QLabel(QStringLiteral("Т мин:"), Panel1));
  MinEdit = addEdit("MinEdit");
  top->addWidget(MinEdit);
  MinCB = addCheck("MinCB");
  top->addWidget(MinCB);
  top->addSpacing(8);
  top->addWidget(new QLabel(QStringLiteral("Т макс:"), Panel1));
  MaxEdit = addEdit("MaxEdit");
  top->addWidget(MaxEdit);
  MaxCB = addCheck("MaxCB");
  top->addWidget(MaxCB);
  top->addSpacing(8);
  top->addWidget(new QLabel(QStringLiteral("Фильтр:"), Panel1));
  FilterCB = new QComboBox(Panel1);
  FilterCB->setObjectName(QStringLiteral("FilterCB"));
  FilterCB->setFixedWidth(161);
  FilterCB->addItems({QStringLiteral("Нет"), QStringLiteral("Только ниже Тмин"),
                      QStringLiteral("Только выше Тмакс"), QStringLiteral("Все превышения ")});
  FilterCB->setCurrentIndex(0);
  top->addWidget(FilterCB);
  top->addStretch(1);
  column->addWidget(Panel1);

  FilmProcessGrid = new QTableWidget(0, kColumns, this);
  FilmProcessGrid->setObjectName(QStringLiteral("FilmProcessGrid"));
  FilmProcessGrid->setItemDelegate(new TFilmCellDelegate(*this));
  FilmProcessGrid->verticalHeader()->hide();
  FilmProcessGrid->verticalHeader()->setDefaultSectionSize(kRowHeight);
  FilmProcessGrid->verticalHeader()->setMinimumSectionSize(kRowHeight);
  FilmProcessGrid->setShowGrid(true);
  FilmProcessGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FilmProcessGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  FilmProcessGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  FilmProcessGrid->setWordWrap(false);
  QHeaderView *header = FilmProcessGrid->horizontalHeader();
  header->setSectionsMovable(true);
  header->setHighlightSections(false);
  const std::pair<const char *, int> columns[kColumns] = {
      {"№", 28},     {"Время", 48}, {"Привязка", 64},   {"Мин.", 32},
      {"Макс.", 32}, {"Сред.", 32}, {"Обработано", 72}, {"Комментарий", 256}};
  for (int c = 0; c < kColumns; ++c) {
    FilmProcessGrid->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(columns[c].first)));
    FilmProcessGrid->setColumnWidth(c, columns[c].second);
  }
  // The frame number column stays the first: only the others can be dragged to other places.
  connect(header, &QHeaderView::sectionMoved, this, [header](int logical, int, int) {
    if (logical == 0 || header->visualIndex(0) != 0) {
      const QSignalBlocker block(header);
      header->moveSection(header->visualIndex(0), 0);
    }
  });
  FilmProcessGrid->installEventFilter(this);
  column->addWidget(FilmProcessGrid, 1);

  Panel2 = new QFrame(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setFixedHeight(64);
  SafeBtn = new QLabel(kSafeCaption, Panel2);
  SafeBtn->setObjectName(QStringLiteral("SafeBtn"));
  SafeBtn->setGeometry(6, 6, 185, 51);
  SafeBtn->setAlignment(Qt::AlignCenter);
  SafeBtn->setFrameShape(QFrame::Panel);
  SafeBtn->setFrameShadow(QFrame::Raised);
  QFont bold(QStringLiteral("DejaVu Sans"));
  bold.setPixelSize(16);
  bold.setBold(true);
  SafeBtn->setFont(bold);
  SafeBtn->setCursor(Qt::PointingHandCursor);
  SafeBtn->installEventFilter(this);
  SetBaseColour(SafeBtn, kIdleSafe);
  SafeBtn->hide();
  auto *counters = new QGridLayout;
  counters->setContentsMargins(200, 4, 6, 4);
  counters->setVerticalSpacing(0);
  QFont small(QStringLiteral("DejaVu Sans"));
  small.setPixelSize(13);
  FramesLabel = ValueLabel(Panel2, "FramesLabel");
  AlarmsLabel = ValueLabel(Panel2, "AlarmsLabel");
  AlMaxLabel = ValueLabel(Panel2, "AlMaxLabel");
  AlMinLabel = ValueLabel(Panel2, "AlMinLabel");
  AlUnattended = ValueLabel(Panel2, "AlUnattended");
  const std::pair<const char *, QLabel *> values[] = {{"Кадров:", FramesLabel},
                                                      {"Тревог всего:", AlarmsLabel},
                                                      {"Тревог Тмакс:", AlMaxLabel},
                                                      {"Тревог Тмин:", AlMinLabel},
                                                      {"Тревог без внимания:", AlUnattended}};
  int r = 0;
  for (auto [caption, value] : values) {
    auto *label = new QLabel(QString::fromUtf8(caption), Panel2);
    label->setFont(small);
    value->setFont(small);
    counters->addWidget(label, r % 3, (r / 3) * 2);
    counters->addWidget(value, r % 3, (r / 3) * 2 + 1);
    ++r;
  }
  counters->setColumnStretch(4, 1);
  Panel2->setLayout(counters);
  column->addWidget(Panel2);

  SafeTimer = new QTimer(this);
  SafeTimer->setObjectName(QStringLiteral("SafeTimer"));
  SafeTimer->setInterval(1000);
  connect(SafeTimer, &QTimer::timeout, this, &TFilmProcessForm::SafeTimerTimer);

  Enter = new QAction(QStringLiteral("Enter"), this);
  Enter->setObjectName(QStringLiteral("Enter"));
  connect(Enter, &QAction::triggered, this, &TFilmProcessForm::EnterExecute);
  Escape = new QAction(QStringLiteral("Escape"), this);
  Escape->setObjectName(QStringLiteral("Escape"));
  Escape->setShortcut(QKeySequence(Qt::Key_Escape));
  Escape->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(Escape, &QAction::triggered, this, &TFilmProcessForm::EscapeExecute);
  addAction(Enter);
  addAction(Escape);

  connect(FilterCB, &QComboBox::activated, this, [this] { FilterCBChange(); });
  connect(MinCB, &QCheckBox::clicked, this, [this] { MinMaxCBClick(); });
  connect(MaxCB, &QCheckBox::clicked, this, [this] { MinMaxCBClick(); });
  connect(FilmProcessGrid, &QTableWidget::currentCellChanged, this,
          [this](int row, int, int previousRow, int) {
            if (row != previousRow)
              FilmProcessGridSelectCell(row + 1);
          });
  connect(FilmProcessGrid, &QTableWidget::cellDoubleClicked, this, [this] { FilmProcessGridDblClick(); });
  connect(FilmProcessGrid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
    if (item->column() == kCommentColumn)
      FilmProcessGridSetEditText(item->row() + 1, item->text());
  });
  connect(DelegateOf(FilmProcessGrid), &QAbstractItemDelegate::closeEditor, this, [this] {
    FEditing = false;
    SetRowSelection(true);
  });
}

std::vector<TFilmProcessTable> &TFilmProcessForm::Records() const {
  return CurrentDTV ? CurrentDTV->FFilmProcessTable : NoRecords();
}

int TFilmProcessForm::RowCount() const {
  return FilmProcessGrid->rowCount() + 1;
}

int TFilmProcessForm::CurrentRow() const {
  return FilmProcessGrid->currentRow() + 1;
}

QString TFilmProcessForm::CellText(int column, int row) const {
  if (row < 1)
    return FilmProcessGrid->horizontalHeaderItem(column)
               ? FilmProcessGrid->horizontalHeaderItem(column)->text()
               : QString();
  const QTableWidgetItem *item = FilmProcessGrid->item(row - 1, column);
  return item ? item->text() : QString();
}

void TFilmProcessForm::SetCurrentRow(int row) {
  if (row < 1 || row >= RowCount())
    return;
  FilmProcessGrid->setCurrentCell(row - 1, std::max(FilmProcessGrid->currentColumn(), 0));
}

int TFilmProcessForm::RecordOfRow(int row) const {
  if (row < 1 || row >= RowCount())
    return -1;
  bool ok = false;
  const int number = CellText(0, row).toInt(&ok);
  if (!ok || number < 1 || static_cast<std::size_t>(number) > Records().size())
    return -1;
  return number - 1;
}

void TFilmProcessForm::FillFilmRow(int row, int record) {
  const TFilmProcessTable &r = Records()[static_cast<std::size_t>(record)];
  const int ms = static_cast<int>(std::fmod(std::round(r.Time * 86400000.0), 86400000.0));
  const QString texts[kColumns] = {
      IntToStrZ(r.FrameNo, 4),           LongTimeText(QTime::fromMSecsSinceStartOfDay(std::max(ms, 0))),
      FilmRouteText(r.Picket, r.Metres), FilmTemperatureText(r.MinTemp),
      FilmTemperatureText(r.MaxTemp),    FilmTemperatureText(r.MeanTemp),
      QString::number(r.Viewed),         r.Note};
  for (int c = 0; c < kColumns; ++c) {
    auto *item = new QTableWidgetItem(texts[c]);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (c == kCommentColumn)
      flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    FilmProcessGrid->setItem(row - 1, c, item);
  }
}

void TFilmProcessForm::TableFill() {
  if (FEditing)
    CloseEditor();
  const std::vector<TFilmProcessTable> &records = Records();
  const std::vector<int> rows = FilteredFilmRows(records, FilterCB->currentIndex(), Alarms());
  {
    const QSignalBlocker block(FilmProcessGrid);
    const int current = FilmProcessGrid->currentRow();
    FilmProcessGrid->clearContents();
    FilmProcessGrid->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
      FillFilmRow(static_cast<int>(i) + 1, rows[i]);
    if (!rows.empty())
      FilmProcessGrid->setCurrentCell(std::clamp(current, 0, static_cast<int>(rows.size()) - 1), 0);
  }
  FilmProcessGrid->viewport()->update();
  StatsUpdate();
}

void TFilmProcessForm::StatsUpdate() {
  const TFilmAlarmCounts counts = CountFilmAlarms(Records(), Alarms());
  FramesLabel->setText(QString::number(counts.Frames));
  AlarmsLabel->setText(QString::number(counts.Alarms));
  AlMaxLabel->setText(QString::number(counts.MaxAlarms));
  AlMinLabel->setText(QString::number(counts.MinAlarms));
  AlUnattended->setText(QString::number(counts.Unattended));
}

void TFilmProcessForm::AlarmEditEnter(QLineEdit *edit, bool lower) {
  const QString text = edit->text();
  double &value = lower ? FMinAlarm : FMaxAlarm;
  bool &on = lower ? FMinAlarmOn : FMaxAlarmOn;
  const bool otherOn = lower ? FMaxAlarmOn : FMinAlarmOn;
  if (!text.isEmpty()) {
    const std::optional<double> typed = ParseAlarmText(text);
    if (!typed) {
      ShowConversionError(this, text);
      return;
    }
    value = *typed;
    edit->selectAll();
    SetBaseColour(edit, lower ? kMinColour : kMaxColour);
    on = true;
    SafeBtn->show();
  } else {
    SetBaseColour(edit, Qt::white);
    on = false;
    if (!otherOn)
      SafeBtn->hide();
  }
  (lower ? MinCB : MaxCB)->setEnabled(on);
  TableFill();
}

void TFilmProcessForm::MinEditKeyDown(int key) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter)
    AlarmEditEnter(MinEdit, true);
}

void TFilmProcessForm::MaxEditKeyDown(int key) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter)
    AlarmEditEnter(MaxEdit, false);
}

void TFilmProcessForm::FilterCBChange() {
  TableFill();
  const TAlarmChecks now{MinCB->isChecked(), MaxCB->isChecked()};
  const TAlarmChecks wanted = ChecksForFilter(FilterCB->currentIndex(), now);
  if (wanted.Min != now.Min) {
    MinCB->setChecked(wanted.Min);
    MinMaxCBClick();
  }
  if (wanted.Max != now.Max) {
    MaxCB->setChecked(wanted.Max);
    MinMaxCBClick();
  }
}

void TFilmProcessForm::MinMaxCBClick() {
  FilterCB->setCurrentIndex(FilterForChecks(MinCB->isChecked(), MaxCB->isChecked()));
  TableFill();
}

void TFilmProcessForm::FilmProcessGridSelectCell(int row) {
  if (Records().empty())
    return;
  if (FEditing)
    CloseEditor();
  const int record = RecordOfRow(row);
  if (row >= 1 && row < RowCount()) {
    SafeBtn->show();
    if (record >= 0) {
      Records()[static_cast<std::size_t>(record)].Viewed = 1;
      FilmProcessGrid->viewport()->update();
    }
  }
  if (FRowFromViewer) {
    // The main window is showing the frame itself.
    FRowFromViewer = false;
    return;
  }
  if (record >= 0 && Calidarix)
    Calidarix->ShowReviewedFrame(FFilmFileName, record + 1);
}

void TFilmProcessForm::FilmProcessGridDblClick() {
  EnterExecute();
}

void TFilmProcessForm::FilmProcessGridKeyDown(int key) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter)
    EnterExecute();
}

void TFilmProcessForm::FilmProcessGridSetEditText(int row, const QString &text) {
  // The comment is kept with its frame, so a new fill of the table shows it again.
  const int record = RecordOfRow(row);
  if (record >= 0)
    Records()[static_cast<std::size_t>(record)].Note = text;
  if (!FEditing)
    SetRowSelection(true);
}

void TFilmProcessForm::EnterExecute() {
  if (FEditing)
    return;
  const int row = FilmProcessGrid->currentRow();
  QTableWidgetItem *item = row >= 0 ? FilmProcessGrid->item(row, kCommentColumn) : nullptr;
  if (!item)
    return;
  SetRowSelection(false);
  FilmProcessGrid->viewport()->update();
  {
    // Moving to the comment column is no row pick.
    const QSignalBlocker block(FilmProcessGrid);
    FilmProcessGrid->setCurrentCell(row, kCommentColumn);
  }
  QCoreApplication::processEvents();
  FEditing = true;
  FilmProcessGrid->editItem(item);
  FilmProcessGrid->setFocus();
}

void TFilmProcessForm::EscapeExecute() {
  if (FEditing) {
    CloseEditor();
    return;
  }
  close();
}

void TFilmProcessForm::CloseEditor() {
  DelegateOf(FilmProcessGrid)->CloseOpenEditor();
  FEditing = false;
  SetRowSelection(true);
}

void TFilmProcessForm::SetRowSelection(bool wholeRow) {
  FilmProcessGrid->setSelectionBehavior(wholeRow ? QAbstractItemView::SelectRows
                                                 : QAbstractItemView::SelectItems);
  if (wholeRow && FilmProcessGrid->currentRow() >= 0)
    FilmProcessGrid->selectRow(FilmProcessGrid->currentRow());
}

void TFilmProcessForm::SetSafeLook(bool counting) {
  SetBaseColour(SafeBtn, counting ? kCountingSafe : kIdleSafe);
  if (!counting)
    SafeBtn->setText(kSafeCaption);
}

void TFilmProcessForm::SafeBtnClick() {
  if (SafeTimer->isActive()) {
    SafeTimer->stop();
    FSafeCountdown = -1;
    SetSafeLook(false);
    const int record = RecordOfRow(CurrentRow());
    if (record >= 0) {
      Records()[static_cast<std::size_t>(record)].MarkedSafe = 1;
      FilmProcessGrid->viewport()->update();
    }
    return;
  }
  FSafeCountdown = 3;
  SafeTimerTimer();
  SetBaseColour(SafeBtn, kCountingSafe);
  SafeTimer->start();
}

void TFilmProcessForm::SafeTimerTimer() {
  SafeBtn->setText(QStringLiteral("ПОДТВЕРДИТЕ (") + QString::number(FSafeCountdown) + QStringLiteral(")"));
  --FSafeCountdown;
  if (FSafeCountdown <= -1) {
    SetSafeLook(false);
    SafeTimer->stop();
  }
}

void TFilmProcessForm::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  FilmProcessGrid->setFocus();
}

bool TFilmProcessForm::eventFilter(QObject *watched, QEvent *event) {
  if (watched == SafeBtn && event->type() == QEvent::MouseButtonPress) {
    SafeBtnClick();
    return true;
  }
  if (event->type() != QEvent::KeyPress)
    return QWidget::eventFilter(watched, event);
  const auto *key = static_cast<QKeyEvent *>(event);
  if (watched == MinEdit || watched == MaxEdit) {
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      if (watched == MinEdit)
        MinEditKeyDown(key->key());
      else
        MaxEditKeyDown(key->key());
      return true;
    }
    const QString text = key->text();
    if (text.size() == 1 && text[0].isPrint() && !AlarmKeyAllowed(text[0]))
      return true; // dropped
    return false;
  }
  if (watched == FilmProcessGrid && !FEditing &&
      (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
    FilmProcessGridKeyDown(key->key());
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

} // namespace calidarix
