#include "head/ui/pano_scan_dialog.h"

#include "acquisition/camera_state.h"
#include "head/head_frame.h"
#include "head/head_globals.h"
#include "head/head_link.h"
#include "mainwindow/ui/paint_boxes.h"
#include "platform/scancodes.h"
#include "thermogram/thermogram_globals.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace calidarix {

TPanoScanDialog *PanoScanDialog = nullptr;

namespace {

constexpr int kNetWidth = 400;
constexpr int kNetHeight = 220;
constexpr int kGoingToMs = 500;

constexpr ScanCode kScanUp = 0x48;
constexpr ScanCode kScanLeft = 0x4B;
constexpr ScanCode kScanRight = 0x4D;
constexpr ScanCode kScanDown = 0x50;

QString Lines(QString text) {
  return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

bool LinkUp() {
  return QorHead && QorHead->FConnected;
}

// The acquisition thread takes speed and summation requests only while it runs.
bool ScanThreadRunning() {
  return ScanRequests.ScanRunning.Get();
}

} // namespace

TPanoScanDialog::TPanoScanDialog(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PanoScanDialog"));
  setWindowTitle(QStringLiteral("Panning settings"));
  setFocusPolicy(Qt::StrongFocus);
  const auto label = [this](const char *name) {
    auto *l = new QLabel(this);
    l->setObjectName(QString::fromLatin1(name));
    return l;
  };
  const auto button = [this](const char *name, const char *text) {
    auto *b = new QPushButton(QString::fromLatin1(text), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setFocusPolicy(Qt::NoFocus);
    return b;
  };
  NetPB = new TPaintBox(this);
  NetPB->setObjectName(QStringLiteral("NetPB"));
  NetPB->setFixedSize(kNetWidth, kNetHeight);
  NetPB->OnMouseDown = [this](QMouseEvent *e) {
    if (e->button() == Qt::LeftButton)
      NetPBMouseDown(e->position().toPoint().x(), e->position().toPoint().y());
  };
  HorizontalLabel = label("HorizontalLabel");
  VerticalLabel = label("VerticalLabel");
  RiseLabel = label("RiseLabel");
  SpeedLabel = label("SpeedLabel");
  SumLabel = label("SumLabel");
  Comments = label("Comments");
  NoticeLabel = label("NoticeLabel");
  OkBtn = button("OkBtn", "Ok");
  CancelBtn = button("CancelBtn", "Cancel");
  GotoPanel = button("GotoPanel", "GOTO");
  CancelPanel = button("CancelPanel", "CANCEL");
  GotoPanel->hide();
  CancelPanel->hide();

  // The ten arrow images, each running its action.
  const std::pair<const char *, void (TPanoScanDialog::*)()> images[] = {
      {"\u25B6", &TPanoScanDialog::RightAction},     {"\u21D1", &TPanoScanDialog::ShiftUpAction},
      {"\u21D3", &TPanoScanDialog::ShiftDownAction}, {"\u25C0", &TPanoScanDialog::CtrlLeftAction},
      {"\u25B6", &TPanoScanDialog::CtrlRightAction}, {"\u25C0", &TPanoScanDialog::LeftAction},
      {"\u25C0", &TPanoScanDialog::SpeedDownAction}, {"\u25B6", &TPanoScanDialog::SpeedUpAction},
      {"\u25B2", &TPanoScanDialog::UpAction},        {"\u25BC", &TPanoScanDialog::DownAction}};
  for (std::size_t i = 0; i < Images.size(); ++i) {
    auto *image = new QToolButton(this);
    image->setObjectName(QStringLiteral("Image%1").arg(i + 1));
    image->setText(QString::fromUtf8(images[i].first));
    image->setAutoRaise(true);
    image->setFocusPolicy(Qt::NoFocus);
    connect(image, &QToolButton::clicked, this, images[i].second);
    Images[i] = image;
  }

  auto *controls = new QGridLayout;
  const auto row = [&](int r, QLabel *text, QToolButton *minus, QToolButton *plus) {
    controls->addWidget(minus, r, 0);
    controls->addWidget(plus, r, 1);
    controls->addWidget(text, r, 2);
  };
  row(0, HorizontalLabel, Images[5], Images[0]);
  row(1, VerticalLabel, Images[9], Images[8]);
  row(2, RiseLabel, Images[2], Images[1]);
  row(3, SpeedLabel, Images[6], Images[7]);
  row(4, SumLabel, Images[3], Images[4]);
  controls->setRowStretch(5, 1);
  auto *top = new QHBoxLayout;
  top->addWidget(NetPB, 0, Qt::AlignTop);
  top->addLayout(controls, 1);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(GotoPanel);
  buttons->addWidget(CancelPanel);
  buttons->addStretch(1);
  buttons->addWidget(OkBtn);
  buttons->addWidget(CancelBtn);
  auto *column = new QVBoxLayout(this);
  column->addLayout(top);
  column->addWidget(NoticeLabel);
  column->addWidget(Comments);
  column->addLayout(buttons);

  GoingToTimer = new QTimer(this);
  GoingToTimer->setObjectName(QStringLiteral("GoingToTimer"));
  GoingToTimer->setInterval(kGoingToMs);
  connect(GoingToTimer, &QTimer::timeout, this, &TPanoScanDialog::GoingToTimerTimer);
  connect(OkBtn, &QPushButton::clicked, this, &TPanoScanDialog::EnterAction);
  connect(CancelBtn, &QPushButton::clicked, this, &TPanoScanDialog::EscAction);
  connect(GotoPanel, &QPushButton::clicked, this, &TPanoScanDialog::GotoPanelClick);
  connect(CancelPanel, &QPushButton::clicked, this, &TPanoScanDialog::CancelPanelClick);

  FHeadCell = TPoint{FMaxCols / 2, FMaxRows - FRowsBelowHorizon};
  PanChanged();
}

QString TPanoScanDialog::Text(const char *english, const char *russian) const {
  return QString::fromUtf8(FRussian ? russian : english);
}

void TPanoScanDialog::GridChanged() {
  NetPBPaint();
  PanChanged();
}

void TPanoScanDialog::LeftAction() {
  PlanLeft(*this);
  GridChanged();
}

void TPanoScanDialog::RightAction() {
  PlanRight(*this);
  GridChanged();
}

void TPanoScanDialog::UpAction() {
  PlanUp(*this);
  GridChanged();
}

void TPanoScanDialog::DownAction() {
  PlanDown(*this);
  GridChanged();
}

void TPanoScanDialog::ShiftUpAction() {
  PlanShiftUp(*this);
  GridChanged();
}

void TPanoScanDialog::ShiftDownAction() {
  PlanShiftDown(*this);
  GridChanged();
}

void TPanoScanDialog::SumChanged() {
  SumLabel->setText(SumText(FSumCount, false, FRussian));
  if (ScanThreadRunning() && CurrentDTV)
    CurrentDTV->SumCount = FSumCount;
  GridChanged();
}

void TPanoScanDialog::CtrlRightAction() {
  PlanSumUp(*this);
  SumChanged();
}

void TPanoScanDialog::CtrlLeftAction() {
  PlanSumDown(*this);
  SumChanged();
}

void TPanoScanDialog::SpeedChosen(TSpeedTextSource source) {
  SpeedLabel->setText(SpeedText(FSpeed, source, FRussian));
  const bool request = source == TSpeedTextSource::FunctionKeys || FSpeed != 0;
  if (request && ScanThreadRunning() && !ScanRequests.FilmRecording.Get())
    ScanRequests.PendingSpeed.Set(FSpeed);
  GridChanged();
}

void TPanoScanDialog::F9Action() {
  FSpeed = 3;
  SpeedChosen(TSpeedTextSource::FunctionKeys);
}

void TPanoScanDialog::F10Action() {
  FSpeed = 2;
  SpeedChosen(TSpeedTextSource::FunctionKeys);
}

void TPanoScanDialog::F11Action() {
  FSpeed = 1;
  SpeedChosen(TSpeedTextSource::FunctionKeys);
}

void TPanoScanDialog::F12Action() {
  FSpeed = 0;
  SpeedChosen(TSpeedTextSource::FunctionKeys);
}

void TPanoScanDialog::SpeedUpAction() {
  PlanSpeedUp(*this);
  SpeedChosen(TSpeedTextSource::Images);
}

void TPanoScanDialog::SpeedDownAction() {
  PlanSpeedDown(*this);
  SpeedChosen(TSpeedTextSource::Images);
}

void TPanoScanDialog::EnterAction() {
  if (CurrentDTV)
    CurrentDTV->SumCount = FSumCount;
  accept();
}

void TPanoScanDialog::EscAction() {
  reject();
}

void TPanoScanDialog::PanChanged() {
  const TPanoEstimate e = calidarix::PanChanged(*this);
  if (FSpeed == 0)
    NetPBPaint();
  const bool frames = FSpeed != 0;
  for (std::size_t i : {std::size_t{0}, std::size_t{3}, std::size_t{4}, std::size_t{5}})
    Images[i]->setEnabled(frames);
  HorizontalLabel->setEnabled(frames);
  SumLabel->setEnabled(frames);
  Comments->setText(Lines(e.Comments));
}

void TPanoScanDialog::NetPBPaint() {
  const int w = NetPB->width();
  const int h = NetPB->height();
  QImage picture(w, h, QImage::Format_RGB32);
  picture.fill(Qt::white);
  QPainter p(&picture);
  const auto fill = [&p](const TRect &r, const QColor &colour) {
    p.fillRect(QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1)), colour);
  };
  const TNetGeometry g = NetGeometry(*this, w, h);
  fill(g.Grid, QColor(0, 0, 255));
  fill(NetCellRect(*this, FHeadCell, w, h), QColor(0, 255, 0));
  if (FGotoCell.X >= 0 && FGotoCell.Y >= 0)
    fill(NetCellRect(*this, FGotoCell, w, h), QColor(255, 0, 0));
  p.setPen(QColor(128, 128, 128));
  for (int c = 0; c <= FMaxCols; ++c) {
    const int x = std::min(w - 1, NetCellRect(*this, TPoint{c, 0}, w, h).Left);
    p.drawLine(x, 0, x, h - 1);
  }
  for (int r = 0; r <= FMaxRows; ++r) {
    const int y = std::min(h - 1, NetCellRect(*this, TPoint{0, r}, w, h).Top);
    p.drawLine(0, y, w - 1, y);
  }
  p.setPen(QPen(QColor(255, 0, 0), 2));
  p.drawLine(g.CentreX, 0, g.CentreX, h - 1);
  p.drawLine(0, g.HorizonY, w - 1, g.HorizonY);
  p.end();
  NetPB->Picture = picture;
  NetPB->update();
  HorizontalLabel->setText(HorizontalText(*this));
  VerticalLabel->setText(Lines(VerticalText(*this)));
  RiseLabel->setText(RiseText(*this));
}

