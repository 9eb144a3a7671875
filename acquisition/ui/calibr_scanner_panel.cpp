// The calibration form's right half: the scanner controls, the live camera values and the camera
// exchange, and what activating and closing the window does with them.

#include "acquisition/ui/calibr_form.h"

#include "acquisition/calibration_sets.h"
#include "acquisition/camera_ini.h"
#include "acquisition/camera_state.h"
#include "acquisition/scan_thread.h"
#include "acquisition/ui/calibr_geometry_panel.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace calidarix {

namespace {

bool IsExchangeType(std::int32_t type) {
  return type == CamIfUsb || type == CamIfLan2 || type == CamIfLan2Dual || type == CamIfLan3;
}

QSpinBox *NumberBox(QWidget *parent, const char *name, int value) {
  auto *box = new QSpinBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setRange(0, 100000);
  box->setValue(value);
  return box;
}

} // namespace

QScrollBar *TCalibrForm::AddBarRow(QGridLayout *grid, const QString &name, const QString &caption, int max) {
  QWidget *parent = grid->parentWidget();
  const int row = grid->rowCount();
  auto *bar = new QScrollBar(Qt::Horizontal, parent);
  bar->setObjectName(name);
  bar->setRange(0, max);
  bar->setMinimumWidth(160);
  auto *value = new QLabel(parent);
  QString stem = name;
  stem.chop(2); // "SB"
  value->setObjectName(stem + QStringLiteral("ValueLabel"));
  // Wide enough for the largest position, so the bar does not move as the number grows.
  value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QString::number(max)) + 4);
  grid->addWidget(new QLabel(caption, parent), row, 0);
  grid->addWidget(bar, row, 1);
  grid->addWidget(value, row, 2);
  FBarLabels.emplace_back(bar, value);
  connect(bar, &QScrollBar::valueChanged, this, &TCalibrForm::ShowBarValues);
  return bar;
}

void TCalibrForm::ShowBarValues() {
  // The Edge bar without its lock stands for no value: its label is empty.
  for (const auto &[bar, label] : FBarLabels)
    label->setText(bar == EdgeSB && !bar->isEnabled() ? QString() : QString::number(bar->value()));
}

