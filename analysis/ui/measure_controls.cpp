// The measurement controls of the main window: the statistic, shape and text-size menus, the
// measurement labels and their double-clicks, the buttons of the marker commands, the service items of
// the corrections and figures, and the image box's mouse.

#include "mainwindow/ui/main_window.h"

#include "analysis/markers.h"

#include <QAction>
#include <QActionGroup>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

#include <functional>
#include <map>

namespace calidarix {

namespace {

// Double-clicks on labels and left clicks on the big button panels, which have no signals of their own.
class LabelClicks : public QObject {
public:
  explicit LabelClicks(QObject *parent) : QObject(parent) {}

  void OnDoubleClick(QWidget *widget, std::function<void()> command) {
    if (!widget)
      return;
    widget->installEventFilter(this);
    doubleClicks_[widget] = std::move(command);
  }
  void OnClick(QWidget *widget, std::function<void()> command) {
    if (!widget)
      return;
    widget->installEventFilter(this);
    clicks_[widget] = std::move(command);
  }

  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::MouseButtonDblClick)
      if (const auto it = doubleClicks_.find(watched); it != doubleClicks_.end()) {
        it->second();
        return true;
      }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
      if (const auto it = clicks_.find(watched); it != clicks_.end())
        it->second();
    return false;
  }

private:
  std::map<QObject *, std::function<void()>> doubleClicks_;
  std::map<QObject *, std::function<void()>> clicks_;
};

QAction *NamedAction(QMenu *menu, const char *name, const QString &text) {
  QAction *action = menu->addAction(text);
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

} // namespace