void TPanoScanDialog::NetPBMouseDown(int x, int y) {
  GotoPanel->show();
  CancelPanel->show();
  FGotoCell = NetCellAt(*this, x, y, NetPB->width(), NetPB->height());
  NetPBPaint();
}

void TPanoScanDialog::GotoPanelClick() {
  if (FGoingTo)
    return;
  if (!LinkUp()) {
    NoticeLabel->setText(Text("GOTO: no head connected", "Переход: головка не подключена"));
    return;
  }
  NoticeLabel->clear();
  FGoingTo = true;
  const TPoint target = GotoTargetOf(*this, FGotoCell, FHorStep, FVerStep);
  QorHead->TrackTo(target.X, target.Y);
  GoingToTimer->start();
}

void TPanoScanDialog::ReadHeadCell() {
  if (!LinkUp())
    return;
  QorHead->RequestCounters(false);
  FHeadCell = HeadCellOf(*this, QorHead->FHorCounter, QorHead->FVerCounter, FHorStep, FVerStep);
}

void TPanoScanDialog::GoingToTimerTimer() {
  // Reading the head lets the event loop run; a tick that comes meanwhile waits for the next.
  if (FTicking)
    return;
  FTicking = true;
  ReadHeadCell();
  if (!LinkUp() || QorHead->CheckDone()) {
    GoingToTimer->stop();
    FGoingTo = false;
    GotoPanel->hide();
    CancelPanel->hide();
    FGotoCell = TPoint{-1, -1};
  }
  NetPBPaint();
  FTicking = false;
}