QWidget *TCalibrForm::BuildRightHalf() {
  auto *right = new QWidget(this);
  auto *column = new QVBoxLayout(right);
  column->setContentsMargins(0, 0, 0, 0);

  OrvantPanel = new QLabel(QStringLiteral("Orvant"), right);
  OrvantPanel->setObjectName(QStringLiteral("OrvantPanel"));
  OrvantPanel->setAlignment(Qt::AlignCenter);
  OrvantPanel->setFrameShape(QFrame::Panel);
  OrvantPanel->setFrameShadow(QFrame::Raised);
  OrvantPanel->setMinimumHeight(28);
  OrvantPanel->setToolTip(QStringLiteral("Click: copy the point table"));
  OrvantPanel->installEventFilter(this);
  column->addWidget(OrvantPanel);

  GamePB = new QWidget(right);
  GamePB->setObjectName(QStringLiteral("GamePB"));
  GamePB->setMinimumHeight(40);
  column->addWidget(GamePB);

  // Live values of the scanning mechanism and the exchange buttons.
  LivePanel = new QWidget(right);
  LivePanel->setObjectName(QStringLiteral("LivePanel"));
  auto *live = new QGridLayout(LivePanel);
  live->setContentsMargins(0, 0, 0, 0);
  const char *names[] = {"SpeedSB", "ResSB", "AmpSB", "UK1SB", "UK2SB", "UK3SB"};
  const char *captions[] = {"Speed:", "Resonans:", "Amplitude:", "UKadr1:", "UKadr2:", "UKadr3:"};
  for (int i = 0; i < 6; ++i) {
    // The camera knows four speeds; the other values are bytes.
    QScrollBar *bar =
        AddBarRow(live, QString::fromLatin1(names[i]), QString::fromLatin1(captions[i]), i == 0 ? 3 : 255);
    const auto which = static_cast<TLiveBar>(i);
    connect(bar, &QScrollBar::valueChanged, this, [this, which](int v) {
      FExchange.LiveBarChanged(which, static_cast<std::uint8_t>(v));
      if (FExchange.TimerOn && !LiveTimer->isActive())
        LiveTimer->start(kLiveTimerMs);
      SyncLiveBars();
    });
    LiveBars.push_back(bar);
  }
  column->addWidget(LivePanel);

  LiveTimer = new QTimer(this);
  LiveTimer->setSingleShot(true);
  connect(LiveTimer, &QTimer::timeout, this, [this] {
    const TExchangeOutcome outcome = FExchange.TimerTick();
    if (outcome != TExchangeOutcome::Done && outcome != TExchangeOutcome::Busy)
      ReportExchange(outcome);
  });

  auto *exchange = new QGridLayout;
  ConnectBtn = new QPushButton(FExchange.ConnectLabel, right);
  ConnectBtn->setObjectName(QStringLiteral("ConnectBtn"));
  ConnectBtn->setCheckable(true);
  connect(ConnectBtn, &QPushButton::clicked, this, [this](bool down) {
    FExchange.Connect(down);
    AutoSaveCB->setChecked(FExchange.AutoSave);
    SyncLiveBars();
  });
  ReadBtn = new QPushButton(QStringLiteral("Read"), right);
  ReadBtn->setObjectName(QStringLiteral("ReadBtn"));
  connect(ReadBtn, &QPushButton::clicked, this, &TCalibrForm::ReadBtnClick);
  WriteBtn = new QPushButton(QStringLiteral("Write"), right);
  WriteBtn->setObjectName(QStringLiteral("WriteBtn"));
  connect(WriteBtn, &QPushButton::clicked, this, [this] { ReportExchange(FExchange.Write()); });
  WriteShortBtn = new QPushButton(QStringLiteral("WriteShort"), right);
  WriteShortBtn->setObjectName(QStringLiteral("WriteShortBtn"));
  connect(WriteShortBtn, &QPushButton::clicked, this, [this] { ReportExchange(FExchange.WriteShort()); });
  exchange->addWidget(ConnectBtn, 0, 0, 1, 3);
  exchange->addWidget(ReadBtn, 1, 0);
  exchange->addWidget(WriteBtn, 1, 1);
  exchange->addWidget(WriteShortBtn, 1, 2);
  column->addLayout(exchange);

  // Battery thresholds: shown for the service technician; nothing reads them.
  auto *battery = new QFormLayout;
  MinBatSE = NumberBox(right, "MinBatSE", 575);
  LimBatSE = NumberBox(right, "LimBatSE", 600);
  MaxBatSE = NumberBox(right, "MaxBatSE", 680);
  battery->addRow(QStringLiteral("Min Bat"), MinBatSE);
  battery->addRow(QStringLiteral("Lim Bat"), LimBatSE);
  battery->addRow(QStringLiteral("Max Bat"), MaxBatSE);
  column->addLayout(battery);

  auto *scannerBox = new QWidget(right);
  auto *scanner = new QGridLayout(scannerBox);
  scanner->setContentsMargins(0, 0, 0, 0);
  DelaySB = AddBarRow(scanner, QStringLiteral("DelaySB"), QStringLiteral("Delay:"), 255);
  EdgeSB = AddBarRow(scanner, QStringLiteral("EdgeSB"), QStringLiteral("Edge:"), 255);
  CenterSB = AddBarRow(scanner, QStringLiteral("CenterSB"), QStringLiteral("Center:"), 255);
  connect(DelaySB, &QScrollBar::valueChanged, this, [this](int v) { FExchange.SetDelay(v); });
  connect(EdgeSB, &QScrollBar::valueChanged, this, [this](int v) { FExchange.SetEdge(v); });
  connect(CenterSB, &QScrollBar::valueChanged, this, [this](int v) { FExchange.SetCenter(v); });
  SectorsSE = new QSpinBox(scannerBox);
  SectorsSE->setObjectName(QStringLiteral("SectorsSE"));
  SectorsSE->setRange(0, kMaxSectors);
  connect(SectorsSE, &QSpinBox::valueChanged, this, [this](int v) {
    const std::int32_t stored = FExchange.SetSectors(v);
    if (stored != v) {
      const bool blocked = SectorsSE->blockSignals(true);
      SectorsSE->setValue(stored);
      SectorsSE->blockSignals(blocked);
    }
  });
  const int sectorsRow = scanner->rowCount();
  scanner->addWidget(new QLabel(QStringLiteral("Sectors:"), scannerBox), sectorsRow, 0);
  scanner->addWidget(SectorsSE, sectorsRow, 1);
  column->addWidget(scannerBox);

  AutoSaveCB = new QCheckBox(QStringLiteral("AutoSave"), right);
  AutoSaveCB->setObjectName(QStringLiteral("AutoSaveCB"));
  connect(AutoSaveCB, &QCheckBox::toggled, this, [this](bool on) { FExchange.AutoSave = on; });
  ShowGeoCB = new QCheckBox(QStringLiteral("ShowGeo"), right);
  ShowGeoCB->setObjectName(QStringLiteral("ShowGeoCB"));
  ShowGeoCB->setToolTip(QStringLiteral("Show the mirror sector geometry in place of the chart"));
  column->addWidget(AutoSaveCB);
  column->addWidget(ShowGeoCB);

  // Export and import of the calibration are not reachable from the window: both stay disabled.
  auto *files = new QHBoxLayout;
  CalibrSaveBB = new QPushButton(QStringLiteral("Save"), right);
  CalibrSaveBB->setObjectName(QStringLiteral("CalibrSaveBB"));
  CalibrSaveBB->setEnabled(false);
  CalibrLoadBB = new QPushButton(QStringLiteral("Load"), right);
  CalibrLoadBB->setObjectName(QStringLiteral("CalibrLoadBB"));
  CalibrLoadBB->setEnabled(false);
  files->addWidget(CalibrSaveBB);
  files->addWidget(CalibrLoadBB);
  column->addLayout(files);
  column->addStretch(1);

  SyncLiveBars();
  return right;
}

