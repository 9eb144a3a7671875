// The calibration form: its components, the refresh that ties them together, and the chart.

#include "acquisition/ui/calibr_form.h"

#include "acquisition/calibration_sets.h"
#include "acquisition/camera_ini.h"
#include "acquisition/camera_state.h"
#include "acquisition/ui/calibr_geometry_panel.h"
#include "platform/numbers.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace calidarix {

TCalibrForm *CalibrForm = nullptr;

namespace {

QString Fixed(double v, int decimals) {
  return QString::fromStdString(FixedText(v, decimals));
}

// A two-column list of named values; only the value column can be edited.
void InitValueList(TFormGrid *list, const QStringList &names) {
  list->setColumnCount(2);
  list->setHorizontalHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Value")});
  list->verticalHeader()->hide();
  list->horizontalHeader()->setStretchLastSection(true);
  list->setRowCount(static_cast<int>(names.size()));
  for (int r = 0; r < names.size(); ++r) {
    auto *name = new QTableWidgetItem(names[r]);
    name->setFlags(Qt::ItemIsEnabled);
    list->setItem(r, 0, name);
    list->setItem(r, 1, new QTableWidgetItem);
    list->setRowHeight(r, 18);
  }
  list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                        QAbstractItemView::AnyKeyPressed);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
}

void SetValue(TFormGrid *list, int row, const QString &text) {
  list->item(row, 1)->setText(text);
}

// The point grid's columns are never narrower than these.
constexpr int kGridColumns = 6;
constexpr int kGridMinWidths[kGridColumns] = {18, 64, 64, 48, 48, 48};

} // namespace

// ---- TFormGrid ----

void TFormGrid::CommitOpenEdit() {
  if (!Editing())
    return;
  if (QWidget *editor = indexWidget(currentIndex())) {
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
  }
}

void TFormGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) {
  // Enter closes the editor through a queued call; when the edit was committed meanwhile (the window
  // closed, the set changed) that late call finds no edit and is dropped, so nothing is taken twice.
  if (!Editing())
    return;
  QTableWidget::closeEditor(editor, hint);
  if (OnEditClosed)
    OnEditClosed(hint);
}

// ---- TCalibrChart ----

TCalibrChart::TCalibrChart(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("CalChart"));
  setMinimumHeight(180);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
}

void TCalibrChart::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF plot = QRectF(rect()).adjusted(56, 10, -12, -26);
  painter.setPen(Qt::black);
  painter.drawRect(plot);
  if (CurveSeries.empty() && PointSeries.empty())
    return;

  double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
  for (const auto *series : {&CurveSeries, &PointSeries})
    for (const QPointF &p : *series) {
      if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
        continue;
      x0 = std::min(x0, p.x());
      x1 = std::max(x1, p.x());
      y0 = std::min(y0, p.y());
      y1 = std::max(y1, p.y());
    }
  if (!(x0 <= x1) || !(y0 <= y1))
    return;
  if (x1 - x0 < 1e-9) {
    x0 -= 1.0;
    x1 += 1.0;
  }
  if (y1 - y0 < 1e-9) {
    y0 -= 1.0;
    y1 += 1.0;
  }
  const auto map = [&](const QPointF &p) {
    return QPointF(plot.left() + (p.x() - x0) / (x1 - x0) * plot.width(),
                   plot.bottom() - (p.y() - y0) / (y1 - y0) * plot.height());
  };

  // Axis texts at the ends.
  painter.setPen(Qt::darkGray);
  const QFontMetrics fm(font());
  painter.drawText(QPointF(plot.left(), plot.bottom() + fm.height()), Fixed(x0, 0));
  const QString xr = Fixed(x1, 0);
  painter.drawText(QPointF(plot.right() - fm.horizontalAdvance(xr), plot.bottom() + fm.height()), xr);
  painter.drawText(QPointF(4, plot.bottom()), Fixed(y0, 0));
  painter.drawText(QPointF(4, plot.top() + fm.ascent()), Fixed(y1, 0));

  painter.setClipRect(plot.adjusted(-4, -4, 4, 4));
  QPolygonF line;
  for (const QPointF &p : CurveSeries)
    if (std::isfinite(p.x()) && std::isfinite(p.y()))
      line << map(p);
  painter.setPen(QPen(Qt::red, 1.5));
  painter.drawPolyline(line);
  painter.setBrush(Qt::red);
  for (const QPointF &p : line)
    painter.drawEllipse(p, 1.5, 1.5);

  painter.setPen(QPen(Qt::blue, 1.5));
  painter.setBrush(Qt::NoBrush);
  for (const QPointF &p : PointSeries)
    if (std::isfinite(p.x()) && std::isfinite(p.y()))
      painter.drawEllipse(map(p), 4.0, 4.0);
}