void TPanoScanDialog::CancelPanelClick() {
  if (FGoingTo) {
    if (LinkUp()) {
      QorHead->StopHead();
      QorHead->SendCommand(QorCmdAutotrackSet, true);
    }
    GoingToTimer->stop();
    FGoingTo = false;
    FGotoCell = TPoint{-1, -1};
  }
  GotoPanel->hide();
  CancelPanel->hide();
  NetPBPaint();
}

void TPanoScanDialog::FormShow() {
  setWindowTitle(Text("Panning settings", "Настройки панорамы"));
  FSumCount = 1;
  SpeedLabel->setText(SpeedText(FSpeed, TSpeedTextSource::Show, FRussian));
  SumLabel->setText(SumText(FSumCount, true, FRussian));
  SumLabel->setToolTip(Text("use Up and Down keys holding <Ctrl>", "клавиши вверх и вниз с <Ctrl>"));
  SpeedLabel->setToolTip(
      Text("frame scan speed\nuse <F9> <F10> <F11>", "скорость кадра\nклавиши <F9> <F10> <F11>"));
  HorizontalLabel->setToolTip(Text("horizontal arc of panorama at horizon", "горизонтальный угол панорамы"));
  VerticalLabel->setToolTip(Text("Vertical arc of panorama", "вертикальный угол панорамы"));
  RiseLabel->setToolTip(Text("Vertical arc of panorama under horizon", "угол панорамы под горизонтом"));
  OkBtn->setText(Text("Ok", "Ок"));
  CancelBtn->setText(Text("Cancel", "Отмена"));
  GotoPanel->setText(Text("GOTO", "ПЕРЕЙТИ"));
  CancelPanel->setText(Text("CANCEL", "ОТМЕНА"));
  NoticeLabel->clear();
  PanChanged();
  ReadHeadCell();
  NetPBPaint();
}

void TPanoScanDialog::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  FormShow();
  setFocus();
}

void TPanoScanDialog::closeEvent(QCloseEvent *event) {
  // A go-to still running ends with the dialog.
  if (FGoingTo)
    CancelPanelClick();
  QDialog::closeEvent(event);
}

void TPanoScanDialog::keyPressEvent(QKeyEvent *event) {
  const ScanCode code = KeyScanCode(*event) & 0xFF;
  const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
  const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
  switch (code) {
  case kScanUp:
    return shift ? ShiftUpAction() : UpAction();
  case kScanDown:
    return shift ? ShiftDownAction() : DownAction();
  case kScanLeft:
    return ctrl ? CtrlLeftAction() : LeftAction();
  case kScanRight:
    return ctrl ? CtrlRightAction() : RightAction();
  default:
    break;
  }
  switch (event->key()) {
  case Qt::Key_F9:
    return F9Action();
  case Qt::Key_F10:
    return F10Action();
  case Qt::Key_F11:
    return F11Action();
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return EnterAction();
  case Qt::Key_Escape:
    return EscAction();
  case Qt::Key_Alt:
    return; // keeps Alt from reaching a menu
  default:
    QDialog::keyPressEvent(event);
  }
}

} // namespace calidarix