void TCalidarix::BuildMeasureControls() {
  MinLabel = findChild<QLabel *>(QStringLiteral("MinLabel"));
  MaxLabel = findChild<QLabel *>(QStringLiteral("MaxLabel"));
  AvgLabel = findChild<QLabel *>(QStringLiteral("AvgLabel"));
  PtsLabel = findChild<QLabel *>(QStringLiteral("PtsLabel"));
  AIsoLabel = findChild<QLabel *>(QStringLiteral("AIsoLabel"));
  TLab = findChild<QLabel *>(QStringLiteral("TLab"));

  // The heat figures under the measurement labels, hidden until the heat panel switches them on.
  auto *info = static_cast<QGridLayout *>(InfoPanel->layout());
  int row = info->rowCount();
  const std::pair<QLabel **, const char *> heat[] = {
      {&AnswerLabel, "AnswerLabel"}, {&LevLabel, "LevLabel"},     {&LevelLabel, "LevelLabel"},
      {&RngLabel, "RngLabel"},       {&RangeLabel, "RangeLabel"},
  };
  for (auto [label, name] : heat) {
    *label = new QLabel(InfoPanel);
    (*label)->setObjectName(QString::fromLatin1(name));
    (*label)->hide();
    info->addWidget(*label, row++, 0, 1, 2);
  }
  LevLabel->setText(QStringLiteral("Spix:"));
  RngLabel->setText(QStringLiteral("Sarr:"));

  // Statistic and shape of the areas.
  const std::pair<const char *, int> statistics[] = {
      {"ArrayAvg1", 0}, {"ArrayMin1", 1}, {"ArrayMax1", 2}, {"ArrayAll1", 3}};
  auto *statisticGroup = new QActionGroup(this);
  for (auto [name, tag] : statistics) {
    QAction *item = findChild<QAction *>(QString::fromLatin1(name));
    item->setProperty("Tag", tag);
    statisticGroup->addAction(item);
    connect(item, &QAction::triggered, this, [this, tag = tag] { ArrayMenuItemClick(tag); });
  }
  QMenu *arrayType = findChild<QMenu *>(QStringLiteral("ArrayType1"));
  const std::tuple<const char *, const char *, int> wallItems[] = {{"ArrayRInMI", "Array R In", 4},
                                                                   {"ArrayROutMI", "Array R Out", 5}};
  for (auto [name, text, tag] : wallItems) {
    auto *item = new QAction(QString::fromLatin1(text), ArrayPopupMenu);
    item->setObjectName(QString::fromLatin1(name));
    item->setCheckable(true);
    item->setProperty("Tag", tag);
    ArrayPopupMenu->insertAction(arrayType->menuAction(), item);
    statisticGroup->addAction(item);
    connect(item, &QAction::triggered, this, [this, tag = tag] { ArrayRMenuItemClick(tag); });
  }
  auto *sigma = new QAction(QStringLiteral("Array Sigma"), ArrayPopupMenu);
  sigma->setObjectName(QStringLiteral("ArraySigmaMI"));
  sigma->setProperty("Tag", 7);
  ArrayPopupMenu->insertAction(arrayType->menuAction(), sigma);
  connect(sigma, &QAction::triggered, this, &TCalidarix::ArraySigmaMIClick);
  auto *shapeGroup = new QActionGroup(this);
  for (auto [name, tag] : {std::pair{"Rectangle1", 0}, std::pair{"Ellipse1", 1}}) {
    QAction *item = findChild<QAction *>(QString::fromLatin1(name));
    item->setProperty("Tag", tag);
    shapeGroup->addAction(item);
    connect(item, &QAction::triggered, this, [this, tag = tag] { ArrayTypeClick(tag); });
  }

  // Marker text size.
  auto *sizeGroup = new QActionGroup(this);
  for (auto [name, tag] :
       {std::pair{"N81", 8}, {"N101", 10}, {"N121", 12}, {"N141", 14}, {"N181", 18}, {"N241", 24}}) {
    QAction *item = findChild<QAction *>(QString::fromLatin1(name));
    item->setProperty("Tag", tag);
    sizeGroup->addAction(item);
    connect(item, &QAction::triggered, this, [this, tag = tag] { FontNClick(tag); });
  }

  // Buttons and menu items.
  const std::pair<const char *, void (TCalidarix::*)()> buttons[] = {
      {"MinMaxAvgSB", &TCalidarix::MinMaxAvgSBClick},
      {"FontNSB", &TCalidarix::FontNSBClick},
      {"DelSB", &TCalidarix::DelSBClick},
      {"CopyPointsSB", &TCalidarix::CopyPointsSBClick},
  };
  for (auto [name, command] : buttons)
    connect(findChild<QToolButton *>(QString::fromLatin1(name)), &QToolButton::clicked, this, command);
  // "Export SLK": the temperatures of the region, raised to the fourth power while Ctrl is held.
  connect(findChild<QToolButton *>(QStringLiteral("ExcelSB")), &QToolButton::clicked, this,
          [this] { CopyRegionTableToClipboard(FCtrlDown ? 4 : 1); });
  const std::pair<const char *, void (TCalidarix::*)()> items[] = {
      {"CopyMarkers1", &TCalidarix::CopyPointsSBClick},
      {"Emissivity1", &TCalidarix::EmissivityActionExecute},
      {"RealTemperature1", &TCalidarix::RealTemperatureActionExecute},
  };
  for (auto [name, command] : items)
    connect(findChild<QAction *>(QString::fromLatin1(name)), &QAction::triggered, this, command);
  if (QAction *doubleMinMax = findChild<QAction *>(QStringLiteral("DoubleMinMax1")))
    connect(doubleMinMax, &QAction::triggered, this, [this, doubleMinMax] {
      FIsDoubleMinMax = doubleMinMax->isChecked();
      ImagePBPaint(this);
    });

  // Service items of the corrections and figures.
  Thermo2Frame = NamedAction(ServiceFunctions, "Thermo2Frame", QStringLiteral("Thermo Sensor Field"));
  Thermo2Frame->setCheckable(true);
  connect(Thermo2Frame, &QAction::triggered, this, &TCalidarix::Thermo2FrameClick);
  connect(NamedAction(ServiceFunctions, "TeleMetry2Clipboard", QStringLiteral("TeleMetry2Clipboard")),
          &QAction::triggered, this, &TCalidarix::TeleMetry2ClipboardClick);
  connect(NamedAction(ServiceFunctions, "TwoArraysCorrect", QStringLiteral("Two Arrays Hor Correction")),
          &QAction::triggered, this, &TCalidarix::TwoArraysCorrectClick);
  connect(
      NamedAction(ServiceFunctions, "ArrayHorLevelCorrection", QStringLiteral("Array Hor Level Correction")),
      &QAction::triggered, this, &TCalidarix::ArrayHorLevelCorrectionClick);
  NamedAction(ServiceFunctions, "DecodeDualScan", QStringLiteral("Decode Dual Scan"))->setCheckable(true);
  ServiceFunctions->addSeparator();
  QMenu *gl = ServiceFunctions->addMenu(QStringLiteral("GL"));
  gl->setObjectName(QStringLiteral("GL1"));
  connect(NamedAction(gl, "BoxMode", QStringLiteral("Box Mode")), &QAction::triggered, this,
          &TCalidarix::BoxModeClick);
  QMenu *resolution = ServiceFunctions->addMenu(QStringLiteral("Resolution"));
  resolution->setObjectName(QStringLiteral("Resolution"));
  ResSwitch = NamedAction(resolution, "ResSwitch", QStringLiteral("On"));
  ResSwitch->setCheckable(true);
  connect(ResSwitch, &QAction::triggered, this, [this] {
    // The caption names what the next click does.
    ResSwitch->setText(ResSwitch->isChecked() ? QStringLiteral("Off") : QStringLiteral("On"));
    if (ResSwitch->isChecked())
      ShowResolutionRatio();
  });

  // Double-clicks on the labels, and the big "Clear" button.
  auto *clicks = new LabelClicks(this);
  for (const char *name : {"MinLabel", "MaxLabel", "MinLab", "MaxLab"})
    clicks->OnDoubleClick(findChild<QWidget *>(QString::fromLatin1(name)), [this] { MaxLabelDblClick(); });
  for (const char *name : {"AvgLabel", "AvgLab"})
    clicks->OnDoubleClick(findChild<QWidget *>(QString::fromLatin1(name)), [this] { AvgLabelDblClick(); });
  for (const char *name : {"PtsLabel", "PtsLab"})
    clicks->OnDoubleClick(findChild<QWidget *>(QString::fromLatin1(name)), [this] { PtsLabelDblClick(); });
  clicks->OnDoubleClick(TLab, [this] { TLabDblClick(); });
  for (const char *name : {"ClearPanel", "ClearNamePanel"})
    clicks->OnClick(findChild<QWidget *>(QString::fromLatin1(name)), [this] { DelSBClick(); });

  BuildValuePanels();
  BuildHeatPanel();

  // The mouse on the image. Moves without a button show the readout too.
  ImagePB->setMouseTracking(true);
  ImagePB->OnMouseDown = [this](QMouseEvent *e) {
    const QPoint p = e->position().toPoint();
    ImagePBMouseDown(e->button(), p.x(), p.y(), e->modifiers());
  };
  ImagePB->OnMouseMove = [this](QMouseEvent *e) {
    const QPoint p = e->position().toPoint();
    ImagePBMouseMove(p.x(), p.y(), e->modifiers());
  };
  ImagePB->OnMouseUp = [this](QMouseEvent *e) {
    const QPoint p = e->position().toPoint();
    ImagePBMouseUp(e->button(), p.x(), p.y(), e->modifiers());
  };
  ImagePB->OnDblClick = [this](QMouseEvent *) { ImagePBDblClick(); };

  // Texts a command writes once on the image: the resolution ratio at the top left, the emissivity at
  // the bottom left. They are part of the box's picture until the next view change.
  ImagePB->OnPaint = [this, paint = ImagePB->OnPaint] {
    if (paint)
      paint();
    if (FMeasure.FResolutionText.isEmpty() && FMeasure.FEmissivityText.isEmpty())
      return;
    QPainter painter(&ImagePB->Picture);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(16);
    painter.setFont(font);
    if (!FMeasure.FResolutionText.isEmpty())
      DrawShadowText(painter, 4, 4, FMeasure.FResolutionText);
    if (!FMeasure.FEmissivityText.isEmpty()) {
      const int y = ImagePB->height() - painter.fontMetrics().height() - 4;
      painter.setPen(Qt::black);
      painter.drawText(5, y + 1 + painter.fontMetrics().ascent(), FMeasure.FEmissivityText);
      painter.setPen(Qt::white);
      painter.drawText(4, y + painter.fontMetrics().ascent(), FMeasure.FEmissivityText);
    }
  };
}

} // namespace calidarix