// ---- TCalibrForm: construction ----

TCalibrForm::TCalibrForm(QWidget *parent)
    : QWidget(parent, Qt::Window), FExchange(ScanUnit, ScanRequests, nullptr) {
  setObjectName(QStringLiteral("CalibrForm"));
  setWindowTitle(QStringLiteral("Calibration"));
  ShowError = [this](const QString &text) { QMessageBox::warning(this, windowTitle(), text); };
  Ask = [this](const QString &question) {
    return QMessageBox::question(this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };

  auto *top = new QHBoxLayout(this);
  top->setContentsMargins(4, 4, 4, 4);
  top->addWidget(BuildLeftHalf(), 3);
  top->addWidget(BuildRightHalf(), 2);
  BuildGeometryLinks();
  BuildCommandHandlers();
  resize(980, 640);

  // Creation: AutoSave checked, no points, set 0 loaded.
  AutoSaveCB->setChecked(true);
  FTable.Resize(0);
  FLoadedTab = 0;
  InitCalibrGrid();
  UpDateAll();
}

TCalibrForm::~TCalibrForm() = default;

QWidget *TCalibrForm::BuildLeftHalf() {
  auto *left = new QWidget(this);
  auto *column = new QVBoxLayout(left);
  column->setContentsMargins(0, 0, 0, 0);

  ExpTC = new QTabBar(left);
  ExpTC->setObjectName(QStringLiteral("ExpTC"));
  for (const char *caption : kCalibrationSetCaptions)
    ExpTC->addTab(QString::fromLatin1(caption));
  ExpTC->setFocusPolicy(Qt::NoFocus);
  connect(ExpTC, &QTabBar::currentChanged, this, &TCalibrForm::TabClicked);
  column->addWidget(ExpTC);

  auto *middle = new QHBoxLayout;
  CalibrSG = new TFormGrid(left);
  CalibrSG->setObjectName(QStringLiteral("CalibrSG"));
  CalibrSG->OnEditClosed = [this](QAbstractItemDelegate::EndEditHint hint) { GridEditClosed(hint); };
  CalibrSG->installEventFilter(this);
  connect(CalibrSG, &QTableWidget::cellDoubleClicked, this, [this] { BeginTemperatureEdit(); });
  middle->addWidget(CalibrSG, 1);

  auto *side = new QVBoxLayout;
  ExpLE = new TFormGrid(left);
  ExpLE->setObjectName(QStringLiteral("ExpLE"));
  InitValueList(ExpLE, {QStringLiteral("Amplification"), QStringLiteral("Signal0"), QStringLiteral("Exp_A"),
                        QStringLiteral("Exp_B")});
  ExpLE->setFixedHeight(4 * 18 + ExpLE->horizontalHeader()->sizeHint().height() + 4);
  ExpLE->OnEditClosed = [this](QAbstractItemDelegate::EndEditHint hint) {
    if (hint != QAbstractItemDelegate::RevertModelCache)
      ApplyCurveValues();
  };
  ExpLE->installEventFilter(this);
  side->addWidget(ExpLE);

  ParamsLE = new TFormGrid(left);
  ParamsLE->setObjectName(QStringLiteral("ParamsLE"));
  InitValueList(ParamsLE, {QStringLiteral("CameraNo"), QStringLiteral("CameraType"), QStringLiteral("Speed"),
                           QStringLiteral("Width"), QStringLiteral("Height"), QStringLiteral("Set"),
                           QStringLiteral("ThermoDelta"), QStringLiteral("RefPoint"),
                           QStringLiteral("Emissivity"), QStringLiteral("Ambient")});
  ParamsLE->horizontalHeader()->hide();
  ParamsLE->OnEditClosed = [this](QAbstractItemDelegate::EndEditHint hint) {
    if (hint == QAbstractItemDelegate::RevertModelCache)
      return;
    ApplyParamsValues();
    if (hint == QAbstractItemDelegate::SubmitModelCache) // Enter
      CalibrSG->setFocus();
  };
  side->addWidget(ParamsLE, 1);

  RefCB = new QCheckBox(QStringLiteral("Ref.Pnt."), left);
  RefCB->setObjectName(QStringLiteral("RefCB"));
  connect(RefCB, &QCheckBox::clicked, this, &TCalibrForm::RefCBClick);
  side->addWidget(RefCB);
  auto *buttons = new QHBoxLayout;
  EmissivityBtn = new QPushButton(QStringLiteral("Emissivity"), left);
  EmissivityBtn->setObjectName(QStringLiteral("EmissivityBtn"));
  connect(EmissivityBtn, &QPushButton::clicked, this,
          [this] { EmissivityClick(QApplication::queryKeyboardModifiers() & Qt::AltModifier); });
  AmbientBtn = new QPushButton(QStringLiteral("Ambient"), left);
  AmbientBtn->setObjectName(QStringLiteral("AmbientBtn"));
  connect(AmbientBtn, &QPushButton::clicked, this, &TCalibrForm::AmbientClick);
  AmbientCB = new QCheckBox(QStringLiteral("Amb."), left);
  AmbientCB->setObjectName(QStringLiteral("AmbientCB"));
  buttons->addWidget(EmissivityBtn);
  buttons->addWidget(AmbientBtn);
  buttons->addWidget(AmbientCB);
  side->addLayout(buttons);
  middle->addLayout(side);
  column->addLayout(middle, 1);

  auto *bottom = new QHBoxLayout;
  CalChart = new TCalibrChart(left);
  bottom->addWidget(CalChart, 1);
  ChartSB = new QScrollBar(Qt::Vertical, left);
  ChartSB->setObjectName(QStringLiteral("ChartSB"));
  ChartSB->setRange(-2500, 2500);
  // Larger values lie higher, as the signal axis of the chart.
  ChartSB->setInvertedAppearance(true);
  connect(ChartSB, &QScrollBar::valueChanged, this, &TCalibrForm::ChartSBChange);
  bottom->addWidget(ChartSB);
  GeomPanel = new TCalibrGeometryPanel(left);
  GeomPanel->hide();
  bottom->addWidget(GeomPanel, 1);
  column->addLayout(bottom, 1);
  return left;
}

void TCalibrForm::InitCalibrGrid() {
  CalibrSG->setColumnCount(6);
  CalibrSG->setHorizontalHeaderLabels({QStringLiteral("No"), QStringLiteral("Data"), QStringLiteral("Signal"),
                                       QStringLiteral("T°C"), QStringLiteral("TExp"),
                                       QStringLiteral("Thermod")});
  CalibrSG->horizontalHeader()->setMinimumSectionSize(kGridMinWidths[0]);
  CalibrSG->verticalHeader()->hide();
  CalibrSG->verticalHeader()->setDefaultSectionSize(18);
  QFont bold = CalibrSG->horizontalHeader()->font();
  bold.setBold(true);
  if (QTableWidgetItem *header = CalibrSG->horizontalHeaderItem(3))
    header->setFont(bold);
  CalibrSG->setRowCount(1);
  RowSelection();
  CalibrSG->setCurrentCell(0, 0);
  FitGridColumns();
}

void TCalibrForm::FitGridColumns() {
  // The header's and the view's size hints measure each caption and cell text with its font's metrics
  // and add the style's margins, which a measure by hand misses by a few pixels.
  const QHeaderView *header = CalibrSG->horizontalHeader();
  const QAbstractItemView *view = CalibrSG;
  for (int c = 0; c < kGridColumns; ++c)
    CalibrSG->setColumnWidth(
        c, std::max({kGridMinWidths[c], header->sectionSizeHint(c), view->sizeHintForColumn(c)}));
}

void TCalibrForm::RowSelection() {
  CalibrSG->setSelectionBehavior(QAbstractItemView::SelectRows);
  CalibrSG->setSelectionMode(QAbstractItemView::SingleSelection);
  CalibrSG->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

// ---- Refresh ----

void TCalibrForm::UpDateAll() {
  UpDateCoef(FTable, ScanUnit.isRefPoint, ScanUnit.RefPoint);
  ShowCurveValues();
  ShowParamsValues();
  FillCalibrGrid();
  DrawCalibrChart();
  UpDateScreen();
  if (FTable.FPointCount > 0) {
    ChartSBTag = 1;
    ChartSB->setMaximum(FTable.FCalibrPoints[1].RawSignal - 1);
    ChartSB->setValue(static_cast<int>(std::clamp(std::trunc(CalibrSignal0), -2.0e9, 2.0e9)));
    QApplication::processEvents();
    ChartSBTag = 0;
  }
}

void TCalibrForm::UpDateScreen() {
  SectorsSE->blockSignals(true);
  SectorsSE->setValue(ScanUnit.Sectors);
  SectorsSE->blockSignals(false);
  GeomPanel->SetSectors(SectorsSE->value());
  for (auto [bar, value] : {std::pair{DelaySB, ScanUnit.Delay[0]}, std::pair{EdgeSB, ScanUnit.Edge[0]},
                            std::pair{CenterSB, ScanUnit.Center[0]}}) {
    bar->blockSignals(true);
    bar->setValue(value);
    bar->blockSignals(false);
  }
  RefCB->setChecked(ScanUnit.isRefPoint);
  ShowBarValues();
}

void TCalibrForm::ShowCurveValues() {
  SetValue(ExpLE, 0, QString::number(CalibrAmplification));
  SetValue(ExpLE, 1, Fixed(CalibrSignal0, 1));
  SetValue(ExpLE, 2, Fixed(CalibrExpA, 1));
  SetValue(ExpLE, 3, Fixed(CalibrExpB, 1));
}

void TCalibrForm::ShowParamsValues() {
  const TScanUnit &u = ScanUnit;
  SetValue(ParamsLE, 0, QString::number(u.CameraNo));
  SetValue(ParamsLE, 1, QString::number(u.CameraInterfaceType));
  SetValue(ParamsLE, 2, QString::number(u.Speed));
  SetValue(ParamsLE, 3, QString::number(u.ScanWidth));
  SetValue(ParamsLE, 4, QString::number(u.ScanHeight));
  SetValue(ParamsLE, 5, QString::fromStdString(FloatToText(u.Set[0])));
  SetValue(ParamsLE, 6, Fixed(u.TermoDelta, 1));
  SetValue(ParamsLE, 7, Fixed(u.RefPoint, 1));
  SetValue(ParamsLE, 8, Fixed(u.Emissivity, 3));
  SetValue(ParamsLE, 9, Fixed(u.Ambient, 1));
}

void TCalibrForm::FillCalibrGrid() {
  const int count = FTable.FPointCount;
  const bool blocked = CalibrSG->blockSignals(true);
  if (count == 0) {
    CalibrSG->setRowCount(1);
    for (int c = 0; c < 6; ++c)
      CalibrSG->setItem(0, c, new QTableWidgetItem);
    CalibrSG->blockSignals(blocked);
    return;
  }
  CalibrSG->setRowCount(count);
  QFont bold = CalibrSG->font();
  bold.setBold(true);
  for (int i = 1; i <= count; ++i) {
    const TCalibrPoint &p = FTable.FCalibrPoints[i];
    const QString texts[] = {QStringLiteral("%1").arg(i, 2, 16, QLatin1Char('0')).toUpper(),
                             QString::number(p.RawSignal),
                             Fixed(p.NetSignal, 2),
                             Fixed(p.Temperature, 2),
                             Fixed(CalibrSignalToTemperature(p.NetSignal), 2),
                             Fixed(p.BodyTemperature, 2)};
    for (int c = 0; c < 6; ++c) {
      auto *item = new QTableWidgetItem(texts[c]);
      if (c == 3) {
        // The temperatures run from blue in the first row to red in the last.
        const int red = static_cast<int>(std::trunc(i * 255.0 / count));
        const int blue = static_cast<int>(std::trunc((count + 1 - i) * 255.0 / count));
        item->setForeground(QColor(std::clamp(red, 0, 255), 0, std::clamp(blue, 0, 255)));
        item->setFont(bold);
      }
      CalibrSG->setItem(i - 1, c, item);
    }
  }
  CalibrSG->blockSignals(blocked);
  FitGridColumns();
}

void TCalibrForm::DrawCalibrChart() {
  CalChart->CurveSeries.clear();
  CalChart->PointSeries.clear();
  const int count = FTable.FPointCount;
  if (count >= 1) {
    const double from = RoundHalfEven(FTable.FCalibrPoints[1].Temperature - 10.0);
    const double to = RoundHalfEven(FTable.FCalibrPoints[count].Temperature + 10.0);
    // A table out of temperature order gives no curve; a huge span is not drawn point by point.
    if (std::isfinite(from) && std::isfinite(to) && to - from <= 100000.0)
      for (double t = from; t <= to; t += 1.0)
        CalChart->CurveSeries.emplace_back(t, CalibrTemperatureToSignal(t));
    for (int i = 1; i <= count; ++i)
      CalChart->PointSeries.emplace_back(FTable.FCalibrPoints[i].Temperature,
                                         FTable.FCalibrPoints[i].NetSignal);
  }
  CalChart->update();
}

// ---- Modal showing ----

void TCalibrForm::ShowModal() {
  if (ModalHook) {
    show();
    QApplication::processEvents();
    ModalHook();
    if (isVisible())
      close();
    return;
  }
  setWindowModality(Qt::ApplicationModal);
  show();
  activateWindow();
  QEventLoop loop;
  FModalLoop = &loop;
  loop.exec();
  FModalLoop = nullptr;
  setWindowModality(Qt::NonModal);
}

void TCalibrForm::hideEvent(QHideEvent *event) {
  QWidget::hideEvent(event);
  if (FModalLoop)
    FModalLoop->quit();
}

} // namespace calidarix