void TCalibrForm::BuildGeometryLinks() {
  GeomPanel->Init(ScanUnit.FrameWidth, ScanUnit.Edge[0], ScanUnit.Center[0]);
  connect(ShowGeoCB, &QCheckBox::toggled, this, [this](bool on) {
    GeomPanel->SetSectors(SectorsSE->value());
    GeomPanel->SetShowGeo(on);
    CalChart->setVisible(!on);
    ChartSB->setVisible(!on);
    GeomPanel->setVisible(on);
    // A cleared edge lock holds the Edge bar only while its box can be seen.
    EdgeSB->setEnabled(!on || GeomPanel->Preview().LockEdge);
    ShowBarValues();
  });
  connect(EdgeSB, &QScrollBar::valueChanged, GeomPanel, &TCalibrGeometryPanel::EdgeChanged);
  connect(CenterSB, &QScrollBar::valueChanged, GeomPanel, &TCalibrGeometryPanel::CenterChanged);
  connect(SectorsSE, &QSpinBox::valueChanged, GeomPanel,
          [this] { GeomPanel->SetSectors(SectorsSE->value()); });
  // Moving the preview's bars moves the form's own, which store the geometry.
  GeomPanel->OnLinked = [this](const TGeometryPreview::TLinked &linked) {
    if (linked.Edge)
      EdgeSB->setValue(*linked.Edge);
    if (linked.Center)
      CenterSB->setValue(*linked.Center);
  };
  // With the edge lock cleared the two side bars differ, and the Edge bar is disabled until it is set again.
  GeomPanel->OnLockEdge = [this](bool on) {
    EdgeSB->setEnabled(on);
    ShowBarValues();
  };
}

void TCalibrForm::SyncLiveBars() {
  for (int i = 0; i < 6; ++i) {
    QScrollBar *bar = LiveBars[static_cast<std::size_t>(i)];
    const bool blocked = bar->blockSignals(true);
    bar->setValue(FExchange.LiveValue(static_cast<TLiveBar>(i)));
    bar->setEnabled(FExchange.LiveControlsEnabled);
    bar->blockSignals(blocked);
  }
  for (QPushButton *button : {ReadBtn, WriteBtn, WriteShortBtn})
    button->setEnabled(FExchange.LiveControlsEnabled);
  const bool blocked = ConnectBtn->blockSignals(true);
  ConnectBtn->setChecked(FExchange.Connected);
  ConnectBtn->setText(FExchange.ConnectLabel);
  ConnectBtn->blockSignals(blocked);
  if (FExchange.TimerOn && !LiveTimer->isActive())
    LiveTimer->start(kLiveTimerMs);
  ShowBarValues();
}

void TCalibrForm::ReadBtnClick() {
  const TExchangeOutcome outcome = FExchange.Read(FIniFile.get());
  ReportExchange(outcome);
  SyncLiveBars();
  // A first-band set on show takes what was read: the next save of the set (a tab change, closing)
  // writes the form's curve over the set's values.
  const int tab = ExpTC->currentIndex();
  if (outcome == TExchangeOutcome::Done && tab >= 0 && tab <= 2) {
    const TCalibrationSetData read = CalibrationSetData(ScanUnit, tab);
    CalibrAmplification = read.Amplification;
    CalibrExpA = read.ExpA;
    CalibrExpB = read.ExpB;
    CalibrSignal0 = read.Signal0;
  }
  UpDateAll();
}

void TCalibrForm::ReportExchange(TExchangeOutcome outcome) {
  if (outcome != TExchangeOutcome::Done)
    ShowError(ExchangeOutcomeText(outcome));
}

void TCalibrForm::FormActivated() {
  CalibrSG->setFocus();
  DrawCalibrChart();
  ChartSBTag = 1;
  ChartSB->setValue(static_cast<int>(std::clamp(std::trunc(CalibrSignal0), -2.0e9, 2.0e9)));
  ChartSBTag = 0;
  const bool exchange = IsExchangeType(ScanUnit.CameraInterfaceType);
  ConnectBtn->setVisible(exchange);
  LivePanel->setVisible(exchange);
  if (exchange) {
    ConnectBtn->setEnabled(!ScanRequests.ScanRunning.Get());
    FExchange.Activate();
  }
  SyncLiveBars();
}

void TCalibrForm::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow())
    FormActivated();
}

void TCalibrForm::closeEvent(QCloseEvent *event) {
  CommitPendingEdit();
  if (AutoSaveCB->isChecked() && FIniFile) {
    QString error;
    bool ok = SaveParamsData(FIniFile.get(), ScanUnit, FExchange.Live, FExchange.LiveValuesChanged, &error);
    if (ok)
      ok = SaveCalibrData(FIniFile.get(), ExpTC->currentIndex(), ScanUnit, FTable, &error);
    if (!ok)
      ShowError(QStringLiteral("The calibration was not saved: ") + error);
  }
  if (IsExchangeType(ScanUnit.CameraInterfaceType) && FExchange.Connected) {
    LiveTimer->stop();
    if (FExchange.TimerOn)
      FExchange.TimerTick();
    FExchange.Connect(false);
    SyncLiveBars();
  }
  event->accept();
}

} // namespace calidarix
