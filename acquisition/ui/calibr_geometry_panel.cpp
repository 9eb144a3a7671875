#include "acquisition/ui/calibr_geometry_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

#include <utility>

namespace calidarix {

TGeometryBox::TGeometryBox(QWidget *parent, std::function<TGeometryLines(int, int)> lines)
    : QWidget(parent), FLines(std::move(lines)) {
  setMinimumSize(80, 80);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TGeometryBox::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  PaintGeometryBox(painter, FLines(width(), height()));
}

TCalibrGeometryPanel::TCalibrGeometryPanel(QWidget *parent) : QWidget(parent) {
  setObjectName(QStringLiteral("GeomPanel"));
  LPB = new TGeometryBox(this, [this](int w, int h) { return FPreview.LeftBox(w, h, FSectors); });
  LPB->setObjectName(QStringLiteral("LPB"));
  RPB = new TGeometryBox(this, [this](int w, int h) { return FPreview.RightBox(w, h, FSectors); });
  RPB->setObjectName(QStringLiteral("RPB"));

  // The bars in the order of their tags: the handler tells them apart by it.
  const struct {
    QScrollBar **bar;
    const char *name;
    Qt::Orientation orientation;
  } bars[] = {{&BLeftSB, "BLeftSB", Qt::Horizontal},
              {&BRightSB, "BRightSB", Qt::Horizontal},
              {&LeftSB, "LeftSB", Qt::Vertical},
              {&RightSB, "RightSB", Qt::Vertical},
              {&CentSB, "CentSB", Qt::Vertical}};
  for (int tag = 0; tag < 5; ++tag) {
    auto *bar = new QScrollBar(bars[tag].orientation, this);
    bar->setObjectName(QString::fromLatin1(bars[tag].name));
    connect(bar, &QScrollBar::valueChanged, this, [this, tag](int v) { BarMoved(tag, v); });
    *bars[tag].bar = bar;
  }

  LockCenterCB = new QCheckBox(QStringLiteral("Lock center"), this);
  LockCenterCB->setObjectName(QStringLiteral("LockCenterCB"));
  connect(LockCenterCB, &QCheckBox::toggled, this, [this](bool on) {
    FPreview.SetLockCenter(on);
    Sync();
  });
  LockEdgeCB = new QCheckBox(QStringLiteral("Lock edge"), this);
  LockEdgeCB->setObjectName(QStringLiteral("LockEdgeCB"));
  connect(LockEdgeCB, &QCheckBox::toggled, this, [this](bool on) {
    FPreview.SetLockEdge(on);
    Sync();
    if (OnLockEdge)
      OnLockEdge(on);
  });

  auto *grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(2);
  grid->addWidget(LeftSB, 0, 0);
  grid->addWidget(LPB, 0, 1);
  grid->addWidget(CentSB, 0, 2);
  grid->addWidget(RPB, 0, 3);
  grid->addWidget(RightSB, 0, 4);
  grid->addWidget(BLeftSB, 1, 1);
  grid->addWidget(BRightSB, 1, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  auto *locks = new QVBoxLayout;
  locks->addWidget(LockCenterCB);
  locks->addWidget(LockEdgeCB);
  locks->addStretch(1);
  grid->addLayout(locks, 0, 5, 2, 1);

  Init(0, 0, 0);
}

void TCalibrGeometryPanel::Init(std::int32_t frameWidth, std::int32_t edge, std::int32_t center) {
  const bool show = FPreview.ShowGeo;
  FPreview.Init(frameWidth, edge, center);
  FPreview.ShowGeo = show;
  Sync();
}

void TCalibrGeometryPanel::SetShowGeo(bool on) {
  FPreview.ShowGeo = on;
  Sync();
}

void TCalibrGeometryPanel::EdgeChanged(std::int32_t edge) {
  FPreview.EdgeChanged(edge);
  Sync();
}

void TCalibrGeometryPanel::CenterChanged(std::int32_t center) {
  FPreview.CenterChanged(center);
  Sync();
}

void TCalibrGeometryPanel::SetSectors(std::int32_t sectors) {
  FSectors = sectors;
  LPB->update();
  RPB->update();
}

void TCalibrGeometryPanel::BarMoved(int tag, int position) {
  const TGeometryPreview::TLinked linked = FPreview.BarChanged(tag, position);
  Sync();
  if (OnLinked && (linked.Edge || linked.Center))
    OnLinked(linked);
}

void TCalibrGeometryPanel::Sync() {
  const std::pair<QScrollBar *, const TGeometryBar *> bars[] = {{BLeftSB, &FPreview.BLeftSB},
                                                                {BRightSB, &FPreview.BRightSB},
                                                                {LeftSB, &FPreview.LeftSB},
                                                                {RightSB, &FPreview.RightSB},
                                                                {CentSB, &FPreview.CentSB}};
  for (auto [bar, state] : bars) {
    const bool blocked = bar->blockSignals(true);
    bar->setRange(0, state->Max);
    bar->setValue(state->Position);
    bar->blockSignals(blocked);
  }
  for (auto [box, on] :
       {std::pair{LockCenterCB, FPreview.LockCenter}, std::pair{LockEdgeCB, FPreview.LockEdge}}) {
    const bool blocked = box->blockSignals(true);
    box->setChecked(on);
    box->blockSignals(blocked);
  }
  LPB->update();
  RPB->update();
}

} // namespace calidarix
