// The two battery gauges of the info panel: the computer's, refreshed by the 2-second timer, and the
// camera's, whose level the frames give. A double-click on either switches the info panel's layout.

#include "acquisition/ui/battery_gauge.h"
#include "mainwindow/ui/event_hook.h"
#include "mainwindow/ui/main_window.h"

#include <QEvent>
#include <QFrame>
#include <QPushButton>

#include <algorithm>

namespace calidarix {

namespace {

constexpr int kGaugeStripWidth = 78;
constexpr int kGaugeColumnHeight = 32;

} // namespace

void TCalidarix::BuildBatteryGauges() {
  FPeripherals.FPCBattery = new TBattery(InfoPanel);
  FPeripherals.FPCBattery->setObjectName(QStringLiteral("FPCBattery"));
  FPeripherals.FCameraBattery = new TBattery(InfoPanel);
  FPeripherals.FCameraBattery->setObjectName(QStringLiteral("FCameraBattery"));
  FPeripherals.FCameraBattery->SetExternalLevel(true);
  for (TBattery *gauge : {FPeripherals.FPCBattery, FPeripherals.FCameraBattery})
    gauge->OnDblClick = [this] { InfoPanelDblClick(); };
  // The computer's gauge shows its level from the start, not only after the first 2 seconds.
  FPeripherals.FPCBattery->Refresh();
  auto *resize = new TEventHook(this, [this](QObject *, QEvent *event) {
    if (event->type() == QEvent::Resize)
      PlaceBatteryGauges();
    return false;
  });
  resize->Watch(InfoPanel);
  PlaceBatteryGauges();
}

void TCalidarix::PlaceBatteryGauges() {
  TBattery *pc = FPeripherals.FPCBattery;
  TBattery *camera = FPeripherals.FCameraBattery;
  if (!pc || !camera)
    return;
  const int w = InfoPanel->width();
  const int h = InfoPanel->height();
  if (FPanels.FInfoSideColumn) {
    // Aligned to the bottom of the column, one above the other.
    pc->setGeometry(0, h - kGaugeColumnHeight, w, kGaugeColumnHeight);
    camera->setGeometry(0, h - 2 * kGaugeColumnHeight, w, kGaugeColumnHeight);
  } else {
    // Aligned to the right end of the strip, left of the close button when it is shown.
    const int right = ClosePanel && ClosePanel->isVisible() ? std::min(ClosePanel->x(), w) : w;
    pc->setGeometry(right - kGaugeStripWidth, 0, kGaugeStripWidth, h);
    camera->setGeometry(right - 2 * kGaugeStripWidth, 0, kGaugeStripWidth, h);
  }
  pc->raise();
  camera->raise();
}

} // namespace calidarix
