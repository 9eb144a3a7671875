// The calibration form's right half: the scanner controls, the live camera values and the camera
// exchange, and what activating and closing the window does with them.

#include "acquisition/ui/calibr_form.h"

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

QScrollBar *HorizontalBar(QWidget *parent, const char *name, int max) {
  auto *bar = new QScrollBar(Qt::Horizontal, parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setRange(0, max);
  bar->setMinimumWidth(160);
  return bar;
}

QSpinBox *NumberBox(QWidget *parent, const char *name, int value) {
  auto *box = new QSpinBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setRange(0, 100000);
  box->setValue(value);
  return box;
}

} // namespace

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
  auto *live = new QFormLayout;
  const char *names[] = {"SpeedSB", "ResonansSB", "AmplitudeSB", "UKadr1SB", "UKadr2SB", "UKadr3SB"};
  const char *captions[] = {"Speed", "Resonance", "Amplitude", "UKadr1", "UKadr2", "UKadr3"};
  for (int i = 0; i < 6; ++i) {
    QScrollBar *bar = HorizontalBar(right, names[i], 255);
    const auto which = static_cast<TLiveBar>(i);
    connect(bar, &QScrollBar::valueChanged, this, [this, which](int v) {
      FExchange.LiveBarChanged(which, static_cast<std::uint8_t>(v));
      if (FExchange.TimerOn && !LiveTimer->isActive())
        LiveTimer->start(kLiveTimerMs);
      SyncLiveBars();
    });
    LiveBars.push_back(bar);
    live->addRow(QString::fromLatin1(captions[i]), bar);
  }
  column->addLayout(live);

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
  connect(ReadBtn, &QPushButton::clicked, this, [this] {
    ReportExchange(FExchange.Read(FIniFile.get()));
    SyncLiveBars();
    UpDateAll();
  });
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

  auto *scanner = new QFormLayout;
  DelaySB = HorizontalBar(right, "DelaySB", 255);
  EdgeSB = HorizontalBar(right, "EdgeSB", 255);
  CenterSB = HorizontalBar(right, "CenterSB", 255);
  connect(DelaySB, &QScrollBar::valueChanged, this, [this](int v) { FExchange.SetDelay(v); });
  connect(EdgeSB, &QScrollBar::valueChanged, this, [this](int v) { FExchange.SetEdge(v); });
  connect(CenterSB, &QScrollBar::valueChanged, this, [this](int v) { FExchange.SetCenter(v); });
  SectorsSE = new QSpinBox(right);
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
  scanner->addRow(QStringLiteral("Delay"), DelaySB);
  scanner->addRow(QStringLiteral("Edge"), EdgeSB);
  scanner->addRow(QStringLiteral("Center"), CenterSB);
  scanner->addRow(QStringLiteral("Sectors"), SectorsSE);
  column->addLayout(scanner);

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
  GeomPanel->OnLockEdge = [this](bool on) { EdgeSB->setEnabled(on); };
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
  for (QScrollBar *bar : LiveBars)
    bar->setVisible(exchange);
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
